// Line output and line input through the console streams, each next to the
// same work done through C stdio set up to make the same system calls.
//
// Both sides of every pair cost the same number of system calls, checked
// with strace -e trace=read,write:
// - writing: a stream on a standard handle hands each line to the platform
//   at its line end, and a line-buffered FILE flushes at each '\n'; both
//   make one write(2) per line, of the line and its CR LF (26 or 202 bytes).
// - reading: the stream refills its 256-byte buffer and the FILE is given a
//   256-byte buffer of its own; both read(2) 256 bytes at a time, plus one
//   empty read at end of input, after one lseek(2) per pass.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "console/io_result.h"
#include "console/read_ops.h"
#include "console/std_streams.h"
#include "console/tagged_string.h"
#include "console/write_ops.h"

namespace {

constexpr int kShortLine = 24;  // about one option line of the quiz
constexpr int kLongLine = 200;
constexpr int kLinesPerFile = 1000;

// A line of n printable bytes with no terminator among them.
std::string MakeLine(std::int64_t n) {
  std::string line;
  for (std::int64_t i = 0; i < n; ++i) line += static_cast<char>('a' + i % 26);
  return line;
}

void Report(benchmark::State& state, std::int64_t lines, std::int64_t bytes) {
  state.SetItemsProcessed(lines);
  state.SetBytesProcessed(bytes);
}

// A temporary file of kLinesPerFile lines of n bytes, LF ends, positioned at
// its start; it is gone from the file system once the descriptor is closed.
int MakeInputFile(std::int64_t n) {
  char path[] = "/tmp/stream_bench_XXXXXX";
  int fd = mkstemp(path);
  if (fd < 0) return -1;
  unlink(path);
  std::string text;
  const std::string line = MakeLine(n) + '\n';
  for (int i = 0; i < kLinesPerFile; ++i) text += line;
  if (write(fd, text.data(), text.size()) != static_cast<ssize_t>(text.size()) ||
      lseek(fd, 0, SEEK_SET) != 0) {
    close(fd);
    return -1;
  }
  return fd;
}

void BM_WriteLine_Stream(benchmark::State& state) {
  const std::string line = MakeLine(state.range(0));
  const int fd = open("/dev/null", O_WRONLY);
  if (fd < 0) return state.SkipWithError("cannot open /dev/null");
  // Recorded as standard output, so the stream hands over each line.
  rt::StdOutputHandle = fd;
  rt::TextRec& out = rt::Output;
  rt::OpenStdIO(out, rt::ModeOutput, fd);
  rt::InOutRes = 0;
  if (out.FlushOp == nullptr) {
    close(fd);
    return state.SkipWithError("stream does not hand over lines at line ends");
  }
  for (auto _ : state) {
    rt::WriteText(0, out, line);
    rt::WriteLineEnd(out);
  }
  if (rt::InOutRes != 0) state.SkipWithError("InOutRes set while writing");
  Report(state, state.iterations(), state.iterations() * (line.size() + 2));
  close(fd);
}

void BM_WriteLine_Stdio(benchmark::State& state) {
  const std::string line = MakeLine(state.range(0));
  const int fd = open("/dev/null", O_WRONLY);
  if (fd < 0) return state.SkipWithError("cannot open /dev/null");
  FILE* f = fdopen(fd, "w");
  if (f == nullptr) {
    close(fd);
    return state.SkipWithError("fdopen failed");
  }
  // glibc ignores the size when it is to allocate the buffer itself.
  static char stdio_buffer[256];
  setvbuf(f, stdio_buffer, _IOLBF, sizeof stdio_buffer);
  for (auto _ : state) {
    std::fputs(line.c_str(), f);
    std::fputs("\r\n", f);
  }
  if (std::ferror(f)) state.SkipWithError("stdio write failed");
  Report(state, state.iterations(), state.iterations() * (line.size() + 2));
  std::fclose(f);
}

void BM_ReadLine_Stream(benchmark::State& state) {
  const std::int64_t n = state.range(0);
  const int fd = MakeInputFile(n);
  if (fd < 0) return state.SkipWithError("cannot make the input file");
  rt::StdInputHandle = fd;
  rt::TextRec& in = rt::Input;
  rt::TaggedString line;
  std::int64_t lines = 0;
  for (auto _ : state) {
    lseek(fd, 0, SEEK_SET);
    rt::OpenStdIO(in, rt::ModeInput, fd);
    std::int64_t got = 0;
    for (;;) {
      rt::ReadLineString(in, line, 0);
      // The file holds no empty lines: an empty one is end of input.
      if (line.empty()) break;
      benchmark::DoNotOptimize(line.bytes().data());
      rt::ReadLineEnd(in);
      ++got;
    }
    if (rt::InOutRes != 0 || got != kLinesPerFile) {
      state.SkipWithError("stream read failed or came up short");
      break;
    }
    lines += got;
  }
  Report(state, lines, lines * (n + 1));
  close(fd);
}

void BM_ReadLine_Stdio(benchmark::State& state) {
  const std::int64_t n = state.range(0);
  const int fd = MakeInputFile(n);
  if (fd < 0) return state.SkipWithError("cannot make the input file");
  FILE* f = fdopen(fd, "r");
  if (f == nullptr) {
    close(fd);
    return state.SkipWithError("fdopen failed");
  }
  static char stdio_buffer[256];
  setvbuf(f, stdio_buffer, _IOFBF, sizeof stdio_buffer);
  char buffer[512];
  std::int64_t lines = 0;
  for (auto _ : state) {
    std::rewind(f);  // seeks to 0 and drops what the buffer held
    std::int64_t got = 0;
    while (std::fgets(buffer, sizeof buffer, f) != nullptr) {
      benchmark::DoNotOptimize(buffer);
      ++got;
    }
    if (std::ferror(f) || got != kLinesPerFile) {
      state.SkipWithError("stdio read failed or came up short");
      break;
    }
    lines += got;
  }
  Report(state, lines, lines * (n + 1));
  std::fclose(f);
}

BENCHMARK(BM_WriteLine_Stream)->Arg(kShortLine)->Arg(kLongLine);
BENCHMARK(BM_WriteLine_Stdio)->Arg(kShortLine)->Arg(kLongLine);
BENCHMARK(BM_ReadLine_Stream)->Arg(kShortLine)->Arg(kLongLine);
BENCHMARK(BM_ReadLine_Stdio)->Arg(kShortLine)->Arg(kLongLine);

}  // namespace

BENCHMARK_MAIN();
