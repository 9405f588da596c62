// Cell formulas of the data sheet: range functions, references, errors,
// moving references, paste with fill, and the selection statistics.
#include <gtest/gtest.h>

#include <chrono>

#include "SpreadTestSupport.h"
#include "app/spread/SpreadFormulas.h"

using namespace qv;
using qv::test::Put;

namespace {

class SpreadFormulas : public test::SpreadTest {
 protected:
  void SetUp() override {
    test::SpreadTest::SetUp();
    TSpreadDocument::InitNewWorksheet(sheet, 1);
    // A: 1, 2, word   B: 1, 2, 3, (empty)   C: 4, 9   D1 5, E1 -3, G1 0.1234567890123
    Put(sheet, 0, 0,
        {{"1", "1", "4", "5", "-3", "", "0.1234567890123"}, {"2", "2", "9"}, {"word", "3"}});
  }
  std::string Formula(int col, int row) const {
    const TXLCell* c = sheet.FindCell(col, row);
    return c ? c->Formual() : std::string();
  }
  TXLSheet sheet;
  TSheetFormulas formulas;
};

}  // namespace

TEST_F(SpreadFormulas, ResultsAndStoredFormulas) {
  struct Case {
    const char* typed;
    const char* result;
    const char* stored;
  };
  const Case cases[] = {
      // A text cell counts 0 in a range.
      {"=sum(a1:a3)", "3", "=SUM(A1:A3)"},
      // The empty cell is a value too.
      {"=AVERAGE(B1:B4)", "1.5", "=AVERAGE(B1:B4)"},
      {"=SUM(SQRT,C1:C2)", "5", "=SUM(SQRT,C1:C2)"},
      {"=2*SUM(A1:B1)+D1", "9", "=2*SUM(A1:B1)+D1"},
      {"=MAXVALUE(B1:B3)", "3", "=MAXVALUE(B1:B3)"},
      {"=MINVALUE(B1:B4)", "0", "=MINVALUE(B1:B4)"},
      {"=VARIANCE(B1:B3)", "1", "=VARIANCE(B1:B3)"},
      {"=STDDEV(B1:B3)", "1", "=STDDEV(B1:B3)"},
      {"=NORM(C1:C2)", "9.848857802", "=NORM(C1:C2)"},
      {"=SUMOFSQUARES(B1:B3)", "14", "=SUMOFSQUARES(B1:B3)"},
      // Corners in either order; a range reaching past the sheet counts its
      // cells outside as 0.
      {"=SUM(B3:B1)", "6", "=SUM(B3:B1)"},
      {"=AVERAGE(B1:B1000)", "0.006", "=AVERAGE(B1:B1000)"},
      {"=SUM(A1:ZZ1000000)", "24.12345679", "=SUM(A1:ZZ1000000)"},
      // Two calls, and a call inside a function.
      {"=SUM(B1:B3)-SUM(C1:C2)", "-7", "=SUM(B1:B3)-SUM(C1:C2)"},
      {"=SQRT(SUM(C1:C2)-4)", "3", "=SQRT(SUM(C1:C2)-4)"},
      // References take their cell's text; a negative one keeps its sign
      // under the operator before it.
      {"=D1*E1", "-15", "=D1*E1"},
      {"=2^E1*8", "1", "=2^E1*8"},
      {"+D1+1", "6", "+D1+1"},
      // Function names and exponents are no references.
      {"=LOG10(100)+D1", "7", "=LOG10(100)+D1"},
      {"=1E2+D1", "105", "=1E2+D1"},
      {"=2.5e-1*4", "1", "=2.5E-1*4"},
      // Range results stand at full precision.
      {"=SUM(G1:G1)*1", "0.123456789", "=SUM(G1:G1)*1"},
      {"=D1>2", "True", "=D1>2"},
      // What the compiler rejects or cannot evaluate shows as typed.
      {"=Z1+1", "=Z1+1", "=Z1+1"},
      {"=A3+1", "=A3+1", "=A3+1"},
      {"=1/0", "=1/0", "=1/0"},
      // Not a formula: the text itself, no formula kept.
      {"plain 1:2", "plain 1:2", ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.typed);
    try {
      EXPECT_EQ(formulas.EvaluateFormula(c.typed, 5, 5, sheet), c.result);
    } catch (const std::exception& e) {
      ADD_FAILURE() << e.what();
    }
    EXPECT_EQ(Formula(5, 5), c.stored);
  }
}

TEST_F(SpreadFormulas, FormulasThatCannotBeExpandedRaiseWithTheReason) {
  struct Case {
    const char* typed;
    const char* message;
  };
  const Case cases[] = {
      {"=FOO(A1:A2)", "Unknown range function \"FOO\" in FOO(A1:A2)"},
      {"=SUMX(A1:A2)", "Unknown range function \"SUMX\" in SUMX(A1:A2)"},
      {"=A1:A2", "\":\" outside a range call in =A1:A2"},
      {"=(A1:A2)", "\":\" outside a range call in =(A1:A2)"},
      {"=SUM(A:A3)", "Invalid cell reference \"A\" in SUM(A:A3)"},
      {"=SUM(A1:3)", "Invalid cell reference \"3\" in SUM(A1:3)"},
      {"=SUM(A0:A3)", "Invalid cell reference \"A0\" in SUM(A0:A3)"},
      {"=A0+1", "Invalid cell reference \"A0\""},
      {"=SUM(B1:B3", "Missing \")\" in =SUM(B1:B3"},
      {"=SUM(NOSUCH,B1:B2)", "nosuch is an unknown function"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.typed);
    try {
      formulas.EvaluateFormula(c.typed, 5, 5, sheet);
      ADD_FAILURE() << "no error";
    } catch (const EFormulaError& e) {
      EXPECT_EQ(std::string(e.what()).substr(0, std::string(c.message).size()), c.message);
    }
    // The cell keeps the upper-cased formula.
    EXPECT_EQ(Formula(5, 5), UpperCase(c.typed));
  }
}

