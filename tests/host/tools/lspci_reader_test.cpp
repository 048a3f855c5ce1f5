// Reading lspci's text: the fixtures of several desktop board classes field by
// field, the forms meeting (text and hex dump of one function, one location
// given twice), what is passed over or left out, and the refusals.
#include <gtest/gtest.h>

#include <cctype>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "tools/drivora/lspci_reader.h"

namespace drivora::tool {
namespace {

const std::string kCorpus = std::string(DRIVORA_SOURCE_DIR) + "/tests/lspci_corpus/";

std::string Fixture(const std::string& name) {
  std::ifstream file(kCorpus + name, std::ios::binary);
  EXPECT_TRUE(file) << name;
  return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

LspciImport Read(const std::string& text) {
  LspciImport import;
  LspciMessage refusal;
  EXPECT_TRUE(ReadLspciText(text, import, refusal)) << refusal.line << ": " << refusal.text;
  return import;
}

// "00:1f.3 8086:27da 1458:5001 01": location, identification, the dword at 0x2C
// as a pair (vendor half first), revision; what the wizard reads.
std::vector<std::string> Fields(const LspciImport& import) {
  std::vector<std::string> lines;
  for (const LspciFunction& f : import.functions) {
    const auto& c = f.pci.config;
    char line[64];
    std::snprintf(line, sizeof line, "%02x:%02x.%x %04x:%04x %04x:%04x %02x", f.pci.bus, f.pci.device,
                  f.pci.function, c[0] & 0xFFFF, c[0] >> 16, c[11] & 0xFFFF, c[11] >> 16, c[2] & 0xFF);
    lines.push_back(line);
  }
  return lines;
}

std::vector<std::string> Notes(const LspciImport& import) {
  std::vector<std::string> texts;
  for (const LspciMessage& note : import.notes) texts.push_back(note.text);
  return texts;
}

// The text with every line that `drop` selects left out.
template <typename Drop>
std::string Without(const std::string& text, Drop drop) {
  std::string kept;
  std::size_t start = 0;
  while (start < text.size()) {
    const std::size_t end = std::min(text.find('\n', start), text.size());
    const std::string line = text.substr(start, end - start);
    if (!drop(line)) kept += line + "\n";
    start = end + 1;
  }
  return kept;
}

bool IsDumpLine(const std::string& line) { return line.size() > 3 && line[2] == ':' && line[3] == ' '; }

TEST(LspciFixtures, IntelG41TakesEachBridgesPrefetchableWindowNotItsSubsystemLine) {
  const LspciImport import = Read(Fixture("intel-g41-ich7-nnvv.txt"));
  EXPECT_EQ(Fields(import), (std::vector<std::string>{
                                "00:00.0 8086:2e30 1458:5000 03", "00:02.0 8086:2e32 1458:d000 03",
                                "00:02.1 8086:2e33 1458:d000 03", "00:1b.0 8086:27d8 1458:a002 01",
                                "00:1c.0 8086:27d0 0000:0000 01", "00:1c.1 8086:27d2 0000:0000 01",
                                "00:1d.0 8086:27c8 1458:5004 01", "00:1d.7 8086:27cc 1458:5006 01",
                                "00:1e.0 8086:244e 0000:0000 e1", "00:1f.0 8086:27b8 1458:5001 01",
                                "00:1f.1 8086:27df 1458:b002 01", "00:1f.2 8086:27c0 1458:b002 01",
                                "00:1f.3 8086:27da 1458:5001 01", "02:00.0 10ec:8168 1458:e000 02"}));
  for (const LspciFunction& f : import.functions) EXPECT_EQ(f.headerBytes, 0);
  // 00:1c.1 shows a 64-bit window below 4 GiB, 00:1e.0 a disabled 32-bit one:
  // both tell. The disabled 64-bit window of 00:1c.0 does not.
  ASSERT_EQ(import.notes.size(), 1u);
  EXPECT_EQ(import.notes[0].line, 51);
  EXPECT_TRUE(import.notes[0].text.starts_with("00:1c.0: a bridge whose prefetchable window is disabled"))
      << import.notes[0].text;
}

TEST(LspciFixtures, AmdB450WithoutRevisionsOrSubsystemLines) {
  const LspciImport import = Read(Fixture("amd-b450-nnv.txt"));
  EXPECT_EQ(Fields(import), (std::vector<std::string>{
                                "00:00.0 1022:1450 1022:1450 00", "00:00.2 1022:1451 1022:1451 00",
                                "00:01.0 1022:1452 0000:0000 00", "00:01.1 1022:1453 0000:0000 00",
                                "00:01.3 1022:1453 0000:0000 00", "00:03.1 1022:1453 0000:0000 00",
                                "00:14.0 1022:790b 1462:7b86 59", "00:14.3 1022:790e 1462:7b86 51",
                                "00:18.0 1022:1460 0000:0000 00", "01:00.0 144d:a808 144d:a801 00",
                                "03:00.0 1022:43d5 1b21:1142 01", "03:00.1 1022:43c8 1b21:1062 01",
                                "03:00.2 1022:43c6 0000:0000 01", "20:01.0 1022:43c7 0000:0000 01",
                                "25:00.0 10ec:8168 1462:7b86 15", "2b:00.0 1002:67df 1da2:e387 e7",
                                "2b:00.1 1002:aaf0 1da2:aaf0 00"}));
  ASSERT_EQ(import.notes.size(), 1u);
  EXPECT_TRUE(import.notes[0].text.starts_with("00:01.1: a bridge whose prefetchable window is disabled"));
}

TEST(LspciFixtures, NvidiaMcp55WithDomainsAndNoDetailLinesSaysWhatItCannotTell) {
  const LspciImport import = Read(Fixture("nvidia-mcp55-dnn.txt"));
  const std::vector<std::string> fields = Fields(import);
  ASSERT_EQ(fields.size(), 18u);
  EXPECT_EQ(fields[0], "00:00.0 10de:0369 0000:0000 a2");
  EXPECT_EQ(fields[9], "00:06.1 10de:0371 0000:0000 a2");
  EXPECT_EQ(fields[12], "00:18.0 1022:1100 0000:0000 00");
  EXPECT_EQ(fields[16], "01:00.0 10de:0611 0000:0000 a2");
  EXPECT_EQ(fields[17], "02:07.0 104c:8023 0000:0000 00");
  const std::vector<std::string> notes = Notes(import);
  ASSERT_EQ(notes.size(), 2u);
  EXPECT_TRUE(notes[0].starts_with("00:00.0, 00:01.0, 00:01.1, ")) << notes[0];
  EXPECT_NE(notes[0].find("02:07.0: no detail lines (lspci without -v)"), std::string::npos) << notes[0];
  EXPECT_TRUE(notes[1].starts_with("00:06.0, 00:0f.0: a bridge shown without its windows")) << notes[1];
  EXPECT_EQ(import.notes[1].line, 0);
}

// The card's window runs from 3_f0000000 to 4_01ffffff: the header holds 3 at
// 0x28 and 4 at 0x2C, and the wizard reads the 4.
TEST(LspciFixtures, BridgeWithA64BitWindowGivesTheSameFieldsFromTextAndFromBytes) {
  const std::string text = Fixture("intel-h97-graphics-card-nnvvxxx.txt");
  const std::vector<std::string> expected = {"00:01.0 8086:0c01 0004:0000 06", "01:00.0 10de:1c82 1458:3765 a1",
                                             "01:00.1 10de:0fb9 1458:3765 a1"};
  const LspciImport both = Read(text);
  EXPECT_EQ(Fields(both), expected);
  EXPECT_TRUE(both.notes.empty());
  ASSERT_EQ(both.functions.size(), 3u);
  EXPECT_EQ(both.functions[0].headerBytes, 256);
  EXPECT_EQ(both.functions[0].pci.config[0x28 / 4], 3u);
  EXPECT_EQ(both.functions[0].pci.config[0x24 / 4], 0x01F1F001u);

  const LspciImport textOnly = Read(Without(text, IsDumpLine));
  EXPECT_EQ(Fields(textOnly), expected);
  EXPECT_EQ(textOnly.functions[0].headerBytes, 0);
  EXPECT_TRUE(textOnly.notes.empty());

  const LspciImport bytesOnly = Read(Without(text, [](const std::string& line) { return line.starts_with("\t"); }));
  EXPECT_EQ(Fields(bytesOnly), expected);
}

TEST(LspciFixtures, ViaK8t800From64ByteDumps) {
  const LspciImport import = Read(Fixture("via-k8t800-agp-nnx.txt"));
  EXPECT_EQ(Fields(import), (std::vector<std::string>{
                                "00:00.0 1106:0282 1043:80a3 00", "00:01.0 1106:b188 0000:0000 00",
                                "00:0f.0 1106:3149 1043:80ed 80", "00:0f.1 1106:0571 1043:80ed 06",
                                "00:10.0 1106:3038 1043:80ed 81", "00:11.0 1106:3227 1043:80ed 00",
                                "00:11.5 1106:3059 1043:80b0 60", "00:12.0 1106:3065 1043:80ed 78",
                                "01:00.0 10de:0141 1682:2119 a2"}));
  for (const LspciFunction& f : import.functions) {
    EXPECT_EQ(f.headerBytes, 64);
    EXPECT_EQ(f.pci.config[0x40 / 4], 0u);
  }
  EXPECT_TRUE(import.notes.empty());
}

// lspci -xxxx: the whole 4096-byte space; the board takes the first 256.
TEST(LspciForms, ExtendedDumpKeepsTheFirst256Bytes) {
  std::string text = "00:1f.3 SMBus: Intel Corporation Device\n";
  for (unsigned offset = 0; offset < 4096; offset += 16) {
    char row[80];
    const unsigned first = offset == 0 ? 0x86 : offset == 0x20 ? 0 : offset & 0xFF;
    std::snprintf(row, sizeof row, "%02x: %02x 80 a3 a2 00 00 00 00 %02x 00 05 0c 00 00 00 00\n", offset, first,
                  offset == 0 ? 0x31 : 0);
    text += row;
  }
  const LspciImport import = Read(text);
  ASSERT_EQ(import.functions.size(), 1u);
  EXPECT_EQ(import.functions[0].headerBytes, 256);
  EXPECT_EQ(Fields(import), std::vector<std::string>{"00:1f.3 8086:a2a3 0000:0000 31"});
  EXPECT_EQ(import.functions[0].pci.config[63], 0u);
  EXPECT_EQ(import.functions[0].pci.config[60], 0xA2A380F0u);
}

TEST(LspciForms, NumericFormsLineEndingsAndIndentationAreRead) {
  const LspciImport import = Read(
      "\xEF\xBB\xBF"
      "00:1f.3 0403: 8086:a170 (rev 31)\r\n"
      "\tSubsystem: 1458:a182\r\n"
      "\r\n"
      "00:1f.4 SMBus [0c05]: Intel Corporation 200 Series/Z370 Chipset Family SMBus Controller [8086:a2a3]\n"
      "        Subsystem: Gigabyte Technology Co., Ltd Device [1458:5001]\n");
  EXPECT_EQ(Fields(import), (std::vector<std::string>{"00:1f.3 8086:a170 1458:a182 31", "00:1f.4 8086:a2a3 1458:5001 00"}));
  EXPECT_TRUE(import.notes.empty());
}

// Other lines are passed over; a line lspci did not print ends the function
// before it, so that what follows it is not taken for that function's.
TEST(LspciForms, ForeignLinesArePassedOverAndEndAFunction) {
  const LspciImport import = Read(
      "$ sudo lspci -nnvv\n"
      "lspci: Unable to load libkmod resources: error -2\n"
      "00:02.0 VGA compatible controller [0300]: Intel Corporation HD Graphics 630 [8086:5912] (rev 04)\n"
      "\tDeviceName:  Onboard IGD\n"
      "pasted from elsewhere\n"
      "\tSubsystem: ASUSTeK Computer Inc. Device [1043:8694]\n"
      "-[0000:00]-+-00.0  Intel Corporation Xeon E3-1200 v6/7th Gen Core Processor Host Bridge/DRAM Registers\n");
  EXPECT_EQ(Fields(import), std::vector<std::string>{"00:02.0 8086:5912 0000:0000 04"});
}

TEST(LspciForms, HeaderTypeStatementsAndCardBusBridges) {
  const LspciImport import = Read(
      "00:1e.0 PCI bridge [0604]: Intel Corporation 82801 PCI Bridge [8086:244e] (rev 92)\n"
      "\t!!! Invalid class 0604 for header type 00\n"
      "\tSubsystem: Intel Corporation Device [8086:5044]\n"
      "\n"
      "02:01.0 CardBus bridge [0607]: Texas Instruments PCI1420 PC card Cardbus Controller [104c:ac51]\n"
      "\tSubsystem: Dell Device [1028:00b1]\n"
      "\tMemory window 0: 20000000-23fff000 (prefetchable)\n"
      "\n"
      "03:00.0 Non-VGA unclassified device [0000]: Broken Corporation Device [1234:5678]\n"
      "\t!!! Unknown header type 7f\n");
  EXPECT_EQ(Fields(import), (std::vector<std::string>{"00:1e.0 8086:244e 8086:5044 92", "02:01.0 104c:ac51 0000:0000 00",
                                                      "03:00.0 1234:5678 0000:0000 00"}));
  const std::vector<std::string> notes = Notes(import);
  ASSERT_EQ(notes.size(), 2u);
  EXPECT_TRUE(notes[0].starts_with("02:01.0: a CardBus bridge")) << notes[0];
  EXPECT_TRUE(notes[1].starts_with("03:00.0: header type 7f")) << notes[1];
}

TEST(LspciForms, OtherDomainsAndAbsentFunctionsAreLeftOutWhileHighBusesStay) {
  const LspciImport import = Read(
      "0000:00:00.0 Host bridge [0600]: Intel Corporation Device [8086:3e30] (rev 0d)\n"
      "0000:81:00.0 Ethernet controller [0200]: Intel Corporation I350 Gigabit Network Connection [8086:1521] (rev 01)\n"
      "0000:82:00.0 Non-Essential Instrumentation [1300]: Intel Corporation Device [ffff:ffff] (rev ff)\n"
      "10000:e0:06.0 PCI bridge [0604]: Intel Corporation Device [8086:464d] (rev 05)\n"
      "10000:e1:00.0 Non-Volatile memory controller [0108]: Device [1e0f:0009] (rev 01)\n");
  EXPECT_EQ(Fields(import), (std::vector<std::string>{"00:00.0 8086:3e30 0000:0000 0d", "81:00.0 8086:1521 0000:0000 01"}));
  const std::vector<std::string> notes = Notes(import);
  ASSERT_EQ(notes.size(), 3u);
  EXPECT_EQ(notes[0], "82:00.0 reads ffff:ffff, as no function does: the wizard passes it over");
  EXPECT_EQ(notes[1], "2 functions of PCI domain 10000 left out: the wizard reaches domain 0000 only");
}

// lspci -nn and lspci -nnvv in one file, then lspci -xxx after them.
TEST(LspciForms, OneFunctionGivenSeveralTimesIsTakenFromItsBestAccount) {
  const std::string terse = "00:1f.3 Audio device [0403]: Intel Corporation Device [8086:a170] (rev 31)\n";
  const std::string verbose = terse + "\tSubsystem: Gigabyte Technology Co., Ltd Device [1458:a182]\n\n";
  const std::string dump =
      "00:1f.3 Audio device: Intel Corporation Device\n"
      "00: 86 80 70 a1 06 04 10 00 31 00 03 04 10 20 00 00\n"
      "10: 04 00 31 f7 00 00 00 00 00 00 00 00 00 00 00 00\n"
      "20: 04 00 00 f7 00 00 00 00 00 00 00 00 58 14 83 a1\n"
      "30: 00 00 00 00 50 00 00 00 00 00 00 00 ff 01 00 00\n";
  const LspciImport textTwice = Read(terse + verbose);
  EXPECT_EQ(Fields(textTwice), std::vector<std::string>{"00:1f.3 8086:a170 1458:a182 31"});
  EXPECT_TRUE(textTwice.notes.empty());

  // The dump says a183 where the text said a182: the header's bytes are what the wizard reads.
  const LspciImport withDump = Read(terse + verbose + dump);
  EXPECT_EQ(Fields(withDump), std::vector<std::string>{"00:1f.3 8086:a170 1458:a183 31"});
  EXPECT_EQ(withDump.functions[0].headerBytes, 64);
  ASSERT_EQ(withDump.notes.size(), 1u);
  EXPECT_EQ(withDump.notes[0].line, 2);
  EXPECT_NE(withDump.notes[0].text.find("the dump's bytes are taken"), std::string::npos);
}

struct Refusal {
  const char* why;
  std::string text;
  int line;
  const char* message;  // the refusal's text begins so
};

void PrintTo(const Refusal& refusal, std::ostream* out) { *out << refusal.why; }

class LspciRefusal : public testing::TestWithParam<Refusal> {};

TEST_P(LspciRefusal, IsClearAndLeavesNothing) {
  LspciImport import;
  import.notes.push_back({1, "left from before"});
  LspciMessage refusal;
  EXPECT_FALSE(ReadLspciText(GetParam().text, import, refusal));
  EXPECT_EQ(refusal.line, GetParam().line);
  EXPECT_TRUE(refusal.text.starts_with(GetParam().message)) << refusal.text;
  EXPECT_TRUE(import.functions.empty());
  EXPECT_TRUE(import.notes.empty());
}

const std::string kAudio = "00:1f.3 Audio device [0403]: Intel Corporation Device [8086:a170] (rev 31)\n";
const std::string kDumpRow0 = "00: 86 80 70 a1 06 04 10 00 31 00 03 04 10 20 00 00\n";
const std::string kDumpRows1to3 =
    "10: 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00\n"
    "20: 00 00 00 00 00 00 00 00 00 00 00 00 58 14 82 a1\n"
    "30: 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00\n";

INSTANTIATE_TEST_SUITE_P(
    Texts, LspciRefusal,
    testing::Values(
        Refusal{"empty", "", 0, "no PCI function: expected the output of lspci -nn"},
        Refusal{"prose", "This is not lspci's output.\n\tNor is this.\n", 0, "no PCI function: expected"},
        Refusal{"names only", "00:1f.3 Audio device: Intel Corporation Device\n", 0, "no PCI function with numbers"},
        Refusal{"another domain only", "0001:00:00.0 Host bridge [0600]: Intel Corporation Device [8086:3e30]\n", 0,
                "no PCI function of domain 0000"},
        Refusal{"identifications differ", kAudio + "00:1f.3 Audio device [0403]: Intel Corporation Device [8086:a171]\n",
                2, "00:1f.3 appears twice with different identifications: 8086:a170 on line 1, 8086:a171 here"},
        Refusal{"revisions differ", kAudio + "00:1f.3 Audio device [0403]: Intel Corporation Device [8086:a170] (rev 32)\n",
                2, "00:1f.3 appears twice with different revisions: 31 on line 1, 32 here"},
        Refusal{"subsystems differ",
                kAudio + "\tSubsystem: Device [1458:a182]\n" + kAudio + "\tSubsystem: Device [1458:a183]\n", 3,
                "00:1f.3 appears twice with different subsystems: 1458:a182 on line 1, 1458:a183 here"},
        Refusal{"the dump names another function",
                "00:1f.3 Audio device [0403]: Intel Corporation Device [8086:a171]\n" + kDumpRow0 + kDumpRows1to3, 2,
                "00:1f.3 appears twice with different identifications: 8086:a171 on line 1, 8086:a170 here"},
        Refusal{"dump out of order", kAudio + kDumpRow0 + "20: 00 00 00 00 00 00 00 00 00 00 00 00 58 14 82 a1\n", 3,
                "the hex dump of 00:1f.3 goes on at 20 where 10 comes next"},
        Refusal{"dump cut short", kAudio + kDumpRow0 + "10: 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00\n", 2,
                "the hex dump ends after 32 bytes"},
        Refusal{"second dump", kAudio + kDumpRow0 + kDumpRows1to3 + kDumpRow0, 6, "a second hex dump of 00:1f.3"},
        Refusal{"dump without a function", kDumpRow0 + kDumpRows1to3, 1,
                "a hex dump line without a function line before it"},
        Refusal{"two dumps differ", kAudio + kDumpRow0 + kDumpRows1to3 + "\n" + kAudio +
                                        "00: 86 80 70 a1 06 04 10 00 32 00 03 04 10 20 00 00\n" + kDumpRows1to3,
                8, "00:1f.3 appears twice with different revisions: 31 on line 2, 32 here"}),
    [](const testing::TestParamInfo<Refusal>& param) {
      std::string name;
      for (char c : std::string(param.param.why)) name += std::isalnum(static_cast<unsigned char>(c)) ? c : '_';
      return name;
    });

}  // namespace
}  // namespace drivora::tool
