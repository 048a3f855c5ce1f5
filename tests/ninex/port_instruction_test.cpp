// The 9x harness's decoder and its answers from the board model: every form
// of `in`/`out` the harness takes, the refusals, and a whole detection run as
// the instructions the wizard's 9x code executes, which must cost exactly the
// requests of the in-process simulation and find the same catalogue.
#include "tests/ninex/port_instruction.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "app/file_contents.h"
#include "app/ini_file.h"
#include "app/startup.h"
#include "sim/board_hardware.h"
#include "tests/host/detect/detect_support.h"
#include "tests/host/test_app.h"
#include "tests/ninex/traffic_report.h"

namespace drivora::ninex {
namespace {

using ::testing::HasSubstr;

Decoded Decode(std::vector<std::uint8_t> bytes) { return DecodePortInstruction(bytes.data(), bytes.size()); }

TEST(PortInstructionDecoder, AnswersEveryByteAndDwordForm) {
  struct Form {
    std::vector<std::uint8_t> bytes;
    PortDirection direction;
    int width;
    bool inDx;
    int length;
    const char* text;
  };
  const Form forms[] = {
      {{0xE4, 0x2F}, PortDirection::In, 1, false, 2, "in al,0x2F"},
      {{0xE5, 0x80}, PortDirection::In, 4, false, 2, "in eax,0x80"},
      {{0xEC}, PortDirection::In, 1, true, 1, "in al,dx"},
      {{0xED}, PortDirection::In, 4, true, 1, "in eax,dx"},
      {{0xE6, 0x2E}, PortDirection::Out, 1, false, 2, "out 0x2E,al"},
      {{0xE7, 0x4E}, PortDirection::Out, 4, false, 2, "out 0x4E,eax"},
      {{0xEE}, PortDirection::Out, 1, true, 1, "out dx,al"},
      {{0xEF}, PortDirection::Out, 4, true, 1, "out dx,eax"},
  };
  for (const Form& form : forms) {
    // Whatever follows the instruction is not part of it.
    std::vector<std::uint8_t> bytes = form.bytes;
    bytes.insert(bytes.end(), {0x90, 0xC3});
    const Decoded d = Decode(bytes);
    ASSERT_TRUE(d.ok) << form.text << ": " << d.refusal;
    EXPECT_EQ(d.instruction.direction, form.direction) << form.text;
    EXPECT_EQ(d.instruction.width, form.width) << form.text;
    EXPECT_EQ(d.instruction.portInDx, form.inDx) << form.text;
    EXPECT_EQ(d.instruction.length, form.length) << form.text;
    if (!form.inDx) {
      EXPECT_EQ(d.instruction.immediatePort, form.bytes[1]) << form.text;
    }
    EXPECT_EQ(Describe(d.instruction), form.text);
  }
}

TEST(PortInstructionDecoder, RefusesWordFormsOtherInstructionsAndShortInput) {
  for (std::uint8_t op : {0xE4, 0xE5, 0xE6, 0xE7, 0xEC, 0xED, 0xEE, 0xEF}) {
    const Decoded d = Decode({0x66, op, 0x2E});
    EXPECT_FALSE(d.ok);
    EXPECT_THAT(d.refusal, HasSubstr("16-bit port access")) << int(op);
    EXPECT_THAT(d.refusal, HasSubstr("66 ")) << "the refusal names the bytes";
  }
  for (std::uint8_t op : {0x6C, 0x6D, 0x6E, 0x6F}) EXPECT_THAT(Decode({op}).refusal, HasSubstr("string port"));
  // cli, hlt, a rep prefix, a two-byte opcode, the operand-size prefix alone.
  for (const auto& bytes : std::vector<std::vector<std::uint8_t>>{{0xFA}, {0xF4}, {0xF3, 0xEC}, {0x0F, 0x20}, {0x66, 0x90}}) {
    const Decoded d = Decode(bytes);
    EXPECT_FALSE(d.ok);
    EXPECT_FALSE(d.refusal.empty());
  }
  EXPECT_THAT(Decode({0xE4}).refusal, HasSubstr("immediate port byte is not readable"));
  EXPECT_THAT(DecodePortInstruction(nullptr, 0).refusal, HasSubstr("(none readable)"));
}

TEST(PortInstructionDecoder, EveryTwoBytePrefixDecodesWithinWhatIsReadable) {
  for (int a = 0; a < 256; ++a) {
    for (int b = 0; b < 256; ++b) {
      const std::uint8_t bytes[2] = {static_cast<std::uint8_t>(a), static_cast<std::uint8_t>(b)};
      for (std::size_t available = 0; available <= 2; ++available) {
        const Decoded d = DecodePortInstruction(bytes, available);
        if (!d.ok) {
          EXPECT_FALSE(d.refusal.empty());
          continue;
        }
        EXPECT_LE(static_cast<std::size_t>(d.instruction.length), available);
        EXPECT_TRUE((a >= 0xE4 && a <= 0xE7) || (a >= 0xEC && a <= 0xEF)) << a;
      }
    }
  }
}

// A board with a Super I/O chip at 0x2E and one PCI function.
constexpr char kBoard[] =
    "[PCI]\n00:1F.0=8086:27B8 1458:5001 01\n"
    "[SuperIO.2E]\nEntry=87 87\nExit=AA\nRegisters=20:52 21:41\n";

struct Bench {
  std::unique_ptr<sim::Board> board = detect_test::BoardFrom(kBoard);
  SimulatedBoardHardware hardware{*board};
  CountingHardware counting{hardware};
  PortRegisters regs;

