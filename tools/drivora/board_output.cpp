#include "tools/drivora/board_output.h"

#include <fstream>

#include "sim/board_hardware.h"
#include "sim/board_writer.h"

namespace drivora::tool {
namespace {

bool WriteWhole(const std::filesystem::path& path, const char* data, std::size_t size) {
  std::ofstream file(path, std::ios::binary | std::ios::trunc);
  file.write(data, static_cast<std::streamsize>(size));
  file.close();
  return !file.fail();
}

}  // namespace

std::filesystem::path ImagePathFor(const std::filesystem::path& boardPath) {
  std::filesystem::path image = boardPath;
  return image.replace_extension(".rom");
}

bool SaveBoard(const std::filesystem::path& boardPath, const sim::Board& board, const std::vector<std::string>& comments,
               bool withImage, std::vector<std::string>& leftOut, std::string& error) {
  const std::filesystem::path imagePath = ImagePathFor(boardPath);
  BoardFileText text;
  text.comments = comments;
  if (withImage) text.imageName = imagePath.filename().string();
  const std::string file = FormatBoardFile(board, text, leftOut);
  if (withImage && !WriteWhole(imagePath, reinterpret_cast<const char*>(board.firmware), kFirmwareSize)) {
    error = imagePath.string() + ": cannot be written";
    return false;
  }
  if (!WriteWhole(boardPath, file.data(), file.size())) {
    error = boardPath.string() + ": cannot be written";
    return false;
  }
  std::string problem;
  if (!LoadBoardFile(boardPath.string(), problem)) {
    error = "the written file does not read back: " + problem;
    return false;
  }
  return true;
}

}  // namespace drivora::tool
