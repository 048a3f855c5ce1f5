// A disc, a Windows version and optionally a board, put together as the
// wizard's start-up sees them.
#pragma once

#include <memory>
#include <optional>
#include <string>

#include "app/app_state.h"
#include "app/ini_file.h"
#include "detect/hardware.h"
#include "sim/board_hardware.h"
#include "sim/simulated_system.h"
#include "tools/drivora/command_line.h"
#include "tools/drivora/live_windows.h"

namespace drivora::tool {

class DiscSession {
 public:
  // Reads the disc's Setup.ini and the board; on a problem returns null with `error` set.
  static std::unique_ptr<DiscSession> Open(const Options& options, std::string& error);

  // Runs start-up from the Windows classification to the finished catalogue.
  bool BuildCatalogue(CatalogueObserver* observer = nullptr);

  AppState& App() { return app_; }
  const IniDocument& Document() const { return config_->Document(); }
  const sim::Board* Board() const { return board_.get(); }
  const HardwareCounts* Counts() const {
    if (live_) return &live_->Counts();
    return counting_ ? &counting_->Counts() : nullptr;
  }

 private:
  DiscSession(const Options& options) : os_(options.windows, options.languageId) {}

  SimulatedOs os_;
  MemoryRegistry registry_;
  RecordedMessageBoxes boxes_;
  BuiltinStringTable strings_;
  NoHardwareLocks locks_;
  std::unique_ptr<sim::Board> board_;
  std::unique_ptr<SimulatedBoardHardware> hardware_;
  std::unique_ptr<CountingHardware> counting_;
  std::unique_ptr<LiveWindows> live_;
  const IniConfigFile* config_ = nullptr;
  AppState app_;
};

}  // namespace drivora::tool
