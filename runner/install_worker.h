// The install worker: runs the commands of one activated entry on a thread of
// its own, keeping Run and RunOnce values so that a run cut short by a
// restart goes on afterwards.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "app/platform.h"
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

// What a worker works on. The entry's key and value are copied when the
// worker is made, on the dialog's thread: a later activation or the release
// of the catalogue must not reach a worker that already runs.
struct InstallJob {
  std::string key;
  std::string value;
  WindowHandle window = nullptr;
};

// The job for the entry at SelectedIndex; none when there is no such entry.
std::optional<InstallJob> MakeInstallJob(const AppState& app, WindowHandle window);

// Starts InstallWorker on a thread of its own for the entry at SelectedIndex;
// false (after a box when the thread could not be made) when nothing started.
bool StartInstallWorker(AppState& app, const RunnerSystem& runner, WindowHandle window);

// The entry's command list: from the profile's Execute section, else from
// ExecuteNormal; empty when neither has it.
std::string ReadCommandList(const AppState& app, const std::string& entryValue);

// Runs the job's commands one after another, then asks about a restart when
// the entry wants one.
void InstallWorker(AppState& app, const RunnerSystem& runner, const InstallJob& job);

}  // namespace drivora
