// Recording the Super I/O chips the wizard's probes find, by reading only:
// the same entry, select and exit writes the probes make, nothing else.
#pragma once

#include "detect/superio.h"
#include "sim/board.h"

namespace drivora::tool {

// Tries the wizard's key sequences at 0x2E (standard, then ITE) and at 0x4E
// (standard, then IAS); the first sequence a chip answers at a port is
// recorded in `board` with the global registers below 0x30 and the
// logical-device registers the probes read from a chip of its kind.
void CaptureSuperIoChips(SuperIoAccess access, sim::Board& board);

}  // namespace drivora::tool
