// Reading a value's bytes.
#include "report/values/object_bytes.h"

#include <cstring>

#include "platform/memory_query.h"

namespace rt {

bool ObjectBytes::Read(std::uint64_t offset, void* out, std::size_t n) const {
  if (in_memory) return platform::ReadMemory(address + offset, out, n);
  if (offset > held_size || n > held_size - offset) return false;
  std::memcpy(out, held + offset, n);
  return true;
}

bool ObjectBytes::ReadWord(std::uint64_t offset, std::uint64_t& value) const {
  value = 0;
  return Read(offset, &value, sizeof value);
}

ObjectBytes ObjectBytes::Part(std::uint64_t offset) const {
  if (in_memory) return At(address + offset);
  ObjectBytes part;
  if (offset < held_size) {
    part.held_size = held_size - offset;
    std::memcpy(part.held, held + offset, part.held_size);
  }
  return part;
}

}  // namespace rt
