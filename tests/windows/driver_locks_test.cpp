// The named mutexes detection shares with hardware-monitoring programs, seen
// from "another program": a second thread that opens them by name, as such a
// program would.
#include <windows.h>

#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <thread>

#include "app/app_state.h"
#include "app/win32/handles.h"
#include "app/win32/os_facts_win32.h"
#include "detect/win32/hardware_locks_win32.h"
#include "detect/win32/otherfun.h"

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
  // For the rest of this start the lock is not waited for again, even
  // though they have let go: a program that holds it cannot stall the start.
  const auto again = std::chrono::steady_clock::now();
  EXPECT_FALSE(locks.Acquire(HardwareLock::PciConfig));
  EXPECT_LT(std::chrono::steady_clock::now() - again, std::chrono::milliseconds(50));
  EXPECT_EQ(ProbeFromAnotherThread("Global\\Access_PCI"), static_cast<DWORD>(WAIT_OBJECT_0)) << "nothing taken";
  // The other lock, and the next start, get theirs.
  EXPECT_TRUE(locks.Acquire(HardwareLock::SuperIo));
  locks.Release(HardwareLock::SuperIo);
  Win32HardwareLocks nextStart(100);
  ASSERT_TRUE(nextStart.Acquire(HardwareLock::PciConfig));
  nextStart.Release(HardwareLock::PciConfig);
}

// A box that asks, while it waits for its person, whether another program
// could take the locks now.
class ProbingBoxes final : public drivora::MessageBoxes {
 public:
  DWORD superIo = WAIT_FAILED, pci = WAIT_FAILED;
  int Show(drivora::WindowHandle, const std::string&, const std::string&, std::uint32_t) override {
    superIo = ProbeFromAnotherThread("Global\\Access_ISABUS.HTP.Method");
    pci = ProbeFromAnotherThread("Global\\Access_PCI");
    return drivora::kAnswerOk;
  }
};

BOOL WINAPI FailingDeviceIoControl(HANDLE, DWORD, LPVOID, DWORD, LPVOID, DWORD, LPDWORD, LPOVERLAPPED) {
  SetLastError(ERROR_ACCESS_DENIED);
  return FALSE;
}

TEST(DriverLocks, NoLockIsHeldWhileTheErrorBoxOfAFailedReadWaits) {
  Win32HardwareLocks locks;
  ProbingBoxes boxes;
  drivora::win32::Win32OsFacts os;
  drivora::AppState app;
  app.Sys.Os = &os;
  app.Sys.Boxes = &boxes;
  app.Sys.Locks = &locks;
  app.PortIoDevice = reinterpret_cast<void*>(0x1234);
  drivora::win32::DeviceIoHardware device(app, FailingDeviceIoControl);
  {
    const drivora::ScopedHardwareLock pci(locks, HardwareLock::PciConfig);
    const drivora::ScopedHardwareLock superIo(locks, HardwareLock::SuperIo);
    EXPECT_EQ(device.ReadPortDword(0xCFC), 0xFFFFFFFFu);
    EXPECT_EQ(boxes.pci, static_cast<DWORD>(WAIT_OBJECT_0)) << "the PCI lock was held during the box";
    EXPECT_EQ(boxes.superIo, static_cast<DWORD>(WAIT_OBJECT_0)) << "the Super I/O lock was held during the box";
    EXPECT_EQ(ProbeFromAnotherThread("Global\\Access_PCI"), static_cast<DWORD>(WAIT_TIMEOUT)) << "taken again after it";
  }
  EXPECT_EQ(ProbeFromAnotherThread("Global\\Access_PCI"), static_cast<DWORD>(WAIT_OBJECT_0));
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
