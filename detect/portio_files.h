// The I/O driver's files beside the program: which of the four the wizard
// registers as the kernel service on this Windows, and by which path.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace drivora {

// The driver's path has always been built in 256 bytes, four fewer than the
// program's other paths (kPathBytes). Kept so: a disc folder that leaves the
// path 256 to 259 characters long gets the same answer (no driver, so no
// hardware sections) from every version of the wizard.
constexpr std::size_t kPortIoDriverPathBytes = 256;

// "s12345.sys", "s12345_win8.sys", "s1234564.sys" or "s1234564_win8.sys".
const char* PortIoDriverFileName(std::int32_t osClass, bool wow64);

// The module's folder (its file name cut just after the last backslash; none
// when there is no backslash) followed by the driver file name. None when that
// would not fit the path buffer: a cut path would register some other file
// (C:\...\s, say) as the kernel driver.
std::optional<std::string> PortIoDriverPath(const std::string& moduleFileName, std::int32_t osClass, bool wow64);

}  // namespace drivora
