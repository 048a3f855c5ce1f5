// The platform-free parts of the process walk: the id list that grows until
// it is known to be whole, the 16-bit hosts, and the hand-on of their tasks.
#include "runner/process_walk.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <numeric>
#include <vector>

namespace drivora {
namespace {

using ::testing::ElementsAre;

// A system with `count` processes, answering as the id-list call does: as
// many ids as fit, and the bytes written.
class IdListSystem {
 public:
  explicit IdListSystem(std::uint32_t processes, int failOnCall = 0) : count(processes), failOn(failOnCall) {}

  std::uint32_t count;
  int failOn;  // the 1-based call that fails; 0 for none
  std::vector<std::uint32_t> blockBytesAsked;

  ProcessIdReader Reader() {
    return [this](std::span<std::uint32_t> ids, std::uint32_t& bytesWritten) {
      blockBytesAsked.push_back(static_cast<std::uint32_t>(ids.size_bytes()));
      if (static_cast<int>(blockBytesAsked.size()) == failOn) return false;
      const std::uint32_t written = std::min<std::uint32_t>(count, static_cast<std::uint32_t>(ids.size()));
      std::iota(ids.begin(), ids.begin() + written, 100u);
      bytesWritten = written * 4;
      return true;
    };
  }
};

TEST(CollectProcessIds, AsksAgainWithTwiceTheBlockWhileTheListFillsIt) {
  const struct {
    std::uint32_t processes;
    std::vector<std::uint32_t> blocks;
  } cases[] = {
      {0, {1024}},
      {10, {1024}},
      {255, {1024}},
      {256, {1024, 2048}},  // a full block may have cut the list
      {600, {1024, 2048, 4096}},
      {1024, {1024, 2048, 4096, 8192}},
  };
  for (const auto& c : cases) {
    IdListSystem system(c.processes);
    const auto ids = CollectProcessIds(system.Reader());
    ASSERT_TRUE(ids.has_value()) << c.processes;
    EXPECT_EQ(ids->size(), c.processes);
    if (!ids->empty()) {
      EXPECT_EQ(ids->back(), 100u + c.processes - 1);
    }
    EXPECT_EQ(system.blockBytesAsked, c.blocks) << c.processes;
  }
}

TEST(CollectProcessIds, NoneWhenTheCallFails) {
  IdListSystem first(10, 1);
  EXPECT_EQ(CollectProcessIds(first.Reader()), std::nullopt);
  IdListSystem second(300, 2);
  EXPECT_EQ(CollectProcessIds(second.Reader()), std::nullopt);
}

TEST(CollectProcessIds, GivesUpOnAListThatAlwaysFillsTheBlock) {
  std::uint32_t calls = 0;
  const auto ids = CollectProcessIds([&](std::span<std::uint32_t> block, std::uint32_t& bytesWritten) {
    ++calls;
    bytesWritten = static_cast<std::uint32_t>(block.size_bytes());
    return true;
  });
  EXPECT_EQ(ids, std::nullopt);
  EXPECT_EQ(calls, 15u);  // 1 KiB to 16 MiB
}

TEST(IsWowHostPath, TheLastNineCharactersWithoutRegardToCase) {
  const struct {
    const char* path;
    bool host;
  } cases[] = {
      {"C:\\WINDOWS\\SYSTEM32\\NTVDM.EXE", true},
      {"c:\\windows\\system32\\ntvdm.exe", true},
      {"NTVDM.EXE", true},
      {"TVDM.EXE", false},
      {"C:\\WINDOWS\\SYSTEM32\\NTVDM.EXE.BAK", false},
      {"C:\\WINDOWS\\SYSTEM32\\XNTVDM.EXE", true},
      {"", false},
  };
  for (const auto& c : cases) EXPECT_EQ(IsWowHostPath(c.path), c.host) << c.path;
}

TEST(OnWowTask, HandsOnTheTaskWithItsHostsIdAndStopsWhenAsked) {
  std::vector<ProcessSighting> seen;
  bool goOn = true;
  const ProcessVisitor visit = [&](const ProcessSighting& sighting) {
    seen.push_back(sighting);
    return goOn;
  };
  WowTaskContext context{42, &visit, false};

  EXPECT_FALSE(OnWowTask(context, 7, "D:\\DISC\\OLD\\SETUP.EXE"));
  EXPECT_FALSE(context.stop);
  goOn = false;
  EXPECT_TRUE(OnWowTask(context, 8, "D:\\DISC\\OLD\\HELP.EXE"));
  EXPECT_TRUE(context.stop);

  ASSERT_EQ(seen.size(), 2u);
  EXPECT_EQ(seen[0].processId, 42u);
  EXPECT_EQ(seen[0].task, 7u);
  EXPECT_EQ(seen[0].Path(), "D:\\DISC\\OLD\\SETUP.EXE");
  EXPECT_EQ(seen[1].task, 8u);
}

}  // namespace
}  // namespace drivora
