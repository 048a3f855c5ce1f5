#include "app/sections.h"

#include "app/app_state.h"
#include "app/text.h"

namespace drivora {
namespace {

template <typename Apply>
void ForEachEntryLine(const AppState& app, std::string_view suffix, Apply apply) {
  const std::string section = app.Config->ReadSection(ProfileSectionName(app, suffix), kSectionBufferBytes);
  for (std::string_view line : SplitSectionLines(section)) {
    KeyValue entry;
    if (SplitEntryLine(line, entry)) apply(entry);
  }
}

}  // namespace

std::string ProfileSectionName(const AppState& app, std::string_view suffix) {
  // Cut at the 256-byte name buffer; no section of a real disc comes near it.
  return std::string(FitBuffer(app.OsProfile + std::string(suffix), kSectionNameBytes));
}

bool AddSectionEntries(AppState& app, std::string_view suffix) {
  ForEachEntryLine(app, suffix, [&](const KeyValue& e) { AddInstallEntry(app.Catalogue, e.key, e.value); });
  return true;
}

bool RemoveSectionEntries(AppState& app, std::string_view suffix) {
  ForEachEntryLine(app, suffix, [&](const KeyValue& e) { RemoveInstallEntry(app.Catalogue, e.key, e.value); });
  return true;
}

}  // namespace drivora
