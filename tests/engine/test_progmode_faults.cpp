// Program mode under stress: faults of the compiled model code (access
// violations, runaway recursion) inside and outside a call, several loaded
// libraries at once, the process's own fault handlers, and the rewriting of
// program lines where a misreading is easy.
//
// Needs Free Pascal (fpc); every model here is small and compiled once into
// the test's cache folder.
#include <gtest/gtest.h>
#include <setjmp.h>
#include <signal.h>

#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#include "SearchTestHost.h"
#include "engine/FitDll.h"
#include "engine/ModelParser.h"
#include "engine/ProgramMode.h"
#include "engine/SearchState.h"

namespace qv {
namespace {

#define REQUIRE_COMPILER() \
  if (!StageCompilerKit(1)) GTEST_SKIP() << "Free Pascal (fpc) is not installed"

std::string AllMessages(const test::TSearchTestHost& host) {
  std::string all;
  for (const auto& m : host.Messages) all += m.Text + "\n";
  return all;
}

// A model read into its own state, its library built and loaded.
struct TLoadedModel {
  TEngineState State;
  test::TSearchTestHost Host;
  explicit TLoadedModel(const std::string& model) {
    FormatSettings() = TFormatSettings::Invariant();
    EXPECT_TRUE(ReadModel(State, Host, test::ModelLines(model))) << AllMessages(Host);
    PrepareTargetData(State);
  }
  ~TLoadedModel() { FreeFitDll(State); }
  bool Build() { return BuildFitDll(State, Host); }
  // Runs data set 0 with the given parameters.
  bool Run(const std::vector<double>& params, std::string* error = nullptr) {
    State.Model.ParameterValues = params;
    return RunFitDll(State, 0, error);
  }
};

// mode 0: y = x; 1: a nil pointer handed to the run-time library (the fault
// lies in its FillChar); 2: a write through a nil pointer in the model's own
// code; 3: a division of integers by zero; 4: a method of a nil object (the
// range checks catch it before it faults); 5: runaway recursion to the end
// of the stack.
const char* const kCrashModel =
    "variables x, y;\n"
    "parameters mode [0, 5];\n"
    "startprogram;\n"
    "var i, z: integer; s: TStringList; p: PAnsiChar;\n"
    "function Deep(n: integer): double;\n"
    "var pad: array[0..63] of double;\n"
    "begin\n"
    "  pad[n mod 64] := n;\n"
    "  if n <= 0 then Result := 0 else Result := Deep(n - 1) + pad[n mod 64];\n"
    "end;\n"
    "begin\n"
    "  s := nil; p := nil; z := 0;\n"
    "  for i := 0 to DataLength - 1 do\n"
    "    y[i] := x[i];\n"
    "  if mode = 1 then FillChar(p[0], 16, 0);\n"
    "  if mode = 4 then s.Add('x');\n"
    "  if mode = 5 then y[0] := Deep(1000000000);\n"
    "  if mode = 2 then p[1000] := 'x';\n"
    "  if mode = 3 then y[0] := 10 div z;\n"
    "end;\n"
    "endprogram;\n"
    "data;\n1 1\n2 2\n";

struct sigaction Current(int sig) {
  struct sigaction sa;
  sigaction(sig, nullptr, &sa);
  return sa;
}

bool SameHandler(const struct sigaction& a, const struct sigaction& b) {
  return (a.sa_flags & SA_SIGINFO) == (b.sa_flags & SA_SIGINFO) &&
         ((a.sa_flags & SA_SIGINFO) ? a.sa_sigaction == b.sa_sigaction
                                    : a.sa_handler == b.sa_handler);
}

TEST(ProgramFaults, AccessViolationsInTwoLoadedLibrariesAreFailedEvaluations) {
  REQUIRE_COMPILER();
  const int sigs[] = {SIGSEGV, SIGFPE, SIGBUS};
  struct sigaction before[3];
  for (int i = 0; i < 3; ++i) before[i] = Current(sigs[i]);
  {
    TLoadedModel one(kCrashModel);
    ASSERT_TRUE(one.Build()) << AllMessages(one.Host);
    // A second state loads its own instance of the same library; a third
    // one another library. Faults in any of them stay failed evaluations,
    // whichever was loaded last.
    TLoadedModel two(kCrashModel);
    ASSERT_TRUE(two.Build()) << AllMessages(two.Host);
    std::string other = kCrashModel;
    other.replace(other.find("y[i] := x[i];"), 13, "y[i] := 2*x[i];");
    TLoadedModel three(other);
    ASSERT_TRUE(three.Build()) << AllMessages(three.Host);

    struct {
      double Mode;
      const char* Error;
    } cases[] = {{1, "Access violation"},
                 {2, "Access violation"},
                 {3, "EDivByZero"},
                 {4, "Object reference is Nil"},
                 {5, "EStackOverflow"}};
    for (TLoadedModel* m : {&one, &two, &three}) {
      for (const auto& c : cases) {
        std::string error;
        EXPECT_FALSE(m->Run({c.Mode}, &error)) << c.Mode;
        EXPECT_NE(error.find(c.Error), std::string::npos) << c.Mode << ": " << error;
        ASSERT_TRUE(m->Run({0})) << c.Mode;
        const double k = m == &three ? 2 : 1;
        EXPECT_EQ(m->State.Model.Calculated[0][0], (Double1Array{k, 2 * k}));
      }
    }
    // Unloading one library keeps the others protected.
    FreeFitDll(one.State);
    std::string error;
    EXPECT_FALSE(three.Run({1}, &error));
    EXPECT_NE(error.find("Access violation"), std::string::npos) << error;
    EXPECT_FALSE(two.Run({5}, &error));
    EXPECT_NE(error.find("Stack overflow"), std::string::npos) << error;
  }
  // With every library gone, the process's handlers are the ones it had.
  for (int i = 0; i < 3; ++i) EXPECT_TRUE(SameHandler(Current(sigs[i]), before[i])) << sigs[i];
}

// A fault of this process's own code, while a library is loaded, reaches
// the handler the process had installed before.
sigjmp_buf gEscape;
volatile sig_atomic_t gOwnFaults = 0;
void OwnHandler(int) {
  gOwnFaults = gOwnFaults + 1;
  siglongjmp(gEscape, 1);
}

TEST(ProgramFaults, FaultsOutsideTheLibraryGoToTheEarlierHandler) {
  REQUIRE_COMPILER();
  struct sigaction mine, saved;
  std::memset(&mine, 0, sizeof mine);
  mine.sa_handler = OwnHandler;
  sigemptyset(&mine.sa_mask);
  sigaction(SIGSEGV, &mine, &saved);
  {
    TLoadedModel m(kCrashModel);
    ASSERT_TRUE(m.Build()) << AllMessages(m.Host);
    gOwnFaults = 0;
    if (sigsetjmp(gEscape, 1) == 0) raise(SIGSEGV);
    EXPECT_EQ(gOwnFaults, 1);
    // The library still turns its own faults into failed evaluations.
    EXPECT_FALSE(m.Run({1}));
    EXPECT_EQ(gOwnFaults, 1);
    EXPECT_TRUE(m.Run({0}));
  }
  EXPECT_TRUE(SameHandler(Current(SIGSEGV), mine));
  sigaction(SIGSEGV, &saved, nullptr);
}

}  // namespace
}  // namespace qv

