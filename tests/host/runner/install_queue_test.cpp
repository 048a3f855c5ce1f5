// Entries activated while another installs: they wait their turn and run in
// the order they were activated, one entry's commands never beside
// another's, nothing registered or launched twice. The dialog's thread and
// the worker are interleaved through the fakes' hooks: the test acts as the
// dialog's thread at a chosen point of the worker's run, then lets any
// thread that was started meanwhile run, as the system could.
#include "runner/install_queue.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <condition_variable>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include "runner/install_worker.h"
#include "tests/joined_threads.h"
#include "tests/host/runner/runner_fakes.h"

namespace drivora {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;
using runner_test::EventsStartingWith;
using runner_test::kRunOnce;
using runner_test::MainWindow;
using runner_test::RunnerBench;

constexpr char kDiscIni[] =
    "[WinVer]\n"
    "ALL=WIN\n"
    "[LANG.1033]\n"
    "Restart=Restart Windows now?\n"
    "[ExecuteNormal]\n"
    "Chipset=CHIPSET.EXE;SHARED.EXE\n"
    "Graphics=VGA.EXE\n"
    "Sound=SHARED.EXE\n";

constexpr char kChipset[] = "D:\\DISC\\CHIPSET.EXE";
constexpr char kShared[] = "D:\\DISC\\SHARED.EXE";
constexpr char kGraphics[] = "D:\\DISC\\VGA.EXE";

enum Row { kChipsetRow, kGraphicsRow, kSoundRow, kRestartRow };

struct QueueBench : RunnerBench {
  explicit QueueBench(int answer = kAnswerNo) : RunnerBench(kDiscIni, "98") {
    boxes = RecordedMessageBoxes(answer);
    for (const char* program : {kChipset, kShared, kGraphics}) disc.AddFile(program);
    AddInstallEntry(app.Catalogue, "INTEL.Chipset", "Chipset");
    AddInstallEntry(app.Catalogue, "VGA.Graphics", "Graphics");
    AddInstallEntry(app.Catalogue, "SOUND.Sound", "Sound");
    AddInstallEntry(app.Catalogue, "RST.INTEL.Restart", "Chipset");
  }

  // A double-click on the row, as the dialog's thread hands it on.
  void Activate(Row row) {
    app.SelectedIndex = row;
    StartInstallWorker(app, runner, MainWindow());
  }

  // Runs `act` on the dialog's thread once, while the worker waits for the
  // program `commandLine`; then every thread started meanwhile runs.
  void WhileRunning(const std::string& commandLine, std::function<void()> act) {
    programs.onLaunch = [this, commandLine, act = std::move(act), done = false](const std::string& launched) mutable {
      if (done || launched != commandLine) return;
      done = true;
      act();
      threads.RunAll();
    };
  }

