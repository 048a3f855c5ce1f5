#include "tools/drivora/matrix.h"

#include <algorithm>
#include <filesystem>
#include <fstream>

#include "app/byte_strings.h"
#include "tools/drivora/disc_session.h"

namespace drivora::tool {
namespace {

namespace fs = std::filesystem;

bool ListBoards(const std::string& dir, std::vector<fs::path>& files, std::string& error) {
  std::error_code code;
  for (fs::directory_iterator it(dir, code), end; !code && it != end; it.increment(code))
    if (it->path().extension() == ".board" && it->is_regular_file()) files.push_back(it->path());
  if (code) {
    error = "--boards: cannot read the folder " + dir;
    return false;
  }
  if (files.empty()) {
    error = "--boards: no *.board file in " + dir;
    return false;
  }
  std::sort(files.begin(), files.end(), [](const fs::path& a, const fs::path& b) { return a.filename() < b.filename(); });
  return true;
}

bool BuildColumn(const Options& options, const fs::path& board, const WindowsVersion& windows,
                 std::vector<InstallEntry>& catalogue, std::string& error) {
  Options column = options;
  column.boardPath = board.string();
  column.windows = windows;
  auto session = DiscSession::Open(column, error);
  if (!session) return false;
  if (!session->BuildCatalogue()) {
    error = "start-up ended on " + column.boardPath + ": no Windows version, or the I/O driver did not open";
    return false;
  }
  catalogue = session->App().Catalogue.Entries;
  return true;
}

// The browse and exit entries close every catalogue, and the table.
bool IsFixedEntry(const std::string& key) {
  const std::string category = GetEntryCategory(key);
  return category == "EXPLORER" || category == "EXIT";
}

void CollectRows(Matrix& matrix) {
  std::vector<std::string> fixed;
  for (const auto& catalogue : matrix.catalogues)
    for (const InstallEntry& entry : catalogue) {
      const std::string name = GetEntryName(entry.key);
      auto& rows = IsFixedEntry(entry.key) ? fixed : matrix.rows;
      const bool known = std::any_of(rows.begin(), rows.end(),
                                     [&](const std::string& row) { return EqualsIgnoreAsciiCase(row, name); });
      if (!known) rows.push_back(name);
    }
  matrix.rows.insert(matrix.rows.end(), fixed.begin(), fixed.end());
}

void PrintLine(std::string line, std::ostream& out) {
  while (!line.empty() && line.back() == ' ') line.pop_back();
  out << line << "\n";
}

std::string Padded(std::string text, std::size_t width) {
  if (text.size() < width) text.resize(width, ' ');
  return text;
}

}  // namespace

const InstallEntry* Matrix::Find(std::size_t column, const std::string& name) const {
  for (const InstallEntry& entry : catalogues[column])
    if (EqualsIgnoreAsciiCase(GetEntryName(entry.key), name)) return &entry;
  return nullptr;
}

std::vector<std::pair<std::string, WindowsVersion>> DefaultMatrixWindows() {
  std::vector<std::pair<std::string, WindowsVersion>> list;
  for (const char* preset : {"98", "xp", "7-x64"}) list.emplace_back(preset, *ParseWindowsVersion(preset));
  return list;
}

bool BuildMatrix(const Options& options, Matrix& matrix, std::string& error) {
  std::vector<fs::path> files;
  if (!ListBoards(options.boardsDir, files, error)) return false;
  const auto windows = options.windowsList.empty() ? DefaultMatrixWindows() : options.windowsList;
  matrix.iniPath = options.iniPath;
  for (const auto& [label, version] : windows) matrix.windows.push_back(label);
  for (const fs::path& file : files) {
    matrix.boards.push_back(file.stem().string());
    for (const auto& [label, version] : windows) {
      matrix.catalogues.emplace_back();
      if (!BuildColumn(options, file, version, matrix.catalogues.back(), error)) return false;
    }
  }
  CollectRows(matrix);
  return true;
}

void PrintMatrixTable(const Matrix& matrix, std::ostream& out) {
  std::size_t nameWidth = 5;
  for (const std::string& row : matrix.rows) nameWidth = std::max(nameWidth, row.size() + 2);
  std::size_t cellWidth = 2;
  for (const std::string& w : matrix.windows) cellWidth = std::max(cellWidth, w.size() + 1);
  // Each board's name fits over its columns: boards are often told apart by
  // their last letters only.
  const std::size_t windowCount = std::max<std::size_t>(matrix.windows.size(), 1);
  for (const std::string& board : matrix.boards)
    cellWidth = std::max(cellWidth, (board.size() + 1 + windowCount - 1) / windowCount);
  const std::size_t groupWidth = cellWidth * matrix.windows.size();
  std::string boards = Padded("", nameWidth), windows = Padded("entry", nameWidth);
  for (const std::string& board : matrix.boards) {
    boards += "| " + Padded(board, groupWidth);
    windows += "| ";
    for (const std::string& w : matrix.windows) windows += Padded(w, cellWidth);
  }
  PrintLine(boards, out);
  PrintLine(windows, out);
  for (const std::string& row : matrix.rows) {
    std::string line = Padded(row, nameWidth);
    for (std::size_t b = 0; b < matrix.boards.size(); ++b) {
      line += "| ";
      for (std::size_t w = 0; w < matrix.windows.size(); ++w)
        line += Padded(matrix.Find(matrix.Column(b, w), row) ? "x" : ".", cellWidth);
    }
    PrintLine(line, out);
  }
}

void PrintMatrixTsv(const Matrix& matrix, std::ostream& out) {
  for (std::size_t b = 0; b < matrix.boards.size(); ++b)
    for (std::size_t w = 0; w < matrix.windows.size(); ++w)
      for (const InstallEntry& entry : matrix.catalogues[matrix.Column(b, w)])
        out << matrix.boards[b] << '\t' << matrix.windows[w] << '\t' << entry.key << '\t' << entry.value << '\n';
}

int RunMatrix(const Options& options, std::ostream& out, std::ostream& errors) {
  Matrix matrix;
  std::string error;
  if (!BuildMatrix(options, matrix, error)) {
    errors << "drivora: " << error << "\n";
    return 2;
  }
  if (options.tsv) PrintMatrixTsv(matrix, out);
  else PrintMatrixTable(matrix, out);
  if (options.htmlPath.empty()) return 0;
  std::ofstream page(options.htmlPath, std::ios::binary);
  WriteMatrixHtml(matrix, page);
  page.close();
  if (!page) {
    errors << "drivora: cannot write " << options.htmlPath << "\n";
    return 2;
  }
  return 0;
}

}  // namespace drivora::tool
