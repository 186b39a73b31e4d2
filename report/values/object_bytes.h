// Where a value's bytes are: in the process's memory, read by a call that
// cannot fault, or held here (a register's, a constant's).
#pragma once

#include <cstddef>
#include <cstdint>

namespace rt {

struct ObjectBytes {
  static constexpr std::size_t kMaxHeld = 64;
  bool in_memory = false;
  std::uint64_t address = 0;
  std::uint8_t held[kMaxHeld] = {};
  std::size_t held_size = 0;

  static ObjectBytes At(std::uint64_t address) {
    ObjectBytes object;
    object.in_memory = true;
    object.address = address;
    return object;
  }
  // n bytes from offset of the object; false where they cannot be read.
  bool Read(std::uint64_t offset, void* out, std::size_t n) const;
  bool ReadWord(std::uint64_t offset, std::uint64_t& value) const;
  ObjectBytes Part(std::uint64_t offset) const;
};

}  // namespace rt
