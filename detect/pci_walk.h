// The walk over PCI configuration space: every bus, device and function up to
// a last bus, read through the configuration ports under the PCI lock. The
// wizard's scan and the board capture both visit the board this way, so the
// capture records exactly the functions the scan would find.
#pragma once

#include <cstdint>
#include <functional>

#include "detect/hardware.h"

namespace drivora {

// The identity of one PCI function as the key passes use it.
struct PciFunctionKeys {
  std::uint32_t identification, subsystem;
  std::uint8_t revision, bus, device, function;
};

// One address write and one data read, which must not be split by another
// program: the caller holds the PCI lock.
std::uint32_t ReadPciConfigDword(Hardware& io, std::uint32_t address);

// Visits buses 0 to `lastBus` in order. At every address the identification,
// subsystem and revision are read under one hold of the PCI lock, whether a
// function answers or not; `visit` gets each function whose identification is
// not all ones, before the walk moves on.
void WalkPciFunctions(Hardware& io, HardwareLocks& locks, unsigned lastBus,
                      const std::function<void(const PciFunctionKeys&)>& visit);

}  // namespace drivora
