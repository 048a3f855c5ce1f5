// The board capture on Linux, over a made-up sysfs, /dev/port and /dev/mem in
// a temporary folder: what it records, what it leaves out and names, and that
// the configuration ports never reach the real ones. Then the capture of this
// machine against what sysfs says, where there is a PCI bus.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "detect/bios.h"
#include "sim/board_hardware.h"
#include "tools/drivora/board_output.h"
#include "tools/drivora/linux_capture.h"
#include "tools/drivora/lspci_lines.h"

namespace drivora::tool {
namespace {

namespace fs = std::filesystem;

void WriteFile(const fs::path& path, const std::vector<std::uint8_t>& bytes) {
  fs::create_directories(path.parent_path());
  std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()), bytes.size());
}

std::vector<std::uint8_t> Header(std::size_t size, std::uint32_t id, std::uint8_t revision, std::uint8_t headerType,
                                 std::uint32_t dword2C) {
  std::vector<std::uint8_t> header(size, 0);
  std::memcpy(header.data(), &id, 4);
  header[0x08] = revision;
  header[0x0E] = headerType;
  std::memcpy(header.data() + 0x2C, &dword2C, 4);
  if (size > 0x40) header[0x40] = 0x5A;
  return header;
}

bool Mentions(const std::vector<std::string>& notes, const std::string& text) {
  for (const std::string& note : notes)
    if (note.find(text) != std::string::npos) return true;
  return false;
}

// A machine in a folder: a few PCI functions as sysfs shows them, a board name,
// and a /dev/mem whose firmware area holds an identification and a tag.
class MadeUpMachine : public testing::Test {
 protected:
  void SetUp() override {
    // One folder per process: ctest runs these cases side by side.
    root_ = fs::path(testing::TempDir()) / ("made-up-machine-" + std::to_string(getpid()));
    fs::remove_all(root_);
    paths_ = {root_ / "devices", root_ / "port", root_ / "mem", root_ / "dmi"};
    const fs::path devices = paths_.pciDevices;
    WriteFile(devices / "0000:00:00.0/config", Header(256, 0x2E308086, 0x03, 0x00, 0x50001458));
    WriteFile(devices / "0000:00:1c.0/config", Header(64, 0x27D08086, 0x01, 0x81, 0x00000004));
    WriteFile(devices / "0000:81:00.0/config", Header(64, 0x816810EC, 0x02, 0x00, 0xE0001458));
    WriteFile(devices / "0000:00:1f.6/config", std::vector<std::uint8_t>(64, 0xFF));
    WriteFile(devices / "0000:00:1f.3/config", std::vector<std::uint8_t>(20, 0x11));
    WriteFile(devices / "0001:00:00.0/config", Header(64, 0x09A28086, 0x04, 0x00, 0));
    fs::create_directories(devices / "0000:00:1f.0");
    fs::create_directories(devices / "pci_bus");
    fs::create_directories(paths_.dmi);
    std::ofstream(paths_.dmi / "board_vendor") << "Gigabyte Technology Co., Ltd.\n";
    std::ofstream(paths_.dmi / "board_name") << "G41M-ES2L\n";
    std::vector<std::uint8_t> memory(0x100000, 0);
    const char id[] = "DRV-G41M V1.2 03-15-2011", tag[] = "DRIVORA G41M";
    std::memcpy(&memory[0xFE0C1], id, sizeof id);
    std::memcpy(&memory[0xF0100], tag, sizeof tag);
    WriteFile(paths_.memory, memory);
  }
  void TearDown() override { fs::remove_all(root_); }

  fs::path root_;
  LinuxPaths paths_;
};

