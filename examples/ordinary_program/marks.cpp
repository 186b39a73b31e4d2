// Reads a class's marks and prints their average and the first mark that
// passed. It has a bug: when nobody passed, it reads through a null pointer,
// and the runtime reports the line where that happened.
#include <iostream>
#include <stdexcept>
#include <vector>

// The first mark of at least pass, or nullptr when there is none.
const int* FirstPass(const std::vector<int>& marks, int pass) {
  for (const int& mark : marks) {
    if (mark >= pass) return &mark;
  }
  return nullptr;
}

int ReadMark() {
  int mark = 0;
  std::cin >> mark;
  if (mark < 0 || mark > 100) throw std::out_of_range("a mark is from 0 to 100");
  return mark;
}

void PrintResults(const std::vector<int>& marks) {
  int sum = 0;
  for (int mark : marks) sum += mark;
  std::cout << "Average: " << sum / static_cast<int>(marks.size()) << "\n";
  std::cout << "First pass: " << *FirstPass(marks, 50) << "\n";
}

int main() {
  std::cout << "How many marks? ";
  int count = 0;
  std::cin >> count;
  if (count < 1) {
    std::cout << "No marks.\n";
    return 1;
  }
  std::vector<int> marks;
  for (int i = 0; i < count; ++i) marks.push_back(ReadMark());
  PrintResults(marks);
  return 0;
}
