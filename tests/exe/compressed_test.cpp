// Compressed debug sections in hand-built ELF files, read through
// SectionReader: sound streams give back their bytes at any offset in any
// order, damaged headers are not found, and damaged streams read as empty,
// quickly and without a failed read of the file.
#include <gtest/gtest.h>

// The streams are made with the methods' own libraries; a build without
// them has no decoders either.
#if defined(QUIZ_HAVE_ZLIB) && defined(QUIZ_HAVE_ZSTD)
#include <zlib.h>
#include <zstd.h>

#include <algorithm>
#include <chrono>
#include <random>
#include <stdexcept>
#include <vector>

#include "exe/section_reader.h"
#include "tests/exe/exe_test.h"

namespace {

using exe_test::Bytes;
using testing_support::kProgBits;
using testing_support::kShfCompressed;
using U64 = std::uint64_t;

// A zlib or zstd stream under the ELF compression header, or a zlib stream
// in a ".zdebug" section.
enum class Framing { kZlib, kZstd, kZdebug };
const Framing kFramings[] = {Framing::kZlib, Framing::kZstd, Framing::kZdebug};
const char* const kFramingNames[] = {"Zlib", "Zstd", "Zdebug"};

// Lines of a made-up listing: compressible, but never the same for long.
Bytes Payload(std::size_t size) {
  std::mt19937 random(7);
  Bytes b;
  while (b.size() < size) {
    b += "line " + std::to_string(random() % 5000) + " of src/unit" +
         std::to_string(random() % 40) + ".cpp\n";
  }
  return b.substr(0, size);
}

// Zstandard frames carry their checksum, so that any damage shows.
Bytes Compress(Framing framing, const Bytes& data) {
  Bytes out(ZSTD_compressBound(data.size()) + compressBound(data.size()), '\0');
  uLongf n = out.size();
  if (framing == Framing::kZstd) {
    ZSTD_CCtx* context = ZSTD_createCCtx();
    ZSTD_CCtx_setParameter(context, ZSTD_c_checksumFlag, 1);
    n = ZSTD_compress2(context, out.data(), n, data.data(), data.size());
    ZSTD_freeCCtx(context);
  } else {
    compress2(reinterpret_cast<Bytef*>(out.data()), &n, reinterpret_cast<const Bytef*>(data.data()),
              data.size(), 6);
  }
  return out.substr(0, n);
}

// The ELF compression header: type, reserved, size, alignment.
Bytes ElfHeader(std::uint32_t type, U64 size) {
  Bytes h(24, '\0');
  testing_support::Put32(h, 0, type);
  testing_support::Put64(h, 8, size);
  testing_support::Put64(h, 16, 1);
  return h;
}

// "ZLIB" and the size, most significant byte first.
Bytes ZdebugHeader(U64 size) {
  Bytes h = "ZLIB";
  for (int i = 7; i >= 0; --i) h += static_cast<char>(size >> (8 * i));
  return h;
}

Bytes Image(const char* name, U64 flags, const Bytes& contents) {
  testing_support::ElfImage elf;
  elf.sections = {{".text", kProgBits, 6, Bytes(16, '\x90')}, {name, kProgBits, flags, contents}};
  return elf.Build();
}

Bytes Image(Framing framing, const Bytes& stream, U64 size) {
  if (framing == Framing::kZdebug) return Image(".zdebug_line", 0, ZdebugHeader(size) + stream);
  return Image(".debug_line", kShfCompressed,
               ElfHeader(framing == Framing::kZlib ? 1 : 2, size) + stream);
}

// A file open with its .debug_line found and bound to the reader.
struct Opened {
  std::string path;
  rt::TExeFile exe;
  rt::ExeSection section;
  rt::SectionReader reader;
  bool found = false;

