// The drivora tool's command line.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "sim/windows_version.h"

namespace drivora::tool {

enum class Command { Help, Profile, Catalogue, Explain, BoardCheck };

struct Options {
  Command command = Command::Help;
  std::string iniPath;
  std::string boardPath;
  WindowsVersion windows;
  std::uint16_t languageId = 1033;
  bool tsv = false;
  // Detect on the running machine instead of a simulated board and Windows.
  bool hardware = false;
};

// Parses argv; on a mistake returns nullopt and sets `error` to one line.
std::optional<Options> ParseCommandLine(const std::vector<std::string>& args, std::string& error);

std::string UsageText();

}  // namespace drivora::tool
