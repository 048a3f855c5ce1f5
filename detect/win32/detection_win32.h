// Everything hardware detection needs from Windows, in one object for WinMain
// to attach to the program's seams: the I/O driver service, the hardware
// (port instructions on the 9x platform, the driver's device otherwise) and
// the locks shared with other monitoring programs.
#pragma once

#include "app/app_state.h"
#include "detect/win32/driver.h"
#include "detect/win32/hardware_locks_win32.h"
#include "detect/win32/otherfun.h"
#include "detect/win32/port_instructions.h"

namespace drivora::win32 {

// Chooses by the platform id of AppState::OsVersion at each request, as the
// version is only known once start-up has asked for it: 1 is the 9x platform,
// anything else goes through the driver.
class Win32Hardware final : public Hardware {
 public:
  // `send` is DeviceIoControl itself except in tests that play the device.
  explicit Win32Hardware(const AppState& app, DeviceIoControlFn send = DeviceIoControl)
      : app_(app), device_(app, send) {}
  std::uint8_t ReadPortByte(std::uint16_t port) override { return Current().ReadPortByte(port); }
  bool WritePortByte(std::uint16_t port, std::uint8_t value) override { return Current().WritePortByte(port, value); }
  std::uint32_t ReadPortDword(std::uint16_t port) override { return Current().ReadPortDword(port); }
  bool WritePortDword(std::uint16_t port, std::uint32_t value) override {
    return Current().WritePortDword(port, value);
  }
  const void* MapPhysicalMemory(std::uint32_t address, std::uint32_t length, std::uint32_t& handle) override {
    return Current().MapPhysicalMemory(address, length, handle);
  }
  bool UnmapPhysicalMemory(std::uint32_t handle, const void* pointer) override {
    return Current().UnmapPhysicalMemory(handle, pointer);
  }
  bool ReadFirmwareDirectly(std::uint8_t* image, std::uint32_t size) override {
    return Current().ReadFirmwareDirectly(image, size);
  }

 private:
  Hardware& Current();

  const AppState& app_;
  DeviceIoHardware device_;
  PortInstructionHardware ports_;
};

class Win32Detection {
 public:
  explicit Win32Detection(AppState& app) : service_(app), hardware_(app) {}
  // Points the seams Driver, Io and Locks at this object's parts.
  void Attach(Platform& sys) {
    sys.Driver = &service_;
    sys.Io = &hardware_;
    sys.Locks = &locks_;
  }

 private:
  DriverPortIoService service_;
  Win32Hardware hardware_;
  Win32HardwareLocks locks_;
};

}  // namespace drivora::win32
