// Completion in the model editor with real input: typing "ex" and
// Ctrl+Space opens the list beside the caret with "exp" chosen first;
// Return inserts it (the editor's text read back through the clipboard).
// The list is pictured in completion.png in the session folder.
#include <gtest/gtest.h>

#include "DesktopSession.h"

namespace qv::desktop {
namespace {

// A visible window of the program other than Main: the completion list
// (a pop-up 262 pixels wide); empty when there is none.
std::string CompletionList(TDesktopSession& Session, const std::string& Main) {
  std::string ids = Session.XDo({"search", "--onlyvisible", "--class", "quorvane"});
  std::size_t at = 0;
  while (at < ids.size()) {
    std::size_t end = ids.find('\n', at);
    if (end == std::string::npos) end = ids.size();
    const std::string id = ids.substr(at, end - at);
    at = end + 1;
    if (id.empty() || id == Main) continue;
    if (Session.Geometry(id).Width == 262) return id;
  }
  return {};
}

TEST(ModelCompletion, CtrlSpaceAfterExOffersExpAndReturnInsertsIt) {
  TDesktopSession session(std::string(QV_BINARY_DIR) + "/session-model-completion");
  ASSERT_TRUE(session.Ok()) << session.Error();
  ASSERT_GT(session.Start(QuorvaneProgram(), {}), 0);
  const std::string window = session.WaitWindow("^Quorvane - ");
  ASSERT_FALSE(window.empty()) << "no main window";
  ASSERT_TRUE(session.Focus(window));
  // Into the model editor, on a line of its own at the end.
  session.Click(window, 300, 300);
  session.Key("ctrl+End");
  session.Key("Return");
  session.Type("function y = a*ex");
  session.Key("ctrl+space");

  std::string list;
  ASSERT_TRUE(WaitUntil(
      [&] {
        list = CompletionList(session, window);
        return !list.empty();
      },
      10000))
      << "no completion list";
  EXPECT_TRUE(session.WindowScreenshot(list, session.Folder() + "/completion.png"));
  session.Key("Return");
  ASSERT_TRUE(WaitUntil([&] { return CompletionList(session, window).empty(); }, 10000));

  session.Key("ctrl+a");
  session.Key("ctrl+c");
  std::string text;
  ASSERT_TRUE(WaitUntil(
      [&] {
        text = session.ClipboardText();
        return text.find("function y = a*ex") != std::string::npos;
      },
      10000))
      << text;
  // The editor's last line is the one typed, completed.
  while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) text.pop_back();
  const std::string last = text.substr(text.rfind('\n') + 1);
  EXPECT_EQ(last, "function y = a*exp") << text;
}

}  // namespace
}  // namespace qv::desktop
