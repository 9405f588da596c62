// The stand-alone data sheet (qvsheet) on a real X display: closing the
// sheet window while the chart drawn from it is open ends the program,
// chart and all.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include "DesktopSession.h"

namespace qv::desktop {
namespace {

TEST(DataSheet, ClosingTheSheetWithItsChartOpenEndsTheProgram) {
  TDesktopSession session(std::string(QV_BINARY_DIR) + "/session-data-sheet");
  ASSERT_TRUE(session.Ok()) << session.Error();
  // --demo fills a worksheet and draws its chart in a window beside it.
  pid_t program = session.Start(SheetProgram(), {"--demo"});
  ASSERT_GT(program, 0);
  const std::string sheet = session.WaitWindow("^Quorvane SpreadSheet");
  ASSERT_FALSE(sheet.empty()) << "no sheet window";
  const std::string chart = session.WaitWindow("^Chart$");
  ASSERT_FALSE(chart.empty()) << "no chart window";
  EXPECT_TRUE(session.Screenshot(session.Folder() + "/sheet-and-chart.png"));

  // File, Exit (the menu's last item): the keys a user would press.
  ASSERT_TRUE(session.Focus(sheet));
  session.Key("alt+f");
  session.Key("Up");
  session.Key("Return");
  const int status = session.WaitExit(program, 30000);
  ASSERT_NE(status, -1) << "the program still runs after the sheet closed";
  EXPECT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 0);
  EXPECT_TRUE(session.WaitWindowGone("^Chart$", 1000));
}

}  // namespace
}  // namespace qv::desktop
