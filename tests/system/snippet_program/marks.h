// A header of the program's own, whose inline function faults.
#pragma once

inline int BestMark(const int* marks, int count, const int* best) {
  return marks[count - 1] > *best ? marks[count - 1] : *best;  // [header]
}
