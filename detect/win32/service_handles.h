// Owners for service control manager handles.
#pragma once

#include <windows.h>
#include <winsvc.h>

#include "app/win32/handles.h"

namespace drivora::win32 {

struct ServiceHandleTraits {
  using Handle = SC_HANDLE;
  static Handle Invalid() { return nullptr; }
  static void Close(Handle h) { CloseServiceHandle(h); }
};

using UniqueServiceHandle = UniqueHandle<ServiceHandleTraits>;

}  // namespace drivora::win32