  void Run(std::vector<std::uint8_t> bytes) {
    const Decoded d = Decode(bytes);
    ASSERT_TRUE(d.ok) << d.refusal;
    ExecutePortInstruction(d.instruction, regs, counting);
  }
  void OutByte(std::uint16_t port, std::uint8_t value) {
    regs.edx = port;
    regs.eax = value;
    Run({0xEE});
  }
};

TEST(PortInstructionAnswers, SuperIoEntryRegisterReadAndExitThroughEveryByteForm) {
  Bench b;
  b.OutByte(0x2E, 0x87);
  b.regs.eax = 0x87;
  b.Run({0xE6, 0x2E});  // the second key byte through the immediate form
  b.regs.eax = 0x20;
  b.Run({0xE6, 0x2E});
  b.regs.eax = 0x12345600;
  b.Run({0xE4, 0x2F});
  EXPECT_EQ(b.regs.eax, 0x12345652u) << "a byte read replaces al only";
  b.OutByte(0x2E, 0x21);
  b.regs.edx = 0x002F;
  b.Run({0xEC});
  EXPECT_EQ(b.regs.eax & 0xFF, 0x41u);
  b.OutByte(0x2E, 0xAA);
  b.regs.edx = 0xFFFF002F;  // only dx addresses the port
  b.Run({0xEC});
  EXPECT_EQ(b.regs.eax & 0xFF, 0xFFu) << "after the exit key the chip no longer answers";
  const HardwareCounts& c = b.counting.Counts();
  EXPECT_EQ(c.writeByte, 5u);
  EXPECT_EQ(c.readByte, 3u);
  EXPECT_EQ(c.readDword + c.writeDword + c.map + c.unmap, 0u);
}

TEST(PortInstructionAnswers, PciAddressAndDataPairsThroughTheDwordForms) {
  Bench b;
  b.regs.edx = 0xCF8;
  b.regs.eax = 0x8000F800;  // bus 0, device 0x1F, function 0
  b.Run({0xEF});
  b.regs.eax = 0;
  b.Run({0xED});
  EXPECT_EQ(b.regs.eax, 0x8000F800u) << "the address latch reads back";
  b.regs.edx = 0xCFC;
  b.Run({0xED});
  EXPECT_EQ(b.regs.eax, 0x27B88086u);
  b.regs.edx = 0xCF8;
  b.regs.eax = 0x8000F000;  // no function there
  b.Run({0xEF});
  b.regs.edx = 0xCFC;
  b.Run({0xED});
  EXPECT_EQ(b.regs.eax, 0xFFFFFFFFu);
  // An immediate port is a byte: a dword form there reaches an empty port.
  b.Run({0xE5, 0x80});
  EXPECT_EQ(b.regs.eax, 0xFFFFFFFFu);
  b.Run({0xE7, 0x80});
  const HardwareCounts& c = b.counting.Counts();
  EXPECT_EQ(c.writeDword, 3u);
  EXPECT_EQ(c.readDword, 4u);
  EXPECT_EQ(c.readByte + c.writeByte, 0u);
}

// The wizard's 9x port operations as the compiler emits them (an immediate
// port below 0x100, dx otherwise), decoded and answered by the harness's code.
class AsInstructions final : public Hardware {
 public:
  explicit AsInstructions(Hardware& inner) : inner_(inner) {}
  std::uint8_t ReadPortByte(std::uint16_t port) override { return static_cast<std::uint8_t>(Run(0xE4, port, 0)); }
  bool WritePortByte(std::uint16_t port, std::uint8_t value) override { return Run(0xE6, port, value), true; }
  std::uint32_t ReadPortDword(std::uint16_t port) override { return Run(0xE5, port, 0xDEADBEEF); }
  bool WritePortDword(std::uint16_t port, std::uint32_t value) override { return Run(0xE7, port, value), true; }
  const void* MapPhysicalMemory(std::uint32_t, std::uint32_t, std::uint32_t&) override {
    ADD_FAILURE() << "the 9x path maps no physical memory";
    return nullptr;
  }
  bool UnmapPhysicalMemory(std::uint32_t, const void*) override { return false; }
  bool ReadFirmwareDirectly(std::uint8_t* image, std::uint32_t size) override {
    return inner_.ReadFirmwareDirectly(image, size);
  }

