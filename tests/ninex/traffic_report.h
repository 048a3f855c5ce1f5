// The port traffic the 9x harness saw, written in the lines that
// `drivora explain` prints for the in-process simulation, so that the two
// can be compared line by line.
#pragma once

#include <string>

#include "detect/hardware.h"

namespace drivora::ninex {

// "port byte reads N" and so on, one line each, then the refusal if any
// ("refused: ..."), which ends the run.
std::string FormatPortTraffic(const HardwareCounts& counts);

}  // namespace drivora::ninex
