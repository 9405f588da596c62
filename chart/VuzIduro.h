// The chart file (".qvc") and the chart classes of the component stream.
//
// A chart file holds, in this order: the magic bytes 60 30 40 01; the chart
// as a component stream ("TPF0", then the chart with its published
// properties, owned objects under dotted names, and its series as child
// components, each with its published properties and the extra properties
// "DataSources", "Identifier", "Style", "CustomHorizAxis", "CustomVertAxis"
// and "Data"); then, when asked, one point data block per series in series
// order (the layout of TChartSeries::WriteData).
//
// The descriptions of the chart classes (TChart and its parts, the series
// types, the chart classes TChartChart and TODBCChart that older streams
// name) are registered once by RegisterChartClasses; writing a chart does
// it first.
#pragma once

#include <string>

#include "chart/Chart.h"
#include "platform/core/Classes.h"
#include "platform/core/PublishedProps.h"

namespace qv {

// The first four bytes of a chart file.
inline constexpr unsigned char ChartFileMagic[4] = {0x60, 0x30, 0x40, 0x01};

// Registers the descriptions of every chart class (once).
void RegisterChartClasses();

// The chart classes older chart streams name; both are charts.
class TChartChart : public TChart {};
class TODBCChart : public TChart {};

// Writes the chart file into Stream at its position: the magic, the chart
// as a component stream (written without a component name; the chart's
// name is restored afterwards, also when writing fails), then with
// IncludeData the point data of every series. Stream errors pass to the
// caller (the point data is then not written).
void SaveChartToStream(TCustomChart& chart, TStream& stream, bool includeData = true);
// The whole file, written atomically (an old file stays as it was when
// writing fails).
void SaveChartToFile(TCustomChart& chart, const std::string& fileName, bool includeData = true);
// One point data block per series of the chart, in series order.
void SaveSeriesPoints(TStream& stream, TCustomAxisPanel& chart);
// The flags byte of a series' point data block.
unsigned char SeriesPointFlags(const TChartSeries& series);

}  // namespace qv
