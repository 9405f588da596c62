// Writing Excel files: the record lists of the three versions, the fixes
// the writer carries (offsets, ids, dimensions, code pages, strings), read
// back by our own reader, and the atomic save.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "WorkbookTestSupport.h"
#include "platform/core/Classes.h"
#include "workbook/XLSDump.h"
#include "workbook/XLSWorkbook.h"

using namespace qv;
using namespace qv::test;

namespace {

using TBook = TTestBook;

// Two sheets of every cell kind, with one format of our own.
void Fill(TXLSWorkbook& wb) {
  TSheet& s = wb.Sheets[0];
  s.SetName("Werte");
  s.SetFloat(0, 0, 1.5, -1);
  s.SetCellText(1, 0, "Straße");
  s.SetBoolean(2, 0, true, -1);
  s.SetError(3, 0, 2, -1);
  TFormulaResult r;
  r.Number = 3;
  s.SetFormula(0, 1, -1, wb.EncodeText("A1*2", 8224), r);
  TFormulaResult t;
  t.Type = ctStringFormula;
  t.Text = "Straße!";
  s.SetFormula(1, 1, -1, wb.EncodeText("B1&\"!\"", 8224), t);
  TCellFormat& f = wb.Formats.Add();
  f.SetNumberFormat("0.000");
  s.SetFloat(2, 1, 2.5, 0);
  TSheet& z = wb.Sheets.Add();
  z.SetName("Zweite");
  z.SetFloat(3, 4, -7, -1);
}

std::string Roundtrip(TXLSWorkbook& wb, TExcelVersion v, TBook& out) {
  wb.SetVersion(v);
  std::string bytes = wb.WriteToBytes();
  out.wb.ReadFromBytes(bytes);
  return bytes;
}

}  // namespace

TEST(XLSWriter, ReadsBackInEveryVersion) {
  for (TExcelVersion v : {xvExcel97, xvExcel50}) {
    SCOPED_TRACE(static_cast<int>(v));
    TBook b, back;
    Fill(b.wb);
    Roundtrip(b.wb, v, back);
    EXPECT_EQ(back.wb.Version(), v);
    EXPECT_EQ(DumpWorkbook(back.wb), DumpWorkbook(b.wb));
    EXPECT_EQ(back.wb.Sheets[0].GetCellText(2, 1), "2.500");
    back.wb.ShowFormulas = true;
    EXPECT_EQ(back.wb.Sheets[0].GetCellText(0, 1), "A1*2");
    EXPECT_EQ(back.wb.Sheets[0].GetCellText(1, 1), "B1&\"!\"");
  }
  // Excel 4.0: the first sheet only, in a plain file.
  TBook b, back;
  Fill(b.wb);
  std::string bytes = Roundtrip(b.wb, xvExcel40, back);
  EXPECT_FALSE(IsCompoundFile(bytes));
  EXPECT_EQ(back.wb.Version(), xvExcel40);
  ASSERT_EQ(back.wb.Sheets.Count(), 1);
  std::string all = DumpWorkbook(b.wb);
  std::string first = all.substr(0, all.find("## Zweite"));
  EXPECT_EQ(DumpWorkbook(back.wb), "## Sheet 1" + first.substr(first.find('\n')));
  EXPECT_EQ(back.wb.Sheets[0].GetCellText(2, 1), "2.500");
  auto recs = FileRecords(bytes);
  EXPECT_EQ(recs.front().Id, 0x0409);
  EXPECT_EQ(CountRecords(recs, 0x0085), 0);
  // Excel 4.0 numbers its formats by position: the whole list is written.
  EXPECT_EQ(CountRecords(recs, 0x041E), b.wb.Formats.NumberFormatCount());
}

