#include "tools/drivora/enum_keys.h"

namespace drivora::tool {

std::vector<std::string> ListEnumDeviceKeys() { return {}; }

}  // namespace drivora::tool
