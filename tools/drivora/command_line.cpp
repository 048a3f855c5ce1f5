#include "tools/drivora/command_line.h"

#include <charconv>

namespace drivora::tool {
namespace {

bool IsKnownCommand(const std::string& name) { return name == "profile" || name == "catalogue"; }

bool ParseLanguage(const std::string& text, std::uint16_t& out) {
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), out);
  return !text.empty() && error == std::errc{} && end == text.data() + text.size();
}

}  // namespace

std::optional<Options> ParseCommandLine(const std::vector<std::string>& args, std::string& error) {
  Options options;
  if (args.empty() || args[0] == "--help" || args[0] == "-h" || args[0] == "help") {
    options.command = "help";
    return options;
  }
  options.command = args[0];
  if (!IsKnownCommand(options.command)) {
    error = "unknown command '" + options.command + "' (try --help)";
    return std::nullopt;
  }
  bool windowsGiven = false;
  for (std::size_t i = 1; i < args.size(); ++i) {
    const std::string& arg = args[i];
    const bool hasValue = i + 1 < args.size();
    if (arg == "--windows" || arg == "--lang") {
      if (!hasValue) {
        error = arg + " needs a value";
        return std::nullopt;
      }
      const std::string& value = args[++i];
      if (arg == "--windows") {
        auto spec = ParseWindowsSpec(value);
        if (!spec) {
          error = "--windows: '" + value + "' is not PLATFORM.MAJOR.MINOR.BUILD[:type][:wow64] or a preset name";
          return std::nullopt;
        }
        options.windows = *spec;
        windowsGiven = true;
      } else if (!ParseLanguage(value, options.languageId)) {
        error = "--lang: '" + value + "' is not a language id such as 1033 or 2052";
        return std::nullopt;
      }
    } else if (arg == "--tsv" && options.command == "catalogue") {
      options.tsv = true;
    } else if (!arg.starts_with("-") && options.iniPath.empty()) {
      options.iniPath = arg;
    } else {
      error = "unexpected argument '" + arg + "'";
      return std::nullopt;
    }
  }
  if (options.iniPath.empty()) error = options.command + " needs the path of a Setup.ini";
  else if (!windowsGiven) error = options.command + " needs --windows SPEC";
  if (!error.empty()) return std::nullopt;
  return options;
}

std::string UsageText() {
  return "usage: drivora profile SETUP.INI --windows SPEC [--lang ID]\n"
         "       drivora catalogue SETUP.INI --windows SPEC [--lang ID] [--tsv]\n"
         "\n"
         "profile    prints the Windows profile the wizard chooses from [WinVer], with its trailing \".\"\n"
         "catalogue  prints the entries the wizard lists, in order; --tsv prints exactly one line per\n"
         "           entry, key<TAB>value, and nothing else\n"
         "\n"
         "SPEC is PLATFORM.MAJOR.MINOR.BUILD[:workstation|:server|:dc|:none][:wow64]\n"
         "(no type means :none: no extended version record, as on 95, 98 and early NT 4),\n"
         "for example 2.5.1.2600:workstation or 2.6.1.7601:workstation:wow64, or a preset:\n" +
         DescribeWindowsPresets() +
         "Windows 8.1 and later report 6.2 build 9200 to the wizard, whose manifest declares no\n"
         "supported systems; their presets say so.\n"
         "\n"
         "--lang ID  the system's default language id (default 1033; 2052 is Chinese)\n";
}

}  // namespace drivora::tool
