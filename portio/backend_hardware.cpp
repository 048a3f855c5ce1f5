// The release back end: the processor's port instructions for the Super I/O
// ports, the HAL for PCI configuration space, and views of
// \Device\PhysicalMemory for the firmware area. Only ever runs on a real
// machine; under Wine the driver is an ordinary process and has neither.
#include "portio/backend.h"

namespace drivora::portio {
namespace {

HANDLE g_physicalMemory;

}  // namespace

NTSTATUS StartBackend(PCUNICODE_STRING) {
  UNICODE_STRING name;
  RtlInitUnicodeString(&name, L"\\Device\\PhysicalMemory");
  OBJECT_ATTRIBUTES attributes;
  InitializeObjectAttributes(&attributes, &name, OBJ_KERNEL_HANDLE | OBJ_CASE_INSENSITIVE, nullptr, nullptr);
  return ZwOpenSection(&g_physicalMemory, SECTION_MAP_READ, &attributes);
}

void StopBackend() {
  if (g_physicalMemory) ZwClose(g_physicalMemory);
  g_physicalMemory = nullptr;
}

UCHAR BackendReadByte(USHORT port) {
  UCHAR value;
  __asm__ __volatile__("inb %w1, %b0" : "=a"(value) : "Nd"(port));
  return value;
}

void BackendWriteByte(USHORT port, UCHAR value) { __asm__ __volatile__("outb %b0, %w1" : : "a"(value), "Nd"(port)); }

// Through the HAL, which takes its own lock around the address and the data
// cycle: the system's configuration accesses cannot come between them, as
// they could between two port instructions of ours.
ULONG BackendReadPciConfig(ULONG address, ULONG offset, ULONG bytes) {
  PCI_SLOT_NUMBER slot;
  slot.u.AsULONG = 0;
  slot.u.bits.DeviceNumber = (address >> 11) & 0x1F;
  slot.u.bits.FunctionNumber = (address >> 8) & 0x07;
  // Four bytes of room even for a byte: a slot without a device answers with
  // the two bytes of an invalid vendor id.
  ULONG value = 0xFFFFFFFF;
  const ULONG read = HalGetBusDataByOffset(PCIConfiguration, (address >> 16) & 0xFF, slot.u.AsULONG, &value,
                                           (address & 0xFC) + offset, bytes);
  return read == bytes ? value : 0xFFFFFFFF;
}

// Offsets in \Device\PhysicalMemory are physical addresses.
FirmwareSection BackendFirmwareSection() { return FirmwareSection{g_physicalMemory, 0}; }

}  // namespace drivora::portio
