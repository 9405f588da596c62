// Reading Excel files: peer-made BIFF5/BIFF8 files and hand-made BIFF2-4
// files against xlrd's values, display texts, notes, merges, hyperlinks,
// substreams, and the failures of damaged input.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "WorkbookTestSupport.h"
#include "platform/core/Classes.h"
#include "platform/core/Codepage.h"
#include "workbook/XLSDump.h"
#include "workbook/XLSWorkbook.h"

using namespace qv;
using qv::test::TBiff;

namespace {

struct TBook : test::TTestBook {
  void ReadFile(const std::string& name) {
    wb.Filename = test::DataFile(name);
    wb.Read();
  }
};

// The message of a read that must fail.
std::string ReadError(const std::string& bytes) {
  TBook b;
  try {
    b.wb.ReadFromBytes(bytes);
  } catch (const EXLSError& e) {
    return e.Message();
  }
  return "(no error)";
}

}  // namespace

TEST(XLSReader, PeerFilesGiveXlrdValues) {
  struct TCase {
    const char* file;
    const char* expected;
    TExcelVersion version;
  } cases[] = {
      {"lo_biff8.xls", "lo_biff8.xlrd.txt", xvExcel97},
      {"gn_biff8.xls", "gn_biff8.xlrd.txt", xvExcel97},
      {"gn_dual.xls", "gn_dual.xlrd.txt", xvExcel97},
      {"gn_biff5.xls", "gn_biff5.expected.txt", xvExcel50},
      {"biff2.xls", "biff2.xlrd.txt", xvExcel21},
      {"biff3.xls", "biff3.xlrd.txt", xvExcel30},
      {"biff4.xls", "biff4.xlrd.txt", xvExcel40},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.file);
    TBook b;
    b.ReadFile(c.file);
    EXPECT_EQ(b.wb.Version(), c.version);
    EXPECT_EQ(DumpWorkbook(b.wb), readFileBytes(test::DataFile(c.expected)));
    EXPECT_TRUE(b.messages.empty());
  }
}

TEST(XLSReader, LibreOfficeFileDetails) {
  TBook b;
  b.ReadFile("lo_biff8.xls");
  ASSERT_EQ(b.wb.Sheets.Count(), 2);
  TSheet& s = b.wb.Sheets[0];
  EXPECT_EQ(s.Name(), "Data");
  EXPECT_EQ(b.wb.Sheets[1].Name(), "Zweite Seite");
  // Display texts by number format.
  EXPECT_EQ(s.GetCellText(1, 1), "1.50");
  EXPECT_EQ(s.GetCellText(1, 2), "1,234,567");
  EXPECT_EQ(s.GetCellText(1, 3), "25%");
  EXPECT_EQ(s.GetCellText(1, 4), "1.23E+05");
  EXPECT_EQ(s.GetCellText(1, 5), "2024-03-14");
  EXPECT_EQ(s.GetCellText(2, 5), "14:30");
  EXPECT_EQ(s.GetCellText(0, 1), "Αλφα");
  EXPECT_EQ(s.GetCellText(4, 3), "#DIV/0!");
  EXPECT_EQ(s.GetCellText(4, 5), "1E20");
  // The note on A2, anchored by its drawing and bound by its NOTE record.
  ASSERT_EQ(s.Notes.Count(), 1);
  const TNote& n = s.Notes.Item(0);
  EXPECT_EQ(n.CellCol(), 0);
  EXPECT_EQ(n.CellRow(), 1);
  EXPECT_TRUE(n.Bound);
  EXPECT_EQ(n.Text, (std::vector<std::string>{"First note", "second line"}));
  // A7:C7 merged; the hyperlink on A8.
  ASSERT_EQ(s.MergedCells.Count(), 1);
  const TMergedCell& m = s.MergedCells.Item(0);
  EXPECT_EQ((std::vector<int>{m.Col1, m.Row1, m.Col2, m.Row2}), (std::vector<int>{0, 6, 2, 6}));
  ASSERT_EQ(s.Hyperlinks.size(), 1u);
  EXPECT_EQ(s.Hyperlinks[0].Text, "Example\thttps://example.org/page");
  EXPECT_EQ(s.Hyperlinks[0].Key, CellKey(0, 7));
  // Shared formulas are expanded for every cell of their range.
  b.wb.ShowFormulas = true;
  EXPECT_EQ(s.GetCellText(2, 1), "B2*2");
  EXPECT_EQ(s.GetCellText(2, 4), "B5*2");
  EXPECT_EQ(b.wb.Sheets[1].GetCellText(0, 2), "SUM(A1,Data!B2:B3)");
}

