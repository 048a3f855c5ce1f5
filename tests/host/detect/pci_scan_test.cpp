// The PCI scan over simulated boards: which addresses it reads and how, the
// keys it forms for each function it finds, and which section wins an entry.
#include "detect/pci_scan.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cctype>
#include <string>
#include <vector>

#include "detect/hardware.h"
#include "sim/board_hardware.h"
#include "tests/host/detect/detect_support.h"

namespace drivora {
namespace {

using ::testing::ElementsAre;
using ::testing::ElementsAreArray;
using detect_test::BoardFrom;
using detect_test::Event;
using detect_test::Log;
using detect_test::RecordingHardware;
using detect_test::RecordingLocks;
using detect_test::RecordingObserver;
using detect_test::SameLog;
using detect_test::operator+;

constexpr char kProfile[] = "WINXP.";

using ScanBench = detect_test::DetectBench;

// Profile-prefixed section names.
std::vector<std::string> Sections(std::initializer_list<std::string> keys) {
  std::vector<std::string> names;
  for (const auto& key : keys) names.push_back(kProfile + key);
  return names;
}

std::vector<std::string> Twice(const std::vector<std::string>& passA, const std::vector<std::string>& passB) {
  std::vector<std::string> all = passA;
  all.insert(all.end(), passB.begin(), passB.end());
  return all;
}

TEST(FormatHex8, EightLowerCaseDigits) {
  const struct {
    std::uint32_t value;
    const char* text;
  } rows[] = {
      {0x0000ABCD, "0000abcd"}, {0x0000000A, "0000000a"}, {0, "00000000"},
      {0x9ABCDEF0, "9abcdef0"}, {0xFFFFFFFF, "ffffffff"}, {0x12345678, "12345678"},
  };
  for (const auto& row : rows) EXPECT_EQ(FormatHex8(row.value), row.text);
}

// Bus 1, device 2, function 0; identification 0x12345678, subsystem
// 0x9ABCDEF0, revision 0x0A; no Super I/O chip.
constexpr char kExampleBoard[] = "[PCI]\n01:02.0=5678:1234 DEF0:9ABC 0A\n";

const std::vector<std::string> kExampleKeys = Sections({
    "12345678.9abcdef0.0a",
    "12345678.9abcdef0.00010200",
    "12345678.9abcdef0",
    "12345678.00010200",
    "12345678",
});

TEST(ScanPciDevices, KeysOfAFunctionOnABoardWithoutSuperIo) {
  ScanBench bench(kExampleBoard);
  ScanPciDevices(bench.app);
  // Both passes give the same five keys when no token is found.
  EXPECT_THAT(bench.observer.AddedFrom(), ElementsAreArray(Twice(kExampleKeys, kExampleKeys)));
  EXPECT_THAT(bench.observer.deviceTokens, ElementsAre("- - 00000000 00000000"));
  EXPECT_THAT(bench.observer.cirTokens, ElementsAre("- -"));
}

TEST(ApplyDeviceSections, TheExampleFunction) {
  ScanBench bench("");
  const PciFunctionKeys f{0x12345678, 0x9ABCDEF0, 0x0A, 1, 2, 0};
  ApplyDeviceSections(bench.app, f);
  EXPECT_THAT(bench.observer.AddedFrom(), ElementsAreArray(kExampleKeys));
  bench.observer.applied.clear();
  ApplyCirSections(bench.app, f);
  EXPECT_THAT(bench.observer.AddedFrom(), ElementsAreArray(kExampleKeys));
}

TEST(ApplyDeviceSections, LocationTextHoldsBusDeviceAndFunction) {
  ScanBench bench("");
  ApplyDeviceSections(bench.app, PciFunctionKeys{0x0000ABCD, 0x00000001, 0xFF, 0x80, 0x1F, 7});
  EXPECT_THAT(bench.observer.AddedFrom(),
              ElementsAreArray(Sections({"0000abcd.00000001.ff", "0000abcd.00000001.00801f07", "0000abcd.00000001",
                                         "0000abcd.00801f07", "0000abcd"})));
}

// A Fintek F71882F at 0x2E (with its CIR device active) and, at 0x4E, a chip
// that answers both the IAS key and the Fintek reads: opened by the IAS key,
// it never leaves configuration mode (its exit is a register write the probes
// never make), so the Fintek reads that follow find it open.
constexpr char kAllTokensBoard[] =
    "[PCI]\n"
    "00:1F.3=8086:27DA 1458:5001 02\n"
    "[SuperIO.2E]\n"
    "Entry=87 87\n"
    "Exit=AA\n"
    "Registers=20:05 21:41 23:19 24:34\n"
    "Device.8=30:01\n"
    "[SuperIO.4E]\n"
    "Entry=83 83\n"
    "ExitRegister=FF:FF\n"
    "Registers=20:71 21:02 23:19 24:34\n"
    "Device.0=30:01\n"
    "Device.8=30:01\n";

TEST(ScanPciDevices, KeyOrderOfBothPassesWithEveryToken) {
  ScanBench bench(kAllTokensBoard);
  ScanPciDevices(bench.app);
  ASSERT_THAT(bench.observer.deviceTokens, ElementsAre("F71882F WINBOND_IAS 05411934 71021934"));
  ASSERT_THAT(bench.observer.cirTokens, ElementsAre("CIR CIR"));
  const std::string is = "27da8086.50011458.";
  const std::string i = "27da8086.";
  const auto passA = Sections({is + "02", is + "F71882F", is + "WINBOND_IAS", is + "05411934", is + "71021934",
                               is + "00001f03", "27da8086.50011458", i + "F71882F", i + "WINBOND_IAS", i + "71021934",
                               i + "00001f03", "27da8086"});
  const auto passB = Sections({is + "02", is + "CIR", is + "CIR", is + "00001f03", "27da8086.50011458", i + "CIR",
                               i + "CIR", i + "00001f03", "27da8086"});
  EXPECT_THAT(bench.observer.AddedFrom(), ElementsAreArray(Twice(passA, passB)));
}

TEST(ScanPciDevices, OnlyTheFintekChipAt4EHasAnIdentificationOnlyKey) {
  const std::string is = "27da8086.50011458.";
  const std::string i = "27da8086.";
  const auto passB = Sections(
      {is + "02", is + "CIR", is + "00001f03", "27da8086.50011458", i + "CIR", i + "00001f03", "27da8086"});
  const struct {
    const char* port;
    std::vector<std::string> passA;
  } rows[] = {
      {"2E", Sections({is + "02", is + "F71882F", is + "05411934", is + "00001f03", "27da8086.50011458",
                       i + "F71882F", i + "00001f03", "27da8086"})},
      {"4E", Sections({is + "02", is + "F71882F", is + "05411934", is + "00001f03", "27da8086.50011458",
                       i + "F71882F", i + "05411934", i + "00001f03", "27da8086"})},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.port);
    ScanBench bench(std::string("[PCI]\n00:1F.3=8086:27DA 1458:5001 02\n[SuperIO.") + row.port +
                    "]\nEntry=87 87\nExit=AA\nRegisters=20:05 21:41 23:19 24:34\nDevice.8=30:01\n");
    ScanPciDevices(bench.app);
    EXPECT_THAT(bench.observer.AddedFrom(), ElementsAreArray(Twice(row.passA, passB)));
  }
}

TEST(ScanPciDevices, Bus128IsTheLastBusScanned) {
  ScanBench bench(
      "[PCI]\n"
      "00:00.0=1111:0001 0000:0000 00\n"
      "80:1F.7=2222:0002 0000:0000 00\n"
      "81:00.0=3333:0003 0000:0000 00\n"
      "FF:00.0=4444:0004 0000:0000 00\n");
  ScanPciDevices(bench.app);
  EXPECT_EQ(bench.observer.deviceTokens.size(), 2u);
  // The last key of each pass is the identification alone.
  std::vector<std::string> identifications;
  for (const auto& name : bench.observer.AddedFrom())
    if (name.size() == sizeof kProfile - 1 + 8) identifications.push_back(name);
  EXPECT_THAT(identifications, ElementsAreArray(Sections({"00011111", "00011111", "00022222", "00022222"})));
  EXPECT_THAT(bench.observer.AddedFrom(), ::testing::Contains(std::string(kProfile) + "00022222.00801f07"));
}

// Appends the three configuration reads of one address, each under the PCI lock.
// The three pairs of one address, under one hold of the PCI lock.
void AddConfigReads(Log& log, std::uint32_t address, std::uint32_t id, std::uint32_t subsystem, std::uint8_t revision) {
  const auto pci = static_cast<std::uint32_t>(HardwareLock::PciConfig);
  const auto pair = [&](std::uint32_t at, Event read) {
    log.push_back({Event::WriteDword, 0xCF8, at});
    log.push_back(read);
  };
  log.push_back({Event::Acquire, pci, 0});
  pair(address, {Event::ReadDword, 0xCFC, id});
  pair(address + 0x2C, {Event::ReadDword, 0xCFC, subsystem});
  pair(address + 0x08, {Event::ReadByte, 0xCFC, revision});
  log.push_back({Event::Release, pci, 0});
}

TEST(ScanPciDevices, ReadsEveryAddressInOrderAndPassesOverAllOnes) {
  // A function whose identification reads all ones, its other fields set.
  std::string config = "[PCI]\n00:05.2.Config=FFFFFFFF 00000000 0300000A";
  for (int i = 3; i < 64; ++i) config += i == 11 ? " 9ABCDEF0" : " 00000000";
  ScanBench bench(config + "\n");
  ScanPciDevices(bench.app);
  EXPECT_TRUE(bench.observer.applied.empty());
  EXPECT_TRUE(bench.observer.deviceTokens.empty());

  Log expected;
  expected.reserve(33024 * 12);
  for (std::uint32_t bus = 0; bus <= 128; ++bus)
    for (std::uint32_t device = 0; device < 32; ++device)
      for (std::uint32_t function = 0; function < 8; ++function) {
        const std::uint32_t address = 0x80000000u | bus << 16 | device << 11 | function << 8;
        const bool fields = bus == 0 && device == 5 && function == 2;
        AddConfigReads(expected, address, 0xFFFFFFFF, fields ? 0x9ABCDEF0 : 0xFFFFFFFF, fields ? 0x0A : 0xFF);
      }
  EXPECT_TRUE(SameLog(bench.log, expected));
}

TEST(ScanPciDevices, RequestCountsOfAnEmptyBoard) {
  ScanBench bench("");
  bench.io.recording = bench.locks.recording = false;
  ScanPciDevices(bench.app);
  const HardwareCounts& n = bench.counting.Counts();
  EXPECT_EQ(n.writeDword, 33024u * 3);
  EXPECT_EQ(n.readDword, 33024u * 2);
  EXPECT_EQ(n.readByte, 33024u);
  EXPECT_EQ(n.writeByte, 0u) << "no Super I/O traffic without a function";
  EXPECT_EQ(n.map + n.unmap, 0u);
  // Once per address, not once per address/data pair.
  EXPECT_EQ(bench.locks.acquired[static_cast<int>(HardwareLock::PciConfig)], 33024);
  EXPECT_EQ(bench.locks.released[static_cast<int>(HardwareLock::PciConfig)], 33024);
  EXPECT_EQ(bench.locks.acquired[static_cast<int>(HardwareLock::SuperIo)], 0);
}

TEST(ScanPciDevices, EveryFunctionFoundRunsAllProbesOfBothPasses) {
  ScanBench bench("[PCI]\n00:00.0=8086:2E20 1458:5000 01\n00:1F.0=8086:27B8 1458:5001 01\n");
  bench.io.recording = bench.locks.recording = false;
  ScanPciDevices(bench.app);
  const HardwareCounts& n = bench.counting.Counts();
  // Per function, with no chip answering: IdentifySuperIoChip's four probes,
  // the IAS probe, two Fintek reads and two CIR probes: 39 byte writes and
  // 12 byte reads, nine times the Super I/O lock.
  EXPECT_EQ(n.writeByte, 2u * 39);
  EXPECT_EQ(n.readByte, 33024u + 2 * 12);
  EXPECT_EQ(n.writeDword, 33024u * 3);
  EXPECT_EQ(n.readDword, 33024u * 2);
  EXPECT_EQ(bench.locks.acquired[static_cast<int>(HardwareLock::SuperIo)], 2 * 9);
  EXPECT_EQ(bench.observer.deviceTokens.size(), 2u);
  EXPECT_EQ(bench.observer.cirTokens.size(), 2u);
}

TEST(ScanPciDevices, OnlyAnIdentificationOfAllOnesIsAnEmptySlot) {
  std::string board = "[PCI]\n";
  const char* identifications[] = {"0000FFFF", "FFFF0000", "00000000", "FFFFFFFE", "7FFFFFFF"};
  int device = 1;
  for (const char* id : identifications) {
    board += "00:0" + std::to_string(device++) + ".0.Config=" + id;
    for (int i = 1; i < 64; ++i) board += " 00000000";
    board += "\n";
  }
  ScanBench bench(board);
  bench.io.recording = bench.locks.recording = false;
  ScanPciDevices(bench.app);
  EXPECT_EQ(bench.observer.deviceTokens.size(), 5u);
  const auto applied = bench.observer.AddedFrom();
  for (const char* id : identifications) {
    std::string lower = id;
    for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    EXPECT_THAT(applied, ::testing::Contains(kProfile + lower)) << id;
  }
}

// Only the ports of the Super I/O chips, and their lock.
Log SuperIoTraffic(const Log& log) {
  Log traffic;
  for (const Event& e : log) {
    const bool lock = e.kind == Event::Acquire || e.kind == Event::Release;
    const bool port = e.where == 0x2E || e.where == 0x2F || e.where == 0x4E || e.where == 0x4F;
    if (lock ? e.where == static_cast<std::uint32_t>(HardwareLock::SuperIo) : port) traffic.push_back(e);
  }
  return traffic;
}

TEST(ScanPciDevices, ProbesOfBothPassesInOrderForEveryFunction) {
  // A Fintek F71882F at 0x4E with its CIR device active; nothing at 0x2E.
  ScanBench bench(
      "[PCI]\n00:00.0=8086:2E20 1462:7519 01\n02:00.0=11AB:4364 1462:7519 12\n"
      "[SuperIO.4E]\nEntry=87 87\nExit=AA\nRegisters=20:05 21:41 23:19 24:34\nDevice.8=30:01\n");
  ScanPciDevices(bench.app);
  using namespace detect_test;
  const std::uint16_t p2E = 0x2E, p4E = 0x4E;
  const Log nothingAt2E = Enter(p2E) + Reg(p2E, 0x23, 0xFF) + Exit(p2E);
  const Log passA =
      // IdentifySuperIoChip: Winbond, ITE and Fintek at 0x2E find nothing, Fintek at 0x4E the chip.
      Locked(Enter(p2E) + Repeat(Reg(p2E, 0x20, 0xFF), 4) + Exit(p2E)) +
      Locked(Bytes(p2E, {0x87, 0x01, 0x55, 0x55}) + Reg(p2E, 0x20, 0xFF)) + Locked(nothingAt2E) +
      Locked(Enter(p4E) + Reg(p4E, 0x23, 0x19) + Repeat(Reg(p4E, 0x20, 0x05), 3) + Exit(p4E)) +
      // ProbeWinbondIas: the chip does not open to the IAS key.
      Locked(Bytes(p4E, {0x83, 0x83}) + Reg(p4E, 0x20, 0xFF)) +
      // ReadFintekId at 0x2E, then at 0x4E.
      Locked(nothingAt2E) +
      Locked(Enter(p4E) + Reg(p4E, 0x23, 0x19) + Reg(p4E, 0x24, 0x34) + Reg(p4E, 0x23, 0x19) + Reg(p4E, 0x21, 0x41) +
             Reg(p4E, 0x20, 0x05) + Exit(p4E));
  // ProbeFintekCir at 0x2E, then at 0x4E.
  const Log passB = Locked(nothingAt2E) +
                    Locked(Enter(p4E) + Reg(p4E, 0x23, 0x19) + SetReg(p4E, 0x07, 8) + Reg(p4E, 0x30, 0x01) + Exit(p4E));
  EXPECT_TRUE(SameLog(SuperIoTraffic(bench.log), Repeat(passA + passB, 2)));
}

TEST(ScanPciDevices, ThePciLockCoversTheThreePairsOfEachAddressAndNothingElse) {
  // The chips of kAllTokensBoard and a second function.
  std::string board = kAllTokensBoard;
  board.insert(board.find("[SuperIO.2E]"), "01:00.0=10EC:8168 1458:E000 03\n");
  ScanBench bench(board);
  ScanPciDevices(bench.app);
  const auto pci = static_cast<std::uint32_t>(HardwareLock::PciConfig);
  const Log& log = bench.log;
  std::size_t holds = 0;
  for (std::size_t i = 0; i < log.size(); ++i) {
    const Event& e = log[i];
    if (e.kind == Event::Acquire && e.where == pci) {
      ASSERT_LT(i + 7, log.size());
      for (std::size_t pair = 0; pair < 3; ++pair) {
        const Event& address = log[i + 1 + 2 * pair];
        const Event& data = log[i + 2 + 2 * pair];
        ASSERT_EQ(address.kind, Event::WriteDword) << "event " << i;
        ASSERT_EQ(address.where, 0xCF8u) << "event " << i;
        ASSERT_TRUE(data.kind == Event::ReadDword || data.kind == Event::ReadByte) << "event " << i;
        ASSERT_EQ(data.where, 0xCFCu) << "event " << i;
      }
      ASSERT_EQ(log[i + 1].value & ~0xFFu, log[i + 5].value & ~0xFFu) << "one address at event " << i;
      ASSERT_EQ(log[i + 7], (Event{Event::Release, pci, 0})) << "event " << i;
      ++holds;
      i += 7;
    } else if (e.kind == Event::WriteDword || e.kind == Event::ReadDword || e.where == 0xCFC) {
      FAIL() << "configuration access outside the PCI lock at event " << i << ": " << e;
    }
  }
  EXPECT_EQ(holds, 33024u);
  // The Super I/O traffic of the two functions sits in its own lock.
  std::size_t superIoEvents = 0;
  Log superIo;
  for (const Event& e : log) {
    const bool pciEvent = e.where == pci && (e.kind == Event::Acquire || e.kind == Event::Release);
    const bool configEvent = e.kind == Event::WriteDword || e.kind == Event::ReadDword || e.where == 0xCFC;
    if (!pciEvent && !configEvent) superIo.push_back(e), ++superIoEvents;
  }
  EXPECT_GT(superIoEvents, 0u);
  EXPECT_EQ(detect_test::LockedStretches(superIo).size(), 2u * 8);
}

TEST(ScanPciDevices, FirstSectionToOfferAnEntryNameWins) {
  const struct {
    const char* name;
    const char* pci;
    const char* ini;
    const char* value;
  } rows[] = {
      {"the revision key beats the identification key", "00:01.0=5678:1234 DEF0:9ABC 0A\n",
       "[WINXP.12345678]\nVGA.Driver=generic\n[WINXP.12345678.9abcdef0.0a]\nVGA.Driver=narrow\n", "narrow"},
      {"the location key beats the subsystem key", "00:01.0=5678:1234 DEF0:9ABC 0A\n",
       "[WINXP.12345678.9abcdef0]\nVGA.Driver=board\n[WINXP.12345678.9abcdef0.00000100]\nVGA.Driver=slot\n", "slot"},
      {"earlier device on the same bus", "00:02.0=2222:0002 0000:0000 00\n00:01.0=1111:0001 0000:0000 00\n",
       "[WINXP.00022222]\nAUDIO.Codec=second\n[WINXP.00011111]\nAUDIO.Codec=first\n", "first"},
      {"function 0 before function 1", "00:03.1=2222:0002 0000:0000 00\n00:03.0=1111:0001 0000:0000 00\n",
       "[WINXP.00022222]\nAUDIO.Codec=second\n[WINXP.00011111]\nAUDIO.Codec=first\n", "first"},
      {"bus 0 before bus 1", "01:00.0=2222:0002 0000:0000 00\n00:1F.7=1111:0001 0000:0000 00\n",
       "[WINXP.00022222]\nAUDIO.Codec=second\n[WINXP.00011111]\nAUDIO.Codec=first\n", "first"},
      {"names are compared without regard to case", "00:01.0=5678:1234 DEF0:9ABC 0A\n",
       "[WINXP.12345678]\nvga.DRIVER=generic\n[WINXP.12345678.9abcdef0.0a]\nVGA.Driver=narrow\n", "narrow"},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    ScanBench bench(std::string("[PCI]\n") + row.pci, row.ini);
    ScanPciDevices(bench.app);
    ASSERT_EQ(bench.app.Catalogue.EntryCount(), 1u);
    EXPECT_EQ(bench.app.Catalogue.Entries[0].value, row.value);
  }
}

TEST(ScanPciDevices, EntriesOfEverySectionThatExistsComeInOnce) {
  ScanBench bench(kExampleBoard,
                  "[WINXP.12345678.9abcdef0.0a]\nVGA.Driver=narrow\n;LAN.Commented=x\nnot an entry\n"
                  "[WINXP.12345678]\nVGA.Driver=generic\nUTIL.Tool=tool\n"
                  "[WINXP.12345678.00010200]\nLAN.Slot=slot\n"
                  "[WIN98.12345678]\nOLD.Other=profile of another Windows\n");
  ScanPciDevices(bench.app);
  EXPECT_THAT(test::Keys(bench.app.Catalogue), ElementsAre("VGA.Driver", "LAN.Slot", "UTIL.Tool"));
  EXPECT_THAT(test::Values(bench.app.Catalogue), ElementsAre("narrow", "slot", "tool"));
  // The second pass offers the same lines again; the catalogue refuses them.
  EXPECT_THAT(bench.observer.added, ElementsAre("WINXP.12345678.9abcdef0.0a: VGA.Driver",
                                                "WINXP.12345678.00010200: LAN.Slot", "WINXP.12345678: UTIL.Tool"));
}

}  // namespace
}  // namespace drivora
