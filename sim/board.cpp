#include "sim/board.h"

namespace drivora::sim {
namespace {

SuperIoChip* ChipAtIndexPort(Board& board, uint16_t port) {
  for (SuperIoChip& chip : board.superIo)
    if (chip.present && chip.indexPort == port) return &chip;
  return nullptr;
}

SuperIoChip* ChipAtDataPort(Board& board, uint16_t port) {
  for (SuperIoChip& chip : board.superIo)
    if (chip.present && chip.indexPort + 1 == port) return &chip;
  return nullptr;
}

// Advances a key-sequence match by one byte; true when the sequence completes.
bool Advance(const uint8_t* sequence, uint8_t length, uint8_t& progress, uint8_t value) {
  if (length == 0) return false;
  if (value == sequence[progress]) {
    if (++progress < length) return false;
    progress = 0;
    return true;
  }
  progress = (value == sequence[0]) ? 1 : 0;
  if (progress == length) {
    progress = 0;
    return true;
  }
  return false;
}

void WriteIndex(SuperIoChip& chip, uint8_t value) {
  if (!chip.configuring) {
    chip.configuring = Advance(chip.entry, chip.entryLength, chip.entryProgress, value);
    chip.exitProgress = 0;
    return;
  }
  chip.index = value;
  if (!chip.exitByRegister && Advance(chip.exit, chip.exitLength, chip.exitProgress, value)) chip.configuring = false;
}

uint8_t ReadRegister(const SuperIoChip& chip) {
  if (chip.index == 0x07) return chip.selectedDevice;
  if (chip.index < 0x30) return chip.global[chip.index];
  if (chip.selectedDevice >= kLogicalDevices) return 0x00;
  return chip.device[chip.selectedDevice][chip.index];
}

void WriteData(SuperIoChip& chip, uint8_t value) {
  if (!chip.configuring) return;
  if (chip.index == 0x07) chip.selectedDevice = value;
  if (chip.exitByRegister && chip.index == chip.exitRegister && value == chip.exitValue) chip.configuring = false;
}

}  // namespace

uint32_t BoardReadPciConfig(const Board& board, uint32_t address, uint32_t offset, uint32_t bytes) {
  const uint32_t mask = bytes >= 4 ? 0xFFFFFFFFu : (1u << (8 * bytes)) - 1;
  if (!(address & kPciEnable) || offset > 4 || bytes > 4 - offset) return mask;
  const PciFunction* found =
      FindPciFunction(board, PciAddressBus(address), PciAddressDevice(address), PciAddressFunction(address));
  if (!found) return mask;
  return (found->config[PciAddressRegister(address) / 4] >> (8 * offset)) & mask;
}

const PciFunction* FindPciFunction(const Board& board, uint8_t bus, uint8_t device, uint8_t function) {
  for (int i = 0; i < board.pciCount; ++i) {
    const PciFunction& f = board.pci[i];
    if (f.bus == bus && f.device == device && f.function == function) return &f;
  }
  return nullptr;
}

uint8_t BoardReadPortByte(Board& board, uint16_t port) {
  if (port >= kPciDataPort && port < kPciDataPort + 4)
    return static_cast<uint8_t>(BoardReadPciConfig(board, board.pciAddress, port - kPciDataPort, 1));
  if (SuperIoChip* chip = ChipAtDataPort(board, port)) return chip->configuring ? ReadRegister(*chip) : 0xFF;
  return 0xFF;
}

void BoardWritePortByte(Board& board, uint16_t port, uint8_t value) {
  if (SuperIoChip* chip = ChipAtIndexPort(board, port)) WriteIndex(*chip, value);
  else if (SuperIoChip* dataChip = ChipAtDataPort(board, port)) WriteData(*dataChip, value);
}

uint32_t BoardReadPortDword(Board& board, uint16_t port) {
  if (port == kPciAddressPort) return board.pciAddress;
  if (port == kPciDataPort) return BoardReadPciConfig(board, board.pciAddress, 0, 4);
  return 0xFFFFFFFFu;
}

void BoardWritePortDword(Board& board, uint16_t port, uint32_t value) {
  // Configuration writes through 0xCFC are ignored: the model is read-only.
  if (port == kPciAddressPort) board.pciAddress = value;
}

const uint8_t* BoardPhysicalMemory(const Board& board, uint32_t address, uint32_t length) {
  if (address < kFirmwareStart || length == 0) return nullptr;
  const uint32_t offset = address - kFirmwareStart;
  if (offset > kFirmwareSize || length > kFirmwareSize - offset) return nullptr;
  return board.firmware + offset;
}

}  // namespace drivora::sim
