// Starting programs, waiting for them and walking the process list with Win32.
#pragma once

#include "runner/runner_platform.h"

namespace drivora::win32 {

class Win32ProgramRunner final : public ProgramRunner {
 public:
  void ChangeCurrentDirectory(const std::string& folder) override;
  std::unique_ptr<LaunchedProgram> Launch(const std::string& commandLine, const std::string& workingFolder) override;
  void StartWithoutWaiting(const std::string& commandLine) override;
  void MinimiseWindow(WindowHandle window) override;
  void Sleep(std::uint32_t milliseconds) override;
  // The walk of the running Windows family; false on any other platform.
  bool EnumerateProcesses(const ProcessVisitor& visit) override;
};

}  // namespace drivora::win32
