#include "ui/entry_dispatch.h"

#include "runner/command_path.h"
#include "runner/command_text.h"

namespace drivora {

EntryAction ChooseEntryAction(std::size_t entryCount, std::size_t index) {
  if (index + 1 == entryCount) return EntryAction::Exit;
  if (index + 2 == entryCount) return EntryAction::Browse;
  return EntryAction::Install;
}

std::optional<std::string> BrowseCommandLine(std::string_view modulePath, std::string_view windowsFolder) {
  // Quoted like every path the wizard hands to Explorer, so that blanks and
  // commas in folder names stay part of the path.
  const std::optional<std::string> folder = CommandFolder(modulePath);
  const std::optional<std::string> explorer = ExplorerProgramPath(windowsFolder);
  if (!folder || !explorer) return std::nullopt;
  return ExplorerCommandLine(*explorer, *folder);
}

}  // namespace drivora
