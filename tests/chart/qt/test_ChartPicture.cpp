// The result chart of the main window, rebuilt as the window builds it (a
// red fast line of calculated values, blue star points of observed ones,
// titles and a legend), drawn through the Qt image canvas: pixels at known
// places in 2-D and 3-D, and PNG files in the build folder for a look.
#include <gtest/gtest.h>

#include <QImage>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "ChartOutputSupport.h"
#include "chart/Series.h"
#include "platform/core/Image.h"
#include "platform/core/Process.h"
#include "platform/core/Services.h"
#include "platform/gui/QtCanvas.h"
#include "platform/gui/QtServices.h"

namespace qv {
namespace {

using chartoutput::Out;
using chartoutput::ReadFile;
using chartoutput::SavePng;

// The result chart: calculated values as a red fast line, observed values
// as blue stars.
struct ResultChart {
  TChart chart;
  TFastLineSeries calculated;
  TPointSeries target;
  explicit ResultChart(bool view3D) {
    chart.SetBounds(400, 250);
    chart.SetView3D(view3D);
    chart.Title().Text().Add("Observed against calculated");
    chart.LeftAxis().Title.SetCaption("Y");
    chart.BottomAxis().Title.SetCaption("Data point");
    calculated.SetSeriesColor(clRed);
    calculated.SetTitle("Calculated y");
    calculated.SetParentChart(&chart);
    target.SetSeriesColor(clBlue);
    target.SetTitle("Target y");
    target.Pointer().SetStyle(psStar);
    target.SetParentChart(&chart);
    for (int i = 0; i <= 20; ++i) {
      calculated.AddY(i * i);
      target.AddY(i * i + (i % 3 == 0 ? 12 : -9));
    }
  }
};

struct ChartPicture : ::testing::Test {
  static void SetUpTestSuite() { InstallQtServices(); }
};

// Pixels of Colour in the rectangle.
int Count(const TImage& im, const TRect& r, TColor colour) {
  int n = 0;
  for (int y = r.Top; y < r.Bottom; ++y)
    for (int x = r.Left; x < r.Right; ++x) n += im.Pixel(x, y) == colour;
  return n;
}
bool Dark(TColor c) { return GetRValue(c) + GetGValue(c) + GetBValue(c) < 200; }
int CountBluish(const TImage& im, const TRect& r) {
  int n = 0;
  for (int y = r.Top; y < r.Bottom; ++y)
    for (int x = r.Left; x < r.Right; ++x) {
      const TColor c = im.Pixel(x, y);
      n += GetBValue(c) > 150 && GetRValue(c) < 120 && GetGValue(c) < 120;
    }
  return n;
}
int CountDark(const TImage& im, const TRect& r) {
  int n = 0;
  for (int y = r.Top; y < r.Bottom; ++y)
    for (int x = r.Left; x < r.Right; ++x) n += Dark(im.Pixel(x, y));
  return n;
}

TEST_F(ChartPicture, ResultChart2D) {
  ResultChart r(false);
  auto image = r.chart.RenderToBitmap(clWhite, r.chart.ChartExtent());
  SavePng(*image, Out("result-chart-2d.png"));
  const TImage& im = *image;
  TChart& c = r.chart;
  const TRect cr = c.ChartRect;
  const TColor face = ColorToRGB(clBtnFace);
  // The panel colour around and inside the plot (the back wall is clear).
  EXPECT_EQ(im.Pixel(6, 120), face);
  EXPECT_EQ(im.Pixel(cr.Left + 3, cr.Top + 3), face);
  // The left axis: a black line two pixels wide at the plot's left edge.
  TChartAxis& left = c.LeftAxis();
  EXPECT_EQ(left.AxisPosition, cr.Left);
  int axisRows = 0;
  for (int y = cr.Top + 5; y < cr.Bottom - 5; ++y)
    axisRows += im.Pixel(cr.Left, y) == clBlack || im.Pixel(cr.Left - 1, y) == clBlack;
  EXPECT_EQ(axisRows, cr.Height() - 10);
  // The label "200" right-aligned just before the ticks, centred on its value.
  const int y200 = left.ValueToPixelY(200);
  EXPECT_GT(CountDark(im, TRect(left.LabelsPosition - 20, y200 - 5, left.LabelsPosition, y200 + 5)),
            10);
  EXPECT_EQ(CountDark(im, TRect(left.LabelsPosition + 1, y200 - 5, cr.Left - 6, y200 + 5)), 0);
  // A dotted grey grid line at 200 across the plot.
  const int grey = Count(im, TRect(cr.Left + 2, y200, cr.Right - 2, y200 + 1), clGray);
  EXPECT_GT(grey, cr.Width() / 4);
  EXPECT_LT(grey, cr.Width());
  // The red fast line through calculated point 15, the blue star on target 15.
  const TPoint p15(r.calculated.CalcXPos(15), r.calculated.CalcYPos(15));
  EXPECT_GT(Count(im, TRect(p15.X - 1, p15.Y - 1, p15.X + 2, p15.Y + 2), clRed), 0);
  const TPoint t15(r.target.CalcXPos(15), r.target.CalcYPos(15));
  EXPECT_EQ(im.Pixel(t15.X, t15.Y), clBlue);
  EXPECT_EQ(im.Pixel(t15.X + 4, t15.Y + 4), clBlue);  // a diagonal arm
  // The legend: white box, black frame, the two titles, a red symbol line.
  const TRect lb = c.Legend().ShapeBounds;
  EXPECT_EQ(im.Pixel(lb.Right - 3, lb.Top + 3), clWhite);
  EXPECT_EQ(im.Pixel(lb.Left, lb.Top + 5), clBlack);
  EXPECT_GT(Count(im, lb, clRed), 10);
  EXPECT_GT(Count(im, lb, clBlue), 10);
  // The title in blue above the plot.
  EXPECT_GT(CountBluish(im, c.Title().ShapeBounds), 40);
  EXPECT_LT(c.Title().ShapeBounds.Bottom, cr.Top);
}

TEST_F(ChartPicture, ResultChart3D) {
  ResultChart r(true);
  auto image = r.chart.RenderToBitmap(clWhite, r.chart.ChartExtent());
  SavePng(*image, Out("result-chart-3d.png"));
  const TImage& im = *image;
  TChart& c = r.chart;
  const TRect cr = c.ChartRect;
  const int w3 = c.Width3D;
  // Two series one behind the other.
  EXPECT_EQ(w3, 2 * c.SeriesWidth3D);
  ASSERT_GT(w3, 4);
  TPlotCanvas3D& canvas = c.Canvas();
  // The left wall in its light yellow, across the depth.
  const TPoint lw = canvas.ProjectPoint(cr.Left, (cr.Top + cr.Bottom) / 2, w3 / 2);
  EXPECT_EQ(im.Pixel(lw.X, lw.Y), TColor(0x80FFFF));
  // The floor in white.
  const TPoint fl = canvas.ProjectPoint(cr.Left + 7, cr.Bottom, w3 / 2);
  EXPECT_EQ(im.Pixel(fl.X, fl.Y), clWhite);
  // The back wall's frame stands the depth up and to the right of the plot.
  const TPoint back = canvas.ProjectPoint(cr.Right, (cr.Top + cr.Bottom) / 2, w3);
  EXPECT_EQ(back.X, cr.Right + w3);
  EXPECT_EQ(im.Pixel(back.X, back.Y), clBlack);
  // The calculated line runs at the back series' middle depth.
  const int z = r.calculated.MiddleZ;
  EXPECT_EQ(r.calculated.StartZ, c.SeriesWidth3D);
  const TPoint p = canvas.ProjectPoint(r.calculated.CalcXPos(15), r.calculated.CalcYPos(15), z);
  EXPECT_GT(Count(im, TRect(p.X - 1, p.Y - 1, p.X + 2, p.Y + 2), clRed), 0);
}

TEST_F(ChartPicture, ResultChartPrintedAndSavedAsMetafile) {
  ResultChart r(false);
  // Printed: one page with the titles and legend texts.
  const std::string pdf = Out("result-chart.pdf");
  std::filesystem::remove(pdf);
  Printer()->SetOutputFile(pdf);
  r.chart.Print();
  const TProcessResult text = RunProcess("pdftotext", {pdf, "-"}, 30000);
  ASSERT_TRUE(text.Succeeded()) << text.StdErr << text.Error;
  EXPECT_NE(text.StdOut.find("Observed against calculated"), std::string::npos) << text.StdOut;
  EXPECT_NE(text.StdOut.find("Calculated y"), std::string::npos);
  EXPECT_NE(text.StdOut.find("Data point"), std::string::npos);
  // As a metafile: the texts and the red line come through a peer renderer.
  const std::string wmf = Out("result-chart.wmf"), svg = Out("result-chart.svg");
  std::filesystem::remove(svg);
  r.chart.SaveToMetafile(wmf);
  const TProcessResult conv = RunProcess("wmf2svg", {"-o", svg, wmf}, 30000);
  ASSERT_TRUE(conv.Succeeded()) << conv.StdErr << conv.Error;
  const std::string svgText = ReadFile(svg);
  EXPECT_NE(svgText.find("Target y"), std::string::npos);
  EXPECT_NE(svgText.find("<polyline"), std::string::npos);
}

}  // namespace
}  // namespace qv
