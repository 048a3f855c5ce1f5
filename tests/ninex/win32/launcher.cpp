// ninex_launch HARNESS.dll PROGRAM [ARG...]: starts PROGRAM suspended, loads
// the 9x harness into it (a remote thread calling LoadLibraryA on the DLL's
// path, written into the program's memory), and only then lets the program
// run; waits for it and ends with its exit code. The environment
// (DRIVORA_NINEX_BOARD, DRIVORA_NINEX_REPORT) passes on to the program, where
// the harness reads it. Test-only: never on a disc.
#include <windows.h>

#include <cstdio>
#include <string>

#include "tests/ninex/win32/harness_exit_code.h"

namespace {

using drivora::ninex::kHarnessRefusedExitCode;
using drivora::ninex::kLaunchFailedExitCode;

constexpr DWORD kLoadTimeoutMs = 60000;

class Handle {
 public:
  explicit Handle(HANDLE h = nullptr) : h_(h) {}
  ~Handle() {
    if (h_ && h_ != INVALID_HANDLE_VALUE) CloseHandle(h_);
  }
  Handle(const Handle&) = delete;
  Handle& operator=(const Handle&) = delete;
  HANDLE get() const { return h_; }

 private:
  HANDLE h_;
};

// One argument as the C runtime of the program will split it again.
std::string Quoted(const std::string& argument) {
  if (!argument.empty() && argument.find_first_of(" \t\"") == std::string::npos) return argument;
  std::string out = "\"";
  std::size_t backslashes = 0;
  for (char c : argument) {
    if (c == '\\') {
      ++backslashes;
      continue;
    }
    out.append(c == '"' ? backslashes * 2 + 1 : backslashes, '\\');
    backslashes = 0;
    out += c;
  }
  out.append(backslashes * 2, '\\');
  return out + "\"";
}

int Fail(const char* what) {
  std::fprintf(stderr, "ninex_launch: %s (error %lu)\n", what, GetLastError());
  return kLaunchFailedExitCode;
}

HANDLE Inheritable(DWORD which) {
  HANDLE copy = nullptr;
  const HANDLE own = GetStdHandle(which);
  if (!own || own == INVALID_HANDLE_VALUE ||
      !DuplicateHandle(GetCurrentProcess(), own, GetCurrentProcess(), &copy, 0, TRUE, DUPLICATE_SAME_ACCESS))
    return nullptr;
  return copy;
}

bool Problem(const char* what) {
  Fail(what);
  return false;
}

// Prints the harness's report, which says why it did not start or what it refused.
void ShowReport() {
  char path[1024];
  const DWORD n = GetEnvironmentVariableA("DRIVORA_NINEX_REPORT", path, sizeof path);
  if (n == 0 || n >= sizeof path) return;
  FILE* report = std::fopen(path, "rb");
  if (!report) return;
  char line[512];
  while (std::fgets(line, sizeof line, report)) std::fprintf(stderr, "ninex_launch: harness: %s", line);
  std::fclose(report);
}

// Runs LoadLibraryA(dll) on a thread of the suspended process; true when it loaded.
bool LoadHarness(HANDLE process, const std::string& dll) {
  void* remote = VirtualAllocEx(process, nullptr, dll.size() + 1, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE);
  if (!remote) return Problem("no memory for the harness's path in the program");
  SIZE_T written = 0;
  if (!WriteProcessMemory(process, remote, dll.c_str(), dll.size() + 1, &written) || written != dll.size() + 1)
    return Problem("cannot write the harness's path into the program");
  // kernel32 lies at the same address in every process of one architecture.
  auto* loadLibrary = reinterpret_cast<LPTHREAD_START_ROUTINE>(
      reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("kernel32.dll"), "LoadLibraryA")));
  Handle thread(CreateRemoteThread(process, nullptr, 0, loadLibrary, remote, 0, nullptr));
  if (!thread.get()) return Problem("cannot start the loading thread in the program");
  if (WaitForSingleObject(thread.get(), kLoadTimeoutMs) != WAIT_OBJECT_0)
    return Problem("the harness did not load within 60 s");
  DWORD loaded = 0;
  GetExitCodeThread(thread.get(), &loaded);  // the low half of the module handle
  VirtualFreeEx(process, remote, 0, MEM_RELEASE);
  if (loaded == 0) {
    std::fprintf(stderr, "ninex_launch: the harness %s did not load into the program\n", dll.c_str());
    return false;
  }
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) {
    std::fprintf(stderr, "usage: ninex_launch HARNESS.dll PROGRAM [ARG...]\n");
    return kLaunchFailedExitCode;
  }
  char dll[MAX_PATH];
  const DWORD n = GetFullPathNameA(argv[1], sizeof dll, dll, nullptr);
  if (n == 0 || n >= sizeof dll || GetFileAttributesA(dll) == INVALID_FILE_ATTRIBUTES) return Fail("no harness DLL there");

  std::string commandLine = Quoted(argv[2]);
  for (int i = 3; i < argc; ++i) commandLine += " " + Quoted(argv[i]);
  // The program writes where the launcher writes: its standard handles, made
  // inheritable copies, and nothing else is inherited.
  Handle in(Inheritable(STD_INPUT_HANDLE)), out(Inheritable(STD_OUTPUT_HANDLE)), err(Inheritable(STD_ERROR_HANDLE));
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdInput = in.get();
  startup.hStdOutput = out.get();
  startup.hStdError = err.get();
  PROCESS_INFORMATION started{};
  if (!CreateProcessA(nullptr, commandLine.data(), nullptr, nullptr, TRUE, CREATE_SUSPENDED, nullptr, nullptr,
                      &startup, &started))
    return Fail("cannot start the program");
  Handle process(started.hProcess), mainThread(started.hThread);
  if (!LoadHarness(process.get(), dll)) {
    ShowReport();
    TerminateProcess(process.get(), kLaunchFailedExitCode);
    return kLaunchFailedExitCode;
  }
  ResumeThread(mainThread.get());
  WaitForSingleObject(process.get(), INFINITE);
  DWORD code = 0;
  GetExitCodeProcess(process.get(), &code);
  if (code == kHarnessRefusedExitCode) ShowReport();
  return static_cast<int>(code);
}
