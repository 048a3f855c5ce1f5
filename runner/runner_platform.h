// The seams between the install runner and the system: starting programs and
// waiting for them, the process list, the restart privileges and requests,
// and the worker threads. The registry, the message boxes, the configuration
// and the program's own paths come through the seams of app/platform.h.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "app/platform.h"

namespace drivora {

// A program that was started; it owns the handles the start gave, and letting
// go of it closes them. The program itself keeps running.
class LaunchedProgram {
 public:
  virtual ~LaunchedProgram() = default;
  // Waits without a time limit; the outcome of the wait is not needed.
  virtual void WaitForExit() = 0;
};

// One running process, or one 16-bit task inside an NTVDM.EXE host, as a
// walk over the process list reports it.
class ProcessSighting {
 public:
  using PathReader = std::function<std::string()>;

  // A process or task whose path came with the list.
  ProcessSighting(std::uint32_t id, std::uint16_t taskHandle, std::string path)
      : processId(id), task(taskHandle), path_(std::move(path)) {}
  // A process whose path is read from it only when someone asks: reading it
  // means looking into the process, which costs more than the rest of the walk.
  ProcessSighting(std::uint32_t id, std::uint64_t created, PathReader readPath)
      : processId(id), creationTime(created), readPath_(std::move(readPath)) {}

  std::uint32_t processId = 0;
  std::uint16_t task = 0;  // only meaningful for a 16-bit task
  // When the process was created, in the system's 100 ns units; 0 when it is
  // not known. With the id it tells a process from a later one that was
  // given the same id.
  std::uint64_t creationTime = 0;

  // The executable's full path, read once; empty when it could not be read.
  const std::string& Path() {
    if (!path_) path_ = readPath_ ? readPath_() : std::string{};
    return *path_;
  }
  // The path a visitor remembers from an earlier walk for this very process
  // (same id, same creation time): the walk takes it and reads nothing.
  void Recall(std::string path) { path_ = std::move(path); }

 private:
  PathReader readPath_;
  std::optional<std::string> path_;
};

// Returns true to go on with the walk, false to stop it.
using ProcessVisitor = std::function<bool(ProcessSighting&)>;

class ProgramRunner {
 public:
  virtual ~ProgramRunner() = default;
  // The process-wide current directory; whether it worked is not needed.
  virtual void ChangeCurrentDirectory(const std::string& folder) = 0;
  // Starts `commandLine` (its first word names the program) in
  // `workingFolder` (empty: the current directory), shown in its default way,
  // with the wizard's environment; null when it cannot be started.
  virtual std::unique_ptr<LaunchedProgram> Launch(const std::string& commandLine,
                                                  const std::string& workingFolder) = 0;
  // Starts `commandLine` shown and does not wait for it; the outcome is not needed.
  virtual void StartWithoutWaiting(const std::string& commandLine) = 0;
  virtual void MinimiseWindow(WindowHandle window) = 0;
  virtual void Sleep(std::uint32_t milliseconds) = 0;
  // Every running process and every 16-bit task, until `visit` says stop.
  // False when the system's process-list facilities are missing or fail.
  virtual bool EnumerateProcesses(const ProcessVisitor& visit) = 0;
};

// What one step of the NT family's restart came to: whether it worked, and
// the system's last error code after it.
struct StepOutcome {
  bool succeeded = false;
  std::uint32_t lastError = 0;
};

// The NT family's restart, one step at a time. The token the first step opens
// lives as long as this object, so that two restart questions asked at once
// never share it.
class NtRestartSteps {
 public:
  virtual ~NtRestartSteps() = default;
  // The wizard's own token, for adjusting and querying privileges.
  virtual StepOutcome OpenOwnToken() = 0;
  // The local id of the shutdown privilege; its outcome is not looked at.
  virtual void LookUpShutdownPrivilege() = 0;
  // Succeeded means the last error was zero afterwards: the privilege was held.
  virtual StepOutcome EnableShutdownPrivilege() = 0;
  // A restart of this computer after `delaySeconds`, no message, applications
  // not forced to close.
  virtual StepOutcome RequestDelayedRestart(std::uint32_t delaySeconds) = 0;
  // Succeeded means the last error was zero afterwards.
  virtual StepOutcome DisableShutdownPrivilege() = 0;
};

class ShutdownControl {
 public:
  virtual ~ShutdownControl() = default;
  virtual std::unique_ptr<NtRestartSteps> BeginNtRestart() = 0;
  // The 9x family restarts at once; its outcome is not looked at.
  virtual void RestartNow() = 0;
};

class WorkerThreads {
 public:
  virtual ~WorkerThreads() = default;
  // Runs `work` on a new thread that nobody waits for; false when no thread
  // could be made (then `work` never runs).
  virtual bool Start(std::function<void()> work) = 0;
};

// The runner's seams, chosen once at start-up beside the Platform ones.
struct RunnerSystem {
  ProgramRunner* Programs = nullptr;
  ShutdownControl* Shutdown = nullptr;
  WorkerThreads* Threads = nullptr;
};

}  // namespace drivora
