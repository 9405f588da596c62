// Ranges: captions, block commands, looks written through a range, the
// text clipboard (copy, paste with growth, transposed paste) and the cell
// clipboard.
#include <gtest/gtest.h>

#include "grid/XLRanges.h"
#include "platform/core/Services.h"

namespace qv {
namespace {

class RangesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    FormatSettings() = TFormatSettings::Invariant();
    SetClipboardService(&clipboard);
  }
  void TearDown() override { SetClipboardService(nullptr); }
  TXLSectionRange Range(int l, int t, int r, int b) {
    return TXLSectionRange(&sheet.Section(skClient), TRect(l, t, r, b));
  }
  TFakeClipboard clipboard;
  TXLSheet sheet;
};

// First in the file: nothing has been copied yet in this process.
TEST_F(RangesTest, NothingToPasteBeforeACopy) {
  EXPECT_FALSE(Range(0, 0, 1, 1).CanPaste());
  TXLSectionRange r = Range(0, 0, 1, 1);
  r.Paste();
  EXPECT_EQ(sheet.Section(skClient).CellCount(), 0);
}

TEST(ColumnLetters, BijectiveBase26BothWays) {
  struct {
    int col;
    const char* letters;
  } cases[] = {{0, "A"},    {25, "Z"},    {26, "AA"},     {49, "AX"},
               {701, "ZZ"}, {702, "AAA"}, {18277, "ZZZ"}, {16383, "XFD"}};
  for (const auto& c : cases) {
    EXPECT_EQ(ColumnLetters(c.col), c.letters);
    EXPECT_EQ(LettersToColumn(c.letters), c.col);
  }
  EXPECT_EQ(LettersToColumn("ab"), 27);
  EXPECT_EQ(ColumnLetters(-1), "");
  EXPECT_EQ(LettersToColumn(""), -1);
  EXPECT_EQ(LettersToColumn("A1"), -1);
  EXPECT_EQ(LettersToColumn("ZZZZZZZZ"), -1);  // beyond 32 bits
  EXPECT_EQ(ColumnLetters(INT32_MAX), "FXSHRXX");
  EXPECT_EQ(LettersToColumn("FXSHRXX"), INT32_MAX);
}

TEST_F(RangesTest, Captions) {
  sheet.Section(skClient).Merge(TRect(1, 1, 3, 3));
  EXPECT_EQ(Range(1, 1, 3, 3).Caption(), "Cell [1, 1]");
  EXPECT_EQ(Range(0, 0, 3, 2).Caption(), "Cells [0, 0 : 2, 1]");
  EXPECT_EQ(Range(4, 4, 5, 5).Caption(), "Cell [4, 4]");
  TXLSectionRange titles(&sheet.Section(skColTitles), TRect(0, 0, 2, 1));
  EXPECT_EQ(titles.Caption(), "Cells [0, -1 : 1, -1]");
}

TEST_F(RangesTest, MergeSplitClear) {
  TXLSectionRange one = Range(2, 2, 3, 3);
  EXPECT_FALSE(one.Merge());
  EXPECT_TRUE(sheet.Section(skClient).Unions().empty());
  TXLSectionRange block = Range(0, 0, 3, 2);
  EXPECT_TRUE(block.Merge());
  EXPECT_TRUE(block.IsSingleCell());
  EXPECT_TRUE(block.HasUnions());
  block.Split();
  EXPECT_FALSE(block.HasUnions());
  block.MergeRows();
  EXPECT_EQ(sheet.Section(skClient).Unions().size(), 2u);
  EXPECT_TRUE(sheet.Section(skClient).IsUnion(TRect(0, 1, 3, 2)));
  block.MergeCols();
  EXPECT_EQ(sheet.Section(skClient).Unions().size(), 3u);
  EXPECT_TRUE(sheet.Section(skClient).IsUnion(TRect(2, 0, 3, 2)));
  block.Split();
  sheet.SetCellText(1, 1, "x");
  sheet.GetCell(1, 1)->SetFormual("=1");
  Range(1, 1, 2, 2).SetColor(clRed);
  Range(0, 0, 2, 2).ClearFormual();
  EXPECT_EQ(sheet.GetCell(1, 1)->Formual(), "");
  Range(0, 0, 2, 2).Clear();
  EXPECT_EQ(sheet.FindCell(1, 1), nullptr);
  EXPECT_EQ(Range(1, 1, 2, 2).Color(), clRed);  // looks stay
}

