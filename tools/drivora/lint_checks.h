// The single checks of drivora lint. Each reads the disc's configuration the
// way the wizard reads it and reports to `findings`.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "app/ini_file.h"
#include "tools/drivora/lint_findings.h"

namespace drivora::tool {

// A profile a WinVer rule yields: `full` names its Execute section, `prefix`
// (cut as the wizard cuts OsProfile, with its dot) starts its entry sections.
struct LintProfile {
  std::string full;
  std::string prefix;
};

std::vector<LintProfile> ReadProfiles(const IniConfigFile& config);

void CheckRepeatedSections(const IniDocument& doc, Findings& findings);
void CheckWinVer(const IniDocument& doc, Findings& findings);
void CheckEntrySections(const IniConfigFile& config, const std::vector<LintProfile>& profiles, Findings& findings);
void CheckLangTexts(const IniConfigFile& config, Findings& findings);
void CheckSoundCard(const IniConfigFile& config, const std::vector<LintProfile>& profiles, Findings& findings);
// With a disc folder, commands are also looked up on it.
void CheckCommandLists(const IniConfigFile& config, const std::vector<LintProfile>& profiles,
                       const std::optional<std::filesystem::path>& disc, Findings& findings);

}  // namespace drivora::tool
