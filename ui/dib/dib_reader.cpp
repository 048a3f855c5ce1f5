#include "ui/dib/dib_reader.h"

#include <optional>

#include "ui/dib/packed_dib.h"

namespace drivora {
namespace {

constexpr std::int32_t kCoreHeaderOverread = kInfoHeaderBytes - kCoreHeaderBytes;

struct TakenHeader {
  DibInfoHeader header;
  bool core = false;
};

// The info header that the 40 bytes read begin with. A core header is
// widened, and the file goes back to just behind it, where its colour table is.
std::optional<TakenHeader> TakeHeader(DibFile& file, const std::uint8_t* bytes) {
  switch (HeaderSizeField(bytes)) {
    case kInfoHeaderBytes: return TakenHeader{ParseInfoHeader(bytes), false};
    case kCoreHeaderBytes:
      if (file.Seek(-kCoreHeaderOverread, SeekFrom::Current) < 0) return std::nullopt;
      return TakenHeader{WidenCoreHeader(ParseCoreHeader(bytes)), true};
    default: return std::nullopt;  // including the later 108- and 124-byte headers
  }
}

// Whether start + offset lies inside the file; the position stays where it was.
bool PixelOffsetInsideFile(DibFile& file, std::int32_t start, std::uint32_t pixelOffset) {
  const std::int32_t here = file.Seek(0, SeekFrom::Current);
  const std::int32_t end = file.Seek(0, SeekFrom::End);
  if (here < 0 || end < 0 || file.Seek(here, SeekFrom::Start) != here) return false;
  return std::int64_t{start} + pixelOffset <= end;
}

// Entries missing from a short file stay zero. OS/2 entries are 3 bytes:
// widened in place from the last to the first, so none is overwritten unread.
void ReadColorTable(DibFile& file, std::uint8_t* table, std::uint32_t count, bool core) {
  if (!core) {
    (void)file.Read(table, count * 4);
    return;
  }
  (void)file.Read(table, count * 3);
  for (std::uint32_t i = count; i-- > 0;) {
    const std::uint8_t blue = table[3 * i], green = table[3 * i + 1], red = table[3 * i + 2];
    table[4 * i] = blue;
    table[4 * i + 1] = green;
    table[4 * i + 2] = red;
    table[4 * i + 3] = 0;
  }
}

bool FillHeaderBlock(DibFile& file, DibBlock& block, const DibInfoHeader& header, bool core) {
  const std::uint32_t count = header.colorsUsed;
  if (!block.Resize(kInfoHeaderBytes + std::size_t{count} * 4)) return false;
  {
    const DibBlockLock lock(block);
    if (lock) {
      StoreInfoHeader(header, lock.bytes());
      if (count != 0) ReadColorTable(file, lock.bytes() + kInfoHeaderBytes, count, core);
      return true;
    }
  }
  block.Free();
  return false;
}

}  // namespace

bool ReadBitmapFileHeader(DibFile& file, std::uint8_t (&header)[kFileHeaderBytes], std::int32_t& start) {
  for (std::uint8_t& byte : header) byte = 0;
  start = file.Seek(0, SeekFrom::Current);
  (void)file.Read(header, 2);
  (void)file.Read(header + 2, kFileHeaderBytes - 2);
  return start >= 0;
}

bool ReadDibHeaderBlock(DibFile& file, DibBlock& block) {
  std::uint8_t fileHeaderBytes[kFileHeaderBytes];
  std::int32_t start = 0;
  if (!ReadBitmapFileHeader(file, fileHeaderBytes, start)) return false;
  const BitmapFileHeader fileHeader = ParseFileHeader(fileHeaderBytes);
  const std::uint32_t pixelOffset = fileHeader.type == kBitmapFileType ? fileHeader.pixelOffset : 0;
  if (fileHeader.type != kBitmapFileType && file.Seek(start, SeekFrom::Start) != start) return false;

  std::uint8_t headerBytes[kInfoHeaderBytes] = {};
  if (file.Read(headerBytes, kInfoHeaderBytes) != kInfoHeaderBytes) return false;
  const std::optional<TakenHeader> taken = TakeHeader(file, headerBytes);
  if (!taken) return false;
  const std::optional<DibInfoHeader> header = SettleDibHeader(taken->header);
  if (!header) return false;
  if (pixelOffset != 0 && !PixelOffsetInsideFile(file, start, pixelOffset)) return false;

  if (!FillHeaderBlock(file, block, *header, taken->core)) return false;
  if (pixelOffset != 0) (void)file.Seek(start + static_cast<std::int32_t>(pixelOffset), SeekFrom::Start);
  return true;
}

std::uint32_t ReadChunked(DibFile& file, std::uint8_t* buffer, std::uint32_t count) {
  std::uint32_t left = count;
  while (left > kReadPieceBytes) {
    if (file.Read(buffer, kReadPieceBytes) != kReadPieceBytes) return 0;
    buffer += kReadPieceBytes;
    left -= kReadPieceBytes;
  }
  return file.Read(buffer, left) == left ? count : 0;
}

bool ReadWholeDib(DibFile& file, DibBlock& block) {
  if (!ReadDibHeaderBlock(file, block)) return false;
  DibInfoHeader header;
  bool haveHeader = false;
  {
    const DibBlockLock lock(block);
    haveHeader = lock && GetDibHeader(lock.bytes(), block.Size(), header);
  }
  if (!haveHeader || !block.Resize(DibPixelOffset(header) + header.imageSize)) {
    block.Free();
    return false;
  }
  const DibBlockLock lock(block);
  if (!lock) {
    block.Free();
    return false;
  }
  // A file shorter than its header says still loads: the missing pixels stay zero.
  (void)ReadChunked(file, lock.bytes() + DibPixelOffset(header), header.imageSize);
  return true;
}

}  // namespace drivora
