// System libraries reached at run time, for functions that not every Windows
// has (their owner, UniqueLibrary, and FindFunction: app/win32/handles.h).
#pragma once

#include <windows.h>

namespace drivora::win32 {

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

}  // namespace drivora::win32
