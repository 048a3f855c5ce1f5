// Recording the running machine's board through the wizard's own detection
// seams: the PCI functions the scan visits, the Super I/O chips its probes
// find, and the firmware area, into the board model.
#pragma once

#include <string>
#include <vector>

#include "app/app_state.h"
#include "sim/board.h"

namespace drivora::tool {

// Opens the I/O driver as start-up does (after IdentifyWindows), records the
// board into `board` (which it empties first) and removes the driver again.
// False, with nothing recorded, when the driver does not open or no board
// can be reached. `notes` names what did not fit the model.
bool CaptureBoard(AppState& app, sim::Board& board, std::vector<std::string>& notes);

// Device keys, as paths below HKEY_LOCAL_MACHINE\Enum, into the board; those
// that do not fit are named in `notes`.
void RecordEnumKeys(std::vector<std::string> keys, sim::Board& board, std::vector<std::string>& notes);

}  // namespace drivora::tool
