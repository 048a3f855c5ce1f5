// Which processes keep a completion wait going.
#include "runner/installer_match.h"

#include <gtest/gtest.h>

#include <string>

namespace drivora {
namespace {

TEST(InstallerFolderPrefix, TheShortFolderUpperCasedWithItsBackslash) {
  const struct {
    const char* shortPath;
    std::optional<std::string> prefix;
  } cases[] = {
      {"D:\\DISC\\VGA\\SETUP.EXE", "D:\\DISC\\VGA\\"},
      {"d:\\disc\\vga\\setup.exe", "D:\\DISC\\VGA\\"},
      {"C:\\PROGRA~1\\VENDOR\\INST.EXE", "C:\\PROGRA~1\\VENDOR\\"},
      {"D:\\SETUP.EXE", "D:\\"},
      {"\\SETUP.EXE", "\\"},
      {"", std::nullopt},          // the short form could not be made
      {"SETUP.EXE", std::nullopt},  // a short form without a folder
  };
  for (const auto& c : cases) EXPECT_EQ(InstallerFolderPrefix(c.shortPath), c.prefix) << c.shortPath;
}

TEST(InstallerFolderPrefix, HeldTo259Characters) {
  const std::string deep = "C:\\" + std::string(300, 'A') + "\\X.EXE";
  EXPECT_EQ(InstallerFolderPrefix(deep), "C:\\" + std::string(256, 'A'));
}

TEST(IsInstallerPath, UnderThePrefixButNeverTheWizard) {
  const std::string wizard = "D:\\DISC\\SETUP.EXE";
  const std::optional<std::string> prefix = "D:\\DISC\\";
  const struct {
    const char* what;
    const char* processShortPath;
    std::optional<std::string> prefix;
    bool installer;
  } cases[] = {
      {"in the folder", "D:\\DISC\\A.EXE", prefix, true},
      {"in a folder below", "D:\\DISC\\VGA\\HELPER.EXE", prefix, true},
      {"the wizard itself", "D:\\DISC\\SETUP.EXE", prefix, false},
      {"a copy of the wizard elsewhere in the folder", "D:\\DISC\\VGA\\SETUP.EXE", prefix, true},
      {"a sibling folder sharing the name's start", "D:\\DISCO\\A.EXE", prefix, false},
      {"the folder's parent", "D:\\A.EXE", prefix, false},
      {"elsewhere", "C:\\WINDOWS\\NOTEPAD.EXE", prefix, false},
      {"no short form", "", prefix, false},
      {"no prefix", "D:\\DISC\\A.EXE", std::nullopt, false},
      {"the folder itself", "D:\\DISC\\", prefix, true},
  };
  for (const auto& c : cases) EXPECT_EQ(IsInstallerPath(c.processShortPath, wizard, c.prefix), c.installer) << c.what;
}

}  // namespace
}  // namespace drivora
