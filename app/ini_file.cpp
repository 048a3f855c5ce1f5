#include "app/ini_file.h"

#include "app/file_contents.h"

#include <algorithm>
#include <cstring>
#include <fstream>
#include <iterator>

#include "app/byte_strings.h"

namespace drivora {
namespace {

// Blanks as the profile reader sees them; ^Z (a DOS end of file) counts too.
bool IsProfileBlank(char c) { return c == ' ' || (c >= '\t' && c <= '\r') || c == '\x1a'; }

std::string_view TrimLeft(std::string_view text) {
  while (!text.empty() && IsProfileBlank(text.front())) text.remove_prefix(1);
  return text;
}

std::string_view TrimRight(std::string_view text) {
  while (!text.empty() && IsProfileBlank(text.back())) text.remove_suffix(1);
  return text;
}

std::string_view Trim(std::string_view text) { return TrimRight(TrimLeft(text)); }

// The platform keeps names and values as zero-terminated texts.
std::string_view UpToZero(std::string_view text) { return text.substr(0, text.find('\0')); }

constexpr std::string_view kUtf8Mark = "\xEF\xBB\xBF";

// Writes at most `room` - 1 bytes of `text` and a zero; returns the bytes written before the zero.
std::size_t CopyCut(char* out, std::string_view text, std::size_t room) {
  if (room == 0) return 0;
  const std::size_t n = std::min(text.size(), room - 1);
  std::memcpy(out, text.data(), n);
  out[n] = '\0';
  return n;
}

// Values in quotes lose them, as the platform does; a value cut by the buffer
// loses its last character instead of the closing quote when it just fits.
std::size_t CopyValue(char* out, std::string_view value, std::size_t room) {
  bool quoted = false;
  if (value.size() >= 2 && (value.front() == '\'' || value.front() == '"') && value.back() == value.front()) {
    quoted = true;
    value.remove_prefix(1);
  }
  std::size_t n = CopyCut(out, value, room);
  if (quoted && room >= value.size() && n > 0) out[--n] = '\0';
  return n;
}

}  // namespace

IniDocument IniDocument::Parse(std::string_view contents) {
  if (contents.starts_with(kUtf8Mark)) contents.remove_prefix(kUtf8Mark.size());
  IniDocument doc;
  doc.sections_.push_back(Section{});
  int lineNumber = 0;
  while (!contents.empty()) {
    // A lone CR ends a line too, as in files from old Macintosh tools.
    const std::size_t end = contents.find_first_of("\r\n");
    const std::string_view raw = contents.substr(0, end);
    const bool crlf = end != std::string_view::npos && contents.substr(end, 2) == "\r\n";
    contents.remove_prefix(end == std::string_view::npos ? contents.size() : end + (crlf ? 2 : 1));
    ++lineNumber;
    const std::string_view line = Trim(raw);
    if (line.empty()) continue;
    Section& current = doc.sections_.back();
    if (line.front() == '[') {
      const std::size_t close = line.rfind(']');
      if (close != std::string_view::npos) {
        doc.sections_.push_back(Section{std::string(Trim(UpToZero(line.substr(1, close - 1)))), {}, lineNumber});
        continue;
      }
    }
    Key key;
    key.line = lineNumber;
    const std::size_t equals = line.find('=');
    if (equals == std::string_view::npos) {
      key.name = UpToZero(line);
    } else {
      key.name = UpToZero(TrimRight(line.substr(0, equals)));
      key.value = std::string(UpToZero(TrimLeft(line.substr(equals + 1))));
    }
    // A run of lines without a name keeps only its first.
    if (key.name.empty() && !current.keys.empty() && current.keys.back().name.empty()) continue;
    current.keys.push_back(std::move(key));
  }
  return doc;
}

const IniDocument::Section* IniDocument::FindSection(std::string_view name) const {
  name = UpToZero(name);
  // The lines before the first header form a section without a name.
  for (const Section& s : sections_)
    if (EqualsIgnoreAsciiCase(s.name, name)) return &s;
  return nullptr;
}

std::uint32_t IniDocument::GetSection(std::string_view name, std::span<char> buffer) const {
  const std::size_t size = buffer.size();
  if (size == 0) return 0;
  if (size <= 2) {
    buffer[0] = '\0';
    if (size == 2) buffer[1] = '\0';
    return 0;
  }
  const Section* section = FindSection(name);
  char* out = buffer.data();
  std::size_t room = size;
  bool cut = false;
  if (section) {
    for (const Key& key : section->keys) {
      if (room <= 2) {
        cut = true;
        break;
      }
      const bool skipped = key.name.empty() ? !key.value : key.name.front() == ';';
      if (skipped) continue;
      std::size_t n = CopyCut(out, key.name, room - 1);
      out += n + 1;
      room -= n + 1;
      if (room < 2) {
        cut = true;
        break;
      }
      if (key.value) {
        out[-1] = '=';
        n = CopyCut(out, *key.value, room - 1);
        out += n + 1;
        room -= n + 1;
      }
    }
  }
  *out = '\0';
  std::uint32_t count = static_cast<std::uint32_t>(size - room);
  if (room <= 1) {
    // Full: the last line is cut and followed by two zeros.
    out[-1] = '\0';
    count = static_cast<std::uint32_t>(size - 2);
  }
  if (cut) buffer[size - 1] = '\0';
  return count;
}

std::uint32_t IniDocument::GetString(std::string_view sectionName, std::string_view keyName,
                                     std::string_view fallback, std::span<char> buffer) const {
  if (buffer.empty()) return 0;
  sectionName = Trim(UpToZero(sectionName));
  keyName = Trim(UpToZero(keyName));
  const Key* found = nullptr;
  if (const Section* section = FindSection(sectionName)) {
    const auto it = std::find_if(section->keys.begin(), section->keys.end(),
                                 [&](const Key& k) { return EqualsIgnoreAsciiCase(k.name, keyName); });
    if (it != section->keys.end()) found = &*it;
  }
  const std::string_view text = (found && found->value) ? std::string_view(*found->value) : TrimRight(fallback);
  return static_cast<std::uint32_t>(CopyValue(buffer.data(), text, buffer.size()));
}

std::unique_ptr<IniConfigFile> IniConfigFile::Load(const std::string& path) {
  const std::optional<std::string> contents = ReadRegularFile(path);
  if (!contents) return nullptr;
  return std::make_unique<IniConfigFile>(IniDocument::Parse(*contents));
}

std::string IniConfigFile::ReadSection(const std::string& section, std::uint32_t bufferBytes) const {
  std::vector<char> buffer(bufferBytes);
  const std::uint32_t count = document_.GetSection(section, buffer);
  return std::string(buffer.data(), count);
}

std::string IniConfigFile::ReadString(const std::string& section, const std::string& key,
                                      std::uint32_t bufferBytes) const {
  std::vector<char> buffer(bufferBytes);
  const std::uint32_t count = document_.GetString(section, key, "", buffer);
  return std::string(buffer.data(), count);
}

}  // namespace drivora
