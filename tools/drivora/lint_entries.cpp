// Entry sections, the LANG texts and the sound-card list.
#include <span>

#include "app/app_state.h"
#include "app/byte_strings.h"
#include "app/catalogue.h"
#include "app/sections.h"
#include "runner/install_worker.h"
#include "tools/drivora/lint_checks.h"

namespace drivora::tool {
namespace {

constexpr std::uint32_t kTextBytes = 256;
constexpr std::size_t kMaxName = kNameBufferBytes - 1;

bool IsComment(const IniDocument::Key& key) { return key.name.starts_with(';'); }


void CheckEntryLine(const IniConfigFile& config, const LintProfile& profile, const IniDocument::Key& line, Findings& findings,
                    bool removes) {
  const std::string name = GetEntryName(line.name);
  if (name.size() > kMaxName)
    findings.Error(line.line, "entry name " + Quoted(name) + " has " + std::to_string(name.size()) +
                                  " characters: the wizard holds 63, so it is taken for another name");
  const std::string category(ListedCategoryText(line.name));
  if (category.size() > kMaxName)
    findings.Error(line.line, "category " + Quoted(category) + " has " + std::to_string(category.size()) +
                                  " characters: the wizard holds 63");
  if (removes) return;
  if (line.value->empty()) {
    findings.Warning(line.line, "entry " + Quoted(name) + " has an empty value: the wizard never offers it");
    return;
  }
  if (line.value->size() >= kDescriptionBytes)
    findings.Warning(line.line, "the value of " + Quoted(name) + " has " + std::to_string(line.value->size()) +
                                    " characters: the description shows the first 1023");
  if (ReadProfileCommandList(config, profile.full, *line.value).empty())
    findings.Warning(line.line, "entry " + Quoted(name) + " has no command list in [" + profile.full +
                                    ".Execute] or [ExecuteNormal]: activating it does nothing");
}

// The first line of a section that names an entry wins; a later one with the same name never can.
void CheckRepeatedNames(const IniDocument::Section& section, Findings& findings) {
  for (std::size_t i = 0; i < section.keys.size(); ++i) {
    const IniDocument::Key& later = section.keys[i];
    if (!later.value || IsComment(later)) continue;
    const std::string name = GetEntryName(later.name);
    for (std::size_t j = 0; j < i; ++j) {
      const IniDocument::Key& first = section.keys[j];
      if (!first.value || IsComment(first) || !EqualsIgnoreAsciiCase(GetEntryName(first.name), name)) continue;
      findings.Note(later.line, "entry " + Quoted(name) + " is already offered on line " + std::to_string(first.line) +
                                    " of the same section: this line never wins");
      break;
    }
  }
}

void CheckEntrySection(const IniConfigFile& config, const LintProfile& profile, const IniDocument::Section& section,
                       Findings& findings) {
  constexpr std::string_view kUninstall = ".Uninstall";
  const bool removes = section.name.size() > kUninstall.size() &&
                       EqualsIgnoreAsciiCase(section.name.substr(section.name.size() - kUninstall.size()), kUninstall);
  for (const IniDocument::Key& line : section.keys) {
    if (IsComment(line)) continue;
    if (!line.value) {
      findings.Warning(line.line, "line " + Quoted(line.name) + " has no '=': the wizard passes it over");
      continue;
    }
    CheckEntryLine(config, profile, line, findings, removes);
  }
  if (!removes) CheckRepeatedNames(section, findings);
}

const LintProfile* ProfileOf(const std::vector<LintProfile>& profiles, const std::string& section) {
  for (const LintProfile& profile : profiles)
    if (section.size() > profile.prefix.size() && EqualsIgnoreAsciiCase(section.substr(0, profile.prefix.size()), profile.prefix))
      return &profile;
  return nullptr;
}

void CheckLangText(const IniDocument::Section& lang, const char* key, bool entry, Findings& findings) {
  for (const IniDocument::Key& line : lang.keys) {
    if (!line.value || !EqualsIgnoreAsciiCase(line.name, key)) continue;
    if (line.value->empty()) break;
    return;
  }
  const std::string what = entry ? ": the wizard leaves that entry out" : ": the wizard shows an empty text";
  if (entry) findings.Error(lang.line, "[LANG.1033] has no text " + Quoted(key) + what);
  else findings.Warning(lang.line, "[LANG.1033] has no text " + Quoted(key) + what);
}

void CheckFixedEntryName(const IniConfigFile& config, const IniDocument::Section& lang, const char* key, const char* category,
                         Findings& findings) {
  for (const IniDocument::Key& line : lang.keys) {
    if (!line.value || !EqualsIgnoreAsciiCase(line.name, key)) continue;
    const std::string text = config.ReadString(lang.name, key, kTextBytes);
    const std::string name = GetEntryName(std::string(category) + "." + text);
    if (name.size() > kMaxName)
      findings.Error(line.line, "the " + std::string(key) + " entry's name has " + std::to_string(name.size()) +
                                    " characters: the wizard holds 63");
    return;
  }
}

}  // namespace

std::vector<LintProfile> ReadProfiles(const IniConfigFile& config) {
  std::vector<LintProfile> profiles;
  const IniDocument::Section* winVer = config.Document().FindSection("WinVer");
  if (!winVer || winVer->name.empty()) return profiles;
  for (const IniDocument::Key& rule : winVer->keys) {
    if (!rule.value || IsComment(rule)) continue;
    const std::string full = config.ReadString("WinVer", rule.name, kTextBytes);
    if (full.empty()) continue;
    const std::string prefix = std::string(FitBuffer(full, kProfileBytes - 1)) + ".";
    bool known = false;
    for (const LintProfile& p : profiles) known = known || EqualsIgnoreAsciiCase(p.prefix, prefix);
    if (!known) profiles.push_back({full, prefix});
  }
  return profiles;
}

void CheckRepeatedSections(const IniDocument& doc, Findings& findings) {
  for (const IniDocument::Section& section : doc.Sections()) {
    if (section.name.empty() && section.line == 0) continue;
    const IniDocument::Section* first = doc.FindSection(section.name);
    if (first != &section)
      findings.Warning(section.line, "section [" + section.name + "] appears again: the wizard reads only the one on line " +
                                         std::to_string(first->line));
  }
}

void CheckEntrySections(const IniConfigFile& config, const std::vector<LintProfile>& profiles, Findings& findings) {
  const IniDocument& doc = config.Document();
  for (const IniDocument::Section& section : doc.Sections()) {
    const LintProfile* profile = ProfileOf(profiles, section.name);
    if (!profile || doc.FindSection(section.name) != &section) continue;
    if (EqualsIgnoreAsciiCase(section.name, profile->full + ".Execute")) continue;
    CheckEntrySection(config, *profile, section, findings);
  }
}

void CheckLangTexts(const IniConfigFile& config, Findings& findings) {
  const IniDocument& doc = config.Document();
  const IniDocument::Section* english = doc.FindSection("LANG.1033");
  if (!english) {
    findings.Error(1, "no [LANG.1033] section: it is every language's fallback for the browse and exit entries");
  } else {
    for (const char* key : {"Explorer", "ExplInfo", "Exit", "ExitInfo"}) CheckLangText(*english, key, true, findings);
    for (const char* key : {"Install", "Restart"}) CheckLangText(*english, key, false, findings);
  }
  for (const IniDocument::Section& section : doc.Sections()) {
    if (!section.name.starts_with("LANG.") && !EqualsIgnoreAsciiCase(section.name.substr(0, 5), "LANG.")) continue;
    if (doc.FindSection(section.name) != &section) continue;
    CheckFixedEntryName(config, section, "Explorer", "EXPLORER", findings);
    CheckFixedEntryName(config, section, "Exit", "EXIT", findings);
  }
}

void CheckSoundCard(const IniConfigFile& config, const std::vector<LintProfile>& profiles, Findings& findings) {
  const IniDocument& doc = config.Document();
  const IniDocument::Section* list = doc.FindSection("SOUND_CARD");
  if (!list) return;
  for (const IniDocument::Key& line : list->keys) {
    if (IsComment(line)) continue;
    if (!line.value) {
      findings.Warning(line.line, "line " + Quoted(line.name) + " has no '=': the wizard passes it over");
      continue;
    }
    const IniDocument::Section* named = doc.FindSection(line.name);
    if (!named || line.name.empty()) {
      findings.Error(line.line, "sound device " + Quoted(line.name) +
                                    " names no section: when it is present, the wizard offers no SOUND entry");
      continue;
    }
    const std::string value = config.ReadString(line.name, "SOUND", kTextBytes);
    if (value.empty()) {
      findings.Error(line.line, "section [" + named->name +
                                    "] has no SOUND text: when the device is present, the wizard offers no SOUND entry");
      continue;
    }
    bool anyList = profiles.empty() && !ReadProfileCommandList(config, "", value).empty();
    for (const LintProfile& profile : profiles) anyList = anyList || !ReadProfileCommandList(config, profile.full, value).empty();
    if (!anyList)
      findings.Warning(line.line, "the SOUND entry of " + Quoted(line.name) +
                                      " has no command list in any Execute section or [ExecuteNormal]");
  }
}

}  // namespace drivora::tool
