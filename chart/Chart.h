// The axis panel: a chart panel that owns axes and series, and computes each
// axis' automatic range over the series drawn against it.
#pragma once

#include <memory>
#include <vector>

#include "chart/DovOrara.h"
#include "chart/VeZazera.h"

namespace qv {

class TCustomAxisPanel : public TCustomPlotPanelExtended {
 public:
  TCustomAxisPanel();
  ~TCustomAxisPanel() override;

  // -- series (the panel does not own them; a destroyed series leaves)
  int SeriesCount() const { return int(series_.size()); }
  // The series at Index; ChartException for an index outside the list.
  TChartSeries& GetSeries(int index) const;
  TChartSeries& operator[](int index) const { return GetSeries(index); }
  int ActiveSeriesCount() const;
  void AddSeries(TChartSeries* series);
  void RemoveSeries(TChartSeries* series);
  int IndexOfSeries(const TChartSeries* series) const;
  const std::vector<TChartSeries*>& SeriesList() const { return series_; }

  // -- axes (every axis, standard ones first: bottom, top, left, right, depth)
  TChartAxis& BottomAxis() { return *bottom_; }
  TChartAxis& TopAxis() { return *top_; }
  TChartAxis& LeftAxis() { return *left_; }
  TChartAxis& RightAxis() { return *right_; }
  TChartDepthAxis& DepthAxis() { return *depth_; }
  const std::vector<TChartAxis*>& Axes() const { return axes_; }
  void RegisterAxis(TChartAxis* axis) { axes_.push_back(axis); }
  void UnregisterAxis(TChartAxis* axis);

  // -- extremes over the series of an axis
  double MinXValue(const TChartAxis& axis) const { return InternalMinMax(axis, true, true); }
  double MaxXValue(const TChartAxis& axis) const { return InternalMinMax(axis, false, true); }
  double MinYValue(const TChartAxis& axis) const { return InternalMinMax(axis, true, false); }
  double MaxYValue(const TChartAxis& axis) const { return InternalMinMax(axis, false, false); }
  // The smallest (IsMin) or largest value on Axis (X values for a
  // horizontal axis, else Y) over the series associated with it; inactive
  // series count only when no active one is associated. 0 without series.
  double InternalMinMax(const TChartAxis& axis, bool isMin, bool horizontal) const;
  // Axis' own direction decides X or Y.
  double AxisMinMax(const TChartAxis& axis, bool isMin) const {
    return InternalMinMax(axis, isMin, axis.Horizontal());
  }
  int MaxZOrder = 0;
  // Total 3-D depth and height in pixels (0 in 2-D).
  int Width3D = 0, Height3D = 0;

  // -- series changes (kinds 0 added, 1 removed, 2 title, 3 colour, 5 active, 6 data)
  virtual void SeriesEvent(TChartSeries* series, int kind);
  std::function<void(TChartSeries*, int)> OnSeriesEvent;
  // Whether Source may feed Series (not itself, same chart, no cycle).
  bool IsValidDataSource(const TChartSeries* series, const TChartSeries* source) const;
  // A series-source component is valid when it is free or already linked
  // to Series.
  bool IsValidDataSource(const TChartSeries* series, const TPlotSeriesSource* source) const;
  // Unless loading: a series fed by a series rebuilds its points from it,
  // one fed by a series-source component has the component refresh; then
  // the chart repaints.
  virtual void CheckDataSource(TChartSeries* series);
  // The legend's colour, remembered by the legend when it draws (series
  // symbols that would vanish on it are outlined); clDefault stands for
  // the chart's colour.
  TColor LegendColor = clWhite;
  // Raises ChartException "Circular Series dependences are not allowed"
  // when Series already feeds Source (directly or through other series).
  void CheckCircular(const TChartSeries* series, const TChartSeries* source) const;

 protected:
  int BackImageDepth() const override { return Width3D; }

 private:
  std::vector<TChartSeries*> series_;
  std::vector<TChartAxis*> axes_;
  std::unique_ptr<TChartAxis> bottom_, top_, left_, right_;
  std::unique_ptr<TChartDepthAxis> depth_;
};

}  // namespace qv
