// Printing through a recording printer: page rectangle, page breaks and
// counts, which pages print in which order, and what paper shows.
#include <gtest/gtest.h>

#include <set>

#include "grid/XLRanges.h"
#include "platform/core/RecordingCanvas.h"
#include "platform/core/Services.h"

namespace qv {
namespace {

// A printer whose pages are recording canvases.
class TRecordingPrinter : public TPrinterService {
 public:
  TRecordingPrinter(int dpi, int width, int height) : dpi_(dpi), w_(width), h_(height) {}
  bool Available() const override { return available_; }
  std::string PrinterName() const override { return "recording"; }
  int PageWidth() const override { return w_; }
  int PageHeight() const override { return h_; }
  int PhysicalWidth() const override { return w_; }
  int PhysicalHeight() const override { return h_; }
  int OffsetX() const override { return 0; }
  int OffsetY() const override { return 0; }
  int DpiX() const override { return dpi_; }
  int DpiY() const override { return dpi_; }
  void SetTitle(const std::string& t) override { title = t; }
  void SetCopies(int) override {}
  void SetLandscape(bool) override {}
  bool BeginDoc() override {
    if (!available_) return false;
    printing_ = true;
    pages.clear();
    pages.push_back(std::make_unique<TRecordingCanvas>(Rect(0, 0, w_, h_), &fonts));
    return true;
  }
  void NewPage() override {
    pages.push_back(std::make_unique<TRecordingCanvas>(Rect(0, 0, w_, h_), &fonts));
  }
  void EndDoc() override {
    printing_ = false;
    ++documents;
  }
  void Abort() override { printing_ = false; }
  bool Printing() const override { return printing_; }
  bool Aborted() const override { return false; }
  int PageNumber() const override { return static_cast<int>(pages.size()); }
  TCanvas& Canvas() override { return *pages.back(); }
  void SetOutputFile(const std::string&) override {}

  // The texts written on a page.
  std::set<std::string> Texts(std::size_t page) const {
    std::set<std::string> out;
    for (const TCanvasCall* c : pages[page]->Find("TextOut")) out.insert(c->Text);
    return out;
  }

  TFakeFontService fonts{8, 16};
  std::vector<std::unique_ptr<TRecordingCanvas>> pages;
  std::string title;
  int documents = 0;
  bool available_ = true;

