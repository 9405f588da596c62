// Names, validations, notes and kept records of the workbook model.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "WorkbookTestSupport.h"
#include "workbook/XLSWorkbook.h"

using namespace qv;

TEST(Names, AreaNamesAndTheirDefinitions) {
  TXLSWorkbook wb(LocaleSettings::EnUS());
  TAreaName& a = wb.AreaNames.Add();
  EXPECT_EQ(a.AreaName(), "Area1");
  a.SetAreaName("  Rate ");
  EXPECT_EQ(a.AreaName(), "Rate");
  TAreaName& b = wb.AreaNames.Add();
  try {
    b.SetAreaName("RATE");
    FAIL();
  } catch (const EXLSError& e) {
    EXPECT_EQ(e.Message(), "There is allready an area named \"RATE\"");
  }
  EXPECT_EQ(b.AreaName(), "Area2");
  EXPECT_THROW(b.SetAreaName("   "), EXLSError);
  a.SetNameDef("$B$2*2");
  EXPECT_EQ(a.NameDef(), "$B$2*2");
  EXPECT_THROW(a.SetNameDef("2%"), EXLSError);
  EXPECT_EQ(a.NameDef(), "$B$2*2");
  EXPECT_EQ(TokensToHex(std::string("\x1E\x0A\x00", 3)), "1E0A00");
  EXPECT_EQ(HexToTokens("1e0A00"), std::string("\x1E\x0A\x00", 3));
  // Written and read back: the name and a formula using it.
  TFormulaResult r;
  wb.Sheets[0].SetFormula(0, 0, -1, wb.EncodeText("Rate+1", 8224), r);
  TXLSWorkbook back(LocaleSettings::EnUS());
  back.ReadFromBytes(wb.WriteToBytes());
  ASSERT_EQ(back.AreaNames.Count(), 2);
  EXPECT_EQ(back.AreaNames.Item(0).AreaName(), "Rate");
  EXPECT_EQ(back.AreaNames.Item(0).NameDef(), "$B$2*2");
  back.ShowFormulas = true;
  EXPECT_EQ(back.Sheets[0].GetCellText(0, 0), "Rate+1");
}

TEST(Names, NameTables) {
  TNameDefs d;
  EXPECT_THROW(d.AddExternName(0, "x", ""), EXLSError);
  const std::string file =
      "\x01\x01"
      "Cdata\x03"
      "book.xls";  // C:\data\book.xls
  int sb = d.AddSupBook(file, 0);
  EXPECT_EQ(d.AddSupBook(file, 0), sb);
  d.SupBooks[0].SheetNames = {"One"};
  d.AddExternName(0, "Ext", "");
  d.AddExternName(0x10, "Link", "");
  d.AddExternName(2, "Macro", "");
  d.AddExternSheet(sb, 0, 0);
  d.AddExternSheet(sb, 300, 300);
  EXPECT_EQ(d.GetNameText(2, 0, -1), "[C:\\data\\book.xls]One!");
  EXPECT_EQ(d.GetNameText(2, 1, -1), "C:\\data\\book.xls");
  EXPECT_EQ(d.GetNameText(2, 0, 1), "Ext");
  EXPECT_EQ(d.GetNameText(2, 0, 2), "[OLE]");
  EXPECT_EQ(d.GetNameText(2, 0, 3), "'C:\\data\\book.xls'!Macro");
  EXPECT_EQ(d.GetNameText(2, 9, -1), "#NAME!");
  EXPECT_EQ(d.GetNameText(0, 1, -1), "#NAME!");
  d.AddName(0x20, 0, 1, "\x07", "");
  EXPECT_EQ(d.GetNameText(0, 1, -1), "Print_Titles");
  EXPECT_EQ(TNameDefs::DecodeFileName("\x01\x04"
                                      "a\x03"
                                      "b",
                                      true),
            "..\\a|b");
  EXPECT_EQ(d.FindOrAddExternSheet(sb, 0, 0), 0);
}

TEST(Notes, AnchoredByTheirCell) {
  TNotes notes;
  TNote& n = notes.Add();
  EXPECT_EQ(n.Name, "Note 0");
  EXPECT_EQ(n.Text, std::vector<std::string>{"Note"});
  n.SetCellCol(0);
  n.SetCellRow(0);
  EXPECT_EQ((std::vector<int>{n.Anchor.Row1, n.Anchor.Row2, n.Anchor.Col1, n.Anchor.Col2}),
            (std::vector<int>{0, 2, 1, 3}));
  n.SetCellRow(10);
  EXPECT_EQ(n.Anchor.Row1, 9);
  EXPECT_EQ(n.Key(), CellKey(0, 10));
  n.Anchor.Explicit = true;
  n.SetCellCol(40);
  EXPECT_EQ(n.Anchor.Col1, 1);
  n.ObjId = 7;
  EXPECT_EQ(notes.FindObjId(7), &n);
  EXPECT_EQ(notes.FindObjId(8), nullptr);
}

TEST(KeptRecords, ChartSubstreamWrittenBackUnchanged) {
  test::TBiff in;
  in.Rec(0x1002, TRecordBuilder().Zeros(16)).Rec(0x1033).Rec(0x1034).Eof().Number(0, 0, 1);
  TXLSStream s;
  s.OpenReadBytes(in.Str());
  TRecordStorage kept;
  kept.ReadUntilEOF(s);
  ASSERT_EQ(kept.Records.size(), 3u);
  EXPECT_EQ(s.Position(), 32);  // after the EOF
  EXPECT_EQ(test::WrittenRecords([&](TXLSStream& w) { kept.WriteAll(w); }), in.Str().substr(0, 28));
}

TEST(Validations, WrittenAndReadBack) {
  TXLSWorkbook wb(LocaleSettings::EnUS());
  TDataValidation& v = wb.Sheets[0].Validations.Add();
  v.ValidationType = vtInteger;
  v.ValidationStyle = vsWarning;
  v.ValidationOperator = voGreateEqual;
  v.InputTitle = "Zahl";
  v.ErrorMsg = "Größer als null";
  v.SetExpression1("0");
  v.Areas.push_back({1, 9, 2, 2});
  wb.Sheets[0].Validations.Add();  // no areas: not written
  TXLSWorkbook back(LocaleSettings::EnUS());
  back.ReadFromBytes(wb.WriteToBytes());
  ASSERT_EQ(back.Sheets[0].Validations.Count(), 1);
  const TDataValidation& r = back.Sheets[0].Validations.Item(0);
  EXPECT_EQ(r.ValidationType, vtInteger);
  EXPECT_EQ(r.ValidationStyle, vsWarning);
  EXPECT_EQ(r.ValidationOperator, voGreateEqual);
  EXPECT_EQ(r.InputTitle, "Zahl");
  EXPECT_EQ(r.ErrorMsg, "Größer als null");
  EXPECT_EQ(r.Expression1(), "0");
  ASSERT_EQ(r.Areas.size(), 1u);
  EXPECT_EQ(r.Areas[0].Row2, 9);
}
