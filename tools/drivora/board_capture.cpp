#include "tools/drivora/board_capture.h"

#include <algorithm>
#include <cstring>

#include "app/byte_strings.h"
#include "detect/bios.h"
#include "detect/driver_session.h"
#include "detect/hardware.h"
#include "detect/pci_walk.h"
#include "portio/board_addresses.h"
#include "tools/drivora/superio_capture.h"

namespace drivora::tool {
namespace {

// The whole header, one dword under each hold of the PCI lock.
void RecordFunction(Hardware& io, HardwareLocks& locks, const PciFunctionKeys& found, sim::PciFunction& f) {
  f.bus = found.bus;
  f.device = found.device;
  f.function = found.function;
  const std::uint32_t address = PciConfigAddress(found.bus, found.device, found.function);
  for (std::uint32_t d = 0; d < 64; ++d) {
    ScopedHardwareLock lock(locks, HardwareLock::PciConfig);
    f.config[d] = ReadPciConfigDword(io, address + d * 4);
  }
}

}  // namespace

// The functions the scan's own walk finds, in its order.
void CapturePciFunctions(Hardware& io, HardwareLocks& locks, unsigned lastBus, sim::Board& board,
                         std::vector<std::string>& notes) {
  int leftOut = 0;
  WalkPciFunctions(io, locks, lastBus, [&](const PciFunctionKeys& found) {
    if (board.pciCount == sim::kMaxPciFunctions) ++leftOut;
    else RecordFunction(io, locks, found, board.pci[board.pciCount++]);
  });
  if (leftOut)
    notes.push_back(std::to_string(leftOut) + " PCI functions beyond the first " +
                    std::to_string(sim::kMaxPciFunctions));
}

bool CaptureBoard(AppState& app, sim::Board& board, std::vector<std::string>& notes) {
  std::memset(&board, 0, sizeof board);
  if (!app.Sys.Io || !app.Sys.Locks) return false;
  DriverSession driver(app);
  if (!driver.Open()) return false;
  CapturePciFunctions(*app.Sys.Io, *app.Sys.Locks, kScannedLastBus, board, notes);
  CaptureSuperIoChips(SuperIoAccess{*app.Sys.Io, *app.Sys.Locks}, board);
  const std::vector<std::uint8_t> image = ReadFirmwareImage(app);
  std::memcpy(board.firmware, image.data(), kFirmwareSize);
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