  explicit Opened(const Bytes& image) : path(testing_support::WriteScratchFile("z", image)) {
    if (!rt::OpenExeFile(exe, path)) throw std::runtime_error("not an image");
    found = rt::FindExeSection(exe, ".debug_line", section).ok;
    if (found) reader.Bind(exe, section);
  }
  ~Opened() { rt::CloseExeFile(exe); }
  Bytes Read(std::int64_t offset, std::int64_t n) {
    Bytes b(n, '\0');
    b.resize(reader.ReadAt(offset, b.data(), n).count);
    return b;
  }
};

class CompressedTest : public testing::TestWithParam<Framing> {};

// Reads cross the 16 KiB chunks and the restart points laid over 3 MiB:
// in order, then shuffled, then again after the file is opened again.
TEST_P(CompressedTest, ReadsBackAnywhereInAnyOrder) {
  static const Bytes data = Payload(3 << 20);
  Opened o(Image(GetParam(), Compress(GetParam(), data), data.size()));
  ASSERT_TRUE(o.found);
  std::int64_t size = static_cast<std::int64_t>(data.size());
  std::mt19937 random(1);
  std::vector<std::pair<std::int64_t, std::int64_t>> reads = {
      {0, 1}, {size - 1, 1}, {size - 9, 50}};
  for (int i = 0; i < 40; ++i) reads.push_back({random() % size, 1 + random() % 70000});
  std::sort(reads.begin(), reads.end());
  auto check = [&] {
    for (auto [offset, n] : reads) {
      ASSERT_TRUE(o.Read(offset, n) == data.substr(offset, n)) << offset << " " << n;
    }
    EXPECT_EQ(o.Read(size, 10), "");
    EXPECT_EQ(o.Read(-1, 10), "");
    EXPECT_EQ(o.reader.Size(), size);
    EXPECT_EQ(o.exe.f.error, 0);
  };
  check();
  std::shuffle(reads.begin(), reads.end(), random);
  check();
  ASSERT_TRUE(rt::CloseExeFile(o.exe) && rt::OpenExeFile(o.exe, o.path));
  o.reader.Bind(o.exe, o.section);
  std::shuffle(reads.begin(), reads.end(), random);
  check();
}

INSTANTIATE_TEST_SUITE_P(Methods, CompressedTest, testing::ValuesIn(kFramings),
                         [](const auto& info) { return kFramingNames[int(info.param)]; });

// Zstandard blocks of one repeated byte, each 4 stored bytes that make
// 128 KiB: 4 MiB of them hold 128 GiB.
Bytes ZstdBomb() {
  Bytes s("\x28\xB5\x2F\xFD\x00\x38", 6);  // magic; no content size; a 128 KiB window
  for (int i = 0; i < (1 << 20); ++i) s.append("\x02\x00\x10\x00", 4);
  s[s.size() - 4] = '\x03';  // the last block
  return s;
}

// What becomes of a stream of 200 KiB, or of its stated size; sound: it
// reads back, otherwise every read is empty.
struct StreamCase {
  const char* label;
  void (*change)(Bytes& stream, U64& size);
  bool sound = false, zstd_only = false;
};

const StreamCase kStreamCases[] = {
    {"Sound", [](Bytes&, U64&) {}, true},
    {"ZeroPadding", [](Bytes& s, U64&) { s += Bytes(8, '\0'); }, true},
    {"EmptyFrameAfter", [](Bytes& s, U64&) { s += Compress(Framing::kZstd, ""); }, true, true},
    {"FrameAfter", [](Bytes& s, U64&) { s += Compress(Framing::kZstd, "x"); }, false, true},
    {"CutShort", [](Bytes& s, U64&) { s.resize(s.size() - 8); }},
    {"CutInHalf", [](Bytes& s, U64&) { s.resize(s.size() / 2); }},
    {"NoStream", [](Bytes& s, U64&) { s.clear(); }},
    {"DamagedMiddle", [](Bytes& s, U64&) { s.replace(s.size() / 2, 8, "damaged!"); }},
    {"SizeOneShort", [](Bytes&, U64& n) { --n; }},
    {"SizeOneOver", [](Bytes&, U64& n) { ++n; }},
    {"SizeTwice", [](Bytes&, U64& n) { n *= 2; }},
    {"SizeZero", [](Bytes&, U64& n) { n = 0; }},
    {"SizeHuge", [](Bytes&, U64& n) { n = U64{1} << 60; }},
    {"HugeStreamSizeHuge", [](Bytes& s, U64& n) { s = ZstdBomb(), n = U64{1} << 60; }, false, true},
};

TEST(CompressedStreamTest, SoundReadsBackDamagedReadsEmpty) {
  const Bytes data = Payload(200 << 10);
  for (Framing framing : kFramings) {
    for (const StreamCase& c : kStreamCases) {
      if (c.zstd_only && framing != Framing::kZstd) continue;
      SCOPED_TRACE(kFramingNames[int(framing)] + std::string(c.label));
      Bytes stream = Compress(framing, data);
      U64 stated = data.size();
      c.change(stream, stated);
      auto start = std::chrono::steady_clock::now();
      Opened o(Image(framing, stream, stated));
      ASSERT_TRUE(o.found);
      EXPECT_EQ(o.reader.Size(), static_cast<std::int64_t>(stated));  // believed until read
      for (std::int64_t offset : {0, 1, 70000, 150000, 1000, 204799}) {
        Bytes got = o.Read(offset, 4096);
        EXPECT_TRUE(got == (c.sound ? data.substr(offset, 4096) : ""))
            << offset << ": " << got.size();
      }
      EXPECT_EQ(o.reader.Size(), c.sound ? static_cast<std::int64_t>(stated) : 0);
      EXPECT_EQ(o.exe.f.error, 0);
      EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(2));
    }
  }
}

