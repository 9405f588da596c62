// The splash and about window: the six surface formulas over the 51 x 51
// grid, a surface drawn at random each time, and closing by key or click.
#include <gtest/gtest.h>

#include <QApplication>
#include <QKeyEvent>
#include <QLabel>
#include <cmath>
#include <set>

#include "app/FlashUnit.h"
#include "chart/PlotSurfa.h"
#include "chart/qt/ChartWidget.h"
#include "platform/gui/QtServices.h"

namespace qv {
namespace {

class FlashFormTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { InstallQtServices(); }
};

TEST_F(FlashFormTest, FormulasAtKnownPoints) {
  struct Case {
    int Formula;
    double A, X, Z, Y;
  } cases[] = {
      {0, 5, 1, 2, 1 + 1 + 5 * std::sin(2.0)},
      {1, 7, 1, 2, 1 + 1 + 7 * std::sin(3.0)},
      {2, 7, 1, 2, 1 + 9 + 7 * std::sin(3.0)},
      {3, 0, 0, 0, 0},  // sin(0)^2 - 0.5 over 1, plus 0.5
      {3, 0, 3, 0, (std::sin(3.0) * std::sin(3.0) - 0.5) / std::pow(1.009, 2) + 0.5},
      {4, 0, 1, 1, (std::pow(std::sin(std::sqrt(2.0)), 2) - 0.5) / std::pow(1.2, 2) + 0.5},
      {5, 0, 1, 0, (std::pow(std::sin(1.0), 2) - 0.5 * std::sin(1.0)) / std::pow(1.001, 2) + 0.5},
  };
  for (const Case& c : cases)
    EXPECT_NEAR(TFlashForm::SurfaceValue(c.Formula, c.A, c.X, c.Z), c.Y, 1e-12) << c.Formula;
}

TEST_F(FlashFormTest, SurfaceCoversTheGridFromMinusThreeToThree) {
  TFlashForm form(nullptr, false);
  const auto& s = form.Surface();
  ASSERT_EQ(s.size(), 51u);
  ASSERT_EQ(s[0].size(), 51u);
  EXPECT_GE(form.Formula(), 0);
  EXPECT_LE(form.Formula(), 5);
  EXPECT_GE(form.Amplitude(), 5);
  EXPECT_LT(form.Amplitude(), 15);
  EXPECT_DOUBLE_EQ(s[0][50], TFlashForm::SurfaceValue(form.Formula(), form.Amplitude(), -3, 3));
  EXPECT_DOUBLE_EQ(
      s[25][10],
      TFlashForm::SurfaceValue(
          form.Formula(), form.Amplitude(), 0.12 * 25 - 3,
          0.12 * 10 - 3));  // The chart holds it as one surface series: X = i, Y = y, Z = j.
  const TCustomChart& chart = form.findChild<TChartWidget*>("FlashChart")->Chart();
  ASSERT_EQ(chart.SeriesCount(), 1);
  const auto* surface = dynamic_cast<const TSurfaceSeries*>(&chart.GetSeries(0));
  ASSERT_NE(surface, nullptr);
  ASSERT_EQ(surface->Count(), 51 * 51);
  const int k = 25 * 51 + 10;
  EXPECT_EQ(surface->GetXValue(k), 25);
  EXPECT_EQ(surface->GetYValue(k), s[25][10]);
  EXPECT_FALSE(surface->Pen().Visible());
}

TEST_F(FlashFormTest, SurfacesDifferFromWindowToWindow) {
  std::set<std::pair<int, double>> drawn;
  for (int i = 0; i < 6; ++i) {
    TFlashForm form(nullptr, false);
    drawn.insert({form.Formula(), form.Amplitude()});
  }
  EXPECT_GT(drawn.size(), 1u);
}

TEST_F(FlashFormTest, AboutBoxAndSplashLook) {
  TFlashForm about(nullptr, false);
  EXPECT_EQ(about.windowTitle().toStdString(), "About Quorvane");
  EXPECT_EQ(about.size(), QSize(352, 412));
  EXPECT_TRUE(about.findChild<QWidget*>("Shape1")->isHidden());
  auto* name = about.findChild<QLabel*>("Label1");
  auto* shadow = about.findChild<QLabel*>("Label2");
  EXPECT_EQ(name->text().toStdString(), "Quorvane");
  EXPECT_EQ(shadow->x(), name->x() + 5);
  TFlashForm splash(nullptr, true);
  EXPECT_FALSE(splash.findChild<QWidget*>("Shape1")->isHidden());
  EXPECT_TRUE(splash.windowFlags() & Qt::FramelessWindowHint);
}

TEST_F(FlashFormTest, EnterEscapeAndClickClose) {
  for (int key : {int(Qt::Key_Escape), int(Qt::Key_Return), int(Qt::Key_Enter), 0}) {
    TFlashForm form(nullptr, false);
    form.show();
    QApplication::processEvents();
    ASSERT_TRUE(form.isVisible());
    if (key) {
      QKeyEvent e(QEvent::KeyPress, key, Qt::NoModifier);
      QApplication::sendEvent(&form, &e);
    } else {
      QMouseEvent e(QEvent::MouseButtonPress, QPointF(10, 10), QPointF(10, 10), Qt::LeftButton,
                    Qt::LeftButton, Qt::NoModifier);
      QApplication::sendEvent(form.findChild<QWidget*>("Label9"), &e);
    }
    EXPECT_FALSE(form.isVisible()) << key;
  }
}

}  // namespace
}  // namespace qv
