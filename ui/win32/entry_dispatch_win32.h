// What activating an entry of the list does.
#pragma once

#include <windows.h>

#include <cstddef>

#include "ui/win32/main_dialog.h"

namespace drivora::win32 {

// Acts on the activated entry `index`: ends the dialog (the last entry), opens
// the wizard's folder (the one before it) or starts the install worker. Always 1.
int DispatchEntry(HWND window, MainDialogContext& context, std::size_t index);

// An Explorer window on the folder that holds the wizard.
void BrowseWizardFolder(const MainDialogContext& context);

}  // namespace drivora::win32
