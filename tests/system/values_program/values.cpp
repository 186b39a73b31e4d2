// Frames that hold values of every kind a report writes, the innermost of
// them reading through a null pointer.
#include <array>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

enum class Grade { kFail, kPass, kMerit };

struct Student {
  const char* name;
  int mark;
  Grade grade;
};

int* volatile nowhere = nullptr;

[[gnu::noinline]] int Lowest(const std::vector<int>& marks, const Student& best, char initial,
                             double weight, bool strict, const int* missing) {
  int lowest = marks.front();
  unsigned count = static_cast<unsigned>(marks.size());
  return lowest + static_cast<int>(count) + best.mark + initial + static_cast<int>(weight) +
         (strict ? 1 : 0) + *missing;
}

[[gnu::noinline]] int Report(std::string title, long total, Grade grade) {
  std::vector<int> marks = {71, 64, 88};
  Student best = {"Ann", 88, Grade::kMerit};
  std::array<short, 3> rows = {1, 2, 3};
  auto owner = std::make_unique<int>(7);
  int sum = Lowest(marks, best, 'q', 0.25, grade == Grade::kPass, nowhere);
  std::printf("%s %ld %d %d %d\n", title.c_str(), total, sum, rows[0], *owner);
  return sum;
}

int main() {
  return Report("marks", -3, Grade::kPass);
}
