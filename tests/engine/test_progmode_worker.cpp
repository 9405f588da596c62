// Program models evaluated in the worker process: a model that never
// returns is ended by Stop with the report written, a model that fails on
// every call is a failed run, a "halt" ends only the worker, the compile
// can be stopped, and the worker is started again for the next run.
//
// Needs Free Pascal (fpc). No assertion here is on time: a stop that is
// not honoured is caught by a watchdog that ends the worker after a minute,
// which then fails the test.
#include <gtest/gtest.h>
#include <signal.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <string>
#include <thread>

#include "SearchTestHost.h"
#include "engine/FitWorker.h"
#include "engine/ProgramMode.h"
#include "engine/ProgramRuntime.h"
#include "engine/SearchState.h"

namespace qv {
namespace {

namespace fs = std::filesystem;

#define REQUIRE_COMPILER() \
  ASSERT_TRUE(StageCompilerKit(1)) << "Free Pascal (fpc) is needed: run scripts/install-deps.sh"

// Differential evolution, a fixed number of iterations.
const std::map<std::string, std::string> kSettings = {
    {"RadioGroup2", "3"}, {"DESizeBox", "10"}, {"RB2", "True"}, {"ComboBox1", "30"}};

std::string Joined(const std::vector<std::string>& lines) {
  std::string all;
  for (const auto& l : lines) all += l + "\n";
  return all;
}

// Ends the worker of a state when a test has not finished within a minute,
// so that a stop that does not work fails the test instead of hanging it.
class TWatchdog {
 public:
  explicit TWatchdog(TEngineState& S) : state_(S), thread_([this] { Watch(); }) {}
  ~TWatchdog() {
    {
      std::lock_guard<std::mutex> lock(mutex_);
      done_ = true;
    }
    wake_.notify_all();
    thread_.join();
  }
  bool Fired() const { return fired_; }

