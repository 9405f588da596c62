// The Basic-to-Pascal line translator.
#include <gtest/gtest.h>

#include "engine/VB3Pas.h"

namespace qv {
namespace {

struct Case {
  const char* name;
  std::vector<std::string> basic;
  std::vector<std::string> pascal;
};

TEST(FrontBasicTranslator, TranslatesBlocksDeclarationsAndAssignments) {
  const std::vector<Case> cases = {
      {"declaration and the body after it",
       {"dim k as long", "k = 1"},
       {"Var k : longInt; Begin//d_d", "k := 1; End;//d_d"}},
      {"if / else / end if",
       {"dim t as single", "if x > 0 then", "y = 1", "else", "y = 2", "end if"},
       {"Var t : double; Begin//d_d", "if x > 0 then begin//d_d", "y := 1;//d_d",
        "End Else Begin//d_d", "y := 2;//d_d", "End; End;//d_d"}},
      {"elseif",
       {"if a > 1 then", "y = 1", "elseif a > 0 then", "y = 2", "end if"},
       {"Begin if a > 1 then begin//d_d", "y := 1;//d_d", "End else If a > 0 then Begin//d_d",
        "y := 2;//d_d", "End; End;//d_d"}},
      {"arrays with a bound, for / next",
       {"dim a(10) as double", "for i = 0 to 10", "a(i) = x(i) + 1", "next"},
       {"Var a : array[0..10] of double; Begin//d_d", "for i := 0 to 10 Do Begin//d_d",
        "a[i] := x[i] + 1;//d_d", "End; End;//d_d"}},
      {"open array, redim, exit for",
       {"dim a() as double", "redim a(10)", "for i = 0 to 9", "if i > 5 then", "exit for", "end if",
        "next"},
       {"Var a : array of double; Begin//d_d", "Setlength(a,10);//d_d",
        "for i := 0 to 9 Do Begin//d_d", "if i > 5 then begin//d_d", "Break;//d_d", "End;//d_d",
        "End; End;//d_d"}},
      {"no dim: Begin before the first statement; colons split statements",
       {"y(0) = a: z = 2"},
       {"Begin y[0] := a; z := 2; End;//d_d"}},
      {"do / loop while repeats while the condition holds",
       {"do", "k = k + 1", "loop while k < 10"},
       {"Begin Repeat//d_d", "k := k + 1;//d_d", "Until not (k < 10); End;//d_d"}},
      {"do while / loop",
       {"do while k < 10", "k = k + 1", "loop"},
       {"Begin while k < 10 Do Begin//d_d", "k := k + 1;//d_d", "End; End;//d_d"}},
      {"select case with labels and else",
       {"select case k", "case 1", "y = 1", "case 2, 3", "y = 2", "case else", "y = 3",
        "end select"},
       {"Begin case k of//d_d", "1: Begin//d_d", "y := 1;//d_d", "End; 2, 3: Begin//d_d",
        "y := 2;//d_d", "End; Else Begin//d_d", "y := 3;//d_d", "End; End; End;//d_d"}},
      {"comparisons in an assignment stay comparisons",
       {"dim f as integer", "f = a <= b"},
       {"Var f : integer; Begin//d_d", "f := a <= b; End;//d_d"}},
      {"array names are whole words: max( is not x(",
       {"y(0) = max(x(1), 2)"},
       {"Begin y[0] := max(x[1], 2); End;//d_d"}},
  };
  for (const auto& c : cases) {
    std::vector<std::string> lines = c.basic;
    std::vector<std::string> arrays;
    TranslateBasicProgram(lines, {"x", "y"}, arrays);
    EXPECT_EQ(lines, c.pascal) << c.name;
  }
}

TEST(FrontBasicTranslator, CollectsArrayNamesThenVariables) {
  std::vector<std::string> lines = {"dim a() as double", "dim b(3) as integer", "dim n as long",
                                    "n = 1"};
  std::vector<std::string> arrays;
  TranslateBasicProgram(lines, {"X", "Y"}, arrays);
  EXPECT_EQ(arrays, (std::vector<std::string>{"a", "b", "x", "y"}));
  EXPECT_EQ(lines[2], "Var n : longInt; Begin//d_d");
}

}  // namespace
}  // namespace qv
