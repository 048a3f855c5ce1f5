// What answers the driver's requests underneath: the machine itself
// (backend_hardware.cpp) or, in the test build, a simulated board read from a
// board file (backend_board.cpp). Exactly one of them is linked into a driver
// file. The driver calls them only under its own lock, one request at a time.
#pragma once

#include "portio/ddk.h"

namespace drivora::portio {

// From DriverEntry, before the device exists; a failure stops the driver
// from loading. `serviceKey` is the driver's registry key.
NTSTATUS StartBackend(PCUNICODE_STRING serviceKey);
// From the unload routine, after the device is gone.
void StopBackend();

// A Super I/O configuration port (0x2E, 0x2F, 0x4E, 0x4F).
UCHAR BackendReadByte(USHORT port);
void BackendWriteByte(USHORT port, UCHAR value);
// One PCI configuration read, address and data together: `bytes` (1 or 4)
// from byte `offset` of the dword that `address` selects (as written to
// 0xCF8, enable bit set); all ones where no function answers.
ULONG BackendReadPciConfig(ULONG address, ULONG offset, ULONG bytes);

// The section object whose views show the firmware area, and the physical
// address that offset 0 of the section stands for.
struct FirmwareSection {
  HANDLE section;
  ULONG64 physicalBase;
};
FirmwareSection BackendFirmwareSection();

}  // namespace drivora::portio
