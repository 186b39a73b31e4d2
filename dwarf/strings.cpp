// Reading strings by offset and strings and addresses by index.
#include "dwarf/strings.h"

#include <cstring>
#include <string_view>

#include "base/byte_order.h"

namespace rt {

namespace {

using Kind = FormValue::Kind;

// Reads a little-endian value of size bytes (4 or 8) at index of a table
// of such values starting at base of source; false outside the source.
bool ReadTableEntry(ByteSource* source, std::uint8_t size, std::uint64_t base, std::uint64_t index,
                    std::uint64_t& value) {
  if (source == nullptr || (size != 4 && size != 8)) return false;
  std::uint64_t length = static_cast<std::uint64_t>(source->Size());
  if (base > length || index > (length - base) / size) return false;
  std::uint64_t at = base + index * size;
  if (size > length - at) return false;
  std::uint8_t bytes[8] = {};
  if (source->ReadAt(static_cast<std::int64_t>(at), bytes, size).count != size) return false;
  value = size == 8 ? Le64(bytes) : Le32(bytes);
  return true;
}

}  // namespace

const StringTables::Window* StringTables::WindowAt(DebugSection section, std::int64_t offset) {
  Window& window = windows_[section == DebugSection::kStr ? 0 : 1];
  if (offset >= window.start && offset < window.start + window.size) return &window;
  ByteSource* source = sources_[section];
  std::int64_t left = source->Size() - offset;
  ReadResult got = source->ReadAt(offset, window.bytes, left < kWindowSize ? left : kWindowSize);
  Note(got.io_error);
  window.start = offset;
  window.size = got.count > 0 ? got.count : 0;
  return window.size > 0 ? &window : nullptr;
}

Text StringTables::ReadInPlace(ByteSource& source, std::uint64_t offset) {
  char bytes[Text::kCapacity + 1];
  ReadResult got = source.ReadAt(static_cast<std::int64_t>(offset), bytes, sizeof bytes);
  Note(got.io_error);
  std::size_t n = got.count > 0 ? static_cast<std::size_t>(got.count) : 0;
  const void* nul = std::memchr(bytes, 0, n);
  // A string longer than a Text holds is cut; one the section ends in has none.
  if (nul == nullptr && n < sizeof bytes) return Text();
  std::size_t k = nul ? static_cast<std::size_t>(static_cast<const char*>(nul) - bytes) : n;
  return Text(std::string_view(bytes, k));
}

Text StringTables::At(DebugSection section, std::uint64_t offset) {
  Text text;
  if (sources_[section] == nullptr) return text;
  std::int64_t end = sources_[section]->Size();
  if (offset >= static_cast<std::uint64_t>(end)) return text;
  if (section != DebugSection::kStr && section != DebugSection::kLineStr) {
    return ReadInPlace(*sources_[section], offset);
  }
  // A string longer than a window continues in the next one.
  for (std::int64_t at = static_cast<std::int64_t>(offset); at < end;) {
    const Window* window = WindowAt(section, at);
    if (window == nullptr) return Text();
    const char* from = window->bytes + (at - window->start);
    std::size_t n = static_cast<std::size_t>(window->start + window->size - at);
    const void* nul = std::memchr(from, 0, n);
    std::size_t k = nul ? static_cast<std::size_t>(static_cast<const char*>(nul) - from) : n;
    text.Append(std::string_view(from, k));
    if (nul != nullptr) return text;
    at += static_cast<std::int64_t>(n);
  }
  return Text();
}

Text StringTables::Of(const FormValue& value, const UnitTables& unit) {
  switch (value.kind) {
    case Kind::kString:
      return At(DebugSection::kInfo, value.value);
    case Kind::kStringOffset:
      return At(DebugSection::kStr, value.value);
    case Kind::kLineStringOffset:
      return At(DebugSection::kLineStr, value.value);
    case Kind::kStringIndex: {
      std::uint64_t offset = 0;
      if (!ReadIndexedOffset(sources_, DebugSection::kStrOffsets, unit.shape.offset_size,
                             unit.str_offsets_base, value.value, offset)) {
        return Text();
      }
      return At(DebugSection::kStr, offset);
    }
    default:
      return Text();
  }
}

bool ReadIndexedOffset(const DebugSources& sources, DebugSection section, std::uint8_t offset_size,
                       std::uint64_t base, std::uint64_t index, std::uint64_t& offset) {
  return ReadTableEntry(sources[section], offset_size, base, index, offset);
}

bool ReadIndexedAddress(const DebugSources& sources, const UnitShape& unit, std::uint64_t addr_base,
                        std::uint64_t index, std::uint64_t& address) {
  return ReadTableEntry(sources[DebugSection::kAddr], unit.address_size, addr_base, index, address);
}

bool AddressOf(const DebugSources& sources, const FormValue& value, const UnitTables& unit,
               std::uint64_t& address) {
  if (value.kind == Kind::kAddress) {
    address = value.value;
    return true;
  }
  return value.kind == Kind::kAddressIndex &&
         ReadIndexedAddress(sources, unit.shape, unit.addr_base, value.value, address);
}

}  // namespace rt
