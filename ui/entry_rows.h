// The rows of the entry list: one per catalogue entry, in catalogue order,
// each with the entry's name and the image of its display category. A row
// leads back to its entry through its text alone.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "app/catalogue.h"

namespace drivora {

struct AppState;

struct EntryRow {
  std::string text;     // the entry's name, as its 64-byte copy holds it
  std::uint32_t image;  // the display category: 0 to 20
};

// The text a row shows for an entry's key; the list reads it back into a
// buffer of the same size, so the comparison sees what the row holds.
std::string EntryRowText(std::string_view key);

std::vector<EntryRow> MakeEntryRows(const AppState& app);

// The index of the entry whose row text is exactly `rowText` (letter case
// counts); none when no entry has it. Names are unique in the catalogue, so
// there is at most one.
std::optional<std::size_t> FindEntryOfRow(const InstallCatalogue& catalogue, std::string_view rowText);

// What the description shows for an entry: its value, held to the
// description's buffer.
std::string EntryDescription(const InstallEntry& entry);

}  // namespace drivora
