// The source line under a frame line of the report, with a caret under the
// column:
//
//       --> /home/ann/marks/marks.cpp:27:21
//       27 |   std::cout << best->name << ": " << best->mark << "\n";
//          |                     ^
//
// Tabs expand to the next multiple of 8 columns; control bytes other than a
// tab show as '?', so that the file cannot move the terminal's cursor; a
// UTF-8 continuation byte takes no column. A line too wide is cut around the
// column, "..." standing where text was left out.
#pragma once

#include "base/text.h"
#include "report/source/source_window.h"

namespace rt {

struct SnippetRequest : SourceQuery {
  bool colour = false;  // the location in bold, the caret in bold red
};

// The location, the numbered line and, where the column lies on the line or
// just past its end, the caret line. None begins with '$'.
struct Snippet {
  Text lines[3];
  int count = 0;
};

// False where no snippet can be shown: the snippet is then empty.
bool FormSnippet(const SnippetRequest& request, Snippet& snippet);

}  // namespace rt
