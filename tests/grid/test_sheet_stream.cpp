// The sheet's "XLData" stream: the byte layout of a new sheet, round trips
// of every value class and look, and damaged or hostile streams.
#include <gtest/gtest.h>

#include "GridTestSupport.h"
#include "platform/core/BmpWriter.h"
#include "platform/core/Canvas.h"

namespace qv {
namespace {

std::string Data(const TXLSheet& sheet) {
  TMemoryStream ms;
  sheet.WriteData(ms);
  return std::string(ms.View());
}

// A sheet of the same counts and defaults as src, read from bytes.
std::unique_ptr<TXLSheet> ReadInto(const TXLSheet& like, const std::string& bytes) {
  auto s = std::make_unique<TXLSheet>();
  s->SetColCount(like.ColCount());
  s->SetRowCount(like.RowCount());
  s->SetTitleCols(like.TitleCols());
  s->SetTitleRows(like.TitleRows());
  s->SetColDefWidth(like.ColDefWidth());
  s->SetRowDefHeight(like.RowDefHeight());
  TMemoryStream in(bytes);
  s->ReadData(in);
  return s;
}

// The base style record as a new sheet writes it (record C, framed).
std::string BaseStyleRecord(std::uint32_t color, std::uint32_t frame, std::uint32_t layout,
                            std::uint32_t linesColor) {
  std::string body;
  body += std::string("\xFF\x07", 2);                          // Props: all eleven
  body += Le32(5) + "Arial";                                   // font face
  body += Le32(1) + Le32(0) + Le32(-11) + Le32(0x80000008);    // charset, style, height, colour
  body += Le32(946) + Le32(0) + Le32(0);                       // TXLCString, editor, format 0
  for (int i = 0; i < 8; ++i) body += Le32(0);                 // no lines
  body += Le32(color) + Le32(frame) + Le32(0) + Le32(layout);  // colour, frame, styles, layout
  body += Le32(255) + Le32(linesColor);                        // ErrorColor, LinesColor
  return Le32(static_cast<std::int32_t>(body.size() + 4)) + body;
}

TEST(SheetStream, NewSheetWritesTheDocumentedLayout) {
  TXLSheet sheet;
  std::string expected = "XLG\x16";
  expected += BaseStyleRecord(0x80000005, 0, 0x02100000, 0x8000000F);
  expected += BaseStyleRecord(0x8000000F, 1, 0x00220000, 0);
  expected += '\0';                                 // no custom sizes
  for (int k = 0; k < 4; ++k) expected += Le32(0);  // four empty sections
  const std::string bytes = Data(sheet);
  EXPECT_EQ(bytes.size(), 219u);
  EXPECT_EQ(bytes, expected);
  // And it reads back byte for byte.
  EXPECT_EQ(Data(*ReadInto(sheet, bytes)), bytes);
}

TEST(SheetStream, EveryValueClassAndLookSurvivesARoundTrip) {
  TXLSheet sheet;
  FillEveryLook(sheet);
  const std::string bytes = Data(sheet);
  EXPECT_TRUE(sheet.LastReport().Empty());
  auto back = ReadInto(sheet, bytes);
  EXPECT_TRUE(back->LastReport().Empty());
  EXPECT_EQ(Data(*back), bytes);

  EXPECT_EQ(back->GetCellText(0, 0), "text é");
  EXPECT_EQ(back->FindCell(1, 0)->GetAsInteger(), -42);
  EXPECT_EQ(back->FindCell(2, 0)->GetText(), "3.25");
  EXPECT_EQ(back->FindCell(3, 0)->GetAsCurrency(), 123456789);
  EXPECT_EQ(back->FindCell(4, 0)->GetText(), "2023-03-15");
  EXPECT_TRUE(back->FindCell(5, 0)->GetAsBoolean());
  auto* list = dynamic_cast<TXLCStrings*>(back->FindCell(6, 0));
  ASSERT_NE(list, nullptr);
  EXPECT_EQ(list->Items().ToVector(), (std::vector<std::string>{"one", "two", "three"}));
  EXPECT_EQ(list->ItemIndex(), 1);
  EXPECT_EQ(list->GetText(), "two");
  EXPECT_EQ(back->FindCell(7, 0)->GetCellClass(), &TXLCUrl::ClassInfo);
  const TXLPicture* pic = back->FindCell(0, 1)->GetAsPicture();
  ASSERT_NE(pic, nullptr);
  ASSERT_NE(pic->Image(), nullptr);
  EXPECT_EQ(pic->Image()->Pixel(2, 1), clRed);
  const TXLCell* styled = back->FindCell(1, 1);
  EXPECT_TRUE(styled->Font().Style().Contains(fsBold));
  EXPECT_EQ(styled->Hint(), "a hint");
  EXPECT_EQ(styled->Formual(), "=A1+1");
  EXPECT_EQ(styled->HorzAlign(), haRight);
  EXPECT_TRUE(back->Section(skClient).IsUnion(TRect(2, 2, 4, 4)));
  EXPECT_EQ(back->FindCell(3, 3)->GetAsString(), "merged");
  EXPECT_EQ(back->GetSize(3, 0), 97);
  EXPECT_EQ(back->GetSize(-2, 0), 33);
  EXPECT_EQ(back->GetSize(4, 1), 40);
  TXLSectionRange lines(&back->Section(skClient), TRect(0, 3, 2, 5));
  EXPECT_EQ(lines.Border(sLeft), (TXLBorder{2, clBlue}));
  EXPECT_EQ(lines.Border(sBottom), (TXLBorder{2, clBlue}));
  EXPECT_EQ(lines.Border(sBias1), (TXLBorder{1, clGreen}));
  EXPECT_EQ(lines.Color(), clYellow);
  EXPECT_EQ(back->GetCellText(-1, 2), "row title");
  EXPECT_EQ(back->GetCellText(3, -1), "col title");
  EXPECT_FALSE(back->Modified());
}

TEST(SheetStream, CellsHiddenUnderAMergedBlockStayInTheirPlace) {
  TXLSheet sheet;
  sheet.SetCellText(1, 1, "origin");
  sheet.SetCellText(2, 1, "hidden");
  sheet.Section(skClient).Merge(TRect(1, 1, 3, 2));
  const std::string bytes = Data(sheet);
  auto back = ReadInto(sheet, bytes);
  const TXLSection& client = back->Section(skClient);
  ASSERT_NE(client.CellAt(1, 1), nullptr);
  ASSERT_NE(client.CellAt(2, 1), nullptr);
  EXPECT_EQ(client.CellAt(1, 1)->GetAsString(), "origin");
  EXPECT_EQ(client.CellAt(2, 1)->GetAsString(), "hidden");
  EXPECT_EQ(client.Unions()[0]->Origin, client.CellAt(1, 1));
  EXPECT_EQ(Data(*back), bytes);
}

TEST(SheetStream, FormatsAreWrittenByIndexOrText) {
  TXLSheet sheet;
  TXLCell* c = sheet.Section(skClient).SetCellClass(TPoint(0, 0), &TXLCDouble::ClassInfo);
  c->SetFormat("0.00");
  std::string bytes = Data(sheet);
  // Props prControl|prValue, then editor 0 and format index 2.
  const std::string indexed = std::string("\x02\x00", 2) + Le32(0) + Le32(2);
  EXPECT_NE(bytes.find(indexed), std::string::npos);
  c->SetFormat("0.000");
  bytes = Data(sheet);
  EXPECT_NE(bytes.find(Le32(-1) + Le32(5) + "0.000"), std::string::npos);
}

TEST(SheetStream, OneCustomWidthShowsInTheFlagsAndOnePage) {
  TXLSheet a, b;
  b.SetSize(3, 0, 80);
  const std::string da = Data(a), db = Data(b);
  EXPECT_EQ(db.size(), da.size() + 1 + 4 + 4 + 4 + 64);
  EXPECT_EQ(static_cast<unsigned char>(db[202]), 4u);  // bit 2: data column widths
}

TEST(SheetStream, ZeroColumnsWriteNoColumnSections) {
  TXLSheet sheet;
  sheet.SetColCount(0);
  sheet.SetCellText(-1, 0, "kept");
  const std::string bytes = Data(sheet);
  // Row titles: flags, row, column, class id, the framed record (Props and
  // the text), two end marks; the corner: its flags.
  EXPECT_EQ(bytes.size(), 203u + (4 + 4 + 4 + 4 + (4 + 2 + 4 + 4) + 4 + 4) + 4);
  auto back = ReadInto(sheet, bytes);
  EXPECT_EQ(back->GetCellText(-1, 0), "kept");
  EXPECT_EQ(Data(*back), bytes);
}

TEST(SheetStream, MagicIsCheckedOnItsFirstThreeBytes) {
  TXLSheet sheet;
  std::string bytes = Data(sheet);
  bytes[3] = 0x17;
  EXPECT_NO_THROW(ReadInto(sheet, bytes));
  bytes[2] = 'H';
  TXLSheet target;
  TMemoryStream in(bytes);
  try {
    target.ReadData(in);
    FAIL() << "no error";
  } catch (const EXLGridError& e) {
    EXPECT_STREQ(e.what(), "Unknown XLGrid Stream format!");
  }
  EXPECT_EQ(in.Position(), 0);
}

TEST(SheetStream, CharactersWithoutAWindows1252FormAreReported) {
  TXLSheet sheet;
  sheet.SetCellText(0, 0, "x ≤ y");
  sheet.SetCellText(1, 0, "π");
  sheet.SetCellText(2, 0, "café");  // fits
  int warnings = 0;
  sheet.OnStreamWarning = [&](TXLSheet&, const TXLStreamReport& r) {
    ++warnings;
    EXPECT_EQ(r.LossyStrings, 2);
  };
  const std::string bytes = Data(sheet);
  EXPECT_EQ(warnings, 1);
  ASSERT_EQ(sheet.LastReport().Messages().size(), 1u);
  auto back = ReadInto(sheet, bytes);
  EXPECT_EQ(back->GetCellText(0, 0), "x ? y");
  EXPECT_EQ(back->GetCellText(2, 0), "café");
}

TEST(SheetStream, WriteLeavesModifiedForTheCallerToClear) {
  TXLSheet sheet;
  sheet.SetCellText(0, 0, "x");
  ASSERT_TRUE(sheet.Modified());
  Data(sheet);
  EXPECT_TRUE(sheet.Modified());
}

// ---- damaged and hostile streams -------------------------------------------

std::string OneCellSheet(TXLSheet& sheet) {
  sheet.SetCellText(1, 1, "abc");
  sheet.SetCellText(2, 1, "def");
  return Data(sheet);
}

TEST(SheetStream, UnknownClassesAreSkippedByTheirFrameAndCounted) {
  TXLSheet sheet;
  std::string bytes = OneCellSheet(sheet);
  const std::size_t at = bytes.find(Le32(946) + Le32(13));  // class id, frame of "abc"
  ASSERT_NE(at, std::string::npos);
  bytes.replace(at, 4, Le32(4242));
  auto back = ReadInto(sheet, bytes);
  EXPECT_EQ(back->FindCell(1, 1), nullptr);
  EXPECT_EQ(back->GetCellText(2, 1), "def");
  EXPECT_EQ(back->LastReport().UnknownClasses, 1);
  EXPECT_FALSE(back->LastReport().Messages().empty());
}

TEST(SheetStream, DamagedCellBodiesAreSkippedAndCounted) {
  TXLSheet sheet;
  std::string bytes = OneCellSheet(sheet);
  // The body of "abc": Props 0x0100, then the string length; make the
  // length run past the frame.
  const std::size_t at = bytes.find(Le32(3) + "abc");
  ASSERT_NE(at, std::string::npos);
  bytes.replace(at, 4, Le32(1000));
  auto back = ReadInto(sheet, bytes);
  EXPECT_EQ(back->GetCellText(2, 1), "def");
  EXPECT_EQ(back->LastReport().SkippedRecords, 1);
}

TEST(SheetStream, CellsAndBlocksOutsideTheSheetAreDropped) {
  TXLSheet big;
  big.SetColCount(10);
  big.SetRowCount(10);
  big.SetCellText(8, 8, "far");
  big.SetCellText(0, 0, "near");
  big.Section(skClient).Merge(TRect(6, 6, 9, 9));
  TXLSectionRange(&big.Section(skClient), TRect(7, 0, 9, 1)).SetColor(clRed);
  const std::string bytes = Data(big);
  TXLSheet small;  // 5 x 5
  TMemoryStream in(bytes);
  small.ReadData(in);
  EXPECT_EQ(small.GetCellText(0, 0), "near");
  EXPECT_EQ(small.Section(skClient).CellCount(), 1);
  EXPECT_TRUE(small.Section(skClient).Unions().empty());
  EXPECT_GE(small.LastReport().OutsideEntries, 3);
}

TEST(SheetStream, BadLengthsAndTruncationsFailWithoutCrashing) {
  TXLSheet sheet;
  FillEveryLook(sheet);
  const std::string bytes = Data(sheet);
  // Every truncation either reads or fails with a library error.
  for (std::size_t n = 0; n < bytes.size(); n += 7) {
    TXLSheet target;
    TMemoryStream in(bytes.substr(0, n));
    try {
      target.ReadData(in);
    } catch (const Exception&) {
    }
  }
  // A frame length below 4, or beyond the stream.
  for (std::int32_t len : {0, 3, -1, 1 << 30}) {
    std::string bad = bytes;
    bad.replace(4, 4, Le32(len));
    TXLSheet target;
    TMemoryStream in(bad);
    EXPECT_THROW(target.ReadData(in), EXLGridError) << len;
  }
}

TEST(SheetStream, HugeIndicesAndCountsAreRefused) {
  TXLSheet sheet;
  const std::string head = Data(sheet).substr(0, 203);  // magic, base styles, size flags
  struct {
    const char* what;
    std::string client;
  } cases[] = {
      {"block count", Le32(1) + Le32(INT32_MAX)},
      {"negative row", Le32(2) + Le32(-7)},
      {"plane count", Le32(4) + Le32(INT32_MAX)},
      {"plane index", Le32(4) + Le32(1) + Le32(-3)},
  };
  for (const auto& c : cases) {
    // Column titles, row titles and corner empty; the client damaged.
    const std::string bytes = head + Le32(0) + Le32(0) + Le32(0) + c.client;
    TXLSheet target;
    TMemoryStream in(bytes);
    EXPECT_THROW(target.ReadData(in), Exception) << c.what;
  }
  // A far plane index of a valid form is read without a huge directory and
  // dropped as lying outside the sheet.
  std::string farPlane = head + Le32(0) + Le32(0) + Le32(0) + Le32(4) + Le32(1) + Le32(2000000000) +
                         std::string(1, '\0') + Le32(0) + Le32(1) + Le32(100000000);
  farPlane += std::string(64, '\x01');
  TXLSheet target;
  TMemoryStream in(farPlane);
  target.ReadData(in);
  EXPECT_EQ(target.LastReport().OutsideEntries, 1);
}

TEST(SheetStream, StyleAndFormatIndicesOutOfRangeMeanNone) {
  TXLSheet sheet;
  TXLCell* c = sheet.Section(skClient).SetCellClass(TPoint(0, 0), &TXLCDouble::ClassInfo);
  c->SetFormat("0.00");
  c->SetAsFloat(2);
  std::string bytes = Data(sheet);
  // Props prControl|prValue, editor 0, format index 2.
  const std::size_t at = bytes.find(std::string("\x02\x01", 2) + Le32(0) + Le32(2));
  ASSERT_NE(at, std::string::npos);
  bytes.replace(at + 6, 4, Le32(99));
  auto back = ReadInto(sheet, bytes);
  EXPECT_EQ(back->FindCell(0, 0)->Format(), "");
  EXPECT_EQ(back->FindCell(0, 0)->GetText(), "2");
}

}  // namespace
}  // namespace qv
