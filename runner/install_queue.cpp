#include "runner/install_queue.h"

#include <algorithm>

namespace drivora {

InstallQueue::Turn InstallQueue::Add(InstallJob job) {
  const std::lock_guard lock(mutex_);
  const auto sameEntry = [&](const InstallJob& waiting) { return waiting.key == job.key; };
  if (runningKey_ == job.key || std::any_of(waiting_.begin(), waiting_.end(), sameEntry)) return Turn::Already;
  if (runningKey_) {
    waiting_.push_back(std::move(job));
    return Turn::Later;
  }
  runningKey_ = job.key;
  return Turn::Now;
}

std::optional<InstallJob> InstallQueue::TakeNext() {
  const std::lock_guard lock(mutex_);
  if (waiting_.empty()) {
    runningKey_.reset();
    return std::nullopt;
  }
  InstallJob next = std::move(waiting_.front());
  waiting_.pop_front();
  runningKey_ = next.key;
  return next;
}

void InstallQueue::WorkerNotStarted() {
  const std::lock_guard lock(mutex_);
  runningKey_.reset();
}

void InstallQueue::DropWaiting() {
  const std::lock_guard lock(mutex_);
  waiting_.clear();
}

}  // namespace drivora