TEST_F(RangesTest, LooksWrittenThroughARange) {
  sheet.SetCellText(0, 0, "a");
  sheet.SetCellText(1, 1, "b");
  sheet.GetCell(1, 1)->EditFont().SetStyle({fsItalic});
  TXLSectionRange r = Range(0, 0, 3, 3);
  r.SetHorzAlign(haRight);
  r.SetColor(clNone);  // no colour: the base colour
  EXPECT_EQ(r.Color(), clWindow);
  for (int c = 0; c < 3; ++c)
    for (int row = 0; row < 3; ++row)
      EXPECT_EQ(sheet.Section(skClient).AttrAt(c, row, xaLayout) >> 16 & 0xF, unsigned(haRight));
  // Only the font part that differs from the top-left cell travels.
  r.EditFont().SetStyle({fsBold});
  EXPECT_TRUE(sheet.FindCell(0, 0)->Font().Style().Contains(fsBold));
  const TFontStyles b = sheet.FindCell(1, 1)->Font().Style();
  EXPECT_TRUE(b.Contains(fsBold));
  EXPECT_TRUE(b.Contains(fsItalic));
  r.SetFormat("0.00");  // editor and format go to cells of the range's class
  EXPECT_EQ(sheet.FindCell(1, 1)->Format(), "0.00");
  r.SetAsString("top-left");
  EXPECT_EQ(sheet.GetCellText(0, 0), "top-left");
  EXPECT_EQ(sheet.GetCellText(1, 1), "b");
  EXPECT_EQ(r.GetAsString(), "top-left");
  // "top-left" and "b" cannot be numbers: they stay, the rest converts, and
  // the first conversion error is raised at the end.
  EXPECT_THROW(r.SetCellClass(&TXLCInteger::ClassInfo), EVariantTypeCastError);
  EXPECT_EQ(sheet.FindCell(2, 2)->GetCellClass(), &TXLCInteger::ClassInfo);
  EXPECT_EQ(sheet.FindCell(0, 0)->GetCellClass(), &TXLCString::ClassInfo);
}

TEST_F(RangesTest, CopyPutsTrimmedTabSeparatedText) {
  sheet.SetCellText(0, 0, "a");
  sheet.SetCellText(1, 0, "  b  ");
  sheet.SetCellText(0, 1, "c\td");  // an inner TAB would shift the cells
  sheet.SetCellText(1, 1, "line1\r\nline2");
  Range(0, 0, 2, 2).CopyToClipboard();
  EXPECT_EQ(clipboard.AsText(), "a\tb\r\nc d\tline1  line2\r\n");
}

TEST_F(RangesTest, PasteGrowsTheSheetAndTitlesNewLines) {
  clipboard.SetText("1\t2\t3\t4\r\n5\t6\t7\t8\r\n9\t10\t11\t12\r\n");
  int col = 0, row = 0;
  Range(3, 3, 4, 4).PasteFromClipboard(col, row);
  EXPECT_EQ(sheet.ColCount(), 7);
  EXPECT_EQ(sheet.RowCount(), 6);
  EXPECT_EQ(sheet.GetCellText(5, -1), "F");
  EXPECT_EQ(sheet.GetCellText(6, -1), "G");
  EXPECT_EQ(sheet.GetCellText(-1, 5), "6");
  EXPECT_EQ(sheet.GetCellText(3, 3), "1");
  EXPECT_EQ(sheet.GetCellText(6, 5), "12");
  EXPECT_EQ(col, 7);
  EXPECT_EQ(row, 6);
}

TEST_F(RangesTest, PasteClearsTextsForEmptyFieldsAndKeepsTexts) {
  sheet.SetCellText(1, 0, "old");
  TXLCell* kept = sheet.FindCell(1, 0);
  TXLCell* num = sheet.Section(skClient).SetCellClass(TPoint(2, 0), &TXLCDouble::ClassInfo);
  num->SetAsFloat(1);
  int col, row;
  Range(0, 0, 1, 1).PasteText("x\t\tnot a number", col, row);
  EXPECT_EQ(sheet.FindCell(1, 0), kept);
  EXPECT_EQ(sheet.GetCellText(1, 0), "");
  // A text that a number cell cannot hold turns it into a text cell.
  EXPECT_EQ(sheet.GetCellText(2, 0), "not a number");
  EXPECT_EQ(col, 3);
  EXPECT_EQ(row, 1);
  // An empty clipboard pastes nothing.
  clipboard.Clear();
  Range(2, 3, 3, 4).PasteFromClipboard(col, row);
  EXPECT_EQ(col, 2);
  EXPECT_EQ(row, 3);
}

