// Function symbols by address: the format finds the symbol, and its name is
// copied out of the file a chunk at a time, so that neither the tables nor
// the name are ever held whole.
#include "exe/symbols.h"

#include <algorithm>
#include <cstring>

namespace rt {

namespace {

// Long enough for most names in one read, short enough for the stack of a
// report that runs when little else is safe.
constexpr std::int64_t kNameChunk = 512;

// Copies the name at place into name, cutting what does not fit; false when
// it has no end inside its limit.
bool CopyName(TExeFile& exe, const ExeNamePlace& place, std::span<char> name, SymbolName& found) {
  char chunk[kNameChunk];
  std::int64_t length = 0;
  bool ended = false;
  while (!ended && length < place.limit) {
    std::int64_t n = std::min(kNameChunk, place.limit - length);
    if (!ReadExeBytes(exe, place.offset + length, chunk, n)) return false;
    const void* nul = std::memchr(chunk, 0, static_cast<std::size_t>(n));
    std::int64_t part = nul == nullptr ? n : static_cast<const char*>(nul) - chunk;
    ended = nul != nullptr;
    auto room = static_cast<std::int64_t>(name.size()) - length;
    if (room > 0) std::memcpy(name.data() + length, chunk, std::min(part, room));
    length += part;
  }
  if ((!ended && !place.fills_field) || length == 0) return false;
  found.cut = length > static_cast<std::int64_t>(name.size());
  found.length = std::min(static_cast<std::size_t>(length), name.size());
  return true;
}

}  // namespace

SymbolName FindFunctionSymbol(TExeFile& exe, std::uint64_t address, std::span<char> name) {
  SymbolName found;
  ExeNamePlace place;
  if (IsOpen(exe) && exe.format != nullptr && exe.format->find_symbol != nullptr &&
      exe.format->find_symbol(exe, address, place) && place.offset >= 0 && place.limit >= 0) {
    found.found = CopyName(exe, place, name, found);
  }
  FileResult result = ResultOf(exe.f, found.found);
  found.found = result.ok;
  found.io_error = result.io_error;
  if (!found.found) found = SymbolName{false, false, 0, result.io_error};
  return found;
}

}  // namespace rt
