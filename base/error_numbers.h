// The error numbers the system knows, each under one name: the I/O codes
// that operations leave pending, and the numbers of run-time errors. A
// run-time error's number is also the process's exit status.
#pragma once

#include <cstdint>

namespace rt {

// I/O codes.
constexpr std::uint16_t kFileNotFound = 2;
constexpr std::uint16_t kPathNotFound = 3;  // also a name too long for the platform
constexpr std::uint16_t kAccessDenied = 5;
constexpr std::uint16_t kReadPastEnd = 100;  // a read delivered fewer bytes than asked for
constexpr std::uint16_t kDiskFull = 101;     // also any write the platform did not take whole
constexpr std::uint16_t kFileNotOpen = 103;
constexpr std::uint16_t kFileNotOpenForInput = 104;
constexpr std::uint16_t kFileNotOpenForOutput = 105;

// Run-time errors.
constexpr std::uint16_t kDivisionByZero = 200;
constexpr std::uint16_t kRangeCheckError = 201;
constexpr std::uint16_t kStackOverflow = 202;
constexpr std::uint16_t kHeapOverflow = 203;
constexpr std::uint16_t kFloatOverflow = 205;
constexpr std::uint16_t kFloatUnderflow = 206;
constexpr std::uint16_t kInvalidFloatOperation = 207;
constexpr std::uint16_t kFloatDivisionByZero = 208;
constexpr std::uint16_t kArithmeticOverflow = 215;
constexpr std::uint16_t kGeneralProtectionFault =
    216;  // an access violation, an illegal instruction
constexpr std::uint16_t kControlC = 217;
// The process aborting: a failed assertion, std::abort, the C library's own
// checks of its heap.
constexpr std::uint16_t kProgramAborted = 227;
constexpr std::uint16_t kPrivilegedInstruction = 218;
constexpr std::uint16_t kUnknownException = 255;

}  // namespace rt
