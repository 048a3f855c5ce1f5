#include "app/startup.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>

#include "tests/host/test_app.h"

namespace drivora {
namespace {

using ::testing::ElementsAre;
using test::Keys;
using test::TestSystem;
using test::Values;

TEST(MakeIniPath, FromTheFirstExeOnwards) {
  const struct {
    const char* module;
    const char* ini;
  } cases[] = {
      {"D:\\SETUP.EXE", "D:\\SETUP.INI"},
      {"D:\\X.EXE\\SETUP.EXE", "D:\\X.INI"},
      {"D:\\SETUP.EXECUTE", "D:\\SETUP.INI"},
      {"D:\\SETUP.EXE.EXE", "D:\\SETUP.INI"},
      // No ".EXE" at all: the extension is replaced, or ".INI" appended.
      {"D:\\SETUP.COM", "D:\\SETUP.INI"},
      {"D:\\A.B.C", "D:\\A.B.INI"},
      {"D:\\SETUP", "D:\\SETUP.INI"},
      {"D:\\DISC.V2\\SETUP", "D:\\DISC.V2\\SETUP.INI"},
      {"D:/DISC.V2/SETUP", "D:/DISC.V2/SETUP.INI"},
      {"SETUP", "SETUP.INI"},
  };
  for (const auto& c : cases) EXPECT_EQ(MakeIniPath(c.module), c.ini) << c.module;
}

TEST(MakeIniPath, KeepsTheWholePathForStartUpToJudge) {
  const std::string longPath = "D:\\" + std::string(256, 'A');
  EXPECT_EQ(MakeIniPath(longPath), longPath + ".INI");
  EXPECT_EQ(MakeIniPath(longPath + ".EXE"), longPath + ".INI");
}

constexpr char kDiscIni[] =
    "[WinVer]\n"
    "A.1.4.10.0.0=WIN98\n"
    "B.2.5.1.0.0=WINXP\n"
    "[LANG.1033]\n"
    "Install=Install the drivers of this board\n"
    "Explorer=Browse this disc\n"
    "ExplInfo=Opens the disc in Explorer\n"
    "Exit=Exit\n"
    "ExitInfo=Leaves the wizard\n"
    "[LANG.2052]\n"
    "Install=Anzhuang\n"
    "Exit=Tuichu\n";

// Spelled out rather than taken from the program's constants: these are the
// places an interrupted installation on the 9x family resumes from.
constexpr char kRun[] = "SOFTWARE\\MICROSOFT\\WINDOWS\\CURRENTVERSION\\RUN";
constexpr char kRunOnce[] = "SOFTWARE\\MICROSOFT\\WINDOWS\\CURRENTVERSION\\RUNONCE";
constexpr char kResume[] = "Drivora...";

// A disc in D:\DRIVERS with Setup.ini beside Setup.exe.
class Disc : public TestSystem {
 public:
  explicit Disc(std::string_view windows = "xp", std::uint16_t language = kLanguageEnglish,
                std::string_view ini = kDiscIni)
      : TestSystem(windows, language) {
    files.modulePath = "d:\\Drivers\\Setup.exe";
    files.shortPath = "d:\\driver~1\\setup.exe";
    files.AddFile("D:\\DRIVERS\\SETUP.INI", std::string(ini));
    registry.CreateKey(kRun);
    registry.CreateKey(kRunOnce);
    registry.Keys()[kRun].values = {{"DRIVORA...", "D:\\DRIVERS\\SETUP.EXE"}, {"OTHER", "C:\\OTHER.EXE"}};
    registry.Keys()[kRunOnce].values = {{"DRIVORA...", "D:\\DRIVERS\\VGA\\SETUP.EXE"}};
  }

