// The install worker as the system sees it: Run and RunOnce values, the order
// in which commands are registered, claimed and run, the restart question at
// the end, and the sound devices' keys of a VXD entry.
#include "runner/install_worker.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/host/runner/runner_fakes.h"

namespace drivora {
namespace {

using ::testing::Contains;
using ::testing::Each;
using ::testing::ElementsAre;
using ::testing::IsEmpty;
using ::testing::Not;
using runner_test::EventsStartingWith;
using runner_test::kRun;
using runner_test::kRunOnce;
using runner_test::MainWindow;
using runner_test::RunnerBench;

constexpr char kDiscIni[] =
    "[WinVer]\n"
    "ALL=WIN\n"
    "[LANG.1033]\n"
    "Restart=Restart Windows now?\n"
    "[WIN.Execute]\n"
    "Board=A.EXE;README.TXT\n"
    "Twice=A.EXE;A.EXE\n"
    "LowerCase=setup.exe\n"
    "Padded=  A.EXE ; README.TXT  \n"
    "TrailingSemicolon=README.TXT;\n"
    "Failing=BAD.EXE;README.TXT\n"
    "Both=A.EXE\n"
    "Sound=A.EXE\n"
    "[ExecuteNormal]\n"
    "Both=B.EXE\n"
    "Normal=B.EXE\n"
    "[SOUND_CARD]\n"
    "ALPHA=PCI\\VEN_1234&DEV_5678\\3&61AAA01&0&28\n"
    "BETA=ISAPNP\n";

struct WorkerBench : RunnerBench {
  explicit WorkerBench(std::string_view windows = "98", std::string_view ini = kDiscIni)
      : RunnerBench(ini, windows) {
    disc.AddFile("D:\\DISC\\A.EXE");
    disc.AddFile("D:\\DISC\\B.EXE");
  }

