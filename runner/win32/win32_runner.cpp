#include "runner/win32/win32_runner.h"

namespace drivora::win32 {

RunnerSystem Win32Runner::System() { return RunnerSystem{&programs_, &shutdown_, &threads_}; }

}  // namespace drivora::win32
