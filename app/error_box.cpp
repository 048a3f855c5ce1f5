#include "app/error_box.h"

#include <cstdio>

#include "app/app_state.h"
#include "app/byte_strings.h"
#include "detect/hardware.h"

namespace drivora {

std::string FormatErrorBoxText(int line, std::string_view unit, std::uint32_t code, std::string_view systemText) {
  constexpr std::size_t kTextBytes = 1024;
  const std::string head = "Line " + std::to_string(line) + " at file " + std::string(unit) + "\nError Code : " +
                           std::to_string(static_cast<std::int32_t>(code));
  char hex[16];
  std::snprintf(hex, sizeof hex, "%x", static_cast<unsigned>(code));
  const std::string text = head + " ( " + hex + "H )\n\t" + std::string(systemText);
  return std::string(FitBuffer(text, kTextBytes));
}

int ShowErrorBox(const AppState& app, WindowHandle owner, std::uint32_t code, const std::string& caption,
                 std::uint32_t style, int line, std::string_view unit) {
  const std::string systemText = app.Sys.Os->SystemErrorText(code).value_or(kUnknownErrorText);
  // A box waits for a person, maybe for long: the hardware locks, which other
  // programs wait for, are let go meanwhile and taken again after it.
  const LocksSetAside setAside(app.Sys.Locks);
  return app.Sys.Boxes->Show(owner, FormatErrorBoxText(line, unit, code, systemText), caption, style);
}

}  // namespace drivora
