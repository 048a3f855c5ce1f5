// The 9x harness's decoder and its execution against the board model, on any
// bytes: a refusal always says why, a decoded instruction never claims more
// bytes than were readable and is one of the eight byte/dword forms, and
// carrying it out touches exactly one port operation of its own kind.
//
// Input: the bytes are decoded one instruction after another, as code; after
// each refusal the next byte is tried. eax and edx come from the bytes too.
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "detect/hardware.h"
#include "fuzz_check.h"
#include "sim/board.h"
#include "sim/board_hardware.h"
#include "tests/ninex/port_instruction.h"

using namespace drivora;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static sim::Board* board = [] {
    auto* b = new sim::Board();
    std::memset(b, 0, sizeof *b);
    b->superIo[0] = {};
    b->superIo[0].present = true;
    b->superIo[0].indexPort = 0x2E;
    b->superIo[0].entry[0] = b->superIo[0].entry[1] = 0x87;
    b->superIo[0].entryLength = 2;
    b->superIo[0].exit[0] = 0xAA;
    b->superIo[0].exitLength = 1;
    return b;
  }();
  SimulatedBoardHardware hardware(*board);
  std::size_t at = 0;
  while (at < size) {
    const ninex::Decoded d = ninex::DecodePortInstruction(data + at, size - at);
    if (!d.ok) {
      FUZZ_CHECK(!d.refusal.empty());
      ++at;
      continue;
    }
    const ninex::PortInstruction& in = d.instruction;
    FUZZ_CHECK(in.length >= 1 && static_cast<std::size_t>(in.length) <= size - at);
    FUZZ_CHECK(in.width == 1 || in.width == 4);
    ninex::PortRegisters regs{};
    const std::size_t next = at + static_cast<std::size_t>(in.length);
    if (next + 8 <= size) {
      std::memcpy(&regs.eax, data + next, 4);
      std::memcpy(&regs.edx, data + next + 4, 4);
    }
    const std::uint32_t before = regs.eax;
    CountingHardware counting(hardware);
    ninex::ExecutePortInstruction(in, regs, counting);
    FUZZ_CHECK(counting.Counts().Total() == 1);
    if (in.direction == ninex::PortDirection::Out) FUZZ_CHECK(regs.eax == before);
    if (in.direction == ninex::PortDirection::In && in.width == 1) FUZZ_CHECK((regs.eax >> 8) == (before >> 8));
    at = next;
  }
  return 0;
}
