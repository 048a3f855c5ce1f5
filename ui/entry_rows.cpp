#include "ui/entry_rows.h"

#include <algorithm>

#include "app/app_state.h"
#include "app/byte_strings.h"

namespace drivora {

std::string EntryRowText(std::string_view key) { return std::string(FitBuffer(GetEntryName(key), kNameBufferBytes)); }

std::vector<EntryRow> MakeEntryRows(const AppState& app) {
  std::vector<EntryRow> rows;
  rows.reserve(app.Catalogue.EntryCount());
  for (const InstallEntry& entry : app.Catalogue.Entries) {
    // The strip holds images up to OTHER only.
    rows.push_back({EntryRowText(entry.key), std::min(GetDisplayCategory(app, entry.key), std::uint32_t{kCategoryOther})});
  }
  return rows;
}

std::optional<std::size_t> FindEntryOfRow(const InstallCatalogue& catalogue, std::string_view rowText) {
  const auto& entries = catalogue.Entries;
  const auto found = std::find_if(entries.begin(), entries.end(),
                                  [&](const InstallEntry& entry) { return EntryRowText(entry.key) == rowText; });
  if (found == entries.end()) return std::nullopt;
  return static_cast<std::size_t>(found - entries.begin());
}

std::string EntryDescription(const InstallEntry& entry) {
  return std::string(FitBuffer(entry.value, kDescriptionBytes));
}

}  // namespace drivora
