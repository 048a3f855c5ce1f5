// The restart question, and the restart itself on either Windows family.
#pragma once

#include <cstdint>
#include <string_view>

#include "app/platform.h"
#include "runner/runner_platform.h"

namespace drivora {

struct AppState;

constexpr char kRestartTextKey[] = "Restart";
constexpr char kRestartCaption[] = "Drivora...";
constexpr std::uint32_t kRestartQuestionStyle = kBoxYesNo | kBoxIconQuestion | kBoxSetForeground;
constexpr std::uint32_t kRestartDelaySeconds = 10;

// The error boxes of the NT family's restart steps name this unit and these
// lines, whatever the lines of this file are: the texts are the program's own.
constexpr char kRestartErrorUnit[] = "otherfun";
constexpr char kRestartErrorCaption[] = "Error...";
constexpr int kOpenTokenErrorLine = 231;
constexpr int kEnablePrivilegeErrorLine = 244;
constexpr int kRequestRestartErrorLine = 251;
constexpr int kDisablePrivilegeErrorLine = 258;

// Entries whose category text is "RST" end with the restart question.
bool IsRestartEntry(std::string_view entryKey);

// Asks whether to restart now; on Yes requests the restart. 1 for Yes,
// whether or not the request worked, 0 for No.
int AskRestart(const AppState& app, ShutdownControl& shutdown, WindowHandle window);

}  // namespace drivora
