// Cell commands of the data sheet: sort, reverse, close up, row and column
// insertion and deletion, selection runs, number formatting, borders and
// colours, and the base conversions.
#include <gtest/gtest.h>

#include "SpreadTestSupport.h"
#include "app/spread/SpreadEdits.h"
#include "grid/XLRanges.h"

using namespace qv;
using qv::test::Column;
using qv::test::Put;

namespace {

class SpreadEdits : public test::SpreadTest {
 protected:
  void SetUp() override {
    test::SpreadTest::SetUp();
    TSpreadDocument::InitNewWorksheet(sheet, 1);
  }
  TXLSheet sheet;
};

}  // namespace

TEST_F(SpreadEdits, SortOrders) {
  struct Case {
    const char* name;
    std::vector<std::string> keys;
    bool ascending;
    std::vector<std::string> sorted;
  };
  const Case cases[] = {
      {"texts by their bytes, numbers by value",
       {"10", "9", "b", "A"},
       true,
       {"9", "10", "A", "b"}},
      {"descending", {"10", "9", "b", "A"}, false, {"b", "A", "10", "9"}},
      {"negative and decimal numbers",
       {"2.5", "-1", "10", "-20"},
       true,
       {"-20", "-1", "2.5", "10"}},
      {"empty keys stay last", {"", "3", "", "x", "1"}, true, {"1", "3", "x", "", ""}},
      {"empty keys stay last descending", {"", "3", "", "x", "1"}, false, {"x", "3", "1", "", ""}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TXLSheet s;
    TSpreadDocument::InitNewWorksheet(s, 1);
    for (size_t i = 0; i < c.keys.size(); ++i)
      if (!c.keys[i].empty()) s.SetCellText(0, static_cast<int>(i), c.keys[i]);
    const int n = static_cast<int>(c.keys.size());
    SortRows(s, TRect(0, 0, 1, n), 0, c.ascending);
    EXPECT_EQ(Column(s, 0, 0, n), c.sorted);
  }
}

TEST_F(SpreadEdits, SortMovesWholeRowsOfWholeCells) {
  // Key in column B; column A holds a number cell and a formula.
  Put(sheet, 0, 0, {{"", "3", "three"}, {"", "1", "one"}, {"", "2", "two"}});
  sheet.Section(skClient).SetCellClass(TPoint(0, 0), &TXLCDouble::ClassInfo)->SetAsFloat(0.5);
  sheet.GetCell(0, 1)->SetFormual("=B2");
  sheet.SetCellText(0, 1, "1");
  sheet.SetCellText(0, 2, "007");
  SortRows(sheet, TRect(0, 0, 3, 3), 1, true);
  EXPECT_EQ(Column(sheet, 2, 0, 3), (std::vector<std::string>{"one", "two", "three"}));
  EXPECT_EQ(sheet.FindCell(0, 0)->Formual(), "=B2");
  // The text "007" stays a text; the number stays a number.
  EXPECT_EQ(sheet.GetCellText(0, 1), "007");
  EXPECT_EQ(sheet.FindCell(0, 2)->GetCellClass(), &TXLCDouble::ClassInfo);
  EXPECT_EQ(sheet.GetCellFloat(0, 2), 0.5);
  // Cells outside the rectangle stay where they are.
  sheet.SetCellText(3, 0, "outside");
  SortRows(sheet, TRect(0, 0, 3, 3), 2, false);
  EXPECT_EQ(sheet.GetCellText(3, 0), "outside");
  EXPECT_EQ(Column(sheet, 2, 0, 3), (std::vector<std::string>{"two", "three", "one"}));
}

TEST_F(SpreadEdits, SwapAndCloseUp) {
  Put(sheet, 0, 0, {{"a", "b", "c"}, {"d", "", "f"}});
  SwapCells(sheet, TRect(0, 0, 3, 2), 1);
  EXPECT_EQ(Column(sheet, 0, 0, 2), (std::vector<std::string>{"d", "a"}));
  EXPECT_EQ(Column(sheet, 1, 0, 2), (std::vector<std::string>{"", "b"}));
  SwapCells(sheet, TRect(0, 0, 3, 2), 2);
  EXPECT_EQ(sheet.GetCellText(0, 0), "f");
  EXPECT_EQ(sheet.GetCellText(2, 1), "a");

  TXLSheet t;
  TSpreadDocument::InitNewWorksheet(t, 1);
  Put(t, 0, 0, {{"1", "", "x"}, {"", "", "y"}, {"2", "z", ""}});
  t.SetCellText(1, 1, "   ");
  CloseUpCells(t, TRect(0, 0, 3, 3), 1);
  EXPECT_EQ(Column(t, 0, 0, 3), (std::vector<std::string>{"1", "2", ""}));
  EXPECT_EQ(Column(t, 1, 0, 3), (std::vector<std::string>{"z", "", ""}));
  EXPECT_EQ(Column(t, 2, 0, 3), (std::vector<std::string>{"x", "y", ""}));
  CloseUpCells(t, TRect(0, 0, 3, 3), 2);
  EXPECT_EQ(t.GetCellText(0, 0), "1");
  EXPECT_EQ(t.GetCellText(1, 0), "z");
  EXPECT_EQ(t.GetCellText(2, 0), "x");
  EXPECT_EQ(t.GetCellText(0, 1), "2");
  EXPECT_EQ(t.GetCellText(1, 1), "y");
}

TEST_F(SpreadEdits, WholeColumnSelectionsAreCutToTheData) {
  Put(sheet, 1, 0, {{"a"}, {""}, {"c"}});
  EXPECT_EQ(CutSelection(sheet, TRect(0, 0, 2, 200)), TRect(0, 0, 2, 3));
  EXPECT_EQ(CutSelection(sheet, TRect(3, 0, 4, 200)), TRect(3, 0, 4, 1));
  EXPECT_EQ(CutSelection(sheet, TRect(1, 1, 2, 5)), TRect(1, 1, 2, 5));
  EXPECT_EQ(CutSelection(sheet, TRect(0, 2, 50, 3)), TRect(0, 2, 2, 3));
  // Reversing a whole column reverses the data, not 200 rows.
  SwapCells(sheet, CutSelection(sheet, TRect(1, 0, 2, 200)), 1);
  EXPECT_EQ(Column(sheet, 1, 0, 3), (std::vector<std::string>{"c", "", "a"}));
}

TEST_F(SpreadEdits, InsertAndDeleteRowsAndColumns) {
  Put(sheet, 0, 0, {{"r0"}, {"r1"}, {"r2"}});
  sheet.SetCellText(4, 199, "last");
  InsertRows(sheet, TRect(0, 1, 1, 3));
  EXPECT_EQ(Column(sheet, 0, 0, 5), (std::vector<std::string>{"r0", "", "", "r1", "r2"}));
  // The sheet grew instead of losing the last row's text.
  EXPECT_EQ(sheet.RowCount(), 202);
  EXPECT_EQ(sheet.GetCellText(4, 201), "last");
  EXPECT_EQ(sheet.GetCellText(-1, 201), "202");
  DeleteRows(sheet, TRect(0, 1, 1, 3));
  EXPECT_EQ(Column(sheet, 0, 0, 3), (std::vector<std::string>{"r0", "r1", "r2"}));
  EXPECT_EQ(sheet.GetCellText(4, 199), "last");

  TXLSheet t;
  TSpreadDocument::InitNewWorksheet(t, 1);
  Put(t, 0, 0, {{"c0", "c1", "c2"}});
  InsertCols(t, TRect(1, 0, 2, 1));
  EXPECT_EQ(t.GetCellText(1, 0), "");
  EXPECT_EQ(t.GetCellText(2, 0), "c1");
  EXPECT_EQ(t.ColCount(), 50);
  DeleteCols(t, TRect(0, 0, 2, 1));
  EXPECT_EQ(t.GetCellText(0, 0), "c1");
  EXPECT_EQ(t.GetCellText(1, 0), "c2");
}

TEST_F(SpreadEdits, MovingCellsRefusesMergedBlocks) {
  Put(sheet, 0, 0, {{"a", "b"}, {"c", "d"}});
  sheet.Section(skClient).Merge(TRect(0, 0, 2, 1));
  EXPECT_THROW(SortRows(sheet, TRect(0, 0, 2, 2), 0, true), EXLGridError);
  EXPECT_EQ(sheet.GetCellText(0, 0), "a");
}

TEST_F(SpreadEdits, SelectionRuns) {
  Put(sheet, 2, 2, {{"a", "b"}, {"", "c"}, {"d", ""}, {"", ""}, {"e", ""}});
  EXPECT_EQ(ExtendSelection(sheet, TRect(2, 2, 4, 3), srDown), TRect(2, 2, 4, 5));
  EXPECT_EQ(ExtendSelection(sheet, TRect(2, 2, 3, 3), srDown), TRect(2, 2, 3, 3));
  EXPECT_EQ(ExtendSelection(sheet, TRect(3, 4, 4, 5), srUp), TRect(3, 2, 4, 5));
  EXPECT_EQ(ExtendSelection(sheet, TRect(1, 2, 2, 3), srRight), TRect(1, 2, 4, 3));
  EXPECT_EQ(ExtendSelection(sheet, TRect(4, 2, 5, 3), srLeft), TRect(2, 2, 5, 3));
}

TEST_F(SpreadEdits, FormatNumbers) {
  Put(sheet, 0, 0, {{"3.14159", "word", " 2 ", "1e3"}});
  EXPECT_EQ(FormatNumbers(sheet, TRect(0, 0, 4, 1), 2), 3);
  EXPECT_EQ(sheet.GetCellText(0, 0), "3.14");
  EXPECT_EQ(sheet.GetCellText(1, 0), "word");
  EXPECT_EQ(sheet.GetCellText(2, 0), "2.00");
  EXPECT_EQ(sheet.GetCellText(3, 0), "1000.00");
}

TEST_F(SpreadEdits, BordersAndColours) {
  const TXLBorder current{2, clRed};
  TXLSectionRange cell(&sheet.Section(skClient), TRect(1, 1, 2, 2));
  ApplyBorderTag(sheet, TRect(1, 1, 2, 2), 9, current);
  EXPECT_EQ(cell.Border(sBias1).Width, 2);
  EXPECT_EQ(cell.Border(sBias1).Color, clRed);
  ApplyBorderTag(sheet, TRect(1, 1, 2, 2), 9, current);
  EXPECT_EQ(cell.Border(sBias1).Width, 0);
  ApplyBorderTag(sheet, TRect(1, 1, 2, 2), 2, current);
  EXPECT_EQ(cell.Border(sTop).Width, 2);
  EXPECT_EQ(cell.Border(sBias2).Width, 0);
  ApplyBorderTag(sheet, TRect(1, 1, 2, 2), 0, current);
  EXPECT_EQ(cell.Border(sTop).Width, 0);

  ApplyBackColor(sheet, TRect(1, 1, 2, 2), clYellow);
  EXPECT_EQ(cell.Color(), clYellow);
  EXPECT_EQ(cell.Border(sLeft).Width, 1);
  EXPECT_EQ(cell.Border(sLeft).Color, clGray);
  ApplyBackColor(sheet, TRect(1, 1, 2, 2), sheet.BaseClientStyle().Color());
  EXPECT_EQ(cell.Border(sLeft).Width, 0);

  sheet.SetCellText(1, 1, "x");
  ApplyFontColor(sheet, TRect(1, 1, 2, 2), clBlue);
  EXPECT_EQ(sheet.FindCell(1, 1)->Font().Color(), clBlue);
}

TEST_F(SpreadEdits, TitlesOfTheSelectionAreMarked) {
  HighlightTitles(sheet, TRect(1, 2, 3, 3));
  EXPECT_TRUE(sheet.FindCell(1, -1)->Font().Style().Contains(fsBold));
  EXPECT_EQ(sheet.FindCell(2, -1)->Color(), TColor(0xCA9C91));
  EXPECT_TRUE(sheet.FindCell(-1, 2)->Font().Style().Contains(fsBold));
  EXPECT_FALSE(sheet.FindCell(0, -1)->Font().Style().Contains(fsBold));
  HighlightTitles(sheet, TRect(0, 0, 1, 1));
  EXPECT_FALSE(sheet.FindCell(1, -1)->Font().Style().Contains(fsBold));
  EXPECT_EQ(sheet.FindCell(2, -1)->Color(), clBtnFace);
  EXPECT_TRUE(sheet.FindCell(0, -1)->Font().Style().Contains(fsBold));
}

TEST_F(SpreadEdits, BaseConversions) {
  Put(sheet, 0, 0, {{"5.25", "1101", ""}, {"1101.01", "-3", "x"}});
  EXPECT_EQ(ConvertCells(sheet, TRect(0, 0, 3, 2), bcOctToBin, 2),
            "1101.11001\t110001001101\t\r\n110001001101.1\t011\t\r\n");
  EXPECT_EQ(ConvertCells(sheet, TRect(1, 0, 2, 1), bcToDecimal, 2), "13\r\n");
  EXPECT_EQ(ConvertCells(sheet, TRect(0, 1, 1, 2), bcBinToOct, 2), "5.1\r\n");
  EXPECT_EQ(ConvertCells(sheet, TRect(1, 0, 2, 2), bcFromDecimal, 8), "2115\r\n3\r\n");
  sheet.SetCellText(0, 0, "1e30");
  EXPECT_EQ(ConvertCells(sheet, TRect(0, 0, 1, 1), bcFromDecimal, 2), "\r\n");
}

TEST_F(SpreadEdits, ChartFromTheSelection) {
  Put(sheet, 1, 0, {{"t", "u"}, {"1", "2"}, {"3", "4"}, {"", "9"}, {"5", "6"}});
  // A header of texts names the series; the data end at the first empty
  // cell of the first column.
  TChartData d = ChartFromSelection(sheet, TRect(1, 0, 3, 5));
  EXPECT_EQ(d.Error, "");
  ASSERT_EQ(d.Series.size(), 2u);
  EXPECT_EQ(d.Series[0].Title, "t");
  EXPECT_EQ(d.Series[1].Title, "u");
  EXPECT_EQ(d.Series[1].Values, (std::vector<double>{2, 4}));
  // Numbers from the first row: the column titles name the series.
  d = ChartFromSelection(sheet, TRect(1, 1, 3, 4));
  ASSERT_EQ(d.Series.size(), 2u);
  EXPECT_EQ(d.Series[0].Title, "B");
  EXPECT_EQ(d.Series[0].Values, (std::vector<double>{1, 3}));
  d = ChartFromSelection(sheet, TRect(1, 0, 3, 2));
  EXPECT_EQ(d.Error, "No enough data for drawing chart!");
  sheet.SetCellText(2, 2, "x");
  d = ChartFromSelection(sheet, TRect(1, 0, 3, 5));
  EXPECT_EQ(d.Error, "Wrong chart data value!");
  EXPECT_EQ(d.BadCell, TPoint(2, 2));
  EXPECT_TRUE(d.Series.empty());
}
