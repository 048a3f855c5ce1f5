// drivora board import: the output of lspci, saved as a board file.
#pragma once

#include <ostream>

#include "tools/drivora/command_line.h"

namespace drivora::tool {

int RunBoardImport(const Options& options, std::ostream& out, std::ostream& err);

}  // namespace drivora::tool
