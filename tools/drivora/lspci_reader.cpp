#include "tools/drivora/lspci_reader.h"

#include <algorithm>
#include <cstdio>
#include <map>
#include <optional>

#include "tools/drivora/lspci_lines.h"

namespace drivora::tool {
namespace {

using namespace lspci;

constexpr int kRevisionDword = 2;
constexpr int kSubsystemDword = 0x2C / 4;
constexpr unsigned kHeaderBytes = 256;
constexpr unsigned kShortestDump = 64;  // lspci -x
constexpr std::uint32_t kNoFunction = 0xFFFFFFFFu;

std::string Hex(unsigned value, int digits) {
  char text[16];
  std::snprintf(text, sizeof text, "%0*x", digits, value);
  return text;
}

// As lspci writes them: "8086:a170", vendor first.
std::string PairText(std::uint32_t dword) { return Hex(dword & 0xFFFF, 4) + ":" + Hex(dword >> 16, 4); }

std::string LocationText(unsigned bus, unsigned device, unsigned function) {
  return Hex(bus, 2) + ":" + Hex(device, 2) + "." + Hex(function, 1);
}

std::string LocationText(const sim::PciFunction& f) { return LocationText(f.bus, f.device, f.function); }

// The lines of one function: its first line, the detail lines and the hex
// dump that follow it, up to a blank line or a line of another kind.
struct Block {
  int line = 0;
  FunctionLine head;
  bool details = false;
  bool subsystemLine = false;
  std::optional<std::uint32_t> subsystem;
  std::optional<std::uint32_t> statedHeaderType;
  bool bridgeWindow = false, cardBusWindow = false, prefetchLine = false;
  std::optional<std::uint32_t> prefetchLimitHigh;
  int dumpLine = 0;
  unsigned dumpBytes = 0;
  std::uint8_t dump[kHeaderBytes] = {};
};

// What one source (a function's text, or its hex dump) says about a function.
struct Account {
  int line = 0;
  bool fromDump = false;
  LspciFunction function;
  // Why the text does not tell the dword at 0x2C; empty when it does.
  std::string doubt;
};

unsigned TextHeaderType(const Block& b) {
  if (b.statedHeaderType) return *b.statedHeaderType;
  if (b.prefetchLine || b.bridgeWindow) return 1;
  if (b.cardBusWindow) return 2;
  const std::uint16_t classCode = b.head.classCode.value_or(0);
  if (classCode == 0x0604 || classCode == 0x0609) return 1;
  return classCode == 0x0607 ? 2 : 0;
}

const char* const kTakenAsZero = ", which the wizard reads at 0x2C as the subsystem; taken as 0000:0000";

// The dword at 0x2C as the text tells it, or why it does not.
std::string DoubtOrDword2C(const Block& b, std::uint32_t& dword) {
  dword = 0;
  switch (const unsigned type = TextHeaderType(b)) {
    case 0:
      if (b.subsystemLine && !b.subsystem)
        return "a Subsystem line without numbers (lspci without -nn): the subsystem is taken as 0000:0000";
      if (!b.details) return "no detail lines (lspci without -v): the subsystem is taken as 0000:0000";
      dword = b.subsystem.value_or(0);
      return {};
    case 1:
      if (b.prefetchLimitHigh) {
        dword = *b.prefetchLimitHigh;
        return {};
      }
      return std::string(b.prefetchLine ? "a bridge whose prefetchable window is disabled"
                                        : "a bridge shown without its windows (lspci without -v)") +
             ": the text does not tell the upper half of the prefetchable window's limit" + kTakenAsZero;
    case 2: return std::string("a CardBus bridge: the text does not tell the base of its I/O window 0") + kTakenAsZero;
    default: return "header type " + Hex(type, 2) + ": the text does not tell its dword" + kTakenAsZero;
  }
}

std::optional<Account> FromText(const Block& b) {
  if (!b.head.identification) return std::nullopt;
  Account account;
  account.line = b.line;
  sim::PciFunction& f = account.function.pci;
  f.bus = b.head.where.bus;
  f.device = b.head.where.device;
  f.function = b.head.where.function;
  f.config[0] = *b.head.identification;
  f.config[kRevisionDword] = b.head.revision;
  account.doubt = DoubtOrDword2C(b, f.config[kSubsystemDword]);
  return account;
}

std::optional<Account> FromDump(const Block& b) {
  if (b.dumpBytes == 0) return std::nullopt;
  Account account;
  account.line = b.dumpLine;
  account.fromDump = true;
  account.function.headerBytes = static_cast<int>(std::min(b.dumpBytes, kHeaderBytes));
  sim::PciFunction& f = account.function.pci;
  f.bus = b.head.where.bus;
  f.device = b.head.where.device;
  f.function = b.head.where.function;
  for (unsigned d = 0; d < kHeaderBytes / 4; ++d)
    f.config[d] = static_cast<std::uint32_t>(b.dump[4 * d] | b.dump[4 * d + 1] << 8 | b.dump[4 * d + 2] << 16) |
                  static_cast<std::uint32_t>(b.dump[4 * d + 3]) << 24;
  return account;
}

class Reader {
 public:
  Reader(LspciImport& out, LspciMessage& refusal) : out_(out), refusal_(refusal) {}
  bool Run(std::string_view text);

