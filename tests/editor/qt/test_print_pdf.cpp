// Printing a highlighted model of 150 lines to PDF through the Qt printer:
// the page count and the header texts checked with poppler's pdfinfo and
// pdftotext, and the first page rendered with pdftoppm for a look.
#include <gtest/gtest.h>

#include <QApplication>
#include <QFile>
#include <QRegularExpression>

#include "editor/CodeEdit.h"
#include "editor/CodeEditPrint.h"
#include "editor/CodeHighlighterSample.h"
#include "platform/core/Process.h"
#include "platform/gui/QtCanvas.h"
#include "platform/gui/QtServices.h"

namespace qv {
namespace {

QString RunTool(const std::string& Program, const std::vector<std::string>& Args) {
  return QString::fromStdString(RunProcess(Program, Args, 30000).StdOut);
}

// A model whose lines say their own number.
std::string ModelText(int Lines) {
  std::string text =
      "// Decay of an amount a at the rate k.\n"
      "title Exponential Decay;\n"
      "variables t, y;\n"
      "parameters a [0, 20], k [0, 5];\n"
      "function y = a*exp(-k*t);  { the model, with a comment that runs on for a while "
      "so that the line is wrapped at a blank }\n"
      "data;\n";
  for (int i = 7; i <= Lines; ++i)
    text += std::to_string(0.25 * (i - 7)) + "\t" + std::to_string(5.0 / i) + "  // row " +
            std::to_string(i) + "\n";
  return text;
}

TEST(PrintPdf, HundredFiftyLinesWithPageHeaders) {
  int argc = 1;
  char name[] = "test";
  char* argv[] = {name};
  QApplication app(argc, argv);
  InstallQtGraphics();
  FormatSettings() = TFormatSettings::Invariant();

  TQtPrinter printer;
  const QString pdf = QString(QV_BINARY_DIR) + "/editor-print.pdf";
  QFile::remove(pdf);
  printer.SetOutputFile(pdf.toStdString());

  TCodeSampleSyn syn;
  TCodeEdit edit;
  edit.SetHighlighter(&syn);
  edit.SetText(ModelText(150));
  ASSERT_EQ(edit.Lines().Count(), 150);

  TCodeEditPrint print;
  print.SetPrinter(&printer);
  print.SetCodeEdit(edit);
  print.SetTitle("Exponential Decay.mff");
  print.SetColors(true);
  print.SetLineNumbers(true);
  print.Header().SetFrameTypes(ftBox | ftShaded);
  print.Header().Add("$TITLE$", nullptr, hfaLeft, 1);
  print.Header().Add("Page $PAGENUM$ of $PAGECOUNT$", nullptr, hfaRight, 1);
  print.Footer().Add("Quorvane", nullptr, hfaCenter, 1);
  const int pages = print.PageCount();
  EXPECT_EQ(pages, 3);
  print.Print();
  ASSERT_FALSE(printer.Printing());

  const QString info = RunTool("pdfinfo", {pdf.toStdString()});
  EXPECT_TRUE(info.contains(QRegularExpression(QString("Pages:\\s+%1\\b").arg(pages))))
      << info.toStdString();
  EXPECT_TRUE(info.contains("Exponential Decay.mff")) << info.toStdString();
  for (int p = 1; p <= pages; ++p) {
    const QString text = RunTool("pdftotext", {"-layout", "-f", std::to_string(p), "-l",
                                               std::to_string(p), pdf.toStdString(), "-"});
    EXPECT_TRUE(text.contains(QString("Page %1 of %2").arg(p).arg(pages))) << text.toStdString();
    EXPECT_TRUE(text.contains("Quorvane"));
    if (p == 1) {
      EXPECT_TRUE(text.contains("parameters a [0, 20], k [0, 5];")) << text.toStdString();
      EXPECT_TRUE(text.contains("1: // Decay of an amount")) << text.toStdString();
    }
    if (p == pages) {
      EXPECT_TRUE(text.contains("// row 150")) << text.toStdString();
    }
  }
  const QString png = QString(QV_BINARY_DIR) + "/editor-print-page1";
  RunTool("pdftoppm", {"-png", "-r", "60", "-f", "1", "-l", "1", "-singlefile", pdf.toStdString(),
                       png.toStdString()});
  EXPECT_TRUE(QFile::exists(png + ".png"));
}

}  // namespace
}  // namespace qv
