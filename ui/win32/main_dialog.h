// The main dialog: the program's only window, run modally by WinMain. Its
// left part shows the background picture and the description text, its
// right edge the list of install entries; a right-click opens the popup menu.
#pragma once

#include <windows.h>

#include <utility>

#include "app/app_state.h"
#include "app/win32/handles.h"
#include "runner/runner_platform.h"
#include "ui/dib/win32/background_picture.h"

namespace drivora::win32 {

// Everything the dialog works with, made by WinMain and handed to the dialog
// procedure as the dialog's creation parameter. It outlives the dialog.
struct MainDialogContext {
  // Takes the caption font over and makes it AppState::CaptionFont.
  MainDialogContext(AppState& state, const RunnerSystem& runnerSystem, UniqueFont font)
      : app(state), runner(runnerSystem), captionFont(std::move(font)) {
    app.CaptionFont = captionFont.get();
  }
  ~MainDialogContext() { app.CaptionFont = nullptr; }
  MainDialogContext(const MainDialogContext&) = delete;
  MainDialogContext& operator=(const MainDialogContext&) = delete;

  AppState& app;
  const RunnerSystem runner;
  // Released when the dialog ends.
  UniqueFont captionFont;
  // Filled from the picture file beside the program when the dialog opens.
  BackgroundPicture picture;
  // IDB_BACKGROUND, loaded only when the picture file gave no bitmap.
  UniqueBitmap builtinPicture;
  // What is painted: the picture's bitmap or the built-in one.
  HBITMAP background = nullptr;
};

// Runs dialog IDD_MAIN modally with `context` until the dialog ends.
void RunMainDialog(MainDialogContext& context);

INT_PTR CALLBACK MainDialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// Ends the dialog and releases the catalogue and the caption font.
void EndMainDialog(HWND window, MainDialogContext& context);

}  // namespace drivora::win32
