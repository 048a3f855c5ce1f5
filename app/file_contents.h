// Reading a whole file given by a person: a folder, a device or a file that
// cannot be read gives nothing, never an exception or a read that does not end.
#pragma once

#include <optional>
#include <string>

namespace drivora {

std::optional<std::string> ReadRegularFile(const std::string& path);

}  // namespace drivora
