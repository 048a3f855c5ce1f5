// Restarting Windows: the NT family's privilege and delayed request, and the
// 9x family's immediate restart.
#pragma once

#include "runner/runner_platform.h"

namespace drivora::win32 {

class Win32ShutdownControl final : public ShutdownControl {
 public:
  std::unique_ptr<NtRestartSteps> BeginNtRestart() override;
  void RestartNow() override;
};

}  // namespace drivora::win32
