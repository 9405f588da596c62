// Axis arithmetic worked out by hand: label increments for numeric and
// date-time spans (with Round ties to even), the label-size based increment,
// pixel rounding on linear, inverted and depth axes, and clamping.
#include <gtest/gtest.h>

#include <cmath>

#include "AxisTestSupport.h"
#include "chart/Chart.h"
#include "chart/VeZazera.h"

namespace qv {
namespace {

TEST(AxisScaleReview, ComputeIncrementCases) {
  using Case = axistest::TIncrementCase;
  const double hour = 1.0 / 24, minute = 1.0 / 1440;
  const Case cases[] = {
      // 25 / 10 = 2.5 labels rounds to 2 (ties to even), so 10 fits 2 labels.
      {0, 25, false, 0, 2, 10},
      {-1000, 1000, false, 0, 10, 200},
      // A set increment climbs the 1-2-5 ladder: 0.3 -> 0.5 -> 1.
      {0, 3, false, 0.3, 5, 1},
      // A span of at least 1 starts from 1 even when 1 label fits once.
      {0, 1, false, 0, 5, 1},
      // Below 1 the ladder starts at 1e-12 and stops at 0.05 (10 labels).
      {0, 0.5, false, 0, 10, 0.05},
      // A span far below 1e-12 keeps the smallest step.
      {0, 1e-15, false, 0, 5, 1e-12},
      // One hour, 4 labels: 1 ms, then span/1e6, then the table from 1 s
      // up to 15 minutes (4 labels).
      {0, hour, true, 0, 4, 15 * minute},
      // A set date-time increment that fits stays.
      {0, 30, true, 7, 10, 7},
      // Two years: 6 months give 4 labels, a year 2; beyond a year doubles.
      {0, 730, true, 0, 3, 365},
      {0, 730, true, 0, 1, 730},
      // 10000 days, 10 labels: 365 (27), 730 (13.7 -> 14), 1460 (6.8 -> 7).
      {0, 10000, true, 0, 10, 1460},
      // A set increment below 1 ms starts at 1 ms.
      {0, 1.0 / 86400000.0 * 3, true, 1e-12, 5, 1.0 / 86400000.0},
  };
  for (const Case& c : cases) axistest::CheckComputeIncrement(c);
}

TEST(AxisScaleReview, NextIncrementStepMoreRungs) {
  const double cases[][2] = {{0.05, 0.1}, {0.07, 0.1}, {0.02, 0.05}, {3, 5},
                             {15, 20},    {200, 500},  {4999, 5000}, {1e-12, 2e-12}};
  for (const auto& c : cases)
    EXPECT_NEAR(TChartAxis::NextIncrementStep(c[0]), c[1], 1e-9 * c[1]) << c[0];
  // The ladder always climbs, down to the smallest positive step.
  for (double step : {1e-12, 1e-14, 5e-13, 1e-300, 5e-324})
    EXPECT_GT(TChartAxis::NextIncrementStep(step), step) << step;
}

TEST(AxisScaleReview, LabelsIncrementRoundsSeparationToEven) {
  // Label size 25 with 10 % separation: 25 + Round(2.5) = 27 pixels; 122
  // pixels hold Round(4.52) = 5 labels, so the step for 0..100 is 20 (with
  // 28 pixels it would be 4 labels and a step of 50).
  TChartAxis ax(nullptr);
  ax.SetHorizontal(true);
  ax.SetPixelEnds(0, 122);
  ax.RangeMinimum = 0;
  ax.RangeMaximum = 100;
  ax.RecalculateScale();
  EXPECT_DOUBLE_EQ(ax.LabelsIncrement(25), 20);
}

struct ScaleFixture : ::testing::Test {
  TCustomAxisPanel chart;
  void Scale(TChartAxis& ax, int start, int end, double lo, double hi) {
    ax.SetPixelEnds(start, end);
    ax.RangeMinimum = lo;
    ax.RangeMaximum = hi;
    ax.RecalculateScale();
  }
};

TEST_F(ScaleFixture, PixelRoundingTiesToEvenOnEveryOrientation) {
  struct Case {
    bool horizontal, inverted;
    double value;
    int pixel;
  };
  // Pixels 0..20 for 0..8: 2.5 pixels per unit, so odd values land on .5.
  const Case cases[] = {
      {false, false, 1, 18},  // 20 - 2.5 = 17.5 -> 18
      {false, false, 3, 12},  // 20 - 7.5 = 12.5 -> 12
      {false, true, 1, 2},    // 0 + 2.5 -> 2
      {false, true, 3, 8},    // 7.5 -> 8
      {true, false, 1, 2},   {true, true, 1, 18}, {true, true, 3, 12},
  };
  for (const Case& c : cases) {
    TChartAxis& ax = c.horizontal ? chart.BottomAxis() : chart.LeftAxis();
    ax.SetInverted(c.inverted);
    Scale(ax, 0, 20, 0, 8);
    EXPECT_EQ(ax.ValueToPixel(c.value), c.pixel) << c.horizontal << c.inverted << " " << c.value;
    ax.SetInverted(false);
  }
}

TEST_F(ScaleFixture, DepthAxisGivesAnOffsetIntoTheDepth) {
  TChartDepthAxis& depth = chart.DepthAxis();
  // The offset is counted from 0, not from the start pixel.
  Scale(depth, 5, 105, 0, 10);
  EXPECT_EQ(depth.ValueToPixel(2.25), 22);  // 22.5 -> 22
  EXPECT_EQ(depth.ValueToPixel(2.35), 24);  // 23.5 -> 24
  depth.SetInverted(true);
  EXPECT_EQ(depth.ValueToPixel(2.25), 78);  // (10 - 2.25) * 10 = 77.5 -> 78
  Scale(depth, 5, 105, 3, 3);
  EXPECT_EQ(depth.ValueToPixel(7), 55);  // zero span: the centre pixel
}

TEST_F(ScaleFixture, LogarithmicMappingRoundsAndClamps) {
  TChartAxis& ax = chart.LeftAxis();
  ax.SetRange(1, 100);
  ax.SetLogarithmic(true);
  Scale(ax, 0, 100, 1, 100);
  // ln 10 / ln 100 of 100 pixels = 50 from the end pixel.
  EXPECT_EQ(ax.ValueToPixel(10), 50);
  EXPECT_EQ(ax.ValueToPixel(100), 0);
  // A tiny log span puts values far off the axis: clamped, not wrapped.
  Scale(ax, 0, 100, 1, 1 + 1e-7);
  EXPECT_EQ(ax.ValueToPixel(10), -MaxPixel);
  // Zero log span (range 1..1) maps to the centre.
  Scale(ax, 0, 100, 1, 1);
  EXPECT_EQ(ax.ValueToPixel(50), 50);
  EXPECT_EQ(ax.PixelToValue(30), 1);
  ax.SetLogarithmic(false);
  // A linear axis without pixels answers 0.
  Scale(ax, 40, 40, 0, 10);
  EXPECT_EQ(ax.PixelToValue(40), 0);
}

TEST_F(ScaleFixture, ScaleFieldsFromRange) {
  TChartAxis& ax = chart.BottomAxis();
  Scale(ax, 10, 211, 2, 8);
  EXPECT_EQ(ax.SizePixels, 201);
  EXPECT_EQ(ax.CenterPixel, 110);  // 221 div 2
  EXPECT_DOUBLE_EQ(ax.RangeSpan, 6);
  EXPECT_DOUBLE_EQ(ax.PixelsPerUnit, 201.0 / 6);
  EXPECT_DOUBLE_EQ(ax.LogMinimum, std::log(2.0));
  EXPECT_DOUBLE_EQ(ax.LogSpan, std::log(8.0) - std::log(2.0));
  // Negative pixel ends: the centre is truncated towards zero.
  Scale(ax, -11, 0, 0, 1);
  EXPECT_EQ(ax.CenterPixel, -5);
  // A non-positive end has a logarithm of 0.
  Scale(ax, 0, 100, -5, 10);
  EXPECT_EQ(ax.LogMinimum, 0);
  EXPECT_DOUBLE_EQ(ax.LogMaximum, std::log(10.0));
}

TEST_F(ScaleFixture, OffsetByPercentSigns) {
  struct Case {
    bool horizontal, otherSide;
    int expected;
  };
  // Rect 200 wide, 100 high, PositionPercent 10: d = 10 (horizontal, from
  // the height) or 20 (vertical, from the width); negated for OtherSide and
  // again for a horizontal axis.
  const Case cases[] = {{true, false, 40}, {true, true, 60}, {false, false, 70}, {false, true, 30}};
  for (const Case& c : cases) {
    TChartAxis ax(nullptr);
    ax.SetHorizontal(c.horizontal);
    ax.SetOtherSide(c.otherSide);
    ax.SetPositionPercent(10);
    EXPECT_EQ(ax.OffsetByPercent(50, TRect(0, 0, 200, 100)), c.expected)
        << c.horizontal << c.otherSide;
  }
}

}  // namespace
}  // namespace qv
