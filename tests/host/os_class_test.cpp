#include "app/os_class.h"

#include <gtest/gtest.h>

namespace drivora {
namespace {

struct OsClassCase {
  OsVersionInfo version;  // platform, major, minor, build
  std::int32_t osClass;
};

// On the 9x platform the high word of the build number repeats the version
// (0x040A07CE is 4.10.1998); only the low word counts.
const OsClassCase kOsClassCases[] = {
    {{1, 4, 0, 950}, 0},
    {{1, 3, 95, 0}, 0},
    {{1, 4, 10, 1998}, 1},
    {{1, 4, 10, 0x040A07CE}, 1},
    {{1, 4, 10, 2099}, 1},
    {{1, 4, 10, 2100}, 3},
    {{1, 4, 10, 2222}, 3},
    {{1, 4, 10, 0x12340834}, 3},
    {{1, 4, 10, 0xFFFF0000}, 1},
    {{1, 4, 90, 3000}, 3},
    {{1, 5, 0, 0}, 1},
    {{1, 6, 1, 7601}, 3},
    {{1, 6, 2, 9200}, 8},
    {{1, 6, 2, 0}, 8},
    {{1, 7, 2, 0}, 1},
    {{2, 3, 51, 1057}, 2},
    {{2, 4, 0, 1381}, 2},
    {{2, 5, 0, 2195}, 4},
    {{2, 5, 1, 2600}, 4},
    {{2, 6, 2, 9200}, 4},
    {{0, 4, 0, 950}, -1},
    {{3, 4, 0, 950}, -1},
    {{0xFFFFFFFF, 6, 2, 9200}, -1},
};

TEST(ComputeOsClass, Table) {
  for (const OsClassCase& c : kOsClassCases) {
    const OsVersionInfo& v = c.version;
    EXPECT_EQ(ComputeOsClass(v), c.osClass)
        << "platform " << v.PlatformId << " version " << v.MajorVersion << "." << v.MinorVersion << " build "
        << v.BuildNumber;
  }
}

}  // namespace
}  // namespace drivora