TEST(XLSReader, GnumericStringResultsAndBothStreams) {
  TBook b;
  b.ReadFile("gn_dual.xls");
  EXPECT_EQ(b.wb.Version(), xvExcel97);  // "Workbook" wins over "Book"
  TSheet& s = b.wb.Sheets[0];
  TCell* c = s.Cells.Find(CellKey(3, 1));
  ASSERT_NE(c, nullptr);
  EXPECT_EQ(c->CellType(), ctStringFormula);
  EXPECT_EQ(s.GetCellText(3, 1), "Αλφα-x");
}

TEST(XLSReader, HandMadeOldVersions) {
  TBook b4;
  b4.ReadFile("biff4.xls");
  TSheet& s = b4.wb.Sheets[0];
  EXPECT_EQ(s.Name(), "Sheet 1");
  EXPECT_EQ(s.GetCellText(0, 0), "3.14");   // XF 1: "0.00"
  EXPECT_EQ(s.GetCellText(1, 0), "2.500");  // XF 2: a format of the file
  EXPECT_EQ(s.GetCellText(0, 1), "Straße Äpfel");
  EXPECT_EQ(s.GetCellText(0, 2), "TRUE");
  // Font index 4 is a placeholder: the fifth FONT record is font 5.
  EXPECT_EQ(b4.wb.Fonts.Count(), 5);

  TBook b2;
  b2.ReadFile("biff2.xls");
  EXPECT_EQ(b2.wb.Fonts.Item(0).Name, "Arial");
  EXPECT_TRUE(b2.wb.Fonts.Item(0).Style.Contains(xfsBold));
  EXPECT_EQ(b2.wb.Fonts.Item(0).Size, 10);
  b2.wb.ShowFormulas = true;
  EXPECT_EQ(b2.wb.Sheets[0].GetCellText(0, 3), "A2*2");
}

TEST(XLSReader, PlainExcel97StreamAndBOFChecks) {
  TBiff plain;
  plain.Bof8(0x0010).Number(0, 0, 2.5).Eof();
  TBook b;
  b.wb.ReadFromBytes(plain.Str());
  EXPECT_EQ(b.wb.Version(), xvExcel97);
  EXPECT_EQ(DumpWorkbook(b.wb), "## Sheet 1\n2.5\n");

  TBiff noBof;
  noBof.Number(0, 0, 1).Eof();
  EXPECT_EQ(ReadError(noBof.Str()), "BOF is missing in file");
  TBiff bigBof;
  bigBof.Rec(0x0409, TRecordBuilder().Zeros(300)).Eof();
  EXPECT_EQ(ReadError(bigBof.Str()), "Invalid BOF size");
  EXPECT_EQ(ReadError(test::CompoundWorkbook("x", "Other")), "File is not a Excel Workbook");
}

TEST(XLSReader, EncryptedFileGivesTwoLineMessage) {
  TBiff b;
  b.Bof8(0x0005).Rec(0x002F, TRecordBuilder().U16(1).Zeros(52)).BoundSheet8("S").Eof();
  EXPECT_EQ(ReadError(test::CompoundWorkbook(b.Str())),
            "Error on reading record # 1\rFile is password protected");
}

