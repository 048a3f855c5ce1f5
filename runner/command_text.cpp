#include "runner/command_text.h"

#include "app/byte_strings.h"
#include "runner/command_path.h"

namespace drivora {
namespace {

constexpr std::string_view kProgramExtension = ".EXE";

// Appended piece by piece: GCC 12 at -O2 misreads operator+ on a temporary as
// an overlapping copy (-Wrestrict).
std::string Quoted(std::string_view text) {
  std::string quoted;
  quoted.reserve(text.size() + 2);
  quoted += '"';
  quoted += text;
  quoted += '"';
  return quoted;
}

// The command line that starts `name`, the program that begins the command:
// the name quoted when a blank or tab would otherwise end it early.
std::optional<std::string> CommandLineNaming(std::string_view command, std::string_view name) {
  if (name.find('"') != std::string_view::npos) return std::nullopt;
  if (name.find_first_of(" \t") == std::string_view::npos) return std::string(command);
  return Quoted(name) + std::string(command.substr(name.size()));
}

}  // namespace

std::string_view ProgramName(std::string_view resolvedPath, const ProgramFiles& files) {
  std::vector<std::string_view> candidates;
  for (std::size_t at = resolvedPath.find(kProgramExtension); at != std::string_view::npos;
       at = resolvedPath.find(kProgramExtension, at + 1)) {
    const std::size_t end = at + kProgramExtension.size();
    if (end == resolvedPath.size() || resolvedPath[end] == ' ') candidates.push_back(resolvedPath.substr(0, end));
  }
  if (candidates.empty()) return resolvedPath;
  if (candidates.size() > 1) {
    for (const std::string_view candidate : candidates) {
      if (files.FileExists(std::string(candidate))) return candidate;
    }
  }
  return candidates.front();
}

std::string_view TrimSpaces(std::string_view text) {
  const std::size_t first = text.find_first_not_of(' ');
  if (first == std::string_view::npos) return {};
  return text.substr(first, text.find_last_not_of(' ') - first + 1);
}

std::vector<std::string_view> SplitCommandList(std::string_view commandList) {
  std::vector<std::string_view> commands = SplitAt(commandList, ';');
  if (commands.size() > kMaxCommands) commands.resize(kMaxCommands);
  return commands;
}

bool IsProgramPath(std::string_view resolvedPath) {
  return resolvedPath.find(kProgramExtension) != std::string_view::npos;
}

std::optional<std::string> ProgramCommandLine(std::string_view resolvedPath, const ProgramFiles& files) {
  return CommandLineNaming(resolvedPath, ProgramName(resolvedPath, files));
}

std::optional<std::string> ExplorerProgramPath(std::string_view windowsFolder) {
  return SystemFilePath(windowsFolder, "explorer.exe");
}

std::optional<std::string> ExplorerCommandLine(std::string_view explorerPath, std::string_view resolvedPath) {
  if (resolvedPath.find('"') != std::string_view::npos) return std::nullopt;
  const std::optional<std::string> program = CommandLineNaming(explorerPath, explorerPath);
  if (!program) return std::nullopt;
  return *program + " " + Quoted(resolvedPath);
}

}  // namespace drivora
