// The main window running program models (offscreen, message boxes answered
// by the scripted dialogs): Stop ends a model whose code never returns, with
// the report written and the window back to idle, and the next run works;
// Stop is offered from the start of the run command and ends the compile.
//
// Needs Free Pascal (fpc). No assertion here is on time: a stop that is not
// honoured is caught by a watchdog that ends the worker after a minute,
// which then fails the test.
#include <gtest/gtest.h>
#include <signal.h>
#include <unistd.h>

#include <QAction>
#include <QTimer>
#include <QToolButton>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <functional>
#include <mutex>
#include <sstream>
#include <string>
#include <thread>

#include "MainWindowFixture.h"
#include "editor/CodeEdit.h"
#include "engine/ProgramRuntime.h"
#include "engine/SearchState.h"
#include "tests/support/SettingsTestSupport.h"

namespace qv {
namespace {

bool CompilerFound() {
  const char* path = std::getenv("PATH");
  std::stringstream dirs(path ? path : "");
  for (std::string dir; std::getline(dirs, dir, ':');)
    if (!dir.empty() && ::access((dir + "/fpc").c_str(), X_OK) == 0) return true;
  return false;
}

#define REQUIRE_COMPILER() \
  ASSERT_TRUE(CompilerFound()) << "Free Pascal (fpc) is needed: run scripts/install-deps.sh"

const char* const kStopQuestion = "Are you sure to stop optimal search!";
const char* const kNoResult =
    "No call of the program codes returned before the stop: the parameters above are no result.";

// Runs Fire once when it has not been dismissed within a minute.
class TWatchdog {
 public:
  explicit TWatchdog(std::function<void()> Fire)
      : fire_(std::move(Fire)), thread_([this] { Watch(); }) {}
  ~TWatchdog() {
    {
      std::lock_guard<std::mutex> lock(mutex_);
      done_ = true;
    }
    wake_.notify_all();
    thread_.join();
  }
  TWatchdog(const TWatchdog&) = delete;
  TWatchdog& operator=(const TWatchdog&) = delete;
  bool Fired() const { return fired_; }

 private:
  void Watch() {
    std::unique_lock<std::mutex> lock(mutex_);
    if (wake_.wait_for(lock, std::chrono::seconds(60), [this] { return done_; })) return;
    fired_ = true;
    fire_();
  }
  std::function<void()> fire_;
  std::mutex mutex_;
  std::condition_variable wake_;
  bool done_ = false;
  std::atomic<bool> fired_{false};
  std::thread thread_;
};

// y = a*x over four points; while the file Flag exists the code never
// returns. Tag makes the text (and so the library) one no other run built.
std::string EndlessModel(const std::string& Flag, long long Tag) {
  return "title Endless;\n"
         "variables x, y;\n"
         "parameters a [0, 4];\n"
         "startprogram;\n"
         "var i: integer;\n"
         "begin\n"
         "  i := " +
         std::to_string(Tag) +
         ";\n"
         "  while FileExists('" +
         Flag +
         "') do i := i + 1;\n"
         "  for i := 0 to DataLength - 1 do\n"
         "    y[i] := a*x[i];\n"
         "end;\n"
         "endprogram;\n"
         "data;\n1 2\n2 4\n3 6\n4 8\n";
}

long long UniqueTag() {
  return (std::chrono::steady_clock::now().time_since_epoch().count() ^ ::getpid()) % 1000000007;
}

class MainWindowProgramTest : public test::TMainWindowFixture {
 protected:
  static void SetUpTestSuite() { SetUpWindowSuite("main_window_program"); }
  void SetUp() override { SetUpWindow("main_window_program"); }

