// The code that every program on the runtime runs, at start and at a
// normal end, lies together with the program's own start-up: each page of
// code a program touches costs it memory, and this code is spread over
// many files whose other code (the report's) most programs never run.
#pragma once

#define QUIZ_EVERY_RUN [[gnu::section(".text.startup")]]
