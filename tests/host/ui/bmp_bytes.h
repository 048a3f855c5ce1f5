// Picture files put together byte by byte, for the tests of the picture
// reader here and under Windows.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <vector>

namespace drivora::dib_test {

using Bytes = std::vector<std::uint8_t>;

inline void Put16(Bytes& out, std::uint32_t value) {
  out.push_back(static_cast<std::uint8_t>(value));
  out.push_back(static_cast<std::uint8_t>(value >> 8));
}

inline void Put32(Bytes& out, std::uint32_t value) {
  Put16(out, value & 0xFFFF);
  Put16(out, value >> 16);
}

struct InfoFields {
  std::int32_t width = 1;
  std::int32_t height = 1;
  std::uint16_t bitCount = 8;
  std::uint32_t colorsUsed = 0;
  std::uint32_t imageSize = 0;
  std::uint32_t compression = 0;
  std::uint32_t headerSize = 40;  // the rest of a larger header is zero
};

inline Bytes InfoHeader(const InfoFields& f) {
  Bytes out;
  Put32(out, f.headerSize);
  Put32(out, static_cast<std::uint32_t>(f.width));
  Put32(out, static_cast<std::uint32_t>(f.height));
  Put16(out, 1);
  Put16(out, f.bitCount);
  Put32(out, f.compression);
  Put32(out, f.imageSize);
  Put32(out, 2835);
  Put32(out, 2835);
  Put32(out, f.colorsUsed);
  Put32(out, 0);
  out.resize(f.headerSize < 40 ? 40 : f.headerSize, 0);
  return out;
}

inline Bytes CoreHeader(std::uint16_t width, std::uint16_t height, std::uint16_t bitCount) {
  Bytes out;
  Put32(out, 12);
  Put16(out, width);
  Put16(out, height);
  Put16(out, 1);
  Put16(out, bitCount);
  return out;
}

// Entry i: blue i, green 255 - i, red i * 3 (and a nonzero fourth byte in
// 4-byte entries, which must pass as it is).
inline std::uint8_t TableBlue(std::uint32_t i) { return static_cast<std::uint8_t>(i); }
inline std::uint8_t TableGreen(std::uint32_t i) { return static_cast<std::uint8_t>(255 - i); }
inline std::uint8_t TableRed(std::uint32_t i) { return static_cast<std::uint8_t>(i * 3); }
constexpr std::uint8_t kTableReserved = 0x5A;

inline Bytes ColorTable(std::uint32_t count, std::uint32_t entryBytes) {
  Bytes out;
  for (std::uint32_t i = 0; i < count; ++i) {
    out.insert(out.end(), {TableBlue(i), TableGreen(i), TableRed(i)});
    if (entryBytes == 4) out.push_back(kTableReserved);
  }
  return out;
}

inline Bytes Join(std::initializer_list<Bytes> parts) {
  Bytes out;
  for (const Bytes& part : parts) out.insert(out.end(), part.begin(), part.end());
  return out;
}

// Pixel bytes 1, 2, 3, ... (wrapping), so that each one's place shows.
inline Bytes CountingPixels(std::size_t count) {
  Bytes out(count);
  for (std::size_t i = 0; i < count; ++i) out[i] = static_cast<std::uint8_t>(i + 1);
  return out;
}

// A "BM" file header in front of the picture. The pixel offset is the one of
// the bytes after `headerAndTable` unless one is given.
inline Bytes BmpFile(const Bytes& headerAndTable, const Bytes& pixels, std::uint32_t pixelOffset = 0) {
  const auto headers = static_cast<std::uint32_t>(14 + headerAndTable.size());
  if (pixelOffset == 0) pixelOffset = headers;
  Bytes out{'B', 'M'};
  Put32(out, static_cast<std::uint32_t>(headers + pixels.size()));
  Put32(out, 0);
  Put32(out, pixelOffset);
  out.insert(out.end(), headerAndTable.begin(), headerAndTable.end());
  out.resize(pixelOffset > out.size() ? pixelOffset : out.size(), 0);
  out.insert(out.end(), pixels.begin(), pixels.end());
  return out;
}

}  // namespace drivora::dib_test
