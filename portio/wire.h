// What Setup and the port I/O driver say to each other through the device:
// six request codes and two little buffers. Both sides include this file, so
// the codes and layouts cannot drift apart. Freestanding: the driver uses it.
#pragma once

#include <stdint.h>

namespace drivora::portio {

// The name of the kernel service and of its device: \Device\S12345 in the
// kernel, \\.\S12345 to programs. A macro, so that the driver's wide names
// and the program's narrow ones are all joined from this one text.
#define DRIVORA_PORTIO_NAME "S12345"
constexpr char kServiceName[] = DRIVORA_PORTIO_NAME;
constexpr char kDevicePath[] = "\\\\.\\" DRIVORA_PORTIO_NAME;

// CTL_CODE(0x8010, function, METHOD_BUFFERED, FILE_ANY_ACCESS): device type in
// the upper 16 bits, function number in bits 2 to 13, method and access zero.
constexpr uint32_t kDeviceType = 0x8010;
constexpr uint32_t RequestCode(uint32_t function) { return kDeviceType << 16 | function << 2; }

constexpr uint32_t kReadByte = RequestCode(0x810);
constexpr uint32_t kWriteByte = RequestCode(0x811);
constexpr uint32_t kReadDword = RequestCode(0x814);
constexpr uint32_t kWriteDword = RequestCode(0x815);
constexpr uint32_t kMapPhysical = RequestCode(0x816);
constexpr uint32_t kUnmapPhysical = RequestCode(0x817);

static_assert(kReadByte == 0x80102040u && kWriteByte == 0x80102044u);
static_assert(kReadDword == 0x80102050u && kWriteDword == 0x80102054u);
static_assert(kMapPhysical == 0x80102058u && kUnmapPhysical == 0x8010205Cu);

// The buffer of the four port requests, in and out (8 bytes each way).
struct PortRequest {
  uint32_t port;   // the 16-bit port, zero-extended
  uint32_t value;  // written value in, read value out; a byte is zero-extended
};
static_assert(sizeof(PortRequest) == 8);

// The physical-memory record of the map (16 bytes in and out) and the unmap
// (16 bytes in, nothing out). 32-bit fields, also from the 64-bit driver: the
// program is a 32-bit process, so its addresses fit.
struct Phys32Struct {
  uint32_t handle;           // map reply: names the mapping; unmap: which mapping
  uint32_t length;           // map request: bytes wanted
  uint32_t physicalAddress;  // map request: address wanted; reply: where the mapping begins
  uint32_t mappedAddress;    // map reply: the mapping in the caller; unmap: a pointer into it
};
static_assert(sizeof(Phys32Struct) == 16);

}  // namespace drivora::portio
