// The three model parsers: a table of model texts of every kind, each read
// into the engine state and checked through the state dump.
#include <gtest/gtest.h>

#include <algorithm>

#include "engine/FitSettings.h"
#include "engine/ParseExpr.h"
#include "engine/SearchSettings.h"
#include "test_front_support.h"

namespace qv {
namespace {

using fronttest::DumpLines;
using fronttest::Lines;

struct ModelCase {
  const char* name;
  const char* text;
  std::vector<std::string> expected;  // lines that the dump must hold
};

void ExpectReads(const ModelCase& c) {
  fronttest::FixLocale();
  TRecordingFitHost host;
  fronttest::ExpectModelReads(host, c.name, c.text, c.expected);
  EXPECT_TRUE(host.Messages.empty()) << c.name;
}

TEST(FrontFunctionModel, ReadsStatementsIntoTheState) {
  const ModelCase cases[] = {
      {"linear fit with inline data",
       "title Linear fit;\nvariables x, y;\nparameters a [0, 10], b = 1 [-5, 5];\nfunction y = "
       "a*x+b;\ndata;\n1 2\n2 4\n3 6",
       {"ModelMode 0", "ModelTitle Linear fit", "Variables x|y", "Parameter a bounds=0:10",
        "Parameter b init=1 bounds=-5:5", "Function y <- a*x+b", "DimCount 2", "DataSet 0 rows=3",
        "DataColumns [2x3]", "TargetData [1x3]"}},
      {"families, empty and expression bounds, integers, over several lines",
       "variables x,\n z;\nparameters p(1:3) [0, 1], k [0, 10, 0], u [, 10],\n w [0, pi], "
       "q(1:2,1:2), r = 2 [1, 3, 0, 5, 2];\n"
       "function x^2+p1 = p2;\ndata;\n1 1\n2 2\n3 3",
       {"Variables x|z", "Parameter p1 bounds=0:1", "Parameter p3 bounds=0:1",
        "Parameter k bounds=0:10 digits=0 integer", "Parameter u bounds=:10",
        "Parameter w bounds=0:3.14159265358979", "Parameter q11", "Parameter q12", "Parameter q21",
        "Parameter q22", "Parameter r init=2 range=1:3 bounds=0:5 digits=2",
        "Function z <- x^2+p1-(p2)+(z)", "DimCount 11"}},
      {"the left side names the output",
       "variables x, y, z;\nparameters a;\nfunction y = a*x+z;\ndata;\n1 2 3\n2 3 4\n3 4 5",
       {"Function y <- a*x+z"}},
      {"the right side names the output",
       "variables x, y;\nparameters a, b;\nfunction a*x+b = y;\ndata;\n1 2\n2 3\n3 4",
       {"Function y <- a*x+b"}},
      {"implicit equation without =",
       "variables x, y;\nparameters a, b;\nfunction a*x+b;\ndata;\n1 2\n2 3\n3 4",
       {"Function y <- a*x+b+(y)"}},
      {"if form",
       "variables x, y;\nparameters a, b;\nfunction if(x>0, y=a*x, y=b*x);\ndata;\n1 2\n2 3\n3 4",
       {"Function y <- if(x>0,a*x,b*x)"}},
      {"output marked on the variable",
       "variables x [output], y;\nparameters a, b;\nfunction a*y+b = x;\ndata;\n1 2\n2 3\n3 4",
       {"FixedOutputIndex 0", "Function x <- a*y+b"}},
      {"constants replace whole words only, expressions keep their meaning",
       "variables x, y;\nparameters a, c1;\nconst c = 2, d = 1+1;\nfunction y = "
       "a*c*x+c1*d;\ndata;\n1 2\n2 3\n3 4",
       {"Constant c=2", "Constant d=1+1", "Function y <- a*2*x+c1*(1+1)"}},
      {"constant family",
       "variables x, y;\nparameters a;\nconst k(1:3)=[4,5,6];\nfunction y = a*k2;\ndata;\n1 2\n2 "
       "3\n3 4",
       {"Constant k1=4", "Constant k3=6", "Function y <- a*5"}},
      {"data file relative to the model",
       "variables x, y;\nparameters a;\nfunction y = a*x;\ndatafile line.csv;",
       {"DataSet 0 rows=4 name=line.csv file", "DataColumns [2x4]"}},
      {"a UTF-8 byte-order mark and CR LF line ends are no part of the values",
       "variables x, y;\nparameters a;\nfunction y = a*x;\ndatafile bom.csv;",
       {"DataSet 0 rows=3 name=bom.csv file", "DataColumns [2x3]"}},
      {"a later, longer data set gets its own size",
       "variables x, y;\nparameters a;\nfunction y = a*x;\ndatafile \"line.csv\";\ndata;\n1 2\n2 "
       "3\n3 4\n4 5\n5 6\n6 7",
       {"DataFileCount 2 TestFileCount 0", "DataSet 0 rows=4 name=line.csv file",
        "DataSet 1 rows=6", "DataColumns [2x4 2x6]", "TargetData [1x4 1x6]"}},
      {"two functions",
       "variables x, y;\nparameters a, b;\nfunction y = a*x;\nfunction y = b*x;\ndata;\n1 2\n2 "
       "3\n3 4",
       {"Function y <- a*x", "Function y <- b*x"}},
      {"data rows split at ; , tab and blank",
       "variables x, y, z;\nparameters a;\nfunction z = a*x*y;\ndata;\n1;2;3\n1,2,3\n1\t2\t3\n1 2 "
       "3",
       {"DataSet 0 rows=4", "DataColumns [3x4]"}},
  };
  for (const auto& c : cases) ExpectReads(c);
}

TEST(FrontFunctionModel, ExclusiveSwitchesToEncodedGenes) {
  fronttest::FixLocale();
  TEngineState s;
  TRecordingFitHost host;
  host.Options.SetItemIndex(TSettingName::BinBox, 6);  // base 8
  ASSERT_TRUE(ReadModel(
      s, host,
      Lines("variables x, y;\nexclusive=true;\nparameters a [0, 9], b [0, 9];\nfunction y=a*x+b;\n"
            "data;\n1 2\n2 3\n3 4")));
  EXPECT_TRUE(s.Model.Exclusive);
  EXPECT_TRUE(s.Model.EncodeDecode);
  EXPECT_EQ(s.Model.GeneDecimals, 0);
  // The run reads the coding that the statement chose, with the window's base.
  TSearchSettings set;
  ASSERT_TRUE(ReadSearchSettings(s, host, set));
  EXPECT_EQ(set.Algorithm, TAlgorithm::Genetic);
  EXPECT_TRUE(set.EncodeDecode);
  EXPECT_EQ(set.GeneBase, 8);
  EXPECT_EQ(set.GeneDecimals, 0);
  EXPECT_EQ(host.Options.ItemIndex(TSettingName::RadioGroup2), 1);
  EXPECT_EQ(host.Options.ItemIndex(TSettingName::BinCheckBox), 1);
  EXPECT_EQ(host.Options.Text(TSettingName::ComboBox2), "0");
  for (const char* name : {"RadioGroup2", "BinCheckBox", "ComboBox2"})
    EXPECT_NE(
        std::find(host.Calls.begin(), host.Calls.end(), std::string("SettingChanged ") + name),
        host.Calls.end());
  // In encode-decode mode every parameter needs both bounds.
  TEngineState s2;
  TRecordingFitHost host2;
  EXPECT_FALSE(ReadModel(s2, host2,
                         Lines("variables x, y;\nexclusive=true;\nparameters a [0, ];\nfunction "
                               "y=a*x;\ndata;\n1 2\n2 3\n3 4")));
  ASSERT_EQ(host2.Messages.size(), 1u);
  EXPECT_EQ(host2.Messages[0].Text,
            "Wrong defination for a, no range values defined!\r(you have to specify bound values "
            "for all parameter in "
            "encode/decode mode of GA)");
}

TEST(FrontFunctionModel, TargetsAndCompiledFunction) {
  fronttest::FixLocale();
  TEngineState s;
  TRecordingFitHost host;
  ASSERT_TRUE(ReadModel(s, host,
                        Lines("variables x, y, z;\nparameters a, b;\nfunction y = "
                              "a*x+b*z;\ndata;\n1 10 5\n2 20 6\n3 60 7")));
  PrepareTargetData(s);
  EXPECT_EQ(s.Model.InputNames, (String1Array{"x", "z"}));
  EXPECT_EQ(s.Model.InputData[0], (Double2Array{{1, 2, 3}, {5, 6, 7}}));
  EXPECT_EQ(s.Model.TargetData[0][0], (Double1Array{10, 20, 60}));
  EXPECT_DOUBLE_EQ(s.Model.TargetMean[0][0], 30);
  EXPECT_DOUBLE_EQ(s.Model.TargetMin[0][0], 10);
  EXPECT_DOUBLE_EQ(s.Model.TargetMax[0][0], 60);
  ASSERT_TRUE(CompileFitFunction(s, host));
  s.Model.VariableValues[0] = 2;  // the parser reads the bound addresses
  s.Model.VariableValues[2] = 3;
  s.Model.ParameterValues[0] = 4;
  s.Model.ParameterValues[1] = 5;
  EXPECT_DOUBLE_EQ(s.Model.Parser->EvaluateCompiled(s.Model.CompiledFunction), 4 * 2 + 5 * 3);
}

TEST(FrontEquationModel, ReadsObjectivesAndConstraints) {
  const ModelCase cases[] = {
      {"sum expansion, constraints of every kind",
       "title Opt;\nparameters p(1:3) [0, 1];\nconst c = "
       "2;\nminimum;\nfunctions;\nsum(i=1:3)(p[i]*i);\n"
       "p1 + p2 <= c;\np3 > 0.5, p1 <> p2;\nmax(p1, p2) = 1;",
       {"ModelMode 1", "ModelTitle Opt", "Objective 2", "Objective ((p1*1)+(p2*2)+(p3*3))",
        "Constraint p1+p2-(2) <= 0", "Constraint -(p3-(0.5)) < 0", "Constraint -abs(p1-(p2)) < 0",
        "Objective max(p1,p2)-(1)", "DimCount 3"}},
      {"equations on the function line, maximum, a sum in a constraint",
       "parameters x [-10, 10], y [-10, 10];\nmaximum;\nfunction x^2+y^2 = 25, x >= y;",
       {"Objective 1", "Objective x^2+y^2-(25)", "Constraint -(x-(y)) <= 0"}},
      {"constants are whole words in constraints too",
       "parameters c1 [0, 5], x(1:2) [0, 1];\nconst c = 2;\nfunctions;\nc1 + c <= "
       "3;\nsum(j=1:2)(x[j]) >= c1;",
       {"Constraint c1+2-(3) <= 0", "Constraint -(((x1)+(x2))-(c1)) <= 0"}},
      {"prod and a two-index family",
       "parameters q(1:2,1:2) [0, 1];\nfunctions;\nprod(i=1:2)(q[i,2]) + q[1,1] + q[2,1];",
       {"Objective ((q12)*(q22))+q11+q21"}},
      {"maximum=false means no direction",
       "parameters a [0, 1];\nmaximum=false;\nfunctions;\na;",
       {"Objective 0", "Objective a"}},
  };
  for (const auto& c : cases) ExpectReads(c);
}

TEST(FrontEquationModel, SumExpansionTable) {
  fronttest::FixLocale();
  struct Case {
    const char* in;
    int kind;
    const char* out;
  };
  const Case cases[] = {
      {"sum(i=1:3)(p[i]*i)", 0, "((p[1]*1)+(p[2]*2)+(p[3]*3))"},
      {"prod(i=1:2)(x[i])", 1, "((x[1])*(x[2]))"},
      {"1+sum(k=0:1)(x[k+1]*k)+2", 0, "1+((x[1]*0)+(x[2]*1))+2"},
      {"sum(i=1:2)(sum(j=1:2)(q[i,j]))", 0, "((((q[1,1])+(q[1,2])))+(((q[2,1])+(q[2,2]))))"},
      {"sum(i=2:1)(x[i])", 0, "()"},
      {"sum(ii=1:2)(i*ii)", 0, "((i*1)+(i*2))"},
  };
  for (const auto& c : cases) EXPECT_EQ(ExpandSumProd(c.in, c.kind), c.out) << c.in;
  EXPECT_THROW(ExpandSumProd("sum(i=1:)(x[i])", 0), std::exception);
}

TEST(FrontEquationModel, CompilesEveryExpression) {
  fronttest::FixLocale();
  TEngineState s;
  TRecordingFitHost host;
  ASSERT_TRUE(
      ReadModel(s, host, Lines("parameters a [0, 3], b [0, 3];\nfunctions;\na*b;\na+b <= 4;")));
  ASSERT_TRUE(CompileEquationFunctions(s, host));
  s.Model.ParameterValues[0] = 2;
  s.Model.ParameterValues[1] = 3;
  EXPECT_DOUBLE_EQ(s.Model.Parser->EvaluateCompiled(s.Model.ObjectiveIndices[0]), 6);
  EXPECT_DOUBLE_EQ(s.Model.Parser->EvaluateCompiled(s.Model.ConstraintIndices[0]), 1);
}

TEST(FrontProgramModel, ReadsProgramDataSetsAndPerSetValues) {
  const ModelCase cases[] = {
      {"test set first is moved behind the fitted one, var-parameters last",
       "title Prog;\nvariables x, y [output];\nvarparameter v [0, 1];\nparameters a [0, 2];\nconst "
       "k = 3;\n"
       "// one value per data set\n\nvarconstant vc[1, 2];\nstartprogram;\nfor i := 0 to "
       "DataLength - 1 do\n  y[i] := a*x[i] + v + vc;\n"
       "endprogram;\ndata [t];\n1, 2\n2, 3\ndata \"main\";\n1, 2\n2, 3\n3, 4",
       {"ModelMode 2", "ModelTitle Prog", "OutputNames y", "OutputCount 1",
        "Parameter a bounds=0:2", "Parameter v var bounds=0:1", "VarParameterCount 1", "DimCount 3",
        "DataFileCount 2 TestFileCount 1", "DataSet 0 rows=3 name=main",
        "DataSet 1 rows=2 name=Data file - 1 test", "VarConstant vc = 2 1", "DataColumns [2x3 2x2]",
        "TargetData [1x3 1x2]"}},
      {"a data file and the last variable as output",
       "variables x, y;\nparameters a [0, 2];\nstartprogram;\ny[0] := "
       "a*x[0];\nendprogram;\ndatafile line.csv [test];",
       {"OutputNames y", "DataSet 0 rows=4 name=line.csv file test", "DataColumns [2x4]"}},
  };
  for (const auto& c : cases) ExpectReads(c);
}

TEST(FrontProgramModel, BasicBlockIsTranslatedInPlace) {
  fronttest::FixLocale();
  TEngineState s;
  TRecordingFitHost host;
  ASSERT_TRUE(ReadModel(
      s, host,
      Lines(
          "variables x, y;\nparameters a [0, 2];\nStartProgram[vb];\nfor i = 0 to datalength - 1\n"
          "  y(i) = a * x(i) // scaled\nnext\nendprogram;\nData\n1 2\n2 3\n3 4")))
      << (host.Messages.empty() ? "" : host.Messages[0].Text);
  EXPECT_TRUE(s.Model.BasicProgram);
  ASSERT_EQ(s.Model.ProgramStart, 3);
  ASSERT_EQ(s.Model.ProgramEnd, 5);
  auto lines = fronttest::WorkLines(s);
  EXPECT_EQ(lines[3], "Begin for i := 0 to datalength - 1 Do Begin//d_d");
  EXPECT_EQ(lines[4], "y[i] := a * x[i];//d_d");
  EXPECT_EQ(lines[5], "End; End;//d_d");
  EXPECT_EQ(s.Model.PointCount, (Integer1Array{3}));  // rows not joined into the Data line
  PrepareTargetData(s);
  EXPECT_EQ(s.Model.InputNames, (String1Array{"x"}));
  EXPECT_EQ(s.Model.TargetData[0][0], (Double1Array{2, 3, 4}));
}

TEST(FrontProgramModel, VarParametersDeclaredFirstLandInTheLastSlots) {
  fronttest::FixLocale();
  TEngineState s;
  TRecordingFitHost host;
  ASSERT_TRUE(ReadModel(
      s, host,
      Lines(
          "variables x, y;\nvarparameter v [0, 1];\nparameters a [0, 2], b [1, 3];\nstartprogram;\n"
          "y[0] := a*x[0]+b+v;\nendprogram;\ndata;\n1 2\n2 3\ndata;\n1 2\n2 3")));
  EXPECT_EQ(s.Model.ParameterNames, (String1Array{"a", "b", "v"}));
  EXPECT_EQ(s.Model.IsVarParameter, (Boolean1Array{false, false, true}));
  EXPECT_DOUBLE_EQ(s.Model.LowerBound[1], 1);
  EXPECT_EQ(s.Model.DimCount, 4);
  EXPECT_EQ(s.Model.DimParameter(2), 2);
  EXPECT_EQ(s.Model.DimParameter(3), 2);
  EXPECT_EQ(s.Model.DimParameter(1), 1);
}

}  // namespace
}  // namespace qv
