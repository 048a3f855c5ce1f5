// The texts of one command: trimming, the list cut at ";", what counts as a
// program, and the command lines programs and documents are started with.
#include "runner/command_text.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>

#include "tests/host/runner/runner_fakes.h"

namespace drivora {
namespace {

using ::testing::ElementsAre;
using runner_test::FakeDiscFiles;

TEST(TrimSpaces, OnlyBlanksGoAndOnlyAtTheEnds) {
  const struct {
    const char* text;
    const char* trimmed;
  } cases[] = {
      {"  A.EXE  ", "A.EXE"},
      {"A.EXE", "A.EXE"},
      {"VGA\\SETUP.EXE -s ", "VGA\\SETUP.EXE -s"},
      {" MY DISC\\A B.TXT", "MY DISC\\A B.TXT"},
      {"\tA.EXE ", "\tA.EXE"},  // a tab is not a blank
      {" A.EXE\r", "A.EXE\r"},
      {"    ", ""},
      {"", ""},
  };
  for (const auto& c : cases) EXPECT_EQ(TrimSpaces(c.text), c.trimmed) << '"' << c.text << '"';
}

TEST(SplitCommandList, EveryPieceIsACommand) {
  EXPECT_THAT(SplitCommandList("A.EXE;README.TXT"), ElementsAre("A.EXE", "README.TXT"));
  EXPECT_THAT(SplitCommandList("A.EXE"), ElementsAre("A.EXE"));
  EXPECT_THAT(SplitCommandList(""), ElementsAre(""));
  EXPECT_THAT(SplitCommandList("A.EXE;"), ElementsAre("A.EXE", ""));
  EXPECT_THAT(SplitCommandList(";A.EXE"), ElementsAre("", "A.EXE"));
  EXPECT_THAT(SplitCommandList("A.EXE;;B.EXE"), ElementsAre("A.EXE", "", "B.EXE"));
  EXPECT_THAT(SplitCommandList(" A.EXE ; B.EXE "), ElementsAre(" A.EXE ", " B.EXE "));
}

TEST(SplitCommandList, HoldsTheFirst256Commands) {
  std::string list = "C0";
  for (int i = 1; i < 300; ++i) list += ";C" + std::to_string(i);
  const auto commands = SplitCommandList(list);
  ASSERT_EQ(commands.size(), 256u);
  EXPECT_EQ(commands.front(), "C0");
  EXPECT_EQ(commands.back(), "C255");

  // The longest list a worker reads, 259 characters, can give 260 pieces.
  EXPECT_EQ(SplitCommandList(std::string(259, ';')).size(), 256u);
  EXPECT_EQ(SplitCommandList(std::string(255, ';')).size(), 256u);
  EXPECT_EQ(SplitCommandList(std::string(254, ';')).size(), 255u);
}

TEST(IsProgramPath, AnUpperCaseExeAnywhere) {
  const struct {
    const char* path;
    bool program;
  } cases[] = {
      {"D:\\DISC\\SETUP.EXE", true},
      {"D:\\DISC\\SETUP.EXE -s", true},
      {"D:\\DISC\\TOOLS.EXE\\README.TXT", true},
      {"D:\\DISC\\SETUP.EXECUTE", true},
      {"D:\\DISC\\setup.exe", false},  // goes through Explorer
      {"D:\\DISC\\Setup.Exe", false},
      {"D:\\DISC\\README.TXT", false},
      {"D:\\DISC\\", false},
      {"D:\\DISC\\EXE", false},
  };
  for (const auto& c : cases) EXPECT_EQ(IsProgramPath(c.path), c.program) << c.path;
}

TEST(ProgramCommandLine, QuotesANameWithBlanksThroughItsExe) {
  const FakeDiscFiles nothingOnDisc;
  const struct {
    const char* path;
    const char* commandLine;
  } cases[] = {
      {"D:\\DISC\\SETUP.EXE", "D:\\DISC\\SETUP.EXE"},
      {"D:\\DISC\\VGA\\SETUP.EXE -s", "D:\\DISC\\VGA\\SETUP.EXE -s"},
      {"D:\\MY DISC\\SETUP.EXE", "\"D:\\MY DISC\\SETUP.EXE\""},
      {"D:\\MY DISC\\SETUP.EXE -s /q", "\"D:\\MY DISC\\SETUP.EXE\" -s /q"},
      {"D:\\DISC\\MY SETUP.EXE -s", "\"D:\\DISC\\MY SETUP.EXE\" -s"},
      // The name ends at an ".EXE" that a blank or the end follows.
      {"D:\\MY DISC\\X.EXEDIR\\SETUP.EXE -s", "\"D:\\MY DISC\\X.EXEDIR\\SETUP.EXE\" -s"},
      // No such ".EXE": the whole text is the name.
      {"D:\\MY DISC\\SETUP.EXEC", "\"D:\\MY DISC\\SETUP.EXEC\""},
      {"D:\\DISC\\SETUP.EXE -d C:\\MY FILES", "D:\\DISC\\SETUP.EXE -d C:\\MY FILES"},
  };
  for (const auto& c : cases) EXPECT_EQ(ProgramCommandLine(c.path, nothingOnDisc), c.commandLine) << c.path;
}

TEST(ProgramName, ThroughTheExeThatEndsIt) {
  const FakeDiscFiles nothingOnDisc;
  EXPECT_EQ(ProgramName("D:\\DISC\\VGA\\SETUP.EXE -d C:\\TEMP", nothingOnDisc), "D:\\DISC\\VGA\\SETUP.EXE");
  EXPECT_EQ(ProgramName("D:\\DISC\\SETUP.EXE", nothingOnDisc), "D:\\DISC\\SETUP.EXE");
  EXPECT_EQ(ProgramName("D:\\DISC\\README.TXT", nothingOnDisc), "D:\\DISC\\README.TXT");
}

// Where several ".EXE" could end the name, the file that exists decides, as
// it does for Windows reading the same text unquoted.
TEST(ProgramName, OfSeveralPossibleNamesTheFirstThatExists) {
  const std::string command = "D:\\MY.EXE DIR\\SETUP.EXE -s";
  FakeDiscFiles disc;
  disc.AddFile("D:\\MY.EXE DIR\\SETUP.EXE");
  EXPECT_EQ(ProgramName(command, disc), "D:\\MY.EXE DIR\\SETUP.EXE");
  EXPECT_EQ(ProgramCommandLine(command, disc), "\"D:\\MY.EXE DIR\\SETUP.EXE\" -s");

  disc.AddFile("D:\\MY.EXE");
  EXPECT_EQ(ProgramName(command, disc), "D:\\MY.EXE");
  EXPECT_EQ(ProgramCommandLine(command, disc), command);

  // A program named among the arguments does not lengthen the name.
  FakeDiscFiles tools;
  tools.AddFile("D:\\DISC\\SETUP.EXE");
  tools.AddFile("C:\\TOOLS\\X.EXE");
  EXPECT_EQ(ProgramName("D:\\DISC\\SETUP.EXE -run C:\\TOOLS\\X.EXE", tools), "D:\\DISC\\SETUP.EXE");

  // Nothing exists (the launch will fail and say so): the first.
  EXPECT_EQ(ProgramName(command, FakeDiscFiles{}), "D:\\MY.EXE");
}

TEST(ProgramCommandLine, TabEndsANameAsABlankDoesAndAQuoteCannotBeInOne) {
  const FakeDiscFiles nothingOnDisc;
  // The system ends an unquoted program name at a tab too.
  EXPECT_EQ(ProgramCommandLine("D:\\MY\tDISC\\SETUP.EXE -s", nothingOnDisc), "\"D:\\MY\tDISC\\SETUP.EXE\" -s");
  // No file name holds a '"': such a name is not launched at all.
  EXPECT_EQ(ProgramCommandLine("D:\\DISC\\\"SETUP.EXE", nothingOnDisc), std::nullopt);
  EXPECT_EQ(ProgramCommandLine("D:\\MY \"DISC\\SETUP.EXE", nothingOnDisc), std::nullopt);
  // Arguments may hold quotes; they stay as the disc wrote them.
  EXPECT_EQ(ProgramCommandLine("D:\\DISC\\SETUP.EXE -d \"C:\\MY FILES\"", nothingOnDisc), "D:\\DISC\\SETUP.EXE -d \"C:\\MY FILES\"");
}

TEST(ExplorerCommandLine, ExplorerByItsFullPathAndThePathQuoted) {
  const std::string explorer = "C:\\WINDOWS\\explorer.exe";
  EXPECT_EQ(ExplorerCommandLine(explorer, "D:\\DISC\\README.TXT"), explorer + " \"D:\\DISC\\README.TXT\"");
  EXPECT_EQ(ExplorerCommandLine(explorer, "D:\\MY DISC\\READ ME.TXT"), explorer + " \"D:\\MY DISC\\READ ME.TXT\"");
  EXPECT_EQ(ExplorerCommandLine(explorer, "D:\\DISC\\"), explorer + " \"D:\\DISC\\\"");
  EXPECT_EQ(ExplorerCommandLine("C:\\MY WINDOWS\\explorer.exe", "D:\\A.TXT"), "\"C:\\MY WINDOWS\\explorer.exe\" \"D:\\A.TXT\"");
  EXPECT_EQ(ExplorerCommandLine(explorer, "D:\\\"README\".TXT"), std::nullopt) << "a quote would end the path early";
}

TEST(ExplorerProgramPath, TheWindowsFolderOrNothing) {
  EXPECT_EQ(ExplorerProgramPath("C:\\WINDOWS"), "C:\\WINDOWS\\explorer.exe");
  EXPECT_EQ(ExplorerProgramPath("C:\\"), "C:\\explorer.exe");
  // Without its folder the name alone would be looked for in the current
  // folder, a package's folder, first.
  EXPECT_EQ(ExplorerProgramPath(""), std::nullopt);
  // Held to 259 characters, never cut.
  const std::string deep = "C:\\" + std::string(243, 'w');
  EXPECT_EQ(ExplorerProgramPath(deep)->size(), 259u);
  EXPECT_EQ(ExplorerProgramPath(deep + "w"), std::nullopt);
}

}  // namespace
}  // namespace drivora
