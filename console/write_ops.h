// Writing texts, integers and line ends to text streams. None returns a
// failure: a failing operation leaves a code in InOutRes, and every
// operation does nothing while a code is pending.
#pragma once

#include <cstdint>
#include <string_view>

#include "console/text_rec.h"

namespace rt {

// Longest text a write takes; longer ones are cut.
constexpr std::size_t MaxTextLength = 255;

// Writes text right-aligned in a field of width bytes (blanks before it);
// a text is never cut to fit.
void WriteText(std::int32_t width, TextRec& t, std::string_view text);
void WriteSigned(std::int32_t width, TextRec& t, std::int64_t value);
void WriteUnsigned(std::int32_t width, TextRec& t, std::uint64_t value);
// Appends the line break and, on a standard stream, hands the line over.
void WriteLineEnd(TextRec& t);
void Flush(TextRec& t);

// The steps the operations above are made of, open to the tests.
void BufferBytes(TextRec& t, const std::uint8_t* bytes, std::int64_t n);
void BufferBlanks(TextRec& t, std::int64_t n);

}  // namespace rt
