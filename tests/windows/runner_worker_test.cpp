// The install worker with the real Win32 seams: stand-in installers on a disc
// laid out in a temporary folder, the real registry of the test prefix, real
// processes and their waits. The opening of documents through Explorer is
// recorded instead of done; the message boxes are recorded too, except in the
// RunnerOnScreen suite, which shows them on a screen where a person (a thread
// of the test) reads and answers them.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "app/app_state.h"
#include "app/byte_strings.h"
#include "app/catalogue.h"
#include "app/win32/dialogs_win32.h"
#include "app/win32/handles.h"
#include "app/win32/os_facts_win32.h"
#include "app/win32/program_files_win32.h"
#include "app/win32/registry_win32.h"
#include "runner/install_worker.h"
#include "runner/win32/win32_runner.h"
#include "tests/joined_threads.h"
#include "tests/windows/person_at_screen.h"
#include "tests/windows/temp_folder.h"

namespace {

using drivora::test::FreshFolder;
using drivora::test::RemoveTree;

using drivora::WindowHandle;
using drivora::win32::UniqueRegKey;
using Clock = std::chrono::steady_clock;

// Spelled out rather than taken from the program's constants: these are the
// places an interrupted installation resumes from.
constexpr char kRun[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Run";
constexpr char kRunOnce[] = "Software\\Microsoft\\Windows\\CurrentVersion\\RunOnce";

// The Windows path of the stand-in installer, fixed before any test moves the
// current directory off the drive its Unix path lies on.
const std::string& InstallerImage() {
  static const std::string path = [] {
    char full[MAX_PATH] = {};
    GetFullPathNameA(DRIVORA_TEST_INSTALLER, MAX_PATH, full, nullptr);
    return std::string(full);
  }();
  return path;
}

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

bool Contains(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

std::vector<std::string> ValueNames(HKEY root, const char* path) {
  HKEY opened = nullptr;
  if (RegOpenKeyExA(root, path, 0, KEY_READ, &opened) != ERROR_SUCCESS) return {};
  const UniqueRegKey key(opened);
  std::vector<std::string> names;
  char name[1024];
  for (DWORD index = 0;; ++index) {
    DWORD length = sizeof name;
    if (RegEnumValueA(key.get(), index, name, &length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
    names.emplace_back(name, length);
  }
  return names;
}

// Every string value of a key, name to data.
std::map<std::string, std::string> ValueData(HKEY root, const char* path) {
  std::map<std::string, std::string> values;
  HKEY opened = nullptr;
  if (RegOpenKeyExA(root, path, 0, KEY_READ, &opened) != ERROR_SUCCESS) return values;
  const UniqueRegKey key(opened);
  for (const std::string& name : ValueNames(root, path)) {
    char data[1024] = {};
    DWORD bytes = sizeof data - 1;
    if (RegQueryValueExA(key.get(), name.c_str(), nullptr, nullptr, reinterpret_cast<BYTE*>(data), &bytes) == ERROR_SUCCESS) {
      values[name] = data;
    }
  }
  return values;
}

bool KeyExists(const std::string& path) {
  HKEY opened = nullptr;
  if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, path.c_str(), 0, KEY_READ, &opened) != ERROR_SUCCESS) return false;
  RegCloseKey(opened);
  return true;
}

void CreateKey(const std::string& path) {
  HKEY created = nullptr;
  ASSERT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &created, nullptr),
            ERROR_SUCCESS);
  RegCloseKey(created);
}

// Takes a key with its string values away for a test and puts it back after.
class SavedKey {
 public:
  explicit SavedKey(std::string path) : path_(std::move(path)) {
    HKEY opened = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, path_.c_str(), 0, KEY_READ, &opened) == ERROR_SUCCESS) {
      const UniqueRegKey key(opened);
      for (const std::string& name : ValueNames(HKEY_LOCAL_MACHINE, path_.c_str())) {
        char data[1024] = {};
        DWORD bytes = sizeof data - 1;
        RegQueryValueExA(key.get(), name.c_str(), nullptr, nullptr, reinterpret_cast<BYTE*>(data), &bytes);
        values_.emplace_back(name, data);
      }
    }
    RegDeleteKeyA(HKEY_LOCAL_MACHINE, path_.c_str());
  }
  ~SavedKey() {
    HKEY created = nullptr;
    if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, path_.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &created, nullptr) !=
        ERROR_SUCCESS) {
      return;
    }
    const UniqueRegKey key(created);
    for (const auto& [name, data] : values_) {
      RegSetValueExA(key.get(), name.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(data.c_str()),
                     static_cast<DWORD>(data.size() + 1));
    }
  }
  SavedKey(const SavedKey&) = delete;
  SavedKey& operator=(const SavedKey&) = delete;

 private:
  std::string path_;
  std::vector<std::pair<std::string, std::string>> values_;
};

