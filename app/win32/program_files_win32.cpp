#include "app/win32/program_files_win32.h"

#include <windows.h>

#include <vector>

#include "app/win32/handles.h"

namespace drivora::win32 {

std::string Win32ProgramFiles::ModuleFileName() const {
  // Whole, however long: the core decides what it can hold. A full buffer
  // may hold a cut name (XP does not even end it), so it grows until the
  // name fits with room to spare.
  for (DWORD size = MAX_PATH; size <= 32768; size *= 2) {
    std::vector<char> path(size);
    const DWORD length = GetModuleFileNameA(nullptr, path.data(), size);
    if (length == 0) return {};
    if (length < size - 1) return std::string(path.data(), length);
  }
  return {};
}

std::string Win32ProgramFiles::ShortPathName(const std::string& path) const {
  char shortPath[MAX_PATH] = {};
  const DWORD length = GetShortPathNameA(path.c_str(), shortPath, MAX_PATH);
  if (length == 0 || length >= MAX_PATH) return {};
  return std::string(shortPath, length);
}

bool Win32ProgramFiles::FileExists(const std::string& path) const {
  WIN32_FIND_DATAA found;
  return static_cast<bool>(UniqueFindHandle(FindFirstFileA(path.c_str(), &found)));
}

std::unique_ptr<ConfigFile> Win32ProgramFiles::OpenConfigFile(const std::string& path) const {
  return std::make_unique<Win32ConfigFile>(path);
}

std::string Win32ConfigFile::ReadSection(const std::string& section, std::uint32_t bufferBytes) const {
  std::vector<char> buffer(bufferBytes + 2);
  const DWORD count = GetPrivateProfileSectionA(section.c_str(), buffer.data(), bufferBytes, path_.c_str());
  return std::string(buffer.data(), count < bufferBytes ? count : 0);
}

std::string Win32ConfigFile::ReadString(const std::string& section, const std::string& key,
                                        std::uint32_t bufferBytes) const {
  std::vector<char> buffer(bufferBytes + 1);
  const DWORD count = GetPrivateProfileStringA(section.c_str(), key.c_str(), "", buffer.data(), bufferBytes, path_.c_str());
  return std::string(buffer.data(), count < bufferBytes ? count : 0);
}

}  // namespace drivora::win32
