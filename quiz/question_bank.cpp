// The question texts, byte for byte; several end in blanks, which are part of
// what the student sees and are written unchanged.
#include "quiz/question_bank.h"

namespace quiz {

namespace {

const QuizQuestion kBank[kQuestionCount] = {
    {"1: Which of these lines generate a random number from 1-100?   (1F)",
     {"a. x:=random (100) + 1; ", "b. x:=random (101) +1; ", "c. x:=random (101) ; ",
      "d. x:=random (100) ; "},
     {"a", 0}},
    {"2: x:='e' and y:=ord(x) writeln(y); what is the output? (3A) ",
     {"a. E", "b. 5 ", "c. 101 ", "d. Y"},
     {"c", 0}},
    {"3: Which one of these makes an array of 18 students? (4C)  ",
     {"a. class: ARRAY [1..18] of longint; ", "b. class: ARRAY [0..18] of integer; ",
      "c. class: ARRAY [1..18] of string;  ", "d. class: ARRAY [0..18] of real;"},
     {"c", 0}},
    {"4: Convert the binary number 01101001 into decimal form. (5C)",
     {"a. 254", "b. 100", "c. 89 ", "d. 105 "},
     {"d", 0}},
    {"5: What kind of loops do not need an end;? (4A)",
     {"a. For To Do", "b. Repeat Until ", "c. Case Statement ", "d. While Do"},
     {"b", 0}},
    {"6: What does the function TRUNC do? (2A)",
     {"a. round up  ", "b. multiply by 6", "c. round down ", "d. square down"},
     {"c", 0}},
    {"7: What is the value of x? x:=length('Do not get this wrong') (3E) ",
     {"a. 21", "b. 20", "c. 17 ", "d. 18"},
     {"a", 0}},
    {"8: x:=37 div 6  ,y:=37 mod 6. What are the values of x and y? (2A)  ",
     {"a. x=1 y=6 ", "b. x=7 y=1 ", "c. x=1 y=7 ", "d. x=6 y=1 "},
     {"d", 0}},
    {"9: What do you need on the top of your program when using sound and color? (6C)",
     {"a. uses crt", "b. crt;", "c. uses crt; ", "d. crt uses;"},
     {"c", 0}},
    {"10: Which will show 3 decimal places after a real number value? (2B) ",
     {"a. value:3 ", "b. value:0:3", "c. value:3:0", "d. value:three"},
     {"a", 0}},
};

}  // namespace

const QuizQuestion& Question(int k) {
  return kBank[k - 1];
}

}  // namespace quiz