TEST_F(RangesTest, PasteIntoTitlesClips) {
  TXLSectionRange titles(&sheet.Section(skColTitles), TRect(3, 0, 4, 1));
  int col, row;
  titles.PasteText("C\tD\tE\tF\r\nG\r\n", col, row);
  EXPECT_EQ(sheet.ColCount(), 5);
  EXPECT_EQ(sheet.GetCellText(3, -1), "C");
  EXPECT_EQ(sheet.GetCellText(4, -1), "D");
  EXPECT_EQ(sheet.GetCellText(3, 0), "");
}

TEST_F(RangesTest, TransposedPaste) {
  clipboard.SetText("a\tb\tc\r\nd\te\tf\r\n");
  int col, row;
  Range(4, 1, 5, 2).PasteReversed(col, row);
  EXPECT_EQ(sheet.ColCount(), 6);
  EXPECT_EQ(sheet.RowCount(), 5);
  EXPECT_EQ(sheet.GetCellText(4, 1), "a");
  EXPECT_EQ(sheet.GetCellText(4, 3), "c");
  EXPECT_EQ(sheet.GetCellText(5, 1), "d");
  EXPECT_EQ(sheet.GetCellText(5, 3), "f");
  EXPECT_EQ(sheet.GetCellText(5, -1), "F");
  EXPECT_EQ(col, 6);
  EXPECT_EQ(row, 4);
}

struct TBusyClipboard : TClipboardService {
  void SetData(const TClipboardData&) override { throw Exception("busy"); }
  TClipboardData GetData() override { throw Exception("busy"); }
};

TEST_F(RangesTest, ABusyClipboardIsReported) {
  TBusyClipboard busy;
  SetClipboardService(&busy);
  int col, row;
  for (auto op : {0, 1, 2}) {
    try {
      if (op == 0) Range(0, 0, 1, 1).CopyToClipboard();
      if (op == 1) Range(0, 0, 1, 1).PasteFromClipboard(col, row);
      if (op == 2) Range(0, 0, 1, 1).PasteReversed(col, row);
      FAIL() << op;
    } catch (const EXLGridError& e) {
      EXPECT_STREQ(e.what(), "Cannot open clipboard");
    }
  }
}

TEST_F(RangesTest, CellCopyCarriesValuesLooksAndBlocks) {
  sheet.SetColCount(10);
  sheet.SetRowCount(10);
  sheet.SetCellText(0, 0, "merged");
  sheet.Section(skClient).Merge(TRect(0, 0, 2, 1));
  Range(0, 0, 2, 1).SetColor(clRed);
  TXLCell* n = sheet.Section(skClient).SetCellClass(TPoint(1, 1), &TXLCDouble::ClassInfo);
  n->SetAsFloat(2.5);
  n->SetHint("h");
  Range(1, 1, 2, 2).SetBorder(sBottom, {2, clBlue});
  TXLSectionRange src = Range(0, 0, 2, 2);
  src.Copy();
  EXPECT_EQ(ClipboardSheet().ColCount(), 2);
  EXPECT_EQ(ClipboardSheet().RowCount(), 2);
  TXLSectionRange dst = Range(5, 5, 6, 6);
  ASSERT_TRUE(dst.CanPaste());
  dst.Paste();
  EXPECT_EQ(dst.GetRect(), TRect(5, 5, 7, 7));
  EXPECT_TRUE(sheet.Section(skClient).IsUnion(TRect(5, 5, 7, 6)));
  EXPECT_EQ(sheet.GetCellText(6, 5), "merged");
  EXPECT_EQ(sheet.Section(skClient).AttrAt(6, 5, xaColor), PackColor(clRed));
  TXLCell* m = sheet.FindCell(6, 6);
  ASSERT_NE(m, nullptr);
  EXPECT_EQ(m->GetCellClass(), &TXLCDouble::ClassInfo);
  EXPECT_DOUBLE_EQ(m->GetAsFloat(), 2.5);
  EXPECT_EQ(m->Hint(), "h");
  EXPECT_EQ(Range(6, 6, 7, 7).Border(sBottom), (TXLBorder{2, clBlue}));
  // Pasting near the edge clips; a paste entirely outside is refused.
  TXLSectionRange edge = Range(9, 9, 10, 10);
  EXPECT_TRUE(edge.CanPaste());
  edge.Paste();
  EXPECT_EQ(edge.GetRect(), TRect(9, 9, 10, 10));
  // Cut empties the source.
  src.Cut();
  EXPECT_EQ(sheet.FindCell(1, 1), nullptr);
}

}  // namespace
}  // namespace qv