  void Run(const std::string& key, const std::string& value) {
    InstallWorker(app, runner, InstallJob{key, value, MainWindow()});
  }
  std::vector<std::string> Launches() const { return EventsStartingWith(log, "launch"); }
  std::vector<std::string> Starts() const { return EventsStartingWith(log, "start"); }
  std::vector<std::string> RunEvents() const { return EventsStartingWith(log, "RUN "); }
};

TEST(InstallWorker, RegistersEverythingFirstThenClaimsAndRunsEachCommand) {
  WorkerBench bench("98");
  bench.Run("INTEL.Board", "Board");
  EXPECT_THAT(bench.log, ElementsAre("RUN set Drivora... = D:\\DISC\\SETUP.EXE",
                                     "cd D:\\DISC", "RUNONCE set D:\\DISC\\A.EXE",
                                     "cd D:\\DISC", "RUNONCE set D:\\DISC\\README.TXT",
                                     "cd D:\\DISC", "RUNONCE delete D:\\DISC\\A.EXE",
                                     "launch D:\\DISC\\A.EXE in D:\\DISC", "minimise", "wait", "sleep 200", "walk",
                                     "cd D:\\DISC", "RUNONCE delete D:\\DISC\\README.TXT",
                                     "start C:\\WINDOWS\\explorer.exe \"D:\\DISC\\README.TXT\"",
                                     "RUN delete Drivora..."));
  EXPECT_THAT(bench.Values(kRunOnce), IsEmpty());
  EXPECT_THAT(bench.Values(kRun), IsEmpty());
  EXPECT_EQ(bench.app.LaunchCount, 1);
  EXPECT_THAT(bench.boxes.Shown(), IsEmpty());
}

TEST(InstallWorker, WhatIsLeftPendingWhileAProgramRuns) {
  WorkerBench bench;
  std::vector<std::string> pendingAtLaunch;
  bench.programs.onLaunch = [&](const std::string&) {
    for (const auto& [name, data] : bench.Values(kRunOnce)) pendingAtLaunch.push_back(data);
  };
  bench.Run("INTEL.Board", "Board");
  EXPECT_THAT(pendingAtLaunch, ElementsAre("D:\\DISC\\README.TXT"));
}

TEST(InstallWorker, TheNtFamilyNeverTouchesRun) {
  for (const char* windows : {"nt4", "xp", "7-x64"}) {
    WorkerBench bench(windows);
    bench.Values(kRun)["DRIVORA..."] = "left by someone";
    bench.Run("INTEL.Board", "Board");
    bench.Run("INTEL.None", "NoSuchValue");
    EXPECT_THAT(bench.RunEvents(), IsEmpty()) << windows;
    EXPECT_EQ(bench.Values(kRun)["DRIVORA..."], "left by someone") << windows;
    EXPECT_EQ(bench.Launches().size(), 1u) << windows;
  }
}

TEST(InstallWorker, EveryClassOfThe9xFamilyKeepsTheRunValueWhileItWorks) {
  for (const char* windows : {"95", "98", "me", "1.6.2.9200"}) {
    WorkerBench bench(windows);
    bench.Run("INTEL.Board", "Board");
    EXPECT_THAT(bench.RunEvents(), ElementsAre("RUN set Drivora... = D:\\DISC\\SETUP.EXE", "RUN delete Drivora..."))
        << windows;
  }
}

TEST(InstallWorker, AProgramPathThatDoesNotFitIsNeitherRegisteredUnderRunNorRunFrom) {
  // Cut to 259 characters, the Run value would bring back some other
  // program after a restart, and the commands would lie in another folder.
  WorkerBench bench("98");
  bench.disc.modulePath = "D:\\" + std::string(250, 'L') + "\\SETUP.EXE";
  bench.Run("INTEL.Board", "Board");
  EXPECT_THAT(bench.RunEvents(), ElementsAre("RUN delete Drivora... (missing)"));
  EXPECT_THAT(bench.Launches(), IsEmpty());
  EXPECT_THAT(bench.Starts(), IsEmpty());
}

TEST(InstallWorker, TheSameCommandTwiceRegistersOneValueAndRunsOnce) {
  WorkerBench bench;
  bench.Run("INTEL.Twice", "Twice");
  EXPECT_THAT(bench.Launches(), ElementsAre("launch D:\\DISC\\A.EXE in D:\\DISC"));
  EXPECT_THAT(EventsStartingWith(bench.log, "RUNONCE delete"),
              ElementsAre("RUNONCE delete D:\\DISC\\A.EXE", "RUNONCE delete D:\\DISC\\A.EXE (missing)"));
  EXPECT_EQ(bench.app.LaunchCount, 1);
}

TEST(InstallWorker, ALowerCaseProgramNameGoesThroughExplorer) {
  WorkerBench bench;
  bench.Run("VGA.LowerCase", "LowerCase");
  EXPECT_THAT(bench.Launches(), IsEmpty());
  EXPECT_THAT(bench.Starts(), ElementsAre("start C:\\WINDOWS\\explorer.exe \"D:\\DISC\\setup.exe\""));
  EXPECT_EQ(bench.app.LaunchCount, 0);
}

TEST(InstallWorker, BlanksAroundCommandsAreTrimmedBeforeRegistration) {
  WorkerBench bench;
  bench.Run("INTEL.Padded", "Padded");
  EXPECT_THAT(EventsStartingWith(bench.log, "RUNONCE set"),
              ElementsAre("RUNONCE set D:\\DISC\\A.EXE", "RUNONCE set D:\\DISC\\README.TXT"));
  EXPECT_THAT(bench.Launches(), ElementsAre("launch D:\\DISC\\A.EXE in D:\\DISC"));
  EXPECT_THAT(bench.Starts(), ElementsAre("start C:\\WINDOWS\\explorer.exe \"D:\\DISC\\README.TXT\""));
}

TEST(InstallWorker, ATrailingSemicolonOpensTheWizardsFolder) {
  WorkerBench bench;
  bench.Run("INTEL.Trailing", "TrailingSemicolon");
  EXPECT_THAT(EventsStartingWith(bench.log, "RUNONCE set"),
              ElementsAre("RUNONCE set D:\\DISC\\README.TXT", "RUNONCE set D:\\DISC\\"));
  EXPECT_THAT(bench.Starts(),
              ElementsAre("start C:\\WINDOWS\\explorer.exe \"D:\\DISC\\README.TXT\"", "start C:\\WINDOWS\\explorer.exe \"D:\\DISC\\\""));
}

TEST(InstallWorker, ACommandTooLongToResolveIsSkippedAndTheListGoesOn) {
  // Below "D:\DISC\" a name of 247 characters makes 255, the most a path holds.
  const std::string longest = std::string(243, 'A') + ".EXE";
  WorkerBench fits("98", "[ExecuteNormal]\nList=" + longest + ";README.TXT\n");
  fits.Run("INTEL.List", "List");
  EXPECT_THAT(fits.Launches(), ElementsAre("launch D:\\DISC\\" + longest + " in D:\\DISC"));

  WorkerBench tooLong("98", "[ExecuteNormal]\nList=A" + longest + ";README.TXT\n");
  tooLong.Run("INTEL.List", "List");
  EXPECT_THAT(EventsStartingWith(tooLong.log, "RUNONCE"),
              ElementsAre("RUNONCE set D:\\DISC\\README.TXT", "RUNONCE delete D:\\DISC\\README.TXT"));
  EXPECT_THAT(tooLong.Launches(), IsEmpty());
  EXPECT_THAT(tooLong.Starts(), ElementsAre("start C:\\WINDOWS\\explorer.exe \"D:\\DISC\\README.TXT\""));
}

TEST(InstallWorker, AFailedLaunchShowsItsBoxAndTheListGoesOn) {
  WorkerBench bench;
  bench.programs.scripts["D:\\DISC\\BAD.EXE"].fails = true;
  bench.Run("INTEL.Failing", "Failing");
  ASSERT_EQ(bench.boxes.Shown().size(), 1u);
  EXPECT_EQ(bench.boxes.Shown()[0].text, "D:\\DISC\\BAD.EXE can't run!");
  EXPECT_EQ(bench.boxes.Shown()[0].caption, "Execute error!");
  EXPECT_EQ(bench.app.LaunchCount, -1);
  EXPECT_THAT(bench.log, Not(Contains("minimise")));
  EXPECT_THAT(bench.Starts(), ElementsAre("start C:\\WINDOWS\\explorer.exe \"D:\\DISC\\README.TXT\""));
  EXPECT_THAT(bench.Values(kRun), IsEmpty());
}

TEST(InstallWorker, WithoutACommandListItEndsSilentlyAndTheRunValueStays) {
  WorkerBench bench("98");
  bench.registry.CreateKey("Enum\\ISAPNP");
  bench.Run("VXD.Nothing", "NoSuchValue");
  EXPECT_THAT(bench.log, ElementsAre("RUN set Drivora... = D:\\DISC\\SETUP.EXE"));
  EXPECT_TRUE(bench.HasResumeValue());
  EXPECT_TRUE(bench.registry.HasKey("Enum\\ISAPNP"));  // the device keys go only before commands
  EXPECT_THAT(bench.boxes.Shown(), IsEmpty());
}

// Without the key nothing can be registered, and nothing can resume after a
// restart; but nobody else can have run the commands either, so they run now.
TEST(InstallWorker, WithoutTheRunOnceKeyEveryCommandStillRunsOnceAndNothingIsSaid) {
  WorkerBench bench("98");
  bench.registry.Keys().erase(ToUpperAscii(kRunOnce));
  bench.Run("INTEL.Board", "Board");
  EXPECT_THAT(bench.Launches(), ElementsAre("launch D:\\DISC\\A.EXE in D:\\DISC"));
  EXPECT_THAT(bench.Starts(), ElementsAre("start C:\\WINDOWS\\explorer.exe \"D:\\DISC\\README.TXT\""));
  EXPECT_THAT(EventsStartingWith(bench.log, "RUNONCE"), IsEmpty());
  EXPECT_THAT(bench.boxes.Shown(), IsEmpty());
  EXPECT_EQ(bench.app.LaunchCount, 1);
  EXPECT_FALSE(bench.HasResumeValue());

  // Trimmed all the same, and a command named twice still runs once.
  for (const char* value : {"Padded", "Twice"}) {
    WorkerBench unregistered("98");
    unregistered.registry.Keys().erase(ToUpperAscii(kRunOnce));
    unregistered.Run("INTEL.List", value);
    EXPECT_THAT(unregistered.Launches(), ElementsAre("launch D:\\DISC\\A.EXE in D:\\DISC")) << value;
  }
}

TEST(InstallWorker, ACommandWhoseRegistrationFailedStillRunsButIsNotClaimed) {
  WorkerBench bench("98");
  bench.loggingRegistry.refusedValues = {"D:\\DISC\\A.EXE"};
  bench.Run("INTEL.Board", "Board");
  EXPECT_THAT(EventsStartingWith(bench.log, "RUNONCE"),
              ElementsAre("RUNONCE set D:\\DISC\\A.EXE (refused)", "RUNONCE set D:\\DISC\\README.TXT",
                          "RUNONCE delete D:\\DISC\\README.TXT"));
  EXPECT_THAT(bench.Launches(), ElementsAre("launch D:\\DISC\\A.EXE in D:\\DISC"));
  EXPECT_THAT(bench.Starts(), ElementsAre("start C:\\WINDOWS\\explorer.exe \"D:\\DISC\\README.TXT\""));
  EXPECT_THAT(bench.Values(kRunOnce), IsEmpty());
  EXPECT_THAT(bench.boxes.Shown(), IsEmpty());
}

// Whoever may register a command may also take it back: the claim asks for
// no right that registration did not need.
TEST(InstallWorker, ClaimingNeedsNoMoreRightsThanRegistering) {
  WorkerBench bench("98");
  using Rights = runner_test::LoggingRegistry;
  bench.loggingRegistry.grantedRights = Rights::RightsOf(RegistryAccess::Open) | Rights::RightsOf(RegistryAccess::Write);
  bench.Run("INTEL.Board", "Board");
  EXPECT_THAT(EventsStartingWith(bench.log, "RUNONCE delete"),
              ElementsAre("RUNONCE delete D:\\DISC\\A.EXE", "RUNONCE delete D:\\DISC\\README.TXT"));
  EXPECT_THAT(bench.Launches(), ElementsAre("launch D:\\DISC\\A.EXE in D:\\DISC"));
  EXPECT_THAT(bench.Starts(), ElementsAre("start C:\\WINDOWS\\explorer.exe \"D:\\DISC\\README.TXT\""));
  EXPECT_THAT(bench.Values(kRunOnce), IsEmpty());
}

// After a restart Windows runs the value's data: it must start the very
// program, with the very arguments, that the wizard would have launched.
TEST(InstallWorker, RunOnceHoldsTheCommandLineTheLaunchUsesUnderTheResolvedPath) {
  WorkerBench bench("98", "[ExecuteNormal]\nList=MY DIR\\SETUP.EXE -s;MY DIR\\READ ME.TXT;A.EXE\n");
  bench.disc.AddFile("D:\\DISC\\MY DIR\\SETUP.EXE");
  std::vector<std::string> pendingAtFirstLaunch;
  bench.programs.onLaunch = [&](const std::string&) {
    if (!pendingAtFirstLaunch.empty()) return;
    for (const auto& [name, data] : bench.Values(kRunOnce)) pendingAtFirstLaunch.push_back(name + " = " + data);
  };
  bench.Run("INTEL.List", "List");
  EXPECT_THAT(EventsStartingWith(bench.log, "RUNONCE set"),
              ElementsAre("RUNONCE set D:\\DISC\\MY DIR\\SETUP.EXE -s = \"D:\\DISC\\MY DIR\\SETUP.EXE\" -s",
                          "RUNONCE set D:\\DISC\\MY DIR\\READ ME.TXT", "RUNONCE set D:\\DISC\\A.EXE"));
  EXPECT_THAT(bench.Launches(), ElementsAre("launch \"D:\\DISC\\MY DIR\\SETUP.EXE\" -s in D:\\DISC\\MY DIR",
                                            "launch D:\\DISC\\A.EXE in D:\\DISC"));
  // The claim finds each value by its name, as before.
  EXPECT_THAT(EventsStartingWith(bench.log, "RUNONCE delete"),
              ElementsAre("RUNONCE delete D:\\DISC\\MY DIR\\SETUP.EXE -s", "RUNONCE delete D:\\DISC\\MY DIR\\READ ME.TXT",
                          "RUNONCE delete D:\\DISC\\A.EXE"));
  // Registry value names ignore case: the fake keeps them upper-cased.
  EXPECT_THAT(pendingAtFirstLaunch, ElementsAre("D:\\DISC\\A.EXE = D:\\DISC\\A.EXE",
                                                "D:\\DISC\\MY DIR\\READ ME.TXT = D:\\DISC\\MY DIR\\READ ME.TXT"));
}

TEST(InstallWorker, AProgramInAFolderNamedLikeAProgramStartsInThatFolder) {
  WorkerBench bench("98", "[ExecuteNormal]\nOdd=MY.EXE DIR\\SETUP.EXE -s\n");
  bench.disc.AddFile("D:\\DISC\\MY.EXE DIR\\SETUP.EXE");
  bench.Run("INTEL.Odd", "Odd");
  EXPECT_THAT(bench.Launches(), ElementsAre("launch \"D:\\DISC\\MY.EXE DIR\\SETUP.EXE\" -s in D:\\DISC\\MY.EXE DIR"));
  EXPECT_THAT(EventsStartingWith(bench.log, "RUNONCE set"),
              ElementsAre("RUNONCE set D:\\DISC\\MY.EXE DIR\\SETUP.EXE -s = \"D:\\DISC\\MY.EXE DIR\\SETUP.EXE\" -s"));
}

TEST(InstallWorker, WithoutTheRunKeyItGoesOnSilently) {
  WorkerBench bench("98");
  bench.registry.Keys().erase(ToUpperAscii(kRun));
  bench.Run("INTEL.Board", "Board");
  EXPECT_EQ(bench.Launches().size(), 1u);
  EXPECT_EQ(bench.Starts().size(), 1u);
  EXPECT_THAT(bench.boxes.Shown(), IsEmpty());
}

TEST(InstallWorker, ARestartEntryAsksAtTheEnd) {
  const struct {
    const char* what;
    const char* windows;
    int answer;
    std::vector<std::string> afterCommands;  // events after the Explorer start
    bool runValueAfter;
  } cases[] = {
      {"No on the 9x family", "98", kAnswerNo, {"RUN delete Drivora..."}, false},
      {"Yes on the 9x family", "98", kAnswerYes, {"restart now"}, true},
      {"No on the NT family", "xp", kAnswerNo, {}, true},
      {"Yes on the NT family",
       "xp",
       kAnswerYes,
       {"open token", "look up privilege", "enable privilege", "request restart in 10 s", "disable privilege"},
       true},
  };
  for (const auto& c : cases) {
    WorkerBench bench(c.windows);
    bench.boxes = RecordedMessageBoxes(c.answer);
    bench.Values(kRun)["DRIVORA..."] = "D:\\DISC\\SETUP.EXE";
    bench.Run("RST.INTEL.Board", "Board");
    ASSERT_EQ(bench.boxes.Shown().size(), 1u) << c.what;
    EXPECT_EQ(bench.boxes.Shown()[0].caption, "Drivora...") << c.what;
    const auto explorer = std::find(bench.log.begin(), bench.log.end(), "start C:\\WINDOWS\\explorer.exe \"D:\\DISC\\README.TXT\"");
    ASSERT_NE(explorer, bench.log.end()) << c.what;
    EXPECT_EQ(std::vector<std::string>(explorer + 1, bench.log.end()), c.afterCommands) << c.what;
    EXPECT_EQ(bench.HasResumeValue(), c.runValueAfter) << c.what;
  }
}

TEST(InstallWorker, YesOnTheNtFamilyCountsEvenWhenEveryStepFails) {
  WorkerBench bench("xp");
  bench.boxes = RecordedMessageBoxes(kAnswerYes);
  bench.shutdown.openToken = {false, 5};
  bench.shutdown.enablePrivilege = {false, 1300};
  bench.shutdown.requestRestart = {false, 5};
  bench.shutdown.disablePrivilege = {false, 1300};
  bench.Values(kRun)["DRIVORA..."] = "D:\\DISC\\SETUP.EXE";
  bench.Run("RST.INTEL.Board", "Board");
  EXPECT_EQ(bench.boxes.Shown().size(), 5u);  // the question and four error boxes
  EXPECT_TRUE(bench.HasResumeValue());
}

TEST(InstallWorker, ALowerCaseRstPrefixAsksToo) {
  WorkerBench bench;
  bench.boxes = RecordedMessageBoxes(kAnswerNo);
  bench.Run("rst.INTEL.Board", "Board");
  ASSERT_EQ(bench.boxes.Shown().size(), 1u);
  EXPECT_EQ(bench.boxes.Shown()[0].text, "Restart Windows now?");
}

TEST(InstallWorker, OtherEntriesNeverAsk) {
  WorkerBench bench;
  bench.Run("INTEL.RST", "Board");
  bench.Run("RSTX.INTEL", "Board");
  EXPECT_THAT(bench.boxes.Shown(), IsEmpty());
}

TEST(InstallWorker, AVxdEntryDeletesTheListedDeviceKeysBeforeRegistering) {
  WorkerBench bench;
  bench.registry.CreateKey("Enum\\PCI\\VEN_1234&DEV_5678\\3&61AAA01&0&28");
  bench.registry.CreateKey("Enum\\ISAPNP");
  bench.Run("VXD.Sound driver", "Sound");
  EXPECT_THAT(std::vector<std::string>(bench.log.begin(), bench.log.begin() + 4),
              ElementsAre("RUN set Drivora... = D:\\DISC\\SETUP.EXE",
                          "VEN_1234&DEV_5678 delete key 3&61AAA01&0&28", "ENUM delete key ISAPNP", "cd D:\\DISC"));
  EXPECT_FALSE(bench.registry.HasKey("Enum\\PCI\\VEN_1234&DEV_5678\\3&61AAA01&0&28"));
  EXPECT_TRUE(bench.registry.HasKey("Enum\\PCI\\VEN_1234&DEV_5678"));
  EXPECT_FALSE(bench.registry.HasKey("Enum\\ISAPNP"));
  EXPECT_TRUE(bench.registry.HasKey("Enum"));
  EXPECT_EQ(bench.Launches().size(), 1u);
}

TEST(InstallWorker, OnlyTheVxdCategoryTouchesDeviceKeys) {
  for (const char* key : {"SOUND.Sound driver", "INTEL.Sound driver", "VXDX.Sound driver", "RST.VXD.Sound driver"}) {
    WorkerBench bench;
    bench.registry.CreateKey("Enum\\ISAPNP");
    bench.Run(key, "Sound");
    const bool vxd = std::string_view(key).starts_with("RST.VXD");  // the prefix is skipped
    EXPECT_EQ(bench.registry.HasKey("Enum\\ISAPNP"), !vxd) << key;
  }
}

TEST(InstallWorker, AWizardAtADrivesRootRunsCommandsThere) {
  WorkerBench bench;
  bench.MoveWizard("D:\\SETUP.EXE");
  bench.disc.AddFile("D:\\A.EXE");
  bench.Run("INTEL.Board", "Board");
  EXPECT_THAT(bench.Launches(), ElementsAre("launch D:\\A.EXE in D:\\"));
  EXPECT_THAT(EventsStartingWith(bench.log, "cd"), Each("cd D:\\"));
}

// The configuration file, with every value asked for remembered.
class RecordingConfig final : public ConfigFile {
 public:
  explicit RecordingConfig(std::unique_ptr<ConfigFile> inner) : inner_(std::move(inner)) {}
  std::string ReadSection(const std::string& section, std::uint32_t bufferBytes) const override {
    return inner_->ReadSection(section, bufferBytes);
  }
  std::string ReadString(const std::string& section, const std::string& key, std::uint32_t bufferBytes) const override {
    if (section != "WinVer") asked.push_back(section + "/" + key);
    return inner_->ReadString(section, key, bufferBytes);
  }
  mutable std::vector<std::string> asked;