  // The programs launched, in order.
  std::vector<std::string> Launched() const {
    std::vector<std::string> launched;
    for (const std::string& event : EventsStartingWith(log, "launch ")) {
      launched.push_back(event.substr(7, event.find(" in ") - 7));
    }
    return launched;
  }
  std::vector<std::string> RunEvents() const { return EventsStartingWith(log, "RUN "); }
};

TEST(InstallQueue, TurnsOneEntryAtATime) {
  InstallQueue queue;
  EXPECT_EQ(queue.Add({"INTEL.Chipset", "Chipset"}), InstallQueue::Turn::Now);
  EXPECT_EQ(queue.Add({"VGA.Graphics", "Graphics"}), InstallQueue::Turn::Later);
  EXPECT_EQ(queue.Add({"INTEL.Chipset", "Chipset"}), InstallQueue::Turn::Already);
  EXPECT_EQ(queue.Add({"VGA.Graphics", "Graphics"}), InstallQueue::Turn::Already);
  EXPECT_EQ(queue.Add({"SOUND.Sound", "Sound"}), InstallQueue::Turn::Later);
  EXPECT_EQ(queue.TakeNext()->key, "VGA.Graphics");
  EXPECT_EQ(queue.Add({"INTEL.Chipset", "Chipset"}), InstallQueue::Turn::Later);  // its run has ended
  queue.DropWaiting();
  EXPECT_FALSE(queue.TakeNext());
  EXPECT_EQ(queue.Add({"SOUND.Sound", "Sound"}), InstallQueue::Turn::Now);
  queue.WorkerNotStarted();
  EXPECT_EQ(queue.Add({"SOUND.Sound", "Sound"}), InstallQueue::Turn::Now);
}

TEST(InstallQueue, AnEntryActivatedWhileAnotherInstallsRunsWhenThatOneHasEnded) {
  QueueBench bench;
  bench.WhileRunning(kChipset, [&] { bench.Activate(kGraphicsRow); });
  bench.Activate(kChipsetRow);
  bench.threads.RunAll();
  EXPECT_THAT(bench.Launched(), ElementsAre(kChipset, kShared, kGraphics));
  EXPECT_EQ(bench.threads.started, 1);
  // Each entry keeps the wizard under Run for the whole of its run.
  EXPECT_THAT(bench.RunEvents(), ElementsAre("RUN set Drivora... = D:\\DISC\\SETUP.EXE", "RUN delete Drivora...",
                                             "RUN set Drivora... = D:\\DISC\\SETUP.EXE", "RUN delete Drivora..."));
  // The waiting entry registered nothing before its turn.
  const auto chipsetDone = std::find(bench.log.begin(), bench.log.end(), "RUN delete Drivora...");
  const auto graphicsRegistered = std::find(bench.log.begin(), bench.log.end(), "RUNONCE set D:\\DISC\\VGA.EXE");
  EXPECT_LT(chipsetDone, graphicsRegistered);
  EXPECT_THAT(bench.Values(kRunOnce), IsEmpty());
}

TEST(InstallQueue, EntriesRunInTheOrderTheyWereActivated) {
  QueueBench bench;
  bench.WhileRunning(kChipset, [&] {
    bench.Activate(kSoundRow);
    bench.Activate(kGraphicsRow);
  });
  bench.Activate(kChipsetRow);
  bench.threads.RunAll();
  EXPECT_THAT(bench.Launched(), ElementsAre(kChipset, kShared, kShared, kGraphics));
}

TEST(InstallQueue, ActivatingAnEntryThatRunsOrWaitsAgainAddsNothing) {
  QueueBench bench;
  bench.WhileRunning(kChipset, [&] {
    bench.Activate(kChipsetRow);  // the double-click that seemed to do nothing
    bench.Activate(kGraphicsRow);
    bench.Activate(kGraphicsRow);
    bench.Activate(kChipsetRow);
  });
  bench.Activate(kChipsetRow);
  bench.threads.RunAll();
  EXPECT_THAT(bench.Launched(), ElementsAre(kChipset, kShared, kGraphics));
  EXPECT_THAT(EventsStartingWith(bench.log, "RUNONCE set"),
              ElementsAre("RUNONCE set D:\\DISC\\CHIPSET.EXE", "RUNONCE set D:\\DISC\\SHARED.EXE",
                          "RUNONCE set D:\\DISC\\VGA.EXE"));
  EXPECT_EQ(bench.app.LaunchCount, 3);

  // Once its run has ended, an entry can be installed again.
  bench.Activate(kChipsetRow);
  bench.threads.RunAll();
  EXPECT_THAT(bench.Launched(), ElementsAre(kChipset, kShared, kGraphics, kChipset, kShared));
  EXPECT_EQ(bench.threads.started, 2);
}

// The second entry comes between the first one's registration and its claim:
// it must neither run the shared program before the first entry's turn nor
// make the first entry skip it.
TEST(InstallQueue, TwoEntriesThatShareAProgramEachRunItInTheirTurn) {
  QueueBench bench;
  bench.loggingRegistry.afterChange = [&, done = false](const std::string& event) mutable {
    if (done || event != "RUNONCE set D:\\DISC\\SHARED.EXE") return;
    done = true;
    bench.Activate(kSoundRow);
    bench.threads.RunAll();
  };
  bench.Activate(kChipsetRow);
  bench.threads.RunAll();
  EXPECT_THAT(bench.Launched(), ElementsAre(kChipset, kShared, kShared));
  EXPECT_THAT(EventsStartingWith(bench.log, "RUNONCE delete"),
              ElementsAre("RUNONCE delete D:\\DISC\\CHIPSET.EXE", "RUNONCE delete D:\\DISC\\SHARED.EXE",
                          "RUNONCE delete D:\\DISC\\SHARED.EXE"));
}

TEST(InstallQueue, LeavingThroughTheExitRowDropsWhatWaitsBeforeTheQuestion) {
  QueueBench bench;
  bench.WhileRunning(kShared, [&] {
    bench.Activate(kGraphicsRow);
    AskRestartBeforeLeaving(bench.app, bench.shutdown, MainWindow());
  });
  bench.Activate(kChipsetRow);
  bench.threads.RunAll();
  ASSERT_EQ(bench.boxes.Shown().size(), 1u);  // CHIPSET.EXE was launched
  EXPECT_EQ(bench.boxes.Shown()[0].text, "Restart Windows now?");
  // The running entry goes on until the process ends; the waiting one never
  // starts and left nothing under RunOnce.
  EXPECT_THAT(bench.Launched(), ElementsAre(kChipset, kShared));
  EXPECT_THAT(EventsStartingWith(bench.log, "RUNONCE set D:\\DISC\\VGA.EXE"), IsEmpty());
  EXPECT_THAT(bench.Values(kRunOnce), IsEmpty());
}

TEST(InstallQueue, LeavingWithNothingLaunchedAsksNothing) {
  QueueBench bench;
  AskRestartBeforeLeaving(bench.app, bench.shutdown, MainWindow());
  EXPECT_THAT(bench.boxes.Shown(), IsEmpty());
  bench.app.LaunchCount = -1;  // a failed launch alone
  AskRestartBeforeLeaving(bench.app, bench.shutdown, MainWindow());
  EXPECT_EQ(bench.boxes.Shown().size(), 1u);
}

TEST(InstallQueue, ARestartAgreedToDropsWhatWaits) {
  for (const int answer : {kAnswerYes, kAnswerNo}) {
    QueueBench bench(answer);
    bench.WhileRunning(kChipset, [&] { bench.Activate(kGraphicsRow); });
    bench.Activate(kRestartRow);
    bench.threads.RunAll();
    ASSERT_EQ(bench.boxes.Shown().size(), 1u) << answer;
    if (answer == kAnswerYes) {
      EXPECT_THAT(bench.Launched(), ElementsAre(kChipset, kShared));
      EXPECT_TRUE(bench.HasResumeValue());
    } else {
      EXPECT_THAT(bench.Launched(), ElementsAre(kChipset, kShared, kGraphics));
      EXPECT_FALSE(bench.HasResumeValue());
    }
  }
}

TEST(InstallQueue, AWorkerThatCouldNotBeMadeLeavesTheNextActivationFree) {
  QueueBench bench;
  bench.threads.canStart = false;
  bench.Activate(kChipsetRow);
  EXPECT_EQ(bench.boxes.Shown().size(), 1u);
  bench.threads.canStart = true;
  bench.Activate(kChipsetRow);
  bench.threads.RunAll();
  EXPECT_THAT(bench.Launched(), ElementsAre(kChipset, kShared));
}

// Real threads: the worker holds its first program until the dialog's thread
// has made its activations, then runs them all.
TEST(InstallQueue, ActivationsFromTheDialogsThreadMeetTheWorkersThread) {
  QueueBench bench;
  test::JoinedThreads threads;
  bench.runner.Threads = &threads;
  std::mutex mutex;
  std::condition_variable changed;
  bool launched = false, activated = false;
  bench.programs.onLaunch = [&](const std::string& commandLine) {
    if (commandLine != kChipset) return;
    std::unique_lock lock(mutex);
    launched = true;
    changed.notify_all();
    changed.wait(lock, [&] { return activated; });
  };
  bench.Activate(kChipsetRow);
  {
    std::unique_lock lock(mutex);
    changed.wait(lock, [&] { return launched; });
  }
  bench.Activate(kSoundRow);
  bench.Activate(kChipsetRow);
  bench.Activate(kGraphicsRow);
  {
    const std::lock_guard lock(mutex);
    activated = true;
  }
  changed.notify_all();
  threads.JoinAll();
  EXPECT_THAT(bench.Launched(), ElementsAre(kChipset, kShared, kShared, kGraphics));
}

}  // namespace
}  // namespace drivora