TEST(XLSWriter, ReadWriteReadKeepsTheLibreOfficeFile) {
  TBook a;
  a.wb.Filename = DataFile("lo_biff8.xls");
  a.wb.Read();
  TBook b;
  Roundtrip(a.wb, xvExcel97, b);
  EXPECT_EQ(DumpWorkbook(b.wb), DumpWorkbook(a.wb));
  for (int i = 0; i < 2; ++i) {
    TSheet& x = a.wb.Sheets[i];
    TSheet& y = b.wb.Sheets[i];
    EXPECT_EQ(x.Name(), y.Name());
    for (int r = 0; r < 8; ++r)
      for (int c = 0; c < 5; ++c)
        EXPECT_EQ(x.GetCellText(c, r), y.GetCellText(c, r)) << r << ":" << c;
    ASSERT_EQ(x.MergedCells.Count(), y.MergedCells.Count());
    ASSERT_EQ(x.Notes.Count(), y.Notes.Count());
    for (int n = 0; n < x.Notes.Count(); ++n) {
      EXPECT_EQ(x.Notes.Item(n).Text, y.Notes.Item(n).Text);
      EXPECT_EQ(x.Notes.Item(n).Key(), y.Notes.Item(n).Key());
    }
    ASSERT_EQ(x.Hyperlinks.size(), y.Hyperlinks.size());
    for (size_t h = 0; h < x.Hyperlinks.size(); ++h)
      EXPECT_EQ(x.Hyperlinks[h].Text, y.Hyperlinks[h].Text);
  }
}

TEST(XLSWriter, BoundSheetOffsetsPointAtTheSheets) {
  TBook b;
  Fill(b.wb);
  std::string stream;
  auto recs = FileRecords(b.wb.WriteToBytes(), &stream);
  std::vector<int64_t> bofs;
  for (const auto& r : recs)
    if (r.Id == 0x0809 && readLE<uint16_t>(r.Body.data() + 2) == 0x0010) bofs.push_back(r.Pos);
  ASSERT_EQ(bofs.size(), 2u);
  for (int i = 0; i < 2; ++i)
    EXPECT_EQ(readLE<uint32_t>(FindRecord(recs, 0x0085, i)->Body.data()),
              bofs[static_cast<size_t>(i)]);
  EXPECT_EQ(CountRecords(recs, 0x00FF), 0);  // no EXTSST
  EXPECT_EQ(CountRecords(recs, 0x01AE), 0);  // no SUPBOOK without charts
  EXPECT_EQ(CountRecords(recs, 0x0017), 0);
}

TEST(XLSWriter, CodePagesDefaultFormatsAndStrings) {
  TBook b;
  Fill(b.wb);
  b.wb.SetVersion(xvExcel50);
  auto r5 = FileRecords(b.wb.WriteToBytes());
  EXPECT_EQ(readLE<uint16_t>(FindRecord(r5, 0x0042)->Body.data()), 1252);
  EXPECT_EQ(CountRecords(r5, 0x00E0), 21 + b.wb.Formats.Count());
  b.wb.SetVersion(xvExcel97);
  auto r8 = FileRecords(b.wb.WriteToBytes());
  EXPECT_EQ(readLE<uint16_t>(FindRecord(r8, 0x0042)->Body.data()), 1200);
  EXPECT_EQ(CountRecords(r8, 0x00E0), 21 + b.wb.Formats.Count());
  // An empty user name is still a BIFF8 string with its flag byte.
  EXPECT_EQ(FindRecord(r8, 0x005C)->Body.substr(0, 4), std::string("\0\0\0 ", 4));
  // A text that does not fit 8 bits is written as UTF-16.
  b.wb.Sheets[0].SetName("Ωμέγα");
  auto ru = FileRecords(b.wb.WriteToBytes());
  const std::string& bs = FindRecord(ru, 0x0085)->Body;
  EXPECT_EQ(bs[6], 5);
  EXPECT_EQ(bs[7], 1);
}

TEST(XLSWriter, EmptySheetsWriteZeroDimensions) {
  TBook b;
  b.wb.Sheets.Add();
  b.wb.Sheets[1].SetFloat(2, 3, 1, -1);
  auto recs = FileRecords(b.wb.WriteToBytes());
  const TRecordEntry* d0 = FindRecord(recs, 0x0200, 0);
  const TRecordEntry* d1 = FindRecord(recs, 0x0200, 1);
  EXPECT_EQ(d0->Body, std::string(14, '\0'));
  EXPECT_EQ(readLE<uint32_t>(d1->Body.data()), 3u);
  EXPECT_EQ(readLE<uint32_t>(d1->Body.data() + 4), 4u);
  EXPECT_EQ(readLE<uint16_t>(d1->Body.data() + 8), 2u);
  EXPECT_EQ(readLE<uint16_t>(d1->Body.data() + 10), 3u);
}

