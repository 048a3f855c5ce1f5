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
// them around each probe and around the reads of each PCI address so that it
// never interleaves with such a program (docs/hardware-locks.md).
enum class HardwareLock { SuperIo, PciConfig };

// The two locks over one start. Any program may create and hold the mutexes,
// so each wait is bounded, and once a wait for a lock has run out, that lock
// is not waited for again in this start: detection goes ahead without it, as
// after any timeout. A start reads 33,024 PCI addresses, so waiting every
// time would let one held lock stall it for the better part of an hour.
// What is held is known, so that all of it can be let go while something
// waits for a person. The system's side, one bounded wait and the giving
// back, lies behind Wait and Give.
class HardwareLocks {
 public:
  enum class WaitOutcome { Acquired, TimedOut, Unavailable };

  virtual ~HardwareLocks() = default;
  // False when the lock could not be had (the access goes ahead regardless,
  // as detection must finish).
  bool Acquire(HardwareLock which);
  // Gives back what Acquire took, and nothing else.
  void Release(HardwareLock which);
  // For the time something waits for a person (an error box): every lock
  // held is let go, then taken again.
  void SetAside();
  void TakeBack();

 protected:
  // One bounded wait for the lock, and giving it back.
  virtual WaitOutcome Wait(HardwareLock which) = 0;
  virtual void Give(HardwareLock which) = 0;

 private:
  struct State {
    bool held = false;
    bool setAside = false;
    bool givenUp = false;  // a wait ran out: not waited for again
  };
  State& Of(HardwareLock which) { return state_[static_cast<int>(which)]; }
  State state_[2];
};

// Locks for a system that has nothing to serialise against.
class NoHardwareLocks final : public HardwareLocks {
 protected:
  WaitOutcome Wait(HardwareLock) override { return WaitOutcome::Acquired; }
  void Give(HardwareLock) override {}
};

// Sets the locks aside for its lifetime; null locks are allowed.
class LocksSetAside {
 public:
  explicit LocksSetAside(HardwareLocks* locks) : locks_(locks) {
    if (locks_) locks_->SetAside();
  }
  ~LocksSetAside() {
    if (locks_) locks_->TakeBack();
  }
  LocksSetAside(const LocksSetAside&) = delete;
  LocksSetAside& operator=(const LocksSetAside&) = delete;

 private:
  HardwareLocks* locks_;
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
