// Whether the exception that ends the program was thrown before, and where.
#include "runtime/rethrow.h"

#include <cstdint>
#include <cstring>
#include <exception>

#include "platform/throw_records.h"
#include "report/throws/first_throw.h"
#include "runtime/report.h"

namespace rt {

namespace {

FirstThrow first_throw;

// The exception object a pointer to the exception holds: the C++ library's
// pointer is that address alone, the one its throw was given, whichever
// `throw;` or std::rethrow_exception threw it since.
const void* ObjectOf(const std::exception_ptr& exception) {
  static_assert(sizeof(std::exception_ptr) == sizeof(void*));
  const void* object = nullptr;
  std::memcpy(&object, static_cast<const void*>(&exception), sizeof object);
  return object;
}

}  // namespace

void NoteFirstThrow(const void* rethrown_at) {
  std::exception_ptr exception = std::current_exception();
  platform::ThrowRecord record;
  if (!platform::FindThrowRecord(ObjectOf(exception), record)) return;
  const auto at = reinterpret_cast<std::uintptr_t>(rethrown_at);
  if (record.addresses[0] == at) return;
  first_throw.thrown = record;
  first_throw.rethrown_at = at;
  ErrorFirstThrow = &first_throw;
}

}  // namespace rt
