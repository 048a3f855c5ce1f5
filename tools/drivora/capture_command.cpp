#include "tools/drivora/capture_command.h"

#include <filesystem>

#include "tools/drivora/board_output.h"
#include "tools/drivora/machine_capture.h"
#include "tools/drivora/report.h"

namespace drivora::tool {
namespace {

int Fail(std::ostream& err, const std::string& message) {
  err << "drivora: " << message << "\n";
  return 2;
}

}  // namespace

int RunBoardCapture(const Options& options, std::ostream& out, std::ostream& err) {
  MachineCapture capture;
  std::string error;
  if (!CaptureThisMachine(capture, error)) {
    for (const std::string& note : capture.notes) err << "drivora: left out: " << note << "\n";
    return Fail(err, error);
  }
  const sim::Board& board = *capture.board;
  const std::filesystem::path boardPath(options.boardPath);
  const bool saved = SaveBoard(boardPath, board, capture.comments, capture.firmwareRead, capture.notes, error);
  for (const std::string& note : capture.notes) err << "drivora: left out: " << note << "\n";
  if (!saved) return Fail(err, error);
  out << "captured " << board.pciCount << " PCI functions, " << board.superIo[0].present + board.superIo[1].present
      << " Super I/O chips" << (capture.firmwareRead ? ", " : " and ") << board.enumKeyCount << " device keys";
  if (capture.firmwareRead) out << " and the firmware area";
  out << " into " << boardPath.string();
  if (capture.firmwareRead) out << " and " << ImagePathFor(boardPath).string();
  out << "\n";
  if (capture.counts) PrintHardwareCounts(*capture.counts, out);
  return 0;
}

}  // namespace drivora::tool
