// The scripted platform behind the unit tests.
#include "tests/fake_platform.h"

#include <algorithm>
#include <cstring>

namespace fake {

namespace {
State state;
thread_local std::uint32_t last_error = 0;
}  // namespace

State& Platform() {
  return state;
}
void Reset() {
  state = State{};
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

void PrepareProcess() {}

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

bool ReadFile(Handle, void* buffer, std::size_t n, std::size_t& count) {
  state.read_requests.push_back(n);
  count = 0;
  if (state.reads.empty()) return true;
  fake::ReadResult& next = state.reads.front();
  if (next.error != 0) {
    fake::last_error = next.error;
    state.reads.pop_front();
    return false;
  }
  count = std::min(n, next.bytes.size());
  std::memcpy(buffer, next.bytes.data(), count);
  next.bytes.erase(0, count);
  if (next.bytes.empty()) state.reads.pop_front();
  return true;
}

bool WriteFile(Handle handle, const void* bytes, std::size_t n, std::size_t& count) {
  const char* p = static_cast<const char*>(bytes);
  long index = static_cast<long>(state.writes.size());
  if (state.fail_write_at >= 0 && index >= state.fail_write_at) {
    count = std::min(n, state.failed_write_takes);
    state.writes.push_back({handle, std::string(p, count)});
    fake::last_error = state.write_error;
    return false;
  }
  count = std::min(n, state.write_limit);
  state.writes.push_back({handle, std::string(p, count)});
  return true;
}

std::uint32_t GetLastError() {
  return fake::last_error;
}
bool IsBrokenPipe(std::uint32_t error) {
  return error == 109;
}
std::uint16_t Errno2InOutRes(std::uint32_t error) {
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

// No files and no modules: the error report's frame lines stay plain.
bool OpenFileForReading(const char*, Handle&) {
  fake::last_error = 2;
  return false;
}
bool GetFileSize(Handle, std::int64_t&) { return false; }
bool SetFilePointer(Handle, std::int64_t) { return false; }
bool GetFilePointer(Handle, std::int64_t&) { return false; }
bool CloseHandle(Handle) { return true; }
void GetModuleByAddr(const void*, std::uintptr_t& base, std::string& name) {
  base = 0;
  name.clear();
}

void ExitProcess(int code) { throw fake::ProcessExit{code}; }

}  // namespace platform
