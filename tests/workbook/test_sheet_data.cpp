// Sheets: the collection, names, cell setters and texts, dimensions,
// column widths, print settings, merged cells and fractions.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "WorkbookTestSupport.h"
#include "platform/core/RecordingCanvas.h"
#include "workbook/XLSWorkbook.h"

using namespace qv;

namespace {

using TBook = test::TTestBook;

// Counts the texts measured.
class TCountingFonts : public TFakeFontService {
 public:
  TCountingFonts() : TFakeFontService(8, 16) {}
  TSize TextExtent(const TFont& font, const std::string& text) override {
    ++Calls;
    return TFakeFontService::TextExtent(font, text);
  }
  int Calls = 0;
};

}  // namespace

TEST(Sheets, CollectionAndNames) {
  TBook b;
  EXPECT_EQ(b.wb.Sheets.Count(), 1);
  EXPECT_EQ(b.wb.Sheets[0].Name(), "Sheet 1");
  EXPECT_EQ(b.wb.Version(), xvExcel97);
  EXPECT_EQ(b.wb.Codepage(), 1200);
  EXPECT_EQ(b.wb.ComponentVersion(), "1.14.05");
  b.wb.SetCodepage(0);
  EXPECT_EQ(b.wb.Codepage(), 1252);
  b.wb.Sheets.Delete(0);
  EXPECT_EQ(b.wb.Sheets.Count(), 1);
  EXPECT_EQ(b.wb.Sheets[0].Cells.Count(), 0);
  EXPECT_EQ(b.wb.Sheets[0].Name(), "Sheet 2");  // ids keep counting
  TSheet& a = b.wb.Sheets[0];
  TSheet& c = b.wb.Sheets.Add();
  a.SetName("Data");
  c.SetName("Data");
  EXPECT_EQ(c.Name(), "Sheet 3");
  c.SetName("data");
  EXPECT_EQ(c.Name(), "data");
  c.SetName("data");
  EXPECT_EQ(b.messages, (std::vector<std::string>{"Sheet name \"Data\" allready exists",
                                                  "Sheet name \"data\" allready exists"}));
  c.SetName(std::string("\x01Wide", 5));
  EXPECT_EQ(c.Name(), "Wide");
  b.wb.OptionsDialog.SetUserName(std::string(300, 'u'));
  EXPECT_EQ(b.wb.OptionsDialog.UserName().size(), 255u);
  EXPECT_EQ(b.wb.OptionsDialog.CalcMode, cmAutomatic);
  b.wb.SetFuncArgSeparator(';');
  EXPECT_EQ(b.wb.FuncArgSeparator(), ';');
  b.wb.SetFuncArgSeparator('\0');
  EXPECT_EQ(b.wb.FuncArgSeparator(), ',');
}

TEST(Sheets, CellTextsOfEveryKind) {
  TBook b;
  TSheet& s = b.wb.Sheets[0];
  s.SetFloat(0, 0, 0.1 + 0.2, -1);
  s.SetCellText(1, 0, "Text");
  s.SetBoolean(2, 0, false, -1);
  s.SetError(3, 0, 5, -1);
  s.SetBlank(4, 0, -1);
  TFormulaResult e;
  e.Type = ctErrorFormula;
  e.Value = 23;
  s.SetFormula(5, 0, -1, b.wb.EncodeText("1/0", 8224), e);
  TFormulaResult bad;
  bad.Type = 3;
  EXPECT_THROW(s.SetFormula(6, 0, -1, "", bad), EXLSError);
  EXPECT_EQ(s.GetCellText(0, 0), "0.3");
  EXPECT_EQ(s.GetCellText(1, 0), "Text");
  EXPECT_EQ(s.GetCellText(2, 0), "FALSE");
  EXPECT_EQ(s.GetCellText(3, 0), "#NAME?");
  EXPECT_EQ(s.GetCellText(4, 0), "");
  EXPECT_EQ(s.GetCellText(5, 0), "#REF!");
  EXPECT_EQ(s.GetCellText(9, 9), "");
  b.wb.StrFALSE = "falsch";
  EXPECT_EQ(s.GetCellText(2, 0), "falsch");
  b.wb.ShowFormulas = true;
  EXPECT_EQ(s.GetCellText(5, 0), "1/0");
  s.SetArrayFormula(6, 0, -1, "", "", 1);
  EXPECT_EQ(s.GetCellText(6, 0), "{ARRAY FORMULA}");
  // Positions outside the worksheet are refused.
  EXPECT_THROW(s.SetCellText(256, 0, "x"), EXLSError);
  EXPECT_THROW(s.SetFloat(0, 65536, 1, -1), EXLSError);
  EXPECT_EQ(s.Cells.Find(CellKey(0, 0))->CellType(), ctFloat);
}

