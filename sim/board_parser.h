// Reading a board file into the board model. Freestanding, like the model:
// the kernel-mode test driver reads its board with the same code.
//
//   [Board]        Name=free text
//   [PCI]          BB:DD.F=VVVV:DDDD SSSS:ssss RR      BB:DD.F.Config=64 dwords
//   [SuperIO.2E]   Entry=87 87  Exit=AA | ExitRegister=RR:VV
//   [SuperIO.4E]   Registers=RR:VV ...  Device.N=RR:VV ...
//   [Firmware]     Id=text  Tags=T1,T2  Image=file of 65536 bytes
//   [Enum]         Key=device path below HKEY_LOCAL_MACHINE\Enum (one line each)
#pragma once

#include <stddef.h>
#include <stdint.h>

#include "sim/board.h"

namespace drivora::sim {

struct BoardParseError {
  int line;  // 0 when the problem is not on one line
  char message[200];
};

// Reads the firmware image a board names (a path relative to the board file,
// `nameLength` characters at `name`, not zero-terminated): at most `capacity`
// bytes into `out`; returns the file's whole size, -1 when it cannot be read,
// or kImageNameRefused when the loader does not take such a name.
using BoardImageLoader = int64_t (*)(void* context, const char* name, size_t nameLength, uint8_t* out,
                                     uint32_t capacity);
constexpr int64_t kImageNameRefused = -2;

// Fills `board` from the text of a board file. On any problem returns false
// with `error` set, and leaves `board` empty: nothing is simulated from a
// half-read file.
bool ParseBoard(const char* text, size_t length, Board& board, BoardImageLoader loadImage, void* context,
                BoardParseError& error);

}  // namespace drivora::sim
