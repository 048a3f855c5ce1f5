// The Super I/O probes against simulated chips: which chip answers where, and
// the exact bytes each probe puts on the configuration ports. The traffic is
// fixed because real chips react to it: a missing exit leaves a chip in
// configuration mode, an extra byte to the index port can select a register.
#include "detect/superio.h"

#include <gtest/gtest.h>

#include <string>

#include "sim/board_hardware.h"
#include "tests/host/detect/detect_support.h"

namespace drivora {
namespace {

using detect_test::Bytes;
using detect_test::Enter;
using detect_test::Exit;
using detect_test::Locked;
using detect_test::LockedStretches;
using detect_test::Log;
using detect_test::ProbeBench;
using detect_test::Reg;
using detect_test::Repeat;
using detect_test::SetReg;
using detect_test::operator+;

constexpr std::uint16_t k2E = 0x2E;
constexpr std::uint16_t k4E = 0x4E;

std::string Name(const char* token) { return token ? token : "(none)"; }

std::string PortName(std::uint16_t port) { return port == k2E ? "2E" : "4E"; }

// A chip with the standard keys at `port`.
std::string StandardChip(std::uint16_t port, const std::string& lines) {
  return "[SuperIO." + PortName(port) + "]\nEntry=87 87\nExit=AA\n" + lines;
}

// The Winbond probe: register 0x20 read once for every comparison it makes.
Log WinbondProbe(std::uint8_t answer, int reads) {
  return Enter(k2E) + Repeat(Reg(k2E, 0x20, answer), reads) + Exit(k2E);
}
Log IteEntry() { return Bytes(k2E, {0x87, 0x01, 0x55, 0x55}); }
// Register 0x02 written with 0x02: back to waiting for the key.
Log IteExit() { return SetReg(k2E, 0x02, 0x02); }
// Probes that find nothing at a port where nothing answers.
Log IteMiss() { return IteEntry() + Reg(k2E, 0x20, 0xFF); }
Log FintekMiss(std::uint16_t port, std::uint8_t vendor = 0xFF) { return Enter(port) + Reg(port, 0x23, vendor) + Exit(port); }

TEST(IdentifySuperIoChip, NothingAnswersOnABareBoard) {
  ProbeBench bench("");
  EXPECT_EQ(IdentifySuperIoChip(bench.Access()), nullptr);
  EXPECT_EQ(bench.log, Locked(WinbondProbe(0xFF, 4)) + Locked(IteMiss()) + Locked(FintekMiss(k2E)) +
                           Locked(FintekMiss(k4E)));
}

TEST(IdentifySuperIoChip, WinbondReadsTheIdentificationAnewForEachComparison) {
  const struct {
    std::uint8_t id;
    const char* name;
    int reads;
  } rows[] = {{0x52, "WINBOND627", 1}, {0x82, "WINBOND627T", 2}, {0x85, "WINBOND687T", 3}, {0x60, "WINBOND697", 4}};
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    char registers[32];
    std::snprintf(registers, sizeof registers, "Registers=20:%02X 21:41\n", row.id);
    ProbeBench bench(StandardChip(k2E, registers));
    EXPECT_EQ(Name(IdentifySuperIoChip(bench.Access())), row.name);
    // Found by the first probe: nothing else is tried.
    EXPECT_EQ(bench.log, Locked(WinbondProbe(row.id, row.reads)));
    EXPECT_FALSE(bench.board->superIo[0].configuring) << "the exit must leave configuration mode";
  }
}

TEST(IdentifySuperIoChip, WinbondIdentificationAtThe4EPortIsNotAWinbondChip) {
  ProbeBench bench(StandardChip(k4E, "Registers=20:52\n"));
  EXPECT_EQ(IdentifySuperIoChip(bench.Access()), nullptr);
  const auto stretches = LockedStretches(bench.log);
  ASSERT_EQ(stretches.size(), 4u);
  EXPECT_EQ(stretches[0], WinbondProbe(0xFF, 4));
  // The chip at 0x4E answers the Fintek probe, but its vendor byte is not Fintek's.
  EXPECT_EQ(stretches[3], FintekMiss(k4E, 0x00));
}

TEST(IdentifySuperIoChip, IteProbeUsesItsOwnKeysAndLeavesOnlyWhenItFoundAChip) {
  const struct {
    const char* registers;
    const char* name;
    Log traffic;  // of the ITE probe alone
  } rows[] = {
      {"20:87 21:05", "ITE8705", IteEntry() + Reg(k2E, 0x20, 0x87) + Reg(k2E, 0x21, 0x05) + IteExit()},
      {"20:87 21:12 22:07", "ITE8712IX",
       IteEntry() + Reg(k2E, 0x20, 0x87) + Repeat(Reg(k2E, 0x21, 0x12), 2) + Reg(k2E, 0x22, 0x07) + IteExit()},
      {"20:87 21:12 22:F7", "ITE8712IX",
       IteEntry() + Reg(k2E, 0x20, 0x87) + Repeat(Reg(k2E, 0x21, 0x12), 2) + Reg(k2E, 0x22, 0xF7) + IteExit()},
      {"20:87 21:12 22:08", "ITE8712",
       IteEntry() + Reg(k2E, 0x20, 0x87) + Repeat(Reg(k2E, 0x21, 0x12), 2) + Reg(k2E, 0x22, 0x08) + IteExit()},
      // Only the low four bits count, all four of them.
      {"20:87 21:12 22:70", "ITE8712",
       IteEntry() + Reg(k2E, 0x20, 0x87) + Repeat(Reg(k2E, 0x21, 0x12), 2) + Reg(k2E, 0x22, 0x70) + IteExit()},
      {"20:87 21:12 22:0F", "ITE8712",
       IteEntry() + Reg(k2E, 0x20, 0x87) + Repeat(Reg(k2E, 0x21, 0x12), 2) + Reg(k2E, 0x22, 0x0F) + IteExit()},
      // Neither 0x05 nor 0x12: no chip, and no exit written.
      {"20:87 21:13", nullptr, IteEntry() + Reg(k2E, 0x20, 0x87) + Repeat(Reg(k2E, 0x21, 0x13), 2)},
      {"20:86 21:12", nullptr, IteEntry() + Reg(k2E, 0x20, 0x86)},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.registers);
    ProbeBench bench(std::string("[SuperIO.2E]\nEntry=87 01 55 55\nExitRegister=02:02\nRegisters=") + row.registers +
                     "\n");
    EXPECT_EQ(Name(IdentifySuperIoChip(bench.Access())), Name(row.name));
    const auto stretches = LockedStretches(bench.log);
    ASSERT_EQ(stretches.size(), row.name ? 2u : 4u);
    // The standard key does not open an ITE chip.
    EXPECT_EQ(stretches[0], WinbondProbe(0xFF, 4));
    EXPECT_EQ(stretches[1], row.traffic);
    EXPECT_EQ(bench.board->superIo[0].configuring, row.name == nullptr);
    if (!row.name) {
      // The chip was left in configuration mode: the Fintek probe at 0x2E
      // reads its (unlisted) vendor register.
      EXPECT_EQ(stretches[2], FintekMiss(k2E, 0x00));
      EXPECT_EQ(stretches[3], FintekMiss(k4E));
    }
  }
}

