// The wizard without its window, for the tests that break a run off: started
// as SETUP.EXE on a disc, it goes through the wizard's start-up (without the
// hardware passes), adds the one entry its arguments give, starts the install
// worker for it as activating its row would, and waits for that worker.
//
// Usage: SETUP.EXE KEY VALUE
#include <windows.h>

#include "app/app_state.h"
#include "app/catalogue.h"
#include "app/startup.h"
#include "app/win32/dialogs_win32.h"
#include "app/win32/os_facts_win32.h"
#include "app/win32/program_files_win32.h"
#include "app/win32/registry_win32.h"
#include "runner/install_worker.h"
#include "runner/win32/win32_runner.h"
#include "tests/joined_threads.h"

int main(int argc, char** argv) {
  if (argc != 3) return 2;
  drivora::win32::Win32OsFacts os;
  drivora::win32::Win32ProgramFiles files;
  drivora::win32::Win32Registry registry;
  drivora::win32::Win32MessageBoxes boxes;
  drivora::win32::Win32StringTable strings;
  drivora::AppState app;
  app.Sys = {&os, &files, &registry, &boxes, &strings};
  if (!drivora::InitApplication(app)) return 1;

  drivora::AddInstallEntry(app.Catalogue, argv[1], argv[2]);
  app.SelectedIndex = static_cast<std::int32_t>(app.Catalogue.Entries.size()) - 1;
  if (app.Catalogue.Entries.back().key != argv[1]) return 1;

  drivora::win32::Win32Runner runner;
  drivora::test::JoinedThreads workers;
  drivora::RunnerSystem system = runner.System();
  system.Threads = &workers;
  return drivora::StartInstallWorker(app, system, nullptr) ? 0 : 1;
}
