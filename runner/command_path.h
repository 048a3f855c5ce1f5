// Where a command lies: commands are written relative to the wizard's folder
// unless they start with a drive.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace drivora {

// A resolved path is held in 256 bytes: at most 255 characters.
constexpr std::size_t kResolvedPathBytes = 256;

// The folder of the wizard's executable with its trailing backslash; empty
// for a path without one.
std::string WizardFolder(std::string_view modulePath);

// The full path of `command`: a drive path ("X:\...") as it is, anything else
// below `wizardFolder` (which ends with a backslash), with a leading ".\" or
// one leading backslash dropped. Arguments after a program's name stay part
// of it. None when the result would not fit its 255 characters (a cut path
// would name some other file), and none for anything but a drive path when
// the wizard's folder is unknown (the current folder would then decide).
std::optional<std::string> ResolveCommandPath(std::string_view command, std::string_view wizardFolder);

// A file in a system folder (the Windows folder, the system folder) by its
// full path. None when the folder is unknown (empty) or the path would not
// fit the 260-byte buffers the system's own paths are held in: a cut path
// would name another file.
std::optional<std::string> SystemFilePath(std::string_view folder, std::string_view fileName);

// The folder a command runs in: the text before the last backslash of its
// resolved path. A drive's root keeps its backslash, because "D:" alone means
// whatever directory drive D: was last left in. None without a backslash.
std::optional<std::string> CommandFolder(std::string_view resolvedPath);

}  // namespace drivora
