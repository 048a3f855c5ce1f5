#include "tools/drivora/capture_command.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>

#include "app/startup.h"
#include "sim/board_hardware.h"
#include "sim/board_writer.h"
#include "tools/drivora/board_capture.h"
#include "tools/drivora/enum_keys.h"
#include "tools/drivora/live_windows.h"
#include "tools/drivora/report.h"

namespace drivora::tool {
namespace {

int Fail(std::ostream& err, const std::string& message) {
  err << "drivora: " << message << "\n";
  return 2;
}

bool WriteWhole(const std::filesystem::path& path, const char* data, std::size_t size) {
  std::ofstream file(path, std::ios::binary | std::ios::trunc);
  file.write(data, static_cast<std::streamsize>(size));
  file.close();
  return !file.fail();
}

// OUT.board gets OUT.rom beside it.
std::filesystem::path ImagePathFor(const std::filesystem::path& boardPath) {
  std::filesystem::path image = boardPath;
  return image.replace_extension(".rom");
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
  const std::filesystem::path imagePath = ImagePathFor(boardPath);
  BoardFileText text;
  text.comments = {"Captured by drivora board capture through the wizard's I/O driver, on Windows " +
                       RunningWindowsText(app) + ".",
                   "The firmware area 0xF0000-0xFFFFF is the image beside this file."};
  text.imageName = imagePath.filename().string();
  const std::string file = FormatBoardFile(*board, text, notes);
  if (!WriteWhole(imagePath, reinterpret_cast<const char*>(board->firmware), sim::kFirmwareSize))
    return Fail(err, imagePath.string() + ": cannot be written");
  if (!WriteWhole(boardPath, file.data(), file.size())) return Fail(err, boardPath.string() + ": cannot be written");
  for (const std::string& note : notes) err << "drivora: left out: " << note << "\n";

  std::string error;
  if (!LoadBoardFile(boardPath.string(), error)) return Fail(err, "the captured file does not read back: " + error);
  out << "captured " << board->pciCount << " PCI functions, "
      << board->superIo[0].present + board->superIo[1].present << " Super I/O chips, " << board->enumKeyCount
      << " device keys and the firmware area into " << boardPath.string() << " and " << imagePath.string() << "\n";
  PrintHardwareCounts(live->Counts(), out);
  return 0;
}

}  // namespace drivora::tool
