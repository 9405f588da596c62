// The input form with real input: a program model with a test data set run
// with F9 asks the set's value in "Quorvane Input"; a typed word is refused
// with "Wrong data input!", a number typed over it closes the form and the
// search runs. The form and the message are pictured in the session folder.
#include <gtest/gtest.h>

#include <filesystem>

#include "DesktopSession.h"

namespace qv::desktop {
namespace {

TEST(InputForm, ProgramRunAsksTheTestValueAndRefusesAWord) {
  if (!std::filesystem::exists("/usr/bin/fpc")) GTEST_SKIP() << "no Pascal compiler";
  TDesktopSession session(std::string(QV_BINARY_DIR) + "/session-input-form");
  ASSERT_TRUE(session.Ok()) << session.Error();
  const std::string model = ExamplesFolder() + "Auto-calibration/Sensor Drift Program.mff";
  ASSERT_GT(session.Start(QuorvaneProgram(), {model}), 0);
  const std::string window = session.WaitWindow("^Quorvane - .*Sensor Drift Program");
  ASSERT_FALSE(window.empty()) << "no main window with the model's name";
  ASSERT_TRUE(session.Focus(window));
  session.Key("F9");
  // A program read from a file asks before it is compiled; Yes is the
  // default button.
  const std::string question = session.WaitWindow("^Confirmation$");
  ASSERT_FALSE(question.empty());
  ASSERT_TRUE(session.Focus(question));
  session.Key("Return");

  // Building the program's library comes first.
  const std::string form = session.WaitWindow("^Quorvane Input$", 240000);
  ASSERT_FALSE(form.empty()) << "no input form";
  ASSERT_TRUE(session.Focus(form));
  EXPECT_TRUE(session.WindowScreenshot(form, session.Folder() + "/input-form.png"));
  session.Type("abc");
  session.Key("Return");
  session.Key("alt+o");
  const std::string error = session.WaitWindow("^Error$");
  ASSERT_FALSE(error.empty()) << "a word was taken as a value";
  EXPECT_TRUE(session.WindowScreenshot(error, session.Folder() + "/wrong-input.png"));
  ASSERT_TRUE(session.Focus(error));
  session.Key("Return");
  ASSERT_TRUE(session.WaitWindowGone("^Error$"));
  EXPECT_FALSE(session.WaitWindow("^Quorvane Input$", 5000).empty()) << "the form closed";

  ASSERT_TRUE(session.Focus(form));
  session.Type("0.25");
  session.Key("Return");
  session.Key("alt+o");
  ASSERT_TRUE(session.WaitWindowGone("^Quorvane Input$"));
  // The search ran to its end: the window is the program's alone again,
  // with no message.
  EXPECT_TRUE(session.WaitWindow("^(Error|Information|Warning)$", 3000).empty());
  EXPECT_TRUE(session.Screenshot(session.Folder() + "/after-run.png"));
}

}  // namespace
}  // namespace qv::desktop
