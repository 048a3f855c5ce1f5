#include "tests/ninex/port_instruction.h"

#include <cstdio>

namespace drivora::ninex {
namespace {

constexpr std::uint8_t kOperandSize = 0x66;

std::string HexBytes(const std::uint8_t* bytes, std::size_t count) {
  std::string text;
  for (std::size_t i = 0; i < count; ++i) {
    char hex[4];
    std::snprintf(hex, sizeof hex, "%s%02X", i ? " " : "", bytes[i]);
    text += hex;
  }
  return text;
}

Decoded Refuse(const std::uint8_t* bytes, std::size_t available, const std::string& why) {
  Decoded result;
  const std::size_t shown = available < 4 ? available : 4;
  result.refusal = "instruction bytes " + (shown ? HexBytes(bytes, shown) : std::string("(none readable)")) + ": " + why;
  return result;
}

bool IsPortOpcode(std::uint8_t op) { return (op >= 0xE4 && op <= 0xE7) || (op >= 0xEC && op <= 0xEF); }

}  // namespace

Decoded DecodePortInstruction(const std::uint8_t* bytes, std::size_t available) {
  if (available == 0) return Refuse(bytes, 0, "nothing to decode");
  const std::uint8_t op = bytes[0];
  if (op == kOperandSize) {
    if (available >= 2 && IsPortOpcode(bytes[1]))
      return Refuse(bytes, available, "16-bit port access (operand-size prefix): the wizard has none, and the board "
                                      "model answers bytes and dwords only");
    return Refuse(bytes, available, "operand-size prefix before an instruction that is not a port instruction");
  }
  if (op >= 0x6C && op <= 0x6F) return Refuse(bytes, available, "string port instruction (ins/outs) is not answered");
  if (!IsPortOpcode(op)) return Refuse(bytes, available, "not a port instruction the harness answers");

  Decoded result;
  PortInstruction& in = result.instruction;
  in.direction = (op & 0x02) ? PortDirection::Out : PortDirection::In;
  in.width = (op & 0x01) ? 4 : 1;
  in.portInDx = (op & 0x08) != 0;
  if (in.portInDx) {
    in.length = 1;
  } else {
    if (available < 2) return Refuse(bytes, available, "immediate port byte is not readable");
    in.immediatePort = bytes[1];
    in.length = 2;
  }
  result.ok = true;
  return result;
}

std::uint16_t PortOf(const PortInstruction& instruction, const PortRegisters& registers) {
  return instruction.portInDx ? static_cast<std::uint16_t>(registers.edx & 0xFFFF) : instruction.immediatePort;
}

void ExecutePortInstruction(const PortInstruction& instruction, PortRegisters& registers, Hardware& hardware) {
  const std::uint16_t port = PortOf(instruction, registers);
  if (instruction.direction == PortDirection::In) {
    if (instruction.width == 1)
      registers.eax = (registers.eax & 0xFFFFFF00u) | hardware.ReadPortByte(port);
    else
      registers.eax = hardware.ReadPortDword(port);
    return;
  }
  if (instruction.width == 1)
    hardware.WritePortByte(port, static_cast<std::uint8_t>(registers.eax));
  else
    hardware.WritePortDword(port, registers.eax);
}

std::string Describe(const PortInstruction& instruction) {
  const std::string value = instruction.width == 1 ? "al" : "eax";
  char immediate[8];
  std::snprintf(immediate, sizeof immediate, "0x%02X", instruction.immediatePort);
  const std::string port = instruction.portInDx ? "dx" : immediate;
  return instruction.direction == PortDirection::In ? "in " + value + "," + port : "out " + port + "," + value;
}

}  // namespace drivora::ninex
