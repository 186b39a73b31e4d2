// An exception thrown again (by `throw;`, std::rethrow_exception, a
// future's get) where nothing caught it: where it was first thrown, and
// the call that threw it again.
#pragma once

#include <cstdint>

#include "platform/throw_records.h"

namespace rt {

struct FirstThrow {
  platform::ThrowRecord thrown;   // the call that first threw it, then its callers
  std::uint64_t rethrown_at = 0;  // the return address of the call that threw it again
};

}  // namespace rt
