// Formula tokens: the decoder, the encoder and the shared-formula rewrite,
// and texts that pass through both.
#include <gtest/gtest.h>

#include <string>

#include "workbook/DecodeFormula.h"
#include "workbook/EncodeFormula.h"
#include "workbook/XLSNames.h"
#include "workbook/XLSWorkbook.h"

using namespace qv;

namespace {

std::string hex(std::string_view b) { return TokensToHex(b); }
std::string bytes(const char* h) { return HexToTokens(h); }

std::string decode(const char* h, TExcelVersion v = xvExcel97) {
  return DecodeFormulaTokens(v, bytes(h), nullptr);
}

std::string encode(const std::string& f, TExcelVersion v = xvExcel97, size_t cap = 8224) {
  TEncodeFormula e;
  e.ListSeparator = ',';
  e.DecimalSeparator = '.';
  e.Version = v;
  return hex(e.Encode(f, cap));
}

std::string encodeError(const std::string& f) {
  try {
    encode(f);
  } catch (const EXLSError& e) {
    return e.Message();
  }
  return "(no error)";
}

}  // namespace

TEST(FormulaTokens, FunctionTableAndErrorCodes) {
  EXPECT_STREQ(ExcelFuncs[4].Name, "SUM");
  EXPECT_STREQ(ExcelFuncs[19].Name, "PI");
  EXPECT_EQ(ExcelFuncs[19].MaxArgs, 0);
  EXPECT_STREQ(ExcelFuncs[202].Name, "202");
  EXPECT_STREQ(ExcelFuncs[367].Name, "VARA");
  EXPECT_EQ(ErrorCodeToText(7), "#DIV/0!");
  EXPECT_EQ(ErrorCodeToText(8), "#???");
  EXPECT_EQ(ErrorCodeToIndex(42), 7);
  EXPECT_EQ(ErrorCodeToIndex(1), 0);
  EXPECT_EQ(ErrorIndexToCode(0), 42);
  EXPECT_EQ(ErrorIndexToCode(2), 7);
  EXPECT_EQ(ErrorIndexToCode(9, -1), -1);
  EXPECT_EQ(ErrorIndexToText(0), "[int] No error value");
  EXPECT_EQ(RefToText(27, 9, true, true), "$AB$10");
  EXPECT_EQ(RefToText(255, 0, false, true), "IV$1");
  EXPECT_EQ(RefToText(0, 65535, true, false), "$A65536");
}

TEST(FormulaTokens, Decoder) {
  struct TCase {
    const char* tokens;
    const char* text;
  } cases[] = {
      {"1E05001E030003", "5+3"},
      {"1E050015", "(5)"},
      {"1E409C", "40000"},
      {"02", "Unknown ptg[02]"},
      {"03", "<Val missing>"},
      {"", "[ERROR]"},
      {"1E05", "[ERROR]"},  // cut short
      {"1F000000000000F83F13", "-1.5"},
      {"1C07", "#DIV/0!"},
      {"1D01", "TRUE"},
      {"170300616263", "\"abc\""},
      {"170101A903", "\"Ω\""},  // UTF-16 string
      {"24010000C0", "A2"},
      {"4400000000", "$A$1"},
      {"250000010000C001C0", "A1:B2"},
      {"4113001E0200051E040003", "PI()*2+4"},
      {"1E01001E02001642030400", "SUM(1,2,)"},  // a missing argument
      {"1E0100190000001E0200", "2"},
      {"1E010019100000", "SUM(1)"},  // the attribute sum
      {"2A00000000", "#REF!"},
  };
  for (const auto& c : cases) EXPECT_EQ(decode(c.tokens), c.text) << c.tokens;
  // Excel 5 references: flags in the row word, one column byte.
  EXPECT_EQ(decode("4401C002", xvExcel50), "C2");
  // Function numbers beyond the table, and add-ins naming themselves.
  EXPECT_EQ(decode("1E0100219001", xvExcel97), "?<400>?(1)");
  TDecodeOptions o;
  o.BaseCol = 3;
  o.BaseRow = 10;
  EXPECT_EQ(DecodeFormulaTokens(xvExcel97, bytes("4CFFFFFFC0"), nullptr, o), "C10");
  EXPECT_EQ(DecodeFormulaTokens(xvExcel97, bytes("4301000000"), nullptr), "#NAME?");
  EXPECT_EQ(DecodeFormulaTokens(xvExcel97, bytes("4301000000"),
                                [](int kind, int index, int) {
                                  return kind == 0 && index == 1 ? std::string("Rate") : "?";
                                }),
            "Rate");
}

TEST(FormulaTokens, Encoder) {
  struct TCase {
    const char* text;
    const char* tokens;
  } cases[] = {
      {"1+2*3", "1E01001E02001E03000503"},
      {"10-2-3", "1E0A001E0200041E030004"},
      {"SUM(A1:B2)", "250000010000C001C0420104 00"},
      {"PI()", "411300"},
      {"40000", "1F000000000088E340"},
      {"32767", "1EFF7F"},
      {"-A1", "44000000C013"},
      {"-2^2", "1E0200131E020007"},
      {"#N/A", "1C2A"},
      {"#DIV/0!", "1C07"},
      {"\"ab\"&\"c\"", "170200616217010063 08"},
      {"A1<>B$2", "44000000C0440100 01400E"},
      {"IF(TRUE,1,2)", "1D011E01001E0200420301 00"},
      {"(1)", "1E010015"},
      {"sum(1, 2)", "1E01001E0200420204 00"},
  };
  for (const auto& c : cases) {
    std::string expected = c.tokens;
    expected.erase(std::remove(expected.begin(), expected.end(), ' '), expected.end());
    EXPECT_EQ(encode(c.text), expected) << c.text;
  }
  EXPECT_EQ(encode("A1", xvExcel50), "4400C000");
}

