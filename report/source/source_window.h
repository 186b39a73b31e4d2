// One line of a source file, read without the heap through a window of
// fixed size that the object holds: the report shows it under the frame
// that stood there. Nothing of the file is trusted: a file too large, newer
// than the program, binary or with another digest gives no line.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "platform/platform.h"

namespace rt {

// Which line of which file, and what tells that it is still the file the
// program was built from.
struct SourceQuery {
  std::string_view path;
  std::int32_t line = 0, column = 0;        // 1-based; column 0: none
  const std::uint8_t* md5 = nullptr;        // the digest the line table holds, or null
  std::int64_t written_before = INT64_MAX;  // the file must not be newer than this write time
};

enum class SourceRead : std::uint8_t {
  kLine,
  kNoFile,  // its path is too long, or it does not open
  kUnreadable,
  kTooLarge,
  kChanged,  // written after the bound
  kBinary,   // a NUL byte among the bytes read
  kDigestDiffers,
  kNoLine,  // the file has fewer lines
};

class SourceWindow {
 public:
  static constexpr std::size_t kWindow = 4096;
  static constexpr std::int64_t kLargestFile = std::int64_t{16} << 20;

  // kLine where the file passed its checks and has the line; the column
  // only chooses what of a long line is kept.
  SourceRead Read(const SourceQuery& query);

  // What is kept of the line, without its line end: all of it, or the stretch
  // around the column of a line longer than the window.
  std::string_view text() const { return std::string_view(line_, kept_); }
  // Where text() begins in the line, and the line's length without its end.
  std::int64_t first() const { return first_; }
  std::int64_t length() const { return length_; }
  bool cut_left() const { return first_ > 0; }
  bool cut_right() const { return first_ + static_cast<std::int64_t>(kept_) < length_; }

 private:
  SourceRead Check(platform::Handle file, std::int64_t written_before);
  SourceRead Scan(platform::Handle file, const std::uint8_t* md5);
  bool Take(const char* bytes, std::size_t n);
  void Keep(const char* bytes, std::size_t n);
  bool Slide();
  void EndLine();

  char path_[4096];
  char chunk_[kWindow];
  char line_[kWindow];
  std::size_t kept_ = 0;
  std::int64_t first_ = 0, length_ = 0;
  std::int64_t column_at_ = -1;  // the column's byte offset in the line, -1 for none
  std::int32_t wanted_ = 0, at_line_ = 1;
  bool ended_ = false;  // the wanted line's end was met
  char last_ = '\0';    // the wanted line's last byte so far
};

}  // namespace rt
