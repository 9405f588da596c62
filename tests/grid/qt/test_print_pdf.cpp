// Printing a sheet to PDF through the Qt printer: the page count and the
// order of the pages, checked with poppler's pdfinfo and pdftotext.
#include <gtest/gtest.h>

#include <QFile>
#include <QProcess>
#include <QRegularExpression>

#include "grid/XLSheet.h"
#include "platform/gui/QtCanvas.h"
#include "platform/gui/QtServices.h"

namespace qv {
namespace {

QString RunTool(const QString& program, const QStringList& args) {
  QProcess p;
  p.start(program, args);
  if (!p.waitForFinished(30000)) return {};
  return QString::fromUtf8(p.readAllStandardOutput());
}

TEST(PrintPdf, PagesGoAcrossThenDownAndOnlyTheRangePrints) {
  InstallQtGraphics();
  FormatSettings() = TFormatSettings::Invariant();
  TQtPrinter printer;
  const QString pdf = QString(QV_BINARY_DIR) + "/sheet-pages.pdf";
  QFile::remove(pdf);
  printer.SetOutputFile(pdf.toStdString());
  ASSERT_TRUE(printer.Available());

  TXLSheet sheet;
  sheet.UpdatePageRect(&printer);
  sheet.SetColCount(20);
  sheet.SetRowCount(100);
  const std::vector<int> across = sheet.PageBreaks(0), down = sheet.PageBreaks(1);
  ASSERT_EQ(across.size(), 2u);
  ASSERT_EQ(down.size(), 2u);
  ASSERT_EQ(sheet.GetPageCount(), 4);
  sheet.SetCellText(0, 0, "page1");
  sheet.SetCellText(across[0], 0, "page2");
  sheet.SetCellText(0, down[0], "page3");
  sheet.SetCellText(across[0], down[0], "page4");
  sheet.SetCellText(-1, 0, "Title");
  sheet.Title = "Grid pages";
  sheet.PrintGridLines = true;
  sheet.Print(printer, 2, 3);

  const QString info = RunTool("pdfinfo", {pdf});
  EXPECT_TRUE(info.contains(QRegularExpression("Pages:\\s+2\\b"))) << info.toStdString();
  EXPECT_TRUE(info.contains("Grid pages")) << info.toStdString();
  const QString first = RunTool("pdftotext", {"-f", "1", "-l", "1", pdf, "-"});
  const QString second = RunTool("pdftotext", {"-f", "2", "-l", "2", pdf, "-"});
  EXPECT_TRUE(first.contains("page2")) << first.toStdString();
  EXPECT_FALSE(first.contains("page1"));
  EXPECT_TRUE(first.contains("Title"));  // the title column repeats
  EXPECT_TRUE(second.contains("page3")) << second.toStdString();
  EXPECT_FALSE(second.contains("page4"));
}

}  // namespace
}  // namespace qv
