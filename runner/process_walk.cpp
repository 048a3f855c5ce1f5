#include "runner/process_walk.h"

#include "app/byte_strings.h"

namespace drivora {

std::optional<std::vector<std::uint32_t>> CollectProcessIds(const ProcessIdReader& read) {
  for (std::uint32_t blockBytes = kFirstProcessIdBlockBytes; blockBytes <= kLastProcessIdBlockBytes;
       blockBytes *= 2) {
    std::vector<std::uint32_t> ids(blockBytes / sizeof(std::uint32_t));
    std::uint32_t bytesWritten = 0;
    if (!read(ids, bytesWritten)) return std::nullopt;
    if (bytesWritten < blockBytes) {
      ids.resize(bytesWritten / sizeof(std::uint32_t));
      return ids;
    }
  }
  return std::nullopt;
}

bool IsWowHostPath(std::string_view executablePath) {
  constexpr std::string_view kHost = "NTVDM.EXE";
  if (executablePath.size() < kHost.size()) return false;
  return EqualsIgnoreAsciiCase(executablePath.substr(executablePath.size() - kHost.size()), kHost);
}

bool OnWowTask(WowTaskContext& context, std::uint16_t task, const std::string& fileName) {
  ProcessSighting sighting(context.processId, task, fileName);
  if ((*context.visit)(sighting)) return false;
  context.stop = true;
  return true;
}

}  // namespace drivora
