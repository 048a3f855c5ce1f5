// Recording the running machine's board through the wizard's own detection
// seams: the PCI functions the scan visits, the Super I/O chips its probes
// find, and the firmware area, into the board model.
#pragma once

#include <string>
#include <vector>

#include "app/app_state.h"
#include "detect/hardware.h"
#include "sim/board.h"

namespace drivora::tool {

// Every function that answers at the configuration ports 0xCF8/0xCFC on buses
// 0 to `lastBus`, with its whole header, into `board`; those beyond what the
// board holds are counted in `notes`.
void CapturePciFunctions(Hardware& io, HardwareLocks& locks, unsigned lastBus, sim::Board& board,
                         std::vector<std::string>& notes);

// Opens the I/O driver as start-up does (after IdentifyWindows), records the
// board into `board` (which it empties first; the PCI functions on the buses
// the wizard scans, 0 to 128) and removes the driver again.
// False, with nothing recorded, when the driver does not open or no board
// can be reached. `notes` names what did not fit the model.
bool CaptureBoard(AppState& app, sim::Board& board, std::vector<std::string>& notes);

// Device keys, as paths below HKEY_LOCAL_MACHINE\Enum, into the board; those
// that do not fit are named in `notes`.
void RecordEnumKeys(std::vector<std::string> keys, sim::Board& board, std::vector<std::string>& notes);

}  // namespace drivora::tool
