#include "app/winver.h"

#include <algorithm>
#include <array>
#include <cstdint>

#include "app/app_state.h"
#include "app/byte_strings.h"

namespace drivora {
namespace {

constexpr std::size_t kFieldsBytes = 64;
constexpr std::size_t kKeyBytes = 256;
constexpr std::uint32_t kSectionBytes = 32766;

// The C library's reading of a decimal number: blanks, a sign, digits up to the
// first other character, 0 without digits. Overlong numbers wrap.
std::int32_t ParseDecimal(std::string_view text) {
  std::size_t i = 0;
  while (i < text.size() && (text[i] == ' ' || (text[i] >= '\t' && text[i] <= '\r'))) ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
  std::uint32_t value = 0;
  for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) value = value * 10 + static_cast<std::uint32_t>(text[i] - '0');
  return static_cast<std::int32_t>(negative ? 0u - value : value);
}

// Running value minus the rule's number, worked out in 64 bits and held to
// the 32-bit range: a rule number near the ends of that range (a fuzzer found
// -2147483648) still orders the right way round instead of overflowing.
std::int32_t Difference(std::int64_t running, std::int32_t rule) {
  const std::int64_t difference = running - rule;
  return static_cast<std::int32_t>(std::clamp<std::int64_t>(difference, INT32_MIN, INT32_MAX));
}

// A rule build of 0 to 9 matches any build below 32768.
std::int32_t CompareBuild(std::uint32_t build, std::int32_t rule) {
  const std::uint32_t low = build & 0xFFFF;
  if (static_cast<std::uint32_t>(rule) > 9) return Difference(low, rule);
  return static_cast<std::int32_t>(low >> (24 - rule));
}

}  // namespace

std::array<std::int32_t, 5> ParseVersionFields(std::string_view text) {
  std::array<std::int32_t, 5> fields{};
  // The numbers are worked on in a 64-byte copy: text beyond it is not read.
  text = FitBuffer(text, kFieldsBytes);
  for (std::int32_t& field : fields) {
    const std::size_t dot = text.find('.');
    field = ParseDecimal(text.substr(0, dot));
    if (dot == std::string_view::npos) break;
    text.remove_prefix(dot + 1);
  }
  return fields;
}

std::int32_t ComputeProductVariant(const AppState& app) {
  std::int32_t variant = 0;
  std::uint8_t productType = 0;
  if (app.Sys.Os->GetProductType(productType) == 1) {
    if (productType == kProductWorkstation) variant = 1;
    if (productType == kProductServer) variant = 2;
  }
  const OsVersionInfo& v = app.OsVersion;
  if (v.MajorVersion == 6) variant = app.Sys.Os->IsWow64() ? 2 : 1;
  if (v.MajorVersion == 5 && v.MinorVersion == 2 && variant == 2) variant = app.Sys.Os->IsWow64() ? 3 : 2;
  return variant;
}

std::int32_t CompareWinVer(const AppState& app, std::string_view versionFields) {
  const auto rule = ParseVersionFields(versionFields);
  const OsVersionInfo& v = app.OsVersion;
  if (std::int32_t d = Difference(v.PlatformId, rule[0])) return d;
  if (std::int32_t d = Difference(v.MajorVersion, rule[1])) return d;
  if (std::int32_t d = Difference(v.MinorVersion, rule[2])) return d;
  if (std::int32_t d = CompareBuild(v.BuildNumber, rule[3])) return d;
  return Difference(ComputeProductVariant(app), rule[4]);
}

std::string SelectWinVerKey(const AppState& app) {
  const std::string section = app.Config->ReadSection("WinVer", kSectionBytes);
  const auto lines = SplitSectionLines(section);
  if (lines.empty()) return {};
  // The first rule stands until a later one applies: the key of the first line.
  std::string_view candidate = lines.front().substr(0, lines.front().find('='));
  for (std::string_view line : lines) {
    KeyValue rule;
    if (!SplitEntryLine(line, rule)) continue;
    const std::size_t dot = rule.key.find('.');
    if (dot == std::string_view::npos) {
      candidate = rule.key;
      continue;
    }
    const std::int32_t order = CompareWinVer(app, rule.key.substr(dot + 1));
    if (order < 0) break;
    candidate = rule.key;
    if (order == 0) break;
  }
  return std::string(FitBuffer(candidate, kKeyBytes));
}

std::string ReadOsProfile(const AppState& app) {
  return app.Config->ReadString("WinVer", SelectWinVerKey(app), 256);
}

}  // namespace drivora
