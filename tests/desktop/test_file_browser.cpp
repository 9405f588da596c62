// The file browser on a real X display, driven by real double clicks: a
// double click opens a folder or a model and never starts renaming, not
// the item that lies under the pointer once the folder has opened, not
// the model it opened. The program runs from a folder of the session's
// own (a hard link of the built program) whose "examples" folder the
// browser shows, so nothing in the source tree can be renamed.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>

#include "DesktopSession.h"

namespace qv::desktop {
namespace {

namespace fs = std::filesystem;

// The names in a folder tree, relative to it, sorted.
std::vector<std::string> Tree(const std::string& Root) {
  std::vector<std::string> names;
  for (const auto& e : fs::recursive_directory_iterator(Root))
    names.push_back(fs::relative(e.path(), Root).string());
  std::sort(names.begin(), names.end());
  return names;
}

TEST(FileBrowser, DoubleClicksOpenAndNeverRename) {
  TDesktopSession session(std::string(QV_BINARY_DIR) + "/session-file-browser");
  ASSERT_TRUE(session.Ok()) << session.Error();
  // The program's own folder: the program and the examples it shows.
  const std::string bin = session.Folder() + "/bin";
  const std::string examples = bin + "/examples";
  fs::create_directories(examples + "/Inner");
  std::error_code ec;
  fs::create_hard_link(QuorvaneProgram(), bin + "/quorvane", ec);
  if (ec) fs::copy_file(QuorvaneProgram(), bin + "/quorvane");
  for (const char* f : {"Inner/a1.mff", "Inner/b2.mff", "top.mff"})
    std::ofstream(examples + "/" + f) << "Title \"" << f << "\";\n";
  const std::vector<std::string> before = Tree(examples);

  pid_t program = session.Start(bin + "/quorvane", {});
  ASSERT_GT(program, 0);
  const std::string main = session.WaitWindow("^Quorvane - ");
  ASSERT_FALSE(main.empty());
  ASSERT_TRUE(session.Focus(main));
  session.Key("ctrl+b");
  const std::string browser = session.WaitWindow("^File Browse$");
  ASSERT_FALSE(browser.empty()) << "no file browser on Ctrl+B";
  EXPECT_TRUE(session.WindowScreenshot(browser, session.Folder() + "/browser-examples.png"));

  // The list shows "Inner" then "top.mff" on its first row (small icons);
  // in "Inner", "a1.mff" and "b2.mff" take the same two places.
  const int row = 61, first = 40, second = 105;

  // A folder: it opens, and a1.mff now lies under the pointer. Keys typed
  // slowly afterwards (well past the pause of a slow second click) and
  // Enter would rename it, had renaming started.
  session.Click(browser, first, row, 2);
  session.XDo({"type", "--delay", "300", "yyy"});
  session.Key("Return");
  EXPECT_TRUE(session.WindowScreenshot(browser, session.Folder() + "/browser-inner.png"));

  // A model file: it opens in the main window, and typing does not rename it.
  session.Click(browser, second, row, 2);
  EXPECT_FALSE(session.WaitWindow("^Quorvane - .*Inner/b2\\.mff").empty())
      << "the double click did not open b2.mff from the folder it opened";
  session.XDo({"type", "--delay", "300", "zzz"});
  session.Key("Return");
  EXPECT_TRUE(session.WindowScreenshot(browser, session.Folder() + "/browser-opened.png"));
  EXPECT_TRUE(session.WindowScreenshot(main, session.Folder() + "/main-opened.png"));

  // The keys have been handled once the browser has closed on Ctrl+B.
  ASSERT_TRUE(session.Focus(main));
  session.Key("ctrl+b");
  EXPECT_TRUE(session.WaitWindowGone("^File Browse$"));
  EXPECT_EQ(Tree(examples), before);
}

}  // namespace
}  // namespace qv::desktop
