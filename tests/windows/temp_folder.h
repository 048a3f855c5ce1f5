// Temporary folders of the Windows tests that run programs from them.
#pragma once

#include <windows.h>

#include <string>

#include "app/win32/handles.h"

namespace drivora::test {

// A folder under the temporary folder that did not exist before: process ids
// come round again under Wine, so a name alone could meet an old folder.
inline std::string FreshFolder(const std::string& stem) {
  char temp[MAX_PATH] = {};
  GetTempPathA(MAX_PATH, temp);
  for (unsigned n = 1;; ++n) {
    const std::string path = std::string(temp) + stem + std::to_string(GetCurrentProcessId()) + "-" + std::to_string(n);
    if (CreateDirectoryA(path.c_str(), nullptr)) return path;
  }
}

// Best effort: a program still running from it keeps its file; false then.
inline bool RemoveTree(const std::string& folder) {
  WIN32_FIND_DATAA found;
  const drivora::win32::UniqueFindHandle search(FindFirstFileA((folder + "\\*").c_str(), &found));
  for (bool more = static_cast<bool>(search); more; more = FindNextFileA(search.get(), &found)) {
    const std::string name = found.cFileName;
    if (name == "." || name == "..") continue;
    const std::string path = folder + "\\" + name;
    if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
      (void)RemoveTree(path);
    } else {
      DeleteFileA(path.c_str());
    }
  }
  return RemoveDirectoryA(folder.c_str());
}

}  // namespace drivora::test
