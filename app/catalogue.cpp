#include "app/catalogue.h"

#include <algorithm>
#include <utility>

#include "app/app_state.h"
#include "app/byte_strings.h"
#include "app/program_texts.h"

namespace drivora {
namespace {

bool IsRstPrefix(std::string_view segment) { return EqualsIgnoreAsciiCase(segment, "RST"); }

// The name as compared and shown: upper case when `upper`, cut to its 64-byte copy.
std::string NameOf(std::string_view key, bool upper) {
  std::string name(FitBuffer(GetEntryName(key), kNameBufferBytes));
  if (upper) UpperAsciiInPlace(name);
  return name;
}

std::vector<InstallEntry>::iterator FindByName(InstallCatalogue& catalogue, std::string_view key) {
  const std::string wanted = NameOf(key, true);
  return std::find_if(catalogue.Entries.begin(), catalogue.Entries.end(),
                      [&](const InstallEntry& entry) { return NameOf(entry.key, true) == wanted; });
}

}  // namespace

std::string GetEntryCategory(std::string_view key) {
  const std::string_view category = key.substr(0, key.find('.'));
  // Categories live in a 64-byte copy: a longer one is cut there.
  return ToUpperAscii(FitBuffer(category, kNameBufferBytes));
}

std::string GetEntryName(std::string_view key) {
  std::size_t dot = key.find('.');
  if (dot == std::string_view::npos) return std::string(key);
  if (IsRstPrefix(key.substr(0, dot))) {
    const std::string_view rest = key.substr(dot + 1);
    const std::size_t restDot = rest.find('.');
    if (restDot == std::string_view::npos) return std::string(rest);
    dot += 1 + restDot;
  }
  return std::string(key.substr(dot + 1));
}

std::size_t AddInstallEntry(InstallCatalogue& catalogue, std::string_view key, std::string_view value) {
  if (catalogue.EntryCount() >= kMaxEntries) return 0;
  if (key.empty() || value.empty()) return 0;
  if (FindByName(catalogue, key) != catalogue.Entries.end()) return 0;
  catalogue.Entries.push_back(InstallEntry{std::string(key), std::string(value)});
  return catalogue.EntryCount();
}

std::size_t RemoveInstallEntry(InstallCatalogue& catalogue, std::string_view key, std::string_view value) {
  if (catalogue.EntryCount() >= kMaxEntries) return 0;
  if (key.empty() || value.empty()) return 0;
  const auto found = FindByName(catalogue, key);
  if (found != catalogue.Entries.end()) catalogue.Entries.erase(found);
  return catalogue.EntryCount();
}

void FreeInstallCatalogue(InstallCatalogue& catalogue) {
  catalogue.Entries.clear();
  catalogue.Entries.shrink_to_fit();
}

std::string_view ListedCategoryText(std::string_view key) {
  const std::string_view first = key.substr(0, key.find('.'));
  if (!IsRstPrefix(first)) return first;
  // The text after "RST." up to its next dot. A key of just "RST" has no such
  // text and lands among the unlisted categories.
  const std::string_view rest = key.size() > 4 ? key.substr(4) : std::string_view{};
  return rest.substr(0, rest.find('.'));
}

std::string GetListedCategory(std::string_view key) {
  return ToUpperAscii(FitBuffer(ListedCategoryText(key), kNameBufferBytes));
}

std::uint32_t GetCategoryIndex(const AppState& app, std::string_view key) {
  const std::string category = GetListedCategory(key);
  const std::string list = LoadText(app, kTextCategoryList, 256);
  std::uint32_t index = 0;
  std::string_view pieces = list;
  while (!pieces.empty()) {
    const std::size_t dot = pieces.find('.');
    const std::string_view piece = pieces.substr(0, dot);
    if (!piece.empty()) {
      if (piece == category) return index;
      ++index;
    }
    if (dot == std::string_view::npos) break;
    pieces.remove_prefix(dot + 1);
  }
  return index;
}

std::uint32_t GetDisplayCategory(const AppState& app, std::string_view key) {
  return std::min<std::uint32_t>(GetCategoryIndex(app, key), kCategoryOther);
}

void OrderInstallCatalogue(const AppState& app, InstallCatalogue& catalogue) {
  auto& entries = catalogue.Entries;
  std::vector<std::uint32_t> indexes;
  indexes.reserve(entries.size());
  for (const InstallEntry& entry : entries) indexes.push_back(GetCategoryIndex(app, entry.key));
  for (std::size_t i = 0; i + 1 < entries.size(); ++i) {
    for (std::size_t k = i + 1; k < entries.size(); ++k) {
      if (indexes[i] > indexes[k]) {
        std::swap(entries[i], entries[k]);
        std::swap(indexes[i], indexes[k]);
      }
    }
  }
}

}  // namespace drivora
