// The port instructions the wizard executes on the 9x family, decoded from
// their bytes and carried out against a Hardware back end. Test-only: the
// 9x harness (tests/ninex/win32) answers them this way when they fault under
// Wine; the host tests check every form here without Windows.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "detect/hardware.h"

namespace drivora::ninex {

enum class PortDirection { In, Out };

// One decoded `in`/`out`: the port is in dx or an immediate byte; the value
// travels in al or eax.
struct PortInstruction {
  PortDirection direction = PortDirection::In;
  int width = 1;  // 1 (al) or 4 (eax)
  bool portInDx = false;
  std::uint8_t immediatePort = 0;
  int length = 0;  // bytes to step past
};

struct Decoded {
  bool ok = false;
  PortInstruction instruction;
  std::string refusal;  // why not, naming the bytes, when !ok
};

// Decodes the instruction at `bytes` (`available` of them readable). Only the
// byte and dword forms are answered: E4 E5 EC ED (in) and E6 E7 EE EF (out).
// The operand-size prefix 0x66 turns those into word forms, which the wizard
// never executes and the board model has no answer for: refused, as is any
// other prefix or instruction.
Decoded DecodePortInstruction(const std::uint8_t* bytes, std::size_t available);

// The two registers a port instruction reads or writes.
struct PortRegisters {
  std::uint32_t eax = 0;
  std::uint32_t edx = 0;
};

// Carries out the instruction against `hardware`: the same four operations,
// and so the same counts, as the wizard's own calls through the Hardware seam.
// A byte read replaces al only; the rest of eax stays.
void ExecutePortInstruction(const PortInstruction& instruction, PortRegisters& registers, Hardware& hardware);

// The port the instruction addresses, from dx or its immediate byte.
std::uint16_t PortOf(const PortInstruction& instruction, const PortRegisters& registers);

// "in al,dx" and the like, for messages.
std::string Describe(const PortInstruction& instruction);

}  // namespace drivora::ninex
