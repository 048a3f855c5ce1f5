#include "ui/picture_path.h"

#include "app/byte_strings.h"

namespace drivora {

std::optional<std::string> BackgroundPicturePath(std::string_view modulePath) {
  std::string path = ToUpperAscii(modulePath);
  const std::size_t extension = path.find(".EXE");
  if (extension == std::string::npos) return std::nullopt;
  path.resize(extension);
  return path + ".BMP";
}

}  // namespace drivora
