// Arbitrary bytes as a symbol name. The demangler must refuse or read it
// within its buffer, the same way whatever the buffer's size: a short
// buffer holds the start of the text that a long one holds, and the name
// alone is given exactly where the whole is.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string_view>

#include "demangle/demangle.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::string_view name(reinterpret_cast<const char*>(data), size);
  static char whole[1 << 16], part[24];
  rt::DemangleResult full = rt::Demangle(name, whole, rt::DemangleStyle::kFull);
  rt::DemangleResult cut = rt::Demangle(name, part, rt::DemangleStyle::kFull);
  if (full.length > sizeof whole || cut.length > sizeof part) __builtin_trap();
  if (full.ok != cut.ok) __builtin_trap();
  if (full.ok &&
      (cut.cut != (full.length > sizeof part) || std::memcmp(whole, part, cut.length) != 0)) {
    __builtin_trap();
  }
  rt::DemangleResult short_name = rt::Demangle(name, whole, rt::DemangleStyle::kNameOnly);
  if (short_name.ok != full.ok || short_name.length > full.length) __builtin_trap();
  return 0;
}
