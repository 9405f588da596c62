// The main window's Print commands (offscreen): the tool bar's Print and
// File › Print print the model, the result memo's Print the result text,
// each after the print dialog, to a PDF file read back with pdftotext;
// a cancelled dialog prints nothing, and a missing printer is reported.
#include <QAction>

#include "editor/CodeEditPrint.h"
#include "platform/core/Process.h"
#include "tests/app/qt/MainWindowFixture.h"

namespace qv {
namespace {

const std::string kExamples = std::string(QV_SOURCE_DIR) + "/examples/";
const std::string kLinear = kExamples + "Regression Curve Fit/Linear Fit.mff";

class PrintCommandsTest : public test::TMainWindowFixture {
 public:
  static void SetUpTestSuite() { SetUpWindowSuite("print_commands"); }

 protected:
  void SetUp() override {
    SetUpWindow("print_commands");
    printer = dynamic_cast<TQtPrinter*>(Printer());
    ASSERT_NE(printer, nullptr);
  }
  void TearDown() override {
    if (printer) printer->SetOutputFile("");
    TMainWindowFixture::TearDown();
  }
  // The text of a PDF laid out as printed, with every blank removed.
  static std::string PdfText(const std::string& Pdf) {
    return NoBlanks(RunProcess("pdftotext", {"-layout", Pdf, "-"}, 30000).StdOut);
  }
  static std::string NoBlanks(const std::string& S) {
    std::string r;
    for (char c : S)
      if (c != ' ' && c != '\t' && c != '\n' && c != '\r' && c != '\f') r += c;
    return r;
  }
  // Whether every line of the editor is in the printed text (blanks do not
  // count: the print lays text out in its own columns).
  static void ExpectPrinted(const TStrings& Lines, const std::string& Text) {
    ASSERT_GT(Lines.Count(), 2);
    for (int i = 0; i < Lines.Count(); ++i)
      EXPECT_NE(Text.find(NoBlanks(Lines[i])), std::string::npos)
          << "line " << i + 1 << ": " << Lines[i];
  }
  std::vector<TScriptedDialogs::TEntry> PrintDialogs() const {
    std::vector<TScriptedDialogs::TEntry> r;
    for (const auto& e : dialogs.Log())
      if (e.Kind == "Print") r.push_back(e);
    return r;
  }
  TQtPrinter* printer = nullptr;
};

TEST_F(PrintCommandsTest, ModelAndResultTextPrintAfterTheDialog) {
  Start({kLinear});
  const std::string model = work + "model.pdf";
  printer->SetOutputFile(model);
  // Cancelled: nothing printed.
  dialogs.PushResult(mrCancel);
  form->PrintButtonClick();
  ASSERT_EQ(PrintDialogs().size(), 1u);
  EXPECT_EQ(PrintDialogs()[0].Caption, "Linear Fit.mff");
  EXPECT_FALSE(FileExists(model));

  dialogs.PushResult(mrOk);
  form->PrintButtonClick();
  ASSERT_TRUE(FileExists(model));
  std::string text = PdfText(model);
  ExpectPrinted(form->CodeMemo().Lines(), text);
  // The header names the model and the page.
  EXPECT_NE(text.find("LinearFit.mff"), std::string::npos);
  EXPECT_NE(text.find("Page1of1"), std::string::npos);
  EXPECT_TRUE(Messages().empty()) << Messages().front();

  // File › Print does the same.
  const std::string again = work + "again.pdf";
  printer->SetOutputFile(again);
  dialogs.PushResult(mrOk);
  form->Action("Print1")->trigger();
  ASSERT_TRUE(FileExists(again));
  ExpectPrinted(form->CodeMemo().Lines(), PdfText(again));

  // The result memo's Print prints the result text, not the model.
  StopAfter(50);
  form->RunButtonClick();
  ASSERT_GT(form->ResultMemo().Lines().Count(), 5);
  const std::string results = work + "results.pdf";
  printer->SetOutputFile(results);
  dialogs.PushResult(mrOk);
  form->Print2Click();
  ASSERT_TRUE(FileExists(results));
  text = PdfText(results);
  ExpectPrinted(form->ResultMemo().Lines(), text);
  EXPECT_EQ(text.find(NoBlanks(form->CodeMemo().Lines()[0])), std::string::npos);
  EXPECT_EQ(PrintDialogs().size(), 4u);
}

TEST_F(PrintCommandsTest, WithoutAPrinterTheJobIsReported) {
  Start({kLinear});
  SetPrinterService(nullptr);
  dialogs.PushResult(mrOk);
  form->PrintButtonClick();
  SetPrinterService(printer);
  ASSERT_EQ(Messages().size(), 1u);
  EXPECT_EQ(Messages()[0], "Printer selected is not valid");
}

}  // namespace
}  // namespace qv
