#include "detect/win32/driver.h"

#include <windows.h>
#include <winsvc.h>

#include "app/app_state.h"
#include "app/win32/handles.h"

namespace drivora::win32 {
namespace {

bool IsOpen(void* device) { return device && device != INVALID_HANDLE_VALUE; }

// Read access and shared read and write. Overlapped, although no request is
// ever sent that way: the driver answers each before DeviceIoControl returns.
void* OpenDevice() {
  return CreateFileA(portio::kDevicePath, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                     FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OVERLAPPED, nullptr);
}

UniqueServiceHandle OpenManager() { return UniqueServiceHandle(OpenSCManagerA(nullptr, nullptr, SC_MANAGER_ALL_ACCESS)); }

}  // namespace

bool InstallPortIoDriver(const AppState& app, const std::function<void(const std::string& path)>& whileHeld) {
  const std::optional<std::string> path =
      PortIoDriverPath(app.Sys.Files->ModuleFileName(), app.OsClass, app.Sys.Os->IsWow64());
  if (!path) return false;
  // A file that cannot be held cannot be loaded either.
  const UniqueFileHandle held(
      CreateFileA(path->c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!held) return false;
  const UniqueServiceHandle manager = OpenManager();
  if (!manager) return false;
  // Fails when a service of the name exists already, perhaps from another folder.
  const UniqueServiceHandle service(CreateServiceA(manager.get(), portio::kServiceName, portio::kServiceName,
                                                   SERVICE_ALL_ACCESS, SERVICE_KERNEL_DRIVER, SERVICE_DEMAND_START,
                                                   SERVICE_ERROR_NORMAL, path->c_str(), nullptr, nullptr, nullptr,
                                                   nullptr, nullptr));
  if (!service) return false;
  if (whileHeld) whileHeld(*path);
  // Not looked at: a driver that does not start (its board file missing, say)
  // shows as the failure of the open that follows.
  StartServiceA(service.get(), 0, nullptr);
  return true;
}

bool RemovePortIoDriver(void* device) {
  // The device goes first: a driver with an open handle cannot unload.
  UniqueFileHandle open(IsOpen(device) ? static_cast<HANDLE>(device) : INVALID_HANDLE_VALUE);
  open.reset();
  const UniqueServiceHandle manager = OpenManager();
  if (!manager) return false;
  const UniqueServiceHandle service(OpenServiceA(manager.get(), portio::kServiceName, SERVICE_ALL_ACCESS));
  if (!service) return false;
  // Neither result is looked at: a service that will not stop is still
  // marked for deletion and goes when it stops.
  SERVICE_STATUS ss{};
  ControlService(service.get(), SERVICE_CONTROL_STOP, &ss);
  DeleteService(service.get());
  return true;
}

bool OpenPortIoDevice(const AppState& app, void*& device) {
  device = OpenDevice();
  if (IsOpen(device)) return true;
  // A service of the same name left registered by an earlier run (from this
  // folder or another) makes the install fail: remove it and install afresh.
  bool installed = InstallPortIoDriver(app);
  for (int round = 1; !installed && round < kPortIoInstallRounds; ++round) {
    RemovePortIoDriver(nullptr);
    installed = InstallPortIoDriver(app);
  }
  device = OpenDevice();
  if (IsOpen(device)) return true;
  // Start-up ends here; nothing of a driver that did not come up stays registered.
  if (installed) RemovePortIoDriver(nullptr);
  return false;
}

DriverPortIoService::~DriverPortIoService() {
  // A start-up that ended between Open and Remove still closes the device;
  // the service stays for the next run to clear, as after a crash.
  if (!opened_) return;
  const UniqueFileHandle open(IsOpen(app_.PortIoDevice) ? app_.PortIoDevice : INVALID_HANDLE_VALUE);
  app_.PortIoDevice = nullptr;
}

bool DriverPortIoService::Open() {
  opened_ = OpenPortIoDevice(app_, app_.PortIoDevice);
  return opened_;
}

void DriverPortIoService::Remove() {
  RemovePortIoDriver(app_.PortIoDevice);
  app_.PortIoDevice = nullptr;
  opened_ = false;
}

}  // namespace drivora::win32
