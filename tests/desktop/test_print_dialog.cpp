// Printing the model from the program with real input: File › Print opens
// the print dialog, whose output file takes a typed PDF name; Return prints.
// The PDF's text is the model's, with the header naming the model; its
// first page is rendered for a look (print-page1.png in the session folder).
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "DesktopSession.h"

namespace qv::desktop {
namespace {

std::string NoBlanks(const std::string& S) {
  std::string r;
  for (char c : S)
    if (c != ' ' && c != '\t' && c != '\n' && c != '\r' && c != '\f') r += c;
  return r;
}

TEST(PrintDialog, FilePrintWritesTheModelToATypedPdfFile) {
  TDesktopSession session(std::string(QV_BINARY_DIR) + "/session-print-dialog");
  ASSERT_TRUE(session.Ok()) << session.Error();
  const std::string model = ExamplesFolder() + "Regression Curve Fit/Linear Fit.mff";
  ASSERT_GT(session.Start(QuorvaneProgram(), {model}), 0);
  const std::string window = session.WaitWindow("^Quorvane - .*Linear Fit");
  ASSERT_FALSE(window.empty()) << "no main window with the model's name";
  ASSERT_TRUE(session.Focus(window));

  // "File" is the menu bar's first menu; "Print" its fifth item.
  session.Click(window, 20, 8);
  for (int i = 0; i < 5; ++i) session.Key("Down");
  session.Key("Return");
  const std::string dialog = session.WaitWindow("^Print$");
  ASSERT_FALSE(dialog.empty()) << "no print dialog";
  ASSERT_TRUE(session.Focus(dialog));
  EXPECT_TRUE(session.WindowScreenshot(dialog, session.Folder() + "/print-dialog.png"));
  // Without a printer the dialog prints to a PDF file; the second Tab
  // reaches its name, which typing replaces.
  const std::string pdf = session.Folder() + "/printed model.pdf";
  session.Key("Tab");
  session.Key("Tab");
  session.Type(pdf);
  session.Key("Return");
  ASSERT_TRUE(session.WaitWindowGone("^Print$"));

  // The job is written once the file reads as a whole PDF.
  std::string info;
  ASSERT_TRUE(WaitUntil(
      [&] {
        info = RunProcess("pdfinfo", {pdf}, 10000).StdOut;
        return info.find("Pages:") != std::string::npos;
      },
      30000))
      << "no PDF printed";
  EXPECT_NE(info.find("Linear Fit.mff"), std::string::npos) << info;
  const std::string text = NoBlanks(RunProcess("pdftotext", {"-layout", pdf, "-"}, 30000).StdOut);
  EXPECT_NE(text.find("LinearFit.mff"), std::string::npos);
  EXPECT_NE(text.find("Page1of1"), std::string::npos);
  std::ifstream in(model);
  std::string line;
  int lines = 0;
  while (std::getline(in, line)) {
    ++lines;
    EXPECT_NE(text.find(NoBlanks(line)), std::string::npos) << "line " << lines << ": " << line;
  }
  EXPECT_GT(lines, 5);
  RunProcess("pdftoppm",
             {"-png", "-r", "60", "-f", "1", "-l", "1", "-singlefile", pdf,
              session.Folder() + "/print-page1"},
             30000);
  EXPECT_TRUE(std::filesystem::exists(session.Folder() + "/print-page1.png"));
}

}  // namespace
}  // namespace qv::desktop
