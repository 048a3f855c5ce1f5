// The lines of lspci's output that say something the wizard reads, each
// recognised on its own: a function's first line, its hex-dump lines and the
// few detail lines that tell the subsystem, the header type or a bridge's
// prefetchable window. Any other line is not theirs (nullopt / Other).
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string_view>

namespace drivora::tool::lspci {

struct Location {
  std::uint32_t domain = 0;
  std::uint8_t bus = 0, device = 0, function = 0;
};

// Linux's name of a PCI function, as lspci and sysfs write it: BB:DD.F, with
// the domain in front or not ("0000:00:1f.3").
std::optional<Location> ParseLocation(std::string_view name);

// "0000:00:1f.3 Audio device [0403]: Intel Corporation ... [8086:a170] (rev 31)",
// or the forms of lspci -n ("00:1f.3 0403: 8086:a170") and of plain lspci
// (names only, no numbers).
struct FunctionLine {
  Location where;
  std::optional<std::uint16_t> classCode;
  std::optional<std::uint32_t> identification;  // device << 16 | vendor, as at offset 0x00
  std::uint8_t revision = 0;                     // lspci leaves "(rev 00)" out
};
std::optional<FunctionLine> ParseFunctionLine(std::string_view line);

// "30: 00 00 00 00 00 00 00 00 00 00 00 00 58 14 65 37": a row of a hex dump.
struct DumpLine {
  unsigned offset = 0;
  std::array<std::uint8_t, 16> bytes{};
};
std::optional<DumpLine> ParseDumpLine(std::string_view line);

// A detail line, its indentation removed.
struct Detail {
  enum class Kind {
    Other,
    Subsystem,       // value: the subsystem dword as at 0x2C, when the line shows the numbers
    HeaderType,      // "!!! Invalid class 0604 for header type 00": value is the type
    BridgeWindow,    // an I/O or memory window of a PCI-to-PCI bridge (header type 1)
    PrefetchWindow,  // the prefetchable one; value: the upper half of its limit, when the text tells
    CardBusWindow,   // a window of a CardBus bridge (header type 2)
  };
  Kind kind = Kind::Other;
  std::optional<std::uint32_t> value;
};
Detail ParseDetailLine(std::string_view detail);

}  // namespace drivora::tool::lspci
