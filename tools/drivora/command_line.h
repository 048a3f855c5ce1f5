// The drivora tool's command line.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "sim/windows_version.h"

namespace drivora::tool {

enum class Command { Help, Profile, Catalogue, Explain, BoardCheck, BoardCapture, BoardImport, Lint, Matrix };

struct Options {
  Command command = Command::Help;
  std::string iniPath;
  std::string boardPath;
  WindowsVersion windows;
  std::uint16_t languageId = 1033;
  bool tsv = false;
  // Detect on the running machine instead of a simulated board and Windows.
  bool hardware = false;
  // lint: the disc folder whose files the commands name.
  std::string discPath;
  // matrix: the board folder, the Windows columns as given, the HTML page.
  std::string boardsDir;
  std::vector<std::pair<std::string, WindowsVersion>> windowsList;
  std::string htmlPath;
  // board import: the lspci output read, and the name the board is given.
  std::string lspciPath;
  std::optional<std::string> boardName;
};

// Parses argv; on a mistake returns nullopt and sets `error` to one line.
std::optional<Options> ParseCommandLine(const std::vector<std::string>& args, std::string& error);

std::string UsageText();

}  // namespace drivora::tool
