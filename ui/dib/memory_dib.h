// The reader's seams on plain memory: a file held in a byte buffer and a
// block held in a vector, for tools and tests off Windows.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "ui/dib/dib_io.h"

namespace drivora {

// Reads and seeks like an opened file over `bytes`, which must outlive it.
class MemoryDibFile final : public DibFile {
 public:
  explicit MemoryDibFile(std::span<const std::uint8_t> bytes) : bytes_(bytes) {}
  std::uint32_t Read(void* buffer, std::uint32_t count) override;
  std::int32_t Seek(std::int32_t offset, SeekFrom from) override;
  std::int32_t Position() const { return position_; }

 private:
  std::span<const std::uint8_t> bytes_;
  std::int32_t position_ = 0;
};

class VectorDibBlock final : public DibBlock {
 public:
  bool Resize(std::size_t bytes) override;
  void Free() override;
  std::size_t Size() const override { return allocated_ ? bytes_.size() : 0; }
  std::uint8_t* Lock() override;
  void Unlock() override;

  bool Allocated() const { return allocated_; }
  bool Locked() const { return locks_ != 0; }
  const std::vector<std::uint8_t>& Bytes() const { return bytes_; }

 private:
  std::vector<std::uint8_t> bytes_;
  bool allocated_ = false;
  int locks_ = 0;
};

}  // namespace drivora