 private:
  void Watch() {
    std::unique_lock<std::mutex> lock(mutex_);
    if (wake_.wait_for(lock, std::chrono::seconds(60), [this] { return done_; })) return;
    fired_ = true;
    const pid_t pid = state_.Model.ProgramRuntime().Worker.Pid();
    if (pid > 0) ::kill(pid, SIGKILL);
  }
  TEngineState& state_;
  std::mutex mutex_;
  std::condition_variable wake_;
  bool done_ = false;
  std::atomic<bool> fired_{false};
  std::thread thread_;
};

// y = a*x, except that while the flag file exists the code never returns.
std::string EndlessModel(const std::string& flag) {
  return "variables x, y;\n"
         "parameters a [0, 4];\n"
         "startprogram;\n"
         "var i: integer;\n"
         "begin\n"
         "  while FileExists('" +
         flag +
         "') do i := i + 1;\n"
         "  for i := 0 to DataLength - 1 do\n"
         "    y[i] := a*x[i];\n"
         "end;\n"
         "endprogram;\n"
         "data;\n1 2\n2 4\n3 6\n";
}

TEST(ProgramWorker, StopEndsAModelThatNeverReturnsAndTheNextRunStartsAFreshWorker) {
  REQUIRE_COMPILER();
  const fs::path flag = fs::path(QV_BINARY_DIR) / "endless.flag";
  std::ofstream(flag) << "on";
  test::TSearchRun run(kSettings);
  TWatchdog watchdog(run.State);
  // Stop from the pump after a few turns: they come while the first
  // evaluation waits for the worker.
  pid_t hung = -1;
  int searching = 0;
  run.Host.OnPump = [&](int) {
    if (!run.State.Run.SearchRunning) return;  // the compile
    if (++searching == 1) hung = run.State.Model.ProgramRuntime().Worker.Pid();
    if (searching == 5) run.Controller->Stop();
  };
  ASSERT_TRUE(run.Run(EndlessModel(flag.string()))) << Joined(run.Messages());
  EXPECT_FALSE(watchdog.Fired());
  EXPECT_EQ(run.Controller->Outcome(), TRunOutcome::roSearched);
  EXPECT_TRUE(run.Messages().empty()) << Joined(run.Messages());
  // The report was written, naming the user's stop, and the window left
  // its running state.
  EXPECT_EQ(run.Line("Stop Reason: "), "Stop Reason: stoped by user") << Joined(run.Host.Result);
  EXPECT_EQ(run.CallCount("SearchEnded Report"), 1);
  EXPECT_EQ(run.State.Run.Iteration, 0);
  EXPECT_EQ(run.Host.Result.back(),
            "No call of the program codes returned before the stop: the parameters above are no "
            "result.");
  // The hung worker is gone.
  ASSERT_GT(hung, 0);
  EXPECT_FALSE(run.State.Model.ProgramRuntime().Worker.Alive());
  EXPECT_NE(::kill(hung, 0), 0);

  // Resume without the flag: a new worker, and the search runs to its end.
  fs::remove(flag);
  run.Host.OnPump = nullptr;
  ASSERT_TRUE(run.Controller->Resume()) << Joined(run.Messages());
  EXPECT_TRUE(run.Messages().empty()) << Joined(run.Messages());
  const pid_t fresh = run.State.Model.ProgramRuntime().Worker.Pid();
  EXPECT_GT(fresh, 0);
  EXPECT_NE(fresh, hung);
  EXPECT_EQ(run.Line("Stop Reason: "), "Stop Reason: Maximum iterations reached");
  EXPECT_NEAR(run.Value("a"), 2, 1e-3);
}

// One model whose code fails on every call in the way Mode chooses.
std::string FaultingModel(int mode) {
  return "variables x, y;\n"
         "parameters a [0, 4];\n"
         "const mode = " +
         std::to_string(mode) +
         ";\n"
         "startprogram;\n"
         "var i, z: integer; p: PInteger; r: array[0..2] of double;\n"
         "begin\n"
         "  z := 0; p := nil;\n"
         "  for i := 0 to DataLength - 1 do\n"
         "    y[i] := a*x[i];\n"
         "  if mode = 1 then y[0] := 10 div z;\n"
         "  if mode = 2 then y[0] := p^;\n"
         "  if mode = 3 then for i := 0 to DataLength - 1 do r[i + z] := a;\n"
         "  if mode = 4 then if a > 2 then y[0] := y[0] / z;\n"
         "end;\n"
         "endprogram;\n"
         "data;\n1 2\n2 4\n3 6\n4 8\n";
}

TEST(ProgramWorker, AModelThatFailsOnEveryCallIsAFailedRunAndOneThatSometimesFailsIsCounted) {
  REQUIRE_COMPILER();
  const struct {
    int Mode;
    const char* Error;
  } always[] = {{1, "EDivByZero"}, {2, "Access violation"}, {3, "ERangeError"}};
  for (const auto& c : always) {
    test::TSearchRun run(kSettings);
    ASSERT_TRUE(run.Run(FaultingModel(c.Mode))) << c.Mode << Joined(run.Messages());
    EXPECT_EQ(run.Controller->Outcome(), TRunOutcome::roFailed) << c.Mode;
    ASSERT_EQ(run.Messages().size(), 1u) << c.Mode << Joined(run.Messages());
    EXPECT_EQ(run.Messages()[0].rfind("No evaluation of the program codes succeeded", 0), 0u)
        << run.Messages()[0];
    EXPECT_NE(run.Messages()[0].find(c.Error), std::string::npos) << run.Messages()[0];
    const std::string report = Joined(run.Host.Result);
    EXPECT_NE(report.find("No call of the program codes succeeded"), std::string::npos) << report;
    const TProgramRuntime& rt = run.State.Model.ProgramRuntime();
    EXPECT_GT(rt.Calls, 0);
    EXPECT_EQ(rt.Faults, rt.Calls);
  }
  // Fails for a > 2 only (a floating division by zero): counted, and the
  // fit is still found.
  test::TSearchRun run(kSettings);
  ASSERT_TRUE(run.Run(FaultingModel(4))) << Joined(run.Messages());
  EXPECT_EQ(run.Controller->Outcome(), TRunOutcome::roSearched);
  EXPECT_TRUE(run.Messages().empty()) << Joined(run.Messages());
  const TProgramRuntime& rt = run.State.Model.ProgramRuntime();
  EXPECT_GT(rt.Faults, 0);
  EXPECT_LT(rt.Faults, rt.Calls);
  EXPECT_NE(run.Line("Failed calls of the program codes: " + std::to_string(rt.Faults) + " of " +
                     std::to_string(rt.Calls)),
            "");
  EXPECT_NEAR(run.Value("a"), 2, 1e-3);
}

TEST(ProgramWorker, HaltEndsOnlyTheWorkerAndTheRunEndsWithItsReport) {
  REQUIRE_COMPILER();
  const std::string halting =
      "variables x, y;\nparameters a [0, 4];\nstartprogram;\nbegin\n  y[0] := a;\n  "
      "halt(3);\nend;\n"
      "endprogram;\ndata;\n1 2\n2 4\n";
  test::TSearchRun run(kSettings);
  ASSERT_TRUE(run.Run(halting)) << Joined(run.Messages());
  EXPECT_EQ(run.Controller->Outcome(), TRunOutcome::roFailed);
  ASSERT_EQ(run.Messages().size(), 1u) << Joined(run.Messages());
  EXPECT_EQ(run.Messages()[0],
            "Some thing wrong!\nThe program codes ended the process that runs them (exit code "
            "3); \"halt\" cannot be used in a program model.");
  EXPECT_EQ(run.CallCount("SearchEnded Report"), 1);
  EXPECT_NE(run.Line("Stop Reason: "), "") << Joined(run.Host.Result);
  EXPECT_FALSE(run.State.Model.ProgramRuntime().Worker.Alive());

  // The same controller runs the next model with a new worker.
  ASSERT_TRUE(run.Run(FaultingModel(0))) << Joined(run.Messages());
  EXPECT_EQ(run.Controller->Outcome(), TRunOutcome::roSearched);
  EXPECT_NEAR(run.Value("a"), 2, 1e-3);
}

TEST(ProgramWorker, StopEndsTheCompileAndTheNextRunCompiles) {
  REQUIRE_COMPILER();
  // A model no earlier run compiled, so that the compiler runs.
  const long long unique =
      (std::chrono::steady_clock::now().time_since_epoch().count() ^ ::getpid()) % 1000000007;
  std::string model = FaultingModel(0);
  model.replace(model.find("z := 0;"), 7, "z := " + std::to_string(unique) + "; z := 0;");
  test::TSearchRun run(kSettings);
  int pumps = 0;
  run.Host.OnPump = [&](int n) {
    pumps = n;
    if (n == 2) run.Controller->Stop();
  };
  EXPECT_FALSE(run.Run(model));
  EXPECT_EQ(run.Controller->Outcome(), TRunOutcome::roModelRefused);
  EXPECT_EQ(run.Messages(), (std::vector<std::string>{"Compiling the program codes was stopped."}));
  EXPECT_TRUE(LastFitDllBuild(run.State).Stopped);
  EXPECT_FALSE(LastFitDllBuild(run.State).Compiled);
  EXPECT_EQ(run.CallCount("SearchStarted"), 0);
  EXPECT_EQ(pumps, 2);

  run.Host.OnPump = nullptr;
  run.Host.Messages.clear();
  ASSERT_TRUE(run.Run(model)) << Joined(run.Messages());
  EXPECT_TRUE(LastFitDllBuild(run.State).Compiled);
  EXPECT_EQ(run.Controller->Outcome(), TRunOutcome::roSearched);
  EXPECT_NEAR(run.Value("a"), 2, 1e-3);
}

TEST(ProgramWorker, ALibraryThatCannotBeLoadedIsSaidAndLeavesNoWorker) {
  TFitWorker w;
  std::string error;
  EXPECT_FALSE(w.Start("/nonexistent/FitDll-0.so", error));
  EXPECT_NE(error.find("/nonexistent/FitDll-0.so"), std::string::npos) << error;
  EXPECT_FALSE(w.Alive());
  EXPECT_EQ(w.Pid(), -1);
  EXPECT_FALSE(w.Reserve(1));
}

TEST(ProgramWorker, AMissingWorkerProgramIsSaidBeforeAnyCompile) {
  ::setenv("QV_FITWORKER", "/nonexistent/qvfitworker", 1);
  test::TSearchRun run(kSettings);
  EXPECT_FALSE(run.Run(FaultingModel(0)));
  ::unsetenv("QV_FITWORKER");
  EXPECT_EQ(run.Controller->Outcome(), TRunOutcome::roModelRefused);
  ASSERT_EQ(run.Messages().size(), 1u);
  EXPECT_NE(run.Messages()[0].find("\"qvfitworker\""), std::string::npos) << run.Messages()[0];
  EXPECT_FALSE(LastFitDllBuild(run.State).Compiled);
}

}  // namespace
}  // namespace qv
