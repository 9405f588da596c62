// Dates and times as day numbers since 30 Dec 1899, their pictures and parsing.
#include <gtest/gtest.h>

#include "platform/core/SysUtils.h"

using namespace qv;

namespace {

class DateTimeTest : public ::testing::Test {
 protected:
  void SetUp() override {
    fs_ = TFormatSettings::Invariant();
    fs_.ShortDateFormat = "dd/mm/yyyy";
    fs_.LongTimeFormat = "hh:nn:ss";
    fs_.ShortTimeFormat = "hh:nn";
    FormatSettings() = fs_;
  }
  TFormatSettings fs_;
};

TEST_F(DateTimeTest, EncodeAndDecodeAgreeWithKnownDayNumbers) {
  struct Case {
    int y, m, d;
    double serial;
    int dow;  // 1 = Sunday
  } cases[] = {
      {1899, 12, 30, 0, 7},   {1899, 12, 31, 1, 1},    {1900, 1, 1, 2, 2},
      {1900, 3, 1, 61, 5},    {2000, 2, 29, 36585, 3}, {2000, 3, 1, 36586, 4},
      {2024, 1, 1, 45292, 2}, {1, 1, 1, -693593, 2},   {9999, 12, 31, 2958465, 6},
      {1899, 12, 29, -1, 6},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(EncodeDate(c.y, c.m, c.d), c.serial) << c.y << "-" << c.m << "-" << c.d;
    int y, m, d;
    DecodeDate(c.serial, y, m, d);
    EXPECT_EQ(y * 10000 + m * 100 + d, c.y * 10000 + c.m * 100 + c.d) << c.serial;
    EXPECT_EQ(DayOfWeek(c.serial), c.dow) << c.serial;
  }
}

TEST_F(DateTimeTest, InvalidEncodingRaises) {
  const int bad[][3] = {{2001, 2, 29}, {2000, 13, 1}, {2000, 0, 1},
                        {0, 1, 1},     {2000, 4, 31}, {10000, 1, 1}};
  for (const auto& b : bad) {
    try {
      EncodeDate(b[0], b[1], b[2]);
      ADD_FAILURE() << b[0] << "-" << b[1] << "-" << b[2];
    } catch (const EConvertError& e) {
      EXPECT_EQ(e.Message(), "Invalid argument to date encode");
    }
  }
  try {
    EncodeTime(24, 0, 0, 0);
    ADD_FAILURE();
  } catch (const EConvertError& e) {
    EXPECT_EQ(e.Message(), "Invalid argument to time encode");
  }
  EXPECT_THROW(EncodeTime(1, 60, 0, 0), EConvertError);
  EXPECT_THROW(EncodeTime(1, 0, 0, 1000), EConvertError);
}

TEST_F(DateTimeTest, TimeRoundTripsToTheMillisecond) {
  const int times[][4] = {{0, 0, 0, 0}, {12, 34, 56, 789}, {23, 59, 59, 999}, {0, 0, 1, 5}};
  for (const auto& t : times) {
    int h, n, s, z;
    DecodeTime(EncodeDate(2021, 6, 15) + EncodeTime(t[0], t[1], t[2], t[3]), h, n, s, z);
    EXPECT_EQ((((h * 60 + n) * 60) + s) * 1000 + z,
              (((t[0] * 60 + t[1]) * 60) + t[2]) * 1000 + t[3]);
  }
  // A time a hair before midnight rounds to the next day, not to "24:00".
  const TDateTime almost = EncodeDate(2021, 6, 15) + 1 - 1e-10;
  EXPECT_EQ(FormatDateTime("yyyy-mm-dd hh:nn:ss.zzz", almost), "2021-06-16 00:00:00.000");
}

TEST_F(DateTimeTest, Pictures) {
  const TDateTime dt = EncodeDate(2005, 3, 7) + EncodeTime(14, 5, 9, 45);
  const TDateTime elapsed = EncodeTime(0, 0, 1, 5);
  struct Case {
    const char* picture;
    TDateTime value;
    const char* text;
  } cases[] = {
      // Elapsed-time picture of the result report: "zz" pads the
      // milliseconds to two digits only, so 1.005 s shows "00:00:01:05".
      {"hh:nn:ss:zz", elapsed, "00:00:01:05"},
      {"hh:nn:ss:zzz", elapsed, "00:00:01:005"},
      {"h:n:s:z", elapsed, "0:0:1:5"},
      {"hh:nn:ss:zz", EncodeTime(1, 2, 3, 450), "01:02:03:450"},
      {"yyyy-mm-dd", dt, "2005-03-07"},
      {"d/m/yy", dt, "7/3/05"},
      {"dd.mm.yyyy", dt, "07.03.2005"},
      {"DD.MM.YYYY h:nn", dt, "07.03.2005 14:05"},
      {"mmm mmmm", dt, "Mar March"},
      {"ddd dddd", dt, "Mon Monday"},
      {"hh:mm", dt, "14:05"},  // "mm" after "hh" is minutes
      {"h:nn AM/PM", dt, "2:05 PM"},
      {"h:nn:ss am/pm", EncodeTime(0, 30, 0, 0), "12:30:00 am"},
      {"h a/p", EncodeTime(9, 0, 0, 0), "9 a"},
      {"hh ampm", dt, "02 PM"},
      {"ddddd", dt, "07/03/2005"},
      {"t", dt, "14:05"},
      {"tt", dt, "14:05:09"},
      {"c", dt, "07/03/2005 14:05:09"},
      {"c", EncodeDate(2005, 3, 7), "07/03/2005"},  // midnight: date only
      {"", EncodeDate(2005, 3, 7), "07/03/2005"},
      {"'at' hh\"h\"", dt, "at 14h"},
      {"HH.MM.SS", dt, "14.05.09"},
  };
  for (const auto& c : cases) EXPECT_EQ(FormatDateTime(c.picture, c.value), c.text) << c.picture;
}

TEST_F(DateTimeTest, SeparatorsComeFromTheSettings) {
  TFormatSettings fs = fs_;
  fs.DateSeparator = '.';
  fs.TimeSeparator = '-';
  const TDateTime dt = EncodeDate(2005, 3, 7) + EncodeTime(14, 5, 9, 0);
  EXPECT_EQ(FormatDateTime("dd/mm/yyyy hh:nn", dt, fs), "07.03.2005 14-05");
}

TEST_F(DateTimeTest, Parsing) {
  TDateTime v = 0;
  ASSERT_TRUE(TryStrToDate("07/03/2005", v));
  EXPECT_EQ(v, EncodeDate(2005, 3, 7));
  ASSERT_TRUE(TryStrToDate("7.3.2005", v));  // any of / . - separates
  EXPECT_EQ(v, EncodeDate(2005, 3, 7));
  ASSERT_TRUE(TryStrToTime("14:05", v));
  EXPECT_DOUBLE_EQ(v, EncodeTime(14, 5, 0, 0));
  ASSERT_TRUE(TryStrToTime("2:05:09 PM", v));
  EXPECT_DOUBLE_EQ(v, EncodeTime(14, 5, 9, 0));
  ASSERT_TRUE(TryStrToTime("1:02:03.5", v));
  EXPECT_DOUBLE_EQ(v, EncodeTime(1, 2, 3, 500));
  ASSERT_TRUE(TryStrToDateTime("07/03/2005 14:05:09", v));
  EXPECT_DOUBLE_EQ(v, EncodeDate(2005, 3, 7) + EncodeTime(14, 5, 9, 0));
  // A text holding only a time of day is a date-time on day zero.
  ASSERT_TRUE(TryStrToDateTime("10:30", v));
  EXPECT_DOUBLE_EQ(v, EncodeTime(10, 30, 0, 0));

  TFormatSettings us = fs_;
  us.ShortDateFormat = "M/d/yyyy";
  ASSERT_TRUE(TryStrToDate("3/7/2005", v, us));
  EXPECT_EQ(v, EncodeDate(2005, 3, 7));

  const char* bad[] = {"",      "31/02/2005", "abc",        "07/03/2005 25:00",
                       "13:61", "1/2/3/4",    "07/03/2005x"};
  for (const char* s : bad) EXPECT_FALSE(TryStrToDateTime(s, v)) << s;
  try {
    StrToDate("31/02/2005");
    ADD_FAILURE();
  } catch (const EConvertError& e) {
    EXPECT_EQ(e.Message(), "'31/02/2005' is not a valid date");
  }
}

TEST_F(DateTimeTest, IncMonthClampsTheDay) {
  EXPECT_EQ(IncMonth(EncodeDate(2000, 1, 31), 1), EncodeDate(2000, 2, 29));
  EXPECT_EQ(IncMonth(EncodeDate(2000, 3, 15), -3), EncodeDate(1999, 12, 15));
  EXPECT_EQ(IncMonth(EncodeDate(2000, 3, 15) + 0.25, 12), EncodeDate(2001, 3, 15) + 0.25);
}

}  // namespace
