// Choosing the frame line that shows its source, and finding the file.
#include "report/source/frame_snippet.h"

#include "console/write_ops.h"
#include "report/frame_lookup.h"
#include "report/line_lookup.h"
#include "report/source/source_snippet.h"

namespace rt {

void FrameSnippet::AfterLine(TextRec& t, const ReportFrame& frame, std::size_t source) {
  // The file is found through the line program that named it.
  if (tried_ || !IsOwnLine(frame, source) || frame.sources[source].program < 0) return;
  // A file that cannot be shown costs its snippet: a later frame's would
  // stand under the wrong line.
  tried_ = true;
  const SourceFrame& line = frame.sources[source];
  SourceFile file;
  SnippetRequest request;
  if (!LookUpSourceFile(frame.code(), line, file, request.written_before)) return;
  request.path = file.path.view();
  request.line = line.line;
  request.column = line.column;
  request.md5 = file.has_md5 ? file.md5 : nullptr;
  request.colour = colour_;
  Snippet snippet;
  if (!FormSnippet(request, snippet)) return;
  for (int i = 0; i < snippet.count; ++i) {
    WriteText(0, t, snippet.lines[i].view());
    WriteLineEnd(t);
  }
}

bool MayColour(const TextRec& t) {
  return platform::IsTerminal(t.Handle) && !platform::IsEnvironmentSet("NO_COLOR");
}

}  // namespace rt
