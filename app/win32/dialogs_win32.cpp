#include "app/win32/dialogs_win32.h"

#include <windows.h>

#include <vector>

namespace drivora::win32 {

int Win32MessageBoxes::Show(WindowHandle owner, const std::string& text, const std::string& caption,
                            std::uint32_t style) {
  return MessageBoxA(static_cast<HWND>(owner), text.c_str(), caption.c_str(), style);
}

std::optional<std::string> Win32StringTable::Load(unsigned id, std::size_t capacity) const {
  if (capacity == 0) return std::nullopt;
  std::vector<char> buffer(capacity, '\0');
  const int length = LoadStringA(static_cast<HINSTANCE>(module_), id, buffer.data(), static_cast<int>(capacity));
  if (length <= 0) return std::nullopt;
  return std::string(buffer.data(), static_cast<std::size_t>(length));
}

}  // namespace drivora::win32
