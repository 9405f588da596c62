// Model text preparation and the classification of a prepared model.
#include <gtest/gtest.h>

#include "test_front_support.h"

namespace qv {
namespace {

using fronttest::Lines;
using fronttest::WorkLines;

struct PrepCase {
  const char* name;
  std::vector<std::string> in;
  std::vector<std::string> out;
};

TEST(FrontPrepareText, PreparesLinesAsTheParsersExpect) {
  const std::vector<PrepCase> cases = {
      {"statement over two lines is joined with nothing between", {"a = b +", "c;"}, {"a = b +c;"}},
      {"a finished statement keeps its letter case", {"Title Test;"}, {"Title Test;"}},
      {"only the starting line of a joined statement is lowered",
       {"Variables X,", "Y;"},
       {"variables x,Y;"}},
      {"line comments are cut before the data, kept in the rows",
       {"title x; // note", "data;", "1 2 // keep"},
       {"title x;", "data;", "1 2 // keep"}},
      {"block comments go in rounds", {"{ a } b { c }"}, {" b "}},
      {"a block comment over lines drops its blank lines",
       {"x;", "a { one", "two", "three } y;"},
       {"x;", "a  y;"}},
      {"an unclosed brace removes the rest", {"x;", "a { b", "c;", "d;"}, {"x;", "a "}},
      {"a closing brace before the opening one ends", {"a } b { c", "d;"}, {"a } b "}},
      {"tabs become blanks and the line is trimmed", {"\ttitle\tA;  "}, {"title A;"}},
      {"a trailing blank after the semicolon does not start a statement",
       {"title a; ", "variables x;"},
       {"title a; ", "variables x;"}},
      {"a statement without semicolon absorbs the data line",
       {"title t", "data;", "1;"},
       {"title tdata;", "1;"}},
      {"a Data line without semicolon stops the joining",
       {"title t;", "Data", "1 2", "3 4"},
       {"title t;", "Data", "1 2", "3 4"}},
      {"StartProgram[vb] without a blank stops the joining",
       {"StartProgram[vb];", "Y = A", "X = B // c"},
       {"StartProgram[vb];", "Y = A", "X = B // c"}},
      {"rows of a datafile model are left alone",
       {"datafile a.csv;", "// x", "1\t2"},
       {"datafile a.csv;", "// x", "1\t2"}},
  };
  for (const auto& c : cases) {
    TEngineState s;
    PrepareModelText(s, c.in);
    EXPECT_EQ(WorkLines(s), c.out) << c.name;
  }
}

TEST(FrontPrepareText, NeverChangesTheEditorLinesAndReplacesTheOldText) {
  TEngineState s;
  const std::vector<std::string> code = {"a = b +", "c;"};
  PrepareModelText(s, code);
  PrepareModelText(s, {"title t;"});
  EXPECT_EQ(WorkLines(s), std::vector<std::string>{"title t;"});
  EXPECT_EQ(code[0], "a = b +");
}

TEST(FrontClassify, KeywordsCountAtTheStartOfAStatement) {
  struct Case {
    const char* text;
    int mode;
  };
  const Case cases[] = {
      {"title variable test;\nparameters a[0,1];\nfunctions;\na<=1;", 1},
      {"variables x, y;\nparameters a;\nfunction y=a*x;\ndata;\n1 2", 0},
      {"Variable x;\nparameters a;\nfunction a*x;\ndata;\n1", 0},
      {"variables x [output], y;\nstartprogram;\ny := 1;\nendprogram;\ndata;", 2},
      {"parameters a;\nstartprogram;\nendprogram;", -1},
      {"parameters a;\ndata;\nvariables x;", 1},
  };
  for (const auto& c : cases) {
    TEngineState s;
    PrepareModelText(s, Lines(c.text));
    EXPECT_EQ(static_cast<int>(ClassifyModel(s)), c.mode) << c.text;
  }
}

TEST(FrontClassify, ReadModelRefusesAProgramWithoutVariables) {
  fronttest::FixLocale();
  TEngineState s;
  TRecordingFitHost host;
  EXPECT_FALSE(
      ReadModel(s, host, Lines("parameters a [0,1];\nstartprogram;\na := 1;\nendprogram;")));
  ASSERT_EQ(host.Messages.size(), 1u);
  EXPECT_EQ(host.Messages[0].Text, "Wrong codes, no thing will be executed!");
  EXPECT_EQ(host.Messages[0].Kind, mtInformation);
  EXPECT_EQ(s.Model.ModelMode, TModelMode::None);
}

TEST(FrontKeys, IntegerAndRealKeyFilters) {
  for (char k : std::string("0123456789\b\r")) EXPECT_TRUE(IsIntegerKey(k)) << int(k);
  for (char k : std::string("a.- ")) EXPECT_FALSE(IsIntegerKey(k)) << int(k);
  EXPECT_TRUE(IsRealKey('.', "12"));
  EXPECT_FALSE(IsRealKey('.', "1.2"));
  EXPECT_TRUE(IsRealKey('-', ""));
  EXPECT_TRUE(IsRealKey(' ', ""));
  EXPECT_FALSE(IsRealKey('e', ""));
}

}  // namespace
}  // namespace qv
