// Chart pictures through the Qt image canvas and services: printing to
// PDF, bitmap and metafile files, the clipboard, the not-XOR drag
// rectangle, and framed shapes and solids rendered to PNG files in the
// build folder for a look.
#include <gtest/gtest.h>

#include <QApplication>
#include <QImage>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "ChartOutputSupport.h"
#include "chart/DovOrara.h"
#include "platform/core/BmpWriter.h"
#include "platform/core/Process.h"
#include "platform/core/Services.h"
#include "platform/core/WmfWriter.h"
#include "platform/gui/QtHost.h"
#include "platform/gui/QtServices.h"

namespace qv {
namespace {

using chartoutput::Out;
using chartoutput::ReadFile;
using chartoutput::SavePng;

// A panel whose drawing shows something: a gradient background.
struct Fixture : ::testing::Test {
  static void SetUpTestSuite() { InstallQtServices(); }
  TCustomPlotPanelExtended panel;
  Fixture() {
    panel.SetBounds(200, 120);
    panel.Gradient().SetVisible(true);
    panel.Gradient().SetStartColor(clBlue);
    panel.Gradient().SetEndColor(clYellow);
  }
};

TEST_F(Fixture, PrintsOnePdfPage) {
  const std::string pdf = Out("chart-print.pdf");
  std::filesystem::remove(pdf);
  Printer()->SetOutputFile(pdf);
  panel.SetName("ChartPrintTest");
  panel.Print();
  EXPECT_FALSE(panel.PrintingNow);
  const TProcessResult info = RunProcess("pdfinfo", {pdf}, 30000);
  ASSERT_TRUE(info.Succeeded()) << info.StdErr << info.Error;
  const std::size_t pages = info.StdOut.find("Pages:");
  ASSERT_NE(pages, std::string::npos) << info.StdOut;
  EXPECT_EQ(std::stoi(info.StdOut.substr(pages + 6)), 1);
  EXPECT_NE(info.StdOut.find("ChartPrintTest"), std::string::npos) << info.StdOut;
}

TEST_F(Fixture, BitmapFileMatchesHeadlessRender) {
  const std::string bmp = Out("chart.bmp");
  panel.SaveToBitmapFile(bmp);
  const auto image = panel.RenderToBitmap(clWhite, panel.GetRectangle());
  EXPECT_EQ(ReadFile(bmp), EncodeBmp(*image));
  // Real pixels: blue at the bottom, yellow at the top, bevel at the edge.
  const TColor bottom = image->Pixel(100, 118), top = image->Pixel(100, 1);
  EXPECT_GT(GetBValue(bottom), 240);
  EXPECT_LT(GetRValue(bottom) + GetGValue(bottom), 10);
  EXPECT_GT(GetRValue(top) + GetGValue(top), 480);
  EXPECT_LT(GetBValue(top), 10);
  EXPECT_EQ(image->Pixel(0, 50), ColorToRGB(clBtnHighlight));
  // The surface keeps its buffering.
  EXPECT_TRUE(panel.Canvas().BufferedDrawing());
}

TEST_F(Fixture, MetafileRendersWithWmf2svg) {
  const std::string wmf = Out("chart.wmf"), svg = Out("chart.svg");
  std::filesystem::remove(svg);
  panel.SaveToMetafile(wmf);
  EXPECT_FALSE(panel.Canvas().Metafiling);
  const std::string bytes = ReadFile(wmf);
  ASSERT_GE(bytes.size(), 22u);
  EXPECT_EQ(bytes.substr(0, 4), std::string("\xD7\xCD\xC6\x9A", 4));  // placeable header
  const TProcessResult r = RunProcess("wmf2svg", {"-o", svg, wmf}, 30000);
  ASSERT_TRUE(r.Succeeded()) << r.StdErr << r.Error;
  const std::string text = ReadFile(svg);
  EXPECT_NE(text.find("<svg"), std::string::npos);
  // The 120 gradient bands and the bevel's lines came through.
  int rects = 0;
  for (std::size_t at = text.find("<rect"); at != std::string::npos;
       at = text.find("<rect", at + 1))
    ++rects;
  EXPECT_EQ(rects, 120);
  EXPECT_NE(text.find("<polyline"), std::string::npos);
}

TEST_F(Fixture, ClipboardGetsTheRender) {
  TFakeClipboard clip;
  SetClipboardService(&clip);
  panel.CopyToClipboardBitmap();
  SetClipboardService(nullptr);
  ASSERT_NE(clip.GetData().Image, nullptr);
  const TImage& got = *clip.GetData().Image;
  const auto expect = panel.RenderToBitmap(clWhite, panel.GetRectangle());
  ASSERT_EQ(got.Width(), 200);
  EXPECT_EQ(EncodeBmp(got), EncodeBmp(*expect));
}

TEST_F(Fixture, NotXorDragRectangleTwiceRestores) {
  for (bool solidBrush : {false, true}) {
    TImage image(200, 120);
    panel.DrawInto(image.Canvas(), panel.GetRectangle());
    image.CloseCanvas();
    const TImage before = image;
    if (solidBrush) {
      panel.Zoom().Brush().SetStyle(bsSolid);
      panel.Zoom().Brush().SetColor(clRed);
    }
    panel.Zoom().Activate(20, 30);
    panel.Zoom().X1 = 120;
    panel.Zoom().Y1 = 90;
    panel.Canvas().SetReferenceCanvas(&image.Canvas());
    panel.PaintDragRect();
    image.CloseCanvas();
    int changed = 0;
    for (int y = 0; y < 120; ++y)
      for (int x = 0; x < 200; ++x) changed += image.Pixel(x, y) != before.Pixel(x, y);
    EXPECT_GT(changed, solidBrush ? 5000 : 300) << solidBrush;
    EXPECT_EQ(image.Pixel(10, 10), before.Pixel(10, 10));  // outside
    panel.Canvas().SetReferenceCanvas(&image.Canvas());
    panel.PaintDragRect();
    image.CloseCanvas();
    int left = 0;
    for (int y = 0; y < 120; ++y)
      for (int x = 0; x < 200; ++x) left += image.Pixel(x, y) != before.Pixel(x, y);
    EXPECT_EQ(left, 0) << solidBrush;
  }
  // On the plain panel colour the frame shows in the zoom pen's colour.
  TCustomPlotPanelExtended plain;
  plain.SetBounds(100, 80);
  plain.SetBevelOuter(bvNone);
  TImage image(100, 80);
  plain.DrawInto(image.Canvas(), plain.GetRectangle());
  plain.Zoom().Activate(10, 10);
  plain.Zoom().X1 = 50;
  plain.Zoom().Y1 = 40;
  plain.PaintDragRect();
  image.CloseCanvas();
  EXPECT_EQ(image.Pixel(10, 20), clWhite);
  EXPECT_EQ(image.Pixel(30, 20), ColorToRGB(clBtnFace));
}

TEST_F(Fixture, FramedShapesRendered) {
  TCustomPlotPanelExtended chart;
  chart.SetBounds(420, 300);
  chart.SetColor(clWhite);
  TImage image(420, 300);
  chart.Canvas().SetBufferedDrawing(false);
  chart.DrawInto(image.Canvas(), chart.GetRectangle());
  TPlotCanvas3D& s = chart.Canvas();
  s.SetReferenceCanvas(&image.Canvas());

  TPlotCustomShape rounded(&chart), gradient(&chart), bevelled(&chart), rotated(&chart),
      blended(&chart), hidden(&chart);
  rounded.SetShapeStyle(fosRoundRectangle);
  rounded.SetColor(RGB(255, 230, 150));
  rounded.SetShadowSize(6);
  rounded.SetShadowColor(clGray);
  rounded.ShapeBounds = TRect(20, 20, 180, 90);
  gradient.Gradient().SetVisible(true);
  gradient.Gradient().SetStartColor(clNavy);
  gradient.Gradient().SetEndColor(clAqua);
  gradient.Gradient().SetMidColor(clWhite);
  gradient.SetShapeStyle(fosRoundRectangle);
  gradient.ShapeBounds = TRect(220, 20, 400, 110);
  bevelled.SetBevel(bvRaised);
  bevelled.SetBevelWidth(4);
  bevelled.SetColor(clSilver);
  bevelled.SetShadowSize(0);
  bevelled.ShapeBounds = TRect(20, 130, 180, 200);
  rotated.SetColor(clLime);
  rotated.Pen().SetWidth(2);
  // A red band under the blended shape shows through at 50 percent.
  s.Ref().Brush.SetStyle(bsSolid);
  s.Ref().Brush.SetColor(clRed);
  s.Ref().Pen.SetStyle(psClear);
  s.FillRect(TRect(20, 230, 400, 250));
  blended.SetColor(clBlue);
  blended.SetShadowSize(0);
  blended.SetTransparency(50);
  blended.ShapeBounds = TRect(40, 220, 380, 280);
  hidden.SetTransparent(true);
  hidden.ShapeBounds = TRect(0, 0, 420, 300);

  rounded.PaintShape();
  gradient.PaintShape();
  bevelled.PaintShape();
  rotated.DrawShapeRotated(TRect(240, 140, 380, 190), 30, 0);
  blended.PaintShape();
  hidden.PaintShape();
  image.CloseCanvas();
  SavePng(image, Out("framed-shapes.png"));

  EXPECT_EQ(image.Pixel(100, 55), RGB(255, 230, 150));          // rounded fill
  EXPECT_EQ(image.Pixel(183, 70), clGray);                      // its shadow (3 + frame 1 = ... 7)
  EXPECT_EQ(image.Pixel(21, 21), clWhite);                      // rounded corner left blank
  EXPECT_EQ(image.Pixel(310, 65), clWhite);                     // gradient passes the middle colour
  EXPECT_EQ(image.Pixel(22, 132), ColorToRGB(clBtnHighlight));  // raised bevel, top left
  EXPECT_EQ(image.Pixel(177, 197), ColorToRGB(clBtnShadow));    // and bottom right
  EXPECT_EQ(image.Pixel(310, 165), clLime);                     // rotated centre
  EXPECT_EQ(image.Pixel(245, 142), clWhite);                    // a corner turned away
  EXPECT_EQ(image.Pixel(200, 240), RGB(0x7F, 0, 0x80));         // blue over red at 50 %
  EXPECT_EQ(image.Pixel(200, 265), RGB(0x7F, 0x7F, 0xFF));      // blue over white
}

TEST_F(Fixture, SolidsRendered) {
  TImage image(480, 220);
  TPlotCanvas3D s;
  s.SetBufferedDrawing(false);
  TView3DOptions view;
  s.BeginDrawing(image.Canvas(), &view, clWhite, true, TRect(0, 0, 480, 220));
  s.SetProjectionCentre(60, TRect(0, 0, 480, 220));
  s.Ref().Pen.SetColor(clBlack);
  s.Ref().Brush.SetColor(RGB(90, 160, 230));
  s.Cylinder3D(true, 20, 40, 90, 190, 10, 60, true);
  s.Cone3D(true, 110, 40, 180, 190, 10, 60, true, 0);
  s.Ref().Brush.SetColor(RGB(230, 150, 60));
  s.Pyramid3D(true, 200, 40, 270, 190, 10, 60, true);
  s.Frustum3D(TRect(290, 40, 360, 190), 10, 60, 15, 10);
  s.Ref().Brush.SetColor(RGB(120, 200, 120));
  s.PieSlice3D(420, 110, 50, 50, 0.2, 2.6, 10, 40, true, true);
  s.Box3D(380, 460, 170, 200, 0, 20, true);
  s.Arrow3D(true, TPoint(20, 210), TPoint(120, 200), 12, 20, 0);
  image.CloseCanvas();
  SavePng(image, Out("solids.png"));
  // Centre of the cylinder's front in the brush colour, darkened at most
  // by the lightest shading step.
  const TColor front = image.Pixel(55, 140);
  EXPECT_EQ(front, DarkenColor(RGB(90, 160, 230), GetRValue(RGB(90, 160, 230)) - GetRValue(front)));
  EXPECT_NE(image.Pixel(55, 140), clWhite);
  EXPECT_NE(image.Pixel(235, 150), clWhite);  // pyramid
}

TEST_F(Fixture, PrintWithoutPrinterRaisesPrinterError) {
  TPrinterService* installed = Printer();
  SetPrinterService(nullptr);
  try {
    panel.Print();
    ADD_FAILURE() << "no exception";
  } catch (const EPrinter& e) {
    EXPECT_EQ(e.Message(), "Printer selected is not valid");
  }
  SetPrinterService(installed);
}

TEST_F(Fixture, LeavingTheWindowEndsTheDrag) {
  TControlWidget w(&panel);
  w.resize(200, 120);
  panel.SetCursor(crCross);
  panel.DragRect.Activate(5, 5);
  QEvent leave(QEvent::Leave);
  QApplication::sendEvent(&w, &leave);
  EXPECT_FALSE(panel.DragRect.Active);
  EXPECT_EQ(panel.Cursor(), panel.SavedCursor);
  w.SetCore(nullptr);
}

}  // namespace
}  // namespace qv
