#include "detect/hardware.h"

#include <cstring>
#include <initializer_list>

namespace drivora {

bool ReadPhysicalDword(Hardware& hardware, std::uint32_t address, std::uint32_t& out) {
  std::uint32_t handle = 0;
  const void* pointer = hardware.MapPhysicalMemory(address, 4, handle);
  if (!pointer) return false;
  std::memcpy(&out, pointer, sizeof out);
  hardware.UnmapPhysicalMemory(handle, pointer);
  return true;
}

bool HardwareLocks::Acquire(HardwareLock which) {
  State& lock = Of(which);
  if (lock.held) return true;
  if (lock.givenUp) return false;
  const WaitOutcome outcome = Wait(which);
  lock.held = outcome == WaitOutcome::Acquired;
  lock.givenUp = !lock.held;
  return lock.held;
}

void HardwareLocks::Release(HardwareLock which) {
  State& lock = Of(which);
  lock.setAside = false;
  if (!lock.held) return;
  lock.held = false;
  Give(which);
}

void HardwareLocks::SetAside() {
  for (const HardwareLock which : {HardwareLock::SuperIo, HardwareLock::PciConfig}) {
    State& lock = Of(which);
    if (!lock.held) continue;
    Release(which);
    lock.setAside = true;
  }
}

void HardwareLocks::TakeBack() {
  for (const HardwareLock which : {HardwareLock::SuperIo, HardwareLock::PciConfig}) {
    State& lock = Of(which);
    if (!lock.setAside) continue;
    lock.setAside = false;
    Acquire(which);
  }
}

std::uint8_t CountingHardware::ReadPortByte(std::uint16_t port) {
  ++counts_.readByte;
  return inner_.ReadPortByte(port);
}

bool CountingHardware::WritePortByte(std::uint16_t port, std::uint8_t value) {
  ++counts_.writeByte;
  return inner_.WritePortByte(port, value);
}

std::uint32_t CountingHardware::ReadPortDword(std::uint16_t port) {
  ++counts_.readDword;
  return inner_.ReadPortDword(port);
}

bool CountingHardware::WritePortDword(std::uint16_t port, std::uint32_t value) {
  ++counts_.writeDword;
  return inner_.WritePortDword(port, value);
}

const void* CountingHardware::MapPhysicalMemory(std::uint32_t address, std::uint32_t length, std::uint32_t& handle) {
  ++counts_.map;
  return inner_.MapPhysicalMemory(address, length, handle);
}

bool CountingHardware::UnmapPhysicalMemory(std::uint32_t handle, const void* pointer) {
  ++counts_.unmap;
  return inner_.UnmapPhysicalMemory(handle, pointer);
}

}  // namespace drivora
