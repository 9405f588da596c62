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
  // The highest depth index in use (the series' CalcZOrder raise it).
  int MaxZOrder = 0;
  // Total 3-D depth and height in pixels (0 in 2-D).
  int Width3D = 0, Height3D = 0;

  // -- series changes (kinds 0 added, 1 removed, 2 title, 3 colour, 5 active, 6 data)
  virtual void SeriesEvent(TCustomChartSeries* series, int kind);
  std::function<void(TCustomChartSeries*, int)> OnSeriesEvent;
  // Told after a series' title, colour or active flag changed and the
  // series event was sent (an editor showing the series); may be empty.
  std::function<void(TCustomChartSeries*)> SeriesChangeHook;

  // -- series colours
  // Whether no series of the chart has Color as its SeriesColor and, with
  // CheckBackground, Color is not the panel colour either.
  virtual bool IsFreeSeriesColor(TColor color, bool checkBackground) const;
  // The first default palette colour, from index 0, that IsFreeSeriesColor
  // accepts; after 21 tries the last one tried.
  TColor FreeSeriesColor(bool checkBackground) const;

  // -- depth order
  // Whether series stand one behind the other in 3-D (each at its own
  // depth index) rather than all at the front.
  bool ApplyZOrder = true;
  // Whether the 3-D view shows the chart from its left, so that drawing
  // from left to right would paint near parts first: in 3-D, OrthoAngle
  // above 90 in the orthogonal view, else Rotation below 270.
  bool IsViewFromOtherSide() const;

  // -- axis labels
  // May change the text of an axis label (series null and index -1 for a
  // value label).
  std::function<void(TChartAxis* sender, TChartSeries* series, int valueIndex, std::string& text)>
      OnGetAxisLabel;
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
