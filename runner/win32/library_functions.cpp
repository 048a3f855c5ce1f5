#include "runner/win32/library_functions.h"

namespace drivora::win32 {

DWORD PlatformId() {
  OSVERSIONINFOA version{};
  version.dwOSVersionInfoSize = sizeof version;
  if (!GetVersionExA(&version)) return 0;
  return version.dwPlatformId;
}

}  // namespace drivora::win32
