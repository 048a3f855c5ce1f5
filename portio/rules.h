// What the driver lets a program touch. A driver that reads and writes any
// port or maps any physical address hands the machine to whoever can open it,
// so it answers only what the wizard needs: the PCI configuration mechanism,
// the two Super I/O configuration port pairs (and of their registers, only
// what the probes write) and the firmware area.
#pragma once

#include <stddef.h>
#include <stdint.h>

#include "portio/board_addresses.h"

namespace drivora::portio {

enum class PortWidth { Byte, Dword };
enum class PortAccess { Read, Write };

// PCI configuration space stays read-only: the wizard only ever writes the
// address latch, and a write through 0xCFC could move a device's decoders.
// The Super I/O pairs need writes (the key sequences and the index).
constexpr bool PortAllowed(PortWidth width, PortAccess access, uint32_t port) {
  const bool superIo = port == 0x2E || port == 0x2F || port == 0x4E || port == 0x4F;
  if (width == PortWidth::Dword)
    return port == kPciAddressPort || (access == PortAccess::Read && port == kPciDataPort);
  if (superIo) return true;
  return access == PortAccess::Read && port >= kPciDataPort && port <= kPciDataPort + 3u;
}

// The only Super I/O configuration registers a program may write: the
// logical-device select, and an ITE chip's configuration control written with
// its exit value. Reads of any register, and index writes, stay open.
constexpr uint8_t kSuperIoLogicalDeviceRegister = 0x07;
constexpr uint8_t kIteConfigControlRegister = 0x02;
constexpr uint8_t kIteExitValue = 0x02;

constexpr bool SuperIoRegisterWriteAllowed(uint8_t index, uint8_t value) {
  return index == kSuperIoLogicalDeviceRegister || (index == kIteConfigControlRegister && value == kIteExitValue);
}

// [address, address + length) wholly inside the firmware area, written so that
// no sum can wrap around.
constexpr bool FirmwareRangeAllowed(uint32_t address, uint32_t length) {
  return length > 0 && address >= kFirmwareStart && address < kFirmwareEnd && length <= kFirmwareEnd - address;
}

// A handle sends requests only when it was opened to read: the wizard's own
// open asks for GENERIC_READ, which Windows grants as FILE_READ_DATA among
// other rights. An open for nothing but, say, the file's attributes gets no
// way to the ports.
constexpr uint32_t kFileReadData = 0x0001;
constexpr uint32_t kGenericAll = 0x10000000;
constexpr uint32_t kGenericRead = 0x80000000;

constexpr bool OpenedToRead(uint32_t access) { return (access & (kFileReadData | kGenericRead | kGenericAll)) != 0; }

// The test build reads a board's firmware image only from a plain file name
// beside the board file: no folder, no drive or device, no way up, nothing a
// file name cannot hold. The board file may be anyone's; the driver reads as
// the system.
constexpr bool PlainFileName(const char* name, size_t length) {
  if (length == 0 || (length == 1 && name[0] == '.') || (length == 2 && name[0] == '.' && name[1] == '.'))
    return false;
  for (size_t i = 0; i < length; ++i) {
    const unsigned char c = static_cast<unsigned char>(name[i]);
    if (c < 0x20 || c == '\\' || c == '/' || c == ':' || c == '*' || c == '?' || c == '"' || c == '<' || c == '>' ||
        c == '|')
      return false;
  }
  return true;
}

}  // namespace drivora::portio
