// Owners for the Win32 handles the program opens, so that every path out of a
// function closes what it opened, and scoped selections that put a device
// context back the way they found it. Every owner lives here, so that each
// kind of handle has one way of being closed; so does FindFunction, the one
// way the program reaches a function by name at run time.
#pragma once

#include <windows.h>
#include <winsvc.h>

namespace drivora::win32 {

// Traits name the handle type, its "none" value and how it is closed.
template <typename Traits>
class UniqueHandle {
 public:
  using Handle = typename Traits::Handle;

  UniqueHandle() = default;
  explicit UniqueHandle(Handle h) : handle_(h) {}
  UniqueHandle(UniqueHandle&& other) noexcept : handle_(other.release()) {}
  UniqueHandle& operator=(UniqueHandle&& other) noexcept {
    reset(other.release());
    return *this;
  }
  UniqueHandle(const UniqueHandle&) = delete;
  UniqueHandle& operator=(const UniqueHandle&) = delete;
  ~UniqueHandle() { reset(); }

  Handle get() const { return handle_; }
  explicit operator bool() const { return handle_ != Traits::Invalid(); }
  Handle release() {
    Handle h = handle_;
    handle_ = Traits::Invalid();
    return h;
  }
  void reset(Handle h = Traits::Invalid()) {
    if (handle_ != Traits::Invalid()) Traits::Close(handle_);
    handle_ = h;
  }

 private:
  Handle handle_ = Traits::Invalid();
};

// Kernel handles that use null for "none" (threads, processes, mutexes).
struct KernelHandleTraits {
  using Handle = HANDLE;
  static Handle Invalid() { return nullptr; }
  static void Close(Handle h) { CloseHandle(h); }
};
// Files and devices, which use INVALID_HANDLE_VALUE for "none".
struct FileHandleTraits {
  using Handle = HANDLE;
  static Handle Invalid() { return INVALID_HANDLE_VALUE; }
  static void Close(Handle h) { CloseHandle(h); }
};
struct FindHandleTraits {
  using Handle = HANDLE;
  static Handle Invalid() { return INVALID_HANDLE_VALUE; }
  static void Close(Handle h) { FindClose(h); }
};
struct RegKeyTraits {
  using Handle = HKEY;
  static Handle Invalid() { return nullptr; }
  static void Close(Handle h) { RegCloseKey(h); }
};
struct LocalMemoryTraits {
  using Handle = HLOCAL;
  static Handle Invalid() { return nullptr; }
  static void Close(Handle h) { LocalFree(h); }
};

struct GlobalMemoryTraits {
  using Handle = HGLOBAL;
  static Handle Invalid() { return nullptr; }
  static void Close(Handle h) { GlobalFree(h); }
};
// Files opened with OpenFile, which the picture code reads with _lread.
struct OpenedFileTraits {
  using Handle = HFILE;
  static Handle Invalid() { return HFILE_ERROR; }
  static void Close(Handle h) { _lclose(h); }
};
struct ServiceHandleTraits {
  using Handle = SC_HANDLE;
  static Handle Invalid() { return nullptr; }
  static void Close(Handle h) { CloseServiceHandle(h); }
};
struct LibraryTraits {
  using Handle = HMODULE;
  static Handle Invalid() { return nullptr; }
  static void Close(Handle h) { FreeLibrary(h); }
};

// Fonts, brushes, bitmaps and palettes.
template <typename H>
struct GdiObjectTraits {
  using Handle = H;
  static Handle Invalid() { return nullptr; }
  static void Close(Handle h) { DeleteObject(h); }
};
// Device contexts made with CreateDCA or CreateCompatibleDC.
struct CreatedDcTraits {
  using Handle = HDC;
  static Handle Invalid() { return nullptr; }
  static void Close(Handle h) { DeleteDC(h); }
};
// The device context of the whole screen, from GetDC(nullptr).
struct ScreenDcTraits {
  using Handle = HDC;
  static Handle Invalid() { return nullptr; }
  static void Close(Handle h) { ReleaseDC(nullptr, h); }
};
struct MenuTraits {
  using Handle = HMENU;
  static Handle Invalid() { return nullptr; }
  static void Close(Handle h) { DestroyMenu(h); }
};

using UniqueKernelHandle = UniqueHandle<KernelHandleTraits>;
using UniqueFileHandle = UniqueHandle<FileHandleTraits>;
using UniqueFindHandle = UniqueHandle<FindHandleTraits>;
using UniqueRegKey = UniqueHandle<RegKeyTraits>;
using UniqueLocalMemory = UniqueHandle<LocalMemoryTraits>;
using UniqueGlobal = UniqueHandle<GlobalMemoryTraits>;
using UniqueOpenedFile = UniqueHandle<OpenedFileTraits>;
using UniqueServiceHandle = UniqueHandle<ServiceHandleTraits>;
using UniqueLibrary = UniqueHandle<LibraryTraits>;
using UniqueFont = UniqueHandle<GdiObjectTraits<HFONT>>;
using UniqueBrush = UniqueHandle<GdiObjectTraits<HBRUSH>>;
using UniquePalette = UniqueHandle<GdiObjectTraits<HPALETTE>>;
using UniqueBitmap = UniqueHandle<GdiObjectTraits<HBITMAP>>;
using UniqueCreatedDc = UniqueHandle<CreatedDcTraits>;
using UniqueScreenDc = UniqueHandle<ScreenDcTraits>;
using UniqueMenu = UniqueHandle<MenuTraits>;

// A function of `library` by its exported name, as the pointer type the caller
// names; null when the library does not export it (or there is no library).
// Functions that not every Windows has are reached only this way.
template <typename Function>
Function FindFunction(HMODULE library, const char* name) {
  // Through a generic function pointer, so that the compiler does not take the
  // cast for a mistake in the signature.
  return reinterpret_cast<Function>(reinterpret_cast<void (*)()>(GetProcAddress(library, name)));
}

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

// An object selected into a device context for one scope; a null object is
// not selected at all.
class ScopedSelection {
 public:
  ScopedSelection(HDC dc, HGDIOBJ object) : dc_(dc), previous_(object ? SelectObject(dc, object) : nullptr) {}
  ScopedSelection(const ScopedSelection&) = delete;
  ScopedSelection& operator=(const ScopedSelection&) = delete;
  ~ScopedSelection() {
    if (previous_) SelectObject(dc_, previous_);
  }

 private:
  HDC dc_;
  HGDIOBJ previous_;
};

// A palette selected as the foreground palette for one scope; a null one is
// not selected.
class ScopedPalette {
 public:
  ScopedPalette(HDC dc, HPALETTE palette)
      : dc_(dc), previous_(palette ? SelectPalette(dc, palette, FALSE) : nullptr) {}
  ScopedPalette(const ScopedPalette&) = delete;
  ScopedPalette& operator=(const ScopedPalette&) = delete;
  ~ScopedPalette() {
    if (previous_) SelectPalette(dc_, previous_, FALSE);
  }

 private:
  HDC dc_;
  HPALETTE previous_;
};

// BeginPaint and EndPaint.
class PaintSession {
 public:
  explicit PaintSession(HWND window) : window_(window), dc_(BeginPaint(window, &paint_)) {}
  PaintSession(const PaintSession&) = delete;
  PaintSession& operator=(const PaintSession&) = delete;
  ~PaintSession() { EndPaint(window_, &paint_); }
  HDC dc() const { return dc_; }

 private:
  HWND window_;
  PAINTSTRUCT paint_{};
  HDC dc_;
};

}  // namespace drivora::win32
