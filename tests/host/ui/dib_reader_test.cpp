// Reading picture files into packed pictures: the file header or a bare
// picture, both kinds of header, sizes, short files, and the pictures refused.
#include "ui/dib/dib_reader.h"

#include <gtest/gtest.h>

#include <vector>

#include "tests/host/ui/bmp_bytes.h"
#include "ui/dib/memory_dib.h"
#include "ui/dib/packed_dib.h"

namespace drivora {
namespace {

using dib_test::Bytes;
using dib_test::BmpFile;
using dib_test::ColorTable;
using dib_test::CoreHeader;
using dib_test::CountingPixels;
using dib_test::InfoFields;
using dib_test::InfoHeader;
using dib_test::Join;

DibInfoHeader HeaderOf(const VectorDibBlock& block) { return ParseInfoHeader(block.Bytes().data()); }

Bytes PixelsOf(const VectorDibBlock& block) {
  const std::size_t at = DibPixelOffset(HeaderOf(block));
  return Bytes(block.Bytes().begin() + static_cast<std::ptrdiff_t>(at), block.Bytes().end());
}

struct Loaded {
  bool ok = false;
  VectorDibBlock block;
};

Loaded LoadWhole(const Bytes& file) {
  Loaded loaded;
  MemoryDibFile reader(file);
  loaded.ok = ReadWholeDib(reader, loaded.block);
  return loaded;
}

// An 8-bit 3 x 2 picture: rows of 4 bytes, 256 colours.
const Bytes kSmall8BitDib = Join({InfoHeader({.width = 3, .height = 2, .bitCount = 8}), ColorTable(256, 4)});

TEST(DibReaderFileHeader, BareDibIsReadFromWhereTheReaderStarted) {
  const Bytes junk{7, 7, 7, 7, 7};
  const Bytes file = Join({junk, kSmall8BitDib, CountingPixels(8)});
  MemoryDibFile reader(file);
  ASSERT_EQ(reader.Seek(5, SeekFrom::Start), 5);
  VectorDibBlock block;
  ASSERT_TRUE(ReadDibHeaderBlock(reader, block));
  EXPECT_EQ(reader.Position(), 5 + 40 + 1024);  // at the first pixel byte
  ASSERT_EQ(block.Size(), 40u + 1024u);
  EXPECT_EQ(HeaderOf(block).width, 3);
  EXPECT_EQ(block.Bytes()[40 + 4 * 7 + 3], dib_test::kTableReserved);  // entries pass as they are
  EXPECT_FALSE(block.Locked());
}

TEST(DibReaderFileHeader, PixelOffsetCountsFromTheFileHeader) {
  const Bytes file = Join({Bytes{9, 9, 9}, BmpFile(kSmall8BitDib, CountingPixels(8), 14 + 1064 + 100)});
  MemoryDibFile reader(file);
  reader.Seek(3, SeekFrom::Start);
  VectorDibBlock block;
  ASSERT_TRUE(ReadWholeDib(reader, block));
  EXPECT_EQ(PixelsOf(block), CountingPixels(8));

  // No offset in the file header: the pixels follow the colour table.
  const Loaded plain = LoadWhole(BmpFile(kSmall8BitDib, CountingPixels(8), 0));
  ASSERT_TRUE(plain.ok);
  EXPECT_EQ(PixelsOf(plain.block), CountingPixels(8));
}

TEST(DibReaderCoreHeader, IsWidenedWithUnsignedSizesAndFourByteEntries) {
  // 36864 pixels wide: beyond what a signed 16-bit width could hold.
  const Bytes dib = Join({CoreHeader(0x9000, 2, 8), ColorTable(256, 3)});
  MemoryDibFile reader(dib);
  VectorDibBlock block;
  ASSERT_TRUE(ReadDibHeaderBlock(reader, block));
  EXPECT_EQ(reader.Position(), 12 + 768);  // the reader went back to the table
  const DibInfoHeader h = HeaderOf(block);
  DibInfoHeader expected;
  expected.width = 0x9000;
  expected.height = 2;
  expected.planes = 1;
  expected.bitCount = 8;
  expected.imageSize = 2 * 0x9000;
  expected.colorsUsed = expected.colorsImportant = 256;
  EXPECT_EQ(h, expected);
  ASSERT_EQ(block.Size(), 40u + 1024u);
  for (std::uint32_t i : {0u, 1u, 128u, 255u}) {
    const std::uint8_t* entry = &block.Bytes()[40 + 4 * i];
    EXPECT_EQ(entry[0], dib_test::TableBlue(i)) << i;
    EXPECT_EQ(entry[1], dib_test::TableGreen(i)) << i;
    EXPECT_EQ(entry[2], dib_test::TableRed(i)) << i;
    EXPECT_EQ(entry[3], 0) << i;
  }
}

TEST(DibReaderCoreHeader, WholeOs2FileLoadsItsPixels) {
  const Loaded loaded = LoadWhole(BmpFile(Join({CoreHeader(5, 3, 4), ColorTable(16, 3)}), CountingPixels(12)));
  ASSERT_TRUE(loaded.ok);
  EXPECT_EQ(HeaderOf(loaded.block).imageSize, 12u);  // rows of 3 bytes padded to 4
  EXPECT_EQ(PixelsOf(loaded.block), CountingPixels(12));
  EXPECT_TRUE(PackedDibIsWhole(loaded.block.Bytes().data(), loaded.block.Size()));
}

TEST(DibReaderSizes, ZeroImageSizeIsComputedFromRows) {
  // 393 pixels of 8 bits make rows of 396 bytes.
  const Bytes dib = Join({InfoHeader({.width = 393, .height = 503, .bitCount = 8}), ColorTable(256, 4)});
  MemoryDibFile reader(dib);
  VectorDibBlock block;
  ASSERT_TRUE(ReadDibHeaderBlock(reader, block));
  EXPECT_EQ(HeaderOf(block).imageSize, 199188u);
  EXPECT_EQ(HeaderOf(block).colorsUsed, 256u);

  // GetDibHeader fills the same into a block that lacks them.
  Bytes raw = dib;
  DibInfoHeader h;
  ASSERT_TRUE(GetDibHeader(raw.data(), raw.size(), h));
  EXPECT_EQ(h.imageSize, 199188u);
  EXPECT_EQ(h.colorsUsed, 256u);
  EXPECT_FALSE(GetDibHeader(raw.data(), 39, h));
}

TEST(DibReaderSizes, TopDownPictureCountsItsRows) {
  const Loaded loaded = LoadWhole(BmpFile(InfoHeader({.width = 2, .height = -3, .bitCount = 24}), CountingPixels(24)));
  ASSERT_TRUE(loaded.ok);
  EXPECT_EQ(HeaderOf(loaded.block).height, -3);
  EXPECT_EQ(HeaderOf(loaded.block).imageSize, 24u);
  EXPECT_EQ(PixelsOf(loaded.block), CountingPixels(24));
}

TEST(DibReaderSizes, UncompressedImageSizeTooSmallForItsRowsIsRaised) {
  const Loaded loaded =
      LoadWhole(BmpFile(InfoHeader({.width = 4, .height = 4, .bitCount = 24, .imageSize = 1}), CountingPixels(48)));
  ASSERT_TRUE(loaded.ok);
  EXPECT_EQ(HeaderOf(loaded.block).imageSize, 48u);
  EXPECT_EQ(PixelsOf(loaded.block), CountingPixels(48));
}

TEST(DibReaderSizes, ShortFileLoadsWithZerosForTheMissingPixels) {
  const Bytes full = BmpFile(kSmall8BitDib, CountingPixels(8));
  const Loaded loaded = LoadWhole(Bytes(full.begin(), full.end() - 3));
  ASSERT_TRUE(loaded.ok);
  EXPECT_EQ(PixelsOf(loaded.block), (Bytes{1, 2, 3, 4, 5, 0, 0, 0}));

  // A colour table cut short keeps zero entries too.
  const Bytes cutTable = Join({InfoHeader({.bitCount = 4}), Bytes(10, 0xEE)});
  const Loaded table = LoadWhole(cutTable);
  ASSERT_TRUE(table.ok);
  EXPECT_EQ(table.block.Bytes()[40 + 9], 0xEE);
  EXPECT_EQ(table.block.Bytes()[40 + 10], 0);
}

// Every refusal comes before any memory is taken.
void ExpectRefused(const Bytes& file, const char* what) {
  MemoryDibFile reader(file);
  VectorDibBlock block;
  EXPECT_FALSE(ReadDibHeaderBlock(reader, block)) << what;
  EXPECT_FALSE(block.Allocated()) << what;
  const Loaded whole = LoadWhole(file);
  EXPECT_FALSE(whole.ok) << what;
  EXPECT_FALSE(whole.block.Allocated()) << what;
}

Bytes FileWith(const InfoFields& fields) { return BmpFile(InfoHeader(fields), CountingPixels(16)); }

TEST(DibReaderRefuses, HeadersOfOtherSizes) {
  for (std::uint32_t size : {108u, 124u, 64u, 16u, 0u}) {
    ExpectRefused(FileWith({.width = 2, .height = 2, .bitCount = 24, .headerSize = size}), "header size");
  }
}

TEST(DibReaderRefuses, FewerThan40BytesAfterTheFileHeader) {
  const Bytes info = BmpFile(InfoHeader({}), {});
  ExpectRefused(Bytes(info.begin(), info.end() - 1), "39-byte info header");
  // A whole 1 x 1 OS/2 picture is only 22 bytes after its file header.
  const Bytes tinyOs2 = BmpFile(Join({CoreHeader(1, 1, 1), ColorTable(2, 3)}), Bytes(4, 0x80));
  ASSERT_EQ(tinyOs2.size(), 14u + 22u);
  ExpectRefused(tinyOs2, "tiny OS/2 picture");
  ExpectRefused({}, "empty file");
}

TEST(DibReaderRefuses, ColourCountsTheDepthCannotHave) {
  ExpectRefused(FileWith({.bitCount = 1, .colorsUsed = 3}), "3 colours at 1 bit");
  ExpectRefused(FileWith({.bitCount = 4, .colorsUsed = 17}), "17 colours at 4 bits");
  ExpectRefused(FileWith({.bitCount = 8, .colorsUsed = 257}), "257 colours at 8 bits");
  ExpectRefused(FileWith({.bitCount = 24, .colorsUsed = 65536}), "65536 colours");
  ExpectRefused(FileWith({.bitCount = 24, .colorsUsed = 0xFFFFFFFF}), "2^32 - 1 colours");
}

TEST(DibReaderRefuses, SizesWithoutPixelsOrBeyondTheBound) {
  ExpectRefused(FileWith({.width = 0}), "zero width");
  ExpectRefused(FileWith({.width = -4}), "negative width");
  ExpectRefused(FileWith({.height = 0}), "zero height");
  ExpectRefused(FileWith({.height = INT32_MIN}), "most negative height");
  ExpectRefused(FileWith({.width = 0x7FFFFFFF, .height = 2, .bitCount = 32}), "size over 32 bits");
  ExpectRefused(FileWith({.width = 4097, .height = 4096, .bitCount = 32}), "rows over 64 MiB");
  ExpectRefused(FileWith({.width = 4, .height = 4, .bitCount = 24, .imageSize = kMaxImageBytes + 1}),
                "image-size field over 64 MiB");
  ExpectRefused(FileWith({.width = 4, .height = 4, .bitCount = 8, .imageSize = 0xFFFFFFFF, .compression = 1}),
                "run-length size over 64 MiB");
}

TEST(DibReaderRefuses, DepthsAndCompressionsWithoutAPlace) {
  for (std::uint16_t bits : {0, 2, 3, 15, 48, 64}) ExpectRefused(FileWith({.bitCount = bits}), "bits per pixel");
  ExpectRefused(FileWith({.bitCount = 16, .compression = 3}), "bit-field masks");
  ExpectRefused(FileWith({.bitCount = 24, .compression = 4}), "JPEG");
  ExpectRefused(FileWith({.bitCount = 24, .compression = 5}), "PNG");
}

TEST(DibReaderRefuses, PixelOffsetBeyondTheEndOfTheFile) {
  const Bytes dib = InfoHeader({.width = 2, .height = 2, .bitCount = 24});
  const Bytes file = BmpFile(dib, CountingPixels(16));
  const auto size = static_cast<std::uint32_t>(file.size());
  Bytes pastEnd = file;
  pastEnd[10] = static_cast<std::uint8_t>(size + 1);
  ExpectRefused(pastEnd, "one past the end");
  pastEnd[10] = pastEnd[11] = pastEnd[12] = pastEnd[13] = 0xFF;
  ExpectRefused(pastEnd, "offset 2^32 - 1");

  // At the very end: nothing left to read, the pixels stay zero.
  Bytes atEnd = file;
  atEnd[10] = static_cast<std::uint8_t>(size);
  const Loaded loaded = LoadWhole(atEnd);
  ASSERT_TRUE(loaded.ok);
  EXPECT_EQ(PixelsOf(loaded.block), Bytes(16, 0));
}

TEST(DibSettledHeader, BoundAndRunLengthSizes) {
  DibInfoHeader largest;
  largest.width = largest.height = 4096;
  largest.bitCount = 32;
  const auto settled = SettleDibHeader(largest);
  ASSERT_TRUE(settled.has_value());
  EXPECT_EQ(settled->imageSize, kMaxImageBytes);

  // A run-length picture keeps the size of its runs.
  DibInfoHeader rle;
  rle.width = rle.height = 16;
  rle.bitCount = 8;
  rle.compression = kCompressionRle8;
  rle.imageSize = 10;
  ASSERT_TRUE(SettleDibHeader(rle).has_value());
  EXPECT_EQ(SettleDibHeader(rle)->imageSize, 10u);
}

TEST(DibPackedBlock, MustHoldWhatItsHeaderPromises) {
  const Loaded loaded = LoadWhole(BmpFile(kSmall8BitDib, CountingPixels(8)));
  ASSERT_TRUE(loaded.ok);
  const Bytes& bytes = loaded.block.Bytes();
  EXPECT_TRUE(PackedDibIsWhole(bytes.data(), bytes.size()));
  EXPECT_FALSE(PackedDibIsWhole(bytes.data(), bytes.size() - 1));
  Bytes unsettled = bytes;
  unsettled[20] = 0;  // image size no longer filled in
  EXPECT_FALSE(PackedDibIsWhole(unsettled.data(), unsettled.size()));
  EXPECT_FALSE(PackedDibIsWhole(nullptr, 0));
}

// Counts the reads it passes on, and can come back short from a given read on.
class CountingFile final : public DibFile {
 public:
  explicit CountingFile(std::uint32_t size) : bytes_(size, 0x11), file_(bytes_) {}
  std::uint32_t Read(void* buffer, std::uint32_t count) override {
    sizes.push_back(count);
    return file_.Read(buffer, count);
  }
  std::int32_t Seek(std::int32_t offset, SeekFrom from) override { return file_.Seek(offset, from); }
  std::vector<std::uint32_t> sizes;

 private:
  Bytes bytes_;
  MemoryDibFile file_;
};

TEST(DibReadChunked, ReadsInPiecesOf32768) {
  Bytes buffer(70000);
  CountingFile exact(32768);
  EXPECT_EQ(ReadChunked(exact, buffer.data(), 32768), 32768u);
  EXPECT_EQ(exact.sizes, (std::vector<std::uint32_t>{32768}));

  CountingFile longer(70000);
  EXPECT_EQ(ReadChunked(longer, buffer.data(), 70000), 70000u);
  EXPECT_EQ(longer.sizes, (std::vector<std::uint32_t>{32768, 32768, 4464}));

  CountingFile shortFile(40000);
  EXPECT_EQ(ReadChunked(shortFile, buffer.data(), 70000), 0u);
  EXPECT_EQ(shortFile.sizes.size(), 2u);  // stops at the first short piece
}

}  // namespace
}  // namespace drivora
