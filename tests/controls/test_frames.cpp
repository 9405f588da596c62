// Frame drawing routines: sides, bevels, the eleven styles, whole frames,
// the focus border and the arrows.
#include <gtest/gtest.h>

#include "controls/UiCommon.h"
#include "controls/UiGrafx.h"
#include "platform/core/RecordingCanvas.h"

using namespace qv;

namespace {

std::vector<std::vector<int>> Lines(const TRecordingCanvas& c) {
  std::vector<std::vector<int>> out;
  for (const TCanvasCall* l : c.Find("LineTo")) out.push_back(l->Args);
  return out;
}

}  // namespace

TEST(Frames, DrawSidesDrawsEachSideAndInsetsTheRectangle) {
  TRecordingCanvas c;
  const TRect r = DrawSides(c, TRect(10, 20, 30, 40), clRed, clBlue, sdAll);
  EXPECT_EQ(r, TRect(11, 21, 29, 39));
  const std::vector<std::vector<int>> expect = {
      {10, 20, 10, 40}, {10, 20, 30, 20}, {29, 20, 29, 40}, {10, 39, 30, 39}};
  EXPECT_EQ(Lines(c), expect);
  const auto lines = c.Find("LineTo");
  EXPECT_EQ(lines[0]->State.PenColor, clRed);
  EXPECT_EQ(lines[3]->State.PenColor, clBlue);
  TRecordingCanvas d;
  EXPECT_EQ(DrawSides(d, TRect(0, 0, 9, 9), clRed, clBlue, SideBit(sdTop) | SideBit(sdRight)),
            TRect(0, 1, 8, 9));
  EXPECT_EQ(d.Count("LineTo"), 2);
}

TEST(Frames, EachStyleInsetsByItsWidth) {
  const std::pair<TFrameStyle, int> cases[] = {{fsNone, 0},   {fsFlat, 1},     {fsGroove, 2},
                                               {fsBump, 2},   {fsLowered, 2},  {fsButtonDown, 2},
                                               {fsRaised, 2}, {fsButtonUp, 2}, {fsStatus, 1},
                                               {fsPopup, 1},  {fsFlatBold, 2}};
  for (auto [style, width] : cases) {
    TRecordingCanvas a, b;
    const TRect in(0, 0, 20, 10);
    TRect expect = in;
    InflateRect(expect, -width, -width);
    EXPECT_EQ(DrawBorderSides(a, in, style, sdAll), expect) << FrameStyleName(style);
    EXPECT_EQ(DrawColorBorderSides(b, in, clTeal, style, sdAll), expect) << FrameStyleName(style);
    if (style == fsNone) {
      EXPECT_TRUE(a.Calls().empty());
    }
  }
}

TEST(Frames, StylesUseTheirSystemColours) {
  TRecordingCanvas c;
  DrawBorderSides(c, TRect(0, 0, 10, 10), fsLowered, sdAll);
  const auto lines = c.Find("LineTo");
  ASSERT_EQ(lines.size(), 8u);
  EXPECT_EQ(lines[0]->State.PenColor, clBtnShadow);     // outer left
  EXPECT_EQ(lines[3]->State.PenColor, clBtnHighlight);  // outer bottom
  EXPECT_EQ(lines[4]->State.PenColor, cl3DDkShadow);    // inner left
  EXPECT_EQ(lines[7]->State.PenColor, cl3DLight);       // inner bottom
  TRecordingCanvas d;
  DrawColorBorderSides(d, TRect(0, 0, 10, 10), clTeal, fsFlat, sdAll);
  EXPECT_EQ(d.Find("LineTo")[0]->State.PenColor, DarkerColor(clTeal, 50));
}

TEST(Frames, EtchedStylesSetCornerPixelsForOpenSides) {
  // No sides: nothing at all.
  TRecordingCanvas none;
  EXPECT_EQ(DrawBorderSides(none, TRect(0, 0, 10, 10), fsGroove, 0), TRect(0, 0, 10, 10));
  EXPECT_EQ(none.Count("SetPixel") + none.Count("LineTo"), 0);
  // The top alone: the right end of the top in C1, the pixel under its left end in C2.
  TRecordingCanvas c;
  EXPECT_EQ(DrawBorderSides(c, TRect(0, 0, 10, 10), fsGroove, SideBit(sdTop)), TRect(0, 2, 10, 10));
  const auto px = c.Find("SetPixel");
  ASSERT_EQ(px.size(), 2u);
  EXPECT_EQ(px[0]->Args, (std::vector<int>{9, 0, int(clBtnShadow)}));
  EXPECT_EQ(px[1]->Args, (std::vector<int>{0, 1, int(clBtnHighlight)}));
  // Then the light line one pixel in, the dark line on the edge.
  const std::vector<std::vector<int>> expect = {{1, 1, 10, 1}, {0, 0, 9, 0}};
  EXPECT_EQ(Lines(c), expect);
}

