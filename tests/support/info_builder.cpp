#include "tests/support/info_builder.h"

#include <algorithm>
#include <stdexcept>
#include <string>

namespace testing_support {

namespace {

void Append(Bytes& b, std::uint64_t v, int width) {
  PutLe(b, b.size(), v, width);
}

// A length field and the bytes it counts.
Bytes WithLength(const Bytes& body, bool is64) {
  Bytes out;
  if (is64) Append(out, 0xFFFFFFFF, 4);
  Append(out, body.size(), is64 ? 8 : 4);
  return out + body;
}

void PutValue(Bytes& b, std::uint64_t form, std::uint64_t value, std::uint64_t actual,
              const InfoUnit& unit) {
  int offset_size = unit.is64 ? 8 : 4;
  switch (form) {
    case kFormAddr:
      return Append(b, value, unit.address_size);
    case kFormData1:
    case kFormRef1:
    case kFormAddrx1:
    case kFormStrx1:
      return Append(b, value, 1);
    case kFormStrx3:
      return Append(b, value, 3);
    case kFormData2:
    case kFormAddrx2:
      return Append(b, value, 2);
    case kFormData4:
    case kFormRef4:
      return Append(b, value, 4);
    case kFormData8:
    case kFormRefSig8:
      return Append(b, value, 8);
    case kFormRefAddr:
      return Append(b, value, unit.version <= 2 ? unit.address_size : offset_size);
    case kFormSecOffset:
    case kFormStrp:
    case kFormLineStrp:
      return Append(b, value, offset_size);
    case kFormUdata:
    case kFormRefUdata:
    case kFormStrx:
    case kFormAddrx:
    case kFormRnglistx:
    case kFormGnuAddrIndex:
      return PutUleb(b, value);
    case kFormSdata:
      return PutSleb(b, static_cast<std::int64_t>(value));
    case kFormImplicitConst:
    case kFormFlagPresent:
      return;
    case kFormString:
      b += '\0';
      return;
    case kFormIndirect:
      PutUleb(b, actual);
      return PutValue(b, actual, value, 0, unit);
    default:
      throw std::invalid_argument("form " + std::to_string(form));
  }
}

// An abbreviation less its code.
Bytes Shape(std::uint64_t tag, bool children, const std::vector<InfoAttribute>& attributes) {
  Bytes b;
  PutUleb(b, tag);
  b += static_cast<char>(children);
  for (const InfoAttribute& a : attributes) {
    PutUleb(b, a.attribute);
    PutUleb(b, a.form);
    if (a.form == kFormImplicitConst) PutSleb(b, static_cast<std::int64_t>(a.value));
  }
  return b + Bytes(2, '\0');
}

// One pass over a unit's entries: the shapes given codes so far (code k is
// shapes[k - 1]), and where the labelled entries lie, as the pass before
// found them and as this one does.
struct Layout {
  const InfoUnit& unit;
  std::uint64_t at;       // the unit's offset in .debug_info
  std::size_t length_of;  // the size of its length field
  std::vector<Bytes> shapes;
  std::map<std::string, std::uint64_t> known, found;

  std::uint64_t Code(const Bytes& shape) {
    auto it = std::find(shapes.begin() + (unit.before ? 2 : 1), shapes.end(), shape);
    if (it == shapes.end()) it = shapes.insert(it, shape);
    return static_cast<std::uint64_t>(it - shapes.begin()) + 1;
  }

  void PutValues(Bytes& b, const std::vector<InfoAttribute>& attributes) {
    for (const InfoAttribute& a : attributes) {
      if (a.raw) {
        b += *a.raw;
        continue;
      }
      std::uint64_t value = a.value;
      if (!a.to.empty()) {
        auto it = known.find(a.to);
        std::uint64_t target = it == known.end() ? 0 : it->second;
        value = a.form == kFormRefAddr ? target : target - at;
      }
      PutValue(b, a.form, value, a.actual, unit);
    }
  }

