// The port I/O driver: the device \Device\S12345 (\\.\S12345 to programs),
// which answers six buffered requests synchronously. Which ports, registers
// and physical range it serves is fixed in rules.h and port_gate.h; what lies
// underneath is the back end linked beside this file.
#include <new>

#include "portio/backend.h"
#include "portio/ddk.h"
#include "portio/mapping_table.h"
#include "portio/port_gate.h"
#include "portio/rules.h"
#include "portio/wire.h"

namespace drivora::portio {
namespace {

// "SpIo" in a pool dump.
constexpr ULONG kPoolTag = 'S' | 'p' << 8 | 'I' << 16 | 'o' << 24;
constexpr ULONG64 kAllocationGranularity = 0x10000;  // where views of a section may begin
constexpr ULONG64 kPageSize = 0x1000;

wchar_t g_deviceNameText[] = L"\\Device\\" DRIVORA_PORTIO_NAME;
wchar_t g_linkNameText[] = L"\\DosDevices\\" DRIVORA_PORTIO_NAME;

// One lock for everything a request touches: the back end's port state and
// the mapping tables. Requests are short, and the wizard sends one at a time.
ERESOURCE g_lock;

class Locked {
 public:
  Locked() {
    KeEnterCriticalRegion();
    ExAcquireResourceExclusiveLite(&g_lock, TRUE);
  }
  ~Locked() {
    ExReleaseResourceLite(&g_lock);
    KeLeaveCriticalRegion();
  }
  Locked(const Locked&) = delete;
  Locked& operator=(const Locked&) = delete;
};

// What one open handle owns: its mappings, the process they live in, and
// what it last selected at the ports.
struct HandleState {
  HANDLE processId = nullptr;
  HANDLE process = nullptr;  // kernel handle, opened at the first map
  MappingTable mappings;
  PortGate ports;
};

// The layouts of a SID with one and with two sub-authorities.
struct SidOne {
  UCHAR revision, count;
  UCHAR authority[6];
  ULONG subAuthority[1];
};
struct SidTwo {
  UCHAR revision, count;
  UCHAR authority[6];
  ULONG subAuthority[2];
};
SidOne g_localSystem = {SID_REVISION, 1, {0, 0, 0, 0, 0, 5}, {SECURITY_LOCAL_SYSTEM_RID}};
SidTwo g_administrators = {SID_REVISION, 2, {0, 0, 0, 0, 0, 5}, {SECURITY_BUILTIN_DOMAIN_RID, DOMAIN_ALIAS_RID_ADMINS}};

// Only SYSTEM and the administrators may open the device ("D:P(A;;GA;;;SY)
// (A;;GA;;;BA)"): anyone who can open it can read the PCI configuration of
// every device and talk to the Super I/O chip. The object manager's default
// for a named device would let every user open it for reading.
NTSTATUS RestrictToAdministrators(PDEVICE_OBJECT device) {
  alignas(ULONG) UCHAR aclBuffer[64];
  auto* acl = reinterpret_cast<PACL>(aclBuffer);
  NTSTATUS status = RtlCreateAcl(acl, sizeof aclBuffer, ACL_REVISION);
  if (NT_SUCCESS(status)) status = RtlAddAccessAllowedAce(acl, ACL_REVISION, FILE_ALL_ACCESS, &g_localSystem);
  if (NT_SUCCESS(status)) status = RtlAddAccessAllowedAce(acl, ACL_REVISION, FILE_ALL_ACCESS, &g_administrators);
  SECURITY_DESCRIPTOR descriptor;
  if (NT_SUCCESS(status)) status = RtlCreateSecurityDescriptor(&descriptor, SECURITY_DESCRIPTOR_REVISION);
  if (NT_SUCCESS(status)) status = RtlSetDaclSecurityDescriptor(&descriptor, TRUE, acl, FALSE);
  if (!NT_SUCCESS(status)) return status;

  HANDLE handle = nullptr;
  status = ObOpenObjectByPointer(device, OBJ_KERNEL_HANDLE, nullptr, WRITE_DAC, nullptr, KernelMode, &handle);
  if (!NT_SUCCESS(status)) return status;
  // Protected: nothing inherited from the \Device directory widens it.
  status = ZwSetSecurityObject(handle, DACL_SECURITY_INFORMATION | PROTECTED_DACL_SECURITY_INFORMATION, &descriptor);
  ZwClose(handle);
  return status;
}

PFILE_OBJECT FileOf(PIRP irp) {
  PIO_STACK_LOCATION stack = IoGetCurrentIrpStackLocation(irp);
  // Wine fills in only the IRP's own copy of the file object.
  return stack->FileObject ? stack->FileObject : irp->Tail.Overlay.OriginalFileObject;
}

HandleState* StateOf(PIRP irp) {
  PFILE_OBJECT file = FileOf(irp);
  return file ? static_cast<HandleState*>(file->FsContext) : nullptr;
}

NTSTATUS Complete(PIRP irp, NTSTATUS status, ULONG_PTR written) {
  irp->IoStatus.Status = status;
  irp->IoStatus.Information = NT_SUCCESS(status) ? written : 0;
  IoCompleteRequest(irp, IO_NO_INCREMENT);
  return status;
}

// Gives back every view a handle still holds. Views of a process that has
// ended are gone already; their unmap fails and is ignored.
void ReleaseMappings(HandleState& state) {
  while (MappingSlot* slot = state.mappings.AnyHeld()) {
    ZwUnmapViewOfSection(state.process, reinterpret_cast<PVOID>(slot->base));
    state.mappings.Remove(*slot);
  }
}

// The process a map or unmap request came from, which must be the one the
// handle's mappings live in. The dispatch runs in the caller's context on
// Windows; under Wine the request thread reports the caller's id.
NTSTATUS ProcessOfCaller(HandleState& state, HANDLE& process) {
  const HANDLE id = PsGetCurrentProcessId();
  if (state.process) {
    if (state.processId != id) return STATUS_ACCESS_DENIED;
    process = state.process;
    return STATUS_SUCCESS;
  }
  OBJECT_ATTRIBUTES attributes;
  InitializeObjectAttributes(&attributes, nullptr, OBJ_KERNEL_HANDLE, nullptr, nullptr);
  CLIENT_ID client = {};
  client.UniqueProcess = id;
  const NTSTATUS status = ZwOpenProcess(&state.process, PROCESS_VM_OPERATION, &attributes, &client);
  if (!NT_SUCCESS(status)) {
    state.process = nullptr;
    return status;
  }
  state.processId = id;
  process = state.process;
  return STATUS_SUCCESS;
}

NTSTATUS MapFirmware(HandleState& state, Phys32Struct& record) {
  if (!FirmwareRangeAllowed(record.physicalAddress, record.length)) return STATUS_ACCESS_DENIED;
  HANDLE process = nullptr;
  NTSTATUS status = ProcessOfCaller(state, process);
  if (!NT_SUCCESS(status)) return status;

  const FirmwareSection firmware = BackendFirmwareSection();
  const ULONG64 wanted = record.physicalAddress;
  const ULONG64 end = wanted + record.length;
  if (!firmware.section || wanted < firmware.physicalBase) return STATUS_DEVICE_NOT_READY;
  // Views begin on the allocation granularity, so the mapping may start below
  // the address wanted: the reply says where, and the program adds the rest.
  LARGE_INTEGER offset;
  offset.QuadPart = static_cast<LONGLONG>((wanted - firmware.physicalBase) & ~(kAllocationGranularity - 1));
  const ULONG64 first = firmware.physicalBase + static_cast<ULONG64>(offset.QuadPart);
  SIZE_T size = static_cast<SIZE_T>((end - first + kPageSize - 1) & ~(kPageSize - 1));
  PVOID base = nullptr;
  status = ZwMapViewOfSection(firmware.section, process, &base, 0, 0, &offset, &size, ViewUnmap, 0, PAGE_READONLY);
  if (!NT_SUCCESS(status)) return status;

  const auto address = reinterpret_cast<ULONG_PTR>(base);
  const ULONG64 mappedFirst = firmware.physicalBase + static_cast<ULONG64>(offset.QuadPart);
  // The reply has 32 bits for the address; and the view must hold the range.
  const bool fits = static_cast<ULONG64>(address) + size - 1 <= 0xFFFFFFFFull;
  const bool covers = mappedFirst <= wanted && mappedFirst + size >= end;
  MappingSlot* slot = fits && covers ? state.mappings.Add(address, size) : nullptr;
  if (!slot) {
    ZwUnmapViewOfSection(process, base);
    return fits && covers ? STATUS_INSUFFICIENT_RESOURCES : STATUS_CONFLICTING_ADDRESSES;
  }
  record.handle = slot->handle;
  record.length = static_cast<uint32_t>(size);
  record.physicalAddress = static_cast<uint32_t>(mappedFirst);
  record.mappedAddress = static_cast<uint32_t>(address);
  return STATUS_SUCCESS;
}

NTSTATUS UnmapFirmware(HandleState& state, const Phys32Struct& record) {
  MappingSlot* slot = state.mappings.Find(record.handle, record.mappedAddress);
  if (!slot) return STATUS_INVALID_HANDLE;
  HANDLE process = nullptr;
  const NTSTATUS status = ProcessOfCaller(state, process);
  if (!NT_SUCCESS(status)) return status;
  ZwUnmapViewOfSection(process, reinterpret_cast<PVOID>(slot->base));
  state.mappings.Remove(*slot);
  return STATUS_SUCCESS;
}

// The back end as the port gate calls it.
struct MachinePorts {
  uint8_t ReadByte(uint16_t port) { return BackendReadByte(port); }
  void WriteByte(uint16_t port, uint8_t value) { BackendWriteByte(port, value); }
  uint32_t ReadPciConfig(uint32_t address, uint32_t offset, uint32_t bytes) {
    return BackendReadPciConfig(address, offset, bytes);
  }
};

NTSTATUS PortRequestFor(HandleState& state, ULONG code, PortRequest& request, ULONG_PTR& written) {
  MachinePorts machine;
  switch (state.ports.Answer(machine, code, request)) {
    case PortOutcome::Answered: break;
    case PortOutcome::Refused: return STATUS_ACCESS_DENIED;
    case PortOutcome::BadValue: return STATUS_INVALID_PARAMETER;
  }
  if (code == kReadByte || code == kReadDword) written = sizeof request;
  return STATUS_SUCCESS;
}

// The sizes a request must come with: exactly its input, and room for its
// reply (the writes and the unmap reply nothing).
struct Shape {
  ULONG input, output;
};

bool ShapeOf(ULONG code, Shape& shape) {
  switch (code) {
    case kReadByte:
    case kReadDword: shape = {sizeof(PortRequest), sizeof(PortRequest)}; return true;
    case kWriteByte:
    case kWriteDword: shape = {sizeof(PortRequest), 0}; return true;
    case kMapPhysical: shape = {sizeof(Phys32Struct), sizeof(Phys32Struct)}; return true;
    case kUnmapPhysical: shape = {sizeof(Phys32Struct), 0}; return true;
  }
  return false;
}

// The access the open asked for, as the I/O manager granted it. Wine passes no
// security context (it checks no access on a device either): there the open
// counts as one for reading.
bool OpenForReading(PIRP irp) {
  const PIO_SECURITY_CONTEXT context = IoGetCurrentIrpStackLocation(irp)->Parameters.Create.SecurityContext;
  if (!context) return true;
  const ACCESS_MASK granted =
      context->AccessState ? context->AccessState->PreviouslyGrantedAccess : context->DesiredAccess;
  return OpenedToRead(granted) || OpenedToRead(context->DesiredAccess & ~MAXIMUM_ALLOWED);
}

NTSTATUS NTAPI DispatchCreate(PDEVICE_OBJECT, PIRP irp) {
  PFILE_OBJECT file = FileOf(irp);
  // The device has no namespace below it: \\.\S12345\anything is refused.
  if (!file || file->FileName.Length != 0) return Complete(irp, STATUS_OBJECT_NAME_NOT_FOUND, 0);
  // Requests come only from handles opened to read.
  if (!OpenForReading(irp)) return Complete(irp, STATUS_ACCESS_DENIED, 0);
  void* memory = ExAllocatePoolWithTag(PagedPool, sizeof(HandleState), kPoolTag);
  if (!memory) return Complete(irp, STATUS_INSUFFICIENT_RESOURCES, 0);
  file->FsContext = new (memory) HandleState{};
  return Complete(irp, STATUS_SUCCESS, 0);
}

// Windows sends the cleanup when the last handle of a file object is closed,
// in the closing process; Wine sends only the close. Both give back the views.
NTSTATUS NTAPI DispatchCleanup(PDEVICE_OBJECT, PIRP irp) {
  if (HandleState* state = StateOf(irp)) {
    Locked lock;
    ReleaseMappings(*state);
  }
  return Complete(irp, STATUS_SUCCESS, 0);
}

NTSTATUS NTAPI DispatchClose(PDEVICE_OBJECT, PIRP irp) {
  PFILE_OBJECT file = FileOf(irp);
  if (HandleState* state = file ? static_cast<HandleState*>(file->FsContext) : nullptr) {
    {
      Locked lock;
      ReleaseMappings(*state);
    }
    if (state->process) ZwClose(state->process);
    state->~HandleState();
    ExFreePoolWithTag(state, kPoolTag);
    file->FsContext = nullptr;
  }
  return Complete(irp, STATUS_SUCCESS, 0);
}

// Answers one request whose buffer has the right size. The buffer is copied
// in and out whole: the input and the reply share it.
NTSTATUS Answer(HandleState& state, ULONG code, void* buffer, ULONG_PTR& written) {
  Locked lock;
  if (code == kMapPhysical) {
    Phys32Struct record;
    RtlCopyMemory(&record, buffer, sizeof record);
    const NTSTATUS status = MapFirmware(state, record);
    if (NT_SUCCESS(status)) {
      RtlCopyMemory(buffer, &record, sizeof record);
      written = sizeof record;
    }
    return status;
  }
  if (code == kUnmapPhysical) {
    Phys32Struct record;
    RtlCopyMemory(&record, buffer, sizeof record);
    return UnmapFirmware(state, record);
  }
  PortRequest request;
  RtlCopyMemory(&request, buffer, sizeof request);
  const NTSTATUS status = PortRequestFor(state, code, request, written);
  if (NT_SUCCESS(status) && written) RtlCopyMemory(buffer, &request, sizeof request);
  return status;
}

NTSTATUS NTAPI DispatchDeviceControl(PDEVICE_OBJECT, PIRP irp) {
  PIO_STACK_LOCATION stack = IoGetCurrentIrpStackLocation(irp);
  const ULONG code = stack->Parameters.DeviceIoControl.IoControlCode;
  const ULONG inputLength = stack->Parameters.DeviceIoControl.InputBufferLength;
  const ULONG outputLength = stack->Parameters.DeviceIoControl.OutputBufferLength;
  void* buffer = irp->AssociatedIrp.SystemBuffer;

  Shape shape;
  if (!ShapeOf(code, shape)) return Complete(irp, STATUS_INVALID_DEVICE_REQUEST, 0);
  if (inputLength != shape.input || !buffer) return Complete(irp, STATUS_INVALID_PARAMETER, 0);
  if (outputLength < shape.output) return Complete(irp, STATUS_BUFFER_TOO_SMALL, 0);
  HandleState* state = StateOf(irp);
  if (!state) return Complete(irp, STATUS_INVALID_DEVICE_STATE, 0);
  ULONG_PTR written = 0;
  const NTSTATUS status = Answer(*state, code, buffer, written);
  return Complete(irp, status, written);
}

void NTAPI Unload(PDRIVER_OBJECT driver) {
  UNICODE_STRING link;
  RtlInitUnicodeString(&link, g_linkNameText);
  IoDeleteSymbolicLink(&link);
  if (driver->DeviceObject) IoDeleteDevice(driver->DeviceObject);
  StopBackend();
  ExDeleteResourceLite(&g_lock);
}

}  // namespace
}  // namespace drivora::portio

