#include "sim/board_hardware.h"

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "app/file_contents.h"
#include "sim/board_parser.h"

namespace drivora {
namespace {

struct ImageFolder {
  std::filesystem::path folder;
};

std::int64_t LoadImageBeside(void* context, const char* name, std::size_t nameLength, std::uint8_t* out,
                             std::uint32_t capacity) {
  const auto* where = static_cast<const ImageFolder*>(context);
  std::ifstream file(where->folder / std::string(name, nameLength), std::ios::binary);
  if (!file) return -1;
  file.seekg(0, std::ios::end);
  const std::int64_t size = file.tellg();
  file.seekg(0);
  if (size < 0) return -1;
  file.read(reinterpret_cast<char*>(out), std::min<std::int64_t>(size, capacity));
  return file ? size : -1;
}

}  // namespace

std::unique_ptr<sim::Board> LoadBoardFile(const std::string& path, std::string& error) {
  const std::optional<std::string> contents = ReadRegularFile(path);
  if (!contents) {
    error = path + ": cannot be read";
    return nullptr;
  }
  const std::string& text = *contents;
  auto board = std::make_unique<sim::Board>();
  ImageFolder folder{std::filesystem::path(path).parent_path()};
  sim::BoardParseError problem{};
  if (!sim::ParseBoard(text.data(), text.size(), *board, LoadImageBeside, &folder, problem)) {
    error = path + ":" + (problem.line ? std::to_string(problem.line) + ":" : std::string()) + " " + problem.message;
    return nullptr;
  }
  return board;
}

bool SimulatedBoardHardware::WritePortByte(std::uint16_t port, std::uint8_t value) {
  sim::BoardWritePortByte(board_, port, value);
  return true;
}

bool SimulatedBoardHardware::WritePortDword(std::uint16_t port, std::uint32_t value) {
  sim::BoardWritePortDword(board_, port, value);
  return true;
}

const void* SimulatedBoardHardware::MapPhysicalMemory(std::uint32_t address, std::uint32_t length,
                                                      std::uint32_t& handle) {
  const std::uint8_t* bytes = sim::BoardPhysicalMemory(board_, address, length);
  if (!bytes) return nullptr;
  const auto slot = std::find(mappings_.begin(), mappings_.end(), nullptr);
  if (slot == mappings_.end()) return nullptr;
  *slot = bytes;
  handle = static_cast<std::uint32_t>(slot - mappings_.begin()) + 1;
  return bytes;
}

bool SimulatedBoardHardware::UnmapPhysicalMemory(std::uint32_t handle, const void* pointer) {
  if (handle == 0 || handle > mappings_.size() || mappings_[handle - 1] != pointer) return false;
  mappings_[handle - 1] = nullptr;
  return true;
}

bool SimulatedBoardHardware::ReadFirmwareDirectly(std::uint8_t* image, std::uint32_t size) {
  std::memcpy(image, board_.firmware, std::min<std::uint32_t>(size, kFirmwareSize));
  return true;
}

int SimulatedBoardHardware::OpenMappings() const {
  return static_cast<int>(std::count_if(mappings_.begin(), mappings_.end(), [](auto* p) { return p != nullptr; }));
}

}  // namespace drivora
