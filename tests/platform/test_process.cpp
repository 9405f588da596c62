// Running programs and loading shared libraries.
#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <csignal>

#include "platform/core/Process.h"

using namespace qv;

namespace {

TEST(ProcessTest, CapturesOutputAndExitCode) {
  const TProcessResult r = RunProcess("/bin/echo", {"hello", "two words", "$HOME;|*"}, 5000);
  ASSERT_TRUE(r.Started) << r.Error;
  EXPECT_FALSE(r.TimedOut);
  EXPECT_EQ(r.ExitCode, 0);
  EXPECT_EQ(r.StdOut, "hello two words $HOME;|*\n") << "arguments reach the program untouched";
  EXPECT_TRUE(r.Succeeded());

  const TProcessResult e = RunProcess("/bin/sh", {"-c", "echo out; echo err >&2; exit 3"}, 5000);
  EXPECT_EQ(e.ExitCode, 3);
  EXPECT_EQ(e.StdOut, "out\n");
  EXPECT_EQ(e.StdErr, "err\n");
  EXPECT_FALSE(e.Succeeded());
}

TEST(ProcessTest, WorkingFolderInputAndEnvironment) {
  TProcessOptions o;
  o.Executable = "pwd";  // looked up in PATH
  o.WorkDir = "/tmp";
  o.TimeoutMs = 5000;
  EXPECT_EQ(RunProcess(o).StdOut, "/tmp\n");

  TProcessOptions cat;
  cat.Executable = "/bin/cat";
  cat.StdIn = std::string(200000, 'z');  // larger than a pipe buffer
  cat.TimeoutMs = 5000;
  const TProcessResult c = RunProcess(cat);
  EXPECT_EQ(c.StdOut.size(), 200000u);

  TProcessOptions env;
  env.Executable = "/bin/sh";
  env.Arguments = {"-c", "printf %s \"$QV_PROBE\""};
  env.Environment = {{"QV_PROBE", "set"}};
  env.TimeoutMs = 5000;
  EXPECT_EQ(RunProcess(env).StdOut, "set");
}

TEST(ProcessTest, TimeoutKillsTheProgram) {
  const auto start = std::chrono::steady_clock::now();
  const TProcessResult r = RunProcess("sleep", {"5"}, 200);
  const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(
                      std::chrono::steady_clock::now() - start)
                      .count();
  EXPECT_TRUE(r.Started);
  EXPECT_TRUE(r.TimedOut);
  EXPECT_EQ(r.ExitCode, -1);
  EXPECT_LT(ms, 3000) << "the run ends at the timeout, not when the program would";

  // A program that closes its output but keeps running is still stopped.
  const TProcessResult q = RunProcess("/bin/sh", {"-c", "exec >&- 2>&-; sleep 5"}, 200);
  EXPECT_TRUE(q.TimedOut);
}

TEST(ProcessTest, PollKeepsTurningAndCancelsTheProgram) {
  // The poll turns while the program runs; false ends it (and a program
  // that closed its output is still waited for with the poll turning).
  for (const char* script : {"sleep 30", "exec >&- 2>&-; sleep 30"}) {
    TProcessOptions o;
    o.Executable = "/bin/sh";
    o.Arguments = {"-c", script};
    o.PollIntervalMs = 5;
    int polls = 0;
    o.Poll = [&] { return ++polls < 4; };
    const TProcessResult r = RunProcess(o);
    EXPECT_TRUE(r.Started) << script;
    EXPECT_TRUE(r.Cancelled) << script;
    EXPECT_FALSE(r.TimedOut) << script;
    EXPECT_FALSE(r.Succeeded()) << script;
    EXPECT_EQ(r.Signal, SIGKILL) << script;
    EXPECT_EQ(polls, 4) << script;
  }
  // A poll that never cancels leaves the result as it would be.
  TProcessOptions o;
  o.Executable = "/bin/sh";
  o.Arguments = {"-c", "sleep 0.1; echo done"};
  o.PollIntervalMs = 5;
  int polls = 0;
  o.Poll = [&] { return ++polls > 0; };
  const TProcessResult r = RunProcess(o);
  EXPECT_TRUE(r.Succeeded());
  EXPECT_EQ(r.StdOut, "done\n");
  EXPECT_GT(polls, 0);
}

TEST(ProcessTest, MissingProgramOrFolderIsReportedNotThrown) {
  const TProcessResult r = RunProcess("/no/such/program", {}, 1000);
  EXPECT_FALSE(r.Started);
  EXPECT_EQ(r.Error, "Cannot run \"/no/such/program\": No such file or directory");
  const TProcessResult p = RunProcess("no-such-program-quorvane", {}, 1000);
  EXPECT_FALSE(p.Started);
  const TProcessResult d = RunProcess("/bin/echo", {}, 1000, "/no/such/folder");
  EXPECT_FALSE(d.Started);
  EXPECT_NE(d.Error.find("/no/such/folder"), std::string::npos);
}

TEST(DynLibraryTest, LoadsLibmAndFindsSymbols) {
  TDynLibrary lib;
  ASSERT_TRUE(lib.Load("libm.so.6")) << lib.LastError();
  auto cosFn = lib.SymbolAs<double (*)(double)>("cos");
  ASSERT_NE(cosFn, nullptr);
  EXPECT_DOUBLE_EQ(cosFn(0.0), 1.0);
  EXPECT_EQ(lib.Symbol("no_such_symbol_qv"), nullptr);
  EXPECT_NE(lib.LastError().find("no_such_symbol_qv"), std::string::npos);
  TDynLibrary moved(std::move(lib));
  EXPECT_TRUE(moved.Loaded());
  EXPECT_FALSE(lib.Loaded());
  moved.Free();
  EXPECT_EQ(moved.Symbol("cos"), nullptr);

  TDynLibrary missing;
  EXPECT_FALSE(missing.Load("/no/such/libfoo.so"));
  EXPECT_FALSE(missing.LastError().empty());
}

}  // namespace
