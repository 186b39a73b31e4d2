// Finding the call that threw among the frames below a terminate handler.
#include "report/throw_site.h"

#include <cxxabi.h>

#include <cstdint>
#include <exception>

#include "platform/throw_records.h"

namespace rt {

namespace {

// The C++ runtime's routines between a throw (or a call of std::terminate)
// and the handler.
bool IsThrowRoutine(std::uintptr_t routine) {
  const std::uintptr_t routines[] = {
      reinterpret_cast<std::uintptr_t>(&__cxxabiv1::__cxa_throw),
      reinterpret_cast<std::uintptr_t>(&__cxxabiv1::__cxa_rethrow),
      reinterpret_cast<std::uintptr_t>(&__cxxabiv1::__cxa_pure_virtual),
      reinterpret_cast<std::uintptr_t>(&std::rethrow_exception),
      reinterpret_cast<std::uintptr_t>(&std::terminate),
      platform::LibraryThrowRoutine(),
  };
  for (std::uintptr_t r : routines) {
    if (r != 0 && r == routine) return true;
  }
  return false;
}

// The handler is called a few frames below the throw, more where the throw
// left a function that may not throw (the search for a catch ends there,
// inside the unwinder, and on Windows inside the platform's dispatch of the
// exception); a search that finds no throw routine that near gives up. One
// more for the frame of this search itself.
constexpr int kSearchDepth = 24 + 1;

struct Search {
  ThrowFacts facts;
  int visited = 0;
  bool after_routine = false;
  bool found = false;
  platform::UnwoundFrame site = {};
};

bool Visit(const platform::UnwoundFrame& frame, void* data) {
  Search& search = *static_cast<Search*>(data);
  if (frame.routine == platform::PersonalityEntry()) search.facts.left_noexcept = true;
  if (frame.routine == reinterpret_cast<std::uintptr_t>(&__cxxabiv1::__cxa_pure_virtual)) {
    search.facts.pure_virtual = true;
  }
  if (IsThrowRoutine(frame.routine)) {
    search.after_routine = true;
  } else if (search.after_routine) {
    search.site = frame;
    search.found = true;
    search.after_routine = false;
  }
  return ++search.visited < kSearchDepth;
}

}  // namespace

bool FindThrowSite(platform::UnwoundFrame& site, ThrowFacts* facts) {
  Search search;
  platform::VisitUnwoundFrames(Visit, &search);
  if (facts != nullptr) *facts = search.facts;
  if (search.found) site = search.site;
  return search.found;
}

}  // namespace rt
