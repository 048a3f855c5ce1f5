// The activations of ordinary entries, taken one at a time in the order the
// person made them: an installer that runs beside another entry's, or twice
// at once, fights it over the same files, the same RunOnce values and the
// same Run value.
#pragma once

#include <deque>
#include <mutex>
#include <optional>
#include <string>

#include "app/platform.h"

namespace drivora {

// What a worker works on. The entry's key and value are copied when the
// activation is taken, on the dialog's thread: a later activation or the
// release of the catalogue must not reach a job that waits or runs.
struct InstallJob {
  std::string key;
  std::string value;
  WindowHandle window = nullptr;
};

// Shared by the dialog's thread, which adds activations, and the one worker
// thread that runs them. Jobs are told apart by their entry's key, which is
// unique in the catalogue.
class InstallQueue {
 public:
  enum class Turn {
    Now,      // nothing runs: the caller starts the worker with this job
    Later,    // it waits behind the running entry and those before it
    Already,  // the same entry runs or waits already; this activation adds nothing
  };

  Turn Add(InstallJob job);

  // The worker's job is done: the next one to run, or none, and then the
  // worker is gone and the next activation starts a new one.
  std::optional<InstallJob> TakeNext();

  // The worker for a job that was to run now could not be made.
  void WorkerNotStarted();

  // Forgets the jobs that wait. Nothing of them was registered yet, so
  // nothing of them is left behind when the wizard ends or Windows restarts.
  void DropWaiting();

 private:
  std::mutex mutex_;
  std::optional<std::string> runningKey_;
  std::deque<InstallJob> waiting_;
};

}  // namespace drivora
