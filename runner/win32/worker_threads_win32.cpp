#include "runner/win32/worker_threads_win32.h"

#include <windows.h>

#include <memory>

#include "app/win32/handles.h"

namespace drivora::win32 {
namespace {

using Work = std::function<void()>;

// The thread owns its work from the moment it runs and frees it at its end.
DWORD WINAPI RunWork(void* parameter) {
  const std::unique_ptr<Work> work(static_cast<Work*>(parameter));
  (*work)();
  return 0;
}

}  // namespace

bool Win32WorkerThreads::Start(std::function<void()> work) {
  auto owned = std::make_unique<Work>(std::move(work));
  DWORD threadId = 0;
  // Nobody waits for the thread, so its handle is closed at once.
  const UniqueKernelHandle thread(CreateThread(nullptr, 0, &RunWork, owned.get(), 0, &threadId));
  if (!thread) return false;
  owned.release();
  return true;
}

}  // namespace drivora::win32
