// The uniform error box for failed system calls in the low-level operations.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "app/platform.h"

namespace drivora {

struct AppState;

constexpr char kUnknownErrorText[] = "An unknown error occured.";

// "Line %d at file %s\nError Code : %d ( %xH )\n\t%s", held to 1024 bytes.
std::string FormatErrorBoxText(int line, std::string_view unit, std::uint32_t code, std::string_view systemText);

// Shows the box for `code` with the system's text (or the fixed one) and
// returns the box's answer.
int ShowErrorBox(const AppState& app, WindowHandle owner, std::uint32_t code, const std::string& caption,
                 std::uint32_t style, int line, std::string_view unit);

}  // namespace drivora
