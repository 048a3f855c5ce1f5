// Launching a program and waiting until it, and everything started from its
// folder, has ended.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "app/platform.h"
#include "runner/runner_platform.h"
#include "runner/seen_processes.h"

namespace drivora {

struct AppState;

constexpr char kLaunchFailedSuffix[] = " can't run!";
constexpr char kLaunchFailedCaption[] = "Execute error!";
// The failure text is held in 260 bytes.
constexpr std::size_t kLaunchFailedTextBytes = 260;
constexpr std::uint32_t kWaitPassMilliseconds = 200;

// Starts the program at `resolvedPath` in its own folder: the folder of the
// program the command names, not one of its arguments.
std::unique_ptr<LaunchedProgram> LaunchProgram(const ProgramFiles& files, ProgramRunner& programs,
                                               std::string_view resolvedPath);

// Whether `process` belongs to the installer whose folder `prefix` names;
// with `seen`, what earlier passes learned about the process is used.
bool IsInstallerProcess(const AppState& app, ProcessSighting& process, const std::optional<std::string>& prefix,
                        SeenProcesses* seen = nullptr);

// One pass over the process list: whether an installer process still runs.
// With `seen` the pass learns from and adds to what earlier passes of the
// same wait learned; its answer is the same either way.
bool FindsInstallerProcess(const AppState& app, ProgramRunner& programs, const std::optional<std::string>& prefix,
                           SeenProcesses* seen = nullptr);

// Passes over the process list, each after a pause, until one finds no
// installer process; always at least one. The passes share what they learn.
void WaitForInstallerFolder(const AppState& app, ProgramRunner& programs, const std::optional<std::string>& prefix);

// Launches `resolvedPath` and waits for it and its folder's programs; false
// when it could not be launched (after the box that says so).
bool RunAndWait(AppState& app, ProgramRunner& programs, WindowHandle window, const std::string& resolvedPath);

}  // namespace drivora
