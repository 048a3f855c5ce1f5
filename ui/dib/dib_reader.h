// Reading pictures from files into packed form: the optional file header, the
// info or OS/2 core header, the colour table and the pixels.
#pragma once

#include <cstdint>

#include "ui/dib/dib_format.h"
#include "ui/dib/dib_io.h"

namespace drivora {

// Pixels are read in pieces of this many bytes.
constexpr std::uint32_t kReadPieceBytes = 32768;

// The 14 bytes at the file's position (unread bytes stay zero), and in
// `start` the position they began at. False when the position cannot be taken.
bool ReadBitmapFileHeader(DibFile& file, std::uint8_t (&header)[kFileHeaderBytes], std::int32_t& start);

// Fills `block` with the settled 40-byte header and the colour table (4-byte
// entries) of the picture at the file's position, and leaves the file at the
// first pixel byte. A file header is used when it is there; otherwise the
// picture is read from where the file stood. False, with no block, for a
// refused picture.
bool ReadDibHeaderBlock(DibFile& file, DibBlock& block);

// `count` bytes in pieces; `count`, or 0 when any piece came back short.
std::uint32_t ReadChunked(DibFile& file, std::uint8_t* buffer, std::uint32_t count);

// The header block grown to hold the pixels, which are read behind the colour
// table. Pixels that a short file lacks stay zero. False, with no block, for a
// refused picture or when memory runs out.
bool ReadWholeDib(DibFile& file, DibBlock& block);

}  // namespace drivora
