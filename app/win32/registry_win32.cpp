#include "app/win32/registry_win32.h"

#include <windows.h>

#include "app/win32/handles.h"

namespace drivora::win32 {
namespace {

class Win32RegistryKey final : public RegistryKey {
 public:
  explicit Win32RegistryKey(HKEY key) : key_(key) {}

  bool SetString(const std::string& name, const std::string& data) override {
    // Stored with its terminating zero, as REG_SZ data should be.
    return RegSetValueExA(key_.get(), name.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(data.c_str()),
                          static_cast<DWORD>(data.size() + 1)) == ERROR_SUCCESS;
  }
  bool DeleteValue(const std::string& name) override {
    return RegDeleteValueA(key_.get(), name.c_str()) == ERROR_SUCCESS;
  }
  bool DeleteSubKey(const std::string& name) override {
    return RegDeleteKeyA(key_.get(), name.c_str()) == ERROR_SUCCESS;
  }

 private:
  UniqueRegKey key_;
};

}  // namespace

std::unique_ptr<RegistryKey> Win32Registry::OpenLocalMachineKey(const std::string& path, RegistryAccess access) {
  HKEY key = nullptr;
  LONG status = ERROR_ACCESS_DENIED;
  switch (access) {
    case RegistryAccess::Open: status = RegOpenKeyA(HKEY_LOCAL_MACHINE, path.c_str(), &key); break;
    case RegistryAccess::Write: status = RegOpenKeyExA(HKEY_LOCAL_MACHINE, path.c_str(), 0, KEY_WRITE, &key); break;
    case RegistryAccess::SetValue: status = RegOpenKeyExA(HKEY_LOCAL_MACHINE, path.c_str(), 0, KEY_SET_VALUE, &key); break;
  }
  if (status != ERROR_SUCCESS) return nullptr;
  return std::make_unique<Win32RegistryKey>(key);
}

}  // namespace drivora::win32
