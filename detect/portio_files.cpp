#include "detect/portio_files.h"

namespace drivora {

const char* PortIoDriverFileName(std::int32_t osClass, bool wow64) {
  if (osClass == 8) return wow64 ? "s1234564_win8.sys" : "s12345_win8.sys";
  return wow64 ? "s1234564.sys" : "s12345.sys";
}

std::optional<std::string> PortIoDriverPath(const std::string& moduleFileName, std::int32_t osClass, bool wow64) {
  const std::size_t slash = moduleFileName.rfind('\\');
  std::string path = slash == std::string::npos ? std::string() : moduleFileName.substr(0, slash + 1);
  path += PortIoDriverFileName(osClass, wow64);
  if (path.size() >= kPortIoDriverPathBytes) return std::nullopt;
  return path;
}

}  // namespace drivora