class RecordingBoxes final : public drivora::MessageBoxes {
 public:
  int Show(WindowHandle, const std::string& text, const std::string& caption, std::uint32_t style) override {
    shown.push_back(caption + " | " + text + " | " + std::to_string(style));
    return IDOK;
  }
  std::vector<std::string> shown;
};

// The category list of the program's string table, VXD seventh.
class CategoryTexts final : public drivora::StringTable {
 public:
  std::optional<std::string> Load(unsigned, std::size_t) const override {
    return std::string("VGA.AUDIO.LAN.IDE.USB.UTIL.VXD.OTHER");
  }
};

// The wizard as if it ran from the temporary disc: its own path is the disc's
// Setup.exe, everything else is the system's answer.
class DiscFiles final : public drivora::ProgramFiles {
 public:
  explicit DiscFiles(std::string setupPath) : setupPath_(std::move(setupPath)) {}
  std::string ModuleFileName() const override { return setupPath_; }
  std::string ShortPathName(const std::string& path) const override { return system_.ShortPathName(path); }
  bool FileExists(const std::string& path) const override { return system_.FileExists(path); }
  std::unique_ptr<drivora::ConfigFile> OpenConfigFile(const std::string& path) const override {
    return system_.OpenConfigFile(path);
  }

 private:
  std::string setupPath_;
  drivora::win32::Win32ProgramFiles system_;
};

// The real programs, except that documents are not opened: what would be
// opened is recorded, with the trace file as it stood at that moment.
class RecordingStarts final : public drivora::ProgramRunner {
 public:
  RecordingStarts(drivora::ProgramRunner& real, std::string traceFile) : real_(real), traceFile_(std::move(traceFile)) {}
  void ChangeCurrentDirectory(const std::string& folder) override { real_.ChangeCurrentDirectory(folder); }
  std::unique_ptr<drivora::LaunchedProgram> Launch(const std::string& commandLine,
                                                   const std::string& workingFolder) override {
    return real_.Launch(commandLine, workingFolder);
  }
  void StartWithoutWaiting(const std::string& commandLine) override {
    started.push_back(commandLine);
    traceWhenStarted.push_back(ReadFile(traceFile_));
    pendingWhenStarted.push_back(ValueData(HKEY_LOCAL_MACHINE, kRunOnce));
  }
  void MinimiseWindow(WindowHandle window) override { real_.MinimiseWindow(window); }
  void Sleep(std::uint32_t milliseconds) override { real_.Sleep(milliseconds); }
  bool EnumerateProcesses(const drivora::ProcessVisitor& visit) override { return real_.EnumerateProcesses(visit); }

  std::vector<std::string> started;
  std::vector<std::string> traceWhenStarted;
  std::vector<std::map<std::string, std::string>> pendingWhenStarted;

 private:
  drivora::ProgramRunner& real_;
  std::string traceFile_;
};

// A disc in a fresh temporary folder: Setup.ini, the stand-in installers
// under the names a test gives them, and TRACE.TXT that they write to.
class RunnerOnDisc : public ::testing::Test {
 protected:
  RunnerOnDisc() : folder_(NewFolder()), files_(Folder() + "\\Setup.exe"), starts_(*realRunner_.System().Programs, Trace()) {
    CreateKey(kRun);
    CreateKey(kRunOnce);
    app_.Sys.Os = &os_;
    app_.Sys.Files = &files_;
    app_.Sys.Reg = &registry_;
    app_.Sys.Boxes = &boxes_;
    app_.Sys.Strings = &texts_;
    app_.OsClass = 1;  // the 9x family, which keeps the Run value as well
    app_.ModuleShortPath = drivora::ToUpperAscii(files_.ShortPathName(drivora::win32::Win32ProgramFiles().ModuleFileName()));
    runner_ = realRunner_.System();
    runner_.Programs = &starts_;
  }

