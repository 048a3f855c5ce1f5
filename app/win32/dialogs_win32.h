// Message boxes and the string table of the program's own module.
#pragma once

#include "app/platform.h"

namespace drivora::win32 {

class Win32MessageBoxes final : public MessageBoxes {
 public:
  int Show(WindowHandle owner, const std::string& text, const std::string& caption, std::uint32_t style) override;
};

class Win32StringTable final : public StringTable {
 public:
  // Null means the program's own module, which is all the program ever asks.
  explicit Win32StringTable(void* module = nullptr) : module_(module) {}
  std::optional<std::string> Load(unsigned id, std::size_t capacity) const override;

 private:
  void* module_;
};

}  // namespace drivora::win32
