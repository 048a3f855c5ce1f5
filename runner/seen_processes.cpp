#include "runner/seen_processes.h"

#include "runner/installer_match.h"

namespace drivora {

std::string SeenProcesses::ShortPathOf(ProcessSighting& process, const ProgramFiles& files) {
  if (process.creationTime == 0) return ExecutableShortPath(files, process.Path());
  const Identity identity{process.processId, process.creationTime};
  if (const auto known = learned_.find(identity); known != learned_.end()) {
    process.Recall(known->second.path);
    return known->second.shortPath;
  }
  if (learned_.size() >= kMostSeenProcesses) learned_.clear();
  const std::string& path = process.Path();
  return learned_.emplace(identity, Learned{path, ExecutableShortPath(files, path)}).first->second.shortPath;
}

}  // namespace drivora
