// Launching a program and the completion wait: which processes keep the wait
// going, how many 200 ms passes it makes, and what a failed launch leaves.
#include "runner/launcher.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/host/runner/runner_fakes.h"

namespace drivora {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;
using runner_test::EventsStartingWith;
using runner_test::FakeProcess;
using runner_test::MainWindow;
using runner_test::RunnerBench;

constexpr char kInstaller[] = "D:\\DISC\\VGA\\SETUP.EXE";

struct LaunchBench : RunnerBench {
  LaunchBench() : RunnerBench("") { disc.AddFile(kInstaller); }

  bool Run(const std::string& path = kInstaller) { return RunAndWait(app, programs, MainWindow(), path); }
  std::size_t Passes() const { return EventsStartingWith(log, "sleep").size(); }
};

TEST(RunAndWait, LaunchesMinimisesCountsAndWaitsBeforeTheFirstPass) {
  LaunchBench bench;
  EXPECT_TRUE(bench.Run());
  EXPECT_THAT(bench.log, ElementsAre("launch D:\\DISC\\VGA\\SETUP.EXE in D:\\DISC\\VGA", "minimise", "wait",
                                     "sleep 200", "walk"));
  EXPECT_EQ(bench.app.LaunchCount, 1);
  EXPECT_THAT(bench.boxes.Shown(), IsEmpty());
}

TEST(RunAndWait, PassesUntilNoProcessFromTheInstallersFolderIsLeft) {
  const struct {
    const char* what;
    std::vector<FakeProcess> leftRunning;
    std::size_t passes;
  } cases[] = {
      {"nothing left", {}, 1},
      {"a helper in the folder for three walks", {{20, "D:\\DISC\\VGA\\HELPER.EXE", 3}}, 4},
      {"a helper in a folder below", {{20, "D:\\DISC\\VGA\\WIN\\HELPER.EXE", 2}}, 3},
      {"one helper after another",
       {{20, "D:\\DISC\\VGA\\ONE.EXE", 1}, {21, "D:\\DISC\\VGA\\TWO.EXE", 4}}, 5},
      {"a 16-bit task under NTVDM", {{30, "D:\\DISC\\VGA\\OLDSETUP.EXE", 2, 5}}, 3},
      {"a copy of itself in a temporary folder", {{40, "C:\\TEMP\\_INS0432\\SETUP.EXE", -1}}, 1},
      {"a program elsewhere", {{41, "C:\\WINDOWS\\NOTEPAD.EXE", -1}}, 1},
      {"a sibling folder sharing the name's start", {{42, "D:\\DISC\\VGAX\\HELPER.EXE", -1}}, 1},
      {"the folder's parent", {{43, "D:\\DISC\\OTHER.EXE", -1}}, 1},
      {"a process whose path could not be read", {{44, "", -1}}, 1},
      {"a process whose file is gone", {{45, "D:\\DISC\\VGA\\GONE.EXE", -1}}, 1},
  };
  for (const auto& c : cases) {
    LaunchBench bench;
    for (const FakeProcess& process : c.leftRunning) {
      if (process.path != "D:\\DISC\\VGA\\GONE.EXE") bench.disc.AddFile(process.path);
    }
    bench.programs.scripts[kInstaller].leavesRunning = c.leftRunning;
    EXPECT_TRUE(bench.Run()) << c.what;
    EXPECT_EQ(bench.Passes(), c.passes) << c.what;
    EXPECT_EQ(EventsStartingWith(bench.log, "walk").size(), c.passes) << c.what;
  }
}

TEST(RunAndWait, TheWizardNeverKeepsTheWaitGoingEvenInsideThePrefix) {
  LaunchBench bench;
  const std::string sibling = "D:\\DISC\\A.EXE";  // prefix D:\DISC\ covers the wizard
  bench.disc.AddFile(sibling);
  EXPECT_TRUE(bench.Run(sibling));
  EXPECT_EQ(bench.Passes(), 1u);
}

TEST(RunAndWait, ShortFormsAreComparedInUpperCase) {
  LaunchBench bench;
  bench.disc.AddFile(kInstaller, "d:\\disc\\vga\\setup.exe");
  bench.disc.AddFile("D:\\Disc\\Vga\\Helper.exe", "d:\\disc\\vga\\helper.exe");
  bench.disc.AddFile("D:\\Disc\\Setup.exe", "d:\\disc\\setup.exe");
  bench.programs.scripts[kInstaller].leavesRunning = {{20, "D:\\Disc\\Vga\\Helper.exe", 2}};
  EXPECT_TRUE(bench.Run());
  EXPECT_EQ(bench.Passes(), 3u);

  LaunchBench own;
  own.disc.AddFile("D:\\DISC\\A.EXE", "d:\\disc\\a.exe");
  own.disc.AddFile(own.disc.modulePath, "d:\\disc\\setup.exe");
  EXPECT_TRUE(own.Run("D:\\DISC\\A.EXE"));
  EXPECT_EQ(own.Passes(), 1u);
}

TEST(RunAndWait, WithoutAShortFormTheWaitEndsWithTheProgram) {
  // A program with arguments names no file, so there is no prefix.
  LaunchBench bench;
  bench.disc.AddFile("D:\\DISC\\VGA\\HELPER.EXE");
  bench.programs.scripts["D:\\DISC\\VGA\\SETUP.EXE -s"].leavesRunning = {{20, "D:\\DISC\\VGA\\HELPER.EXE", -1}};
  EXPECT_TRUE(bench.Run("D:\\DISC\\VGA\\SETUP.EXE -s"));
  EXPECT_EQ(bench.Passes(), 1u);
}

TEST(RunAndWait, WithoutTheProcessListOnePassEndsTheWait) {
  LaunchBench bench;
  bench.disc.AddFile("D:\\DISC\\VGA\\HELPER.EXE");
  bench.programs.processListMissing = true;
  bench.programs.scripts[kInstaller].leavesRunning = {{20, "D:\\DISC\\VGA\\HELPER.EXE", -1}};
  EXPECT_TRUE(bench.Run());
  EXPECT_EQ(bench.Passes(), 1u);
}

TEST(RunAndWait, AFailedLaunchShowsItsBoxAndLowersTheCount) {
  LaunchBench bench;
  bench.programs.scripts[kInstaller].fails = true;
  EXPECT_FALSE(bench.Run());
  EXPECT_EQ(bench.app.LaunchCount, -1);
  ASSERT_EQ(bench.boxes.Shown().size(), 1u);
  EXPECT_EQ(bench.boxes.Shown()[0].text, "D:\\DISC\\VGA\\SETUP.EXE can't run!");
  EXPECT_EQ(bench.boxes.Shown()[0].caption, "Execute error!");
  EXPECT_EQ(bench.boxes.Shown()[0].style, 0x20u);
  // The window stays as it was, and nothing is waited for.
  EXPECT_THAT(bench.log, ElementsAre("launch D:\\DISC\\VGA\\SETUP.EXE in D:\\DISC\\VGA"));
}

TEST(RunAndWait, AProgramNameNoFileCanHaveIsNotStartedButReported) {
  // A '"' in the name would end the quoted name early, and the system would
  // start whatever the text before it names.
  LaunchBench bench;
  EXPECT_FALSE(bench.Run("D:\\MY DISC\\A\"B.EXE -s"));
  EXPECT_THAT(bench.log, IsEmpty()) << "nothing was started";
  EXPECT_EQ(bench.app.LaunchCount, -1);
  ASSERT_EQ(bench.boxes.Shown().size(), 1u);
  EXPECT_EQ(bench.boxes.Shown()[0].text, "D:\\MY DISC\\A\"B.EXE -s can't run!");
}

TEST(RunAndWait, LaunchCountIsLaunchesMinusFailures) {
  LaunchBench bench;
  bench.programs.scripts["D:\\DISC\\BAD.EXE"].fails = true;
  bench.Run();
  bench.Run();
  bench.Run("D:\\DISC\\BAD.EXE");
  EXPECT_EQ(bench.app.LaunchCount, 1);
}

TEST(RunAndWait, TheFailureTextIsHeldTo259Characters) {
  LaunchBench bench;
  const std::string path = "D:\\DISC\\" + std::string(243, 'A') + ".EXE";  // 255 characters
  bench.programs.scripts[path].fails = true;
  bench.Run(path);
  ASSERT_EQ(bench.boxes.Shown().size(), 1u);
  EXPECT_EQ(bench.boxes.Shown()[0].text, path + " can");
}

TEST(LaunchProgram, StartsInTheProgramsOwnFolderWithTheNameQuoted) {
  const struct {
    const char* path;
    const char* launch;
  } cases[] = {
      {"D:\\DISC\\VGA\\SETUP.EXE", "launch D:\\DISC\\VGA\\SETUP.EXE in D:\\DISC\\VGA"},
      {"D:\\DISC\\VGA\\SETUP.EXE -s", "launch D:\\DISC\\VGA\\SETUP.EXE -s in D:\\DISC\\VGA"},
      {"D:\\MY DISC\\SETUP.EXE -s", "launch \"D:\\MY DISC\\SETUP.EXE\" -s in D:\\MY DISC"},
      {"C:\\TEMP\\X.EXE", "launch C:\\TEMP\\X.EXE in C:\\TEMP"},
      {"D:\\SETUP.EXE", "launch D:\\SETUP.EXE in D:\\"},
      // A backslash in the arguments does not move the program's folder.
      {"D:\\DISC\\SETUP.EXE -d C:\\TMP", "launch D:\\DISC\\SETUP.EXE -d C:\\TMP in D:\\DISC"},
  };
  for (const auto& c : cases) {
    LaunchBench bench;
    EXPECT_NE(LaunchProgram(bench.disc, bench.programs, c.path), nullptr);
    EXPECT_THAT(bench.log, ElementsAre(c.launch));
  }
}

// The folder is that of the program the command names: a folder whose name
// holds ".EXE " is not where the program's name ends.
TEST(LaunchProgram, StartsInTheFolderOfTheProgramTheCommandResolvesTo) {
  LaunchBench bench;
  bench.disc.AddFile("D:\\MY.EXE DIR\\SETUP.EXE");
  EXPECT_NE(LaunchProgram(bench.disc, bench.programs, "D:\\MY.EXE DIR\\SETUP.EXE -s"), nullptr);
  EXPECT_THAT(bench.log, ElementsAre("launch \"D:\\MY.EXE DIR\\SETUP.EXE\" -s in D:\\MY.EXE DIR"));
}

}  // namespace
}  // namespace drivora
