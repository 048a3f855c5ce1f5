#include <cstdio>

#include "app/startup.h"
#include "tools/drivora/board_capture.h"
#include "tools/drivora/enum_key_listing.h"
#include "tools/drivora/live_windows.h"
#include "tools/drivora/machine_capture.h"
#include "tools/drivora/report.h"

namespace drivora::tool {

bool CaptureThisMachine(MachineCapture& capture, std::string& error) {
  AppState app;
  const auto live = AttachLiveWindows(app);
  if (!live) {
    error = "board capture needs Windows: run the Windows build of drivora on the machine itself";
    return false;
  }
  if (!IdentifyWindows(app)) {
    error = "the running Windows did not tell its version";
    return false;
  }
  sim::Board& board = *capture.board;
  if (!CaptureBoard(app, board, capture.notes)) {
    error = "the I/O driver did not open (run as administrator, with the driver files beside drivora.exe)";
    return false;
  }
  RecordEnumKeys(ListEnumDeviceKeys(), board, capture.notes);
  std::snprintf(board.name, sizeof board.name, "%s", "Captured board");
  capture.firmwareRead = true;
  capture.comments = {
      "Captured by drivora board capture through the wizard's I/O driver, on Windows " + RunningWindowsText(app) + ".",
      "The firmware area 0xF0000-0xFFFFF is the image beside this file."};
  capture.counts = live->Counts();
  return true;
}

}  // namespace drivora::tool
