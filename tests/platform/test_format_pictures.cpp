// The number and time pictures that the program's report texts, logs,
// status texts and sheet exports are written with, each checked against
// the text a user of the program sees.
#include <gtest/gtest.h>

#include <string>

#include "platform/core/SysUtils.h"

using namespace qv;

namespace {

class FormatPicturesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    FormatSettings() = TFormatSettings::Invariant();
    FormatSettings().LongTimeFormat = "hh:nn:ss";
  }
};

struct Case {
  const char* what;
  std::string actual;
  const char* expected;
};

// Result summaries ("%0.7g", "%0.10g"), result lists ("%0.6g"), chart
// texts ("%0.4g", "%0.5g", "%0.2g", "%0.3g"), data exports ("%0.6g",
// "%0.8g") and the expression results ("%.10g"): significant digits
// rounded half away from zero, trailing zeros dropped, the fixed form
// while the integer digits fit the precision and the value is at least
// 1E-4, else "E", a "-" only for negative exponents and three exponent
// digits.
TEST_F(FormatPicturesTest, GeneralNumberTexts) {
  const Case cases[] = {
      {"7 digits, small fixed", Format("%0.7g", 0.000123456789), "0.0001234568"},
      {"7 digits, tiny", Format("%0.7g", 1.5e-7), "1.5E-007"},
      {"7 digits, too many integer digits", Format("%0.7g", 12345678.0), "1.234568E007"},
      {"7 digits, integer digits fit", Format("%0.7g", 1234567.0), "1234567"},
      {"7 digits, carry to a new digit", Format("%0.7g", 0.99999996), "1"},
      {"10 digits, negative tiny", Format("%0.10g", -2.5e-12), "-2.5E-012"},
      {"10 digits, 1E-5 is scientific", Format("%0.10g", 1e-5), "1E-005"},
      {"10 digits, 1E-4 is fixed", Format("%0.10g", 0.0001), "0.0001"},
      {"10 digits, trailing zero dropped", Format("%0.10g", 123456.789012345), "123456.789"},
      {"10 digits, whole", Format("%0.10g", 2.0), "2"},
      {"4 digits, carry makes scientific", Format("%0.4g", 99999.0), "1E005"},
      {"4 digits, small", Format("%0.4g", 0.05), "0.05"},
      {"5 digits", Format("%0.5g", 3.14159265), "3.1416"},
      {"6 digits, negative scientific", Format("%0.6g", -1234567.0), "-1.23457E006"},
      {"6 digits", Format("%0.6g", 0.999999), "0.999999"},
      {"8 digits", Format("%0.8g", 1.0 / 7), "0.14285714"},
      {"2 digits, half away from zero", Format("%0.2g", 0.125), "0.13"},
      {"3 digits, hundreds", Format("%0.3g", 100.0), "100"},
      {"3 digits, thousands", Format("%0.3g", 1000.0), "1E003"},
      {"3 digits, very small", Format("%0.3g", 1e-20), "1E-020"},
      {"expression result", Format("%.10g", 1.0 / 3), "0.3333333333"},
      {"default precision, large", Format("%g", 1e20), "1E020"},
      {"zero", Format("%0.7g", 0.0), "0"},
      {"negative zero", Format("%0.7g", -0.0), "0"},
      // FloatToStr, the shortest decimal text, asks for no exponent digits.
      {"shortest text, tiny", FloatToStr(1.5e-7), "1.5E-7"},
      {"shortest text, large", FloatToStr(1e20), "1E20"},
  };
  for (const Case& c : cases) EXPECT_EQ(c.actual, c.expected) << c.what;
}

// Fixed and other directives of the status texts, file sizes, progress
// display, "Copy All", cell-format messages and the exporters.
TEST_F(FormatPicturesTest, FixedIntegerAndTextDirectives) {
  const Case cases[] = {
      {"%0.5f", Format("%0.5f", 2.0 / 3), "0.66667"},
      {"%0.5f negative", Format("%0.5f", -1234.5), "-1234.50000"},
      {"%0.8f", Format("%0.8f", 1e-9), "0.00000000"},
      {"%0.8f progress", Format("%0.8f", 12.3456789012), "12.34567890"},
      {"%.2f kb", Format("%.2f kb", 1536 / 1024.0), "1.50 kb"},
      {"%.2f Mb", Format("%.2f Mb", 3.0), "3.00 Mb"},
      {"%0.2f format data", Format("%0.2f", 2.675e3), "2675.00"},
      {"%.0n KB", Format("%sKB", Format("%.0n", 1024.0)), "1,024KB"},
      {"%.0n small", Format("%.0n", 999.0), "999"},
      {"%.0n millions", Format("%.0n", 1234567.0), "1,234,567"},
      {"%.0n zero", Format("%.0n", 0.0), "0"},
      {"%e", Format("%e", 1234.5), "1.23450000000000E+003"},
      {"%e negative small", Format("%e", -0.00012), "-1.20000000000000E-004"},
      {"%.2X byte", Format("%.2X", 5), "05"},
      {"%.2X wide", Format("%.2X", 0x1AB), "1AB"},
      {"STT message", Format("STT: Unhandled string type in Read (%.2X) # %d", 0xFE, 3),
       "STT: Unhandled string type in Read (FE) # 3"},
      {"%.10d", Format("StartHTML:%.10d", 123), "StartHTML:0000000123"},
      {"%.2d wider value", Format("%.2d", 123), "123"},
      {"status caret", Format(" %6d:%3d ", 1, 1), "      1:  1 "},
      {"status caret wide", Format(" %6d:%3d ", 1234567, 1234), " 1234567:1234 "},
      {"placement", Format("%d,%d,%d,%d", -8, 0, 1024, 768), "-8,0,1024,768"},
      {"screen key", Format("(%dx%d)", 1024, 768), "(1024x768)"},
      {"fraction", Format("%d/%d", 3, 8), "3/8"},
      {"percent sign", Format("Intensity: %d%%", 50), "Intensity: 50%"},
      {"rtf hex", Format("\\'%x\\'%x", 0x81, 0x4A), "\\'81\\'4A"},
      {"two strings", Format("%s.%s", "Form1", "Count"), "Form1.Count"},
      {"index and count", Format("Series Delete: ValueIndex %d out of bounds (0 to %d).", 7, 6),
       "Series Delete: ValueIndex 7 out of bounds (0 to 6)."},
  };
  for (const Case& c : cases) EXPECT_EQ(c.actual, c.expected) << c.what;
}

