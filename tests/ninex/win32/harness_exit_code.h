// What the launcher and the harness agree on.
#pragma once

namespace drivora::ninex {

// The exit code of a program the harness ended because it met an instruction
// it does not answer (the reason is in the report file).
constexpr unsigned kHarnessRefusedExitCode = 0x9E;
// The launcher's own failures: bad arguments, or the harness would not load.
constexpr int kLaunchFailedExitCode = 120;

}  // namespace drivora::ninex
