// Forming the snippet's lines from the window's text: how much of a wide
// line fits, where its caret goes, and the colour around them.
#include "report/source/source_snippet.h"

#include "base/resource_object.h"

namespace rt {

namespace {

constexpr std::string_view kIndent = "      ";
constexpr std::string_view kBold = "\x1b[1m", kRed = "\x1b[1;31m", kPlain = "\x1b[0m";
constexpr std::string_view kCut = "...";

// Bytes that the caret line takes beyond the text before the caret: the
// cut mark, the caret and its colour.
constexpr std::size_t kCaretExtra = 3 + 1 + 7 + 4;

// A place in the window's text: its byte, its display column counted from
// the text's start, and the bytes shown before it.
struct Place {
  std::size_t at = 0;
  std::int64_t column = 0, shown = 0;
};

bool IsContinuation(unsigned char byte) {
  return (byte & 0xC0) == 0x80;
}

bool IsControl(unsigned char byte) {
  return byte < 0x20 || byte == 0x7F;
}

// Steps over one character: a tab, a control byte, or a byte with the
// continuation bytes that follow it.
void Step(std::string_view text, Place& place) {
  unsigned char byte = static_cast<unsigned char>(text[place.at]);
  std::int64_t width = byte == '\t' ? 8 - place.column % 8 : IsContinuation(byte) ? 0 : 1;
  std::size_t end = place.at + 1;
  if (byte >= 0xC0) {
    while (end < text.size() && IsContinuation(static_cast<unsigned char>(text[end]))) ++end;
  }
  place.shown += byte == '\t' ? width : static_cast<std::int64_t>(end - place.at);
  place.column += width;
  place.at = end;
}

// The character that holds byte `at`, or the text's end.
Place PlaceOf(std::string_view text, std::size_t at) {
  Place place;
  for (Place next; place.at < text.size(); place = next) {
    next = place;
    Step(text, next);
    if (next.at > at) break;
  }
  return place;
}

void AppendSpaces(Text& t, std::int64_t n) {
  constexpr std::string_view kSpaces = "                ";
  for (; n > 0; n -= static_cast<std::int64_t>(kSpaces.size())) {
    t.Append(kSpaces.substr(0, n < 16 ? static_cast<std::size_t>(n) : kSpaces.size()));
  }
}

// The text from `from` to byte `to`, tabs expanded and control bytes shown
// as '?'.
void AppendShown(Text& t, std::string_view text, Place from, std::size_t to) {
  for (Place place = from; place.at < to;) {
    Place next = place;
    Step(text, next);
    unsigned char byte = static_cast<unsigned char>(text[place.at]);
    if (byte == '\t') {
      AppendSpaces(t, next.column - place.column);
    } else if (IsControl(byte)) {
      t.Append("?");
    } else {
      t.Append(text.substr(place.at, next.at - place.at));
    }
    place = next;
  }
}

// What of the line is shown: from `begin` to byte `end`, with where the
// caret goes.
struct Shown {
  Place begin, caret;
  std::size_t end = 0;
  bool cut_left = false, cut_right = false;
};

// Keeps the stretch of the text around the caret that takes at most `room`
// bytes, about half of them before it where the line goes on past it.
Shown Choose(const SourceWindow& window, std::size_t caret, std::int64_t room) {
  std::string_view text = window.text();
  Shown shown;
  shown.caret = PlaceOf(text, caret);
  Place end = shown.caret;
  while (end.at < text.size()) Step(text, end);
  bool whole = !window.cut_left() && !window.cut_right() && end.shown <= room;
  std::int64_t budget = whole ? room : room - 2 * static_cast<std::int64_t>(kCut.size());
  std::int64_t after = end.shown - shown.caret.shown;
  std::int64_t before = budget - (after < budget / 2 ? after : budget / 2);
  while (shown.caret.shown - shown.begin.shown > before) Step(text, shown.begin);
  Place last = shown.caret;
  for (Place next = last; last.at < text.size(); last = next) {
    Step(text, next);
    if (next.shown - shown.begin.shown > budget) break;
  }
  shown.end = last.at;
  shown.cut_left = window.cut_left() || shown.begin.at > 0;
  shown.cut_right = window.cut_right() || shown.end < text.size();
  return shown;
}

void FormLocation(const SnippetRequest& request, Text& t) {
  Text place;
  place.Append(":");
  place.AppendDecimal(request.line);
  if (request.column > 0) {
    place.Append(":");
    place.AppendDecimal(request.column);
  }
  std::size_t room = Text::kCapacity - kIndent.size() - 4 - place.length;
  if (request.colour) room -= kBold.size() + kPlain.size();
  std::string_view path = request.path;
  t.Append(kIndent);
  t.Append("--> ");
  if (request.colour) t.Append(kBold);
  if (path.size() > room) {
    // Its end names the file; the cut falls on a character's first byte.
    path = path.substr(path.size() - (room - kCut.size()));
    while (!path.empty() && IsContinuation(static_cast<unsigned char>(path[0]))) {
      path.remove_prefix(1);
    }
    t.Append(kCut);
  }
  t.Append(path);
  t.Append(place.view());
  if (request.colour) t.Append(kPlain);
}

void FormLines(const SnippetRequest& request, const SourceWindow& window, Snippet& snippet) {
  Text& numbered = snippet.lines[1];
  numbered.Append(kIndent);
  numbered.AppendDecimal(request.line);
  std::size_t digits = numbered.length - kIndent.size();
  numbered.Append(" | ");
  std::int64_t at = request.column - 1 - window.first();
  std::int64_t size = static_cast<std::int64_t>(window.text().size());
  std::size_t caret = static_cast<std::size_t>(at < 0 ? 0 : at > size ? size : at);
  std::int64_t room = static_cast<std::int64_t>(Text::kCapacity - numbered.length - kCaretExtra);
  Shown shown = Choose(window, caret, room);
  if (shown.cut_left) numbered.Append(kCut);
  AppendShown(numbered, window.text(), shown.begin, shown.end);
  if (shown.cut_right) numbered.Append(kCut);
  snippet.count = 2;
  if (request.column < 1 || request.column - 1 > window.length()) return;
  Text& marked = snippet.lines[snippet.count++];
  marked.Append(kIndent);
  AppendSpaces(marked, static_cast<std::int64_t>(digits));
  marked.Append(" | ");
  AppendSpaces(marked, shown.caret.column - shown.begin.column + (shown.cut_left ? 3 : 0));
  if (request.colour) marked.Append(kRed);
  marked.Append("^");
  if (request.colour) marked.Append(kPlain);
}

}  // namespace

bool FormSnippet(const SnippetRequest& request, Snippet& snippet) {
  for (Text& line : snippet.lines) line.length = 0;
  snippet.count = 0;
  // A few KiB: from the report's memory rather than its stack.
  ResourcePtr<SourceWindow> window = MakeResourceObject<SourceWindow>();
  if (window->Read(request) != SourceRead::kLine) return false;
  FormLocation(request, snippet.lines[0]);
  FormLines(request, *window, snippet);
  return true;
}

}  // namespace rt