namespace qv {
namespace {

// ---- Rewriting the program lines ---------------------------------------------------

const char* const kRewriteModel =
    "variables x, y;\n"
    "parameters a [0, 2], b [0, 1];\n"
    "const c = 2;\n"
    "varconstant k [1, 2];\n"
    "startprogram;\n"
    "var i: integer;\n"
    "begin\n"

    "  for i := 0 to DataLength - 1 do\n"
    "    y[i] := A*x[i] + k;\n"
    "end;\n"
    "endprogram;\n"
    "data;\n1 2\n2 3\n"
    "data;\n1 2\n2 3\n";

TEST(ProgramRewrite, LinesWhereTheRulesMeet) {
  TLoadedModel m(kRewriteModel);
  struct {
    const char* In;
    const char* Out;
  } cases[] = {
      // "=" as assignment: only the first " =" becomes ":=", after the names.
      {"y[i] = a*x[i]", "YData[FileID,0,i]:= PData[0]*XData[FileID,0,i]"},
      {"n = datalength div 2", "n:= DataNo[FileID] div 2"},
      // Comparisons in loops keep their "=".
      {"while x[i] = a do", "while XData[FileID,0,i] = PData[0] do"},
      {"repeat y[i] := 0 until a = 1", "repeat YData[FileID,0,i] := 0 until PData[0] = 1"},
      // The power step runs before the names; a constant base is written in.
      {"z := c^2", "z := (power(2, 2))"},
      {"y[i] := -x[i]^2", "YData[FileID,0,i] := -(Power(XData[FileID,0,i], 2))"},
      {"y[i] := x[i]^0.5*B", "YData[FileID,0,i] := (power(XData[FileID,0,i], 0.5))*PData[1]"},
      // Numbers with exponents hold no names; the line is lowered.
      {"Y[I] := 2E5*A", "YData[FileID,0,i] := 2e5*PData[0]"},
      // Spaces before the index bracket.
      {"y [i] := x [i]", "YData[FileID,0,i] := XData[FileID,0,i]"},
      // Names without an index are not data.
      {"x := y", "x := y"},
  };
  for (const auto& c : cases) EXPECT_EQ(RewriteProgramLine(m.State, c.In), c.Out) << c.In;
}

}  // namespace
}  // namespace qv
