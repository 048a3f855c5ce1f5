// Recording the machine the tool runs on as a board: on Windows through the
// wizard's own I/O driver and start-up code, on Linux through what the kernel
// offers (sysfs, /dev/port, /dev/mem). Each build links the one for its system.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "detect/hardware.h"
#include "sim/board.h"

namespace drivora::tool {

struct MachineCapture {
  std::unique_ptr<sim::Board> board = std::make_unique<sim::Board>();
  bool firmwareRead = false;             // the board's firmware area is the machine's
  std::vector<std::string> comments;     // the head of the file: how, where and what was captured
  std::vector<std::string> notes;        // what was left out or could not be read
  std::optional<HardwareCounts> counts;  // the requests it cost, where they are counted
};

// False, with `error` set, when nothing of the machine can be recorded.
bool CaptureThisMachine(MachineCapture& capture, std::string& error);

}  // namespace drivora::tool
