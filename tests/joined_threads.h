// Worker threads that a test program waits for before it goes on or ends,
// so that no worker outlives what it works on.
#pragma once

#include <functional>
#include <thread>
#include <vector>

#include "runner/runner_platform.h"

namespace drivora::test {

class JoinedThreads final : public WorkerThreads {
 public:
  ~JoinedThreads() override { JoinAll(); }
  bool Start(std::function<void()> work) override {
    threads_.emplace_back(std::move(work));
    return true;
  }
  void JoinAll() {
    for (std::thread& thread : threads_) thread.join();
    threads_.clear();
  }

 private:
  std::vector<std::thread> threads_;
};

}  // namespace drivora::test
