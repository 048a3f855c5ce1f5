#include "tools/drivora/lint.h"

#include "tools/drivora/lint_checks.h"

namespace drivora::tool {

int Lint(const Options& options, std::ostream& out, std::ostream& errors) {
  const auto config = IniConfigFile::Load(options.iniPath);
  if (!config) {
    errors << "drivora: cannot read " << options.iniPath << "\n";
    return 2;
  }
  std::optional<std::filesystem::path> disc;
  if (!options.discPath.empty()) {
    std::error_code error;
    if (!std::filesystem::is_directory(options.discPath, error)) {
      errors << "drivora: --disc: " << options.discPath << " is not a folder\n";
      return 2;
    }
    disc = options.discPath;
  }
  const std::vector<LintProfile> profiles = ReadProfiles(*config);
  Findings findings;
  CheckRepeatedSections(config->Document(), findings);
  CheckWinVer(config->Document(), findings);
  CheckEntrySections(*config, profiles, findings);
  CheckLangTexts(*config, findings);
  CheckSoundCard(*config, profiles, findings);
  CheckCommandLists(*config, profiles, disc, findings);
  findings.Print(options.iniPath, out);
  return findings.HasError() ? 1 : 0;
}

}  // namespace drivora::tool
