// Axis scale: automatic range, mapping both ways, increments, setter checks.
#include <gtest/gtest.h>

#include <cfloat>
#include <cmath>
#include <functional>
#include <limits>

#include "AxisTestSupport.h"
#include "chart/Chart.h"
#include "chart/VeZazera.h"

namespace qv {
namespace {

struct AxisFixture : ::testing::Test {
  TCustomAxisPanel chart;
  TChartSeries a, b;
  AxisFixture() {
    a.SetParentChart(&chart);
    b.SetParentChart(&chart);
  }
  TChartAxis& Bottom() { return chart.BottomAxis(); }
  TChartAxis& Left() { return chart.LeftAxis(); }
};

TEST_F(AxisFixture, AutomaticRangeFromSeriesExtremes) {
  a.AddXY(-2, 5);
  a.AddXY(4, 7);
  b.AddXY(1, -3);
  b.AddXY(9, 2);
  b.AddXY(10, std::nan(""));  // a null value does not widen the range
  Bottom().AutoRange();
  Left().AutoRange();
  EXPECT_EQ(Bottom().Minimum(), -2);
  EXPECT_EQ(Bottom().Maximum(), 10);
  EXPECT_EQ(Left().Minimum(), -3);
  EXPECT_EQ(Left().Maximum(), 7);
  // Only the automatic end follows the series.
  Left().SetAutomaticMaximum(false);
  EXPECT_FALSE(Left().Automatic());
  Left().SetMaximum(100);
  Left().AutoRange();
  EXPECT_EQ(Left().Maximum(), 100);
  EXPECT_EQ(Left().Minimum(), -3);
  // Inactive series count only when no active series uses the axis.
  b.SetActive(false);
  Bottom().AutoRange();
  EXPECT_EQ(Bottom().Maximum(), 4);
  a.SetActive(false);
  Bottom().AutoRange();
  EXPECT_EQ(Bottom().Maximum(), 10);
  // An axis without series gets 0..0 and maps everything to its centre.
  chart.TopAxis().SetPixelEnds(10, 110);
  chart.TopAxis().AutoRange();
  EXPECT_TRUE(chart.TopAxis().RangeIsZero);
  EXPECT_EQ(chart.TopAxis().ValueToPixel(123), 60);
}

TEST_F(AxisFixture, SetRangeAndAutomaticFlags) {
  Bottom().SetRange(2, 2);
  EXPECT_EQ(Bottom().Minimum(), 2);
  EXPECT_EQ(Bottom().Maximum(), 2 + 1e-10);
  EXPECT_FALSE(Bottom().Automatic());
  EXPECT_FALSE(Bottom().AutomaticMinimum());
  Bottom().SetRange(9, 3);
  EXPECT_EQ(Bottom().Minimum(), 3);
  EXPECT_EQ(Bottom().Maximum(), 9);
  Bottom().SetAutomatic(true);
  EXPECT_TRUE(Bottom().AutomaticMinimum());
  EXPECT_TRUE(Bottom().AutomaticMaximum());
  Bottom().SetAutomaticMinimum(false);
  EXPECT_FALSE(Bottom().Automatic());
  Bottom().SetAutomaticMinimum(true);
  EXPECT_TRUE(Bottom().Automatic());
}

// One row: axis kind, range, pixel ends, a value and the pixel it maps to.
struct MapCase {
  bool horizontal, inverted, logarithmic;
  double lo, hi;
  double value;
  int pixel;
};

TEST_F(AxisFixture, ValueToPixelAndBack) {
  const MapCase cases[] = {
      {true, false, false, 0, 100, 25, 150},  {true, true, false, 0, 100, 25, 250},
      {false, false, false, 0, 100, 25, 250}, {false, true, false, 0, 100, 25, 150},
      {true, false, false, -50, 50, 0, 200},  {true, false, true, 1, 10000, 100, 200},
      {true, true, true, 1, 10000, 100, 200}, {false, false, true, 1, 10000, 10, 250},
      {false, true, true, 1, 10000, 10, 150}, {true, false, true, 1, 10000, 10, 150},
      {true, true, true, 1, 10000, 10, 250},
  };
  for (const MapCase& c : cases) {
    TChartAxis& ax = c.horizontal ? Bottom() : Left();
    ax.SetInverted(c.inverted);
    ax.SetRange(c.lo, c.hi);
    ax.SetLogarithmic(c.logarithmic);
    ax.SetPixelEnds(100, 300);
    ax.RangeMinimum = c.lo;
    ax.RangeMaximum = c.hi;
    ax.RecalculateScale();
    EXPECT_EQ(ax.ValueToPixel(c.value), c.pixel)
        << c.horizontal << c.inverted << c.logarithmic << " " << c.value;
    EXPECT_NEAR(ax.PixelToValue(c.pixel), c.value, 1e-9 * std::fabs(c.value) + 1e-9);
    ax.SetLogarithmic(false);
    ax.SetInverted(false);
  }
}

TEST_F(AxisFixture, LogarithmicEdgesAndClamping) {
  for (bool horizontal : {true, false}) {
    for (bool inverted : {false, true}) {
      TChartAxis& ax = horizontal ? Bottom() : Left();
      ax.SetRange(1, 1000);
      ax.SetLogarithmic(true);
      ax.SetInverted(inverted);
      ax.SetPixelEnds(10, 210);
      ax.RangeMinimum = 1;
      ax.RangeMaximum = 1000;
      ax.RecalculateScale();
      const int expected = (horizontal != inverted) ? 10 : 210;
      EXPECT_EQ(ax.ValueToPixel(0), expected);
      EXPECT_EQ(ax.ValueToPixel(-5), expected);
      EXPECT_EQ(ax.PixelToValue(10), (horizontal != inverted) ? 1 : 1000);
      ax.SetLogarithmic(false);
      ax.SetInverted(false);
    }
  }
  Bottom().SetPixelEnds(0, 1000);
  Bottom().RangeMinimum = 0;
  Bottom().RangeMaximum = 1;
  Bottom().RecalculateScale();
  EXPECT_EQ(Bottom().ValueToPixel(1e12), MaxPixel);
  EXPECT_EQ(Bottom().ValueToPixel(-1e12), -MaxPixel);
  EXPECT_EQ(Bottom().ValueToPixel(std::numeric_limits<double>::infinity()), MaxPixel);
  // Rounding ties to even: 0.5 and 2.5 pixels.
  Bottom().RangeMaximum = 1000;
  Bottom().RecalculateScale();
  EXPECT_EQ(Bottom().ValueToPixel(0.5), 0);
  EXPECT_EQ(Bottom().ValueToPixel(2.5), 2);
  EXPECT_EQ(Bottom().ValueToPixel(3.5), 4);
}

TEST_F(AxisFixture, InfiniteSpanMapsToCentreAndStopsIncrements) {
  Bottom().SetPixelEnds(0, 100);
  Bottom().RangeMinimum = -DBL_MAX;
  Bottom().RangeMaximum = DBL_MAX;
  Bottom().RecalculateScale();
  EXPECT_TRUE(Bottom().RangeIsZero);
  EXPECT_EQ(Bottom().ValueToPixel(5), 50);
  EXPECT_EQ(Bottom().ComputeIncrement(5), 1.0);
  Bottom().ShowsDateTime = true;
  EXPECT_GT(Bottom().ComputeIncrement(5), 0);
  EXPECT_EQ(TChartAxis::NextIncrementStep(0), 0);
  EXPECT_TRUE(std::isnan(TChartAxis::NextIncrementStep(std::nan(""))));
  EXPECT_TRUE(std::isinf(TChartAxis::NextIncrementStep(INFINITY)));
}

TEST(AxisIncrement, NextIncrementStepLadder) {
  const double cases[][2] = {{1, 2},   {1.5, 2}, {2, 5},     {5, 10},    {9.9, 10},
                             {10, 20}, {20, 50}, {0.3, 0.5}, {0.1, 0.2}, {700, 1000}};
  for (const auto& c : cases)
    EXPECT_NEAR(TChartAxis::NextIncrementStep(c[0]), c[1], 1e-12 * c[1]) << c[0];
}

TEST(AxisIncrement, ComputeIncrementTable) {
  using Case = axistest::TIncrementCase;
  const Case cases[] = {
      {0, 100, false, 0, 5, 20},
      {0, 0.003, false, 0, 3, 0.001},
      {0, 100, false, 0, 10, 10},
      {0, 100, false, 30, 5, 30},  // a set increment that fits stays
      {0, 100, false, 3, 5, 20},   // one that does not climbs the ladder: 5, 10, 20
      {0, 100, false, 0, 0, 1e-12},
      {0, 10, true, 0, 4, 3},       // 10 days: 1 day, 2 days, then 3 days
      {0, 1, true, 0, 5, 0.25},     // one day: 6 hours
      {0, 3650, true, 0, 4, 1460},  // beyond a year the step doubles
      {0, 1, true, 0, 0, 1.0 / 86400000.0},
  };
  for (const Case& c : cases) axistest::CheckComputeIncrement(c);
}

TEST(AxisIncrement, LabelsIncrementUsesSeparation) {
  TChartAxis ax(nullptr);
  ax.SetHorizontal(true);
  ax.SetPixelEnds(0, 400);
  ax.RangeMinimum = 0;
  ax.RangeMaximum = 100;
  ax.RecalculateScale();
  // 400 / (36 + 4) = 10 labels -> step 10; without separation 400/36 = 11.
  EXPECT_DOUBLE_EQ(ax.LabelsIncrement(36), 10);
  ax.SetLabelsSeparation(0);
  EXPECT_DOUBLE_EQ(ax.LabelsIncrement(80), 20);
  EXPECT_DOUBLE_EQ(ax.LabelsIncrement(0), ax.ComputeIncrement(1));
}

TEST_F(AxisFixture, SetterChecksRaiseTheirMessages) {
  Bottom().SetMaximum(3);
  struct Case {
    std::function<void()> set;
    const char* message;
  };
  const Case cases[] = {
      {[&] { Bottom().SetLogarithmicBase(1); }, "Axis Logarithmic Base should be >= 2"},
      {[&] { Bottom().SetLabelsSeparation(-1); }, "Labels Separation % must be greater than 0"},
      {[&] { Bottom().SetIncrement(-0.5); }, "Axis increment must be >= 0"},
      {[&] { Bottom().SetMinimum(5); }, "Axis Minimum Value must be <= Maximum"},
      {[&] { Bottom().SetMaximum(-1); }, "Axis Maximum Value must be >= Minimum"},
  };
  for (const Case& c : cases) {
    try {
      c.set();
      ADD_FAILURE() << c.message;
    } catch (const AxisException& e) {
      EXPECT_EQ(e.Message(), c.message);
    }
  }
  EXPECT_EQ(Bottom().LogarithmicBase(), 10);
  EXPECT_EQ(Bottom().LabelsSeparation(), 10);
  EXPECT_EQ(Bottom().Minimum(), 0);
  EXPECT_EQ(Bottom().Maximum(), 3);
  Bottom().SetLabelsSeparation(0);  // 0 is accepted
  EXPECT_EQ(Bottom().LabelsSeparation(), 0);
  // While the chart is read from a stream the order is not checked.
  chart.Loading = true;
  Bottom().SetMinimum(5);
  chart.Loading = false;
  EXPECT_EQ(Bottom().Minimum(), 5);
  Bottom().SetLabelsAngle(450);
  EXPECT_EQ(Bottom().LabelsAngle(), 90);
}

TEST_F(AxisFixture, LogarithmicRefusedForNegativeOrDateTimeData) {
  a.AddXY(1, -5);
  a.AddXY(2, 10);
  try {
    Left().SetLogarithmic(true);
    FAIL();
  } catch (const AxisException& e) {
    EXPECT_EQ(e.Message(), "Logarithmic Axis Min and Max values should be >= 0");
  }
  EXPECT_FALSE(Left().Logarithmic());
  a.XValues().SetDateTime(true);
  try {
    Bottom().SetLogarithmic(true);
    FAIL();
  } catch (const AxisException& e) {
    EXPECT_EQ(e.Message(), "DateTime Axis cannot be Logarithmic");
  }
  a.XValues().SetDateTime(false);
  Bottom().SetLogarithmic(true);
  EXPECT_TRUE(Bottom().Logarithmic());
}

TEST_F(AxisFixture, ShrinkWidensRangeInsideSamePixels) {
  Bottom().SetPixelEnds(0, 100);
  Bottom().RangeMinimum = 0;
  Bottom().RangeMaximum = 80;
  Bottom().RecalculateScale();
  Bottom().ShrinkToRectangle(TRect(10, 0, 10, 0));
  EXPECT_EQ(Bottom().StartPixel, 0);
  EXPECT_EQ(Bottom().EndPixel, 100);
  EXPECT_DOUBLE_EQ(Bottom().RangeMinimum, -10);
  EXPECT_DOUBLE_EQ(Bottom().RangeMaximum, 90);
  EXPECT_EQ(Bottom().ValueToPixel(0), 10);
  EXPECT_EQ(Bottom().ValueToPixel(80), 90);
}

TEST_F(AxisFixture, ScrollAndPixelEnds) {
  a.AddXY(0, 0);
  a.AddXY(50, 1);
  Bottom().SetRange(0, 10);
  Bottom().ScrollBy(-5, true);  // no series value below the minimum: ignored
  EXPECT_EQ(Bottom().Minimum(), 0);
  Bottom().ScrollBy(5, true);
  EXPECT_EQ(Bottom().Minimum(), 5);
  EXPECT_EQ(Bottom().Maximum(), 15);
  Bottom().ScrollBy(100, true);
  EXPECT_EQ(Bottom().Maximum(), 115);
  Bottom().ScrollBy(5, true);  // no series value above the maximum: ignored
  EXPECT_EQ(Bottom().Maximum(), 115);
  Bottom().ScrollBy(-200, false);
  EXPECT_EQ(Bottom().Minimum(), -95);
  chart.ChartRect = TRect(12, 10, 388, 240);
  chart.RecalcWidthHeight();
  Bottom().SetStartPosition(10);
  Bottom().SetEndPosition(90);
  Bottom().ComputePixelEnds();
  EXPECT_EQ(Bottom().StartPixel, 12 + 38);  // 37.6 rounds to 38
  EXPECT_EQ(Bottom().EndPixel, 12 + 338);
  Left().ComputePixelEnds();
  EXPECT_EQ(Left().StartPixel, 10);
  EXPECT_EQ(Left().EndPixel, 240);
  EXPECT_EQ(Left().CenterPixel, 125);
}

// Label increments, pixel rounding and clamping worked out by hand.
TEST(AxisIncrements, ComputeIncrementCases) {
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

TEST(AxisIncrements, NextIncrementStepMoreRungs) {
  const double cases[][2] = {{0.05, 0.1}, {0.07, 0.1}, {0.02, 0.05}, {3, 5},
                             {15, 20},    {200, 500},  {4999, 5000}, {1e-12, 2e-12}};
  for (const auto& c : cases)
    EXPECT_NEAR(TChartAxis::NextIncrementStep(c[0]), c[1], 1e-9 * c[1]) << c[0];
  // The ladder always climbs, down to the smallest positive step.
  for (double step : {1e-12, 1e-14, 5e-13, 1e-300, 5e-324})
    EXPECT_GT(TChartAxis::NextIncrementStep(step), step) << step;
}

TEST(AxisIncrements, LabelsIncrementRoundsSeparationToEven) {
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

struct AxisScaleFixture : ::testing::Test {
  TCustomAxisPanel chart;
  void Scale(TChartAxis& ax, int start, int end, double lo, double hi) {
    ax.SetPixelEnds(start, end);
    ax.RangeMinimum = lo;
    ax.RangeMaximum = hi;
    ax.RecalculateScale();
  }
};

TEST_F(AxisScaleFixture, PixelRoundingTiesToEvenOnEveryOrientation) {
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

TEST_F(AxisScaleFixture, DepthAxisGivesAnOffsetIntoTheDepth) {
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

TEST_F(AxisScaleFixture, LogarithmicMappingRoundsAndClamps) {
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

TEST_F(AxisScaleFixture, ScaleFieldsFromRange) {
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

TEST_F(AxisScaleFixture, OffsetByPercentSigns) {
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
