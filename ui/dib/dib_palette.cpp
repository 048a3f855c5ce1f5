#include "ui/dib/dib_palette.h"

#include "ui/dib/dib_format.h"

namespace drivora {
namespace {

// Red steps by 32 fastest, then green by 32, then blue by 64.
std::vector<PaletteColor> FixedPalette() {
  std::vector<PaletteColor> entries(kFixedPaletteEntries);
  for (std::size_t i = 0; i < entries.size(); ++i) {
    entries[i].red = static_cast<std::uint8_t>(32 * (i % 8));
    entries[i].green = static_cast<std::uint8_t>(32 * (i / 8 % 8));
    entries[i].blue = static_cast<std::uint8_t>(64 * (i / 64));
  }
  return entries;
}

}  // namespace

std::vector<PaletteColor> DibPaletteEntries(const std::uint8_t* dib, std::size_t size) {
  if (dib == nullptr || size < kInfoHeaderBytes) return {};
  const DibInfoHeader header = ParseInfoHeader(dib);
  if (header.size != kInfoHeaderBytes) return {};
  const std::uint32_t count = DibColorCount(header);
  if (count == 0) return header.bitCount == 24 ? FixedPalette() : std::vector<PaletteColor>{};
  if (count > kMaxColorCount || kInfoHeaderBytes + DibColorTableBytes(header) > size) return {};
  std::vector<PaletteColor> entries(count);
  const std::uint8_t* table = dib + kInfoHeaderBytes;
  for (std::uint32_t i = 0; i < count; ++i) {
    entries[i] = {table[4 * i + 2], table[4 * i + 1], table[4 * i], 0};
  }
  return entries;
}

}  // namespace drivora
