// What activating an entry does. The browse and exit entries are the last two
// of the catalogue, as start-up appends them after ordering it; they are told
// by their place alone.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace drivora {

enum class EntryAction {
  Exit,     // the last entry: leave the wizard
  Browse,   // the one before it: open the wizard's folder
  Install,  // any other: run its commands on a worker
};

EntryAction ChooseEntryAction(std::size_t entryCount, std::size_t index);

// The command line that opens the folder holding the program in Explorer,
// started from `windowsFolder`; none for a path without a folder, or without
// a Windows folder.
std::optional<std::string> BrowseCommandLine(std::string_view modulePath, std::string_view windowsFolder);

}  // namespace drivora
