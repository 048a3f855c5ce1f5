// The logical palette a picture is shown through.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace drivora {

struct PaletteColor {
  std::uint8_t red = 0;
  std::uint8_t green = 0;
  std::uint8_t blue = 0;
  std::uint8_t flags = 0;

  bool operator==(const PaletteColor&) const = default;
};

constexpr std::size_t kFixedPaletteEntries = 256;

// The entries for a 40-byte header followed by its colour table: the table's
// own colours; for a 24-bit picture without table a fixed spread of 256
// colours; otherwise none. None too for another header size, or a table
// that would reach past `size` bytes or beyond 65535 entries.
std::vector<PaletteColor> DibPaletteEntries(const std::uint8_t* dib, std::size_t size);

}  // namespace drivora