TEST(IdentifySuperIoChip, IteChipIsLeftOutOfConfigurationModeForTheProbesAfterIt) {
  // An IT8712 whose register 0x23 happens to read 0x19, Fintek's vendor byte.
  // Left in configuration mode, the Fintek probes at 0x2E would read its
  // registers and make up a Fintek chip 0x87121934 for it.
  ProbeBench bench("[SuperIO.2E]\nEntry=87 01 55 55\nExitRegister=02:02\nRegisters=20:87 21:12 22:08 23:19 24:34\n");
  for (int round = 0; round < 2; ++round) {
    SCOPED_TRACE(round);
    EXPECT_EQ(Name(IdentifySuperIoChip(bench.Access())), "ITE8712");
    EXPECT_FALSE(bench.board->superIo[0].configuring);
    EXPECT_EQ(ReadFintekId(bench.Access(), k2E), 0u);
    EXPECT_EQ(ProbeFintekCir(bench.Access(), k2E), nullptr);
  }
}

TEST(IdentifySuperIoChip, FintekAtEitherPort) {
  const struct {
    const char* registers;
    const char* name;
    Log traffic;  // of the Fintek probe at the chip's port, for port 0x2E
  } rows[] = {
      {"23:19 20:04", "F71805F", Reg(k2E, 0x23, 0x19) + Reg(k2E, 0x20, 0x04)},
      {"23:19 20:03", "F71806F",
       Reg(k2E, 0x23, 0x19) + Repeat(Reg(k2E, 0x20, 0x03), 2) + SetReg(k2E, 0x07, 5) + Reg(k2E, 0x30, 0x00)},
      {"23:19 20:05", "F71882F", Reg(k2E, 0x23, 0x19) + Repeat(Reg(k2E, 0x20, 0x05), 3)},
      {"23:19 20:06", "F71862F", Reg(k2E, 0x23, 0x19) + Repeat(Reg(k2E, 0x20, 0x06), 4)},
      // Any other identification under the Fintek vendor byte.
      {"23:19 20:07", "FINTEKSIO", Reg(k2E, 0x23, 0x19) + Repeat(Reg(k2E, 0x20, 0x07), 4)},
      {"23:19 20:02", "FINTEKSIO", Reg(k2E, 0x23, 0x19) + Repeat(Reg(k2E, 0x20, 0x02), 4)},
      {"23:19 20:00", "FINTEKSIO", Reg(k2E, 0x23, 0x19) + Repeat(Reg(k2E, 0x20, 0x00), 4)},
      // Fintek identifications under another vendor byte are no Fintek chip.
      {"23:18 20:05", nullptr, Reg(k2E, 0x23, 0x18)},
      {"23:91 20:04", nullptr, Reg(k2E, 0x23, 0x91)},
  };
  for (std::uint16_t port : {k2E, k4E}) {
    for (const auto& row : rows) {
      SCOPED_TRACE(PortName(port) + " " + row.registers);
      ProbeBench bench(StandardChip(port, std::string("Registers=") + row.registers + "\n"));
      EXPECT_EQ(Name(IdentifySuperIoChip(bench.Access())), Name(row.name));
      Log expected = Enter(port);
      for (auto e : row.traffic) {
        // The rows are written for 0x2E; the same bytes go to 0x4E/0x4F.
        if (port == k4E) e.where += k4E - k2E;
        expected.push_back(e);
      }
      expected = expected + Exit(port);
      const auto stretches = LockedStretches(bench.log);
      // At 0x4E the chip is found only after the three probes at 0x2E.
      const std::size_t found = port == k2E ? 2 : 3;
      ASSERT_EQ(stretches.size(), row.name && port == k2E ? 3u : 4u);
      EXPECT_EQ(stretches[found], expected);
      if (port == k4E) {
        EXPECT_EQ(stretches[0], WinbondProbe(0xFF, 4));
        EXPECT_EQ(stretches[1], IteMiss());
        EXPECT_EQ(stretches[2], FintekMiss(k2E));
      }
      EXPECT_FALSE(bench.board->superIo[port == k2E ? 0 : 1].configuring);
    }
  }
}

