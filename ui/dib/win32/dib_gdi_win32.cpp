#include "ui/dib/win32/dib_gdi_win32.h"

#include <cstddef>
#include <cstring>
#include <vector>

#include "ui/dib/dib_palette.h"
#include "ui/dib/packed_dib.h"

namespace drivora::win32 {
namespace {

constexpr WORD kPaletteVersion = 0x300;
constexpr std::size_t kLogPaletteBytes = 8;  // version, count, one spare entry

UniquePalette CreatePaletteOf(const std::vector<PaletteColor>& colors) {
  if (colors.empty()) return {};
  const UniqueLocalMemory memory(LocalAlloc(LMEM_ZEROINIT, kLogPaletteBytes + 4 * colors.size()));
  if (!memory) return {};
  auto* palette = static_cast<LOGPALETTE*>(static_cast<void*>(memory.get()));
  palette->palVersion = kPaletteVersion;
  palette->palNumEntries = static_cast<WORD>(colors.size());
  auto* entries = static_cast<BYTE*>(static_cast<void*>(memory.get())) + offsetof(LOGPALETTE, palPalEntry);
  for (std::size_t i = 0; i < colors.size(); ++i) {
    const PALETTEENTRY entry = {colors[i].red, colors[i].green, colors[i].blue, colors[i].flags};
    std::memcpy(entries + i * sizeof(PALETTEENTRY), &entry, sizeof(entry));
  }
  return UniquePalette(CreatePalette(palette));
}

// The wait cursor for one scope, then the cursor shown before it.
class WaitCursor {
 public:
  WaitCursor() : previous_(SetCursor(LoadCursorA(nullptr, IDC_WAIT))) {}
  ~WaitCursor() { SetCursor(previous_); }
  WaitCursor(const WaitCursor&) = delete;
  WaitCursor& operator=(const WaitCursor&) = delete;

 private:
  HCURSOR previous_;
};

// `palette` selected as foreground palette and realised for one scope.
class RealizedPalette {
 public:
  RealizedPalette(HDC dc, HPALETTE palette) : selected_(dc, palette) {
    if (palette != nullptr) RealizePalette(dc);
  }

 private:
  ScopedPalette selected_;
};

}  // namespace

UniquePalette MakeDibPalette(const void* dib, SIZE_T bytes) {
  return CreatePaletteOf(DibPaletteEntries(static_cast<const std::uint8_t*>(dib), bytes));
}

UniquePalette MakeDibHandlePalette(HGLOBAL dib) {
  const GlobalLockGuard lock(dib);
  if (lock.bytes() == nullptr) return {};
  return MakeDibPalette(lock.bytes(), lock.size());
}

UniqueBitmap MakeBitmapFromDib(HGLOBAL dib, HPALETTE palette) {
  const WaitCursor wait;
  const GlobalLockGuard lock(dib);
  // The system reads as many rows and colours as the header names.
  if (!PackedDibIsWhole(lock.bytes(), lock.size())) return {};
  const UniqueScreenDc screen(GetDC(nullptr));
  if (!screen) return {};
  const RealizedPalette realized(screen.get(), palette);
  const DibInfoHeader header = ParseInfoHeader(lock.bytes());
  const auto* info = reinterpret_cast<const BITMAPINFO*>(lock.bytes());
  return UniqueBitmap(CreateDIBitmap(screen.get(), &info->bmiHeader, CBM_INIT, lock.bytes() + DibPixelOffset(header),
                                     info, DIB_RGB_COLORS));
}

}  // namespace drivora::win32
