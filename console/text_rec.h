// The buffered text stream record.
#pragma once

#include <cstdint>

#include "base/file_modes.h"
#include "platform/platform.h"

namespace rt {

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
  TextOp OpenOp;      // for named files; never called on a standard stream
  TextOp TransferOp;  // refill on input, drain on output
  TextOp FlushOp;     // set on output streams on a standard handle
  TextOp CloseOp;     // a console program never closes its standard streams
  std::uint8_t UserData[32];
  char16_t Name[256];
  std::uint8_t LineBreak[4];  // length byte, then up to 3 bytes
  std::uint8_t Buffer[TextRecBufferSize];
  std::uint16_t CodePage;
};

}  // namespace rt
