#include <windows.h>
#include <vdmdbg.h>

#include <string>

#include "app/win32/handles.h"
#include "runner/process_walk.h"
#include "runner/win32/process_list.h"
#include "runner/win32/system_libraries.h"

namespace drivora::win32 {
namespace {

using EnumProcessesFunction = BOOL(WINAPI*)(DWORD*, DWORD, DWORD*);
using EnumModulesFunction = BOOL(WINAPI*)(HANDLE, HMODULE*, DWORD, DWORD*);
using ModuleFileNameFunction = DWORD(WINAPI*)(HANDLE, HMODULE, char*, DWORD);
using EnumWowTasksFunction = INT(WINAPI*)(DWORD, TASKENUMPROCEX, LPARAM);
using FullImageNameFunction = BOOL(WINAPI*)(HANDLE, DWORD, char*, DWORD*);

constexpr DWORD kNameChars = 260;
// Older headers lack it; Vista and later grant it where the full query right
// is refused.
constexpr DWORD kQueryLimitedInformation = 0x1000;

struct NtProcessFunctions {
  EnumProcessesFunction enumProcesses = nullptr;
  EnumModulesFunction enumModules = nullptr;
  ModuleFileNameFunction moduleFileName = nullptr;
  EnumWowTasksFunction enumWowTasks = nullptr;

  bool Find(HMODULE psapi, HMODULE vdmdbg) {
    enumProcesses = FindFunction<EnumProcessesFunction>(psapi, "EnumProcesses");
    enumModules = FindFunction<EnumModulesFunction>(psapi, "EnumProcessModules");
    moduleFileName = FindFunction<ModuleFileNameFunction>(psapi, "GetModuleFileNameExA");
    enumWowTasks = FindFunction<EnumWowTasksFunction>(vdmdbg, "VDMEnumTaskWOWEx");
    return enumProcesses && enumModules && moduleFileName && enumWowTasks;
  }
};

std::optional<std::vector<std::uint32_t>> ProcessIds(const NtProcessFunctions& psapi) {
  static_assert(sizeof(DWORD) == sizeof(std::uint32_t));
  return CollectProcessIds([&](std::span<std::uint32_t> ids, std::uint32_t& bytesWritten) {
    DWORD bytes = 0;
    const bool read = psapi.enumProcesses(reinterpret_cast<DWORD*>(ids.data()), static_cast<DWORD>(ids.size_bytes()), &bytes);
    bytesWritten = bytes;
    return read;
  });
}

// One process of the id list, opened once for everything the walk may ask of
// it: with the rights to read its modules where it grants them, else with the
// limited right that newer systems grant for its image name and times.
class OpenedProcess {
 public:
  explicit OpenedProcess(DWORD processId)
      : full_(OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, processId)),
        limited_(full_ ? nullptr : OpenProcess(kQueryLimitedInformation, FALSE, processId)) {}

  // 0 when the process could not be opened or would not tell.
  std::uint64_t CreationTime() const {
    FILETIME created{}, exited{}, kernel{}, user{};
    if (!Query() || !GetProcessTimes(Query(), &created, &exited, &kernel, &user)) return 0;
    return (std::uint64_t{created.dwHighDateTime} << 32) | created.dwLowDateTime;
  }

  // Newer systems refuse the module read for processes of other sessions or
  // of 64 bits; their image name still tells where the program lies.
  std::string ExecutablePath(const NtProcessFunctions& psapi) const {
    std::string path = FirstModulePath(psapi);
    return path.empty() ? ImageNamePath() : path;
  }

 private:
  HANDLE Query() const { return full_ ? full_.get() : limited_.get(); }

  // The executable's path through its first module, which is the executable.
  std::string FirstModulePath(const NtProcessFunctions& psapi) const {
    if (!full_) return {};
    HMODULE executable = nullptr;
    DWORD needed = 0;
    if (!psapi.enumModules(full_.get(), &executable, sizeof executable, &needed)) return {};
    char name[kNameChars] = {};
    const DWORD length = psapi.moduleFileName(full_.get(), executable, name, kNameChars);
    return std::string(name, length < kNameChars ? length : 0);
  }

  std::string ImageNamePath() const {
    const HMODULE kernel = GetModuleHandleA("kernel32.dll");
    const auto fullImageName = FindFunction<FullImageNameFunction>(kernel, "QueryFullProcessImageNameA");
    if (!fullImageName || !Query()) return {};
    char name[kNameChars] = {};
    DWORD length = kNameChars;
    if (!fullImageName(Query(), 0, name, &length) || length >= kNameChars) return {};
    return std::string(name, length);
  }

  UniqueKernelHandle full_;
  UniqueKernelHandle limited_;
};

BOOL WINAPI ReportWowTask(DWORD, WORD, WORD task, PSZ, PSZ fileName, LPARAM context) {
  return OnWowTask(*reinterpret_cast<WowTaskContext*>(context), task, fileName ? fileName : "");
}

// False when the visitor asked to stop, in the host's tasks or at the host.
// The path is read only if the visitor, or the question whether the process
// hosts 16-bit tasks, needs it and the visitor did not remember it.
bool VisitProcess(const NtProcessFunctions& functions, DWORD processId, const ProcessVisitor& visit) {
  const OpenedProcess process(processId);
  ProcessSighting sighting(processId, process.CreationTime(), [&] { return process.ExecutablePath(functions); });
  if (!visit(sighting)) return false;
  if (!IsWowHostPath(sighting.Path())) return true;
  WowTaskContext context{processId, &visit, false};
  functions.enumWowTasks(processId, &ReportWowTask, reinterpret_cast<LPARAM>(&context));
  return !context.stop;
}

}  // namespace

bool WalkNtProcesses(const ProcessVisitor& visit) {
  const UniqueLibrary psapi(LoadSystemLibrary("PSAPI.DLL"));
  const UniqueLibrary vdmdbg(LoadSystemLibrary("VDMDBG.DLL"));
  NtProcessFunctions functions;
  if (!psapi || !vdmdbg || !functions.Find(psapi.get(), vdmdbg.get())) return false;
  const auto ids = ProcessIds(functions);
  if (!ids) return false;
  for (const std::uint32_t id : *ids) {
    if (!VisitProcess(functions, id, visit)) break;
  }
  return true;
}

}  // namespace drivora::win32
