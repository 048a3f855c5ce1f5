#include "runner/launcher.h"

#include "app/app_state.h"
#include "app/byte_strings.h"
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

std::unique_ptr<LaunchedProgram> LaunchProgram(const ProgramFiles& files, ProgramRunner& programs,
                                               std::string_view resolvedPath) {
  const std::optional<std::string> commandLine = ProgramCommandLine(resolvedPath, files);
  if (!commandLine) return nullptr;
  const std::string workingFolder = CommandFolder(ProgramName(resolvedPath, files)).value_or(std::string{});
  return programs.Launch(*commandLine, workingFolder);
}

bool IsInstallerProcess(const AppState& app, ProcessSighting& process, const std::optional<std::string>& prefix,
                        SeenProcesses* seen) {
  if (!prefix) return false;
  const ProgramFiles& files = *app.Sys.Files;
  const std::string shortPath = seen ? seen->ShortPathOf(process, files) : ExecutableShortPath(files, process.Path());
  return IsInstallerPath(shortPath, app.ModuleShortPath, prefix);
}

// The match flag is the pass's own: nothing else can clear it.
bool FindsInstallerProcess(const AppState& app, ProgramRunner& programs, const std::optional<std::string>& prefix,
                           SeenProcesses* seen) {
  bool found = false;
  programs.EnumerateProcesses([&](ProcessSighting& process) {
    found = IsInstallerProcess(app, process, prefix, seen);
    return !found;
  });
  return found;
}

void WaitForInstallerFolder(const AppState& app, ProgramRunner& programs, const std::optional<std::string>& prefix) {
  SeenProcesses seen;
  do {
    programs.Sleep(kWaitPassMilliseconds);
  } while (FindsInstallerProcess(app, programs, prefix, &seen));
}

bool RunAndWait(AppState& app, ProgramRunner& programs, WindowHandle window, const std::string& resolvedPath) {
  std::unique_ptr<LaunchedProgram> program = LaunchProgram(*app.Sys.Files, programs, resolvedPath);
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
