// What the passes of one completion wait learn about the processes they
// meet. A pass every 200 ms would otherwise look into every process and make
// the short form of its path again, though most processes run through the
// whole wait unchanged.
#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <string>
#include <utility>

#include "app/platform.h"
#include "runner/runner_platform.h"

namespace drivora {

// Past this many processes the memory starts afresh: a wait beside programs
// that come and go by the thousand must not grow without end.
constexpr std::size_t kMostSeenProcesses = 4096;

// A process is known by its id and its creation time: an id that comes back
// with another creation time belongs to a new process and is looked into
// again. A process whose creation time is unknown (the 9x family's list, a
// 16-bit task, a process that cannot be opened) is looked into at every
// pass, as if nothing were remembered. A running program's file cannot be
// deleted, so its path and short form stay what they were when first seen.
class SeenProcesses {
 public:
  // The upper-cased short form of the process's executable, exactly as
  // ExecutableShortPath makes it from the process's path.
  std::string ShortPathOf(ProcessSighting& process, const ProgramFiles& files);

  std::size_t Remembered() const { return learned_.size(); }

 private:
  struct Learned {
    std::string path;
    std::string shortPath;
  };
  using Identity = std::pair<std::uint32_t, std::uint64_t>;

  std::map<Identity, Learned> learned_;
};

}  // namespace drivora
