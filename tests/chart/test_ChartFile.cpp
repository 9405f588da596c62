// The chart file: magic, the component stream of the chart and its series
// (read back by the stream reader), the point data blocks after it, the
// extra properties of the chart and the series, and the name kept through
// a failing write.
#include <gtest/gtest.h>

#include <cstring>
#include <map>

#include "chart/Series.h"
#include "chart/VuzIduro.h"
#include "platform/core/ComponentStream.h"

namespace qv {
namespace {

std::string Le32(int32_t v) { return std::string(reinterpret_cast<const char*>(&v), 4); }
std::string Le64(double v) { return std::string(reinterpret_cast<const char*>(&v), 8); }

struct TParsed {
  std::vector<TComponentHeader> Components;
  std::map<std::string, TFilerValue> Props;  // "class.path" of the first of each class
  std::string Rest;                          // what follows the component stream
};

// Reads a chart file: checks the magic, walks the component stream and
// keeps what follows it.
TParsed Parse(const std::string& bytes) {
  TParsed p;
  EXPECT_EQ(bytes.substr(0, 4), std::string("\x60\x30\x40\x01", 4));
  TMemoryStream ms(bytes);
  ms.SetPosition(4);
  TReader r(ms);
  r.ReadSignature();
  std::vector<std::string> classes;
  TComponentVisitor v;
  v.OnComponent = [&](const TComponentHeader& h, int) {
    p.Components.push_back(h);
    classes.push_back(h.ClassName);
    return true;
  };
  v.OnProperty = [&](const std::string& path, const TFilerValue& value) {
    p.Props.emplace(classes.back() + "." + path, value);
  };
  v.OnEndComponent = [&](int) { classes.pop_back(); };
  r.ReadComponentEvents(v);
  p.Rest = bytes.substr(std::size_t(ms.Position()));
  return p;
}

std::string Save(TCustomChart& chart, bool data = true) {
  TMemoryStream ms;
  SaveChartToStream(chart, ms, data);
  return std::string(ms.View());
}

TEST(ChartFile, EmptyChartIsMagicAndComponentStream) {
  TChart chart;
  chart.SetName("Chart1");
  const TParsed p = Parse(Save(chart));
  ASSERT_EQ(p.Components.size(), 1u);
  EXPECT_EQ(p.Components[0].ClassName, "TChart");
  EXPECT_EQ(p.Components[0].Name, "");  // no name at run time
  EXPECT_EQ(chart.Name(), "Chart1");
  EXPECT_TRUE(p.Rest.empty());
  // Defaults are not written; a changed setting is, under its dotted name.
  EXPECT_EQ(p.Props.count("TChart.View3D"), 0u);
  chart.LeftAxis().Title.SetCaption("Y");
  chart.Title().Text().Add("Result");
  chart.SetView3D(false);
  const TParsed q = Parse(Save(chart));
  EXPECT_EQ(q.Props.at("TChart.LeftAxis.Title.Caption").Str, "Y");
  EXPECT_EQ(q.Props.at("TChart.Title.Text.Strings").Items.at(0).Str, "Result");
  EXPECT_EQ(q.Props.at("TChart.View3D").Type, vaFalse);
  // A chart being designed keeps its name in the stream.
  chart.Designing = true;
  EXPECT_EQ(Parse(Save(chart)).Components[0].Name, "Chart1");
}

TEST(ChartFile, PointBlocksFollowInSeriesOrder) {
  TChart chart;
  TLineSeries plain, full;
  TFastLineSeries empty;
  plain.SetName("Plain");
  full.SetName("Full");
  empty.SetName("Empty");
  plain.SetParentChart(&chart);
  full.SetParentChart(&chart);
  empty.SetParentChart(&chart);
  // Points added without X values: only the Y value per point.
  plain.AddY(1.5);
  plain.AddY(-2);
  plain.AddY(4);
  full.AddXY(3, 4, "three", clBlue);
  full.AddXY(7, 8);
  const TParsed p = Parse(Save(chart));
  ASSERT_EQ(p.Components.size(), 4u);
  EXPECT_EQ(p.Components[1].ClassName, "TLineSeries");
  EXPECT_EQ(p.Components[1].Name, "Plain");
  EXPECT_EQ(p.Components[3].ClassName, "TFastLineSeries");
  std::string expect = std::string(1, '\0') + Le32(3) + Le64(1.5) + Le64(-2) + Le64(4);
  expect += std::string(1, char(pdXValues | pdColors | pdLabels)) + Le32(2);
  expect += Le64(3) + Le64(4) + Le32(int32_t(clBlue)) + char(5) + "three";
  expect += Le64(7) + Le64(8) + Le32(int32_t(full.SeriesColor())) + char(0);
  expect += std::string(1, '\0') + Le32(0);
  EXPECT_EQ(p.Rest, expect);
  // Without point data nothing follows the component stream.
  EXPECT_TRUE(Parse(Save(chart, false)).Rest.empty());
}

// Reads a chart file's component stream into a new chart, making the
// series the stream names.
void Load(const std::string& bytes, TChart& chart, std::vector<std::unique_ptr<TChartSeries>>& made,
          std::vector<std::string>* errors = nullptr) {
  TMemoryStream ms(bytes);
  ms.SetPosition(4);
  TReadOptions o;
  o.OnChild = [&](TObjectRef, const TComponentHeader& h) -> TObjectRef {
    std::unique_ptr<TChartSeries> s;
    if (h.ClassName == "TLineSeries") s = std::make_unique<TLineSeries>();
    if (h.ClassName == "TPointSeries") s = std::make_unique<TPointSeries>();
    if (h.ClassName == "TFastLineSeries") s = std::make_unique<TFastLineSeries>();
    if (!s) return {};
    s->SetParentChart(&chart);
    made.push_back(std::move(s));
    return MakeObjectRef(made.back().get());
  };
  o.OnError = [errors](const std::string& path, const std::string& message) {
    if (errors) errors->push_back(path + ": " + message);
  };
  chart.Loading = true;
  TReader(ms).ReadRootComponent(MakeObjectRef(&chart), o);
  chart.Loading = false;
}

TEST(ChartFile, ReadBackByTheStreamReader) {
  TChart chart;
  chart.SetView3D(false);
  chart.Chart3DPercent();
  chart.Title().Text().Add("Observed against calculated");
  chart.Legend().SetAlignment(laBottom);
  chart.BottomAxis().SetRange(2, 8);
  chart.LeftAxis().Grid.SetColor(clRed);
  chart.PrintMargins[1] = 20;
  TChartAxis& extra = chart.CustomAxes().Add();
  extra.SetPositionPercent(50);
  TFastLineSeries calculated;
  TPointSeries target;
  calculated.SetName("Calc");
  target.SetName("Target");
  calculated.SetParentChart(&chart);
  target.SetParentChart(&chart);
  calculated.SetSeriesColor(clRed);
  calculated.SetTitle("Calculated y");
  target.SetSeriesColor(clBlue);
  target.Pointer().SetStyle(psStar);
  target.SetCustomVertAxis(&extra);
  target.SetIdentifier("observed");
  target.SetStyle(5);
  target.Marks().SetVisible(true);
  const std::string bytes = Save(chart);

  TChart back;
  std::vector<std::unique_ptr<TChartSeries>> made;
  std::vector<std::string> errors;
  Load(bytes, back, made, &errors);
  EXPECT_TRUE(errors.empty()) << errors.front();
  EXPECT_FALSE(back.View3D());
  EXPECT_EQ(back.Title().Text().Text(), "Observed against calculated\r\n");
  EXPECT_EQ(back.Legend().Alignment(), laBottom);
  EXPECT_FALSE(back.BottomAxis().Automatic());
  EXPECT_DOUBLE_EQ(back.BottomAxis().Minimum(), 2);
  EXPECT_DOUBLE_EQ(back.BottomAxis().Maximum(), 8);
  EXPECT_EQ(back.LeftAxis().Grid.Color(), clRed);
  EXPECT_EQ(back.PrintMargins[1], 20);
  ASSERT_EQ(back.CustomAxes().Count(), 1);
  EXPECT_DOUBLE_EQ(back.CustomAxes()[0].PositionPercent(), 50);
  ASSERT_EQ(made.size(), 2u);
  auto* c = dynamic_cast<TFastLineSeries*>(made[0].get());
  auto* t = dynamic_cast<TPointSeries*>(made[1].get());
  ASSERT_TRUE(c && t);
  EXPECT_EQ(c->Name(), "Calc");
  EXPECT_EQ(c->Title(), "Calculated y");
  EXPECT_EQ(c->SeriesColor(), clRed);
  EXPECT_EQ(c->LinePen().Color(), clRed);
  EXPECT_EQ(t->Pointer().Style(), psStar);
  EXPECT_EQ(t->VertAxis(), aCustomVertAxis);
  EXPECT_EQ(t->CustomVertAxis(), &back.CustomAxes()[0]);
  EXPECT_EQ(t->Identifier(), "observed");
  EXPECT_EQ(t->Style(), 5);
  EXPECT_TRUE(t->Marks().Visible());
  for (auto& s : made) s->SetParentChart(nullptr);
}

TEST(ChartFile, DesignTimePointsAndSourcesInTheSeriesStream) {
  TChart chart;
  chart.Designing = true;
  TLineSeries source, linked;
  source.SetName("Source");
  linked.SetName("Linked");
  source.SetParentChart(&chart);
  linked.SetParentChart(&chart);
  source.Clear();
  source.AddXY(1, 10, "a");
  source.AddXY(2, 20);
  source.DesignData = true;
  linked.SetDataSource(&source);
  const TParsed p = Parse(Save(chart));
  // The designed points as "Data" (the point data layout), the source by name.
  const TFilerValue& data = p.Props.at("TLineSeries.Data");
  EXPECT_EQ(data.Type, vaBinary);
  TMemoryStream block;
  WriteSeriesPoints(source, block);
  EXPECT_EQ(data.Str, std::string(block.View()));
  bool named = false;
  for (const auto& [path, value] : p.Props)
    if (path == "TLineSeries.DataSources")
      named = value.Items.size() == 1 && value.Items[0].Str == "Source";
  EXPECT_TRUE(named);
  // Read back: the points are there again, the source names are kept.
  TChart back;
  back.Designing = true;
  std::vector<std::unique_ptr<TChartSeries>> made;
  Load(Save(chart), back, made);
  ASSERT_EQ(made.size(), 2u);
  EXPECT_EQ(made[0]->Count(), 2);
  EXPECT_EQ(made[0]->GetLabel(0), "a");
  EXPECT_TRUE(made[0]->DesignData);
  EXPECT_EQ(made[1]->DataSourceNames, std::vector<std::string>{"Source"});
  for (auto& s : made) s->SetParentChart(nullptr);
}

TEST(ChartFile, OldPropertiesAreRead) {
  // A stream of an older chart: the back colour as a colour name, the zoom
  // settings of the chart itself.
  TMemoryStream ms;
  TWriter w(ms);
  w.WriteSignature();
  w.WriteStr("TChart");
  w.WriteStr("");
  w.WriteProperty("BackColor", TFilerValue::Ident("clWhite"));
  w.WriteProperty("AllowZoom", TFilerValue::Boolean(false));
  w.WriteProperty("AnimatedZoomSteps", TFilerValue::Integer(3));
  w.WriteProperty("PrintMargins",
                  TFilerValue::List({TFilerValue::Integer(10), TFilerValue::Integer(11)}));
  w.WriteValue(vaNull);
  w.WriteValue(vaNull);
  ms.SetPosition(0);
  TChart chart;
  TReader(ms).ReadRootComponent(MakeObjectRef(&chart));
  EXPECT_EQ(chart.BackWall().Color(), clWhite);
  EXPECT_FALSE(chart.Zoom().Allow);
  EXPECT_EQ(chart.Zoom().AnimatedSteps, 3);
  EXPECT_EQ(chart.PrintMargins[0], 10);
  EXPECT_EQ(chart.PrintMargins[1], 11);
  EXPECT_EQ(chart.PrintMargins[2], 15);
  // None of them is written again.
  const TParsed p = Parse(Save(chart));
  EXPECT_EQ(p.Props.count("TChart.BackColor"), 0u);
  EXPECT_EQ(p.Props.count("TChart.AllowZoom"), 0u);
  EXPECT_EQ(p.Props.at("TChart.Zoom.AnimatedSteps").Int, 3);
}

// A stream that fails after a number of bytes.
class TFailingStream : public TMemoryStream {
 public:
  explicit TFailingStream(int64_t limit) : limit_(limit) {}
  int64_t Write(const void* buffer, int64_t count) override {
    if (Size() + count > limit_) throw EWriteError("disk full");
    return TMemoryStream::Write(buffer, count);
  }

 private:
  int64_t limit_;
};

TEST(ChartFile, NameKeptWhenWritingFails) {
  TChart chart;
  chart.SetName("Chart1");
  TLineSeries s;
  s.SetParentChart(&chart);
  s.AddY(1);
  TFailingStream out(40);
  EXPECT_THROW(SaveChartToStream(chart, out), EWriteError);
  EXPECT_EQ(chart.Name(), "Chart1");
  s.SetParentChart(nullptr);
}

TEST(ChartFile, SavedAtomically) {
  TChart chart;
  const std::string path = std::string(QV_BINARY_DIR) + "/chart.qvc";
  SaveChartToFile(chart, path);
  TMemoryStream file;
  file.LoadFromFile(path);
  EXPECT_EQ(std::string(file.View()), Save(chart));
}

}  // namespace
}  // namespace qv
