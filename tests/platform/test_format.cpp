// Number formatting and parsing with the class library's rules.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "platform/core/SysUtils.h"

using namespace qv;

namespace {

class FormatTest : public ::testing::Test {
 protected:
  void SetUp() override { FormatSettings() = TFormatSettings::Invariant(); }
};

struct FloatCase {
  double value;
  const char* text;
};

TEST_F(FormatTest, FloatToStrUsesFifteenDigitsAndTheShortExponentForm) {
  const FloatCase cases[] = {
      {0, "0"},
      {1, "1"},
      {-2.5, "-2.5"},
      {0.1, "0.1"},
      {0.1 + 0.2, "0.3"},  // 15 digits hide the binary noise
      {1.0 / 3, "0.333333333333333"},
      {2.0 / 3, "0.666666666666667"},
      {0.0001, "0.0001"},
      {0.00001, "1E-5"},
      {1.5e-7, "1.5E-7"},
      {123456789012345.0, "123456789012345"},
      {1e15, "1E15"},
      {1.5e20, "1.5E20"},
      {-1.25e-10, "-1.25E-10"},
      {999999999999999.9, "1E15"},  // rounding carries into a new digit
      {std::numeric_limits<double>::infinity(), "INF"},
      {-std::numeric_limits<double>::infinity(), "-INF"},
      {std::nan(""), "NAN"},
  };
  for (const auto& c : cases) EXPECT_EQ(FloatToStr(c.value), c.text) << c.value;
}

struct FormatCase {
  const char* fmt;
  std::string expected;
  std::string actual;
};

TEST_F(FormatTest, FormatDirectives) {
  const FormatCase cases[] = {
      {"%0.7g", "0.3333333", Format("%0.7g", 1.0 / 3)},
      {"%0.10g", "0.3333333333", Format("%0.10g", 1.0 / 3)},
      {"%.10g", "12345.6789", Format("%.10g", 12345.6789)},
      {"%0.4g", "1235", Format("%0.4g", 1234.5)},
      {"%0.4g exponent", "1.235E005", Format("%0.4g", 123456.0)},
      {"%0.4g small", "1.235E-005", Format("%0.4g", 0.0000123456)},
      {"%g default", "0.333333333333333", Format("%g", 1.0 / 3)},
      {"%e", "1.00000000000000E+000", Format("%e", 1.0)},
      {"%.3e", "-1.23E-004", Format("%.3e", -0.000123456)},
      {"%f default", "3.14", Format("%f", 3.14159)},
      {"%0.5f", "2.50000", Format("%0.5f", 2.5)},
      {"%.2f half away from zero", "0.13", Format("%.2f", 0.125)},
      {"%.2f negative rounding to zero", "0.00", Format("%.2f", -0.001)},
      {"%n", "1,234,567.89", Format("%n", 1234567.891)},
      {"%.0n", "1,235", Format("%.0n", 1234.5)},
      {"%.*n", "12,345.7", Format("%.*n", 1, 12345.678)},
      {"%.*f", "2.000", Format("%.*f", 3, 2)},
      {"%6d:%3d", "    12:  3", Format("%6d:%3d", 12, 3)},
      {"%d,%d,%d,%d", "1,-2,3,4", Format("%d,%d,%d,%d", 1, -2, 3, 4)},
      {"%.2d", "07", Format("%.2d", 7)},
      {"%.3d negative", "-005", Format("%.3d", -5)},
      {"%d int64", "-9223372036854775808", Format("%d", std::numeric_limits<int64_t>::min())},
      {"%u", "4294967295", Format("%u", -1)},
      {"%x", "FF", Format("%x", 255)},
      {"%x negative", "FFFFFFFF", Format("%x", -1)},
      {"%.2X", "0A", Format("%.2X", 10)},
      {"%s", "abc", Format("%s", "abc")},
      {"%s char", "x", Format("%s", 'x')},
      {"%-5s|", "ab   |", Format("%-5s|", std::string("ab"))},
      {"%5s", "   ab", Format("%5s", "ab")},
      {"%.2s", "ab", Format("%.2s", "abc")},
      {"%s of %s", "1 of 2", Format("%s of %s", "1", "2")},
      {"%sKB", "12KB", Format("%sKB", "12")},
      {"%1:s %0:s", "b a", Format("%1:s %0:s", "a", "b")},
      {"100%%", "100%", Format("100%%")},
      {"%d%%", "5%", Format("%d%%", 5)},
      {"%.2f kb", "1.50 kb", Format("%.2f kb", 1.5)},
      {"%g int arg", "3", Format("%g", 3)},
  };
  for (const auto& c : cases) EXPECT_EQ(c.actual, c.expected) << c.fmt;
}

TEST_F(FormatTest, FormatRejectsMismatchedOrMissingArguments) {
  const auto expectError = [](auto&& call, const char* fmt) {
    try {
      call();
      ADD_FAILURE() << "no error for " << fmt;
    } catch (const EConvertError& e) {
      EXPECT_EQ(e.Message(),
                std::string("Format '") + fmt + "' invalid or incompatible with argument");
    }
  };
  expectError([] { Format("%d", "text"); }, "%d");
  expectError([] { Format("%s", 1); }, "%s");
  expectError([] { Format("%d %d", 1); }, "%d %d");
  expectError([] { Format("%d", 1.5); }, "%d");
  expectError([] { Format("%q", 1); }, "%q");
  expectError([] { Format("%5", 1); }, "%5");
}

TEST_F(FormatTest, FormatUsesTheGivenSeparators) {
  TFormatSettings fs = TFormatSettings::Invariant();
  fs.DecimalSeparator = ',';
  fs.ThousandSeparator = '.';
  EXPECT_EQ(Format(fs, "%0.4g;%.2f;%n", 1.5, 2.25, 1234.5), "1,5;2,25;1.234,50");
  EXPECT_EQ(FloatToStr(0.5, fs), "0,5");
  EXPECT_EQ(FormatFloat("#,##0.###", 1234567.891, fs), "1.234.567,891");
  double v = 0;
  EXPECT_TRUE(TryStrToFloat("1,25", v, fs));
  EXPECT_EQ(v, 1.25);
  EXPECT_FALSE(TryStrToFloat("1.25", v, fs));
}

TEST_F(FormatTest, FloatToStrFFormats) {
  EXPECT_EQ(FloatToStrF(1234.5678, ffFixed, 15, 2), "1234.57");
  EXPECT_EQ(FloatToStrF(1234.5678, ffNumber, 15, 1), "1,234.6");
  EXPECT_EQ(FloatToStrF(-1234.5678, ffNumber, 15, 0), "-1,235");
  EXPECT_EQ(FloatToStrF(1234.5678, ffExponent, 4, 2), "1.235E+03");
  EXPECT_EQ(FloatToStrF(1234.5678, ffGeneral, 4, 0), "1235");
  EXPECT_EQ(FloatToStrF(12345.678, ffGeneral, 4, 0), "1.235E4");
  EXPECT_EQ(FloatToStrF(1e20, ffFixed, 15, 2), "1E20");  // too many digits for fixed
  EXPECT_EQ(FloatToStrF(2.5, ffCurrency, 15, 2), "$2.50");
  EXPECT_EQ(FloatToStrF(-2.5, ffCurrency, 15, 2), "($2.50)");
}

struct MaskCase {
  const char* mask;
  double value;
  const char* text;
};

TEST_F(FormatTest, FormatFloatPictures) {
  const MaskCase cases[] = {
      {"#,##0.###", 1234567.891, "1,234,567.891"},
      {"#,##0.###", 0, "0"},
      {"#,##0.###", 0.5, "0.5"},
      {"#,##0.###", -1234.5, "-1,234.5"},
      {"#,##0.###", 1000, "1,000"},
      {"#,##0.###", 999.9996, "1,000"},
      {"#,##0.###", 123, "123"},
      {"0.00000", 3.14159265, "3.14159"},
      {"0.00000", -0.000004, "0.00000"},  // rounds to zero: no sign
      {"0.0000", 0.12345, "0.1235"},
      {"0.000000", 1.5, "1.500000"},
      {"##0.## %", 12.345, "12.35 %"},
      {"##0.## %", 0, "0 %"},
      {"0.00;(0.00)", -1.5, "(1.50)"},
      {"0.00;(0.00)", 0, "0.00"},
      {"0.00;(0.00)", 2, "2.00"},
      {"0.00", -1.5, "-1.50"},
      {"0.00;(0.00);'nil'", 0, "nil"},
      {"0.00;(0.00);'nil'", 0.001, "nil"},
      {"0.00;;'nil'", -3, "-3.00"},  // empty negative section: first section with sign
      {"#.##", 0.5, ".5"},
      {"#.##", 12, "12"},
      {"0.##%", 0.5, "0.5%"},
      {"#,##0", 1234567, "1,234,567"},
      {"#,##0.00", 0.005, "0.01"},
      {"00-00", 1234, "12-34"},
      {"0000", 12, "0012"},
      {"0.00E+00", 1234.5, "1.23E+03"},
      {"0.00E+00", 0.000123, "1.23E-04"},
      {"0.###E-0", 1234, "1.234E3"},
      {"0.00e+000", -12.5, "-1.25e+001"},
      {"\"Value: \"0.0", 2.25, "Value: 2.3"},
      {"0.0 'kg'", 2, "2.0 kg"},
      {"", 0.1, "0.1"},
      {"#,##0.###", 1e20, "1E20"},
      // Placeholders after the exponent add nothing: the integer digits are
      // out at the exponent (they once read past the digits' end).
      {"e-################", 1.5, "2e0"},
      {"e-################", -123456.75, "-1e5"},
      {"0E+0###", 4321, "4E+3"},
      {"#E-#.##", 0.0625, "6E-2"},
  };
  for (const auto& c : cases)
    EXPECT_EQ(FormatFloat(c.mask, c.value), c.text) << c.mask << " " << c.value;
}

TEST_F(FormatTest, FloatParsing) {
  const FloatCase good[] = {
      {1.5, "1.5"},        {-2, " -2 "}, {0.5, ".5"}, {5, "5."},          {1e-5, "1E-5"},
      {1.5e20, "1.5e+20"}, {42, "+42"},  {0, "0"},    {1.5, "\t1.5\r\n"},
  };
  for (const auto& c : good) {
    double v = -1;
    EXPECT_TRUE(TryStrToFloat(c.text, v)) << c.text;
    EXPECT_EQ(v, c.value) << c.text;
    EXPECT_EQ(StrToFloat(c.text), c.value) << c.text;
  }
  const char* bad[] = {"",    " ",   "abc", "1.2.3", "1,5",   "1e",   "e5",
                       "--1", "1 2", "INF", "NAN",   "1e999", "0x10", "."};
  for (const char* s : bad) {
    double v = 7;
    EXPECT_FALSE(TryStrToFloat(s, v)) << s;
    EXPECT_EQ(v, 7) << "untouched on failure: " << s;
    try {
      StrToFloat(s);
      ADD_FAILURE() << s;
    } catch (const EConvertError& e) {
      EXPECT_EQ(e.Message(), "'" + std::string(s) + "' is not a valid floating point value");
    }
  }
  EXPECT_EQ(StrToFloatDef("x", 2.5), 2.5);
  // Tiny values underflow to zero instead of failing.
  EXPECT_EQ(StrToFloat("1e-400"), 0.0);
}

TEST_F(FormatTest, IntegerParsingAndPrinting) {
  struct IntCase {
    const char* text;
    bool ok;
    int value;
  } cases[] = {
      {"0", true, 0},
      {"-17", true, -17},
      {" 42 ", true, 42},
      {"+5", true, 5},
      {"$FF", true, 255},
      {"0x1f", true, 31},
      {"0XFFFFFFFF", true, -1},
      {"2147483647", true, 2147483647},
      {"-2147483648", true, -2147483647 - 1},
      {"2147483648", false, 0},
      {"1.0", false, 0},
      {"", false, 0},
      {"12a", false, 0},
      {"$", false, 0},
      {"0x", false, 0},
      {"$100000000", false, 0},
      {"- 1", false, 0},
  };
  for (const auto& c : cases) {
    int v = -99;
    EXPECT_EQ(TryStrToInt(c.text, v), c.ok) << c.text;
    if (c.ok)
      EXPECT_EQ(v, c.value) << c.text;
    else
      EXPECT_EQ(v, -99) << c.text;
  }
  try {
    StrToInt("12a");
    ADD_FAILURE();
  } catch (const EConvertError& e) {
    EXPECT_EQ(e.Message(), "'12a' is not a valid integer value");
  }
  EXPECT_EQ(StrToIntDef("zz", 3), 3);
  EXPECT_EQ(StrToInt64("9223372036854775807"), std::numeric_limits<int64_t>::max());
  EXPECT_THROW(StrToInt64("9223372036854775808"), EConvertError);
  EXPECT_EQ(IntToStr(-123), "-123");
  EXPECT_EQ(IntToHex(255, 4), "00FF");
  EXPECT_EQ(BoolToStr(true), "-1");
  EXPECT_EQ(BoolToStr(false, true), "False");
  EXPECT_TRUE(StrToBool("true"));
  EXPECT_FALSE(StrToBool("0"));
  EXPECT_THROW(StrToBool("maybe"), EConvertError);
}

TEST_F(FormatTest, StringHelpers) {
  EXPECT_EQ(CompareText("abc", "ABC"), 0);
  EXPECT_LT(CompareText("abc", "abd"), 0);
  EXPECT_GT(CompareText("b", "A"), 0);
  EXPECT_LT(CompareText("ab", "ABC"), 0);
  // Letters fold to upper case, so '_' sorts after them as in the class library.
  EXPECT_LT(CompareText("a", "_"), 0);
  EXPECT_TRUE(SameText("NormPos", "NORMPOS"));
  EXPECT_FALSE(SameText("a", "ab"));
  EXPECT_TRUE(AnsiSameText("\xC3\xA9t\xC3\xA9", "\xC3\x89T\xC3\x89"));  // été / ÉTÉ
  EXPECT_EQ(AnsiUpperCase("stra\xC3\x9F"
                          "e \xC3\xA4"),
            "STRA\xC3\x9F"
            "E \xC3\x84");
  EXPECT_EQ(UpperCase("\xC3\xA4x"), "\xC3\xA4X");  // ASCII only
  EXPECT_EQ(Trim("\t a b \r\n"), "a b");
  EXPECT_EQ(TrimLeft("  x "), "x ");
  EXPECT_EQ(TrimRight("  x "), "  x");
  EXPECT_EQ(StringReplace("aXbxc", "x", "-", rfReplaceAll | rfIgnoreCase), "a-b-c");
  EXPECT_EQ(StringReplace("aXbxc", "x", "-", rfReplaceAll), "aXb-c");
  EXPECT_EQ(StringReplace("xx", "x", "yx", 0), "yxx");
  EXPECT_EQ(QuotedStr("it's"), "'it''s'");
  EXPECT_EQ(AnsiDequotedStr("\"a\"\"b\"", '"'), "a\"b");
  EXPECT_EQ(AnsiDequotedStr("plain", '"'), "plain");
  EXPECT_EQ(Pos("lo", "hello"), 4);
  EXPECT_EQ(Pos("z", "hello"), 0);
  EXPECT_EQ(ExtractFileName("/a/b/c.mff"), "c.mff");
  EXPECT_EQ(ExtractFilePath("/a/b/c.mff"), "/a/b/");
  EXPECT_EQ(ExtractFileDir("/a/b/c.mff"), "/a/b");
  EXPECT_EQ(ExtractFileExt("/a.d/b"), "");
  EXPECT_EQ(ExtractFileExt("x.tar.gz"), ".gz");
  EXPECT_EQ(ChangeFileExt("/a/model.mff", ".INI"), "/a/model.INI");
  EXPECT_EQ(ChangeFileExt("/a.b/model", ".INI"), "/a.b/model.INI");
  EXPECT_EQ(IncludeTrailingPathDelimiter("/a"), "/a/");
  EXPECT_EQ(ExcludeTrailingPathDelimiter("/a//"), "/a");
}

TEST(FormatSettingsTest, LocaleSettingsAreConsistent) {
  // Whatever the machine's locale, the list separator never equals the
  // decimal separator and the separators are distinct.
  const TFormatSettings fs = TFormatSettings::FromLocale();
  EXPECT_NE(fs.DecimalSeparator, fs.ThousandSeparator);
  EXPECT_EQ(fs.ListSeparator, fs.DecimalSeparator == ',' ? ';' : ',');
  EXPECT_FALSE(fs.ShortDateFormat.empty());
  const TFormatSettings inv = TFormatSettings::Invariant();
  EXPECT_EQ(inv.DecimalSeparator, '.');
  EXPECT_EQ(inv.ListSeparator, ',');
}

}  // namespace
