#include "sim/board_parser.h"

namespace drivora::sim {
namespace {

// A piece of the file's text.
struct Span {
  const char* data;
  size_t size;
};

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\v' || c == '\f'; }
char Upper(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }

Span Trim(Span s) {
  while (s.size && IsBlank(s.data[0])) ++s.data, --s.size;
  while (s.size && IsBlank(s.data[s.size - 1])) --s.size;
  return s;
}

bool Equals(Span s, const char* word) {
  size_t i = 0;
  for (; i < s.size; ++i)
    if (!word[i] || Upper(s.data[i]) != Upper(word[i])) return false;
  return word[i] == '\0';
}

bool StartsWith(Span s, const char* word) {
  for (size_t i = 0; word[i]; ++i)
    if (i >= s.size || Upper(s.data[i]) != Upper(word[i])) return false;
  return true;
}

// Index of `c` in `s`, or s.size.
size_t Find(Span s, char c) {
  size_t i = 0;
  while (i < s.size && s.data[i] != c) ++i;
  return i;
}

Span Before(Span s, size_t at) { return Span{s.data, at < s.size ? at : s.size}; }
Span After(Span s, size_t at) { return at < s.size ? Span{s.data + at + 1, s.size - at - 1} : Span{s.data + s.size, 0}; }

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  c = Upper(c);
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// A whole span of hexadecimal digits no greater than `max`.
bool ParseHex(Span s, uint32_t max, uint32_t& out) {
  if (s.size == 0 || s.size > 8) return false;
  uint32_t value = 0;
  for (size_t i = 0; i < s.size; ++i) {
    const int digit = HexDigit(s.data[i]);
    if (digit < 0) return false;
    value = value * 16 + static_cast<uint32_t>(digit);
  }
  if (value > max) return false;
  out = value;
  return true;
}

// The next blank-separated word of `s`, which advances past it.
Span NextWord(Span& s) {
  s = Trim(s);
  size_t end = 0;
  while (end < s.size && !IsBlank(s.data[end])) ++end;
  const Span word{s.data, end};
  s = Span{s.data + end, s.size - end};
  return word;
}

void CopyText(char* out, size_t capacity, Span s) {
  size_t n = s.size < capacity - 1 ? s.size : capacity - 1;
  for (size_t i = 0; i < n; ++i) out[i] = s.data[i];
  out[n] = '\0';
}

constexpr size_t kMaxImagePathBytes = 260;

void ZeroBytes(void* p, size_t n) {
  auto* bytes = static_cast<volatile uint8_t*>(p);
  for (size_t i = 0; i < n; ++i) bytes[i] = 0;
}

enum class Section { None, Board, Pci, SuperIo2E, SuperIo4E, Firmware, Enum, Count };

class Parser {
 public:
  Parser(Board& board, BoardImageLoader loader, void* context, BoardParseError& error)
      : board_(board), loader_(loader), context_(context), error_(error) {}

  bool Run(const char* text, size_t length);

 private:
  bool Fail(const char* what, Span detail = Span{nullptr, 0});
  bool Line(Span line);
  bool SectionHeader(Span name);
  bool PciLine(Span key, Span value);
  bool SuperIoLine(SuperIoChip& chip, Span key, Span value);
  bool FirmwareLine(Span key, Span value);
  bool Finish();
  bool ParseBytes(Span value, uint8_t* out, uint8_t& count);
  bool ParsePairs(Span value, uint8_t* table, uint32_t low, uint32_t high);
  PciFunction* FunctionAt(uint8_t bus, uint8_t device, uint8_t function, bool create);