  ~RunnerOnDisc() override {
    for (const std::string& name : PendingOnDisc()) DeleteValue(kRunOnce, name);
    DeleteValue(kRun, "Drivora...");
    SetCurrentDirectoryA(StartFolder().c_str());
    // A program the test let go may still be ending in the folder.
    for (int attempt = 0; attempt < 50 && !RemoveTree(Folder()); ++attempt) Sleep(100);
  }

  static const std::string& StartFolder() {
    static const std::string folder = [] {
      char current[MAX_PATH] = {};
      GetCurrentDirectoryA(MAX_PATH, current);
      return std::string(current);
    }();
    return folder;
  }

  static std::string NewFolder() {
    StartFolder();
    return FreshFolder("drivora-disc-");
  }
  const std::string& Folder() const { return folder_; }
  std::string Trace() const { return Folder() + "\\TRACE.TXT"; }
  std::string InDisc(const std::string& name) const { return Folder() + "\\" + name; }

  static void DeleteValue(const char* key, const std::string& name) {
    HKEY opened = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, key, 0, KEY_ALL_ACCESS, &opened) != ERROR_SUCCESS) return;
    RegDeleteValueA(opened, name.c_str());
    RegCloseKey(opened);
  }

  // The stand-in under `name`; with `actions` (tab-separated words, one
  // action a line) it does those when started without arguments.
  void AddInstaller(const std::string& name, const std::string& actions = {}) {
    const std::string path = InDisc(name);
    const std::size_t slash = path.rfind('\\');
    CreateDirectoryA(path.substr(0, slash).c_str(), nullptr);
    ASSERT_TRUE(CopyFileA(InstallerImage().c_str(), path.c_str(), FALSE)) << InstallerImage() << " -> " << path;
    if (!actions.empty()) std::ofstream(path.substr(0, path.rfind('.')) + ".ARG") << actions;
  }

  void WriteSetupIni(const std::string& commandList, const std::string& more = {}) {
    const std::string ini = InDisc("SETUP.INI");
    std::ofstream(ini) << "[ExecuteNormal]\r\nEntry=" << commandList << "\r\n" << more;
    app_.IniPath = drivora::ToUpperAscii(ini);
    app_.Config = std::make_unique<drivora::win32::Win32ConfigFile>(ini);
  }

  // Runs the entry on this thread, as its worker thread would.
  void RunEntry(const std::string& key = "UTIL.Tools") {
    drivora::InstallWorker(app_, runner_, drivora::InstallJob{key, "Entry", nullptr});
  }

  // Waits up to `limit` for `line` to appear in the trace.
  bool TraceGains(const std::string& line, std::chrono::milliseconds limit) {
    for (const auto end = Clock::now() + limit; Clock::now() < end; Sleep(50)) {
      if (Contains(ReadFile(Trace()), line)) return true;
    }
    return false;
  }

  static bool HasResumeValue() {
    const std::vector<std::string> run = ValueNames(HKEY_LOCAL_MACHINE, kRun);
    return std::find(run.begin(), run.end(), "Drivora...") != run.end();
  }

  std::vector<std::string> PendingOnDisc() const {
    std::vector<std::string> pending;
    for (const std::string& name : ValueNames(HKEY_LOCAL_MACHINE, kRunOnce)) {
      if (Contains(drivora::ToUpperAscii(name), drivora::ToUpperAscii(Folder()))) pending.push_back(name);
    }
    return pending;
  }

  const std::string folder_;
  drivora::win32::Win32OsFacts os_;
  DiscFiles files_;
  drivora::win32::Win32Registry registry_;
  RecordingBoxes boxes_;
  CategoryTexts texts_;
  drivora::AppState app_;
  drivora::win32::Win32Runner realRunner_;
  RecordingStarts starts_;
  drivora::RunnerSystem runner_;
};

