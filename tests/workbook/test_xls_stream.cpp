// The record stream: version detection, record framing, CONTINUE
// splitting, and the bounds-checked record view.
#include <gtest/gtest.h>

#include <string>

#include "WorkbookTestSupport.h"
#include "workbook/XLSStream.h"

using namespace qv;

TEST(XLSStream, VersionFromTheFirstBOF) {
  struct TCase {
    std::string bytes;
    TExcelVersion version;
  } cases[] = {
      {std::string("\x09\x04\x06\x00\x00\x00\x10\x00\x00\x00", 10), xvExcel40},
      {std::string("\x09\x02\x06\x00\x00\x00\x10\x00\x00\x00", 10), xvExcel30},
      {std::string("\x09\x00\x04\x00\x02\x00\x10\x00", 8), xvExcel21},
      {test::TBiff().Bof8(0x10).Str(), xvExcel97},
      {test::TBiff().Bof5(0x10).Str(), xvExcel50},
      {std::string("\x0A\x04\x00\x00", 4), xvNone},
      {"no", xvNone},
  };
  for (const auto& c : cases) {
    TXLSStream s;
    EXPECT_EQ(s.OpenReadBytes(c.bytes), c.version);
    EXPECT_EQ(s.Position(), 0);
  }
  // In a compound document: the BOF of the workbook stream decides.
  TXLSStream s;
  EXPECT_EQ(s.OpenReadBytes(test::CompoundWorkbook(test::TBiff().Bof5(0x05).Str(), "Book")),
            xvExcel50);
}

TEST(XLSStream, HeadersAndSeeking) {
  TXLSStream s;
  s.OpenReadBytes(test::TBiff().Bof8(0x10).Eof().Str());
  TBIFFHeader h;
  ASSERT_TRUE(s.ReadHeader(h));
  EXPECT_EQ(h.RecId, 0x0809);
  EXPECT_EQ(h.Length, 16);
  EXPECT_EQ(s.Seek(16, 1), 20);
  ASSERT_TRUE(s.ReadHeader(h));
  EXPECT_EQ(h.RecId, 0x000A);
  EXPECT_FALSE(s.ReadHeader(h));
  EXPECT_EQ(s.Seek(-4, 2), 20);
}

TEST(XLSStream, LongRecordsSplitIntoContinueRecords) {
  std::string body(20000, 'x');
  auto recs = test::ParseRecords(test::WrittenRecords([&](TXLSStream& s) {
    s.WriteWordRecord(0x0042, 1252);
    s.BeginContinueRecord(8224);
    s.WriteHeader(0x00EB, 0);
    s.WriteData(body.substr(0, 100));
    s.WriteData(body.substr(100));
    s.EndContinueRecord();
    s.WriteRecord(0x000A, "");
  }));
  ASSERT_EQ(recs.size(), 5u);
  EXPECT_EQ(recs[0].Body, std::string("\xE4\x04", 2));
  EXPECT_EQ(recs[1].Id, 0x00EB);
  EXPECT_EQ(recs[1].Body.size(), 8224u);
  EXPECT_EQ(recs[2].Id, 0x003C);
  EXPECT_EQ(recs[2].Body.size(), 8224u);
  EXPECT_EQ(recs[3].Id, 0x003C);
  EXPECT_EQ(recs[3].Body.size(), 3552u);
  EXPECT_EQ(recs[4].Id, 0x000A);
}

TEST(XLSStream, RecordViewChecksEveryRead) {
  std::string b("\x01\x02\x03", 3);
  TRecordView r(b);
  EXPECT_EQ(r.U16(0), 0x0201);
  EXPECT_TRUE(r.Has(1, 2));
  EXPECT_FALSE(r.Has(2, 2));
  EXPECT_FALSE(r.Has(4, 0));
  EXPECT_THROW(r.U16(2), EXLSError);
  EXPECT_THROW(r.U32(0), EXLSError);
  EXPECT_THROW(r.Bytes(1, static_cast<size_t>(-1)), EXLSError);
  EXPECT_EQ(r.Rest(5), "");
  try {
    r.F64(0);
  } catch (const EXLSError& e) {
    EXPECT_EQ(e.Message(), "record too short");
  }
}
