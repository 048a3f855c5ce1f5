// Which processes keep a completion wait going: those whose executable lies
// in the launched program's folder or below it, the wizard itself excepted.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "app/platform.h"

namespace drivora {

// The launched program's folder in short form, upper case, with its trailing
// backslash (at most 259 characters); none when the short form could not be
// made (empty) or has no backslash.
std::optional<std::string> InstallerFolderPrefix(std::string_view programShortPath);

// The upper-cased short form of an executable's path (at most 259
// characters); empty for an empty path and for one whose short form cannot
// be made (a file that no longer exists).
std::string ExecutableShortPath(const ProgramFiles& files, const std::string& path);

// Whether a process whose executable has the upper-cased short form
// `processShortPath` belongs to the installer. An empty short form (the path
// could not be read, or no longer exists) and the wizard's own path never do;
// without a prefix nothing does.
bool IsInstallerPath(std::string_view processShortPath, std::string_view moduleShortPath,
                     const std::optional<std::string>& prefix);

}  // namespace drivora
