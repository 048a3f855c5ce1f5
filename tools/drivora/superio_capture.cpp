#include "tools/drivora/superio_capture.h"

#include <cstring>
#include <vector>

#include "detect/superio_protocol.h"

namespace drivora::tool {
namespace {

using namespace superio;

enum class Kind { Standard, Ite, Ias };

struct KeySequence {
  Kind kind;
  std::vector<std::uint8_t> entry;
};

void WriteBytes(Hardware& io, std::uint16_t port, const std::vector<std::uint8_t>& bytes) {
  for (std::uint8_t b : bytes) io.WritePortByte(port, b);
}

// The logical devices whose activation the probes read on a chip of this kind.
std::vector<std::uint8_t> DevicesProbed(Kind kind, const std::uint8_t* global) {
  if (kind == Kind::Ias) return global[kRegChipId] == kIasChipId ? std::vector<std::uint8_t>{0, 1, 3} : std::vector<std::uint8_t>{};
  if (kind != Kind::Standard || global[kRegVendor] != kFintekVendor) return {};
  if (global[kRegChipId] == 0x03) return {5, 8};
  return {8};
}

// The wizard's own exits, which the file records: the standard and IAS chips
// leave on 0xAA, the ITE chips on register 02 written with 02.
void Leave(Hardware& io, std::uint16_t port, Kind kind, sim::SuperIoChip& chip) {
  if (kind == Kind::Ite) {
    SioWrite(io, port, kRegIteConfigControl, kIteExitValue);
    chip.exitByRegister = true;
    chip.exitRegister = kRegIteConfigControl;
    chip.exitValue = kIteExitValue;
    return;
  }
  SioExit(io, port);
  chip.exit[0] = kStandardExit;
  chip.exitLength = 1;
}

void ReadDevices(Hardware& io, std::uint16_t port, Kind kind, sim::SuperIoChip& chip) {
  const std::vector<std::uint8_t> devices = DevicesProbed(kind, chip.global);
  if (devices.empty()) return;
  const std::uint8_t selected = SioRead(io, port, kRegLogicalDevice);
  for (std::uint8_t device : devices) {
    SioWrite(io, port, kRegLogicalDevice, device);
    chip.device[device][kRegActivate] = SioRead(io, port, kRegActivate);
  }
  SioWrite(io, port, kRegLogicalDevice, selected);
}

// True when a chip answered `sequence` at `port`; then `chip` holds it.
bool TrySequence(SuperIoAccess access, std::uint16_t port, const KeySequence& sequence, sim::SuperIoChip& chip) {
  ScopedHardwareLock lock(access.locks, HardwareLock::SuperIo);
  Hardware& io = access.io;
  WriteBytes(io, port, sequence.entry);
  bool answered = false;
  for (std::uint8_t reg = 0; reg < 0x30; ++reg) {
    if (reg == kRegLogicalDevice) continue;
    chip.global[reg] = SioRead(io, port, reg);
    answered = answered || chip.global[reg] != 0xFF;
  }
  if (!answered) {
    // Where nothing answered, the wizard writes no ITE or IAS exit either.
    if (sequence.kind == Kind::Standard) SioExit(io, port);
    std::memset(&chip, 0, sizeof chip);
    return false;
  }
  ReadDevices(io, port, sequence.kind, chip);
  Leave(io, port, sequence.kind, chip);
  chip.present = true;
  chip.indexPort = port;
  chip.entryLength = static_cast<std::uint8_t>(sequence.entry.size());
  std::memcpy(chip.entry, sequence.entry.data(), sequence.entry.size());
  return true;
}

}  // namespace

void CaptureSuperIoChips(SuperIoAccess access, sim::Board& board) {
  const KeySequence standard{Kind::Standard, {kStandardEntry.begin(), kStandardEntry.end()}};
  const KeySequence ite{Kind::Ite, {kIteEntry.begin(), kIteEntry.end()}};
  const KeySequence ias{Kind::Ias, {kIasEntry.begin(), kIasEntry.end()}};
  sim::SuperIoChip& at2E = board.superIo[0];
  sim::SuperIoChip& at4E = board.superIo[1];
  if (!TrySequence(access, kSioPort2E, standard, at2E)) TrySequence(access, kSioPort2E, ite, at2E);
  if (!TrySequence(access, kSioPort4E, standard, at4E)) TrySequence(access, kSioPort4E, ias, at4E);
}

}  // namespace drivora::tool
