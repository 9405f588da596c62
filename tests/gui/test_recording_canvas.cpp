// The drawing layer without Qt: colours, regions, the recording canvas with
// its state rules, the fake font service, DrawEdge and the metafile records.
#include <gtest/gtest.h>

#include "platform/core/RecordingCanvas.h"
#include "platform/core/WmfWriter.h"

using namespace qv;

TEST(Colours, SystemColoursResolveThroughOneTable) {
  EXPECT_EQ(ColorToRGB(clRed), 0x0000FFu);
  EXPECT_EQ(ColorToRGB(clNone), clNone);
  EXPECT_EQ(ColorToRGB(clDefault), clDefault);
  EXPECT_EQ(ColorToRGB(clWindow), clWhite);
  EXPECT_EQ(ColorToRGB(clWindowText), clBlack);
  EXPECT_EQ(ColorToRGB(clBtnFace), clSilver);
  SetSysColor(15, RGB(1, 2, 3));
  EXPECT_EQ(ColorToRGB(clBtnFace), 0x030201u);
  ResetSysColors();
  EXPECT_EQ(ColorToRGB(clBtnFace), clSilver);
  EXPECT_EQ(ColorToRGB(clSystemColor | 200), 0u);  // outside the table
  EXPECT_EQ(GetRValue(RGB(10, 20, 30)), 10);
  EXPECT_EQ(GetBValue(RGB(10, 20, 30)), 30);
}

TEST(Geometry, RectsAndMulDiv) {
  TRect r;
  EXPECT_TRUE(IntersectRect(r, Rect(0, 0, 10, 10), Rect(5, 5, 20, 20)));
  EXPECT_EQ(r, Rect(5, 5, 10, 10));
  EXPECT_FALSE(IntersectRect(r, Rect(0, 0, 10, 10), Rect(10, 0, 20, 10)));
  EXPECT_EQ(r, TRect());
  EXPECT_TRUE(UnionRect(r, TRect(), Rect(1, 2, 3, 4)));
  EXPECT_EQ(r, Rect(1, 2, 3, 4));
  EXPECT_TRUE(Rect(0, 0, 10, 10).Contains(9, 9));
  EXPECT_FALSE(Rect(0, 0, 10, 10).Contains(10, 5));
  struct Case {
    int a, b, c, r;
  };
  for (Case k : {Case{8, 96, 72, 11}, Case{-8, 96, 72, -11}, Case{10, 3, 4, 8}, Case{5, 1, 0, -1},
                 Case{7, 1, 2, 4}})
    EXPECT_EQ(MulDiv(k.a, k.b, k.c), k.r) << k.a << "*" << k.b << "/" << k.c;
  TFont f;
  f.SetSize(10);
  EXPECT_EQ(f.Height(), -13);
  EXPECT_EQ(f.Size(), 10);
}

TEST(Regions, CombineAndContain) {
  TRegion r = TRegion::FromRect(Rect(0, 0, 10, 10));
  r.Combine(TRegion::FromRect(Rect(5, 5, 15, 15)), RGN_OR);
  TRegion hole = TRegion::FromEllipse(Rect(2, 2, 8, 8));
  TRegion both = r;
  both.Combine(hole, RGN_DIFF);
  struct Case {
    int x, y;
    bool in;
  };
  for (Case k : {Case{0, 0, true}, Case{14, 14, true}, Case{15, 15, false}, Case{4, 4, false},
                 Case{1, 9, true}, Case{12, 2, false}})
    EXPECT_EQ(both.Contains(k.x, k.y), k.in) << k.x << "," << k.y;
  EXPECT_EQ(both.BoundingBox(), Rect(0, 0, 15, 15));
  // A composite region combined as one operand keeps its grouping.
  TRegion a = TRegion::FromRect(Rect(0, 0, 4, 4));
  a.Combine(both, RGN_AND);
  EXPECT_TRUE(a.Contains(1, 1));
  EXPECT_FALSE(a.Contains(3, 3));
  const TPoint tri[] = {{0, 0}, {10, 0}, {0, 10}};
  TRegion t = TRegion::FromPolygon(tri);
  EXPECT_TRUE(t.Contains(2, 2));
  EXPECT_FALSE(t.Contains(8, 8));
  EXPECT_TRUE(TRegion() == TRegion());
  EXPECT_FALSE(t == a);
}

