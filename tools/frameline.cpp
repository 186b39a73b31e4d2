// frameline [-f] [-i] [-s] [--debug-root DIR] [--full-scan] FILE [ADDRESS...]
// (and --help, --version):
// prints, for each hexadecimal address, the frame line that an error report
// would show for it, with FILE read at its own image base; its debug file is
// searched for as the report searches, with DIR as the debug root (by
// default the build's). Without addresses, reads them from standard input,
// answering each line as it comes. -f (--functions) puts the name of the
// frame's function ("??" where none is known) on a line before each frame
// line; -i (--inlines) adds a frame line for each inlined call that led to
// the address, innermost first; -s (--source) shows under each frame line
// the source line it names, with a caret under its column, where the file
// is found and is not newer than FILE. --full-scan searches every unit of the line
// table rather than those the file says hold the address, to compare the
// two ways. Exit status 0 when FILE could be read, 2 otherwise.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "base/error_numbers.h"
#include "base/frame_line.h"
#include "dwarf/debug_sections.h"
#include "dwarf/source_file.h"
#include "dwarf/source_lookup.h"
#include "exe/exe_file.h"
#include "exe/file_io.h"
#include "exe/symbol_name.h"
#include "platform/platform.h"
#include "report/source/source_snippet.h"
#include "tools/frameline_options.h"

