// drivora board capture on Linux: the PCI functions from sysfs, the Super I/O
// chips through /dev/port with the wizard's own key sequences, the firmware
// area from /dev/mem; whatever cannot be read is left out and named, never
// guessed. Windows's device keys cannot be known from Linux.
#pragma once

#include <string>

#include "tools/drivora/linux_hardware.h"
#include "tools/drivora/machine_capture.h"

namespace drivora::tool {

// CaptureThisMachine with the system's files at `paths`.
bool CaptureLinuxMachine(const LinuxPaths& paths, MachineCapture& capture, std::string& error);

}  // namespace drivora::tool
