// The palette entries a picture is shown through.
#include "ui/dib/dib_palette.h"

#include <gtest/gtest.h>

#include "tests/host/ui/bmp_bytes.h"
#include "ui/dib/dib_reader.h"
#include "ui/dib/memory_dib.h"

namespace drivora {
namespace {

using dib_test::Bytes;
using dib_test::ColorTable;
using dib_test::InfoHeader;
using dib_test::Join;

std::vector<PaletteColor> EntriesOf(const Bytes& dib) { return DibPaletteEntries(dib.data(), dib.size()); }

void ExpectTableColors(const std::vector<PaletteColor>& entries) {
  for (std::uint32_t i = 0; i < entries.size(); ++i) {
    const PaletteColor expected{dib_test::TableRed(i), dib_test::TableGreen(i), dib_test::TableBlue(i), 0};
    EXPECT_EQ(entries[i], expected) << "entry " << i;
  }
}

TEST(DibPalette, OwnColourTableGivesRedGreenBlueWithoutFlags) {
  const std::vector<PaletteColor> full = EntriesOf(Join({InfoHeader({.bitCount = 8}), ColorTable(256, 4)}));
  ASSERT_EQ(full.size(), 256u);
  ExpectTableColors(full);
  const std::vector<PaletteColor> few =
      EntriesOf(Join({InfoHeader({.bitCount = 8, .colorsUsed = 3}), ColorTable(3, 4)}));
  ASSERT_EQ(few.size(), 3u);
  ExpectTableColors(few);
}

TEST(DibPalette, TwentyFourBitPicture) {
  // With a colours-used field: its own table of that many entries.
  const std::vector<PaletteColor> own =
      EntriesOf(Join({InfoHeader({.bitCount = 24, .colorsUsed = 5}), ColorTable(5, 4)}));
  ASSERT_EQ(own.size(), 5u);
  ExpectTableColors(own);

  // Without: the fixed spread of 256 colours.
  const std::vector<PaletteColor> fixed = EntriesOf(InfoHeader({.bitCount = 24}));
  ASSERT_EQ(fixed.size(), 256u);
  EXPECT_EQ(fixed[0], (PaletteColor{0, 0, 0, 0}));
  EXPECT_EQ(fixed[9], (PaletteColor{32, 32, 0, 0}));
  EXPECT_EQ(fixed[100], (PaletteColor{128, 128, 64, 0}));
  EXPECT_EQ(fixed[255], (PaletteColor{224, 224, 192, 0}));
}

TEST(DibPalette, NoneWithoutTableOrForeignHeader) {
  EXPECT_TRUE(EntriesOf(InfoHeader({.bitCount = 16})).empty());
  EXPECT_TRUE(EntriesOf(InfoHeader({.bitCount = 32})).empty());
  // Only a 40-byte header is understood here.
  EXPECT_TRUE(EntriesOf(InfoHeader({.bitCount = 24, .headerSize = 108})).empty());
  EXPECT_TRUE(DibPaletteEntries(nullptr, 0).empty());
  // A table that would reach past the block.
  const Bytes cut = Join({InfoHeader({.bitCount = 8}), ColorTable(255, 4)});
  EXPECT_TRUE(EntriesOf(cut).empty());
  EXPECT_TRUE(EntriesOf(InfoHeader({.bitCount = 24, .colorsUsed = 0x10000})).empty());
}

TEST(DibPalette, Os2PictureThroughTheReader) {
  const Bytes dib = Join({dib_test::CoreHeader(2, 2, 4), ColorTable(16, 3)});
  MemoryDibFile reader(dib);
  VectorDibBlock block;
  ASSERT_TRUE(ReadDibHeaderBlock(reader, block));
  const std::vector<PaletteColor> entries = DibPaletteEntries(block.Bytes().data(), block.Size());
  ASSERT_EQ(entries.size(), 16u);
  ExpectTableColors(entries);
}

}  // namespace
}  // namespace drivora
