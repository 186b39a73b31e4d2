#include "tests/support/frame_builder.h"

#include <algorithm>

#include "tests/support/line_table_builder.h"

namespace testing_support {

namespace {

// A pointer stored as encoding says, its field standing at `field`, an
// absolute one of address_size bytes; data-relative ones count from base.
void PutPointer(Bytes& b, std::uint8_t encoding, std::uint64_t value, std::uint64_t field,
                int address_size, std::uint64_t base = 0) {
  std::uint8_t application = encoding & 0x70, format = encoding & 0x0F;
  if (application == 0x50) b.append((address_size - field % address_size) % address_size, '\0');
  value -= application == 0x10 ? field : application == 0x30 ? base : 0;
  if (format == 0x01) return PutUleb(b, value);
  if (format == 0x09) return PutSleb(b, static_cast<std::int64_t>(value));
  PutLe(b, b.size(), value,
        format == 0       ? address_size
        : format % 8 == 2 ? 2
        : format % 8 == 3 ? 4
                          : 8);
}

// Length, then the id or CIE pointer, then the body, in either format.
Bytes Entry(bool is64, std::uint64_t id, const Bytes& body, std::optional<std::uint64_t> length) {
  Bytes b = is64 ? Bytes(4, '\xFF') : "";
  int size = is64 ? 8 : 4;
  PutLe(b, b.size(), length.value_or(size + body.size()), size);
  PutLe(b, b.size(), id, size);
  return b + body;
}

}  // namespace

std::size_t FrameBuilder::AddCie(const FrameCie& c) {
  std::size_t at = frames.size();
  Bytes body(1, static_cast<char>(c.version));
  body += c.augmentation + '\0';
  if (c.augmentation.rfind("eh", 0) == 0) body += Bytes(address_size, '\0');
  if (c.version == 4) body += {static_cast<char>(address_size), '\0'};  // address, segment sizes
  PutUleb(body, c.code_align);
  PutSleb(body, c.data_align);
  if (c.version == 1) body += static_cast<char>(c.return_column);
  if (c.version != 1) PutUleb(body, c.return_column);
  if (c.augmentation[0] == 'z') {
    // The data's address: after the entry's head and the one-byte length.
    std::uint64_t data_at = frames_address + at + (c.is64 ? 20 : 8) + body.size() + 1;
    Bytes data;
    for (char letter : c.augmentation) {
      if (letter == 'R') data += static_cast<char>(c.fde_encoding);
      if (letter == 'L') data += static_cast<char>(c.lsda_encoding);
      if (letter != 'P') continue;
      data += static_cast<char>(c.personality_encoding);
      PutPointer(data, c.personality_encoding, 0x1234, data_at + data.size(), address_size);
    }
    PutUleb(body, data.size());
    body += data;
  }
  frames += Entry(c.is64, 0, body + c.instructions, {});
  cies_.push_back({at, c});
  return at;
}

std::size_t FrameBuilder::AddFde(std::size_t cie, const FrameFde& f) {
  auto named = [&](const auto& e) { return e.first == cie; };
  const FrameCie& c = std::find_if(cies_.begin(), cies_.end(), named)->second;
  std::size_t at = frames.size(), head = c.is64 ? 20 : 8;
  Bytes body;
  PutPointer(body, c.fde_encoding, f.begin, frames_address + at + head, address_size);
  PutPointer(body, c.fde_encoding & 0x0F, f.range, 0, address_size);
  if (c.augmentation[0] == 'z') {  // an LSDA pointer of 4 bytes, or none
    body += c.augmentation.find('L') != std::string::npos ? Bytes("\x04\0\0\0\0", 5) : Bytes(1, 0);
  }
  std::uint64_t back = at + head - (c.is64 ? 8 : 4) - cie;
  frames += Entry(c.is64, f.cie_pointer.value_or(back), body + f.instructions, f.length);
  table.push_back({f.begin, frames_address + at});
  return at;
}

Bytes FrameBuilder::Header(std::uint8_t table_encoding) const {
  auto sorted = table;
  std::sort(sorted.begin(), sorted.end());
  Bytes b = {1, 0x1B, 0x03, static_cast<char>(table_encoding)};
  PutPointer(b, 0x1B, frames_address, header_address + 4, address_size);
  Put32(b, 8, static_cast<std::uint32_t>(sorted.size()));
  for (auto [begin, fde] : table_encoding == 0xFF ? decltype(sorted){} : sorted) {
    PutPointer(b, table_encoding, begin, header_address + b.size(), address_size, header_address);
    PutPointer(b, table_encoding, fde, header_address + b.size(), address_size, header_address);
  }
  return b;
}

}  // namespace testing_support
