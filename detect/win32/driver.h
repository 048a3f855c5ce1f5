// The I/O driver service on the NT platform: install the driver as a kernel
// service (its name and its device's are in portio/wire.h) for the time of
// detection, open its device, and stop and delete the service again. The
// device requests are in otherfun.h.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "app/platform.h"
#include "detect/portio_files.h"
#include "portio/wire.h"

namespace drivora {
struct AppState;
}

namespace drivora::win32 {

// Install attempts before OpenPortIoDevice gives up: a service that cannot be
// removed (one marked for deletion while something still holds it) would
// otherwise keep it busy for ever.
constexpr int kPortIoInstallRounds = 3;

// Registers and starts the service from the driver file beside the program.
// True when the service was created (whether it started or not). From before
// the service names the file until StartService has returned, the file is
// held open with no sharing but reading, so that nobody can write, rename or
// delete it in between: the kernel loads the file that was found.
// `whileHeld`, when given, runs just before StartService (for tests).
bool InstallPortIoDriver(const AppState& app, const std::function<void(const std::string& path)>& whileHeld = {});
// Closes `device` (null allowed), stops the service and deletes it. True when
// the service could be opened.
bool RemovePortIoDriver(void* device);
// Makes sure the driver runs and opens its device into `device`; a driver left
// running by an earlier run is used as it is. True when `device` is open.
bool OpenPortIoDevice(const AppState& app, void*& device);

// The PortIoService seam over the three, with the device in AppState::PortIoDevice.
class DriverPortIoService final : public PortIoService {
 public:
  explicit DriverPortIoService(AppState& app) : app_(app) {}
  ~DriverPortIoService() override;
  DriverPortIoService(const DriverPortIoService&) = delete;
  DriverPortIoService& operator=(const DriverPortIoService&) = delete;

  bool Open() override;
  void Remove() override;

 private:
  AppState& app_;
  bool opened_ = false;
};

}  // namespace drivora::win32