TEST(FormulaTokens, EncoderMessages) {
  struct TCase {
    const char* text;
    const char* message;
  } cases[] = {
      {"IF(1)", "To few arguments to function: \"IF\""},
      {"ABS(1,2)", "To many arguments to function: \"ABS\""},
      {"5%", "Invalid character \"%\" in formula \"5%\""},
      {"(1+2", "Right paranthese is missing \"(1+2\""},
      {"\"abc", "Missing right quote"},
      {"#BAD!", "Unknown error value \"#BAD!\" in formula \"#BAD!\""},
      {"rate*2", "Unknown Name \"rate\" in function \"rate*2\""},
      {"NOSUCH(1)", "Unknown function in formula: \"NOSUCH\""},
      {"A0", "Invalid Reference \"A0\" in formula \"A0\""},
      {"JZ1", "Invalid Reference \"JZ1\" in formula \"JZ1\""},
      {"A1:x", "Invalid Reference \"A1:x\" in formula \"A1:x\""},
      {"Sheet2!A1", "Unknown Sheet \"Sheet2\" in formula \"Sheet2!A1\""},
      {"Sheet2!xyz", "Invalid reference: \"Sheet2!xyz\""},
      {"'My Sheet'A1", "Invalid symbol \"My Sheet\" in formula \"'My Sheet'A1\""},
      {"1.2.3", "Invalid number \"1.2.3\" in function \"1.2.3\""},
      {"a|b", "Invalid DDE reference informula"},
      {"1+", "Operand expected in formula \"1+\""},
  };
  for (const auto& c : cases) EXPECT_EQ(encodeError(c.text), c.message) << c.text;
  EXPECT_THROW(encode("1+2+3+4", xvExcel97, 8), EXLSError);
  try {
    encode(std::string(200, '1') + "+1", xvExcel97, 8);
  } catch (const EXLSError& e) {
    EXPECT_EQ(e.Message(), "Formula buffer owerflow");
  }
}

TEST(FormulaTokens, WorkbookNamesAndSheetsBothWays) {
  TXLSWorkbook wb(LocaleSettings::EnUS());
  wb.OnMessage = [](const std::string&) {};
  wb.Sheets[0].SetName("Data");
  wb.Sheets.Add().SetName("My Sheet");
  TAreaName& a = wb.AreaNames.Add();
  a.SetAreaName("Rate");
  a.SetNameDef("Data!$A$1");
  for (const char* f : {"SUM(Data!A1:B3,'My Sheet'!$C$4)*Rate", "IF(A1>=2,\"yes\",\"no\")",
                        "ROUND(AVERAGE(A1:A9),2)", "'My Sheet'!A1&\"x\""}) {
    std::string t = wb.EncodeText(f, 8224);
    std::string back = wb.DecodeTokens(t);
    std::string expected = f;
    EXPECT_EQ(back, expected);
  }
  EXPECT_EQ(a.NameDef(), "Data!$A$1");
  // Unknown functions of Excel 4.0 and later become add-in functions.
  std::string t = wb.EncodeText("MYFUNC(1)", 8224);
  EXPECT_EQ(static_cast<uint8_t>(t[0]), 0x39);
  EXPECT_EQ(wb.DecodeTokens(t), "MYFUNC(1)");
}

TEST(FormulaTokens, SharedFormulaRewrite) {
  // ptgRefN row +1, column -1 (both relative); a ptgAreaN with absolute
  // corners stays where it is.
  std::string t = bytes("4C0100FFC0");
  ConvertSharedFormula(xvExcel97, t, 3, 5);
  EXPECT_EQ(hex(t), "44060002C0");
  EXPECT_EQ(DecodeFormulaTokens(xvExcel97, t, nullptr), "C7");
  std::string area = bytes("2D0000010000000100");
  ConvertSharedFormula(xvExcel97, area, 3, 5);
  EXPECT_EQ(DecodeFormulaTokens(xvExcel97, area, nullptr), "$A$1:$B$2");
  std::string five = bytes("4C01C0FF");  // Excel 5: flags in the row word
  ConvertSharedFormula(xvExcel50, five, 3, 5);
  EXPECT_EQ(DecodeFormulaTokens(xvExcel50, five, nullptr), "C7");
  std::string bad = bytes("1E010002");
  try {
    ConvertSharedFormula(xvExcel97, bad, 0, 0);
    FAIL();
  } catch (const EXLSError& e) {
    EXPECT_EQ(e.Message(), "Unknown ptg[02] in Shared Formula");
  }
  EXPECT_TRUE(TokensUseLinks(xvExcel97, bytes("3A000000000000")));
  EXPECT_FALSE(TokensUseLinks(xvExcel97, bytes("1E0100")));
}
