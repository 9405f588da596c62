// Chart panel: margins to ChartRect, print area, bitmap export.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "chart/DovOrara.h"
#include "platform/core/BmpWriter.h"
#include "platform/core/RecordingCanvas.h"

namespace qv {
namespace {

TEST(ChartPanel, MarginsGiveChartRect) {
  TCustomPlotPanel panel;
  TFakeFontService fonts;
  TRecordingCanvas c(TRect(0, 0, 400, 250), &fonts);
  panel.DrawInto(c, panel.ChartExtent());
  EXPECT_EQ(panel.ChartRect, TRect(12, 10, 388, 240));
  EXPECT_EQ(panel.ChartWidth, 376);
  EXPECT_EQ(panel.ChartXCenter, 200);
  // Margins that cross leave a rectangle one pixel wide, never negative.
  panel.SetMarginLeft(60);
  panel.SetMarginRight(60);
  panel.SetMarginTop(70);
  panel.SetMarginBottom(70);
  panel.DrawInto(c, panel.ChartExtent());
  EXPECT_EQ(panel.ChartWidth, 1);
  EXPECT_EQ(panel.ChartHeight, 1);
}

TEST(ChartPanel, Chart3DPercentRange) {
  TCustomPlotPanel panel;
  for (int bad : {0, 101}) {
    try {
      panel.SetChart3DPercent(bad);
      FAIL();
    } catch (const ChartException& e) {
      EXPECT_EQ(e.Message(), "3D effect percent must be between 1 and 100");
    }
  }
  EXPECT_EQ(panel.Chart3DPercent(), 15);
}

TEST(ChartPanel, PrintAreaWithAndWithoutAspect) {
  TCustomPlotPanel panel;
  EXPECT_FALSE(panel.IsPrintMarginsStored());
  panel.KeepPrintAspect = false;
  EXPECT_EQ(panel.PrintArea(4800, 6600), TRect(720, 990, 4080, 5610));
  panel.KeepPrintAspect = true;
  const TRect r = panel.PrintArea(4800, 6600);
  EXPECT_EQ(panel.PrintMargins[1], 36);
  EXPECT_EQ(panel.PrintMargins[3], 36);
  EXPECT_EQ(r, TRect(720, 2376, 4080, 4224));
  EXPECT_TRUE(panel.IsPrintMarginsStored());
  panel.SetBounds(200, 300);  // taller than wide: left and right follow
  panel.PrintArea(4800, 6600);
  EXPECT_EQ(panel.PrintMargins[1], 15);
  EXPECT_NE(panel.PrintMargins[0], 15);
}

TEST(ChartPanel, SaveToBitmapFileMatchesRender) {
  TCustomPlotPanel panel;
  panel.SetBounds(40, 30);
  panel.SetColor(clRed);
  const std::string path = std::string(QV_BINARY_DIR) + "/panel.bmp";
  panel.SaveToBitmapFile(path);
  std::ifstream in(path, std::ios::binary);
  std::stringstream bytes;
  bytes << in.rdbuf();
  auto image = panel.RenderToBitmap(clWhite, panel.ChartExtent());
  EXPECT_EQ(bytes.str(), EncodeBmp(*image));
  EXPECT_EQ(image->Width(), 40);
  EXPECT_EQ(bytes.str().substr(0, 2), "BM");
}

}  // namespace
}  // namespace qv

