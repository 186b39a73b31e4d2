// Walking an entry's attributes.
#include "dwarf/info/entry_attributes.h"

namespace rt {

bool EntryAttributes::ReadCurrent() {
  if (!read_) {
    read_ = true;
    failed_ =
        !ReadForm(info_, specs_[at_].form, unit_, specs_[at_].implicit, value_) || !info_.ok();
  }
  return !failed_;
}

bool EntryAttributes::Next() {
  if (failed_) return false;
  if (started_) {
    if (at_ >= specs_.size() || !ReadCurrent()) return false;
    ++at_;
  }
  started_ = true;
  read_ = false;
  return at_ < specs_.size();
}

bool EntryAttributes::Value(FormValue& value) {
  if (!started_ || at_ >= specs_.size() || !ReadCurrent()) return false;
  value = value_;
  return true;
}

bool EntryAttributes::SkipRest() {
  while (Next()) {
  }
  return ok();
}

}  // namespace rt