TEST(XLSWriter, NotesHyperlinksAndObjectIds) {
  TBook b;
  TSheet& s = b.wb.Sheets[0];
  s.SetFloat(0, 0, 1, -1);
  TNote& n = s.Notes.Add();
  n.SetCellCol(2);
  n.SetCellRow(3);
  n.Text = {"line one", "line two"};
  s.Hyperlinks.push_back({"Text\tmailto:", CellKey(1, 1)});
  TSheet& s2 = b.wb.Sheets.Add();
  s2.Notes.Add().SetCellCol(1);
  auto recs = FileRecords(b.wb.WriteToBytes());
  const TRecordEntry* obj = FindRecord(recs, 0x005D);
  ASSERT_NE(obj, nullptr);
  EXPECT_EQ(obj->Body.size(), 52u);  // common data 18, note data 22, end
  EXPECT_EQ(readLE<uint16_t>(obj->Body.data() + 6), 1);
  const TRecordEntry* note = FindRecord(recs, 0x001C);
  EXPECT_EQ(readLE<uint16_t>(note->Body.data()), 3);
  EXPECT_EQ(readLE<uint16_t>(note->Body.data() + 2), 2);
  EXPECT_EQ(readLE<uint16_t>(note->Body.data() + 6), 1);
  EXPECT_EQ(FindRecord(recs, 0x01B8)->Body.size(), 2u * 4 + 2 * 7 + 60);
  // Shape ids differ between the drawings of the two sheets.
  std::vector<uint32_t> spids;
  for (const auto& r : recs) {
    if (r.Id != 0x00EC) continue;
    for (size_t p = 0; p + 16 <= r.Body.size(); ++p)
      if (readLE<uint16_t>(r.Body.data() + p + 2) == 0xF00A)
        spids.push_back(readLE<uint32_t>(r.Body.data() + p + 8));
  }
  ASSERT_GE(spids.size(), 4u);
  std::sort(spids.begin(), spids.end());
  EXPECT_EQ(std::adjacent_find(spids.begin(), spids.end()), spids.end());
  TBook back;
  back.wb.ReadFromBytes(b.wb.WriteToBytes());
  ASSERT_EQ(back.wb.Sheets[0].Notes.Count(), 1);
  EXPECT_EQ(back.wb.Sheets[0].Notes.Item(0).Text,
            (std::vector<std::string>{"line one", "line two"}));
  EXPECT_EQ(back.wb.Sheets[0].Notes.Item(0).CellRow(), 3);
  EXPECT_EQ(back.wb.Sheets[0].Hyperlinks[0].Text, "Text\tmailto:");
}

TEST(XLSWriter, LongExcel97TextsGoOnInContinueRecords) {
  // String results, notes and shared strings longer than one record: no
  // record passes 8224 bytes, and each text reads back whole.
  const std::string wide = "Ω" + std::string(8999, 'b');  // UTF-16: 18,000 bytes
  const std::string narrow(9000, 'n');
  TBook b;
  TSheet& s = b.wb.Sheets[0];
  s.SetCellText(0, 0, narrow);
  TFormulaResult r;
  r.Type = ctStringFormula;
  r.Text = wide;
  s.SetFormula(0, 1, -1, b.wb.EncodeText("A1", 8224), r);
  r.Text = narrow;
  s.SetFormula(0, 2, -1, b.wb.EncodeText("A1", 8224), r);
  TNote& n = s.Notes.Add();
  n.Text = {wide};
  const std::string bytes = b.wb.WriteToBytes();
  auto recs = FileRecords(bytes);
  for (const auto& e : recs) EXPECT_LE(e.Body.size(), 8224u) << e.Id;
  // The wide result: 4110 characters, then CONTINUE records of 4111 and
  // 779 characters, each after its option byte 1.
  size_t at = 0;
  while (recs[at].Id != 0x0207) ++at;
  EXPECT_EQ(recs[at].Body.size(), 3u + 2 * 4110);
  EXPECT_EQ(recs[at + 1].Id, 0x003C);
  EXPECT_EQ(recs[at + 1].Body.size(), 1u + 2 * 4111);
  EXPECT_EQ(recs[at + 1].Body[0], 1);
  EXPECT_EQ(recs[at + 2].Body.size(), 1u + 2 * 779);
  TBook back;
  back.wb.ReadFromBytes(bytes);
  TSheet& t = back.wb.Sheets[0];
  EXPECT_EQ(t.GetCellText(0, 0), narrow);
  EXPECT_EQ(t.GetCellText(0, 1), wide);
  EXPECT_EQ(t.GetCellText(0, 2), narrow);
  ASSERT_EQ(t.Notes.Count(), 1);
  EXPECT_EQ(t.Notes.Item(0).Text, std::vector<std::string>{wide});
  EXPECT_TRUE(back.messages.empty());
}

