// Reading a frame's variables: where each lies at the frame's address, on
// its registers and its CFA, and what its bytes say.
#include <cstring>

#include "base/resource_object.h"
#include "dwarf/location/location.h"
#include "dwarf/location/location_list.h"
#include "platform/memory_query.h"
#include "platform/walk.h"
#include "report/frame_lookup.h"
#include "report/line_lookup.h"
#include "report/stack_walk.h"
#include "report/values/frame_values.h"
#include "report/values/value_format.h"

namespace rt {

namespace {

// Words of the thread's memory, read by calls that cannot fault.
class ProcessMemory final : public FrameMemory {
 public:
  bool ReadWord(std::uint64_t address, std::uint64_t& value) override {
    return platform::ReadMemory(address, &value, sizeof value);
  }
};

// The most parameters of one call that are read.
constexpr int kMaxPassed = 8;

struct FrameReading {
  FrameFunctions functions;
  VariableReader* reader = nullptr;
  const FrameRegisters* registers = nullptr;
  std::uint64_t cfa = 0;
  FrameRegisters entry;  // at the function's entry, where known
  std::uint64_t pc = 0;  // the link-time instruction
  ProcessMemory memory;
  std::uint64_t frame_base = 0;
  bool has_frame_base = false;
};

LocationInputs InputsFor(FrameReading& r) {
  const UnitSummary& unit = r.functions.chain.root;
  LocationInputs inputs{*r.registers, platform::kWalkLayout, r.memory};
  inputs.cfa = r.cfa;
  inputs.has_cfa = r.cfa != 0;
  inputs.frame_base = r.frame_base;
  inputs.has_frame_base = r.has_frame_base;
  if (r.entry.known != 0) inputs.entry_regs = &r.entry;
  inputs.load_delta = r.functions.load_delta;
  inputs.sources = r.functions.sources;
  inputs.shape = unit.unit.tables.shape;
  inputs.addr_base = unit.unit.tables.addr_base;
  return inputs;
}

// The location of an entry's expression or list at the frame's pc.
LocationResult Locate(FrameReading& r, const EntryLocation& where, Location& location) {
  const DebugSources& sources = *r.functions.sources;
  DwarfCursor cursor;
  ExpressionPlace place{DebugSection::kInfo, where.at, where.length};
  if (!where.is_expression()) {
    const UnitSummary& unit = r.functions.chain.root;
    LocationUnit list{unit.unit.tables.shape, unit.unit.base, unit.unit.tables.addr_base,
                      unit.loclists_base, false};
    ListLookup found = FindLocationExpression(cursor, sources, list, where.list, r.pc, place);
    if (found == ListLookup::kOptimizedOut) return LocationResult::kOptimizedOut;
    if (found != ListLookup::kFound) return LocationResult::kMalformed;
  }
  cursor.Bind(sources[place.section]);
  return EvaluateLocation(cursor, place.offset, place.length, InputsFor(r), location);
}

enum class Gathered { kRead, kNotKept, kUnreadable };

// The bytes of one part of a location; kNotKept for a register the walk
// could not restore, or a part kept nowhere.
Gathered GatherPiece(const FrameReading& r, const LocationPiece& piece, std::uint8_t* bytes,
                     std::size_t& size) {
  switch (piece.kind) {
    case LocationPiece::Kind::kMemory:
      return platform::ReadMemory(piece.address, bytes, size) ? Gathered::kRead
                                                              : Gathered::kUnreadable;
    case LocationPiece::Kind::kRegister:
      if (!r.registers->Has(piece.reg) || size > 8) return Gathered::kNotKept;
      std::memcpy(bytes, &r.registers->value[piece.reg], size);
      return Gathered::kRead;
    case LocationPiece::Kind::kValue:
      std::memcpy(bytes, &piece.value, size > 8 ? 8 : size);
      return Gathered::kRead;
    case LocationPiece::Kind::kImplicit:
      if (piece.size == 0) size = piece.byte_count;
      if (piece.byte_count < size) return Gathered::kUnreadable;
      std::memcpy(bytes, piece.bytes, size);
      return Gathered::kRead;
    default:
      return Gathered::kNotKept;
  }
}

// The object a location describes, whole in memory or gathered part by part.
Gathered Gather(const FrameReading& r, const Location& location, ObjectBytes& object) {
  if (location.count == 1 && location.pieces[0].kind == LocationPiece::Kind::kMemory) {
    object = ObjectBytes::At(location.pieces[0].address);
    return Gathered::kRead;
  }
  object = ObjectBytes();
  for (int i = 0; i < location.count; ++i) {
    std::uint8_t bytes[16] = {};
    std::size_t size = location.pieces[i].size != 0 ? location.pieces[i].size : 8;
    if (size > sizeof bytes || object.held_size + size > ObjectBytes::kMaxHeld)
      return Gathered::kUnreadable;
    Gathered part = GatherPiece(r, location.pieces[i], bytes, size);
    if (part != Gathered::kRead) return part;
    std::memcpy(object.held + object.held_size, bytes, size);
    object.held_size += size;
  }
  return Gathered::kRead;
}

void AppendVariable(FrameReading& r, const ScopeVariable& variable, ValueText& text) {
  text.Append(variable.name.view());
  text.Append(" = ");
  ObjectBytes object;
  if (variable.has_const_value) {
    std::memcpy(object.held, &variable.const_value, 8);
    object.held_size = 8;
  } else {
    Location location;
    LocationResult located = variable.location.present() ? Locate(r, variable.location, location)
                                                         : LocationResult::kOptimizedOut;
    Gathered gathered =
        located == LocationResult::kLocated ? Gather(r, location, object) : Gathered::kNotKept;
    if (gathered != Gathered::kRead) {
      text.Append(gathered == Gathered::kUnreadable ? "<unreadable>" : "<optimized out>");
      return;
    }
  }
  ValueFormatter format(*r.reader, r.functions.chain.root);
  format.Append(text, variable.type, variable.type_in_types, object);
}

// The frame base of the function that holds the frame: a register's value
// or the CFA, on which the variables' locations count.
void FindFrameBase(FrameReading& r) {
  EntryLocation base;
  Location location;
  if (!r.reader->FrameBase(r.functions.chain.root, r.functions.chain.links[0].entry, base) ||
      Locate(r, base, location) != LocationResult::kLocated || location.count != 1) {
    return;
  }
  const LocationPiece& piece = location.pieces[0];
  if (piece.kind == LocationPiece::Kind::kMemory) {
    r.frame_base = piece.address;
    r.has_frame_base = true;
  } else if (piece.kind == LocationPiece::Kind::kRegister && r.registers->Has(piece.reg)) {
    r.frame_base = r.registers->value[piece.reg];
    r.has_frame_base = true;
  }
}

// The reader of the module's entries; its cursors are kept for the next
// frame of the same module.
VariableReader* ReaderFor(const FrameFunctions& functions, ValueReaders& readers) {
  if (readers.reader == nullptr || readers.load_delta != functions.load_delta) {
    readers.reader = MakeResourceObject<VariableReader>(*functions.sources);
    readers.load_delta = functions.load_delta;
  }
  return readers.reader.get();
}

// The value a call site gave a register, worked out on the caller's
// registers: an expression's result, or a register's value.
bool PassedValue(FrameReading& caller, const CallSiteValue& passed, std::uint64_t& value) {
  Location location;
  if (Locate(caller, passed.value, location) != LocationResult::kLocated || location.count != 1)
    return false;
  const LocationPiece& piece = location.pieces[0];
  switch (piece.kind) {
    case LocationPiece::Kind::kMemory:
      value = piece.address;
      return true;
    case LocationPiece::Kind::kValue:
      value = piece.value;
      return true;
    case LocationPiece::Kind::kRegister:
      value = caller.registers->value[piece.reg];
      return caller.registers->Has(piece.reg);
    default:
      return false;
  }
}

// The registers at the entry of the frame's function: those a call
// preserves, as its caller holds them, and those that the caller's call
// site says it passed. The caller is read only where it is the program's
// too, the module the frame's values are read in.
void FindEntryRegisters(const ReportFrame& frame, ValueReaders& readers, FrameRegisters& entry) {
  const FrameRegisters& caller = frame.caller;
  entry = EntryRegisters(caller.pc != 0 ? &caller : nullptr);
  if (caller.pc == 0 || !InProgram(caller.pc)) return;
  ResourcePtr<FrameReading> r = MakeResourceObject<FrameReading>();
  r->registers = &caller;
  if (OpenFrameFunctions(caller.pc - 1, r->functions) && r->functions.chain.count > 0) {
    r->reader = ReaderFor(r->functions, readers);
    r->pc = caller.pc - 1 - r->functions.load_delta;
    FindFrameBase(*r);
    CallSiteValue passed[kMaxPassed];
    int count =
        r->reader->CallSiteValues(r->functions.chain.root, r->functions.chain.links[0].entry,
                                  caller.pc - r->functions.load_delta, passed, kMaxPassed);
    std::uint64_t value = 0;
    for (int i = 0; i < count; ++i) {
      if (PassedValue(*r, passed[i], value)) entry.Set(passed[i].reg, value);
    }
  }
  CloseModuleLines();
}

}  // namespace

bool FormValueLine(const ReportFrame& frame, std::size_t source, ValueReaders& readers,
                   std::string_view lead, Text& line) {
  ResourcePtr<FrameReading> r = MakeResourceObject<FrameReading>();
  r->registers = &frame.registers;
  r->cfa = frame.cfa;
  FindEntryRegisters(frame, readers, r->entry);
  bool found = OpenFrameFunctions(frame.instruction(), r->functions);
  std::size_t links = r->functions.chain.count;
  if (!found || source >= links) {
    CloseModuleLines();
    return false;
  }
  VariableReader* reader = ReaderFor(r->functions, readers);
  r->reader = reader;
  r->pc = frame.instruction() - r->functions.load_delta;
  FindFrameBase(*r);
  struct Variables {
    ScopeVariable of[VariableReader::kMaxVariables];
  };
  ResourcePtr<Variables> held = MakeResourceObject<Variables>();
  ScopeVariable* variables = held->of;
  const FunctionLink& link = r->functions.chain.links[links - 1 - source];
  auto line_number = static_cast<std::uint32_t>(frame.sources[source].line);
  int count = reader->VariablesInScope(r->functions.chain.root, link.entry, r->pc, line_number,
                                       variables, VariableReader::kMaxVariables);
  ValueText text;
  for (int i = 0; i < count && !text.full(); ++i) {
    if (i > 0) text.Append(", ");
    AppendVariable(*r, variables[i], text);
  }
  CloseModuleLines();
  if (count == 0) return false;
  line = text.Line(lead);
  return true;
}

}  // namespace rt
