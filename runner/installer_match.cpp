#include "runner/installer_match.h"

#include "app/app_state.h"
#include "app/byte_strings.h"

namespace drivora {

std::optional<std::string> InstallerFolderPrefix(std::string_view programShortPath) {
  const std::size_t lastBackslash = programShortPath.rfind('\\');
  if (lastBackslash == std::string_view::npos) return std::nullopt;
  return ToUpperAscii(FitBuffer(programShortPath.substr(0, lastBackslash + 1), kPathBytes));
}

std::string ExecutableShortPath(const ProgramFiles& files, const std::string& path) {
  if (path.empty()) return {};
  return ToUpperAscii(FitBuffer(files.ShortPathName(path), kPathBytes));
}

bool IsInstallerPath(std::string_view processShortPath, std::string_view moduleShortPath,
                     const std::optional<std::string>& prefix) {
  if (!prefix || processShortPath.empty()) return false;
  if (processShortPath == moduleShortPath) return false;
  return processShortPath.starts_with(*prefix);
}

}  // namespace drivora
