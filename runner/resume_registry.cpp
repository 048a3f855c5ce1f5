#include "runner/resume_registry.h"

#include "app/app_state.h"
#include "app/byte_strings.h"
#include "app/os_class.h"
#include "app/resume_keys.h"
#include "app/startup.h"
#include "runner/command_text.h"

namespace drivora {

void RegisterWizardForResume(const AppState& app) {
  if (IsNtFamily(app.OsClass)) return;
  // A cut path would bring back some other program after the restart.
  const std::optional<std::string> modulePath = ModulePath(app);
  if (!modulePath) return;
  const auto run = app.Sys.Reg->OpenLocalMachineKey(kRunKeyPath, RegistryAccess::Write);
  if (run) run->SetString(kResumeValueName, *modulePath);
}

void UnregisterWizardForResume(const AppState& app) {
  if (IsNtFamily(app.OsClass)) return;
  const auto run = app.Sys.Reg->OpenLocalMachineKey(kRunKeyPath, RegistryAccess::Write);
  if (run) run->DeleteValue(kResumeValueName);
}

std::unique_ptr<RegistryKey> OpenPendingCommands(const AppState& app) {
  return app.Sys.Reg->OpenLocalMachineKey(kRunOnceKeyPath, RegistryAccess::Write);
}

std::optional<std::string> PendingCommandLine(const AppState& app, const std::string& resolvedPath) {
  if (!IsProgramPath(resolvedPath)) return resolvedPath;
  return ProgramCommandLine(resolvedPath, *app.Sys.Files);
}

bool RegisterPendingCommand(const AppState& app, RegistryKey& pendingCommands, const std::string& resolvedPath) {
  const std::optional<std::string> commandLine = PendingCommandLine(app, resolvedPath);
  return commandLine && pendingCommands.SetString(resolvedPath, *commandLine);
}

bool ClaimPendingCommand(const AppState& app, const std::string& resolvedPath) {
  const auto pending = app.Sys.Reg->OpenLocalMachineKey(kRunOnceKeyPath, RegistryAccess::SetValue);
  return pending && pending->DeleteValue(resolvedPath);
}

}  // namespace drivora