 private:
  int dpi_, w_, h_;
  bool printing_ = false;
};

class PrintTest : public ::testing::Test {
 protected:
  void SetUp() override { FormatSettings() = TFormatSettings::Invariant(); }
  TXLSheet sheet;
};

TEST_F(PrintTest, WithoutAPrinterTheDefaultPageIsUsed) {
  sheet.UpdatePageRect(nullptr);
  EXPECT_EQ(sheet.PageRect(), TRect(0, 0, 748, 1079));
  EXPECT_EQ(sheet.GetPageCount(), 1);
  sheet.PrintLeftMargin = 48;
  sheet.PrintBottomMargin = 96;
  sheet.UpdatePageRect(nullptr);
  EXPECT_EQ(sheet.PageRect(), TRect(48, 0, 748, 983));
}

TEST_F(PrintTest, PageBreaksRepeatTitlesAndTakeAtLeastOneLine) {
  TRecordingPrinter printer(96, 748, 1079);
  sheet.UpdatePageRect(&printer);
  // 60 title pixels leave 688: eleven columns of 60 fit, the twelfth not.
  sheet.SetColCount(11);
  EXPECT_EQ(sheet.PageBreaks(0), (std::vector<int>{11}));
  sheet.SetColCount(12);
  EXPECT_EQ(sheet.PageBreaks(0), (std::vector<int>{11, 12}));
  EXPECT_EQ(sheet.GetPageCount(), 2);
  // A row taller than the page still gets a page of its own.
  sheet.SetRowCount(3);
  sheet.SetSize(1, 1, 5000);
  EXPECT_EQ(sheet.PageBreaks(1), (std::vector<int>{1, 2, 3}));
  // A printer of another resolution scales the lists, not the breaks.
  TRecordingPrinter fine(600, 4676, 6744);
  sheet.UpdatePageRect(&fine);
  EXPECT_EQ(sheet.PageBreaks(0), (std::vector<int>{11, 12}));
}

TEST_F(PrintTest, BreaksMatchALineByLineWalk) {
  TRecordingPrinter printer(96, 748, 1079);
  sheet.UpdatePageRect(&printer);
  sheet.SetRowCount(400);
  std::uint32_t seed = 12345;
  for (int r = 0; r < 400; ++r) {
    seed = seed * 1103515245u + 12345u;
    if (seed % 3 == 0)
      sheet.SetSize(r, 1, 1 + static_cast<int>(seed >> 8) % (seed % 7 == 0 ? 1500 : 60));
  }
  // The walk as written out: add lines, break before one that does not
  // fit, never leave a band empty.
  const std::int64_t space = 1079 - 15;
  std::vector<int> expected;
  std::int64_t sum = 0;
  int bandStart = 0;
  for (int r = 0; r < 400; ++r) {
    const int size = sheet.GetSize(r, 1);
    if (sum + size > space && r > bandStart) {
      expected.push_back(r);
      bandStart = r;
      sum = 0;
    }
    sum += size;
  }
  expected.push_back(400);
  EXPECT_EQ(sheet.PageBreaks(1), expected);
  // Huge counts are counted, not walked line by line.
  sheet.SetRowCount(2000000000);
  sheet.SetRowDefHeight(15);
  EXPECT_EQ(sheet.GetPageCount(), (2000000000 + 69) / 70);  // 1064 / 15 = 70 rows a page
}

TEST_F(PrintTest, OneColumnTooWidePrintsTwoPagesAcrossWithTheTitleOnBoth) {
  TRecordingPrinter printer(96, 748, 1079);
  sheet.UpdatePageRect(&printer);
  sheet.SetColCount(12);
  sheet.SetCellText(-1, 0, "row1");
  sheet.SetCellText(0, 0, "first");
  sheet.SetCellText(11, 0, "last");
  sheet.Title = "Results";
  sheet.Print(printer, 1, 2);
  ASSERT_EQ(printer.pages.size(), 2u);
  EXPECT_EQ(printer.title, "Results");
  EXPECT_EQ(printer.Texts(0), (std::set<std::string>{"row1", "first"}));
  EXPECT_EQ(printer.Texts(1), (std::set<std::string>{"row1", "last"}));
  // On the second page the last column follows the title column.
  for (const TCanvasCall* t : printer.pages[1]->Find("TextOut")) {
    if (t->Text == "last") {
      EXPECT_EQ(t->Args[0], 60);
    }
  }
}

TEST_F(PrintTest, PagesPrintAcrossThenDownWithinTheRange) {
  TRecordingPrinter printer(96, 748, 1079);
  sheet.UpdatePageRect(&printer);
  sheet.SetColCount(12);
  sheet.SetRowCount(80);  // 15 title pixels leave 1064: 70 rows a page
  EXPECT_EQ(sheet.GetPageCount(), 4);
  sheet.SetCellText(0, 0, "p1");
  sheet.SetCellText(11, 0, "p2");
  sheet.SetCellText(0, 75, "p3");
  sheet.SetCellText(11, 75, "p4");
  sheet.Print(printer, 2, 3);
  ASSERT_EQ(printer.pages.size(), 2u);  // one new page between, none after
  EXPECT_EQ(printer.Texts(0), (std::set<std::string>{"p2"}));
  EXPECT_EQ(printer.Texts(1), (std::set<std::string>{"p3"}));
  // A range past the last page prints what exists, without a blank page.
  sheet.Print(printer, 4, 9);
  ASSERT_EQ(printer.pages.size(), 1u);
  EXPECT_EQ(printer.Texts(0), (std::set<std::string>{"p4"}));
  EXPECT_EQ(printer.documents, 2);
}

TEST_F(PrintTest, PaperShowsOwnColoursAndGridLinesOnlyWhenAsked) {
  TRecordingPrinter printer(96, 748, 1079);
  sheet.UpdatePageRect(&printer);
  sheet.SetCellText(1, 1, "note");
  sheet.GetCell(1, 1)->SetHint("not on paper");
  TXLSectionRange(&sheet.Section(skClient), TRect(2, 2, 3, 3)).SetColor(clYellow);
  auto gridLines = [&](TColor c) {
    int n = 0;
    for (const auto& p : printer.pages)
      for (const TCanvasCall* l : p->Find("LineTo")) n += l->State.PenColor == c ? 1 : 0;
    return n;
  };
  sheet.Print(printer, 1, 1);
  EXPECT_EQ(gridLines(clBtnFace), 0);
  EXPECT_EQ(printer.pages[0]->Count("Polygon"), 0);  // no hint triangle
  // The only filled client area is the yellow cell (titles draw their frame).
  int yellow = 0, window = 0;
  for (const TCanvasCall* f : printer.pages[0]->Find("FillRect")) {
    yellow += f->State.BrushColor == clYellow ? 1 : 0;
    window += f->State.BrushColor == clWindow ? 1 : 0;
  }
  EXPECT_EQ(yellow, 1);
  EXPECT_EQ(window, 0);
  sheet.PrintGridLines = true;
  sheet.Print(printer, 1, 1);
  EXPECT_GT(gridLines(clBtnFace), 0);
  sheet.BaseClientStyle().SetLinesColor(clWindow);
  sheet.Print(printer, 1, 1);
  EXPECT_EQ(gridLines(clWindow), 0);
}

TEST_F(PrintTest, FontsKeepTheirSizeOnAFinerPrinter) {
  TRecordingPrinter printer(600, 4676, 6744);
  sheet.UpdatePageRect(&printer);
  sheet.SetCellText(0, 0, "x");
  sheet.Print(printer, 1, 1);
  // The recording canvas reports 96 per inch, so the font keeps -11; the
  // cell is laid out in printer dots: column 0 starts after the title
  // column of 60 x 625 / 100 = 375 dots.
  bool found = false;
  for (const TCanvasCall* t : printer.pages[0]->Find("TextOut")) {
    if (t->Text == "x") {
      EXPECT_EQ(t->Args[0], 375);
      found = true;
    }
  }
  EXPECT_TRUE(found);
}

TEST_F(PrintTest, AnUnavailablePrinterFailsCleanly) {
  TRecordingPrinter printer(96, 748, 1079);
  printer.available_ = false;
  EXPECT_THROW(sheet.Print(printer, 1, 1), EPrinter);
  EXPECT_EQ(printer.documents, 0);
}

}  // namespace
}  // namespace qv