TEST(IdentifySuperIoChip, F71872FAndF71806FDifferOnlyInLogicalDevice5) {
  const struct {
    const char* devices;
    const char* name;
    std::uint8_t activation;
  } rows[] = {
      {"Device.5=30:01\n", "F71872F", 0x01},
      {"Device.5=30:00\n", "F71806F", 0x00},
      {"Device.5=30:02\n", "F71806F", 0x02},  // active means exactly 1
      {"Device.5=30:FF\n", "F71806F", 0xFF},
      // Another logical device's activation does not count.
      {"Device.4=30:01\nDevice.6=30:01\n", "F71806F", 0x00},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.devices);
    ProbeBench bench(StandardChip(k2E, std::string("Registers=23:19 20:03\n") + row.devices));
    EXPECT_EQ(Name(IdentifySuperIoChip(bench.Access())), row.name);
    const auto stretches = LockedStretches(bench.log);
    ASSERT_EQ(stretches.size(), 3u);
    EXPECT_EQ(stretches[2], Enter(k2E) + Reg(k2E, 0x23, 0x19) + Repeat(Reg(k2E, 0x20, 0x03), 2) +
                                SetReg(k2E, 0x07, 5) + Reg(k2E, 0x30, row.activation) + Exit(k2E));
  }
}

