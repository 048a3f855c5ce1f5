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

// A system library by its full path in the system folder, never by its name
// alone: the wizard runs elevated and moves its current folder into package
// folders, and neither those nor the disc's own folder may decide what code
// it loads. Null when the library or the system folder cannot be had.
HMODULE LoadSystemLibrary(const char* name);

// Takes the current folder, and with SetDefaultDllDirectories every folder but
// the system folder, out of the search for libraries loaded later. Both
// functions are looked up by name: XP before SP1 has neither, XP and Vista
// only the first.
void KeepLibrarySearchToTheSystem();

// The platform id GetVersionExA reports: 1 for the 9x family, 2 for the NT
// family; 0 when the call fails.
DWORD PlatformId();

}  // namespace drivora::win32