TEST(XLSReader, DamagedFilesFailWithMessages) {
  std::string good = readFileBytes(test::DataFile("lo_biff8.xls"));
  TBook ok;
  ok.wb.ReadFromBytes(good);
  // Cut inside the workbook stream.
  TBiff cut;
  cut.Bof8(0x0010).Number(0, 0, 1);
  std::string truncated = cut.Str().substr(0, cut.Str().size() - 3);
  EXPECT_EQ(ReadError(truncated), "Error on reading record # 1\rrecord too short");
  // A stream that ends before the EOF of its last sheet.
  TBiff noEof;
  noEof.Bof8(0x0010).Number(0, 0, 1);
  EXPECT_EQ(ReadError(noEof.Str()), "Error on reading record # 2\rUnexpected end of file");
  // A record too short for its fields.
  TBiff shortRec;
  shortRec.Bof8(0x0010).Rec(0x0203, TRecordBuilder().U16(0).U16(0)).Eof();
  EXPECT_EQ(ReadError(shortRec.Str()), "Error on reading record # 1\rrecord too short");
  // A shared-string index outside the table.
  TBiff sst;
  sst.Bof8(0x0010)
      .Rec(0x00FC, TRecordBuilder().U32(1).U32(1).U16(1).U8(0).Bytes("a"))
      .Rec(0x00FD, TRecordBuilder().U16(0).U16(0).U16(15).U32(5))
      .Eof();
  EXPECT_EQ(ReadError(sst.Str()), "Error on reading record # 2\rSST index out of range (5:1)");
  // Sheets beyond what a sheet number can count.
  TBiff many;
  many.Bof8(0x0005).BoundSheet8("S").Eof();
  for (int i = 0; i < 65540; ++i) many.Bof8(0x0010);
  EXPECT_EQ(ReadError(many.Str()), "Error on reading record # 65539\rToo many sheets");
  // Every cut of a real file fails cleanly or reads.
  for (size_t n = 0; n < good.size(); n += 97) {
    TBook t;
    try {
      t.wb.ReadFromBytes(good.substr(0, n));
    } catch (const Exception&) {
    }
  }
}

TEST(XLSReader, SheetsChartSheetsAndTheLastEOF) {
  // S1, chart sheet C1, S2; records after the last sheet's EOF are not read.
  TBiff b;
  b.Bof8(0x0005).BoundSheet8("S1").BoundSheet8("C1", 0x0200).BoundSheet8("S2").Eof();
  b.Bof8(0x0010).Number(0, 0, 1).Eof();
  b.Bof8(0x0020).Rec(0x1002, TRecordBuilder().Zeros(16)).Rec(0x1033).Rec(0x1034).Eof();
  b.Bof8(0x0010).Number(1, 1, 2).Eof();
  b.Raw("garbage after the end");
  TBook book;
  book.wb.ReadFromBytes(test::CompoundWorkbook(b.Str()));
  ASSERT_EQ(book.wb.Sheets.Count(), 2);
  EXPECT_EQ(book.wb.Sheets[0].Name(), "S1");
  EXPECT_EQ(book.wb.Sheets[1].Name(), "S2");
  ASSERT_EQ(book.wb.InFileCharts.Count(), 1);
  EXPECT_EQ(book.wb.InFileCharts.Item(0).Name, "C1");
  EXPECT_EQ(book.wb.InFileCharts.Item(0).Records.size(), 3u);
  EXPECT_EQ(DumpWorkbook(book.wb), "## S1\n1\n## S2\n\t\n\t2\n");
}

