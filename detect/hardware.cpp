#include "detect/hardware.h"

#include <cstring>

namespace drivora {

bool ReadPhysicalDword(Hardware& hardware, std::uint32_t address, std::uint32_t& out) {
  std::uint32_t handle = 0;
  const void* pointer = hardware.MapPhysicalMemory(address, 4, handle);
  if (!pointer) return false;
  std::memcpy(&out, pointer, sizeof out);
  hardware.UnmapPhysicalMemory(handle, pointer);
  return true;
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
