// The simulated board: PCI configuration space, Super I/O chips, the firmware
// area and the device keys Windows enumerated, behaving at the ports as real
// hardware does.
//
// This file and board.cpp, board_parser.cpp are also compiled into the
// kernel-mode test driver: plain fixed-size tables, no exceptions, no RTTI,
// no library beyond <stdint.h>/<stddef.h>, and no allocation after loading.
#pragma once

#include <stddef.h>
#include <stdint.h>

#include "portio/board_addresses.h"

namespace drivora::sim {

constexpr uint32_t kFirmwareTagOffset = 0x0100;  // where the tags of a board file are written

constexpr int kMaxPciFunctions = 256;
constexpr int kMaxEnumKeys = 64;
constexpr int kMaxEnumKeyBytes = 512;
constexpr int kMaxNameBytes = 128;
constexpr int kMaxSequence = 8;
constexpr int kLogicalDevices = 16;
constexpr int kSuperIoSlots = 2;  // index port 0x2E, then 0x4E

struct PciFunction {
  uint8_t bus, device, function;
  uint32_t config[64];  // the 256-byte configuration header, as dwords
};

struct SuperIoChip {
  bool present;
  uint16_t indexPort;
  uint8_t entry[kMaxSequence];
  uint8_t entryLength;
  uint8_t exit[kMaxSequence];  // bytes to the index port that leave configuration mode
  uint8_t exitLength;
  bool exitByRegister;  // or a register write leaves it
  uint8_t exitRegister, exitValue;
  uint8_t global[0x30];
  uint8_t device[kLogicalDevices][0x100];  // registers 0x30 and above of each logical device

  // Port state, changed by the traffic.
  bool configuring;
  uint8_t entryProgress, exitProgress;
  uint8_t index;
  uint8_t selectedDevice;
};

struct Board {
  char name[kMaxNameBytes];
  PciFunction pci[kMaxPciFunctions];
  int pciCount;
  SuperIoChip superIo[kSuperIoSlots];
  uint8_t firmware[kFirmwareSize];
  char enumKeys[kMaxEnumKeys][kMaxEnumKeyBytes];
  int enumKeyCount;
  uint32_t pciAddress;  // last dword written to 0xCF8
};

// The board's answers at the ports and in physical memory.
uint8_t BoardReadPortByte(Board& board, uint16_t port);
void BoardWritePortByte(Board& board, uint16_t port, uint8_t value);
uint32_t BoardReadPortDword(Board& board, uint16_t port);
void BoardWritePortDword(Board& board, uint16_t port, uint32_t value);
// One configuration read as the machine carries it out: `bytes` (1 to 4) from
// byte `offset` of the dword that `address` (as written to 0xCF8) selects;
// all ones when the enable bit is clear or no function is there. The port
// operations above answer 0xCFC to 0xCFF with it from the latch; the test
// driver with the address a handle holds.
uint32_t BoardReadPciConfig(const Board& board, uint32_t address, uint32_t offset, uint32_t bytes);
// The firmware bytes of [address, address + length), or null when the range is
// not wholly inside 0xF0000-0xFFFFF.
const uint8_t* BoardPhysicalMemory(const Board& board, uint32_t address, uint32_t length);

// Looks a function up by its location.
const PciFunction* FindPciFunction(const Board& board, uint8_t bus, uint8_t device, uint8_t function);

}  // namespace drivora::sim
