// The runtime's own pages, set apart from the program's before the
// program's code first runs (runtime_pages.cpp).
#pragma once

#include <cstdint>

// Code that runs before any other code of the program. It lies in a section
// of its own, which the linker places after all the other code, so that
// running it maps none of the pages it sets apart.
#define QUIZ_AT_LOAD [[gnu::section("quiz_at_load")]]

namespace platform {

// The program's pre-initialisation routine: gives the runtime's code and
// constants a mapping of their own, where the program marks them.
void SetAsideRuntimePages(int argc, char** argv, char** envp);

// madvise, made with the processor's own system-call instruction rather
// than through the C library, whose call would run through the program's
// linkage table, in the first pages of its code. Answers 0 or -errno.
long AdvisePages(std::uintptr_t start, std::uintptr_t length, int advice);

}  // namespace platform
