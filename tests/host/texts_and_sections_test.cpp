#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/program_texts.h"
#include "app/sections.h"
#include "tests/host/test_app.h"

namespace drivora {
namespace {

using ::testing::ElementsAre;
using test::Keys;
using test::TestApp;
using test::Values;

// Answers every id up to 23 with a text naming it.
class NumberedStrings final : public StringTable {
 public:
  std::optional<std::string> Load(unsigned id, std::size_t capacity) const override {
    if (id > 23) return std::nullopt;
    return std::string(FitBuffer("text " + std::to_string(id), capacity));
  }
};

TEST(LoadText, ChineseTwinOnlyForLanguage2052) {
  const struct {
    std::uint16_t language;
    unsigned id;
    const char* text;
  } cases[] = {
      {2052, 16, "text 17"}, {2052, 18, "text 19"}, {2052, 22, "text 23"},
      {1033, 18, "text 18"}, {1028, 18, "text 18"}, {3076, 18, "text 18"},
      {0, 18, "text 18"},    {2053, 18, "text 18"},
  };
  for (const auto& c : cases) {
    TestApp t("", "xp", c.language);
    NumberedStrings strings;
    t.app.Sys.Strings = &strings;
    EXPECT_EQ(LoadText(t.app, c.id, 256), c.text) << c.language << " " << c.id;
  }
}

TEST(LoadText, MissingIdGivesEmptyText) {
  TestApp t;
  NumberedStrings strings;
  t.app.Sys.Strings = &strings;
  EXPECT_EQ(LoadText(t.app, 40, 256), "");
}

TEST(LoadText, KeepsWithinCapacity) {
  TestApp t;
  EXPECT_EQ(LoadText(t.app, kTextTitle, 256), "Drivora...");
  EXPECT_EQ(LoadText(t.app, kTextTitle, 5), "Driv");
  EXPECT_EQ(LoadText(t.app, kTextTitle, 1), "");
}

TEST(BuiltinStringTable, TwinsOfTheLoadedTextsAreTheSame) {
  const BuiltinStringTable strings;
  for (unsigned id : {kTextCategoryList, kTextTitle, kTextAbout}) {
    EXPECT_EQ(strings.Load(id, 256), strings.Load(id + 1, 256)) << id;
  }
  for (unsigned id = 2; id <= 23; ++id) EXPECT_TRUE(strings.Load(id, 256).has_value()) << id;
  EXPECT_FALSE(strings.Load(24, 256).has_value());
}

constexpr char kLang[] =
    "[LANG.1033]\n"
    "Install=Welcome\n"
    "Exit=Exit\n"
    "Restart=Restart now?\n"
    "[LANG.2052]\n"
    "Install=Huanying\n"
    "Exit=\n";

TEST(ReadLangText, OwnLanguageThenEnglish) {
  const struct {
    std::uint16_t language;
    const char* key;
    const char* text;
  } cases[] = {
      {2052, "Install", "Huanying"},
      {2052, "Exit", "Exit"},  // empty in its own section: English
      {2052, "Restart", "Restart now?"},
      {2052, "restart", "Restart now?"},
      {1031, "Install", "Welcome"},  // no section of its own
      {1033, "Install", "Welcome"},
      {1033, "Missing", ""},
      {2052, "Missing", ""},
  };
  for (const auto& c : cases) {
    TestApp t(kLang, "xp", c.language);
    EXPECT_EQ(ReadLangText(t.app, c.key), c.text) << c.language << " " << c.key;
  }
}

TEST(ReadLangText, CutAt255) {
  TestApp t("[LANG.1033]\nInstall=" + std::string(300, 'w') + "\n");
  EXPECT_EQ(ReadLangText(t.app, "Install"), std::string(255, 'w'));
}

constexpr char kProfileSections[] =
    "[WINXP.PCI1]\n"
    "VGA.Graphics=Graphics driver\n"
    ";LAN.Commented=never\n"
    "LAN.NoEquals\n"
    "SOUND.Audio=Audio driver\n"
    "VGA.graphics=a second line for the same name\n"
    "=no key\n"
    "USB.NoValue=\n"
    "APP.Tool=run=fast\n"
    "\n"
    "RAID.AfterBlank=still read\n"
    "[WINXP.PCI2]\n"
    "OTHER.Graphics=a later section loses\n"
    "LAN.Net=Network\n"
    "[WINXP.BIOS.Uninstall]\n"
    "X.audio=any value\n"
    "X.Net=\n"
    "X.Missing=v\n"
    "no equals\n"
    ";X.Tool=v\n";

TEST(AddSectionEntries, EntryLinesInFileOrderFirstNameWins) {
  TestApp t(kProfileSections);
  t.app.OsProfile = "WINXP.";
  EXPECT_TRUE(AddSectionEntries(t.app, "PCI1"));
  EXPECT_TRUE(AddSectionEntries(t.app, "PCI2"));
  EXPECT_THAT(Keys(t.app.Catalogue),
              ElementsAre("VGA.Graphics", "SOUND.Audio", "APP.Tool", "RAID.AfterBlank", "LAN.Net"));
  EXPECT_THAT(Values(t.app.Catalogue),
              ElementsAre("Graphics driver", "Audio driver", "run=fast", "still read", "Network"));
}

TEST(AddSectionEntries, MissingSectionAddsNothing) {
  TestApp t(kProfileSections);
  t.app.OsProfile = "WIN7.";
  EXPECT_TRUE(AddSectionEntries(t.app, "PCI1"));
  EXPECT_EQ(t.app.Catalogue.EntryCount(), 0u);
}

TEST(AddSectionEntries, SectionNameIsProfileAndSuffix) {
  TestApp t("[.PCI1]\nVGA.A=a\n[PCI1]\nVGA.B=b\n");
  t.app.OsProfile = ".";  // what a missing WinVer section leaves
  AddSectionEntries(t.app, "PCI1");
  EXPECT_THAT(Keys(t.app.Catalogue), ElementsAre("VGA.A"));
}

// Hands out section bytes as given, so that the readers' own line handling is
// seen apart from what the INI reader already filters.
class RawSections final : public ConfigFile {
 public:
  explicit RawSections(std::string bytes) : bytes_(std::move(bytes)) {}
  std::string ReadSection(const std::string&, std::uint32_t) const override { return bytes_; }
  std::string ReadString(const std::string&, const std::string&, std::uint32_t) const override { return {}; }

