// The buffered text stream record and the five standard streams of a thread.
#pragma once

#include <cstdint>

#include "platform/platform.h"

namespace rt {

constexpr std::int32_t ModeClosed = 0xD7B0;
constexpr std::int32_t ModeInput = 0xD7B1;
constexpr std::int32_t ModeOutput = 0xD7B2;
constexpr std::int32_t ModeInOut = 0xD7B3;
constexpr std::int32_t ModeAppend = 0xD7B4;

constexpr platform::Handle UnusedHandle = -1;
constexpr std::int64_t TextRecBufferSize = 256;

struct TextRec;
using TextOp = void (*)(TextRec&);

struct TextRec {
  platform::Handle Handle;
  std::int32_t Mode;
  std::int64_t BufferSize;
  std::int64_t PrivateData;  // not used by the console streams
  std::int64_t BufferPos;    // input: next byte to consume; output: bytes waiting
  std::int64_t BufferEnd;    // input: valid bytes from the last refill
  std::uint8_t* BufferPtr;
  TextOp OpenOp;
  TextOp TransferOp;  // refill on input, drain on output
  TextOp FlushOp;     // set on output streams on a standard handle
  TextOp CloseOp;
  std::uint8_t UserData[32];
  char16_t Name[256];
  std::uint8_t LineBreak[4];  // length byte, then up to 3 bytes
  std::uint8_t Buffer[TextRecBufferSize];
  std::uint16_t CodePage;
};

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

// The transfer operations of the standard streams.
void FileOpenFunc(TextRec& t);
void FileReadFunc(TextRec& t);
void FileWriteFunc(TextRec& t);
void FileCloseFunc(TextRec& t);

std::int64_t Do_Write(platform::Handle handle, const std::uint8_t* bytes, std::int64_t n);
std::int64_t Do_Read(platform::Handle handle, std::uint8_t* bytes, std::int64_t n);

}  // namespace rt
