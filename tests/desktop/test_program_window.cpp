// The program's main window on a real X display: it opens on a model given
// on the command line and ends on the keyboard's Exit.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include "DesktopSession.h"

namespace qv::desktop {
namespace {

TEST(ProgramWindow, OpensOnAModelAndEndsOnEscape) {
  TDesktopSession session(std::string(QV_BINARY_DIR) + "/session-program-window");
  ASSERT_TRUE(session.Ok()) << session.Error();
  const std::string model = ExamplesFolder() + "Regression Curve Fit/Exponential Decay.mff";
  pid_t program = session.Start(QuorvaneProgram(), {model});
  ASSERT_GT(program, 0);

  std::string window = session.WaitWindow("^Quorvane - .*Exponential Decay");
  ASSERT_FALSE(window.empty()) << "no main window with the model's name";
  auto geometry = session.Geometry(window);
  EXPECT_GT(geometry.Width, 200);
  EXPECT_GT(geometry.Height, 200);
  EXPECT_TRUE(session.Screenshot(session.Folder() + "/main-window.png"));

  ASSERT_TRUE(session.Focus(window));
  session.Key("Escape");
  int status = session.WaitExit(program, 30000);
  ASSERT_NE(status, -1) << "the program did not end on Escape";
  EXPECT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 0);
}

}  // namespace
}  // namespace qv::desktop
