// Reading a unit's abbreviation table as its codes are asked for.
#include "dwarf/info/abbreviations.h"

#include <cstdint>

namespace rt {

namespace {

// Attribute and form numbers are far below this; a larger one is kept as
// this, which names no attribute and no form.
std::uint32_t Narrow(std::uint64_t n) {
  return n < UINT32_MAX ? static_cast<std::uint32_t>(n) : UINT32_MAX;
}

constexpr std::uint64_t kFormImplicitConstant = 0x21;

}  // namespace

void AbbrevTable::Bind(ByteSource* abbrev) {
  cursor_.Bind(abbrev);
  open_ = false;
  ended_ = true;
}

void AbbrevTable::Open(std::uint64_t offset) {
  if (open_ && offset == offset_) return;
  open_ = true;
  offset_ = offset;
  abbreviations_.clear();
  attributes_.clear();
  ByteSource* abbrev = cursor_.source();
  ended_ = abbrev == nullptr || offset >= static_cast<std::uint64_t>(abbrev->Size());
  if (ended_) return;
  next_ = 0;
  cursor_.Init(static_cast<std::int64_t>(offset),
               abbrev->Size() - static_cast<std::int64_t>(offset));
}

const Abbreviation* AbbrevTable::Find(std::uint64_t code) {
  // Codes are nearly always 1, 2, 3... in the table's order.
  if (code - 1 < abbreviations_.size() && abbreviations_[code - 1].code == code) {
    return &abbreviations_[code - 1];
  }
  for (const Abbreviation& a : abbreviations_) {
    if (a.code == code) return &a;
  }
  while (code != 0 && ReadNext()) {
    if (abbreviations_.back().code == code) return &abbreviations_.back();
  }
  return nullptr;
}

// An abbreviation: its code, tag and children flag, then pairs of attribute
// and form (with a value after implicit_const) up to a pair of zeros; the
// table ends at a code of 0.
bool AbbrevTable::ReadNext() {
  if (ended_ || abbreviations_.size() >= kMaxAbbreviations) return false;
  cursor_.Seek(next_);
  Abbreviation a;
  a.code = cursor_.ReadULEB128();
  a.tag = Narrow(cursor_.ReadULEB128());
  a.has_children = cursor_.ReadNext() == 1;
  a.first = static_cast<std::uint32_t>(attributes_.size());
  ended_ = a.code == 0;
  while (!ended_) {
    std::uint64_t attribute = cursor_.ReadULEB128(), form = cursor_.ReadULEB128();
    std::int64_t implicit = form == kFormImplicitConstant ? cursor_.ReadLEB128() : 0;
    if (attribute == 0 && form == 0) break;
    ended_ = !cursor_.ok() || attributes_.size() >= kMaxAttributes;
    if (!ended_) attributes_.push_back({Narrow(attribute), Narrow(form), implicit});
  }
  ended_ = ended_ || !cursor_.ok();
  if (ended_) {
    // A half-read abbreviation's attributes go with it.
    attributes_.resize(a.first);
    return false;
  }
  a.count = static_cast<std::uint32_t>(attributes_.size()) - a.first;
  next_ = cursor_.Pos();
  abbreviations_.push_back(a);
  return true;
}

}  // namespace rt
