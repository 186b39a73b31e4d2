#include "process_runner.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <sstream>
#include <tuple>

extern char** environ;

namespace e2e {

std::size_t Input::size() const {
  std::size_t n = 0;
  for (const auto& [s, times] : pieces) n += s.size() * times;
  return n;
}

std::string Env(const char* name) {
  const char* value = std::getenv(name);
  return value ? value : "";
}

std::vector<std::string> Words(const char* s) {
  std::vector<std::string> words;
  std::istringstream in(s ? s : "");
  for (std::string w; in >> w;) words.push_back(w);
  return words;
}

Fd::Fd(Fd&& o) noexcept : fd(std::exchange(o.fd, -1)) {}

Fd& Fd::operator=(Fd&& o) noexcept {
  reset();
  fd = std::exchange(o.fd, -1);
  return *this;
}

void Fd::reset() {
  if (fd >= 0) ::close(fd);
  fd = -1;
}

Fd TempFile(std::string& name) {
  const char* dir = std::getenv("TMPDIR");
  name = std::string(dir && *dir ? dir : "/tmp") + "/quiz-e2e-XXXXXX";
  Fd f(::mkostemp(name.data(), O_CLOEXEC));
  if (f.fd < 0) std::abort();
  return f;
}

std::string Escaped(std::string_view s) {
  std::string out;
  for (unsigned char c : s) {
    if (c == '\r') {
      out += "\\r";
    } else if (c == '\n') {
      out += "\\n";
    } else if (c < 0x20 || c >= 0x7F) {
      char buf[8];
      std::snprintf(buf, sizeof buf, "\\x%02X", c);
      out += buf;
    } else {
      out += static_cast<char>(c);
    }
  }
  return out;
}

testing::AssertionResult SameBytes(const std::string& actual, const std::string& expected) {
  if (actual == expected) return testing::AssertionSuccess();
  std::size_t at = 0;
  while (at < actual.size() && at < expected.size() && actual[at] == expected[at]) ++at;
  std::size_t from = at < 60 ? 0 : at - 60;
  return testing::AssertionFailure()
         << "outputs differ at byte " << at << " (actual " << actual.size() << " bytes, expected "
         << expected.size() << ")\n  actual:   ..." << Escaped(actual.substr(from, 120))
         << "\n  expected: ..." << Escaped(expected.substr(from, 120));
}

namespace {

std::pair<Fd, Fd> Pipe() {
  int p[2];
  if (::pipe2(p, O_CLOEXEC) != 0) std::abort();
  return {Fd(p[0]), Fd(p[1])};
}

bool WriteAll(int fd, std::string_view s) {
  while (!s.empty()) {
    ssize_t n = ::write(fd, s.data(), s.size());
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    s.remove_prefix(static_cast<std::size_t>(n));
  }
  return true;
}

Fd InputFile(const Input& input) {
  std::string name;
  Fd f = TempFile(name);
  ::unlink(name.c_str());
  for (const auto& [s, times] : input.pieces)
    for (std::size_t i = 0; i < times; ++i)
      if (!WriteAll(f.fd, s)) std::abort();
  ::lseek(f.fd, 0, SEEK_SET);
  return f;
}

// Walks the pieces of an input, handing out what is still to be written.
class Feed {
 public:
  explicit Feed(const Input& input) : pieces_(input.pieces) {}
  std::string_view Next() {
    while (piece_ < pieces_.size()) {
      const auto& [s, times] = pieces_[piece_];
      if (repeat_ < times && offset_ < s.size()) return std::string_view(s).substr(offset_);
      offset_ = 0;  // this copy of the piece is written
      if (++repeat_ >= times || s.empty()) ++piece_, repeat_ = 0;
    }
    return {};
  }
  void Advance(std::size_t n) { offset_ += n; }

