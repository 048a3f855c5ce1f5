// Command lists: their limits, and with a disc folder, whether what they name
// is on the disc.
#include <optional>
#include <span>
#include <string>
#include <system_error>
#include <vector>

#include "app/byte_strings.h"
#include "runner/command_path.h"
#include "runner/command_text.h"
#include "runner/install_worker.h"
#include "tools/drivora/lint_checks.h"

namespace drivora::tool {
namespace {

namespace fs = std::filesystem;

// Where the tool puts the disc: any drive gives the same relative paths.
constexpr std::string_view kDiscRoot = "D:\\";

// The files a resolved command may name on the disc, in the order the wizard
// tries them: a program's path without its arguments, cut at each ".EXE"
// (whatever its case) that a blank or the end follows; the whole text without
// one. A folder loses its trailing backslashes.
std::vector<std::string> DiscFileCandidates(std::string_view resolved) {
  resolved.remove_prefix(kDiscRoot.size());
  const std::string upper = ToUpperAscii(resolved);
  std::vector<std::string> candidates;
  for (std::size_t at = upper.find(".EXE"); at != std::string::npos; at = upper.find(".EXE", at + 1)) {
    const std::size_t end = at + 4;
    if (end == upper.size() || upper[end] == ' ') candidates.emplace_back(resolved.substr(0, end));
  }
  if (candidates.empty()) candidates.emplace_back(resolved);
  for (std::string& candidate : candidates) {
    while (candidate.ends_with('\\')) candidate.pop_back();
  }
  return candidates;
}

// The disc's own spelling of `relative`, found without regard to ASCII case
// as Windows finds it; none when some part is missing.
std::optional<std::string> FindOnDisc(const fs::path& disc, std::string_view relative) {
  fs::path at = disc;
  std::string spelled;
  for (std::string_view part : SplitAt(relative, '\\')) {
    if (part.empty()) continue;
    std::error_code error;
    std::optional<std::string> match;
    for (fs::directory_iterator it(at, error), end; !error && it != end; it.increment(error)) {
      const std::string name = it->path().filename().string();
      if (name == part) {
        match = name;
        break;
      }
      if (!match && EqualsIgnoreAsciiCase(name, part)) match = name;
    }
    if (!match) return std::nullopt;
    at /= *match;
    spelled += (spelled.empty() ? "" : "\\") + *match;
  }
  return spelled;
}

struct ListPlace {
  const IniDocument::Key& line;
  const fs::path* disc;
};

void CheckCommand(std::string_view command, std::size_t number, const ListPlace& place, Findings& findings) {
  const std::string which = "command " + std::to_string(number) + " of " + Quoted(place.line.name);
  command = TrimSpaces(command);
  if (command.empty()) return;
  const auto resolved = ResolveCommandPath(command, kDiscRoot);
  if (!resolved) {
    findings.Error(place.line.line, which + " is too long: its full path passes the wizard's 255 characters");
    return;
  }
  if (!IsProgramPath(*resolved) && ToUpperAscii(*resolved).find(".EXE") != std::string::npos)
    findings.Warning(place.line.line, which + " " + Quoted(std::string(command)) +
                                          ": only \".EXE\" in capitals is launched and waited for; this one is opened through Explorer");
  // A drive path points outside the disc, whose letter is not known before it runs.
  if (!place.disc || (command.size() > 1 && command[1] == ':')) return;
  // Of several possible names the first on the disc is the program, as for
  // the wizard; when none is, the first is what it would try to start.
  const std::vector<std::string> candidates = DiscFileCandidates(*resolved);
  std::string file = candidates.front();
  std::optional<std::string> found;
  for (const std::string& candidate : candidates) {
    if ((found = FindOnDisc(*place.disc, candidate))) {
      file = candidate;
      break;
    }
  }
  if (!found)
    findings.Error(place.line.line, which + ": " + Quoted(file) + " is not on the disc");
  else if (*found != file)
    findings.Note(place.line.line, which + ": " + Quoted(file) + " is on the disc as " + Quoted(*found) +
                                       " (Windows does not mind the case)");
}

void CheckList(const IniConfigFile& config, const IniDocument::Section& section, const IniDocument::Key& line,
               const fs::path* disc, Findings& findings) {
  const std::string& raw = *line.value;
  if (raw.size() >= kCommandListBytes)
    findings.Error(line.line, "the command list of " + Quoted(line.name) + " has " + std::to_string(raw.size()) +
                                  " characters: the wizard reads the first 259");
  const std::string list = config.ReadString(section.name, line.name, kCommandListBytes);
  const std::size_t pieces = SplitAt(list, ';').size();
  if (pieces > kMaxCommands)
    findings.Error(line.line, "the command list of " + Quoted(line.name) + " has " + std::to_string(pieces) +
                                  " commands: the wizard runs the first 256");
  std::size_t number = 0, empty = 0, firstEmpty = 0;
  for (std::string_view command : SplitCommandList(list)) {
    CheckCommand(command, ++number, {line, disc}, findings);
    if (TrimSpaces(command).empty() && empty++ == 0) firstEmpty = number;
  }
  if (empty == 1)
    findings.Warning(line.line, "command " + std::to_string(firstEmpty) + " of " + Quoted(line.name) +
                                    " is empty: it opens the disc folder in Explorer");
  else if (empty > 1)
    findings.Warning(line.line, Quoted(line.name) + " has " + std::to_string(empty) + " empty commands, the first is command " +
                                    std::to_string(firstEmpty) + ": each opens the disc folder in Explorer");
}

void CheckExecuteSection(const IniConfigFile& config, const IniDocument::Section& section, const fs::path* disc,
                         Findings& findings) {
  for (std::size_t i = 0; i < section.keys.size(); ++i) {
    const IniDocument::Key& line = section.keys[i];
    if (line.name.starts_with(';')) continue;
    if (!line.value) {
      findings.Warning(line.line, "line " + Quoted(line.name) + " has no '=': the wizard passes it over");
      continue;
    }
    bool repeated = false;
    for (std::size_t j = 0; j < i && !repeated; ++j) {
      const IniDocument::Key& first = section.keys[j];
      if (!first.value || !EqualsIgnoreAsciiCase(first.name, line.name)) continue;
      findings.Note(line.line, "the command list of " + Quoted(line.name) + " is already given on line " +
                                   std::to_string(first.line) + ": this one is never read");
      repeated = true;
    }
    if (!repeated) CheckList(config, section, line, disc, findings);
  }
}

}  // namespace

void CheckCommandLists(const IniConfigFile& config, const std::vector<LintProfile>& profiles,
                       const std::optional<fs::path>& disc, Findings& findings) {
  std::vector<const IniDocument::Section*> sections;
  auto add = [&](const std::string& name) {
    const IniDocument::Section* section = config.Document().FindSection(name);
    for (const IniDocument::Section* known : sections)
      if (known == section) return;
    if (section) sections.push_back(section);
  };
  for (const LintProfile& profile : profiles) add(profile.full + ".Execute");
  add("ExecuteNormal");
  for (const IniDocument::Section* section : sections)
    CheckExecuteSection(config, *section, disc ? &*disc : nullptr, findings);
}

}  // namespace drivora::tool
