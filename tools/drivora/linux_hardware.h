// The machine's hardware as Linux lets a program reach it, behind the seam
// detection uses: PCI configuration from sysfs (the configuration ports
// 0xCF8-0xCFF answer from it, read only, and never reach the real ports), the
// other ports through /dev/port, the firmware area through /dev/mem. What is
// not reachable reads all ones; what could not be opened is named in notes.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "detect/hardware.h"
#include "tools/drivora/sysfs_pci.h"
#include "tools/drivora/unique_fd.h"

namespace drivora::tool {

struct LinuxPaths {
  std::filesystem::path pciDevices = "/sys/bus/pci/devices";
  std::filesystem::path ports = "/dev/port";
  std::filesystem::path memory = "/dev/mem";
  std::filesystem::path dmi = "/sys/class/dmi/id";
};

class LinuxHardware final : public Hardware {
 public:
  LinuxHardware(const LinuxPaths& paths, std::vector<std::string>& notes);

  std::size_t PciFunctionCount() const { return pci_.size(); }
  bool PortsOpen() const { return static_cast<bool>(ports_); }
  // The 64 KiB at 0xF0000; false, with `problem` set, when they cannot be read.
  bool ReadFirmwareArea(std::uint8_t* image, std::uint32_t size, std::string& problem);

  std::uint8_t ReadPortByte(std::uint16_t port) override;
  bool WritePortByte(std::uint16_t port, std::uint8_t value) override;
  std::uint32_t ReadPortDword(std::uint16_t port) override;
  bool WritePortDword(std::uint16_t port, std::uint32_t value) override;
  // No mappings: the firmware area is read whole.
  const void* MapPhysicalMemory(std::uint32_t, std::uint32_t, std::uint32_t&) override { return nullptr; }
  bool UnmapPhysicalMemory(std::uint32_t, const void*) override { return false; }
  bool ReadFirmwareDirectly(std::uint8_t* image, std::uint32_t size) override;

 private:
  std::uint32_t ConfigDword(std::uint32_t address) const;

  std::vector<SysfsPciFunction> pci_;
  std::uint32_t pciAddress_ = 0;  // the dword last written to 0xCF8
  UniqueFd ports_;
  UniqueFd memory_;
  std::filesystem::path memoryPath_;
};

}  // namespace drivora::tool