TEST(XLSReader, SharedFormulasAndTheirLimits) {
  // B1:B3 share =A1*2 (relative reference offsets); B4 shares a formula
  // with a token the conversion does not know and keeps its result.
  auto formula = [](int row, int col, double result) {
    return TRecordBuilder()
        .U16(static_cast<unsigned>(row))
        .U16(static_cast<unsigned>(col))
        .U16(15)
        .F64(result)
        .U16(0x0008)
        .U32(0)
        .U16(5)
        .U8(0x01)
        .U16(0)
        .U16(1);
  };
  TRecordBuilder shr;
  shr.U16(0).U16(2).U8(1).U8(1).U8(0).U8(3).U16(9);
  shr.U8(0x4C).U16(0).U16(0xC000 | 0xFF);  // ptgRefN row +0, column -1
  shr.U8(0x1E).U16(2).U8(0x05);
  TRecordBuilder bad;
  bad.U16(3).U16(3).U8(1).U8(1).U8(0).U8(1).U16(1).U8(0x02);
  TBiff b;
  b.Bof8(0x0010);
  b.Rec(0x0006, formula(0, 1, 2)).Rec(0x04BC, shr);
  b.Rec(0x0006, formula(1, 1, 4)).Rec(0x0006, formula(2, 1, 6));
  b.Rec(0x0006, formula(3, 1, 8)).Rec(0x04BC, bad).Eof();
  TBook book;
  book.wb.ReadFromBytes(b.Str());
  TSheet& s = book.wb.Sheets[0];
  book.wb.ShowFormulas = true;
  EXPECT_EQ(s.GetCellText(1, 0), "A1*2");
  EXPECT_EQ(s.GetCellText(1, 2), "A3*2");
  EXPECT_EQ(s.Cells.Find(CellKey(1, 3))->CellType(), ctFloat);
  EXPECT_EQ(s.GetCellText(1, 3), "8");
}

TEST(XLSReader, ExcelFiveChartInSheetIsSkipped) {
  TBiff b;
  b.Bof5(0x0005).Rec(0x0085, TRecordBuilder().U32(0).U16(0).U8(2).Bytes("S1")).Eof();
  b.Bof5(0x0010).Number(0, 0, 1);
  b.Bof5(0x0020).Rec(0x1002, TRecordBuilder().Zeros(16)).Eof();
  b.Number(1, 0, 2).Eof();
  TBook book;
  book.wb.ReadFromBytes(test::CompoundWorkbook(b.Str(), "Book"));
  EXPECT_EQ(book.wb.Version(), xvExcel50);
  EXPECT_EQ(DumpWorkbook(book.wb), "## S1\n1\n2\n");
}

TEST(XLSReader, NoteWithoutTextKeepsTheNextRecords) {
  // OBJ of a note, its TXO with no text, then a NOTE and a NUMBER that
  // must still be read.
  TBiff b;
  b.Bof8(0x0010);
  b.Rec(0x005D, TRecordBuilder()
                    .U16(0x0015)
                    .U16(18)
                    .U16(0x19)
                    .U16(1)
                    .U16(0x0011)
                    .Zeros(12)
                    .U16(0x000D)
                    .U16(22)
                    .Zeros(22)
                    .U16(0)
                    .U16(0));
  b.Rec(0x01B6, TRecordBuilder().U16(0x12).Zeros(8).U16(0).U16(0).Zeros(4));
  b.Rec(0x001C, TRecordBuilder().U16(4).U16(2).U16(0).U16(1).U16(0).U8(0));
  b.Number(5, 5, 9).Eof();
  TBook book;
  book.wb.ReadFromBytes(b.Str());
  TSheet& s = book.wb.Sheets[0];
  ASSERT_EQ(s.Notes.Count(), 1);
  EXPECT_EQ(s.Notes.Item(0).CellRow(), 4);
  EXPECT_EQ(s.Notes.Item(0).CellCol(), 2);
  EXPECT_EQ(s.Notes.Item(0).Text, std::vector<std::string>{""});
  EXPECT_EQ(s.GetCellText(5, 5), "9");
}

TEST(XLSReader, CellsBeyondColumn255AreLeftOut) {
  TBiff b;
  b.Bof8(0x0010).Number(0, 256, 1).Number(0, 255, 2).Number(0, 0, 3).Eof();
  TBook book;
  book.wb.ReadFromBytes(b.Str());
  TSheet& s = book.wb.Sheets[0];
  EXPECT_EQ(s.Cells.Count(), 2);
  EXPECT_EQ(s.GetCellText(0, 0), "3");
  EXPECT_EQ(s.GetCellText(255, 0), "2");
}

