#include "app/startup.h"

#include "app/app_state.h"
#include "app/byte_strings.h"
#include "app/os_class.h"
#include "app/program_texts.h"
#include "app/resume_keys.h"
#include "app/sections.h"
#include "app/winver.h"
#include "detect/bios.h"
#include "detect/driver_session.h"
#include "detect/pci_scan.h"
#include "detect/sound_card.h"

namespace drivora {
namespace {

constexpr std::size_t kFixedKeyBytes = 256;

// A run that a restart interrupted on the 9x family left the wizard under Run.
void RemoveResumeValue(AppState& app) {
  if (auto run = app.Sys.Reg->OpenLocalMachineKey(kRunKeyPath, RegistryAccess::Write)) run->DeleteValue(kResumeValueName);
}

// Both paths are held whole or not at all. A program path that cannot be held
// (or whose configuration path cannot) shows the configuration path the
// wizard would need, in the box of a missing file.
bool LocateProgramFiles(AppState& app) {
  const std::optional<std::string> modulePath = ModulePath(app);
  const std::string iniPath = MakeIniPath(ToUpperAscii(modulePath.value_or(app.Sys.Files->ModuleFileName())));
  if (!modulePath || iniPath.size() >= kPathBytes) {
    app.Sys.Boxes->Show(nullptr, iniPath, kMissingConfigCaption, kBoxIconError);
    return false;
  }
  const std::string shortPath = app.Sys.Files->ShortPathName(*modulePath);
  app.ModuleShortPath = shortPath.size() < kPathBytes ? ToUpperAscii(shortPath) : std::string();
  app.IniPath = iniPath;
  return true;
}

bool OpenConfiguration(AppState& app) {
  if (app.Sys.Files->FileExists(app.IniPath)) app.Config = app.Sys.Files->OpenConfigFile(app.IniPath);
  if (app.Config) return true;
  app.Sys.Boxes->Show(nullptr, app.IniPath, kMissingConfigCaption, kBoxIconError);
  return false;
}

// The PCI and BIOS passes, with the driver there only for their time.
bool DetectBoard(AppState& app) {
  DriverSession driver(app);
  if (!driver.Open()) return false;
  if (app.Sys.Io) {
    ScanPciDevices(app);
    ApplyBiosSections(app);
  }
  return true;
}

void AddFixedEntry(AppState& app, std::string_view category, std::string_view nameKey, std::string_view valueKey) {
  // The key is built in 256 bytes: an overlong LANG name is cut there.
  const std::string key(FitBuffer(std::string(category) + ReadLangText(app, nameKey), kFixedKeyBytes));
  AddInstallEntry(app.Catalogue, key, ReadLangText(app, valueKey));
}

}  // namespace

std::string MakeIniPath(std::string_view upperModulePath) {
  std::string path(upperModulePath.substr(0, upperModulePath.find(".EXE")));
  if (path.size() == upperModulePath.size()) {
    const std::size_t folderEnd = path.find_last_of("\\/");
    const std::size_t dot = path.rfind('.');
    if (dot != std::string::npos && (folderEnd == std::string::npos || dot > folderEnd)) path.resize(dot);
  }
  path += ".INI";
  return path;
}

std::optional<std::string> ModulePath(const AppState& app) {
  std::string path = app.Sys.Files->ModuleFileName();
  if (path.empty() || path.size() >= kPathBytes) return std::nullopt;
  return path;
}

bool IdentifyWindows(AppState& app) {
  app.LanguageId = app.Sys.Os->DefaultLanguageId();
  if (!app.Sys.Os->GetVersion(app.OsVersion)) return false;
  app.OsClass = ComputeOsClass(app.OsVersion);
  return true;
}

bool BuildCatalogue(AppState& app) {
  // OsProfile holds 63 characters: the profile name is cut to leave room for its dot.
  app.OsProfile = std::string(FitBuffer(ReadOsProfile(app), kProfileBytes - 1)) + ".";
  if (!DetectBoard(app)) return false;
  DetectSoundCard(app);
  OrderInstallCatalogue(app, app.Catalogue);
  AddFixedEntry(app, "EXPLORER.", "Explorer", "ExplInfo");
  AddFixedEntry(app, "EXIT.", "Exit", "ExitInfo");
  app.DescriptionText = FitBuffer(ReadLangText(app, "Install"), kDescriptionBytes);
  return true;
}

bool InitApplication(AppState& app) {
  if (!IdentifyWindows(app)) return false;
  if (!IsNtFamily(app.OsClass)) RemoveResumeValue(app);
  // The command line is deliberately ignored.
  if (!LocateProgramFiles(app) || !OpenConfiguration(app)) return false;
  return BuildCatalogue(app);
}

}  // namespace drivora
