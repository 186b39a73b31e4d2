// A beginner's mistakes, each ending the program as such a mistake does: a
// failed assertion, a heap the C library finds broken, a fault or an
// exception in a thread, before main or after it, a recursion without end
// (of one function, or of two calling each other), an exception caught and
// thrown again.
// The environment's ENDING names the one to make (a static object's
// constructor reads it before main). Each line a report should name
// carries a mark ("// [name]").
#include <pthread.h>

#include <cassert>
#include <csignal>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <future>
#include <iostream>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

int* volatile nowhere = nullptr;
volatile bool keep_going = true;
volatile int row_count = 2;
const std::string mode = std::getenv("ENDING") != nullptr ? std::getenv("ENDING") : "";

void WriteNowhere() {
  *nowhere = 1;  // [write]
}

void Store(int* slot, int value) {
  *slot = value;  // [store]
}

// A string literal is constant: its bytes lie in read-only memory.
const char* volatile greeting = "quiz";
void WriteLiteral() {
  const_cast<char*>(greeting)[0] = 'Q';  // [literal]
}

// An address far from every mapping, and functions that are not there.
int* volatile far_away = reinterpret_cast<int*>(std::uintptr_t{1} << 44);
void (*volatile no_function)() = nullptr;
void (*volatile stale_function)() = reinterpret_cast<void (*)()>(std::uintptr_t{1} << 44);

// A frame larger than the whole stack.
int BigFrame() {
  volatile char table[16 << 20];
  table[0] = 1;
  return table[0];
}

volatile int zero = 0, minus_one = -1, most_negative = -2147483647 - 1;

int Average(int sum, int count) {
  assert(count > 0);  // [assert]
  return sum / count;
}

void Release(int* p) {
  delete p;  // [delete]
}

// The compiler keeps what it cannot see used.
char* volatile kept_name = nullptr;
char* volatile kept_next = nullptr;

void Overrun() {
  char* name = new char[24];
  char* next = new char[24];
  kept_name = name;
  kept_next = next;
  std::memset(name, 'x', 40);  // writes over the header of next
  delete[] next;               // [overrun]
  delete[] name;
}

// Once a thread has run, the C library locks its heap while it frees a
// large block, and finds the second free of one with the lock held.
void ReleaseTwiceLocked() {
  std::thread([] {}).join();
  char* block = new char[4000];
  char* other = new char[4000];  // keeps block off the heap's end
  kept_name = block;
  kept_next = other;
  delete[] block;
  delete[] block;  // [locked]
  delete[] other;
}

int Count(int n) {
  volatile char pad[64];
  pad[0] = static_cast<char>(n);
  return keep_going ? Count(n + 1) + pad[0] : 0;  // [recurse]
}

// Two functions that call each other: an even-or-odd test of a number
// that never comes down to 0.
bool Odd(int n);
bool Even(int n) {
  volatile char pad[64];
  pad[0] = static_cast<char>(n);
  return n == 0 || (Odd(n - 1) && pad[0] != 1);  // [even]
}
bool Odd(int n) {
  volatile char pad[64];
  pad[0] = static_cast<char>(n);
  return n != 0 && Even(n - 1) && pad[0] != 1;  // [odd]
}

void Check(int n) noexcept {
  if (n < 0) throw std::invalid_argument("negative");  // [noexcept]
}

struct Shape {
  Shape();
  virtual double Area() = 0;
  virtual ~Shape() = default;
};
void Measure(Shape* shape) {
  shape->Area();  // [pure]
}
Shape::Shape() {
  Measure(this);  // [shape]
}
struct Square : Shape {
  double Area() override { return 1; }
};

struct Settings {
  Settings() {
    if (mode == "constructor-throw") throw std::runtime_error("no settings");  // [ctor throw]
    if (mode == "constructor") WriteNowhere();                                 // [ctor]
  }
  ~Settings() {
    if (mode == "destructor") WriteNowhere();  // [dtor]
  }
};
Settings settings;  // [static]

void Goodbye() {
  WriteNowhere();  // [atexit]
}

void* Worker(void*) {
  WriteNowhere();  // [pthread]
  return nullptr;
}

