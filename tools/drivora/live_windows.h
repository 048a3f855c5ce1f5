// The running Windows and its board, reached through the wizard's own Win32
// layer and I/O driver (Windows build only): what a disc author runs on a
// real machine to see what the wizard will list there.
#pragma once

#include <memory>

#include "app/app_state.h"
#include "detect/hardware.h"

namespace drivora::tool {

class LiveWindows {
 public:
  virtual ~LiveWindows() = default;
  virtual const HardwareCounts& Counts() const = 0;
};

// Points every seam of `app` at the running system; null where this build
// cannot reach one (anything but Windows).
std::unique_ptr<LiveWindows> AttachLiveWindows(AppState& app);

}  // namespace drivora::tool
