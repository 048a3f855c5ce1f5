// Start-up: from a bare process to a complete, ordered install catalogue.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace drivora {

struct AppState;

constexpr char kMissingConfigCaption[] = "Not find file...";

// The whole start-up sequence; false when the program must end at once.
bool InitApplication(AppState& app);

// Steps of it that the drivora tool shares with Setup.exe.
bool IdentifyWindows(AppState& app);
// Everything from the choice of the profile to the description text: the
// catalogue comes out complete and ordered, browse and exit entries last.
// False when the I/O driver the NT platform needs cannot be opened.
bool BuildCatalogue(AppState& app);

// The configuration path for an upper-cased program path: everything from the
// first ".EXE" on becomes ".INI"; a path without ".EXE" gets its extension
// replaced (or ".INI" appended). The path uncut, whatever its length.
std::string MakeIniPath(std::string_view upperModulePath);

// The program's own full path, or none when it is unknown or would not fit
// the 260-byte buffers the wizard holds paths in: a cut path names another
// file, and another configuration, driver or folder with it.
std::optional<std::string> ModulePath(const AppState& app);

}  // namespace drivora