TEST(RecordingCanvas, LogsCallsWithTheirState) {
  TFakeFontService fonts(7, 14);
  TRecordingCanvas c(Rect(0, 0, 200, 100), &fonts);
  c.Pen.SetColor(clRed);
  c.Pen.SetWidth(2);
  c.MoveTo(1, 2);
  c.LineTo(30, 2);
  c.Brush.SetStyle(bsClear);
  c.Font.SetColor(clBlue);
  c.SetTextAlign(TA_RIGHT | TA_BASELINE);
  c.TextOut(50, 60, "abc");
  const int dx[] = {7, 7};
  TRect box = Rect(0, 0, 14, 14);
  c.ExtTextOut(0, 0, ETO_OPAQUE, &box, "xy", dx);
  const TCanvasCall* line = c.First("LineTo");
  ASSERT_TRUE(line);
  EXPECT_EQ(line->Args, (std::vector<int>{1, 2, 30, 2}));
  EXPECT_EQ(line->State.PenColor, clRed);
  EXPECT_EQ(line->State.PenWidth, 2);
  const TCanvasCall* text = c.First("TextOut");
  ASSERT_TRUE(text);
  EXPECT_EQ(text->Text, "abc");
  EXPECT_EQ(text->State.TextColor, clBlue);
  EXPECT_EQ(text->State.BkMode, TRANSPARENT);  // a clear brush makes the background transparent
  EXPECT_EQ(text->State.TextAlign, TA_RIGHT | TA_BASELINE);
  const TCanvasCall* ext = c.First("ExtTextOut");
  EXPECT_EQ(ext->Args, (std::vector<int>{0, 0, int(ETO_OPAQUE), 0, 0, 14, 14}));
  EXPECT_EQ(ext->Dx, (std::vector<int>{7, 7}));
  EXPECT_EQ(c.Count("MoveTo"), 1);
  EXPECT_NE(c.Log().find("LineTo(1,2,30,2) pen=0000FF/2"), std::string::npos) << c.Log();
  EXPECT_EQ(c.TextExtent("abcd"), (TSize{28, 14}));
  c.SetTextCharacterExtra(1);
  EXPECT_EQ(c.TextWidth("abcd"), 32);
}

TEST(RecordingCanvas, BrushAndFontSetBackgroundAndTextColour) {
  TRecordingCanvas c;
  c.SetBkColor(clYellow);
  c.SetTextColor(clRed);
  c.Brush.SetColor(clGreen);  // solid brush: opaque background in its colour
  EXPECT_EQ(c.BkColor(), clGreen);
  EXPECT_EQ(c.BkMode(), OPAQUE);
  c.Brush.SetStyle(bsCross);
  EXPECT_EQ(c.BkMode(), TRANSPARENT);
  c.SetBkMode(OPAQUE);  // a direct setting wins until the brush changes
  EXPECT_EQ(c.BkMode(), OPAQUE);
  EXPECT_EQ(c.TextColor(), clRed);
  c.Font.SetHeight(-20);  // the font brings its colour along
  EXPECT_EQ(c.TextColor(), c.Font.Color());
  c.Brush.SetStyle(bsClear);
  c.Brush.SetColor(clAqua);  // a colour makes a clear brush solid again
  EXPECT_EQ(c.Brush.Style(), bsSolid);
}

TEST(RecordingCanvas, SaveRestoreAndClipStack) {
  TRecordingCanvas c(Rect(0, 0, 100, 100));
  c.Pen.SetColor(clRed);
  c.IntersectClipRect(Rect(10, 10, 50, 50));
  int saved = c.SaveDC();
  c.Pen.SetColor(clBlue);
  c.SetTextAlign(TA_CENTER);
  c.IntersectClipRect(Rect(0, 0, 20, 20));
  EXPECT_EQ(c.ClipBox(), Rect(10, 10, 20, 20));
  c.RestoreDC(saved);
  EXPECT_EQ(c.Pen.Color(), clRed);
  EXPECT_EQ(c.TextAlign(), 0u);
  EXPECT_EQ(c.ClipBox(), Rect(10, 10, 50, 50));
  c.PushClip();
  c.ExcludeClipRect(Rect(10, 10, 50, 30));
  TRegion r;
  ASSERT_TRUE(c.GetClipRegion(r));
  EXPECT_FALSE(r.Contains(20, 20));
  EXPECT_TRUE(r.Contains(20, 40));
  c.PopClip();
  ASSERT_TRUE(c.GetClipRegion(r));
  EXPECT_TRUE(r.Contains(20, 20));
  c.SelectClipRegion(TRegion());
  EXPECT_FALSE(c.GetClipRegion(r));
  EXPECT_EQ(c.ClipBox(), Rect(0, 0, 100, 100));
}

