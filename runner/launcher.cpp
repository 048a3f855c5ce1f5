#include "runner/launcher.h"

#include "app/app_state.h"
#include "app/text.h"
#include "runner/command_path.h"
#include "runner/command_text.h"
#include "runner/installer_match.h"

namespace drivora {
namespace {

void ReportLaunchFailure(AppState& app, WindowHandle window, const std::string& resolvedPath) {
  app.LaunchCount.fetch_sub(1);
  const std::string text(FitBuffer(resolvedPath + kLaunchFailedSuffix, kLaunchFailedTextBytes));
  app.Sys.Boxes->Show(window, text, kLaunchFailedCaption, kBoxOk | kBoxIconQuestion);
}

}  // namespace

std::unique_ptr<LaunchedProgram> LaunchProgram(ProgramRunner& programs, std::string_view resolvedPath) {
  const std::optional<std::string> commandLine = ProgramCommandLine(resolvedPath);
  if (!commandLine) return nullptr;
  const std::string workingFolder = CommandFolder(ProgramName(resolvedPath)).value_or(std::string{});
  return programs.Launch(*commandLine, workingFolder);
}

bool IsInstallerProcess(const AppState& app, const ProcessSighting& process, const std::optional<std::string>& prefix) {
  if (!prefix || process.path.empty()) return false;
  const std::string shortPath = ToUpperAscii(FitBuffer(app.Sys.Files->ShortPathName(process.path), kPathBytes));
  return IsInstallerPath(shortPath, app.ModuleShortPath, prefix);
}

// Each wait keeps its own match flag: two workers waiting at once must not
// clear each other's.
bool FindsInstallerProcess(const AppState& app, ProgramRunner& programs, const std::optional<std::string>& prefix) {
  bool found = false;
  programs.EnumerateProcesses([&](const ProcessSighting& process) {
    found = IsInstallerProcess(app, process, prefix);
    return !found;
  });
  return found;
}

void WaitForInstallerFolder(const AppState& app, ProgramRunner& programs, const std::optional<std::string>& prefix) {
  do {
    programs.Sleep(kWaitPassMilliseconds);
  } while (FindsInstallerProcess(app, programs, prefix));
}

bool RunAndWait(AppState& app, ProgramRunner& programs, WindowHandle window, const std::string& resolvedPath) {
  std::unique_ptr<LaunchedProgram> program = LaunchProgram(programs, resolvedPath);
  if (!program) {
    ReportLaunchFailure(app, window, resolvedPath);
    return false;
  }
  programs.MinimiseWindow(window);
  app.LaunchCount.fetch_add(1);
  program->WaitForExit();
  program.reset();
  WaitForInstallerFolder(app, programs, InstallerFolderPrefix(app.Sys.Files->ShortPathName(resolvedPath)));
  return true;
}

}  // namespace drivora
