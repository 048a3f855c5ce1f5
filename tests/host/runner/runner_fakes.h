// Fakes for the runner's seams. What the runner does to the system (directory
// changes, launches, waits, pauses, walks, registry writes and deletions,
// restart steps) goes into one event log, in order.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "app/byte_strings.h"
#include "app/resume_keys.h"
#include "runner/runner_platform.h"
#include "tests/host/test_app.h"

namespace drivora::runner_test {

using EventLog = std::vector<std::string>;

// The events that begin with `prefix`, in order.
inline std::vector<std::string> EventsStartingWith(const EventLog& log, std::string_view prefix) {
  std::vector<std::string> found;
  std::copy_if(log.begin(), log.end(), std::back_inserter(found),
               [&](const std::string& event) { return event.starts_with(prefix); });
  return found;
}

// The disc's files: the wizard's path, and the short forms of the files that
// exist. A path without one does not exist (or carries arguments).
class FakeDiscFiles final : public ProgramFiles {
 public:
  std::string modulePath = "D:\\DISC\\SETUP.EXE";
  std::map<std::string, std::string> shortNames;  // by upper-cased path

  void AddFile(const std::string& path) { AddFile(path, path); }
  void AddFile(const std::string& path, const std::string& shortPath) { shortNames[ToUpperAscii(path)] = shortPath; }

  // How often a short form was asked for: the costly question of the wait.
  mutable int shortPathQueries = 0;

  std::string ModuleFileName() const override { return modulePath; }
  std::string ShortPathName(const std::string& path) const override {
    ++shortPathQueries;
    const auto it = shortNames.find(ToUpperAscii(path));
    return it == shortNames.end() ? std::string{} : it->second;
  }
  bool FileExists(const std::string& path) const override { return shortNames.contains(ToUpperAscii(path)); }
  std::unique_ptr<ConfigFile> OpenConfigFile(const std::string&) const override { return nullptr; }
};

// A process in the fake system's table. It is seen by `walks` more walks
// over the process list (forever when negative), then it has ended. A 16-bit
// task comes with its path; a process's path is read only when asked for.
struct FakeProcess {
  std::uint32_t id = 0;
  std::string path;
  int walks = -1;
  std::uint16_t task = 0;
  std::uint64_t created = 0;  // 0: the creation time cannot be read
};

// Programs and the process table, scripted per command line.
class FakeProgramRunner final : public ProgramRunner {
 public:
  struct Script {
    bool fails = false;
    // What the program leaves running when it ends: its helpers, a copy of
    // itself elsewhere, a 16-bit task.
    std::vector<FakeProcess> leavesRunning;
  };

  explicit FakeProgramRunner(EventLog& log) : log_(log) {}

  std::map<std::string, Script> scripts;  // by command line
  std::vector<FakeProcess> processes;
  bool processListMissing = false;
  // How often a process's path was read: the costly look into a process.
  int pathReads = 0;
  // Called at each launch, before the launch is answered.
  std::function<void(const std::string& commandLine)> onLaunch;

  void ChangeCurrentDirectory(const std::string& folder) override { log_.push_back("cd " + folder); }

  std::unique_ptr<LaunchedProgram> Launch(const std::string& commandLine, const std::string& workingFolder) override {
    log_.push_back("launch " + commandLine + " in " + workingFolder);
    if (onLaunch) onLaunch(commandLine);
    const Script script = scripts.contains(commandLine) ? scripts.at(commandLine) : Script{};
    if (script.fails) return nullptr;
    return std::make_unique<Program>(*this, script);
  }

  void StartWithoutWaiting(const std::string& commandLine) override { log_.push_back("start " + commandLine); }
  void MinimiseWindow(WindowHandle window) override {
    log_.push_back(window ? "minimise" : "minimise (no window)");
  }
  void Sleep(std::uint32_t milliseconds) override { log_.push_back("sleep " + std::to_string(milliseconds)); }

  bool EnumerateProcesses(const ProcessVisitor& visit) override {
    log_.push_back("walk");
    if (processListMissing) return false;
    if (++walks_ > kMostWalks) {
      ADD_FAILURE() << "the wait does not end";
      processes.clear();
    }
    for (const FakeProcess& process : processes) {
      ProcessSighting sighting = Sighting(process);
      if (!visit(sighting)) break;
    }
    Age();
    return true;
  }

