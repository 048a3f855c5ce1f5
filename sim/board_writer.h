// Writing the board model back out as a board file, in the form the board
// reader takes: what a capture of a running machine is saved as.
#pragma once

#include <string>
#include <vector>

#include "sim/board.h"

namespace drivora {

struct BoardFileText {
  // Comment lines for the head of the file, without their ';'.
  std::vector<std::string> comments;
  // The firmware image's file name beside the board file; empty writes no
  // [Firmware] section (the firmware area then reads as zeros).
  std::string imageName;
};

// Every PCI function with its whole configuration header (only the short line
// where the header holds nothing more), the chips, the image's name and the
// device keys. Texts that the reader would take differently (a line break,
// blanks at either end, too long) are left out and named in `leftOut`, so that
// the file always reads back as the model it came from.
std::string FormatBoardFile(const sim::Board& board, const BoardFileText& text, std::vector<std::string>& leftOut);

}  // namespace drivora
