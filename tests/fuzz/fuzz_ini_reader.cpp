// The configuration reader on arbitrary files: IniDocument::Parse, then
// GetSection and GetString into buffers of small sizes. Each buffer is a
// heap block of exactly its size, so a write past it is caught; the count
// stays below the size, a zero stands at [count], and a smaller buffer shows
// a beginning of what a large one shows.
//
// Input: the file itself; its length picks one more buffer size (0 to 63).
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "fuzz_check.h"
#include "app/ini_file.h"

namespace {

constexpr std::uint32_t kLarge = 32766;  // what the program reads whole sections into
constexpr std::size_t kMaxNames = 8;

// The zero-ended lines of a section buffer, up to the empty one.
std::vector<std::string_view> Lines(const char* data, std::size_t size, std::size_t& end) {
  std::vector<std::string_view> lines;
  std::size_t at = 0;
  while (at < size) {
    const auto* zero = static_cast<const char*>(std::memchr(data + at, '\0', size - at));
    FUZZ_CHECK(zero != nullptr);  // every line ends inside the buffer
    const std::size_t length = static_cast<std::size_t>(zero - (data + at));
    if (length == 0) break;
    lines.emplace_back(data + at, length);
    at += length + 1;
  }
  end = at;
  return lines;
}

void CheckSection(const drivora::IniDocument& doc, std::string_view name, const std::vector<std::size_t>& sizes) {
  std::vector<char> large(kLarge);
  const std::uint32_t largeCount = doc.GetSection(name, large);
  FUZZ_CHECK(largeCount < kLarge && large[largeCount] == '\0');
  std::size_t largeEnd = 0;
  const auto all = Lines(large.data(), kLarge, largeEnd);
  const bool allFit = largeCount < kLarge - 2;

  for (std::size_t size : sizes) {
    const std::unique_ptr<char[]> buffer(new char[size]);
    std::memset(buffer.get(), 0xCC, size);
    const std::uint32_t count = doc.GetSection(name, std::span<char>(buffer.get(), size));
    if (size == 0) {
      FUZZ_CHECK(count == 0);
      continue;
    }
    FUZZ_CHECK(count < size);
    FUZZ_CHECK(buffer[count] == '\0');
    std::size_t end = 0;
    const auto seen = Lines(buffer.get(), size, end);
    // The list ends at the count, or one further when the last line was cut.
    FUZZ_CHECK(end == count || (count == size - 2 && end == count + 1));
    if (!allFit) continue;
    FUZZ_CHECK(seen.size() <= all.size());
    for (std::size_t i = 0; i < seen.size(); ++i) {
      const bool last = i + 1 == seen.size();
      FUZZ_CHECK(last ? all[i].starts_with(seen[i]) : all[i] == seen[i]);
    }
    if (size >= 3 && count < size - 2) FUZZ_CHECK(seen.size() == all.size());
  }
}

void CheckString(const drivora::IniDocument& doc, std::string_view section, std::string_view key,
                 std::string_view fallback, const std::vector<std::size_t>& sizes) {
  std::vector<char> large(kLarge);
  const std::uint32_t fullCount = doc.GetString(section, key, fallback, large);
  FUZZ_CHECK(fullCount < kLarge && large[fullCount] == '\0');
  const std::string_view full(large.data(), fullCount);
  for (std::size_t size : sizes) {
    const std::unique_ptr<char[]> buffer(new char[size]);
    std::memset(buffer.get(), 0xCC, size);
    const std::uint32_t count = doc.GetString(section, key, fallback, std::span<char>(buffer.get(), size));
    if (size == 0) {
      FUZZ_CHECK(count == 0);
      continue;
    }
    FUZZ_CHECK(count < size);
    FUZZ_CHECK(buffer[count] == '\0');
    FUZZ_CHECK(full.starts_with(std::string_view(buffer.get(), count)));
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::vector<std::size_t> sizes{0, 1, 2, 3, 4, 5, 8, 16, size % 64};
  const std::string_view contents(reinterpret_cast<const char*>(data), size);
  const drivora::IniDocument doc = drivora::IniDocument::Parse(contents);

  std::vector<std::string_view> sections{"", "missing", "WinVer"};
  for (const auto& s : doc.Sections()) {
    if (sections.size() >= kMaxNames) break;
    sections.push_back(s.name);
  }
  for (std::string_view s : sections) CheckSection(doc, s, sizes);

  std::size_t keys = 0;
  for (const auto& s : doc.Sections()) {
    for (const auto& k : s.keys) {
      if (++keys > 2 * kMaxNames) break;
      CheckString(doc, s.name, k.name, "", sizes);
      CheckString(doc, s.name, k.name, " fallback ", sizes);
    }
  }
  CheckString(doc, "missing", "key", "'quoted fallback'", sizes);
  CheckString(doc, "", "", "x", sizes);
  return 0;
}