 private:
  class Program final : public LaunchedProgram {
   public:
    Program(FakeProgramRunner& runner, Script script) : runner_(runner), script_(std::move(script)) {}
    void WaitForExit() override {
      runner_.log_.push_back("wait");
      for (const FakeProcess& process : script_.leavesRunning) runner_.processes.push_back(process);
    }

   private:
    FakeProgramRunner& runner_;
    Script script_;
  };

  ProcessSighting Sighting(const FakeProcess& process) {
    if (process.task != 0) return ProcessSighting(process.id, process.task, process.path);
    return ProcessSighting(process.id, process.created, [this, path = process.path] {
      ++pathReads;
      return path;
    });
  }

  void Age() {
    for (FakeProcess& process : processes) {
      if (process.walks > 0) --process.walks;
    }
    std::erase_if(processes, [](const FakeProcess& process) { return process.walks == 0; });
  }

  // No scripted process outlives this many walks: a wait that goes on longer
  // would go on for ever.
  static constexpr int kMostWalks = 1000;
  int walks_ = 0;
  EventLog& log_;
};

// The registry, with every change logged under the last part of its key's
// path ("RUN", "RUNONCE", the device key's parent). A test may grant fewer
// rights, refuse single values, and act (as another thread would) right
// after any logged change.
class LoggingRegistry final : public Registry {
 public:
  // The rights each way of opening asks for, as Windows counts them
  // (KEY_READ, KEY_WRITE, KEY_SET_VALUE); a key opens when all are granted.
  static constexpr std::uint32_t RightsOf(RegistryAccess access) {
    switch (access) {
      case RegistryAccess::Open: return 0x20019;
      case RegistryAccess::Write: return 0x20006;
      case RegistryAccess::SetValue: return 0x0002;
    }
    return ~0u;
  }

  LoggingRegistry(Registry& inner, EventLog& log) : inner_(inner), log_(log) {}

  std::uint32_t grantedRights = ~0u;
  std::set<std::string> refusedValues;  // upper case
  std::function<void(const std::string& event)> afterChange;

  std::unique_ptr<RegistryKey> OpenLocalMachineKey(const std::string& path, RegistryAccess access) override {
    if ((RightsOf(access) & ~grantedRights) != 0) return nullptr;
    auto key = inner_.OpenLocalMachineKey(path, access);
    if (!key) return nullptr;
    return std::make_unique<Key>(*this, std::move(key), ToUpperAscii(path.substr(path.rfind('\\') + 1)));
  }

 private:
  class Key final : public RegistryKey {
   public:
    Key(LoggingRegistry& owner, std::unique_ptr<RegistryKey> inner, std::string label)
        : owner_(owner), inner_(std::move(inner)), label_(std::move(label)) {}
    bool SetString(const std::string& name, const std::string& data) override {
      const bool refused = owner_.refusedValues.contains(ToUpperAscii(name));
      const bool set = !refused && inner_->SetString(name, data);
      owner_.Changed(label_ + " set " + name + (name == data ? "" : " = " + data) + (set ? "" : " (refused)"));
      return set;
    }
    bool DeleteValue(const std::string& name) override {
      const bool deleted = inner_->DeleteValue(name);
      owner_.Changed(label_ + " delete " + name + (deleted ? "" : " (missing)"));
      return deleted;
    }
    bool DeleteSubKey(const std::string& name) override {
      const bool deleted = inner_->DeleteSubKey(name);
      owner_.Changed(label_ + " delete key " + name + (deleted ? "" : " (refused)"));
      return deleted;
    }

   private:
    LoggingRegistry& owner_;
    std::unique_ptr<RegistryKey> inner_;
    std::string label_;
  };

  void Changed(const std::string& event) {
    log_.push_back(event);
    if (afterChange) afterChange(event);
  }

  Registry& inner_;
  EventLog& log_;
};

// The NT family's restart steps with scripted outcomes, and the 9x restart.
class FakeShutdown final : public ShutdownControl {
 public:
  explicit FakeShutdown(EventLog& log) : log_(log) {}