TEST(Frames, DrawFramePaintsTheBackColourBevelFirst) {
  TRecordingCanvas c;
  DrawFrame(c, 40, 30, fsFlat, clRed, clWindow, sdAll, false);
  const auto lines = c.Find("LineTo");
  ASSERT_EQ(lines.size(), 12u);  // two bevel rings, then one flat ring
  EXPECT_EQ(lines[0]->State.PenColor, clWindow);
  EXPECT_EQ(lines[11]->State.PenColor, clRed);
  EXPECT_EQ(lines[8]->Args, (std::vector<int>{0, 0, 0, 30}));
  TRecordingCanvas flat;
  DrawFrame(flat, 40, 30, fsFlatBold, clRed, clWindow, sdAll, true);
  EXPECT_EQ(flat.Count("LineTo"), 8);
  // A coloured background derives the style's shades from it.
  TRecordingCanvas col;
  DrawFrame(col, 40, 30, fsStatus, clRed, clYellow, sdAll, true);
  EXPECT_EQ(col.Find("LineTo")[0]->State.PenColor, DarkerColor(clYellow, 50));
}

TEST(Frames, FocusBorderDotsEverySecondPixel) {
  TRecordingCanvas c;
  EXPECT_EQ(DrawFocusBorder(c, TRect(0, 0, 6, 4)), TRect(1, 1, 5, 3));
  std::vector<std::vector<int>> px;
  for (const TCanvasCall* p : c.Find("SetPixel")) px.push_back(p->Args);
  const int k = int(clBlack);
  const std::vector<std::vector<int>> expect = {{1, 0, k}, {1, 3, k}, {3, 0, k},
                                                {3, 3, k}, {0, 1, k}, {5, 1, k}};
  EXPECT_EQ(px, expect);
}

TEST(Frames, ArrowsArePolygonsAroundTheCentre) {
  TRecordingCanvas c;
  c.Brush.SetColor(clLime);
  DrawDropDownArrow(c, TRect(0, 0, 16, 20), uasClassic, true, false);
  const TCanvasCall* p = c.First("Polygon");
  ASSERT_NE(p, nullptr);
  EXPECT_EQ(p->Points, (std::vector<TPoint>{{8, 11}, {5, 7}, {12, 7}}));
  EXPECT_EQ(p->State.BrushColor, clBlack);
  EXPECT_EQ(p->State.PenStyle, psClear);
  EXPECT_EQ(c.Brush.Color(), clLime);  // restored
  EXPECT_EQ(c.Pen.Style(), psSolid);
  c.Clear();
  DrawDropDownArrow(c, TRect(0, 0, 16, 20), uasClassic, true, true);
  EXPECT_EQ(c.First("Polygon")->Points[0], TPoint(9, 12));
  c.Clear();
  DrawSpinArrow(c, TRect(0, 0, 10, 10), uasClassic, true, false, adUp);
  EXPECT_EQ(c.First("Polygon")->Points, (std::vector<TPoint>{{5, 1}, {9, 6}, {1, 6}}));
  // Disabled arrows are clBtnShadow in either style, and do not move when down.
  for (TUiArrowStyle s : {uasClassic, uasThemed}) {
    c.Clear();
    DrawSpinArrow(c, TRect(0, 0, 10, 10), s, false, true, adLeft);
    EXPECT_EQ(c.First("Polygon")->State.BrushColor, clBtnShadow);
    c.Clear();
    DrawDropDownArrow(c, TRect(0, 0, 10, 10), s, false, false);
    EXPECT_EQ(c.First("Polygon")->State.BrushColor, clBtnShadow);
  }
  c.Clear();
  DrawSpinArrow(c, TRect(0, 0, 10, 10), uasThemed, true, false, adRight);
  EXPECT_EQ(c.First("Polygon")->Points.size(), 6u);
}

TEST(Frames, RasterFacesAreNotTrueType) {
  TFont f;
  EXPECT_FALSE(IsTrueTypeFont(f));  // "MS Sans Serif"
  f.SetName("Tahoma");
  EXPECT_TRUE(IsTrueTypeFont(f));
  TFrameStyle s;
  EXPECT_TRUE(FrameStyleFromName("fsbump", s));
  EXPECT_EQ(s, fsBump);
  EXPECT_FALSE(FrameStyleFromName("fsSunken", s));
}
