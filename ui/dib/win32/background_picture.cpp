#include "ui/dib/win32/background_picture.h"

#include "ui/dib/win32/dib_files_win32.h"
#include "ui/dib/win32/dib_gdi_win32.h"
#include "ui/dib/win32/dib_seams_win32.h"

namespace drivora::win32 {

HBITMAP LoadBackgroundPicture(BackgroundPicture& picture, HWND /*window*/, const char* path) {
  ReleaseBackgroundPicture(picture);
  {
    const UniqueOpenedFile file = OpenForReading(path);
    if (!file) return nullptr;
    picture.headerBlock = ReadDibHeaderBlock(file.get());
  }
  if (!picture.headerBlock) return nullptr;
  BITMAPINFOHEADER header = {};
  GetDibHeader(picture.headerBlock.get(), header);
  // A picture without a palette (16 or 32 bits, no colour table) is not
  // shown; its header block stays.
  picture.palette = MakeDibHandlePalette(picture.headerBlock.get());
  if (!picture.palette) return nullptr;
  picture.wholePicture = LoadDibFile(path);
  if (!picture.wholePicture) {
    // An uncompressed picture keeps its palette and header block.
    if (header.biCompression != BI_RGB) ReleaseBackgroundPicture(picture);
    return nullptr;
  }
  picture.bitmap = MakeBitmapFromDib(picture.wholePicture.get(), picture.palette.get());
  if (!picture.bitmap) {
    ReleaseBackgroundPicture(picture);
    return nullptr;
  }
  return picture.bitmap.get();
}

void ReleaseBackgroundPicture(BackgroundPicture& picture) {
  picture.palette.reset();
  picture.bitmap.reset();
  picture.wholePicture.reset();
  picture.headerBlock.reset();
}

HPALETTE GetPicturePalette(const BackgroundPicture& picture) { return picture.palette.get(); }

}  // namespace drivora::win32