 private:
  const std::vector<std::pair<std::string, std::size_t>>& pieces_;
  std::size_t piece_ = 0, repeat_ = 0, offset_ = 0;
};

Outcome ExecuteOnce(const Launch& run) {
  ::signal(SIGPIPE, SIG_IGN);  // the test's own writes to a gone reader fail with EPIPE
  std::vector<std::string> args = run.wrapper;
  if (!run.host_tool) {
    for (auto& w : Words(std::getenv("QUIZ_RUNNER"))) args.push_back(w);
  }
  args.push_back(run.program.empty() ? Env("QUIZ_EXE") : run.program);
  args.insert(args.end(), run.args.begin(), run.args.end());
  std::vector<char*> argv;
  for (auto& a : args) argv.push_back(a.data());
  argv.push_back(nullptr);

  posix_spawn_file_actions_t fa;
  posix_spawn_file_actions_init(&fa);
  posix_spawnattr_t attr;
  posix_spawnattr_init(&attr);
  sigset_t set;
  sigemptyset(&set);
  posix_spawnattr_setsigmask(&attr, &set);
  sigaddset(&set, SIGPIPE);  // the child starts with the default action
  posix_spawnattr_setsigdefault(&attr, &set);
  posix_spawnattr_setflags(&attr, POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);

  Fd in_child, in_parent, out_child, out_parent;
  switch (run.in) {
    case In::kFile:
      in_child = InputFile(run.input);
      posix_spawn_file_actions_adddup2(&fa, in_child.fd, 0);
      break;
    case In::kPipe:
      std::tie(in_child, in_parent) = Pipe();
      posix_spawn_file_actions_adddup2(&fa, in_child.fd, 0);
      break;
    case In::kClosed:
      posix_spawn_file_actions_addclose(&fa, 0);
      break;
    case In::kPath:
      posix_spawn_file_actions_addopen(&fa, 0, run.in_path.c_str(), O_RDONLY, 0);
      break;
  }
  switch (run.out) {
    case Out::kCapture:
      std::tie(out_parent, out_child) = Pipe();
      posix_spawn_file_actions_adddup2(&fa, out_child.fd, 1);
      break;
    case Out::kPath:
      posix_spawn_file_actions_addopen(&fa, 1, run.out_path.c_str(), O_WRONLY, 0);
      break;
    case Out::kClosed:
      posix_spawn_file_actions_addclose(&fa, 1);
      break;
    case Out::kReaderGone:
      std::tie(out_parent, out_child) = Pipe();
      out_parent.reset();
      posix_spawn_file_actions_adddup2(&fa, out_child.fd, 1);
      break;
  }
  auto [err_parent, err_child] = Pipe();
  posix_spawn_file_actions_adddup2(&fa, err_child.fd, 2);

  Outcome result;
  pid_t pid = -1;
  int rc = posix_spawnp(&pid, argv[0], &fa, &attr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&fa);
  posix_spawnattr_destroy(&attr);
  if (rc != 0) {
    ADD_FAILURE() << "cannot start " << argv[0] << ": " << std::strerror(rc);
    return result;
  }
  in_child.reset();
  out_child.reset();
  err_child.reset();

  // Feed standard input (then close it) while draining both outputs.
  Feed feed(run.input);
  if (in_parent.fd >= 0) ::fcntl(in_parent.fd, F_SETFL, O_NONBLOCK);
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
  while (in_parent.fd >= 0 || out_parent.fd >= 0 || err_parent.fd >= 0) {
    if (in_parent.fd >= 0 && feed.Next().empty()) in_parent.reset();
    pollfd fds[3] = {
        {in_parent.fd, POLLOUT, 0}, {out_parent.fd, POLLIN, 0}, {err_parent.fd, POLLIN, 0}};
    auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
        deadline - std::chrono::steady_clock::now());
    int ready = left.count() > 0 ? ::poll(fds, 3, static_cast<int>(left.count())) : 0;
    if (ready < 0 && errno == EINTR) continue;
    if (ready <= 0) {
      ::kill(pid, SIGKILL);
      result.timed_out = true;
      break;
    }
    if (fds[0].revents & (POLLOUT | POLLERR | POLLHUP)) {
      std::string_view chunk = feed.Next();
      ssize_t n = ::write(in_parent.fd, chunk.data(), std::min<std::size_t>(chunk.size(), 65536));
      if (n > 0) {
        feed.Advance(static_cast<std::size_t>(n));
      } else if (errno != EAGAIN && errno != EINTR) {
        in_parent.reset();  // the program has stopped reading
      }
    }
    for (auto [pfd, fd, sink] : {std::tuple{&fds[1], &out_parent, &result.out},
                                 std::tuple{&fds[2], &err_parent, &result.err}}) {
      if (!(pfd->revents & (POLLIN | POLLERR | POLLHUP))) continue;
      char buf[65536];
      ssize_t n = ::read(fd->fd, buf, sizeof buf);
      if (n > 0) {
        sink->append(buf, static_cast<std::size_t>(n));
      } else if (n == 0 || errno != EINTR) {
        fd->reset();
      }
    }
  }

  int status = 0;
  rusage usage{};
  while (::wait4(pid, &status, 0, &usage) < 0 && errno == EINTR) {
  }
  result.exited = WIFEXITED(status);
  result.code = result.exited ? WEXITSTATUS(status) : -1;
  result.signal = WIFSIGNALED(status) ? WTERMSIG(status) : 0;
  result.peak_kib = usage.ru_maxrss;
  return result;
}

// Whether a run is one that wine itself gave up before the program began: a
// status of 1 and not a byte on either stream, which no program under test
// ends with. It happens now and then when the machine is loaded.
bool WineGaveUp(const Launch& run, const Outcome& r) {
  std::vector<std::string> runner = Words(std::getenv("QUIZ_RUNNER"));
  if (run.host_tool || runner.empty()) return false;
  const std::string& tool = runner.front();
  bool wine = tool.find("wine", tool.rfind('/') + 1) != std::string::npos;
  return wine && r.exited && r.code == 1 && r.out.empty() && r.err.empty();
}

}  // namespace

Outcome Execute(const Launch& run) {
  Outcome result = ExecuteOnce(run);
  for (int again = 0; again < 2 && WineGaveUp(run, result); ++again) {
    std::fprintf(stderr,
                 "note: wine ended a run with status 1 before it began; running it again\n");
    result = ExecuteOnce(run);
  }
  return result;
}

}  // namespace e2e