TEST(XLSReader, ProgressIsReported) {
  TBook b;
  std::vector<int> seen;
  b.wb.OnProgress = [&](int p) { seen.push_back(p); };
  b.ReadFile("lo_biff8.xls");
  ASSERT_GE(seen.size(), 2u);
  EXPECT_EQ(seen.front(), 0);
  EXPECT_EQ(seen.back(), 100);
}

namespace {

// The first n characters (UTF-16 units) of a text.
std::string firstChars(const std::string& utf8, size_t n) {
  return Utf16ToUtf8(Utf8ToUtf16(utf8).substr(0, n));
}

std::string repeated(const std::string& s, int n) {
  std::string out;
  for (int i = 0; i < n; ++i) out += s;
  return out;
}

}  // namespace

TEST(XLSReader, TextsLongerThanOneRecordFromPeers) {
  // The texts of make_long_texts.py: each passes one record of its version
  // and goes on in CONTINUE records (gnumeric's Excel 97 string result cuts
  // a UTF-16 character in two across them).
  const std::string ascii = "Anfang " + repeated("0123456789", 250).substr(0, 2493);
  const std::string greek = firstChars("Ωμέγα " + repeated("αβγδεζηθικ", 110), 1100);
  const std::string note = firstChars("Σημείωση " + repeated("λμνξοπρστυ", 420), 4200);
  const std::string omegas = repeated("Ωx", 2100);
  struct TCase {
    const char* file;
    std::vector<std::pair<uint32_t, std::string>> cells;
  } cases[] = {
      {"gn_long5.xls",
       {{CellKey(0, 0), ascii},
        {CellKey(0, 1), greek},
        {CellKey(0, 2), repeated("xy", 1300)},
        {CellKey(0, 3), "Ende"}}},
      {"lo_long8.xls",
       {{CellKey(0, 0), omegas}, {CellKey(1, 0), "Notiz"}, {CellKey(0, 1), "Ende"}}},
      {"gn_long8.xls", {{CellKey(0, 0), omegas}, {CellKey(0, 1), "Ende"}}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.file);
    TBook b;
    b.ReadFile(c.file);
    TSheet& s = b.wb.Sheets[0];
    for (const auto& [key, text] : c.cells)
      EXPECT_EQ(s.GetCellText(static_cast<int>(key & 0xFF), static_cast<int>(key >> 8)), text)
          << key;
    EXPECT_TRUE(b.messages.empty());
  }
  TBook lo;
  lo.ReadFile("lo_long8.xls");
  ASSERT_EQ(lo.wb.Sheets[0].Notes.Count(), 1);
  EXPECT_EQ(lo.wb.Sheets[0].Notes.Item(0).Text, std::vector<std::string>{note});
}