 private:
  std::string bytes_;
};

TEST(AddSectionEntries, SkipsCommentsAndLinesWithoutEquals) {
  TestApp t;
  using namespace std::string_literals;
  t.app.Config = std::make_unique<RawSections>("VGA.A=a\0;LAN.B=b\0USB.C\0;\0APP.D=d\0\0RAID.E=after the end\0"s);
  AddSectionEntries(t.app, "X");
  EXPECT_THAT(Keys(t.app.Catalogue), ElementsAre("VGA.A", "APP.D"));
}

TEST(RemoveSectionEntries, RemovesByNameAndNeedsAValue) {
  TestApp t(kProfileSections);
  t.app.OsProfile = "WINXP.";
  AddSectionEntries(t.app, "PCI1");
  AddSectionEntries(t.app, "PCI2");
  EXPECT_TRUE(RemoveSectionEntries(t.app, "BIOS.Uninstall"));
  EXPECT_THAT(Keys(t.app.Catalogue), ElementsAre("VGA.Graphics", "APP.Tool", "RAID.AfterBlank", "LAN.Net"));
  EXPECT_TRUE(RemoveSectionEntries(t.app, "NoSuchSection"));
  EXPECT_EQ(t.app.Catalogue.EntryCount(), 4u);
}

TEST(ProfileSectionName, MustFitItsBuffer) {
  TestApp t;
  t.app.OsProfile = "WINXP.";
  EXPECT_EQ(ProfileSectionName(t.app, "8086_7190"), "WINXP.8086_7190");
  EXPECT_EQ(ProfileSectionName(t.app, std::string(249, 's')), "WINXP." + std::string(249, 's'));
  EXPECT_EQ(ProfileSectionName(t.app, std::string(250, 's')), std::nullopt);
}

TEST(AddSectionEntries, OverlongSectionNameReadsNothing) {
  // The name cut to its buffer would be this section.
  TestApp t("[WINXP." + std::string(249, 's') + "]\nVGA.A=a\n");
  t.app.OsProfile = "WINXP.";
  EXPECT_TRUE(AddSectionEntries(t.app, std::string(250, 's')));
  EXPECT_TRUE(AddSectionEntries(t.app, std::string(249, 's') + ".Uninstall"));
  EXPECT_EQ(t.app.Catalogue.EntryCount(), 0u);
}

}  // namespace
}  // namespace drivora
