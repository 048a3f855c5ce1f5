#include "runner/win32/program_runner_win32.h"

#include <windows.h>

#include <vector>

#include "app/os_class.h"
#include "app/win32/handles.h"
#include "app/win32/os_facts_win32.h"
#include "runner/win32/process_list.h"

namespace drivora::win32 {
namespace {

// The size of STARTUPINFOA that every Windows since 95 expects.
constexpr DWORD kStartupInfoBytes = 68;
static_assert(sizeof(STARTUPINFOA) == kStartupInfoBytes);

class Win32LaunchedProgram final : public LaunchedProgram {
 public:
  explicit Win32LaunchedProgram(const PROCESS_INFORMATION& started)
      : process_(started.hProcess), thread_(started.hThread) {}

  void WaitForExit() override { WaitForSingleObject(process_.get(), INFINITE); }

 private:
  UniqueKernelHandle process_;
  UniqueKernelHandle thread_;
};

STARTUPINFOA ShownInDefaultWay() {
  STARTUPINFOA startup{};
  startup.cb = kStartupInfoBytes;
  startup.dwFlags = STARTF_USESHOWWINDOW;
  startup.wShowWindow = SW_SHOWDEFAULT;
  return startup;
}

}  // namespace

void Win32ProgramRunner::ChangeCurrentDirectory(const std::string& folder) { SetCurrentDirectoryA(folder.c_str()); }

std::unique_ptr<LaunchedProgram> Win32ProgramRunner::Launch(const std::string& commandLine,
                                                            const std::string& workingFolder) {
  // CreateProcessA may write into the command line, so it gets a copy.
  std::vector<char> writableLine(commandLine.begin(), commandLine.end());
  writableLine.push_back('\0');
  STARTUPINFOA startup = ShownInDefaultWay();
  PROCESS_INFORMATION started{};
  const char* folder = workingFolder.empty() ? nullptr : workingFolder.c_str();
  if (!CreateProcessA(nullptr, writableLine.data(), nullptr, nullptr, FALSE, NORMAL_PRIORITY_CLASS, nullptr, folder,
                      &startup, &started)) {
    return nullptr;
  }
  return std::make_unique<Win32LaunchedProgram>(started);
}

void Win32ProgramRunner::StartWithoutWaiting(const std::string& commandLine) { WinExec(commandLine.c_str(), SW_SHOW); }

void Win32ProgramRunner::MinimiseWindow(WindowHandle window) { ShowWindow(static_cast<HWND>(window), SW_MINIMIZE); }

void Win32ProgramRunner::Sleep(std::uint32_t milliseconds) { ::Sleep(milliseconds); }

bool Win32ProgramRunner::EnumerateProcesses(const ProcessVisitor& visit) {
  OsVersionInfo version;
  if (!Win32OsFacts().GetVersion(version)) return false;
  switch (version.PlatformId) {
    case kPlatformNt: return WalkNtProcesses(visit);
    case kPlatformWin9x: return Walk9xProcesses(visit);
    default: return false;
  }
}

}  // namespace drivora::win32