TEST(XLSWriter, ChartsAddTheInternalSupBookOnceEvenWhenWrittenTwice) {
  TBook b;
  Fill(b.wb);
  TXLSChart& c = b.wb.Sheets[0].Charts.Add();
  TChartSerie& sr = c.Series.Add();
  sr.SetArea("Werte!$A$1:$A$2");
  std::string first = b.wb.WriteToBytes();
  std::string second = b.wb.WriteToBytes();
  EXPECT_EQ(first, second);
  auto recs = FileRecords(first);
  EXPECT_EQ(CountRecords(recs, 0x01AE), 1);
  EXPECT_EQ(FindRecord(recs, 0x01AE)->Body, std::string("\x02\x00\x01\x04", 4));
  EXPECT_EQ(readLE<uint16_t>(FindRecord(recs, 0x0016)->Body.data()), 1);
  EXPECT_EQ(FindRecord(recs, 0x0017)->Body, std::string("\x01\x00\x00\x00\x00\x00\x00\x00", 8));
  EXPECT_EQ(sr.Area(), "Werte!$A$1:$A$2");
}

// Excel 5 and 4.0 keep 8-bit text: the file names the Windows code page
// that holds all of its texts, and they read back unchanged; when no page
// holds them all, 1252 is written and the characters it lacks are counted.
TEST(XLSWriter, OlderVersionsWriteTheCodePageThatHoldsTheirTexts) {
  struct TCase {
    std::vector<std::string> texts;
    int codepage;
    int replaced;
  };
  const TCase cases[] = {
      {{"Straße", "Zeit €"}, 1252, 0},
      {{"Łódź", "Ćma"}, 1250, 0},
      {{"Привет", "Ёж"}, 1251, 0},
      {{"Ωμέγα", "Δt"}, 1253, 0},
      {{"İstanbul", "ğş"}, 1254, 0},
      {{"Ąžuolų"}, 1257, 0},
      {{"שלום"}, 1255, 0},
      {{"مرحبا"}, 1256, 0},
      {{"ưu Đ"}, 1258, 0},
      {{"สวัสดี"}, 874, 0},
      {{"plain"}, 1252, 0},
      // Greek and Cyrillic share no page: 5 + 6 letters become "?".
      {{"Ωμέγα", "Привет"}, 1252, 11},
  };
  for (const TCase& c : cases) {
    for (TExcelVersion v : {xvExcel50, xvExcel40}) {
      SCOPED_TRACE(c.texts[0] + (v == xvExcel50 ? " in Excel 5" : " in Excel 4.0"));
      TBook b;
      TSheet& s = b.wb.Sheets[0];
      s.SetName(c.texts[0]);
      for (size_t i = 0; i < c.texts.size(); ++i) s.SetCellText(static_cast<int>(i), 0, c.texts[i]);
      // A string formula whose literal and result hold the first text,
      // encoded for Excel 97 and so written anew for the older version.
      TFormulaResult r;
      r.Type = ctStringFormula;
      r.Text = c.texts[0];
      s.SetFormula(0, 1, -1, b.wb.EncodeText("\"" + c.texts[0] + "\"", 8224), r);
      s.PrintSettings.SetHeader(c.texts[0]);
      b.wb.SetVersion(v);
      const std::string bytes = b.wb.WriteToBytes();
      auto recs = FileRecords(bytes);
      EXPECT_EQ(readLE<uint16_t>(FindRecord(recs, 0x0042)->Body.data()), c.codepage);
      if (c.replaced == 0) {
        EXPECT_TRUE(b.messages.empty());
      } else {
        EXPECT_EQ(b.messages,
                  std::vector<std::string>{
                      Format("%d character(s) fit no single Windows code page and were written "
                             "as \"?\" (code page 1252)",
                             // the sheet name, the cells, the header, the
                             // literal and the result: the first text 4
                             // times more in Excel 5, 3 in Excel 4.0
                             c.replaced + (v == xvExcel50 ? 4 : 3) * 5)});
      }
      TBook back;
      back.wb.ReadFromBytes(bytes);
      TSheet& t = back.wb.Sheets[0];
      if (c.replaced > 0) {
        EXPECT_EQ(t.GetCellText(0, 0), "?????");
        continue;
      }
      if (v == xvExcel50) {
        EXPECT_EQ(t.Name(), c.texts[0]);
      }
      for (size_t i = 0; i < c.texts.size(); ++i)
        EXPECT_EQ(t.GetCellText(static_cast<int>(i), 0), c.texts[i]);
      EXPECT_EQ(t.GetCellText(0, 1), c.texts[0]);
      EXPECT_EQ(t.PrintSettings.Header(), c.texts[0]);
      const auto* f = dynamic_cast<const TFormulaCell*>(t.Cells.Find(CellKey(0, 1)));
      ASSERT_NE(f, nullptr);
      EXPECT_EQ(back.wb.DecodeTokens(f->Tokens, v, 0, 1), "\"" + c.texts[0] + "\"");
    }
  }
}

