// Entry point of Setup.exe.
#include <windows.h>

#include "app/app_state.h"
#include "app/startup.h"
#include "app/text.h"
#include "app/texts.h"
#include "app/win32/dialogs_win32.h"
#include "app/win32/os_facts_win32.h"
#include "app/win32/program_files_win32.h"
#include "app/win32/registry_win32.h"
#include "detect/win32/detection_win32.h"

namespace {

struct InstanceSearch {
  std::string title;
  bool* found;
};

// A second start finds the first one's window by its title, in any letter
// case, and only raises it.
BOOL CALLBACK FindInstanceProc(HWND window, LPARAM param) {
  auto* search = reinterpret_cast<InstanceSearch*>(param);
  char text[256] = {};
  GetWindowTextA(window, text, sizeof text);
  if (!drivora::EqualsIgnoreAsciiCase(text, search->title)) return TRUE;
  *search->found = true;
  SetForegroundWindow(window);
  return FALSE;
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
  drivora::win32::Win32OsFacts os;
  drivora::win32::Win32ProgramFiles files;
  drivora::win32::Win32Registry registry;
  drivora::win32::Win32MessageBoxes boxes;
  drivora::win32::Win32StringTable strings;

  static drivora::AppState app;
  app.Sys = {&os, &files, &registry, &boxes, &strings};
  drivora::win32::Win32Detection detection(app);
  detection.Attach(app.Sys);

  InstanceSearch search{drivora::LoadText(app, drivora::kTextTitle, 256), &app.InstanceFound};
  EnumWindows(FindInstanceProc, reinterpret_cast<LPARAM>(&search));
  if (app.InstanceFound) return 0;
  if (!drivora::InitApplication(app)) return 0;
  app.InstanceHandle = instance;
  return 0;
}
