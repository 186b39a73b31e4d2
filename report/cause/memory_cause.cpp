// The words of a memory fault: how the instruction touched the address,
// and what lies there.
#include "platform/memory_query.h"
#include "platform/page_size.h"
#include "report/cause/cause_parts.h"
#include "report/cause/cause_text.h"

namespace rt {

namespace {

using platform::Access;

// Addresses in the first page hold nothing in any process: a null pointer,
// or a member or element a little way past one.
void NullPointer(Text& text, Access access, std::uint64_t address) {
  switch (access) {
    case Access::kRead:
      text.Append("  The program read through a null pointer");
      break;
    case Access::kWrite:
      text.Append("  The program wrote through a null pointer");
      break;
    case Access::kExecute:
      text.Append("  The program called a function through a null pointer");
      break;
    case Access::kUnknown:
      text.Append("  The program used a null pointer");
      break;
  }
  if (address != 0) {
    text.Append(" (at ");
    text.AppendDecimal(static_cast<std::int64_t>(address));
    text.Append(address == 1 ? " byte past it)" : " bytes past it)");
  }
  text.Append(".");
}

const char* Verb(Access access) {
  switch (access) {
    case Access::kRead:
      return "  The program read from address ";
    case Access::kWrite:
      return "  The program wrote to address ";
    case Access::kExecute:
      return "  The program jumped to address ";
    case Access::kUnknown:
      break;
  }
  return "  The program used address ";
}

// What lies at the address, as the sentence's end.
const char* WhatLiesThere(Access access, const platform::MemoryRegion& region) {
  if (access == Access::kExecute && !(region.mapped && region.executable)) {
    return ", where there is no code: a call through a null or stale function pointer.";
  }
  if (!region.mapped) return ", where nothing is mapped.";
  if (region.guard) return ", a stack's guard page.";
  if (access == Access::kWrite && region.image && !region.writable) {
    return ", which is read-only: a string literal or a constant of the program or a library.";
  }
  if (access == Access::kWrite && !region.writable) return ", which is read-only.";
  return ", which the program may not touch that way.";
}

}  // namespace

Text MemoryFaultCause(const platform::FaultFacts& facts) {
  Text text;
  if (!facts.address_known) {
    text.Append("  The program used an address that no memory can have; the processor tells no ");
    text.Append("more of it.");
    return text;
  }
  if (facts.address < platform::kPageSize) {
    NullPointer(text, facts.access, facts.address);
    return text;
  }
  platform::MemoryRegion region = platform::QueryMemory(facts.address);
  // Memory that can be read but not written faults only when written.
  Access access = facts.access;
  if (access == Access::kUnknown && region.readable && !region.writable) access = Access::kWrite;
  text.Append(Verb(access));
  AppendAddress(text, facts.address);
  text.Append(WhatLiesThere(access, region));
  return text;
}

}  // namespace rt
