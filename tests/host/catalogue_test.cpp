#include "app/catalogue.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>

#include "tests/host/test_app.h"

namespace drivora {
namespace {

using ::testing::ElementsAre;
using test::Keys;
using test::TestApp;

struct KeyCase {
  const char* key;
  const char* name;
  const char* category;  // GetEntryCategory: the raw first segment
  std::uint32_t index;
  std::uint32_t display;
};

const KeyCase kKeyCases[] = {
    {"VGA.Display Driver", "Display Driver", "VGA", 8, 8},
    {"vga.Display Driver", "Display Driver", "VGA", 8, 8},
    {"RST.SOUND.Audio Driver", "Audio Driver", "RST", 9, 9},
    {"rst.sound.Audio Driver", "Audio Driver", "RST", 9, 9},
    {"Rst.Lan.Net", "Net", "RST", 10, 10},
    {"RST.SOUND", "SOUND", "RST", 9, 9},
    {"RST.VGA.v1.2", "v1.2", "RST", 8, 8},
    {"VGA.v1.2", "v1.2", "VGA", 8, 8},
    {"Abc.Def.Ghi", "Def.Ghi", "ABC", 23, 20},
    {"SOUND", "SOUND", "SOUND", 9, 9},
    {"sound", "sound", "SOUND", 9, 9},
    {"EXPLORER.Browse", "Browse", "EXPLORER", 0, 0},
    {"exit.Leave", "Leave", "EXIT", 1, 1},
    {"1394.FireWire", "FireWire", "1394", 12, 12},
    {"OTHER.Misc", "Misc", "OTHER", 20, 20},
    {"RST.RST.Again", "Again", "RST", 21, 20},
    {"END.Last", "Last", "END", 22, 20},
    {"RSTX.Tool", "Tool", "RSTX", 23, 20},
    {"RST.", "", "RST", 23, 20},
    {"RST..x", "x", "RST", 23, 20},
    {".", "", "", 23, 20},
    {"VGA.", "", "VGA", 8, 8},
    {".Name", "Name", "", 23, 20},
};

TEST(EntryKey, NameCategoryAndIndex) {
  TestApp t;
  for (const KeyCase& c : kKeyCases) {
    SCOPED_TRACE(c.key);
    EXPECT_EQ(GetEntryName(c.key), c.name);
    EXPECT_EQ(GetEntryCategory(c.key), c.category);
    EXPECT_EQ(GetCategoryIndex(t.app, c.key), c.index);
    EXPECT_EQ(GetDisplayCategory(t.app, c.key), c.display);
  }
}

TEST(EntryKey, ChineseSystemsUseTheSameCategoryList) {
  TestApp t("", "xp", kLanguageChinese);
  EXPECT_EQ(GetCategoryIndex(t.app, "RST.SOUND.Audio"), 9u);
  EXPECT_EQ(GetCategoryIndex(t.app, "END.x"), 22u);
  EXPECT_EQ(GetCategoryIndex(t.app, "FOO.x"), 23u);
}

TEST(EntryKey, BareRstKeyIsUnlistedAndNotReadPastItsEnd) {
  TestApp t;
  for (const char* text : {"RST", "rst", "RST."}) {
    SCOPED_TRACE(text);
    // An exact-size heap copy without a terminator: a read past the key is a
    // heap overflow that the sanitizer reports.
    const std::size_t size = std::strlen(text);
    const auto exact = std::make_unique<char[]>(size);
    std::memcpy(exact.get(), text, size);
    const std::string_view key(exact.get(), size);
    EXPECT_EQ(GetCategoryIndex(t.app, key), 23u);
    EXPECT_EQ(GetDisplayCategory(t.app, key), kCategoryOther);
  }
}

// A category list with empty pieces, to show how they are numbered.
class FixedStrings final : public StringTable {
 public:
  explicit FixedStrings(std::string text) : text_(std::move(text)) {}
  std::optional<std::string> Load(unsigned, std::size_t capacity) const override {
    return std::string(FitBuffer(text_, capacity));
  }

