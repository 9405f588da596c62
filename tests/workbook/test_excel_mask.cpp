// Number-format masks: numbers, colours, dates and times, sizes.
#include <gtest/gtest.h>

#include <string>

#include "workbook/ExcelMask.h"
#include "workbook/XLSStream.h"
#include "workbook/XLSWorkbook.h"

using namespace qv;

namespace {
std::string fmt(const std::string& mask, double v, bool date1904 = false) {
  TExcelMask m(LocaleSettings::EnUS().Format);
  m.Date1904 = date1904;
  m.SetMask(mask);
  return m.FormatNumber(v);
}
}  // namespace

TEST(ExcelMask, Numbers) {
  struct TCase {
    const char* mask;
    double value;
    const char* text;
  } cases[] = {
      {"0.00", 3.14159, "3.14"},
      {"0.00", 2.675, "2.68"},  // rounded on its decimal digits
      {"#,##0", 1234567, "1,234,567"},
      {"#,##0.00", -1234.5, "-1,234.50"},
      {"0%", 0.25, "25%"},
      {"0.0,,", 1234567, "1.2"},
      {"0,,", 1234567890, "1235"},
      {"0.00E+00", 12345, "1.23E+04"},
      {"0.00E+00", 0.000123, "1.23E-04"},
      {"##0.0E+0", 12345, "12.3E+3"},
      {"0.##", 3.1, "3.1"},
      {"0.##", 3, "3."},
      {"#.00", 0.5, ".50"},
      {"000", 7, "007"},
      {"0 \"kg\"", 5, "5 kg"},
      {"\\$0.00", 2, "$2.00"},
      {"_(0_)", 4, " 4 "},
      {"0.0??", 1.5, "1.5  "},
      {"General", -2.5, "-2.5"},
      {"@", 12, "12"},
      {"0;(0);\"zero\"", -3, "(3)"},
      {"0;(0);\"zero\"", 0, "zero"},
      {"[$€-407] #,##0.00", 1234.5, "€ 1,234.50"},
      {"", 0.1, "0.1"},
  };
  for (const auto& c : cases) EXPECT_EQ(fmt(c.mask, c.value), c.text) << c.mask << " " << c.value;
}

TEST(ExcelMask, SectionColours) {
  TExcelMask m;
  m.SetMask("[Red]0;[Blue]0");
  std::string t;
  TColor c;
  m.FormatNumber(5, t, c);
  EXPECT_EQ(t, "5");
  EXPECT_EQ(c, clRed);
  m.FormatNumber(-5, t, c);
  EXPECT_EQ(t, "5");
  EXPECT_EQ(c, clBlue);
  m.SetMask("[Cyan]0;[Magenta]0");
  m.FormatNumber(1, t, c);
  EXPECT_EQ(c, clAqua);
  m.FormatNumber(-1, t, c);
  EXPECT_EQ(c, clFuchsia);
  m.SetMask("0");
  m.FormatNumber(1, t, c);
  EXPECT_EQ(c, clNone);
}

TEST(ExcelMask, DatesAndTimes) {
  // 45365 is 14 March 2024, a Thursday; .6041666... is 14:30.
  const double d = 45365 + 14.5 / 24;
  struct TCase {
    const char* mask;
    double value;
    const char* text;
  } cases[] = {
      {"yyyy-mm-dd", d, "2024-03-14"},
      {"m/d/yy", d, "3/14/24"},
      {"d-mmm-yy", d, "14-Mar-24"},
      {"dddd, mmmm d", d, "Thursday, March 14"},
      {"ddd mmmmm", d, "Thu M"},
      {"h:mm", d, "14:30"},
      {"hh:mm:ss", d, "14:30:00"},
      {"h:mm AM/PM", d, "2:30 PM"},
      {"h:mm am/pm", 45365.25, "6:00 am"},
      {"h:mm a/p", 45365.75, "6:00 p"},
      {"h:mm AM/PM", 45365 + 0.5 / 24, "12:30 AM"},  // twelve, not zero
      {"h AM/PM", 45365.5, "12 PM"},
      {"[h]:mm:ss", 1.5 + 1.0 / 24 / 60, "36:01:00"},
      {"[mm]:ss", 0.125, "180:00"},
      {"mm:ss.0", 1.2345 / 86400, "00:01.2"},
      {"m/d/yyyy", 60, "2/29/1900"},
      {"m/d/yyyy", 1, "1/1/1900"},
      {"yyyy-mm-dd", 59, "1900-02-28"},
  };
  for (const auto& c : cases) EXPECT_EQ(fmt(c.mask, c.value), c.text) << c.mask << " " << c.value;
  // The 1904 date system counts from 1 January 1904.
  EXPECT_EQ(fmt("yyyy-mm-dd", 0, true), "1904-01-01");
  EXPECT_EQ(fmt("yyyy-mm-dd", 43903, true), "2024-03-14");
}

TEST(ExcelMask, SizesAndLimits) {
  TExcelMask m;
  m.SetMask("##,_b_y_t_e_s");
  EXPECT_EQ(m.FormatNumber(0), "0 bytes");
  EXPECT_EQ(m.FormatNumber(1000), "1000 bytes");
  EXPECT_EQ(m.FormatNumber(2048), "2.00 kb");
  EXPECT_EQ(m.FormatNumber(3 * 1048576.0), "3.00 Mb");
  EXPECT_EQ(m.FormatNumber(1.5 * 1073741824.0), "1.50 Gb");
  try {
    m.SetMask(std::string(256, '0'));
    FAIL();
  } catch (const EXLSError& e) {
    EXPECT_EQ(e.Message(), "Format string more than 255 characthers");
  }
  m.SetMask(std::string(255, '0'));
  EXPECT_EQ(m.FormatNumber(1).size(), 255u);
}
