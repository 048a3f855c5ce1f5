#include "detect/win32/port_instructions.h"

#include <cstdint>

#include "portio/board_addresses.h"

namespace drivora::win32 {

std::uint8_t PortInstructionHardware::ReadPortByte(std::uint16_t port) {
  std::uint8_t value;
  __asm__ __volatile__("inb %w1, %b0" : "=a"(value) : "Nd"(port));
  return value;
}

bool PortInstructionHardware::WritePortByte(std::uint16_t port, std::uint8_t value) {
  __asm__ __volatile__("outb %b0, %w1" : : "a"(value), "Nd"(port));
  return true;
}

std::uint32_t PortInstructionHardware::ReadPortDword(std::uint16_t port) {
  std::uint32_t value;
  __asm__ __volatile__("inl %w1, %k0" : "=a"(value) : "Nd"(port));
  return value;
}

bool PortInstructionHardware::WritePortDword(std::uint16_t port, std::uint32_t value) {
  __asm__ __volatile__("outl %k0, %w1" : : "a"(value), "Nd"(port));
  return true;
}

bool PortInstructionHardware::ReadFirmwareDirectly(std::uint8_t* image, std::uint32_t size) {
  // Read byte by byte through a volatile pointer: the compiler may assume
  // nothing about memory at a fixed address.
  const auto* firmware = reinterpret_cast<const volatile std::uint8_t*>(std::uintptr_t{kFirmwareStart});
  for (std::uint32_t i = 0; i < size && i < kFirmwareSize; ++i) image[i] = firmware[i];
  return true;
}

}  // namespace drivora::win32
