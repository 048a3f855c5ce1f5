// Capturing a board through the Hardware seam, and the board files it is
// written as: a capture of each demo board lists the same catalogue as the
// board itself, the capture writes nothing to a chip beyond entry, select and
// exit, and every written file reads back as the model it came from.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "portio/rules.h"
#include "sim/board_hardware.h"
#include "sim/board_parser.h"
#include "sim/board_writer.h"
#include "tests/host/test_app.h"
#include "tools/drivora/board_capture.h"
#include "tools/drivora/disc_session.h"
#include "tools/drivora/report.h"

namespace drivora::tool {
namespace {

const std::string kSource = DRIVORA_SOURCE_DIR;
const std::vector<std::string> kDemoBoards = {"g41-w83627",    "k8t800-it8712", "k8t800-it8712ix", "mcp55-ias-4e",
                                              "p45-f71882-4e", "rs780-plain",   "ws-bus128"};

std::unique_ptr<sim::Board> Load(const std::string& path) {
  std::string error;
  auto board = LoadBoardFile(path, error);
  EXPECT_TRUE(board) << error;
  return board;
}

// Parses `text` with `firmware` standing in for whatever image it names.
std::unique_ptr<sim::Board> Parse(const std::string& text, const std::uint8_t* firmware) {
  auto board = std::make_unique<sim::Board>();
  sim::BoardParseError error{};
  const auto loader = [](void* context, const char*, std::size_t, std::uint8_t* out,
                         std::uint32_t capacity) -> std::int64_t {
    std::memcpy(out, context, capacity);
    return kFirmwareSize;
  };
  const bool parsed = sim::ParseBoard(text.data(), text.size(), *board, loader,
                                      const_cast<std::uint8_t*>(firmware), error);
  EXPECT_TRUE(parsed) << error.line << ": " << error.message << "\n" << text;
  return board;
}

// Counts the port traffic that could change a chip or a PCI function: every
// register write the I/O driver would refuse (it lets through only the
// logical-device select and the ITE exit), and every write elsewhere.
class WriteWatch final : public Hardware {
 public:
  explicit WriteWatch(Hardware& inner) : inner_(inner) {}
  std::uint8_t ReadPortByte(std::uint16_t port) override { return inner_.ReadPortByte(port); }
  bool WritePortByte(std::uint16_t port, std::uint8_t value) override {
    if (port == 0x2E || port == 0x4E) index_[port == 0x4E] = value;
    else if ((port == 0x2F || port == 0x4F) && !portio::SuperIoRegisterWriteAllowed(index_[port == 0x4F], value))
      ++registerWrites;
    else if (port != 0x2F && port != 0x4F) ++otherWrites;
    return inner_.WritePortByte(port, value);
  }
  std::uint32_t ReadPortDword(std::uint16_t port) override { return inner_.ReadPortDword(port); }
  bool WritePortDword(std::uint16_t port, std::uint32_t value) override {
    if (port != 0xCF8) ++otherWrites;
    return inner_.WritePortDword(port, value);
  }
  const void* MapPhysicalMemory(std::uint32_t address, std::uint32_t length, std::uint32_t& handle) override {
    return inner_.MapPhysicalMemory(address, length, handle);
  }
  bool UnmapPhysicalMemory(std::uint32_t handle, const void* pointer) override {
    return inner_.UnmapPhysicalMemory(handle, pointer);
  }
  bool ReadFirmwareDirectly(std::uint8_t* image, std::uint32_t size) override {
    return inner_.ReadFirmwareDirectly(image, size);
  }
  int registerWrites = 0, otherWrites = 0;

 private:
  Hardware& inner_;
  std::uint8_t index_[2] = {};
};

class FakeDriver final : public PortIoService {
 public:
  bool Open() override {
    ++opened;
    return opens;
  }
  void Remove() override { ++removed; }
  bool opens = true;
  int opened = 0, removed = 0;
};

// A board captured as drivora board capture does it, over the simulated board.
struct Capture {
  test::TestSystem system{"xp"};
  FakeDriver driver;
  NoHardwareLocks locks;
  std::unique_ptr<sim::Board> source;
  std::unique_ptr<SimulatedBoardHardware> hardware;
  std::unique_ptr<WriteWatch> watch;
  sim::Board board{};
  std::vector<std::string> notes;
  bool captured = false;

