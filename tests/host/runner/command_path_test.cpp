// Where a command lies and which folder it runs in.
#include "runner/command_path.h"

#include <gtest/gtest.h>

#include <string>

namespace drivora {
namespace {

constexpr char kWizardFolder[] = "D:\\DISC\\";

TEST(ResolveCommandPath, RelativeToTheWizardUnlessADrivePath) {
  const struct {
    const char* command;
    const char* resolved;
  } cases[] = {
      {"SETUP.EXE", "D:\\DISC\\SETUP.EXE"},
      {".\\VGA\\SETUP.EXE", "D:\\DISC\\VGA\\SETUP.EXE"},
      {"\\VGA\\SETUP.EXE", "D:\\DISC\\VGA\\SETUP.EXE"},  // not the root of the drive
      {"VGA\\SETUP.EXE -s", "D:\\DISC\\VGA\\SETUP.EXE -s"},
      {"C:\\TEMP\\X.EXE", "C:\\TEMP\\X.EXE"},
      {"c:\\temp\\x.exe", "c:\\temp\\x.exe"},
      // Two backslashes are not a network path: one goes, the rest lies below the wizard.
      {"\\\\SERVER\\SHARE\\X.EXE", "D:\\DISC\\\\SERVER\\SHARE\\X.EXE"},
      {"", "D:\\DISC\\"},
      {".\\", "D:\\DISC\\"},
      {"\\", "D:\\DISC\\"},
      {"..\\X.EXE", "D:\\DISC\\..\\X.EXE"},
      // Only ":\" at the second character makes a drive path.
      {"C:", "D:\\DISC\\C:"},
      {"C:TEMP\\X.EXE", "D:\\DISC\\C:TEMP\\X.EXE"},
      {"AB:\\X.EXE", "D:\\DISC\\AB:\\X.EXE"},
      {"C:/TEMP/X.EXE", "D:\\DISC\\C:/TEMP/X.EXE"},
      {".X.EXE", "D:\\DISC\\.X.EXE"},
  };
  for (const auto& c : cases) EXPECT_EQ(ResolveCommandPath(c.command, kWizardFolder), c.resolved) << c.command;
}

TEST(ResolveCommandPath, WithoutTheWizardsFolderOnlyADrivePathResolves) {
  // Nothing to put a relative command below: the current folder, a package's
  // folder, would decide which program runs.
  EXPECT_EQ(ResolveCommandPath("VGA\\SETUP.EXE", ""), std::nullopt);
  EXPECT_EQ(ResolveCommandPath(".\\SETUP.EXE", ""), std::nullopt);
  EXPECT_EQ(ResolveCommandPath("\\SETUP.EXE", ""), std::nullopt);
  EXPECT_EQ(ResolveCommandPath("C:\\TEMP\\X.EXE", ""), "C:\\TEMP\\X.EXE");
}

TEST(ResolveCommandPath, APathOver255CharactersIsSkippedNotCut) {
  const std::string folder(kWizardFolder);
  const std::string fits(255 - folder.size(), 'A');
  EXPECT_EQ(ResolveCommandPath(fits, folder), folder + fits);
  EXPECT_EQ(ResolveCommandPath(fits + "B", folder), std::nullopt);
  EXPECT_EQ(ResolveCommandPath(".\\" + fits, folder), folder + fits);

  const std::string drivePath = "C:\\" + std::string(252, 'X');
  EXPECT_EQ(ResolveCommandPath(drivePath, folder), drivePath);
  EXPECT_EQ(ResolveCommandPath(drivePath + "X", folder), std::nullopt);
}

TEST(WizardFolder, UpToTheLastBackslash) {
  EXPECT_EQ(WizardFolder("D:\\DISC\\SETUP.EXE"), "D:\\DISC\\");
  EXPECT_EQ(WizardFolder("D:\\SETUP.EXE"), "D:\\");
  EXPECT_EQ(WizardFolder("\\\\SERVER\\DISC\\SETUP.EXE"), "\\\\SERVER\\DISC\\");
  EXPECT_EQ(WizardFolder("SETUP.EXE"), "");
}

TEST(CommandFolder, TheTextBeforeTheLastBackslash) {
  const struct {
    const char* resolved;
    std::optional<std::string> folder;
  } cases[] = {
      {"D:\\DISC\\SETUP.EXE", "D:\\DISC"},
      {"D:\\DISC\\VGA\\SETUP.EXE", "D:\\DISC\\VGA"},
      {"C:\\TEMP\\X.EXE", "C:\\TEMP"},
      {"D:\\DISC\\VGA\\SETUP.EXE -s", "D:\\DISC\\VGA"},
      // The last backslash, even inside the arguments.
      {"D:\\DISC\\SETUP.EXE -d C:\\TMP", "D:\\DISC\\SETUP.EXE -d C:"},
      {"D:\\DISC\\", "D:\\DISC"},
      {"D:\\DISC\\\\SERVER\\X.EXE", "D:\\DISC\\\\SERVER"},
      // A drive's root keeps its backslash: "D:" alone is wherever D: was left.
      {"D:\\README.TXT", "D:\\"},
      {"D:\\", "D:\\"},
      {"README.TXT", std::nullopt},
  };
  for (const auto& c : cases) EXPECT_EQ(CommandFolder(c.resolved), c.folder) << c.resolved;
}

}  // namespace
}  // namespace drivora
