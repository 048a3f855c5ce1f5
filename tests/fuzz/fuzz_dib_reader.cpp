// The picture reader over arbitrary files: a picture is either refused before
// any memory is taken, or comes out as a packed picture whose settled header
// promises no byte more than the block holds, with the file's bytes from the
// first pixel on (zeros where the file ends) as its pixels.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <optional>
#include <span>

#include "fuzz_check.h"
#include "ui/dib/dib_palette.h"
#include "ui/dib/dib_reader.h"
#include "ui/dib/memory_dib.h"
#include "ui/dib/packed_dib.h"

namespace {

#define NO_COVERAGE __attribute__((no_sanitize("coverage")))

NO_COVERAGE bool AllZero(const std::uint8_t* bytes, std::size_t count) {
  for (std::size_t i = 0; i < count; ++i) {
    if (bytes[i] != 0) return false;
  }
  return true;
}

// The pixels are the file's bytes from `first` on, then zeros.
NO_COVERAGE bool PixelsComeFromTheFile(std::span<const std::uint8_t> file, std::int32_t first,
                                       const std::uint8_t* pixels, std::size_t count) {
  const auto from = static_cast<std::size_t>(first);
  const std::size_t inFile = from < file.size() ? std::min(count, file.size() - from) : 0;
  return (inFile == 0 || std::memcmp(pixels, file.data() + from, inFile) == 0) &&
         AllZero(pixels + inFile, count - inFile);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::span<const std::uint8_t> file(data, size);

  drivora::MemoryDibFile headerReader(file);
  drivora::VectorDibBlock headerBlock;
  const bool headerRead = drivora::ReadDibHeaderBlock(headerReader, headerBlock);
  FUZZ_CHECK(headerRead == headerBlock.Allocated());
  FUZZ_CHECK(!headerBlock.Locked());

  drivora::MemoryDibFile reader(file);
  drivora::VectorDibBlock block;
  const bool read = drivora::ReadWholeDib(reader, block);
  FUZZ_CHECK(read == headerRead);
  FUZZ_CHECK(read == block.Allocated());
  FUZZ_CHECK(!block.Locked());
  if (!read) return 0;

  const std::uint8_t* bytes = block.Bytes().data();
  const drivora::DibInfoHeader header = drivora::ParseInfoHeader(bytes);
  FUZZ_CHECK(drivora::SettleDibHeader(header) == header);
  FUZZ_CHECK(header.imageSize <= drivora::kMaxImageBytes && header.colorsUsed <= drivora::kMaxColorCount);
  FUZZ_CHECK(headerBlock.Size() == drivora::DibPixelOffset(header));
  FUZZ_CHECK(std::memcmp(headerBlock.Bytes().data(), bytes, headerBlock.Size()) == 0);
  FUZZ_CHECK(block.Size() == drivora::DibPixelOffset(header) + header.imageSize);
  FUZZ_CHECK(drivora::PackedDibIsWhole(bytes, block.Size()));
  FUZZ_CHECK(PixelsComeFromTheFile(file, headerReader.Position(), bytes + drivora::DibPixelOffset(header),
                                   header.imageSize));

  const std::size_t entries = drivora::DibPaletteEntries(bytes, block.Size()).size();
  const bool fixed = header.colorsUsed == 0 && header.bitCount == 24;
  FUZZ_CHECK(entries == (fixed ? drivora::kFixedPaletteEntries : header.colorsUsed));
  return 0;
}
