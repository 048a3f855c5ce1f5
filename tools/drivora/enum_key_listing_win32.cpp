#include <windows.h>

#include "app/win32/handles.h"
#include "tools/drivora/enum_key_listing.h"

namespace drivora::tool {
namespace {

// Device instances sit three levels down (enumerator, device, instance); a
// deeper tree is not followed past this.
constexpr int kMaxDepth = 6;

void CollectLeaves(HKEY parent, const std::string& path, int depth, std::vector<std::string>& out) {
  win32::UniqueRegKey key;
  HKEY opened = nullptr;
  if (RegOpenKeyExA(parent, path.c_str(), 0, KEY_ENUMERATE_SUB_KEYS, &opened) != ERROR_SUCCESS) return;
  key.reset(opened);
  bool hasChild = false;
  char name[256];
  for (DWORD index = 0;; ++index) {
    DWORD length = sizeof name;
    const LONG result = RegEnumKeyExA(key.get(), index, name, &length, nullptr, nullptr, nullptr, nullptr);
    hasChild = hasChild || result == ERROR_SUCCESS || result == ERROR_MORE_DATA;
    if (result == ERROR_MORE_DATA) continue;  // a name no key path can hold
    if (result != ERROR_SUCCESS) break;
    if (depth < kMaxDepth) CollectLeaves(parent, path + "\\" + std::string(name, length), depth + 1, out);
  }
  constexpr std::size_t kPrefix = sizeof "Enum\\" - 1;
  if (!hasChild && path.size() > kPrefix) out.push_back(path.substr(kPrefix));
}

}  // namespace

std::vector<std::string> ListEnumDeviceKeys() {
  std::vector<std::string> keys;
  CollectLeaves(HKEY_LOCAL_MACHINE, "Enum", 0, keys);
  return keys;
}

}  // namespace drivora::tool
