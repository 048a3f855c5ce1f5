// The registry values by which a run that a restart cut short goes on: the
// wizard under Run (9x family only), each pending command under RunOnce.
#pragma once

#include <memory>
#include <string>

#include "app/platform.h"

namespace drivora {

struct AppState;

// The wizard's own full path under Run, so that the 9x family starts it
// again after a restart. The NT family never gets it.
void RegisterWizardForResume(const AppState& app);
// Takes that value away again at the end of a run (9x family only).
void UnregisterWizardForResume(const AppState& app);

// The RunOnce key for registering commands, or null when it cannot be written.
std::unique_ptr<RegistryKey> OpenPendingCommands(const AppState& app);

// What Windows runs for a pending command at its next start: a program's
// command line exactly as the launch makes it (the name quoted when it holds
// a blank, arguments after it), anything else its resolved path. None for a
// program the launch would refuse.
std::optional<std::string> PendingCommandLine(const AppState& app, const std::string& resolvedPath);

// A pending command's value is named by its resolved path, which is how its
// claim finds it again. False when the value could not be written: then the
// command cannot resume after a restart.
bool RegisterPendingCommand(const AppState& app, RegistryKey& pendingCommands, const std::string& resolvedPath);

// Takes a registered command off RunOnce just before it runs, with no more
// rights than that deletion needs. False when its value was not there to
// delete (already taken by a copy of the same command, or by someone else):
// then the command does not run.
bool ClaimPendingCommand(const AppState& app, const std::string& resolvedPath);

}  // namespace drivora