TEST_F(RunnerOnDisc, RegistersEveryCommandThenRunsTheProgramThenOpensTheDocument) {
  AddInstaller("A.EXE", "runonce\t" + Trace() + "\tA\nmarker\t" + Trace() + "\tA\n");
  std::ofstream(InDisc("README.TXT")) << "read me";
  WriteSetupIni("A.EXE;README.TXT");

  RunEntry();

  const std::string trace = ReadFile(Trace());
  EXPECT_TRUE(Contains(trace, "A\trunonce\t" + InDisc("README.TXT") + "\n")) << trace;
  EXPECT_FALSE(Contains(trace, "A\trunonce\t" + InDisc("A.EXE"))) << "a command's value goes before it runs\n" << trace;
  EXPECT_TRUE(Contains(trace, "A\t" + Folder() + "\n")) << "A.EXE runs in its own folder\n" << trace;
  ASSERT_EQ(starts_.started.size(), 1u);
  // Explorer by its full path: never a program of that name in the disc's folders.
  EXPECT_EQ(starts_.started[0], os_.WindowsFolder() + "\\explorer.exe \"" + InDisc("README.TXT") + "\"");
  EXPECT_TRUE(Contains(starts_.traceWhenStarted[0], "A\t" + Folder())) << "the document waits for the program";
  EXPECT_TRUE(boxes_.shown.empty());
  EXPECT_TRUE(PendingOnDisc().empty());
  EXPECT_FALSE(HasResumeValue());
  EXPECT_EQ(app_.LaunchCount.load(), 1);
}

TEST_F(RunnerOnDisc, AWorkerThreadKeepsTheWizardUnderRunWhileTheListRuns) {
  AddInstaller("A.EXE", "sleep\t1500\nmarker\t" + Trace() + "\tA\n");
  WriteSetupIni("A.EXE");
  drivora::AddInstallEntry(app_.Catalogue, "UTIL.Tools", "Entry");
  app_.SelectedIndex = 0;

  ASSERT_TRUE(drivora::StartInstallWorker(app_, runner_, nullptr));

  // Seen from this thread while A.EXE sleeps: its own value already taken,
  // the wizard's still there.
  bool seenWhileRunning = false;
  for (const auto end = Clock::now() + std::chrono::seconds(20); Clock::now() < end && !seenWhileRunning; Sleep(20)) {
    seenWhileRunning = ReadFile(Trace()).empty() && PendingOnDisc().empty() && HasResumeValue();
  }
  EXPECT_TRUE(seenWhileRunning);
  ASSERT_TRUE(TraceGains("A\t" + Folder(), std::chrono::seconds(20)));
  bool taken = false;
  for (const auto end = Clock::now() + std::chrono::seconds(20); Clock::now() < end && !taken; Sleep(20)) {
    taken = !HasResumeValue();
  }
  EXPECT_TRUE(taken) << "the Run value goes when the list has ended";
}

TEST_F(RunnerOnDisc, WaitsForAProgramTheInstallerStartedFromItsFolder) {
  AddInstaller("SPAWNER.EXE", "spawn\tCHILD.EXE\t1500\t" + Trace() + "\tchild\n");
  AddInstaller("CHILD.EXE");
  WriteSetupIni("SPAWNER.EXE");

  RunEntry();

  EXPECT_TRUE(Contains(ReadFile(Trace()), "child\t" + Folder())) << "the worker came back before the child ended";
  EXPECT_EQ(app_.LaunchCount.load(), 1);
}

TEST_F(RunnerOnDisc, DoesNotWaitForACopyOfTheInstallerInTheTemporaryFolder) {
  const std::string copyName = "drivora-relocated-" + std::to_string(GetCurrentProcessId()) + ".exe";
  AddInstaller("RELOCATE.EXE", "relocate\t" + copyName + "\t3000\t" + Trace() + "\tcopy\n");
  WriteSetupIni("RELOCATE.EXE");

  RunEntry();

  EXPECT_FALSE(Contains(ReadFile(Trace()), "copy\t")) << "the worker waited for the copy";
  EXPECT_TRUE(TraceGains("copy\t", std::chrono::seconds(20))) << "the copy never ran";
  char temp[MAX_PATH] = {};
  GetTempPathA(MAX_PATH, temp);
  for (int attempt = 0; attempt < 50 && !DeleteFileA((std::string(temp) + copyName).c_str()); ++attempt) Sleep(100);
}

