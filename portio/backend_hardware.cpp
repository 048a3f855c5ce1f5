// The release back end: the processor's port instructions, and views of
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

ULONG BackendReadDword(USHORT port) {
  ULONG value;
  __asm__ __volatile__("inl %w1, %k0" : "=a"(value) : "Nd"(port));
  return value;
}

void BackendWriteDword(USHORT port, ULONG value) { __asm__ __volatile__("outl %k0, %w1" : : "a"(value), "Nd"(port)); }

// Offsets in \Device\PhysicalMemory are physical addresses.
FirmwareSection BackendFirmwareSection() { return FirmwareSection{g_physicalMemory, 0}; }

}  // namespace drivora::portio
