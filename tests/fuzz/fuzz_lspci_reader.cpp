// The reader of lspci's text on arbitrary bytes. Whatever the text, it either
// refuses with a message and nothing read, or gives functions of domain 0 in
// the scan's order that a board file holds exactly: written and read back,
// the board is the same.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "fuzz_check.h"
#include "sim/board.h"
#include "sim/board_parser.h"
#include "sim/board_writer.h"
#include "tools/drivora/lspci_reader.h"

namespace {

using drivora::sim::Board;
using drivora::tool::LspciFunction;

std::size_t LineCount(std::string_view text) {
  std::size_t lines = 1;
  for (char c : text) lines += c == '\n';
  return lines;
}

// Field by field: the padding of a copied function is not part of it.
bool SameFunction(const drivora::sim::PciFunction& a, const drivora::sim::PciFunction& b) {
  return a.bus == b.bus && a.device == b.device && a.function == b.function &&
         std::memcmp(a.config, b.config, sizeof a.config) == 0;
}

unsigned Location(const LspciFunction& f) { return f.pci.bus << 8 | f.pci.device << 3 | f.pci.function; }

void CheckFunction(const LspciFunction& f) {
  FUZZ_CHECK(f.pci.device <= 0x1F && f.pci.function <= 7);
  FUZZ_CHECK(f.pci.config[0] != 0xFFFFFFFFu);
  FUZZ_CHECK(f.headerBytes == 0 || (f.headerBytes >= 64 && f.headerBytes <= 256 && f.headerBytes % 16 == 0));
  if (f.headerBytes) return;
  // The text alone gives the identification, the revision and the dword at 0x2C, nothing more.
  for (int d = 1; d < 64; ++d) {
    if (d == 11) continue;
    FUZZ_CHECK((d == 2 ? f.pci.config[d] & ~0xFFu : f.pci.config[d]) == 0);
  }
}

void CheckWrittenBoardReadsBack(const std::vector<LspciFunction>& functions) {
  static Board* const board = new Board;
  static Board* const again = new Board;
  std::memset(board, 0, sizeof *board);
  for (const LspciFunction& f : functions)
    if (board->pciCount < drivora::sim::kMaxPciFunctions) board->pci[board->pciCount++] = f.pci;
  std::vector<std::string> leftOut;
  const std::string text = drivora::FormatBoardFile(*board, {{"fuzz"}, ""}, leftOut);
  FUZZ_CHECK(leftOut.empty());
  drivora::sim::BoardParseError error;
  FUZZ_CHECK(drivora::sim::ParseBoard(text.data(), text.size(), *again, nullptr, nullptr, error));
  FUZZ_CHECK(again->pciCount == board->pciCount);
  for (int i = 0; i < board->pciCount; ++i) FUZZ_CHECK(SameFunction(again->pci[i], board->pci[i]));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  drivora::tool::LspciImport import;
  drivora::tool::LspciMessage refusal;
  const bool read = drivora::tool::ReadLspciText(text, import, refusal);
  const std::size_t lines = LineCount(text);
  if (!read) {
    FUZZ_CHECK(!refusal.text.empty() && refusal.line >= 0 && static_cast<std::size_t>(refusal.line) <= lines);
    FUZZ_CHECK(import.functions.empty() && import.notes.empty());
    return 0;
  }
  FUZZ_CHECK(refusal.text.empty() && !import.functions.empty());
  for (std::size_t i = 0; i < import.functions.size(); ++i) {
    CheckFunction(import.functions[i]);
    if (i) FUZZ_CHECK(Location(import.functions[i - 1]) < Location(import.functions[i]));
  }
  for (const auto& note : import.notes)
    FUZZ_CHECK(!note.text.empty() && note.line >= 0 && static_cast<std::size_t>(note.line) <= lines);
  CheckWrittenBoardReadsBack(import.functions);
  return 0;
}
