// Printing an editor's text through a recording printer: the page and its
// margins, paging with wrapped lines, headers and footers with macros,
// selections, highlighting, line numbers, copies and aborts.
#include <gtest/gtest.h>

#include <algorithm>

#include "EditorTestSupport.h"
#include "editor/CodeEditPrint.h"
#include "editor/CodeHighlighterSample.h"
#include "platform/core/RecordingPrinter.h"

namespace qv {
namespace {

using test::NumberedLines;
using test::TEditorFixture;

// An A4 page at 96 dots per inch without unprintable border, 8 x 16 cells:
// the text runs from x 94 to 737 (80 "W" fit, 79 columns print) and from
// y 94 to 1029 (58 lines of 16 pixels).
constexpr int kLeft = 94, kTop = 94, kBottom = 1029, kLinesPerPage = 58, kMaxCol = 79;

struct PrintFixture : ::testing::Test {
  TEditorFixture ed;
  TRecordingPrinter printer{96, 794, 1123, &ed.fonts};
  TCodeEditPrint print;

  PrintFixture() {
    SetFontService(&ed.fonts);
    print.SetPrinter(&printer);
  }
  void Load(const std::string& Text) {
    ed.SetLines(Text);
    print.SetCodeEdit(ed.edit);
  }
  // The body texts of a page (ExtTextOut) with their positions.
  std::vector<const TCanvasCall*> Body(size_t Page) const {
    return printer.Page(Page).Find("ExtTextOut");
  }
  std::string FirstBodyText(size_t Page) const {
    auto b = Body(Page);
    return b.empty() ? std::string() : b.front()->Text;
  }
};

TEST(PrinterInfo, WithoutAPrinterAnA4PageAt300Dpi) {
  TCodeEditPrinterInfo info;
  info.UpdatePrinter(nullptr);
  EXPECT_EQ(info.PhysicalWidth(), 2481);
  EXPECT_EQ(info.PhysicalHeight(), 3507);
  EXPECT_EQ(info.PrintableWidth(), 2358);
  EXPECT_EQ(info.PrintableHeight(), 3407);
  EXPECT_EQ(info.LeftGutter(), 65);
  EXPECT_EQ(info.RightGutter(), 58);
  EXPECT_EQ(info.TopGutter(), 50);
  EXPECT_EQ(info.BottomGutter(), 50);
  EXPECT_EQ(info.XPixPrInch(), 300);
  EXPECT_NEAR(info.YPixPrmm(), 11.811, 0.001);
  // 25 mm from the paper's left edge, counted from the printable area.
  EXPECT_EQ(info.PixFromLeft(25), 230);

  TRecordingPrinter printer(600, 4800, 6600);
  printer.SetMargins(100, 80, 60, 40);
  info.UpdatePrinter(&printer);
  EXPECT_EQ(info.PhysicalWidth(), 4960);
  EXPECT_EQ(info.RightGutter(), 60);
  EXPECT_EQ(info.BottomGutter(), 40);
  EXPECT_EQ(info.YPixPrInch(), 600);
  printer.SetAvailable(false);
  info.UpdatePrinter(&printer);
  EXPECT_EQ(info.PrintableWidth(), 2358);
}

TEST(PrintMargins, UnitsConvertFromMillimetres) {
  TCodeEditPrintMargins m;
  EXPECT_DOUBLE_EQ(m.Left(), 25);
  m.SetUnitSystem(usInch);
  EXPECT_NEAR(m.Left(), 0.984, 0.001);
  m.SetRight(1);  // one inch
  m.SetUnitSystem(usMM);
  EXPECT_DOUBLE_EQ(m.Right(), 25.4);
  m.SetUnitSystem(usCM);
  EXPECT_DOUBLE_EQ(m.Top(), 2.5);
  m.SetUnitSystem(muThousandthsOfInches);
  EXPECT_NEAR(m.HFInternalMargin(), 19.685, 0.001);
  m.SetGutter(500);
  m.SetUnitSystem(usMM);
  EXPECT_DOUBLE_EQ(m.Gutter(), 12.7);
}

TEST(PrintMargins, MirroredPagesSwapTheMarginsAndTheGutter) {
  TCodeEditPrinterInfo info;
  info.UpdatePrinter(nullptr);
  TRecordingCanvas c;
  TCodeEditPrintMargins m;
  m.SetGutter(10);
  m.SetMirrorMargins(true);
  m.InitPage(c, 1, info, false, false, 0);
  const int left1 = m.PLeft, right1 = m.PRight;
  EXPECT_EQ(left1, info.PixFromLeft(35));
  m.InitPage(c, 2, info, false, false, 0);
  EXPECT_EQ(m.PLeft, info.PixFromLeft(15));
  EXPECT_EQ(m.PRight, info.PrintableWidth() - info.PixFromRight(35));
  EXPECT_NE(m.PRight, right1);
  EXPECT_EQ(m.PGutter, 118);
}

TEST(PrintHelpers, RomanNumerals) {
  const std::pair<int, const char*> cases[] = {
      {0, ""},    {1, "I"},    {4, "IV"},         {9, "IX"},           {14, "XIV"}, {40, "XL"},
      {90, "XC"}, {400, "CD"}, {1994, "MCMXCIV"}, {3999, "MMMCMXCIX"}, {-3, ""}};
  for (const auto& [v, s] : cases) EXPECT_EQ(IntToRoman(v), s) << v;
}

TEST(PrintHelpers, MacrosExpandWithoutRegardToCase) {
  struct TCase {
    const char* Text;
    int Page;
    bool Roman;
    const char* Expected;
  };
  const TCase cases[] = {
      {"Page $PAGENUM$ of $PAGECOUNT$", 3, false, "Page 3 of 7"},
      {"Page $PAGENUM$ of $PAGECOUNT$", 3, true, "Page III of 7"},
      {"$pagenum$/$PageCount$", 12, false, "12/7"},
      {"$FOO$ $TITLE$", 1, false, "$FOO$ Model"},
      {"$DATETIME$|$TIMEDATE$", 1, false, "D T|T D"},
      {"$DATE$ $TIME$", 1, false, "D T"},
      {"cost $5 and $", 1, false, "cost $5 and $"},
      {"$$TITLE$", 1, false, "$Model"},
      {"no macros", 1, false, "no macros"},
  };
  for (const TCase& c : cases) {
    THeaderFooterItem item;
    item.Text = c.Text;
    EXPECT_EQ(item.GetText(7, c.Page, c.Roman, "Model", "T", "D"), c.Expected) << c.Text;
  }
}

TEST(PrintHelpers, WrapTextBreaksAfterBreakCharactersOrFails) {
  std::vector<int> list;
  EXPECT_TRUE(WrapText("short", " ", 10, list));
  EXPECT_TRUE(list.empty());
  EXPECT_TRUE(WrapText("aaa bbb ccc ddd", " ", 8, list));
  EXPECT_EQ(list, (std::vector<int>{8}));  // "aaa bbb " | "ccc ddd"
  list.clear();
  EXPECT_TRUE(WrapText("one,two,three,four", ",", 6, list));
  EXPECT_EQ(list, (std::vector<int>{4, 8, 14}));
  // A window without a break character fails and leaves the list as it was.
  list = {99};
  EXPECT_FALSE(WrapText("ab cdefghijkl", " ", 4, list));
  EXPECT_EQ(list, (std::vector<int>{99}));
  // Characters, not bytes.
  list.clear();
  EXPECT_TRUE(WrapText("ää öö üü", " ", 3, list));
  EXPECT_EQ(list, (std::vector<int>{3, 6}));
}

TEST_F(PrintFixture, WithoutAPrinterPagesAreCountedOnTheDefaultPage) {
  print.SetPrinter(nullptr);
  SetPrinterService(nullptr);
  Load(NumberedLines(150));
  // 300 dpi: 182 lines of the 8 x 16 cells fit on a page.
  EXPECT_EQ(print.PageCount(), 1);
  EXPECT_EQ(print.PrinterInfo().XPixPrInch(), 300);
  try {
    print.Print();
    ADD_FAILURE() << "printed without a printer";
  } catch (const EPrinter& e) {
    EXPECT_EQ(e.Message(), "Printer selected is not valid");
  }
}

TEST_F(PrintFixture, HundredFiftyLinesMakeThreePagesWithPageHeaders) {
  Load(NumberedLines(150));
  print.SetTitle("Model");
  print.Header().Add("Page $PAGENUM$ of $PAGECOUNT$", nullptr, hfaRight, 1);
  print.Footer().Add("$TITLE$", nullptr, hfaCenter, 1);
  EXPECT_EQ(print.PageCount(), 3);
  EXPECT_EQ(print.MaxCol(), kMaxCol);
  print.Print();
  EXPECT_EQ(printer.Title(), "Model");
  ASSERT_EQ(printer.Pages().size(), 3u);
  EXPECT_EQ(printer.NewPages(), 2);
  EXPECT_EQ(printer.Documents(), 1);
  const int first[] = {1, 1 + kLinesPerPage, 1 + 2 * kLinesPerPage};
  for (size_t p = 0; p < 3; ++p) {
    const std::vector<std::string> texts = printer.Texts(p);
    const std::string header = "Page " + std::to_string(p + 1) + " of 3";
    EXPECT_NE(std::find(texts.begin(), texts.end(), header), texts.end()) << header;
    EXPECT_NE(std::find(texts.begin(), texts.end(), "Model"), texts.end());
    EXPECT_EQ(FirstBodyText(p), std::to_string(first[p]));
    const auto body = Body(p);
    EXPECT_EQ(body.front()->Args[0], kLeft);
    EXPECT_EQ(body.front()->Args[1], kTop);
    for (const TCanvasCall* c : body) EXPECT_LE(c->Args[1] + 16, kBottom);
  }
  EXPECT_EQ(Body(2).size(), size_t(150 - 2 * kLinesPerPage));
  // The header item sits right-aligned in the header band, on its baseline.
  const TCanvasCall* h = printer.Page(1).Find("TextOut").front();
  EXPECT_EQ(h->Text, "Page 2 of 3");
  EXPECT_EQ(h->State.TextAlign, unsigned(TA_BASELINE | TA_LEFT));
  EXPECT_EQ(h->Args[0] + 11 * 8, 737 - 8);  // right indent of 2 mm
  EXPECT_LT(h->Args[1], 57);
}

TEST_F(PrintFixture, CopiesRepeatThePagesWithABreakBetweenEach) {
  Load(NumberedLines(150));
  print.SetCopies(2);
  print.Print();
  EXPECT_EQ(printer.NewPages(), 5);
  ASSERT_EQ(printer.Pages().size(), 6u);
  EXPECT_EQ(FirstBodyText(3), "1");
  print.SetCopies(1);
  print.PrintRange(2, 2);
  ASSERT_EQ(printer.Pages().size(), 1u);
  EXPECT_EQ(FirstBodyText(0), std::to_string(1 + kLinesPerPage));
  // A range past the last page prints up to the last page.
  print.PrintRange(3, 9);
  EXPECT_EQ(printer.Pages().size(), 1u);
}

TEST_F(PrintFixture, LongLinesWrapAtBreakCharactersOrAreCut) {
  // 100 characters with blanks: "L1 " then x; a blank at 60.
  std::string spaced(100, 'y');
  spaced[59] = ' ';
  std::string dotted(100, 'z');
  dotted[49] = '.';
  Load(spaced + "|" + dotted + "|" + std::string(200, 'w'));
  print.Print();
  const auto body = Body(0);
  std::vector<std::string> texts;
  for (const TCanvasCall* c : body) texts.push_back(c->Text);
  ASSERT_EQ(texts.size(), 7u);
  EXPECT_EQ(texts[0], spaced.substr(0, 60));
  EXPECT_EQ(texts[1], spaced.substr(60));
  EXPECT_EQ(texts[2], dotted.substr(0, 50));
  EXPECT_EQ(texts[4], std::string(kMaxCol, 'w'));
  EXPECT_EQ(texts[6], std::string(200 - 2 * kMaxCol, 'w'));
  EXPECT_EQ(body[1]->Args[0], kLeft);
  EXPECT_EQ(body[1]->Args[1], kTop + 16);
  EXPECT_EQ(body[1]->Dx, std::vector<int>(40, 8));

  // Without wrapping only what fits is printed.
  print.SetWrap(false);
  print.Print();
  ASSERT_EQ(Body(0).size(), 3u);
  EXPECT_EQ(Body(0)[2]->Text, std::string(kMaxCol, 'w'));
}

TEST_F(PrintFixture, WrappedPiecesBreakPages) {
  // 57 short lines, then one that wraps into three rows: the last two rows
  // go to the second page, none is printed below the text area.
  Load(NumberedLines(57) + "|" + std::string(3 * kMaxCol, 'q') + "|last");
  int printedLines = 0;
  print.OnPrintLine = [&](TCodeEditPrint*, int Line, int) {
    ++printedLines;
    EXPECT_LE(Line, 59);
  };
  EXPECT_EQ(print.PageCount(), 2);
  print.Print();
  EXPECT_EQ(printedLines, 59);
  ASSERT_EQ(printer.Pages().size(), 2u);
  for (size_t p = 0; p < 2; ++p)
    for (const TCanvasCall* c : Body(p)) EXPECT_LE(c->Args[1] + 16, kBottom);
  const auto second = Body(1);
  ASSERT_EQ(second.size(), 3u);
  EXPECT_EQ(second[0]->Text, std::string(kMaxCol, 'q'));
  EXPECT_EQ(second[0]->Args[1], kTop);
  EXPECT_EQ(second[2]->Text, "last");
}

TEST_F(PrintFixture, ATextAreaNarrowerThanTwoCharactersStillPrintsOneAColumn) {
  print.Margins().SetLeft(100);
  print.Margins().SetRight(107);  // 12 pixels wide
  Load("abc");
  print.Print();
  EXPECT_EQ(print.MaxCol(), 1);
  std::vector<std::string> texts;
  for (const TCanvasCall* c : Body(0)) texts.push_back(c->Text);
  EXPECT_EQ(texts, (std::vector<std::string>{"a", "b", "c"}));
}

TEST_F(PrintFixture, TabsExpandWithThePrintTabWidth) {
  ed.edit.SetTabWidth(4);
  Load("a\tb|\tc");
  EXPECT_EQ(print.Lines().Get(0), "a   b");
  EXPECT_EQ(print.Lines().Get(1), "    c");
}

TEST_F(PrintFixture, SelectedOnlyPrintsTheSelectionInItsShape) {
  struct TCase {
    TCodeSelectionMode Mode;
    std::vector<std::string> Expected;
  };
  // Selection from (2, 2) to (4, 4) over "L2 abcdef", "L3 abcdef", "L4 abcdef".
  const TCase cases[] = {
      {smNormal, {"2 abcdef", "L3 abcdef", "L4 "}},
      {smColumn, {"2 ", "3 ", "4 "}},
      {smLine, {"L2 abcdef", "L3 abcdef", "L4 abcdef"}},
  };
  for (const TCase& c : cases) {
    Load("L1 abcdef|L2 abcdef|L3 abcdef|L4 abcdef|L5 abcdef");
    ed.edit.SetSelectionMode(c.Mode);
    ed.Select(TPoint(2, 2), TPoint(4, 4));
    print.SetCodeEdit(ed.edit);
    print.SetSelectedOnly(true);
    print.Print();
    std::vector<std::string> texts;
    for (const TCanvasCall* call : Body(0)) texts.push_back(call->Text);
    EXPECT_EQ(texts, c.Expected) << int(c.Mode);
    EXPECT_EQ(Body(0).front()->Args[1], kTop) << int(c.Mode);
  }
  // Without a selection nothing is printed at all.
  ed.edit.SetSelectionMode(smNormal);
  ed.Goto(1, 1);
  print.SetCodeEdit(ed.edit);
  printer.SetTitle("");
  const int docs = printer.Documents();
  print.Print();
  EXPECT_EQ(printer.Documents(), docs);
}

TEST_F(PrintFixture, ASelectionAtTheEndPrintsOnTheFirstPage) {
  Load(NumberedLines(150));
  ed.Select(TPoint(1, 140), TPoint(4, 150));
  print.SetCodeEdit(ed.edit);
  print.SetSelectedOnly(true);
  EXPECT_EQ(print.PageCount(), 1);
  print.Print();
  ASSERT_EQ(printer.Pages().size(), 1u);
  EXPECT_EQ(FirstBodyText(0), "140");
}

TEST_F(PrintFixture, HighlightedTokensTakeTheirAttributes) {
  TCodeSampleSyn syn;
  ed.edit.SetHighlighter(&syn);
  Load("Parameters a = \"x\"; { note|still note }");
  print.SetColors(true);
  print.Print();
  const auto body = Body(0);
  auto find = [&](const std::string& text) -> const TCanvasCall* {
    for (const TCanvasCall* c : body)
      if (c->Text == text) return c;
    return nullptr;
  };
  const TCanvasCall* key = find("Parameters");
  ASSERT_NE(key, nullptr);
  EXPECT_TRUE(key->State.FontStyle.Contains(fsBold));
  EXPECT_EQ(key->State.TextColor, clNavy);
  const TCanvasCall* str = find("\"x\"");
  ASSERT_NE(str, nullptr);
  EXPECT_EQ(str->Args[0], kLeft + 15 * 8);
  EXPECT_EQ(str->State.TextColor, clRed);
  // The comment's range carries to the next line.
  const TCanvasCall* cont = find("still note }");
  ASSERT_NE(cont, nullptr);
  EXPECT_TRUE(cont->State.FontStyle.Contains(fsItalic));
  EXPECT_EQ(cont->Args[1], kTop + 16);

  // Without colours the styles stay and the text is in the font's colour.
  print.SetColors(false);
  print.Print();
  for (const TCanvasCall* c : Body(0))
    EXPECT_EQ(ColorToRGB(c->State.TextColor), clBlack) << c->Text;
  // Without highlighting each row is one plain text.
  print.SetHighlight(false);
  print.Print();
  ASSERT_EQ(Body(0).size(), 2u);
  EXPECT_FALSE(Body(0)[0]->State.FontStyle.Contains(fsBold));
  ed.edit.SetHighlighter(nullptr);
}

TEST_F(PrintFixture, LineNumbersStandBeforeTheText) {
  Load(NumberedLines(150, 100));
  print.SetLineNumbers(true);
  print.SetLineOffset(10);
  print.Print();
  // "160: " is the widest number: the text moves 5 cells to the right.
  const TCanvasCall* num = printer.Page(0).Find("TextOut").front();
  EXPECT_EQ(num->Text, "11: ");
  EXPECT_EQ(num->Args[0] + 4 * 8, kLeft + 40);
  EXPECT_EQ(num->State.TextColor, clBlack);
  EXPECT_EQ(Body(0).front()->Args[0], kLeft + 40);
  // A wrapped line shows its number once.
  EXPECT_EQ(printer.Page(0).Find("TextOut")[1]->Text, "12: ");
  print.SetLineNumbersInMargin(true);
  print.Print();
  EXPECT_EQ(Body(0).front()->Args[0], kLeft);
}

TEST_F(PrintFixture, HeaderFramesAndMirroredItems) {
  Load(NumberedLines(150));
  print.Header().SetFrameTypes(ftBox | ftShaded);
  print.Header().SetShadedColor(clYellow);
  print.Header().SetMirrorPosition(true);
  print.Header().Add("left", nullptr, hfaLeft, 5);
  print.Header().Add("second line", nullptr, hfaCenter, 9);
  print.Footer().Add("   ", nullptr, hfaLeft, 1);
  print.Print();
  const TCanvasCall* box = printer.Page(0).First("Rectangle");
  ASSERT_NE(box, nullptr);
  EXPECT_EQ(box->State.BrushColor, clYellow);
  EXPECT_EQ(box->Args[3], 57);  // ends on the header line
  EXPECT_EQ(box->Args[3] - box->Args[1], print.Header().FrameHeight());
  EXPECT_EQ(print.Header().FrameHeight(), 2 * 16 + 2 * 2);
  EXPECT_EQ(printer.Page(0).Count("LineTo"), 1);  // the footer's line
  // Lines are numbered 1 and 2; the left item goes right on even pages.
  EXPECT_EQ(print.Header().Item(1).LineNumber, 2);
  auto at = [&](size_t page, const std::string& text) -> const TCanvasCall* {
    for (const TCanvasCall* c : printer.Page(page).Find("TextOut"))
      if (c->Text == text) return c;
    return nullptr;
  };
  ASSERT_NE(at(0, "left"), nullptr);
  EXPECT_EQ(at(0, "left")->Args[0], kLeft + 8);
  EXPECT_EQ(at(1, "left")->Args[0], 737 - 8 - 4 * 8);
  EXPECT_EQ(at(0, "second line")->Args[1] - at(0, "left")->Args[1], 16);
  // A blank footer text prints nothing; its default line frame does.
  EXPECT_EQ(at(0, "   "), nullptr);
}

TEST_F(PrintFixture, AnAbortStopsTheJobAtOnce) {
  Load(NumberedLines(150));
  std::vector<std::pair<int, int>> status;
  print.OnPrintStatus = [&](TCodeEditPrint*, TCodeEditPrintStatus s, int page, bool& abort) {
    status.emplace_back(int(s), page);
    abort = s == psNewPage && page == 2;
  };
  print.Print();
  EXPECT_EQ(status, (std::vector<std::pair<int, int>>{{0, 1}, {1, 1}, {1, 2}}));
  EXPECT_EQ(printer.Aborts(), 1);
  EXPECT_FALSE(printer.Printing());
  EXPECT_EQ(printer.Documents(), 0);

  status.clear();
  print.OnPrintStatus = [&](TCodeEditPrint*, TCodeEditPrintStatus s, int page, bool&) {
    status.emplace_back(int(s), page);
  };
  print.Print();
  EXPECT_EQ(status.back(), std::make_pair(2, 3));
  EXPECT_EQ(printer.Documents(), 1);
}

TEST_F(PrintFixture, AFailingJobIsNotLeftOpen) {
  Load(NumberedLines(10));
  print.OnPrintLine = [](TCodeEditPrint*, int, int) { throw Exception("disk full"); };
  EXPECT_THROW(print.Print(), Exception);
  EXPECT_FALSE(printer.Printing());
  EXPECT_EQ(printer.Aborts(), 1);
  printer.SetAvailable(false);
  EXPECT_THROW(print.Print(), EPrinter);
}

}  // namespace
}  // namespace qv
