// Device-independent bitmap files read into packed pictures in global memory
// (40-byte header, colour table of 4-byte entries, then the pixels).
#pragma once

#include <windows.h>

#include "app/win32/handles.h"
#include "ui/dib/dib_format.h"

namespace drivora::win32 {

// Header and colour table of the picture in the opened file, or no block for
// a refused picture or an invalid handle. Leaves the file at the first pixel.
UniqueGlobal ReadDibHeaderBlock(HFILE file);

// The block's 40-byte header with image size and colours used filled in;
// FALSE when there is no block.
BOOL GetDibHeader(HGLOBAL dib, BITMAPINFOHEADER& header);

// The whole picture in the file at `path`, or no block.
UniqueGlobal LoadDibFile(const char* path);

}  // namespace drivora::win32
