// The Windows kernel headers of mingw-w64, for the driver's C++ sources.
#pragma once

// wdm.h defines these two intrinsics itself, and so does the intrin.h it
// includes; marking them as already defined keeps the second copy out, which
// C++ (unlike C) refuses to see twice.
#define __INTRINSIC_DEFINED_InterlockedBitTestAndSet
#define __INTRINSIC_DEFINED_InterlockedBitTestAndReset

extern "C" {
#include <ntifs.h>
#include <ntddk.h>
}

// Process access rights the kernel headers leave to the user-mode ones.
#ifndef PROCESS_VM_OPERATION
#define PROCESS_VM_OPERATION 0x0008
#endif
