// The picture reader's seams on Windows: files opened with OpenFile and read
// with _lread and _llseek, and movable zero-filled global memory blocks.
#pragma once

#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <utility>

#include "app/win32/handles.h"
#include "ui/dib/dib_io.h"

namespace drivora::win32 {

// OpenFile with OF_READ; no handle when the file cannot be opened.
UniqueOpenedFile OpenForReading(const char* path);

// Reads an opened file that someone else owns.
class OpenedDibFile final : public DibFile {
 public:
  explicit OpenedDibFile(HFILE file) : file_(file) {}
  std::uint32_t Read(void* buffer, std::uint32_t count) override;
  std::int32_t Seek(std::int32_t offset, SeekFrom from) override;

 private:
  HFILE file_;
};

// A GMEM_MOVEABLE | GMEM_ZEROINIT block, freed with its owner unless taken.
class GlobalDibBlock final : public DibBlock {
 public:
  bool Resize(std::size_t bytes) override;
  void Free() override;
  std::size_t Size() const override { return memory_ ? size_ : 0; }
  std::uint8_t* Lock() override;
  void Unlock() override;

  UniqueGlobal Take() { return std::move(memory_); }

 private:
  UniqueGlobal memory_;
  std::size_t size_ = 0;
};

}  // namespace drivora::win32
