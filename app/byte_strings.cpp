#include "app/byte_strings.h"

#include <algorithm>

namespace drivora {

std::string ToUpperAscii(std::string_view text) {
  std::string result(text);
  UpperAsciiInPlace(result);
  return result;
}

void UpperAsciiInPlace(std::string& text) {
  std::transform(text.begin(), text.end(), text.begin(), UpperAscii);
}

bool EqualsIgnoreAsciiCase(std::string_view a, std::string_view b) {
  return a.size() == b.size() &&
         std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) { return UpperAscii(x) == UpperAscii(y); });
}

std::string_view FitBuffer(std::string_view text, std::size_t bufferBytes) {
  if (bufferBytes == 0) return {};
  return text.substr(0, std::min(text.size(), bufferBytes - 1));
}

std::vector<std::string_view> SplitAt(std::string_view text, char separator) {
  std::vector<std::string_view> pieces;
  for (;;) {
    const std::size_t end = text.find(separator);
    pieces.push_back(text.substr(0, end));
    if (end == std::string_view::npos) return pieces;
    text.remove_prefix(end + 1);
  }
}

std::vector<std::string_view> SplitSectionLines(std::string_view sectionBytes) {
  std::vector<std::string_view> lines;
  while (!sectionBytes.empty()) {
    const std::size_t end = sectionBytes.find('\0');
    const std::string_view line = sectionBytes.substr(0, end);
    if (line.empty()) break;
    lines.push_back(line);
    if (end == std::string_view::npos) break;
    sectionBytes.remove_prefix(end + 1);
  }
  return lines;
}

bool SplitEntryLine(std::string_view line, KeyValue& out) {
  if (line.empty() || line.front() == ';') return false;
  const std::size_t equals = line.find('=');
  if (equals == std::string_view::npos) return false;
  out.key = line.substr(0, equals);
  out.value = line.substr(equals + 1);
  return true;
}

}  // namespace drivora
