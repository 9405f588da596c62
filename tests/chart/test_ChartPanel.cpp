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
  panel.SetBounds(200, 300);   // taller than wide: left and right follow
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
