#include "tools/drivora/lspci_lines.h"

namespace drivora::tool::lspci {
namespace {

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// All of `text` as hexadecimal, 1 to 16 digits.
std::optional<std::uint64_t> Hex(std::string_view text) {
  if (text.empty() || text.size() > 16) return std::nullopt;
  std::uint64_t value = 0;
  for (char c : text) {
    const int digit = HexDigit(c);
    if (digit < 0) return std::nullopt;
    value = value << 4 | static_cast<unsigned>(digit);
  }
  return value;
}

std::optional<std::uint64_t> HexOfLength(std::string_view text, std::size_t digits) {
  return text.size() == digits ? Hex(text) : std::nullopt;
}

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

std::string_view TrimBlanks(std::string_view text) {
  while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
  while (!text.empty() && IsBlank(text.back())) text.remove_suffix(1);
  return text;
}

// "vvvv:dddd" as the dword the header holds: the second half above the first.
std::optional<std::uint32_t> IdPair(std::string_view text) {
  if (text.size() != 9 || text[4] != ':') return std::nullopt;
  const auto low = HexOfLength(text.substr(0, 4), 4), high = HexOfLength(text.substr(5), 4);
  if (!low || !high) return std::nullopt;
  return static_cast<std::uint32_t>(*high << 16 | *low);
}

// The last "[vvvv:dddd]": names may hold brackets of their own, the numbers come last.
std::optional<std::uint32_t> LastBracketedPair(std::string_view text) {
  for (std::size_t close = text.rfind(']'); close != std::string_view::npos && close >= 10;
       close = text.rfind(']', close - 1)) {
    if (text[close - 10] != '[') continue;
    if (const auto pair = IdPair(text.substr(close - 9, 9))) return pair;
  }
  return std::nullopt;
}

// "Audio device [0403]: " (lspci -nn); the first such, before any name can hold one.
std::optional<std::uint16_t> BracketedClass(std::string_view rest) {
  for (std::size_t end = rest.find("]: "); end != std::string_view::npos; end = rest.find("]: ", end + 1)) {
    if (end < 5 || rest[end - 5] != '[') continue;
    if (const auto code = HexOfLength(rest.substr(end - 4, 4), 4)) return static_cast<std::uint16_t>(*code);
  }
  return std::nullopt;
}

std::uint8_t Revision(std::string_view rest) {
  const std::size_t at = rest.rfind("(rev ");
  if (at == std::string_view::npos || rest.size() < at + 8 || rest[at + 7] != ')') return 0;
  return static_cast<std::uint8_t>(HexOfLength(rest.substr(at + 5, 2), 2).value_or(0));
}

// "e0000000-f1ffffff", or 16 digits each for a 64-bit window; then "[size=..]",
// "[disabled]", "[32-bit]" or "[64-bit]" (pciutils 3.8 on), or "None" (before).
std::optional<std::uint32_t> PrefetchLimitHigh(std::string_view window) {
  window = TrimBlanks(window);
  const std::string_view range = window.substr(0, window.find(' '));
  const std::size_t dash = range.find('-');
  if (dash != std::string_view::npos && Hex(range.substr(0, dash))) {
    const std::string_view limitText = range.substr(dash + 1);
    const auto limit = Hex(limitText);
    if (!limit) return std::nullopt;
    return limitText.size() > 8 ? static_cast<std::uint32_t>(*limit >> 32) : 0;
  }
  // A 32-bit window's upper registers are hard-wired to zero, shown or not.
  if (window.find("[32-bit]") != std::string_view::npos) return 0;
  return std::nullopt;
}

std::optional<std::uint32_t> HeaderTypeIn(std::string_view detail) {
  const std::size_t at = detail.find("header type ");
  if (at == std::string_view::npos) return std::nullopt;
  const auto type = HexOfLength(detail.substr(at + 12, 2), 2);
  return type ? std::optional<std::uint32_t>(static_cast<std::uint32_t>(*type & 0x7F)) : std::nullopt;
}

}  // namespace

std::optional<Location> ParseLocation(std::string_view token) {
  const std::size_t lastColon = token.rfind(':');
  if (lastColon == std::string_view::npos) return std::nullopt;
  std::string_view bus = token.substr(0, lastColon);
  const std::string_view slot = token.substr(lastColon + 1);
  Location where;
  if (const std::size_t colon = bus.rfind(':'); colon != std::string_view::npos) {
    const auto domain = colon <= 8 ? Hex(bus.substr(0, colon)) : std::nullopt;
    if (!domain) return std::nullopt;
    where.domain = static_cast<std::uint32_t>(*domain);
    bus = bus.substr(colon + 1);
  }
  const auto busNumber = HexOfLength(bus, 2);
  if (!busNumber || slot.size() != 4 || slot[2] != '.') return std::nullopt;
  const auto device = HexOfLength(slot.substr(0, 2), 2), function = HexOfLength(slot.substr(3), 1);
  if (!device || *device > 0x1F || !function || *function > 7) return std::nullopt;
  where.bus = static_cast<std::uint8_t>(*busNumber);
  where.device = static_cast<std::uint8_t>(*device);
  where.function = static_cast<std::uint8_t>(*function);
  return where;
}

std::optional<FunctionLine> ParseFunctionLine(std::string_view line) {
  const std::size_t space = line.find(' ');
  const auto where = ParseLocation(line.substr(0, space));
  if (!where) return std::nullopt;
  FunctionLine parsed;
  parsed.where = *where;
  const std::string_view rest = space == std::string_view::npos ? std::string_view() : line.substr(space + 1);
  if (rest.size() >= 15 && rest.substr(4, 2) == ": " && HexOfLength(rest.substr(0, 4), 4)) {
    // lspci -n: "0403: 8086:a170 (rev 31)"
    parsed.classCode = static_cast<std::uint16_t>(*Hex(rest.substr(0, 4)));
    parsed.identification = IdPair(rest.substr(6, 9));
  } else {
    parsed.classCode = BracketedClass(rest);
    parsed.identification = LastBracketedPair(rest);
  }
  parsed.revision = Revision(rest);
  return parsed;
}

std::optional<DumpLine> ParseDumpLine(std::string_view line) {
  const std::size_t colon = line.find(':');
  if (colon != 2 && colon != 3) return std::nullopt;
  const auto offset = Hex(line.substr(0, colon));
  if (!offset || *offset % 16) return std::nullopt;
  DumpLine dump;
  dump.offset = static_cast<unsigned>(*offset);
  std::string_view rest = line.substr(colon + 1);
  for (std::uint8_t& byte : dump.bytes) {
    if (rest.empty() || !IsBlank(rest.front())) return std::nullopt;
    const std::size_t start = rest.find_first_not_of(" \t");
    if (start == std::string_view::npos) return std::nullopt;
    rest.remove_prefix(start);
    const auto value = HexOfLength(rest.substr(0, 2), 2);
    if (!value) return std::nullopt;
    byte = static_cast<std::uint8_t>(*value);
    rest.remove_prefix(2);
  }
  if (!TrimBlanks(rest).empty()) return std::nullopt;
  return dump;
}

Detail ParseDetailLine(std::string_view detail) {
  using Kind = Detail::Kind;
  detail = TrimBlanks(detail);
  if (detail.starts_with("Subsystem:")) {
    const std::string_view rest = TrimBlanks(detail.substr(10));
    const auto pair = LastBracketedPair(rest);
    return {Kind::Subsystem, pair ? pair : IdPair(rest)};
  }
  if (detail.starts_with("Prefetchable memory behind bridge:"))
    return {Kind::PrefetchWindow, PrefetchLimitHigh(detail.substr(detail.find(':') + 1))};
  if (detail.starts_with("!!! Unknown prefetchable memory range types")) return {Kind::PrefetchWindow, std::nullopt};
  if (detail.starts_with("!!! Invalid class ") || detail.starts_with("!!! Unknown header type ")) {
    const auto type = HeaderTypeIn(detail);
    return type ? Detail{Kind::HeaderType, type} : Detail{};
  }
  if (detail.starts_with("I/O behind bridge:") || detail.starts_with("Memory behind bridge:"))
    return {Kind::BridgeWindow, std::nullopt};
  if (detail.starts_with("Memory window ") || detail.starts_with("I/O window ")) return {Kind::CardBusWindow, std::nullopt};
  return {};
}

}  // namespace drivora::tool::lspci
