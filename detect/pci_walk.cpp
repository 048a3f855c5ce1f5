#include "detect/pci_walk.h"

#include "portio/board_addresses.h"

namespace drivora {
namespace {

std::uint8_t ReadConfigByte(Hardware& io, std::uint32_t address) {
  io.WritePortDword(kPciAddressPort, address);
  return io.ReadPortByte(kPciDataPort);
}

// The three fields of one address under one hold of the PCI lock: the same
// protection as a hold around each pair, with a third of the lock traffic.
PciFunctionKeys ReadFunctionFields(Hardware& io, HardwareLocks& locks, std::uint32_t address) {
  ScopedHardwareLock lock(locks, HardwareLock::PciConfig);
  PciFunctionKeys f{};
  f.identification = ReadPciConfigDword(io, address + 0x00);
  f.subsystem = ReadPciConfigDword(io, address + 0x2C);
  f.revision = ReadConfigByte(io, address + 0x08);
  return f;
}

}  // namespace

std::uint32_t ReadPciConfigDword(Hardware& io, std::uint32_t address) {
  io.WritePortDword(kPciAddressPort, address);
  return io.ReadPortDword(kPciDataPort);
}

void WalkPciFunctions(Hardware& io, HardwareLocks& locks, unsigned lastBus,
                      const std::function<void(const PciFunctionKeys&)>& visit) {
  for (unsigned bus = 0; bus <= lastBus; ++bus) {
    for (unsigned device = 0; device < kPciDevices; ++device) {
      for (unsigned function = 0; function < kPciFunctions; ++function) {
        PciFunctionKeys f = ReadFunctionFields(io, locks, PciConfigAddress(bus, device, function));
        if (f.identification == 0xFFFFFFFFu) continue;
        f.bus = static_cast<std::uint8_t>(bus);
        f.device = static_cast<std::uint8_t>(device);
        f.function = static_cast<std::uint8_t>(function);
        visit(f);
      }
    }
  }
}

}  // namespace drivora
