#pragma once

#include "app/platform.h"

namespace drivora::win32 {

class Win32OsFacts final : public OsFacts {
 public:
  bool GetVersion(OsVersionInfo& out) const override;
  int GetProductType(std::uint8_t& productType) const override;
  bool IsWow64() const override;
  std::uint16_t DefaultLanguageId() const override;
  std::optional<std::string> SystemErrorText(std::uint32_t code) const override;
  std::string WindowsFolder() const override;
};

}  // namespace drivora::win32
