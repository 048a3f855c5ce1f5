#include "sim/board_writer.h"

#include <cstdio>
#include <cstring>

namespace drivora {
namespace {

std::string Hex(unsigned value, int digits) {
  char text[16];
  std::snprintf(text, sizeof text, "%0*X", digits, value);
  return text;
}

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\v' || c == '\f'; }

// A value the reader gives back unchanged: one line, no zero byte, nothing it would trim.
bool ReadsBackAs(const std::string& value, std::size_t capacity) {
  if (value.empty() || value.size() >= capacity) return false;
  if (IsBlank(value.front()) || IsBlank(value.back())) return false;
  return value.find_first_of(std::string("\n\r\0", 3)) == std::string::npos;
}

// True when the header holds more than the short line gives: the identification,
// the revision byte and the dword at 0x2C.
bool NeedsConfigLine(const sim::PciFunction& f) {
  constexpr int kRevisionDword = 2, kSubsystemDword = 0x2C / 4;
  for (int d = 1; d < 64; ++d) {
    if (d == kSubsystemDword) continue;
    const std::uint32_t rest = d == kRevisionDword ? f.config[d] & ~0xFFu : f.config[d];
    if (rest) return true;
  }
  return false;
}

void WritePci(const sim::Board& board, std::string& out) {
  if (board.pciCount == 0) return;
  out += "\n[PCI]\n";
  for (int i = 0; i < board.pciCount; ++i) {
    const sim::PciFunction& f = board.pci[i];
    const std::string where = Hex(f.bus, 2) + ":" + Hex(f.device, 2) + "." + Hex(f.function, 1);
    const std::uint32_t id = f.config[0], subsystem = f.config[0x2C / 4];
    out += where + "=" + Hex(id & 0xFFFF, 4) + ":" + Hex(id >> 16, 4) + " " + Hex(subsystem & 0xFFFF, 4) + ":" +
           Hex(subsystem >> 16, 4) + " " + Hex(f.config[2] & 0xFF, 2) + "\n";
    if (!NeedsConfigLine(f)) continue;
    out += where + ".Config=";
    for (int d = 0; d < 64; ++d) {
      if (d) out += ' ';
      out += Hex(f.config[d], 8);
    }
    out += "\n";
  }
}

std::string Sequence(const std::uint8_t* bytes, int length) {
  std::string text;
  for (int i = 0; i < length; ++i) {
    if (i) text += ' ';
    text += Hex(bytes[i], 2);
  }
  return text;
}

// RR:VV for every register in [low, high) that does not read 00 (the reader's default).
std::string Pairs(const std::uint8_t* table, unsigned low, unsigned high) {
  std::string text;
  for (unsigned reg = low; reg < high; ++reg) {
    if (reg == 0x07 || table[reg] == 0) continue;
    if (!text.empty()) text += ' ';
    text += Hex(reg, 2) + ":" + Hex(table[reg], 2);
  }
  return text;
}

void WriteChip(const sim::SuperIoChip& chip, std::string& out) {
  if (!chip.present || chip.entryLength == 0) return;
  out += "\n[SuperIO." + Hex(chip.indexPort, 2) + "]\n";
  out += "Entry=" + Sequence(chip.entry, chip.entryLength) + "\n";
  if (chip.exitByRegister) out += "ExitRegister=" + Hex(chip.exitRegister, 2) + ":" + Hex(chip.exitValue, 2) + "\n";
  else out += "Exit=" + Sequence(chip.exit, chip.exitLength) + "\n";
  const std::string global = Pairs(chip.global, 0x00, 0x30);
  if (!global.empty()) out += "Registers=" + global + "\n";
  for (int device = 0; device < sim::kLogicalDevices; ++device) {
    const std::string registers = Pairs(chip.device[device], 0x30, 0x100);
    if (!registers.empty()) out += "Device." + Hex(static_cast<unsigned>(device), 1) + "=" + registers + "\n";
  }
}

void WriteEnumKeys(const sim::Board& board, std::string& out, std::vector<std::string>& leftOut) {
  std::string lines;
  for (int i = 0; i < board.enumKeyCount; ++i) {
    const std::string key(board.enumKeys[i], strnlen(board.enumKeys[i], sim::kMaxEnumKeyBytes));
    if (ReadsBackAs(key, sim::kMaxEnumKeyBytes)) lines += "Key=" + key + "\n";
    else leftOut.push_back("device key '" + key + "'");
  }
  if (!lines.empty()) out += "\n[Enum]\n" + lines;
}

}  // namespace

std::string FormatBoardFile(const sim::Board& board, const BoardFileText& text, std::vector<std::string>& leftOut) {
  std::string out;
  for (const std::string& comment : text.comments) {
    if (comment.find_first_of("\r\n") == std::string::npos) out += "; " + comment + "\n";
    else leftOut.push_back("comment '" + comment + "'");
  }
  out += "[Board]\n";
  const std::string name(board.name, strnlen(board.name, sim::kMaxNameBytes));
  if (ReadsBackAs(name, sim::kMaxNameBytes)) out += "Name=" + name + "\n";
  else if (!name.empty()) leftOut.push_back("board name '" + name + "'");
  WritePci(board, out);
  for (const sim::SuperIoChip& chip : board.superIo) WriteChip(chip, out);
  if (!text.imageName.empty()) {
    if (ReadsBackAs(text.imageName, 260)) out += "\n[Firmware]\nImage=" + text.imageName + "\n";
    else leftOut.push_back("image name '" + text.imageName + "'");
  }
  WriteEnumKeys(board, out, leftOut);
  return out;
}

}  // namespace drivora
