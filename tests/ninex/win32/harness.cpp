// The 9x harness DLL, loaded into Setup.exe by ninex_launch before the
// wizard's first instruction. Under Wine the port instructions of the 9x
// path fault (a privileged instruction in user mode); a vectored handler
// decodes each one, answers it from the board that DRIVORA_NINEX_BOARD names,
// and steps past it. The firmware area 0xF0000-0xFFFFF, which the 9x path
// reads straight out of memory, is committed and filled from the board's
// image. The port traffic goes to DRIVORA_NINEX_REPORT when the process ends.
// An instruction it does not know ends the process with a message there: a
// guess would make a wrong catalogue look right.
#include <windows.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>

#include "sim/board_hardware.h"
#include "tests/ninex/port_instruction.h"
#include "tests/ninex/traffic_report.h"
#include "tests/ninex/win32/harness_exit_code.h"

namespace drivora::ninex {
namespace {

constexpr std::uintptr_t kFirmwareStart = 0xF0000;
constexpr SIZE_T kFirmwareBytes = 0x10000;

struct Harness {
  std::unique_ptr<sim::Board> board;
  std::unique_ptr<SimulatedBoardHardware> hardware;
  std::unique_ptr<CountingHardware> counting;
  std::string reportPath;
  CRITICAL_SECTION lock;  // the board's port state is one for all threads
  PVOID handler = nullptr;
};

// The one harness of the process; it lives from attach to detach.
Harness* g_harness;

std::string Environment(const char* name) {
  char value[1024];
  const DWORD n = GetEnvironmentVariableA(name, value, sizeof value);
  return n > 0 && n < sizeof value ? std::string(value, n) : std::string();
}

// Writes the whole report anew: the traffic so far, then `last` if any.
void WriteReport(const std::string& path, const std::string& text) {
  OutputDebugStringA(text.c_str());
  if (path.empty()) return;
  HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                            nullptr);
  if (file == INVALID_HANDLE_VALUE) return;
  DWORD written = 0;
  WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
  CloseHandle(file);
}

std::string Traffic(const Harness& h) { return h.counting ? FormatPortTraffic(h.counting->Counts()) : std::string(); }

// Commits 0xF0000-0xFFFFF and fills it. Wine may keep the first megabyte
// (its DOS area) reserved or committed already: each state is taken as found.
bool ProvideFirmwareArea(const sim::Board& board, std::string& problem) {
  void* const area = reinterpret_cast<void*>(kFirmwareStart);
  void* got = VirtualAlloc(area, kFirmwareBytes, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE);
  if (!got) got = VirtualAlloc(area, kFirmwareBytes, MEM_COMMIT, PAGE_READWRITE);
  DWORD old = 0;
  if (!got && VirtualProtect(area, kFirmwareBytes, PAGE_READWRITE, &old)) got = area;
  if (got != area) {
    MEMORY_BASIC_INFORMATION info{};
    VirtualQuery(area, &info, sizeof info);
    problem = "the firmware area 0xF0000-0xFFFFF cannot be committed (error " + std::to_string(GetLastError()) +
              ", state 0x" + std::to_string(info.State) + ")";
    return false;
  }
  std::memcpy(area, board.firmware, kFirmwareBytes);
  VirtualProtect(area, kFirmwareBytes, PAGE_READONLY, &old);
  return true;
}

// Up to `capacity` bytes at `address`, fewer where the memory ends.
std::size_t ReadCode(std::uintptr_t address, std::uint8_t* out, std::size_t capacity) {
  for (std::size_t n = capacity; n > 0; --n) {
    SIZE_T got = 0;
    if (ReadProcessMemory(GetCurrentProcess(), reinterpret_cast<const void*>(address), out, n, &got) && got == n)
      return n;
  }
  return 0;
}

[[noreturn]] void Refuse(Harness& h, std::uintptr_t address, const std::string& why) {
  char where[32];
  std::snprintf(where, sizeof where, "0x%llx", static_cast<unsigned long long>(address));
  WriteReport(h.reportPath, Traffic(h) + "refused: at " + where + ": " + why + "\n");
  TerminateProcess(GetCurrentProcess(), kHarnessRefusedExitCode);
  for (;;) Sleep(INFINITE);
}

LONG CALLBACK AnswerPortInstruction(EXCEPTION_POINTERS* info) {
  const DWORD code = info->ExceptionRecord->ExceptionCode;
  if (code != EXCEPTION_PRIV_INSTRUCTION && code != EXCEPTION_ACCESS_VIOLATION) return EXCEPTION_CONTINUE_SEARCH;
  CONTEXT& context = *info->ContextRecord;
#ifdef _WIN64
  const std::uintptr_t ip = context.Rip;
#else
  const std::uintptr_t ip = context.Eip;
#endif
  std::uint8_t bytes[4];
  const Decoded decoded = DecodePortInstruction(bytes, ReadCode(ip, bytes, sizeof bytes));
  // Some kernels report a port instruction as an access violation; any other
  // access violation is the program's own and goes on as usual.
  if (!decoded.ok && code == EXCEPTION_ACCESS_VIOLATION) return EXCEPTION_CONTINUE_SEARCH;
  Harness& h = *g_harness;
  if (!decoded.ok) Refuse(h, ip, decoded.refusal);

#ifdef _WIN64
  PortRegisters registers{static_cast<std::uint32_t>(context.Rax), static_cast<std::uint32_t>(context.Rdx)};
#else
  PortRegisters registers{context.Eax, context.Edx};
#endif
  EnterCriticalSection(&h.lock);
  ExecutePortInstruction(decoded.instruction, registers, *h.counting);
  LeaveCriticalSection(&h.lock);
#ifdef _WIN64
  // A 32-bit result clears the upper half of rax, as the instruction does.
  if (decoded.instruction.direction == PortDirection::In)
    context.Rax = decoded.instruction.width == 4 ? registers.eax : (context.Rax & ~0xFFull) | (registers.eax & 0xFF);
  context.Rip += decoded.instruction.length;
#else
  context.Eax = registers.eax;
  context.Eip += decoded.instruction.length;
#endif
  return EXCEPTION_CONTINUE_EXECUTION;
}

bool Start(std::string& problem) {
  auto h = std::make_unique<Harness>();
  h->reportPath = Environment("DRIVORA_NINEX_REPORT");
  const std::string boardPath = Environment("DRIVORA_NINEX_BOARD");
  if (boardPath.empty()) {
    problem = "DRIVORA_NINEX_BOARD names no board file";
    WriteReport(h->reportPath, "refused: " + problem + "\n");
    return false;
  }
  h->board = LoadBoardFile(boardPath, problem);
  if (!h->board || !ProvideFirmwareArea(*h->board, problem)) {
    WriteReport(h->reportPath, "refused: " + problem + "\n");
    return false;
  }
  h->hardware = std::make_unique<SimulatedBoardHardware>(*h->board);
  h->counting = std::make_unique<CountingHardware>(*h->hardware);
  InitializeCriticalSection(&h->lock);
  g_harness = h.release();
  g_harness->handler = AddVectoredExceptionHandler(1, AnswerPortInstruction);
  WriteReport(g_harness->reportPath, Traffic(*g_harness));
  return g_harness->handler != nullptr;
}

}  // namespace
}  // namespace drivora::ninex

extern "C" BOOL WINAPI DllMain(HINSTANCE, DWORD reason, LPVOID) {
  using drivora::ninex::g_harness;
  if (reason == DLL_PROCESS_ATTACH) {
    std::string problem;
    return drivora::ninex::Start(problem) ? TRUE : FALSE;
  }
  // The process ends: the counts of the whole run. The other threads are
  // gone by now, one of them perhaps while it held the lock, so the counts
  // are read without it. The board stays, as the handler does.
  if (reason == DLL_PROCESS_DETACH && g_harness)
    drivora::ninex::WriteReport(g_harness->reportPath, drivora::ninex::Traffic(*g_harness));
  return TRUE;
}
