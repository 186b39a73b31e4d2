// Where in the program's life it ended: which thread, before or after main;
// and what a program without a line table can do to have one.
#include "platform/memory_query.h"
#include "report/cause/cause_parts.h"
#include "report/cause/cause_text.h"
#include "report/frame_lookup.h"
#include "report/line_lookup.h"

namespace rt {

Text ThreadName(const ReportOptions& options) {
  platform::ThreadOrigin origin = platform::CurrentThreadOrigin();
  if (origin.first) return Text("the main thread");
  // The first call out of the program's own code on the way to the start:
  // the calls below it are the C++ library's, inside std::thread, whose
  // header code the program holds too.
  for (int i = 0; i < origin.count; ++i) {
    if (!InProgram(origin.callers[i])) continue;
    SourceFrame source = SourceAt(FrameAt(origin.callers[i], false), options);
    if (!IsOwnSource(source.file.view())) continue;
    Text name("the thread started at ");
    AppendPlace(name, source);
    return name;
  }
  return Text("a thread other than the main one");
}

Text WhereCause(const ReportedError& error, const Text& thread) {
  switch (error.facts.phase) {
    case ProgramPhase::kBeforeMain:
      return Text("  It happened before main, while static objects were constructed.");
    case ProgramPhase::kAfterMain:
      return Text(
          "  It happened after main had returned, while static objects were destroyed or "
          "atexit handlers ran.");
    case ProgramPhase::kInMain:
    case ProgramPhase::kNotTold:
      break;
  }
  if (thread.view() == "the main thread") return Text();
  Text text("  It happened in ");
  text.Append(thread.view());
  text.Append(".");
  return text;
}

Text LinesHint() {
  if (ProgramHasLines()) return Text();
  return Text("  The program has no line table: build it with -g to see the lines of its code.");
}

}  // namespace rt