TEST(Sheets, NumbersByTheirFormat) {
  TBook b;
  TSheet& s = b.wb.Sheets[0];
  auto formatted = [&](int numberFormat, double v) {
    TCellFormat& f = b.wb.Formats.Add();
    f.NumberFormatIndex = numberFormat;
    s.SetFloat(0, 0, v, b.wb.Formats.Count() - 1);
    return s.GetCellText(0, 0);
  };
  EXPECT_EQ(formatted(11, 12345), "1.23E+04");
  EXPECT_EQ(formatted(12, 0.5), "1/2");
  EXPECT_EQ(formatted(12, 2.25), "2 1/4");
  EXPECT_EQ(formatted(12, -2.25), "-2 1/4");
  EXPECT_EQ(formatted(12, -0.5), "-1/2");
  EXPECT_EQ(formatted(12, 3), "3");
  EXPECT_EQ(formatted(13, 0.3333), "1/3");
  EXPECT_EQ(formatted(13, 3.14159), "3 1/7");  // the bound whose error b*f-a is smaller
  EXPECT_EQ(formatted(14, 45365.75), "3/14/2024");
  EXPECT_EQ(formatted(20, 45365.75), "6:00 PM");
  EXPECT_EQ(formatted(2, 3.14159), "3.14");
  EXPECT_EQ(formatted(0, 3.5), "3.5");
  EXPECT_EQ(formatted(22, 45365.75), "3/14/24 18:00");
  b.wb.Date1904 = true;
  EXPECT_EQ(formatted(14, 43903), "3/14/2024");
  EXPECT_EQ(FractionText(0.999999, 9), "1");
}

TEST(Sheets, DimensionsAndColumnWidths) {
  TCountingFonts fonts;
  SetFontService(&fonts);
  TBook b;
  TSheet& s = b.wb.Sheets[0];
  s.CalcDimensions();
  EXPECT_EQ((std::vector<int>{s.FirstCol, s.LastCol, s.FirstRow, s.LastRow}),
            (std::vector<int>{0, 0, 0, 0}));
  for (int r = 0; r < 50; ++r) {
    s.SetCellText(1, r, "abc");
    s.SetCellText(2, r, r == 30 ? "123456789012" : "x");
  }
  s.CalcDimensions();
  EXPECT_EQ((std::vector<int>{s.FirstCol, s.LastCol, s.FirstRow, s.LastRow}),
            (std::vector<int>{1, 2, 0, 49}));
  EXPECT_EQ(s.ColWidthPixels(0), 64);  // 8 characters of 8 pixels
  EXPECT_EQ(s.ColWidthPixels(1), 64);
  EXPECT_EQ(s.ColWidthPixels(2), 96);
  EXPECT_EQ(s.ColumnFormats.FindExact(2)->Width(), 3200);  // (96 + 4) / 8 * 256
  EXPECT_EQ(s.ColumnFormats.FindExact(1), nullptr);
  // Every cell is measured once for all columns.
  int calls = fonts.Calls;
  EXPECT_LE(calls, 100 + 10);
  s.ColWidthPixels(1);
  s.ColWidthPixels(2);
  EXPECT_LE(fonts.Calls, calls + 4);
  s.SetCellText(1, 0, std::string(20, 'w'));
  EXPECT_EQ(s.ColWidthPixels(1), 160);
  SetFontService(nullptr);
}

TEST(Sheets, PrintSettingsAndTitles) {
  TBook b;
  TPrintSettings& p = b.wb.Sheets[0].PrintSettings;
  EXPECT_EQ(p.PaperSize, psA4);
  EXPECT_TRUE(p.Options.Contains(psoPortrait));
  EXPECT_EQ(p.RowsOnEachPage(), "-1:-1");
  EXPECT_THROW(p.SetRowsOnEachPage("3:1"), EXLSError);
  EXPECT_THROW(p.SetRowsOnEachPage("x"), EXLSError);
  p.SetRowsOnEachPage("-1:5");
  EXPECT_EQ(p.RowsOnEachPage(), "-1:-1");
  p.SetRowsOnEachPage("0:1");
  p.SetColsOnEachPage("2:3");
  ASSERT_EQ(b.wb.NameDefs.Names.size(), 1u);
  const TWorkbookName& n = b.wb.NameDefs.Names[0];
  EXPECT_EQ(n.Options, 0x20);
  EXPECT_EQ(n.Name, "\x07");
  EXPECT_EQ(n.TabIndex, 1);
  EXPECT_EQ(b.wb.DecodeTokens(n.Tokens), "'Sheet 1'!$A$1:$IV$2,'Sheet 1'!$C$1:$D$65536");
  p.SetRowsOnEachPage("-1:-1");
  p.SetColsOnEachPage("-1:-1");
  EXPECT_TRUE(b.wb.NameDefs.Names.empty());
  p.SetHeader(std::string(256, 'h'));
  p.SetFooter("ok");
  EXPECT_EQ(p.Header(), "");
  EXPECT_EQ(p.Footer(), "ok");
  EXPECT_EQ(b.messages, std::vector<std::string>{"Header is limited to max 255 characthers"});
}

TEST(Sheets, MergedCellsValidity) {
  TMergedCells m;
  m.Add(0, 0, 2, 2);
  m.Add(3, 0, 1, 0);  // columns reversed
  m.Add(2, 2, 4, 4);  // starts inside the first
  m.Add(5, 5, 6, 6);
  EXPECT_TRUE(m.Valid(0));
  EXPECT_FALSE(m.Valid(1));
  EXPECT_FALSE(m.Valid(2));
  EXPECT_TRUE(m.Valid(3));
}
