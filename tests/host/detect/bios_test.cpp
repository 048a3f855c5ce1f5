// The BIOS pass: the firmware image read through the Hardware seam, the record
// of identification text and marker tags built from it, the model taken from
// the identification, and the sections all of these apply.
#include "detect/bios.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstring>
#include <set>
#include <string>
#include <vector>

#include "app/os_class.h"
#include "detect/hardware.h"
#include "detect/pci_scan.h"
#include "tests/host/detect/detect_support.h"

namespace drivora {
namespace {

using ::testing::ElementsAre;
using ::testing::ElementsAreArray;
using detect_test::DetectBench;
using detect_test::Event;
using detect_test::ImageSource;
using Applied = detect_test::RecordingObserver::Applied;

constexpr std::size_t kIdOffset = 0xE0C1;

struct Image {
  std::vector<std::uint8_t> bytes = std::vector<std::uint8_t>(kFirmwareSize, 0);
  Image& Put(std::size_t offset, std::string_view text) {
    std::memcpy(bytes.data() + offset, text.data(), text.size());
    return *this;
  }
  std::string Record() const { return BuildBiosRecord(bytes.data(), bytes.size()); }
};

// The record as it reads: fields joined, each followed by 0x01.
std::string Fields(std::initializer_list<std::string_view> fields) {
  std::string record;
  for (std::string_view f : fields) (record += f) += '\x01';
  return record;
}

using namespace std::string_view_literals;

TEST(BuildBiosRecord, IdentificationThenEveryTag) {
  Image image;
  image.Put(kIdOffset, "AB12 V1.0 03-15-2011"sv).Put(0x100, "DRIVORA X1 "sv).Put(0x4000, "DRIVORA Y2\0"sv);
  const std::string expected = "AB12 V1.0 03-15-2011\x01X1\x01Y2\x01";
  EXPECT_EQ(image.Record(), expected);
}

TEST(BuildBiosRecord, MarkerSearch) {
  const struct {
    const char* name;
    std::string_view bytes;  // at offset 0x100 of an otherwise empty image
    std::string record;
  } rows[] = {
      {"tag ends at a space", "DRIVORA X1 rest"sv, Fields({"", "X1"})},
      {"tag ends at a zero", "DRIVORA Y2\0rest"sv, Fields({"", "Y2"})},
      {"marker and a zero: empty tag", "DRIVORA \0"sv, Fields({"", ""})},
      {"marker and a space: empty tag", "DRIVORA  X"sv, Fields({"", ""})},
      {"a match broken by the marker's first byte", "DRIVORDRIVORA X"sv, Fields({"", "X"})},
      {"broken at the second byte", "DDRIVORA X"sv, Fields({"", "X"})},
      {"broken where the space belongs", "DRIVORADRIVORA X"sv, Fields({"", "X"})},
      {"the marker is upper case", "drivora X\0Drivora Y"sv, Fields({""})},
      {"the marker ends with a space, not a zero or tab", "DRIVORA\0X DRIVORA\tY"sv, Fields({""})},
      {"only a zero or a space ends a tag", "DRIVORA A\tB\xff" "C D"sv, Fields({"", "A\tB\xff" "C"})},
      {"a marker inside a tag is part of it", "DRIVORA ADRIVORA B"sv, Fields({"", "ADRIVORA"})},
      {"a tag that reads as the marker word", "DRIVORA DRIVORA X"sv, Fields({"", "DRIVORA"})},
      {"tags in image order, duplicates included", "DRIVORA A\0DRIVORA B\0DRIVORA A\0"sv,
       Fields({"", "A", "B", "A"})},
      {"adjacent tags", "DRIVORA A DRIVORA B"sv, Fields({"", "A", "B"})},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    Image image;
    image.Put(0x100, row.bytes);
    EXPECT_EQ(image.Record(), row.record);
  }
}

TEST(BuildBiosRecord, TagsAnywhereInTheImageInTheirOrder) {
  Image image;
  image.Put(0x0000, "DRIVORA FIRST\0"sv)
      .Put(kIdOffset, "MODEL DRIVORA INSIDE\0"sv)
      .Put(0xF000, "DRIVORA LATE\0"sv)
      .Put(0x8000, "DRIVORA MIDDLE\0"sv);
  EXPECT_EQ(image.Record(), Fields({"MODEL DRIVORA INSIDE", "FIRST", "MIDDLE", "INSIDE", "LATE"}));
}

TEST(BuildBiosRecord, TheEndOfTheImage) {
  const std::size_t end = kFirmwareSize;
  const struct {
    const char* name;
    std::string_view bytes;  // the last bytes of the image
    std::string record;
  } rows[] = {
      {"a tag running to the end", "DRIVORA XYZ"sv, Fields({"", "XYZ"})},
      {"a marker in the last eight bytes", "DRIVORA "sv, Fields({"", ""})},
      {"a marker cut off by the end", "DRIVORA"sv, Fields({""})},
      {"a first byte at the very end", "D"sv, Fields({""})},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    Image image;
    image.Put(end - row.bytes.size(), row.bytes);
    EXPECT_EQ(image.Record(), row.record);
  }
}

TEST(BuildBiosRecord, IdentificationTextLimits) {
  const struct {
    const char* name;
    std::size_t length;  // of the identification text
    std::size_t kept;
  } rows[] = {
      {"empty", 0, 0},
      {"fits", 1022, 1022},
      {"one over", 1023, 1022},
      {"far over", 5000, 1022},
      // No zero before the end of the image.
      {"to the end of the image", kFirmwareSize - kIdOffset, 1022},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    Image image;
    image.Put(kIdOffset, std::string(row.length, 'I')).Put(0x100, "DRIVORA T\0"sv);
    const std::string record = image.Record();
    EXPECT_EQ(record.substr(0, record.find('\x01')), std::string(row.kept, 'I'));
    EXPECT_LE(record.size(), kBiosRecordBytes - 1);
    // A tag still comes in while it fits.
    EXPECT_EQ(record.ends_with("\x01T\x01"), row.kept + 1 + 2 <= kBiosRecordBytes - 1);
  }
}

TEST(BuildBiosRecord, ATagThatDoesNotFitIsLeftOut) {
  const std::string id(1000, 'I');
  const struct {
    const char* name;
    std::vector<std::string> tags;
    std::string record;
  } rows[] = {
      // 1000 + 1 + 21 + 1 = 1023 characters: just fits.
      {"fits exactly", {std::string(21, 'A')}, id + Fields({"", std::string(21, 'A')})},
      {"one too long", {std::string(22, 'A')}, id + Fields({""})},
      // Only the tag that does not fit is left out; later ones may still fit.
      {"a later, shorter tag", {std::string(22, 'A'), "B"}, id + Fields({"", "B"})},
      {"room for one of two", {std::string(11, 'A'), std::string(11, 'B')}, id + Fields({"", std::string(11, 'A')})},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    Image image;
    image.Put(kIdOffset, id);
    std::size_t at = 0x100;
    for (const auto& tag : row.tags) {
      image.Put(at, "DRIVORA " + tag);
      at += 8 + tag.size() + 1;
    }
    EXPECT_EQ(image.Record(), row.record);
  }
}

TEST(BuildBiosRecord, ManyTagsStopAtTheRecordSize) {
  Image image;
  for (std::size_t i = 0; i < 600; ++i) image.Put(0x10 + i * 11, "DRIVORA AB\0"sv);
  const std::string record = image.Record();
  // One separator, then "AB" and its separator as often as they fit in 1023.
  std::string expected = "\x01";
  while (expected.size() + 3 <= kBiosRecordBytes - 1) expected += "AB\x01";
  EXPECT_EQ(record, expected);
}

TEST(StripBiosDate, Examples) {
  const struct {
    const char* text;
    const char* model;
  } rows[] = {
      {"AB12 V1.0 03-15-2011", "AB12"},
      {"MODEL X 2 03.15.2011 rev", "MODEL X"},
      // Only the blanks right before the date go with it.
      {"AB12  V2 01-02-2011", "AB12 "},
      {"AB12 V2  01-02-2011", "AB12"},
      {"ABCD 03-15-2011", "ABCD"},
      {"X03-15-2011", "X"},
      {" 03-15-2011", ""},
      {"   03-15-2011 tail", ""},
      // The rightmost date decides.
      {"A B 01-01-2000 C 02-02-2001", "A B 01-01-2000"},
      {"A 01-01-2000 B 02-02-2001 C", "A 01-01-2000"},
      // Separators may differ; digits are not range-checked.
      {"AB12 V1 03.15-2011", "AB12"},
      {"AB12 V1 03-15.2011", "AB12"},
      {"AB12 V1 99-99-9999", "AB12"},
      // A date at position 0 stays.
      {"03-15-2011", "03-15-2011"},
      {"03-15-2011 AB12", "03-15-2011 AB12"},
      {"03-15-2011 AB12 V1", "03-15-2011 AB12 V1"},
      // No date at all.
      {"", ""},
      {"AB12 V1.0", "AB12 V1.0"},
      {"AB12 V1 03/15/2011", "AB12 V1 03/15/2011"},
      {"AB12 V1 3-15-2011", "AB12 V1 3-15-2011"},
      {"AB12 V1 03-15-201", "AB12 V1 03-15-201"},
      {"AB12 V1 0a-15-2011", "AB12 V1 0a-15-2011"},
      {"AB12 V1 03-15-20x1", "AB12 V1 03-15-20x1"},
      {"AB12 V1 03_15_2011", "AB12 V1 03_15_2011"},
  };
  for (const auto& row : rows) EXPECT_EQ(StripBiosDate(row.text), row.model) << "'" << row.text << "'";
}

// Board-file text with a firmware section and one PCI function.
std::string FirmwareBoard(const std::string& firmwareLines) {
  return "[PCI]\n00:01.0=1111:0001 0000:0000 00\n[Firmware]\n" + firmwareLines;
}

TEST(ApplyBiosSections, UninstallTakesOutPciAndModelEntriesButNotTagEntries) {
  DetectBench bench(FirmwareBoard("Id=AB12 V1.0 03-15-2011\nTags=T1\n"),
                    "[WINXP.00011111]\n"
                    "LAN.Realtek=pci lan\nVGA.Old=pci vga\nAUDIO.Codec=pci codec\n"
                    "[WINXP.AB12]\n"
                    "AUDIO.Codec=model codec\nUTIL.Tool=model tool\nCHIP.Inf=model inf\n"
                    "[WINXP.AB12.Uninstall]\n"
                    "VGA.Old=x\nUTIL.Tool=x\nEXTRA.Tag=x\n"
                    "[WINXP.T1]\n"
                    "EXTRA.Tag=tag extra\nUTIL.Tool=tag tool\nCHIP.Inf=tag inf\n");
  ScanPciDevices(bench.app);
  bench.observer.applied.clear();
  ApplyBiosSections(bench.app);

  EXPECT_THAT(bench.observer.applied, ElementsAre(Applied{"WINXP.AB12", false}, Applied{"WINXP.AB12.Uninstall", true},
                                                  Applied{"WINXP.T1", false}));
  EXPECT_THAT(bench.observer.removed, ElementsAre("WINXP.AB12.Uninstall: VGA.Old", "WINXP.AB12.Uninstall: UTIL.Tool"));
  // PCI before model before tag; the tag section brings back what the
  // removal took, as it comes after it.
  EXPECT_THAT(test::Keys(bench.app.Catalogue),
              ElementsAre("LAN.Realtek", "AUDIO.Codec", "CHIP.Inf", "EXTRA.Tag", "UTIL.Tool"));
  EXPECT_THAT(test::Values(bench.app.Catalogue),
              ElementsAre("pci lan", "pci codec", "model inf", "tag extra", "tag tool"));
  ASSERT_EQ(bench.observer.models.size(), 1u);
  EXPECT_EQ(bench.observer.models[0].first, "AB12 V1.0 03-15-2011");
  EXPECT_EQ(bench.observer.models[0].second, "AB12");
  EXPECT_THAT(bench.observer.tags, ElementsAre("T1"));
}

TEST(ApplyBiosSections, SectionsAppliedForEachField) {
  const struct {
    const char* name;
    std::string firmware;    // lines of [Firmware]
    std::string_view placed;  // bytes at 0x200 of a loaded image, where a Tags line cannot say it
    std::vector<Applied> applied;
  } rows[] = {
      {"model only", "Id=AB12 V1.0 03-15-2011\n", {}, {{"WINXP.AB12", false}, {"WINXP.AB12.Uninstall", true}}},
      {"no identification: the profile alone", "", {}, {{"WINXP.", false}, {"WINXP..Uninstall", true}}},
      {"an empty tag applies the profile alone once more",
       "Id=AB12 V1.0 03-15-2011\nTags=,X\n",
       {},
       {{"WINXP.AB12", false}, {"WINXP.AB12.Uninstall", true}, {"WINXP.", false}, {"WINXP.X", false}}},
      {"a tag ended by a space, and tags never lose a date",
       "Id=MODEL 01-01-2001\n",
       "DRIVORA A\0DRIVORA B DRIVORA 01-01-2001\0DRIVORA A\0"sv,
       {{"WINXP.MODEL", false}, {"WINXP.MODEL.Uninstall", true}, {"WINXP.A", false}, {"WINXP.B", false},
        {"WINXP.01-01-2001", false}, {"WINXP.A", false}}},
      // Section names hold 255 characters: a name that does not fit is not
      // applied at all, as a cut one could name another section.
      {"a model whose .Uninstall name does not fit", "Id=" + std::string(249, 'M') + "\n", {},
       {{"WINXP." + std::string(249, 'M'), false}}},
      {"a model too long for a section name", "Id=" + std::string(250, 'M') + "\n", {}, {}},
      {"an identification longer than the field buffer", "Id=" + std::string(600, 'M') + "\nTags=T\n", {},
       {{"WINXP.T", false}}},
      {"an identification without a date is used whole",
       "Id=Plain Board\n",
       {},
       {{"WINXP.Plain Board", false}, {"WINXP.Plain Board.Uninstall", true}}},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    ImageSource image;
    std::string firmware = row.firmware;
    if (!row.placed.empty()) {
      image.bytes.assign(kFirmwareSize, 0);
      std::memcpy(image.bytes.data() + 0x200, row.placed.data(), row.placed.size());
      firmware += "Image=image.rom\n";
    }
    DetectBench bench(FirmwareBoard(firmware), "", &image);
    ApplyBiosSections(bench.app);
    EXPECT_THAT(bench.observer.applied, ElementsAreArray(row.applied));
  }
}

TEST(ApplyBiosSections, AnEmptyTagReadsTheProfileSectionItself) {
  DetectBench bench(FirmwareBoard("Id=AB12 V1.0 03-15-2011\nTags=,X\n"),
                    "[WINXP.]\nMISC.Profile=for an empty field\n[WINXP.X]\nMISC.Profile=from X\n");
  ApplyBiosSections(bench.app);
  EXPECT_THAT(test::Values(bench.app.Catalogue), ElementsAre("for an empty field"));
}

// A firmware image whose every byte differs from its neighbours' words.
ImageSource PatternImage() {
  ImageSource image;
  image.bytes.resize(kFirmwareSize);
  for (std::size_t i = 0; i < image.bytes.size(); ++i) image.bytes[i] = static_cast<std::uint8_t>(i * 7 + (i >> 8) + 1);
  return image;
}

TEST(ReadFirmwareImage, PhysicalReadsOnlyOnTheNtClasses) {
  ImageSource source = PatternImage();
  for (std::int32_t osClass : {2, 4, -1, 0, 1, 3, 8}) {
    SCOPED_TRACE(osClass);
    DetectBench bench("[Firmware]\nImage=bios.rom\nId=AB12 V1.0 03-15-2011\n", "", &source);
    bench.app.OsClass = osClass;
    const std::vector<std::uint8_t> image = ReadFirmwareImage(bench.app);
    EXPECT_EQ(image, std::vector<std::uint8_t>(bench.board->firmware, bench.board->firmware + sizeof bench.board->firmware));
    const HardwareCounts& n = bench.counting.Counts();
    if (IsNtFamily(osClass)) {
      EXPECT_EQ(n.map, 16384u);
      EXPECT_EQ(n.unmap, 16384u);
      // Word k from 0xF0000 + 4k, in increasing order, each unmapped at once.
      ASSERT_EQ(bench.log.size(), 2u * 16384);
      for (std::uint32_t k = 0; k < 16384; ++k) {
        ASSERT_EQ(bench.log[2 * k], (Event{Event::Map, 0xF0000 + 4 * k, 4})) << k;
        ASSERT_EQ(bench.log[2 * k + 1].kind, Event::Unmap) << k;
      }
    } else {
      EXPECT_EQ(n.map + n.unmap, 0u);
      EXPECT_THAT(bench.log, ElementsAre(Event{Event::DirectRead, 0, kFirmwareSize}));
    }
    EXPECT_EQ(n.Total() - n.map - n.unmap, 0u) << "no port traffic";
    EXPECT_EQ(bench.sim.OpenMappings(), 0);
  }
}

// Refuses the maps of some physical addresses, as a driver may.
class FailingMaps final : public Hardware {
 public:
  FailingMaps(Hardware& inner, std::set<std::uint32_t> refused) : inner_(inner), refused_(std::move(refused)) {}
  int unmaps = 0;
  std::uint8_t ReadPortByte(std::uint16_t port) override { return inner_.ReadPortByte(port); }
  bool WritePortByte(std::uint16_t port, std::uint8_t value) override { return inner_.WritePortByte(port, value); }
  std::uint32_t ReadPortDword(std::uint16_t port) override { return inner_.ReadPortDword(port); }
  bool WritePortDword(std::uint16_t port, std::uint32_t value) override { return inner_.WritePortDword(port, value); }
  const void* MapPhysicalMemory(std::uint32_t address, std::uint32_t length, std::uint32_t& handle) override {
    if (refused_.contains(address)) return nullptr;
    return inner_.MapPhysicalMemory(address, length, handle);
  }
  bool UnmapPhysicalMemory(std::uint32_t handle, const void* pointer) override {
    ++unmaps;
    return inner_.UnmapPhysicalMemory(handle, pointer);
  }
  bool ReadFirmwareDirectly(std::uint8_t* image, std::uint32_t size) override {
    return inner_.ReadFirmwareDirectly(image, size);
  }

