#include "app/file_contents.h"

#include <filesystem>
#include <fstream>

namespace drivora {

std::optional<std::string> ReadRegularFile(const std::string& path) {
  std::error_code error;
  if (!std::filesystem::is_regular_file(path, error)) return std::nullopt;
  std::ifstream file(path, std::ios::binary);
  if (!file) return std::nullopt;
  // read() turns a failing read into the stream's state, where an iterator
  // over the buffer would throw.
  std::string contents;
  char chunk[1 << 16];
  do {
    file.read(chunk, sizeof chunk);
    contents.append(chunk, static_cast<std::size_t>(file.gcount()));
  } while (file);
  if (file.bad()) return std::nullopt;
  return contents;
}

}  // namespace drivora