TEST_F(RunnerOnDisc, LaunchesACommandWithItsArgumentsAndWaitsOnlyForItself) {
  AddInstaller("ARGS.EXE");
  AddInstaller("CHILD.EXE");
  WriteSetupIni("ARGS.EXE spawn CHILD.EXE 2500 " + Trace() + " child");

  RunEntry();

  EXPECT_FALSE(Contains(ReadFile(Trace()), "child\t")) << "the worker waited for the folder of a command with arguments";
  EXPECT_TRUE(TraceGains("child\t" + Folder(), std::chrono::seconds(20))) << "the arguments did not arrive";
  EXPECT_TRUE(boxes_.shown.empty());
  EXPECT_TRUE(PendingOnDisc().empty());
}

TEST_F(RunnerOnDisc, AProgramThatCannotStartIsReportedAndTheListGoesOn) {
  AddInstaller("B.EXE", "marker\t" + Trace() + "\tB\n");
  WriteSetupIni("MISSING.EXE;B.EXE");

  RunEntry();

  ASSERT_EQ(boxes_.shown.size(), 1u);
  EXPECT_EQ(boxes_.shown[0], "Execute error! | " + InDisc("MISSING.EXE") + " can't run! | 32");
  EXPECT_TRUE(Contains(ReadFile(Trace()), "B\t" + Folder()));
  EXPECT_EQ(app_.LaunchCount.load(), 0) << "one failure and one launch";
  EXPECT_TRUE(PendingOnDisc().empty());
}

TEST_F(RunnerOnDisc, AFailedLaunchAloneLowersTheLaunchCountBelowZero) {
  WriteSetupIni("MISSING.EXE");
  RunEntry();
  EXPECT_EQ(app_.LaunchCount.load(), -1);
  EXPECT_EQ(boxes_.shown.size(), 1u);
}

TEST_F(RunnerOnDisc, ASoundDriverEntryDeletesTheListedDeviceKeysAndKeepsTheirParents) {
  const bool hadEnum = KeyExists("Enum");
  const std::string parent = "Enum\\DrivoraTest\\VEN_1234&DEV_5678";
  CreateKey(parent + "\\3&61AAA01&0&28");
  CreateKey("Enum\\DrivoraTestLeaf");
  AddInstaller("A.EXE", "marker\t" + Trace() + "\tA\n");
  WriteSetupIni("A.EXE", "[SOUND_CARD]\r\nCard=DrivoraTest\\VEN_1234&DEV_5678\\3&61AAA01&0&28\r\n"
                         "Other=DrivoraTestLeaf\r\n");

  RunEntry("VXD.Sound");

  EXPECT_FALSE(KeyExists(parent + "\\3&61AAA01&0&28"));
  EXPECT_FALSE(KeyExists("Enum\\DrivoraTestLeaf"));
  EXPECT_TRUE(KeyExists(parent));
  EXPECT_TRUE(Contains(ReadFile(Trace()), "A\t")) << "the commands still run";
  RegDeleteKeyA(HKEY_LOCAL_MACHINE, parent.c_str());
  RegDeleteKeyA(HKEY_LOCAL_MACHINE, "Enum\\DrivoraTest");
  if (!hadEnum) RegDeleteKeyA(HKEY_LOCAL_MACHINE, "Enum");
}

TEST_F(RunnerOnDisc, AnEntryOfAnotherCategoryLeavesTheDeviceKeys) {
  const bool hadEnum = KeyExists("Enum");
  CreateKey("Enum\\DrivoraTestKept");
  AddInstaller("A.EXE", "marker\t" + Trace() + "\tA\n");
  WriteSetupIni("A.EXE", "[SOUND_CARD]\r\nOther=DrivoraTestKept\r\n");

  RunEntry("AUDIO.Sound");

  EXPECT_TRUE(KeyExists("Enum\\DrivoraTestKept"));
  RegDeleteKeyA(HKEY_LOCAL_MACHINE, "Enum\\DrivoraTestKept");
  if (!hadEnum) RegDeleteKeyA(HKEY_LOCAL_MACHINE, "Enum");
}

