// Reading a file from its start a chunk at a time, counting line ends until
// the wanted line, and keeping what lies around the column.
#include "report/source/source_window.h"

#include <cstring>

#include "report/source/md5.h"

namespace rt {

namespace {

bool CopyPath(std::string_view path, char (&copy)[4096]) {
  if (path.empty() || path.size() >= sizeof copy) return false;
  if (path.find('\0') != std::string_view::npos) return false;
  std::memcpy(copy, path.data(), path.size());
  copy[path.size()] = '\0';
  return true;
}

bool SameDigest(Md5& hash, const std::uint8_t* expected) {
  std::uint8_t digest[Md5::kDigestSize];
  hash.Final(digest);
  return std::memcmp(digest, expected, sizeof digest) == 0;
}

}  // namespace

SourceRead SourceWindow::Read(const SourceQuery& query) {
  kept_ = 0;
  first_ = length_ = 0;
  column_at_ = query.column > 0 ? query.column - 1 : -1;
  wanted_ = query.line;
  at_line_ = 1;
  ended_ = false;
  last_ = '\0';
  if (query.line < 1) return SourceRead::kNoLine;
  platform::Handle file = 0;
  if (!CopyPath(query.path, path_)) return SourceRead::kNoFile;
  if (platform::OpenFileForReading(path_, file) != platform::kNoError) return SourceRead::kNoFile;
  SourceRead result = Check(file, query.written_before);
  if (result == SourceRead::kLine) result = Scan(file, query.md5);
  // Nothing was written, so a failed close loses nothing.
  (void)platform::CloseHandle(file);
  return result;
}

SourceRead SourceWindow::Check(platform::Handle file, std::int64_t written_before) {
  std::int64_t size = 0;
  if (platform::GetFileSize(file, size) != platform::kNoError) return SourceRead::kUnreadable;
  if (size > kLargestFile) return SourceRead::kTooLarge;
  if (written_before == INT64_MAX) return SourceRead::kLine;
  std::int64_t written = 0;
  if (platform::GetFileWriteTime(file, written) != platform::kNoError) {
    return SourceRead::kUnreadable;
  }
  return written > written_before ? SourceRead::kChanged : SourceRead::kLine;
}

// The file is read to its end only where its digest is checked; the bound
// on its size holds even where it grows while it is read.
SourceRead SourceWindow::Scan(platform::Handle file, const std::uint8_t* md5) {
  Md5 hash;
  for (std::int64_t at = 0; !ended_ || md5 != nullptr;) {
    std::size_t count = 0;
    if (platform::ReadFileAt(file, at, chunk_, kWindow, count) != platform::kNoError ||
        count > kWindow) {
      return SourceRead::kUnreadable;
    }
    if (count == 0) break;
    at += static_cast<std::int64_t>(count);
    if (at > kLargestFile) return SourceRead::kTooLarge;
    if (std::memchr(chunk_, '\0', count) != nullptr) return SourceRead::kBinary;
    if (md5 != nullptr) hash.Update(chunk_, count);
    if (!ended_) ended_ = Take(chunk_, count);
  }
  // A last line without its end is a line where it has a byte.
  bool found = ended_ || (at_line_ == wanted_ && length_ > 0);
  if (!found) return SourceRead::kNoLine;
  if (md5 != nullptr && !SameDigest(hash, md5)) return SourceRead::kDigestDiffers;
  return SourceRead::kLine;
}

// Counts the line ends of a chunk and keeps the wanted line's bytes; true
// once its end is met.
bool SourceWindow::Take(const char* bytes, std::size_t n) {
  while (n > 0) {
    const char* end = static_cast<const char*>(std::memchr(bytes, '\n', n));
    std::size_t piece = end != nullptr ? static_cast<std::size_t>(end - bytes) : n;
    if (at_line_ == wanted_) Keep(bytes, piece);
    if (end == nullptr) return false;
    if (at_line_ == wanted_) {
      EndLine();
      return true;
    }
    ++at_line_;
    bytes += piece + 1;
    n -= piece + 1;
  }
  return false;
}

void SourceWindow::Keep(const char* bytes, std::size_t n) {
  length_ += static_cast<std::int64_t>(n);
  if (n > 0) last_ = bytes[n - 1];
  while (n > 0) {
    if (kept_ == kWindow && !Slide()) return;
    std::size_t take = n < kWindow - kept_ ? n : kWindow - kept_;
    std::memcpy(line_ + kept_, bytes, take);
    kept_ += take;
    bytes += take;
    n -= take;
  }
}

// A full window drops its first half while the column lies in its last
// quarter, so that at least a quarter of the window stays on either side of
// the column once the line goes on past it.
bool SourceWindow::Slide() {
  if (column_at_ < first_ + static_cast<std::int64_t>(kWindow * 3 / 4)) return false;
  std::memmove(line_, line_ + kWindow / 2, kWindow / 2);
  kept_ = kWindow / 2;
  first_ += static_cast<std::int64_t>(kWindow / 2);
  return true;
}

// A line ending in CR LF loses its CR, from the window too where the
// window reaches the line's end.
void SourceWindow::EndLine() {
  if (last_ != '\r') return;
  --length_;
  if (first_ + static_cast<std::int64_t>(kept_) > length_) --kept_;
}

}  // namespace rt
