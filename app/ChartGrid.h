// What the chart analysis window computes, without its window: how the
// model's fit measure (fitting and program models) or objective value
// (optimisation models) changes when one or two parameters vary over a
// range while the others stay fixed; the text under the chart, the series
// that draw the result, and the data as text.
//
// A range of Size steps from From to To gives Size + 1 values per axis,
// value i = From + i * (To - From) / Size. Ranges whose step cannot be
// walked (Size below 1, From equal to To, a value that is not finite) are
// refused before anything is evaluated.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "engine/CommonUnit.h"

namespace qv {

class TChart;
class TChartSeries;

// One active parameter: its name, its index in the model's parameters and
// the range it runs over.
struct TChartRange {
  std::string Name;
  int Index = 0;
  double From = 0, To = 0;
  int Size = 0;
  double Step() const { return (To - From) / Size; }
  double Value(int i) const { return From + Step() * i; }
};

// "" when the range can be drawn, else why not.
std::string CheckChartRange(const TChartRange& Range);

// A number as the model language reads it (blanks around it allowed);
// false for anything else, a value that is not finite included.
bool ParseChartNumber(const std::string& Text, double& Value);

// From and To offered for a parameter of value V moved to the active list:
// half and twice the value, lower first.
void DefaultChartRange(double V, double& From, double& To);

// The measure over a grid of one or two active ranges.
struct TChartGrid {
  std::vector<TChartRange> Active;  // one or two
  // Values[i][j]: i steps the first range, j the second (one column when
  // only one range is active).
  std::vector<std::vector<double>> Values;
  bool HasBest = false;
  double Best = 0;
  std::vector<double> BestArgument;  // one value per active range
  bool Empty() const { return Values.empty(); }
};

// The measure's name: "DC" or "RMSE" (fitting and program models, by the
// stop criterion), "Min. Error", "Max. Value" or "Min. Value" (optimisation
// models, by the objective's direction).
std::string ChartMeasureName(const TEngineState& S, bool Rmse);

// Whether larger measures are better.
bool ChartLargerIsBetter(const TEngineState& S, bool Rmse);

// Evaluates the grid. Parameters: every parameter's value (the fixed ones
// keep theirs); Rmse: RMSE is the measure of fitting and program models.
// Progress is called once per step of the first range. An evaluation that
// raises never stops the grid (see the window's description of the
// measures). Program models need the engine's loaded library: without it
// the result is empty and Error says "Wrong to load lib!". The engine's
// parameter slots, current data set and calculated values are restored.
TChartGrid ComputeChartGrid(TEngineState& S, bool Rmse, const std::vector<double>& Parameters,
                            const std::vector<TChartRange>& Active, std::string& Error,
                            const std::function<void(int Step)>& Progress = {});

// The line under the chart: "a=1.5; DC=0.99" or "a=1; b=2; RMSE=0.1"
// (numbers "%0.5g").
std::string ChartTitleText(const TChartGrid& Grid, const std::string& MeasureName);

// The grid series of a two-range grid: 0 surface, 1 contour (20 levels),
// 2 colour grid (red over yellow to blue). Grid values that are not whole
// steps of 1 make the series' grid irregular, so every point keeps its
// own cell.
std::unique_ptr<TChartSeries> BuildGridSeries(TChart& Chart, int Kind, const TChartGrid& Grid);

// The line series of a one-range grid.
std::unique_ptr<TChartSeries> BuildLineSeries(TChart& Chart, const TChartGrid& Grid);

// The data as text, numbers "%0.6g" joined by Separator:
//   ctLine  one range: "X,Y" then value, measure per step;
//   ctGrid  two ranges: one line per value of the second range from its To
//           down to its From, each the measures along the first range;
//   ctXYZ   two ranges: "X,Y,Z" then one line per (i outer, j inner).
enum class TChartTextForm { ctLine, ctGrid, ctXYZ };
std::vector<std::string> ChartDataLines(const TChartGrid& Grid, TChartTextForm Form,
                                        const std::string& Separator,
                                        const std::string& NumberFormat = "%0.6g");

}  // namespace qv
