// The main window's decisions that need no Windows: the picture's path, the
// rows of the entry list and the way back from a row to its entry, the
// dispatch of an activated entry and the dialog's pixel arithmetic.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>

#include "tests/host/test_app.h"
#include "ui/dialog_geometry.h"
#include "ui/entry_dispatch.h"
#include "ui/entry_rows.h"
#include "ui/picture_path.h"

namespace drivora {
namespace {

using ::testing::ElementsAre;
using ::testing::Field;
using test::TestSystem;

TEST(BackgroundPicturePath, CapitalsCutAtTheFirstExe) {
  EXPECT_EQ(BackgroundPicturePath("d:\\disc\\setup.exe"), "D:\\DISC\\SETUP.BMP");
  EXPECT_EQ(BackgroundPicturePath("D:\\X.EXE\\SETUP.EXE"), "D:\\X.BMP");
  // Only a to z change case; other bytes of the ANSI code page stay.
  EXPECT_EQ(BackgroundPicturePath("D:\\\xE9t\xE9\\Setup.Exe"), "D:\\\xE9T\xE9\\SETUP.BMP");
  EXPECT_EQ(BackgroundPicturePath("D:\\SETUP.COM"), std::nullopt);
  EXPECT_EQ(BackgroundPicturePath(""), std::nullopt);
}

class EntryRows : public ::testing::Test {
 protected:
  void Add(const std::string& key, const std::string& value = "about it") {
    ASSERT_NE(AddInstallEntry(system_.app.Catalogue, key, value), 0u) << key;
  }
  TestSystem system_;
  const std::string longName_ = std::string(70, 'N');
};

TEST_F(EntryRows, NameAndCategoryImageInCatalogueOrder) {
  Add("VGA.Display driver");
  Add("RST.SOUND.Audio driver");
  Add("END.Finish");
  Add("Abc.Def.Ghi");
  Add("EXPLORER.Browse");
  Add("EXIT.Leave");
  const std::vector<EntryRow> rows = MakeEntryRows(system_.app);
  EXPECT_THAT(rows, ElementsAre(Field(&EntryRow::text, "Display driver"), Field(&EntryRow::text, "Audio driver"),
                                Field(&EntryRow::text, "Finish"), Field(&EntryRow::text, "Def.Ghi"),
                                Field(&EntryRow::text, "Browse"), Field(&EntryRow::text, "Leave")));
  EXPECT_THAT(rows, ElementsAre(Field(&EntryRow::image, 8u), Field(&EntryRow::image, 9u),
                                Field(&EntryRow::image, 20u), Field(&EntryRow::image, 20u),
                                Field(&EntryRow::image, 0u), Field(&EntryRow::image, 1u)));
}

TEST_F(EntryRows, ARowLeadsBackToItsEntryByExactText) {
  Add("VGA.Display driver");
  Add("APP." + longName_);
  Add("EXIT.Leave");
  const InstallCatalogue& catalogue = system_.app.Catalogue;
  EXPECT_EQ(FindEntryOfRow(catalogue, "Leave"), 2u);
  EXPECT_EQ(FindEntryOfRow(catalogue, "display driver"), std::nullopt);
  EXPECT_EQ(FindEntryOfRow(catalogue, "Display"), std::nullopt);
  EXPECT_EQ(FindEntryOfRow(catalogue, ""), std::nullopt);
  // A name longer than a row holds is shown cut, and found by what is shown.
  const std::vector<EntryRow> rows = MakeEntryRows(system_.app);
  EXPECT_EQ(rows[1].text, longName_.substr(0, 63));
  EXPECT_EQ(FindEntryOfRow(catalogue, rows[1].text), 1u);
}

TEST(EntryDescription, HeldToTheDescriptionBuffer) {
  EXPECT_EQ(EntryDescription({"VGA.X", "Graphics driver"}), "Graphics driver");
  EXPECT_EQ(EntryDescription({"VGA.X", std::string(5000, 'd')}).size(), 1023u);
}

TEST(ChooseEntryAction, TheLastTwoEntriesByPlace) {
  EXPECT_EQ(ChooseEntryAction(5, 4), EntryAction::Exit);
  EXPECT_EQ(ChooseEntryAction(5, 3), EntryAction::Browse);
  EXPECT_EQ(ChooseEntryAction(5, 2), EntryAction::Install);
  EXPECT_EQ(ChooseEntryAction(5, 0), EntryAction::Install);
  // With the browse entry refused, the one entry left is the exit.
  EXPECT_EQ(ChooseEntryAction(1, 0), EntryAction::Exit);
}

TEST(BrowseCommandLine, TheProgramsFolderQuoted) {
  const std::string windows = "C:\\WINDOWS";
  EXPECT_EQ(BrowseCommandLine("D:\\DISC\\SETUP.EXE", windows), "C:\\WINDOWS\\explorer.exe \"D:\\DISC\"");
  EXPECT_EQ(BrowseCommandLine("D:\\MY DISC, 2\\SETUP.EXE", windows), "C:\\WINDOWS\\explorer.exe \"D:\\MY DISC, 2\"");
  // A drive's root keeps its backslash: "D:" alone is drive D's current folder.
  EXPECT_EQ(BrowseCommandLine("D:\\SETUP.EXE", windows), "C:\\WINDOWS\\explorer.exe \"D:\\\"");
  EXPECT_EQ(BrowseCommandLine("SETUP.EXE", windows), std::nullopt);
  // Explorer is started from the Windows folder or not at all.
  EXPECT_EQ(BrowseCommandLine("D:\\DISC\\SETUP.EXE", ""), std::nullopt);
}

TEST(DialogGeometry, CentringTruncatesTowardZero) {
  EXPECT_EQ(CentredStart(1024, 526), 249);
  EXPECT_EQ(CentredStart(800, 1025), -112);
  const PixelPoint icon = MinimisedIconOrigin(0, 1, 32, 32);
  EXPECT_EQ(icon.x, -15);
  EXPECT_EQ(icon.y, -15);
}

TEST(DialogGeometry, ContextMenuPointIsTwoUnsignedHalves) {
  const PixelPoint keyboard = ContextMenuPoint(-1);
  EXPECT_EQ(keyboard.x, 65535);
  EXPECT_EQ(keyboard.y, 65535);
  const PixelPoint mouse = ContextMenuPoint(0x00C8FFF0);
  EXPECT_EQ(mouse.x, 0xFFF0);
  EXPECT_EQ(mouse.y, 200);
}

}  // namespace
}  // namespace drivora
