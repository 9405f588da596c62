// Program mode: the generated library source, the compiler run with its
// cache, loading, the calls into the library and the fitness by program.
//
// The compiling tests need Free Pascal (fpc) and take about half a second
// per compilation; libraries are kept in the test's cache folder, so a
// model compiled once is loaded from there by every later test and run.
#include <gtest/gtest.h>

#include <cfenv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "SearchTestHost.h"
#include "engine/Fitness.h"
#include "engine/ModelParser.h"
#include "engine/ProgramMode.h"
#include "engine/SearchState.h"
#include "platform/core/Classes.h"

namespace qv {
namespace {

namespace fs = std::filesystem;
using test::ModelLines;

bool HaveCompiler() { return StageCompilerKit(1); }

// Free Pascal is in the project's package list: its absence is a failure.
#define REQUIRE_COMPILER() \
  ASSERT_TRUE(HaveCompiler()) << "Free Pascal (fpc) is needed: run scripts/install-deps.sh"

// A host that also answers the input form of the test data sets' values.
class TProgramHost : public test::TSearchTestHost, public TTestValuesSource {
 public:
  std::vector<double> TestValues;
  std::vector<std::string> AskedTitles;
  bool Cancel = false;
  bool EditTestFileValues(const std::vector<std::string>& Titles,
                          std::vector<double>& Values) override {
    AskedTitles = Titles;
    for (size_t i = 0; i < Values.size() && i < TestValues.size(); ++i) Values[i] = TestValues[i];
    return !Cancel;
  }
  int CallCount(const std::string& call) const {
    int n = 0;
    for (const auto& c : Calls) n += c == call;
    return n;
  }
  std::string AllMessages() const {
    std::string all;
    for (const auto& m : Messages) all += m.Text + "\n";
    return all;
  }
};

// Reads a model into a fresh state (the front half of the run command).
struct TProgramRun {
  TEngineState State;
  TProgramHost Host;
  std::unique_ptr<TRunController> Controller;
  TRunOutcome Outcome = TRunOutcome::roNotRun;