 private:
  std::uint32_t Run(std::uint8_t immediateOpcode, std::uint16_t port, std::uint32_t eax) {
    std::vector<std::uint8_t> bytes;
    if (port < 0x100) bytes = {immediateOpcode, static_cast<std::uint8_t>(port)};
    else bytes = {static_cast<std::uint8_t>(immediateOpcode | 0x08)};
    const Decoded d = Decode(bytes);
    EXPECT_TRUE(d.ok) << d.refusal;
    PortRegisters regs{eax, 0xABCD0000u | port};
    if (d.ok) ExecutePortInstruction(d.instruction, regs, inner_);
    return regs.eax;
  }
  Hardware& inner_;
};

std::string ReadFile(const std::string& path) {
  const auto text = ReadRegularFile(path);
  EXPECT_TRUE(text) << path;
  return text.value_or("");
}

// Detection under Windows 98 on a demo board: the catalogue and the request
// counts, directly through the board or as decoded instructions.
struct Detection {
  std::string catalogue;
  HardwareCounts counts;
};

Detection Detect(const std::string& boardName, bool asInstructions) {
  std::string error;
  auto board = LoadBoardFile(std::string(DRIVORA_SOURCE_DIR) + "/demo/boards/" + boardName + ".board", error);
  EXPECT_TRUE(board) << error;
  if (!board) return {};
  SimulatedBoardHardware hardware(*board);
  CountingHardware counting(hardware);
  AsInstructions instructions(counting);
  test::TestSystem system("98");
  for (int i = 0; i < board->enumKeyCount; ++i) system.registry.CreateKey(std::string("Enum\\") + board->enumKeys[i]);
  NoHardwareLocks locks;
  system.app.Sys.Io = asInstructions ? static_cast<Hardware*>(&instructions) : &counting;
  system.app.Sys.Locks = &locks;
  system.app.Config = test::ConfigFrom(ReadFile(std::string(DRIVORA_SOURCE_DIR) + "/demo/disc/Setup.ini"));
  EXPECT_TRUE(IdentifyWindows(system.app));
  EXPECT_TRUE(BuildCatalogue(system.app));
  Detection result;
  for (const InstallEntry& entry : system.app.Catalogue.Entries) result.catalogue += entry.key + "\t" + entry.value + "\n";
  result.counts = counting.Counts();
  return result;
}

TEST(PortInstructionAnswers, WholeDetectionAsInstructionsEqualsTheInProcessSimulation) {
  for (const char* board : {"g41-w83627", "p45-f71882-4e"}) {
    const Detection direct = Detect(board, false);
    const Detection decoded = Detect(board, true);
    EXPECT_EQ(decoded.catalogue, direct.catalogue) << board;
    EXPECT_EQ(decoded.catalogue, ReadFile(std::string(DRIVORA_SOURCE_DIR) + "/tests/expected/" + board + "--98.tsv"))
        << board << ": the reviewed Windows 98 catalogue";
    EXPECT_EQ(FormatPortTraffic(decoded.counts), FormatPortTraffic(direct.counts)) << board;
    EXPECT_GT(direct.counts.readDword, 33000u) << board << ": the PCI scan ran";
    EXPECT_GT(direct.counts.writeByte, 0u) << board << ": the Super I/O probes ran";
    EXPECT_EQ(direct.counts.map + direct.counts.unmap, 0u) << board << ": the 9x path maps nothing";
  }
}

TEST(PortTrafficReport, UsesTheLinesOfTheToolsCountReport) {
  HardwareCounts counts;
  counts.readByte = 1;
  counts.writeByte = 22;
  counts.readDword = 333;
  counts.writeDword = 4444;
  counts.map = 5;
  EXPECT_EQ(FormatPortTraffic(counts),
            "port byte reads 1\nport byte writes 22\nport dword reads 333\nport dword writes 4444\n");
}

}  // namespace
}  // namespace drivora::ninex
