#include "tools/drivora/capture_command.h"

#include <cstdio>
#include <filesystem>
#include <memory>

#include "app/startup.h"
#include "tools/drivora/board_capture.h"
#include "tools/drivora/board_output.h"
#include "tools/drivora/enum_keys.h"
#include "tools/drivora/live_windows.h"
#include "tools/drivora/report.h"

namespace drivora::tool {
namespace {

int Fail(std::ostream& err, const std::string& message) {
  err << "drivora: " << message << "\n";
  return 2;
}

}  // namespace

int RunBoardCapture(const Options& options, std::ostream& out, std::ostream& err) {
  AppState app;
  const auto live = AttachLiveWindows(app);
  if (!live) return Fail(err, "board capture needs Windows: run the Windows build of drivora on the machine itself");
  if (!IdentifyWindows(app)) return Fail(err, "the running Windows did not tell its version");
  auto board = std::make_unique<sim::Board>();
  std::vector<std::string> notes;
  if (!CaptureBoard(app, *board, notes))
    return Fail(err, "the I/O driver did not open (run as administrator, with the driver files beside drivora.exe)");
  RecordEnumKeys(ListEnumDeviceKeys(), *board, notes);
  std::snprintf(board->name, sizeof board->name, "%s", "Captured board");

  const std::filesystem::path boardPath(options.boardPath);
  const std::vector<std::string> comments = {
      "Captured by drivora board capture through the wizard's I/O driver, on Windows " + RunningWindowsText(app) + ".",
      "The firmware area 0xF0000-0xFFFFF is the image beside this file."};
  std::string error;
  const bool saved = SaveBoard(boardPath, *board, comments, true, notes, error);
  for (const std::string& note : notes) err << "drivora: left out: " << note << "\n";
  if (!saved) return Fail(err, error);
  out << "captured " << board->pciCount << " PCI functions, "
      << board->superIo[0].present + board->superIo[1].present << " Super I/O chips, " << board->enumKeyCount
      << " device keys and the firmware area into " << boardPath.string() << " and " << ImagePathFor(boardPath).string()
      << "\n";
  PrintHardwareCounts(live->Counts(), out);
  return 0;
}

}  // namespace drivora::tool