  explicit TProgramRun(uint32_t seed = 7) {
    FormatSettings() = TFormatSettings::Invariant();
    SeedEngineRandom(State, seed);
    Controller = std::make_unique<TRunController>(State, Host);
    Host.Controller = Controller.get();
  }
  ~TProgramRun() { FreeFitDll(State); }
  bool Read(const std::string& model) {
    if (!ReadModel(State, Host, ModelLines(model))) return false;
    PrepareTargetData(State);
    return true;
  }
  // Reads and searches: differential evolution, a fixed number of iterations.
  bool Fit(const std::string& model, int iterations = 600) {
    Host.Options.SetText(TSettingName::DESizeBox, "30");
    Host.Options.SetItemIndex(TSettingName::RadioGroup2, 3);
    Host.Options.SetChecked(TSettingName::RB2, true);
    Host.Options.SetText(TSettingName::ComboBox1, std::to_string(iterations));
    Host.Options.SetText(TSettingName::CBB2, "100000");
    if (!ReadModel(State, Host, ModelLines(model))) return false;
    return RunProgramMode(State, Host, Controller->Settings(), false, Outcome);
  }
};

// ---- The generated source ---------------------------------------------------------

const char* const kNamesModel =
    "variables x, y;\n"
    "parameters a [0, 2], b [0, 1], pdata [0, 1];\n"
    "const c = 2;\n"
    "varconstant k [1, 2];\n"
    "startprogram;\n"
    "y[0] := a + b + pdata + c + k;\n"
    "endprogram;\n"
    "data;\n1 2\n2 3\n"
    "data;\n1 2\n2 3\n";

TEST(ProgramSource, RewritesProgramLines) {
  TProgramRun run;
  ASSERT_TRUE(run.Read(kNamesModel)) << run.Host.AllMessages();
  struct {
    const char* In;
    const char* Out;
  } cases[] = {
      // A power of an indexed input, a loop to DataLength, a comparison
      // that stays "=", an assignment with a name that holds a parameter's.
      {"y[i] := a*x[i]^2", "YData[FileID,0,i] := PData[0]*(power(XData[FileID,0,i], 2))"},
      {"for i = 1 to DataLength - 1 do", "for i:= 1 to DataNo[FileID] - 1 do"},
      {"if x[i] = 1 then", "if XData[FileID,0,i] = 1 then"},
      {"data := a1 + a", "data := a1 + PData[0]"},
      // Whole words only: "a_b" and "ax" are other names.
      {"y[i] := a_b + ax[i]", "YData[FileID,0,i] := a_b + ax[i]"},
      // Replaced text is never matched again (a parameter named pdata).
      {"y[i] := a + pdata", "YData[FileID,0,i] := PData[0] + PData[2]"},
      {"y[i] := c*x[i] + c1 + k",
       "YData[FileID,0,i] := 2*XData[FileID,0,i] + c1 + VCData[FileID,0]"},
      // Strings and comments keep their text.
      {"y[i] := a; // a is x[i]", "YData[FileID,0,i] := PData[0]; // a is x[i]"},
      {"s := 'A, b' + B", "s := 'A, b' + PData[1]"},
      {"Y[i] := X[i] { y[i] }", "YData[FileID,0,i] := XData[FileID,0,i] { y[i] }"},
      // The power operator with brackets, spaces, signs and calls.
      {"y[i] := x[i+1]^2", "YData[FileID,0,i] := (Power(XData[FileID,0,i+1], 2))"},
      {"y[i] := sin(x[i]) ^ b", "YData[FileID,0,i] := (power(sin(XData[FileID,0,i]), PData[1]))"},
      {"z := (u+v)^(1/3) + w^-1", "z := (Power((u+v), (1/3))) + (Power(w, -1))"},
      {"z := 2^u^v", "z := (Power((Power(2, u)), v))"},
      {"z := m[i][j]^2", "z := (Power(m[i][j], 2))"},
      {"s := 'a^b'", "s := 'a^b'"},
      // Assignments written with "=".
      {"y[i] = a", "YData[FileID,0,i]:= PData[0]"},
      {"y[i] : = a", "YData[FileID,0,i] := PData[0]"},
      {"until x[i] >= 1", "until XData[FileID,0,i] >= 1"},
      {"ok := (u >= 1) and (v = 2);", "ok := (u >= 1) and (v = 2);"},
      {"  (u >= 1)", "  (u >= 1)"},
  };
  for (const auto& c : cases) EXPECT_EQ(RewriteProgramLine(run.State, c.In), c.Out) << c.In;
}

TEST(ProgramSource, LibrarySourceHasTheHeaderTheBlockAndTheAdapter) {
  TProgramRun run;
  ASSERT_TRUE(run.Read(kNamesModel));
  const std::vector<std::string> src = BuildFitDllSource(run.State);
  const std::vector<std::string> head = {
      "library FitDLL;",
      "",
      "Uses",
      "   SysUtils, Math, Classes;",
      "",
      "Type",
      "   Integer1Array = Array of Integer;",
      "   Double1Array = Array of Double;",
      "   Double2Array = Array of Array of Double;",
      "   Double3Array = Array of Array of Array of Double;",
      "",
      "Procedure Run__DLL(FileID: Integer; DataNo: Integer1Array; XData: Double3Array; VCData: "
      "Double2Array; "
      "PData: Double1Array; Var YData: Double3Array);StdCall;"};
  ASSERT_GT(src.size(), head.size() + 8);
  EXPECT_EQ(std::vector<std::string>(src.begin(), src.begin() + head.size()), head);
  EXPECT_EQ(src[kFitDllProgramLine],
            "YData[FileID,0,0] := PData[0] + PData[1] + PData[2] + 2 + VCData[FileID,0];");
  EXPECT_EQ(std::vector<std::string>(src.begin() + 13, src.begin() + 18),
            (std::vector<std::string>{"", "Exports", "", "Run__DLL;", ""}));
  EXPECT_EQ(src[src.size() - 2], "Begin");
  EXPECT_EQ(src.back(), "End.");
}

// ---- Compiling, caching and loading ------------------------------------------------

const char* const kLineModel =
    "variables x, y;\n"
    "parameters a [0, 5], b [-5, 5];\n"
    "startprogram;\n"
    "var i: integer;\n"
    "begin\n"
    "  for i := 0 to DataLength - 1 do\n"
    "    y[i] := a*x[i]^2 + b;\n"
    "end;\n"
    "endprogram;\n"
    "data;\n1 -0.5\n2 4\n3 11.5\n";

TEST(ProgramLibrary, UnchangedModelIsNotCompiledAgainAndAnEditedOneIs) {
  REQUIRE_COMPILER();
  // A fresh folder, so that the first build really compiles.
  const fs::path cache = fs::path(QV_BINARY_DIR) / "progmode-cache-reuse";
  fs::remove_all(cache);
  const std::string saved = std::getenv("XDG_CACHE_HOME") ? std::getenv("XDG_CACHE_HOME") : "";
  setenv("XDG_CACHE_HOME", cache.c_str(), 1);

  TProgramRun run;
  ASSERT_TRUE(run.Read(kLineModel));
  ASSERT_TRUE(BuildFitDll(run.State, run.Host)) << run.Host.AllMessages();
  EXPECT_TRUE(LastFitDllBuild(run.State).Compiled);
  EXPECT_FALSE(run.State.Model.RebuildNeeded);
  const std::string library = LastFitDllBuild(run.State).LibraryPath;
  EXPECT_EQ(fs::path(library).parent_path(), cache / "quorvane" / "lib");

  // The library computes the model: a = 1.5, b = -2.
  run.State.Model.ParameterValues = {1.5, -2};
  ASSERT_TRUE(RunFitDll(run.State, 0));
  EXPECT_EQ(run.State.Model.Calculated[0][0], (Double1Array{-0.5, 4, 11.5}));

  // Again, in this state and in a new one (another run): no compiler.
  run.State.Model.RebuildNeeded = true;
  ASSERT_TRUE(BuildFitDll(run.State, run.Host));
  EXPECT_FALSE(LastFitDllBuild(run.State).Compiled);
  // The other run has other data: the library is the same, the data are
  // each state's own.
  std::string otherData = kLineModel;
  otherData.replace(otherData.find("data;"), std::string::npos, "data;\n2 4\n4 22\n");
  TProgramRun second;
  ASSERT_TRUE(second.Read(otherData));
  ASSERT_TRUE(BuildFitDll(second.State, second.Host));
  EXPECT_FALSE(LastFitDllBuild(second.State).Compiled);
  EXPECT_EQ(LastFitDllBuild(second.State).LibraryPath, library);
  second.State.Model.ParameterValues = {1.5, -2};
  ASSERT_TRUE(RunFitDll(second.State, 0));
  EXPECT_EQ(second.State.Model.Calculated[0][0], (Double1Array{4, 22}));

  // An edited model is compiled, into its own library; the old one is
  // never taken for it.
  std::string edited = kLineModel;
  edited.replace(edited.find("a*x[i]^2"), 8, "a*x[i]^3");
  TProgramRun third;
  ASSERT_TRUE(third.Read(edited));
  ASSERT_TRUE(BuildFitDll(third.State, third.Host)) << third.Host.AllMessages();
  EXPECT_TRUE(LastFitDllBuild(third.State).Compiled);
  EXPECT_NE(LastFitDllBuild(third.State).LibraryPath, library);
  third.State.Model.ParameterValues = {1, 0};
  ASSERT_TRUE(RunFitDll(third.State, 0));
  EXPECT_EQ(third.State.Model.Calculated[0][0], (Double1Array{1, 8, 27}));
  // The first state still runs its own library.
  ASSERT_TRUE(RunFitDll(run.State, 0));
  EXPECT_EQ(run.State.Model.Calculated[0][0], (Double1Array{-0.5, 4, 11.5}));

  // A damaged library in the folder is not taken: it is built again. The
  // file under the library's name is replaced in one step, never deleted
  // while the compiler runs: another run of the same model may be loading it.
  std::ofstream(library, std::ios::binary | std::ios::trunc) << "not a library";
  TProgramRun fourth;
  ASSERT_TRUE(fourth.Read(kLineModel));
  int pumps = 0, missing = 0;
  fourth.Host.OnPump = [&](int) {
    ++pumps;
    if (!fs::exists(library)) ++missing;
  };
  ASSERT_TRUE(BuildFitDll(fourth.State, fourth.Host)) << fourth.Host.AllMessages();
  fourth.Host.OnPump = nullptr;
  EXPECT_TRUE(LastFitDllBuild(fourth.State).Compiled);
  EXPECT_GT(pumps, 0);
  EXPECT_EQ(missing, 0);
  fourth.State.Model.ParameterValues = {1.5, -2};
  ASSERT_TRUE(RunFitDll(fourth.State, 0));
  EXPECT_EQ(fourth.State.Model.Calculated[0][0], (Double1Array{-0.5, 4, 11.5}));

  // Only the compiler's working files are gone; program end removes the libraries.
  EXPECT_EQ(
      std::distance(fs::directory_iterator(cache / "quorvane" / "lib"), fs::directory_iterator()),
      2);
  CleanLibFiles(0);
  EXPECT_FALSE(fs::exists(library));

  if (saved.empty())
    unsetenv("XDG_CACHE_HOME");
  else
    setenv("XDG_CACHE_HOME", saved.c_str(), 1);
}

TEST(ProgramLibrary, SyntaxErrorShowsTheCompilerMessageAndStartsNoSearch) {
  REQUIRE_COMPILER();
  std::string model = kLineModel;
  model.replace(model.find("    y[i] := a*x[i]^2 + b;"), 25,
                "    y[i] := a*x[i]^2 + b + undefinedname;");
  TProgramRun run;
  EXPECT_FALSE(run.Fit(model));
  EXPECT_EQ(run.Outcome, TRunOutcome::roModelRefused);
  ASSERT_EQ(run.Host.Messages.size(), 1u);
  const std::string& text = run.Host.Messages[0].Text;
  EXPECT_EQ(text.rfind("There may be syntax error in program codes!\n", 0), 0u) << text;
  // The compiler's own words, at the model's program line 4.
  EXPECT_NE(text.find("Program line 4, column"), std::string::npos) << text;
  EXPECT_NE(text.find("undefinedname"), std::string::npos) << text;
  EXPECT_TRUE(run.State.Pop.Population.empty());
  EXPECT_EQ(run.Host.CallCount("SearchStarted"), 0);
}

TEST(ProgramLibrary, MissingCompilerGivesAClearMessage) {
  const fs::path cache = fs::path(QV_BINARY_DIR) / "progmode-cache-nofpc";
  fs::remove_all(cache);
  const std::string savedCache = std::getenv("XDG_CACHE_HOME") ? std::getenv("XDG_CACHE_HOME") : "";
  const std::string savedPath = std::getenv("PATH") ? std::getenv("PATH") : "";
  setenv("XDG_CACHE_HOME", cache.c_str(), 1);
  setenv("PATH", "/nonexistent", 1);
  TProgramRun run;
  EXPECT_FALSE(StageCompilerKit(1));
  EXPECT_FALSE(run.Fit(kLineModel));
  setenv("PATH", savedPath.c_str(), 1);
  if (savedCache.empty())
    unsetenv("XDG_CACHE_HOME");
  else
    setenv("XDG_CACHE_HOME", savedCache.c_str(), 1);
  ASSERT_EQ(run.Host.Messages.size(), 1u);
  EXPECT_EQ(
      run.Host.Messages[0].Text,
      "The Pascal compiler \"fpc\" was not found. Program models need Free Pascal (Debian package "
      "fp-compiler).");
  EXPECT_EQ(run.Outcome, TRunOutcome::roModelRefused);
}

// ---- Faults inside the model code ---------------------------------------------------

// The parameter "mode" picks a fault; 0 computes normally (y = x).
const char* const kFaultModel =
    "variables x, y;\n"
    "parameters mode [0, 6];\n"
    "startprogram;\n"
    "var i, n, z: integer; p: Double1Array;\n"
    "begin\n"
    "  z := 0; p := nil;\n"
    "  for i := 0 to DataLength - 1 do\n"
    "  begin\n"
    "    y[i] := x[i];\n"
    "    if mode = 1 then y[i] := 1 / (x[i] - x[i]);\n"
    "    if mode = 2 then begin n := i div z; y[i] := n; end;\n"
    "    if mode = 3 then y[i+1] := 1;\n"
    "    if mode = 4 then raise Exception.Create('model says no');\n"
    "    if mode = 5 then y[i] := ln(-x[i]);\n"
    "    if mode = 6 then y[i] := p[i];\n"
    "  end;\n"
    "end;\n"
    "endprogram;\n"
    "data;\n1 1\n2 2\n3 3\n";

TEST(ProgramLibrary, FaultsInTheModelCodeAreFailedEvaluations) {
  REQUIRE_COMPILER();
  TProgramRun run;
  ASSERT_TRUE(run.Read(kFaultModel));
  ASSERT_TRUE(BuildFitDll(run.State, run.Host)) << run.Host.AllMessages();
  struct {
    double Mode;
    const char* Error;  // part of the reason
  } cases[] = {
      {1, "Floating point fault"}, {2, "EDivByZero"},           {3, "ERangeError"},
      {4, "model says no"},        {5, "Floating point fault"}, {6, "ERangeError"},
  };
  const double before = 1.0 / 3.0;
  for (const auto& c : cases) {
    run.State.Model.ParameterValues = {c.Mode};
    std::string error;
    EXPECT_FALSE(RunFitDll(run.State, 0, &error)) << c.Mode;
    EXPECT_NE(error.find(c.Error), std::string::npos) << c.Mode << ": " << error;
    // The library and this process carry on: the next call computes, and
    // floating point here still behaves as before.
    run.State.Model.ParameterValues = {0};
    ASSERT_TRUE(RunFitDll(run.State, 0)) << c.Mode;
    EXPECT_EQ(run.State.Model.Calculated[0][0], (Double1Array{1, 2, 3}));
    EXPECT_EQ(1.0 / 3.0, before);
    EXPECT_EQ(std::fetestexcept(FE_ALL_EXCEPT) & FE_DIVBYZERO, 0);
  }

  // In the fitness: a failing member scores 0 (DC) and is drawn again; a
  // failing trial keeps the member's fitness.
  run.State.Pop.PopSize = 1;
  run.State.Model.DimCount = run.State.Pop.RandomDimCount = 1;
  run.State.Pop.Population = {{2}};
  run.State.Pop.TrialPopulation = {{4}};
  run.State.Pop.Fitness = {0.25};
  run.State.Pop.PersonalBestPosition = run.State.Pop.Population;
  run.State.Pop.PersonalBestFitness = {0};
  EXPECT_EQ(MemberFitnessByProgram(run.State, crDC, 0), 0);
  EXPECT_EQ(run.State.Model.Calculated[0][0], (Double1Array{0, 0, 0}));
  EXPECT_EQ(FitnessByProgram(run.State, crDC, 0), 0.25);
  run.State.Pop.Population = {{0}};
  EXPECT_EQ(MemberFitnessByProgram(run.State, crDC, 0), 1);
  // Under RMSE the failing data set is scored against zeros.
  run.State.Pop.Population = {{1}};
  EXPECT_NEAR(MemberFitnessByProgram(run.State, crRMSE, 0), std::sqrt(14.0 / 3), 1e-12);
}

// ---- Fitting ------------------------------------------------------------------------------

// Three data sets of y = a*exp(-k*x) + c: a = 2 for all; k = 0.5, 1.2 and
// (the held-out test set) 0.8; the var-constant c is 1, 3 and 0.5.
std::string DecayData() {
  const double k[] = {0.5, 1.2, 0.8}, c[] = {1, 3, 0.5};
  const char* head[] = {"data \"one\";\n", "data \"two\";\n", "data \"held out\" [test];\n"};
  std::string text;
  for (int f = 0; f < 3; ++f) {
    text += head[f];
    for (int i = 0; i < 8; ++i) {
      char row[64];
      std::snprintf(row, sizeof row, "%d %.17g\n", i, 2 * std::exp(-k[f] * i) + c[f]);
      text += row;
    }
  }
  return text;
}

const std::string kDecayDefinitions =
    "variables x, y;\n"
    "parameters a [0, 5];\n"
    "varparameter k [0, 2];\n"
    "varconstant c [1, 3, 0.5];\n";

const std::string kDecayPascal = kDecayDefinitions +
                                 "startprogram;\n"
                                 "var i: integer;\n"
                                 "begin\n"
                                 "  for i := 0 to DataLength - 1 do\n"
                                 "    y[i] := a*exp(-k*x[i]) + c;\n"
                                 "end;\n"
                                 "endprogram;\n" +
                                 DecayData();

const std::string kDecayBasic = kDecayDefinitions +
                                "startprogram [vb];\n"
                                "dim i as integer\n"
                                "for i = 0 to DataLength - 1\n"
                                "  y(i) = a * exp(-k * x(i)) + c\n"
                                "next\n"
                                "endprogram;\n" +
                                DecayData();

// The expression model of one data set, its var-constant written in.
std::vector<double> FitExpression(double c, int set) {
  std::string data = DecayData();
  const size_t from = data.find(set == 0 ? "data \"one\"" : "data \"two\"");
  const size_t to = data.find("data", from + 4);
  test::TSearchRun run({{"RadioGroup2", "3"},
                        {"DESizeBox", "30"},
                        {"RB2", "True"},
                        {"ComboBox1", "600"},
                        {"CBB2", "100000"}},
                       7);
  const std::string model =
      "variables x, y;\nparameters a [0, 5], k [0, 2];\nfunction y = a*exp(-k*x) + " +
      std::to_string(static_cast<int>(c)) + ";\n" + "data;\n" +
      data.substr(data.find('\n', from) + 1, to - data.find('\n', from) - 1);
  EXPECT_TRUE(run.Run(model)) << model << "\n" << (run.Messages().empty() ? "" : run.Messages()[0]);
  return run.State.Pop.BestPosition;
}

TEST(ProgramLibrary, PascalAndBasicModelsFitLikeTheExpressionModel) {
  REQUIRE_COMPILER();
  const std::vector<double> one = FitExpression(1, 0), two = FitExpression(3, 1);
  ASSERT_EQ(one.size(), 2u);
  ASSERT_EQ(two.size(), 2u);
  EXPECT_NEAR(one[0], 2, 1e-4);
  EXPECT_NEAR(two[0], 2, 1e-4);

  for (const std::string* model : {&kDecayPascal, &kDecayBasic}) {
    TProgramRun run;
    run.Host.TestValues = {0.8};
    ASSERT_TRUE(run.Fit(*model)) << run.Host.AllMessages();
    EXPECT_EQ(run.Outcome, TRunOutcome::roSearched);
    EXPECT_EQ(run.Host.AskedTitles, (std::vector<std::string>{"k for \"held out\""}));
    // Shared a, then k of "one" and of "two"; the test set's k is not searched.
    ASSERT_EQ(run.State.Model.DimCount, 3);
    const Double1Array& best = run.State.Pop.BestPosition;
    EXPECT_NEAR(best[0], one[0], 1e-4);
    EXPECT_NEAR(best[1], one[1], 1e-4);
    EXPECT_NEAR(best[2], two[1], 1e-4);
    EXPECT_NEAR(run.State.Pop.BestDC, 1, 1e-9);
    // The test set was calculated with the value given for it.
    for (int i = 0; i < 8; ++i)
      EXPECT_NEAR(run.State.Pop.BestCalculated[2][0][i], best[0] * std::exp(-0.8 * i) + 0.5, 1e-9);
  }
}

TEST(ProgramLibrary, CancelledTestValuesStartNoSearch) {
  REQUIRE_COMPILER();
  TProgramRun run;
  run.Host.Cancel = true;
  EXPECT_FALSE(run.Fit(kDecayPascal, 5));
  EXPECT_EQ(run.Host.AskedTitles.size(), 1u);
  EXPECT_EQ(run.Host.CallCount("SearchStarted"), 0);
  EXPECT_TRUE(run.Host.Messages.empty()) << run.Host.AllMessages();
}

}  // namespace
}  // namespace qv
