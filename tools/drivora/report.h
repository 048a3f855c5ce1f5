// Printing what the tool found, shared by its commands.
#pragma once

#include <ostream>
#include <string>

#include "app/app_state.h"
#include "detect/hardware.h"
#include "sim/board.h"

namespace drivora::tool {

// One row per entry: position, display category, name, value.
void PrintCatalogueTable(const AppState& app, std::ostream& out);
// key<TAB>value per entry and nothing else: scripts rely on this form.
void PrintCatalogueTsv(const AppState& app, std::ostream& out);
void PrintHardwareCounts(const HardwareCounts& counts, std::ostream& out);
void PrintBoard(const sim::Board& board, std::ostream& out);
// The Windows start-up identified, in the form --windows takes.
std::string RunningWindowsText(const AppState& app);

}  // namespace drivora::tool
