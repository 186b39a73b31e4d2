// Tagged strings: storage, code-page tags, conversion and equality.
#include "console/tagged_string.h"

#include <cstring>

#include "base/code_pages.h"
#include "console/std_streams.h"
#include "platform/platform.h"

namespace rt {

namespace {

// The length difference when the lengths differ, else the difference of the
// first differing bytes.
std::int64_t CompareBytes(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) {
    return static_cast<std::int64_t>(a.size()) - static_cast<std::int64_t>(b.size());
  }
  for (std::size_t i = 0; i < a.size(); ++i) {
    int d = static_cast<unsigned char>(a[i]) - static_cast<unsigned char>(b[i]);
    if (d != 0) return d;
  }
  return 0;
}

}  // namespace

std::uint16_t TaggedString::CodePage() const {
  return empty() ? DefaultSystemCodePage : code_page_;
}

void TaggedString::Release() {
  std::string().swap(bytes_);
}

char* TaggedString::GrowTo(std::size_t n) {
  if (bytes_.size() < n) bytes_.resize(n);
  return bytes_.data();
}

void TaggedString::CutTo(std::size_t n) {
  if (n == 0) {
    Release();
  } else if (n < bytes_.size()) {
    bytes_.resize(n);
  }
}

std::uint16_t ResolveCodePage(std::uint16_t tag) {
  if (tag == 0) return DefaultSystemCodePage;
  if (tag == 1) return platform::GetOEMCP();
  return tag;
}

TaggedString ConvertCodePage(const TaggedString& s, std::uint16_t target) {
  if (s.empty()) return TaggedString();
  std::uint16_t to = ResolveCodePage(target);
  std::uint16_t from = ResolveCodePage(s.CodePage());
  if (from == to || s.CodePage() == kCodePageRawBytes) return TaggedString(s.bytes(), to);
  std::u16string wide;
  std::string bytes;
  // A code page the platform does not know converts to the empty string.
  if (!platform::MultiByteToWideChar(from, s.bytes(), wide) ||
      !platform::WideCharToMultiByte(to, wide, bytes)) {
    bytes.clear();
  }
  return TaggedString(bytes, to);
}

std::int64_t StringsEqual(const TaggedString& a, const TaggedString& b) {
  if (&a == &b || (a.empty() && b.empty())) return 0;
  if (a.empty()) return -1;
  if (b.empty()) return 1;
  if (ResolveCodePage(a.CodePage()) == ResolveCodePage(b.CodePage())) {
    return CompareBytes(a.bytes(), b.bytes());
  }
  return CompareBytes(ConvertCodePage(a, kCodePageUtf8).bytes(),
                      ConvertCodePage(b, kCodePageUtf8).bytes());
}

}  // namespace rt
