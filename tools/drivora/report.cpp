#include "tools/drivora/report.h"

#include <cstdio>
#include <cstring>
#include <string>

#include "app/byte_strings.h"
#include "app/program_texts.h"
#include "detect/bios.h"
#include "detect/pci_scan.h"
#include "portio/board_addresses.h"
#include "sim/windows_version.h"

namespace drivora::tool {
namespace {

std::string Hex(unsigned value, int digits) {
  char text[16];
  std::snprintf(text, sizeof text, "%0*X", digits, value);
  return text;
}

std::string Column(std::string text, std::size_t width) {
  if (text.size() < width) text.resize(width, ' ');
  return text;
}

void PrintSuperIo(const sim::SuperIoChip& chip, std::ostream& out) {
  out << "Super I/O at 0x" << Hex(chip.indexPort, 2) << ": entry";
  for (int i = 0; i < chip.entryLength; ++i) out << ' ' << Hex(chip.entry[i], 2);
  if (chip.exitByRegister) {
    out << ", exit by writing " << Hex(chip.exitValue, 2) << " to register " << Hex(chip.exitRegister, 2);
  } else {
    out << ", exit";
    for (int i = 0; i < chip.exitLength; ++i) out << ' ' << Hex(chip.exit[i], 2);
  }
  out << "\n  global registers:";
  bool any = false;
  for (int r = 0; r < 0x30; ++r)
    if (chip.global[r]) out << ' ' << Hex(static_cast<unsigned>(r), 2) << '=' << Hex(chip.global[r], 2), any = true;
  if (!any) out << " all 00";
  out << "\n";
  for (int d = 0; d < sim::kLogicalDevices; ++d) {
    std::string registers;
    for (int r = 0x30; r < 0x100; ++r) {
      if (!chip.device[d][r]) continue;
      registers += ' ';
      registers += Hex(static_cast<unsigned>(r), 2) + "=" + Hex(chip.device[d][r], 2);
    }
    if (!registers.empty()) out << "  logical device " << Hex(static_cast<unsigned>(d), 1) << ":" << registers << "\n";
  }
}

}  // namespace

// The name of a display category: its piece of the category list.
std::string CategoryName(const AppState& app, std::uint32_t index) {
  const std::string list = LoadText(app, kTextCategoryList, 256);
  std::uint32_t n = 0;
  for (std::string_view piece : SplitAt(list, '.')) {
    if (piece.empty()) continue;
    if (n++ == index) return std::string(piece);
  }
  return "?";
}

void PrintCatalogueTable(const AppState& app, std::ostream& out) {
  out << Column("  #", 5) << Column("image", 10) << Column("name", 42) << "description\n";
  int row = 0;
  for (const InstallEntry& entry : app.Catalogue.Entries) {
    const std::string image = CategoryName(app, GetDisplayCategory(app, entry.key));
    std::string number = std::to_string(++row);
    number.insert(0, number.size() < 3 ? 3 - number.size() : 0, ' ');
    out << Column(number, 5) << Column(image, 10) << Column(GetEntryName(entry.key), 42) << entry.value << "\n";
  }
}

std::string RunningWindowsText(const AppState& app) {
  WindowsVersion running;
  running.version = app.OsVersion;
  std::uint8_t productType = 0;
  if (app.Sys.Os->GetProductType(productType) == 1) running.productType = productType;
  running.wow64 = app.Sys.Os->IsWow64();
  return FormatWindowsVersion(running);
}

void PrintCatalogueTsv(const AppState& app, std::ostream& out) {
  for (const InstallEntry& entry : app.Catalogue.Entries) out << entry.key << '\t' << entry.value << '\n';
}

void PrintHardwareCounts(const HardwareCounts& c, std::ostream& out) {
  out << "  port byte reads   " << c.readByte << "\n"
      << "  port byte writes  " << c.writeByte << "\n"
      << "  port dword reads  " << c.readDword << "\n"
      << "  port dword writes " << c.writeDword << "\n"
      << "  memory maps       " << c.map << "\n"
      << "  memory unmaps     " << c.unmap << "\n"
      << "  total             " << c.Total() << "\n";
}

void PrintBoard(const sim::Board& board, std::ostream& out) {
  out << "Board: " << (board.name[0] ? board.name : "(no name)") << "\n";
  out << "PCI functions: " << board.pciCount << "\n";
  for (int i = 0; i < board.pciCount; ++i) {
    const sim::PciFunction& f = board.pci[i];
    out << "  " << Hex(f.bus, 2) << ':' << Hex(f.device, 2) << '.' << Hex(f.function, 1) << "  "
        << Hex(f.config[0] & 0xFFFF, 4) << ':' << Hex(f.config[0] >> 16, 4) << "  subsystem "
        << Hex(f.config[0x2C / 4] & 0xFFFF, 4) << ':' << Hex(f.config[0x2C / 4] >> 16, 4) << "  revision "
        << Hex(f.config[2] & 0xFF, 2)
        << (f.bus > kScannedLastBus ? "  (beyond bus 128: the wizard never scans it)" : "") << "\n";
  }
  bool anyChip = false;
  for (const sim::SuperIoChip& chip : board.superIo)
    if (chip.present) PrintSuperIo(chip, out), anyChip = true;
  if (!anyChip) out << "Super I/O: none\n";
  const std::string record = BuildBiosRecord(board.firmware, kFirmwareSize);
  const std::size_t first = record.find(kFieldSeparator);
  out << "Firmware identification: \"" << record.substr(0, first) << "\" (model \""
      << StripBiosDate(record.substr(0, first)) << "\")\n";
  out << "Firmware tags:";
  std::size_t start = first + 1;
  if (start >= record.size()) out << " none";
  for (std::size_t end; start < record.size() && (end = record.find(kFieldSeparator, start)) != std::string::npos; start = end + 1)
    out << " \"" << record.substr(start, end - start) << "\"";
  out << "\nDevice keys below HKEY_LOCAL_MACHINE\\Enum: " << board.enumKeyCount << "\n";
  for (int i = 0; i < board.enumKeyCount; ++i) out << "  " << board.enumKeys[i] << "\n";
}

}  // namespace drivora::tool
