// The chart file writer: magic, the chart's component stream, the point
// data of its series.
#include "chart/VuzIduro.h"

#include "platform/core/ComponentStream.h"

namespace qv {

unsigned char SeriesPointFlags(const TChartSeries& series) { return series.PointDataFlags(); }

void SaveSeriesPoints(TStream& stream, TCustomAxisPanel& chart) {
  for (int i = 0; i < chart.SeriesCount(); ++i) WriteSeriesPoints(chart.GetSeries(i), stream);
}

void SaveChartToStream(TCustomChart& chart, TStream& stream, bool includeData) {
  RegisterChartClasses();
  stream.WriteBuffer(ChartFileMagic, sizeof ChartFileMagic);
  // At run time the stream carries no component name; the chart keeps its.
  const bool clearName = !chart.Designing;
  const std::string name = chart.Name();
  if (clearName) chart.SetName("");
  struct TRestoreName {
    TCustomChart& Chart;
    const std::string& Name;
    bool Active;
    ~TRestoreName() {
      if (Active) Chart.SetName(Name);
    }
  } restore{chart, name, clearName};
  TWriter(stream).WriteRootComponent(MakeObjectRef(&chart));
  if (includeData) SaveSeriesPoints(stream, chart);
}

void SaveChartToFile(TCustomChart& chart, const std::string& fileName, bool includeData) {
  TMemoryStream bytes;
  SaveChartToStream(chart, bytes, includeData);
  writeFileAtomic(fileName, bytes.View());
}

}  // namespace qv