TEST(IdentifySuperIoChip, EachProbeHoldsTheLockOnlyForItself) {
  ProbeBench bench(StandardChip(k4E, "Registers=23:19 20:05\n"));
  EXPECT_EQ(Name(IdentifySuperIoChip(bench.Access())), "F71882F");
  EXPECT_EQ(bench.locks.acquired[0], 4);
  EXPECT_EQ(bench.locks.released[0], 4);
  EXPECT_EQ(bench.locks.acquired[1], 0) << "the Super I/O probes have no business with the PCI lock";
  // Four stretches, each a whole probe from its entry to its exit.
  const auto stretches = LockedStretches(bench.log);
  ASSERT_EQ(stretches.size(), 4u);
  EXPECT_EQ(stretches[0].front(), Enter(k2E).front());
  EXPECT_EQ(stretches[2].back(), Exit(k2E).front());
  EXPECT_EQ(stretches[3].front(), Enter(k4E).front());
  EXPECT_EQ(stretches[3].back(), Exit(k4E).front());
}

TEST(SuperIoProbes, ALockThatCannotBeHadDoesNotStopTheProbeNorIsItGivenBack) {
  const std::string board = StandardChip(k2E, "Registers=20:12 21:34 23:19 24:56\nDevice.8=30:01\n");
  ProbeBench granted(board);
  ProbeBench refused(board);
  refused.locks.grant = false;
  for (ProbeBench* bench : {&granted, &refused}) {
    EXPECT_EQ(Name(IdentifySuperIoChip(bench->Access())), "FINTEKSIO");
    EXPECT_EQ(ReadFintekId(bench->Access(), k2E), 0x12341956u);
    EXPECT_EQ(Name(ProbeFintekCir(bench->Access(), k2E)), "CIR");
    EXPECT_EQ(ProbeWinbondIas(bench->Access()), nullptr);
  }
  // Waited for once: after a wait has run out, the lock is not waited for
  // again in this start.
  EXPECT_EQ(refused.locks.acquired[0], 1);
  EXPECT_GT(granted.locks.acquired[0], 1);
  EXPECT_EQ(refused.locks.released[0], 0);
  // The same port traffic either way.
  Log withoutLocks;
  for (const auto& e : granted.log)
    if (e.kind != detect_test::Event::Acquire && e.kind != detect_test::Event::Release) withoutLocks.push_back(e);
  Log refusedTraffic;
  for (const auto& e : refused.log)
    if (e.kind != detect_test::Event::Acquire) refusedTraffic.push_back(e);
  EXPECT_EQ(refusedTraffic, withoutLocks);
}

TEST(ReadFintekId, ComposesChipAndVendorIdentification) {
  ProbeBench bench(StandardChip(k2E, "Registers=20:12 21:34 23:19 24:56\n"));
  EXPECT_EQ(ReadFintekId(bench.Access(), k2E), 0x12341956u);
  // Vendor low, vendor high, chip low, chip high.
  EXPECT_EQ(bench.log, Locked(Enter(k2E) + Reg(k2E, 0x23, 0x19) + Reg(k2E, 0x24, 0x56) + Reg(k2E, 0x23, 0x19) +
                              Reg(k2E, 0x21, 0x34) + Reg(k2E, 0x20, 0x12) + Exit(k2E)));
  EXPECT_FALSE(bench.board->superIo[0].configuring);
}

