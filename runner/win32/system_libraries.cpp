#include "runner/win32/system_libraries.h"

#include <optional>
#include <string>

#include "app/win32/handles.h"
#include "runner/command_path.h"

namespace drivora::win32 {

HMODULE LoadSystemLibrary(const char* name) {
  char folder[MAX_PATH] = {};
  const UINT length = GetSystemDirectoryA(folder, MAX_PATH);
  if (length == 0 || length >= MAX_PATH) return nullptr;
  const std::optional<std::string> path = SystemFilePath(std::string_view(folder, length), name);
  return path ? LoadLibraryA(path->c_str()) : nullptr;
}

void KeepLibrarySearchToTheSystem() {
  constexpr DWORD kSearchSystem32 = 0x00000800;  // LOAD_LIBRARY_SEARCH_SYSTEM32
  const HMODULE kernel = GetModuleHandleA("kernel32");
  using SetDllDirectoryFn = BOOL(WINAPI*)(LPCSTR);
  using SetDefaultDllDirectoriesFn = BOOL(WINAPI*)(DWORD);
  if (const auto setDllDirectory = FindFunction<SetDllDirectoryFn>(kernel, "SetDllDirectoryA")) setDllDirectory("");
  if (const auto setDefault = FindFunction<SetDefaultDllDirectoriesFn>(kernel, "SetDefaultDllDirectories"))
    setDefault(kSearchSystem32);
}

}  // namespace drivora::win32
