// The two named mutexes through which hardware-monitoring programs on Windows
// serialise Super I/O and PCI configuration access. Detection holds them
// around each probe and around the reads of each PCI address; how long it
// waits, and when it stops waiting, is the core's HardwareLocks.
#pragma once

#include "app/win32/handles.h"
#include "detect/hardware.h"

namespace drivora::win32 {

constexpr char kSuperIoMutexName[] = "Global\\Access_ISABUS.HTP.Method";
constexpr char kPciConfigMutexName[] = "Global\\Access_PCI";
// Long enough for another program to finish one access, short enough that a
// program that hangs with the mutex held costs detection little: the access
// goes ahead without the lock after it, and the lock is not waited for again.
constexpr unsigned long kHardwareLockWaitMilliseconds = 100;

class Win32HardwareLocks final : public HardwareLocks {
 public:
  // Creates the mutexes, or opens them where another program made them first.
  explicit Win32HardwareLocks(unsigned long waitMilliseconds = kHardwareLockWaitMilliseconds);

 protected:
  WaitOutcome Wait(HardwareLock which) override;
  void Give(HardwareLock which) override;

 private:
  HANDLE MutexFor(HardwareLock which) const;

  UniqueKernelHandle superIo_;
  UniqueKernelHandle pciConfig_;
  unsigned long wait_;
};

}  // namespace drivora::win32