  bool RunValue(const std::string& name) { return registry.Keys()[kRun].values.contains(ToUpperAscii(name)); }
};

TEST(InitApplication, BuildsTheStateForTheDialog) {
  Disc disc("xp");
  ASSERT_TRUE(InitApplication(disc.app));
  const AppState& app = disc.app;
  EXPECT_TRUE(disc.boxes.Shown().empty());
  EXPECT_EQ(app.LanguageId, kLanguageEnglish);
  EXPECT_EQ(app.OsClass, 4);
  EXPECT_EQ(app.IniPath, "D:\\DRIVERS\\SETUP.INI");
  EXPECT_EQ(app.ModuleShortPath, "D:\\DRIVER~1\\SETUP.EXE");
  EXPECT_EQ(app.OsProfile, "WINXP.");
  EXPECT_EQ(app.DescriptionText, "Install the drivers of this board");
  // Nothing was detected: only the browse and exit entries.
  EXPECT_THAT(Keys(app.Catalogue), ElementsAre("EXPLORER.Browse this disc", "EXIT.Exit"));
  EXPECT_THAT(Values(app.Catalogue), ElementsAre("Opens the disc in Explorer", "Leaves the wizard"));
}

TEST(InitApplication, TextsOfTheSystemLanguageFirst) {
  Disc disc("xp", kLanguageChinese);
  ASSERT_TRUE(InitApplication(disc.app));
  EXPECT_EQ(disc.app.LanguageId, kLanguageChinese);
  EXPECT_EQ(disc.app.DescriptionText, "Anzhuang");
  EXPECT_THAT(Keys(disc.app.Catalogue), ElementsAre("EXPLORER.Browse this disc", "EXIT.Tuichu"));
}

TEST(InitApplication, ShortPathMayBeMissing) {
  Disc disc;
  disc.files.shortPath.clear();
  ASSERT_TRUE(InitApplication(disc.app));
  EXPECT_EQ(disc.app.ModuleShortPath, "");
}

TEST(InitApplication, MissingConfigurationShowsItsPathAndEnds) {
  Disc disc("98");
  disc.files.files.clear();
  EXPECT_FALSE(InitApplication(disc.app));
  ASSERT_EQ(disc.boxes.Shown().size(), 1u);
  const auto& box = disc.boxes.Shown()[0];
  EXPECT_EQ(box.text, "D:\\DRIVERS\\SETUP.INI");
  EXPECT_EQ(box.caption, "Not find file...");
  EXPECT_EQ(box.style, 0x10u);
  EXPECT_EQ(disc.app.Catalogue.EntryCount(), 0u);
  EXPECT_FALSE(disc.RunValue(kResume)) << "the Run value goes before the configuration is looked for";
}

TEST(InitApplication, ProgramPathThatDoesNotFitIsRefusedNotCut) {
  // 259 characters fit the 260-byte path buffer with their terminating zero.
  const std::string folder = "D:\\" + std::string(259 - 3 - 10, 'F') + "\\";
  const struct {
    std::string module;
    bool starts;
  } cases[] = {
      {folder + "SETUP.EXE", true},
      {folder + "SETUP1.EXE", false},
      {folder + "LONGER\\SETUP.EXE", false},
      // A program without ".EXE" whose configuration path would outgrow the buffer.
      {folder + "SETUPXYZ", false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.module.size());
    Disc disc("98");
    disc.files.modulePath = c.module;
    disc.files.AddFile(MakeIniPath(ToUpperAscii(c.module)), kDiscIni);
    // Cut to 259 characters, the path would name this file instead.
    disc.files.AddFile(MakeIniPath(ToUpperAscii(c.module)).substr(0, 259), kDiscIni);
    EXPECT_EQ(InitApplication(disc.app), c.starts);
    if (c.starts) {
      EXPECT_EQ(disc.app.IniPath, MakeIniPath(ToUpperAscii(c.module)));
      continue;
    }
    ASSERT_EQ(disc.boxes.Shown().size(), 1u);
    EXPECT_EQ(disc.boxes.Shown()[0].text, MakeIniPath(ToUpperAscii(c.module))) << "the whole path, uncut";
    EXPECT_EQ(disc.boxes.Shown()[0].caption, "Not find file...");
    EXPECT_EQ(disc.app.Config, nullptr);
    EXPECT_EQ(disc.app.Catalogue.EntryCount(), 0u);
  }
}

TEST(InitApplication, ResumeValueIsRemovedOutsideTheNtFamily) {
  const struct {
    const char* windows;
    bool removed;
  } cases[] = {
      {"95", true},        {"98", true},        {"me", true},  {"1.6.2.9200", true},  // class 8
      {"0.4.0.950", true}, {"3.4.0.950", true},                                        // class -1
      {"nt4", false},      {"xp", false},       {"7-x64", false},
  };
  for (const auto& c : cases) {
    Disc disc(c.windows);
    EXPECT_TRUE(InitApplication(disc.app)) << c.windows;
    EXPECT_EQ(disc.RunValue(kResume), !c.removed) << c.windows;
    EXPECT_TRUE(disc.RunValue("Other")) << c.windows;
    EXPECT_EQ(disc.registry.Keys()[kRunOnce].values.size(), 1u) << c.windows;
  }
}

TEST(InitApplication, MissingRunKeyIsNoObstacle) {
  Disc disc("98");
  disc.registry.Keys().clear();
  EXPECT_TRUE(InitApplication(disc.app));
}

// A system whose version query fails.
class NoVersionOs final : public OsFacts {
 public:
  bool GetVersion(OsVersionInfo&) const override { return false; }
  int GetProductType(std::uint8_t&) const override { return 0; }
  bool IsWow64() const override { return false; }
  std::uint16_t DefaultLanguageId() const override { return kLanguageEnglish; }
  std::optional<std::string> SystemErrorText(std::uint32_t) const override { return std::nullopt; }
  std::string WindowsFolder() const override { return {}; }
};

TEST(InitApplication, FailedVersionQueryEndsSilently) {
  Disc disc("98");
  NoVersionOs os;
  disc.app.Sys.Os = &os;
  EXPECT_FALSE(InitApplication(disc.app));
  EXPECT_TRUE(disc.boxes.Shown().empty());
  EXPECT_TRUE(disc.RunValue(kResume));
  EXPECT_EQ(disc.app.OsClass, -1);
  EXPECT_FALSE(disc.app.Config);
}

TEST(BuildCatalogue, BrowseAndExitComeAfterTheOrderedEntries) {
  Disc disc;
  ASSERT_TRUE(IdentifyWindows(disc.app));
  disc.app.Config = test::ConfigFrom(kDiscIni);
  for (const char* key : {"OTHER.Z", "FOO.Y", "VGA.X"}) AddInstallEntry(disc.app.Catalogue, key, "v");
  ASSERT_TRUE(BuildCatalogue(disc.app));
  EXPECT_THAT(Keys(disc.app.Catalogue),
              ElementsAre("VGA.X", "OTHER.Z", "FOO.Y", "EXPLORER.Browse this disc", "EXIT.Exit"));
}

std::vector<std::string> FixedEntries(const std::string& lang) {
  Disc disc("xp", kLanguageEnglish, "[LANG.1033]\n" + lang);
  EXPECT_TRUE(InitApplication(disc.app));
  return Keys(disc.app.Catalogue);
}

TEST(BuildCatalogue, FixedEntryWithoutValueIsLeftOut) {
  EXPECT_THAT(FixedEntries("Explorer=Browse\nExit=Exit\nExitInfo=Leave\n"), ElementsAre("EXIT.Exit"));
  EXPECT_THAT(FixedEntries("Explorer=Browse\nExplInfo=\nExit=Exit\nExitInfo=Leave\n"), ElementsAre("EXIT.Exit"));
  EXPECT_THAT(FixedEntries("Explorer=Browse\nExplInfo=Open\nExit=Exit\n"), ElementsAre("EXPLORER.Browse"));
  EXPECT_THAT(FixedEntries(""), ElementsAre());
  // Without a name the key still has its category: the entry's name is empty.
  EXPECT_THAT(FixedEntries("ExplInfo=Open\nExitInfo=Leave\n"), ElementsAre("EXPLORER."));
}

TEST(BuildCatalogue, OverlongTextsAreCutToTheirBuffers) {
  Disc disc("xp", kLanguageEnglish,
            "[LANG.1033]\nExplorer=" + std::string(255, 'e') + "\nExplInfo=" + std::string(300, 'i') +
                "\nExit=" + std::string(255, 'x') + "\nExitInfo=Leave\nInstall=" + std::string(300, 'd') + "\n");
  ASSERT_TRUE(InitApplication(disc.app));
  // Keys are built in 256 bytes, LANG texts read in 256 bytes.
  EXPECT_THAT(Keys(disc.app.Catalogue),
              ElementsAre("EXPLORER." + std::string(246, 'e'), "EXIT." + std::string(250, 'x')));
  EXPECT_EQ(disc.app.Catalogue.Entries[0].value, std::string(255, 'i'));
  EXPECT_EQ(disc.app.DescriptionText, std::string(255, 'd'));
}

TEST(BuildCatalogue, ProfileKeeps62CharactersAndItsDot) {
  const struct {
    std::string winVer;
    std::string profile;
  } cases[] = {
      {"", "."},
      {"[WinVer]\nB.2.5.1.0.0=\n", "."},
      {"[WinVer]\nB.2.5.1.0.0=" + std::string(62, 'p') + "\n", std::string(62, 'p') + "."},
      {"[WinVer]\nB.2.5.1.0.0=" + std::string(200, 'p') + "\n", std::string(62, 'p') + "."},
  };
  for (const auto& c : cases) {
    Disc disc("xp", kLanguageEnglish, c.winVer);
    ASSERT_TRUE(InitApplication(disc.app));
    EXPECT_EQ(disc.app.OsProfile, c.profile) << c.winVer;
  }
}

}  // namespace
}  // namespace drivora
