// The picture beside the program that the main dialog shows on its left.
#pragma once

#include <windows.h>

#include "app/win32/handles.h"

namespace drivora::win32 {

// What the picture loader made from the picture file beside the program; owns all four.
struct BackgroundPicture {
  UniquePalette palette;      // from the header and colour table
  UniqueGlobal wholePicture;  // header, colour table and pixels
  UniqueBitmap bitmap;        // screen-compatible, made with the palette
  UniqueGlobal headerBlock;   // header and colour table, the first read of the file
};

// The bitmap made from the file at `path`, or nullptr (the caller then shows the built-in picture).
// The bitmap stays owned by `picture`.
HBITMAP LoadBackgroundPicture(BackgroundPicture& picture, HWND window, const char* path);
void ReleaseBackgroundPicture(BackgroundPicture& picture);
HPALETTE GetPicturePalette(const BackgroundPicture& picture);

}  // namespace drivora::win32
