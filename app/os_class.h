// The classification of the running Windows that the rest of the program reads.
#pragma once

#include <cstdint>

#include "app/platform.h"

namespace drivora {

enum : std::uint32_t { kPlatformWin9x = 1, kPlatformNt = 2 };

// 0, 1, 3: the 9x family; 8: a 9x-platform record claiming 6.2; 2, 4: the NT
// family; -1: a platform id the program does not know.
std::int32_t ComputeOsClass(const OsVersionInfo& version);

constexpr bool IsNtFamily(std::int32_t osClass) { return osClass == 2 || osClass == 4; }

}  // namespace drivora