TEST(XLSReader, TextsGoOnInContinueRecords) {
  const std::string label5 = repeated("abcdefghij", 300);  // 3,000 bytes
  struct TCase {
    const char* what;
    std::string records;
    std::string expected;
    int cut;  // texts reported as cut
  };
  auto bof5 = [](TBiff& b) -> TBiff& {
    return b.Bof5(0x0010).Rec(0x0042, TRecordBuilder().U16(1253));
  };
  std::vector<TCase> cases;
  {
    // Excel 5: the bytes go on as they are, in the file's code page.
    TBiff b;
    bof5(b).Rec(0x0204,
                TRecordBuilder().U16(0).U16(0).U16(15).U16(1500).Bytes(label5.substr(0, 1000)));
    b.Rec(0x003C, TRecordBuilder().Bytes(label5.substr(1000, 400)));
    b.Rec(0x003C, TRecordBuilder().Bytes(label5.substr(1400, 100) + "\xD9\xEC"));
    cases.push_back({"Excel 5 LABEL", b.Str(), label5.substr(0, 1500), 0});
  }
  {
    TBiff b;
    bof5(b).Rec(0x0204, TRecordBuilder().U16(0).U16(0).U16(15).U16(4).Bytes("\xD9\xEC"));
    b.Rec(0x003C, TRecordBuilder().Bytes("\xDD\xE3"));
    cases.push_back({"Excel 5 Greek", b.Str(), "Ωμέγ", 0});
  }
  {
    // A record longer than Excel 5's largest body is read, not skipped.
    TBiff b;
    bof5(b).Rec(0x0204, TRecordBuilder().U16(0).U16(0).U16(15).U16(3000).Bytes(label5));
    cases.push_back({"Excel 5 long record", b.Str(), label5, 0});
  }
  {
    // The CONTINUE is missing: the text is kept as far as it goes.
    TBiff b;
    bof5(b).Rec(0x0204, TRecordBuilder().U16(0).U16(0).U16(15).U16(10).Bytes("abcd"));
    cases.push_back({"Excel 5 cut", b.Str(), "abcd", 1});
  }
  {
    // Excel 97: each CONTINUE starts with an option byte, and the width
    // may change from part to part.
    TBiff b;
    b.Bof8(0x0010).Rec(0x0204, TRecordBuilder().U16(0).U16(0).U16(15).U16(5).U8(0).Bytes("ab"));
    b.Rec(0x003C, TRecordBuilder().U8(1).U16(0x03A9).U16(0x03BC));
    b.Rec(0x003C, TRecordBuilder().U8(0).Bytes("e"));
    cases.push_back({"Excel 97 option bytes", b.Str(), "abΩμe", 0});
  }
  {
    // ... or go on as they are, cutting a character in two.
    TBiff b;
    b.Bof8(0x0010).Rec(0x0204,
                       TRecordBuilder().U16(0).U16(0).U16(15).U16(3).U8(1).U16(0x03A9).U8(0x78));
    b.Rec(0x003C, TRecordBuilder().U8(0x00).U16(0x03BC));
    cases.push_back({"Excel 97 bytes as they are", b.Str(), "Ωxμ", 0});
  }
  {
    // A CONTINUE that fits neither form: kept as far as it goes, and said.
    TBiff b;
    b.Bof8(0x0010).Rec(0x0204, TRecordBuilder().U16(0).U16(0).U16(15).U16(6).U8(0).Bytes("abc"));
    b.Rec(0x003C, TRecordBuilder().U8(0).Bytes("d"));
    cases.push_back({"Excel 97 cut", b.Str(), "abcd", 1});
  }
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    TBiff b;
    b.Raw(c.records).Number(1, 0, 7).Eof();
    TBook book;
    book.wb.ReadFromBytes(b.Str());
    TSheet& s = book.wb.Sheets[0];
    EXPECT_EQ(s.GetCellText(0, 0), c.expected);
    // The rest of the sheet is read.
    EXPECT_EQ(s.GetCellText(0, 1), "7");
    if (c.cut == 0)
      EXPECT_TRUE(book.messages.empty());
    else
      EXPECT_EQ(book.messages,
                std::vector<std::string>{
                    "1 text(s) end before their stated length in the file; they were read as "
                    "far as the file holds them"});
  }
}

TEST(XLSReader, StringResultsGoOnInContinueRecords) {
  // A formula's string result in a STRING record with a CONTINUE, read
  // also when a SHRFMLA stands between the FORMULA and its STRING.
  const std::string tokens("\x1E\x01\x00", 3);  // =1
  auto formula = [&](TBiff& b, int row, bool shared) {
    std::string t = shared ? std::string("\x01\x00\x00\x00\x00", 5) : tokens;
    b.Rec(0x0006, TRecordBuilder()
                      .U16(static_cast<unsigned>(row))
                      .U16(0)
                      .U16(15)
                      .U16(0)
                      .U32(0)
                      .U16(0xFFFF)
                      .U16(shared ? 8 : 0)
                      .U32(0)
                      .U16(static_cast<unsigned>(t.size()))
                      .Bytes(t));
  };
  TBiff b;
  b.Bof8(0x0010);
  formula(b, 0, false);
  b.Rec(0x0207, TRecordBuilder().U16(4).U8(0).Bytes("ab"));
  b.Rec(0x003C, TRecordBuilder().U8(1).U16(0x03A9).U16(0x03A9));
  formula(b, 1, true);
  b.Rec(0x04BC, TRecordBuilder().U16(1).U16(1).U8(0).U8(0).U16(0).U16(3).Bytes(tokens));
  b.Rec(0x0207, TRecordBuilder().U16(3).U8(0).Bytes("c"));
  b.Rec(0x003C, TRecordBuilder().U8(0).Bytes("de"));
  b.Number(2, 0, 5).Eof();
  TBook book;
  book.wb.ReadFromBytes(b.Str());
  TSheet& s = book.wb.Sheets[0];
  EXPECT_EQ(s.GetCellText(0, 0), "abΩΩ");
  EXPECT_EQ(s.GetCellText(0, 1), "cde");
  EXPECT_EQ(s.GetCellText(0, 2), "5");
  EXPECT_TRUE(book.messages.empty());
}

