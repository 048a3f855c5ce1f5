// Worker threads that nobody waits for.
#pragma once

#include "runner/runner_platform.h"

namespace drivora::win32 {

class Win32WorkerThreads final : public WorkerThreads {
 public:
  bool Start(std::function<void()> work) override;
};

}  // namespace drivora::win32
