// The restart question and the restart on either family.
#include "runner/restart.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>

#include "tests/host/runner/runner_fakes.h"

namespace drivora {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;
using runner_test::MainWindow;
using runner_test::RunnerBench;

constexpr char kLangIni[] = "[LANG.1033]\nRestart=Restart Windows now?\n";

struct RestartBench : RunnerBench {
  explicit RestartBench(std::string_view windows, int answer, std::string_view ini = kLangIni)
      : RunnerBench(ini, windows) {
    boxes = RecordedMessageBoxes(answer);
  }
  int Ask() { return AskRestart(app, shutdown, MainWindow()); }
};

TEST(IsRestartEntry, TheCategoryTextIsRst) {
  const struct {
    const char* key;
    bool restart;
  } cases[] = {
      {"RST.VGA.Graphics driver", true},
      {"rst.VGA.Graphics driver", true},
      {"Rst.SOUND", true},
      {"RST", true},
      {"VGA.Graphics driver", false},
      {"VGA.RST", false},
      {"RSTX.VGA.Driver", false},
      {" RST.VGA.Driver", false},
      {"", false},
  };
  for (const auto& c : cases) EXPECT_EQ(IsRestartEntry(c.key), c.restart) << c.key;
}

TEST(AskRestart, TheQuestionBox) {
  RestartBench bench("98", kAnswerNo);
  bench.Ask();
  ASSERT_EQ(bench.boxes.Shown().size(), 1u);
  EXPECT_EQ(bench.boxes.Shown()[0].text, "Restart Windows now?");
  EXPECT_EQ(bench.boxes.Shown()[0].caption, "Drivora...");
  EXPECT_EQ(bench.boxes.Shown()[0].style, 0x10024u);
}

TEST(AskRestart, AMissingTextAsksWithAnEmptyOne) {
  RestartBench bench("98", kAnswerNo, "");
  bench.Ask();
  ASSERT_EQ(bench.boxes.Shown().size(), 1u);
  EXPECT_EQ(bench.boxes.Shown()[0].text, "");
}

TEST(AskRestart, NoRequestsNothingOnEitherFamily) {
  for (const char* windows : {"95", "98", "me", "nt4", "xp", "7"}) {
    RestartBench bench(windows, kAnswerNo);
    EXPECT_EQ(bench.Ask(), 0) << windows;
    EXPECT_THAT(bench.log, IsEmpty()) << windows;
  }
}

TEST(AskRestart, YesOnThe9xFamilyRestartsAtOnce) {
  for (const char* windows : {"95", "98", "me"}) {
    RestartBench bench(windows, kAnswerYes);
    EXPECT_EQ(bench.Ask(), 1) << windows;
    EXPECT_THAT(bench.log, ElementsAre("restart now")) << windows;
    EXPECT_EQ(bench.boxes.Shown().size(), 1u) << windows;
  }
}

TEST(AskRestart, YesOnTheNtFamilyTakesTheFiveSteps) {
  for (const char* windows : {"nt4", "xp", "7-x64"}) {
    RestartBench bench(windows, kAnswerYes);
    EXPECT_EQ(bench.Ask(), 1) << windows;
    EXPECT_THAT(bench.log, ElementsAre("open token", "look up privilege", "enable privilege",
                                       "request restart in 10 s", "disable privilege"))
        << windows;
    EXPECT_EQ(bench.boxes.Shown().size(), 1u) << windows;
  }
}

TEST(AskRestart, EachFailingStepShowsItsOwnBoxAndTheAnswerStillCounts) {
  const StepOutcome ok{true, 0};
  const struct {
    const char* what;
    StepOutcome open, enable, request, disable;
    std::vector<std::string> boxes;
  } cases[] = {
      {"a user without the privilege", ok, {false, 1300}, {false, 5}, {false, 1300},
       {"Line 244 at file otherfun\nError Code : 1300 ( 514H )\n\tAn unknown error occured.",
        "Line 251 at file otherfun\nError Code : 5 ( 5H )\n\tAccess is denied.\r\n",
        "Line 258 at file otherfun\nError Code : 1300 ( 514H )\n\tAn unknown error occured."}},
      {"no token", {false, 5}, {false, 6}, {false, 5}, {false, 6},
       {"Line 231 at file otherfun\nError Code : 5 ( 5H )\n\tAccess is denied.\r\n",
        "Line 244 at file otherfun\nError Code : 6 ( 6H )\n\tAn unknown error occured.",
        "Line 251 at file otherfun\nError Code : 5 ( 5H )\n\tAccess is denied.\r\n",
        "Line 258 at file otherfun\nError Code : 6 ( 6H )\n\tAn unknown error occured."}},
      {"only the request refused", ok, ok, {false, 1115}, ok,
       {"Line 251 at file otherfun\nError Code : 1115 ( 45bH )\n\tAn unknown error occured."}},
  };
  for (const auto& c : cases) {
    RestartBench bench("xp", kAnswerYes);
    bench.shutdown.openToken = c.open;
    bench.shutdown.enablePrivilege = c.enable;
    bench.shutdown.requestRestart = c.request;
    bench.shutdown.disablePrivilege = c.disable;
    EXPECT_EQ(bench.Ask(), 1) << c.what;
    EXPECT_EQ(bench.log.size(), 5u) << c.what;  // every step still runs
    const auto& shown = bench.boxes.Shown();
    ASSERT_EQ(shown.size(), c.boxes.size() + 1) << c.what;
    for (std::size_t i = 0; i < c.boxes.size(); ++i) {
      EXPECT_EQ(shown[i + 1].text, c.boxes[i]) << c.what;
      EXPECT_EQ(shown[i + 1].caption, "Error...") << c.what;
      EXPECT_EQ(shown[i + 1].style, 0x40u) << c.what;
    }
  }
}

}  // namespace
}  // namespace drivora