namespace {

using namespace frameline;

// The file's sections, open for the lookups of one batch of addresses.
struct Lookups {
  rt::TExeFile exe, program;
  std::string file;  // FILE, whose symbol table names what no entry does
  rt::SourceLookup lookup;
  rt::LineFileReaders readers;
  rt::LineFile line_file;
  bool has_lines = false;
  unsigned detail = rt::kLinesOnly;
  bool source = false;
  std::int64_t file_written = INT64_MAX;  // FILE's write time: a newer source is not shown
};

// The source files of the frames shown, found while the line file is open.
void FindSourceFiles(Lookups& lookups, const std::vector<rt::SourceFrames>& frames,
                     std::vector<std::vector<rt::SourceFile>>& files) {
  files.assign(frames.size(), {});
  for (std::size_t i = 0; i < frames.size(); ++i) {
    for (const rt::SourceFrame& frame : frames[i]) {
      rt::SourceFile& file = files[i].emplace_back();
      if (!rt::FindSourceFile(lookups.readers.sources(), frame, file)) file = rt::SourceFile();
    }
  }
}

// The snippet of a frame whose file was found.
void AppendSource(const Lookups& lookups, const rt::SourceFrame& frame, const rt::SourceFile& file,
                  std::string& out) {
  if (file.path.length == 0) return;
  rt::SnippetRequest request;
  request.path = file.path.view();
  request.line = frame.line;
  request.column = frame.column;
  request.md5 = file.has_md5 ? file.md5 : nullptr;
  request.written_before = lookups.file_written;
  rt::Snippet snippet;
  if (!rt::FormSnippet(request, snippet)) return;
  for (int k = 0; k < snippet.count; ++k) out.append(snippet.lines[k].view()).append("\n");
}

// The lines for a batch of addresses, each address's into its own text;
// the I/O code of a read that failed.
std::uint16_t Describe(Lookups& lookups, const std::vector<std::uint64_t>& addresses,
                       std::vector<std::string>& texts) {
  std::vector<rt::SourceFrames> frames(addresses.size());
  std::vector<std::vector<rt::SourceFile>> files;
  if (lookups.has_lines) {
    rt::FileResult opened = rt::OpenExeFile(lookups.exe, lookups.line_file.name);
    if (!opened) return opened.io_error != 0 ? opened.io_error : rt::kFileNotFound;
    lookups.readers.Bind(lookups.exe, lookups.line_file);
    std::uint16_t io_error =
        lookups.lookup.LookupMany(lookups.readers.sources(), addresses.data(), addresses.size(),
                                  frames.data(), lookups.detail);
    if (io_error == 0 && lookups.source) FindSourceFiles(lookups, frames, files);
    rt::FileResult closed = rt::CloseExeFile(lookups.exe);
    if (io_error == 0) io_error = closed.io_error;
    if (io_error != 0) return io_error;
  }
  bool names = (lookups.detail & rt::kFunctionNames) != 0;
  for (std::size_t i = 0; i < addresses.size(); ++i) {
    if (frames[i].empty()) frames[i].emplace_back();
    // The symbol table names the function that no debugging entry does.
    if (names && frames[i].front().function.length == 0 && addresses[i] != 0 &&
        (rt::IsOpen(lookups.program) || rt::OpenExeFile(lookups.program, lookups.file))) {
      frames[i].front().function = rt::FunctionSymbolName(lookups.program, addresses[i] - 1);
    }
    std::string& out = texts[i];
    std::size_t shown = (lookups.detail & rt::kInlinedCalls) != 0 ? frames[i].size() : 1;
    for (std::size_t j = 0; j < shown; ++j) {
      const rt::SourceFrame& frame = frames[i][j];
      if (names) out.append(frame.function.length > 0 ? frame.function.view() : "??").append("\n");
      out.append(rt::FrameLine(addresses[i], frame).view()).append("\n");
      if (i < files.size() && j < files[i].size()) AppendSource(lookups, frame, files[i][j], out);
    }
  }
  rt::CloseExeFile(lookups.program);
  return 0;
}

// Parses the addresses of one batch; false, with the message written, at
// one that is not an address.
bool ParseAddresses(const std::vector<std::string_view>& words, std::vector<std::uint64_t>& out,
                    int& status) {
  out.clear();
  for (std::string_view word : words) {
    std::uint64_t address;
    if (!ParseAddress(word, address)) {
      status = Fail("not a hexadecimal address: ", word);
      return false;
    }
    out.push_back(address);
  }
  return true;
}

// Describes a batch of addresses and writes its lines; 0 or the status.
int Answer(Lookups& lookups, const std::vector<std::string_view>& words) {
  int status = 0;
  std::vector<std::uint64_t> addresses;
  if (!ParseAddresses(words, addresses, status)) return status;
  // With functions and inlined calls an address has many frames: a batch
  // of them at a time keeps the memory small. The batches are taken in
  // address order, so that a unit is read by one batch rather than by each
  // batch that has an address in it; the lines keep the order asked.
  std::vector<std::size_t> order(addresses.size());
  for (std::size_t i = 0; i < order.size(); ++i) order[i] = i;
  std::stable_sort(order.begin(), order.end(),
                   [&](std::size_t a, std::size_t b) { return addresses[a] < addresses[b]; });
  std::size_t batch = lookups.detail == rt::kLinesOnly ? addresses.size() : 128;
  std::vector<std::string> texts(addresses.size());
  for (std::size_t from = 0; from < order.size(); from += batch) {
    std::size_t to = std::min(order.size(), from + batch);
    std::vector<std::uint64_t> some;
    for (std::size_t j = from; j < to; ++j) some.push_back(addresses[order[j]]);
    std::vector<std::string> out(some.size());
    std::uint16_t io_error = Describe(lookups, some, out);
    if (io_error != 0) return ReadFailed(io_error);
    for (std::size_t j = from; j < to; ++j) texts[order[j]] = std::move(out[j - from]);
  }
  // Written a piece at a time, not copied whole once more.
  std::string out;
  for (std::size_t i = 0; i < texts.size(); ++i) {
    out += texts[i];
    std::string().swap(texts[i]);
    if (out.size() < 65536 && i + 1 < texts.size()) continue;
    if (!Write(platform::StdHandleKind::kOutput, out))
      return Fail("cannot write the frame lines", "");
    out.clear();
  }
  return 0;
}

// The addresses of standard input, a batch for whatever whole lines one
// read brings, so that a program that writes an address and waits gets its
// answer.
int AnswerInput(Lookups& lookups) {
  std::string pending;
  char buffer[65536];
  for (;;) {
    std::size_t got = 0;
    platform::ErrorNumber read = platform::ReadFile(
        platform::GetStdHandle(platform::StdHandleKind::kInput), buffer, sizeof buffer, got);
    if (read != platform::kNoError) return Fail("cannot read standard input", "");
    pending.append(buffer, got);
    std::size_t end = got == 0 ? pending.size() : pending.rfind('\n') + 1;
    if (got != 0 && pending.rfind('\n') == std::string::npos) continue;
    std::vector<std::string_view> words;
    std::string_view text(pending.data(), end);
    for (std::size_t at = 0; at < text.size();) {
      std::size_t start = text.find_first_not_of(" \t\r\n", at);
      if (start == std::string_view::npos) break;
      std::size_t stop = text.find_first_of(" \t\r\n", start);
      if (stop == std::string_view::npos) stop = text.size();
      words.push_back(text.substr(start, stop - start));
      at = stop;
    }
    if (!words.empty()) {
      int status = Answer(lookups, words);
      if (status != 0) return status;
    }
    pending.erase(0, end);
    if (got == 0) return 0;
  }
}

int Run(std::vector<std::string_view> arguments) {
  Options options;
  int status = 0;
  if (!TakeOptions(arguments, options, status)) return status;
  if (options.help || options.version) {
    return Write(platform::StdHandleKind::kOutput, options.help ? Help() : Version()) ? 0
                                                                                      : kUnusable;
  }
  if (arguments.empty()) {
    return Fail("usage: frameline [OPTION]... FILE [ADDRESS]... (frameline --help tells more)", "");
  }
  // The same search and lookup as the report's, without a load delta.
  static Lookups lookups;
  lookups.lookup.SetFullScan(options.full_scan);
  lookups.detail = options.detail;
  lookups.source = options.source;
  rt::FileRec file;
  rt::FileOpenRead(file, arguments[0]);
  lookups.file_written = rt::FileWriteTime(file);
  rt::FileClose(file);
  rt::LineFileSearch search =
      rt::FindLineFile(lookups.exe, arguments[0], options.debug_root, lookups.line_file);
  if (search.kind == rt::LineFileSearch::kUnreadable) {
    return Fail("cannot read an executable from ", arguments[0]);
  }
  lookups.has_lines = search.kind == rt::LineFileSearch::kFound;
  lookups.file = arguments[0];
  if (lookups.has_lines) rt::CloseExeFile(lookups.exe);
  arguments.erase(arguments.begin());
  // All at once: a unit that several addresses need is read once.
  return arguments.empty() ? AnswerInput(lookups) : Answer(lookups, arguments);
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<std::string_view> arguments(argv + 1, argv + argc);
  return Run(arguments);
}