 private:
  std::unique_ptr<ConfigFile> inner_;
};

TEST(ReadCommandList, TheProfileSectionFirstThenExecuteNormal) {
  const std::string ini =
      "[WinVer]\nALL=WIN\n"
      "[WIN.Execute]\nBoth=A.EXE\nProfileOnly=P.EXE\n"
      "[ExecuteNormal]\nBoth=B.EXE\nNormalOnly=N.EXE\n"
      "[Execute.Normal]\nDotted=D.EXE\n"
      "[WIN..Execute]\nDotted=E.EXE\n";
  const struct {
    const char* value;
    const char* list;
    std::vector<std::string> asked;
  } cases[] = {
      {"Both", "A.EXE", {"WIN.Execute/Both"}},
      {"ProfileOnly", "P.EXE", {"WIN.Execute/ProfileOnly"}},
      {"NormalOnly", "N.EXE", {"WIN.Execute/NormalOnly", "ExecuteNormal/NormalOnly"}},
      {"Dotted", "", {"WIN.Execute/Dotted", "ExecuteNormal/Dotted"}},
  };
  for (const auto& c : cases) {
    WorkerBench bench("98", ini);
    auto recording = std::make_unique<RecordingConfig>(std::move(bench.app.Config));
    const RecordingConfig& config = *recording;
    bench.app.Config = std::move(recording);
    EXPECT_EQ(ReadCommandList(bench.app, c.value), c.list) << c.value;
    EXPECT_EQ(config.asked, c.asked) << c.value;
  }
}

TEST(ReadCommandList, AnEmptyProfileNameLeavesTheDotAndExecute) {
  WorkerBench bench("98", "[.Execute]\nBoard=A.EXE\n");
  EXPECT_EQ(ReadCommandList(bench.app, "Board"), "A.EXE");
}

TEST(ReadCommandList, ALongerListArrivesCutTo259Characters) {
  const std::string list = "A.EXE;" + std::string(300, 'X');
  WorkerBench bench("98", "[ExecuteNormal]\nBoard=" + list + "\n");
  EXPECT_EQ(ReadCommandList(bench.app, "Board"), list.substr(0, 259));
}

struct StartBench : WorkerBench {
  StartBench() {
    AddInstallEntry(app.Catalogue, "INTEL.Chipset", "Board");
    AddInstallEntry(app.Catalogue, "VGA.Graphics", "LowerCase");
    app.SelectedIndex = 0;
  }
  bool Start() { return StartInstallWorker(app, runner, MainWindow()); }
};

TEST(StartInstallWorker, TheWorkerKeepsTheEntryItWasStartedFor) {
  StartBench bench;
  ASSERT_TRUE(bench.Start());
  // A later activation and the release of the catalogue reach it no more.
  bench.app.SelectedIndex = 1;
  FreeInstallCatalogue(bench.app.Catalogue);
  bench.threads.RunAll();
  EXPECT_THAT(bench.Launches(), ElementsAre("launch D:\\DISC\\A.EXE in D:\\DISC"));
  EXPECT_THAT(bench.Starts(), ElementsAre("start C:\\WINDOWS\\explorer.exe \"D:\\DISC\\README.TXT\""));
}

TEST(StartInstallWorker, NoThreadMeansABoxAndNothingElse) {
  StartBench bench;
  bench.threads.canStart = false;
  EXPECT_FALSE(bench.Start());
  ASSERT_EQ(bench.boxes.Shown().size(), 1u);
  EXPECT_EQ(bench.boxes.Shown()[0].text, "Fail to create thread.");
  EXPECT_EQ(bench.boxes.Shown()[0].caption, "Error...");
  EXPECT_EQ(bench.boxes.Shown()[0].style, 0x10u);
  EXPECT_THAT(bench.log, IsEmpty());
}

TEST(StartInstallWorker, NoEntryAtTheSelectedIndexStartsNothing) {
  for (std::int32_t index : {-1, 2, 1024}) {
    StartBench bench;
    bench.app.SelectedIndex = index;
    EXPECT_FALSE(bench.Start()) << index;
    EXPECT_THAT(bench.threads.waiting, IsEmpty()) << index;
    EXPECT_THAT(bench.boxes.Shown(), IsEmpty()) << index;
  }
}

TEST(StartInstallWorker, TwoActivationsEachRunTheirOwnEntryOnOneWorker) {
  StartBench bench;
  ASSERT_TRUE(bench.Start());
  bench.app.SelectedIndex = 1;
  ASSERT_TRUE(bench.Start());
  bench.threads.RunAll();
  EXPECT_EQ(bench.threads.started, 1);
  EXPECT_THAT(bench.Launches(), ElementsAre("launch D:\\DISC\\A.EXE in D:\\DISC"));
  EXPECT_THAT(bench.Starts(), ElementsAre("start C:\\WINDOWS\\explorer.exe \"D:\\DISC\\README.TXT\"",
                                          "start C:\\WINDOWS\\explorer.exe \"D:\\DISC\\setup.exe\""));
}

}  // namespace
}  // namespace drivora