  Board& board_;
  BoardImageLoader loader_;
  void* context_;
  BoardParseError& error_;
  int line_ = 0;
  Section section_ = Section::None;
  bool seen_[static_cast<int>(Section::Count)] = {};
  bool idLine_[kMaxPciFunctions] = {};
  bool configLine_[kMaxPciFunctions] = {};
  Span id_{nullptr, 0}, tags_{nullptr, 0}, image_{nullptr, 0};
  bool hasId_ = false, hasTags_ = false, hasImage_ = false;
};

bool Parser::Fail(const char* what, Span detail) {
  error_.line = line_;
  char* out = error_.message;
  const size_t capacity = sizeof error_.message;
  size_t n = 0;
  for (; what[n] && n < capacity - 1; ++n) out[n] = what[n];
  if (detail.data && n + 3 < capacity) {
    out[n++] = ':';
    out[n++] = ' ';
    CopyText(out + n, capacity - n, detail);
  } else {
    out[n] = '\0';
  }
  return false;
}

bool Parser::Run(const char* text, size_t length) {
  Span rest{text, length};
  while (rest.size) {
    const size_t end = Find(rest, '\n');
    ++line_;
    if (!Line(Trim(Before(rest, end)))) return false;
    rest = After(rest, end);
  }
  line_ = 0;
  return Finish();
}

bool Parser::Line(Span line) {
  // Names and values become zero-terminated texts: a zero byte would cut them short.
  if (Find(line, '\0') < line.size) return Fail("a zero byte inside a line");
  if (line.size == 0 || line.data[0] == ';') return true;
  if (line.data[0] == '[') {
    if (line.data[line.size - 1] != ']') return Fail("a section header must end with ']'", line);
    return SectionHeader(Trim(Span{line.data + 1, line.size - 2}));
  }
  const size_t equals = Find(line, '=');
  if (equals == line.size) return Fail("expected NAME=VALUE", line);
  const Span key = Trim(Before(line, equals));
  const Span value = Trim(After(line, equals));
  switch (section_) {
    case Section::None: return Fail("a line before the first section", line);
    case Section::Board:
      if (!Equals(key, "Name")) return Fail("unknown key in [Board]", key);
      CopyText(board_.name, sizeof board_.name, value);
      return true;
    case Section::Pci: return PciLine(key, value);
    case Section::SuperIo2E: return SuperIoLine(board_.superIo[0], key, value);
    case Section::SuperIo4E: return SuperIoLine(board_.superIo[1], key, value);
    case Section::Firmware: return FirmwareLine(key, value);
    case Section::Enum:
      if (!Equals(key, "Key")) return Fail("unknown key in [Enum] (one Key= line per device key)", key);
      if (value.size == 0) return Fail("an empty device key");
      if (board_.enumKeyCount == kMaxEnumKeys) return Fail("too many device keys (at most 64)");
      if (value.size >= static_cast<size_t>(kMaxEnumKeyBytes)) return Fail("device key longer than 511 characters");
      CopyText(board_.enumKeys[board_.enumKeyCount++], kMaxEnumKeyBytes, value);
      return true;
    case Section::Count: break;
  }
  return Fail("internal: no section");
}

bool Parser::SectionHeader(Span name) {
  Section s = Section::None;
  if (Equals(name, "Board")) s = Section::Board;
  else if (Equals(name, "PCI")) s = Section::Pci;
  else if (Equals(name, "SuperIO.2E")) s = Section::SuperIo2E;
  else if (Equals(name, "SuperIO.4E")) s = Section::SuperIo4E;
  else if (Equals(name, "Firmware")) s = Section::Firmware;
  else if (Equals(name, "Enum")) s = Section::Enum;
  else return Fail("unknown section", name);
  if (seen_[static_cast<int>(s)]) return Fail("section appears twice", name);
  seen_[static_cast<int>(s)] = true;
  section_ = s;
  if (s == Section::SuperIo2E || s == Section::SuperIo4E) {
    SuperIoChip& chip = board_.superIo[s == Section::SuperIo2E ? 0 : 1];
    chip.present = true;
    chip.indexPort = s == Section::SuperIo2E ? 0x2E : 0x4E;
  }
  return true;
}

PciFunction* Parser::FunctionAt(uint8_t bus, uint8_t device, uint8_t function, bool create) {
  for (int i = 0; i < board_.pciCount; ++i) {
    PciFunction& f = board_.pci[i];
    if (f.bus == bus && f.device == device && f.function == function) return &f;
  }
  if (!create || board_.pciCount == kMaxPciFunctions) return nullptr;
  PciFunction& f = board_.pci[board_.pciCount++];
  f.bus = bus;
  f.device = device;
  f.function = function;
  return &f;
}

bool Parser::PciLine(Span key, Span value) {
  // BB:DD.F, or BB:DD.F.Config
  const size_t colon = Find(key, ':');
  const Span busText = Before(key, colon);
  const Span rest = After(key, colon);
  const size_t dot = Find(rest, '.');
  const Span deviceText = Before(rest, dot);
  Span functionText = After(rest, dot);
  bool config = false;
  const size_t secondDot = Find(functionText, '.');
  if (secondDot < functionText.size) {
    if (!Equals(After(functionText, secondDot), "Config")) return Fail("malformed PCI address", key);
    functionText = Before(functionText, secondDot);
    config = true;
  }
  uint32_t bus = 0, device = 0, function = 0;
  if (colon == key.size || dot == rest.size || !ParseHex(busText, 0xFF, bus) || !ParseHex(deviceText, 0xFF, device) ||
      !ParseHex(functionText, 0xFF, function))
    return Fail("malformed PCI address (BB:DD.F, hexadecimal)", key);
  if (device > 0x1F) return Fail("PCI device number over 1F", key);
  if (function > 7) return Fail("PCI function number over 7", key);

  PciFunction* f = FunctionAt(static_cast<uint8_t>(bus), static_cast<uint8_t>(device), static_cast<uint8_t>(function), true);
  if (!f) return Fail("too many PCI functions (at most 256)");
  const auto slot = f - board_.pci;
  bool& seen = config ? configLine_[slot] : idLine_[slot];
  if (seen) return Fail("the same PCI function appears twice", key);
  seen = true;

  if (config) {
    for (uint32_t& dword : f->config) {
      uint32_t v = 0;
      if (!ParseHex(NextWord(value), 0xFFFFFFFFu, v)) return Fail("a Config line needs 64 hexadecimal dwords", key);
      dword = v;
    }
    if (Trim(value).size) return Fail("a Config line needs exactly 64 dwords", key);
    return true;
  }
  // VVVV:DDDD SSSS:ssss RR
  const Span original = value;
  const Span ids = NextWord(value), subsystem = NextWord(value), revision = NextWord(value);
  uint32_t vendor = 0, deviceId = 0, subVendor = 0, subDevice = 0, rev = 0;
  const size_t c1 = Find(ids, ':'), c2 = Find(subsystem, ':');
  if (!ParseHex(Before(ids, c1), 0xFFFF, vendor) || !ParseHex(After(ids, c1), 0xFFFF, deviceId) ||
      !ParseHex(Before(subsystem, c2), 0xFFFF, subVendor) || !ParseHex(After(subsystem, c2), 0xFFFF, subDevice) ||
      !ParseHex(revision, 0xFF, rev) || Trim(value).size)
    return Fail("expected VVVV:DDDD SSSS:ssss RR (hexadecimal)", original);
  if (!configLine_[slot]) {
    f->config[0] = deviceId << 16 | vendor;
    f->config[2] = rev;
    f->config[0x2C / 4] = subDevice << 16 | subVendor;
  }
  return true;
}

bool Parser::ParseBytes(Span value, uint8_t* out, uint8_t& count) {
  count = 0;
  for (Span word = NextWord(value); word.size; word = NextWord(value)) {
    uint32_t byte = 0;
    if (!ParseHex(word, 0xFF, byte)) return Fail("expected hexadecimal bytes", word);
    if (count == kMaxSequence) return Fail("a key sequence has at most 8 bytes");
    out[count++] = static_cast<uint8_t>(byte);
  }
  if (count == 0) return Fail("an empty key sequence");
  return true;
}

// RR:VV pairs for registers in [low, high].
bool Parser::ParsePairs(Span value, uint8_t* table, uint32_t low, uint32_t high) {
  for (Span word = NextWord(value); word.size; word = NextWord(value)) {
    const size_t colon = Find(word, ':');
    uint32_t reg = 0, v = 0;
    if (colon == word.size || !ParseHex(Before(word, colon), 0xFF, reg) || !ParseHex(After(word, colon), 0xFF, v))
      return Fail("expected register:value pairs in hexadecimal", word);
    if (reg < low || reg > high || reg == 0x07)
      return Fail(low ? "logical-device registers are 30 to FF" : "global registers are 00 to 2F, without 07", word);
    table[reg] = static_cast<uint8_t>(v);
  }
  return true;
}

bool Parser::SuperIoLine(SuperIoChip& chip, Span key, Span value) {
  if (Equals(key, "Entry")) return ParseBytes(value, chip.entry, chip.entryLength);
  if (Equals(key, "Exit")) {
    if (chip.exitByRegister) return Fail("Exit and ExitRegister exclude each other");
    return ParseBytes(value, chip.exit, chip.exitLength);
  }
  if (Equals(key, "ExitRegister")) {
    const size_t colon = Find(value, ':');
    uint32_t reg = 0, v = 0;
    if (chip.exitLength) return Fail("Exit and ExitRegister exclude each other");
    if (colon == value.size || !ParseHex(Trim(Before(value, colon)), 0xFF, reg) || !ParseHex(Trim(After(value, colon)), 0xFF, v))
      return Fail("expected ExitRegister=RR:VV", value);
    chip.exitByRegister = true;
    chip.exitRegister = static_cast<uint8_t>(reg);
    chip.exitValue = static_cast<uint8_t>(v);
    return true;
  }
  if (Equals(key, "Registers")) return ParsePairs(value, chip.global, 0x00, 0x2F);
  if (StartsWith(key, "Device.")) {
    uint32_t n = 0;
    if (!ParseHex(Span{key.data + 7, key.size - 7}, kLogicalDevices - 1, n))
      return Fail("logical devices are Device.0 to Device.F", key);
    return ParsePairs(value, chip.device[n], 0x30, 0xFF);
  }
  return Fail("unknown key in a [SuperIO] section", key);
}

bool Parser::FirmwareLine(Span key, Span value) {
  bool* has = nullptr;
  Span* where = nullptr;
  if (Equals(key, "Id")) has = &hasId_, where = &id_;
  else if (Equals(key, "Tags")) has = &hasTags_, where = &tags_;
  else if (Equals(key, "Image")) has = &hasImage_, where = &image_;
  else return Fail("unknown key in [Firmware]", key);
  if (*has) return Fail("a [Firmware] key appears twice", key);
  *has = true;
  *where = value;
  return true;
}

bool Parser::Finish() {
  for (const SuperIoChip& chip : board_.superIo) {
    if (!chip.present) continue;
    if (!chip.entryLength) return Fail(chip.indexPort == 0x2E ? "[SuperIO.2E] needs Entry=" : "[SuperIO.4E] needs Entry=");
    if (!chip.exitLength && !chip.exitByRegister)
      return Fail(chip.indexPort == 0x2E ? "[SuperIO.2E] needs Exit= or ExitRegister=" : "[SuperIO.4E] needs Exit= or ExitRegister=");
  }
  if (hasImage_) {
    if (image_.size >= kMaxImagePathBytes) return Fail("image path too long", image_);
    const int64_t size = loader_ ? loader_(context_, image_.data, image_.size, board_.firmware, kFirmwareSize) : -1;
    if (size == kImageNameRefused) return Fail("the firmware image must be a file name beside the board file", image_);
    if (size < 0) return Fail("cannot read the firmware image", image_);
    if (size != kFirmwareSize) return Fail("the firmware image is not 65536 bytes", image_);
  }
  if (hasId_) {
    if (id_.size >= kFirmwareSize - kFirmwareIdOffset) return Fail("identification text too long");
    CopyText(reinterpret_cast<char*>(board_.firmware + kFirmwareIdOffset), kFirmwareSize - kFirmwareIdOffset, id_);
  }
  if (hasTags_) {
    // Each tag follows a "DRIVORA " marker and ends with a zero byte.
    uint32_t at = kFirmwareTagOffset;
    Span rest = tags_;
    for (;;) {
      const size_t comma = Find(rest, ',');
      const Span tag = Trim(Before(rest, comma));
      if (Find(tag, ' ') < tag.size || Find(tag, '\t') < tag.size) return Fail("a tag cannot hold blanks", tag);
      if (at + 8 + tag.size + 1 > kFirmwareIdOffset) return Fail("the tags do not fit below the identification text");
      const char marker[] = "DRIVORA ";
      for (int i = 0; i < 8; ++i) board_.firmware[at++] = static_cast<uint8_t>(marker[i]);
      for (size_t i = 0; i < tag.size; ++i) board_.firmware[at++] = static_cast<uint8_t>(tag.data[i]);
      board_.firmware[at++] = 0;
      if (comma == rest.size) break;
      rest = After(rest, comma);
    }
  }
  return true;
}

}  // namespace

bool ParseBoard(const char* text, size_t length, Board& board, BoardImageLoader loadImage, void* context,
                BoardParseError& error) {
  ZeroBytes(&board, sizeof board);
  error.line = 0;
  error.message[0] = '\0';
  Parser parser(board, loadImage, context, error);
  if (parser.Run(text, length)) return true;
  ZeroBytes(&board, sizeof board);
  return false;
}

}  // namespace drivora::sim
