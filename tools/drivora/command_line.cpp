#include "tools/drivora/command_line.h"

#include <charconv>

namespace drivora::tool {
namespace {

bool ParseLanguage(const std::string& text, std::uint16_t& out) {
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), out);
  return !text.empty() && error == std::errc{} && end == text.data() + text.size();
}

// Which options each command takes.
struct Accepts {
  bool ini, windows, board, boardRequired, tsv, hardware;
};

Accepts AcceptsFor(Command command) {
  switch (command) {
    case Command::Profile: return {true, true, false, false, false, false};
    case Command::Catalogue: return {true, true, true, false, true, true};
    case Command::Explain: return {true, true, true, true, false, true};
    case Command::BoardCheck: return {false, false, true, true, false, false};
    case Command::BoardCapture: return {false, false, true, true, false, false};
    case Command::BoardImport: return {false, false, true, true, false, false};
    case Command::Lint: return {true, false, false, false, false, false};
    case Command::Matrix: return {true, true, false, false, true, false};
    case Command::Help: break;
  }
  return {};
}

class Parser {
 public:
  Parser(const std::vector<std::string>& args, std::string& error) : args_(args), error_(error) {}
  std::optional<Options> Run();

 private:
  bool Fail(const std::string& message) {
    error_ = message;
    return false;
  }
  bool Command();
  bool Option(std::size_t& i, const Accepts& accepts);

  const std::vector<std::string>& args_;
  std::string& error_;
  Options options_;
  std::size_t first_ = 1;
  bool windowsGiven_ = false;
  std::string name_;
};

bool Parser::Command() {
  const std::string& word = args_[0];
  name_ = word;
  if (word == "profile") options_.command = Command::Profile;
  else if (word == "catalogue") options_.command = Command::Catalogue;
  else if (word == "explain") options_.command = Command::Explain;
  else if (word == "lint") options_.command = Command::Lint;
  else if (word == "matrix") options_.command = Command::Matrix;
  else if (word == "board" && args_.size() > 1 && args_[1] == "check") {
    options_.command = Command::BoardCheck;
    name_ = "board check";
    first_ = 2;
  } else if (word == "board" && args_.size() > 1 && args_[1] == "capture") {
    options_.command = Command::BoardCapture;
    name_ = "board capture";
    first_ = 2;
  } else if (word == "board" && args_.size() > 1 && args_[1] == "import") {
    options_.command = Command::BoardImport;
    name_ = "board import";
    first_ = 2;
  } else {
    return Fail("unknown command '" + word + "' (try --help)");
  }
  return true;
}

bool Parser::Option(std::size_t& i, const Accepts& accepts) {
  const std::string& arg = args_[i];
  const bool takesValue = arg == "--windows" || arg == "--lang" || arg == "--board" || arg == "--disc" ||
                          arg == "--boards" || arg == "--html" || arg == "--name";
  if (takesValue && i + 1 >= args_.size()) return Fail(arg + " needs a value");
  if (arg == "--windows" && accepts.windows) {
    const std::string& value = args_[++i];
    const auto described = ParseWindowsVersion(value);
    if (!described) return Fail("--windows: '" + value + "' is not PLATFORM.MAJOR.MINOR.BUILD[:type][:wow64] or a preset name");
    options_.windows = *described;
    options_.windowsList.emplace_back(value, *described);
    windowsGiven_ = true;
  } else if (arg == "--lang" && accepts.windows) {
    const std::string& value = args_[++i];
    if (!ParseLanguage(value, options_.languageId)) return Fail("--lang: '" + value + "' is not a language id such as 1033 or 2052");
  } else if (arg == "--board" && accepts.board && accepts.ini) {
    options_.boardPath = args_[++i];
  } else if (arg == "--tsv" && accepts.tsv) {
    options_.tsv = true;
  } else if (arg == "--hardware" && accepts.hardware) {
    options_.hardware = true;
  } else if (arg == "--disc" && options_.command == Command::Lint) {
    options_.discPath = args_[++i];
  } else if (arg == "--boards" && options_.command == Command::Matrix) {
    options_.boardsDir = args_[++i];
  } else if (arg == "--html" && options_.command == Command::Matrix) {
    options_.htmlPath = args_[++i];
  } else if (arg == "--name" && options_.command == Command::BoardImport) {
    options_.boardName = args_[++i];
  } else if (!arg.starts_with("-") && options_.command == Command::BoardImport && options_.lspciPath.empty()) {
    options_.lspciPath = arg;
  } else if (!arg.starts_with("-") && accepts.ini && options_.iniPath.empty()) {
    options_.iniPath = arg;
  } else if (!arg.starts_with("-") && !accepts.ini && options_.boardPath.empty()) {
    options_.boardPath = arg;
  } else {
    return Fail("unexpected argument '" + arg + "' for " + name_);
  }
  return true;
}