  void PutEntries(Bytes& body, const std::vector<InfoEntry>& entries) {
    for (const InfoEntry& e : entries) {
      if (!e.label.empty()) found[e.label] = at + length_of + body.size();
      PutUleb(body, Code(Shape(e.tag, !e.children.empty(), e.attributes)));
      PutValues(body, e.attributes);
      if (e.children.empty()) continue;
      PutEntries(body, e.children);
      if (unit.closed) body += '\0';
    }
  }
};

}  // namespace

std::uint64_t DebugInfo::Add(const InfoUnit& unit) {
  std::uint64_t table = abbrev.size();
  int offset_size = unit.is64 ? 8 : 4;
  Bytes header;
  Append(header, unit.version, 2);
  if (unit.version >= 5) {
    header += static_cast<char>(unit.unit_type);
    header += static_cast<char>(unit.address_size);
    Append(header, unit.abbrev_offset.value_or(table), offset_size);
    if (unit.unit_type == kUnitSkeleton) Append(header, 0x1122334455667788, 8);  // unit id
    if (unit.unit_type == kUnitType) {
      Append(header, unit.signature, 8);
      Append(header, 0, offset_size);  // the type's entry, set once it is laid out
    }
  } else {
    Append(header, unit.abbrev_offset.value_or(table), offset_size);
    header += static_cast<char>(unit.address_size);
    if (unit.in_types) {
      Append(header, unit.signature, 8);
      Append(header, 0, offset_size);
    }
  }

  // Laid out again until every label lies where the pass before put it: a
  // reference may lead forward, and a ref_udata's size follows its value.
  Bytes& section = unit.in_types ? types : info;
  Layout layout{unit, section.size(), unit.is64 ? 12u : 4u, {}, entries, {}};
  Bytes body;
  for (int pass = 0; pass < 4; ++pass) {
    layout.shapes.clear();
    if (unit.before) layout.shapes.push_back(Shape(0x11, false, *unit.before));
    layout.shapes.push_back(Shape(0x11, !unit.children.empty(), unit.root));
    layout.found.clear();
    body = header;
    PutUleb(body, layout.shapes.size());
    layout.PutValues(body, unit.root);
    layout.PutEntries(body, unit.children);
    // The end of the root's children, or of a unit without any.
    if (unit.closed || unit.children.empty()) body += '\0';
    bool settled = true;
    for (const auto& [label, at] : layout.found) {
      settled = settled && layout.known.count(label) != 0 && layout.known[label] == at;
      layout.known[label] = at;
    }
    if (settled) break;
  }
  entries = layout.known;
  for (std::size_t k = 0; k < layout.shapes.size(); ++k) {
    PutUleb(abbrev, k + 1);
    abbrev += layout.shapes[k];
  }
  abbrev += '\0';

  if (!unit.type_label.empty()) {
    PutLe(body, header.size() - offset_size, entries[unit.type_label] - layout.at, offset_size);
  }
  std::uint64_t at = section.size();
  section += WithLength(body, unit.is64);
  return at;
}

void DebugInfo::AddArangeSet(std::uint64_t unit,
                             const std::vector<std::pair<std::uint64_t, std::uint64_t>>& tuples,
                             std::uint8_t address_size, bool is64, std::uint16_t version) {
  Bytes body;
  Append(body, version, 2);
  Append(body, unit, is64 ? 8 : 4);
  body += static_cast<char>(address_size);
  body += '\0';  // segment selector size
  // The tuples start at a multiple of their size from the set's start.
  std::size_t header = (is64 ? 12 : 4) + body.size(), tuple = 2u * address_size;
  body += Bytes((tuple - header % tuple) % tuple, '\0');
  for (const auto& [address, length] : tuples) {
    Append(body, address, address_size);
    Append(body, length, address_size);
  }
  body += Bytes(tuple, '\0');
  aranges += WithLength(body, is64);
}

std::uint64_t DebugInfo::AddAddresses(const std::vector<std::uint64_t>& addresses,
                                      std::uint8_t address_size, bool is64) {
  Bytes body;
  Append(body, 5, 2);
  body += static_cast<char>(address_size);
  body += '\0';
  std::uint64_t base = addr.size() + (is64 ? 12 : 4) + body.size();
  for (std::uint64_t a : addresses) Append(body, a, address_size);
  addr += WithLength(body, is64);
  return base;
}

std::uint64_t DebugInfo::AddString(const std::string& s) {
  std::uint64_t at = str.size();
  str += s;
  str += '\0';
  return at;
}

std::uint64_t DebugInfo::AddStrOffsets(const std::vector<std::uint64_t>& offsets, bool is64) {
  Bytes body;
  Append(body, 5, 2);
  Append(body, 0, 2);  // padding
  std::uint64_t base = str_offsets.size() + (is64 ? 12 : 4) + body.size();
  for (std::uint64_t o : offsets) Append(body, o, is64 ? 8 : 4);
  str_offsets += WithLength(body, is64);
  return base;
}

std::uint64_t DebugInfo::AddRanges(
    const std::vector<std::pair<std::uint64_t, std::uint64_t>>& pairs, std::uint8_t address_size) {
  std::uint64_t at = ranges.size();
  for (const auto& [low, high] : pairs) {
    Append(ranges, low, address_size);
    Append(ranges, high, address_size);
  }
  ranges += Bytes(2u * address_size, '\0');
  return at;
}

std::uint64_t DebugInfo::AddRangeLists(const std::vector<std::vector<ListEntry>>& lists,
                                       std::uint8_t address_size, bool is64,
                                       std::vector<std::uint64_t>* lists_at) {
  int offset_size = is64 ? 8 : 4;
  Bytes header;
  Append(header, 5, 2);
  header += static_cast<char>(address_size);
  header += '\0';
  Append(header, lists.size(), 4);
  std::uint64_t base = rnglists.size() + (is64 ? 12 : 4) + header.size();

  Bytes offsets, entries;
  std::size_t table = lists.size() * static_cast<std::size_t>(offset_size);
  for (const std::vector<ListEntry>& list : lists) {
    Append(offsets, table + entries.size(), offset_size);
    if (lists_at != nullptr) lists_at->push_back(base + table + entries.size());
    for (const ListEntry& e : list) {
      entries += static_cast<char>(e.kind);
      switch (e.kind) {
        case 1:  // base address, indexed
          PutUleb(entries, e.a);
          break;
        case 2:  // start and end, indexed
        case 3:  // indexed start and a length
        case 4:  // offsets from the base
          PutUleb(entries, e.a);
          PutUleb(entries, e.b);
          break;
        case 5:  // base address
          Append(entries, e.a, address_size);
          break;
        case 6:  // start and end
          Append(entries, e.a, address_size);
          Append(entries, e.b, address_size);
          break;
        case 7:  // start and a length
          Append(entries, e.a, address_size);
          PutUleb(entries, e.b);
          break;
        default:  // written as the kind alone
          break;
      }
    }
    entries += '\0';
  }
  rnglists += WithLength(header + offsets + entries, is64);
  return base;
}

InfoSources::InfoSources(const DebugInfo& d, const Bytes& line) : bytes(d), line_bytes(line) {
  using rt::DebugSection;
  auto use = [this](DebugSection section, const Bytes& b) {
    rt::MemorySource& source = memory[static_cast<std::size_t>(section)];
    source = rt::MemorySource(b.data(), static_cast<std::int64_t>(b.size()));
    sources.Set(section, b.empty() ? nullptr : &source);
  };
  use(DebugSection::kInfo, bytes.info);
  use(DebugSection::kAbbrev, bytes.abbrev);
  use(DebugSection::kAranges, bytes.aranges);
  use(DebugSection::kRanges, bytes.ranges);
  use(DebugSection::kRnglists, bytes.rnglists);
  use(DebugSection::kAddr, bytes.addr);
  use(DebugSection::kStr, bytes.str);
  use(DebugSection::kStrOffsets, bytes.str_offsets);
  use(DebugSection::kTypes, bytes.types);
  use(DebugSection::kLine, line_bytes);
  // The line section is there even when it is empty.
  sources.Set(DebugSection::kLine, &memory[static_cast<std::size_t>(DebugSection::kLine)]);
}

}  // namespace testing_support
