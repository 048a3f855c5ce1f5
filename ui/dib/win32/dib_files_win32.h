// Device-independent bitmap files read into packed pictures in global memory
// (40-byte header, colour table of 4-byte entries, then the pixels).
#pragma once

#include <windows.h>

#include "app/win32/handles.h"
#include "ui/dib/dib_format.h"

namespace drivora::win32 {

// The 14 bytes at the file's position, and where they began. False when the
// position cannot be taken.
bool ReadBitmapFileHeader(HFILE file, BYTE (&header)[kFileHeaderBytes], LONG& start);

// Header and colour table of the picture in the opened file, or no block for
// a refused picture or an invalid handle. Leaves the file at the first pixel.
UniqueGlobal ReadDibHeaderBlock(HFILE file);

// The block's 40-byte header with image size and colours used filled in;
// FALSE when there is no block.
BOOL GetDibHeader(HGLOBAL dib, BITMAPINFOHEADER& header);

// The whole picture in the file at `path`, or no block.
UniqueGlobal LoadDibFile(const char* path);

// `count` bytes in pieces of 32768; `count`, or 0 when a piece came back short.
UINT ReadChunked(HFILE file, void* buffer, UINT count);

}  // namespace drivora::win32
