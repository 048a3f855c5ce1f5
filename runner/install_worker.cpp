#include "runner/install_worker.h"

#include <vector>

#include "app/app_state.h"
#include "app/catalogue.h"
#include "app/sections.h"
#include "app/startup.h"
#include "app/text.h"
#include "app/winver.h"
#include "runner/command_path.h"
#include "runner/command_text.h"
#include "runner/enum_keys.h"
#include "runner/launcher.h"
#include "runner/restart.h"
#include "runner/resume_registry.h"

namespace drivora {
namespace {

// Each command gets a copy of its own, which registration trims in place.
std::vector<std::string> OwnCopies(const std::vector<std::string_view>& pieces) {
  return std::vector<std::string>(pieces.begin(), pieces.end());
}

// One worker's run over the commands of its entry.
class InstallRun {
 public:
  InstallRun(AppState& app, const RunnerSystem& runner, const InstallJob& job)
      : app_(app),
        runner_(runner),
        job_(job),
        wizardFolder_(WizardFolder(ModulePath(app).value_or(std::string()))) {}

  void Run() {
    RegisterWizardForResume(app_);
    const std::string commandList = ReadCommandList(app_, job_.value);
    // Nothing to run: the Run value stays until the wizard's next start.
    if (commandList.empty()) return;
    if (GetDisplayCategory(app_, job_.key) == kVxdCategory) DeleteSoundCardKeys(app_);
    std::vector<std::string> commands = OwnCopies(SplitCommandList(commandList));
    RegisterAll(commands);
    for (const std::string& command : commands) RunOne(command);
    Finish();
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

  // Every command goes under RunOnce before the first one runs. Without the
  // key, nothing is registered, so nothing will run, and the commands stay
  // as they were.
  void RegisterAll(std::vector<std::string>& commands) {
    const std::unique_ptr<RegistryKey> pending = OpenPendingCommands(app_);
    if (!pending) return;
    for (std::string& command : commands) {
      command = std::string(TrimSpaces(command));
      if (const auto resolved = ResolveAndEnter(command)) RegisterPendingCommand(*pending, *resolved);
    }
  }

  void RunOne(const std::string& command) {
    const std::optional<std::string> resolved = ResolveAndEnter(command);
    if (!resolved || !ClaimPendingCommand(app_, *resolved)) return;
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
  void Finish() {
    if (IsRestartEntry(job_.key) && AskRestart(app_, *runner_.Shutdown, job_.window) == 1) return;
    UnregisterWizardForResume(app_);
  }

  AppState& app_;
  const RunnerSystem& runner_;
  const InstallJob& job_;
  const std::string wizardFolder_;
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
  const bool started =
      runner.Threads->Start([&app, runner, job = std::move(*job)] { InstallWorker(app, runner, job); });
  if (!started) app.Sys.Boxes->Show(window, kThreadFailedText, kThreadFailedCaption, kBoxIconError);
  return started;
}

std::string ReadCommandList(const AppState& app, const std::string& entryValue) {
  const std::string profileSection(FitBuffer(ReadOsProfile(app) + kExecuteSectionSuffix, kSectionNameBytes));
  std::string commandList = app.Config->ReadString(profileSection, entryValue, kCommandListBytes);
  if (commandList.empty()) commandList = app.Config->ReadString(kExecuteNormalSection, entryValue, kCommandListBytes);
  return commandList;
}

void InstallWorker(AppState& app, const RunnerSystem& runner, const InstallJob& job) {
  InstallRun(app, runner, job).Run();
}

}  // namespace drivora
