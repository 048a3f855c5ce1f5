// The runner's Win32 seams on their own: programs started where they are
// asked to start and waited for, the process list as the system has it, and
// worker threads that run and then let go of their work.
#include <windows.h>

#include <gtest/gtest.h>

#include <fstream>
#include <map>
#include <memory>
#include <sstream>
#include <string>

#include "app/byte_strings.h"
#include "app/win32/handles.h"
#include "runner/win32/process_list.h"
#include "runner/win32/system_libraries.h"
#include "runner/win32/win32_runner.h"
#include "tests/windows/temp_folder.h"

namespace {

using drivora::test::FreshFolder;
using drivora::test::RemoveTree;

std::string FullPath(const char* path) {
  char full[MAX_PATH] = {};
  GetFullPathNameA(path, MAX_PATH, full, nullptr);
  return full;
}

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

std::string CurrentFolder() {
  char folder[MAX_PATH] = {};
  GetCurrentDirectoryA(MAX_PATH, folder);
  return folder;
}

class Win32Seams : public ::testing::Test {
 protected:
  Win32Seams() : installer_(FullPath(DRIVORA_TEST_INSTALLER)), startFolder_(CurrentFolder()) {
    folder_ = FreshFolder("drivora-seams-");
    trace_ = folder_ + "\\TRACE.TXT";
  }
  ~Win32Seams() override {
    SetCurrentDirectoryA(startFolder_.c_str());
    RemoveTree(folder_);
  }

  std::string Quoted(const std::string& path) const { return "\"" + path + "\""; }

  const std::string installer_;
  const std::string startFolder_;
  std::string folder_;
  std::string trace_;
  drivora::win32::Win32Runner runner_;
  drivora::ProgramRunner& programs_ = *runner_.System().Programs;
};

TEST_F(Win32Seams, ALaunchedProgramStartsInTheFolderItIsGiven) {
  const auto program = programs_.Launch(Quoted(installer_) + " marker " + Quoted(trace_) + " given", folder_);
  ASSERT_NE(program, nullptr);
  program->WaitForExit();
  EXPECT_EQ(ReadFile(trace_), "given\t" + folder_ + "\n");
}

TEST_F(Win32Seams, WithoutAFolderTheProgramStartsInTheCurrentDirectory) {
  programs_.ChangeCurrentDirectory(folder_);
  ASSERT_EQ(CurrentFolder(), folder_);
  const auto program = programs_.Launch(Quoted(installer_) + " marker " + Quoted(trace_) + " current", "");
  ASSERT_NE(program, nullptr);
  program->WaitForExit();
  EXPECT_EQ(ReadFile(trace_), "current\t" + folder_ + "\n");
}

TEST_F(Win32Seams, TheWaitLastsUntilTheProgramHasEnded) {
  const auto program = programs_.Launch(Quoted(installer_) + " sleep 700 " + Quoted(trace_) + " slept", folder_);
  ASSERT_NE(program, nullptr);
  program->WaitForExit();
  EXPECT_EQ(ReadFile(trace_), "slept\t" + folder_ + "\n");
}

TEST_F(Win32Seams, AProgramThatDoesNotExistGivesNothing) {
  EXPECT_EQ(programs_.Launch(Quoted(folder_ + "\\MISSING.EXE"), folder_), nullptr);
}

TEST_F(Win32Seams, TheProcessListHoldsThisProgramAndOneItStarted) {
  const auto program = programs_.Launch(Quoted(installer_) + " sleep 1500", folder_);
  ASSERT_NE(program, nullptr);
  char ownPath[MAX_PATH] = {};
  GetModuleFileNameA(nullptr, ownPath, MAX_PATH);
  bool sawSelf = false, sawStarted = false;
  ASSERT_TRUE(programs_.EnumerateProcesses([&](drivora::ProcessSighting& process) {
    sawSelf = sawSelf || (process.processId == GetCurrentProcessId() && drivora::EqualsIgnoreAsciiCase(process.Path(), ownPath));
    sawStarted = sawStarted || drivora::EqualsIgnoreAsciiCase(process.Path(), installer_);
    return true;
  }));
  EXPECT_TRUE(sawSelf);
  EXPECT_TRUE(sawStarted);
  program->WaitForExit();
}

// What the completion wait remembers a process by: its id and creation time,
// the same at every walk while it runs, and its path read only when asked.
TEST_F(Win32Seams, TheProcessWalkTellsEachProcessItsCreationTime) {
  const auto program = programs_.Launch(Quoted(installer_) + " sleep 1500", folder_);
  ASSERT_NE(program, nullptr);
  const auto creationTimes = [&] {
    std::map<std::uint32_t, std::uint64_t> times;
    EXPECT_TRUE(programs_.EnumerateProcesses([&](drivora::ProcessSighting& process) {
      if (process.task == 0) times[process.processId] = process.creationTime;
      return true;
    }));
    return times;
  };
  const auto first = creationTimes();
  const auto second = creationTimes();
  ASSERT_TRUE(first.contains(GetCurrentProcessId()));
  FILETIME created{}, exited{}, kernel{}, user{};
  ASSERT_TRUE(GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel, &user));
  EXPECT_EQ(first.at(GetCurrentProcessId()), (std::uint64_t{created.dwHighDateTime} << 32) | created.dwLowDateTime);
  for (const auto& [id, time] : first) {
    if (second.contains(id)) {
      EXPECT_EQ(second.at(id), time) << "process " << id;
    }
  }
  program->WaitForExit();
}

