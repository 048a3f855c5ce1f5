// Owners for what the picture code opens: memory blocks, files opened with
// OpenFile, palettes and bitmaps.
#pragma once

#include <windows.h>

#include "app/win32/handles.h"

namespace drivora::win32 {

struct GlobalMemoryTraits {
  using Handle = HGLOBAL;
  static Handle Invalid() { return nullptr; }
  static void Close(Handle h) { GlobalFree(h); }
};
struct OpenedFileTraits {
  using Handle = HFILE;
  static Handle Invalid() { return HFILE_ERROR; }
  static void Close(Handle h) { _lclose(h); }
};

using UniqueGlobal = UniqueHandle<GlobalMemoryTraits>;
using UniqueOpenedFile = UniqueHandle<OpenedFileTraits>;
using UniquePalette = UniqueHandle<GdiObjectTraits<HPALETTE>>;
using UniqueBitmap = UniqueHandle<GdiObjectTraits<HBITMAP>>;

// Keeps a global memory block locked for one scope; null bytes when it
// could not be locked.
class GlobalLockGuard {
 public:
  explicit GlobalLockGuard(HGLOBAL memory)
      : memory_(memory), bytes_(memory != nullptr ? static_cast<BYTE*>(GlobalLock(memory)) : nullptr) {}
  ~GlobalLockGuard() {
    if (bytes_ != nullptr) GlobalUnlock(memory_);
  }
  GlobalLockGuard(const GlobalLockGuard&) = delete;
  GlobalLockGuard& operator=(const GlobalLockGuard&) = delete;

  BYTE* bytes() const { return bytes_; }
  // What the block holds; GlobalSize may round the size asked for upwards.
  SIZE_T size() const { return bytes_ != nullptr ? GlobalSize(memory_) : 0; }

 private:
  HGLOBAL memory_;
  BYTE* bytes_;
};

}  // namespace drivora::win32
