// The driver's session around detection: where the driver is opened at all,
// that it is removed on every way out once it opened and never when it did
// not, and that start-up's whole board detection lies inside it.
#include "detect/driver_session.h"

#include <gtest/gtest.h>

#include <cstddef>

#include "app/startup.h"
#include "tests/host/detect/detect_support.h"

namespace drivora {
namespace {

// Counts opens and removals, and notes how much port traffic the log held
// when each happened.
class FakeDriver final : public PortIoService {
 public:
  explicit FakeDriver(const detect_test::Log* log = nullptr) : log_(log) {}
  bool Open() override {
    ++opened;
    openedAt = log_ ? log_->size() : 0;
    return opens;
  }
  void Remove() override {
    ++removed;
    removedAt = log_ ? log_->size() : 0;
  }
  bool opens = true;
  int opened = 0, removed = 0;
  std::size_t openedAt = 0, removedAt = 0;

 private:
  const detect_test::Log* log_;
};

TEST(DriverSession, OpensOnTheNtPlatformAndRemovesOnceOnEveryWayOut) {
  test::TestApp app("", "xp");
  FakeDriver driver;
  app.app.Sys.Driver = &driver;
  {
    DriverSession session(app.app);
    EXPECT_EQ(driver.opened, 0) << "nothing happens before Open";
    ASSERT_TRUE(session.Open());
    EXPECT_EQ(driver.removed, 0);
  }
  EXPECT_EQ(driver.opened, 1);
  EXPECT_EQ(driver.removed, 1);

  {
    DriverSession session(app.app);
    ASSERT_TRUE(session.Open());
    session.End();
    EXPECT_EQ(driver.removed, 2) << "End removes at once";
  }
  EXPECT_EQ(driver.removed, 2) << "and the end of the scope does not remove again";
}

TEST(DriverSession, ADriverThatDidNotOpenIsNeverRemoved) {
  test::TestApp app("", "xp");
  FakeDriver driver;
  driver.opens = false;
  app.app.Sys.Driver = &driver;
  {
    DriverSession session(app.app);
    EXPECT_FALSE(session.Open());
    session.End();
  }
  EXPECT_EQ(driver.opened, 1);
  EXPECT_EQ(driver.removed, 0);
}

// The 9x platform reaches its ports directly; a simulated board has no driver.
TEST(DriverSession, NeitherThe9xPlatformNorASimulatedBoardTouchesADriver) {
  test::TestApp nine("", "98");
  FakeDriver driver;
  driver.opens = false;
  nine.app.Sys.Driver = &driver;
  {
    DriverSession session(nine.app);
    EXPECT_TRUE(session.Open());
  }
  EXPECT_EQ(driver.opened, 0);
  EXPECT_EQ(driver.removed, 0);

  test::TestApp simulated("", "xp");
  DriverSession session(simulated.app);
  EXPECT_TRUE(session.Open());
}

TEST(BuildCatalogue, EveryPortAndMemoryRequestLiesInsideOneDriverSession) {
  detect_test::DetectBench bench("[PCI]\n00:1F.3=8086:27DA 1458:5001 02\n");
  FakeDriver driver(&bench.log);
  bench.app.Sys.Driver = &driver;
  ASSERT_TRUE(BuildCatalogue(bench.app));
  EXPECT_EQ(driver.opened, 1);
  EXPECT_EQ(driver.removed, 1);
  EXPECT_EQ(driver.openedAt, 0u);
  EXPECT_GT(bench.log.size(), 0u);
  EXPECT_EQ(driver.removedAt, bench.log.size()) << "requests after the driver was removed";
}

TEST(BuildCatalogue, ADriverThatDoesNotOpenEndsStartUpBeforeAnyRequest) {
  detect_test::DetectBench bench("[PCI]\n00:1F.3=8086:27DA 1458:5001 02\n");
  FakeDriver driver(&bench.log);
  driver.opens = false;
  bench.app.Sys.Driver = &driver;
  EXPECT_FALSE(BuildCatalogue(bench.app));
  EXPECT_EQ(driver.removed, 0);
  EXPECT_TRUE(bench.log.empty());
}

}  // namespace
}  // namespace drivora
