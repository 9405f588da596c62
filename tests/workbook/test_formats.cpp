// Fonts, cell formats, the number-format list and column formats, and the
// XF layouts of the three versions.
#include <gtest/gtest.h>

#include <array>

#include "workbook/XLSFormats.h"
#include "workbook/XLSStream.h"

using namespace qv;

TEST(CellFormats, NewFormatDefaults) {
  TCellFormats fs;
  TCellFormat& f = fs.Add();
  EXPECT_EQ(f.Name, "Format 0");
  EXPECT_EQ(f.VertAlignment(), cvaBottom);
  EXPECT_TRUE(f.Protection().Contains(cpLocked));
  EXPECT_EQ(f.FillPatternForeColor(), xcAutomatic);
  EXPECT_EQ(f.BorderColor(bsLeft), xcAutomatic);
  EXPECT_EQ(f.NumberFormatIndex, -1);
  EXPECT_EQ(f.NumberFormat(), "");
  EXPECT_EQ(fs.NumberFormatCount(), 50);
  EXPECT_EQ(fs.NumberFormatText(14), "m/d/yy");
  EXPECT_EQ(fs.NumberFormatText(49), "@");
  EXPECT_EQ(fs.NumberFormatText(30), "");
}

TEST(CellFormats, RotationAndUsedBits) {
  TCellFormat f;
  f.SetRotation(-45);
  EXPECT_EQ(f.AlignmentWord >> 8, 135);
  EXPECT_EQ(f.Rotation(), -45);
  f.SetRotation(200);
  EXPECT_EQ(f.Rotation(), 90);
  f.SetRotation(300);
  EXPECT_EQ(f.Rotation(), 255);
  f.SetRotation(-100);
  EXPECT_EQ(f.AlignmentWord >> 8, 180);
  f.SetBorderStyle(bsTop, cbsThick);
  EXPECT_TRUE(f.IndentWord & 0x2000);
  EXPECT_EQ(f.BorderStyle(bsTop), cbsThick);
  f.SetBorderStyle(bsTop, cbsNone);
  EXPECT_FALSE(f.IndentWord & 0x2000);
  f.SetFillPatternForeColor(xcRed);
  EXPECT_EQ(f.FillPatternPattern(), 1);
  EXPECT_EQ(f.FillPatternBackColor(), xcWhite);
  EXPECT_TRUE(f.IndentWord & 0x4000);
  f.SetFillPatternPattern(0);
  EXPECT_FALSE(f.IndentWord & 0x4000);
  f.SetHorizAlignment(chaCenter);
  EXPECT_TRUE(f.IndentWord & 0x1000);
}

TEST(CellFormats, NumberFormatsAreAddedOnce) {
  TCellFormats fs;
  TCellFormat& a = fs.Add();
  a.SetNumberFormat("0.000");
  TCellFormat& b = fs.Add();
  b.SetNumberFormat("0.000");
  EXPECT_EQ(fs.NumberFormatCount(), 51);
  EXPECT_EQ(a.NumberFormatIndex, 50);
  EXPECT_EQ(b.NumberFormatIndex, 50);
  b.SetNumberFormat("0.00");
  EXPECT_EQ(b.NumberFormatIndex, 2);
  b.SetNumberFormat("");
  EXPECT_EQ(b.NumberFormatIndex, -1);
  EXPECT_THROW(b.SetNumberFormat(std::string(256, '#')), EXLSError);
  EXPECT_EQ(b.NumberFormatIndex, -1);
  EXPECT_EQ(fs.AddNumberFormat("General"), 51);
  EXPECT_EQ(fs.NumberFormatText(51), "@");
  fs.SetNumberFormat(200, "x");
  EXPECT_EQ(fs.NumberFormatCount(), 201);
  fs.Clear();
  EXPECT_EQ(fs.Count(), 0);
  EXPECT_EQ(fs.NumberFormatCount(), 50);
}

