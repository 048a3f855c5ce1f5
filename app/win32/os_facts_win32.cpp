#include "app/win32/os_facts_win32.h"

#include <windows.h>

#include "app/win32/handles.h"

namespace drivora::win32 {

bool Win32OsFacts::GetVersion(OsVersionInfo& out) const {
  OSVERSIONINFOA info{};
  info.dwOSVersionInfoSize = sizeof info;  // 148
  if (!GetVersionExA(&info)) return false;
  out = {info.dwPlatformId, info.dwMajorVersion, info.dwMinorVersion, info.dwBuildNumber};
  return true;
}

int Win32OsFacts::GetProductType(std::uint8_t& productType) const {
  OSVERSIONINFOEXA info{};
  info.dwOSVersionInfoSize = sizeof info;  // 156; systems before it refuse the record
  const int result = GetVersionExA(reinterpret_cast<OSVERSIONINFOA*>(&info));
  productType = info.wProductType;
  return result;
}

bool Win32OsFacts::IsWow64() const {
  // Looked up by name: Windows before XP SP2 has no IsWow64Process.
  using IsWow64Fn = BOOL(WINAPI*)(HANDLE, PBOOL);
  const auto isWow64Process = FindFunction<IsWow64Fn>(GetModuleHandleA("kernel32"), "IsWow64Process");
  if (!isWow64Process) return false;
  BOOL wow64 = FALSE;
  if (!isWow64Process(GetCurrentProcess(), &wow64)) return false;
  return wow64 != FALSE;
}

std::uint16_t Win32OsFacts::DefaultLanguageId() const { return GetSystemDefaultLangID(); }

std::optional<std::string> Win32OsFacts::SystemErrorText(std::uint32_t code) const {
  char* text = nullptr;
  const DWORD length = FormatMessageA(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM, nullptr, code,
                                      MAKELANGID(LANG_NEUTRAL, SUBLANG_SYS_DEFAULT), reinterpret_cast<LPSTR>(&text),
                                      0, nullptr);
  const UniqueLocalMemory owner(text);
  if (length == 0 || !text) return std::nullopt;
  return std::string(text, length);
}

std::string Win32OsFacts::WindowsFolder() const {
  // The shared Windows folder: under Terminal Services GetWindowsDirectoryA
  // names a private one of each user. Looked up by name, as the 9x family
  // and NT 4 lack it; they have only the one folder.
  using FolderFn = UINT(WINAPI*)(LPSTR, UINT);
  auto folderOf = FindFunction<FolderFn>(GetModuleHandleA("kernel32"), "GetSystemWindowsDirectoryA");
  if (!folderOf) folderOf = GetWindowsDirectoryA;
  char folder[MAX_PATH] = {};
  const UINT length = folderOf(folder, MAX_PATH);
  if (length == 0 || length >= MAX_PATH) return {};
  return std::string(folder, length);
}

}  // namespace drivora::win32
