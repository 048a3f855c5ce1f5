// The board-file reader: what a board file can say, how a mistake in it is
// reported, and that a board that does not read leaves nothing behind.
#include "sim/board_parser.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "sim/board_hardware.h"
#include "tests/host/detect/detect_support.h"

namespace drivora {
namespace {

using detect_test::BoardFrom;
using detect_test::ImageSource;
using sim::Board;
using sim::BoardParseError;

struct Outcome {
  bool ok;
  BoardParseError error;
  std::unique_ptr<Board> board;
};

// Parses into a board that held something before, so that a failure must clear it.
Outcome Parse(std::string_view text, ImageSource* image = nullptr) {
  Outcome out{false, {}, std::make_unique<Board>()};
  std::memset(out.board.get(), 0xA5, sizeof(Board));
  out.ok = sim::ParseBoard(text.data(), text.size(), *out.board, image ? &ImageSource::Load : nullptr, image, out.error);
  return out;
}

bool IsEmpty(const Board& board) {
  const auto* bytes = reinterpret_cast<const std::uint8_t*>(&board);
  for (std::size_t i = 0; i < sizeof board; ++i)
    if (bytes[i] != 0) return false;
  return true;
}

// A board with every kind of line before the faulty one.
constexpr char kGoodStart[] =
    "; a board that has everything\n"
    "[Board]\n"
    "Name=Good\n"
    "[PCI]\n"
    "00:00.0=8086:2E20 1458:5000 03\n"
    "[SuperIO.2E]\n"
    "Entry=87 87\n"
    "Exit=AA\n"
    "Registers=20:52\n"
    "[Firmware]\n"
    "Id=GOOD 01-01-2001\n"
    "[Enum]\n"
    "Key=PCI\\VEN_8086\n";  // lines 1 to 13

// `count` hexadecimal dwords of a Config line.
std::string Dwords(int count) {
  std::string text;
  for (int i = 0; i < count; ++i) text += i ? " 0" : "0";
  return text;
}

std::string ManyFunctions(int count) {
  std::string text = "[PCI]\n";
  char line[64];
  for (int i = 0; i < count; ++i) {
    std::snprintf(line, sizeof line, "%02X:%02X.%d=8086:%04X 0000:0000 00\n", i / 256, (i / 8) % 32, i % 8, i);
    text += line;
  }
  return text;
}

TEST(ParseBoard, ErrorsNameTheLineAndTheProblemAndLeaveTheBoardEmpty) {
  const std::string good = kGoodStart;
  const struct {
    const char* name;
    std::string text;
    int line;
    const char* message;  // the start of the message
  } rows[] = {
      {"unknown section", good + "[Bored]\n", 14, "unknown section: Bored"},
      {"section twice", good + "[PCI]\n", 14, "section appears twice: PCI"},
      {"header without ']'", good + "[Enum\n", 14, "a section header must end with ']'"},
      {"line before any section", "Name=x\n", 1, "a line before the first section"},
      {"no '='", good + "Key\n", 14, "expected NAME=VALUE"},
      {"unknown key", "[Board]\nModel=x\n", 2, "unknown key in [Board]: Model"},
      {"malformed address: no dot", "[PCI]\n00:01=8086:2E20 1458:5000 03\n", 2, "malformed PCI address"},
      {"malformed address: no colon", "[PCI]\n0001.0=8086:2E20 1458:5000 03\n", 2, "malformed PCI address"},
      {"malformed address: bus over FF", "[PCI]\n100:01.0=8086:2E20 1458:5000 03\n", 2, "malformed PCI address"},
      {"malformed address: not Config", "[PCI]\n00:01.0.Conf=0\n", 2, "malformed PCI address"},
      {"malformed address: not hexadecimal", "[PCI]\n0G:01.0=8086:2E20 1458:5000 03\n", 2, "malformed PCI address"},
      {"device over 1F", "[PCI]\n00:20.0=8086:2E20 1458:5000 03\n", 2, "PCI device number over 1F"},
      {"function over 7", "[PCI]\n00:1F.8=8086:2E20 1458:5000 03\n", 2, "PCI function number over 7"},
      {"a function twice", "[PCI]\n00:01.0=8086:2E20 1458:5000 03\n\n0:1.0=8086:2E21 1458:5000 03\n", 4,
       "the same PCI function appears twice"},
      {"a Config line twice", "[PCI]\n00:01.0.Config=" + Dwords(64) + "\n00:01.0.config=0\n", 3,
       "the same PCI function appears twice"},
      {"bad identification", "[PCI]\n00:01.0=8086:2E2G 1458:5000 03\n", 2, "expected VVVV:DDDD SSSS:ssss RR"},
      {"identification over 16 bits", "[PCI]\n00:01.0=18086:2E20 1458:5000 03\n", 2, "expected VVVV:DDDD"},
      {"revision over FF", "[PCI]\n00:01.0=8086:2E20 1458:5000 103\n", 2, "expected VVVV:DDDD"},
      {"a word too many", "[PCI]\n00:01.0=8086:2E20 1458:5000 03 04\n", 2, "expected VVVV:DDDD"},
      {"a Config line short of a dword", "[PCI]\n00:01.0.Config=" + Dwords(63) + "\n", 2,
       "a Config line needs 64 hexadecimal dwords"},
      {"a Config line with a dword too many", "[PCI]\n00:01.0.Config=" + Dwords(65) + "\n", 2,
       "a Config line needs exactly 64 dwords"},
      {"too many functions", ManyFunctions(257), 258, "too many PCI functions (at most 256)"},
      {"Exit then ExitRegister", "[SuperIO.2E]\nEntry=87 87\nExit=AA\nExitRegister=02:02\n", 4,
       "Exit and ExitRegister exclude each other"},
      {"ExitRegister then Exit", "[SuperIO.4E]\nEntry=87 87\nExitRegister=02:02\nExit=AA\n", 4,
       "Exit and ExitRegister exclude each other"},
      {"malformed ExitRegister", "[SuperIO.2E]\nEntry=87 87\nExitRegister=0202\n", 3, "expected ExitRegister=RR:VV"},
      {"no Entry", "[SuperIO.2E]\nExit=AA\nRegisters=20:52\n", 0, "[SuperIO.2E] needs Entry="},
      {"no Entry at 4E", "[SuperIO.4E]\nExit=AA\n", 0, "[SuperIO.4E] needs Entry="},
      {"no exit", "[SuperIO.4E]\nEntry=87 87\n", 0, "[SuperIO.4E] needs Exit= or ExitRegister="},
      {"bad hexadecimal in a key", "[SuperIO.2E]\nEntry=87 8X\nExit=AA\n", 2, "expected hexadecimal bytes: 8X"},
      {"a key byte over FF", "[SuperIO.2E]\nEntry=87 187\nExit=AA\n", 2, "expected hexadecimal bytes: 187"},
      {"a key of nine bytes", "[SuperIO.2E]\nEntry=1 2 3 4 5 6 7 8 9\nExit=AA\n", 2, "a key sequence has at most 8 bytes"},
      {"an empty key", "[SuperIO.2E]\nEntry=\nExit=AA\n", 2, "an empty key sequence"},
      {"bad hexadecimal in a register", "[SuperIO.2E]\nEntry=87 87\nExit=AA\nRegisters=2G:01\n", 4,
       "expected register:value pairs in hexadecimal: 2G:01"},
      {"a register without a value", "[SuperIO.2E]\nEntry=87 87\nExit=AA\nRegisters=20\n", 4,
       "expected register:value pairs"},
      {"register 07 is the device select", "[SuperIO.2E]\nEntry=87 87\nExit=AA\nRegisters=07:01\n", 4,
       "global registers are 00 to 2F, without 07"},
      {"a device register among the global ones", "[SuperIO.2E]\nEntry=87 87\nExit=AA\nRegisters=30:01\n", 4,
       "global registers are 00 to 2F"},
      {"a global register in a device", "[SuperIO.2E]\nEntry=87 87\nExit=AA\nDevice.5=2F:01\n", 4,
       "logical-device registers are 30 to FF"},
      {"logical device 16", "[SuperIO.2E]\nEntry=87 87\nExit=AA\nDevice.10=30:01\n", 4,
       "logical devices are Device.0 to Device.F"},
      {"unknown Super I/O key", "[SuperIO.2E]\nEntry=87 87\nExit=AA\nChip=W83627\n", 4,
       "unknown key in a [SuperIO] section: Chip"},
      {"a tag with a blank", "[Firmware]\nTags=A,B C\n", 0, "a tag cannot hold blanks: B C"},
      {"a firmware key twice", "[Firmware]\nId=A\nId=B\n", 3, "a [Firmware] key appears twice: Id"},
      {"unknown firmware key", "[Firmware]\nDate=01-01-2001\n", 2, "unknown key in [Firmware]: Date"},
      {"an identification too long", "[Firmware]\nId=" + std::string(0x10000 - 0xE0C1, 'I') + "\n", 0,
       "identification text too long"},
      {"tags that reach the identification", "[Firmware]\nTags=" + std::string(0xE0C1 - 0x100 - 8, 'T') + "\n", 0,
       "the tags do not fit below the identification text"},
      {"an empty device key", "[Enum]\nKey=\n", 2, "an empty device key"},
      {"a device key too long", "[Enum]\nKey=" + std::string(512, 'K') + "\n", 2, "device key longer than 511"},
      {"unknown Enum key", "[Enum]\nPath=PCI\n", 2, "unknown key in [Enum]"},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    const Outcome out = Parse(row.text);
    EXPECT_FALSE(out.ok);
    EXPECT_EQ(out.error.line, row.line);
    EXPECT_TRUE(std::string(out.error.message).starts_with(row.message)) << out.error.message;
    EXPECT_TRUE(IsEmpty(*out.board));
  }
}

TEST(ParseBoard, ImageProblems) {
  const struct {
    const char* name;
    std::int64_t size;  // of the image served; -1 for none
    const char* message;
  } rows[] = {
      {"one byte short", 0xFFFF, "the firmware image is not 65536 bytes"},
      {"one byte over", 0x10001, "the firmware image is not 65536 bytes"},
      {"empty", 0, "the firmware image is not 65536 bytes"},
      {"cannot be read", -1, "cannot read the firmware image: bios.rom"},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    ImageSource image;
    image.bytes.assign(row.size < 0 ? 0 : static_cast<std::size_t>(row.size), 0x5A);
    const Outcome failed = Parse("[Board]\nName=x\n[Firmware]\nImage=bios.rom\n", row.size < 0 ? nullptr : &image);
    EXPECT_FALSE(failed.ok);
    EXPECT_EQ(failed.error.line, 0);
    EXPECT_TRUE(std::string(failed.error.message).starts_with(row.message)) << failed.error.message;
    EXPECT_TRUE(IsEmpty(*failed.board));
  }
}

TEST(ParseBoard, TheLoaderIsAskedForTheImageNameAsWrittenAndMayRefuseIt) {
  ImageSource image;
  image.bytes.assign(kFirmwareSize, 0x5A);
  EXPECT_TRUE(Parse("[Firmware]\nImage= sub\\bios.rom \nId=X\n", &image).ok);
  EXPECT_EQ(image.askedFor, "sub\\bios.rom") << "blanks around it dropped, nothing added";
  image.refuseName = true;
  const Outcome refused = Parse("[Firmware]\nImage=..\\bios.rom\n", &image);
  EXPECT_FALSE(refused.ok);
  EXPECT_STREQ(refused.error.message, "the firmware image must be a file name beside the board file: ..\\bios.rom");
  EXPECT_TRUE(IsEmpty(*refused.board));
}

TEST(ParseBoard, AGoodBoardReadsWhole) {
  const Outcome out = Parse(kGoodStart);
  ASSERT_TRUE(out.ok) << out.error.line << ": " << out.error.message;
  const Board& b = *out.board;
  EXPECT_STREQ(b.name, "Good");
  ASSERT_EQ(b.pciCount, 1);
  EXPECT_EQ(b.pci[0].config[0], 0x2E208086u);
  EXPECT_EQ(b.pci[0].config[2], 0x03u);
  EXPECT_EQ(b.pci[0].config[11], 0x50001458u);
  EXPECT_TRUE(b.superIo[0].present);
  EXPECT_EQ(b.superIo[0].indexPort, 0x2E);
  EXPECT_FALSE(b.superIo[0].configuring);
  EXPECT_FALSE(b.superIo[1].present);
  ASSERT_EQ(b.enumKeyCount, 1);
  EXPECT_STREQ(b.enumKeys[0], "PCI\\VEN_8086");
}

TEST(ParseBoard, CaseBlanksCommentsAndLineEnds) {
  const Outcome out = Parse(
      "  ; comment\r\n"
      "\r\n"
      "[ pci ]\r\n"
      "\t0a:1f.7 = 8086:2e20   1458:5000\t03 \r\n"
      "[superio.4e]\r\n"
      "entry = 87  87\r\n"
      "EXITREGISTER = 02 : 02\r\n"
      "device.a=30:01\r\n"
      "[firmware]\r\n"
      "id =  Model  Two  \r\n"
      "[Board]\n"
      "name=last line without an end");
  ASSERT_TRUE(out.ok) << out.error.line << ": " << out.error.message;
  const Board& b = *out.board;
  ASSERT_EQ(b.pciCount, 1);
  EXPECT_EQ(b.pci[0].bus, 0x0A);
  EXPECT_EQ(b.pci[0].device, 0x1F);
  EXPECT_EQ(b.pci[0].function, 7);
  EXPECT_EQ(b.pci[0].config[0], 0x2E208086u);
  EXPECT_TRUE(b.superIo[1].exitByRegister);
  EXPECT_EQ(b.superIo[1].exitRegister, 0x02);
  EXPECT_EQ(b.superIo[1].device[10][0x30], 0x01);
  EXPECT_STREQ(reinterpret_cast<const char*>(b.firmware + kFirmwareIdOffset), "Model  Two");
  EXPECT_STREQ(b.name, "last line without an end");
}

TEST(ParseBoard, AConfigLineDecidesWhicheverComesFirst) {
  std::string config = "816810EC 00100007 02000003";
  for (int i = 3; i < 64; ++i) config += i == 11 ? " 82D51043" : " 00000000";
  for (bool configFirst : {true, false}) {
    const std::string id = "02:00.0=1111:2222 3333:4444 55\n";
    const std::string cfg = "02:00.0.Config=" + config + "\n";
    const Outcome out = Parse("[PCI]\n" + (configFirst ? cfg + id : id + cfg));
    ASSERT_TRUE(out.ok) << out.error.message;
    ASSERT_EQ(out.board->pciCount, 1);
    EXPECT_EQ(out.board->pci[0].config[0], 0x816810ECu) << configFirst;
    EXPECT_EQ(out.board->pci[0].config[2], 0x02000003u) << configFirst;
    EXPECT_EQ(out.board->pci[0].config[11], 0x82D51043u) << configFirst;
  }
}

TEST(ParseBoard, TwoHundredFiftySixFunctionsFit) {
  const Outcome out = Parse(ManyFunctions(256));
  ASSERT_TRUE(out.ok) << out.error.message;
  EXPECT_EQ(out.board->pciCount, 256);
}

TEST(ParseBoard, IdAndTagsAreWrittenIntoTheImage) {
  const Outcome out = Parse("[Firmware]\nTags=G41M, ALC888 ,,X\nId=DRV-G41M V1.2 03-15-2011\n");
  ASSERT_TRUE(out.ok) << out.error.message;
  const std::uint8_t* firmware = out.board->firmware;
  const char tags[] = "DRIVORA G41M\0DRIVORA ALC888\0DRIVORA \0DRIVORA X";  // and its zero
  EXPECT_EQ(std::memcmp(firmware + sim::kFirmwareTagOffset, tags, sizeof tags), 0);
  EXPECT_EQ(firmware[sim::kFirmwareTagOffset + sizeof tags], 0);
  const char id[] = "DRV-G41M V1.2 03-15-2011";
  EXPECT_EQ(std::memcmp(firmware + kFirmwareIdOffset, id, sizeof id), 0);
  // Nothing else is written.
  std::size_t nonZero = 0;
  for (std::size_t i = 0; i < kFirmwareSize; ++i) nonZero += firmware[i] != 0;
  EXPECT_EQ(nonZero, (sizeof tags - 4) + (sizeof id - 1));
}

TEST(ParseBoard, AnImageIsLoadedThenPatched) {
  ImageSource image;
  image.bytes.resize(kFirmwareSize);
  for (std::size_t i = 0; i < image.bytes.size(); ++i) image.bytes[i] = static_cast<std::uint8_t>(0x40 + i % 61);
  const Outcome out = Parse("[Firmware]\nId=AB\nTags=T\nImage=bios.rom\n", &image);
  ASSERT_TRUE(out.ok) << out.error.message;
  std::vector<std::uint8_t> expected = image.bytes;
  std::memcpy(expected.data() + kFirmwareIdOffset, "AB", 3);
  std::memcpy(expected.data() + sim::kFirmwareTagOffset, "DRIVORA T", 10);
  EXPECT_EQ(std::vector<std::uint8_t>(out.board->firmware, out.board->firmware + kFirmwareSize), expected);
}

TEST(LoadBoardFile, NamesTheFileAndLineAndFindsTheImageBesideIt) {
  const auto folder = std::filesystem::temp_directory_path() / ("drivora-detect-" + std::to_string(::getpid()));
  std::filesystem::create_directories(folder);
  std::ofstream(folder / "bad.board") << "[Board]\nName=x\n[PCI]\n00:20.0=8086:2E20 1458:5000 03\n";
  std::ofstream(folder / "good.board") << "[Firmware]\nImage=bios.rom\nId=FROM FILE\n";
  std::ofstream(folder / "bios.rom", std::ios::binary) << std::string(kFirmwareSize, '\x33');

  std::string error;
  EXPECT_EQ(LoadBoardFile((folder / "bad.board").string(), error), nullptr);
  EXPECT_EQ(error, (folder / "bad.board").string() + ":4: PCI device number over 1F: 00:20.0");
  EXPECT_EQ(LoadBoardFile((folder / "missing.board").string(), error), nullptr);
  EXPECT_EQ(error, (folder / "missing.board").string() + ": cannot be read");

  error.clear();
  const auto board = LoadBoardFile((folder / "good.board").string(), error);
  ASSERT_NE(board, nullptr) << error;
  EXPECT_EQ(board->firmware[0], 0x33);
  EXPECT_STREQ(reinterpret_cast<const char*>(board->firmware + kFirmwareIdOffset), "FROM FILE");
  std::filesystem::remove_all(folder);
}

TEST(LoadBoardFile, EveryDemoBoardReads) {
  int boards = 0;
  for (const auto& entry : std::filesystem::directory_iterator(DRIVORA_SOURCE_DIR "/demo/boards")) {
    if (entry.path().extension() != ".board") continue;
    SCOPED_TRACE(entry.path().filename().string());
    std::string error;
    const auto board = LoadBoardFile(entry.path().string(), error);
    ASSERT_NE(board, nullptr) << error;
    EXPECT_NE(board->name[0], '\0');
    EXPECT_GT(board->pciCount, 0);
    EXPECT_NE(board->firmware[kFirmwareIdOffset], 0) << "every demo board has an identification";
    ++boards;
  }
  EXPECT_GE(boards, 7);
}

}  // namespace
}  // namespace drivora
