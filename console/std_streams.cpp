// The standard streams: their records, opening at start-up, flushing at exit.
#include "console/std_streams.h"

#include <cstring>

#include "base/every_run.h"
#include "console/file_funcs.h"
#include "console/io_result.h"
#include "console/write_ops.h"

namespace rt {

thread_local TextRec Input;
thread_local TextRec Output;
thread_local TextRec ErrOutput;
thread_local TextRec StdOut;
thread_local TextRec StdErr;

platform::Handle StdInputHandle = 0;
platform::Handle StdOutputHandle = 0;
platform::Handle StdErrorHandle = 0;

bool CtrlZMarksEOF = true;
int DefaultTextLineBreakStyle = 1;
std::uint16_t DefaultSystemCodePage = 0;

TextRec& CurrentInput() {
  return Input;
}
TextRec& CurrentOutput() {
  return Output;
}

// Each style's line break: its length, then its bytes.
constexpr std::uint8_t kLineFeed[4] = {1, '\n'};
constexpr std::uint8_t kCarriageReturn[4] = {1, '\r'};
constexpr std::uint8_t kCrLf[4] = {2, '\r', '\n'};

QUIZ_EVERY_RUN void InitText(TextRec& t) {
  t = TextRec{};
  t.Handle = UnusedHandle;
  t.Mode = ModeClosed;
  t.BufferSize = TextRecBufferSize;
  t.BufferPtr = t.Buffer;
  t.OpenOp = FileOpenFunc;
  const std::uint8_t* line_break = DefaultTextLineBreakStyle == 0   ? kLineFeed
                                   : DefaultTextLineBreakStyle == 2 ? kCarriageReturn
                                                                    : kCrLf;
  // All four bytes in one copy, which compiles to one store of an
  // immediate; a store of two would load a constant from read-only data, on
  // a page that nothing else a run takes reads.
  std::memcpy(t.LineBreak, line_break, sizeof t.LineBreak);
}

// Asks the platform nothing: every stream on a standard handle is a device,
// whether that handle is a console, a file or a pipe.
bool Do_IsDevice(platform::Handle handle) {
  return handle == StdInputHandle || handle == StdOutputHandle || handle == StdErrorHandle;
}

QUIZ_EVERY_RUN void OpenStdIO(TextRec& t, std::int32_t mode, platform::Handle handle) {
  InitText(t);
  t.Handle = handle;
  t.Mode = mode;
  t.CloseOp = FileCloseFunc;
  if (mode == ModeInput) {
    t.TransferOp = FileReadFunc;
    t.CodePage = platform::GetConsoleCP();
  } else {
    t.TransferOp = FileWriteFunc;
    t.CodePage = platform::GetConsoleOutputCP();
    if (Do_IsDevice(handle)) t.FlushOp = FileWriteFunc;
  }
  t.BufferPos = 0;
  t.BufferEnd = 0;
}

QUIZ_EVERY_RUN void SysInitStdIO() {
  if (StdInputHandle == 0) StdInputHandle = platform::GetStdHandle(platform::StdHandleKind::kInput);
  if (StdOutputHandle == 0) {
    StdOutputHandle = platform::GetStdHandle(platform::StdHandleKind::kOutput);
  }
  if (StdErrorHandle == 0) StdErrorHandle = platform::GetStdHandle(platform::StdHandleKind::kError);
  OpenStdIO(Input, ModeInput, StdInputHandle);
  OpenStdIO(Output, ModeOutput, StdOutputHandle);
  OpenStdIO(ErrOutput, ModeOutput, StdErrorHandle);
  OpenStdIO(StdOut, ModeOutput, StdOutputHandle);
  OpenStdIO(StdErr, ModeOutput, StdErrorHandle);
}

QUIZ_EVERY_RUN void SysFlushStdIO() {
  for (TextRec* t : {&Output, &ErrOutput, &StdOut, &StdErr}) {
    if (t->Mode == ModeOutput) Flush(*t);
  }
}

}  // namespace rt