TEST_F(SpreadFormulas, RangeFunctionAndSubstitutionOnTheirOwn) {
  EXPECT_EQ(formulas.RangeFunction("SUM(B1:B3)", sheet), "6");
  EXPECT_EQ(formulas.RangeFunction("MINVALUE(E1:E1)", sheet), "(-3)");
  EXPECT_EQ(formulas.SubstituteReferences(sheet, "D1+LOG10(C2)*2E3+A3"),
            "(5)+LOG10((9))*2E3+(word)");
}

TEST_F(SpreadFormulas, ShiftReferences) {
  struct Case {
    const char* text;
    int dc, dr;
    const char* moved;
  };
  const Case cases[] = {
      {"=A1+B2", 1, 2, "=B3+C4"},    {"=SUM(A1:A3)*LOG10(X1)", 0, 1, "=SUM(A2:A4)*LOG10(X2)"},
      {"=Z9+1E5", 1, 0, "=AA9+1E5"}, {"=A1*2", -1, 0, "=#REF!*2"},
      {"=B2", -1, -1, "=A1"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    EXPECT_EQ(TSheetFormulas::ShiftReferences(c.text, c.dc, c.dr), c.moved);
  }
}

TEST_F(SpreadFormulas, CopyKinds) {
  EXPECT_EQ(CopyKind(TRect(2, 2, 3, 3)), 1);
  EXPECT_EQ(CopyKind(TRect(0, 2, 3, 3)), 2);
  EXPECT_EQ(CopyKind(TRect(2, 0, 3, 3)), 3);
  EXPECT_EQ(CopyKind(TRect(0, 0, 3, 3)), 0);
}

TEST_F(SpreadFormulas, PasteWithFill) {
  TXLSheet s;
  TSpreadDocument::InitNewWorksheet(s, 1);
  Put(s, 0, 0, {{"1"}, {"2"}, {"3"}});
  s.SetCellText(1, 0, formulas.EvaluateFormula("=A1*10", 1, 0, s));
  // One cell down a column: each target's formula moves with it.
  FillFromSource(formulas, s, TRect(1, 0, 2, 3), TPoint(1, 0), 1);
  EXPECT_EQ(test::Column(s, 1, 0, 3), (std::vector<std::string>{"10", "20", "30"}));
  EXPECT_EQ(s.FindCell(1, 2)->Formual(), "=A3*10");
  // Kind 2: every row from its own cell in the source column.
  FillFromSource(formulas, s, TRect(1, 0, 3, 3), TPoint(1, 0), 2);
  EXPECT_EQ(s.GetCellText(2, 1), "200");
  EXPECT_EQ(s.FindCell(2, 1)->Formual(), "=B2*10");
  // Kind 3 with the source row at the bottom: rows counted from it.
  s.SetCellText(3, 2, formulas.EvaluateFormula("=A3+1", 3, 2, s));
  FillFromSource(formulas, s, TRect(3, 0, 4, 3), TPoint(3, 2), 3);
  EXPECT_EQ(test::Column(s, 3, 0, 3), (std::vector<std::string>{"2", "3", "4"}));
  // A source without a formula gives its text and takes the target's away.
  FillFromSource(formulas, s, TRect(0, 0, 2, 1), TPoint(0, 0), 1);
  EXPECT_EQ(s.GetCellText(1, 0), "1");
  EXPECT_EQ(s.FindCell(1, 0)->Formual(), "");
}

TEST_F(SpreadFormulas, SelectionInfo) {
  sheet.SetCellText(5, 0, formulas.EvaluateFormula("=B1*2", 5, 0, sheet));
  struct Case {
    TRect sel;
    const char* cells;
    const char* stats;
  };
  const Case cases[] = {
      {TRect(8, 8, 9, 9), "Cell[8, 8] - [I9]", ""},
      {TRect(0, 2, 1, 3), "Cell[0, 2] - [A3] = word", ""},
      {TRect(5, 0, 6, 1), "Cell[5, 0] - [F1] = B1*2", ""},
      {TRect(1, 0, 2, 3), "Cells[1, 0 : 1, 2] - [B1 : B3]", "Sum=6; Ave.=2; Max.=3; Min.=1"},
      {TRect(0, 0, 5, 1), "Cells[0, 0 : 4, 0] - [A1 : E1]", "Sum=8; Ave.=1.6; Max.=5; Min.=-3"},
      // One number among texts: no statistics.
      {TRect(0, 2, 2, 4), "Cells[0, 2 : 1, 3] - [A3 : B4]", ""},
      {TRect(25, 0, 27, 2), "Cells[25, 0 : 26, 1] - [Z1 : AA2]", ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.cells);
    const TSelectionInfo info = SelectionInfo(sheet, c.sel);
    EXPECT_EQ(info.Cells, c.cells);
    EXPECT_EQ(info.Stats, c.stats);
  }
  sheet.SetCellText(2, 4, "1.23456");
  sheet.SetCellText(2, 5, "1");
  EXPECT_EQ(SelectionInfo(sheet, TRect(2, 4, 3, 6)).Stats,
            "Sum=2.23456; Ave.=1.117; Max.=1.23456; Min.=1");
  // A merged block is one cell.
  sheet.Section(skClient).Merge(TRect(0, 10, 3, 12));
  EXPECT_EQ(SelectionInfo(sheet, TRect(0, 10, 3, 12)).Cells, "Cell[0, 10] - [A11]");
}
