// The sound entry follows the sound device Windows has already enumerated, as
// recorded below HKEY_LOCAL_MACHINE\Enum, not any port probing.
#pragma once

#include <string_view>

namespace drivora {

struct AppState;

// True when HKEY_LOCAL_MACHINE\Enum\<device path> can be opened. A path too
// long for the 1024-byte registry path counts as a key that cannot be opened.
bool EnumKeyExists(const AppState& app, std::string_view devicePath);

void DetectSoundCard(AppState& app);

}  // namespace drivora
