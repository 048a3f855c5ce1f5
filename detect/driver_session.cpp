#include "detect/driver_session.h"

#include "app/app_state.h"
#include "app/os_class.h"

namespace drivora {

// The platform id, not the class, says whether ports need the driver.
DriverSession::DriverSession(AppState& app)
    : app_(app), throughDriver_(app.OsVersion.PlatformId == kPlatformNt && app.Sys.Driver) {}

bool DriverSession::Open() {
  if (!throughDriver_) return true;
  open_ = app_.Sys.Driver->Open();
  return open_;
}

void DriverSession::End() {
  if (open_) app_.Sys.Driver->Remove();
  open_ = false;
}

}  // namespace drivora
