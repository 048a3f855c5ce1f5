#include "tools/drivora/live_windows.h"

namespace drivora::tool {

// Only the Windows build reaches a real board.
std::unique_ptr<LiveWindows> AttachLiveWindows(AppState&) { return nullptr; }

}  // namespace drivora::tool
