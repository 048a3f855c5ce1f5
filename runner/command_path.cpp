#include "runner/command_path.h"

namespace drivora {
namespace {

bool IsDrivePath(std::string_view command) { return command.find(":\\") == 1; }

// The part of a relative command that goes below the wizard's folder.
std::string_view BelowWizardFolder(std::string_view command) {
  if (command.starts_with(".\\")) return command.substr(2);
  if (command.starts_with('\\')) return command.substr(1);
  return command;
}

bool IsDriveRoot(std::string_view folder) { return folder.size() == 2 && folder[1] == ':'; }

}  // namespace

std::string WizardFolder(std::string_view modulePath) {
  const std::size_t lastBackslash = modulePath.rfind('\\');
  if (lastBackslash == std::string_view::npos) return {};
  return std::string(modulePath.substr(0, lastBackslash + 1));
}

std::optional<std::string> ResolveCommandPath(std::string_view command, std::string_view wizardFolder) {
  if (!IsDrivePath(command) && wizardFolder.empty()) return std::nullopt;
  std::string resolved =
      IsDrivePath(command) ? std::string(command) : std::string(wizardFolder) + std::string(BelowWizardFolder(command));
  if (resolved.size() >= kResolvedPathBytes) return std::nullopt;
  return resolved;
}

std::optional<std::string> SystemFilePath(std::string_view folder, std::string_view fileName) {
  constexpr std::size_t kSystemPathBytes = 260;
  if (folder.empty()) return std::nullopt;
  std::string path(folder);
  if (!path.ends_with('\\')) path += '\\';
  path += fileName;
  if (path.size() >= kSystemPathBytes) return std::nullopt;
  return path;
}

std::optional<std::string> CommandFolder(std::string_view resolvedPath) {
  const std::size_t lastBackslash = resolvedPath.rfind('\\');
  if (lastBackslash == std::string_view::npos) return std::nullopt;
  const std::string_view folder = resolvedPath.substr(0, lastBackslash);
  if (IsDriveRoot(folder)) return std::string(resolvedPath.substr(0, lastBackslash + 1));
  return std::string(folder);
}

}  // namespace drivora