// Excel 5 and 4.0 texts are read in the code page their CODEPAGE record
// names: cell texts, sheet names and formula string literals.
TEST(XLSReader, EightBitTextsFollowTheCodePage) {
  struct TCase {
    int codepage;
    std::string bytes, text;
  };
  const TCase cases[] = {
      {1250,
       "\xA3\xF3"
       "d\x9F \xC6ma",
       "Łódź Ćma"},
      {1251, "\xCF\xF0\xE8\xE2\xE5\xF2 \xA8\xE6", "Привет Ёж"},
      {1253, "\xD9\xEC\xDD\xE3\xE1 \xC4t", "Ωμέγα Δt"},
      {1254, "\xDDstanbul \xF0\xFE", "İstanbul ğş"},
      {1257, "\xC0\xFEuol\xF8", "Ąžuolų"},
      {1255, "\xF9\xEC\xE5\xED", "שלום"},
      {1256, "\xE3\xD1\xCD\xC8\xC7", "مرحبا"},
      {1258, "\xFDu \xD0", "ưu Đ"},
      {874, "\xCA\xC7\xD1\xCA\xB4\xD5", "สวัสดี"},
      {1252,
       "Stra\xDF"
       "e \x80",
       "Straße €"},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.codepage);
    const auto n = static_cast<unsigned>(c.bytes.size());
    // Formula ="<text>" as Excel 5 tokens: a string literal (0x17).
    const std::string tokens = "\x17" + std::string(1, static_cast<char>(n)) + c.bytes;
    TBiff b;
    b.Bof5(0x0005).Rec(0x0042, TRecordBuilder().U16(static_cast<unsigned>(c.codepage)));
    b.Rec(0x0085, TRecordBuilder().U32(0).U16(0).U8(n).Bytes(c.bytes)).Eof();
    b.Bof5(0x0010).Rec(0x0204, TRecordBuilder().U16(0).U16(0).U16(15).U16(n).Bytes(c.bytes));
    b.Rec(0x0006, TRecordBuilder()
                      .U16(1)
                      .U16(0)
                      .U16(15)
                      .Bytes(std::string("\0\0\0\0\0\0\xFF\xFF", 8))
                      .U16(0)
                      .U32(0)
                      .U16(static_cast<unsigned>(tokens.size()))
                      .Bytes(tokens));
    b.Rec(0x0207, TRecordBuilder().U16(n).Bytes(c.bytes)).Eof();
    TBook book;
    book.wb.ReadFromBytes(test::CompoundWorkbook(b.Str(), "Book"));
    EXPECT_EQ(book.wb.Codepage(), c.codepage);
    TSheet& s = book.wb.Sheets[0];
    EXPECT_EQ(s.Name(), c.text);
    EXPECT_EQ(s.GetCellText(0, 0), c.text);
    EXPECT_EQ(s.GetCellText(0, 1), c.text) << "the string result";
    const auto* f = dynamic_cast<const TFormulaCell*>(s.Cells.Find(CellKey(0, 1)));
    ASSERT_NE(f, nullptr);
    EXPECT_EQ(book.wb.DecodeTokens(f->Tokens, xvExcel50, 0, 1), "\"" + c.text + "\"");
  }
}
