// The byte layouts of device-independent bitmaps (".BMP" files of Windows and
// OS/2) and the numbers derived from them: colour counts, colour-table sizes,
// image sizes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>

namespace drivora {

constexpr std::size_t kFileHeaderBytes = 14;
constexpr std::size_t kInfoHeaderBytes = 40;
constexpr std::size_t kCoreHeaderBytes = 12;
constexpr std::uint16_t kBitmapFileType = 0x4D42;  // "BM"

constexpr std::uint32_t kCompressionRgb = 0;
constexpr std::uint32_t kCompressionRle8 = 1;
constexpr std::uint32_t kCompressionRle4 = 2;

// Colour entries are counted in 16 bits (a logical palette holds no more).
constexpr std::uint32_t kMaxColorCount = 0xFFFF;
// The largest pixel block a picture may claim. A file shorter than its header
// says still loads, so the claim cannot be held against the file's length;
// this bound keeps the allocation sane instead. 64 MiB holds a 4096 x 4096
// picture at 32 bits per pixel, far more than the window shows.
constexpr std::uint32_t kMaxImageBytes = 64u << 20;

// The optional 14-byte file header in front of the picture.
struct BitmapFileHeader {
  std::uint16_t type = 0;
  std::uint32_t fileSize = 0;
  std::uint16_t reserved1 = 0;
  std::uint16_t reserved2 = 0;
  std::uint32_t pixelOffset = 0;  // from the first byte of the file header
};

// The 40-byte Windows info header (BITMAPINFOHEADER).
struct DibInfoHeader {
  std::uint32_t size = kInfoHeaderBytes;
  std::int32_t width = 0;
  std::int32_t height = 0;  // negative: rows stored top row first
  std::uint16_t planes = 0;
  std::uint16_t bitCount = 0;
  std::uint32_t compression = kCompressionRgb;
  std::uint32_t imageSize = 0;
  std::int32_t xPelsPerMeter = 0;
  std::int32_t yPelsPerMeter = 0;
  std::uint32_t colorsUsed = 0;
  std::uint32_t colorsImportant = 0;

  bool operator==(const DibInfoHeader&) const = default;
};

// The 12-byte OS/2 core header (BITMAPCOREHEADER).
struct DibCoreHeader {
  std::uint32_t size = kCoreHeaderBytes;
  std::uint16_t width = 0;
  std::uint16_t height = 0;
  std::uint16_t planes = 0;
  std::uint16_t bitCount = 0;
};

BitmapFileHeader ParseFileHeader(const std::uint8_t* bytes);  // 14 bytes
DibInfoHeader ParseInfoHeader(const std::uint8_t* bytes);     // 40 bytes
DibCoreHeader ParseCoreHeader(const std::uint8_t* bytes);     // 12 bytes
void StoreInfoHeader(const DibInfoHeader& header, std::uint8_t* bytes);
// The header-size field that both kinds of header start with.
std::uint32_t HeaderSizeField(const std::uint8_t* bytes);

// The colour-table entries implied by a bits-per-pixel value: 2, 16, 256 or 0.
std::uint32_t ColorsForBitCount(std::uint32_t bitCount);
// An info header's colours-used field when set, otherwise the bits' count.
std::uint32_t DibColorCount(const DibInfoHeader& header);
std::uint32_t DibColorCount(const DibCoreHeader& header);
// 4 bytes an entry after an info header, 3 after a core header (in 64 bits:
// an unchecked colours-used field may be as large as 2^32 - 1).
std::uint64_t DibColorTableBytes(const DibInfoHeader& header);
std::uint64_t DibColorTableBytes(const DibCoreHeader& header);

// Rows padded to 4 bytes times the number of rows (top-down pictures count
// their rows too); nothing when that does not fit in 32 bits.
std::optional<std::uint32_t> ComputedImageSize(const DibInfoHeader& header);

// The core header as an info header: unsigned 16-bit sizes, the colour count
// in both colour fields, everything else zero.
DibInfoHeader WidenCoreHeader(const DibCoreHeader& core);

// The header as pictures are kept in memory: image size and colours used
// filled in, an uncompressed image size raised to what its rows need. Nothing
// for a picture the reader refuses (bad sizes, depths or colour counts, or
// more pixel bytes than kMaxImageBytes).
std::optional<DibInfoHeader> SettleDibHeader(DibInfoHeader header);

}  // namespace drivora
