// What a stand-in installer can do, one action each. Every action that leaves
// a trace appends one line to a file, so that several programs can share it.
#pragma once

#include <string>
#include <vector>

namespace drivora::installers {

using Words = std::vector<std::string>;

// Runs the action the first word names with the words after it; false for an
// unknown action or missing words.
bool RunAction(const Words& words);

// The full path of this program.
std::string OwnPath();

}  // namespace drivora::installers
