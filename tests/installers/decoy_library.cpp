// A library planted under a system library's name (PSAPI.DLL, VDMDBG.DLL, or
// any other) in a folder the wizard must never load code from: the disc's
// own folder, or a package folder that is the current folder. Once loaded,
// it leaves DECOY-LOADED.TXT beside itself for the tests to find.
#include <windows.h>

#include <string>

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
  if (reason != DLL_PROCESS_ATTACH) return TRUE;
  char path[MAX_PATH] = {};
  const DWORD length = GetModuleFileNameA(instance, path, MAX_PATH);
  std::string marker(path, length < MAX_PATH ? length : 0);
  marker = marker.substr(0, marker.rfind('\\') + 1) + "DECOY-LOADED.TXT";
  const HANDLE file = CreateFileA(marker.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file != INVALID_HANDLE_VALUE) CloseHandle(file);
  return TRUE;
}
