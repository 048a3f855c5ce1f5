#include "ui/win32/entry_dispatch_win32.h"

#include <optional>
#include <string>

#include "runner/install_worker.h"
#include "ui/entry_dispatch.h"

namespace drivora::win32 {

int DispatchEntry(HWND window, MainDialogContext& context, std::size_t index) {
  AppState& app = context.app;
  app.SelectedIndex = static_cast<std::int32_t>(index);
  switch (ChooseEntryAction(app.Catalogue.EntryCount(), index)) {
    case EntryAction::Exit:
      AskRestartBeforeLeaving(app, *context.runner.Shutdown, window);
      EndMainDialog(window, context);
      break;
    case EntryAction::Browse:
      BrowseWizardFolder(context);
      break;
    case EntryAction::Install:
      StartInstallWorker(app, context.runner, window);
      break;
  }
  return 1;
}

void BrowseWizardFolder(const MainDialogContext& context) {
  const std::optional<std::string> command =
      BrowseCommandLine(context.app.Sys.Files->ModuleFileName(), context.app.Sys.Os->WindowsFolder());
  if (command) context.runner.Programs->StartWithoutWaiting(*command);
}

}  // namespace drivora::win32
