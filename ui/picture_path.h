// Where the background picture of a disc lies: beside the program, with the
// program's name and the extension ".BMP".
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace drivora {

// The program's path in capitals, cut at its first ".EXE", with ".BMP"
// appended. None for a path without ".EXE": the built-in picture is shown.
std::optional<std::string> BackgroundPicturePath(std::string_view modulePath);

}  // namespace drivora
