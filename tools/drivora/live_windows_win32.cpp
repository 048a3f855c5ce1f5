#include <iostream>

#include "app/win32/os_facts_win32.h"
#include "app/win32/program_files_win32.h"
#include "app/win32/registry_win32.h"
#include "detect/win32/detection_win32.h"
#include "sim/simulated_system.h"
#include "tools/drivora/live_windows.h"

namespace drivora::tool {
namespace {

// A console tool has no window to own a box: its boxes go to the error stream.
class ConsoleMessageBoxes final : public MessageBoxes {
 public:
  int Show(WindowHandle, const std::string& text, const std::string& caption, std::uint32_t) override {
    std::cerr << caption << " " << text << "\n";
    return kAnswerOk;
  }
};

class Win32LiveWindows final : public LiveWindows {
 public:
  explicit Win32LiveWindows(AppState& app) : detection_(app), counting_(nullptr) {
    app.Sys = {&os_, &files_, &registry_, &boxes_, &strings_};
    detection_.Attach(app.Sys);
    counting_ = std::make_unique<CountingHardware>(*app.Sys.Io);
    app.Sys.Io = counting_.get();
  }
  const HardwareCounts& Counts() const override { return counting_->Counts(); }

 private:
  win32::Win32OsFacts os_;
  win32::Win32ProgramFiles files_;
  win32::Win32Registry registry_;
  ConsoleMessageBoxes boxes_;
  // The tool carries the wizard's texts itself; it has no resources.
  BuiltinStringTable strings_;
  win32::Win32Detection detection_;
  std::unique_ptr<CountingHardware> counting_;
};

}  // namespace

std::unique_ptr<LiveWindows> AttachLiveWindows(AppState& app) { return std::make_unique<Win32LiveWindows>(app); }

}  // namespace drivora::tool
