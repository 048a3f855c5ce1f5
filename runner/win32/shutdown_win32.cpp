#include "runner/win32/shutdown_win32.h"

#include <windows.h>

#include "app/win32/handles.h"

namespace drivora::win32 {
namespace {

StepOutcome Outcome(bool succeeded) { return StepOutcome{succeeded, GetLastError()}; }

class Win32NtRestartSteps final : public NtRestartSteps {
 public:
  StepOutcome OpenOwnToken() override {
    HANDLE token = nullptr;
    const bool opened = OpenProcessToken(GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY, &token);
    const StepOutcome outcome = Outcome(opened);
    if (opened) token_.reset(token);
    return outcome;
  }

  void LookUpShutdownPrivilege() override { LookupPrivilegeValueA(nullptr, "SeShutdownPrivilege", &privilege_); }

  StepOutcome EnableShutdownPrivilege() override { return SetPrivilege(SE_PRIVILEGE_ENABLED); }

  StepOutcome RequestDelayedRestart(std::uint32_t delaySeconds) override {
    return Outcome(InitiateSystemShutdownA(nullptr, nullptr, delaySeconds, FALSE, TRUE));
  }

  StepOutcome DisableShutdownPrivilege() override { return SetPrivilege(0); }

 private:
  // AdjustTokenPrivileges succeeds even when the privilege is not held; only
  // the last error tells.
  StepOutcome SetPrivilege(DWORD attributes) {
    TOKEN_PRIVILEGES privileges{};
    privileges.PrivilegeCount = 1;
    privileges.Privileges[0].Luid = privilege_;
    privileges.Privileges[0].Attributes = attributes;
    AdjustTokenPrivileges(token_.get(), FALSE, &privileges, 0, nullptr, nullptr);
    const DWORD lastError = GetLastError();
    return StepOutcome{lastError == 0, lastError};
  }

  UniqueKernelHandle token_;
  LUID privilege_{};
};

}  // namespace

std::unique_ptr<NtRestartSteps> Win32ShutdownControl::BeginNtRestart() {
  return std::make_unique<Win32NtRestartSteps>();
}

void Win32ShutdownControl::RestartNow() { ExitWindowsEx(EWX_REBOOT, 0); }

}  // namespace drivora::win32
