// The throws kept, in a table of fixed size indexed by the exception
// object's address: a throw costs a few stores, and an older throw whose
// place another takes is forgotten rather than kept at a cost.
#include "platform/throw_records.h"

#include <atomic>

namespace platform {

namespace {

constexpr std::size_t kSlots = 256;  // a power of two

// Threads throw at once (an exception of a std::async task is thrown in
// its thread and again in the one that asks for the result): a slot's
// object is cleared while its addresses are written, and read on both
// sides of them, so a reader never takes one throw's addresses for another.
struct Slot {
  std::atomic<const void*> object{nullptr};
  std::atomic<std::uintptr_t> addresses[kThrowFrames];
  std::atomic<std::size_t> count{0};
};

Slot slots[kSlots];

Slot& SlotOf(const void* object) {
  auto at = reinterpret_cast<std::uintptr_t>(object);
  return slots[((at >> 4) ^ (at >> 12)) & (kSlots - 1)];
}

}  // namespace

void RecordThrow(const void* object, const ThrowRecord& record) {
  Slot& slot = SlotOf(object);
  slot.object.store(nullptr, std::memory_order_relaxed);
  std::atomic_thread_fence(std::memory_order_release);
  for (std::size_t i = 0; i < record.count; ++i)
    slot.addresses[i].store(record.addresses[i], std::memory_order_relaxed);
  slot.count.store(record.count, std::memory_order_relaxed);
  slot.object.store(object, std::memory_order_release);
}

void ForgetThrow(const void* object) {
  Slot& slot = SlotOf(object);
  const void* expected = object;
  slot.object.compare_exchange_strong(expected, nullptr, std::memory_order_relaxed);
}

bool FindThrowRecord(const void* object, ThrowRecord& record) {
  Slot& slot = SlotOf(object);
  if (object == nullptr || slot.object.load(std::memory_order_acquire) != object) return false;
  record.count = slot.count.load(std::memory_order_relaxed);
  if (record.count > kThrowFrames) return false;
  for (std::size_t i = 0; i < record.count; ++i)
    record.addresses[i] = slot.addresses[i].load(std::memory_order_relaxed);
  std::atomic_thread_fence(std::memory_order_acquire);
  return slot.object.load(std::memory_order_relaxed) == object && record.count > 0;
}

}  // namespace platform
