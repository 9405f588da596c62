// The result chart of the main window, rebuilt as the window builds it (a
// red fast line of calculated values, blue star points of observed ones,
// titles and a legend), drawn through the Qt image canvas: pixels at known
// places in 2-D and 3-D, and PNG files in the build folder for a look.
#include <gtest/gtest.h>

#include <QImage>

#include "chart/Series.h"
#include "platform/core/Image.h"
#include "platform/gui/QtCanvas.h"

namespace qv {
namespace {

void SavePng(const TImage& image, const std::string& name) {
  QImage q(reinterpret_cast<const uchar*>(image.Bits()), image.Width(), image.Height(),
           image.Width() * 4, QImage::Format_RGB32);
  ASSERT_TRUE(q.save(QString::fromStdString(std::string(QV_BINARY_DIR) + "/" + name), "PNG"));
}

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
  static void SetUpTestSuite() { InstallQtGraphics(); }
};

TEST_F(ChartPicture, ResultChart2D) {
  ResultChart r(false);
  auto image = r.chart.RenderToBitmap(clWhite, r.chart.ChartExtent());
  SavePng(*image, "result-chart-2d.png");
}

TEST_F(ChartPicture, ResultChart3D) {
  ResultChart r(true);
  auto image = r.chart.RenderToBitmap(clWhite, r.chart.ChartExtent());
  SavePng(*image, "result-chart-3d.png");
}

}  // namespace
}  // namespace qv