extern "C" NTSTATUS NTAPI DriverEntry(PDRIVER_OBJECT driver, PUNICODE_STRING serviceKey) {
  using namespace drivora::portio;
  NTSTATUS status = ExInitializeResourceLite(&g_lock);
  if (!NT_SUCCESS(status)) return status;
  status = StartBackend(serviceKey);
  if (!NT_SUCCESS(status)) {
    ExDeleteResourceLite(&g_lock);
    return status;
  }

  driver->MajorFunction[IRP_MJ_CREATE] = DispatchCreate;
  driver->MajorFunction[IRP_MJ_CLEANUP] = DispatchCleanup;
  driver->MajorFunction[IRP_MJ_CLOSE] = DispatchClose;
  driver->MajorFunction[IRP_MJ_DEVICE_CONTROL] = DispatchDeviceControl;
  driver->DriverUnload = Unload;

  UNICODE_STRING name, link;
  RtlInitUnicodeString(&name, g_deviceNameText);
  RtlInitUnicodeString(&link, g_linkNameText);
  PDEVICE_OBJECT device = nullptr;
  status = IoCreateDevice(driver, 0, &name, kDeviceType, FILE_DEVICE_SECURE_OPEN, FALSE, &device);
  // Until DriverEntry returns, the device still initialises and cannot be
  // opened: the descriptor is in place before anyone can reach it, and the
  // link that makes it visible to programs comes last.
  if (NT_SUCCESS(status)) status = RestrictToAdministrators(device);
  if (NT_SUCCESS(status)) status = IoCreateSymbolicLink(&link, &name);
  if (!NT_SUCCESS(status)) {
    if (device) IoDeleteDevice(device);
    StopBackend();
    ExDeleteResourceLite(&g_lock);
    return status;
  }
  device->Flags &= ~DO_DEVICE_INITIALIZING;
  return STATUS_SUCCESS;
}
