// The texts of one command: cutting a command list into commands, trimming
// them, telling programs from documents, and the command lines they run with.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "app/platform.h"

namespace drivora {

// A worker holds at most this many commands of one list.
constexpr std::size_t kMaxCommands = 256;

// Without leading and trailing blanks (0x20 only: a tab stays).
std::string_view TrimSpaces(std::string_view text);

// The pieces between ";", empty ones included, the first kMaxCommands of them.
std::vector<std::string_view> SplitCommandList(std::string_view commandList);

// Programs are launched and waited for; everything else is opened by
// Explorer. Only an upper-case ".EXE" makes a program.
bool IsProgramPath(std::string_view resolvedPath);

// The program's own path within a resolved path: the text up to and
// including an ".EXE" that a blank or the end follows. Of several such, the
// first that names an existing file, as Windows itself reads an unquoted
// command line ("D:\MY.EXE DIR\SETUP.EXE -s" names D:\MY.EXE DIR\SETUP.EXE
// unless a D:\MY.EXE exists); the first when none exists; the whole text
// without one.
std::string_view ProgramName(std::string_view resolvedPath, const ProgramFiles& files);

// The command line a program is launched with, and registered with for a
// restart: the program's name is quoted when it holds a blank or a tab, which
// would otherwise end the name there (a folder like "D:\MY DRIVERS" is not a
// program "D:\MY" with arguments). Arguments after the name stay outside the
// quotes. None when the name holds a '"', which no file name can and which
// would end the quoted name early.
std::optional<std::string> ProgramCommandLine(std::string_view resolvedPath, const ProgramFiles& files);

// Where Explorer lies: "explorer.exe" in the Windows folder, by its full path,
// so that a program of that name in the current folder (a package's folder)
// is never started instead. None without a Windows folder, or when the path
// would not fit.
std::optional<std::string> ExplorerProgramPath(std::string_view windowsFolder);

// The command line that has Explorer open a document or folder: Explorer's
// full path and the quoted path. None when the path holds a '"'.
std::optional<std::string> ExplorerCommandLine(std::string_view explorerPath, std::string_view resolvedPath);

}  // namespace drivora
