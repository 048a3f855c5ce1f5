// The test back end: a simulated board behind the ports and the firmware
// area, read at start from the board file that the registry value
// HKLM\Software\Drivora\PortIoTest "BoardFile" names. The key lies outside
// the service's own key, so it survives the install and removal of the
// service. Only the test build of the driver contains this file.
//
// Paths and the other large buffers live in pool memory: a kernel stack has
// 12 KB, and the board parser and the file system run on it too.
#include <stddef.h>
#include <stdint.h>

#include "portio/backend.h"
#include "portio/board_addresses.h"
#include "portio/rules.h"
#include "sim/board.h"
#include "sim/board_parser.h"

namespace drivora::portio {
namespace {

// "SpBb" in a pool dump.
constexpr ULONG kPoolTag = 'S' | 'p' << 8 | 'B' << 16 | 'b' << 24;
constexpr ULONG kMaxBoardFileBytes = 1 << 20;
constexpr size_t kPathChars = 600;

wchar_t g_testKey[] = L"\\Registry\\Machine\\Software\\Drivora\\PortIoTest";
wchar_t g_boardValue[] = L"BoardFile";
// Why the driver did not start, for whoever wonders why the device is missing.
wchar_t g_problemValue[] = L"BoardError";

sim::Board* g_board;
HANDLE g_firmware;

void* Allocate(SIZE_T bytes) { return ExAllocatePoolWithTag(PagedPool, bytes, kPoolTag); }

// A block of pool memory for one object, given back when it goes.
template <typename T>
class PoolObject {
 public:
  PoolObject() : object_(static_cast<T*>(Allocate(sizeof(T)))) {
    if (object_) RtlZeroMemory(object_, sizeof(T));
  }
  ~PoolObject() {
    if (object_) ExFreePoolWithTag(object_, kPoolTag);
  }
  PoolObject(const PoolObject&) = delete;
  PoolObject& operator=(const PoolObject&) = delete;
  explicit operator bool() const { return object_ != nullptr; }
  T* operator->() const { return object_; }
  T& operator*() const { return *object_; }

 private:
  T* object_;
};

// A path in the kernel's namespace, built in a fixed buffer.
struct Path {
  wchar_t text[kPathChars];
  size_t length;

