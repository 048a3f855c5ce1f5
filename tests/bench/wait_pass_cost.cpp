// What one pass of the completion wait costs with many processes running:
// starts COUNT stand-in installers that sleep, then times passes over the
// process list, both a pass that walks the whole list (no installer of the
// folder it looks for) and one that stops at the first installer it finds.
// Every pass is followed by a 200 ms pause in the wizard; the figure to track
// is the pass time against that pause.
//
// Usage: wait_pass_cost.exe INSTALLER_EXE [COUNT]   (COUNT defaults to 50)
#include <windows.h>

#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include "app/app_state.h"
#include "app/text.h"
#include "app/win32/handles.h"
#include "app/win32/program_files_win32.h"
#include "runner/installer_match.h"
#include "runner/launcher.h"
#include "runner/win32/program_runner_win32.h"
#include "tests/windows/temp_folder.h"

namespace {

using Clock = std::chrono::steady_clock;

struct Sleepers {
  std::vector<drivora::win32::UniqueKernelHandle> processes;
  ~Sleepers() {
    for (auto& process : processes) {
      TerminateProcess(process.get(), 0);
      WaitForSingleObject(process.get(), 10000);
    }
  }
};

bool StartSleepers(const std::string& program, int count, Sleepers& sleepers) {
  for (int i = 0; i < count; ++i) {
    std::string commandLine = "\"" + program + "\" sleep 600000";
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION started{};
    if (!CreateProcessA(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &started))
      return false;
    CloseHandle(started.hThread);
    sleepers.processes.emplace_back(started.hProcess);
  }
  return true;
}

double MillisecondsPerPass(const drivora::AppState& app, drivora::ProgramRunner& programs,
                           const std::optional<std::string>& prefix, int passes, bool& found) {
  const auto start = Clock::now();
  for (int i = 0; i < passes; ++i) found = drivora::FindsInstallerProcess(app, programs, prefix);
  return std::chrono::duration<double, std::milli>(Clock::now() - start).count() / passes;
}

int CountProcesses(drivora::ProgramRunner& programs) {
  int count = 0;
  programs.EnumerateProcesses([&](const drivora::ProcessSighting&) { return ++count > 0; });
  return count;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: wait_pass_cost.exe INSTALLER_EXE [COUNT]\n");
    return 2;
  }
  const int count = argc > 2 ? std::atoi(argv[2]) : 50;
  const std::string folder = drivora::test::FreshFolder("drivora-bench-");
  const std::string program = folder + "\\SLEEPER.EXE";
  if (!CopyFileA(argv[1], program.c_str(), FALSE)) return 1;

  drivora::win32::Win32ProgramFiles files;
  drivora::AppState app;
  app.Sys.Files = &files;
  app.ModuleShortPath = drivora::ToUpperAscii(files.ShortPathName(files.ModuleFileName()));
  drivora::win32::Win32ProgramRunner programs;
  {
    Sleepers sleepers;
    if (!StartSleepers(program, count, sleepers)) return 1;
    Sleep(1000);  // let them all get going
    const auto matching = drivora::InstallerFolderPrefix(files.ShortPathName(program));
    const auto elsewhere = drivora::InstallerFolderPrefix("C:\\NO\\SUCH\\FOLDER\\SETUP.EXE");
    bool foundMatching = false;
    bool foundElsewhere = true;
    const auto walkStart = Clock::now();
    for (int i = 0; i < 20; ++i) CountProcesses(programs);
    const double walk = std::chrono::duration<double, std::milli>(Clock::now() - walkStart).count() / 20;
    const double whole = MillisecondsPerPass(app, programs, elsewhere, 20, foundElsewhere);
    const double first = MillisecondsPerPass(app, programs, matching, 20, foundMatching);
    std::printf("processes in the list: %d (%d stand-in installers)\n", CountProcesses(programs), count);
    std::printf("walk reading every path alone: %8.2f ms\n", walk);
    std::printf("pass over the whole list:      %8.2f ms (found an installer: %s)\n", whole,
                foundElsewhere ? "yes" : "no");
    std::printf("pass ending at an installer:   %8.2f ms (found an installer: %s)\n", first,
                foundMatching ? "yes" : "no");
    std::printf("whole pass against the 200 ms pause: %.1f %%\n", whole / 2.0);
  }
  for (int attempt = 0; attempt < 50 && !drivora::test::RemoveTree(folder); ++attempt) Sleep(100);
  return 0;
}
