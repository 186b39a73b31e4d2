// The settings of the run-time error report and the error it tells of.
#pragma once

#include <cstdint>

namespace rt {

struct ReportFrame;    // report/report_frame.h
struct ReportOptions;  // report/report_options.h
struct ReportedError;  // report/error_report.h
struct FirstThrow;     // report/throws/first_throw.h

// The report goes to StdErr when true, to StdOut otherwise.
extern bool WriteErrorsToStdErr;
// Frame lines after the first one that a report on a standard stream shows.
extern std::uint16_t Max_Frame_Dump;
// In a program with its own main: a frame line follows each for every call
// inlined at its address, each names its function, a frame outside the
// program without a source line names its module, and repeated lines are
// collapsed. A program written as the quiz is writes one line per frame,
// every line up to the limit, as its reports always had.
extern bool FullReport;

// Fills a frame's source frames in a full report; false where it leaves
// the frame to the one-line formatters. The line-information unit installs
// its own.
using ResolveFrameProc = bool (*)(ReportFrame& frame);
extern ResolveFrameProc ResolveFrameFunc;

// Where a program with its own main is in its life, for the report's
// words on why it ended: its static objects being constructed, main
// running, main returned.
void NoteStaticConstruction();
void NoteMainBegins();
void NoteMainReturned();
// std::terminate is ending the program: exception_type, the mangled name
// of the type of the exception nothing caught (null with none active),
// left_noexcept where it left a function that may not throw.
void NoteTermination(const char* exception_type, bool left_noexcept, bool pure_virtual);
// Where the pending error's exception was first thrown, where it was thrown
// again; null otherwise.
extern const FirstThrow* ErrorFirstThrow;

// The settings and formatters installed now.
ReportOptions InstalledReportOptions();
// The pending run-time error, as the report tells of it.
ReportedError PendingReport();

}  // namespace rt
