#include "detect/win32/detection_win32.h"

#include "app/os_class.h"

namespace drivora::win32 {

Hardware& Win32Hardware::Current() {
  if (app_.OsVersion.PlatformId == kPlatformWin9x) return ports_;
  return device_;
}

}  // namespace drivora::win32
