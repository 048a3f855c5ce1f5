// The entry list (IDC_ENTRY_LIST): set up and filled once when the dialog
// opens; the mouse resting on a row shows its description, a double-click
// activates it.
#pragma once

#include <windows.h>

#include "app/app_state.h"
#include "ui/win32/main_dialog.h"

namespace drivora::win32 {

BOOL InitEntryList(HWND list, const AppState& app);
BOOL FillEntryList(HWND list, const AppState& app);

// The dialog's WM_NOTIFY: activation and selection changes of the list.
LRESULT OnEntryListNotify(HWND window, MainDialogContext& context, const NMHDR& header);

}  // namespace drivora::win32
