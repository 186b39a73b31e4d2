// A header of the program's own, whose inline function faults.
#pragma once

inline int BestMark(const int* marks, int count, int* best) {
  for (int i = 0; i < count; ++i) {
    if (marks[i] > *best) *best = marks[i];  // [header]
  }
  return *best;
}