TEST(RecordingCanvas, EdgesUseTheButtonColours) {
  struct Case {
    unsigned edge;
    TColor outerTopLeft, innerTopLeft, outerBottomRight;
  };
  const Case cases[] = {{EDGE_RAISED, cl3DLight, clBtnHighlight, cl3DDkShadow},
                        {EDGE_SUNKEN, clBtnShadow, cl3DDkShadow, clBtnHighlight},
                        {EDGE_ETCHED, clBtnShadow, clBtnHighlight, clBtnHighlight},
                        {EDGE_BUMP, cl3DLight, cl3DDkShadow, cl3DDkShadow}};
  for (const Case& k : cases) {
    TRecordingCanvas c;
    TRect r = Rect(0, 0, 20, 10);
    c.DrawEdge(r, k.edge, BF_RECT | BF_ADJUST);
    EXPECT_EQ(r, Rect(2, 2, 18, 8)) << k.edge;
    auto fills = c.Find("FillRect");
    ASSERT_EQ(fills.size(), 8u);
    // Order per border: bottom, right, top, left.
    EXPECT_EQ(fills[2]->State.BrushColor, k.outerTopLeft) << k.edge;
    EXPECT_EQ(fills[0]->State.BrushColor, k.outerBottomRight) << k.edge;
    EXPECT_EQ(fills[6]->State.BrushColor, k.innerTopLeft) << k.edge;
    EXPECT_EQ(fills[2]->Args, (std::vector<int>{0, 0, 19, 1})) << k.edge;
    EXPECT_EQ(c.Brush.Color(), clWhite);  // the brush is put back
  }
}

TEST(FakeFonts, FixedCellsAndProportionalOverrides) {
  TFakeFontService f(8, 16);
  TFont font;
  EXPECT_EQ(f.TextExtent(font, "héllo"), (TSize{40, 16}));  // five characters
  TTextMetric m = f.GetTextMetrics(font);
  EXPECT_EQ(m.tmHeight, 16);
  EXPECT_EQ(m.tmAscent + m.tmDescent, 16);
  EXPECT_TRUE(f.IsFixedPitch(font));
  f.SetCharWidth(U'i', 3);
  EXPECT_FALSE(f.IsFixedPitch(font));
  EXPECT_EQ(f.CharWidth(font, U'i'), 3);
  EXPECT_EQ(f.TextExtent(font, "iM").cx, 11);
  f.SetScaleWithHeight(true);
  font.SetHeight(-32);
  EXPECT_EQ(f.TextExtent(font, "M").cx, 16);
  EXPECT_EQ(ResolveFontFamily("Courier New"), "Liberation Mono");
  EXPECT_EQ(ResolveFontFamily("Verdana"), "DejaVu Sans");
}

TEST(Metafile, ObjectsAreCreatedOnlyWhenStateChanges) {
  TWmfCanvas w(100, 50);
  w.Pen.SetColor(clRed);
  w.Rectangle(0, 0, 10, 10);
  w.Rectangle(10, 0, 20, 10);  // same pen and brush: no new objects
  w.Pen.SetColor(clBlue);
  w.LineTo(50, 50);
  w.PushClip();
  w.IntersectClipRect(Rect(0, 0, 5, 5));
  w.Brush.SetColor(clLime);
  w.FillRect(Rect(0, 0, 50, 50));
  w.PopClip();
  std::string b = w.Bytes();
  auto w16 = [&](std::size_t at) {
    return unsigned((unsigned char)b[at]) | unsigned((unsigned char)b[at + 1]) << 8;
  };
  // Walk the records after the 22-byte placeable header and 18-byte header.
  std::map<unsigned, int> counts;
  std::size_t at = 40;
  while (at + 6 <= b.size()) {
    unsigned size = w16(at) | w16(at + 2) << 16;
    unsigned fn = w16(at + 4);
    ++counts[fn];
    ASSERT_GE(size, 3u);
    at += size * 2;
    if (fn == 0) break;
  }
  EXPECT_EQ(at, b.size());
  EXPECT_EQ(counts[0x02FA], 3);  // red pen, blue pen, null pen
  EXPECT_EQ(counts[0x02FC], 2);  // white brush, lime brush
  EXPECT_EQ(counts[0x041B], 3);  // two rectangles and the fill
  EXPECT_EQ(counts[0x001E], 1);  // save
  EXPECT_EQ(counts[0x0127], 1);  // restore
  EXPECT_EQ(counts[0x0416], 1);  // clip rect
}
