#include "tools/drivora/linux_hardware.h"

#include <fcntl.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>

#include "portio/board_addresses.h"

namespace drivora::tool {
namespace {

bool IsPciConfigPort(std::uint16_t port) { return port >= kPciAddressPort && port <= kPciDataPort + 3; }

// Opens `path`, or names in `notes` why `what` cannot be reached through it.
UniqueFd OpenDevice(const std::filesystem::path& path, int flags, const std::string& what,
                    std::vector<std::string>& notes) {
  UniqueFd fd(::open(path.c_str(), flags | O_CLOEXEC));
  if (fd) return fd;
  if (errno == ENOENT) notes.push_back(what + ": " + path.string() + " not present");
  else notes.push_back(what + ": " + path.string() + " cannot be opened (" + std::strerror(errno) + ")");
  return fd;
}

}  // namespace

LinuxHardware::LinuxHardware(const LinuxPaths& paths, std::vector<std::string>& notes)
    : pci_(ReadSysfsPci(paths.pciDevices, notes)),
      ports_(OpenDevice(paths.ports, O_RDWR, "Super I/O chips", notes)),
      memory_(OpenDevice(paths.memory, O_RDONLY, "firmware area", notes)),
      memoryPath_(paths.memory) {}

// The header dword the address selects, as the configuration mechanism gives
// it: all ones where no function answers, zero beyond what could be read.
std::uint32_t LinuxHardware::ConfigDword(std::uint32_t address) const {
  if (!(address & kPciEnable)) return 0xFFFFFFFFu;
  const auto f = std::find_if(pci_.begin(), pci_.end(), [&](const SysfsPciFunction& candidate) {
    return candidate.bus == PciAddressBus(address) && candidate.device == PciAddressDevice(address) &&
           candidate.function == PciAddressFunction(address);
  });
  if (f == pci_.end()) return 0xFFFFFFFFu;
  const std::size_t offset = PciAddressRegister(address);
  std::uint32_t dword = 0;
  for (std::size_t i = 0; i < 4 && offset + i < f->header.size(); ++i)
    dword |= static_cast<std::uint32_t>(f->header[offset + i]) << (8 * i);
  return dword;
}

std::uint8_t LinuxHardware::ReadPortByte(std::uint16_t port) {
  if (port >= kPciDataPort && port <= kPciDataPort + 3)
    return static_cast<std::uint8_t>(ConfigDword(pciAddress_) >> (8 * (port - kPciDataPort)));
  if (IsPciConfigPort(port)) return static_cast<std::uint8_t>(pciAddress_ >> (8 * (port - kPciAddressPort)));
  std::uint8_t value = 0xFF;
  if (!ports_ || ::pread(ports_.get(), &value, 1, port) != 1) return 0xFF;
  return value;
}

bool LinuxHardware::WritePortByte(std::uint16_t port, std::uint8_t value) {
  if (IsPciConfigPort(port) || !ports_) return false;
  return ::pwrite(ports_.get(), &value, 1, port) == 1;
}

// /dev/port moves single bytes: only the emulated configuration ports take dwords.
std::uint32_t LinuxHardware::ReadPortDword(std::uint16_t port) {
  if (port == kPciAddressPort) return pciAddress_;
  if (port == kPciDataPort) return ConfigDword(pciAddress_);
  return 0xFFFFFFFFu;
}

bool LinuxHardware::WritePortDword(std::uint16_t port, std::uint32_t value) {
  if (port != kPciAddressPort) return false;
  pciAddress_ = value;
  return true;
}

bool LinuxHardware::ReadFirmwareArea(std::uint8_t* image, std::uint32_t size, std::string& problem) {
  if (!memory_) return false;
  std::uint32_t got = 0;
  while (got < size) {
    const ssize_t n = ::pread(memory_.get(), image + got, size - got, static_cast<off_t>(kFirmwareStart + got));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      char where[16];
      std::snprintf(where, sizeof where, "0x%X", kFirmwareStart + got);
      problem = memoryPath_.string() + " cannot be read at " + where + " (" +
                (n < 0 ? std::strerror(errno) : "it ends there") + ")";
      std::memset(image, 0, size);
      return false;
    }
    got += static_cast<std::uint32_t>(n);
  }
  return true;
}

bool LinuxHardware::ReadFirmwareDirectly(std::uint8_t* image, std::uint32_t size) {
  std::string problem;
  return ReadFirmwareArea(image, size, problem);
}

}  // namespace drivora::tool
