// The completion wait's memory of the processes it met: a pass that uses it
// must match exactly the processes a pass without it matches, over process
// lists that change (processes ending, ids given again to new processes),
// while looking into each process only once.
#include "runner/seen_processes.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <optional>
#include <random>
#include <string>
#include <vector>

#include "runner/installer_match.h"
#include "runner/launcher.h"
#include "tests/host/runner/runner_fakes.h"

namespace drivora {
namespace {

using ::testing::ElementsAre;
using runner_test::FakeProcess;
using runner_test::MainWindow;
using runner_test::RunnerBench;

constexpr char kInstaller[] = "D:\\DISC\\VGA\\SETUP.EXE";

struct WaitBench : RunnerBench {
  WaitBench() : RunnerBench("") {
    disc.AddFile(kInstaller);
    for (const char* path : kExistingPaths) disc.AddFile(path);
  }

  // What each process of one whole walk matches, with the memory or without.
  std::vector<bool> Matches(const std::optional<std::string>& prefix, SeenProcesses* seen) {
    std::vector<bool> matches;
    programs.EnumerateProcesses([&](ProcessSighting& process) {
      matches.push_back(IsInstallerProcess(app, process, prefix, seen));
      return true;
    });
    return matches;
  }

  static constexpr const char* kExistingPaths[] = {
      "D:\\DISC\\VGA\\HELPER.EXE", "D:\\DISC\\VGA\\WIN\\SUB.EXE", "D:\\DISC\\VGAX\\OTHER.EXE",
      "C:\\WINDOWS\\NOTEPAD.EXE",  "D:\\DISC\\SETUP.EXE",         "C:\\TEMP\\_INS0432\\SETUP.EXE",
  };
};

// Paths a process may have: files that exist, one that is gone, none at all.
std::vector<std::string> AnyPaths() {
  std::vector<std::string> paths(std::begin(WaitBench::kExistingPaths), std::end(WaitBench::kExistingPaths));
  paths.push_back("D:\\DISC\\VGA\\GONE.EXE");
  paths.push_back("");
  return paths;
}

TEST(SeenProcesses, PassesThatRememberMatchWhatPassesThatDoNotMatch) {
  const std::vector<std::string> paths = AnyPaths();
  std::mt19937 random(13);
  const auto pick = [&](std::size_t count) { return std::uniform_int_distribution<std::size_t>(0, count - 1)(random); };
  for (int run = 0; run < 60; ++run) {
    WaitBench bench;
    const std::optional<std::string> prefixes[] = {InstallerFolderPrefix(kInstaller), std::string("D:\\DISC\\"),
                                                   std::nullopt};
    const std::optional<std::string> prefix = prefixes[pick(3)];
    SeenProcesses seen;
    std::uint64_t clock = 1000;
    for (int pass = 0; pass < 25; ++pass) {
      auto& table = bench.programs.processes;
      // Some processes end (never the wizard, the first), and new ones start
      // with ids from a small range, so that ids are given again; a few
      // cannot tell when they were created.
      for (std::size_t ending = pick(3); ending > 0 && table.size() > 1; --ending) {
        table.erase(table.begin() + 1 + static_cast<std::ptrdiff_t>(pick(table.size() - 1)));
      }
      for (std::size_t starting = pick(4); starting > 0; --starting) {
        const auto id = static_cast<std::uint32_t>(2 + pick(12));
        if (std::any_of(table.begin(), table.end(), [&](const FakeProcess& p) { return p.id == id; })) continue;
        const std::uint64_t created = pick(6) == 0 ? 0 : ++clock;
        table.insert(table.begin() + 1 + static_cast<std::ptrdiff_t>(pick(table.size())),
                     FakeProcess{id, paths[pick(paths.size())], -1, 0, created});
      }
      const std::vector<bool> without = bench.Matches(prefix, nullptr);
      EXPECT_EQ(bench.Matches(prefix, &seen), without) << "run " << run << ", pass " << pass;
      EXPECT_EQ(FindsInstallerProcess(bench.app, bench.programs, prefix, &seen),
                FindsInstallerProcess(bench.app, bench.programs, prefix))
          << "run " << run << ", pass " << pass;
    }
  }
}

TEST(SeenProcesses, AnIdGivenToANewProcessIsLookedIntoAgain) {
  WaitBench bench;
  const auto prefix = InstallerFolderPrefix(kInstaller);
  SeenProcesses seen;
  bench.programs.processes.push_back({20, "D:\\DISC\\VGA\\HELPER.EXE", -1, 0, 5});
  EXPECT_THAT(bench.Matches(prefix, &seen), ElementsAre(false, true));
  bench.programs.processes.back() = {20, "C:\\WINDOWS\\NOTEPAD.EXE", -1, 0, 6};
  EXPECT_THAT(bench.Matches(prefix, &seen), ElementsAre(false, false));
  bench.programs.processes.back() = {20, "D:\\DISC\\VGA\\WIN\\SUB.EXE", -1, 0, 7};
  EXPECT_THAT(bench.Matches(prefix, &seen), ElementsAre(false, true));
}

TEST(SeenProcesses, EachProcessIsLookedIntoOncePerWait) {
  WaitBench bench;
  bench.programs.processes.front().created = 1;
  for (std::uint32_t id = 10; id < 60; ++id) bench.programs.processes.push_back({id, "C:\\WINDOWS\\NOTEPAD.EXE", -1, 0, id});
  const auto prefix = InstallerFolderPrefix(kInstaller);
  SeenProcesses seen;
  for (int pass = 0; pass < 10; ++pass) EXPECT_FALSE(FindsInstallerProcess(bench.app, bench.programs, prefix, &seen));
  EXPECT_EQ(bench.programs.pathReads, 51);
  EXPECT_EQ(bench.disc.shortPathQueries, 51);
  EXPECT_EQ(seen.Remembered(), 51u);

  // Without the memory every pass asks again.
  bench.programs.pathReads = 0;
  bench.disc.shortPathQueries = 0;
  for (int pass = 0; pass < 10; ++pass) EXPECT_FALSE(FindsInstallerProcess(bench.app, bench.programs, prefix));
  EXPECT_EQ(bench.programs.pathReads, 510);
  EXPECT_EQ(bench.disc.shortPathQueries, 510);
}

TEST(SeenProcesses, AProcessWithoutACreationTimeIsLookedIntoEveryPass) {
  WaitBench bench;
  bench.programs.processes.push_back({20, "D:\\DISC\\VGA\\HELPER.EXE", -1, 0, 0});
  const auto prefix = InstallerFolderPrefix(kInstaller);
  SeenProcesses seen;
  for (int pass = 0; pass < 3; ++pass) EXPECT_TRUE(FindsInstallerProcess(bench.app, bench.programs, prefix, &seen));
  EXPECT_EQ(bench.programs.pathReads, 6);  // the wizard and the helper, at every pass
  EXPECT_EQ(seen.Remembered(), 0u);
}

TEST(SeenProcesses, ARememberedProcessHandsItsPathToTheWalk) {
  WaitBench bench;
  SeenProcesses seen;
  int reads = 0;
  const auto sighting = [&] {
    return ProcessSighting(20, 9, [&] {
      ++reads;
      return std::string("D:\\DISC\\VGA\\HELPER.EXE");
    });
  };
  ProcessSighting first = sighting();
  EXPECT_EQ(seen.ShortPathOf(first, bench.disc), "D:\\DISC\\VGA\\HELPER.EXE");
  ProcessSighting again = sighting();
  EXPECT_EQ(seen.ShortPathOf(again, bench.disc), "D:\\DISC\\VGA\\HELPER.EXE");
  EXPECT_EQ(again.Path(), "D:\\DISC\\VGA\\HELPER.EXE");  // what the walk asks for a 16-bit host
  EXPECT_EQ(reads, 1);
}

TEST(SeenProcesses, TheMemoryStartsAfreshPastItsLimit) {
  WaitBench bench;
  SeenProcesses seen;
  for (std::uint32_t id = 0; id < kMostSeenProcesses + 10; ++id) {
    ProcessSighting process(id, 1, [] { return std::string("C:\\WINDOWS\\NOTEPAD.EXE"); });
    EXPECT_EQ(seen.ShortPathOf(process, bench.disc), "C:\\WINDOWS\\NOTEPAD.EXE");
  }
  EXPECT_EQ(seen.Remembered(), 10u);
}

// The wait itself: a helper that runs through many passes is looked into once.
TEST(WaitForInstallerFolder, LooksIntoEachProcessOnce) {
  WaitBench bench;
  bench.programs.processes.front().created = 1;
  bench.programs.scripts[kInstaller].leavesRunning = {{20, "D:\\DISC\\VGA\\HELPER.EXE", 30, 0, 2},
                                                       {21, "C:\\WINDOWS\\NOTEPAD.EXE", -1, 0, 3}};
  EXPECT_TRUE(RunAndWait(bench.app, bench.programs, MainWindow(), kInstaller));
  EXPECT_EQ(runner_test::EventsStartingWith(bench.log, "walk").size(), 31u);
  EXPECT_EQ(bench.programs.pathReads, 3);
}

}  // namespace
}  // namespace drivora