// The pictures of the logs ("0.0000", "0.000000"), result tables
// ("0.0000000", "0.00000") and chart values ("#,##0.###", "##0.## %",
// "0.00 %").
TEST_F(FormatPicturesTest, PictureTexts) {
  struct MaskCase {
    const char* mask;
    double value;
    const char* expected;
  };
  const MaskCase cases[] = {
      {"0.0000", 0.12344, "0.1234"},
      {"0.0000", 1.23456, "1.2346"},
      {"0.0000", -0.5, "-0.5000"},
      {"0.0000", 1234567.0, "1234567.0000"},
      {"0.0000", 0.99996, "1.0000"},
      {"0.000000", 0.0000004, "0.000000"},
      {"0.000000", 2.5, "2.500000"},
      {"0.0000000", 3.14159265358979, "3.1415927"},
      {"0.00000", 1e6, "1000000.00000"},
      {"0.00000", -7.123456, "-7.12346"},
      {"#,##0.###", 1234567.1234, "1,234,567.123"},
      {"#,##0.###", 12345.6, "12,345.6"},
      {"#,##0.###", -987654.321, "-987,654.321"},
      {"#,##0.###", 100, "100"},
      {"#,##0.###", 0.0004, "0"},
      {"#,##0.###", -0.0004, "0"},
      {"#,##0.###", 0.25, "0.25"},
      {"##0.## %", 45.678, "45.68 %"},
      {"##0.## %", 100, "100 %"},
      {"##0.## %", 0.004, "0 %"},
      {"##0.## %", 1234.5, "1234.5 %"},
      {"0.00 %", 12.5, "12.50 %"},
  };
  for (const MaskCase& c : cases)
    EXPECT_EQ(FormatFloat(c.mask, c.value), c.expected) << c.mask << " " << c.value;
}

// The final report's elapsed time, "hh:nn:ss:zz": a run of "z" is the
// minimum number of millisecond digits ("z" none, "zz" two, "zzz" and
// longer three); the time text of the short report is the long time format.
TEST_F(FormatPicturesTest, ElapsedTimeTexts) {
  const TDateTime start = EncodeDate(2024, 1, 1) + EncodeTime(9, 59, 59, 900);
  const TDateTime stop = EncodeDate(2024, 1, 1) + EncodeTime(10, 0, 5, 250);
  const Case cases[] = {
      {"1.005 s", FormatDateTime("hh:nn:ss:zz", EncodeTime(0, 0, 1, 5)), "00:00:01:05"},
      {"89 ms", FormatDateTime("hh:nn:ss:zz", EncodeTime(0, 0, 0, 89)), "00:00:00:89"},
      {"1 h 2 min 3.007 s", FormatDateTime("hh:nn:ss:zz", EncodeTime(1, 2, 3, 7)), "01:02:03:07"},
      {"whole minutes", FormatDateTime("hh:nn:ss:zz", EncodeTime(0, 10, 0, 0)), "00:10:00:00"},
      {"three-digit milliseconds", FormatDateTime("hh:nn:ss:zz", EncodeTime(0, 0, 2, 999)),
       "00:00:02:999"},
      {"120 ms", FormatDateTime("hh:nn:ss:zz", EncodeTime(12, 0, 0, 120)), "12:00:00:120"},
      {"difference of two times", FormatDateTime("hh:nn:ss:zz", stop - start), "00:00:05:350"},
      {"over a day keeps the time of day",
       FormatDateTime("hh:nn:ss:zz", 1 + EncodeTime(1, 0, 0, 40)), "01:00:00:40"},
      {"z", FormatDateTime("z", EncodeTime(0, 0, 0, 5)), "5"},
      {"zz", FormatDateTime("zz", EncodeTime(0, 0, 0, 45)), "45"},
      {"zzz", FormatDateTime("zzz", EncodeTime(0, 0, 0, 5)), "005"},
      {"zzzz", FormatDateTime("zzzz", EncodeTime(0, 0, 0, 5)), "005"},
      {"hhh nnn sss", FormatDateTime("hhh nnn sss", EncodeTime(1, 2, 3, 0)), "01 02 03"},
      {"time text", TimeToStr(stop - start), "00:00:05"},
  };
  for (const Case& c : cases) EXPECT_EQ(c.actual, c.expected) << c.what;
}

}  // namespace
