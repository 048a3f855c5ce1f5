#include "detect/win32/hardware_locks_win32.h"

#include <windows.h>

namespace drivora::win32 {
namespace {

// Everyone may wait for and release the mutexes (a monitoring program may run
// under another account, or as a service); only SYSTEM and the administrators
// may do more.
constexpr char kMutexSecurity[] = "D:(A;;0x00100001;;;WD)(A;;GA;;;SY)(A;;GA;;;BA)";

UniqueKernelHandle CreateOrOpen(const char* name) {
  // Looked up by name: the 9x family has no descriptors, and no such function.
  using ConvertFn = BOOL(WINAPI*)(LPCSTR, DWORD, PSECURITY_DESCRIPTOR*, PULONG);
  const auto convert =
      FindFunction<ConvertFn>(GetModuleHandleA("advapi32"), "ConvertStringSecurityDescriptorToSecurityDescriptorA");
  PSECURITY_DESCRIPTOR descriptor = nullptr;
  if (convert && !convert(kMutexSecurity, 1 /* SDDL_REVISION_1 */, &descriptor, nullptr)) descriptor = nullptr;
  const UniqueLocalMemory descriptorOwner(descriptor);
  SECURITY_ATTRIBUTES attributes{sizeof attributes, descriptor, FALSE};
  UniqueKernelHandle mutex(CreateMutexA(descriptor ? &attributes : nullptr, FALSE, name));
  // Made first by a program that lets us wait and release, but not more.
  if (!mutex) mutex.reset(OpenMutexA(SYNCHRONIZE | MUTEX_MODIFY_STATE, FALSE, name));
  return mutex;
}

}  // namespace

Win32HardwareLocks::Win32HardwareLocks(unsigned long waitMilliseconds)
    : superIo_(CreateOrOpen(kSuperIoMutexName)), pciConfig_(CreateOrOpen(kPciConfigMutexName)), wait_(waitMilliseconds) {}

HANDLE Win32HardwareLocks::MutexFor(HardwareLock which) const {
  return which == HardwareLock::SuperIo ? superIo_.get() : pciConfig_.get();
}

HardwareLocks::WaitOutcome Win32HardwareLocks::Wait(HardwareLock which) {
  const HANDLE mutex = MutexFor(which);
  if (!mutex) return WaitOutcome::Unavailable;
  const DWORD result = WaitForSingleObject(mutex, wait_);
  // An owner that ended without releasing leaves the mutex abandoned; the
  // wait has still made it ours.
  if (result == WAIT_OBJECT_0 || result == WAIT_ABANDONED) return WaitOutcome::Acquired;
  return result == WAIT_TIMEOUT ? WaitOutcome::TimedOut : WaitOutcome::Unavailable;
}

void Win32HardwareLocks::Give(HardwareLock which) {
  if (const HANDLE mutex = MutexFor(which)) ReleaseMutex(mutex);
}

}  // namespace drivora::win32
