// Where a program finds the board: the PCI configuration mechanism (an
// address dword written to one port selects a register, which is then read at
// the other) and the firmware area with the identification text in it. The
// driver's rules, detection, the simulated board and the board capture all
// take these from here. Freestanding, like wire.h: the driver compiles it.
#pragma once

#include <stdint.h>

namespace drivora {

constexpr uint16_t kPciAddressPort = 0xCF8;
constexpr uint16_t kPciDataPort = 0xCFC;  // its byte reads: 0xCFC to 0xCFF

// An address as written to kPciAddressPort: the enable bit, the bus in bits
// 16 to 23, the device in 11 to 15, the function in 8 to 10 and the byte
// offset of a dword of the configuration header in 2 to 7. With the enable
// bit clear no function answers.
constexpr uint32_t kPciEnable = 0x80000000u;
constexpr unsigned kPciDevices = 32;
constexpr unsigned kPciFunctions = 8;
constexpr unsigned kPciLastBus = 255;
// The wizard scans buses 0 to 128 only: 129 of them, not 256.
constexpr unsigned kScannedLastBus = 128;

constexpr uint32_t PciConfigAddress(uint32_t bus, uint32_t device, uint32_t function) {
  return kPciEnable | bus << 16 | device << 11 | function << 8;
}
constexpr uint8_t PciAddressBus(uint32_t address) { return static_cast<uint8_t>(address >> 16); }
constexpr uint8_t PciAddressDevice(uint32_t address) { return static_cast<uint8_t>(address >> 11 & 0x1F); }
constexpr uint8_t PciAddressFunction(uint32_t address) { return static_cast<uint8_t>(address >> 8 & 0x07); }
// The byte offset of the dword the address selects.
constexpr uint32_t PciAddressRegister(uint32_t address) { return address & 0xFC; }

static_assert(PciConfigAddress(0x80, 0x1F, 7) == 0x8080FF00u);
static_assert(PciAddressBus(0x8080FF2Cu) == 0x80 && PciAddressDevice(0x8080FF2Cu) == 0x1F);
static_assert(PciAddressFunction(0x8080FF2Cu) == 7 && PciAddressRegister(0x8080FF2Fu) == 0x2C);

// The firmware area, 0xF0000 to 0xFFFFF; its identification text begins at
// 0xFE0C1.
constexpr uint32_t kFirmwareStart = 0xF0000;
constexpr uint32_t kFirmwareSize = 0x10000;
constexpr uint32_t kFirmwareEnd = kFirmwareStart + kFirmwareSize;  // one past the last byte
constexpr uint32_t kFirmwareIdOffset = 0xE0C1;

}  // namespace drivora
