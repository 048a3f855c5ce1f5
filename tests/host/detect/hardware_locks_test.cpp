// How detection waits for the two locks it shares with hardware-monitoring
// programs: a lock another program holds costs one bounded wait per start,
// nothing is given back that was not had, and no lock is held while a person
// is asked something.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "app/error_box.h"
#include "app/ini_file.h"
#include "app/startup.h"
#include "detect/hardware.h"
#include "sim/board_hardware.h"
#include "tests/host/test_app.h"

namespace drivora {
namespace {

constexpr int kSuperIo = static_cast<int>(HardwareLock::SuperIo);
constexpr int kPci = static_cast<int>(HardwareLock::PciConfig);
constexpr int kWaitMilliseconds = 100;

// The system's side played by the test: each wait ends as told, and a wait
// that runs out costs its full time on a clock of the test's own.
class ScriptedLocks final : public HardwareLocks {
 public:
  WaitOutcome outcome[2] = {WaitOutcome::Acquired, WaitOutcome::Acquired};
  int waits[2] = {0, 0};
  int gives[2] = {0, 0};
  bool heldBySystem[2] = {false, false};
  long long millisecondsWaited = 0;

  void EveryWait(WaitOutcome o) { outcome[0] = outcome[1] = o; }

 protected:
  WaitOutcome Wait(HardwareLock which) override {
    const int i = static_cast<int>(which);
    ++waits[i];
    if (outcome[i] == WaitOutcome::Acquired) heldBySystem[i] = true;
    if (outcome[i] == WaitOutcome::TimedOut) millisecondsWaited += kWaitMilliseconds;
    return outcome[i];
  }
  void Give(HardwareLock which) override {
    const int i = static_cast<int>(which);
    ++gives[i];
    EXPECT_TRUE(heldBySystem[i]) << "a lock given back that was not had";
    heldBySystem[i] = false;
  }
};

TEST(HardwareLocks, ALockWhoseWaitRanOutIsNotWaitedForAgainInThisStart) {
  for (const auto outcome : {ScriptedLocks::WaitOutcome::TimedOut, ScriptedLocks::WaitOutcome::Unavailable}) {
    ScriptedLocks locks;
    locks.outcome[kPci] = outcome;
    for (int i = 0; i < 5; ++i) {
      EXPECT_FALSE(locks.Acquire(HardwareLock::PciConfig));
      locks.Release(HardwareLock::PciConfig);
    }
    EXPECT_EQ(locks.waits[kPci], 1);
    EXPECT_EQ(locks.gives[kPci], 0) << "nothing was had, nothing is given back";
    // The other lock goes on as before.
    for (int i = 0; i < 3; ++i) {
      EXPECT_TRUE(locks.Acquire(HardwareLock::SuperIo));
      locks.Release(HardwareLock::SuperIo);
    }
    EXPECT_EQ(locks.waits[kSuperIo], 3);
    EXPECT_EQ(locks.gives[kSuperIo], 3);
  }
}

TEST(HardwareLocks, ReleaseGivesBackOnlyWhatAcquireTook) {
  ScriptedLocks locks;
  locks.Release(HardwareLock::SuperIo);
  EXPECT_EQ(locks.gives[kSuperIo], 0);
  EXPECT_TRUE(locks.Acquire(HardwareLock::SuperIo));
  locks.Release(HardwareLock::SuperIo);
  locks.Release(HardwareLock::SuperIo);
  EXPECT_EQ(locks.gives[kSuperIo], 1);
}

TEST(HardwareLocks, SetAsideLetsGoOfWhatIsHeldAndTakesItBack) {
  ScriptedLocks locks;
  EXPECT_TRUE(locks.Acquire(HardwareLock::PciConfig));
  {
    const LocksSetAside aside(&locks);
    EXPECT_FALSE(locks.heldBySystem[kPci]);
    EXPECT_FALSE(locks.heldBySystem[kSuperIo]);
  }
  EXPECT_TRUE(locks.heldBySystem[kPci]) << "taken again after the wait for a person";
  EXPECT_FALSE(locks.heldBySystem[kSuperIo]) << "only what was held comes back";
  locks.Release(HardwareLock::PciConfig);
  EXPECT_FALSE(locks.heldBySystem[kPci]);
  EXPECT_EQ(locks.gives[kPci], 2);

  // A lock that cannot be had again afterwards is simply not held.
  EXPECT_TRUE(locks.Acquire(HardwareLock::SuperIo));
  locks.outcome[kSuperIo] = ScriptedLocks::WaitOutcome::TimedOut;
  { const LocksSetAside aside(&locks); }
  EXPECT_FALSE(locks.heldBySystem[kSuperIo]);
  locks.Release(HardwareLock::SuperIo);
  EXPECT_EQ(locks.gives[kSuperIo], 1);
}

// A box that looks at the locks while it waits for its person.
class WatchingBoxes final : public MessageBoxes {
 public:
  explicit WatchingBoxes(const ScriptedLocks& locks) : locks_(locks) {}
  std::vector<std::string> heldWhileShown;
  int Show(WindowHandle, const std::string&, const std::string&, std::uint32_t) override {
    if (locks_.heldBySystem[kSuperIo]) heldWhileShown.emplace_back("SuperIo");
    if (locks_.heldBySystem[kPci]) heldWhileShown.emplace_back("PciConfig");
    return kAnswerOk;
  }