  // Differential evolution, a fixed number of iterations.
  void ShortSearch() {
    Page().Get<TRadioGroupBox>("RadioGroup2")->SetItemIndex(3);
    Page().RadioGroup2Click();
    SetText("DESizeBox", "10");
    StopAfter(30);
  }
  // Whether both Stop commands (the tool button and the menu item) are
  // offered.
  bool StopOffered() const {
    return form->Get<QToolButton>("StopButton")->isEnabled() && form->Action("Stop1")->isEnabled();
  }
  void ExpectIdle() {
    EXPECT_FALSE(form->SearchRunning());
    EXPECT_TRUE(form->Get<QToolButton>("RunButton")->isEnabled());
    EXPECT_TRUE(form->Action("Run1")->isEnabled());
    EXPECT_FALSE(form->Get<QToolButton>("StopButton")->isEnabled());
    EXPECT_FALSE(form->Action("Stop1")->isEnabled());
    EXPECT_FALSE(form->CodeMemo().ReadOnly());
    EXPECT_EQ(form->StatusText(3), "");
  }
  pid_t WorkerPid() { return form->Engine().Model.ProgramRuntime().Worker.Pid(); }
};

TEST_F(MainWindowProgramTest, StopEndsAModelThatNeverReturnsAndTheNextRunWorks) {
  REQUIRE_COMPILER();
  const std::string flag = work + "endless.flag";
  const std::string model = work + "Endless.mff";
  test::WriteText(flag, "on");
  test::WriteText(model, EndlessModel(flag, UniqueTag()));
  Start({model});
  ShortSearch();
  TWatchdog watchdog([this] {
    const pid_t pid = WorkerPid();
    if (pid > 0) ::kill(pid, SIGKILL);
  });

  // Stop from the tool bar after a few turns of the event loop while the
  // search waits for the first evaluation, which never comes back.
  pid_t hung = -1;
  int turns = 0;
  bool offered = false;
  std::string status;
  auto* timer = new QTimer(form.get());
  timer->setInterval(20);
  QObject::connect(timer, &QTimer::timeout, form.get(), [&] {
    if (!form->SearchRunning() || ++turns < 5) return;
    timer->stop();
    hung = WorkerPid();
    offered = StopOffered();
    status = form->StatusText(3);
    dialogs.PushResult(mrYes);
    form->Get<QToolButton>("StopButton")->click();
  });
  timer->start();
  dialogs.PushResult(mrYes);  // compile and run the model's program
  Key(Qt::Key_F9);

  EXPECT_FALSE(watchdog.Fired());
  EXPECT_EQ(turns, 5);
  EXPECT_TRUE(offered);
  EXPECT_EQ(status, "Running Search...");
  const std::vector<std::string> messages = Messages();
  ASSERT_EQ(messages.size(), 2u) << messages.back();
  EXPECT_EQ(messages[0].rfind("The model \"Endless.mff\" holds a program", 0), 0u) << messages[0];
  EXPECT_EQ(messages[1], kStopQuestion);
  // The report names the user's stop and says that no call returned.
  const TStrings& result = form->ResultMemo().Lines();
  EXPECT_TRUE(HasLine(result, "Stop Reason: stoped by user")) << result.Text();
  ASSERT_GT(result.Count(), 0);
  EXPECT_EQ(result[result.Count() - 1], kNoResult);
  EXPECT_EQ(form->ActivePageIndex(), 2);
  // The hung worker is gone, and the window is idle with Resume offered.
  ASSERT_GT(hung, 0);
  EXPECT_NE(::kill(hung, 0), 0);
  ExpectIdle();
  EXPECT_TRUE(form->Get<QToolButton>("ResumeBT1")->isEnabled());
  EXPECT_TRUE(form->Action("ResumeBT")->isEnabled());

  // Without the flag the next run (not asked again) searches to its end
  // with a new worker.
  std::remove(flag.c_str());
  dialogs.ClearLog();
  form->Get<QToolButton>("RunButton")->click();
  EXPECT_TRUE(Messages().empty()) << Messages().front();
  EXPECT_FALSE(HasLine(form->ResultMemo().Lines(), "Stop Reason: stoped by user"));
  EXPECT_TRUE(HasPrefix(form->ResultMemo().Lines(), "Stop Reason: "));
  EXPECT_FALSE(HasLine(form->ResultMemo().Lines(), kNoResult));
  const pid_t fresh = WorkerPid();
  EXPECT_GT(fresh, 0);
  EXPECT_NE(fresh, hung);
  ASSERT_EQ(form->Engine().Pop.BestPosition.size(), 1u);
  EXPECT_NEAR(form->Engine().Pop.BestPosition[0], 2, 1e-3);
  ExpectIdle();
  EXPECT_FALSE(watchdog.Fired());
}

TEST_F(MainWindowProgramTest, StopDuringTheCompileEndsItAndTheWindowIsIdleAgain) {
  REQUIRE_COMPILER();
  // A text no earlier run compiled, so that the compiler runs.
  const std::string model = work + "Fresh.mff";
  test::WriteText(model, EndlessModel(work + "never.flag", UniqueTag()));
  Start({model});
  ShortSearch();
  EXPECT_FALSE(StopOffered());

  // F10 at the third turn of the event loop inside the run command: the
  // first comes just before the compiler starts, the next ones while it
  // runs (it takes far longer than a few turns).
  bool offered = false, searching = true;
  int turns = 0;
  auto* timer = new QTimer(form.get());
  timer->setInterval(0);
  QObject::connect(timer, &QTimer::timeout, form.get(), [&] {
    if (form->Get<QToolButton>("RunButton")->isEnabled()) return;  // not in the run command yet
    if (++turns < 3) return;
    timer->stop();
    offered = StopOffered();
    searching = form->SearchRunning();
    dialogs.PushResult(mrYes);
    Key(Qt::Key_F10);
  });
  timer->start();
  dialogs.PushResult(mrYes);  // compile and run the model's program
  Key(Qt::Key_F9);

  EXPECT_EQ(turns, 3);
  EXPECT_TRUE(offered);
  EXPECT_FALSE(searching);
  const std::vector<std::string> messages = Messages();
  ASSERT_EQ(messages.size(), 3u) << messages.back();
  EXPECT_EQ(messages[1], kStopQuestion);
  EXPECT_EQ(messages[2], "Compiling the program codes was stopped.");
  EXPECT_TRUE(form->Engine().Model.ProgramRuntime().Info.Stopped);
  EXPECT_FALSE(form->Engine().Model.ProgramRuntime().Info.Compiled);
  EXPECT_EQ(form->Engine().Run.Iteration, 0);
  ExpectIdle();
  // Nothing ran, so there is nothing to resume.
  EXPECT_FALSE(form->Get<QToolButton>("ResumeBT1")->isEnabled());
  EXPECT_FALSE(form->Action("ResumeBT")->isEnabled());
  EXPECT_EQ(form->ActivePageIndex(), 0);

  // The next run compiles the model and searches to its end.
  dialogs.ClearLog();
  Key(Qt::Key_F9);
  EXPECT_TRUE(Messages().empty()) << Messages().front();
  EXPECT_TRUE(form->Engine().Model.ProgramRuntime().Info.Compiled);
  EXPECT_FALSE(form->Engine().Model.ProgramRuntime().Info.Stopped);
  EXPECT_TRUE(HasPrefix(form->ResultMemo().Lines(), "Stop Reason: "));
  ASSERT_EQ(form->Engine().Pop.BestPosition.size(), 1u);
  EXPECT_NEAR(form->Engine().Pop.BestPosition[0], 2, 1e-3);
  ExpectIdle();
}

}  // namespace
}  // namespace qv
