// The runner's seams answered by Win32, chosen once at start-up and living
// as long as the wizard.
#pragma once

#include "runner/runner_platform.h"
#include "runner/win32/program_runner_win32.h"
#include "runner/win32/shutdown_win32.h"
#include "runner/win32/worker_threads_win32.h"

namespace drivora::win32 {

class Win32Runner {
 public:
  // Points into this object: it must outlive every worker started through it.
  RunnerSystem System();

 private:
  Win32ProgramRunner programs_;
  Win32ShutdownControl shutdown_;
  Win32WorkerThreads threads_;
};

}  // namespace drivora::win32
