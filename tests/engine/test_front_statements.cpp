// The model front end's statement variants, data rows and their
// separators, the translator table and the per-set target columns, with
// the values worked out by hand.
#include <gtest/gtest.h>

#include <algorithm>

#include "engine/FitSettings.h"
#include "engine/VB3Pas.h"
#include "test_front_support.h"

namespace qv {
namespace {

using fronttest::DumpLines;
using fronttest::Lines;
using fronttest::WorkLines;

struct ModelCase {
  const char* name;
  const char* text;
  std::vector<std::string> expected;     // lines the state dump must hold
  std::vector<std::string> absent = {};  // lines it must not hold
};

void ExpectReads(const ModelCase& c, TFitSettings* settings = nullptr) {
  fronttest::FixLocale();
  TRecordingFitHost host;
  if (settings) host.Options = *settings;
  fronttest::ExpectModelReads(host, c.name, c.text, c.expected, c.absent);
}

TEST(FrontStatementsText, CommentsTabsAndJoiningTogether) {
  const struct {
    const char* name;
    std::vector<std::string> in;
    std::vector<std::string> out;
  } cases[] = {
      {"a line comment inside a statement over two lines",
       {"Variables x, // the input", "y;"},
       {"variables x,y;"}},
      {"a whole-line comment becomes an empty line that joins nothing",
       {"// heading", "title t;"},
       {"", "title t;"}},
      {"tabs and comments stay in the program block",
       {"title t;", "startprogram;", "\ty[0] := a; // keep", "endprogram;"},
       {"title t;", "startprogram;", "\ty[0] := a; // keep", "endprogram;"}},
      {"a block comment inside the program block is removed like any other",
       {"startprogram;", "y := 1; { note }", "endprogram;"},
       {"startprogram;", "y := 1; ", "endprogram;"}},
      {"what a block comment over lines leaves is joined into one statement",
       {"Title {a", "b} t;"},
       {"title  t;"}},
      {"a joined statement runs to the last line when no line ends it",
       {"title t;", "parameters a,", "b"},
       {"title t;", "parameters a,b"}},
  };
  for (const auto& c : cases) {
    TEngineState s;
    PrepareModelText(s, c.in);
    EXPECT_EQ(WorkLines(s), c.out) << c.name;
  }
}

TEST(FrontStatementsFunctionModel, StatementVariants) {
  const ModelCase cases[] = {
      {"no match on either side: L-(R)+(y) with the last variable",
       "variables x, y, z;\nparameters r;\nfunction x^2+y^2 = r^2;\ndata;\n1 2 3\n2 3 4\n3 4 5",
       {"Function z <- x^2+y^2-(r^2)+(z)"}},
      {"if form with E = y sides and an L = R side",
       "variables x, y;\nparameters a, b;\nfunction if(x>0, a*x = y, a = b);\ndata;\n1 2\n2 3\n3 4",
       {"Function y <- if(x>0,a*x,a-(b)+(y))"}},
      {"the left side names an earlier variable, letter case ignored",
       "variables X, Y, Z;\nparameters a;\nfunction x = a*y+z;\ndata;\n1 2 3\n2 3 4\n3 4 5",
       {"Function x <- a*y+z"}},
      {"constants: letter case ignored, values that are not plain numbers bracketed",
       "variables x, y;\nparameters a;\nconst C = 2, m = -3, e2 = pi;\nfunction y = "
       "a*c*x+m*x+e2;\ndata;\n1 2\n2 3\n3 4",
       {"Constant C=2", "Constant m=-3", "Constant e2=pi", "Function y <- a*2*x+(-3)*x+(pi)"}},
      {"title keeps its text, exclusive needs =true without blanks",
       "title My first model;\nvariables x, y;\nexclusive = true;\nparameters a;\nfunction y = "
       "a*x;\ndata;\n1 2\n2 3\n3 4",
       {"ModelTitle My first model", "Exclusive 0"}},
      {"Exclusive=True in any letter case",
       "variables x, y;\nExclusive=True;\nparameters a [0, 1];\nfunction y = a*x;\ndata;\n1 2\n2 "
       "3\n3 4",
       {"Exclusive 1"}},
      {"a note after a data file name",
       "variables x, y;\nparameters a;\nfunction y = a*x;\ndatafile line.csv; // measured",
       {"DataSet 0 rows=4 name=line.csv file"}},
      {"rows: comments cut, blank lines skipped, separators mixed per row",
       "variables x, y;\nparameters a;\nfunction y = a*x;\ndata;\n1, 2 // first\n\n2;3\n3\t4\n 4   "
       "5 ",
       {"DataSet 0 rows=4", "DataColumns [2x4]"}},
  };
  for (const auto& c : cases) ExpectReads(c);
}

TEST(FrontStatementsReaders, ParameterDefinitions) {
  const ModelCase cases[] = {
      {"initial value without range, family with an initial value, rounded family bounds",
       "variables x, y;\nparameters b = 2, p(0.6:2.4) = 0.5 [0, 1], q(1:1+1) [-1, 1];\nfunction y "
       "= b*x+p1+p2+q1+q2;\n"
       "data;\n1 2\n2 3\n3 4",
       {"Parameter b init=2", "Parameter p1 init=0.5 bounds=0:1",
        "Parameter p2 init=0.5 bounds=0:1", "Parameter q1 bounds=-1:1", "Parameter q2 bounds=-1:1",
        "DimCount 5"},
       {"Parameter p0 init=0.5 bounds=0:1", "Parameter p3 init=0.5 bounds=0:1"}},
      {"two-index family: the first index varies slowest",
       "variables x, y;\nparameters w(2:3,0:1);\nfunction y = w20+w21+w30+w31;\ndata;\n1 2\n2 3\n3 "
       "4",
       {"Parameter w20", "Parameter w21", "Parameter w30", "Parameter w31", "DimCount 4"}},
      {"four values with one side open, initial value on the bounds",
       "variables x, y;\nparameters c = 1 [1, 3, 0, ], d = 0 [-1, 1, , 1], e = 1 [0, 1];\nfunction "
       "y = c+d+e;\n"
       "data;\n1 2\n2 3\n3 4",
       {"Parameter c init=1 range=1:3 bounds=0:", "Parameter d init=0 range=-1:1 bounds=:1",
        "Parameter e init=1 bounds=0:1"}},
      {"digits other than 0 keep the parameter real",
       "variables x, y;\nparameters g [0, 1, 3];\nfunction y = g*x;\ndata;\n1 2\n2 3\n3 4",
       {"Parameter g bounds=0:1 digits=3"},
       {"Parameter g bounds=0:1 digits=3 integer"}},
  };
  for (const auto& c : cases) ExpectReads(c);

  // Digits are taken only outside the encode-decode mode of the genetic
  // algorithm.
  TFitSettings encoded;
  encoded.SetItemIndex(TSettingName::RadioGroup2, 1);
  encoded.SetItemIndex(TSettingName::BinCheckBox, 1);
  ExpectReads({"digits ignored with encoded genes",
               "variables x, y;\nparameters k [0, 9, 0];\nfunction y = k*x;\ndata;\n1 2\n2 3\n3 4",
               {"Parameter k bounds=0:9"},
               {"Parameter k bounds=0:9 digits=0 integer"}},
              &encoded);
}

TEST(FrontStatementsReaders, MessagesOfLessTravelledPaths) {
  const struct {
    std::string text;
    std::string message;
    TMsgDlgType kind;
  } cases[] = {
      {"variables x, y;\nparameters a;\nvarparameter v = q [0, 1];\nstartprogram;\ny[0] := "
       "a*v;\nendprogram;\ndata;\n1 2",
       "Wrong defination on \"VarParameter\" v initial value!", mtInformation},
      {"variables x, y;\nparameters a;\nconst k(1.5:2)=[1,2];\nfunction y = a*x;\ndata;\n1 2\n2 "
       "3\n3 4",
       "Wrong constant value defination for \"k(1.5:2)=[1,2]\"!", mtInformation},
      {"variables x, y;\nparameters a;\nconst k(1 : 2) = [1, 2, 3];\nfunction y = a*x;\ndata;\n1 "
       "2\n2 3\n3 4",
       "Wrong constant value defination for \"k(1:2)=[1,2,3]\"!", mtInformation},
      // Reading stops at the first data line: a second one is only a bad row.
      {"variables x, y;\nparameters a;\nfunction y = a*x;\ndata;\n1 2\n2 3\n3 4\ndata;\n1 2",
       "Read data error!\ndata row 4: data;", mtError},
      {"variables x, y;\nparameters a = 1 [0, 1, 2, 3];\nfunction y = a*x;\ndata;\n1 2\n2 3\n3 4",
       "Initial parameter ranges is out of parameter ranges for \"a\"!", mtInformation},
  };
  for (const auto& c : cases) {
    fronttest::FixLocale();
    TEngineState s;
    TRecordingFitHost host;
    EXPECT_FALSE(ReadModel(s, host, Lines(c.text))) << c.text;
    ASSERT_EQ(host.Messages.size(), 1u) << c.text;
    EXPECT_EQ(host.Messages[0].Text, c.message);
    EXPECT_EQ(host.Messages[0].Kind, c.kind);
  }
}

TEST(FrontStatementsReaders, NameReplacementAndLongLists) {
  const struct {
    const char* text;
    const char* name;
    const char* replacement;
    const char* out;
  } cases[] = {
      {"a*C*x", "c", "2", "a*2*x"},
      {"c1+c*c", "C", "2", "c1+2*2"},
      {"my_c+c_", "c", "2", "my_2+2_"},      // "_" does not protect a name
      {"c+c", "c", "(c+1)", "(c+1)+(c+1)"},  // a replacement holding the name ends
      {"Abc", "x", "1", "abc"},
  };
  for (const auto& c : cases)
    EXPECT_EQ(ReplaceModelNames(c.text, c.name, c.replacement), c.out) << c.text;

  // A list of many pieces is read piece by piece; empty pieces define nothing.
  TEngineState s;
  TRecordingFitHost host;
  ASSERT_TRUE(ReadVariableList(s, host, "x" + std::string(300000, ',') + "y"));
  EXPECT_EQ(s.Model.VariableNames, (String1Array{"x", "y"}));
  EXPECT_FALSE(ReadVariableList(s, host, "z, x, w"));
  ASSERT_EQ(host.Messages.size(), 1u);
  EXPECT_EQ(host.Messages[0].Text, "The variable \"x\" has been multi-declared!");
  EXPECT_EQ(s.Model.VariableNames, (String1Array{"x", "y", "z"}));
}

// Every number a definition reader takes (bounds, initial values, constants
// and constant families, per-file constants) is read with "." whatever the
// process-wide format says: a user's locale with a decimal comma changes
// nothing, and a comma stays a separator.
TEST(FrontStatementsReaders, DefinitionNumbersHaveOneFormInEveryLocale) {
  for (const char decimal : {'.', ','}) {
    SCOPED_TRACE(std::string("decimal ") + decimal);
    FormatSettings().DecimalSeparator = decimal;
    FormatSettings().ThousandSeparator = decimal == ',' ? '.' : ',';
    FormatSettings().ListSeparator = decimal == ',' ? ';' : ',';
    TEngineState s;
    TRecordingFitHost host;
    s.Model.DataFileCount = 2;
    ASSERT_TRUE(ReadParameterList(s, host, "a = 0.5 [0.25, 1.75], b [-1.5e-1, 2.5]", 0));
    ASSERT_TRUE(ReadConstantList(s, host, "c = 0.125, d(1:2) = [0.25, 7.5], e = 1.5*2"));
    ASSERT_TRUE(ReadVarConstantList(s, host, "vc[0.5, 1.5]"));
    EXPECT_TRUE(host.Messages.empty());
    EXPECT_EQ(s.Model.InitialValue[0], 0.5);
    EXPECT_EQ(s.Model.LowerBound[0], 0.25);
    EXPECT_EQ(s.Model.UpperBound[0], 1.75);
    EXPECT_EQ(s.Model.LowerBound[1], -0.15);
    EXPECT_EQ(s.Model.UpperBound[1], 2.5);
    EXPECT_EQ(s.Model.ConstantNames, (String1Array{"c", "d1", "d2", "e"}));
    ASSERT_EQ(s.Model.VarConstantValues.size(), 2u);
    EXPECT_EQ(s.Model.VarConstantValues[0], (Double1Array{0.5}));
    EXPECT_EQ(s.Model.VarConstantValues[1], (Double1Array{1.5}));
    // The decimal comma is no number form of the model language.
    EXPECT_FALSE(ReadVarConstantList(s, host, "vw[0,5; 1,5]"));
  }
  fronttest::FixLocale();
}

// Rows are split and read in the one number form of the model language
// whatever the process-wide format (a user's locale) says: "." before the
// fraction; ",", ";", tab or blank between the fields.
TEST(FrontStatementsReaders, DataRowSplitting) {
  struct RowCase {
    char decimal;
    std::string row;
    bool ok;
    std::vector<double> values;
  };
  std::string many;  // 3,000 fields: 0;1;2;...
  std::vector<double> manyValues;
  for (int i = 0; i < 3000; ++i) {
    many += (i ? ";" : "") + std::to_string(i);
    manyValues.push_back(i);
  }
  const RowCase cases[] = {
      {'.', "1;2;3", true, {1, 2, 3}},
      {'.', "1 , 2", true, {1, 2}},
      {'.', "  1.5   -2e1 ", true, {1.5, -20}},
      {'.', "1,5;2", false, {}},  // the field before ";" is "1,5": not a number
      {',', "1,5;2", false, {}},  // nor with a decimal comma elsewhere
      {',', "1.5;2", true, {1.5, 2}},
      {',', "0.25\t3", true, {0.25, 3}},
      {'.', "1;;2", false, {}},
      {'.', "1 x", false, {}},
      {'.', "1;", false, {}},              // an empty last field
      {'.', "1\t2 3", true, {1, 2, 3}},    // the tab first, then blanks in the rest
      {'.', "1 2\t3", false, {}},          // "1 2" before the tab
      {'.', "1;2 ;3\t", true, {1, 2, 3}},  // fields and the row are trimmed
      {'.', "1, 2;3", false, {}},          // "1, 2" before the later ";"
      {'.', "1;2,3;4", false, {}},         // "1;2" before the later ","
      {'.', "0x10;1", false, {}},          // no hexadecimal, no "inf"
      {'.', "inf 1", false, {}},
      {'.', many, true, manyValues},
  };
  for (const auto& c : cases) {
    FormatSettings().DecimalSeparator = c.decimal;
    FormatSettings().ThousandSeparator = c.decimal == ',' ? '.' : ',';
    TEngineState s;
    TRecordingFitHost host;
    s.Model.VariableCount = 1;
    s.Model.OutputCount = 1;
    s.Model.DataFileCount = 1;
    s.Model.ValuesRead = 0;
    const bool ok = SplitDataRow(s, host, c.row, 0, 0);
    EXPECT_EQ(ok, c.ok) << c.row.substr(0, 40) << " with " << c.decimal;
    if (!c.ok) continue;
    ASSERT_EQ(s.Model.ValuesRead, static_cast<int>(c.values.size())) << c.row.substr(0, 40);
    EXPECT_EQ(s.Model.ColumnCount, static_cast<int>(c.values.size())) << c.row.substr(0, 40);
    ASSERT_EQ(s.Model.DataColumns.size(), 1u);
    for (size_t k = 0; k < c.values.size(); ++k)
      EXPECT_DOUBLE_EQ(s.Model.DataColumns[0][k][0], c.values[k]) << c.row.substr(0, 40);
  }
  fronttest::FixLocale();
}

TEST(FrontStatementsEquationModel, ObjectivesConstraintsAndDirections) {
  const ModelCase cases[] = {
      {"strict and non-strict per piece of one line, objective and constraint mixed",
       "parameters a [0, 1], b [0, 1];\nfunctions;\na < 1, b >= 0.5, a+b;",
       {"Constraint a-(1) < 0", "Constraint -(b-(0.5)) <= 0", "Objective a+b"}},
      {"an equation holding a sum keeps the index \"=\"",
       "parameters p(1:2) [0, 1];\nfunctions;\nsum(i=1:2)(p[i]) = 1;",
       {"Objective ((p1)+(p2))-(1)"}},
      {"the function list ends at the data line; minimum=false clears the direction",
       "parameters a [0, 1];\nmaximum;\nminimum = false;\nfunctions;\na^2;\ndata;\na <= 1;",
       {"Objective 0", "Objective a^2"},
       {"Constraint a-(1) <= 0"}},
      {"constants in bounds and a constant family in an objective",
       "const hi = 5, k(1:2)=[3,4];\nparameters a [0, hi];\nfunctions;\nk1*a + k2;",
       {"Parameter a bounds=0:5", "Objective 3*a+4"}},
      {"exclusive without false switches to encoded genes",
       "parameters a [0, 1];\nexclusive;\nfunctions;\na;",
       {"Exclusive 1"}},
      {"a product inside a sum, two indices in one bracket",
       "parameters x(1:2,1:2) [0, 1];\nfunctions;\nsum(i=1:2)(prod(j=1:2)(x[i,j]));",
       {"Objective ((((x11)*(x12)))+(((x21)*(x22))))"}},
      {"index arithmetic inside square brackets, index name as a whole word only",
       "parameters x(2:3) [0, 1];\nfunctions;\nsum(i=1:2)(x[i+1]*sin(i));",
       {"Objective ((x2*sin(1))+(x3*sin(2)))"}},
  };
  for (const auto& c : cases) ExpectReads(c);
}

TEST(FrontStatementsProgramModel, DataSetsLabelsAndOrder) {
  const char* const head =
      "variables x, y;\nparameters a [0, 2];\nstartprogram;\ny[0] := a*x[0];\nendprogram;\n";
  const ModelCase cases[] = {
      {"without var-parameters a test set keeps its place; marks in any letter case",
       "data [T];\n1 2\n2 3\ndata \"fit\";\n1 2\n2 3\n3 4",
       {"DataFileCount 2 TestFileCount 1", "DataSet 0 rows=2 name=Data file - 1 test",
        "DataSet 1 rows=3 name=fit"}},
      {"rows of the last set run to the last line; comment lines are not rows",
       "data;\n1 2\n// note\n2 3\n\n",
       {"DataSet 0 rows=2 name=Data file - 1", "DataColumns [2x2]"}},
      {"an unlabelled set takes its own number",
       "data \"a\";\n1 2\ndata;\n1 2\n3 4",
       {"DataSet 0 rows=1 name=a", "DataSet 1 rows=2 name=Data file - 2"}},
  };
  for (const auto& c : cases)
    ExpectReads({c.name, (std::string(head) + c.text).c_str(), c.expected, c.absent});
}

TEST(FrontStatementsProgramModel, OutputsBeyondTheLastColumnTakeTheLastColumn) {
  // Two outputs and rows of two values: y stands at the last column and z
  // beyond it, so both take the last column of the data.
  fronttest::FixLocale();
  TEngineState s;
  TRecordingFitHost host;
  ASSERT_TRUE(
      ReadModel(s, host,
                Lines("variables x, y [output], z [output];\nparameters a [0, 2];\nstartprogram;\n"
                      "y[0] := a*x[0];\nz[0] := x[0];\nendprogram;\ndata;\n1 2\n3 4\n5 6")))
      << (host.Messages.empty() ? "" : host.Messages[0].Text);
  PrepareTargetData(s);
  EXPECT_EQ(s.Model.OutputNames, (String1Array{"y", "z"}));
  EXPECT_EQ(s.Model.InputNames, (String1Array{"x"}));
  ASSERT_EQ(s.Model.TargetData[0].size(), 2u);
  EXPECT_EQ(s.Model.TargetData[0][0], (Double1Array{2, 4, 6}));
  EXPECT_EQ(s.Model.TargetData[0][1], (Double1Array{2, 4, 6}));
  EXPECT_DOUBLE_EQ(s.Model.TargetMean[0][1], 4);
  EXPECT_DOUBLE_EQ(s.Model.TargetMax[0][1], 6);
}

TEST(FrontStatementsTranslator, TableOfLines) {
  const struct {
    const char* name;
    std::vector<std::string> basic;
    std::vector<std::string> pascal;
  } cases[] = {
      {"redim with an expression, integer dim",
       {"dim n as integer", "dim a() as double", "redim a(n+1)", "a(n) = 2"},
       {"Var n : integer;//d_d", "Var a : array of double; Begin//d_d", "Setlength(a,n+1);//d_d",
        "a[n] := 2; End;//d_d"}},
      {"nested for and if, an array variable inside the loop header",
       {"for i = 0 to 3", "if x(i) > 0 then", "y(i) = x(i)", "end if", "next"},
       {"Begin for i := 0 to 3 Do Begin//d_d", "if x[i] > 0 then begin//d_d", "y[i] := x[i];//d_d",
        "End;//d_d", "End; End;//d_d"}},
      {"names holding a keyword are plain assignments",
       {"dim dif as double", "dim undo as double", "dif = 1", "undo = dif"},
       {"Var dif : double;//d_d", "Var undo : double; Begin//d_d", "dif := 1;//d_d",
        "undo := dif; End;//d_d"}},
      {"select case without else",
       {"select case k", "case 1", "y(0) = 1", "end select"},
       {"Begin case k of//d_d", "1: Begin//d_d", "y[0] := 1;//d_d", "End; End; End;//d_d"}},
  };
  for (const auto& c : cases) {
    std::vector<std::string> lines = c.basic;
    std::vector<std::string> arrays;
    TranslateBasicProgram(lines, {"x", "y"}, arrays);
    EXPECT_EQ(lines, c.pascal) << c.name;
  }
}

}  // namespace
}  // namespace qv
