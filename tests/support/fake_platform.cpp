// The scripted platform behind the unit tests.
#include "tests/support/fake_platform.h"

#include <algorithm>
#include <cstring>

#include "platform/fault_record.h"
#include "platform/memory_query.h"

namespace fake {

namespace {
State state;
std::int64_t file_position = 0;
}  // namespace

State& Platform() {
  return state;
}
void Reset() {
  state = State{};
  file_position = 0;
}

void QueueInput(const std::string& bytes, std::size_t chunk) {
  for (std::size_t i = 0; i < bytes.size(); i += chunk) {
    state.reads.push_back({bytes.substr(i, chunk), 0});
  }
}

std::string Written(platform::Handle handle) {
  std::string all;
  for (const WriteCall& w : state.writes) {
    if (w.handle == handle) all += w.bytes;
  }
  return all;
}

}  // namespace fake

namespace platform {

using fake::state;

void PrepareProcess(FaultReporter) {}
void IgnoreBrokenPipe() {}
void PrepareThreadStarts() {}
EndClaim ClaimProcessEnd() {
  return EndClaim::kFirst;
}
void WaitForProcessEnd() {
  throw fake::ProcessExit{-1};
}
std::uint64_t AbortEntry() {
  return 0;
}

Handle GetStdHandle(StdHandleKind kind) {
  ++state.std_handle_queries;
  switch (kind) {
    case StdHandleKind::kInput:
      return fake::kStdIn;
    case StdHandleKind::kOutput:
      return fake::kStdOut;
    case StdHandleKind::kError:
      return fake::kStdErr;
  }
  return -1;
}

namespace {

ErrorNumber ReadScriptedFile(void* buffer, std::size_t n, std::size_t& count) {
  count = 0;
  long index = state.file_reads++;
  if (state.fail_file_read_at >= 0 && index >= state.fail_file_read_at) {
    return state.file_read_error;
  }
  std::size_t at = static_cast<std::size_t>(fake::file_position);
  if (at < state.file_bytes.size()) count = std::min(n, state.file_bytes.size() - at);
  std::memcpy(buffer, state.file_bytes.data() + at, count);
  fake::file_position += static_cast<std::int64_t>(count);
  return kNoError;
}

}  // namespace

ErrorNumber ReadFile(Handle handle, void* buffer, std::size_t n, std::size_t& count) {
  if (handle == fake::kFile) return ReadScriptedFile(buffer, n, count);
  state.read_requests.push_back(n);
  count = 0;
  if (state.reads.empty()) return kNoError;
  fake::ReadResult& next = state.reads.front();
  if (next.error != 0) {
    ErrorNumber error = next.error;
    state.reads.pop_front();
    return error;
  }
  count = std::min(n, next.bytes.size());
  std::memcpy(buffer, next.bytes.data(), count);
  next.bytes.erase(0, count);
  if (next.bytes.empty()) state.reads.pop_front();
  return kNoError;
}

ErrorNumber WriteFile(Handle handle, const void* bytes, std::size_t n, std::size_t& count) {
  const char* p = static_cast<const char*>(bytes);
  long index = static_cast<long>(state.writes.size());
  if (state.fail_write_at >= 0 && index >= state.fail_write_at) {
    count = std::min(n, state.failed_write_takes);
    state.writes.push_back({handle, std::string(p, count)});
    return state.write_error;
  }
  count = std::min(n, state.write_limit);
  state.writes.push_back({handle, std::string(p, count)});
  return kNoError;
}

bool IsBrokenPipe(ErrorNumber error) {
  return error == 109;
}
std::uint16_t Errno2InOutRes(ErrorNumber error) {
  return error == 28 ? 101 : static_cast<std::uint16_t>(error);
}
bool GetConsoleMode(Handle) {
  return state.console;
}
std::uint16_t GetConsoleCP() {
  return state.console_cp;
}
std::uint16_t GetConsoleOutputCP() {
  return state.console_output_cp;
}
std::uint16_t GetACP() {
  return state.acp;
}
std::uint16_t GetOEMCP() {
  return state.oemcp;
}

// Only Latin-1 (28591) and UTF-8 (65001), enough to see conversions happen.
bool MultiByteToWideChar(std::uint16_t cp, std::string_view bytes, std::u16string& wide) {
  wide.clear();
  if (cp == 28591) {
    for (unsigned char c : bytes) wide.push_back(c);
    return true;
  }
  if (cp != 65001) return false;
  for (std::size_t i = 0; i < bytes.size();) {
    unsigned char c = static_cast<unsigned char>(bytes[i]);
    if (c < 0x80) {
      wide.push_back(c);
      i += 1;
    } else if ((c & 0xE0) == 0xC0 && i + 1 < bytes.size()) {
      wide.push_back(static_cast<char16_t>((c & 0x1F) << 6 | (bytes[i + 1] & 0x3F)));
      i += 2;
    } else {
      wide.push_back(0xFFFD);
      i += 1;
    }
  }
  return true;
}

bool WideCharToMultiByte(std::uint16_t cp, std::u16string_view wide, std::string& bytes) {
  bytes.clear();
  for (char16_t w : wide) {
    if (cp == 28591) {
      bytes.push_back(w < 0x100 ? static_cast<char>(w) : '?');
    } else if (cp == 65001 && w < 0x80) {
      bytes.push_back(static_cast<char>(w));
    } else if (cp == 65001 && w < 0x800) {
      bytes.push_back(static_cast<char>(0xC0 | w >> 6));
      bytes.push_back(static_cast<char>(0x80 | (w & 0x3F)));
    } else if (cp == 65001) {
      bytes.push_back(static_cast<char>(0xE0 | w >> 12));
      bytes.push_back(static_cast<char>(0x80 | (w >> 6 & 0x3F)));
      bytes.push_back(static_cast<char>(0x80 | (w & 0x3F)));
    } else {
      return false;
    }
  }
  return true;
}

// The scripted file is the one module; without it the error report's frame
// lines stay plain.
ErrorNumber OpenFileForReading(const char* name, Handle& handle) {
  if (state.file_name.empty() || state.file_name != name) return 2;
  handle = fake::kFile;
  fake::file_position = 0;
  return kNoError;
}
ErrorNumber GetFileSize(Handle, std::int64_t& size) {
  size = static_cast<std::int64_t>(state.file_bytes.size());
  return kNoError;
}
ErrorNumber ReadFileAt(Handle, std::int64_t position, void* buffer, std::size_t n,
                       std::size_t& count) {
  fake::file_position = position;
  return ReadScriptedFile(buffer, n, count);
}
ErrorNumber CloseHandle(Handle) {
  return kNoError;
}
ErrorNumber GetFileWriteTime(Handle, std::int64_t& time) {
  time = 0;
  return kNoError;
}
bool IsTerminal(Handle) {
  return false;
}
bool IsEnvironmentSet(const char*) {
  return false;
}
bool GetModuleByAddr(const void*, std::uintptr_t& base, std::pmr::string& name) {
  base = 0;
  name = state.file_name;
  return true;
}

void ExitProcess(int code) {
  throw fake::ProcessExit{code};
}

// Nothing is mapped, and the one thread is the first: the quiz's reports
// ask neither.
MemoryRegion QueryMemory(std::uint64_t) {
  return {};
}
bool ReadMemory(std::uint64_t, void*, std::size_t) {
  return false;
}
ThreadOrigin CurrentThreadOrigin() {
  return {};
}

}  // namespace platform