// Nothing can be registered, so nothing could resume after a restart; the
// commands still run now, each once.
TEST_F(RunnerOnDisc, WithoutTheRunOnceKeyEveryCommandStillRunsOnce) {
  AddInstaller("A.EXE", "marker\t" + Trace() + "\tA\n");
  std::ofstream(InDisc("README.TXT")) << "read me";
  WriteSetupIni("A.EXE;README.TXT;A.EXE");
  const SavedKey saved(kRunOnce);
  ASSERT_FALSE(KeyExists(kRunOnce));

  RunEntry();

  EXPECT_EQ(ReadFile(Trace()), "A\t" + Folder() + "\n");
  ASSERT_EQ(starts_.started.size(), 1u);
  EXPECT_EQ(starts_.started[0], os_.WindowsFolder() + "\\explorer.exe \"" + InDisc("README.TXT") + "\"");
  EXPECT_TRUE(boxes_.shown.empty());
  EXPECT_EQ(app_.LaunchCount.load(), 1);
}

// What Windows would run after a restart is the command line the launch
// uses: the program's name quoted, the arguments after it.
TEST_F(RunnerOnDisc, RunOnceHoldsTheLaunchCommandLineOfAProgramInAFolderWithABlank) {
  AddInstaller("MY DIR\\A.EXE", "marker\t" + Trace() + "\tA\n");
  std::ofstream(InDisc("README.TXT")) << "read me";
  WriteSetupIni("README.TXT;MY DIR\\A.EXE -s");

  RunEntry();

  ASSERT_EQ(starts_.pendingWhenStarted.size(), 1u);
  const auto& pending = starts_.pendingWhenStarted[0];
  const auto value = pending.find(InDisc("MY DIR\\A.EXE -s"));
  ASSERT_NE(value, pending.end()) << "no RunOnce value named by the resolved path";
  EXPECT_EQ(value->second, "\"" + InDisc("MY DIR\\A.EXE") + "\" -s");
  EXPECT_EQ(ReadFile(Trace()), "A\t" + InDisc("MY DIR") + "\n");
  EXPECT_TRUE(PendingOnDisc().empty());
}

TEST_F(RunnerOnDisc, EntriesActivatedWhileOneInstallsWaitTheirTurnAndRunOnce) {
  AddInstaller("A.EXE", "marker\t" + Trace() + "\tA begins\nsleep\t1500\nmarker\t" + Trace() + "\tA ends\n");
  AddInstaller("B.EXE", "marker\t" + Trace() + "\tB\n");
  WriteSetupIni("A.EXE", "Other=B.EXE\r\n");
  drivora::AddInstallEntry(app_.Catalogue, "UTIL.Tools", "Entry");
  drivora::AddInstallEntry(app_.Catalogue, "UTIL.Other", "Other");
  drivora::test::JoinedThreads threads;
  runner_.Threads = &threads;
  const auto activate = [&](std::int32_t index) {
    app_.SelectedIndex = index;
    return drivora::StartInstallWorker(app_, runner_, nullptr);
  };

  ASSERT_TRUE(activate(0));
  ASSERT_TRUE(TraceGains("A begins", std::chrono::seconds(20)));
  EXPECT_TRUE(activate(0));
  EXPECT_TRUE(activate(1));
  EXPECT_TRUE(activate(1));
  threads.JoinAll();

  EXPECT_EQ(ReadFile(Trace()), "A begins\t" + Folder() + "\nA ends\t" + Folder() + "\nB\t" + Folder() + "\n");
  EXPECT_TRUE(PendingOnDisc().empty());
  EXPECT_FALSE(HasResumeValue());
  EXPECT_EQ(app_.LaunchCount.load(), 2);
}

TEST_F(RunnerOnDisc, AProgramInASubfolderRunsInThatFolder) {
  AddInstaller("VGA\\SETUP.EXE", "marker\t" + Trace() + "\tvga\n");
  WriteSetupIni(".\\VGA\\SETUP.EXE");

  RunEntry();

  EXPECT_TRUE(Contains(ReadFile(Trace()), "vga\t" + InDisc("VGA") + "\n")) << ReadFile(Trace());
}

// The same runs with the real message boxes, answered by a person.
class RunnerOnScreen : public RunnerOnDisc {
 protected:
  RunnerOnScreen() {
    app_.Sys.Boxes = &screenBoxes_;
    app_.LanguageId = 1033;
  }

