// Removing the device keys of the sound devices the configuration lists, so
// that the 9x family enumerates the device afresh for the new driver.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

#include "app/platform.h"

namespace drivora {

struct AppState;

// "Enum\" and the parent part of a device path are held in 128 bytes.
constexpr std::size_t kEnumParentPathBytes = 128;
// The section is read into 32768 bytes, the read held to one less.
constexpr std::uint32_t kSoundCardSectionBytes = 32767;

// A device path as its parent part and its last part, split at its last
// backslash; the parent is empty for a path without one.
struct DevicePathParts {
  std::string_view parent;
  std::string_view leaf;
};
DevicePathParts SplitDevicePath(std::string_view devicePath);

// The registry path of the key that holds the device key: "Enum" itself for
// an empty parent, "Enum\<parent>" otherwise. None when that does not fit in
// 127 characters: a cut path would name another key.
std::optional<std::string> EnumParentKeyPath(std::string_view parent);

// Deletes HKEY_LOCAL_MACHINE\Enum\<device path>; true when it was deleted.
// An empty last part deletes nothing, as it would name the parent itself.
bool DeleteEnumKey(Registry& registry, std::string_view devicePath);

// Deletes the key of every device path in the SOUND_CARD section ("name=path").
void DeleteSoundCardKeys(const AppState& app);

}  // namespace drivora
