// A source whose lines end in CR LF.
extern int* volatile nowhere;

int FromCrLf(int row) {
  return row + *nowhere;  // [crlf]
}