TEST(ReadFintekId, ZeroWhereNoFintekChipAnswers) {
  const struct {
    std::string board;
    std::uint16_t port;
    std::uint8_t vendor;  // what register 0x23 reads
  } rows[] = {
      {"", k2E, 0xFF},
      {"", k4E, 0xFF},
      // A Fintek chip at the other port.
      {StandardChip(k4E, "Registers=20:05 21:41 23:19 24:34\n"), k2E, 0xFF},
      {StandardChip(k2E, "Registers=20:05 21:41 23:19 24:34\n"), k4E, 0xFF},
      // A chip whose vendor byte is not Fintek's.
      {StandardChip(k2E, "Registers=20:05 21:41 23:18 24:34\n"), k2E, 0x18},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.board + " at " + PortName(row.port));
    ProbeBench bench(row.board);
    EXPECT_EQ(ReadFintekId(bench.Access(), row.port), 0u);
    EXPECT_EQ(bench.log, Locked(FintekMiss(row.port, row.vendor)));
  }
}

TEST(ReadFintekId, AChipAt4EReadsOnlyThere) {
  ProbeBench bench(StandardChip(k4E, "Registers=20:05 21:41 23:19 24:34\n"));
  EXPECT_EQ(ReadFintekId(bench.Access(), k2E), 0u);
  EXPECT_EQ(ReadFintekId(bench.Access(), k4E), 0x05411934u);
}

TEST(ProbeFintekCir, LooksAtLogicalDevice8) {
  const struct {
    const char* lines;
    const char* token;
    Log traffic;  // between entry and exit, for port 0x2E
  } rows[] = {
      {"Registers=23:19\nDevice.8=30:01\n", "CIR", Reg(k2E, 0x23, 0x19) + SetReg(k2E, 0x07, 8) + Reg(k2E, 0x30, 0x01)},
      {"Registers=23:19\nDevice.8=30:00\n", nullptr, Reg(k2E, 0x23, 0x19) + SetReg(k2E, 0x07, 8) + Reg(k2E, 0x30, 0x00)},
      {"Registers=23:19\nDevice.8=30:03\n", nullptr, Reg(k2E, 0x23, 0x19) + SetReg(k2E, 0x07, 8) + Reg(k2E, 0x30, 0x03)},
      // Another logical device active, device 8 not.
      {"Registers=23:19\nDevice.5=30:01\n", nullptr, Reg(k2E, 0x23, 0x19) + SetReg(k2E, 0x07, 8) + Reg(k2E, 0x30, 0x00)},
      // No Fintek vendor: no device is selected at all.
      {"Registers=23:18\nDevice.8=30:01\n", nullptr, Reg(k2E, 0x23, 0x18)},
  };
  for (std::uint16_t port : {k2E, k4E}) {
    for (const auto& row : rows) {
      SCOPED_TRACE(PortName(port) + " " + row.lines);
      ProbeBench bench(StandardChip(port, row.lines));
      EXPECT_EQ(Name(ProbeFintekCir(bench.Access(), port)), Name(row.token));
      Log expected = Enter(port);
      for (auto e : row.traffic) {
        if (port == k4E) e.where += k4E - k2E;
        expected.push_back(e);
      }
      EXPECT_EQ(bench.log, Locked(expected + Exit(port)));
      EXPECT_FALSE(bench.board->superIo[port == k2E ? 0 : 1].configuring);
    }
  }
}

TEST(ProbeFintekCir, NothingAtAPortWithoutAChip) {
  ProbeBench bench(StandardChip(k2E, "Registers=23:19\nDevice.8=30:01\n"));
  EXPECT_EQ(ProbeFintekCir(bench.Access(), k4E), nullptr);
  EXPECT_EQ(bench.log, Locked(FintekMiss(k4E)));
}

Log IasCheck(std::uint8_t device, std::uint8_t activation) {
  return SetReg(k4E, 0x07, device) + Reg(k4E, 0x30, activation);
}

