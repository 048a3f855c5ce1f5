// drivora lint: mistakes in a disc's Setup.ini that the wizard would quietly
// live with, found with the wizard's own readers.
#pragma once

#include <ostream>

#include "tools/drivora/command_line.h"

namespace drivora::tool {

// Prints FILE:LINE: error|warning|note: message lines; returns 1 when there
// is an error, 0 otherwise, 2 when the file cannot be read.
int Lint(const Options& options, std::ostream& out, std::ostream& errors);

}  // namespace drivora::tool
