// System libraries reached by name at run time, for functions that not every
// Windows has: the library is released when its owner goes.
#pragma once

#include <windows.h>

#include "app/win32/handles.h"

namespace drivora::win32 {

struct LibraryTraits {
  using Handle = HMODULE;
  static Handle Invalid() { return nullptr; }
  static void Close(Handle h) { FreeLibrary(h); }
};
using UniqueLibrary = UniqueHandle<LibraryTraits>;

// A function of `library` by its exported name, as the pointer type the caller
// names; null when the library does not export it.
template <typename Function>
Function FindFunction(HMODULE library, const char* name) {
  // Through a generic function pointer, so that the compiler does not take the
  // cast for a mistake in the signature.
  return reinterpret_cast<Function>(reinterpret_cast<void (*)()>(GetProcAddress(library, name)));
}

// The platform id GetVersionExA reports: 1 for the 9x family, 2 for the NT
// family; 0 when the call fails.
DWORD PlatformId();

}  // namespace drivora::win32