TEST(CompressedHeaderTest, DamagedHeaderIsNotFound) {
  const char *d = ".debug_line", *z = ".zdebug_line";
  const U64 c = kShfCompressed;
  const struct {
    const char *label, *name;
    U64 flags;
    Bytes contents;
    rt::Compression found = rt::Compression::kNone;
  } cases[] = {
      {"ElfZlib", d, c, ElfHeader(1, 10) + "stream", rt::Compression::kZlib},
      {"ElfZstd", d, c, ElfHeader(2, 10) + "stream", rt::Compression::kZstd},
      {"Zdebug", z, 0, ZdebugHeader(10) + "stream", rt::Compression::kZlib},
      {"ElfTypeUnknown", d, c, ElfHeader(3, 10) + "stream"},
      {"ElfTypeZero", d, c, ElfHeader(0, 10) + "stream"},
      {"ElfCutShort", d, c, ElfHeader(1, 10).substr(0, 23)},
      {"ElfSizeTopBit", d, c, ElfHeader(1, U64{1} << 63) + "stream"},
      {"ZdebugMagic", z, 0, "ZLIX" + ZdebugHeader(10).substr(4) + "stream"},
      {"ZdebugCutShort", z, 0, ZdebugHeader(10).substr(0, 11)},
      {"ZdebugSizeTopBit", z, 0, ZdebugHeader(U64{1} << 63) + "stream"},
      {"ZdebugMarkedCompressed", z, c, ZdebugHeader(10) + "stream"},
  };
  for (const auto& row : cases) {
    SCOPED_TRACE(row.label);
    Bytes image = Image(row.name, row.flags, row.contents);
    Opened o(image);
    ASSERT_EQ(o.found, row.found != rt::Compression::kNone);
    if (o.found) {
      EXPECT_EQ(o.section.compression, row.found);
      EXPECT_EQ(o.section.size, 10);
      EXPECT_EQ(image.substr(o.section.offset, o.section.length), "stream");
    }
    EXPECT_EQ(o.exe.f.error, 0);
  }
}

}  // namespace

#endif