TEST(CellFormats, XFLayoutsOfTheVersions) {
  TCellFormat f;
  f.FontIndex = 5;
  f.NumberFormatIndex = 10;
  f.SetHorizAlignment(chaRight);
  f.SetVertAlignment(cvaCenter);
  f.SetFormatOptions(TFormatOptions{foWrapText});
  f.SetRotation(90);
  f.SetBorderStyle(bsLeft, cbsThin);
  f.SetBorderStyle(bsBottom, cbsDouble);
  f.SetBorderColor(bsLeft, xcRed);
  f.SetFillPatternPattern(1);
  f.SetFillPatternForeColor(xcYellow);
  uint8_t b8[20], b5[16], b4[12];
  f.ToXF8(b8);
  TCellFormat g8;
  g8.FromXF8(b8);
  EXPECT_EQ(g8.AlignmentWord, f.AlignmentWord);
  EXPECT_EQ(g8.BorderStyles, f.BorderStyles);
  EXPECT_EQ(g8.PatternColors, f.PatternColors);
  f.ToXF5(b5);
  TCellFormat g5;
  g5.FromXF5(b5);
  EXPECT_EQ(g5.FontIndex, 5);
  EXPECT_EQ(g5.NumberFormatIndex, 10);
  EXPECT_EQ(g5.HorizAlignment(), chaRight);
  EXPECT_EQ(g5.VertAlignment(), cvaCenter);
  EXPECT_TRUE(g5.FormatOptions().Contains(foWrapText));
  EXPECT_EQ(g5.Rotation(), 90);
  EXPECT_EQ(g5.BorderStyle(bsLeft), cbsThin);
  EXPECT_EQ(g5.BorderStyle(bsBottom), cbsDouble);
  EXPECT_EQ(g5.BorderColor(bsLeft), xcRed);
  EXPECT_EQ(g5.FillPatternForeColor(), xcYellow);
  EXPECT_EQ(g5.FillPatternPattern(), 1);
  f.ToXF4(b4);
  TCellFormat g4;
  g4.FromXF4(b4, 50);
  EXPECT_EQ(g4.FontIndex, 5);
  EXPECT_EQ(g4.NumberFormatIndex, 60);
  EXPECT_EQ(g4.HorizAlignment(), chaRight);
  EXPECT_EQ(g4.VertAlignment(), cvaCenter);
  EXPECT_EQ(g4.Rotation(), 90);
  EXPECT_EQ(g4.BorderStyle(bsBottom), cbsDouble);
  EXPECT_EQ(g4.FillPatternForeColor(), xcYellow);
}

TEST(Fonts, DefaultsAndDrawingFont) {
  TXFonts fonts;
  EXPECT_EQ(fonts.Count(), 5);
  TXFont& f = fonts.Item(0);
  EXPECT_EQ(f.Name, "Arial");
  EXPECT_EQ(f.Size, 10);
  EXPECT_EQ(f.Color, xcBlack);
  f.Style = TXFontStyles{xfsBold, xfsStrikeOut};
  f.Underline = xulDouble;
  f.Color = xcRed;
  TFont font;
  f.AssignToFont(font, DefaultXLSPalette());
  EXPECT_EQ(font.Name(), "Arial");
  EXPECT_EQ(font.Size(), 10);
  EXPECT_TRUE(font.Style().Contains(fsBold));
  EXPECT_TRUE(font.Style().Contains(fsUnderline));
  EXPECT_TRUE(font.Style().Contains(fsStrikeOut));
  EXPECT_FALSE(font.Style().Contains(fsItalic));
  EXPECT_EQ(font.Color(), clRed);
  fonts.MakeEmpty();
  EXPECT_EQ(fonts.Count(), 0);
  fonts.Clear();
  EXPECT_EQ(fonts.Count(), 5);
  EXPECT_EQ(DefaultXLSPalette()[12], clBlue);
  EXPECT_EQ(DefaultXLSPalette()[4], clBlue);
}

TEST(ColumnFormats, RangesAndValues) {
  TColumnFormats cf;
  TColumnFormat& a = cf.Add();
  a.SetCol1(2);
  a.SetCol2(5);
  TColumnFormat& b = cf.Add();
  b.SetCol1(7);
  b.SetCol2(7);
  EXPECT_EQ(a.Width(), 2500);
  EXPECT_EQ(cf.FindCol(4), 0);
  EXPECT_EQ(cf.FindCol(6), -1);
  EXPECT_EQ(cf.FindExact(7), &b);
  EXPECT_EQ(cf.FindExact(2), nullptr);
  try {
    a.SetOutlineLevel(17);
    FAIL();
  } catch (const EXLSError& e) {
    EXPECT_EQ(e.Message(), "Invalid value");
  }
  EXPECT_EQ(a.OutlineLevel(), 0);
  EXPECT_THROW(a.SetWidth(70000), EXLSError);
  EXPECT_THROW(a.SetCol1(-1), EXLSError);
  EXPECT_EQ(a.Col1(), 2);
}
