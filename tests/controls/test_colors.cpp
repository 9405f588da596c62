// Colour arithmetic in hue/saturation/luminance and gradient fills.
#include <gtest/gtest.h>

#include "controls/UiGrafx.h"
#include "platform/core/RecordingCanvas.h"

using namespace qv;

TEST(Colors, ColorToHslEdgeCases) {
  struct TCase {
    TColor Color;
    int H, S, L;
  };
  const TCase cases[] = {
      {clBlack, 0, 0, 0},
      {clWhite, 0, 0, 240},
      {RGB(128, 128, 128), 0, 0, 120},  // a grey has no hue and no saturation
      {clRed, 0, 240, 120},
      {clLime, 80, 240, 120},
      {clBlue, 160, 240, 120},
      {RGB(255, 0, 128), 220, 240, 120},  // a negative hue wraps round
      {RGB(64, 32, 32), 0, 80, 45},       // dark: saturation over max + min
      {clBtnShadow, 0, 0, 120},           // system colours resolve first
  };
  for (const TCase& c : cases) {
    std::uint8_t h, s, l;
    ColorToHSL(c.Color, h, s, l);
    EXPECT_EQ(int(h), c.H) << std::hex << c.Color;
    EXPECT_EQ(int(s), c.S) << std::hex << c.Color;
    EXPECT_EQ(int(l), c.L) << std::hex << c.Color;
  }
}

TEST(Colors, HslToColorDividesTheHueBy239) {
  EXPECT_EQ(HSLToColor(0, 240, 120), clRed);
  EXPECT_EQ(HSLToColor(160, 240, 120), RGB(4, 0, 255));  // 160/239 is past the blue sextant start
  EXPECT_EQ(HSLToColor(80, 240, 120), RGB(0, 255, 2));
  EXPECT_EQ(HSLToColor(239, 240, 120), clRed);  // sextant 6 falls back to the first
  EXPECT_EQ(HSLToColor(100, 200, 0), clBlack);  // no luminance
  EXPECT_EQ(HSLToColor(0, 0, 255), clWhite);    // luminance above 240 clips
  EXPECT_EQ(HSLToColor(40, 0, 120), RGB(128, 128, 128));
}

TEST(Colors, DarkerLighterAndAdjust) {
  EXPECT_EQ(LighterColor(clWhite, 100), clWhite);
  EXPECT_EQ(DarkerColor(clBlack, 50), clBlack);
  EXPECT_EQ(LighterColor(RGB(128, 128, 128), 100), RGB(234, 234, 234));  // up to L 255
  EXPECT_EQ(DarkerColor(RGB(128, 128, 128), 50), RGB(74, 74, 74));
  EXPECT_EQ(AdjustColor(clTeal, 0), clTeal);
  EXPECT_EQ(AdjustColor(RGB(128, 128, 128), -50), DarkerColor(RGB(128, 128, 128), 50));
  EXPECT_EQ(AdjustColor(RGB(128, 128, 128), 30), LighterColor(RGB(128, 128, 128), 30));
}

TEST(Colors, BlendCloseAndHue) {
  EXPECT_EQ(BlendColors(clBlack, clWhite, 30), RGB(225, 225, 225));
  EXPECT_EQ(BlendColors(clBlack, clWhite, 15), RGB(240, 240, 240));
  EXPECT_EQ(BlendColors(clRed, clBlue, 255), clRed);
  EXPECT_EQ(BlendColors(clRed, clBlue, 0), clBlue);
  EXPECT_TRUE(ColorsClose(clRed, RGB(250, 0, 0)));
  EXPECT_FALSE(ColorsClose(clRed, clBlue));
  EXPECT_FALSE(ColorsClose(clWhite, RGB(128, 128, 128)));  // same hue, far luminance
  EXPECT_EQ(ColorHue(clBlue), 160);
}

TEST(Colors, GradientLinesStepFromTheStartColour) {
  // Vertical: the start colour on the bottom line, stepping up.
  TImage v = MakeGradientImage(3, 4, gkVertical, 1, clBlack, clWhite);
  EXPECT_EQ(v.Pixel(1, 3), clBlack);
  EXPECT_EQ(v.Pixel(1, 2), RGB(63, 63, 63));
  EXPECT_EQ(v.Pixel(1, 0), RGB(191, 191, 191));
  EXPECT_EQ(v.Pixel(0, 0), v.Pixel(2, 0));
  // Horizontal: the start colour on the right.
  TImage h = MakeGradientImage(4, 2, gkHorizontal, 1, clBlack, clWhite);
  EXPECT_EQ(h.Pixel(3, 1), clBlack);
  EXPECT_EQ(h.Pixel(0, 1), RGB(191, 191, 191));
  // Coarser bands repeat a colour over more lines.
  TImage banded = MakeGradientImage(1, 8, gkVertical, 4, clBlack, clWhite);
  EXPECT_EQ(banded.Pixel(0, 7), banded.Pixel(0, 5));
  EXPECT_NE(banded.Pixel(0, 7), banded.Pixel(0, 3));
  // From the centre: the start colour in the middle, the stop colour at the edges.
  TImage c = MakeGradientImage(1, 9, gkVerticalCenter, 1, clBlack, clWhite);
  EXPECT_EQ(c.Pixel(0, 5), clBlack);
  EXPECT_GT(GetRValue(c.Pixel(0, 0)), 100);
  EXPECT_GT(GetRValue(c.Pixel(0, 8)), 100);
}

TEST(Colors, GradientWithEqualColoursOrNoArea) {
  for (TGradientKind k : {gkDiagonal, gkDiagonalReverse, gkRectangle, gkRectangleSquare}) {
    TImage img = MakeGradientImage(5, 4, k, 16, clTeal, clTeal);
    for (int y = 0; y < 4; ++y)
      for (int x = 0; x < 5; ++x) ASSERT_EQ(img.Pixel(x, y), clTeal) << int(k);
  }
  TImage d = MakeGradientImage(20, 20, gkDiagonal, 1, clBlack, clWhite);
  EXPECT_EQ(d.Pixel(0, 0), clBlack);
  EXPECT_GT(GetRValue(d.Pixel(19, 19)), 200);
  TRecordingCanvas canvas;
  DrawGradient(canvas, TRect(10, 10, 10, 40), gkVertical, 1, clBlack, clWhite);
  DrawGradient(canvas, TRect(10, 10, 5, 40), gkVertical, 1, clBlack, clWhite);
  EXPECT_EQ(canvas.Count("Draw"), 0);
  DrawGradient(canvas, TRect(10, 10, 30, 40), gkVertical, 1, clBlack, clWhite);
  ASSERT_EQ(canvas.Count("Draw"), 1);
  EXPECT_EQ(canvas.First("Draw")->Args, (std::vector<int>{10, 10, 20, 30}));
}
