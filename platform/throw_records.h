// Where each exception was thrown, kept from its throw until the program
// ends or its memory is taken for another: an exception caught and thrown
// again (by `throw;`, std::rethrow_exception, a future's get) still names
// the calls that first threw it.
#pragma once

#include <cstddef>
#include <cstdint>

namespace platform {

// The return addresses kept of a throw: the call that threw, then its
// callers, innermost first. Few, since every throw pays for them.
constexpr std::size_t kThrowFrames = 8;

struct ThrowRecord {
  std::uintptr_t addresses[kThrowFrames] = {};
  std::size_t count = 0;
};

// Keeps record as where the exception object was thrown, in place of
// what was kept for it or for another that shares its place.
void RecordThrow(const void* object, const ThrowRecord& record);
// Forgets the throw kept for object: its memory now holds a new exception.
void ForgetThrow(const void* object);
// What was kept of the throw of object; false where nothing is kept.
bool FindThrowRecord(const void* object, ThrowRecord& record);

// From now on each throw of the program is recorded, where the platform
// sees throws (it sees none on Windows, whose C++ library is linked into
// the program: reports there name the last throw alone).
void PrepareThrowRecords();
// The entry of the C++ library's own routine that throws, where the
// program's throw hands over to it; 0 where the platform sees no throws.
std::uintptr_t LibraryThrowRoutine();

}  // namespace platform
