// Lines a report shows with a caret under the column of their fault, each
// named by SNIPPET and marked ("// [name]"): indented with tabs, too long
// for a report line, in a header's inline function, in a source whose lines
// end in CR LF, and calls into the C library, an abort and a throw that
// end the program.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <stdexcept>
#include <string>

#include "marks.h"

int* volatile nowhere = nullptr;
const char* volatile no_text = nullptr;

// Tabs and a line too long for the report stay as the file has them.
// clang-format off
int WithTabs(int row) {
	if (row >= 0) {
		return	row + *nowhere;  // [tabs]
	}
	return 0;
}

int LongLine(int a) {
  return a + 1 + a + 2 + a + 3 + a + 4 + a + 5 + a + 6 + a + 7 + a + 8 + a + 9 + a + 10 + a + 11 + a + 12 + a + 13 + a + 14 + a + 15 + a + 16 + a + 17 + a + 18 + a + 19 + a + 20 + a + 21 + a + 22 + a + 23 + a + 24 + *nowhere + a + 25 + a + 26 + a + 27 + a + 28 + a + 29 + a + 30 + a + 31 + a + 32 + a + 33 + a + 34 + a + 35 + a + 36 + a + 37 + a + 38 + a + 39 + a + 40;  // [long]
}
// clang-format on

int FromCrLf(int row);

int Parse(int mark) {
  if (mark < 0) throw std::invalid_argument("negative mark");  // [throw]
  return mark;
}

int main() {
  // Where the program was loaded: a tool finds the same code by the
  // function's link-time address.
  std::printf("WithTabs at %p\n", reinterpret_cast<void*>(&WithTabs));
  std::fflush(stdout);
  const char* setting = std::getenv("SNIPPET");
  std::string mode = setting != nullptr ? setting : "";
  int marks[] = {71, 64, 88};
  if (mode == "tabs") return WithTabs(2);
  if (mode == "long") return LongLine(3);
  if (mode == "header") return BestMark(marks, 3, nowhere);  // [main header]
  if (mode == "crlf") return FromCrLf(1);
  if (mode == "libc") return static_cast<int>(std::strlen(no_text));  // [main libc]
  if (mode == "abort") std::abort();                                  // [abort]
  if (mode == "throw") return Parse(-1);
  return 0;
}