// Excel 5 and 4.0 cell texts and string results hold 255 characters:
// longer ones are cut there, the rest of the workbook is written, and the
// writer says how many were cut.
TEST(XLSWriter, OlderVersionsCutLongTextsAndSaySo) {
  for (TExcelVersion v : {xvExcel50, xvExcel40, xvExcel97}) {
    SCOPED_TRACE(VersionName(v));
    TBook b;
    TSheet& s = b.wb.Sheets[0];
    s.SetCellText(0, 0, std::string(300, 'a'));
    s.SetCellText(1, 0, std::string(255, 'b'));
    TFormulaResult r;
    r.Type = ctStringFormula;
    r.Text = std::string(3000, 'c');
    s.SetFormula(0, 1, -1, b.wb.EncodeText("REPT(\"c\",3000)", 8224), r);
    s.SetFloat(1, 1, 4, -1);
    b.wb.SetVersion(v);
    const std::string bytes = b.wb.WriteToBytes();
    const bool cut = v != xvExcel97;
    if (cut) {
      EXPECT_EQ(b.messages, std::vector<std::string>{std::string("2 text(s) longer than 255 "
                                                                 "characters were cut to 255 "
                                                                 "in the ") +
                                                     VersionName(v) + " file"});
      for (const TRecordEntry& e : FileRecords(bytes))
        EXPECT_LE(e.Body.size(), 2080u) << "record " << e.Id;
    } else {
      EXPECT_TRUE(b.messages.empty());
    }
    TBook back;
    back.wb.ReadFromBytes(bytes);
    TSheet& t = back.wb.Sheets[0];
    EXPECT_EQ(t.GetCellText(0, 0), std::string(cut ? 255 : 300, 'a'));
    EXPECT_EQ(t.GetCellText(1, 0), std::string(255, 'b'));
    EXPECT_EQ(t.GetCellText(0, 1), std::string(cut ? 255 : 3000, 'c'));
    EXPECT_EQ(t.GetCellText(1, 1), "4");
    EXPECT_TRUE(back.messages.empty());
  }
}

