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

UCHAR BackendReadByte(USHORT port);
void BackendWriteByte(USHORT port, UCHAR value);
ULONG BackendReadDword(USHORT port);
void BackendWriteDword(USHORT port, ULONG value);

// The section object whose views show the firmware area, and the physical
// address that offset 0 of the section stands for.
struct FirmwareSection {
  HANDLE section;
  ULONG64 physicalBase;
};
FirmwareSection BackendFirmwareSection();

}  // namespace drivora::portio
