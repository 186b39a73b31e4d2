// Variable-length 8-bit strings tagged with the code page of their bytes.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace rt {

// Tag 0 stands for DefaultSystemCodePage, tag 1 for the OEM code page, and
// every other value for that code page itself. The empty string owns no
// storage and answers DefaultSystemCodePage when asked for its tag.
class TaggedString {
 public:
  TaggedString() = default;
  TaggedString(std::string_view bytes, std::uint16_t code_page)
      : bytes_(bytes), code_page_(code_page) {}

  bool empty() const { return bytes_.empty(); }
  std::size_t size() const { return bytes_.size(); }
  std::string_view bytes() const { return bytes_; }
  std::uint16_t CodePage() const;

  // Drops the bytes and their storage.
  void Release();
  // Makes room for n bytes (keeping those already there) for a reader to fill.
  char* GrowTo(std::size_t n);
  // Keeps the first n bytes; 0 releases the storage.
  void CutTo(std::size_t n);
  void SetCodePage(std::uint16_t code_page) { code_page_ = code_page; }

 private:
  std::string bytes_;
  std::uint16_t code_page_ = 0;
};

// Resolves the two substitute tags: 0 to the default, 1 to the OEM code page.
std::uint16_t ResolveCodePage(std::uint16_t tag);

// Re-encodes s into the target code page; the result carries the resolved
// target as its tag.
TaggedString ConvertCodePage(const TaggedString& s, std::uint16_t target);

// 0 when equal; otherwise the sign orders a against b. No folding or trimming.
std::int64_t StringsEqual(const TaggedString& a, const TaggedString& b);

}  // namespace rt
