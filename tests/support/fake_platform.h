// A scripted platform for tests: input comes from a list of read results,
// output is recorded call by call, and ending the process throws.
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <string>
#include <vector>

#include "platform/platform.h"

namespace fake {

constexpr platform::Handle kStdIn = 10;
constexpr platform::Handle kStdOut = 11;
constexpr platform::Handle kStdErr = 12;
constexpr platform::Handle kFile = 13;

// One answer to a read: bytes (cut to the size asked for, the rest kept for
// the next read), or a failure with an error number.
struct ReadResult {
  std::string bytes;
  std::uint32_t error = 0;
};

struct WriteCall {
  platform::Handle handle;
  std::string bytes;
};

struct State {
  std::deque<ReadResult> reads;            // empty: end of input
  std::vector<std::size_t> read_requests;  // the n of every read call
  std::vector<WriteCall> writes;           // every write call, failed ones too
  // Write number `fail_write_at` (0-based) and every later one fail with
  // `write_error` after taking `failed_write_takes` bytes.
  long fail_write_at = -1;
  std::uint32_t write_error = 28;
  std::size_t failed_write_takes = 0;
  // Succeeding writes take at most this many bytes.
  std::size_t write_limit = SIZE_MAX;
  bool console = false;
  std::uint16_t console_cp = 0;
  std::uint16_t console_output_cp = 0;
  std::uint16_t acp = 65001;
  std::uint16_t oemcp = 28591;
  int std_handle_queries = 0;
  // One file that opens by its name, as the module that holds every code
  // address. Its read number `fail_file_read_at` (0-based) and every later
  // one fail with `file_read_error`.
  std::string file_name;
  std::string file_bytes;
  long fail_file_read_at = -1;
  std::uint32_t file_read_error = 5;
  long file_reads = 0;  // reads of the file so far
};

State& Platform();
// Clears the script and the records.
void Reset();

// Queues input split into reads of at most `chunk` bytes each.
void QueueInput(const std::string& bytes, std::size_t chunk = SIZE_MAX);
// The bytes written to one handle, all calls joined.
std::string Written(platform::Handle handle);

// Thrown by ExitProcess.
struct ProcessExit {
  int code;
};

}  // namespace fake
