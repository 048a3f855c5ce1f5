// What the screen needs from a packed picture: its logical palette and a
// bitmap in the screen's own format.
#pragma once

#include <windows.h>

#include "app/win32/handles.h"

namespace drivora::win32 {

// The palette for `bytes` bytes holding a 40-byte header and its colour
// table: the table's colours, a fixed 256-colour spread for a 24-bit picture
// without table, otherwise none.
UniquePalette MakeDibPalette(const void* dib, SIZE_T bytes);
// The same for a packed picture in global memory, locked around it.
UniquePalette MakeDibHandlePalette(HGLOBAL dib);

// A bitmap compatible with the screen made from a whole packed picture,
// realised through `palette` when there is one; none when it cannot be made
// or the block lacks pixels that its header promises.
UniqueBitmap MakeBitmapFromDib(HGLOBAL dib, HPALETTE palette);

}  // namespace drivora::win32
