#include "ui/dib/memory_dib.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <new>

namespace drivora {

std::uint32_t MemoryDibFile::Read(void* buffer, std::uint32_t count) {
  const auto position = static_cast<std::size_t>(position_);
  if (position >= bytes_.size()) return 0;
  const auto n = static_cast<std::uint32_t>(std::min<std::size_t>(count, bytes_.size() - position));
  std::memcpy(buffer, bytes_.data() + position, n);
  position_ += static_cast<std::int32_t>(n);
  return n;
}

std::int32_t MemoryDibFile::Seek(std::int32_t offset, SeekFrom from) {
  std::int64_t base = 0;
  if (from == SeekFrom::Current) base = position_;
  if (from == SeekFrom::End) base = static_cast<std::int64_t>(bytes_.size());
  const std::int64_t target = base + offset;
  if (target < 0 || target > std::numeric_limits<std::int32_t>::max()) return -1;
  position_ = static_cast<std::int32_t>(target);
  return position_;
}

bool VectorDibBlock::Resize(std::size_t bytes) {
  if (locks_ != 0) return false;  // the bytes would move under their user
  try {
    bytes_.resize(bytes, 0);
  } catch (const std::bad_alloc&) {
    return false;
  }
  allocated_ = true;
  return true;
}

void VectorDibBlock::Free() {
  bytes_.clear();
  bytes_.shrink_to_fit();
  allocated_ = false;
  locks_ = 0;
}

std::uint8_t* VectorDibBlock::Lock() {
  if (!allocated_) return nullptr;
  ++locks_;
  return bytes_.data();
}

void VectorDibBlock::Unlock() {
  if (locks_ > 0) --locks_;
}

}  // namespace drivora
