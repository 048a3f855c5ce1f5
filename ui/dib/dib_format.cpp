#include "ui/dib/dib_format.h"

namespace drivora {
namespace {

std::uint16_t Get16(const std::uint8_t* p) { return static_cast<std::uint16_t>(p[0] | (p[1] << 8)); }

std::uint32_t Get32(const std::uint8_t* p) {
  return static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
         (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}

std::int32_t GetSigned32(const std::uint8_t* p) { return static_cast<std::int32_t>(Get32(p)); }

void Put16(std::uint8_t* p, std::uint16_t value) {
  p[0] = static_cast<std::uint8_t>(value);
  p[1] = static_cast<std::uint8_t>(value >> 8);
}

void Put32(std::uint8_t* p, std::uint32_t value) {
  for (int i = 0; i < 4; ++i) p[i] = static_cast<std::uint8_t>(value >> (8 * i));
}

bool IsDibBitCount(std::uint16_t bitCount) {
  switch (bitCount) {
    case 1: case 4: case 8: case 16: case 24: case 32: return true;
    default: return false;
  }
}

// Run-length pictures are decoded by the system within their image size.
// Anything else (bit-field masks, embedded JPEG or PNG) has parts that the
// memory layout has no place for.
bool IsKnownCompression(std::uint32_t compression) {
  return compression == kCompressionRgb || compression == kCompressionRle8 || compression == kCompressionRle4;
}

bool ColorCountFitsDepth(const DibInfoHeader& header) {
  const std::uint32_t implied = ColorsForBitCount(header.bitCount);
  if (implied != 0 && header.colorsUsed > implied) return false;
  return header.colorsUsed <= kMaxColorCount;
}

}  // namespace

BitmapFileHeader ParseFileHeader(const std::uint8_t* bytes) {
  return {Get16(bytes), Get32(bytes + 2), Get16(bytes + 6), Get16(bytes + 8), Get32(bytes + 10)};
}

DibInfoHeader ParseInfoHeader(const std::uint8_t* bytes) {
  DibInfoHeader h;
  h.size = Get32(bytes);
  h.width = GetSigned32(bytes + 4);
  h.height = GetSigned32(bytes + 8);
  h.planes = Get16(bytes + 12);
  h.bitCount = Get16(bytes + 14);
  h.compression = Get32(bytes + 16);
  h.imageSize = Get32(bytes + 20);
  h.xPelsPerMeter = GetSigned32(bytes + 24);
  h.yPelsPerMeter = GetSigned32(bytes + 28);
  h.colorsUsed = Get32(bytes + 32);
  h.colorsImportant = Get32(bytes + 36);
  return h;
}

DibCoreHeader ParseCoreHeader(const std::uint8_t* bytes) {
  return {Get32(bytes), Get16(bytes + 4), Get16(bytes + 6), Get16(bytes + 8), Get16(bytes + 10)};
}

void StoreInfoHeader(const DibInfoHeader& h, std::uint8_t* bytes) {
  Put32(bytes, h.size);
  Put32(bytes + 4, static_cast<std::uint32_t>(h.width));
  Put32(bytes + 8, static_cast<std::uint32_t>(h.height));
  Put16(bytes + 12, h.planes);
  Put16(bytes + 14, h.bitCount);
  Put32(bytes + 16, h.compression);
  Put32(bytes + 20, h.imageSize);
  Put32(bytes + 24, static_cast<std::uint32_t>(h.xPelsPerMeter));
  Put32(bytes + 28, static_cast<std::uint32_t>(h.yPelsPerMeter));
  Put32(bytes + 32, h.colorsUsed);
  Put32(bytes + 36, h.colorsImportant);
}

std::uint32_t HeaderSizeField(const std::uint8_t* bytes) { return Get32(bytes); }

std::uint32_t ColorsForBitCount(std::uint32_t bitCount) {
  switch (bitCount) {
    case 1: return 2;
    case 4: return 16;
    case 8: return 256;
    default: return 0;
  }
}

std::uint32_t DibColorCount(const DibInfoHeader& header) {
  return header.colorsUsed != 0 ? header.colorsUsed : ColorsForBitCount(header.bitCount);
}

std::uint32_t DibColorCount(const DibCoreHeader& header) { return ColorsForBitCount(header.bitCount); }

std::uint64_t DibColorTableBytes(const DibInfoHeader& header) { return std::uint64_t{DibColorCount(header)} * 4; }

std::uint64_t DibColorTableBytes(const DibCoreHeader& header) { return std::uint64_t{DibColorCount(header)} * 3; }

std::optional<std::uint32_t> ComputedImageSize(const DibInfoHeader& header) {
  if (header.width < 0) return std::nullopt;
  const std::uint64_t rowBits = std::uint64_t{header.bitCount} * static_cast<std::uint64_t>(header.width);
  const std::uint64_t rowBytes = (rowBits + 31) / 32 * 4;
  const std::int64_t height = header.height;
  const std::uint64_t rows = static_cast<std::uint64_t>(height < 0 ? -height : height);
  const std::uint64_t total = rowBytes * rows;  // below 2^50 + 2^31: no wrap
  if (total > 0xFFFFFFFFu) return std::nullopt;
  return static_cast<std::uint32_t>(total);
}

DibInfoHeader WidenCoreHeader(const DibCoreHeader& core) {
  DibInfoHeader h;
  h.width = core.width;
  h.height = core.height;
  h.planes = core.planes;
  h.bitCount = core.bitCount;
  h.colorsUsed = DibColorCount(core);
  h.colorsImportant = h.colorsUsed;
  return h;
}

std::optional<DibInfoHeader> SettleDibHeader(DibInfoHeader header) {
  if (header.size != kInfoHeaderBytes) return std::nullopt;
  if (header.width <= 0 || header.height == 0) return std::nullopt;
  if (!IsDibBitCount(header.bitCount) || !IsKnownCompression(header.compression)) return std::nullopt;
  if (!ColorCountFitsDepth(header)) return std::nullopt;
  const std::optional<std::uint32_t> computed = ComputedImageSize(header);
  if (!computed || *computed > kMaxImageBytes) return std::nullopt;
  // The system reads whole rows of an uncompressed picture, whatever the field says.
  if (header.imageSize == 0 || (header.compression == kCompressionRgb && header.imageSize < *computed)) {
    header.imageSize = *computed;
  }
  if (header.imageSize > kMaxImageBytes) return std::nullopt;
  if (header.colorsUsed == 0) header.colorsUsed = DibColorCount(header);
  return header;
}

}  // namespace drivora
