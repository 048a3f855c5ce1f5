// drivora matrix: the catalogue of every board under every Windows version,
// each computed as catalogue --board computes it.
#pragma once

#include <ostream>
#include <string>
#include <vector>

#include "app/catalogue.h"
#include "tools/drivora/command_line.h"

namespace drivora::tool {

struct Matrix {
  std::string iniPath;
  std::vector<std::string> boards;   // board file names without ".board", sorted
  std::vector<std::string> windows;  // as given on the command line
  // One catalogue per column, board by board, each board's Windows in order.
  std::vector<std::vector<InstallEntry>> catalogues;
  // Entry names in the order they first appear, column by column.
  std::vector<std::string> rows;

  std::size_t Column(std::size_t board, std::size_t version) const { return board * windows.size() + version; }
  // The entry of that name in a column's catalogue, or null.
  const InstallEntry* Find(std::size_t column, const std::string& name) const;
};

// The Windows columns when none are given.
std::vector<std::pair<std::string, WindowsVersion>> DefaultMatrixWindows();

// Builds every catalogue; on a problem returns false with `error` set.
bool BuildMatrix(const Options& options, Matrix& matrix, std::string& error);
void PrintMatrixTable(const Matrix& matrix, std::ostream& out);
void PrintMatrixTsv(const Matrix& matrix, std::ostream& out);
// One self-contained page: inline style, no script, nothing fetched.
void WriteMatrixHtml(const Matrix& matrix, std::ostream& out);

// The command: returns the exit status.
int RunMatrix(const Options& options, std::ostream& out, std::ostream& errors);

}  // namespace drivora::tool
