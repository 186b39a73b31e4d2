// Shared set-up of the stream tests: a fresh scripted platform, clean
// console settings and the five standard streams reopened on the fake.
#pragma once

#include <gtest/gtest.h>

#include <cfenv>
#include <string>

#include "console/io_result.h"
#include "console/read_ops.h"
#include "console/std_streams.h"
#include "console/tagged_string.h"
#include "console/write_ops.h"
#include "tests/support/fake_platform.h"

// The calling thread's runtime state. Under the sanitizer build, a test that
// names a thread-local variable of the runtime directly can trip a false null
// report: the linker rewrites the address computation into one that no longer
// sets the flags the null check tests. These accessors skip that check.
namespace tls {
// clang-format off
#define TLS_ACCESSOR __attribute__((noinline, no_sanitize("null"))) inline
TLS_ACCESSOR std::uint16_t& InOutRes() { return rt::InOutRes; }
TLS_ACCESSOR rt::TextRec& Input() { return rt::Input; }
TLS_ACCESSOR rt::TextRec& Output() { return rt::Output; }
TLS_ACCESSOR rt::TextRec& ErrOutput() { return rt::ErrOutput; }
TLS_ACCESSOR rt::TextRec& StdOut() { return rt::StdOut; }
TLS_ACCESSOR rt::TextRec& StdErr() { return rt::StdErr; }
#undef TLS_ACCESSOR
// clang-format on
}  // namespace tls

namespace testing_support {

inline void ResetConsole() {
  fake::Reset();
  tls::InOutRes() = 0;
  rt::CtrlZMarksEOF = true;
  rt::DefaultTextLineBreakStyle = 1;
  rt::StdInputHandle = rt::StdOutputHandle = rt::StdErrorHandle = 0;
  rt::DefaultSystemCodePage = fake::Platform().acp;
  rt::SysInitStdIO();
}

class ConsoleTest : public ::testing::Test {
 protected:
  void SetUp() override { ResetConsole(); }
  // The quiz's start-up unmasks floating-point exceptions; the test program
  // goes on with the usual masks.
  void TearDown() override { std::fesetenv(FE_DFL_ENV); }
  fake::State& P() { return fake::Platform(); }
  // Reopens the streams, e.g. after the console code pages were changed.
  void Reopen() { rt::SysInitStdIO(); }
};

// n bytes of varied content, no terminators among them.
inline std::string Pattern(std::size_t n) {
  std::string s;
  for (std::size_t i = 0; i < n; ++i) s.push_back(static_cast<char>('a' + i % 26));
  return s;
}

}  // namespace testing_support
