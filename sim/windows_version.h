// A Windows version described in text, for running the core without Windows:
// PLATFORM.MAJOR.MINOR.BUILD[:workstation|:server|:dc|:none][:wow64], or a preset name.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "app/platform.h"

namespace drivora {

struct WindowsVersion {
  OsVersionInfo version;
  // The product type the extended version record reports; none where the
  // system has no extended record (95, 98, ME, early NT 4).
  std::optional<std::uint8_t> productType;
  bool wow64 = false;
};

std::optional<WindowsVersion> ParseWindowsVersion(std::string_view text);
std::string FormatWindowsVersion(const WindowsVersion& described);
// One line per preset, for --help.
std::string DescribeWindowsPresets();

}  // namespace drivora
