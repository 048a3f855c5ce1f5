// The PCI functions Linux lists under /sys/bus/pci/devices, each with as much
// of its configuration header as the kernel lets this process read: all 256
// bytes for root, the first 64 (which hold every field the wizard reads) for
// anyone else.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace drivora::tool {

struct SysfsPciFunction {
  std::uint8_t bus = 0, device = 0, function = 0;
  std::vector<std::uint8_t> header;  // the first bytes of the header, at most 256
};

// The functions of PCI domain 0 under `devices`, in no particular order. What
// is left out (other domains, headers that cannot be read) and what is read
// only in part is named in `notes`.
std::vector<SysfsPciFunction> ReadSysfsPci(const std::filesystem::path& devices, std::vector<std::string>& notes);

}  // namespace drivora::tool
