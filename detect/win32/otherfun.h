// The device requests on the NT platform: every port access and every
// mapping of physical memory is one DeviceIoControl on the open device
// (AppState::PortIoDevice), in the wire format of portio/wire.h.
#pragma once

#include <windows.h>

#include <cstdint>

#include "detect/hardware.h"
#include "portio/wire.h"

namespace drivora {
struct AppState;
}

namespace drivora::win32 {

// The error box of a failed read names this source unit and these lines,
// whatever the lines of this file are: the texts are the program's own.
constexpr char kRequestUnit[] = "otherfun";
constexpr int kReadByteErrorLine = 145;
constexpr int kReadDwordErrorLine = 192;
constexpr char kRequestErrorCaption[] = "Error...";

// The pointer to the address wanted, from a map reply whose mapping may begin
// below it.
const void* CompensatedPointer(const portio::Phys32Struct& reply, std::uint32_t wanted);

using DeviceIoControlFn = BOOL(WINAPI*)(HANDLE, DWORD, LPVOID, DWORD, LPVOID, DWORD, LPDWORD, LPOVERLAPPED);

class DeviceIoHardware final : public Hardware {
 public:
  // `send` is DeviceIoControl itself except in tests that play the device.
  explicit DeviceIoHardware(const AppState& app, DeviceIoControlFn send = DeviceIoControl) : app_(app), send_(send) {}

  // A failed read shows the error box and reads as all ones, which the
  // callers take for an absent device.
  std::uint8_t ReadPortByte(std::uint16_t port) override;
  bool WritePortByte(std::uint16_t port, std::uint8_t value) override;
  std::uint32_t ReadPortDword(std::uint16_t port) override;
  bool WritePortDword(std::uint16_t port, std::uint32_t value) override;
  const void* MapPhysicalMemory(std::uint32_t address, std::uint32_t length, std::uint32_t& handle) override;
  bool UnmapPhysicalMemory(std::uint32_t handle, const void* pointer) override;
  // The firmware area cannot be addressed directly on the NT platform.
  bool ReadFirmwareDirectly(std::uint8_t*, std::uint32_t) override { return false; }

 private:
  bool Send(std::uint32_t code, void* buffer, DWORD inBytes, DWORD outBytes);

  const AppState& app_;
  DeviceIoControlFn send_;
};

}  // namespace drivora::win32