 private:
  Hardware& inner_;
  std::set<std::uint32_t> refused_;
};

TEST(ReadFirmwareImage, AWordThatCannotBeMappedStaysZero) {
  ImageSource source = PatternImage();
  DetectBench bench("[Firmware]\nImage=bios.rom\n", "", &source);
  const std::set<std::uint32_t> refused{0xF0000, 0xFE0C0, 0xFFFFC};
  FailingMaps failing(bench.sim, refused);
  bench.app.Sys.Io = &failing;
  bench.app.OsClass = 4;
  const std::vector<std::uint8_t> image = ReadFirmwareImage(bench.app);
  ASSERT_EQ(image.size(), kFirmwareSize);
  for (std::size_t i = 0; i < image.size(); ++i) {
    const bool lost = refused.contains(static_cast<std::uint32_t>(kFirmwareStart + (i & ~std::size_t{3})));
    ASSERT_EQ(image[i], lost ? 0 : source.bytes[i]) << "offset " << i;
  }
  EXPECT_EQ(failing.unmaps, 16384 - 3) << "nothing to unmap after a failed map";
  EXPECT_EQ(bench.sim.OpenMappings(), 0);
}

TEST(ReadPhysicalDword, AFailedMapLeavesTheWordAlone) {
  DetectBench bench("[Firmware]\nId=ABCD\n");
  std::uint32_t word = 0x5A5A5A5A;
  EXPECT_FALSE(ReadPhysicalDword(bench.io, 0xEFFFE, word));
  EXPECT_EQ(word, 0x5A5A5A5Au);
  EXPECT_TRUE(ReadPhysicalDword(bench.io, 0xFE0C1, word));
  EXPECT_EQ(word, 0x44434241u);  // "ABCD", little-endian
  EXPECT_THAT(bench.log, ElementsAre(Event{Event::Map, 0xEFFFE, 4}, Event{Event::Map, 0xFE0C1, 4},
                                     Event{Event::Unmap, 1, 0}));
  EXPECT_EQ(bench.sim.OpenMappings(), 0);
}

TEST(ReadBiosInfo, SameRecordWhicheverWayTheImageIsRead) {
  ImageSource source = PatternImage();
  std::string expected;
  for (std::int32_t osClass : {4, 1}) {
    DetectBench bench("[Firmware]\nImage=bios.rom\nId=AB12 V1.0 03-15-2011\nTags=T1,T2\n", "", &source);
    bench.app.OsClass = osClass;
    const std::string record = ReadBiosInfo(bench.app);
    EXPECT_TRUE(record.starts_with("AB12 V1.0 03-15-2011\x01")) << osClass;
    EXPECT_TRUE(record.ends_with("\x01T1\x01T2\x01")) << osClass;
    if (expected.empty()) expected = record;
    EXPECT_EQ(record, expected);
  }
}

}  // namespace
}  // namespace drivora
