// Saving a board the tool has made (captured or imported) as a board file,
// with the firmware area beside it when there is one; the file counts as
// written only once the board loader has read it back.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "sim/board.h"

namespace drivora::tool {

// OUT.board gets OUT.rom beside it.
std::filesystem::path ImagePathFor(const std::filesystem::path& boardPath);

// Writes `board` to `boardPath` with `comments` at its head, and its firmware
// area to ImagePathFor(boardPath) when `withImage`. What the file cannot hold
// is named in `leftOut`. False, with `error` set, when a file cannot be
// written or does not read back.
bool SaveBoard(const std::filesystem::path& boardPath, const sim::Board& board, const std::vector<std::string>& comments,
               bool withImage, std::vector<std::string>& leftOut, std::string& error);

}  // namespace drivora::tool
