// The mappings one open handle of the device holds. An unmap request may only
// name a mapping of its own handle, and whatever a handle still holds when it
// is closed is released: a program cannot unmap another's view, nor leave
// views behind. Freestanding: it lives in the driver.
#pragma once

#include <stddef.h>
#include <stdint.h>

namespace drivora::portio {

struct MappingSlot {
  uint32_t handle;  // what the map reply gave; 0 while the slot is free
  uintptr_t base;   // the view in the process that asked for it
  uintptr_t size;
};

class MappingTable {
 public:
  // The wizard holds one mapping at a time; a few more leave room for a
  // program that maps before it unmaps.
  static constexpr int kSlots = 16;

  // Records a view and gives it a handle; null when every slot is taken.
  // Handles carry a generation, so a handle that was unmapped does not come
  // back to life when its slot is reused.
  MappingSlot* Add(uintptr_t base, uintptr_t size) {
    for (int i = 0; i < kSlots; ++i) {
      MappingSlot& slot = slots_[i];
      if (slot.handle) continue;
      generation_ = (generation_ + 1) & 0x0FFFFFFFu;
      if (generation_ == 0) generation_ = 1;
      slot.handle = generation_ << 4 | static_cast<uint32_t>(i);
      slot.base = base;
      slot.size = size;
      return &slot;
    }
    return nullptr;
  }

  // The mapping `handle` names, provided `pointer` lies inside its view.
  MappingSlot* Find(uint32_t handle, uintptr_t pointer) {
    if (handle == 0) return nullptr;
    MappingSlot& slot = slots_[handle & 0xF];
    if (slot.handle != handle) return nullptr;
    if (pointer < slot.base || pointer - slot.base >= slot.size) return nullptr;
    return &slot;
  }

  void Remove(MappingSlot& slot) { slot = MappingSlot{}; }

  // Some mapping still held, or null: for releasing them all.
  MappingSlot* AnyHeld() {
    for (MappingSlot& slot : slots_)
      if (slot.handle) return &slot;
    return nullptr;
  }

  int Held() const {
    int n = 0;
    for (const MappingSlot& slot : slots_) n += slot.handle != 0;
    return n;
  }

 private:
  MappingSlot slots_[kSlots] = {};
  uint32_t generation_ = 0;
};

}  // namespace drivora::portio