  explicit Capture(const std::string& boardPath) : source(Load(boardPath)) {
    hardware = std::make_unique<SimulatedBoardHardware>(*source);
    watch = std::make_unique<WriteWatch>(*hardware);
    AppState& app = system.app;
    app.Sys.Io = watch.get();
    app.Sys.Locks = &locks;
    app.Sys.Driver = &driver;
    EXPECT_TRUE(IdentifyWindows(app));
    captured = CaptureBoard(app, board, notes);
    std::vector<std::string> keys;
    for (int i = 0; i < source->enumKeyCount; ++i) keys.emplace_back(source->enumKeys[i]);
    RecordEnumKeys(keys, board, notes);
  }
};

std::vector<std::string> Catalogue(const std::string& boardPath) {
  Options options;
  options.command = Command::Catalogue;
  options.iniPath = kSource + "/demo/disc/Setup.ini";
  options.boardPath = boardPath;
  options.windows = test::Windows("xp");
  std::string error;
  auto session = DiscSession::Open(options, error);
  EXPECT_TRUE(session) << error;
  if (!session || !session->BuildCatalogue()) return {"(no catalogue)"};
  std::vector<std::string> lines;
  for (const InstallEntry& entry : session->App().Catalogue.Entries) lines.push_back(entry.key + "\t" + entry.value);
  return lines;
}

class CapturedDemoBoard : public testing::TestWithParam<std::string> {};

TEST_P(CapturedDemoBoard, ListsTheBoardsOwnCatalogueAndWritesOnlyEntrySelectExit) {
  const std::string original = kSource + "/demo/boards/" + GetParam() + ".board";
  Capture capture(original);
  ASSERT_TRUE(capture.captured);
  EXPECT_EQ(capture.driver.opened, 1);
  EXPECT_EQ(capture.driver.removed, 1);
  EXPECT_EQ(capture.watch->registerWrites, 0);
  EXPECT_EQ(capture.watch->otherWrites, 0);
  // Only the buses the wizard scans: 0 to 128.
  int scanned = 0;
  for (int i = 0; i < capture.source->pciCount; ++i) scanned += capture.source->pci[i].bus <= 128;
  EXPECT_EQ(capture.board.pciCount, scanned);
  EXPECT_TRUE(capture.notes.empty());

  const auto folder = std::filesystem::path(testing::TempDir()) / ("capture-" + GetParam());
  std::filesystem::create_directories(folder);
  std::vector<std::string> leftOut;
  const std::string text = FormatBoardFile(capture.board, {{"captured in a test"}, "captured.rom"}, leftOut);
  EXPECT_TRUE(leftOut.empty());
  std::ofstream(folder / "captured.board", std::ios::binary) << text;
  std::ofstream(folder / "captured.rom", std::ios::binary)
      .write(reinterpret_cast<const char*>(capture.board.firmware), kFirmwareSize);
  EXPECT_EQ(Catalogue((folder / "captured.board").string()), Catalogue(original));
  std::filesystem::remove_all(folder);
}

INSTANTIATE_TEST_SUITE_P(DemoBoards, CapturedDemoBoard, testing::ValuesIn(kDemoBoards));

TEST(BoardCapture, NothingIsReadWhenTheDriverDoesNotOpen) {
  test::TestSystem system{"xp"};
  FakeDriver driver;
  driver.opens = false;
  NoHardwareLocks locks;
  auto source = Load(kSource + "/demo/boards/g41-w83627.board");
  SimulatedBoardHardware hardware(*source);
  CountingHardware counting(hardware);
  system.app.Sys = {system.app.Sys.Os, nullptr, nullptr, nullptr, nullptr, &counting, &locks, &driver};
  ASSERT_TRUE(IdentifyWindows(system.app));
  sim::Board board{};
  std::vector<std::string> notes;
  EXPECT_FALSE(CaptureBoard(system.app, board, notes));
  EXPECT_EQ(counting.Counts().Total(), 0u);
  EXPECT_EQ(driver.removed, 0);
}

TEST(BoardCapture, DeviceKeysBeyondTheModelAreNamedAndPciKeysKeptFirst) {
  sim::Board board{};
  std::vector<std::string> keys, notes;
  for (int i = 0; i < sim::kMaxEnumKeys; ++i) keys.push_back("ROOT\\DEVICE\\" + std::to_string(i));
  keys.push_back("pci\\VEN_8086&DEV_27D8\\1");
  keys.push_back(std::string(sim::kMaxEnumKeyBytes, 'X'));
  RecordEnumKeys(keys, board, notes);
  EXPECT_EQ(board.enumKeyCount, sim::kMaxEnumKeys);
  EXPECT_STREQ(board.enumKeys[0], "pci\\VEN_8086&DEV_27D8\\1");
  EXPECT_EQ(notes.size(), 2u);
}

// Every demo board, written and read again, is the same model.
TEST(BoardWriter, EveryDemoBoardReadsBackAsTheSameModel) {
  for (const std::string& name : kDemoBoards) {
    SCOPED_TRACE(name);
    const auto board = Load(kSource + "/demo/boards/" + name + ".board");
    std::vector<std::string> leftOut;
    const std::string text = FormatBoardFile(*board, {{"written back"}, "image.rom"}, leftOut);
    EXPECT_TRUE(leftOut.empty());
    const auto again = Parse(text, board->firmware);
    EXPECT_EQ(std::memcmp(board.get(), again.get(), sizeof(sim::Board)), 0) << text;
  }
}

// A header that holds only what the short line says is written as that line alone.
TEST(BoardWriter, WritesTheConfigLineOnlyForAHeaderWithMore) {
  auto board = std::make_unique<sim::Board>();
  board->pciCount = 2;
  board->pci[0] = {0, 0x1F, 3, {0xA1708086, 0, 0x31, 0, 0, 0, 0, 0, 0, 0, 0, 0xA1821458}};
  board->pci[1] = {1, 0, 0, {0x1B8010DE, 0, 0x030000A1}};
  std::vector<std::string> leftOut;
  const std::string text = FormatBoardFile(*board, {}, leftOut);
  EXPECT_NE(text.find("00:1F.3=8086:A170 1458:A182 31\n"), std::string::npos) << text;
  EXPECT_EQ(text.find("00:1F.3.Config="), std::string::npos) << text;
  EXPECT_NE(text.find("01:00.0.Config=1B8010DE 00000000 030000A1 "), std::string::npos) << text;
  const auto again = Parse(text, board->firmware);
  EXPECT_EQ(std::memcmp(board.get(), again.get(), sizeof(sim::Board)), 0) << text;
}

TEST(BoardWriter, TextsTheReaderWouldChangeAreLeftOutAndNamed) {
  auto board = std::make_unique<sim::Board>();
  std::strcpy(board->name, " padded");
  std::strcpy(board->enumKeys[0], "PCI\\VEN_1\\line\nbreak");
  std::strcpy(board->enumKeys[1], "PCI\\VEN_1\\kept");
  board->enumKeyCount = 2;
  std::vector<std::string> leftOut;
  const std::string text = FormatBoardFile(*board, {{"two\nlines"}, ""}, leftOut);
  EXPECT_EQ(leftOut.size(), 3u);
  const auto again = Parse(text, board->firmware);
  EXPECT_EQ(again->enumKeyCount, 1);
  EXPECT_STREQ(again->enumKeys[0], "PCI\\VEN_1\\kept");
  EXPECT_STREQ(again->name, "");
}

}  // namespace
}  // namespace drivora::tool
