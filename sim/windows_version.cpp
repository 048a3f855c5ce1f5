#include "sim/windows_version.h"

#include <array>
#include <charconv>

#include "app/byte_strings.h"

namespace drivora {
namespace {

struct Preset {
  const char* names;  // blank-separated aliases
  const char* version;  // in the explicit form
  const char* what;
};

// What each release reports to a program whose manifest declares nothing:
// 8.1, 10 and 11 all say 6.2 build 9200.
constexpr std::array kPresets{
    Preset{"95 win95", "1.4.0.950", "Windows 95"},
    Preset{"98 win98", "1.4.10.1998", "Windows 98"},
    Preset{"98se win98se", "1.4.10.2222", "Windows 98 Second Edition"},
    Preset{"me winme", "1.4.90.3000", "Windows ME"},
    Preset{"nt4 winnt4", "2.4.0.1381", "Windows NT 4.0 (before SP6: no extended version record)"},
    Preset{"2000 win2000 win2k", "2.5.0.2195:workstation", "Windows 2000 Professional"},
    Preset{"xp winxp", "2.5.1.2600:workstation", "Windows XP"},
    Preset{"xp-x64 winxp-x64", "2.5.2.3790:workstation:wow64", "Windows XP Professional x64"},
    Preset{"2003 win2003", "2.5.2.3790:server", "Windows Server 2003"},
    Preset{"2003-x64 win2003-x64", "2.5.2.3790:server:wow64", "Windows Server 2003 x64"},
    Preset{"vista winvista", "2.6.0.6002:workstation", "Windows Vista"},
    Preset{"vista-x64 winvista-x64", "2.6.0.6002:workstation:wow64", "Windows Vista x64"},
    Preset{"7 win7", "2.6.1.7601:workstation", "Windows 7"},
    Preset{"7-x64 win7-x64", "2.6.1.7601:workstation:wow64", "Windows 7 x64"},
    Preset{"8 win8", "2.6.2.9200:workstation", "Windows 8"},
    Preset{"8-x64 win8-x64", "2.6.2.9200:workstation:wow64", "Windows 8 x64"},
    Preset{"8.1 win8.1 10 win10 11 win11", "2.6.2.9200:workstation", "Windows 8.1, 10, 11 (report 6.2)"},
    Preset{"8.1-x64 win8.1-x64 10-x64 win10-x64 11-x64 win11-x64", "2.6.2.9200:workstation:wow64",
           "Windows 8.1, 10, 11 x64 (report 6.2)"},
};

bool ParseNumber(std::string_view text, std::uint32_t& out) {
  if (text.empty()) return false;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), out);
  return error == std::errc{} && end == text.data() + text.size();
}

// Whether `option` names a product type, and which (none for ":none").
bool ParseProductType(const std::string& option, std::optional<std::uint8_t>& type) {
  if (option == "WORKSTATION") type = kProductWorkstation;
  else if (option == "SERVER") type = kProductServer;
  else if (option == "DC") type = kProductDomainController;
  else if (option == "NONE") type.reset();
  else return false;
  return true;
}

std::optional<WindowsVersion> ParseExplicit(std::string_view text) {
  const auto parts = SplitAt(text, ':');
  const auto numbers = SplitAt(parts.front(), '.');
  if (numbers.size() != 4 || parts.size() > 3) return std::nullopt;
  WindowsVersion described;
  OsVersionInfo& v = described.version;
  if (!ParseNumber(numbers[0], v.PlatformId) || !ParseNumber(numbers[1], v.MajorVersion) ||
      !ParseNumber(numbers[2], v.MinorVersion) || !ParseNumber(numbers[3], v.BuildNumber))
    return std::nullopt;
  // Options in order: an optional product type, then an optional ":wow64".
  std::size_t next = 1;
  if (next < parts.size()) {
    if (ParseProductType(ToUpperAscii(parts[next]), described.productType)) ++next;
  }
  if (next < parts.size() && EqualsIgnoreAsciiCase(parts[next], "wow64")) {
    described.wow64 = true;
    ++next;
  }
  if (next != parts.size()) return std::nullopt;
  return described;
}

bool NamesPreset(const Preset& preset, std::string_view name) {
  for (std::string_view alias : SplitAt(preset.names, ' '))
    if (EqualsIgnoreAsciiCase(alias, name)) return true;
  return false;
}

}  // namespace

std::optional<WindowsVersion> ParseWindowsVersion(std::string_view text) {
  for (const Preset& preset : kPresets)
    if (NamesPreset(preset, text)) return ParseExplicit(preset.version);
  return ParseExplicit(text);
}

std::string FormatWindowsVersion(const WindowsVersion& described) {
  const OsVersionInfo& v = described.version;
  std::string text = std::to_string(v.PlatformId) + "." + std::to_string(v.MajorVersion) + "." +
                     std::to_string(v.MinorVersion) + "." + std::to_string(v.BuildNumber);
  if (!described.productType) text += ":none";
  else if (*described.productType == kProductWorkstation) text += ":workstation";
  else if (*described.productType == kProductServer) text += ":server";
  else if (*described.productType == kProductDomainController) text += ":dc";
  if (described.wow64) text += ":wow64";
  return text;
}

std::string DescribeWindowsPresets() {
  std::string text;
  for (const Preset& preset : kPresets) {
    std::string line = "  " + std::string(preset.names);
    line.resize(std::max<std::size_t>(line.size() + 2, 30), ' ');
    text += line + preset.version + "  " + preset.what + "\n";
  }
  return text;
}

}  // namespace drivora
