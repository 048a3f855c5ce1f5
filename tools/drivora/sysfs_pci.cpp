#include "tools/drivora/sysfs_pci.h"

#include <fcntl.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <map>

#include "tools/drivora/lspci_lines.h"
#include "tools/drivora/unique_fd.h"

namespace drivora::tool {
namespace {

constexpr std::size_t kHeaderBytes = 256;
constexpr std::size_t kFieldsBytes = 0x30;  // up to and with the dword at 0x2C

// Up to 256 bytes of `config`; a short read ends it (the kernel's limit for
// unprivileged readers). False, with `problem`, when nothing can be read.
bool ReadHeader(const std::filesystem::path& config, std::vector<std::uint8_t>& header, std::string& problem) {
  const UniqueFd fd(::open(config.c_str(), O_RDONLY | O_CLOEXEC));
  if (!fd) {
    problem = std::strerror(errno);
    return false;
  }
  header.assign(kHeaderBytes, 0);
  std::size_t got = 0;
  while (got < kHeaderBytes) {
    const ssize_t n = ::pread(fd.get(), header.data() + got, kHeaderBytes - got, static_cast<off_t>(got));
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) {
      problem = std::strerror(errno);
      return false;
    }
    if (n == 0) break;
    got += static_cast<std::size_t>(n);
  }
  header.resize(got);
  return true;
}

std::string Hex4(std::uint32_t value) {
  char text[16];
  std::snprintf(text, sizeof text, "%04x", value);
  return text;
}

}  // namespace

std::vector<SysfsPciFunction> ReadSysfsPci(const std::filesystem::path& devices, std::vector<std::string>& notes) {
  std::vector<SysfsPciFunction> functions;
  std::error_code error;
  std::filesystem::directory_iterator entries(devices, error);
  if (error) {
    notes.push_back("PCI functions: " + devices.string() + " cannot be read (" + error.message() + ")");
    return functions;
  }
  std::map<std::uint32_t, int> otherDomains;
  int partial = 0;
  for (const auto& entry : entries) {
    const std::string name = entry.path().filename().string();
    const auto where = lspci::ParseLocation(name);
    if (!where) continue;
    if (where->domain != 0) {
      ++otherDomains[where->domain];
      continue;
    }
    SysfsPciFunction f{where->bus, where->device, where->function, {}};
    std::string problem;
    if (!ReadHeader(entry.path() / "config", f.header, problem)) {
      notes.push_back("PCI function " + name + ": its configuration header cannot be read (" + problem + ")");
    } else if (f.header.size() < kFieldsBytes) {
      notes.push_back("PCI function " + name + ": only " + std::to_string(f.header.size()) +
                      " bytes of its header can be read");
    } else {
      partial += f.header.size() < kHeaderBytes;
      functions.push_back(std::move(f));
    }
  }
  for (const auto& [domain, count] : otherDomains)
    notes.push_back(std::to_string(count) + " functions of PCI domain " + Hex4(domain) +
                    " (the wizard reaches domain 0000 only)");
  if (partial)
    notes.push_back("the headers of " + std::to_string(partial) +
                    " PCI functions beyond the bytes the kernel lets this process read (all 256 need root): "
                    "written as zeros");
  return functions;
}

}  // namespace drivora::tool
