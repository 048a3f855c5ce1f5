// The test back end: a simulated board behind the ports and the firmware
// area, read at start from the board file that the registry value
// HKLM\Software\Drivora\PortIoTest "BoardFile" names. The key lies outside
// the service's own key, so it survives the install and removal of the
// service. Only the test build of the driver contains this file.
#include <stddef.h>
#include <stdint.h>

#include "portio/backend.h"
#include "sim/board.h"
#include "sim/board_parser.h"

namespace drivora::portio {
namespace {

// "SpBb" in a pool dump.
constexpr ULONG kPoolTag = 'S' | 'p' << 8 | 'B' << 16 | 'b' << 24;
constexpr ULONG64 kMaxBoardFileBytes = 1 << 20;
constexpr size_t kPathChars = 600;

wchar_t g_testKey[] = L"\\Registry\\Machine\\Software\\Drivora\\PortIoTest";
wchar_t g_boardValue[] = L"BoardFile";
// Why the driver did not start, for whoever wonders why the device is missing.
wchar_t g_problemValue[] = L"BoardError";

sim::Board* g_board;
HANDLE g_firmware;

// A path in the kernel's namespace, built in a fixed buffer.
struct Path {
  wchar_t text[kPathChars] = {};
  size_t length = 0;

  bool Append(const wchar_t* more, size_t count) {
    if (count >= kPathChars - length) return false;
    for (size_t i = 0; i < count; ++i) text[length++] = more[i];
    text[length] = L'\0';
    return true;
  }
  bool AppendAscii(const char* more) {
    for (; *more; ++more) {
      const wchar_t c = static_cast<unsigned char>(*more);
      if (!Append(&c, 1)) return false;
    }
    return true;
  }
  // Cuts the path after its last backslash: the folder, ready for a name.
  void KeepFolder() {
    while (length && text[length - 1] != L'\\') --length;
    text[length] = L'\0';
  }
};

Path g_boardFolder;

void* Allocate(SIZE_T bytes) { return ExAllocatePoolWithTag(PagedPool, bytes, kPoolTag); }

NTSTATUS OpenTestKey(HANDLE& key, ACCESS_MASK access) {
  UNICODE_STRING name;
  RtlInitUnicodeString(&name, g_testKey);
  OBJECT_ATTRIBUTES attributes;
  InitializeObjectAttributes(&attributes, &name, OBJ_KERNEL_HANDLE | OBJ_CASE_INSENSITIVE, nullptr, nullptr);
  return ZwOpenKey(&key, access, &attributes);
}

void ReportProblem(const char* what, int line) {
  Path text;
  text.AppendAscii("board file ");
  if (line > 0) {
    char number[16];
    int n = 0;
    for (int rest = line; rest; rest /= 10) number[n++] = static_cast<char>('0' + rest % 10);
    text.AppendAscii("line ");
    while (n) {
      const char digit[2] = {number[--n], 0};
      text.AppendAscii(digit);
    }
    text.AppendAscii(": ");
  }
  text.AppendAscii(what);
  HANDLE key = nullptr;
  if (!NT_SUCCESS(OpenTestKey(key, KEY_SET_VALUE))) return;
  UNICODE_STRING name;
  RtlInitUnicodeString(&name, g_problemValue);
  ZwSetValueKey(key, &name, 0, REG_SZ, text.text, static_cast<ULONG>((text.length + 1) * sizeof(wchar_t)));
  ZwClose(key);
}

void ClearProblem() {
  HANDLE key = nullptr;
  if (!NT_SUCCESS(OpenTestKey(key, KEY_SET_VALUE))) return;
  UNICODE_STRING name;
  RtlInitUnicodeString(&name, g_problemValue);
  ZwDeleteValueKey(key, &name);
  ZwClose(key);
}

// The board file's path: a DOS path ("Z:\...") is put below \??\.
NTSTATUS ReadBoardPath(Path& path) {
  HANDLE key = nullptr;
  NTSTATUS status = OpenTestKey(key, KEY_QUERY_VALUE);
  if (!NT_SUCCESS(status)) return status;
  UNICODE_STRING name;
  RtlInitUnicodeString(&name, g_boardValue);
  struct {
    KEY_VALUE_PARTIAL_INFORMATION info;
    wchar_t more[kPathChars];
  } value;
  ULONG got = 0;
  status = ZwQueryValueKey(key, &name, KeyValuePartialInformation, &value, sizeof value, &got);
  ZwClose(key);
  if (!NT_SUCCESS(status)) return status;
  if (value.info.Type != REG_SZ) return STATUS_OBJECT_TYPE_MISMATCH;
  const auto* text = reinterpret_cast<const wchar_t*>(value.info.Data);
  size_t count = value.info.DataLength / sizeof(wchar_t);
  while (count && text[count - 1] == L'\0') --count;
  if (count == 0) return STATUS_OBJECT_NAME_INVALID;
  if (text[0] != L'\\' && !path.Append(L"\\??\\", 4)) return STATUS_NAME_TOO_LONG;
  return path.Append(text, count) ? STATUS_SUCCESS : STATUS_NAME_TOO_LONG;
}

// Reads at most `capacity` bytes of a file into `out`; `size` is the file's
// whole size.
NTSTATUS ReadFileStart(const Path& path, uint8_t* out, ULONG capacity, ULONG64& size) {
  UNICODE_STRING name;
  RtlInitUnicodeString(&name, path.text);
  OBJECT_ATTRIBUTES attributes;
  InitializeObjectAttributes(&attributes, &name, OBJ_KERNEL_HANDLE | OBJ_CASE_INSENSITIVE, nullptr, nullptr);
  IO_STATUS_BLOCK io;
  HANDLE file = nullptr;
  NTSTATUS status = ZwCreateFile(&file, GENERIC_READ | SYNCHRONIZE, &attributes, &io, nullptr, FILE_ATTRIBUTE_NORMAL,
                                 FILE_SHARE_READ, FILE_OPEN, FILE_SYNCHRONOUS_IO_NONALERT | FILE_NON_DIRECTORY_FILE,
                                 nullptr, 0);
  if (!NT_SUCCESS(status)) return status;
  FILE_STANDARD_INFORMATION info;
  status = ZwQueryInformationFile(file, &io, &info, sizeof info, FileStandardInformation);
  if (NT_SUCCESS(status)) {
    size = static_cast<ULONG64>(info.EndOfFile.QuadPart);
    const ULONG wanted = size < capacity ? static_cast<ULONG>(size) : capacity;
    LARGE_INTEGER start;
    start.QuadPart = 0;
    if (wanted) status = ZwReadFile(file, nullptr, nullptr, nullptr, &io, out, wanted, &start, nullptr);
    if (NT_SUCCESS(status) && wanted && io.Information != wanted) status = STATUS_END_OF_FILE;
  }
  ZwClose(file);
  return status;
}

// The parser's loader for Image=: a file beside the board file.
int64_t LoadImageBeside(void*, const char* name, uint8_t* out, uint32_t capacity) {
  Path path = g_boardFolder;
  ULONG64 size = 0;
  if (!path.AppendAscii(name) || !NT_SUCCESS(ReadFileStart(path, out, capacity, size))) return -1;
  return static_cast<int64_t>(size);
}

NTSTATUS LoadBoard() {
  Path path;
  NTSTATUS status = ReadBoardPath(path);
  if (!NT_SUCCESS(status)) {
    ReportProblem("not named: set HKLM\\Software\\Drivora\\PortIoTest BoardFile", 0);
    return status;
  }
  g_boardFolder = path;
  g_boardFolder.KeepFolder();

  ULONG64 size = 0;
  status = ReadFileStart(path, nullptr, 0, size);
  if (NT_SUCCESS(status) && size > kMaxBoardFileBytes) status = STATUS_FILE_TOO_LARGE;
  auto* text = NT_SUCCESS(status) ? static_cast<uint8_t*>(Allocate(size ? static_cast<SIZE_T>(size) : 1)) : nullptr;
  if (NT_SUCCESS(status) && !text) status = STATUS_INSUFFICIENT_RESOURCES;
  if (NT_SUCCESS(status)) status = ReadFileStart(path, text, static_cast<ULONG>(size), size);
  if (!NT_SUCCESS(status)) {
    if (text) ExFreePoolWithTag(text, kPoolTag);
    ReportProblem("cannot be read", 0);
    return status;
  }

  sim::BoardParseError problem;
  const bool parsed = sim::ParseBoard(reinterpret_cast<const char*>(text), static_cast<size_t>(size), *g_board,
                                      LoadImageBeside, nullptr, problem);
  ExFreePoolWithTag(text, kPoolTag);
  if (!parsed) {
    ReportProblem(problem.message, problem.line);
    return STATUS_INVALID_PARAMETER;
  }
  return STATUS_SUCCESS;
}

// A section with the board's firmware area, whose views the map requests hand
// out, as \Device\PhysicalMemory's views do on a real machine.
NTSTATUS MakeFirmwareSection() {
  LARGE_INTEGER size;
  size.QuadPart = sim::kFirmwareSize;
  OBJECT_ATTRIBUTES attributes;
  InitializeObjectAttributes(&attributes, nullptr, OBJ_KERNEL_HANDLE, nullptr, nullptr);
  NTSTATUS status = ZwCreateSection(&g_firmware, SECTION_ALL_ACCESS, &attributes, &size, PAGE_READWRITE, SEC_COMMIT,
                                    nullptr);
  if (!NT_SUCCESS(status)) return status;
  PVOID view = nullptr;
  SIZE_T viewSize = sim::kFirmwareSize;
  status = ZwMapViewOfSection(g_firmware, NtCurrentProcess(), &view, 0, 0, nullptr, &viewSize, ViewUnmap, 0,
                              PAGE_READWRITE);
  if (!NT_SUCCESS(status)) return status;
  RtlCopyMemory(view, g_board->firmware, sim::kFirmwareSize);
  ZwUnmapViewOfSection(NtCurrentProcess(), view);
  return STATUS_SUCCESS;
}

}  // namespace

NTSTATUS StartBackend(PCUNICODE_STRING) {
  g_board = static_cast<sim::Board*>(Allocate(sizeof(sim::Board)));
  if (!g_board) return STATUS_INSUFFICIENT_RESOURCES;
  NTSTATUS status = LoadBoard();
  if (NT_SUCCESS(status)) status = MakeFirmwareSection();
  if (!NT_SUCCESS(status)) {
    StopBackend();
    return status;
  }
  ClearProblem();
  return STATUS_SUCCESS;
}

void StopBackend() {
  if (g_firmware) ZwClose(g_firmware);
  g_firmware = nullptr;
  if (g_board) ExFreePoolWithTag(g_board, kPoolTag);
  g_board = nullptr;
}

UCHAR BackendReadByte(USHORT port) { return sim::BoardReadPortByte(*g_board, port); }
void BackendWriteByte(USHORT port, UCHAR value) { sim::BoardWritePortByte(*g_board, port, value); }
ULONG BackendReadPciConfig(ULONG address, ULONG offset, ULONG bytes) {
  return sim::BoardReadPciConfig(*g_board, address, offset, bytes);
}

// Offset 0 of the section stands for the start of the firmware area.
FirmwareSection BackendFirmwareSection() { return FirmwareSection{g_firmware, sim::kFirmwareBase}; }

}  // namespace drivora::portio
