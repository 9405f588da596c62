// The chart on a Qt widget: painting shows the chart, a dragged rectangle
// zooms and a reverse drag undoes it, the wheel scrolls, and a fast line
// with AutoRepaint off grows on the window without a new picture.
#include <gtest/gtest.h>

#include <QApplication>
#include <QMouseEvent>
#include <QWheelEvent>

#include "chart/Series.h"
#include "chart/qt/ChartWidget.h"
#include "platform/gui/QtCanvas.h"

namespace qv {
namespace {

struct ChartWidgetTest : ::testing::Test {
  static void SetUpTestSuite() { InstallQtGraphics(); }
  TChartWidget widget;
  TFastLineSeries line;
  TCustomChart& chart = widget.Chart();
  ChartWidgetTest() {
    widget.resize(400, 250);
    chart.SetView3D(false);
    chart.Legend().SetVisible(false);
    line.SetParentChart(&chart);
    for (int i = 0; i <= 100; ++i) line.AddXY(i, i * i);
  }
  ~ChartWidgetTest() override { line.SetParentChart(nullptr); }
  QImage Shot() { return widget.viewport()->grab().toImage(); }
  void Mouse(QEvent::Type type, Qt::MouseButton button, int x, int y) {
    const Qt::MouseButtons held = type == QEvent::MouseButtonRelease ? Qt::NoButton : button;
    QMouseEvent e(type, QPointF(x, y), QPointF(x, y), button, held, Qt::NoModifier);
    QApplication::sendEvent(widget.viewport(), &e);
  }
  void Drag(int x0, int y0, int x1, int y1) {
    Mouse(QEvent::MouseButtonPress, Qt::LeftButton, x0, y0);
    Mouse(QEvent::MouseMove, Qt::LeftButton, (x0 + x1) / 2, (y0 + y1) / 2);
    Mouse(QEvent::MouseMove, Qt::LeftButton, x1, y1);
    Mouse(QEvent::MouseButtonRelease, Qt::LeftButton, x1, y1);
  }
};

TEST_F(ChartWidgetTest, PaintsTheChartAtTheWidgetsSize) {
  const QImage shot = Shot();
  EXPECT_EQ(chart.ChartExtent(), TRect(0, 0, 400, 250));
  // The red line crosses the plot.
  const int x = line.CalcXPos(50), y = line.CalcYPos(50);
  bool red = false;
  for (int dy = -1; dy <= 1; ++dy) red = red || shot.pixelColor(x, y + dy) == QColor(255, 0, 0);
  EXPECT_TRUE(red);
}

TEST_F(ChartWidgetTest, DragZoomsAndReverseDragUndoes) {
  Shot();
  const TRect r = chart.ChartRect;
  const double lo = chart.BottomAxis().PixelToValue(r.Left + 50);
  Drag(r.Left + 50, r.Top + 20, r.Left + 150, r.Top + 120);
  EXPECT_TRUE(chart.Zoomed);
  EXPECT_DOUBLE_EQ(chart.BottomAxis().Minimum(), lo);
  // While a rectangle is dragged the window shows it over the picture.
  const QImage before = Shot();
  Mouse(QEvent::MouseButtonPress, Qt::LeftButton, r.Left + 150, r.Top + 120);
  Mouse(QEvent::MouseMove, Qt::LeftButton, r.Left + 60, r.Top + 30);
  EXPECT_TRUE(chart.Zoom().Active);
  const QImage during = Shot();
  int changed = 0;
  for (int y = r.Top + 35; y < r.Top + 115; ++y)
    changed += during.pixelColor(r.Left + 60, y) != before.pixelColor(r.Left + 60, y);
  EXPECT_GT(changed, 70);
  Mouse(QEvent::MouseButtonRelease, Qt::LeftButton, r.Left + 60, r.Top + 30);
  EXPECT_FALSE(chart.Zoomed);
  EXPECT_TRUE(chart.BottomAxis().Automatic());
}

TEST_F(ChartWidgetTest, HandCursorOfTheChart) {
  chart.SetCursor(crPlotHand);
  EXPECT_EQ(widget.viewport()->cursor().shape(), Qt::PointingHandCursor);
}

TEST_F(ChartWidgetTest, WheelScrollsTheVerticalAxis) {
  Shot();
  chart.LeftAxis().SetRange(0, 100);
  QWheelEvent e(QPointF(200, 100), QPointF(200, 100), QPoint(), QPoint(0, -120), Qt::NoButton,
                Qt::NoModifier, Qt::NoScrollPhase, false);
  QApplication::sendEvent(widget.viewport(), &e);
  EXPECT_TRUE(e.isAccepted());
  EXPECT_DOUBLE_EQ(chart.LeftAxis().Minimum(), 3);
}

TEST_F(ChartWidgetTest, LiveSegmentsReachTheWindow) {
  chart.BottomAxis().SetRange(0, 200);
  chart.LeftAxis().SetRange(0, 40000);
  Shot();
  line.AutoRepaint = false;
  const int repaintsBefore = chart.InvalidateCount();
  line.AddXY(150, 22500);
  const QImage after = Shot();
  EXPECT_EQ(chart.InvalidateCount(), repaintsBefore);
  // The new segment, from point 100 to point 101, is on the window.
  const int x = (line.CalcXPos(100) + line.CalcXPos(101)) / 2;
  const int y = (line.CalcYPos(100) + line.CalcYPos(101)) / 2;
  bool red = false;
  for (int dy = -2; dy <= 2; ++dy) red = red || after.pixelColor(x, y + dy) == QColor(255, 0, 0);
  EXPECT_TRUE(red);
}

}  // namespace
}  // namespace qv
