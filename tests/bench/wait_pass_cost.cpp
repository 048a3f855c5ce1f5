// What one pass of the completion wait costs with many processes running:
// starts COUNT stand-in installers that sleep, then times passes over the
// process list, both a pass that walks the whole list (no installer of the
// folder it looks for) and one that stops at the first installer it finds,
// each without and with the memory a wait keeps of the processes it has
// seen. Every pass is followed by a 200 ms pause in the wizard: the share of
// a core the wait takes is the pass time over the pass time and the pause.
//
// Usage: wait_pass_cost.exe INSTALLER_EXE [COUNT]   (COUNT defaults to 50)
#include <windows.h>

#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include "app/app_state.h"
#include "app/byte_strings.h"
#include "app/win32/handles.h"
#include "app/win32/program_files_win32.h"
#include "runner/installer_match.h"
#include "runner/launcher.h"
#include "runner/seen_processes.h"
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

constexpr int kPasses = 20;

double MillisecondsSince(Clock::time_point start) {
  return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

int CountProcesses(drivora::ProgramRunner& programs) {
  int count = 0;
  programs.EnumerateProcesses([&](drivora::ProcessSighting& process) {
    process.Path();
    return ++count > 0;
  });
  return count;
}

double ShareOfACore(double passMilliseconds) {
  return 100.0 * passMilliseconds / (passMilliseconds + drivora::kWaitPassMilliseconds);
}

struct Costs {
  double uncached = 0;
  double cached = 0;
  bool foundUncached = false;
  bool foundCached = false;
};

// Passes without and with the memory, taken in turns so that a machine
// whose load changes meanwhile weighs on both alike. The memory is filled by
// a first pass that is not counted, as the first pass of a wait.
Costs Measure(const drivora::AppState& app, drivora::ProgramRunner& programs, const std::optional<std::string>& prefix) {
  Costs costs;
  drivora::SeenProcesses seen;
  drivora::FindsInstallerProcess(app, programs, prefix, &seen);
  for (int i = 0; i < kPasses; ++i) {
    auto start = Clock::now();
    costs.foundUncached = drivora::FindsInstallerProcess(app, programs, prefix);
    costs.uncached += MillisecondsSince(start) / kPasses;
    start = Clock::now();
    costs.foundCached = drivora::FindsInstallerProcess(app, programs, prefix, &seen);
    costs.cached += MillisecondsSince(start) / kPasses;
  }
  return costs;
}

void Print(const char* what, const Costs& costs) {
  std::printf("%-28s %9.2f ms %9.2f ms %7.1fx   found an installer: %s/%s\n", what, costs.uncached, costs.cached,
              costs.uncached / costs.cached, costs.foundUncached ? "yes" : "no", costs.foundCached ? "yes" : "no");
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
    auto start = Clock::now();
    for (int i = 0; i < kPasses; ++i) CountProcesses(programs);
    const double walk = MillisecondsSince(start) / kPasses;
    start = Clock::now();
    for (int i = 0; i < kPasses; ++i) programs.EnumerateProcesses([](drivora::ProcessSighting&) { return false; });
    const double setUp = MillisecondsSince(start) / kPasses;
    const Costs whole = Measure(app, programs, elsewhere);
    const Costs first = Measure(app, programs, matching);
    std::printf("processes in the list: %d (%d stand-in installers)\n", CountProcesses(programs), count);
    std::printf("walk reading every path alone: %.2f ms\n", walk);
    std::printf("walk stopping at the first process (libraries, id list): %.2f ms\n", setUp);
    std::printf("%-28s %12s %12s %8s\n", "one pass", "uncached", "cached", "ratio");
    Print("over the whole list:", whole);
    Print("ending at an installer:", first);
    std::printf("share of a core while waiting, pass over the whole list: %.1f %% uncached, %.1f %% cached\n",
                ShareOfACore(whole.uncached), ShareOfACore(whole.cached));
  }
  for (int attempt = 0; attempt < 50 && !drivora::test::RemoveTree(folder); ++attempt) Sleep(100);
  return 0;
}