void BothThreads() {
  std::thread first(WriteNowhere), second(WriteNowhere);
  first.join();
  second.join();
}

// A small helper that the compiler inlines into the loop that calls it;
// the store is not its first instruction, where a debugger shows the caller
// alone.
inline void Put(int* p, int v) {
  if (v == 42) return;
  *p = v;  // [put]
}

void Fill(int* const* rows, int n) {
  for (int i = 0; i < n; ++i) Put(rows[i], i);  // [fill]
}

int Parse(int n) {
  if (n < 0) throw std::out_of_range("no mark");  // [first throw]
  return n;
}

std::exception_ptr Attempt() {
  try {
    Parse(-1);  // [attempt]
  } catch (...) {
    return std::current_exception();
  }
  return nullptr;
}

void Retry() {
  try {
    Parse(-1);  // [retry]
  } catch (const std::out_of_range&) {
    throw;  // [rethrow]
  }
}

// The best of no students is none, and its mark is read through a null
// pointer.
struct Student {
  std::string name;
  int mark;
};

[[gnu::noinline]] const Student* Best(const std::vector<Student>& students) {
  const Student* best = nullptr;
  for (const Student& s : students) {
    if (best == nullptr || s.mark > best->mark) best = &s;
  }
  return best;
}

int BestMark(const std::vector<Student>& students, int count) {
  const Student* best = Best(students);
  return best->mark + count;  // [null read]
}

void OwnHandler(int) {
  std::cout << "handled" << std::endl;
  std::_Exit(3);
}

int main() {
  std::vector<int> marks = {60, 70};
  int* p = new int(1);
  if (mode == "assert") return Average(0, 0);  // [main assert]
  if (mode == "null-read") {
    std::vector<Student> students;
    return BestMark(students, row_count);  // [main null read]
  }
  if (mode == "abort") std::abort();  // [main abort]
  if (mode == "inlined-helper") {
    int first = 0;
    int* rows[] = {&first, nowhere};
    Fill(rows, row_count);  // [main fill]
  }
  if (mode == "double-free") {
    Release(p);
    Release(p);  // [main double free]
  }
  if (mode == "double-free-locked") ReleaseTwiceLocked();  // [main locked]
  if (mode == "overrun") Overrun();                        // [main overrun]
  if (mode == "vector-at") return marks.at(2);             // [main at]
  if (mode == "noexcept") Check(-1);                       // [main noexcept]
  if (mode == "pure-virtual") {
    Square square;  // [main pure]
  }
  if (mode == "recursion") return Count(0);  // [main recurse]
  if (mode == "async-throw") return std::async(std::launch::async, Parse, -1).get();  // [main get]
  if (mode == "rethrow-exception") std::rethrow_exception(Attempt());  // [main rethrow]
  if (mode == "rethrow-in-handler") Retry();                           // [main retry]
  if (mode == "mutual-recursion") return Even(-row_count);             // [main even]
  if (mode == "thread") std::thread(Store, nowhere, row_count).join();
  if (mode == "thread-overflow") std::thread([] { Count(0); }).join();  // [lambda recurse]
  if (mode == "thread-throw") std::thread(Check, -1).join();
  if (mode == "two-threads") BothThreads();
  if (mode == "pthread") {
    pthread_t thread;
    pthread_create(&thread, nullptr, Worker, nullptr);
    pthread_join(thread, nullptr);
  }
  if (mode == "atexit") std::atexit(Goodbye);
  if (mode == "literal") WriteLiteral();                            // [main literal]
  if (mode == "unmapped") return *far_away;                         // [main unmapped]
  if (mode == "null-call") no_function();                           // [main null call]
  if (mode == "stale-call") stale_function();                       // [main stale call]
  if (mode == "big-frame") return BigFrame();                       // [main big frame]
  if (mode == "divide") return 100 / zero;                          // [main divide]
  if (mode == "divide-overflow") return most_negative / minus_one;  // [main overflow]
  if (mode == "own-handler") {
    std::signal(SIGSEGV, OwnHandler);
    WriteNowhere();  // [main own]
  }
  if (mode == "pipe") {
    for (long i = 0; keep_going; ++i) std::cout << i << "\n";
  }
  std::cout << "main ends" << std::endl;
  return 0;
}
