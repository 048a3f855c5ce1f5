// Entry point of Setup.exe.
#include <windows.h>
#include <commctrl.h>

#include <utility>

#include "app/app_state.h"
#include "app/byte_strings.h"
#include "app/program_texts.h"
#include "app/startup.h"
#include "app/win32/dialogs_win32.h"
#include "app/win32/handles.h"
#include "app/win32/os_facts_win32.h"
#include "app/win32/program_files_win32.h"
#include "app/win32/registry_win32.h"
#include "detect/win32/detection_win32.h"
#include "runner/win32/system_libraries.h"
#include "runner/win32/win32_runner.h"
#include "ui/win32/main_dialog.h"

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

// Pure colours that a display of 256 colours or fewer holds in its palette.
constexpr COLORREF kPaletteCaptionColour = 0x00FF0000;
constexpr COLORREF kPaletteListColour = 0x0000FFFF;

drivora::win32::UniqueFont MakeCaptionFont() {
  return drivora::win32::UniqueFont(CreateFontA(24, 14, 0, 0, FW_THIN, FALSE, FALSE, FALSE, ANSI_CHARSET,
                                                OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, PROOF_QUALITY,
                                                DEFAULT_PITCH, nullptr));
}

void ChooseDisplayColours(drivora::AppState& app) {
  const drivora::win32::UniqueCreatedDc display(CreateDCA("DISPLAY", nullptr, nullptr, nullptr));
  // NUMCOLORS is -1 on displays of more than 256 colours.
  if (!display || GetDeviceCaps(display.get(), NUMCOLORS) == -1) return;
  app.CaptionColour = kPaletteCaptionColour;
  app.ListColour = kPaletteListColour;
}

// The main dialog with what it draws with; all of it is released when the
// dialog is over.
void RunMainWindow(drivora::AppState& app, const drivora::RunnerSystem& runner, HINSTANCE instance) {
  drivora::win32::UniqueFont captionFont = MakeCaptionFont();
  ChooseDisplayColours(app);
  app.InstanceHandle = instance;
  const drivora::win32::UniqueBrush captionBrush(CreateSolidBrush(app.CaptionColour));
  app.CaptionBrush = captionBrush.get();
  InitCommonControls();

  drivora::win32::MainDialogContext context(app, runner, std::move(captionFont));
  drivora::win32::RunMainDialog(context);
  app.CaptionBrush = nullptr;
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
  // Before anything loads a library: no code from the current folder.
  drivora::win32::KeepLibrarySearchToTheSystem();
  drivora::win32::Win32OsFacts os;
  drivora::win32::Win32ProgramFiles files;
  drivora::win32::Win32Registry registry;
  drivora::win32::Win32MessageBoxes boxes;
  drivora::win32::Win32StringTable strings;

  static drivora::AppState app;
  app.Sys = {&os, &files, &registry, &boxes, &strings};
  drivora::win32::Win32Detection detection(app);
  detection.Attach(app.Sys);
  drivora::win32::Win32Runner runner;

  InstanceSearch search{drivora::LoadText(app, drivora::kTextTitle, 256), &app.InstanceFound};
  EnumWindows(FindInstanceProc, reinterpret_cast<LPARAM>(&search));
  if (app.InstanceFound) return 0;
  if (!drivora::InitApplication(app)) return 0;
  RunMainWindow(app, runner.System(), instance);
  // Install workers that still run use the state, the seams and the runner
  // above until the process ends: it ends here, before any of them is
  // destroyed under a running worker.
  ExitProcess(0);
}
