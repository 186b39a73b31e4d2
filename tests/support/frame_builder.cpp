#include "tests/support/frame_builder.h"

#include <algorithm>

#include "tests/support/line_table_builder.h"

using namespace std::string_literals;

namespace testing_support {

void PutPointer(Bytes& b, std::uint8_t encoding, std::uint64_t value, std::uint64_t field,
                std::uint64_t data_base) {
  std::uint8_t application = encoding & 0x70, format = encoding & 0x0F;
  if (application == 0x50) b.append((8 - field % 8) % 8, '\0');  // aligned
  if (application == 0x10) value -= field;
  if (application == 0x30) value -= data_base;
  if (format == 0x01) return PutUleb(b, value);
  if (format == 0x09) return PutSleb(b, static_cast<std::int64_t>(value));
  int width = format == 0x02 || format == 0x0A ? 2 : format == 0x03 || format == 0x0B ? 4 : 8;
  PutLe(b, b.size(), value, width);
}

namespace {

// Length, then the id or CIE pointer, then body, in either format.
Bytes Entry(bool is64, std::uint64_t id, const Bytes& body, std::optional<std::uint64_t> length) {
  Bytes b;
  int size = is64 ? 8 : 4;
  if (is64) Put32(b, 0, 0xFFFFFFFF);
  PutLe(b, b.size(), length.value_or(size + body.size()), size);
  PutLe(b, b.size(), id, size);
  return b + body;
}

}  // namespace

std::size_t FrameBuilder::AddCie(const FrameCie& c) {
  std::size_t at = frames.size();
  std::uint64_t head = frames_address + at + (c.is64 ? 20 : 8);  // the version's address
  Bytes body(1, static_cast<char>(c.version));
  body += c.augmentation + '\0';
  if (c.augmentation.rfind("eh", 0) == 0) body += Bytes(8, '\0');
  if (c.version == 4) body += "\x08\x00"s;
  PutUleb(body, c.code_align);
  PutSleb(body, c.data_align);
  if (c.version == 1) body += static_cast<char>(c.return_column);
  if (c.version != 1) PutUleb(body, c.return_column);
  if (c.augmentation.find('z') != std::string::npos) {
    Bytes data;
    for (char letter : c.augmentation) {
      std::uint8_t e = letter == 'R'   ? c.fde_encoding
                       : letter == 'L' ? c.lsda_encoding
                                       : c.personality_encoding;
      if (letter == 'R' || letter == 'L' || letter == 'P') data += static_cast<char>(e);
      // The personality field's address: the data starts after its length byte.
      if (letter == 'P') PutPointer(data, e, 0x1234, head + body.size() + 1 + data.size());
    }
    PutUleb(body, data.size());
    body += data;
  }
  frames += Entry(c.is64, 0, body + c.instructions, {});
  cies_.push_back({at, c});
  return at;
}

std::size_t FrameBuilder::AddFde(std::size_t cie, const FrameFde& f) {
  const FrameCie& c =
      std::find_if(cies_.begin(), cies_.end(), [&](auto& e) { return e.first == cie; })->second;
  std::size_t at = frames.size(), head = c.is64 ? 20 : 8;
  Bytes body;
  PutPointer(body, c.fde_encoding, f.begin, frames_address + at + head);
  PutPointer(body, c.fde_encoding & 0x0F, f.range, 0);
  if (c.augmentation[0] == 'z')
    body += c.augmentation.find('L') != std::string::npos ? "\x04\0\0\0\0"s  // an LSDA pointer
                                                          : Bytes(1, '\0');
  frames += Entry(c.is64, f.cie_pointer.value_or(at + head - (c.is64 ? 8 : 4) - cie),
                  body + f.instructions, f.length);
  table.push_back({f.begin, frames_address + at});
  return at;
}

Bytes FrameBuilder::Header(std::uint8_t table_encoding, std::optional<std::uint32_t> count) const {
  auto sorted = table;
  std::sort(sorted.begin(), sorted.end());
  Bytes b = "\x01\x1b\x03";
  b += static_cast<char>(table_encoding);
  PutPointer(b, 0x1B, frames_address, header_address + 4);
  Put32(b, 8, count.value_or(static_cast<std::uint32_t>(sorted.size())));
  for (auto [begin, fde] : table_encoding == 0xFF ? decltype(sorted){} : sorted) {
    PutPointer(b, table_encoding, begin, header_address + b.size(), header_address);
    PutPointer(b, table_encoding, fde, header_address + b.size(), header_address);
  }
  return b;
}

}  // namespace testing_support
