// WinVer rules: their order, which of them some Windows can select, and
// repeated keys. Selection is tried with the wizard's own SelectWinVerKey on
// every Windows that compares differently with the rules.
#include <array>
#include <set>

#include "app/app_state.h"
#include "app/byte_strings.h"
#include "app/os_class.h"
#include "app/program_texts.h"
#include "app/startup.h"
#include "app/winver.h"
#include "sim/simulated_system.h"
#include "tools/drivora/lint_checks.h"

namespace drivora::tool {
namespace {

using Fields = std::array<std::int32_t, 5>;

struct Rule {
  const IniDocument::Key* key;
  Fields fields;
};

std::vector<Rule> DottedRules(const IniDocument::Section& winVer) {
  std::vector<Rule> rules;
  for (const IniDocument::Key& key : winVer.keys) {
    if (!key.value || key.name.starts_with(';')) continue;
    const std::size_t dot = key.name.find('.');
    if (dot != std::string::npos) rules.push_back({&key, ParseVersionFields(std::string_view(key.name).substr(dot + 1))});
  }
  return rules;
}

// A build of 0 to 9 matches any build: for ordering it sorts as no build at all.
Fields OrderingFields(Fields fields) {
  if (static_cast<std::uint32_t>(fields[3]) <= 9) fields[3] = 0;
  return fields;
}

void CheckOrder(const std::vector<Rule>& rules, Findings& findings) {
  std::set<std::string> seen{ToUpperAscii(rules.front().key->name)};
  for (std::size_t i = 1; i < rules.size(); ++i) {
    // A repeated key is reported as such.
    if (!seen.insert(ToUpperAscii(rules[i].key->name)).second) continue;
    if (OrderingFields(rules[i].fields) > OrderingFields(rules[i - 1].fields)) continue;
    findings.Error(rules[i].key->line, "WinVer rule " + Quoted(rules[i].key->name) + " is not newer than " +
                                           Quoted(rules[i - 1].key->name) + " on line " +
                                           std::to_string(rules[i - 1].key->line) +
                                           ": rules go from the oldest Windows to the newest");
  }
}

// Beyond this many rules the search below would take too long; no disc needs it.
constexpr std::size_t kMaxRulesSearched = 200;
// Builds below 32768: every Windows there is; a rule build of 0 to 9 matches them all.
constexpr std::uint32_t kLastBuild = 0x7FFF;

// Windows versions that compare with the rules in every way they can: each
// rule's own version and its nearest neighbours, in every product type.
std::set<std::array<std::uint32_t, 4>> CandidateVersions(const std::vector<Rule>& rules) {
  std::set<std::array<std::uint32_t, 4>> versions;
  auto add = [&](std::uint32_t platform, std::int64_t major, std::int64_t minor, std::int64_t build) {
    if (major < 0 || minor < 0 || build < 0 || build > kLastBuild) return;
    versions.insert({platform, static_cast<std::uint32_t>(major), static_cast<std::uint32_t>(minor),
                     static_cast<std::uint32_t>(build)});
  };
  for (const Rule& rule : rules) {
    const std::int64_t major = rule.fields[1], minor = rule.fields[2], build = rule.fields[3];
    for (std::uint32_t platform : {kPlatformWin9x, kPlatformNt}) {
      for (std::int64_t b : {build - 1, build, build + 1, std::int64_t{0}, std::int64_t{1000}, std::int64_t{kLastBuild}})
        add(platform, major, minor, b);
      for (std::int64_t b : {std::int64_t{0}, std::int64_t{kLastBuild}}) {
        add(platform, major, minor - 1, b);
        add(platform, major, minor + 1, b);
        add(platform, major - 1, 99, b);
        add(platform, major + 1, 0, b);
      }
    }
  }
  return versions;
}

std::set<std::string> SelectedKeys(const IniDocument& doc, const std::vector<Rule>& rules) {
  AppState app;
  app.Config = std::make_unique<IniConfigFile>(doc);
  std::set<std::string> selected;
  const std::optional<std::uint8_t> productTypes[] = {std::nullopt, kProductWorkstation, kProductServer,
                                                      kProductDomainController};
  for (const auto& [platform, major, minor, build] : CandidateVersions(rules))
    for (const auto& productType : productTypes)
      for (bool wow64 : {false, true}) {
        SimulatedOs os(WindowsVersion{{platform, major, minor, build}, productType, wow64}, kLanguageEnglish);
        app.Sys.Os = &os;
        if (IdentifyWindows(app)) selected.insert(ToUpperAscii(SelectWinVerKey(app)));
      }
  return selected;
}

void CheckReachable(const IniDocument& doc, const std::vector<Rule>& rules, Findings& findings) {
  const std::set<std::string> selected = SelectedKeys(doc, rules);
  std::set<std::string> seen;
  for (const Rule& rule : rules) {
    const std::string upper = ToUpperAscii(rule.key->name);
    // A repeated key is reported as such.
    if (!seen.insert(upper).second) continue;
    if (!selected.contains(upper))
      findings.Warning(rule.key->line, "WinVer rule " + Quoted(rule.key->name) + " is chosen on no Windows version");
  }
}

void CheckRepeatedKeys(const IniDocument::Section& winVer, Findings& findings) {
  for (std::size_t i = 0; i < winVer.keys.size(); ++i) {
    const IniDocument::Key& later = winVer.keys[i];
    if (!later.value || later.name.starts_with(';')) continue;
    for (std::size_t j = 0; j < i; ++j) {
      const IniDocument::Key& first = winVer.keys[j];
      if (!first.value || !EqualsIgnoreAsciiCase(first.name, later.name)) continue;
      findings.Error(later.line, "WinVer rule " + Quoted(later.name) + " repeats the key on line " +
                                     std::to_string(first.line) + ": both give the profile of the first");
      break;
    }
  }
}

}  // namespace

void CheckWinVer(const IniDocument& doc, Findings& findings) {
  const IniDocument::Section* winVer = doc.FindSection("WinVer");
  if (!winVer || winVer->name.empty()) {
    findings.Error(1, "no [WinVer] section: every Windows gets the empty profile");
    return;
  }
  const std::vector<Rule> rules = DottedRules(*winVer);
  if (rules.empty()) {
    findings.Error(winVer->line, "[WinVer] holds no rule of the form label.platform.major.minor.build.variant=profile");
    return;
  }
  CheckOrder(rules, findings);
  CheckRepeatedKeys(*winVer, findings);
  if (rules.size() <= kMaxRulesSearched) CheckReachable(doc, rules, findings);
  else findings.Note(winVer->line, "[WinVer] has over 200 rules: which of them some Windows chooses is not checked");
}

}  // namespace drivora::tool
