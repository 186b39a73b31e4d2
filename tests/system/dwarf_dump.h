// An independent model of frame-line lookup: the line tables as
// llvm-dwarfdump decodes them, and the frame line that the error report
// gives for an address, worked out from those tables alone.
#pragma once

#include <cstdint>
#include <cstdio>
#include <map>
#include <sstream>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace line_diff {

struct Row {
  std::uint64_t address = 0;
  std::int64_t line = 0;
  std::uint64_t file = 0;
  bool end_sequence = false;
};

struct Unit {
  int version = 0;
  bool dwarf64 = false;
  std::map<std::uint64_t, std::string> dirs;                             // index: name
  std::map<std::uint64_t, std::pair<std::string, std::uint64_t>> files;  // index: name, dir
  std::vector<Row> rows;  // in the order the program gives them
};

namespace detail {

inline std::string_view Trimmed(std::string_view s) {
  std::size_t from = s.find_first_not_of(' ');
  return from == std::string_view::npos ? std::string_view() : s.substr(from);
}

// The text between the first and the last double quote.
inline std::string Quoted(std::string_view s) {
  std::size_t from = s.find('"'), to = s.rfind('"');
  return from < to ? std::string(s.substr(from + 1, to - from - 1)) : std::string();
}

inline std::uint64_t Index(std::string_view s) {
  return std::stoull(std::string(s.substr(s.find('[') + 1)));
}

}  // namespace detail

// The units of `llvm-dwarfdump --debug-line` output, in section order.
inline std::vector<Unit> ParseDebugLineDump(const std::string& text) {
  using namespace detail;
  std::vector<Unit> units;
  std::istringstream in(text);
  std::uint64_t file = 0;
  for (std::string raw; std::getline(in, raw);) {
    std::string_view line = Trimmed(raw);
    if (line.starts_with("debug_line[")) {
      units.emplace_back();
      continue;
    }
    if (units.empty()) continue;
    Unit& u = units.back();
    if (line.starts_with("version:")) {
      u.version = std::stoi(std::string(line.substr(8)));
    } else if (line.starts_with("format:")) {
      u.dwarf64 = line.find("DWARF64") != std::string_view::npos;
    } else if (line.starts_with("include_directories[")) {
      u.dirs[Index(line)] = Quoted(line);
    } else if (line.starts_with("file_names[")) {
      file = Index(line);
      u.files[file];
    } else if (line.starts_with("name:")) {
      u.files[file].first = Quoted(line);
    } else if (line.starts_with("dir_index:")) {
      u.files[file].second = std::stoull(std::string(line.substr(10)));
    } else if (line.starts_with("0x") && line.size() > 18 && line[18] == ' ') {
      std::istringstream fields{std::string(line)};
      Row row;
      std::uint64_t column;
      fields >> std::hex >> row.address >> std::dec >> row.line >> column >> row.file;
      row.end_sequence = line.find("end_sequence") != std::string_view::npos;
      u.rows.push_back(row);
    }
  }
  return units;
}

constexpr const char* kUnknownFile = "(Unknown file)";

// The name of file `index` of a unit's table: its directory, a "/" unless
// the directory ends in one, and its name. Versions 2 to 4 count files and
// directories from 1, with directory 0 standing for none; version 5 counts
// both from 0, and its directory 0 is joined like any other.
inline std::string FileName(const Unit& u, std::uint64_t index) {
  auto f = u.files.find(index);
  if (f == u.files.end() || (u.version < 5 && index == 0) || f->second.first.empty())
    return kUnknownFile;
  const auto& [name, dir_index] = f->second;
  std::string dir;
  if (auto d = u.dirs.find(dir_index); d != u.dirs.end() && (u.version >= 5 || dir_index != 0))
    dir = d->second;
  std::string full =
      dir.empty() || name.starts_with('/') ? name : dir + (dir.ends_with('/') ? "" : "/") + name;
  return full.substr(0, 255);
}

// The frame line for target: the units in order, each searched sequence by
// sequence, a sequence that starts above the target passed over; the first
// row at or above the target ends the search with the last row below it,
// kept across the sequences searched.
inline std::string ExpectedFrameLine(const std::vector<Unit>& units, std::uint64_t target) {
  char plain[32];
  std::snprintf(plain, sizeof plain, "  $%016llX", static_cast<unsigned long long>(target));
  std::string text = plain;
  for (const Unit& u : units) {
    bool first = true, passing_over = false, remembered = false;
    Row last;
    for (const Row& row : u.rows) {
      if (first) passing_over = row.address > target;
      first = row.end_sequence;
      if (passing_over) continue;
      if (row.address < target) {
        remembered = true;
        last = row;
        continue;
      }
      auto line = static_cast<std::int32_t>(remembered ? last.line : 0);
      if (line != 0) text += " line " + std::to_string(line);
      text += std::string(" of ") + (remembered ? FileName(u, last.file) : kUnknownFile);
      return text.substr(0, 255);
    }
  }
  return text;
}

}  // namespace line_diff