TEST_F(MadeUpMachine, RecordsWhatItCanReadAndNamesTheRest) {
  MachineCapture capture;
  std::string error;
  ASSERT_TRUE(CaptureLinuxMachine(paths_, capture, error)) << error;
  const sim::Board& board = *capture.board;
  ASSERT_EQ(board.pciCount, 3);  // in the scan's order, bus 0x81 too; no ffff:ffff
  EXPECT_EQ(board.pci[0].config[0], 0x2E308086u);
  EXPECT_EQ(board.pci[0].config[0x40 / 4], 0x5Au);  // root read the whole header
  EXPECT_EQ(board.pci[1].device, 0x1C);
  EXPECT_EQ(board.pci[1].config[0x2C / 4], 4u);  // a bridge's dword, as the wizard reads it
  EXPECT_EQ(board.pci[1].config[0x40 / 4], 0u);  // beyond the 64 bytes read
  EXPECT_EQ(board.pci[2].bus, 0x81);
  EXPECT_EQ(board.pci[2].config[2] & 0xFF, 0x02u);
  EXPECT_STREQ(board.name, "Gigabyte Technology Co., Ltd. G41M-ES2L");

  EXPECT_TRUE(capture.firmwareRead);
  EXPECT_EQ(BuildBiosRecord(board.firmware, kFirmwareSize), "DRV-G41M V1.2 03-15-2011\x01G41M\x01");
  EXPECT_FALSE(board.superIo[0].present || board.superIo[1].present);
  EXPECT_EQ(board.enumKeyCount, 0);
  for (const char* said : {"PCI function 0000:00:1f.0: its configuration header cannot be read",
                           "PCI function 0000:00:1f.3: only 20 bytes of its header can be read",
                           "1 functions of PCI domain 0001", "the headers of 3 PCI functions beyond the bytes",
                           "Super I/O chips: ", "/port not present", "device keys below HKEY_LOCAL_MACHINE\\Enum"})
    EXPECT_TRUE(Mentions(capture.notes, said)) << said;
  EXPECT_FALSE(Mentions(capture.notes, "firmware area"));

  std::vector<std::string> leftOut;
  ASSERT_TRUE(SaveBoard(root_ / "out.board", board, capture.comments, true, leftOut, error)) << error;
  const auto again = LoadBoardFile((root_ / "out.board").string(), error);
  ASSERT_TRUE(again) << error;
  EXPECT_EQ(std::memcmp(again->firmware, board.firmware, kFirmwareSize), 0);
}

TEST_F(MadeUpMachine, AFirmwareAreaThatCannotBeReadIsLeftOutNotGuessed) {
  WriteFile(paths_.memory, std::vector<std::uint8_t>(0xF8000, 0xAB));
  MachineCapture capture;
  std::string error;
  ASSERT_TRUE(CaptureLinuxMachine(paths_, capture, error)) << error;
  EXPECT_FALSE(capture.firmwareRead);
  EXPECT_TRUE(Mentions(capture.notes, "firmware area: " + paths_.memory.string() + " cannot be read at 0xF8000"));
  const sim::Board& board = *capture.board;
  EXPECT_TRUE(std::all_of(board.firmware, board.firmware + kFirmwareSize, [](std::uint8_t b) { return b == 0; }));

  fs::remove(paths_.memory);
  MachineCapture without;
  ASSERT_TRUE(CaptureLinuxMachine(paths_, without, error)) << error;
  EXPECT_FALSE(without.firmwareRead);
  EXPECT_TRUE(Mentions(without.notes, "firmware area: " + paths_.memory.string() + " not present"));
}

TEST_F(MadeUpMachine, WithoutAnyPciFunctionNothingIsCaptured) {
  fs::remove_all(paths_.pciDevices);
  MachineCapture capture;
  std::string error;
  EXPECT_FALSE(CaptureLinuxMachine(paths_, capture, error));
  EXPECT_EQ(error, "no PCI function can be read under " + paths_.pciDevices.string());
  EXPECT_TRUE(Mentions(capture.notes, "PCI functions: " + paths_.pciDevices.string() + " cannot be read"));
}

