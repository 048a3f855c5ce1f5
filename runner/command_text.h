// The texts of one command: cutting a command list into commands, trimming
// them, telling programs from documents, and the command lines they run with.
#pragma once

#include <cstddef>
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
// restart: the program's name is quoted when it holds a blank, so that a
// folder like "D:\MY DRIVERS" is not taken for a program "D:\MY" with
// arguments. Arguments after the name stay outside the quotes.
std::string ProgramCommandLine(std::string_view resolvedPath, const ProgramFiles& files);

// The command line that opens a document or folder: "EXPLORER " and the
// quoted path.
std::string ExplorerCommandLine(std::string_view resolvedPath);

}  // namespace drivora
