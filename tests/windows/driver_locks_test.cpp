// The named mutexes detection shares with hardware-monitoring programs, seen
// from "another program": a second thread that opens them by name, as such a
// program would.
#include <windows.h>

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "app/win32/handles.h"
#include "detect/win32/hardware_locks_win32.h"

namespace {

using drivora::HardwareLock;
using drivora::win32::UniqueKernelHandle;
using drivora::win32::Win32HardwareLocks;

// What another program sees of the mutex right now: WAIT_OBJECT_0 when it
// could take it at once (it gives it back straight away), WAIT_TIMEOUT when
// someone holds it.
DWORD ProbeFromAnotherThread(const char* name) {
  DWORD result = WAIT_FAILED;
  std::thread([&] {
    UniqueKernelHandle mutex(OpenMutexA(SYNCHRONIZE | MUTEX_MODIFY_STATE, FALSE, name));
    if (!mutex) return;
    result = WaitForSingleObject(mutex.get(), 0);
    if (result == WAIT_OBJECT_0 || result == WAIT_ABANDONED) ReleaseMutex(mutex.get());
  }).join();
  return result;
}

TEST(DriverLocks, HeldLocksAreSeenUnderTheirWellKnownNames) {
  Win32HardwareLocks locks;
  const struct {
    HardwareLock lock;
    const char* name;
  } cases[] = {{HardwareLock::SuperIo, "Global\\Access_ISABUS.HTP.Method"}, {HardwareLock::PciConfig, "Global\\Access_PCI"}};
  for (const auto& c : cases) {
    EXPECT_EQ(ProbeFromAnotherThread(c.name), static_cast<DWORD>(WAIT_OBJECT_0)) << c.name;
    ASSERT_TRUE(locks.Acquire(c.lock)) << c.name;
    EXPECT_EQ(ProbeFromAnotherThread(c.name), static_cast<DWORD>(WAIT_TIMEOUT)) << c.name << " is held";
    locks.Release(c.lock);
    EXPECT_EQ(ProbeFromAnotherThread(c.name), static_cast<DWORD>(WAIT_OBJECT_0)) << c.name << " is given back";
  }
  // The two are separate locks.
  ASSERT_TRUE(locks.Acquire(HardwareLock::PciConfig));
  EXPECT_EQ(ProbeFromAnotherThread("Global\\Access_ISABUS.HTP.Method"), static_cast<DWORD>(WAIT_OBJECT_0));
  locks.Release(HardwareLock::PciConfig);
}

TEST(DriverLocks, WaitIsBoundedWhileAnotherProgramHoldsTheLock) {
  // The other program made the mutex first; detection opens the same one.
  UniqueKernelHandle theirs(CreateMutexA(nullptr, FALSE, "Global\\Access_PCI"));
  ASSERT_TRUE(theirs);
  Win32HardwareLocks locks(100);
  const UniqueKernelHandle release(CreateEventA(nullptr, TRUE, FALSE, nullptr));
  const UniqueKernelHandle held(CreateEventA(nullptr, TRUE, FALSE, nullptr));
  std::thread holder([&] {
    WaitForSingleObject(theirs.get(), INFINITE);
    SetEvent(held.get());
    WaitForSingleObject(release.get(), INFINITE);
    ReleaseMutex(theirs.get());
  });
  WaitForSingleObject(held.get(), INFINITE);
  const auto start = std::chrono::steady_clock::now();
  const bool acquired = locks.Acquire(HardwareLock::PciConfig);
  const auto waited = std::chrono::steady_clock::now() - start;
  SetEvent(release.get());
  holder.join();
  EXPECT_FALSE(acquired);
  EXPECT_GE(waited, std::chrono::milliseconds(80));
  EXPECT_LT(waited, std::chrono::seconds(2));
  // Once they let go, detection gets it.
  ASSERT_TRUE(locks.Acquire(HardwareLock::PciConfig));
  locks.Release(HardwareLock::PciConfig);
}

TEST(DriverLocks, LockLeftByAProgramThatEndedCountsAsAcquired) {
  Win32HardwareLocks locks;
  // A thread that takes the mutex and ends without giving it back abandons
  // it (closing its handle does not give it back).
  std::thread([] {
    const UniqueKernelHandle mutex(OpenMutexA(SYNCHRONIZE | MUTEX_MODIFY_STATE, FALSE, "Global\\Access_ISABUS.HTP.Method"));
    if (mutex) WaitForSingleObject(mutex.get(), 0);
  }).join();
  EXPECT_TRUE(locks.Acquire(HardwareLock::SuperIo));
  locks.Release(HardwareLock::SuperIo);
  EXPECT_EQ(ProbeFromAnotherThread("Global\\Access_ISABUS.HTP.Method"), static_cast<DWORD>(WAIT_OBJECT_0));
}

}  // namespace
