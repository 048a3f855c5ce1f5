// The platform-free parts of the walk over the process list, which the
// system's side of ProgramRunner::EnumerateProcesses is built from.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "runner/runner_platform.h"

namespace drivora {

// The id list is first asked for in 1024 bytes (256 ids) and in twice as many
// bytes each time the answer filled the block, as the block may have cut it.
constexpr std::uint32_t kFirstProcessIdBlockBytes = 1024;
// Past this the list is given up on, as a failed allocation would be.
constexpr std::uint32_t kLastProcessIdBlockBytes = 1u << 24;

// Fills `ids` (whose size in bytes is the block size) and reports the bytes
// it wrote; false when the call fails.
using ProcessIdReader = std::function<bool(std::span<std::uint32_t> ids, std::uint32_t& bytesWritten)>;

// Every process id, or none when the reader fails or the list never fits.
std::optional<std::vector<std::uint32_t>> CollectProcessIds(const ProcessIdReader& read);

// An NTVDM.EXE process hosts 16-bit tasks, which the walk reports as well:
// the last nine characters of its path, without regard to case.
bool IsWowHostPath(std::string_view executablePath);

// What the 16-bit task walk of one host carries from task to task.
struct WowTaskContext {
  std::uint32_t processId = 0;
  const ProcessVisitor* visit = nullptr;
  bool stop = false;
};

// OnWowTask's work: reports the task with its host's id and tells whether
// the task walk must end (the visitor asked to stop, which `context` keeps
// so that the process walk ends as well).
bool OnWowTask(WowTaskContext& context, std::uint16_t task, const std::string& fileName);

}  // namespace drivora
