// The driver's request check, compiled here as the driver compiles it: which
// Super I/O registers a handle may write, what reaches the ports for each
// request, and the PCI address a handle holds until its data read.
#include "portio/port_gate.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

namespace drivora::portio {
namespace {

// Writes down every call that reached the back end; reads answer from
// `superIoAnswer` and from the configuration address and offset.
struct RecordingPorts {
  std::vector<std::string> calls;
  std::uint8_t superIoAnswer = 0x5A;

  std::uint8_t ReadByte(std::uint16_t port) {
    calls.push_back("in " + Hex(port));
    return superIoAnswer;
  }
  void WriteByte(std::uint16_t port, std::uint8_t value) { calls.push_back("out " + Hex(port) + "=" + Hex(value)); }
  std::uint32_t ReadPciConfig(std::uint32_t address, std::uint32_t offset, std::uint32_t bytes) {
    calls.push_back("config " + Hex(address) + "+" + std::to_string(offset) + "/" + std::to_string(bytes));
    return 0xA1B2C3D4u >> (8 * offset);
  }
  static std::string Hex(std::uint32_t value) {
    char text[16];
    std::snprintf(text, sizeof text, "%X", value);
    return text;
  }
};

struct Sent {
  PortOutcome outcome;
  std::uint32_t value;
};

Sent Send(PortGate& gate, RecordingPorts& ports, std::uint32_t code, std::uint32_t port, std::uint32_t value = 0) {
  PortRequest request{port, value};
  const PortOutcome outcome = gate.Answer(ports, code, request);
  return {outcome, request.value};
}

using Calls = std::vector<std::string>;

TEST(PortGateSuperIo, EveryRegisterAtBothPairsIsWritableOnlyIfTheProbesWriteIt) {
  for (const std::uint16_t indexPort : {0x2E, 0x4E}) {
    const std::uint16_t dataPort = indexPort + 1;
    const std::string idx = RecordingPorts::Hex(indexPort), dat = RecordingPorts::Hex(dataPort);
    for (unsigned reg = 0; reg <= 0xFF; ++reg) {
      for (const unsigned value : {0x00u, 0x01u, 0x02u, 0x07u, 0x80u, 0xFFu, reg}) {
        SCOPED_TRACE("index port " + idx + ", register " + RecordingPorts::Hex(reg) + ", value " +
                     RecordingPorts::Hex(value));
        PortGate gate;
        RecordingPorts ports;
        ASSERT_EQ(Send(gate, ports, kWriteByte, indexPort, reg).outcome, PortOutcome::Answered);
        const bool allowed = reg == 0x07 || (reg == 0x02 && value == 0x02);
        const Sent sent = Send(gate, ports, kWriteByte, dataPort, value);
        EXPECT_EQ(sent.outcome, allowed ? PortOutcome::Answered : PortOutcome::Refused);
        Calls expected{"out " + idx + "=" + RecordingPorts::Hex(reg)};
        if (allowed) {
          // The register is selected again right before the data.
          expected.push_back("out " + idx + "=" + RecordingPorts::Hex(reg));
          expected.push_back("out " + dat + "=" + RecordingPorts::Hex(value));
        }
        EXPECT_EQ(ports.calls, expected);
      }
    }
  }
}

TEST(PortGateSuperIo, IndexWritesAndReadsAreAlwaysServed) {
  for (const std::uint16_t indexPort : {0x2E, 0x4E}) {
    PortGate gate;
    RecordingPorts ports;
    for (unsigned value = 0; value <= 0xFF; ++value) {
      ASSERT_EQ(Send(gate, ports, kWriteByte, indexPort, value).outcome, PortOutcome::Answered) << value;
      const Sent read = Send(gate, ports, kReadByte, indexPort + 1u);
      ASSERT_EQ(read.outcome, PortOutcome::Answered);
      EXPECT_EQ(read.value, 0x5Au);
    }
    EXPECT_EQ(ports.calls.size(), 512u);
  }
}

TEST(PortGateSuperIo, DataWriteBeforeAnyIndexIsRefused) {
  for (const std::uint16_t dataPort : {0x2F, 0x4F}) {
    PortGate gate;
    RecordingPorts ports;
    for (const unsigned value : {0x00u, 0x02u, 0x07u})
      EXPECT_EQ(Send(gate, ports, kWriteByte, dataPort, value).outcome, PortOutcome::Refused) << value;
    EXPECT_TRUE(ports.calls.empty());
  }
}

TEST(PortGateSuperIo, EachPairKeepsItsOwnIndex) {
  PortGate gate;
  RecordingPorts ports;
  Send(gate, ports, kWriteByte, 0x2E, 0x07);
  Send(gate, ports, kWriteByte, 0x4E, 0x20);
  EXPECT_EQ(Send(gate, ports, kWriteByte, 0x2F, 5).outcome, PortOutcome::Answered);
  EXPECT_EQ(Send(gate, ports, kWriteByte, 0x4F, 5).outcome, PortOutcome::Refused);
  // The last index byte counts, key and exit bytes included.
  Send(gate, ports, kWriteByte, 0x2E, 0xAA);
  EXPECT_EQ(Send(gate, ports, kWriteByte, 0x2F, 5).outcome, PortOutcome::Refused);
  Send(gate, ports, kWriteByte, 0x4E, 0x07);
  EXPECT_EQ(Send(gate, ports, kWriteByte, 0x4F, 5).outcome, PortOutcome::Answered);
}

TEST(PortGateSuperIo, AnotherHandlesIndexCannotRedirectAWrite) {
  PortGate mine, theirs;
  RecordingPorts ports;  // one machine under both handles
  Send(mine, ports, kWriteByte, 0x2E, 0x07);
  Send(theirs, ports, kWriteByte, 0x2E, 0x25);  // the chip now has register 0x25 selected
  EXPECT_EQ(Send(theirs, ports, kWriteByte, 0x2F, 0x00).outcome, PortOutcome::Refused);
  ports.calls.clear();
  EXPECT_EQ(Send(mine, ports, kWriteByte, 0x2F, 0x03).outcome, PortOutcome::Answered);
  EXPECT_EQ(ports.calls, (Calls{"out 2E=7", "out 2F=3"}));
}

TEST(PortGateSuperIo, ByteWriteOfMoreThanAByteChangesNothing) {
  PortGate gate;
  RecordingPorts ports;
  EXPECT_EQ(Send(gate, ports, kWriteByte, 0x2E, 0x107).outcome, PortOutcome::BadValue);
  EXPECT_EQ(Send(gate, ports, kWriteByte, 0x2F, 0x105).outcome, PortOutcome::BadValue);
  EXPECT_TRUE(ports.calls.empty());
  EXPECT_EQ(Send(gate, ports, kWriteByte, 0x2F, 0x05).outcome, PortOutcome::Refused) << "the refused index was not kept";
}

TEST(PortGatePci, AddressIsHeldByTheHandleAndGoesOutWithTheDataRead) {
  PortGate gate;
  RecordingPorts ports;
  EXPECT_EQ(Send(gate, ports, kWriteDword, 0xCF8, 0x8000F808).outcome, PortOutcome::Answered);
  EXPECT_TRUE(ports.calls.empty()) << "the address alone never reaches the machine";
  EXPECT_EQ(Send(gate, ports, kReadDword, 0xCF8).value, 0x8000F808u);
  EXPECT_EQ(gate.PciAddress(), 0x8000F808u);
  EXPECT_EQ(Send(gate, ports, kReadDword, 0xCFC).value, 0xA1B2C3D4u);
  const std::uint32_t bytes[] = {0xD4, 0xC3, 0xB2, 0xA1};
  for (std::uint32_t k = 0; k < 4; ++k) EXPECT_EQ(Send(gate, ports, kReadByte, 0xCFC + k).value, bytes[k]) << k;
  EXPECT_EQ(ports.calls, (Calls{"config 8000F808+0/4", "config 8000F808+0/1", "config 8000F808+1/1",
                                "config 8000F808+2/1", "config 8000F808+3/1"}));
}

TEST(PortGatePci, EnableBitClearReadsAllOnesWithoutTouchingTheMachine) {
  PortGate gate;
  RecordingPorts ports;
  EXPECT_EQ(Send(gate, ports, kReadDword, 0xCFC).value, 0xFFFFFFFFu) << "a fresh handle holds address 0";
  Send(gate, ports, kWriteDword, 0xCF8, 0x7FFFFFFC);
  EXPECT_EQ(Send(gate, ports, kReadDword, 0xCFC).value, 0xFFFFFFFFu);
  for (std::uint32_t k = 0; k < 4; ++k) EXPECT_EQ(Send(gate, ports, kReadByte, 0xCFC + k).value, 0xFFu) << k;
  EXPECT_TRUE(ports.calls.empty());
}

TEST(PortGatePci, TwoHandlesHoldTwoAddresses) {
  PortGate first, second;
  RecordingPorts ports;
  Send(first, ports, kWriteDword, 0xCF8, 0x80000000);
  Send(second, ports, kWriteDword, 0xCF8, 0x80010800);
  Send(first, ports, kReadDword, 0xCFC);
  Send(second, ports, kReadByte, 0xCFE);
  EXPECT_EQ(ports.calls, (Calls{"config 80000000+0/4", "config 80010800+2/1"}));
  EXPECT_EQ(Send(first, ports, kReadDword, 0xCF8).value, 0x80000000u);
}

TEST(PortGate, PortsOutsideTheRulesNeverReachTheMachine) {
  const struct {
    std::uint32_t code, port;
  } cases[] = {
      {kWriteDword, 0xCFC}, {kWriteByte, 0xCFC}, {kWriteByte, 0xCFF}, {kWriteByte, 0xCF8}, {kReadByte, 0xCF8},
      {kReadDword, 0xCFD},  {kReadDword, 0x2E},  {kWriteDword, 0x2F}, {kReadByte, 0x80},  {kWriteByte, 0x3F8},
      {kReadByte, 0x1002F}, {kWriteDword, 0x10CF8}, {kWriteByte, 0x1002E}, {0x80102048, 0x2E},
  };
  for (const auto& c : cases) {
    PortGate gate;
    RecordingPorts ports;
    Send(gate, ports, kWriteByte, 0x2E, 0x07);
    ports.calls.clear();
    const Sent sent = Send(gate, ports, c.code, c.port, 0x80000000);
    EXPECT_EQ(sent.outcome, PortOutcome::Refused) << std::hex << c.code << " " << c.port;
    EXPECT_EQ(sent.value, 0x80000000u) << "a refused request keeps its buffer";
    EXPECT_TRUE(ports.calls.empty()) << std::hex << c.code << " " << c.port;
    EXPECT_EQ(gate.PciAddress(), 0u);
  }
}

}  // namespace
}  // namespace drivora::portio
