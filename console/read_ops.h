// Reading lines from text streams. None returns a failure: a failing
// operation leaves a code in InOutRes, and every operation does nothing
// while a code is pending (a line read then still empties its destination).
#pragma once

#include <cstdint>

#include "console/tagged_string.h"
#include "console/text_rec.h"

namespace rt {

// Reads the rest of the current line, without its terminator, into dest.
void ReadLineString(TextRec& t, TaggedString& dest, std::uint16_t code_page);
// Discards the rest of the current line and its terminator.
void ReadLineEnd(TextRec& t);

}  // namespace rt
