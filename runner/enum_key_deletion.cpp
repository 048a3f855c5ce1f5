#include "runner/enum_key_deletion.h"

#include "app/app_state.h"
#include "app/byte_strings.h"
#include "app/sections.h"

namespace drivora {

DevicePathParts SplitDevicePath(std::string_view devicePath) {
  const std::size_t lastBackslash = devicePath.rfind('\\');
  if (lastBackslash == std::string_view::npos) return {{}, devicePath};
  return {devicePath.substr(0, lastBackslash), devicePath.substr(lastBackslash + 1)};
}

std::optional<std::string> EnumParentKeyPath(std::string_view parent) {
  const std::string path = parent.empty() ? std::string("Enum") : "Enum\\" + std::string(parent);
  if (path.size() >= kEnumParentPathBytes) return std::nullopt;
  return path;
}

bool DeleteEnumKey(Registry& registry, std::string_view devicePath) {
  const DevicePathParts parts = SplitDevicePath(devicePath);
  if (parts.leaf.empty()) return false;
  const std::optional<std::string> parentPath = EnumParentKeyPath(parts.parent);
  if (!parentPath) return false;
  const std::unique_ptr<RegistryKey> parentKey = registry.OpenLocalMachineKey(*parentPath, RegistryAccess::Open);
  return parentKey && parentKey->DeleteSubKey(std::string(parts.leaf));
}

void DeleteSoundCardKeys(const AppState& app) {
  const std::string lines = app.Config->ReadSection(kSoundCardSection, kSoundCardSectionBytes);
  for (std::string_view line : SplitSectionLines(lines)) {
    const std::size_t equals = line.find('=');
    if (equals != std::string_view::npos) DeleteEnumKey(*app.Sys.Reg, line.substr(equals + 1));
  }
}

}  // namespace drivora
