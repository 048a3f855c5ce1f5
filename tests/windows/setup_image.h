// The real Setup.exe of this build, opened as a data file: its resources are
// what the program loads at run time, so the tests read them from there rather
// than from a second copy of the resource script linked into the test.
#pragma once

#include <windows.h>

#include <string>
#include <string_view>

namespace drivora::test {

// Wine maps the Unix root to Z:, where the build tree is reached from Windows.
inline std::string WindowsPathOf(std::string_view unixPath) {
  std::string path = "Z:" + std::string(unixPath);
  for (char& c : path)
    if (c == '/') c = '\\';
  return path;
}

inline std::string SetupExePath() { return WindowsPathOf(DRIVORA_SETUP_EXE); }

class SetupImage {
 public:
  SetupImage() : module_(LoadLibraryExA(SetupExePath().c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE)) {}
  ~SetupImage() {
    if (module_) FreeLibrary(module_);
  }
  SetupImage(const SetupImage&) = delete;
  SetupImage& operator=(const SetupImage&) = delete;

  HMODULE Module() const { return module_; }

  // The bytes of one resource, empty when it is missing.
  std::string_view Resource(LPCSTR type, LPCSTR name) const {
    HRSRC found = FindResourceA(module_, name, type);
    if (!found) return {};
    HGLOBAL loaded = LoadResource(module_, found);
    const void* bytes = loaded ? LockResource(loaded) : nullptr;
    if (!bytes) return {};
    return {static_cast<const char*>(bytes), SizeofResource(module_, found)};
  }

 private:
  HMODULE module_;
};

}  // namespace drivora::test
