#include "detect/sound_card.h"

#include <string>

#include "app/app_state.h"
#include "app/byte_strings.h"
#include "app/sections.h"

namespace drivora {
namespace {

constexpr std::size_t kRegistryPathBytes = 1024;
constexpr std::uint32_t kSectionBytes = 32766;

}  // namespace

bool EnumKeyExists(const AppState& app, std::string_view devicePath) {
  const std::string path = "Enum\\" + std::string(devicePath);
  if (path.size() >= kRegistryPathBytes) return false;
  return app.Sys.Reg->OpenLocalMachineKey(path, RegistryAccess::Open) != nullptr;
}

void DetectSoundCard(AppState& app) {
  std::string value;
  std::string supplier;
  const std::string lines = app.Config->ReadSection(kSoundCardSection, kSectionBytes);
  for (std::string_view line : SplitSectionLines(lines)) {
    const std::size_t equals = line.find('=');
    if (equals == std::string_view::npos) continue;
    if (!EnumKeyExists(app, line.substr(equals + 1))) continue;
    // Every match overwrites the value: the last matching line decides, even
    // when its section has no SOUND key.
    supplier = line.substr(0, equals);
    value = app.Config->ReadString(supplier, "SOUND", 255);
  }
  const bool added = AddInstallEntry(app.Catalogue, "SOUND", value) != 0;
  if (app.Observer && added) app.Observer->EntryAdded(supplier, "SOUND", value);
  if (app.Observer && !added && !value.empty()) app.Observer->EntryRefused(supplier, "SOUND");
}

}  // namespace drivora
