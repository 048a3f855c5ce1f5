// The walks over the process list, one per Windows family. Each reaches its
// functions by name at every walk, as older systems lack some of them.
#pragma once

#include "runner/runner_platform.h"

namespace drivora::win32 {

// PSAPI for the processes, VDMDBG for the 16-bit tasks inside NTVDM.EXE.
bool WalkNtProcesses(const ProcessVisitor& visit);

// The Toolhelp snapshot of the 9x family.
bool Walk9xProcesses(const ProcessVisitor& visit);

}  // namespace drivora::win32