  bool Append(const wchar_t* more, size_t count) {
    if (count >= kPathChars - length) return false;
    for (size_t i = 0; i < count; ++i) text[length++] = more[i];
    text[length] = L'\0';
    return true;
  }
  bool AppendAscii(const char* more, size_t count) {
    for (size_t i = 0; i < count; ++i) {
      const wchar_t c = static_cast<unsigned char>(more[i]);
      if (!Append(&c, 1)) return false;
    }
    return true;
  }
  bool AppendAscii(const char* more) {
    size_t count = 0;
    while (more[count]) ++count;
    return AppendAscii(more, count);
  }
  // Cuts the path after its last backslash: the folder, ready for a name.
  void KeepFolder() {
    while (length && text[length - 1] != L'\\') --length;
    text[length] = L'\0';
  }
};

// The folder of the board file, for the image beside it; pool memory.
Path* g_boardFolder;

NTSTATUS OpenTestKey(HANDLE& key, ACCESS_MASK access) {
  UNICODE_STRING name;
  RtlInitUnicodeString(&name, g_testKey);
  OBJECT_ATTRIBUTES attributes;
  InitializeObjectAttributes(&attributes, &name, OBJ_KERNEL_HANDLE | OBJ_CASE_INSENSITIVE, nullptr, nullptr);
  return ZwOpenKey(&key, access, &attributes);
}

void ReportProblem(const char* what, int line) {
  PoolObject<Path> text;
  if (!text) return;
  text->AppendAscii("board file ");
  if (line > 0) {
    char number[16];
    int n = 0;
    for (int rest = line; rest; rest /= 10) number[n++] = static_cast<char>('0' + rest % 10);
    text->AppendAscii("line ");
    while (n) text->AppendAscii(&number[--n], 1);
    text->AppendAscii(": ");
  }
  text->AppendAscii(what);
  HANDLE key = nullptr;
  if (!NT_SUCCESS(OpenTestKey(key, KEY_SET_VALUE))) return;
  UNICODE_STRING name;
  RtlInitUnicodeString(&name, g_problemValue);
  ZwSetValueKey(key, &name, 0, REG_SZ, text->text, static_cast<ULONG>((text->length + 1) * sizeof(wchar_t)));
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

struct PathValue {
  KEY_VALUE_PARTIAL_INFORMATION info;
  wchar_t more[kPathChars];
};

// The board file's path: a DOS path ("Z:\...") is put below \??\.
NTSTATUS ReadBoardPath(Path& path) {
  PoolObject<PathValue> value;
  if (!value) return STATUS_INSUFFICIENT_RESOURCES;
  HANDLE key = nullptr;
  NTSTATUS status = OpenTestKey(key, KEY_QUERY_VALUE);
  if (!NT_SUCCESS(status)) return status;
  UNICODE_STRING name;
  RtlInitUnicodeString(&name, g_boardValue);
  ULONG got = 0;
  status = ZwQueryValueKey(key, &name, KeyValuePartialInformation, &*value, sizeof(PathValue), &got);
  ZwClose(key);
  if (!NT_SUCCESS(status)) return status;
  if (value->info.Type != REG_SZ) return STATUS_OBJECT_TYPE_MISMATCH;
  const auto* text = reinterpret_cast<const wchar_t*>(value->info.Data);
  size_t count = value->info.DataLength / sizeof(wchar_t);
  while (count && text[count - 1] == L'\0') --count;
  if (count == 0) return STATUS_OBJECT_NAME_INVALID;
  if (text[0] != L'\\' && !path.Append(L"\\??\\", 4)) return STATUS_NAME_TOO_LONG;
  return path.Append(text, count) ? STATUS_SUCCESS : STATUS_NAME_TOO_LONG;
}

// An open file, closed when it goes.
class OpenFile {
 public:
  explicit OpenFile(const Path& path) {
    UNICODE_STRING name;
    RtlInitUnicodeString(&name, path.text);
    OBJECT_ATTRIBUTES attributes;
    InitializeObjectAttributes(&attributes, &name, OBJ_KERNEL_HANDLE | OBJ_CASE_INSENSITIVE, nullptr, nullptr);
    IO_STATUS_BLOCK io;
    status_ = ZwCreateFile(&file_, GENERIC_READ | SYNCHRONIZE, &attributes, &io, nullptr, FILE_ATTRIBUTE_NORMAL,
                           FILE_SHARE_READ, FILE_OPEN, FILE_SYNCHRONOUS_IO_NONALERT | FILE_NON_DIRECTORY_FILE,
                           nullptr, 0);
    if (!NT_SUCCESS(status_)) file_ = nullptr;
  }
  ~OpenFile() {
    if (file_) ZwClose(file_);
  }
  OpenFile(const OpenFile&) = delete;
  OpenFile& operator=(const OpenFile&) = delete;

  NTSTATUS Status() const { return status_; }

  NTSTATUS Size(ULONG64& size) {
    IO_STATUS_BLOCK io;
    FILE_STANDARD_INFORMATION info;
    const NTSTATUS status = ZwQueryInformationFile(file_, &io, &info, sizeof info, FileStandardInformation);
    if (NT_SUCCESS(status)) size = static_cast<ULONG64>(info.EndOfFile.QuadPart);
    return status;
  }

  // Exactly `count` bytes from the start: what a file that grew meanwhile
  // holds beyond them is never read.
  NTSTATUS ReadStart(uint8_t* out, ULONG count) {
    if (count == 0) return STATUS_SUCCESS;
    IO_STATUS_BLOCK io;
    LARGE_INTEGER start;
    start.QuadPart = 0;
    NTSTATUS status = ZwReadFile(file_, nullptr, nullptr, nullptr, &io, out, count, &start, nullptr);
    if (NT_SUCCESS(status) && io.Information != count) status = STATUS_END_OF_FILE;
    return status;
  }

 private:
  HANDLE file_ = nullptr;
  NTSTATUS status_;
};

// The parser's loader for Image=: a plain file name beside the board file.
// At most `capacity` bytes are read, whatever the file's size.
int64_t LoadImageBeside(void*, const char* name, size_t nameLength, uint8_t* out, uint32_t capacity) {
  if (!PlainFileName(name, nameLength)) return sim::kImageNameRefused;
  PoolObject<Path> path;
  if (!path) return -1;
  *path = *g_boardFolder;
  if (!path->AppendAscii(name, nameLength)) return -1;
  OpenFile file(*path);
  ULONG64 size = 0;
  if (!NT_SUCCESS(file.Status()) || !NT_SUCCESS(file.Size(size))) return -1;
  const ULONG wanted = size < capacity ? static_cast<ULONG>(size) : capacity;
  if (!NT_SUCCESS(file.ReadStart(out, wanted))) return -1;
  return static_cast<int64_t>(size);
}

// The board file, read in one go from one open: the size it had then is the
// size allocated, read and parsed.
struct BoardText {
  uint8_t* bytes = nullptr;
  ULONG length = 0;
  ~BoardText() {
    if (bytes) ExFreePoolWithTag(bytes, kPoolTag);
  }
};

NTSTATUS ReadBoardText(const Path& path, BoardText& text) {
  OpenFile file(path);
  if (!NT_SUCCESS(file.Status())) return file.Status();
  ULONG64 size = 0;
  NTSTATUS status = file.Size(size);
  if (!NT_SUCCESS(status)) return status;
  if (size > kMaxBoardFileBytes) return STATUS_FILE_TOO_LARGE;
  text.length = static_cast<ULONG>(size);
  text.bytes = static_cast<uint8_t*>(Allocate(text.length ? text.length : 1));
  if (!text.bytes) return STATUS_INSUFFICIENT_RESOURCES;
  return file.ReadStart(text.bytes, text.length);
}

NTSTATUS LoadBoard() {
  PoolObject<Path> path;
  g_boardFolder = static_cast<Path*>(Allocate(sizeof(Path)));
  if (!path || !g_boardFolder) return STATUS_INSUFFICIENT_RESOURCES;
  NTSTATUS status = ReadBoardPath(*path);
  if (!NT_SUCCESS(status)) {
    ReportProblem("not named: set HKLM\\Software\\Drivora\\PortIoTest BoardFile", 0);
    return status;
  }
  *g_boardFolder = *path;
  g_boardFolder->KeepFolder();

  BoardText text;
  status = ReadBoardText(*path, text);
  if (status == STATUS_FILE_TOO_LARGE) {
    ReportProblem("larger than 1 MiB", 0);
    return status;
  }
  if (!NT_SUCCESS(status)) {
    ReportProblem("cannot be read", 0);
    return status;
  }

  PoolObject<sim::BoardParseError> problem;
  if (!problem) return STATUS_INSUFFICIENT_RESOURCES;
  if (!sim::ParseBoard(reinterpret_cast<const char*>(text.bytes), text.length, *g_board, LoadImageBeside, nullptr,
                       *problem)) {
    ReportProblem(problem->message, problem->line);
    return STATUS_INVALID_PARAMETER;
  }
  return STATUS_SUCCESS;
}

// A section with the board's firmware area, whose views the map requests hand
// out, as \Device\PhysicalMemory's views do on a real machine.
NTSTATUS MakeFirmwareSection() {
  LARGE_INTEGER size;
  size.QuadPart = kFirmwareSize;
  OBJECT_ATTRIBUTES attributes;
  InitializeObjectAttributes(&attributes, nullptr, OBJ_KERNEL_HANDLE, nullptr, nullptr);
  NTSTATUS status = ZwCreateSection(&g_firmware, SECTION_ALL_ACCESS, &attributes, &size, PAGE_READWRITE, SEC_COMMIT,
                                    nullptr);
  if (!NT_SUCCESS(status)) return status;
  PVOID view = nullptr;
  SIZE_T viewSize = kFirmwareSize;
  status = ZwMapViewOfSection(g_firmware, NtCurrentProcess(), &view, 0, 0, nullptr, &viewSize, ViewUnmap, 0,
                              PAGE_READWRITE);
  if (!NT_SUCCESS(status)) return status;
  RtlCopyMemory(view, g_board->firmware, kFirmwareSize);
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
  if (g_boardFolder) ExFreePoolWithTag(g_boardFolder, kPoolTag);
  g_boardFolder = nullptr;
}

UCHAR BackendReadByte(USHORT port) { return sim::BoardReadPortByte(*g_board, port); }
void BackendWriteByte(USHORT port, UCHAR value) { sim::BoardWritePortByte(*g_board, port, value); }
ULONG BackendReadPciConfig(ULONG address, ULONG offset, ULONG bytes) {
  return sim::BoardReadPciConfig(*g_board, address, offset, bytes);
}

// Offset 0 of the section stands for the start of the firmware area.
FirmwareSection BackendFirmwareSection() { return FirmwareSection{g_firmware, kFirmwareStart}; }

}  // namespace drivora::portio