 private:
  std::string text_;
};

TEST(EntryKey, EmptyPiecesOfTheCategoryListAreNotCounted) {
  TestApp t;
  FixedStrings strings("..A..B.");
  t.app.Sys.Strings = &strings;
  EXPECT_EQ(GetCategoryIndex(t.app, "A.x"), 0u);
  EXPECT_EQ(GetCategoryIndex(t.app, "B.x"), 1u);
  EXPECT_EQ(GetCategoryIndex(t.app, "C.x"), 2u);
  EXPECT_EQ(GetCategoryIndex(t.app, ".x"), 2u);
}

TEST(AddInstallEntry, NameIsTakenWhateverTheCategoryOrCase) {
  InstallCatalogue c;
  ASSERT_EQ(AddInstallEntry(c, "VGA.Display Driver", "first"), 1u);
  for (const char* key : {"OTHER.display driver", "RST.SOUND.Display Driver", "RST.Display Driver",
                          "DISPLAY DRIVER", "VGA.Display Driver"}) {
    EXPECT_EQ(AddInstallEntry(c, key, "later"), 0u) << key;
  }
  EXPECT_EQ(AddInstallEntry(c, "VGA.Display Driver ", "blank makes it another name"), 2u);
  EXPECT_THAT(Keys(c), ElementsAre("VGA.Display Driver", "VGA.Display Driver "));
  EXPECT_EQ(c.Entries[0].value, "first");
}

TEST(AddInstallEntry, KeepsKeyAndValueAsGiven) {
  InstallCatalogue c;
  ASSERT_EQ(AddInstallEntry(c, "rst.Vga.Name.With.Dots", "Some value"), 1u);
  EXPECT_EQ(c.Entries[0].key, "rst.Vga.Name.With.Dots");
  EXPECT_EQ(c.Entries[0].value, "Some value");
}

TEST(AddInstallEntry, RefusesEmptyKeyOrValue) {
  InstallCatalogue c;
  EXPECT_EQ(AddInstallEntry(c, "", "value"), 0u);
  EXPECT_EQ(AddInstallEntry(c, "VGA.x", ""), 0u);
  EXPECT_EQ(c.EntryCount(), 0u);
}

TEST(AddInstallEntry, EmptyNameIsANameLikeAnyOther) {
  InstallCatalogue c;
  EXPECT_EQ(AddInstallEntry(c, ".", "dot"), 1u);
  EXPECT_EQ(AddInstallEntry(c, "VGA.", "v"), 0u);
  EXPECT_EQ(AddInstallEntry(c, "RST.", "r"), 0u);
  EXPECT_EQ(AddInstallEntry(c, "RST.SOUND.", "r"), 0u);
  EXPECT_THAT(Keys(c), ElementsAre("."));
}

TEST(AddInstallEntry, NamesAreComparedOnTheirFirst63Characters) {
  const std::string name63(63, 'n');
  InstallCatalogue c;
  ASSERT_EQ(AddInstallEntry(c, "VGA." + name63 + "a", "v"), 1u);
  EXPECT_EQ(AddInstallEntry(c, "LAN." + name63 + "B", "v"), 0u);
  EXPECT_EQ(AddInstallEntry(c, "LAN." + name63, "v"), 0u);
  EXPECT_EQ(AddInstallEntry(c, "LAN." + name63.substr(1) + "x", "v"), 2u);
  EXPECT_EQ(RemoveInstallEntry(c, "USB." + name63 + "zzz", "v"), 1u);
  EXPECT_THAT(Keys(c), ElementsAre("LAN." + name63.substr(1) + "x"));
}

TEST(InstallCatalogue, HoldsAtMost1024Entries) {
  InstallCatalogue c;
  for (std::size_t i = 0; i + 1 < kMaxEntries; ++i) c.Entries.push_back({"APP.n" + std::to_string(i), "v"});
  EXPECT_EQ(AddInstallEntry(c, "APP.last", "v"), kMaxEntries);
  EXPECT_EQ(AddInstallEntry(c, "APP.extra", "v"), 0u);
  // Full, removing does nothing either.
  EXPECT_EQ(RemoveInstallEntry(c, "APP.n5", "v"), 0u);
  EXPECT_EQ(c.EntryCount(), kMaxEntries);
  EXPECT_EQ(c.Entries[5].key, "APP.n5");

  c.Entries.pop_back();
  EXPECT_EQ(RemoveInstallEntry(c, "APP.n5", "v"), kMaxEntries - 2);
  EXPECT_EQ(c.Entries[5].key, "APP.n6");
}

TEST(RemoveInstallEntry, KeepsTheOrderOfTheOthers) {
  InstallCatalogue c;
  for (const char* key : {"VGA.A", "LAN.B", "USB.C", "APP.D"}) AddInstallEntry(c, key, "v");

  EXPECT_EQ(RemoveInstallEntry(c, "OTHER.b", "x"), 3u);  // the name selects, any category or case
  EXPECT_THAT(Keys(c), ElementsAre("VGA.A", "USB.C", "APP.D"));
  EXPECT_EQ(RemoveInstallEntry(c, "RST.APP.D", "x"), 2u);
  EXPECT_THAT(Keys(c), ElementsAre("VGA.A", "USB.C"));
}

TEST(RemoveInstallEntry, NothingToRemoveOrRefused) {
  InstallCatalogue c;
  AddInstallEntry(c, "VGA.A", "v");
  AddInstallEntry(c, "LAN.B", "v");
  EXPECT_EQ(RemoveInstallEntry(c, "VGA.Missing", "x"), 2u);
  EXPECT_EQ(RemoveInstallEntry(c, "VGA.A", ""), 0u);
  EXPECT_EQ(RemoveInstallEntry(c, "", "x"), 0u);
  EXPECT_THAT(Keys(c), ElementsAre("VGA.A", "LAN.B"));

  InstallCatalogue empty;
  EXPECT_EQ(RemoveInstallEntry(empty, "VGA.A", "x"), 0u);
}

TEST(InstallCatalogue, FreeEmptiesIt) {
  InstallCatalogue c;
  AddInstallEntry(c, "VGA.A", "v");
  FreeInstallCatalogue(c);
  EXPECT_EQ(c.EntryCount(), 0u);
  EXPECT_EQ(AddInstallEntry(c, "VGA.A", "v"), 1u);
}

std::vector<std::string> Ordered(std::initializer_list<const char*> keys) {
  TestApp t;
  for (const char* key : keys) EXPECT_NE(AddInstallEntry(t.app.Catalogue, key, "v"), 0u) << key;
  OrderInstallCatalogue(t.app, t.app.Catalogue);
  return Keys(t.app.Catalogue);
}

TEST(OrderInstallCatalogue, ExchangeSortDoesNotKeepFileOrderOfEqualCategories) {
  // Indexes 9, 2, 9, 2.
  EXPECT_THAT(Ordered({"SOUND.A", "INTEL.B", "SOUND.C", "INTEL.D"}),
              ElementsAre("INTEL.B", "INTEL.D", "SOUND.C", "SOUND.A"));
  // Indexes 10, 9, 9, 8: a stable sort would give D, B, C, A.
  EXPECT_THAT(Ordered({"LAN.A", "SOUND.B", "RST.SOUND.C", "VGA.D"}),
              ElementsAre("VGA.D", "RST.SOUND.C", "SOUND.B", "LAN.A"));
  // Equal indexes throughout: nothing moves.
  EXPECT_THAT(Ordered({"VGA.A", "VGA.B", "VGA.C"}), ElementsAre("VGA.A", "VGA.B", "VGA.C"));
}

TEST(OrderInstallCatalogue, RstEndAndUnlistedComeAfterOther) {
  EXPECT_THAT(Ordered({"FOO.u", "END.e", "RST.RST.r", "OTHER.o", "RST.VGA.v", "EXPLORER.x"}),
              ElementsAre("EXPLORER.x", "RST.VGA.v", "OTHER.o", "RST.RST.r", "END.e", "FOO.u"));
}

TEST(OrderInstallCatalogue, EmptyOrSingleCatalogue) {
  EXPECT_THAT(Ordered({}), ElementsAre());
  EXPECT_THAT(Ordered({"FOO.x"}), ElementsAre("FOO.x"));
}

TEST(OrderInstallCatalogue, ValuesTravelWithTheirKeys) {
  TestApp t;
  AddInstallEntry(t.app.Catalogue, "LAN.A", "net");
  AddInstallEntry(t.app.Catalogue, "VGA.B", "graphics");
  OrderInstallCatalogue(t.app, t.app.Catalogue);
  EXPECT_THAT(test::Values(t.app.Catalogue), ElementsAre("graphics", "net"));
}

}  // namespace
}  // namespace drivora