 private:
  bool Fail(int line, std::string text) {
    refusal_ = {line, std::move(text)};
    return false;
  }
  bool Line(std::string_view line, int number);
  void DetailLine(std::string_view line);
  bool DumpRow(const DumpLine& row, int number);
  bool EndBlock();
  bool Add(Account account);
  bool Merge(Account& kept, const Account& other);
  bool Differ(const Account& earlier, const Account& later, const std::string& what, const std::string& before,
              const std::string& now);
  bool Finish();
  void NoteDoubts();

  LspciImport& out_;
  LspciMessage& refusal_;
  std::optional<Block> block_;
  std::map<unsigned, Account> functions_;  // by bus, device and function: the scan's order
  std::map<std::uint32_t, int> otherDomains_;
  int withoutNumbers_ = 0;
};

bool Reader::Run(std::string_view text) {
  if (text.starts_with("\xEF\xBB\xBF")) text.remove_prefix(3);
  int number = 0;
  while (!text.empty()) {
    const std::size_t end = std::min(text.find('\n'), text.size());
    std::string_view line = text.substr(0, end);
    text.remove_prefix(std::min(end + 1, text.size()));
    if (line.ends_with('\r')) line.remove_suffix(1);
    if (!Line(line, ++number)) return false;
  }
  return EndBlock() && Finish();
}

bool Reader::Line(std::string_view line, int number) {
  if (line.find_first_not_of(" \t") == std::string_view::npos) return EndBlock();
  if (line.front() == ' ' || line.front() == '\t') {
    if (block_) DetailLine(line);
    return true;
  }
  if (const auto row = ParseDumpLine(line)) return DumpRow(*row, number);
  if (!EndBlock()) return false;
  if (const auto head = ParseFunctionLine(line)) {
    block_.emplace();
    block_->line = number;
    block_->head = *head;
  }
  return true;
}

void Reader::DetailLine(std::string_view line) {
  using Kind = Detail::Kind;
  Block& b = *block_;
  b.details = true;
  const Detail detail = ParseDetailLine(line);
  switch (detail.kind) {
    case Kind::Subsystem:
      b.subsystemLine = true;
      b.subsystem = detail.value;
      break;
    case Kind::HeaderType: b.statedHeaderType = detail.value; break;
    case Kind::BridgeWindow: b.bridgeWindow = true; break;
    case Kind::PrefetchWindow:
      b.prefetchLine = true;
      b.prefetchLimitHigh = detail.value;
      break;
    case Kind::CardBusWindow: b.cardBusWindow = true; break;
    case Kind::Other: break;
  }
}

bool Reader::DumpRow(const DumpLine& row, int number) {
  if (!block_) return Fail(number, "a hex dump line without a function line before it");
  Block& b = *block_;
  const std::string where = LocationText(b.head.where.bus, b.head.where.device, b.head.where.function);
  if (row.offset == 0 && b.dumpBytes) return Fail(number, "a second hex dump of " + where);
  if (row.offset != b.dumpBytes)
    return Fail(number, "the hex dump of " + where + " goes on at " + Hex(row.offset, 2) + " where " +
                            Hex(b.dumpBytes, 2) + " comes next");
  if (b.dumpBytes == 0) b.dumpLine = number;
  for (std::uint8_t byte : row.bytes) {
    if (b.dumpBytes < kHeaderBytes) b.dump[b.dumpBytes] = byte;
    ++b.dumpBytes;
  }
  return true;
}

bool Reader::EndBlock() {
  if (!block_) return true;
  const Block b = std::move(*block_);
  block_.reset();
  if (b.dumpBytes && b.dumpBytes < kShortestDump)
    return Fail(b.dumpLine, "the hex dump ends after " + std::to_string(b.dumpBytes) +
                                " bytes; lspci -x shows the first 64, which hold what the wizard reads");
  const auto account = FromDump(b);
  const auto text = FromText(b);
  if (!account && !text) {
    ++withoutNumbers_;
    return true;
  }
  if (b.head.where.domain != 0) {
    ++otherDomains_[b.head.where.domain];
    return true;
  }
  if (!text) return Add(*account);
  Account merged = *text;
  if (account && !Merge(merged, *account)) return false;
  return Add(merged);
}

bool Reader::Add(Account account) {
  const sim::PciFunction& f = account.function.pci;
  const unsigned key = static_cast<unsigned>(f.bus << 8 | f.device << 3 | f.function);
  const auto [at, fresh] = functions_.try_emplace(key, account);
  return fresh || Merge(at->second, account);
}

bool Reader::Differ(const Account& earlier, const Account& later, const std::string& what, const std::string& before,
                    const std::string& now) {
  return Fail(later.line, LocationText(later.function.pci) + " appears twice with different " + what + ": " + before +
                              " on line " + std::to_string(earlier.line) + ", " + now + " here");
}

// Two accounts of one function, `other` the later. A hex dump is the header
// itself and wins over the text (a disagreement is noted); two of one kind
// must agree.
bool Reader::Merge(Account& kept, const Account& other) {
  const auto& a = kept.function.pci.config;
  const auto& b = other.function.pci.config;
  if (a[0] != b[0]) return Differ(kept, other, "identifications", PairText(a[0]), PairText(b[0]));
  const std::uint8_t revisionA = a[kRevisionDword] & 0xFF, revisionB = b[kRevisionDword] & 0xFF;
  const bool both2C = kept.doubt.empty() && other.doubt.empty();
  if (kept.fromDump == other.fromDump) {
    if (revisionA != revisionB) return Differ(kept, other, "revisions", Hex(revisionA, 2), Hex(revisionB, 2));
    if (both2C && a[kSubsystemDword] != b[kSubsystemDword])
      return Differ(kept, other, "subsystems", PairText(a[kSubsystemDword]), PairText(b[kSubsystemDword]));
    const bool better = other.fromDump ? other.function.headerBytes > kept.function.headerBytes
                                       : !kept.doubt.empty() && other.doubt.empty();
    if (better) kept = other;
    return true;
  }
  const Account& dump = kept.fromDump ? kept : other;
  const Account& text = kept.fromDump ? other : kept;
  if (revisionA != revisionB || (both2C && a[kSubsystemDword] != b[kSubsystemDword])) {
    const auto& d = dump.function.pci.config;
    const auto& t = text.function.pci.config;
    out_.notes.push_back({text.line, LocationText(dump.function.pci) + ": the text says revision " +
                                         Hex(t[kRevisionDword] & 0xFF, 2) + " and subsystem " +
                                         PairText(t[kSubsystemDword]) + ", its hex dump (line " +
                                         std::to_string(dump.line) + ") " + Hex(d[kRevisionDword] & 0xFF, 2) +
                                         " and " + PairText(d[kSubsystemDword]) + ": the dump's bytes are taken"});
  }
  if (!kept.fromDump) kept = other;
  return true;
}

// One note for each reason the text left a dword at 0x2C untold, naming its functions.
void Reader::NoteDoubts() {
  struct Group {
    const std::string* doubt;
    std::string locations;
    int line;  // of its one function; 0 for several
  };
  std::vector<Group> groups;  // in the order of their first function
  for (const auto& entry : functions_) {
    const Account& account = entry.second;
    if (account.doubt.empty()) continue;
    const std::string where = LocationText(account.function.pci);
    auto group = std::find_if(groups.begin(), groups.end(), [&](const Group& g) { return *g.doubt == account.doubt; });
    if (group == groups.end()) {
      groups.push_back({&account.doubt, where, account.line});
    } else {
      group->locations += ", " + where;
      group->line = 0;
    }
  }
  for (const Group& g : groups) out_.notes.push_back({g.line, g.locations + ": " + *g.doubt});
}

bool Reader::Finish() {
  for (auto it = functions_.begin(); it != functions_.end();) {
    if (it->second.function.pci.config[0] != kNoFunction) {
      ++it;
      continue;
    }
    out_.notes.push_back({it->second.line, LocationText(it->second.function.pci) +
                                               " reads ffff:ffff, as no function does: the wizard passes it over"});
    it = functions_.erase(it);
  }
  for (const auto& [domain, count] : otherDomains_)
    out_.notes.push_back({0, std::to_string(count) + " functions of PCI domain " + Hex(domain, 4) +
                                 " left out: the wizard reaches domain 0000 only"});
  if (withoutNumbers_)
    out_.notes.push_back({0, std::to_string(withoutNumbers_) +
                                 " functions left out whose lines show names only, no [vendor:device] and no hex "
                                 "dump (run lspci with -nn)"});
  if (functions_.empty()) {
    const bool elsewhere = !otherDomains_.empty();
    return Fail(0, elsewhere ? "no PCI function of domain 0000, the only one the wizard reaches"
                   : withoutNumbers_ ? "no PCI function with numbers: run lspci with -nn, or -x"
                                     : "no PCI function: expected the output of lspci -nn (lines such as "
                                       "'00:1f.3 Audio device [0403]: ... [8086:a170]') or of lspci -x");
  }
  NoteDoubts();
  for (const auto& [key, account] : functions_) out_.functions.push_back(account.function);
  return true;
}

}  // namespace

bool ReadLspciText(std::string_view text, LspciImport& out, LspciMessage& refusal) {
  out = {};
  refusal = {};
  if (Reader(out, refusal).Run(text)) return true;
  out = {};
  return false;
}

}  // namespace drivora::tool