  static void SetRunValue(const std::string& data) {
    HKEY opened = nullptr;
    ASSERT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, kRun, 0, KEY_ALL_ACCESS, &opened), ERROR_SUCCESS);
    const UniqueRegKey key(opened);
    RegSetValueExA(key.get(), "Drivora...", 0, REG_SZ, reinterpret_cast<const BYTE*>(data.c_str()),
                   static_cast<DWORD>(data.size() + 1));
  }

  static std::string RunValue() {
    HKEY opened = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kRun, 0, KEY_READ, &opened) != ERROR_SUCCESS) return "(no key)";
    const UniqueRegKey key(opened);
    char data[MAX_PATH] = {};
    DWORD bytes = sizeof data - 1;
    if (RegQueryValueExA(key.get(), "Drivora...", nullptr, nullptr, reinterpret_cast<BYTE*>(data), &bytes) !=
        ERROR_SUCCESS)
      return "(none)";
    return data;
  }

  // Runs an entry that ends with the restart question, answers it with
  // `answer`, checks the question and gives how many boxes were shown.
  std::size_t RunRestartEntryAnswering(const std::string& answer) {
    AddInstaller("A.EXE", "marker\t" + Trace() + "\tA\n");
    WriteSetupIni("A.EXE", "[LANG.1033]\r\nRestart=Restart Windows now?\r\n");
    // Spare answers: a box nobody expected is closed rather than left hanging.
    drivora::test::PersonAtScreen person({answer, "OK", "OK", "OK", "OK"});
    RunEntry("RST.UTIL.Tools");
    const auto seen = person.Seen();
    if (seen.empty()) return 0;
    EXPECT_EQ(seen[0].caption, "Drivora...");
    EXPECT_EQ(seen[0].text, "Restart Windows now?");
    EXPECT_EQ(seen[0].buttons, (std::vector<std::string>{"Yes", "No"}));
    EXPECT_TRUE(seen[0].hasIcon);
    for (std::size_t i = 1; i < seen.size(); ++i) ADD_FAILURE() << "unexpected box: " << seen[i].caption << " | " << seen[i].text;
    return seen.size();
  }

  drivora::win32::Win32MessageBoxes screenBoxes_;
};

TEST_F(RunnerOnScreen, AProgramThatCannotStartShowsTheExecuteErrorBoxAndTheListGoesOn) {
  AddInstaller("B.EXE", "marker\t" + Trace() + "\tB\n");
  WriteSetupIni("MISSING.EXE;B.EXE");
  drivora::test::PersonAtScreen person({"OK", "OK"});

  RunEntry();

  const auto seen = person.Seen();
  ASSERT_EQ(seen.size(), 1u);
  EXPECT_EQ(seen[0].caption, "Execute error!");
  EXPECT_EQ(seen[0].text, InDisc("MISSING.EXE") + " can't run!");
  EXPECT_EQ(seen[0].buttons, std::vector<std::string>{"OK"});
  EXPECT_TRUE(Contains(ReadFile(Trace()), "B\t" + Folder())) << "B.EXE runs after the box";
  EXPECT_EQ(app_.LaunchCount.load(), 0);
}

TEST_F(RunnerOnScreen, NoToTheRestartQuestionOnThe9xFamilyTakesTheRunValueAway) {
  EXPECT_EQ(RunRestartEntryAnswering("No"), 1u);
  EXPECT_TRUE(Contains(ReadFile(Trace()), "A\t")) << "the question comes after the commands";
  EXPECT_FALSE(HasResumeValue());
}

TEST_F(RunnerOnScreen, NoToTheRestartQuestionOnTheNtFamilyTouchesNothing) {
  app_.OsClass = 2;
  SetRunValue("kept");
  EXPECT_EQ(RunRestartEntryAnswering("No"), 1u);
  EXPECT_EQ(RunValue(), "kept");
}

// Under Wine the delayed restart is accepted and does nothing: no error box
// follows the question.
TEST_F(RunnerOnScreen, YesToTheRestartQuestionOnTheNtFamilyRequestsTheRestartWithoutAnErrorBox) {
  app_.OsClass = 2;
  EXPECT_EQ(RunRestartEntryAnswering("Yes"), 1u);
}

}  // namespace
