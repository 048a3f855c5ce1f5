#include "ui/dib/packed_dib.h"

#include <optional>

namespace drivora {

bool GetDibHeader(const std::uint8_t* dib, std::size_t size, DibInfoHeader& header) {
  if (dib == nullptr || size < kInfoHeaderBytes) return false;
  header = ParseInfoHeader(dib);
  if (header.size == kCoreHeaderBytes) return true;
  if (header.imageSize == 0) header.imageSize = ComputedImageSize(header).value_or(0);
  if (header.colorsUsed == 0) header.colorsUsed = DibColorCount(header);
  return true;
}

std::size_t DibPixelOffset(const DibInfoHeader& header) {
  return kInfoHeaderBytes + static_cast<std::size_t>(DibColorTableBytes(header));
}

bool PackedDibIsWhole(const std::uint8_t* dib, std::size_t size) {
  if (dib == nullptr || size < kInfoHeaderBytes) return false;
  const DibInfoHeader stored = ParseInfoHeader(dib);
  const std::optional<DibInfoHeader> settled = SettleDibHeader(stored);
  if (!settled || *settled != stored) return false;
  return std::uint64_t{DibPixelOffset(stored)} + stored.imageSize <= size;
}

}  // namespace drivora
