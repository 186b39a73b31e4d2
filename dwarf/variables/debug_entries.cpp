// Entering units by the offsets of their entries, and following references.
#include "dwarf/variables/debug_entries.h"

#include "dwarf/info/entry_names.h"

namespace rt {

namespace {

using Kind = FormValue::Kind;

DebugSources AsInfo(const DebugSources& sources) {
  DebugSources types = sources;
  types.Set(DebugSection::kInfo, sources[DebugSection::kTypes]);
  return types;
}

}  // namespace

struct DebugEntries::TypeUnits {
  explicit TypeUnits(const DebugSources& sources) : entries(sources), strings(sources) {}
  UnitEntries entries;
  StringTables strings;
};

DebugEntries::DebugEntries(const DebugSources& sources)
    : sources_(sources), types_sources_(AsInfo(sources)), info_(sources_), info_strings_(sources_) {
  // Headers and short blocks are read here and there, a few bytes each.
  scratch_.SetReadSize(64);
}

DebugEntries::~DebugEntries() = default;

UnitEntries& DebugEntries::TypesEntries() const {
  return types_->entries;  // in_types_ is set only once a type unit was entered
}

UnitEntries* DebugEntries::EntriesOf(bool in_types) {
  if (!in_types) return &info_;
  if (types_ == nullptr) {
    if (types_sources_[DebugSection::kInfo] == nullptr) return nullptr;
    types_ = MakeResourceObject<TypeUnits>(types_sources_);
  }
  return &types_->entries;
}

bool DebugEntries::SeekTo(EntryPlace place) {
  if (!Enter(place)) return false;
  current().Seek(place.offset - unit());
  return true;
}

bool DebugEntries::Open(EntryPlace place, UnitEntry& entry) {
  return SeekTo(place) && Next(entry) && entry.abbreviation != nullptr;
}

bool DebugEntries::Enter(EntryPlace place) {
  if (place.offset < 0) return false;
  UnitEntries* entries = EntriesOf(place.in_types);
  if (entries == nullptr) return false;
  std::int64_t start = 0;
  if (!entries->Holds(place.offset)) {
    if (!UnitHolding(place.in_types, place.offset, start) || !entries->Enter(start)) return false;
    in_types_ = place.in_types;
    ReadTables();
  }
  in_types_ = place.in_types;
  return place.offset - unit() >= first_entry_[in_types_];
}

// The unit that holds offset: the caller's, else the one the chain of
// units' lengths reaches from the section's start.
bool DebugEntries::UnitHolding(bool in_types, std::int64_t offset, std::int64_t& unit) {
  if (!in_types && home_.next > home_.offset && offset >= home_.offset && offset < home_.next) {
    unit = home_.offset;
    return true;
  }
  ByteSource* source = (in_types ? types_sources_ : sources_)[DebugSection::kInfo];
  if (source == nullptr) return false;
  if (scratch_.source() != source) scratch_.Bind(source);
  std::int64_t at = 0, size = source->Size();
  for (int i = 0; i < kMaxUnits && at < size; ++i) {
    UnitExtent extent;
    if (!scratch_.EnterUnit(at, size, extent) || extent.next <= at) return false;
    if (offset < extent.next) {
      unit = at;
      return true;
    }
    at = extent.next;
  }
  return false;
}

// Where the unit's entries start, and its tables: the caller's where it
// is their unit, else its root's own base of indexed strings.
void DebugEntries::ReadTables() {
  const UnitHeader& header = current().header();
  UnitTables& tables = tables_[in_types_];
  std::int64_t& first = first_entry_[in_types_];
  first = header.entries;
  // A type unit of .debug_types has its signature and type after the
  // fields the header reader takes.
  if (in_types_ && header.shape.version < 5) first += 8 + header.shape.offset_size;
  if (!in_types_ && home_.offset == unit() && home_.next > home_.offset) {
    tables = home_.unit.tables;
    return;
  }
  tables = UnitTables();
  tables.shape = header.shape;
  tables.str_offsets_base = header.shape.offset_size == 8 ? 16 : 8;
  if (header.shape.version < 5) return;
  UnitEntry root;
  current().Seek(first);
  if (!Next(root) || root.abbreviation == nullptr) return;
  EntryAttributes attributes = Attributes(root);
  FormValue value;
  while (attributes.Next()) {
    if (attributes.attribute() != kAttrStrOffsetsBase || !attributes.Value(value)) continue;
    if (value.kind == Kind::kSectionOffset) tables.str_offsets_base = value.value;
  }
}

EntryPlace DebugEntries::Follow(const FormValue& reference) {
  if (reference.kind == Kind::kReference) {
    std::int64_t from = unit();
    if (reference.value > static_cast<std::uint64_t>(INT64_MAX - from)) return {};
    // A unit's own references lead into it alone, never on into the next.
    std::int64_t to = from + static_cast<std::int64_t>(reference.value);
    return to < current().header().next ? EntryPlace{to, in_types_} : EntryPlace{};
  }
  if (reference.kind == Kind::kInfoReference && reference.value < INT64_MAX) {
    return {static_cast<std::int64_t>(reference.value), false};
  }
  if (reference.kind == Kind::kSignature) return FindSignature(reference.value);
  return {};
}

Text DebugEntries::String(const FormValue& value) {
  StringTables& strings = in_types_ ? types_->strings : info_strings_;
  return strings.Of(value, tables_[in_types_]);
}

bool DebugEntries::Block(const FormValue& block, std::int64_t& start, std::uint32_t& length) {
  std::int64_t from = unit(), end = current().header().next;
  if (block.kind != Kind::kBlock || block.value < static_cast<std::uint64_t>(from) ||
      block.value > static_cast<std::uint64_t>(end) ||
      block.length > static_cast<std::uint64_t>(end) - block.value || block.length > UINT32_MAX) {
    return false;
  }
  ByteSource* source = (in_types_ ? types_sources_ : sources_)[DebugSection::kInfo];
  if (scratch_.source() != source) scratch_.Bind(source);
  scratch_.Init(from, end - from);
  start = static_cast<std::int64_t>(block.value);
  scratch_.Seek(start - from);
  length = static_cast<std::uint32_t>(block.length);
  return true;
}

// A type unit found once is remembered, the oldest forgotten first.
EntryPlace DebugEntries::FindSignature(std::uint64_t signature) {
  for (int i = 0; i < known_count_; ++i) {
    if (known_[i].signature == signature) return known_[i].type;
  }
  EntryPlace type = ScanSignature(true, signature);
  if (!type.found()) type = ScanSignature(false, signature);
  if (!type.found()) return type;
  known_[known_next_] = {signature, type};
  known_next_ = (known_next_ + 1) % kKnownSignatures;
  if (known_count_ < kKnownSignatures) ++known_count_;
  return type;
}

// The type entry of the type unit that bears the signature in one section.
EntryPlace DebugEntries::ScanSignature(bool in_types, std::uint64_t signature) {
  ByteSource* source = (in_types ? types_sources_ : sources_)[DebugSection::kInfo];
  if (source == nullptr) return {};
  if (scratch_.source() != source) scratch_.Bind(source);
  std::int64_t at = 0, size = source->Size();
  for (int i = 0; i < kMaxUnits && at < size; ++i) {
    UnitHeader header;
    if (!ReadUnitHeader(scratch_, at, size, header) || header.next <= at) return {};
    bool is_type = header.type == kUnitType;
    if (in_types && header.shape.version < 5) {
      header.id = scratch_.ReadUnsigned(8);
      header.type_offset = scratch_.ReadOffset();
      is_type = scratch_.ok();
    }
    if (header.readable && is_type && header.id == signature) {
      if (header.type_offset >= static_cast<std::uint64_t>(header.next - at)) return {};
      return {at + static_cast<std::int64_t>(header.type_offset), in_types};
    }
    at = header.next;
  }
  return {};
}

}  // namespace rt