// Excel 5 and 4.0 hold 16,384 rows per sheet, Excel 97 65,536: a sheet with
// more (cells or row records) is refused before anything is written, with
// a message naming the sheet and the limit.
TEST(XLSWriter, SheetsLongerThanTheVersionHoldsAreRefused) {
  struct TCase {
    TExcelVersion version;
    int lastRow;    // of a cell of the first sheet; -1 none
    int rowRecord;  // a row record of the first sheet; -1 none
    int secondSheetRow;
    std::string message;  // empty: written
  };
  const TCase cases[] = {
      {xvExcel50, 16383, -1, -1, ""},
      {xvExcel50, 16384, -1, -1,
       "Sheet \"Lang\" has 16385 rows; Excel 5 files hold at most 16384 rows per sheet"},
      {xvExcel50, 10, 20000, -1,
       "Sheet \"Lang\" has 20001 rows; Excel 5 files hold at most 16384 rows per sheet"},
      {xvExcel50, 10, -1, 65535,
       "Sheet \"Zwei\" has 65536 rows; Excel 5 files hold at most 16384 rows per sheet"},
      {xvExcel40, 16384, -1, -1,
       "Sheet \"Lang\" has 16385 rows; Excel 4.0 files hold at most 16384 rows per sheet"},
      // Excel 4.0 writes the first sheet only.
      {xvExcel40, 16383, -1, 65535, ""},
      {xvExcel97, 65535, -1, 65535, ""},
  };
  const std::string file = OutFile("writer-out", "rows.xls");
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.message.empty() ? std::string("written") : c.message);
    writeFileAtomic(file, "old content");
    TBook b;
    TSheet& s = b.wb.Sheets[0];
    s.SetName("Lang");
    s.SetFloat(0, 0, 1, -1);
    s.SetFloat(1, c.lastRow, 2, -1);
    if (c.rowRecord >= 0) s.Rows.push_back({c.rowRecord, 0, 1, 300, 0, 15});
    TSheet& z = b.wb.Sheets.Add();
    z.SetName("Zwei");
    if (c.secondSheetRow >= 0) z.SetCellText(0, c.secondSheetRow, "x");
    b.wb.SetVersion(c.version);
    b.wb.Filename = file;
    if (c.message.empty()) {
      b.wb.Write();
      TBook back;
      back.wb.Filename = file;
      back.wb.Read();
      EXPECT_EQ(back.wb.Sheets[0].GetCellText(1, c.lastRow), "2");
    } else {
      try {
        b.wb.Write();
        ADD_FAILURE() << "written";
      } catch (const EXLSError& e) {
        EXPECT_EQ(e.Message(), c.message);
      }
      EXPECT_EQ(readFileBytes(file), "old content");
    }
  }
}

TEST(XLSWriter, RefusedWritesLeaveTheOldFileAsItWas) {
  std::string file = OutFile("writer-out", "keep.xls");
  writeFileAtomic(file, "old content");
  TBook b;
  Fill(b.wb);
  b.wb.Filename = file;
  b.wb.SetVersion(xvExcel30);
  EXPECT_THROW(b.wb.Write(), EXLSError);
  EXPECT_EQ(readFileBytes(file), "old content");
  b.wb.SetVersion(xvExcel97);
  b.wb.Sheets[1].SetError(0, 0, 0, -1);
  try {
    b.wb.Write();
    FAIL() << "no error";
  } catch (const EXLSError& e) {
    EXPECT_EQ(e.Message(), "Invalid error value in cell 0:0");
  }
  EXPECT_EQ(readFileBytes(file), "old content");
  // A workbook whose version a failed read left at none writes Excel 97.
  b.wb.Sheets[1].SetError(0, 0, 7, -1);
  b.wb.SetVersion(xvNone);
  b.wb.Write();
  TBook back;
  back.wb.Filename = file;
  back.wb.Read();
  EXPECT_EQ(back.wb.Version(), xvExcel97);
}

TEST(XLSWriter, KeptStoragesAreWrittenBack) {
  TBiff b;
  b.Bof8(0x0005).BoundSheet8("S").Eof().Bof8(0x0010).Number(0, 0, 1).Eof();
  TCompoundItem root = TCompoundItem::Storage("Root Entry");
  root.Items.push_back(TCompoundItem::Stream("Workbook", b.Str()));
  TCompoundItem vba = TCompoundItem::Storage("_VBA_PROJECT_CUR");
  vba.Items.push_back(TCompoundItem::Stream("PROJECT", "ID=\"{x}\""));
  root.Items.push_back(vba);
  TTestBook book;
  book.wb.ReadFromBytes(WriteCompoundFile(root));
  ASSERT_EQ(book.wb.ExtraObjects.Count(), 1);
  std::string out = book.wb.WriteToBytes();
  TCompoundFile doc(out);
  int s = doc.Find(doc.Root(), "_VBA_PROJECT_CUR");
  ASSERT_GE(s, 0);
  EXPECT_EQ(doc.ReadStream(doc.Find(s, "PROJECT")), "ID=\"{x}\"");
  auto recs = FileRecords(out);
  EXPECT_EQ(CountRecords(recs, 0x01BA), 2);  // CODENAME of the workbook and of the sheet
  // Without PreserveMacros nothing is kept.
  TTestBook plain;
  plain.wb.PreserveMacros = false;
  plain.wb.ReadFromBytes(WriteCompoundFile(root));
  EXPECT_EQ(plain.wb.ExtraObjects.Count(), 0);
}
