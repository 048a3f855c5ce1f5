#include "detect/superio.h"

#include <span>

#include "detect/superio_protocol.h"

namespace drivora {

using namespace superio;

namespace {

void WriteSequence(Hardware& io, std::uint16_t port, std::span<const std::uint8_t> bytes) {
  for (std::uint8_t b : bytes) io.WritePortByte(port, b);
}

// Each comparison reads the register anew, as the chips were always probed.
bool RegisterIs(Hardware& io, std::uint16_t port, std::uint8_t reg, std::uint8_t value) {
  return SioRead(io, port, reg) == value;
}

const char* ProbeWinbond(Hardware& io) {
  SioEnter(io, kSioPort2E);
  const char* name = nullptr;
  if (RegisterIs(io, kSioPort2E, kRegChipId, 0x52)) name = "WINBOND627";
  else if (RegisterIs(io, kSioPort2E, kRegChipId, 0x82)) name = "WINBOND627T";
  else if (RegisterIs(io, kSioPort2E, kRegChipId, 0x85)) name = "WINBOND687T";
  else if (RegisterIs(io, kSioPort2E, kRegChipId, 0x60)) name = "WINBOND697";
  SioExit(io, kSioPort2E);
  return name;
}

// Leaves an ITE chip's configuration mode, so that the probes after this one
// read nothing from it.
void IteExit(Hardware& io) { SioWrite(io, kSioPort2E, kRegIteConfigControl, kIteExitValue); }

// The ITE chips leave configuration mode only through their own exit, which
// is not written when no ITE chip answered.
const char* ProbeIte(Hardware& io) {
  WriteSequence(io, kSioPort2E, kIteEntry);
  if (!RegisterIs(io, kSioPort2E, kRegChipId, kIteChipId)) return nullptr;
  if (RegisterIs(io, kSioPort2E, kRegChipIdLow, 0x05)) {
    IteExit(io);
    return "ITE8705";
  }
  if (!RegisterIs(io, kSioPort2E, kRegChipIdLow, 0x12)) return nullptr;
  const std::uint8_t version = SioRead(io, kSioPort2E, kRegChipVersion);
  IteExit(io);
  return (version & 0x0F) == 7 ? "ITE8712IX" : "ITE8712";
}

const char* ProbeFintek(Hardware& io, std::uint16_t port) {
  SioEnter(io, port);
  const char* name = nullptr;
  if (RegisterIs(io, port, kRegVendor, kFintekVendor)) {
    if (RegisterIs(io, port, kRegChipId, 0x04)) {
      name = "F71805F";
    } else if (RegisterIs(io, port, kRegChipId, 0x03)) {
      SioWrite(io, port, kRegLogicalDevice, 5);
      name = RegisterIs(io, port, kRegActivate, 1) ? "F71872F" : "F71806F";
    } else if (RegisterIs(io, port, kRegChipId, 0x05)) {
      name = "F71882F";
    } else if (RegisterIs(io, port, kRegChipId, 0x06)) {
      name = "F71862F";
    } else {
      name = "FINTEKSIO";
    }
  }
  SioExit(io, port);
  return name;
}

}  // namespace

void SioEnter(Hardware& io, std::uint16_t indexPort) { WriteSequence(io, indexPort, kStandardEntry); }

void SioExit(Hardware& io, std::uint16_t indexPort) { io.WritePortByte(indexPort, kStandardExit); }

std::uint8_t SioRead(Hardware& io, std::uint16_t indexPort, std::uint8_t reg) {
  io.WritePortByte(indexPort, reg);
  return io.ReadPortByte(static_cast<std::uint16_t>(indexPort + 1));
}

void SioWrite(Hardware& io, std::uint16_t indexPort, std::uint8_t reg, std::uint8_t value) {
  io.WritePortByte(indexPort, reg);
  io.WritePortByte(static_cast<std::uint16_t>(indexPort + 1), value);
}

const char* IdentifySuperIoChip(SuperIoAccess access) {
  Hardware& io = access.io;
  // Each probe holds the lock from its entry to its exit, never across probes.
  const auto underLock = [&](auto probe) {
    ScopedHardwareLock lock(access.locks, HardwareLock::SuperIo);
    return probe();
  };
  if (const char* name = underLock([&] { return ProbeWinbond(io); })) return name;
  if (const char* name = underLock([&] { return ProbeIte(io); })) return name;
  if (const char* name = underLock([&] { return ProbeFintek(io, kSioPort2E); })) return name;
  return underLock([&] { return ProbeFintek(io, kSioPort4E); });
}

std::uint32_t ReadFintekId(SuperIoAccess access, std::uint16_t port) {
  ScopedHardwareLock lock(access.locks, HardwareLock::SuperIo);
  Hardware& io = access.io;
  SioEnter(io, port);
  std::uint32_t id = 0;
  if (RegisterIs(io, port, kRegVendor, kFintekVendor)) {
    id = SioRead(io, port, kRegVendorLow);
    id |= static_cast<std::uint32_t>(SioRead(io, port, kRegVendor)) << 8;
    id |= static_cast<std::uint32_t>(SioRead(io, port, kRegChipIdLow)) << 16;
    id |= static_cast<std::uint32_t>(SioRead(io, port, kRegChipId)) << 24;
  }
  SioExit(io, port);
  return id;
}

const char* ProbeFintekCir(SuperIoAccess access, std::uint16_t port) {
  ScopedHardwareLock lock(access.locks, HardwareLock::SuperIo);
  Hardware& io = access.io;
  SioEnter(io, port);
  bool active = false;
  if (RegisterIs(io, port, kRegVendor, kFintekVendor)) {
    SioWrite(io, port, kRegLogicalDevice, 8);
    active = RegisterIs(io, port, kRegActivate, 1);
  }
  SioExit(io, port);
  return active ? "CIR" : nullptr;
}

const char* ProbeWinbondIas(SuperIoAccess access) {
  ScopedHardwareLock lock(access.locks, HardwareLock::SuperIo);
  Hardware& io = access.io;
  WriteSequence(io, kSioPort4E, kIasEntry);
  if (!RegisterIs(io, kSioPort4E, kRegChipId, kIasChipId)) return nullptr;
  for (std::uint8_t device : {0, 1, 3}) {
    SioWrite(io, kSioPort4E, kRegLogicalDevice, device);
    if (SioRead(io, kSioPort4E, kRegActivate) != 0) {
      SioExit(io, kSioPort4E);
      return "WINBOND_IAS";
    }
  }
  SioExit(io, kSioPort4E);
  return nullptr;
}

}  // namespace drivora
