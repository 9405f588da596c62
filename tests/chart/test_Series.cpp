// Series base: points, colours, labels, deletion, visible range, sources.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "chart/Chart.h"
#include "chart/VeZazera.h"

namespace qv {
namespace {

struct SeriesFixture : ::testing::Test {
  TCustomAxisPanel chart;
  TChartSeries series;
  SeriesFixture() { series.SetParentChart(&chart); }
};

TEST_F(SeriesFixture, DefaultAddCreatesNoColourOrLabelLists) {
  EXPECT_EQ(series.AddXY(1, 2), 0);
  EXPECT_FALSE(series.HasPointColors());
  EXPECT_FALSE(series.HasLabels());
  EXPECT_EQ(series.GetLabel(0), "");
  EXPECT_EQ(series.XValues().Name(), "X");
  EXPECT_EQ(series.YValues().Name(), "Y");
}

TEST_F(SeriesFixture, PointsStayTogetherWhenXOrders) {
  EXPECT_EQ(series.AddXY(5, 50, "five", clRed), 0);
  EXPECT_EQ(series.AddXY(1, 10, "one"), 0);
  EXPECT_EQ(series.AddXY(3, 30, "", clBlue), 1);
  ASSERT_EQ(series.Count(), 3);
  const double xs[] = {1, 3, 5}, ys[] = {10, 30, 50};
  const char* labels[] = {"one", "", "five"};
  const TColor colors[] = {clDefault, clBlue, clRed};
  series.SetSeriesColor(clGreen);
  for (int i = 0; i < 3; ++i) {
    EXPECT_EQ(series.GetXValue(i), xs[i]);
    EXPECT_EQ(series.GetYValue(i), ys[i]);
    EXPECT_EQ(series.GetLabel(i), labels[i]);
    EXPECT_EQ(series.ValueColor(i), colors[i] == clDefault ? clGreen : colors[i]);
  }
}

TEST_F(SeriesFixture, AddFormsAndNullPoints) {
  EXPECT_EQ(series.AddY(7), 0);
  EXPECT_EQ(series.Add(8, "b"), 1);
  EXPECT_EQ(series.AddNull("gap"), 2);
  EXPECT_EQ(series.AddNullXY(10, 3), 3);
  EXPECT_EQ(series.GetXValue(1), 1);  // X is the index of the new point
  EXPECT_EQ(series.GetXValue(2), 2);
  EXPECT_FALSE(series.IsNull(0));
  EXPECT_TRUE(series.IsNull(2));
  EXPECT_TRUE(series.IsNull(3));
  EXPECT_EQ(series.GetLabel(2), "gap");
  EXPECT_EQ(series.GetLabel(0), "");
  // Non-finite values are null points too and stay out of the extremes.
  series.AddXY(11, std::numeric_limits<double>::infinity());
  EXPECT_TRUE(series.IsNull(4));
  EXPECT_EQ(series.MaxYValue(), 8);
}

TEST_F(SeriesFixture, ColourConventions) {
  series.AddXY(0, 1);
  series.AddXY(1, 1, "", clRed);
  series.AddXY(2, 1, "", clNone);
  series.AddXY(3, 1);
  struct Case {
    bool eachPoint;
    TColor seriesColor;
    TColor expected[4];
  };
  const Case cases[] = {
      {false, clDefault, {clDefault, clRed, clNone, clDefault}},
      {false, clTeal, {clTeal, clRed, clNone, clTeal}},
      {true, clTeal, {DefaultSeriesColor(0), clRed, clNone, DefaultSeriesColor(3)}},
  };
  for (const Case& c : cases) {
    series.SetColorEachPoint(c.eachPoint);
    series.SetSeriesColor(c.seriesColor);
    for (int i = 0; i < 4; ++i) EXPECT_EQ(series.ValueColor(i), c.expected[i]) << i;
  }
  // Switching per-point colours off keeps the list while a null point is there.
  series.SetColorEachPoint(false);
  EXPECT_TRUE(series.HasPointColors());
}

TEST_F(SeriesFixture, DeleteChecksItsIndex) {
  for (int i = 0; i < 3; ++i)
    series.AddXY(i, i * 10, "p" + std::to_string(i), i == 1 ? clBlue : clDefault);
  for (int bad : {3, 7, -1}) {
    try {
      series.Delete(bad);
      FAIL() << bad;
    } catch (const ChartException& e) {
      EXPECT_EQ(e.Message(),
                Format("Series Delete: ValueIndex %d out of bounds (0 to %d).", bad, 2));
    }
  }
  series.Delete(1);
  ASSERT_EQ(series.Count(), 2);
  EXPECT_EQ(series.GetLabel(1), "p2");
  EXPECT_EQ(series.ValueColor(1), series.SeriesColor());  // the blue point's colour went with it
  // DeleteRange ignores negative starts and clamps the quantity.
  series.DeleteRange(-1, 1);
  EXPECT_EQ(series.Count(), 2);
  series.DeleteRange(1, 50);
  EXPECT_EQ(series.Count(), 1);
  EXPECT_EQ(series.GetYValue(0), 0);
  series.Clear();
  EXPECT_EQ(series.Count(), 0);
  EXPECT_FALSE(series.HasLabels());
}

TEST_F(SeriesFixture, BeforeAddCanRefuse) {
  int after = 0;
  series.OnBeforeAdd = [](TChartSeries*) { return false; };
  series.OnAfterAdd = [&](TChartSeries*, int) { ++after; };
  EXPECT_EQ(series.AddXY(1, 1), -1);
  EXPECT_EQ(series.Count(), 0);
  series.OnBeforeAdd = nullptr;
  EXPECT_EQ(series.AddXY(1, 1), 0);
  EXPECT_EQ(after, 1);
}

TEST_F(SeriesFixture, SortByMandatoryListMovesLabels) {
  series.XValues().SetOrder(loNone);
  series.AddXY(0, 30, "c");
  series.AddXY(1, 10, "a", clRed);
  series.AddXY(2, 20, "b");
  series.YValues().SetOrder(loAscending);
  series.YValues().Sort();
  EXPECT_EQ(series.GetLabel(0), "a");
  EXPECT_EQ(series.GetLabel(2), "c");
  EXPECT_EQ(series.ValueColor(0), clRed);
  EXPECT_EQ(series.GetXValue(0), 1);
  series.XValues().FillWithIndices();
  EXPECT_EQ(series.GetXValue(2), 2);
}

TEST_F(SeriesFixture, FirstLastVisibleAgainstAxisRange) {
  for (double x : {0.0, 1.0, 2.0, 3.0, 4.0, 5.0}) series.AddXY(x, x);
  struct Case {
    double lo, hi;
    bool between;
    int first, last;
  };
  const Case cases[] = {
      {0, 5, false, 0, 5}, {1.5, 3.5, false, 2, 3}, {1.5, 3.5, true, 2, 4},
      {2, 3, false, 2, 3}, {6, 9, false, -1, -1},   {-5, 2.5, false, 0, 2},
  };
  for (const Case& c : cases) {
    chart.BottomAxis().SetRange(c.lo, c.hi);
    series.DrawBetweenPoints = c.between;
    series.CalcFirstLastVisible();
    EXPECT_EQ(series.FirstVisibleIndex(), c.first) << c.lo << ".." << c.hi;
    EXPECT_EQ(series.LastVisibleIndex(), c.last) << c.lo << ".." << c.hi;
  }
  series.CalcVisiblePoints = false;
  series.CalcFirstLastVisible();
  EXPECT_EQ(series.FirstVisibleIndex(), 0);
  EXPECT_EQ(series.LastVisibleIndex(), 5);
  series.Clear();
  series.CalcFirstLastVisible();
  EXPECT_EQ(series.FirstVisibleIndex(), -1);
}

TEST_F(SeriesFixture, SampleValuesUseTheChartGenerator) {
  EXPECT_THROW(series.FillSampleValues(-1), ChartException);
  try {
    series.FillSampleValues(-1);
  } catch (const ChartException& e) {
    EXPECT_EQ(e.Message(), "FillSampleValues NumValues must be > 0");
  }
  ChartRandom().SetSeed(42);
  series.FillSampleValues(10);
  ASSERT_EQ(series.Count(), 10);
  std::vector<double> first;
  for (int i = 0; i < 10; ++i) {
    EXPECT_EQ(series.GetXValue(i), i);
    EXPECT_GE(series.GetYValue(i), 0);
    first.push_back(series.GetYValue(i));
  }
  ChartRandom().SetSeed(42);
  series.FillSampleValues(10);
  for (int i = 0; i < 10; ++i) EXPECT_EQ(series.GetYValue(i), first[i]);
  series.FillSampleValues();
  EXPECT_EQ(series.Count(), series.NumSampleValues());
}

TEST_F(SeriesFixture, LinkedSeriesFollowSource) {
  TChartSeries copy;
  copy.SetParentChart(&chart);
  series.AddXY(1, 10, "a");
  copy.SetDataSource(&series);
  EXPECT_EQ(copy.Count(), 1);
  series.AddXY(2, 20);
  EXPECT_EQ(copy.Count(), 2);
  EXPECT_EQ(copy.GetYValue(1), 20);
  series.Delete(0);
  EXPECT_EQ(copy.Count(), 1);
  series.Clear();
  EXPECT_EQ(copy.Count(), 0);
  // A cycle and a source of the series itself are refused.
  try {
    series.SetDataSource(&copy);
    FAIL();
  } catch (const ChartException& e) {
    EXPECT_EQ(e.Message(), "Circular Series dependences are not allowed");
  }
  EXPECT_THROW(series.SetDataSource(&series), ChartException);
  TChartSeries orphan;
  try {
    orphan.SetDataSource(&series);
    FAIL();
  } catch (const ChartException& e) {
    EXPECT_EQ(e.Message(), "No ParentChart to validate DataSource");
  }
}

TEST_F(SeriesFixture, ChartSeriesLookupChecksRange) {
  EXPECT_EQ(&chart.GetSeries(0), &series);
  EXPECT_THROW(chart.GetSeries(1), ChartException);
  EXPECT_THROW(chart.GetSeries(-1), ChartException);
  {
    TChartSeries temp;
    temp.SetParentChart(&chart);
    EXPECT_EQ(chart.SeriesCount(), 2);
  }
  EXPECT_EQ(chart.SeriesCount(), 1);
}

TEST_F(SeriesFixture, AxesFollowSettings) {
  EXPECT_EQ(series.HorizAxisObject(), &chart.BottomAxis());
  EXPECT_EQ(series.VertAxisObject(), &chart.LeftAxis());
  series.SetHorizAxis(aTopAxis);
  series.SetVertAxis(aRightAxis);
  EXPECT_EQ(series.HorizAxisObject(), &chart.TopAxis());
  EXPECT_TRUE(series.AssociatedToAxis(&chart.RightAxis()));
  EXPECT_FALSE(series.AssociatedToAxis(&chart.LeftAxis()));
  series.SetVertAxis(aBothVertAxis);
  EXPECT_TRUE(series.AssociatedToAxis(&chart.LeftAxis()));
  {
    TChartAxis custom(&chart);
    series.SetCustomVertAxis(&custom);
    EXPECT_EQ(series.VertAxis(), aCustomVertAxis);
    EXPECT_EQ(series.VertAxisObject(), &custom);
  }
  EXPECT_EQ(series.VertAxis(), aLeftAxis);  // the destroyed axis let go
  EXPECT_EQ(series.VertAxisObject(), &chart.LeftAxis());
}

}  // namespace
}  // namespace qv
