// The PCI scan: every function that answers on buses 0 to 128 yields hardware
// keys (identification, subsystem, revision, location, Super I/O tokens) that
// name sections of the configuration file.
#pragma once

#include <cstdint>
#include <string>

#include "detect/pci_walk.h"

namespace drivora {

struct AppState;

// Exactly eight lower-case hexadecimal digits.
std::string FormatHex8(std::uint32_t value);

void ScanPciDevices(AppState& app);
void ApplyDeviceSections(AppState& app, const PciFunctionKeys& f);
void ApplyCirSections(AppState& app, const PciFunctionKeys& f);

}  // namespace drivora
