// The C++ library is linked into the program: its throw cannot be seen
// under its own name, and no throw is recorded.
#include "platform/throw_records.h"

namespace platform {

void PrepareThrowRecords() {}

std::uintptr_t LibraryThrowRoutine() {
  return 0;
}

}  // namespace platform
