// An exception that nothing caught, thrown again after it was caught once.
#pragma once

namespace rt {

// Where the exception being handled now was first thrown, where the call at
// rethrown_at threw it again, kept for the report (ErrorFirstThrow); nothing
// where that call threw it first, or no throw of it was recorded.
void NoteFirstThrow(const void* rethrown_at);

}  // namespace rt
