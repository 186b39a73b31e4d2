// The five standard streams of a thread, the settings they are opened
// with, and their opening at start-up and flushing at exit.
#pragma once

#include <cstdint>

#include "console/text_rec.h"
#include "platform/platform.h"

namespace rt {

// Per thread: each thread that uses the console opens a set of its own.
extern thread_local TextRec Input;
extern thread_local TextRec Output;
extern thread_local TextRec ErrOutput;
extern thread_local TextRec StdOut;
extern thread_local TextRec StdErr;

// Recorded once, process-wide, by the first SysInitStdIO.
extern platform::Handle StdInputHandle;
extern platform::Handle StdOutputHandle;
extern platform::Handle StdErrorHandle;

// Settings: a Ctrl-Z byte ends input for good; 0 = LF, 1 = CR LF, 2 = CR.
extern bool CtrlZMarksEOF;
extern int DefaultTextLineBreakStyle;
// The process default code page, set at start-up before the streams open.
extern std::uint16_t DefaultSystemCodePage;

TextRec& CurrentInput();
TextRec& CurrentOutput();

// Resets a record to a closed stream with an empty buffer.
void InitText(TextRec& t);
void OpenStdIO(TextRec& t, std::int32_t mode, platform::Handle handle);
bool Do_IsDevice(platform::Handle handle);

// Records the standard handles (once) and opens the calling thread's five
// streams. The caller clears InOutRes afterwards.
void SysInitStdIO();
// Flushes the four output streams; failures are not reported.
void SysFlushStdIO();

}  // namespace rt
