#include "ui/dib/win32/dib_files_win32.h"

#include "ui/dib/dib_reader.h"
#include "ui/dib/packed_dib.h"
#include "ui/dib/win32/dib_seams_win32.h"

namespace drivora::win32 {
namespace {

BITMAPINFOHEADER ToBitmapInfoHeader(const DibInfoHeader& h) {
  BITMAPINFOHEADER out = {};
  out.biSize = h.size;
  out.biWidth = h.width;
  out.biHeight = h.height;
  out.biPlanes = h.planes;
  out.biBitCount = h.bitCount;
  out.biCompression = h.compression;
  out.biSizeImage = h.imageSize;
  out.biXPelsPerMeter = h.xPelsPerMeter;
  out.biYPelsPerMeter = h.yPelsPerMeter;
  out.biClrUsed = h.colorsUsed;
  out.biClrImportant = h.colorsImportant;
  return out;
}

}  // namespace

UniqueGlobal ReadDibHeaderBlock(HFILE file) {
  if (file == HFILE_ERROR) return {};
  OpenedDibFile reader(file);
  GlobalDibBlock block;
  if (!drivora::ReadDibHeaderBlock(reader, block)) return {};
  return block.Take();
}

BOOL GetDibHeader(HGLOBAL dib, BITMAPINFOHEADER& header) {
  const GlobalLockGuard lock(dib);
  DibInfoHeader read;
  if (!drivora::GetDibHeader(lock.bytes(), lock.size(), read)) return FALSE;
  header = ToBitmapInfoHeader(read);
  return TRUE;
}

UniqueGlobal LoadDibFile(const char* path) {
  const UniqueOpenedFile file = OpenForReading(path);
  if (!file) return {};
  OpenedDibFile reader(file.get());
  GlobalDibBlock block;
  if (!ReadWholeDib(reader, block)) return {};
  return block.Take();
}

}  // namespace drivora::win32
