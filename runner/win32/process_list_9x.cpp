#include <windows.h>
#include <tlhelp32.h>

#include "app/win32/handles.h"
#include "runner/win32/process_list.h"
#include "runner/win32/system_libraries.h"

namespace drivora::win32 {
namespace {

using CreateSnapshotFunction = HANDLE(WINAPI*)(DWORD, DWORD);
using ProcessEntryFunction = BOOL(WINAPI*)(HANDLE, PROCESSENTRY32*);

// The record size the 9x family checks before every read.
constexpr DWORD kProcessEntryBytes = 296;
static_assert(sizeof(PROCESSENTRY32) == kProcessEntryBytes);

struct ToolhelpFunctions {
  CreateSnapshotFunction createSnapshot = nullptr;
  ProcessEntryFunction first = nullptr;
  ProcessEntryFunction next = nullptr;

  bool Find(HMODULE kernel) {
    createSnapshot = FindFunction<CreateSnapshotFunction>(kernel, "CreateToolhelp32Snapshot");
    first = FindFunction<ProcessEntryFunction>(kernel, "Process32First");
    next = FindFunction<ProcessEntryFunction>(kernel, "Process32Next");
    return createSnapshot && first && next;
  }
};

bool ReadEntry(ProcessEntryFunction read, HANDLE snapshot, PROCESSENTRY32& entry) {
  entry.dwSize = kProcessEntryBytes;
  return read(snapshot, &entry) != FALSE;
}

void VisitSnapshot(const ToolhelpFunctions& toolhelp, HANDLE snapshot, const ProcessVisitor& visit) {
  PROCESSENTRY32 entry{};
  for (bool read = ReadEntry(toolhelp.first, snapshot, entry); read; read = ReadEntry(toolhelp.next, snapshot, entry)) {
    // Ordinary processes carry no 16-bit task, and the list tells no
    // creation time: nothing the walk reports here is remembered.
    ProcessSighting process(entry.th32ProcessID, 0, entry.szExeFile);
    if (!visit(process)) return;
  }
}

}  // namespace

bool Walk9xProcesses(const ProcessVisitor& visit) {
  const UniqueLibrary kernel(LoadSystemLibrary("Kernel32.DLL"));
  ToolhelpFunctions toolhelp;
  if (!kernel || !toolhelp.Find(kernel.get())) return false;
  const UniqueFileHandle snapshot(toolhelp.createSnapshot(TH32CS_SNAPPROCESS, 0));
  if (!snapshot) return false;
  VisitSnapshot(toolhelp, snapshot.get(), visit);
  return true;
}

}  // namespace drivora::win32
