// The install catalogue: one entry per driver or utility package the wizard
// offers, unique by name (compared without regard to ASCII case).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace drivora {

struct AppState;

struct InstallEntry {
  std::string key;    // [ "RST." ] category "." name, as it was added
  std::string value;  // shown while selected; names the entry's command list
};

constexpr std::size_t kMaxEntries = 1024;
// Names and categories are worked on in 64-byte copies.
constexpr std::size_t kNameBufferBytes = 64;
constexpr unsigned kCategoryOther = 20;

struct InstallCatalogue {
  std::vector<InstallEntry> Entries;
  std::size_t EntryCount() const { return Entries.size(); }
};

// The raw first segment of the key, upper case ("RST" for a prefixed key).
std::string GetEntryCategory(std::string_view key);
// The category the list orders by and shows, as the key spells it: after an
// "RST." prefix, the segment that follows it.
std::string_view ListedCategoryText(std::string_view key);
// The same as the wizard holds it: upper case, in a 64-byte copy.
std::string GetListedCategory(std::string_view key);
// The name: the key without its category and a leading "RST." prefix.
std::string GetEntryName(std::string_view key);

// The new entry count, or 0 when the entry was refused (full, empty text, name taken).
std::size_t AddInstallEntry(InstallCatalogue& catalogue, std::string_view key, std::string_view value);
// The entry count afterwards, or 0 when nothing could be done (full, empty text).
std::size_t RemoveInstallEntry(InstallCatalogue& catalogue, std::string_view key, std::string_view value);
void FreeInstallCatalogue(InstallCatalogue& catalogue);

// Position of the key's category in the category list (text 16); the number of
// pieces in the list when the category is not there.
std::uint32_t GetCategoryIndex(const AppState& app, std::string_view key);
// The category index limited to OTHER: the image shown for the entry.
std::uint32_t GetDisplayCategory(const AppState& app, std::string_view key);

// Orders the catalogue by category index with the exchange sort discs have
// always been laid out for: entries of equal index do not keep their order.
void OrderInstallCatalogue(const AppState& app, InstallCatalogue& catalogue);

}  // namespace drivora
