// Packed pictures in memory: the 40-byte header, the colour table of 4-byte
// entries (blue, green, red, 0), then the pixel rows.
#pragma once

#include <cstddef>
#include <cstdint>

#include "ui/dib/dib_format.h"

namespace drivora {

// The header at the start of a packed picture, with a zero image size and a
// zero colours-used field filled in. False when the block is too short.
bool GetDibHeader(const std::uint8_t* dib, std::size_t size, DibInfoHeader& header);

// Where the pixels of a settled header start behind its colour table.
std::size_t DibPixelOffset(const DibInfoHeader& header);

// Whether the block's header is settled and the block holds every colour
// entry and pixel byte that the system reads to make a bitmap of it.
bool PackedDibIsWhole(const std::uint8_t* dib, std::size_t size);

}  // namespace drivora