std::optional<Options> Parser::Run() {
  if (args_.empty() || args_[0] == "--help" || args_[0] == "-h" || args_[0] == "help") return options_;
  if (!Command()) return std::nullopt;
  const Accepts accepts = AcceptsFor(options_.command);
  for (std::size_t i = first_; i < args_.size(); ++i)
    if (!Option(i, accepts)) return std::nullopt;
  if (accepts.ini && options_.iniPath.empty()) Fail(name_ + " needs the path of a Setup.ini");
  else if (options_.hardware && (windowsGiven_ || !options_.boardPath.empty()))
    Fail("--hardware uses this machine: it takes neither --windows nor --board");
  else if (options_.command == Command::Matrix && options_.boardsDir.empty()) Fail(name_ + " needs --boards DIR");
  else if (accepts.windows && !windowsGiven_ && !options_.hardware && options_.command != Command::Matrix) Fail(name_ + " needs --windows VERSION");
  else if (options_.command == Command::BoardImport && options_.boardPath.empty())
    Fail(name_ + " needs the file of lspci's output and the board file to write");
  else if (accepts.boardRequired && options_.boardPath.empty() && !options_.hardware) Fail(name_ + " needs a board file");
  if (!error_.empty()) return std::nullopt;
  return options_;
}

}  // namespace

std::optional<Options> ParseCommandLine(const std::vector<std::string>& args, std::string& error) {
  return Parser(args, error).Run();
}

std::string UsageText() {
  return "usage: drivora profile SETUP.INI --windows VERSION [--lang ID]\n"
         "       drivora catalogue SETUP.INI --windows VERSION [--board BOARD] [--lang ID] [--tsv]\n"
         "       drivora explain SETUP.INI --board BOARD --windows VERSION [--lang ID]\n"
         "       drivora lint SETUP.INI [--disc DIR]\n"
         "       drivora matrix SETUP.INI --boards DIR [--windows VERSION]... [--lang ID] [--tsv] [--html FILE]\n"
         "       drivora catalogue|explain SETUP.INI --hardware [--tsv]      (Windows, as administrator)\n"
         "       drivora board check BOARD\n"
         "       drivora board capture BOARD                    (Windows as administrator, or Linux)\n"
         "       drivora board import LSPCI.TXT BOARD [--name TEXT]\n"
         "\n"
         "profile      the Windows profile the wizard chooses from [WinVer], with its trailing \".\"\n"
         "catalogue    the entries the wizard lists, in order; with --board, detection runs against\n"
         "             that simulated board; --tsv prints exactly one line per entry, key<TAB>value,\n"
         "             and nothing else\n"
         "explain      how the catalogue comes about on a board: the WinVer rule, the Super I/O\n"
         "             tokens, every hardware key tried, the BIOS model and tags, where each entry\n"
         "             came from, what was refused or removed, and the hardware requests it cost\n"
         "lint         checks a Setup.ini for what the wizard would quietly get wrong, one line per\n"
         "             finding, FILE:LINE: error|warning|note: message; exit status 1 when there is\n"
         "             an error. WinVer rules (order, rules no Windows chooses, repeated keys),\n"
         "             entry names over 63 characters and values over 1023, entries without a\n"
         "             command list, command lists over 259 characters or 256 commands, empty\n"
         "             commands, programs whose \".EXE\" is not in capitals (opened through Explorer,\n"
         "             not waited for), the LANG.1033 texts, SOUND_CARD lines, lines without \"=\",\n"
         "             repeated sections and names. With --disc DIR, every command's file must be in\n"
         "             DIR, the disc's folder; names are matched without regard to case, as Windows\n"
         "             does, and a note tells where the disc spells one differently\n"
         "matrix       which entries every board (every *.board file in DIR, by name) gets under\n"
         "             every Windows version (--windows may repeat; default 98, xp, 7-x64), as\n"
         "             catalogue --board computes them: a table with one row per entry name and a\n"
         "             column per board and Windows; --tsv prints board<TAB>windows<TAB>key<TAB>value\n"
         "             lines in catalogue order instead; --html FILE also writes the table as one\n"
         "             self-contained page that marks what differs between boards\n"
         "board check  validates a board file and prints what the model holds\n"
         "board capture  records this machine's board as BOARD, with the firmware area in a .rom file\n"
         "             beside it: on Windows through the wizard's own I/O driver; on Linux from sysfs\n"
         "             (the PCI functions), /dev/port (the Super I/O chips) and /dev/mem (the firmware\n"
         "             area), where readable; what it cannot read it leaves out and names\n"
         "board import  makes BOARD of the output of lspci (-nn, -nnvv, -x, -xxx, or several at\n"
         "             once): the PCI functions as the wizard reads them; --name names the board.\n"
         "             What the text does not tell, and what is left out, is named\n"
         "--hardware   runs on this machine instead: its Windows, and its board through the wizard's\n"
         "             own I/O driver (the driver files must lie beside drivora.exe)\n"
         "\n"
         "VERSION is PLATFORM.MAJOR.MINOR.BUILD[:workstation|:server|:dc|:none][:wow64]\n"
         "(no type means :none: no extended version record, as on 95, 98 and early NT 4),\n"
         "for example 2.5.1.2600:workstation or 2.6.1.7601:workstation:wow64, or a preset:\n" +
         DescribeWindowsPresets() +
         "Windows 8.1 and later report 6.2 build 9200 to the wizard, whose manifest declares no\n"
         "supported systems; their presets say so.\n"
         "\n"
         "--lang ID  the system's default language id (default 1033; 2052 is Chinese)\n";
}

}  // namespace drivora::tool
