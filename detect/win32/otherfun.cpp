#include "detect/win32/otherfun.h"

#include <cstdint>

#include "app/app_state.h"
#include "app/error_box.h"

namespace drivora::win32 {

const void* CompensatedPointer(const portio::Phys32Struct& reply, std::uint32_t wanted) {
  // 32-bit arithmetic, as in the record: the program is a 32-bit process.
  const std::uint32_t pointer = reply.mappedAddress + (wanted - reply.physicalAddress);
  return reinterpret_cast<const void*>(static_cast<std::uintptr_t>(pointer));
}

bool DeviceIoHardware::Send(std::uint32_t code, void* buffer, DWORD inBytes, DWORD outBytes) {
  // The count of bytes returned is not looked at; the input and the reply
  // share the buffer.
  DWORD dwOutBytes = 0;
  return send_(static_cast<HANDLE>(app_.PortIoDevice), code, buffer, inBytes, outBytes ? buffer : nullptr, outBytes,
               &dwOutBytes, nullptr) != FALSE;
}

std::uint8_t DeviceIoHardware::ReadPortByte(std::uint16_t port) {
  portio::PortRequest buf{port, 0};
  if (!Send(portio::kReadByte, &buf, sizeof buf, sizeof buf)) {
    const DWORD code = GetLastError();
    ShowErrorBox(app_, nullptr, code, kRequestErrorCaption, kBoxIconInformation, kReadByteErrorLine, kRequestUnit);
    return 0xFF;
  }
  return static_cast<std::uint8_t>(buf.value);
}

bool DeviceIoHardware::WritePortByte(std::uint16_t port, std::uint8_t value) {
  portio::PortRequest buf{port, value};
  return Send(portio::kWriteByte, &buf, sizeof buf, sizeof buf);
}

std::uint32_t DeviceIoHardware::ReadPortDword(std::uint16_t port) {
  portio::PortRequest buf{port, 0};
  if (!Send(portio::kReadDword, &buf, sizeof buf, sizeof buf)) {
    const DWORD code = GetLastError();
    ShowErrorBox(app_, nullptr, code, kRequestErrorCaption, kBoxIconInformation, kReadDwordErrorLine, kRequestUnit);
    return 0xFFFFFFFFu;
  }
  return buf.value;
}

bool DeviceIoHardware::WritePortDword(std::uint16_t port, std::uint32_t value) {
  portio::PortRequest buf{port, value};
  return Send(portio::kWriteDword, &buf, sizeof buf, sizeof buf);
}

const void* DeviceIoHardware::MapPhysicalMemory(std::uint32_t address, std::uint32_t length, std::uint32_t& handle) {
  portio::Phys32Struct record{0, length, address, 0};
  if (!Send(portio::kMapPhysical, &record, sizeof record, sizeof record)) return nullptr;
  handle = record.handle;
  return CompensatedPointer(record, address);
}

bool DeviceIoHardware::UnmapPhysicalMemory(std::uint32_t handle, const void* pointer) {
  portio::Phys32Struct record{handle, 0, 0, static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(pointer))};
  return Send(portio::kUnmapPhysical, &record, sizeof record, 0);
}

}  // namespace drivora::win32
