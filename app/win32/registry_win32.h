#pragma once

#include "app/platform.h"

namespace drivora::win32 {

class Win32Registry final : public Registry {
 public:
  std::unique_ptr<RegistryKey> OpenLocalMachineKey(const std::string& path, RegistryAccess access) override;
};

}  // namespace drivora::win32