TEST(ProbeWinbondIas, AnyActiveLogicalDeviceOf013) {
  const Log entry = Bytes(k4E, {0x83, 0x83}) + Reg(k4E, 0x20, 0x71);
  const struct {
    const char* devices;
    const char* token;
    Log traffic;
  } rows[] = {
      {"Device.0=30:00\nDevice.1=30:00\nDevice.3=30:00\n", nullptr,
       entry + IasCheck(0, 0) + IasCheck(1, 0) + IasCheck(3, 0) + Exit(k4E)},
      {"Device.0=30:01\n", "WINBOND_IAS", entry + IasCheck(0, 1) + Exit(k4E)},
      {"Device.1=30:80\n", "WINBOND_IAS", entry + IasCheck(0, 0) + IasCheck(1, 0x80) + Exit(k4E)},
      {"Device.3=30:01\n", "WINBOND_IAS", entry + IasCheck(0, 0) + IasCheck(1, 0) + IasCheck(3, 1) + Exit(k4E)},
      // Device 2 is not one of the three.
      {"Device.2=30:01\nDevice.4=30:01\n", nullptr, entry + IasCheck(0, 0) + IasCheck(1, 0) + IasCheck(3, 0) + Exit(k4E)},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.devices);
    ProbeBench bench(std::string("[SuperIO.4E]\nEntry=83 83\nExit=AA\nRegisters=20:71\n") + row.devices);
    EXPECT_EQ(Name(ProbeWinbondIas(bench.Access())), Name(row.token));
    EXPECT_EQ(bench.log, Locked(row.traffic));
    EXPECT_FALSE(bench.board->superIo[1].configuring);
  }
}

TEST(ProbeWinbondIas, LeavesWithoutTheExitWhenRegister20IsNot71) {
  const struct {
    std::string board;
    std::uint8_t id;
  } rows[] = {
      {"[SuperIO.4E]\nEntry=83 83\nExit=AA\nRegisters=20:70\nDevice.0=30:01\n", 0x70},
      // An IAS chip at 0x2E is not looked for.
      {"[SuperIO.2E]\nEntry=83 83\nExit=AA\nRegisters=20:71\nDevice.0=30:01\n", 0xFF},
      // A chip at 0x4E with the standard key does not open to the IAS key.
      {StandardChip(k4E, "Registers=20:71\nDevice.0=30:01\n"), 0xFF},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.board);
    ProbeBench bench(row.board);
    EXPECT_EQ(ProbeWinbondIas(bench.Access()), nullptr);
    EXPECT_EQ(bench.log, Locked(Bytes(k4E, {0x83, 0x83}) + Reg(k4E, 0x20, row.id)));
  }
}

// The demo boards, probed in the order the first and second key passes use.
TEST(SuperIoProbes, DemoBoardsGiveTheirTokens) {
  const struct {
    const char* board;
    const char* tokens;  // chip, IAS, Fintek 2E, Fintek 4E, CIR 2E, CIR 4E
  } rows[] = {
      {"g41-w83627", "WINBOND627 - 00000000 00000000 - -"},
      {"k8t800-it8712", "ITE8712 - 00000000 00000000 - -"},
      {"k8t800-it8712ix", "ITE8712IX - 00000000 00000000 - -"},
      {"mcp55-ias-4e", "- WINBOND_IAS 00000000 00000000 - -"},
      {"p45-f71882-4e", "F71882F - 00000000 05411934 - CIR"},
      {"rs780-plain", "- - 00000000 00000000 - -"},
      {"ws-bus128", "- - 00000000 00000000 - -"},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.board);
    std::string error;
    const auto board = LoadBoardFile(std::string(DRIVORA_SOURCE_DIR "/demo/boards/") + row.board + ".board", error);
    ASSERT_TRUE(board) << error;
    SimulatedBoardHardware io(*board);
    NoHardwareLocks locks;
    const SuperIoAccess access{io, locks};
    // Twice over: the probes run anew for every PCI function and must give
    // the same answer whatever state the previous round left the chip in.
    for (int round = 0; round < 2; ++round) {
      const char* chip = IdentifySuperIoChip(access);
      const char* ias = ProbeWinbondIas(access);
      const std::uint32_t f2E = ReadFintekId(access, k2E);
      const std::uint32_t f4E = ReadFintekId(access, k4E);
      const char* cir2E = ProbeFintekCir(access, k2E);
      const char* cir4E = ProbeFintekCir(access, k4E);
      char tokens[128];
      std::snprintf(tokens, sizeof tokens, "%s %s %08x %08x %s %s", chip ? chip : "-", ias ? ias : "-", f2E, f4E,
                    cir2E ? cir2E : "-", cir4E ? cir4E : "-");
      EXPECT_EQ(std::string(tokens), row.tokens) << "round " << round;
    }
  }
}

}  // namespace
}  // namespace drivora
