// The I/O driver for the time of one detection. On the NT platform ports and
// physical memory need it: Open installs and starts it and opens its device,
// and the end of the session closes the device and removes the driver, on
// every way out. Elsewhere (the 9x platform, a simulated board with no
// driver) there is nothing to open and the session is a formality.
#pragma once

namespace drivora {

struct AppState;

class DriverSession {
 public:
  explicit DriverSession(AppState& app);
  ~DriverSession() { End(); }
  DriverSession(const DriverSession&) = delete;
  DriverSession& operator=(const DriverSession&) = delete;

  // False when the driver is needed and did not open: then nothing stays to
  // be removed.
  bool Open();
  // Removes an opened driver now rather than at the end of the scope.
  void End();

 private:
  AppState& app_;
  bool throughDriver_;
  bool open_ = false;
};

}  // namespace drivora
