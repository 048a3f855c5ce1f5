// What the Super I/O probes write and read: the configuration registers and
// the key sequences that open and close a chip's configuration mode. The
// board capture uses the same values, so that it reads exactly what the
// wizard's probes would.
#pragma once

#include <array>
#include <cstdint>

#include "portio/rules.h"

namespace drivora::superio {

// The driver lets a program write exactly the registers the probes write, so
// both take them from the driver's rules.
constexpr std::uint8_t kRegIteConfigControl = portio::kIteConfigControlRegister;
constexpr std::uint8_t kRegLogicalDevice = portio::kSuperIoLogicalDeviceRegister;
constexpr std::uint8_t kRegChipId = 0x20;
constexpr std::uint8_t kRegChipIdLow = 0x21;
constexpr std::uint8_t kRegChipVersion = 0x22;
constexpr std::uint8_t kRegVendor = 0x23;
constexpr std::uint8_t kRegVendorLow = 0x24;
constexpr std::uint8_t kRegActivate = 0x30;

constexpr std::uint8_t kFintekVendor = 0x19;
constexpr std::uint8_t kIteChipId = 0x87;
constexpr std::uint8_t kIasChipId = 0x71;

// Written to the index port.
constexpr std::array<std::uint8_t, 2> kStandardEntry{0x87, 0x87};
constexpr std::array<std::uint8_t, 4> kIteEntry{0x87, 0x01, 0x55, 0x55};
constexpr std::array<std::uint8_t, 2> kIasEntry{0x83, 0x83};
constexpr std::uint8_t kStandardExit = 0xAA;

// The ITE chips leave configuration mode when bit 1 of their register 0x02
// is written: 0x02 to the index port, then 0x02 to the data port. Both bytes
// to the index port would only select register 0x02 and stay in the mode.
constexpr std::uint8_t kIteExitValue = portio::kIteExitValue;

}  // namespace drivora::superio
