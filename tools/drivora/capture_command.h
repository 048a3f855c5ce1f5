// drivora board capture: the running machine, recorded as a board file with
// its firmware image beside it.
#pragma once

#include <ostream>

#include "tools/drivora/command_line.h"

namespace drivora::tool {

int RunBoardCapture(const Options& options, std::ostream& out, std::ostream& err);

}  // namespace drivora::tool
