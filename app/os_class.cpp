#include "app/os_class.h"

namespace drivora {

std::int32_t ComputeOsClass(const OsVersionInfo& v) {
  if (v.PlatformId == kPlatformWin9x) {
    if (v.MajorVersion == 6 && v.MinorVersion == 2) return 8;
    const bool after95 = v.MajorVersion > 4 || (v.MajorVersion == 4 && v.MinorVersion > 0);
    if (!after95) return 0;
    return (v.BuildNumber & 0xFFFF) < 2100 ? 1 : 3;
  }
  if (v.PlatformId == kPlatformNt) return v.MajorVersion > 4 ? 4 : 2;
  return -1;
}

}  // namespace drivora
