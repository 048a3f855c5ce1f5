#include "tools/drivora/import_command.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>

#include "app/file_contents.h"
#include "tools/drivora/board_output.h"
#include "tools/drivora/lspci_reader.h"

namespace drivora::tool {
namespace {

int Fail(std::ostream& err, const std::string& message) {
  err << "drivora: " << message << "\n";
  return 2;
}

std::string Where(const std::string& path, const LspciMessage& message) {
  return path + ":" + (message.line ? std::to_string(message.line) + ":" : std::string());
}

// The functions in the board, as many as it holds.
void FillBoard(const LspciImport& import, sim::Board& board, std::vector<std::string>& leftOut) {
  for (const LspciFunction& f : import.functions) {
    if (board.pciCount < sim::kMaxPciFunctions) board.pci[board.pciCount++] = f.pci;
  }
  const std::size_t beyond = import.functions.size() - static_cast<std::size_t>(board.pciCount);
  if (beyond)
    leftOut.push_back(std::to_string(beyond) + " PCI functions beyond the first " +
                      std::to_string(sim::kMaxPciFunctions));
}

std::vector<std::string> Comments(const std::string& source, const LspciImport& import) {
  std::vector<std::string> comments = {
      "Imported by drivora board import from " + source + ", the output of lspci.",
      "lspci shows no Super I/O chip, firmware area or device keys: this board has none."};
  int shortDumps = 0;
  for (const LspciFunction& f : import.functions) shortDumps += f.headerBytes > 0 && f.headerBytes < 256;
  if (shortDumps)
    comments.push_back(std::to_string(shortDumps) + " headers come from dumps shorter than 256 bytes (lspci -x):" +
                       " their other bytes are written as zeros.");
  return comments;
}

}  // namespace

int RunBoardImport(const Options& options, std::ostream& out, std::ostream& err) {
  const std::string& source = options.lspciPath;
  const std::optional<std::string> contents = ReadRegularFile(source);
  if (!contents) return Fail(err, source + ": cannot be read");
  const std::string& text = *contents;
  LspciImport import;
  LspciMessage refusal;
  if (!ReadLspciText(text, import, refusal)) return Fail(err, Where(source, refusal) + " " + refusal.text);
  for (const LspciMessage& note : import.notes) err << "drivora: " << Where(source, note) << " note: " << note.text << "\n";

  auto board = std::make_unique<sim::Board>();
  std::vector<std::string> leftOut;
  FillBoard(import, *board, leftOut);
  const std::string name = options.boardName.value_or("Imported from " + std::filesystem::path(source).filename().string());
  std::snprintf(board->name, sizeof board->name, "%s", name.c_str());
  std::string error;
  const bool saved = SaveBoard(options.boardPath, *board, Comments(source, import), false, leftOut, error);
  for (const std::string& what : leftOut) err << "drivora: left out: " << what << "\n";
  if (!saved) return Fail(err, error);
  out << "imported " << board->pciCount << " PCI functions from " << source << " into " << options.boardPath << "\n";
  return 0;
}

}  // namespace drivora::tool
