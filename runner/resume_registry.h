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
// A pending command's name and data are both its resolved path.
void RegisterPendingCommand(RegistryKey& pendingCommands, const std::string& resolvedPath);

// Takes a command off RunOnce just before it runs. False when its value was
// not there to delete (never registered, or already taken by a copy of the
// same command): then the command does not run.
bool ClaimPendingCommand(const AppState& app, const std::string& resolvedPath);

}  // namespace drivora
