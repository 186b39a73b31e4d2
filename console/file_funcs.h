// The transfer operations of the standard streams, between a stream's buffer
// and its platform handle.
#pragma once

#include <cstdint>

#include "console/text_rec.h"
#include "platform/platform.h"

namespace rt {

void FileOpenFunc(TextRec& t);
void FileReadFunc(TextRec& t);
void FileWriteFunc(TextRec& t);
void FileCloseFunc(TextRec& t);

std::int64_t Do_Write(platform::Handle handle, const std::uint8_t* bytes, std::int64_t n);
std::int64_t Do_Read(platform::Handle handle, std::uint8_t* bytes, std::int64_t n);

}  // namespace rt
