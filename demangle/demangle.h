// The readable form of the mangled names that an executable's symbol table
// holds, made without the heap: the error report names functions with it
// after the heap may have been broken.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>

#include "base/text.h"

namespace rt {

enum class DemangleStyle : std::uint8_t {
  // Return type, parameters and qualifiers too, as the C++ library's own
  // demangler writes them: "std::vector<int, std::allocator<int> >::at(unsigned long) const".
  kFull,
  // The qualified name of the function alone: "std::vector<int, std::allocator<int> >::at".
  kNameOnly,
};

// Names longer than this are not read: a symbol this long is unheard of,
// and the bound keeps every index within the parser's fixed arrays.
inline constexpr std::size_t kMaxMangledLength = 4096;

struct DemangleResult {
  bool ok = false;
  std::size_t length = 0;  // bytes written to out
  bool cut = false;        // the text did not fit and ends at out's size
};

// Writes the readable form of mangled (a C++ name, "_Z...", with any clone
// suffixes such as ".cold") into out, cut at out's size. Not ok, with out
// holding anything, for a name that is not mangled or that is too long, too
// deep or not understood: the caller then shows the symbol as it is.
DemangleResult Demangle(std::string_view mangled, std::span<char> out, DemangleStyle style);

// The one way a frame's function is named from a mangled name, whether it
// comes from a symbol table or a debugging entry: the qualified name without
// parameters, cut at out's capacity. False, with out as it was, for a name
// that Demangle refuses; mangled may view out's own bytes.
bool DemangleName(std::string_view mangled, Text& out);

}  // namespace rt
