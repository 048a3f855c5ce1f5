// Byte-string helpers shared by the whole program. Texts are bytes in the
// system's ANSI code page; only the ASCII letters a-z ever change case.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace drivora {

constexpr char UpperAscii(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }

std::string ToUpperAscii(std::string_view text);
void UpperAsciiInPlace(std::string& text);
bool EqualsIgnoreAsciiCase(std::string_view a, std::string_view b);

// What a zero-terminated copy into a buffer of `bufferBytes` keeps: at most
// bufferBytes - 1 characters. Every fixed buffer of the program is filled this way.
std::string_view FitBuffer(std::string_view text, std::size_t bufferBytes);

// Every piece of `text` between separators, empty pieces included.
std::vector<std::string_view> SplitAt(std::string_view text, char separator);

// The lines of a section as the private-profile reader returns it: texts each
// ended by a zero byte, the list ended by an empty text (or by the end).
std::vector<std::string_view> SplitSectionLines(std::string_view sectionBytes);

// One configuration line split at its first '='.
struct KeyValue {
  std::string_view key;
  std::string_view value;
};
// Entry lines as every section reader takes them: comment lines (';' first)
// and lines without '=' give nothing.
bool SplitEntryLine(std::string_view line, KeyValue& out);

}  // namespace drivora
