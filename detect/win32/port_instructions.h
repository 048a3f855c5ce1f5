// The 9x platform's way to the hardware: the processor's port instructions,
// which Windows 95, 98 and ME let a program execute, and the firmware area,
// which they map at its own address into every process. Nothing of it can
// run on the NT platform (the instructions fault there), and it has not been
// tried on a real 9x system.
#pragma once

#include "detect/hardware.h"

namespace drivora::win32 {

class PortInstructionHardware final : public Hardware {
 public:
  std::uint8_t ReadPortByte(std::uint16_t port) override;
  // The writes report nothing on this platform; no caller looks.
  bool WritePortByte(std::uint16_t port, std::uint8_t value) override;
  std::uint32_t ReadPortDword(std::uint16_t port) override;
  bool WritePortDword(std::uint16_t port, std::uint32_t value) override;
  // Physical memory is not mapped on this platform: the firmware area is read
  // in place instead.
  const void* MapPhysicalMemory(std::uint32_t, std::uint32_t, std::uint32_t&) override { return nullptr; }
  bool UnmapPhysicalMemory(std::uint32_t, const void*) override { return false; }
  bool ReadFirmwareDirectly(std::uint8_t* image, std::uint32_t size) override;
};

}  // namespace drivora::win32