namespace qv {
namespace {

struct RecordingListener : IPlotEventListener {
  std::vector<std::string>* log;
  std::string name;
  bool take = false;
  RecordingListener(std::vector<std::string>* l, std::string n) : log(l), name(std::move(n)) {}
  void PlotEvent(TPlotEvent& e) override {
    if (auto* m = dynamic_cast<TPlotMouseEvent*>(&e)) {
      log->push_back(name + ":mouse" + std::to_string(int(m->Kind)) + "@" + std::to_string(m->X));
      if (take) e.Sender->MouseTaken = true;
    } else if (dynamic_cast<TPlotView3DEvent*>(&e)) {
      log->push_back(name + ":view3d");
    }
  }
};

TEST(ChartPanel, ListenersAndTakenMouse) {
  TCustomPlotPanel panel;
  std::vector<std::string> log;
  RecordingListener a(&log, "a"), b(&log, "b");
  panel.MouseDown(mbLeft, 0, 5, 6);  // no listeners: nothing to do
  panel.AddListener(&a);
  panel.AddListener(&b);
  panel.AddListener(&a);  // once only
  panel.MouseDown(mbLeft, 0, 10, 0);
  panel.MouseMove(0, 11, 0);
  panel.MouseUp(mbLeft, 0, 12, 0);
  EXPECT_EQ(log, (std::vector<std::string>{"a:mouse0@10", "b:mouse0@10", "a:mouse2@11",
                                           "b:mouse2@11", "a:mouse1@12", "b:mouse1@12"}));
  // The first listener takes the press: the second does not see it; the
  // next press clears the flag again.
  log.clear();
  a.take = true;
  panel.MouseDown(mbLeft, 0, 20, 0);
  a.take = false;
  panel.MouseDown(mbLeft, 0, 21, 0);
  EXPECT_EQ(log, (std::vector<std::string>{"a:mouse0@20", "a:mouse0@21", "b:mouse0@21"}));
  // Switching 3-D tells everybody; a removed listener hears nothing.
  log.clear();
  panel.RemoveListener(&a);
  panel.SetView3D(false);
  EXPECT_EQ(log, (std::vector<std::string>{"b:view3d"}));
  // Leaving the window ends a drag and restores the cursor.
  panel.DragRect.Activate(3, 4);
  panel.SetCursor(crCross);
  panel.MouseLeave();
  EXPECT_FALSE(panel.DragRect.Active);
  EXPECT_EQ(panel.Cursor(), crDefault);
}

TEST(ChartPanel, AssignContrastBrushAndPrinterPens) {
  TCustomPlotPanel a, b;
  a.SetMarginLeft(9);
  a.SetChart3DPercent(40);
  a.View3DOptions().SetRotation(10);
  a.PrintMargins[2] = 7;
  a.SetMonochrome(true);
  a.SetColor(clRed);
  b.Assign(a);
  EXPECT_EQ(b.MarginLeft(), 9);
  EXPECT_EQ(b.Chart3DPercent(), 40);
  EXPECT_EQ(b.View3DOptions().Rotation(), 10);
  EXPECT_EQ(b.PrintMargins[2], 7);
  EXPECT_TRUE(b.Monochrome());
  EXPECT_EQ(b.Color(), clRed);

  TFakeFontService fonts;
  TRecordingCanvas c(TRect(0, 0, 400, 250), &fonts);
  TCustomPlotPanel p;
  p.DrawInto(c, p.ChartExtent());
  TChartBrush hatch;
  hatch.SetStyle(bsCross);
  struct Case {
    TColor color, back, expect;
  };
  const Case cases[] = {
      {clRed, clRed, clBlack}, {clBlack, clBlack, clWhite}, {clRed, clBlue, clRed}};
  for (const Case& k : cases) {
    p.ApplyContrastBrush(k.color, hatch, k.back);
    EXPECT_EQ(p.Canvas().Ref().Brush.Color(), k.expect);
  }
  TPen dotted;
  dotted.SetStyle(psDot);
  p.PrinterPenWidth(dotted);
  EXPECT_EQ(dotted.Width(), 1);  // only while printing
  p.PrintingNow = true;
  p.PrinterPenWidth(dotted);
  EXPECT_EQ(dotted.Width(), 0);
}

TEST(ChartPanel, ExtendedBackgroundBevelsAndImage) {
  TCustomPlotPanelExtended panel;
  panel.SetBounds(100, 60);
  panel.SetBorderWidth(2);
  panel.SetBevelInner(bvLowered);
  TFakeFontService fonts;
  TRecordingCanvas c(TRect(0, 0, 100, 60), &fonts);
  panel.Canvas().SetBufferedDrawing(false);
  panel.DrawInto(c, panel.ChartExtent());
  // Background in the panel colour, then outer bevel (raised), border and
  // inner bevel (lowered): a polyline pair per ring, each ring inside the last.
  const TCanvasCall* fill = c.First("FillRect");
  ASSERT_NE(fill, nullptr);
  EXPECT_EQ(fill->State.BrushColor, ColorToRGB(clBtnFace));
  auto lines = c.Find("Polyline");
  ASSERT_EQ(lines.size(), 2u + 4u + 2u);
  EXPECT_EQ(lines[0]->State.PenColor, ColorToRGB(clBtnHighlight));
  EXPECT_EQ(lines[0]->Points.front(), TPoint(0, 59));
  EXPECT_EQ(lines[2]->Points.front(), TPoint(1, 58));            // border ring 1
  EXPECT_EQ(lines[6]->State.PenColor, ColorToRGB(clBtnShadow));  // inner bevel is lowered
  EXPECT_EQ(lines[6]->Points.front(), TPoint(3, 56));
  EXPECT_EQ(panel.ChartRect.Left, 2 + 3);

  // A tiled image repeats from the top-left corner; a centred one sits in
  // the middle; a visible gradient replaces the colour.
  TImage tile(30, 25, clRed);
  panel.SetBackImage(&tile);
  panel.SetBackImageMode(pbmTile);
  c.Clear();
  panel.DrawInto(c, panel.ChartExtent());
  EXPECT_EQ(c.Count("Draw"), 4 * 3);
  panel.SetBackImageMode(pbmCenter);
  c.Clear();
  panel.DrawInto(c, panel.ChartExtent());
  ASSERT_EQ(c.Count("Draw"), 1);
  EXPECT_EQ(c.First("Draw")->Args, (std::vector<int>{35, 17, 30, 25}));
  panel.SetBackImageInside(true);  // the back wall's business now
  c.Clear();
  panel.DrawInto(c, panel.ChartExtent());
  EXPECT_EQ(c.Count("Draw"), 0);
  panel.Gradient().SetVisible(true);
  c.Clear();
  panel.DrawInto(c, panel.ChartExtent());
  EXPECT_EQ(c.Count("FillRect"), 60);  // one band per row
  // Zoom defaults.
  EXPECT_TRUE(panel.Zoom().Allow);
  EXPECT_EQ(panel.Zoom().AnimatedSteps, 8);
  EXPECT_EQ(panel.Zoom().MinimumPixels, 16);
  EXPECT_EQ(panel.Zoom().Brush().Style(), bsClear);
  EXPECT_EQ(panel.Zoom().Pen().Color(), clWhite);
  EXPECT_FALSE(panel.Zoom().Pen().IsColorStored());
  TZoomPanning z;
  z.Activate(10, 20);
  z.X1 = 4;
  z.Y1 = 30;
  z.Check();
  EXPECT_EQ(z.X0, 4);
  EXPECT_EQ(z.X1, 10);
  EXPECT_TRUE(z.Active);
}

// Rectangle and print arithmetic worked out by hand.
TEST(ChartPanelRect, ChartRectFromBoundsBorderAndMargins) {
  struct Case {
    int width, height, border;
    TRect userRect;
    bool buffered;
    TRect chartRect;
  };
  const Case cases[] = {
      // MulDiv rounds halves away from zero: 3 % of 450 = 13.5 -> 14;
      // 4 % of 262 = 10.48 -> 10; the border comes off every side.
      {450, 262, 2, TRect(0, 0, 450, 262), false, TRect(16, 12, 434, 250)},
      // Unbuffered drawing keeps the user rectangle's origin.
      {400, 250, 0, TRect(10, 20, 410, 270), false, TRect(22, 30, 398, 260)},
      // Buffered drawing draws into a bitmap at 0, 0.
      {400, 250, 0, TRect(10, 20, 410, 270), true, TRect(12, 10, 388, 240)},
  };
  for (const Case& c : cases) {
    TCustomPlotPanel panel;
    panel.SetBounds(c.width, c.height);
    panel.SetBorderWidth(c.border);
    panel.Canvas().SetBufferedDrawing(c.buffered);
    TFakeFontService fonts;
    TRecordingCanvas rec(TRect(0, 0, 600, 400), &fonts);
    panel.DrawInto(rec, c.userRect);
    EXPECT_EQ(panel.ChartRect, c.chartRect) << c.width << "x" << c.height;
    EXPECT_EQ(panel.ChartWidth, c.chartRect.Width());
    EXPECT_EQ(panel.ChartYCenter, (c.chartRect.Top + c.chartRect.Bottom) / 2);
  }
  // Margins that meet exactly (Left = Right) widen the rectangle by the
  // panel's width, as the recalculation says.
  TCustomPlotPanel panel;
  panel.Canvas().SetBufferedDrawing(false);
  panel.SetMarginLeft(50);
  panel.SetMarginRight(50);
  TFakeFontService fonts;
  TRecordingCanvas rec(TRect(0, 0, 400, 250), &fonts);
  panel.DrawInto(rec, TRect(0, 0, 400, 250));
  EXPECT_EQ(panel.ChartRect.Left, 200);
  EXPECT_EQ(panel.ChartRect.Right, 600);
}

TEST(ChartPanelRect, PrintAreaRoundingAndProportionalMargins) {
  struct Case {
    int width, height;
    bool keepAspect;
    int pageWidth, pageHeight;
    double pixelRatio;
    int margins[4];
    TRect area;
  };
  const Case cases[] = {
      // 15 % of 4830 = 724.5 -> 724 and of 6630 = 994.5 -> 994 (ties to even).
      {400, 250, false, 4830, 6630, 1.0, {15, 15, 15, 15}, TRect(724, 994, 4106, 5636)},
      // Taller than wide: M(6600, 4800, 2/3) = Round(100 * (4800 - 2640) / 4800) div 2 = 22.
      {200, 300, true, 4800, 6600, 1.0, {22, 15, 22, 15}, TRect(1056, 990, 3744, 5610)},
      // Printer pixels twice as wide as high: 100 * (6600 - 3600) / 6600 = 45.45 -> 45 div 2 = 22.
      {400, 250, true, 4800, 6600, 2.0, {15, 22, 15, 22}, TRect(720, 1452, 4080, 5148)},
      // A square chart takes the second form: 100 * (4800 - 3960) / 4800 = 17.5 -> 18 div 2 = 9.
      {300, 300, true, 4800, 6600, 1.0, {9, 15, 9, 15}, TRect(432, 990, 4368, 5610)},
  };
  for (const Case& c : cases) {
    TCustomPlotPanel panel;
    panel.SetBounds(c.width, c.height);
    panel.KeepPrintAspect = c.keepAspect;
    const TRect r = panel.PrintArea(c.pageWidth, c.pageHeight, c.pixelRatio);
    for (int i = 0; i < 4; ++i)
      EXPECT_EQ(panel.PrintMargins[i], c.margins[i]) << c.width << "x" << c.height << " " << i;
    EXPECT_EQ(r, c.area) << c.width << "x" << c.height;
  }
}

}  // namespace
}  // namespace qv
