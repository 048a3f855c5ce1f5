// What one start of the wizard costs in driver requests under this Windows:
// runs start-up detection through the I/O driver on the machine's board, once
// with the locks Setup.exe takes and once without, then times the same number
// of bare requests through the same device as the floor. The ratio of the
// first to the floor is the figure to track: everything above 1 is the
// wizard's own work per request, which the second run splits into the locks'
// share and the rest.
//
// Usage: startup_cost.exe SETUP.INI   (with the driver files beside it)
#include <windows.h>

#include <chrono>
#include <cstdio>

#include "app/app_state.h"
#include "app/ini_file.h"
#include "app/startup.h"
#include "app/win32/os_facts_win32.h"
#include "app/win32/program_files_win32.h"
#include "app/win32/registry_win32.h"
#include "detect/hardware.h"
#include "detect/win32/detection_win32.h"
#include "detect/win32/driver.h"
#include "portio/wire.h"
#include "sim/simulated_system.h"

namespace {

using Clock = std::chrono::steady_clock;

double SecondsSince(Clock::time_point start) { return std::chrono::duration<double>(Clock::now() - start).count(); }

// Bare byte reads of the data port 0x2F: one request each, nothing else.
double TimeBareRequests(drivora::AppState& app, std::uint64_t count) {
  void* device = nullptr;
  if (!drivora::win32::OpenPortIoDevice(app, device)) return -1;
  std::uint32_t buffer[2] = {0x2F, 0};
  DWORD returned = 0;
  const auto start = Clock::now();
  for (std::uint64_t i = 0; i < count; ++i)
    DeviceIoControl(device, drivora::portio::kReadByte, buffer, sizeof buffer, buffer, sizeof buffer, &returned, nullptr);
  const double seconds = SecondsSince(start);
  drivora::win32::RemovePortIoDriver(device);
  return seconds;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: startup_cost SETUP.INI\n");
    return 2;
  }
  drivora::win32::Win32OsFacts os;
  drivora::win32::Win32ProgramFiles files;
  drivora::win32::Win32Registry registry;
  drivora::RecordedMessageBoxes boxes;
  drivora::BuiltinStringTable strings;
  drivora::AppState app;
  app.Sys = {&os, &files, &registry, &boxes, &strings};
  app.Config = drivora::IniConfigFile::Load(argv[1]);
  if (!app.Config) {
    std::fprintf(stderr, "cannot read %s\n", argv[1]);
    return 2;
  }
  drivora::win32::Win32Detection detection(app);
  detection.Attach(app.Sys);
  drivora::CountingHardware counted(*app.Sys.Io);
  app.Sys.Io = &counted;

  const auto start = Clock::now();
  if (!drivora::IdentifyWindows(app) || !drivora::BuildCatalogue(app)) {
    std::fprintf(stderr, "start-up ended: the I/O driver did not open\n");
    return 1;
  }
  const double startup = SecondsSince(start);
  const drivora::HardwareCounts& c = counted.Counts();
  const double floor = TimeBareRequests(app, c.Total());

  std::printf("requests of one start\n");
  std::printf("  port byte reads   %8llu\n", static_cast<unsigned long long>(c.readByte));
  std::printf("  port byte writes  %8llu\n", static_cast<unsigned long long>(c.writeByte));
  std::printf("  port dword reads  %8llu\n", static_cast<unsigned long long>(c.readDword));
  std::printf("  port dword writes %8llu\n", static_cast<unsigned long long>(c.writeDword));
  std::printf("  memory maps       %8llu\n", static_cast<unsigned long long>(c.map));
  std::printf("  memory unmaps     %8llu\n", static_cast<unsigned long long>(c.unmap));
  std::printf("  total             %8llu\n", static_cast<unsigned long long>(c.Total()));
  std::printf("start-up detection  %8.2f s  (%.1f us per request)\n", startup, 1e6 * startup / c.Total());
  if (floor < 0) {
    std::printf("bare requests       the device did not open again\n");
    return 1;
  }
  std::printf("bare requests       %8.2f s  (%.1f us per request)\n", floor, 1e6 * floor / c.Total());
  std::printf("ratio               %8.2f\n", startup / floor);
  std::printf("failed requests     %8zu\n", boxes.Shown().size());
  return 0;
}
