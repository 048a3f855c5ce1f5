#include "app/sections.h"

#include "app/app_state.h"
#include "app/byte_strings.h"

namespace drivora {
namespace {

template <typename Apply>
void ForEachEntryLine(const AppState& app, const std::string& section, Apply apply) {
  const std::string lines = app.Config->ReadSection(section, kSectionBufferBytes);
  for (std::string_view line : SplitSectionLines(lines)) {
    KeyValue entry;
    if (SplitEntryLine(line, entry)) apply(entry);
  }
}

}  // namespace

std::optional<std::string> ProfileSectionName(const AppState& app, std::string_view suffix) {
  std::string name = app.OsProfile + std::string(suffix);
  if (name.size() >= kSectionNameBytes) return std::nullopt;
  return name;
}

bool AddSectionEntries(AppState& app, std::string_view suffix) {
  const auto section = ProfileSectionName(app, suffix);
  if (!section) return true;
  if (app.Observer) app.Observer->SectionApplied(*section, false);
  ForEachEntryLine(app, *section, [&](const KeyValue& e) {
    const bool added = AddInstallEntry(app.Catalogue, e.key, e.value) != 0;
    if (!app.Observer) return;
    if (added) app.Observer->EntryAdded(*section, e.key, e.value);
    else if (!e.key.empty() && !e.value.empty()) app.Observer->EntryRefused(*section, e.key);
  });
  return true;
}

bool RemoveSectionEntries(AppState& app, std::string_view suffix) {
  const auto section = ProfileSectionName(app, suffix);
  if (!section) return true;
  if (app.Observer) app.Observer->SectionApplied(*section, true);
  ForEachEntryLine(app, *section, [&](const KeyValue& e) {
    const std::size_t before = app.Catalogue.EntryCount();
    RemoveInstallEntry(app.Catalogue, e.key, e.value);
    if (app.Observer && app.Catalogue.EntryCount() < before) app.Observer->EntryRemoved(*section, e.key);
  });
  return true;
}

}  // namespace drivora