 private:
  const ScriptedLocks& locks_;
};

TEST(HardwareLocks, NoLockIsHeldWhileAnErrorBoxWaitsForAPerson) {
  test::TestSystem system;
  ScriptedLocks locks;
  WatchingBoxes boxes(locks);
  system.app.Sys.Locks = &locks;
  system.app.Sys.Boxes = &boxes;
  {
    const ScopedHardwareLock pci(locks, HardwareLock::PciConfig);
    const ScopedHardwareLock superIo(locks, HardwareLock::SuperIo);
    ShowErrorBox(system.app, nullptr, 5, "Error...", kBoxIconInformation, 145, "otherfun");
    EXPECT_TRUE(boxes.heldWhileShown.empty()) << boxes.heldWhileShown.front() << " was held during the box";
    EXPECT_TRUE(locks.heldBySystem[kPci] && locks.heldBySystem[kSuperIo]) << "both are held again after it";
  }
  EXPECT_FALSE(locks.heldBySystem[kPci] || locks.heldBySystem[kSuperIo]);
  // Without locks at all the box still shows.
  system.app.Sys.Locks = nullptr;
  EXPECT_EQ(ShowErrorBox(system.app, nullptr, 5, "Error...", kBoxIconInformation, 145, "otherfun"), kAnswerOk);
}

// One start on the G41 demo board with the demo disc, under the given locks.
std::vector<std::string> CatalogueOfAStart(HardwareLocks& locks) {
  test::TestApp t;
  t.app.Config = IniConfigFile::Load(DRIVORA_SOURCE_DIR "/demo/disc/Setup.ini");
  EXPECT_NE(t.app.Config, nullptr);
  std::string error;
  const auto board = LoadBoardFile(DRIVORA_SOURCE_DIR "/demo/boards/g41-w83627.board", error);
  EXPECT_NE(board, nullptr) << error;
  for (int i = 0; i < board->enumKeyCount; ++i) t.registry.CreateKey(std::string("Enum\\") + board->enumKeys[i]);
  SimulatedBoardHardware io(*board);
  t.app.Sys.Io = &io;
  t.app.Sys.Locks = &locks;
  EXPECT_TRUE(BuildCatalogue(t.app));
  return test::Keys(t.app.Catalogue);
}

TEST(HardwareLocks, LocksThatAlwaysTimeOutCostAStartOneWaitEach) {
  // Any user can create and hold both mutexes. Waiting out each hold would
  // cost 100 ms for each of the start's tens of thousands of holds.
  ScriptedLocks stuck;
  stuck.EveryWait(ScriptedLocks::WaitOutcome::TimedOut);
  ScriptedLocks unheld;
  const std::vector<std::string> withStuckLocks = CatalogueOfAStart(stuck);
  EXPECT_EQ(stuck.waits[kPci], 1);
  EXPECT_EQ(stuck.waits[kSuperIo], 1);
  EXPECT_LE(stuck.millisecondsWaited, 2 * kWaitMilliseconds);
  EXPECT_EQ(stuck.gives[kPci] + stuck.gives[kSuperIo], 0);
  // Detection itself is the same either way.
  EXPECT_EQ(withStuckLocks, CatalogueOfAStart(unheld));
  EXPECT_EQ(unheld.waits[kPci], 33024) << "one hold per PCI address";
  EXPECT_EQ(unheld.gives[kPci], 33024);
  EXPECT_EQ(unheld.waits[kSuperIo], unheld.gives[kSuperIo]);
}

}  // namespace
}  // namespace drivora
