// Every model error message of the readers and parsers: exact text and
// dialog kind, one message per failed read, and nothing started.
#include <gtest/gtest.h>

#include <algorithm>

#include "engine/FitSettings.h"
#include "test_front_support.h"

namespace qv {
namespace {

using fronttest::Lines;

enum class Stage {
  Read,
  FunctionParser,
  ProgramParser,
  CompileFunction,
  CompileEquations,
};

struct ErrorCase {
  std::string text;
  std::string message;
  TMsgDlgType kind;
  Stage stage = Stage::Read;
};

const char* const kFit = "variables x, y;\nparameters a [0, 10];\nfunction y = a*x;\n";
const char* const kProg =
    "variables x, y;\nparameters a [0, 2];\nstartprogram;\ny[0] := a*x[0];\nendprogram;\n";

std::string Fit(const std::string& tail) { return std::string(kFit) + tail; }
std::string Prog(const std::string& tail) { return std::string(kProg) + tail; }
// The path of a file in the data folder, as the messages name it.
std::string InData(const std::string& name) { return fronttest::DataDir() + "/" + name; }

void ExpectError(const std::string& text, const std::string& message, TMsgDlgType kind, Stage stage,
                 TFitSettings* settings = nullptr) {
  fronttest::FixLocale();
  TEngineState s;
  s.Model.ModelFolder = fronttest::DataDir();
  TRecordingFitHost host;
  if (settings) host.Options = *settings;
  bool ok = true;
  switch (stage) {
    case Stage::Read:
      ok = ReadModel(s, host, Lines(text));
      break;
    case Stage::FunctionParser:
      PrepareModelText(s, Lines(text));
      s.Model.ModelMode = TModelMode::Function;
      ok = ParseFunctionModel(s, host);
      break;
    case Stage::ProgramParser:
      PrepareModelText(s, Lines(text));
      s.Model.ModelMode = TModelMode::Program;
      ok = ParseProgramModel(s, host);
      break;
    case Stage::CompileFunction:
      ok = ReadModel(s, host, Lines(text)) && CompileFitFunction(s, host);
      break;
    case Stage::CompileEquations:
      ok = ReadModel(s, host, Lines(text)) && CompileEquationFunctions(s, host);
      break;
  }
  EXPECT_FALSE(ok) << text;
  ASSERT_EQ(host.Messages.size(), 1u) << text;
  EXPECT_EQ(host.Messages[0].Text, message) << text;
  EXPECT_EQ(host.Messages[0].Kind, kind) << text;
  for (const auto& call : host.Calls)
    EXPECT_TRUE(call.rfind("SettingChanged", 0) == 0) << "started: " << call;
}

TEST(FrontModelErrors, FunctionModelMessages) {
  std::string kLongTail;
  for (int i = 0; i < 200000; ++i) kLongTail += " 1";
  const ErrorCase cases[] = {
      {"variables x, y;\nfunction y = x;\ndata;\n1 2\n2 3\n3 4", "No parameters defined!", mtError},
      {"parameters a;\nfunction a;\ndata;\n1\n2\n3", "No variables defined!", mtError,
       Stage::FunctionParser},
      {"variables x, y;\nparameters a;\nfunction y=a*x;\ndata;\n1 2\n2 3",
       "There are no enougth data for processing!", mtError},
      {"variables x, y;\nparameters a;\nfunction y=a*x;",
       "There are no enougth data for processing!", mtError},
      {"variables x, y;\nparameters a;\nfunction y=a*x;\ndatafile two_rows.csv;",
       "There are no enougth data for processing!", mtError},
      // After the fixed text: whether the file is missing or unreadable, and
      // which file and line (or inline row) could not be read.
      {"variables x, y;\nparameters a;\nfunction y=a*x;\ndatafile missing.csv;",
       "File \"missing.csv\" not exist!\n" + InData("missing.csv") + ": no such file", mtWarning},
      {"variables x, y;\nparameters a;\nfunction y=a*x;\ndatafile \".\";",
       "File \".\" not exist!\n" + InData(".") + ": a folder, not a file", mtWarning},
      {"variables x, y, z;\nparameters a;\nfunction z=a*x*y;\ndata;\n1 2 3\n2 3\n3 4 5",
       "Read data error!\ndata row 2: 2 3", mtError},
      {"variables x, y;\nparameters a;\nfunction y=a*x;\ndata;\n1 2\n2 b\n3 4",
       "Read data error!\ndata row 2: 2 b", mtError},
      // A long row is quoted by its first 100 bytes and "..."; a row of 100
      // bytes whole.
      {"variables x, y;\nparameters a;\nfunction y=a*x;\ndata;\n1 2\n2 x" + kLongTail + "\n3 4",
       "Read data error!\ndata row 2: " + ("2 x" + kLongTail).substr(0, 100) + "...", mtError},
      {"variables x, y;\nparameters a;\nfunction y=a*x;\ndata;\n1 2\n2 " + std::string(97, '9') +
           "b\n3 4",
       "Read data error!\ndata row 2: 2 " + std::string(97, '9') + "b", mtError},
      {"variables x, y;\nparameters a;\nfunction y=a*x;\ndatafile short_row.csv;",
       "Read data error!\n" + InData("short_row.csv") + ", line 2: 2", mtError},
      {"variables x, y;\nparameters a;\nfunction y=a*x;\ndatafile blank_lines.csv;",
       "Read data error!\n" + InData("blank_lines.csv") + ", line 5: 3 x", mtError},
      {"variables x, y, z;\nparameters a;\nfunction z=a*x*y;\ndata;\n1 2\n2 3\n3 4",
       "Wrong defination of Variables, no enough data value columns!", mtWarning},
      {"variables x, y, x;\nparameters a;\nfunction y=a*x;",
       "The variable \"x\" has been multi-declared!", mtWarning},
      {"variables x, y;\nparameters a, b, a;\nfunction y=a*x;",
       "The parameter \"a\" has been multi-declared!", mtWarning},
      {"variables x, y;\nparameters p(1:2), p2;\nfunction y=p1*x;",
       "The parameter \"p2\" has been multi-declared!", mtWarning},
  };
  for (const auto& c : cases) ExpectError(c.text, c.message, c.kind, c.stage);
}

TEST(FrontModelErrors, DefinitionReaderMessages) {
  const ErrorCase cases[] = {
      {"parameters a [0];", "Wrong defination of parameter value range for \"a [0]\"!",
       mtInformation},
      {"parameters a [0,1,2,3,4,5];",
       "Wrong defination of parameter value range for \"a [0,1,2,3,4,5]\"!", mtInformation},
      {"parameters a [0, foo];", "Wrong defination of parameter value range for \"a [0, foo]\"!",
       mtInformation},
      {"parameters a [0, ln(-1)];",
       "Wrong defination of parameter value range for \"a [0, ln(-1)]\"!", mtInformation},
      {"parameters a [5, 1];", "Wrong defination of parameter value range for \"a [5, 1]\"!",
       mtInformation},
      {"parameters a [, 1, 0, 2];",
       "Wrong defination of parameter value range for \"a [, 1, 0, 2]\"!", mtInformation},
      {"parameters a [0, 1, , ];",
       "Wrong defination of parameter value range for \"a [0, 1, , ]\"!", mtInformation},
      {"parameters a [0, 1, 0.5];",
       "Wrong defination of parameter value range for \"a [0, 1, 0.5]\"!", mtInformation},
      {"parameters a(1:x) [0, 1];",
       "Wrong defination of parameter value range for \"a(1:x) [0, 1]\"!", mtInformation},
      {"parameters a [0, 1;", "Wrong defination on a [0, 1 range!", mtInformation},
      {"parameters a = foo [0, 1];", "Wrong defination on \"Parameter\" a initial value!",
       mtInformation},
      {"parameters a = 5 [0, 1, -10, 10];",
       "Initial parameter value of \"a\"is out of initial ranges!", mtInformation},
      {"parameters a [0, 20, -10, 10];",
       "Initial parameter ranges is out of parameter ranges for \"a\"!", mtInformation},
      {"parameters a = 20 [0, 10];",
       "Initial parameter value of \"a\"is out of the parameter range!", mtInformation},
      {"const c;", "Wrong constant value defination!", mtInformation},
      {"const c = foo;", "Wrong value for constant defination of \"c\"!", mtInformation},
      {"const c(1:3)=[1,2];", "Wrong constant value defination for \"c(1:3)=[1,2]\"!",
       mtInformation},
      {"const c(1:2)=[1,x];", "Wrong constant value defination for \"c(1:2)=[1,x]\"!",
       mtInformation},
      {"const c = 1, c = 2;", "The Constant \"c\" has been multi-declared!", mtWarning},
      {"const c = 1, d = 3, c = 2;", "The Constant \"c\" has been multi-declared!", mtWarning},
  };
  for (const auto& c : cases) ExpectError(Fit(c.text), c.message, c.kind, c.stage);
  TFitSettings encoded;
  encoded.SetItemIndex(TSettingName::RadioGroup2, 1);
  encoded.SetItemIndex(TSettingName::BinCheckBox, 1);
  ExpectError(Fit("parameters b [0, ];\ndata;\n1 2\n2 3\n3 4"),
              "Wrong defination for b, no range values defined!\r(you have to specify bound values "
              "for all parameter "
              "in encode/decode mode of GA)",
              mtInformation, Stage::Read, &encoded);
}

TEST(FrontModelErrors, EquationModelMessages) {
  const ErrorCase cases[] = {
      {"functions;\nx <= 1;", "No parameters defined!", mtInformation},
      {"parameters a [0, 1];\nfunctions;", "No equation defined!", mtInformation},
      {"parameters a [0, 1], b;\nfunctions;\na <= 1;",
       "Parameter of \"b\" declared, but not found in equation expression!", mtInformation},
      {"parameters a [0, 1];\nfunctions;\nsum(i=1:)(a*i);",
       "Wrong defination of function expression \"sum(i=1:)(a*i)\"!", mtInformation},
      {"parameters a [0, 1];\nfunctions;\nsum(i=1:2)a;",
       "Wrong defination of function expression \"sum(i=1:2)a\"!", mtInformation},
      {"parameters a [0, 1];\nfunctions;\na*+;", "Function expression \"a*+\" is uncorrect!",
       mtInformation, Stage::CompileEquations},
  };
  for (const auto& c : cases) ExpectError(c.text, c.message, c.kind, c.stage);
}

TEST(FrontModelErrors, ProgramModelMessages) {
  const ErrorCase cases[] = {
      {"variables x, y;\nparameters a [0, 1];\nstartprogram;\ny[0] := a;\nendprogram\ndata;",
       "Miss \";\" in the end of line 5", mtInformation},
      {"variables x, y;\nparameters a [0, 1];\nstartprogram\ny[0] := a;\nendprogram;\ndata;",
       "Miss \";\" in the end of line 3", mtInformation},
      {Prog("datafile nofile.csv;"),
       "File \"nofile.csv\" not exist!\n" + InData("nofile.csv") + ": no such file", mtWarning},
      {kProg, "No file data!", mtWarning},
      {"parameters a;\nstartprogram;\na := 1;\nendprogram;\ndata;\n1", "No variables defined!",
       mtWarning, Stage::ProgramParser},
      {"variables x, y;\nstartprogram;\ny[0] := 1;\nendprogram;\ndata;\n1 2",
       "No Parameters or VarParameter defined!", mtInformation},
      {"variables x, y;\nparameters a, b;\nstartprogram;\ny[0] := a;\nendprogram;\ndata;\n1 2",
       "Parameter of \"b\" declared, but not find in program code!", mtWarning},
      {"variables x, y;\nparameters a;\nvarparameter v;\nstartprogram;\ny[0] := "
       "a;\nendprogram;\ndata;\n1 2",
       "ParConst of \"v\" declared, but not find in program code!", mtWarning},
      {"variables x, y [output];\nparameters a;\nstartprogram;\nz := a*x[0] + "
       "y[0];\nendprogram;\ndata;\n1 2",
       "Not find output item \"y\" in the left side of any program line code!", mtWarning},
      {Prog("datafile short_row.csv;"), "Read data file error!", mtWarning},
      {Prog("data;\n1 2\n2 3 4"), "Read data error!\rThe data column number is different!",
       mtWarning},
      {Prog("data;\n1 2\n2 q"), "Read data error!", mtWarning},
      {Prog("data;\n1\n2"), "Wrong defination of Variables, no enough data value columns!",
       mtWarning},
  };
  for (const auto& c : cases) ExpectError(c.text, c.message, c.kind, c.stage);
}

TEST(FrontModelErrors, VarConstantMessages) {
  const char* const head = "variables x, y;\nparameters a [0, 2];\n";
  const char* const tail =
      "startprogram;\ny[0] := a*x[0];\nendprogram;\ndata;\n1 2\n2 3\ndata;\n1 2\n2 3";
  const ErrorCase cases[] = {
      {"varconstant vc;\n", "Wong defination VarConstant value!\r\n\"vc\"", mtInformation},
      {"varconstant vc[1];\n",
       "Wrong defination of VarConstant values for \"vc[1]\"!\nnumber of \"vc\"value is different "
       "wiht file number",
       mtInformation},
      {"varconstant vc[1, x];\n", "Wrong defination of VarConstant values!", mtInformation},
      {"varconstant vc[1, 2], vc[3, 4];\n", "The VarConst \"vc\" has been multi-declared!",
       mtWarning},
  };
  for (const auto& c : cases)
    ExpectError(std::string(head) + c.text + tail, c.message, c.kind, c.stage);
}

// (A differential evolution population below 5 is a settings refusal:
// test_search_settings.cpp.)
TEST(FrontModelErrors, CompileMessages) {
  ExpectError(Fit("data;\n1 2\n2 3\n3 4").replace(std::string(kFit).find("a*x"), 3, "a*(x"),
              "Function expression is uncorrect!", mtInformation, Stage::CompileFunction);
}

}  // namespace
}  // namespace qv
