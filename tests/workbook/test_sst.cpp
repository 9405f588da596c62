// The shared string table: de-duplication, the hash, and reading and
// writing across CONTINUE records.
#include <gtest/gtest.h>

#include <string>

#include "WorkbookTestSupport.h"
#include "workbook/SST.h"
#include "workbook/XLSStream.h"

using namespace qv;

namespace {

std::string written(const TSST2& t) {
  return test::WrittenRecords([&](TXLSStream& s) { t.Write(s); });
}

void readBack(const std::string& bytes, TSST2& t) {
  TXLSStream s;
  s.OpenReadBytes(bytes);
  t.Read(s);
  EXPECT_EQ(s.Position(), s.Size());
}

}  // namespace

TEST(SST, AddsEachTextOnce) {
  TSST2 t;
  EXPECT_EQ(t.AddString("abc"), 0u);
  EXPECT_EQ(t.AddString("Ωμέγα"), 1u);
  EXPECT_EQ(t.AddString("abc"), 0u);
  EXPECT_EQ(t.Count(), 2);
  EXPECT_EQ(t.Entry(0).UseCount, 2u);
  EXPECT_EQ(t.TotalCount, 3u);
  EXPECT_EQ(t.Entry(1).Type, 1);  // UTF-16
  EXPECT_EQ(t.GetString(1), "Ωμέγα");
  EXPECT_EQ(t.GetString(7), "");
  EXPECT_THROW(t.Entry(7), EXLSError);
  EXPECT_EQ(TSST2::Hash("A"), 0x0041);
  EXPECT_EQ(TSST2::Hash("AB"), 0x0862);
  EXPECT_EQ(TSST2::Hash(""), 0);
}

TEST(SST, LongStringsContinueWithTheirFlagByte) {
  TSST2 t;
  t.AddString(std::string(10000, 'a'));
  t.AddString("Ω" + std::string(9000, 'b'));  // UTF-16, split on a whole character
  std::string bytes = written(t);
  auto recs = test::ParseRecords(bytes);
  ASSERT_GE(recs.size(), 3u);
  EXPECT_EQ(recs[0].Id, 0x00FC);
  EXPECT_EQ(recs[0].Body.size(), 8224u);
  EXPECT_EQ(recs[1].Id, 0x003C);
  EXPECT_EQ(recs[1].Body[0], '\0');  // the rest of the 8-bit string
  // Flag byte and the 1787 characters left, the second string's header,
  // then as many whole UTF-16 characters as fit: 8223 bytes, not 8224.
  EXPECT_EQ(recs[1].Body.size(), 8223u);
  EXPECT_EQ(recs[2].Id, 0x003C);
  EXPECT_EQ(recs[2].Body[0], '\x01');
  TSST2 back;
  readBack(bytes, back);
  ASSERT_EQ(back.Count(), 2);
  EXPECT_EQ(back.GetString(0), std::string(10000, 'a'));
  EXPECT_EQ(back.GetString(1), "Ω" + std::string(9000, 'b'));
  EXPECT_EQ(back.TotalCount, 2u);
}

TEST(SST, RichAndExtendedStringsSurviveSplits) {
  // A rich string whose runs cross into a CONTINUE record: no flag byte
  // there. Built by hand: 8 runs.
  std::string runs;
  for (int i = 0; i < 8; ++i) runs += std::string("\x01\x00\x02\x00", 4);
  TRecordBuilder sst;
  sst.U32(1).U32(1).U16(3).U8(0x08).U16(8).Bytes("abc").Bytes(runs.substr(0, 10));
  test::TBiff b;
  b.Rec(0x00FC, sst).Rec(0x003C, TRecordBuilder().Bytes(runs.substr(10)));
  TSST2 t;
  readBack(b.Str(), t);
  ASSERT_EQ(t.Count(), 1);
  EXPECT_EQ(t.GetString(0), "abc");
  EXPECT_EQ(t.Entry(0).Runs, runs);
  // Written back in one record, read again the same.
  TSST2 again;
  readBack(written(t), again);
  EXPECT_EQ(again.Entry(0).Runs, runs);
  EXPECT_EQ(again.Entry(0).Type, 0x08);
}

TEST(SST, MixedWidthPartsMakeAWideString) {
  // "ab" 8-bit in the SST, then a CONTINUE whose part is UTF-16 "Ω".
  TRecordBuilder sst;
  sst.U32(1).U32(1).U16(3).U8(0).Bytes("ab");
  test::TBiff b;
  b.Rec(0x00FC, sst).Rec(0x003C, TRecordBuilder().U8(1).U16(0x03A9));
  TSST2 t;
  readBack(b.Str(), t);
  EXPECT_EQ(t.GetString(0), "abΩ");
  EXPECT_EQ(t.Entry(0).Type & 1, 1);
}

TEST(SST, DamagedTablesRaise) {
  struct TCase {
    std::string bytes, message;
  } cases[] = {
      {test::TBiff()
           .Rec(0x00FC, TRecordBuilder().U32(2).U32(2).U16(1).U8(0).Bytes("a"))
           .Number(0, 0, 1)
           .Str(),
       "CONTINUE record is missing in SST"},
      {test::TBiff().Rec(0x00FC, TRecordBuilder().U32(1).U32(1).U16(1).U8(0x02).Bytes("a")).Str(),
       "STT: Unhandled string type in Read (02) # 1"},
      {test::TBiff().Rec(0x00FC, TRecordBuilder().U32(1).U32(0xFFFFFFFF)).Str(),
       "CONTINUE record is missing in SST"},
      {test::TBiff().Rec(0x00FC, TRecordBuilder().U32(1).U32(1).U16(50).U8(0).Bytes("short")).Str(),
       "CONTINUE record is missing in SST"},
  };
  for (const auto& c : cases) {
    TSST2 t;
    TXLSStream s;
    s.OpenReadBytes(c.bytes);
    try {
      t.Read(s);
      ADD_FAILURE() << "no error";
    } catch (const EXLSError& e) {
      EXPECT_EQ(e.Message(), c.message);
    }
  }
}
