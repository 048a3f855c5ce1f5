#include "ui/dib/win32/dib_seams_win32.h"

namespace drivora::win32 {
namespace {

constexpr UINT kMovableZeroed = GMEM_MOVEABLE | GMEM_ZEROINIT;

static_assert(static_cast<int>(SeekFrom::Start) == FILE_BEGIN && static_cast<int>(SeekFrom::Current) == FILE_CURRENT &&
              static_cast<int>(SeekFrom::End) == FILE_END);

}  // namespace

UniqueOpenedFile OpenForReading(const char* path) {
  OFSTRUCT opened = {};
  return UniqueOpenedFile(OpenFile(path, &opened, OF_READ));
}

std::uint32_t OpenedDibFile::Read(void* buffer, std::uint32_t count) {
  const UINT read = _lread(file_, buffer, count);
  return read == static_cast<UINT>(HFILE_ERROR) ? 0 : read;
}

std::int32_t OpenedDibFile::Seek(std::int32_t offset, SeekFrom from) {
  const LONG position = _llseek(file_, offset, static_cast<int>(from));
  return position == HFILE_ERROR ? -1 : position;
}

bool GlobalDibBlock::Resize(std::size_t bytes) {
  if (!memory_) {
    memory_.reset(GlobalAlloc(kMovableZeroed, bytes));
    if (!memory_) return false;
  } else {
    const HGLOBAL grown = GlobalReAlloc(memory_.get(), bytes, kMovableZeroed);
    if (grown == nullptr) return false;
    // The old handle is gone when the block moved to a new one.
    if (grown != memory_.get()) {
      (void)memory_.release();
      memory_.reset(grown);
    }
  }
  size_ = bytes;
  return true;
}

void GlobalDibBlock::Free() {
  memory_.reset();
  size_ = 0;
}

std::uint8_t* GlobalDibBlock::Lock() {
  return memory_ ? static_cast<std::uint8_t*>(GlobalLock(memory_.get())) : nullptr;
}

void GlobalDibBlock::Unlock() {
  if (memory_) GlobalUnlock(memory_.get());
}

}  // namespace drivora::win32
