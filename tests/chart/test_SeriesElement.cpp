// Series as chart elements: change events, attaching to charts and the free
// colour, copying settings, legend texts, drawing direction and depth order.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "chart/Chart.h"
#include "chart/VeZazera.h"

namespace qv {
namespace {

// A series whose X values are the mandatory ones when asked, and which
// records the order its points are drawn in.
class TProbeSeries : public TChartSeries {
 public:
  void UseXMandatory() { SetMandatory(false); }
  void DrawValue(int index) override { Drawn.push_back(index); }
  std::vector<int> Drawn;
};

// Listens to a chart's series events (as the legend and tools do).
struct Recorder : IPlotEventListener {
  std::vector<int> kinds;
  int hooks = 0;
  void Attach(TCustomAxisPanel& chart) {
    chart.AddListener(this);
    chart.SeriesChangeHook = [this](TCustomChartSeries*) { ++hooks; };
  }
  void PlotEvent(TPlotEvent& event) override {
    if (auto* e = dynamic_cast<TPlotSeriesEvent*>(&event)) kinds.push_back(int(e->Kind));
  }
};

TEST(SeriesElement, SettersSendSeriesEventsAndCallTheHook) {
  Recorder rec;  // outlives the chart, which reports to it
  TCustomAxisPanel chart;
  TChartSeries s;
  s.SetParentChart(&chart);
  rec.Attach(chart);
  struct Case {
    const char* name;
    std::function<void()> change;
    std::vector<int> kinds;
    int hooks;
  };
  const Case cases[] = {
      {"active", [&] { s.SetActive(false); }, {5}, 1},
      {"same active", [&] { s.SetActive(false); }, {}, 0},
      {"title", [&] { s.SetTitle("Fit"); }, {2}, 1},
      {"same title", [&] { s.SetTitle("Fit"); }, {}, 0},
      {"colour", [&] { s.SetSeriesColor(clBlue); }, {3}, 1},
      {"legend flag only repaints", [&] { s.SetShowInLegend(false); }, {}, 0},
  };
  for (const Case& c : cases) {
    rec.kinds.clear();
    rec.hooks = 0;
    const int paints = chart.InvalidateCount();
    c.change();
    EXPECT_EQ(rec.kinds, c.kinds) << c.name;
    EXPECT_EQ(rec.hooks, c.hooks) << c.name;
    EXPECT_EQ(chart.InvalidateCount() > paints,
              !c.kinds.empty() || std::string(c.name).find("legend") == 0)
        << c.name;
  }
  // Without a chart the setters only store.
  TChartSeries loose;
  loose.SetActive(false);
  loose.SetTitle("t");
  EXPECT_FALSE(loose.Active());
  EXPECT_EQ(loose.Title(), "t");
  // The style keeps its six low bits.
  for (auto [in, out] : {std::pair{0x3F, 0x3F}, {0xFF, 0x3F}, {64 + 5, 5}, {-1, 0x3F}}) {
    s.SetStyle(in);
    EXPECT_EQ(s.Style(), out) << in;
  }
}

TEST(SeriesElement, AttachingTakesTheNextFreeColour) {
  TCustomAxisPanel chart;
  TChartSeries a, b, c, d;
  b.SetSeriesColor(DefaultSeriesColor(1));  // already taken by hand
  a.SetParentChart(&chart);
  b.SetParentChart(&chart);
  c.SetParentChart(&chart);
  EXPECT_EQ(a.SeriesColor(), DefaultSeriesColor(0));
  EXPECT_EQ(b.SeriesColor(), DefaultSeriesColor(1));
  EXPECT_EQ(c.SeriesColor(), DefaultSeriesColor(2));
  // The panel colour counts as taken.
  chart.SetColor(DefaultSeriesColor(3));
  d.SetParentChart(&chart);
  EXPECT_EQ(d.SeriesColor(), DefaultSeriesColor(4));
  EXPECT_FALSE(chart.IsFreeSeriesColor(DefaultSeriesColor(3), true));
  EXPECT_TRUE(chart.IsFreeSeriesColor(DefaultSeriesColor(3), false));

  // With every palette colour in use the search gives up after 21 tries.
  TCustomAxisPanel full;
  std::vector<std::unique_ptr<TChartSeries>> used;
  for (int i = 0; i < DefaultPaletteSize; ++i) {
    used.push_back(std::make_unique<TChartSeries>());
    used.back()->SetSeriesColor(DefaultSeriesColor(i));
    used.back()->SetParentChart(&full);
  }
  EXPECT_EQ(full.FreeSeriesColor(false), DefaultSeriesColor(DefaultPaletteSize));
}

TEST(SeriesElement, ParentChartMovesTheSeriesBetweenCharts) {
  Recorder r1, r2;
  TCustomAxisPanel one, two;
  r1.Attach(one);
  r2.Attach(two);
  TChartSeries s;
  s.SetParentChart(&one);
  EXPECT_EQ(r1.kinds, (std::vector<int>{0, 3}));  // added, then its colour
  EXPECT_EQ(s.HorizAxisObject(), &one.BottomAxis());
  const TColor first = s.SeriesColor();

  two.AddSeries(&s);  // adding to another chart moves it
  EXPECT_EQ(one.SeriesCount(), 0);
  ASSERT_EQ(two.SeriesCount(), 1);
  EXPECT_EQ(s.ParentChart(), &two);
  EXPECT_EQ(s.HorizAxisObject(), &two.BottomAxis());
  EXPECT_EQ(s.VertAxisObject(), &two.LeftAxis());
  EXPECT_EQ(r1.kinds.back(), 1);
  EXPECT_EQ(r2.kinds, (std::vector<int>{0}));  // keeps the colour it has
  EXPECT_EQ(s.SeriesColor(), first);

  s.SetParentChart(nullptr);
  EXPECT_EQ(two.SeriesCount(), 0);
  EXPECT_EQ(s.HorizAxisObject(), nullptr);

  // A chart being designed fills a new empty series with sample values; a
  // loading one or a series with points is left alone.
  two.Designing = true;
  s.SetParentChart(&two);
  EXPECT_EQ(s.Count(), s.NumSampleValues());
  TChartSeries kept, loading;
  kept.AddY(1);
  kept.SetParentChart(&two);
  EXPECT_EQ(kept.Count(), 1);
  two.Loading = true;
  loading.SetParentChart(&two);
  EXPECT_EQ(loading.Count(), 0);
}

TEST(SeriesElement, AssignCopiesSettingsNotPoints) {
  TCustomAxisPanel chart, other;
  TChartSeries src, dst;
  src.SetParentChart(&chart);
  dst.SetParentChart(&chart);
  src.AddXY(1, 2, "p");
  src.SetActive(false);
  src.Pen().SetColor(clNavy);
  src.Brush().SetStyle(bsCross);
  src.Tag = 7;
  src.SetTitle("Residuals");
  src.SetShowInLegend(false);
  src.SetIdentifier("id-1");
  src.SetStyle(0x21);
  src.SetSeriesColor(clTeal);
  src.SetColorEachPoint(true);
  src.SetValueFormat("0.00");
  src.SetPercentFormat("0 %");
  src.SetDepth(12);
  src.Cursor = crCross;
  src.SetHorizAxis(aTopAxis);
  src.XValues().SetDateTime(true);
  src.YValues().SetOrder(loDescending);
  TChartAxis custom(&chart);
  src.SetCustomVertAxis(&custom);

  dst.Assign(src);
  EXPECT_EQ(dst.Count(), 0);
  EXPECT_FALSE(dst.Active());
  EXPECT_EQ(dst.Pen().Color(), clNavy);
  EXPECT_EQ(dst.Brush().Style(), bsCross);
  EXPECT_EQ(dst.Tag, 7);
  EXPECT_EQ(dst.Title(), "Residuals");
  EXPECT_FALSE(dst.ShowInLegend());
  EXPECT_EQ(dst.Identifier(), "id-1");
  EXPECT_EQ(dst.Style(), 0x21);
  EXPECT_EQ(dst.SeriesColor(), clTeal);
  EXPECT_TRUE(dst.ColorEachPoint());
  EXPECT_EQ(dst.ValueFormat(), "0.00");
  EXPECT_EQ(dst.PercentFormat(), "0 %");
  EXPECT_EQ(dst.Depth(), 12);
  EXPECT_EQ(dst.Cursor, crCross);
  EXPECT_EQ(dst.HorizAxisObject(), &chart.TopAxis());
  EXPECT_EQ(dst.VertAxisObject(), &custom);
  EXPECT_TRUE(dst.XValues().DateTime());
  EXPECT_EQ(dst.YValues().Order(), loDescending);

  // A custom axis of another chart is not taken over.
  TChartSeries far;
  far.SetParentChart(&other);
  far.Assign(src);
  EXPECT_EQ(far.VertAxis(), aLeftAxis);
  EXPECT_EQ(far.VertAxisObject(), &other.LeftAxis());
}

TEST(SeriesElement, LegendTexts) {
  TCustomAxisPanel chart;
  TChartSeries s;
  s.SetParentChart(&chart);
  s.AddXY(2, 1, "a");
  s.AddXY(4, 3, "b");
  TChartAxis& bottom = chart.BottomAxis();
  bottom.AxisValuesFormat = "0.0";
  const std::string sep(1, char(6));
  struct Case {
    TLegendTextStyle style;
    std::string text;
  };
  const Case cases[] = {
      {ltsPlain, "b"},
      {ltsLeftValue, "3" + sep + "b"},
      {ltsRightValue, "b" + sep + "3"},
      {ltsLeftPercent, "75 %" + sep + "b"},
      {ltsRightPercent, "b" + sep + "75 %"},
      {ltsXValue, "4.0"},
      {ltsValue, "3"},
      {ltsPercent, "75 %"},
      {ltsXAndValue, "4.0" + sep + "3"},
      {ltsXAndPercent, "4.0" + sep + "75 %"},
  };
  for (const Case& c : cases) EXPECT_EQ(s.LegendString(1, c.style), c.text) << int(c.style);

  // The X text follows the axis' label formatting.
  struct AxisCase {
    const char* name;
    bool dateTime, multiLine;
    std::string format, dateFormat;
    double x;
    std::string text;
  };
  const double day = EncodeDate(2021, 3, 4);
  const AxisCase axisCases[] = {
      {"value format", false, false, "0.00", "", 4, "4.00"},
      {"multi-line", false, true, "0 'kg net'", "", 4,
       std::string("4") + char(13) + "kg" + char(13) + "net"},
      {"date format", true, false, "", "yyyy-mm-dd", day, "2021-03-04"},
      {"default date format", true, false, "", "", day,
       FormatDateTime(FormatSettings().ShortDateFormat, day)},
      {"negative date", true, false, "", "yyyy-mm-dd", -1, ""},
  };
  for (const AxisCase& c : axisCases) {
    bottom.ShowsDateTime = c.dateTime;
    bottom.LabelsMultiLine = c.multiLine;
    bottom.AxisValuesFormat = c.format;
    bottom.DateTimeFormat = c.dateFormat;
    bottom.RangeSpan = 30;
    TChartSeries t;
    t.SetParentChart(&chart);
    t.XValues().SetOrder(loNone);
    t.AddXY(c.x, 1);
    EXPECT_EQ(t.LegendString(0, ltsXValue), c.text) << c.name;
  }
  chart.OnGetAxisLabel = [](TChartAxis*, TChartSeries* series, int index, std::string& text) {
    text = "<" + text + (series ? "s" : "") + std::to_string(index) + ">";
  };
  bottom.ShowsDateTime = false;
  bottom.LabelsMultiLine = false;
  bottom.AxisValuesFormat = "0";
  EXPECT_EQ(s.LegendString(0, ltsXValue), "<2-1>");

  // Without an axis: ValueFormat; a date-time value list shows dates; an
  // all-zero list counts as 100 percent.
  TChartSeries loose;
  loose.SetValueFormat("0.000");
  loose.AddXY(1.5, 0);
  EXPECT_EQ(loose.LegendString(0, ltsXAndPercent), "1.500" + sep + "100 %");
  loose.YValues().SetDateTime(true);
  loose.AddXY(2, day);
  EXPECT_EQ(loose.LegendString(1, ltsValue), FormatDateTime(FormatSettings().ShortDateFormat, day));

  // The marks' percentage counts negative values by their size.
  TChartSeries signs;
  signs.AddY(-1);
  signs.AddY(3);
  EXPECT_EQ(signs.MarkPercent(0), 25);
  EXPECT_EQ(signs.MarkPercent(1), 75);
}

TEST(SeriesElement, DrawingDirection) {
  TCustomAxisPanel chart;
  TProbeSeries s;
  s.SetParentChart(&chart);
  for (int i = 0; i < 3; ++i) s.AddXY(i, i);
  struct Case {
    const char* name;
    bool xMandatory, hInverted, vInverted, view3D, orthogonal;
    int orthoAngle, rotation;
    bool forward;
  };
  const Case cases[] = {
      {"2-D", false, false, false, false, true, 45, 345, true},
      {"2-D inverted", false, true, false, false, true, 45, 345, false},
      {"2-D other side ignored", false, false, false, false, true, 135, 345, true},
      {"3-D normal side", false, false, false, true, true, 45, 345, true},
      {"3-D other side", false, false, false, true, true, 135, 345, false},
      {"3-D other side inverted", false, true, false, true, true, 135, 345, true},
      {"rotated normal", false, false, false, true, false, 135, 300, true},
      {"rotated other side", false, false, false, true, false, 45, 200, false},
      {"vertical axis decides", true, true, false, true, true, 135, 345, true},
      {"vertical inverted", true, false, true, true, true, 135, 345, false},
  };
  for (const Case& c : cases) {
    if (c.xMandatory) s.UseXMandatory();
    chart.BottomAxis().SetInverted(c.hInverted);
    chart.LeftAxis().SetInverted(c.vInverted);
    chart.SetView3D(c.view3D);
    chart.View3DOptions().SetOrthogonal(c.orthogonal);
    chart.View3DOptions().SetOrthoAngle(c.orthoAngle);
    chart.View3DOptions().SetRotation(c.rotation);
    EXPECT_EQ(s.DrawValuesForward(), c.forward) << c.name;
    s.CalcVisiblePoints = false;
    s.CalcFirstLastVisible();
    s.Drawn.clear();
    s.DrawAllValues();
    EXPECT_EQ(s.Drawn, c.forward ? (std::vector<int>{0, 1, 2}) : (std::vector<int>{2, 1, 0}))
        << c.name;
  }
}

TEST(SeriesElement, DepthOrder) {
  TCustomAxisPanel chart;
  TChartSeries a, b, c;
  for (TChartSeries* s : {&a, &b, &c}) s->SetParentChart(&chart);
  b.SetZOrder(5);
  chart.MaxZOrder = -1;
  for (TChartSeries* s : {&a, &b, &c}) s->CalcZOrder();
  EXPECT_EQ(chart.MaxZOrder, 6);
  EXPECT_EQ(a.MinZValue(), 0);
  EXPECT_EQ(b.MinZValue(), 5);
  EXPECT_EQ(c.MaxZValue(), 6);
  EXPECT_FALSE(a.MoreSameZOrder());
  // Own indexes below the highest do not lower it.
  c.SetZOrder(0);
  c.CalcZOrder();
  EXPECT_EQ(chart.MaxZOrder, 6);
  EXPECT_TRUE(a.MoreSameZOrder());
  EXPECT_TRUE(c.MoreSameZOrder());
  EXPECT_FALSE(b.MoreSameZOrder());
  c.SetActive(false);  // only active series count
  EXPECT_FALSE(a.MoreSameZOrder());
  c.SetActive(true);
  chart.ApplyZOrder = false;
  EXPECT_FALSE(a.MoreSameZOrder());
}

}  // namespace
}  // namespace qv
