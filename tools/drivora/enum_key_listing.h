// The device keys Windows keeps below HKEY_LOCAL_MACHINE\Enum, which the
// sound-card pass looks up.
#pragma once

#include <string>
#include <vector>

namespace drivora::tool {

// Every key below HKEY_LOCAL_MACHINE\Enum that has no subkey, as a path below
// Enum: its parents exist wherever it does, so these reproduce every key the
// pass could open. Empty where there is no such key (or no registry).
std::vector<std::string> ListEnumDeviceKeys();

}  // namespace drivora::tool
