// The name of the function that holds an address, from an executable's
// symbol table: the report's frames name their functions by it where a
// module carries no debug information. Nothing here allocates.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

#include "exe/exe_file.h"

namespace rt {

// What a symbol lookup came to: whether a function holds the address, the
// length of the name written (no NUL follows it), whether the name was cut
// to fit, and the I/O code of a read that failed (which makes found false).
struct SymbolName {
  bool found = false;
  bool cut = false;
  std::size_t length = 0;
  std::uint16_t io_error = 0;
};

// The name of the function symbol that holds a link-time address (as the
// file gives it, at its own image base), written into name up to its size.
// A table that is absent, compressed or damaged holds no function.
SymbolName FindFunctionSymbol(TExeFile& exe, std::uint64_t address, std::span<char> name);

}  // namespace rt
