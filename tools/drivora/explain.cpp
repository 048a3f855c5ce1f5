#include "tools/drivora/explain.h"

#include <map>
#include <string>
#include <vector>

#include "app/byte_strings.h"
#include "app/winver.h"
#include "detect/pci_scan.h"
#include "tools/drivora/report.h"

namespace drivora::tool {
namespace {

// Collects what start-up does, for printing once it is done.
class ExplainObserver final : public CatalogueObserver {
 public:
  struct Line {
    std::string section, key, value;
  };
  std::vector<std::pair<std::string, bool>> sections;  // name, removal
  std::vector<Line> added, refused, removed;
  // Upper-cased entry name -> the section whose entry holds the name now: a
  // removal frees the name, and whoever offers it next supplies it.
  std::map<std::string, std::string> supplierByName;
  std::string tokensText;
  bool tokensVary = false;
  std::string identification, model;
  std::vector<std::string> tags;

  void SectionApplied(std::string_view section, bool removal) override { sections.emplace_back(section, removal); }
  void EntryAdded(std::string_view section, std::string_view key, std::string_view value) override {
    added.push_back({std::string(section), std::string(key), std::string(value)});
    supplierByName.insert_or_assign(ToUpperAscii(GetEntryName(key)), std::string(section));
  }
  void EntryRefused(std::string_view section, std::string_view key) override {
    const auto taker = supplierByName.find(ToUpperAscii(GetEntryName(key)));
    refused.push_back({std::string(section), std::string(key), taker == supplierByName.end() ? "" : taker->second});
  }
  void EntryRemoved(std::string_view section, std::string_view key) override {
    removed.push_back({std::string(section), std::string(key), ""});
    supplierByName.erase(ToUpperAscii(GetEntryName(key)));
  }
  void DeviceTokens(const char* chip, const char* ias, unsigned f2E, unsigned f4E) override {
    deviceTokens_ = "chip " + Token(chip) + ", Winbond IAS " + Token(ias) + ", Fintek 0x2E " +
                    (f2E ? FormatHex8(f2E) : "-") + ", Fintek 0x4E " + (f4E ? FormatHex8(f4E) : "-");
  }
  void CirTokens(const char* cir2E, const char* cir4E) override {
    const std::string whole = deviceTokens_ + ", CIR 0x2E " + Token(cir2E) + ", CIR 0x4E " + Token(cir4E);
    if (tokensText.empty()) tokensText = whole;
    else if (tokensText != whole) tokensVary = true;
  }
  void BiosModel(std::string_view id, std::string_view m) override {
    identification = id;
    model = m;
  }
  void FirmwareTag(std::string_view tag) override { tags.emplace_back(tag); }

 private:
  static std::string Token(const char* t) { return t ? t : "-"; }
  std::string deviceTokens_;
};

void PrintProfile(DiscSession& session, std::ostream& out) {
  AppState& app = session.App();
  const std::string rule = SelectWinVerKey(app);
  out << "Profile:   \"" << app.OsProfile << "\"";
  if (rule.empty()) {
    out << " (no [WinVer] rule)\n";
    return;
  }
  const std::size_t dot = rule.find('.');
  const bool exact = dot != std::string::npos && CompareWinVer(app, std::string_view(rule).substr(dot + 1)) == 0;
  out << " from the WinVer rule " << rule
      << (dot == std::string::npos ? " (a rule without numbers)"
                                   : exact ? " (an exact match)" : " (the last rule not newer than this Windows)")
      << "\n";
}

}  // namespace

int Explain(DiscSession& session, const Options& options, std::ostream& out) {
  ExplainObserver seen;
  if (!session.BuildCatalogue(&seen)) {
    out << "Start-up ended: no Windows version, or the I/O driver did not open.\n";
    return 1;
  }
  AppState& app = session.App();
  out << "Disc:      " << options.iniPath << "\n";
  if (session.Board()) out << "Board:     " << options.boardPath << " (" << session.Board()->name << ")\n";
  else out << "Board:     this machine\n";
  out << "Windows:   " << RunningWindowsText(app) << ", language " << app.LanguageId << "\n";
  PrintProfile(session, out);

  out << "\nSuper I/O tokens: " << (seen.tokensText.empty() ? "(no PCI function answered)" : seen.tokensText)
      << (seen.tokensVary ? " (differing between functions)" : "") << "\n";

  out << "\nSections tried, in order (* = present in the file, - = removal):\n";
  for (const auto& [name, removal] : seen.sections)
    out << "  " << (session.Document().FindSection(name) ? '*' : ' ') << (removal ? '-' : ' ') << " [" << name << "]\n";

  out << "\nBIOS identification: \"" << seen.identification << "\" -> model \"" << seen.model << "\"\n";
  out << "Firmware tags:";
  if (seen.tags.empty()) out << " none";
  for (const auto& tag : seen.tags) out << " \"" << tag << "\"";
  out << "\n";

  out << "\nEntries added, and the section that supplied each:\n";
  for (const auto& line : seen.added) out << "  " << line.key << "  <- [" << line.section << "]\n";
  // The second key pass applies some sections again; their lines meet their
  // own entries, which tells an author nothing.
  out << "\nLines refused because their name was taken:\n";
  int listed = 0;
  for (const auto& line : seen.refused) {
    if (line.value == line.section) continue;
    out << "  [" << line.section << "] " << line.key << "  (taken by [" << line.value << "])\n";
    ++listed;
  }
  if (listed == 0) out << "  none\n";
  out << "\nEntries removed by an .Uninstall section:\n";
  if (seen.removed.empty()) out << "  none\n";
  for (const auto& line : seen.removed) out << "  " << line.key << "  by [" << line.section << "]\n";

  out << "\nCatalogue:\n";
  PrintCatalogueTable(app, out);
  if (const HardwareCounts* counts = session.Counts()) {
    out << "\nHardware requests of this start:\n";
    PrintHardwareCounts(*counts, out);
  }
  return 0;
}

}  // namespace drivora::tool
