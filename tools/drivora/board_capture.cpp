#include "tools/drivora/board_capture.h"

#include <algorithm>
#include <cstring>

#include "app/byte_strings.h"
#include "app/os_class.h"
#include "detect/bios.h"
#include "detect/hardware.h"
#include "tools/drivora/superio_capture.h"

namespace drivora::tool {
namespace {

constexpr std::uint16_t kPciAddressPort = 0xCF8;
constexpr std::uint16_t kPciDataPort = 0xCFC;
constexpr unsigned kLastScannedBus = 128;  // the wizard's scan stops here

std::uint32_t ReadConfigDword(Hardware& io, HardwareLocks& locks, std::uint32_t address) {
  ScopedHardwareLock lock(locks, HardwareLock::PciConfig);
  io.WritePortDword(kPciAddressPort, address);
  return io.ReadPortDword(kPciDataPort);
}

void RecordFunction(Hardware& io, HardwareLocks& locks, std::uint32_t address, sim::PciFunction& f) {
  f.bus = static_cast<std::uint8_t>(address >> 16);
  f.device = static_cast<std::uint8_t>((address >> 11) & 0x1F);
  f.function = static_cast<std::uint8_t>((address >> 8) & 0x07);
  for (std::uint32_t d = 0; d < 64; ++d) f.config[d] = ReadConfigDword(io, locks, address + d * 4);
}

// Removes the driver on every way out once it is open.
class DriverSession {
 public:
  explicit DriverSession(AppState& app)
      : app_(app), throughDriver_(app.OsVersion.PlatformId == kPlatformNt && app.Sys.Driver) {}
  ~DriverSession() {
    if (open_) app_.Sys.Driver->Remove();
  }
  DriverSession(const DriverSession&) = delete;
  DriverSession& operator=(const DriverSession&) = delete;
  bool Open() {
    open_ = throughDriver_ && app_.Sys.Driver->Open();
    return open_ || !throughDriver_;
  }

 private:
  AppState& app_;
  bool throughDriver_;
  bool open_ = false;
};

}  // namespace

// A function counts where the scan counts it: an identification dword other than all ones.
void CapturePciFunctions(Hardware& io, HardwareLocks& locks, unsigned lastBus, sim::Board& board,
                         std::vector<std::string>& notes) {
  int leftOut = 0;
  for (unsigned bus = 0; bus <= lastBus; ++bus) {
    for (unsigned device = 0; device < 32; ++device) {
      for (unsigned function = 0; function < 8; ++function) {
        const std::uint32_t address = 0x80000000u | bus << 16 | device << 11 | function << 8;
        if (ReadConfigDword(io, locks, address) == 0xFFFFFFFFu) continue;
        if (board.pciCount == sim::kMaxPciFunctions) {
          ++leftOut;
          continue;
        }
        RecordFunction(io, locks, address, board.pci[board.pciCount++]);
      }
    }
  }
  if (leftOut)
    notes.push_back(std::to_string(leftOut) + " PCI functions beyond the first " +
                    std::to_string(sim::kMaxPciFunctions));
}

bool CaptureBoard(AppState& app, sim::Board& board, std::vector<std::string>& notes) {
  std::memset(&board, 0, sizeof board);
  if (!app.Sys.Io || !app.Sys.Locks) return false;
  DriverSession driver(app);
  if (!driver.Open()) return false;
  CapturePciFunctions(*app.Sys.Io, *app.Sys.Locks, kLastScannedBus, board, notes);
  CaptureSuperIoChips(SuperIoAccess{*app.Sys.Io, *app.Sys.Locks}, board);
  const std::vector<std::uint8_t> image = ReadFirmwareImage(app);
  std::memcpy(board.firmware, image.data(), sim::kFirmwareSize);
  return true;
}

void RecordEnumKeys(std::vector<std::string> keys, sim::Board& board, std::vector<std::string>& notes) {
  // Sound devices sit below PCI: where the model cannot hold every key, those go first.
  std::stable_partition(keys.begin(), keys.end(), [](const std::string& key) { return ToUpperAscii(key.substr(0, 4)) == "PCI\\"; });
  for (const std::string& key : keys) {
    if (key.empty() || key.size() >= static_cast<std::size_t>(sim::kMaxEnumKeyBytes)) {
      notes.push_back("device key '" + key + "' left out: longer than the model holds");
    } else if (board.enumKeyCount == sim::kMaxEnumKeys) {
      notes.push_back("device key '" + key + "' left out: the model holds " + std::to_string(sim::kMaxEnumKeys));
    } else {
      std::memcpy(board.enumKeys[board.enumKeyCount++], key.c_str(), key.size() + 1);
    }
  }
}

}  // namespace drivora::tool