// /dev/port reads and writes single ports at their offsets; the configuration
// ports answer from sysfs and never reach it.
TEST_F(MadeUpMachine, PortsGoThroughDevPortExceptTheConfigurationPorts) {
  std::vector<std::uint8_t> ports(0x10000);
  for (std::size_t i = 0; i < ports.size(); ++i) ports[i] = static_cast<std::uint8_t>(i * 7);
  WriteFile(paths_.ports, ports);
  std::vector<std::string> notes;
  {
    LinuxHardware io(paths_, notes);
    ASSERT_TRUE(io.PortsOpen());
    EXPECT_EQ(io.ReadPortByte(0x61), static_cast<std::uint8_t>(0x61 * 7));
    EXPECT_TRUE(io.WritePortByte(0x2E, 0x87));
    EXPECT_EQ(io.ReadPortByte(0x2E), 0x87);
    EXPECT_EQ(io.ReadPortDword(0x2E), 0xFFFFFFFFu);
    EXPECT_FALSE(io.WritePortDword(0x80, 1));

    EXPECT_FALSE(io.WritePortByte(0xCFC, 0x12));
    EXPECT_TRUE(io.WritePortDword(0xCF8, 0x8000E000u));  // 00:1c.0, register 0
    EXPECT_EQ(io.ReadPortDword(0xCF8), 0x8000E000u);
    EXPECT_EQ(io.ReadPortDword(0xCFC), 0x27D08086u);
    EXPECT_EQ(io.ReadPortByte(0xCFE), 0xD0);
    io.WritePortDword(0xCF8, 0x0000E000u);  // without the enable bit
    EXPECT_EQ(io.ReadPortDword(0xCFC), 0xFFFFFFFFu);
    io.WritePortDword(0xCF8, 0x8000E800u);  // 00:1d.0: no such function
    EXPECT_EQ(io.ReadPortDword(0xCFC), 0xFFFFFFFFu);
  }
  std::ifstream file(paths_.ports, std::ios::binary);
  const std::vector<std::uint8_t> after((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
  ports[0x2E] = 0x87;
  EXPECT_EQ(after, ports);
  EXPECT_FALSE(Mentions(notes, "Super I/O"));
}

std::uint32_t SysfsNumber(const fs::path& file) {
  std::ifstream in(file);
  std::string text;
  in >> text;
  return static_cast<std::uint32_t>(std::stoul(text, nullptr, 16));
}

// The capture of this machine holds what sysfs says of every function:
// identification, revision, and the subsystem (a bridge's dword at 0x2C).
TEST(ThisMachine, CaptureAgreesWithSysfs) {
  const fs::path devices = "/sys/bus/pci/devices";
  std::error_code error;
  if (fs::is_empty(devices, error) || error) GTEST_SKIP() << "no PCI bus in " << devices;
  MachineCapture capture;
  std::string problem;
  ASSERT_TRUE(CaptureLinuxMachine({}, capture, problem)) << problem;
  int compared = 0;
  for (const auto& entry : fs::directory_iterator(devices)) {
    const std::string name = entry.path().filename().string();
    if (!name.starts_with("0000:")) continue;
    SCOPED_TRACE(name);
    const std::uint32_t id = SysfsNumber(entry.path() / "device") << 16 | SysfsNumber(entry.path() / "vendor");
    if (id == 0xFFFFFFFFu) continue;
    const auto where = lspci::ParseLocation(name);
    ASSERT_TRUE(where);
    const sim::PciFunction* f = sim::FindPciFunction(*capture.board, where->bus, where->device, where->function);
    ASSERT_NE(f, nullptr);
    EXPECT_EQ(f->config[0], id);
    EXPECT_EQ(f->config[2] & 0xFF, SysfsNumber(entry.path() / "revision"));
    const bool ordinary = ((f->config[3] >> 16) & 0x7F) == 0;
    if (ordinary) {
      const fs::path& dir = entry.path();
      EXPECT_EQ(f->config[11], SysfsNumber(dir / "subsystem_device") << 16 | SysfsNumber(dir / "subsystem_vendor"));
    }
    ++compared;
  }
  EXPECT_EQ(compared, capture.board->pciCount);
}

}  // namespace
}  // namespace drivora::tool
