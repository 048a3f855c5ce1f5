// The dialog's own face: the background picture on the left and the
// description text over its lower part, drawn anew on every paint.
#pragma once

#include <windows.h>

#include "app/app_state.h"
#include "ui/win32/main_dialog.h"

namespace drivora::win32 {

// TRUE while the dialog is minimised (then only an icon is drawn), FALSE otherwise.
BOOL PaintMainDialog(HWND window, const MainDialogContext& context);

// Copies `bitmap` unscaled from its top-left corner into `area`.
BOOL BlitBitmap(HDC dc, HBITMAP bitmap, const RECT& area);

// DrawTextA on a transparent background; 0 when the mode cannot be set.
int DrawTextTransparent(HDC dc, const char* text, RECT& area, UINT format);

const char* GetDescriptionText(const AppState& app);

}  // namespace drivora::win32
