// The one way detection touches hardware: seven operations on I/O ports and
// physical memory. Which implementation answers (the I/O driver, the 9x port
// instructions, a simulated board) is chosen once at start-up.
#pragma once

#include <cstdint>

namespace drivora {

class Hardware {
 public:
  virtual ~Hardware() = default;
  virtual std::uint8_t ReadPortByte(std::uint16_t port) = 0;
  virtual bool WritePortByte(std::uint16_t port, std::uint8_t value) = 0;
  virtual std::uint32_t ReadPortDword(std::uint16_t port) = 0;
  virtual bool WritePortDword(std::uint16_t port, std::uint32_t value) = 0;
  // A pointer to the bytes at `address` (the mapping may begin below it), or
  // null; `handle` names the mapping for the unmap.
  virtual const void* MapPhysicalMemory(std::uint32_t address, std::uint32_t length, std::uint32_t& handle) = 0;
  virtual bool UnmapPhysicalMemory(std::uint32_t handle, const void* pointer) = 0;
  // The 9x family maps the firmware area 0xF0000-0xFFFFF into every process:
  // there it is copied straight out of memory, with no request at all.
  virtual bool ReadFirmwareDirectly(std::uint8_t* image, std::uint32_t size) = 0;
};

// Map four bytes, copy them, unmap: every physical read costs one map and one
// unmap. False (and `out` untouched) when the map fails.
bool ReadPhysicalDword(Hardware& hardware, std::uint32_t address, std::uint32_t& out);

// Hardware-monitoring programs on Windows serialise Super I/O and PCI
// configuration access through two well-known named mutexes; detection takes
// them around each probe and each address/data pair so that it never
// interleaves with such a program.
enum class HardwareLock { SuperIo, PciConfig };

class HardwareLocks {
 public:
  virtual ~HardwareLocks() = default;
  // Waits a bounded time; false when the lock could not be had (the access
  // goes ahead regardless, as detection must finish).
  virtual bool Acquire(HardwareLock which) = 0;
  virtual void Release(HardwareLock which) = 0;
};

// Locks for a system that has nothing to serialise against.
class NoHardwareLocks final : public HardwareLocks {
 public:
  bool Acquire(HardwareLock) override { return true; }
  void Release(HardwareLock) override {}
};

class ScopedHardwareLock {
 public:
  ScopedHardwareLock(HardwareLocks& locks, HardwareLock which) : locks_(locks), which_(which), held_(locks.Acquire(which)) {}
  ~ScopedHardwareLock() {
    if (held_) locks_.Release(which_);
  }
  ScopedHardwareLock(const ScopedHardwareLock&) = delete;
  ScopedHardwareLock& operator=(const ScopedHardwareLock&) = delete;

 private:
  HardwareLocks& locks_;
  HardwareLock which_;
  bool held_;
};

// Request totals of one start, per operation.
struct HardwareCounts {
  std::uint64_t readByte = 0, writeByte = 0, readDword = 0, writeDword = 0, map = 0, unmap = 0;
  std::uint64_t Total() const { return readByte + writeByte + readDword + writeDword + map + unmap; }
};

// Passes every operation on and counts it.
class CountingHardware final : public Hardware {
 public:
  explicit CountingHardware(Hardware& inner) : inner_(inner) {}
  std::uint8_t ReadPortByte(std::uint16_t port) override;
  bool WritePortByte(std::uint16_t port, std::uint8_t value) override;
  std::uint32_t ReadPortDword(std::uint16_t port) override;
  bool WritePortDword(std::uint16_t port, std::uint32_t value) override;
  const void* MapPhysicalMemory(std::uint32_t address, std::uint32_t length, std::uint32_t& handle) override;
  bool UnmapPhysicalMemory(std::uint32_t handle, const void* pointer) override;
  bool ReadFirmwareDirectly(std::uint8_t* image, std::uint32_t size) override {
    return inner_.ReadFirmwareDirectly(image, size);
  }
  const HardwareCounts& Counts() const { return counts_; }

 private:
  Hardware& inner_;
  HardwareCounts counts_;
};

}  // namespace drivora
