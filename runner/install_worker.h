// The install worker: runs the commands of activated entries, one entry after
// another, on a thread of its own, keeping Run and RunOnce values so that a
// run cut short by a restart goes on afterwards.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "app/platform.h"
#include "runner/install_queue.h"
#include "runner/runner_platform.h"

namespace drivora {

struct AppState;

constexpr char kThreadFailedText[] = "Fail to create thread.";
constexpr char kThreadFailedCaption[] = "Error...";
// A command list is read into 260 bytes: a longer one arrives cut to 259.
constexpr std::uint32_t kCommandListBytes = 260;
constexpr char kExecuteSectionSuffix[] = ".Execute";
constexpr char kExecuteNormalSection[] = "ExecuteNormal";
// The seventh category of the list, "VXD": sound drivers whose stale device
// keys must go first.
constexpr std::uint32_t kVxdCategory = 6;

// How one entry's run ended.
enum class InstallEnd {
  Finished,
  RestartAgreed,  // an RST entry's restart question was answered Yes
};

// The job for the entry at SelectedIndex; none when there is no such entry.
std::optional<InstallJob> MakeInstallJob(const AppState& app, WindowHandle window);

// Takes the activation of the entry at SelectedIndex: when no entry runs, it
// starts the worker thread for it; otherwise the entry waits its turn in
// AppState::Installs, unless it runs or waits already. False when there is
// no such entry, and (after a box) when the thread could not be made.
bool StartInstallWorker(AppState& app, const RunnerSystem& runner, WindowHandle window);

// The worker thread's work: `first`, then every job that came while it ran,
// in their order. A restart agreed to drops the jobs that wait.
void RunInstalls(AppState& app, const RunnerSystem& runner, InstallJob first);

// The entry's command list: from the profile's Execute section, else from
// ExecuteNormal; empty when neither has it.
std::string ReadCommandList(const AppState& app, const std::string& entryValue);
// The same for any profile name (without its trailing dot), as the disc
// author's tool checks every profile a disc has.
std::string ReadProfileCommandList(const ConfigFile& config, std::string_view profile, const std::string& entryValue);

// Runs the job's commands one after another, then asks about a restart when
// the entry wants one.
InstallEnd InstallWorker(AppState& app, const RunnerSystem& runner, const InstallJob& job);

// The exit row: the entries that wait are dropped before anything else, so
// that none of them starts while the question is up; then, when programs
// were launched (or failed to), the restart question. Its answer changes
// nothing about leaving.
void AskRestartBeforeLeaving(AppState& app, ShutdownControl& shutdown, WindowHandle window);

}  // namespace drivora
