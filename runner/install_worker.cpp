#include "runner/install_worker.h"

#include <set>
#include <vector>

#include "app/app_state.h"
#include "app/byte_strings.h"
#include "app/catalogue.h"
#include "app/sections.h"
#include "app/startup.h"
#include "app/winver.h"
#include "runner/command_path.h"
#include "runner/command_text.h"
#include "runner/enum_key_deletion.h"
#include "runner/launcher.h"
#include "runner/restart.h"
#include "runner/resume_registry.h"

namespace drivora {
namespace {

// One command of the list, trimmed, and whether its RunOnce value was written.
struct Command {
  std::string text;
  bool registered = false;
};

std::vector<Command> TrimmedCommands(const std::vector<std::string_view>& pieces) {
  std::vector<Command> commands;
  commands.reserve(pieces.size());
  for (const std::string_view piece : pieces) commands.push_back(Command{std::string(TrimSpaces(piece))});
  return commands;
}

// One worker's run over the commands of its entry.
class InstallRun {
 public:
  InstallRun(AppState& app, const RunnerSystem& runner, const InstallJob& job)
      : app_(app),
        runner_(runner),
        job_(job),
        wizardFolder_(WizardFolder(ModulePath(app).value_or(std::string()))) {}

  InstallEnd Run() {
    RegisterWizardForResume(app_);
    const std::string commandList = ReadCommandList(app_, job_.value);
    // Nothing to run: the Run value stays until the wizard's next start.
    if (commandList.empty()) return InstallEnd::Finished;
    if (GetDisplayCategory(app_, job_.key) == kVxdCategory) DeleteSoundCardKeys(app_);
    std::vector<Command> commands = TrimmedCommands(SplitCommandList(commandList));
    RegisterAll(commands);
    for (const Command& command : commands) RunOne(command);
    return Finish();
  }

 private:
  // The command's full path; its folder becomes the current directory, as
  // programs written for this wizard expect to find their files there.
  std::optional<std::string> ResolveAndEnter(std::string_view command) {
    std::optional<std::string> resolved = ResolveCommandPath(command, wizardFolder_);
    if (!resolved) return std::nullopt;
    if (const auto folder = CommandFolder(*resolved)) runner_.Programs->ChangeCurrentDirectory(*folder);
    return resolved;
  }

  // Every command goes under RunOnce before the first one runs. A command
  // that could not be registered still runs: it only cannot resume.
  void RegisterAll(std::vector<Command>& commands) {
    const std::unique_ptr<RegistryKey> pending = OpenPendingCommands(app_);
    if (!pending) return;
    for (Command& command : commands) {
      if (const auto resolved = ResolveAndEnter(command.text)) {
        command.registered = RegisterPendingCommand(app_, *pending, *resolved);
      }
    }
  }

  // A registered command runs only when its value could be taken back, so
  // that nobody else runs it as well; one that was never registered nobody
  // else can have run. Either way a command runs once per list, however
  // often the list names it (value names, like paths, ignore letter case).
  bool Claim(const Command& command, const std::string& resolved) {
    const bool firstTime = claimed_.insert(ToUpperAscii(resolved)).second;
    const bool taken = !command.registered || ClaimPendingCommand(app_, resolved);
    return firstTime && taken;
  }

  void RunOne(const Command& command) {
    const std::optional<std::string> resolved = ResolveAndEnter(command.text);
    if (!resolved || !Claim(command, *resolved)) return;
    if (IsProgramPath(*resolved)) {
      RunAndWait(app_, *runner_.Programs, job_.window, *resolved);
    } else {
      OpenWithExplorer(*resolved);
    }
  }

  // A document or folder that cannot be named to Explorer is not opened.
  void OpenWithExplorer(const std::string& resolved) {
    const std::optional<std::string> explorer = ExplorerProgramPath(app_.Sys.Os->WindowsFolder());
    if (!explorer) return;
    if (const auto commandLine = ExplorerCommandLine(*explorer, resolved))
      runner_.Programs->StartWithoutWaiting(*commandLine);
  }

  // After a restart was agreed to, the Run value stays so that the 9x family
  // brings the wizard back.
  InstallEnd Finish() {
    if (IsRestartEntry(job_.key) && AskRestart(app_, *runner_.Shutdown, job_.window) == 1) {
      return InstallEnd::RestartAgreed;
    }
    UnregisterWizardForResume(app_);
    return InstallEnd::Finished;
  }

  AppState& app_;
  const RunnerSystem& runner_;
  const InstallJob& job_;
  const std::string wizardFolder_;
  std::set<std::string> claimed_;
};

}  // namespace

std::optional<InstallJob> MakeInstallJob(const AppState& app, WindowHandle window) {
  const auto& entries = app.Catalogue.Entries;
  if (app.SelectedIndex < 0 || static_cast<std::size_t>(app.SelectedIndex) >= entries.size()) return std::nullopt;
  const InstallEntry& entry = entries[static_cast<std::size_t>(app.SelectedIndex)];
  return InstallJob{entry.key, entry.value, window};
}

bool StartInstallWorker(AppState& app, const RunnerSystem& runner, WindowHandle window) {
  std::optional<InstallJob> job = MakeInstallJob(app, window);
  if (!job) return false;
  if (app.Installs.Add(*job) != InstallQueue::Turn::Now) return true;
  const bool started =
      runner.Threads->Start([&app, runner, job = std::move(*job)] { RunInstalls(app, runner, job); });
  if (!started) {
    app.Installs.WorkerNotStarted();
    app.Sys.Boxes->Show(window, kThreadFailedText, kThreadFailedCaption, kBoxIconError);
  }
  return started;
}

void RunInstalls(AppState& app, const RunnerSystem& runner, InstallJob first) {
  for (std::optional<InstallJob> job = std::move(first); job; job = app.Installs.TakeNext()) {
    // Nothing else starts once Windows is about to restart.
    if (InstallWorker(app, runner, *job) == InstallEnd::RestartAgreed) app.Installs.DropWaiting();
  }
}

std::string ReadCommandList(const AppState& app, const std::string& entryValue) {
  return ReadProfileCommandList(*app.Config, ReadOsProfile(app), entryValue);
}

std::string ReadProfileCommandList(const ConfigFile& config, std::string_view profile, const std::string& entryValue) {
  const std::string profileSection(FitBuffer(std::string(profile) + kExecuteSectionSuffix, kSectionNameBytes));
  std::string commandList = config.ReadString(profileSection, entryValue, kCommandListBytes);
  if (commandList.empty()) commandList = config.ReadString(kExecuteNormalSection, entryValue, kCommandListBytes);
  return commandList;
}

InstallEnd InstallWorker(AppState& app, const RunnerSystem& runner, const InstallJob& job) {
  return InstallRun(app, runner, job).Run();
}

void AskRestartBeforeLeaving(AppState& app, ShutdownControl& shutdown, WindowHandle window) {
  app.Installs.DropWaiting();
  // A failed launch also counts: the question comes whenever the count is not zero.
  if (app.LaunchCount.load() != 0) AskRestart(app, shutdown, window);
}

}  // namespace drivora
