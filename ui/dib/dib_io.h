// What the picture reader needs from its surroundings: a file to read and
// seek in (as the system's _lread and _llseek behave), and a block of memory
// to keep a packed picture in (40-byte header, colour table, pixels).
#pragma once

#include <cstddef>
#include <cstdint>

namespace drivora {

enum class SeekFrom { Start = 0, Current = 1, End = 2 };

class DibFile {
 public:
  virtual ~DibFile() = default;
  // Up to `count` bytes at the position, which moves past them; the number
  // read: fewer at the end of the file, 0 on failure.
  virtual std::uint32_t Read(void* buffer, std::uint32_t count) = 0;
  // The new position counted from the start, or -1 (the position is then
  // unchanged). A position past the end is allowed; reads there give 0.
  virtual std::int32_t Seek(std::int32_t offset, SeekFrom from) = 0;
};

// A movable, zero-filled memory block, reached only while locked.
class DibBlock {
 public:
  virtual ~DibBlock() = default;
  // Allocates the block, or grows it keeping its contents; new bytes are
  // zero. False when memory runs out; the block is then as it was.
  virtual bool Resize(std::size_t bytes) = 0;
  virtual void Free() = 0;
  // The size last asked of Resize; 0 when there is no block.
  virtual std::size_t Size() const = 0;
  // Null when there is no block or it cannot be locked.
  virtual std::uint8_t* Lock() = 0;
  virtual void Unlock() = 0;
};

// Keeps a block locked for one scope.
class DibBlockLock {
 public:
  explicit DibBlockLock(DibBlock& block) : block_(block), bytes_(block.Lock()) {}
  ~DibBlockLock() {
    if (bytes_ != nullptr) block_.Unlock();
  }
  DibBlockLock(const DibBlockLock&) = delete;
  DibBlockLock& operator=(const DibBlockLock&) = delete;

  std::uint8_t* bytes() const { return bytes_; }
  explicit operator bool() const { return bytes_ != nullptr; }

 private:
  DibBlock& block_;
  std::uint8_t* bytes_;
};

}  // namespace drivora