TEST_F(Win32Seams, TheProcessWalkStopsWhenTheVisitorSaysSo) {
  int visited = 0;
  ASSERT_TRUE(programs_.EnumerateProcesses([&](const drivora::ProcessSighting&) {
    ++visited;
    return false;
  }));
  EXPECT_EQ(visited, 1);
}

// The 9x family's walk, which the NT family's kernel answers too; there the
// snapshot names the program without its folder.
TEST_F(Win32Seams, TheSnapshotWalkSeesThisProgramAndStopsWhenAsked) {
  char ownPath[MAX_PATH] = {};
  GetModuleFileNameA(nullptr, ownPath, MAX_PATH);
  const std::string ownName = std::string(ownPath).substr(std::string(ownPath).rfind('\\') + 1);
  bool sawSelf = false;
  ASSERT_TRUE(drivora::win32::Walk9xProcesses([&](drivora::ProcessSighting& process) {
    const std::string& path = process.Path();
    sawSelf = process.processId == GetCurrentProcessId() && path.size() >= ownName.size() &&
              drivora::EqualsIgnoreAsciiCase(path.substr(path.size() - ownName.size()), ownName);
    return !sawSelf;
  }));
  EXPECT_TRUE(sawSelf);
  int visited = 0;
  ASSERT_TRUE(drivora::win32::Walk9xProcesses([&](const drivora::ProcessSighting&) { return ++visited < 2; }));
  EXPECT_EQ(visited, 2);
}

// ---------------------------------------------------------------------------
// Libraries planted where the elevated wizard must not load code from.

bool Exists(const std::string& path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

void PlantDecoy(const std::string& folder, const char* name) {
  ASSERT_TRUE(CopyFileA(FullPath(DRIVORA_DECOY_LIBRARY).c_str(), (folder + "\\" + name).c_str(), FALSE)) << name;
}

TEST_F(Win32Seams, TheProcessWalkLoadsNoLibraryPlantedBesideTheProgramOrInTheCurrentFolder) {
  // This test program, copied into a folder with a PSAPI.DLL and a VDMDBG.DLL
  // of the wrong kind beside it, walks the process list from there.
  char ownPath[MAX_PATH] = {};
  GetModuleFileNameA(nullptr, ownPath, MAX_PATH);
  const std::string copy = folder_ + "\\WALKER.EXE";
  ASSERT_TRUE(CopyFileA(ownPath, copy.c_str(), FALSE));
  PlantDecoy(folder_, "PSAPI.DLL");
  PlantDecoy(folder_, "VDMDBG.DLL");
  // Wine prefers its own PSAPI and VDMDBG to a library beside the program,
  // where Windows takes the one it finds first: told to prefer the one
  // beside the program, Wine searches as Windows does (Windows ignores this).
  char overrides[512] = {};
  GetEnvironmentVariableA("WINEDLLOVERRIDES", overrides, sizeof overrides);
  const std::string before(overrides);
  SetEnvironmentVariableA("WINEDLLOVERRIDES", ((before.empty() ? "" : before + ";") + "psapi,vdmdbg=n,b").c_str());
  std::string commandLine = Quoted(copy) + " --gtest_filter=Win32Seams.TheProcessWalkStopsWhenTheVisitorSaysSo";
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION started{};
  ASSERT_TRUE(CreateProcessA(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, folder_.c_str(),
                             &startup, &started));
  const drivora::win32::UniqueKernelHandle process(started.hProcess), thread(started.hThread);
  ASSERT_EQ(WaitForSingleObject(process.get(), 60000), WAIT_OBJECT_0);
  DWORD exitCode = 1;
  GetExitCodeProcess(process.get(), &exitCode);
  EXPECT_EQ(exitCode, 0u) << "the walk from the copy failed";
  EXPECT_FALSE(Exists(folder_ + "\\DECOY-LOADED.TXT")) << "a planted library was loaded";
}

TEST_F(Win32Seams, OnceTheSearchIsKeptToTheSystemNoLibraryComesFromTheCurrentFolder) {
  PlantDecoy(folder_, "DRVDECOY.DLL");
  programs_.ChangeCurrentDirectory(folder_);
  drivora::win32::KeepLibrarySearchToTheSystem();
  const HMODULE loaded = LoadLibraryA("DRVDECOY.DLL");
  if (loaded) FreeLibrary(loaded);
  EXPECT_EQ(loaded, nullptr);
  EXPECT_FALSE(Exists(folder_ + "\\DECOY-LOADED.TXT")) << "the library in the current folder was loaded";
  // System libraries still load, by their full path.
  const HMODULE psapi = drivora::win32::LoadSystemLibrary("PSAPI.DLL");
  EXPECT_NE(psapi, nullptr);
  if (psapi) FreeLibrary(psapi);
}

TEST_F(Win32Seams, AWorkerRunsOnAThreadOfItsOwnAndThenLetsGoOfItsWork) {
  auto held = std::make_shared<int>(0);
  const std::weak_ptr<int> watch = held;
  HANDLE done = CreateEventA(nullptr, TRUE, FALSE, nullptr);
  ASSERT_NE(done, nullptr);
  DWORD workerThread = 0;
  ASSERT_TRUE(runner_.System().Threads->Start([held = std::move(held), done, &workerThread] {
    workerThread = GetCurrentThreadId();
    SetEvent(done);
  }));
  ASSERT_EQ(WaitForSingleObject(done, 10000), WAIT_OBJECT_0);
  CloseHandle(done);
  EXPECT_NE(workerThread, GetCurrentThreadId());
  bool released = false;
  for (int i = 0; i < 200 && !released; ++i, Sleep(10)) released = watch.expired();
  EXPECT_TRUE(released) << "the work outlived its thread";
}

}  // namespace
