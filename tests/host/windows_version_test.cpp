#include "sim/windows_version.h"

#include <gtest/gtest.h>

#include <string>

namespace drivora {
namespace {

TEST(ParseWindowsVersion, PresetsAndExplicitForms) {
  const struct {
    const char* text;
    const char* parsed;  // as FormatWindowsVersion writes it
  } cases[] = {
      {"95", "1.4.0.950:none"},
      {"98", "1.4.10.1998:none"},
      {"win98se", "1.4.10.2222:none"},
      {"ME", "1.4.90.3000:none"},
      {"nt4", "2.4.0.1381:none"},
      {"Win2k", "2.5.0.2195:workstation"},
      {"WinXP", "2.5.1.2600:workstation"},
      {"xp-x64", "2.5.2.3790:workstation:wow64"},
      {"2003", "2.5.2.3790:server"},
      {"2003-x64", "2.5.2.3790:server:wow64"},
      {"vista-x64", "2.6.0.6002:workstation:wow64"},
      {"7", "2.6.1.7601:workstation"},
      {"8.1", "2.6.2.9200:workstation"},  // a preset, not a version number
      {"win10", "2.6.2.9200:workstation"},
      {"11-x64", "2.6.2.9200:workstation:wow64"},
      {"2.6.1.7601", "2.6.1.7601:none"},
      {"2.6.1.7601:SERVER", "2.6.1.7601:server"},
      {"2.5.2.3790:dc:wow64", "2.5.2.3790:dc:wow64"},
      {"1.4.10.1998:Wow64", "1.4.10.1998:none:wow64"},
      {"2.6.1.7601:none", "2.6.1.7601:none"},
      {"0.0.0.0", "0.0.0.0:none"},
      {"4294967295.6.1.65535", "4294967295.6.1.65535:none"},
  };
  for (const auto& c : cases) {
    const auto described = ParseWindowsVersion(c.text);
    ASSERT_TRUE(described) << c.text;
    EXPECT_EQ(FormatWindowsVersion(*described), c.parsed) << c.text;
    // What is written reads back the same.
    const auto again = ParseWindowsVersion(FormatWindowsVersion(*described));
    ASSERT_TRUE(again) << c.text;
    EXPECT_EQ(FormatWindowsVersion(*again), c.parsed) << c.text;
  }
}

TEST(ParseWindowsVersion, RejectsMalformedText) {
  for (const char* text : {"", "xp-x86", "windows", "2.6.1", "2.6.1.7601.1", "2.6.1.x", "2.6..7601", "2.6.1.7601.",
                           "-2.6.1.7601", "+2.6.1.7601", " 2.6.1.7601", "2.6.1.7601 ", "4294967296.6.1.0",
                           "2.6.1.7601:", "2.6.1.7601::wow64", "2.6.1.7601:wow64:server", "2.6.1.7601:server:server",
                           "2.6.1.7601:server:wow64:x", "2.6.1.7601:workstationx", "2.6.1.7601:wow", "xp:wow64",
                           "0x2.6.1.0"}) {
    EXPECT_FALSE(ParseWindowsVersion(text)) << '"' << text << '"';
  }
}

TEST(DescribeWindowsPresets, EveryPresetParses) {
  const std::string text = DescribeWindowsPresets();
  std::size_t lines = 0;
  for (std::size_t start = 0; start < text.size(); ++lines) {
    const std::size_t end = text.find('\n', start);
    const std::string line = text.substr(start, end - start);
    const std::size_t first = line.find_first_not_of(' ');
    const std::string name = line.substr(first, line.find(' ', first) - first);
    EXPECT_TRUE(ParseWindowsVersion(name)) << line;
    start = end == std::string::npos ? text.size() : end + 1;
  }
  EXPECT_GE(lines, 10u);
}

}  // namespace
}  // namespace drivora
