// "drivora explain": how the catalogue comes about on one board.
#pragma once

#include <ostream>

#include "tools/drivora/disc_session.h"

namespace drivora::tool {

int Explain(DiscSession& session, const Options& options, std::ostream& out);

}  // namespace drivora::tool
