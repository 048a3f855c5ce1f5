#include "runner/restart.h"

#include "app/app_state.h"
#include "app/catalogue.h"
#include "app/error_box.h"
#include "app/os_class.h"
#include "app/program_texts.h"

namespace drivora {
namespace {

void ReportFailedStep(const AppState& app, const StepOutcome& outcome, int line) {
  if (outcome.succeeded) return;
  ShowErrorBox(app, nullptr, outcome.lastError, kRestartErrorCaption, kBoxIconInformation, line, kRestartErrorUnit);
}

// Every step runs even after one failed: each failure gets its own box.
void RequestNtRestart(const AppState& app, ShutdownControl& shutdown) {
  const std::unique_ptr<NtRestartSteps> steps = shutdown.BeginNtRestart();
  ReportFailedStep(app, steps->OpenOwnToken(), kOpenTokenErrorLine);
  steps->LookUpShutdownPrivilege();
  ReportFailedStep(app, steps->EnableShutdownPrivilege(), kEnablePrivilegeErrorLine);
  ReportFailedStep(app, steps->RequestDelayedRestart(kRestartDelaySeconds), kRequestRestartErrorLine);
  ReportFailedStep(app, steps->DisableShutdownPrivilege(), kDisablePrivilegeErrorLine);
}

}  // namespace

bool IsRestartEntry(std::string_view entryKey) { return GetEntryCategory(entryKey) == "RST"; }

int AskRestart(const AppState& app, ShutdownControl& shutdown, WindowHandle window) {
  const std::string question = ReadLangText(app, kRestartTextKey);
  if (app.Sys.Boxes->Show(window, question, kRestartCaption, kRestartQuestionStyle) != kAnswerYes) return 0;
  if (IsNtFamily(app.OsClass)) {
    RequestNtRestart(app, shutdown);
  } else {
    shutdown.RestartNow();
  }
  return 1;
}

}  // namespace drivora
