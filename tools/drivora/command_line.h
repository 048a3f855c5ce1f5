// The drivora tool's command line.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "sim/windows_spec.h"

namespace drivora::tool {

struct Options {
  std::string command;  // "profile", "catalogue" or "help"
  std::string iniPath;
  WindowsSpec windows;
  std::uint16_t languageId = 1033;
  bool tsv = false;
};

// Parses argv; on a mistake returns nullopt and sets `error` to one line.
std::optional<Options> ParseCommandLine(const std::vector<std::string>& args, std::string& error);

std::string UsageText();

}  // namespace drivora::tool
