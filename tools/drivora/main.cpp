// drivora: the disc author's tool. It runs the wizard's own start-up code on a
// disc's Setup.ini without Windows, so that it cannot disagree with the wizard.
#include <iostream>
#include <string>
#include <vector>

#include "sim/board_hardware.h"
#include "tools/drivora/capture_command.h"
#include "tools/drivora/command_line.h"
#include "tools/drivora/disc_session.h"
#include "tools/drivora/explain.h"
#include "tools/drivora/import_command.h"
#include "tools/drivora/lint.h"
#include "tools/drivora/matrix.h"
#include "tools/drivora/report.h"

namespace {

using namespace drivora::tool;

int Fail(const std::string& message) {
  std::cerr << "drivora: " << message << "\n";
  return 2;
}

int BoardCheck(const Options& options) {
  std::string error;
  const auto board = drivora::LoadBoardFile(options.boardPath, error);
  if (!board) return Fail(error);
  PrintBoard(*board, std::cout);
  return 0;
}

int RunOnDisc(const Options& options) {
  std::string error;
  auto session = DiscSession::Open(options, error);
  if (!session) return Fail(error);
  if (options.command == Command::Explain) return Explain(*session, options, std::cout);
  if (!session->BuildCatalogue()) return Fail("start-up ended: no Windows version, or the I/O driver did not open");
  drivora::AppState& app = session->App();
  if (options.command == Command::Profile) {
    std::cout << app.OsProfile << "\n";
  } else if (options.tsv) {
    PrintCatalogueTsv(app, std::cout);
  } else {
    std::cout << "Windows " << RunningWindowsText(app) << ", language " << app.LanguageId
              << ", profile \"" << app.OsProfile << "\"\n";
    PrintCatalogueTable(app, std::cout);
  }
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  std::string error;
  const auto options = ParseCommandLine(std::vector<std::string>(argv + 1, argv + argc), error);
  if (!options) return Fail(error);
  switch (options->command) {
    case Command::Help: std::cout << UsageText(); return 0;
    case Command::BoardCheck: return BoardCheck(*options);
    case Command::BoardCapture: return RunBoardCapture(*options, std::cout, std::cerr);
    case Command::BoardImport: return RunBoardImport(*options, std::cout, std::cerr);
    case Command::Lint: return Lint(*options, std::cout, std::cerr);
    case Command::Matrix: return RunMatrix(*options, std::cout, std::cerr);
    default: return RunOnDisc(*options);
  }
}
