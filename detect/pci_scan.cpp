#include "detect/pci_scan.h"

#include "app/app_state.h"
#include "app/sections.h"
#include "detect/hardware.h"
#include "detect/superio.h"
#include "portio/board_addresses.h"

namespace drivora {
namespace {

// The key texts of one function: I, S, R and L.
struct KeyTexts {
  std::string id, subsystem, revision, location;
  explicit KeyTexts(const PciFunctionKeys& f)
      : id(FormatHex8(f.identification)),
        subsystem(FormatHex8(f.subsystem)),
        revision(FormatHex8(f.revision).substr(6)),
        location(FormatHex8(static_cast<std::uint32_t>(f.bus) << 16 | f.device << 8 | f.function)) {}
  std::string WithSubsystem(const std::string& tail) const { return id + "." + subsystem + "." + tail; }
  std::string WithId(const std::string& tail) const { return id + "." + tail; }
};

SuperIoAccess Ports(const AppState& app) { return SuperIoAccess{*app.Sys.Io, *app.Sys.Locks}; }

}  // namespace

std::string FormatHex8(std::uint32_t value) {
  static constexpr char kDigits[] = "0123456789abcdef";
  std::string text(8, '0');
  for (int i = 7; i >= 0; --i, value >>= 4) text[static_cast<std::size_t>(i)] = kDigits[value & 0xF];
  return text;
}

void ApplyDeviceSections(AppState& app, const PciFunctionKeys& f) {
  const SuperIoAccess ports = Ports(app);
  const char* chip = IdentifySuperIoChip(ports);
  const char* ias = ProbeWinbondIas(ports);
  const std::uint32_t fintek2E = ReadFintekId(ports, kSioPort2E);
  const std::uint32_t fintek4E = ReadFintekId(ports, kSioPort4E);
  if (app.Observer) app.Observer->DeviceTokens(chip, ias, fintek2E, fintek4E);

  const KeyTexts k(f);
  AddSectionEntries(app, k.WithSubsystem(k.revision));
  if (chip) AddSectionEntries(app, k.WithSubsystem(chip));
  if (ias) AddSectionEntries(app, k.WithSubsystem(ias));
  if (fintek2E) AddSectionEntries(app, k.WithSubsystem(FormatHex8(fintek2E)));
  if (fintek4E) AddSectionEntries(app, k.WithSubsystem(FormatHex8(fintek4E)));
  AddSectionEntries(app, k.WithSubsystem(k.location));
  AddSectionEntries(app, k.id + "." + k.subsystem);
  if (chip) AddSectionEntries(app, k.WithId(chip));
  if (ias) AddSectionEntries(app, k.WithId(ias));
  // Only the chip at 0x4E has an identification-only key of its own.
  if (fintek4E) AddSectionEntries(app, k.WithId(FormatHex8(fintek4E)));
  AddSectionEntries(app, k.WithId(k.location));
  AddSectionEntries(app, k.id);
}

void ApplyCirSections(AppState& app, const PciFunctionKeys& f) {
  const SuperIoAccess ports = Ports(app);
  const char* cir2E = ProbeFintekCir(ports, kSioPort2E);
  const char* cir4E = ProbeFintekCir(ports, kSioPort4E);
  if (app.Observer) app.Observer->CirTokens(cir2E, cir4E);

  const KeyTexts k(f);
  AddSectionEntries(app, k.WithSubsystem(k.revision));
  if (cir2E) AddSectionEntries(app, k.WithSubsystem(cir2E));
  if (cir4E) AddSectionEntries(app, k.WithSubsystem(cir4E));
  AddSectionEntries(app, k.WithSubsystem(k.location));
  AddSectionEntries(app, k.id + "." + k.subsystem);
  if (cir2E) AddSectionEntries(app, k.WithId(cir2E));
  if (cir4E) AddSectionEntries(app, k.WithId(cir4E));
  AddSectionEntries(app, k.WithId(k.location));
  AddSectionEntries(app, k.id);
}

void ScanPciDevices(AppState& app) {
  WalkPciFunctions(*app.Sys.Io, *app.Sys.Locks, kScannedLastBus, [&app](const PciFunctionKeys& f) {
    ApplyDeviceSections(app, f);
    ApplyCirSections(app, f);
  });
}

}  // namespace drivora
