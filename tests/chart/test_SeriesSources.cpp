// Series sources: series-source components, functions, the data-source
// rules of the chart, and the legend symbol.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "chart/Chart.h"
#include "chart/VeZazera.h"
#include "platform/core/RecordingCanvas.h"

namespace qv {
namespace {

// Loads fixed Y values into its series and counts the loads.
class TListSource : public TPlotSeriesSource {
 public:
  std::vector<double> Values;
  int Loads = 0;

 protected:
  void Load() override {
    ++Loads;
    Series()->Clear();
    for (double v : Values) Series()->AddY(v);
  }
};

// One point: the sum of the source's Y values.
class TSumFunction : public TChartSeriesFunction {
 public:
  int Runs = 0;
  void AddPoints(TChartSeries& source) override {
    ++Runs;
    double sum = 0;
    for (int i = 0; i < source.Count(); ++i) sum += source.GetYValue(i);
    ParentSeries()->Clear();
    ParentSeries()->AddXY(0, sum);
  }
};

std::string MessageOf(const std::function<void()>& f) {
  try {
    f();
  } catch (const ChartException& e) {
    return e.Message();
  }
  return "(no exception)";
}

struct SourceFixture : ::testing::Test {
  TCustomAxisPanel chart;
  TChartSeries a, b;
  SourceFixture() {
    a.SetName("SeriesA");
    a.SetParentChart(&chart);
    b.SetParentChart(&chart);
  }
};

TEST_F(SourceFixture, ComponentSourceLoadsWhenActive) {
  TListSource src;
  src.Name = "ListSource1";
  src.Values = {3, 1, 2};
  src.SetSeries(&b);
  EXPECT_EQ(b.SeriesSource(), &src);
  EXPECT_EQ(src.Loads, 0);  // inactive: nothing loaded
  src.Open();
  ASSERT_EQ(b.Count(), 3);
  EXPECT_EQ(b.GetYValue(0), 3);
  src.Values = {9};
  chart.CheckDataSource(&b);  // the chart's check reloads an active source
  EXPECT_EQ(b.Count(), 1);
  src.Close();
  EXPECT_EQ(b.Count(), 0);
  chart.CheckDataSource(&b);
  EXPECT_EQ(src.Loads, 2);  // no reload while inactive

  // While loading, activation waits for Loaded.
  src.Loading = true;
  src.SetActive(true);
  EXPECT_EQ(src.Loads, 2);
  src.Loaded();
  EXPECT_EQ(src.Loads, 3);
  EXPECT_FALSE(src.Loading);

  // Relinking detaches the former series; a component of another series is
  // not a valid source.
  src.SetSeries(&a);
  EXPECT_EQ(b.SeriesSource(), nullptr);
  EXPECT_EQ(a.SeriesSource(), &src);
  EXPECT_EQ(MessageOf([&] { b.SetDataSource(&src); }), "No valid DataSource: ListSource1");
  // A series source replaces the component.
  b.AddY(5);
  a.SetDataSource(&b);
  EXPECT_EQ(a.SeriesSource(), nullptr);
  EXPECT_EQ(src.Series(), nullptr);
  ASSERT_EQ(a.Count(), 2);  // b's loaded 9 and the 5 added by hand
  EXPECT_EQ(a.GetYValue(1), 5);
}

TEST_F(SourceFixture, ComponentAndSeriesUnlinkWhicheverGoesFirst) {
  auto src = std::make_unique<TListSource>();
  src->Values = {1, 2};
  src->SetSeries(&b);
  src->Open();
  src.reset();  // closing while destroyed keeps the points
  EXPECT_EQ(b.SeriesSource(), nullptr);
  EXPECT_EQ(b.Count(), 2);

  TListSource other;
  {
    TChartSeries temp;
    temp.SetParentChart(&chart);
    other.SetSeries(&temp);
  }
  EXPECT_EQ(other.Series(), nullptr);
  other.Open();  // nothing to load into, nothing to fail

  TListSource orphanSource;
  TChartSeries orphan;
  EXPECT_EQ(MessageOf([&] { orphanSource.SetSeries(&orphan); }),
            "No ParentChart to validate DataSource");
  EXPECT_EQ(orphanSource.Series(), nullptr);
}

TEST_F(SourceFixture, FunctionRecalculatesInsteadOfCopying) {
  a.AddY(1);
  a.AddY(2);
  b.SetFunction(std::make_unique<TSumFunction>());
  auto* f = static_cast<TSumFunction*>(b.SourceFunction());
  EXPECT_EQ(f->ParentSeries(), &b);
  a.XValues().SetDateTime(true);
  b.SetDataSource(&a);
  ASSERT_EQ(b.Count(), 1);
  EXPECT_EQ(b.GetYValue(0), 3);
  EXPECT_TRUE(b.XValues().DateTime());  // the lists follow the source's flags
  a.AddY(4);
  ASSERT_EQ(b.Count(), 1);
  EXPECT_EQ(b.GetYValue(0), 7);
  a.Delete(0);
  EXPECT_EQ(b.GetYValue(0), 6);

  // Moving the function leaves the former series without one.
  TChartSeries c;
  c.SetParentChart(&chart);
  f->SetParentSeries(c);
  EXPECT_EQ(b.SourceFunction(), nullptr);
  EXPECT_EQ(c.SourceFunction(), f);
  a.AddY(10);
  ASSERT_EQ(b.Count(), 2);  // the new point is copied again
  EXPECT_EQ(b.GetYValue(1), 10);
}

TEST_F(SourceFixture, DataSourceRules) {
  TCustomAxisPanel other;
  TChartSeries foreign;
  foreign.SetName("Foreign");
  foreign.SetParentChart(&other);
  EXPECT_EQ(MessageOf([&] { b.SetDataSource(&foreign); }), "No valid DataSource: Foreign");
  EXPECT_EQ(MessageOf([&] { a.SetDataSource(&a); }), "No valid DataSource: SeriesA");

  // Detaching: a designed chart fills sample values, a running one keeps
  // the points, a loading one does nothing.
  a.AddY(1);
  b.SetDataSource(&a);
  chart.Designing = true;
  b.SetDataSource(nullptr);
  EXPECT_TRUE(a.LinkedSeries().empty());
  EXPECT_EQ(b.Count(), b.NumSampleValues());
  chart.Designing = false;
  b.SetDataSource(&a);
  b.SetDataSource(nullptr);
  EXPECT_EQ(b.Count(), 1);
  EXPECT_EQ(b.DataSource(), nullptr);

  // Changing the colour or label source asks the chart to check the source.
  b.SetDataSource(&a);
  b.AddY(42);
  EXPECT_EQ(b.Count(), 2);
  b.SetColorSource("Colors");
  EXPECT_EQ(b.Count(), 1);
  b.AddY(42);
  b.SetXLabelsSource("Labels");
  EXPECT_EQ(b.Count(), 1);
  chart.Loading = true;
  b.AddY(42);
  b.SetColorSource("Other");
  EXPECT_EQ(b.Count(), 2);
  chart.Loading = false;

  // Source names read from a stream are resolved after loading.
  TChartSeries loaded;
  loaded.SetParentChart(&chart);
  loaded.DataSourceNames = {"Missing", "SeriesA"};
  loaded.Loaded([&](const std::string& n) { return n == "SeriesA" ? &a : nullptr; });
  EXPECT_EQ(loaded.DataSource(), &a);
  EXPECT_EQ(loaded.Count(), 1);
  EXPECT_TRUE(loaded.DataSourceNames.empty());
}

TEST_F(SourceFixture, LinkedSeriesFollowEvents) {
  a.AddXY(1, 10, "one", clRed);
  b.SetDataSource(&a);
  EXPECT_EQ(b.GetLabel(0), "one");
  EXPECT_EQ(b.ValueColor(0), clRed);
  struct Case {
    unsigned events;
    int afterAdd, afterDelete;
  };
  // Start with one point; add one, delete the first.
  const Case cases[] = {
      {seOnInsert | seOnDelete, 2, 1},
      {seOnDelete, 1, 0},  // the add was missed, the delete still applies
      {0, 1, 1},
  };
  for (const Case& c : cases) {
    b.SourceEvents = c.events;
    a.Clear();
    a.AddXY(1, 10);
    b.SetDataSource(nullptr);
    b.SetDataSource(&a);
    ASSERT_EQ(b.Count(), 1);
    a.AddXY(2, 20);
    EXPECT_EQ(b.Count(), c.afterAdd) << c.events;
    a.Delete(0);
    EXPECT_EQ(b.Count(), c.afterDelete) << c.events;
  }
  // An update batch refreshes once at the end, whatever the events.
  b.SourceEvents = 0;
  a.BeginUpdate();
  a.AddXY(5, 5);
  a.AddXY(6, 6);
  a.EndUpdate();
  EXPECT_EQ(b.Count(), a.Count());
}

struct LegendFixture : ::testing::Test {
  TFakeFontService fonts{8, 16};
  TRecordingCanvas rec{Rect(0, 0, 200, 100), &fonts};
  TCustomAxisPanel chart;
  TChartSeries s;
  LegendFixture() {
    chart.Canvas().SetReferenceCanvas(&rec);
    s.SetParentChart(&chart);
    s.SetSeriesColor(clRed);
    s.Pen().SetColor(clNavy);
    s.AddY(1);
    s.AddY(2, "", clWhite);
    s.AddY(3, "", clBlack);
    s.AddNull();
  }
};

TEST_F(LegendFixture, SymbolColoursAndOutlines) {
  struct Case {
    const char* name;
    int index;
    TColor legendColor;
    bool eachPoint;
    int rectangles;
    TColor fill;
    TColor outline;  // pen of the second rectangle
  };
  const Case cases[] = {
      {"series symbol", -1, clWhite, false, 1, clRed, clNone},
      {"point colour", 0, clWhite, false, 1, clRed, clNone},
      {"fill as legend", 1, clWhite, false, 2, clWhite, clNavy},
      {"black on black", 2, clBlack, false, 2, clBlack, clWhite},
      {"chart colour stands in", 2, clDefault, false, 1, clBlack, clNone},
      {"null point", 3, clWhite, false, 0, clNone, clNone},
      {"each point: no series symbol", -1, clWhite, true, 0, clNone, clNone},
  };
  for (const Case& c : cases) {
    rec.Clear();
    chart.LegendColor = c.legendColor;
    s.SetColorEachPoint(c.eachPoint);
    s.DrawLegend(c.index, Rect(10, 10, 30, 20));
    const auto rects = rec.Find("Rectangle");
    ASSERT_EQ(int(rects.size()), c.rectangles) << c.name;
    if (rects.empty()) continue;
    EXPECT_EQ(rects[0]->Args, (std::vector<int>{10, 10, 30, 20})) << c.name;
    EXPECT_EQ(rects[0]->State.BrushColor, c.fill) << c.name;
    EXPECT_EQ(rects[0]->State.PenColor, clNavy) << c.name;
    const TColor back = c.legendColor == clDefault ? ColorToRGB(chart.Color()) : c.legendColor;
    EXPECT_EQ(rects[0]->State.BkColor, back) << c.name;
    if (c.rectangles == 2) {
      EXPECT_EQ(rects[1]->State.BrushStyle, bsClear) << c.name;
      EXPECT_EQ(rects[1]->State.PenColor, c.outline) << c.name;
    }
  }
  // Without a drawing surface nothing is drawn and nothing fails.
  TChartSeries loose;
  loose.DrawLegend(-1, Rect(0, 0, 5, 5));
}

}  // namespace
}  // namespace qv