  StepOutcome openToken{true, 0};
  StepOutcome enablePrivilege{true, 0};
  StepOutcome requestRestart{true, 0};
  StepOutcome disablePrivilege{true, 0};

  std::unique_ptr<NtRestartSteps> BeginNtRestart() override { return std::make_unique<Steps>(*this); }
  void RestartNow() override { log_.push_back("restart now"); }

 private:
  class Steps final : public NtRestartSteps {
   public:
    explicit Steps(FakeShutdown& owner) : owner_(owner) {}
    StepOutcome OpenOwnToken() override { return owner_.Step("open token", owner_.openToken); }
    void LookUpShutdownPrivilege() override { owner_.log_.push_back("look up privilege"); }
    StepOutcome EnableShutdownPrivilege() override { return owner_.Step("enable privilege", owner_.enablePrivilege); }
    StepOutcome RequestDelayedRestart(std::uint32_t delaySeconds) override {
      return owner_.Step("request restart in " + std::to_string(delaySeconds) + " s", owner_.requestRestart);
    }
    StepOutcome DisableShutdownPrivilege() override { return owner_.Step("disable privilege", owner_.disablePrivilege); }

   private:
    FakeShutdown& owner_;
  };

  StepOutcome Step(const std::string& event, StepOutcome outcome) {
    log_.push_back(event);
    return outcome;
  }

  EventLog& log_;
};

// Threads that start only when the test says so: the work waits in a queue.
// A test interleaves threads by letting the waiting ones run from inside
// another's work (from a hook of a fake), as the system might switch to
// them there.
class FakeThreads final : public WorkerThreads {
 public:
  bool canStart = true;
  int started = 0;
  std::deque<std::function<void()>> waiting;

  bool Start(std::function<void()> work) override {
    if (!canStart) return false;
    ++started;
    waiting.push_back(std::move(work));
    return true;
  }
  // Runs every waiting thread to its end, also those that start meanwhile.
  void RunAll() {
    while (!waiting.empty()) {
      const std::function<void()> work = std::move(waiting.front());
      waiting.pop_front();
      work();
    }
  }
};

// Spelled out rather than taken from the program's constants: these are the
// places an interrupted installation resumes from.
constexpr char kRun[] = "SoftWare\\MicroSoft\\Windows\\CurrentVersion\\Run";
constexpr char kRunOnce[] = "SoftWare\\MicroSoft\\Windows\\CurrentVersion\\RunOnce";

inline WindowHandle MainWindow() {
  static int window;
  return &window;
}

// A disc in D:\DISC with the wizard running from it, on the given Windows.
// Every seam the runner uses is a fake; the wizard's own process is running.
class RunnerBench : public test::TestApp {
 public:
  explicit RunnerBench(std::string_view ini, std::string_view windows = "98")
      : TestApp(ini, windows), programs(log), shutdown(log), loggingRegistry(registry, log) {
    app.Sys.Files = &disc;
    app.Sys.Reg = &loggingRegistry;
    app.ModuleShortPath = "D:\\DISC\\SETUP.EXE";
    disc.AddFile(disc.modulePath);
    registry.CreateKey(kRun);
    registry.CreateKey(kRunOnce);
    programs.processes.push_back({1, disc.modulePath, -1, 0});
    runner.Programs = &programs;
    runner.Shutdown = &shutdown;
    runner.Threads = &threads;
  }

  // The wizard runs from `modulePath` (its short form the same).
  void MoveWizard(const std::string& modulePath) {
    disc.modulePath = modulePath;
    disc.AddFile(modulePath);
    app.ModuleShortPath = modulePath;
    programs.processes.front().path = modulePath;
  }

  std::map<std::string, std::string>& Values(const std::string& key) { return registry.Keys()[ToUpperAscii(key)].values; }
  bool HasResumeValue() { return Values(kRun).contains("DRIVORA..."); }

  EventLog log;
  FakeDiscFiles disc;
  FakeProgramRunner programs;
  FakeShutdown shutdown;
  FakeThreads threads;
  LoggingRegistry loggingRegistry;
  RunnerSystem runner;
};

}  // namespace drivora::runner_test
