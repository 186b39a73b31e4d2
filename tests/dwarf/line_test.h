// Shared helpers of the line-table tests: sections looked up from memory
// through the same calls as the error report and frameline.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "dwarf/line/line_table.h"
#include "tests/support/line_table_builder.h"

namespace line_test {

using testing_support::Bytes;
using testing_support::LineSection;
using testing_support::LineUnit;

// Makes lookups read the section from memory, forgetting what earlier
// lookups learnt; also writes it into a fresh ELF file, whose path is
// returned for the tools.
std::string UseSection(const LineSection& section);
// Forgets what earlier lookups learnt about the section's units.
void Forget();

// Where the section in use puts addr.
rt::SourceFrame Lookup(std::uint64_t addr);

// The frame line of addr, checked to start with two blanks, "$" and the
// address in 16 upper-case digits; what follows that prefix.
std::string Tail(std::uint64_t addr);
// The frame line that a tail stands for.
std::string Frame(std::uint64_t addr, const std::string& tail);

struct Query {
  std::uint64_t addr;
  std::string tail;  // "" when no unit covers addr
};
// Looks every address up in the section and compares the tails.
void ExpectTails(const LineSection& section, const std::vector<Query>& queries);

// A unit with one file table of `name` and no directories: the listed
// layout for versions 2-4, the described one for 5 (file 1 is `name`).
LineUnit Unit(std::uint16_t version, const std::string& name, bool is64 = false);

std::string Env(const char* name);
// Runs a shell command; its standard output, and its exit status.
std::string Run(const std::string& command, int& status);

}  // namespace line_test
