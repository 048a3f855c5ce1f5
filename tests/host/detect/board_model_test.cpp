// The simulated board at its ports and in physical memory. Every detection
// test stands on it, so it must answer as real hardware does: an empty PCI
// slot reads all ones, a Super I/O chip answers only in configuration mode,
// and nothing outside the firmware area can be mapped.
#include "sim/board.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>

#include "sim/board_hardware.h"
#include "tests/host/detect/detect_support.h"

namespace drivora {
namespace {

using detect_test::BoardFrom;
using sim::Board;

constexpr std::uint16_t kAddress = 0xCF8;
constexpr std::uint16_t kData = 0xCFC;

// The LAN function of the ws-bus128 demo board, whole header given.
std::string LanBoard() {
  std::string text = "[PCI]\n00:00.0=8086:2E20 1043:82D3 01\n02:00.0.Config=816810EC 00100007 02000003";
  for (int i = 3; i < 64; ++i) text += i == 11 ? " 82D51043" : " 00000000";
  return text + "\n80:1F.7=10DE:0611 10DE:0000 A2\n";
}

std::uint32_t Config(std::uint32_t bus, std::uint32_t device, std::uint32_t function, std::uint32_t reg) {
  return 0x80000000u | bus << 16 | device << 11 | function << 8 | reg;
}

TEST(PciConfigLatch, ReadsTheDwordTheAddressSelects) {
  const auto board = BoardFrom(LanBoard());
  const struct {
    std::uint32_t address;
    std::uint32_t data;
  } rows[] = {
      {Config(0, 0, 0, 0x00), 0x2E208086},
      {Config(0, 0, 0, 0x08), 0x00000001},
      {Config(0, 0, 0, 0x2C), 0x82D31043},
      {Config(2, 0, 0, 0x00), 0x816810EC},
      {Config(2, 0, 0, 0x08), 0x02000003},
      {Config(2, 0, 0, 0x2C), 0x82D51043},
      {Config(0x80, 0x1F, 7, 0x00), 0x061110DE},
      // Absent functions, and a neighbour of a present one.
      {Config(0, 0, 1, 0x00), 0xFFFFFFFF},
      {Config(0, 1, 0, 0x00), 0xFFFFFFFF},
      {Config(1, 0, 0, 0x00), 0xFFFFFFFF},
      {Config(0x81, 0x1F, 7, 0x00), 0xFFFFFFFF},
      // Bit 31 clear: no configuration cycle at all.
      {Config(0, 0, 0, 0x00) & 0x7FFFFFFF, 0xFFFFFFFF},
      {Config(2, 0, 0, 0x2C) & 0x7FFFFFFF, 0xFFFFFFFF},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(::testing::Message() << std::hex << row.address);
    sim::BoardWritePortDword(*board, kAddress, row.address);
    EXPECT_EQ(sim::BoardReadPortDword(*board, kAddress), row.address);
    EXPECT_EQ(sim::BoardReadPortDword(*board, kData), row.data);
    // The same dword byte by byte through 0xCFC to 0xCFF.
    for (std::uint16_t i = 0; i < 4; ++i)
      EXPECT_EQ(sim::BoardReadPortByte(*board, kData + i), static_cast<std::uint8_t>(row.data >> (8 * i))) << i;
  }
}

TEST(PciConfigLatch, WritesThroughTheDataPortChangeNothing) {
  const auto board = BoardFrom(LanBoard());
  sim::BoardWritePortDword(*board, kAddress, Config(2, 0, 0, 0));
  sim::BoardWritePortDword(*board, kData, 0x12345678);
  sim::BoardWritePortByte(*board, kData, 0x55);
  EXPECT_EQ(sim::BoardReadPortDword(*board, kAddress), Config(2, 0, 0, 0));
  EXPECT_EQ(sim::BoardReadPortDword(*board, kData), 0x816810ECu);
}

TEST(PciConfigLatch, OtherPortsReadAllOnes) {
  const auto board = BoardFrom(LanBoard());
  sim::BoardWritePortDword(*board, kAddress, Config(2, 0, 0, 0));
  EXPECT_EQ(sim::BoardReadPortDword(*board, 0xCF9), 0xFFFFFFFFu);
  EXPECT_EQ(sim::BoardReadPortDword(*board, 0xCFD), 0xFFFFFFFFu);
  EXPECT_EQ(sim::BoardReadPortByte(*board, 0xCF8 + 8), 0xFF);
  EXPECT_EQ(sim::BoardReadPortByte(*board, 0x80), 0xFF);
}

// A chip at 0x2E with the standard keys, one at 0x4E with the ITE entry and a
// register exit.
constexpr char kTwoChips[] =
    "[SuperIO.2E]\n"
    "Entry=87 87\n"
    "Exit=AA\n"
    "Registers=20:52 21:41 26:40\n"
    "Device.5=30:01 60:03\n"
    "Device.8=30:02\n"
    "[SuperIO.4E]\n"
    "Entry=87 01 55 55\n"
    "ExitRegister=02:02\n"
    "Registers=20:87 21:12\n";

class SuperIoPorts : public ::testing::Test {
 protected:
  std::uint8_t Read(std::uint16_t port, std::uint8_t reg) {
    sim::BoardWritePortByte(*board, port, reg);
    return sim::BoardReadPortByte(*board, static_cast<std::uint16_t>(port + 1));
  }
  void Write(std::uint16_t port, std::uint8_t reg, std::uint8_t value) {
    sim::BoardWritePortByte(*board, port, reg);
    sim::BoardWritePortByte(*board, static_cast<std::uint16_t>(port + 1), value);
  }
  void Keys(std::uint16_t port, std::initializer_list<std::uint8_t> bytes) {
    for (std::uint8_t b : bytes) sim::BoardWritePortByte(*board, port, b);
  }
  std::unique_ptr<Board> board = BoardFrom(kTwoChips);
};

TEST_F(SuperIoPorts, DataPortReadsAllOnesOutsideConfigurationMode) {
  EXPECT_EQ(Read(0x2E, 0x20), 0xFF);
  EXPECT_EQ(Read(0x4E, 0x20), 0xFF);
  Keys(0x2E, {0x87, 0x87});
  EXPECT_EQ(Read(0x2E, 0x20), 0x52);
  // One chip's key does not open the other.
  EXPECT_EQ(Read(0x4E, 0x20), 0xFF);
}

TEST_F(SuperIoPorts, ABrokenEntrySequenceDoesNotEnter) {
  const struct {
    std::uint16_t port;
    std::initializer_list<std::uint8_t> bytes;
    bool enters;
  } rows[] = {
      {0x2E, {0x87}, false},
      {0x2E, {0x87, 0x55, 0x87}, false},
      {0x2E, {0x87, 0x55, 0x87, 0x87}, true},
      {0x2E, {0x87, 0x87, 0x87}, true},
      {0x4E, {0x87, 0x01, 0x55}, false},
      {0x4E, {0x87, 0x01, 0x87, 0x55}, false},
      {0x4E, {0x87, 0x01, 0x55, 0x87, 0x01, 0x55, 0x55}, true},
      {0x4E, {0x87, 0x87, 0x01, 0x55, 0x55}, true},
      // The key goes to the index port; bytes to the data port are not part of it.
      {0x4F, {0x87, 0x01, 0x55, 0x55}, false},
  };
  for (const auto& row : rows) {
    board = BoardFrom(kTwoChips);
    Keys(row.port, row.bytes);
    const std::uint16_t index = row.port & ~1;
    const bool configuring = board->superIo[index == 0x2E ? 0 : 1].configuring;
    EXPECT_EQ(configuring, row.enters) << "port " << std::hex << row.port << ", " << row.bytes.size() << " bytes";
  }
}

TEST_F(SuperIoPorts, ExitAndExitRegisterLeave) {
  Keys(0x2E, {0x87, 0x87});
  Keys(0x2E, {0xAA});
  EXPECT_EQ(Read(0x2E, 0x20), 0xFF);

  Keys(0x4E, {0x87, 0x01, 0x55, 0x55});
  EXPECT_EQ(Read(0x4E, 0x20), 0x87);
  // Only the register write of the exit value leaves: not the bytes alone to
  // the index port, not another value.
  Keys(0x4E, {0x02, 0x02, 0xAA});
  EXPECT_EQ(Read(0x4E, 0x21), 0x12);
  Write(0x4E, 0x02, 0x01);
  EXPECT_EQ(Read(0x4E, 0x21), 0x12);
  Write(0x4E, 0x02, 0x02);
  EXPECT_EQ(Read(0x4E, 0x21), 0xFF);
}

TEST_F(SuperIoPorts, Register07SelectsTheLogicalDevice) {
  Keys(0x2E, {0x87, 0x87});
  EXPECT_EQ(Read(0x2E, 0x07), 0x00);
  EXPECT_EQ(Read(0x2E, 0x30), 0x00);
  Write(0x2E, 0x07, 5);
  EXPECT_EQ(Read(0x2E, 0x07), 5);
  EXPECT_EQ(Read(0x2E, 0x30), 0x01);
  EXPECT_EQ(Read(0x2E, 0x60), 0x03);
  // Global registers read the same whichever device is selected.
  EXPECT_EQ(Read(0x2E, 0x20), 0x52);
  Write(0x2E, 0x07, 8);
  EXPECT_EQ(Read(0x2E, 0x30), 0x02);
  EXPECT_EQ(Read(0x2E, 0x60), 0x00);
  // A device number the chip does not have reads zero everywhere.
  Write(0x2E, 0x07, 0x25);
  EXPECT_EQ(Read(0x2E, 0x07), 0x25);
  EXPECT_EQ(Read(0x2E, 0x30), 0x00);
  // The selection survives leaving and entering again.
  Keys(0x2E, {0xAA, 0x87, 0x87});
  EXPECT_EQ(Read(0x2E, 0x07), 0x25);
}

TEST_F(SuperIoPorts, UnlistedRegistersReadZero) {
  Keys(0x2E, {0x87, 0x87});
  for (std::uint8_t reg : {0x00, 0x06, 0x22, 0x23, 0x2F}) EXPECT_EQ(Read(0x2E, reg), 0x00) << int{reg};
  EXPECT_EQ(Read(0x2E, 0x26), 0x40);
}

TEST(SuperIoPortsOutsideConfigurationMode, DataWritesAreIgnored) {
  // A chip that leaves through a write of register 07, so that the index
  // still points at the device select once it is out of configuration mode.
  const auto board = BoardFrom("[SuperIO.2E]\nEntry=87 87\nExitRegister=07:09\nDevice.5=30:01\n");
  for (std::uint8_t b : {0x87, 0x87, 0x07}) sim::BoardWritePortByte(*board, 0x2E, b);
  sim::BoardWritePortByte(*board, 0x2F, 0x09);
  ASSERT_FALSE(board->superIo[0].configuring);
  sim::BoardWritePortByte(*board, 0x2F, 0x05);
  for (std::uint8_t b : {0x87, 0x87, 0x07}) sim::BoardWritePortByte(*board, 0x2E, b);
  EXPECT_EQ(sim::BoardReadPortByte(*board, 0x2F), 0x09);
}

TEST(SuperIoPortsWithoutChips, ReadAllOnes) {
  const auto board = BoardFrom("[SuperIO.4E]\nEntry=87 87\nExit=AA\nRegisters=20:05\n");
  for (std::uint8_t b : {0x87, 0x87, 0x20}) sim::BoardWritePortByte(*board, 0x2E, b);
  EXPECT_EQ(sim::BoardReadPortByte(*board, 0x2F), 0xFF);
  EXPECT_FALSE(board->superIo[1].configuring);
  EXPECT_EQ(sim::BoardReadPortByte(*board, 0x4F), 0xFF);
}

TEST(PhysicalMemory, OnlyRangesWhollyInsideTheFirmwareArea) {
  const auto board = BoardFrom("");
  const struct {
    std::uint32_t address, length;
    bool mapped;
  } rows[] = {
      {0xF0000, 0x10000, true},
      {0xF0000, 1, true},
      {0xFFFFC, 4, true},
      {0xFFFFF, 1, true},
      {0xFE0C1, 4, true},
      {0xFFFFD, 4, false},       // runs past the end
      {0xEFFFE, 4, false},       // starts below
      {0xEFFFF, 0x10001, false},
      {0x100000, 1, false},
      {0xF0000, 0x10001, false},
      {0xF0000, 0, false},        // nothing to map
      {0xFFFFFFFF, 2, false},     // wraps around
      {0xF0001, 0xFFFFFFFF, false},
      {0, 0xFFFFFFFF, false},
  };
  for (const auto& row : rows) {
    const std::uint8_t* bytes = sim::BoardPhysicalMemory(*board, row.address, row.length);
    EXPECT_EQ(bytes, row.mapped ? board->firmware + (row.address - kFirmwareStart) : nullptr)
        << std::hex << row.address << "+" << row.length;
  }
}

TEST(SimulatedBoardHardware, MappingsAreCountedUntilUnmapped) {
  const auto board = BoardFrom("[Firmware]\nId=ABCD\n");
  SimulatedBoardHardware io(*board);
  std::uint32_t first = 0, second = 0, refused = 77;
  const void* a = io.MapPhysicalMemory(0xFE0C1, 4, first);
  const void* b = io.MapPhysicalMemory(0xF0000, 4, second);
  ASSERT_NE(a, nullptr);
  ASSERT_NE(b, nullptr);
  EXPECT_NE(first, second);
  EXPECT_EQ(std::memcmp(a, "ABCD", 4), 0);
  EXPECT_EQ(io.MapPhysicalMemory(0xEFFFF, 4, refused), nullptr);
  EXPECT_EQ(refused, 77u) << "a refused map leaves the handle alone";
  EXPECT_EQ(io.OpenMappings(), 2);
  EXPECT_FALSE(io.UnmapPhysicalMemory(first, b)) << "the pointer must be the one mapped under the handle";
  EXPECT_FALSE(io.UnmapPhysicalMemory(0, a));
  EXPECT_TRUE(io.UnmapPhysicalMemory(first, a));
  EXPECT_FALSE(io.UnmapPhysicalMemory(first, a)) << "twice";
  EXPECT_TRUE(io.UnmapPhysicalMemory(second, b));
  EXPECT_EQ(io.OpenMappings(), 0);
}

TEST(SimulatedBoardHardware, ReadsTheFirmwareDirectly) {
  const auto board = BoardFrom("[Firmware]\nId=MODEL\nTags=T\n");
  SimulatedBoardHardware io(*board);
  std::vector<std::uint8_t> image(kFirmwareSize, 0xEE);
  EXPECT_TRUE(io.ReadFirmwareDirectly(image.data(), kFirmwareSize));
  EXPECT_EQ(std::memcmp(image.data(), board->firmware, kFirmwareSize), 0);
}

}  // namespace
}  // namespace drivora
