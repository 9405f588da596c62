// Chart data and scales: value lists, the series base, chart axes and the
// series type registry.
//
// A series keeps its points as parallel columns (TChartValueList): X first,
// Y second, further lists after. Point i is index i of every list, of the
// label list and of the colour list. Colours follow the chart conventions:
// clDefault (0x20000000) means "the series colour", clNone (0x1FFFFFFF)
// marks a null point that is neither drawn nor marked. A value that is not
// finite (NaN, +-inf) is treated like a null point: it is left out of the
// list statistics and never reaches a scale computation.
//
// An axis maps values to pixels along one side of the chart; the axis panel
// (chart/Chart.h) owns the axes and the series and recomputes the scales
// before each draw.
#pragma once

#include <algorithm>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "chart/DovOrara.h"
#include "chart/PlotCanvas.h"

namespace qv {

class TChartSeries;
class TChartAxis;
class TCustomAxisPanel;
class TPlotSeriesSource;
class TChartSeriesFunction;
class TStream;

// ---- value lists ---------------------------------------------------------------

enum TChartListOrder { loNone = 0, loAscending = 1, loDescending = 2 };

class TChartValueList {
 public:
  // Appends itself to the owner's value lists (owner may be null).
  TChartValueList(TChartSeries* owner, const std::string& name);
  virtual ~TChartValueList();
  TChartValueList(const TChartValueList&) = delete;
  TChartValueList& operator=(const TChartValueList&) = delete;

  // Copies Order, DateTime and ValueSource (not the values).
  virtual void Assign(const TChartValueList& source);
  // Adds a value where Order puts it and returns its index; equal values go
  // after the existing ones.
  virtual int AddValue(double value);
  virtual void Clear();
  // Inserts at Index (0..Count) whatever the Order.
  virtual void InsertValue(int index, double value);
  // Index must be 0..Count-1; other indexes change nothing.
  virtual void Delete(int index);
  // Removes up to Quantity values from Start; a negative Start or Quantity,
  // or a Start past the end, changes nothing.
  void DeleteRange(int start, int quantity);

  int Count() const { return count_; }
  int Capacity() const { return int(values_.size()); }
  // Values are added in steps of GrowthStep slots (never by doubling); a
  // series that knows how many points come sets it for the duration.
  static constexpr int DefaultGrowthStep = 1000;
  int GrowthStep() const { return growthStep_; }
  void SetGrowthStep(int v) { growthStep_ = std::max(1, v); }
  double Value(int index) const { return values_[index]; }
  double operator[](int index) const { return values_[index]; }
  void SetValue(int index, double value);
  // The values in use (Count of them).
  const double* Data() const { return values_.data(); }

  double FirstValue() const { return values_[0]; }
  double LastValue() const { return values_[count_ - 1]; }

  // Whether some value is not finite (a null point).
  bool HasNonFinite();
  // Lazy statistics over the finite values (0 when there are none).
  double MaximumValue();
  double MinimumValue();
  double Sum();
  double AbsoluteSum();
  double ValueRange();

  void RotateFirstToLast();
  void SwapValues(int index1, int index2);
  void FillWithIndices();
  // -1, 0, +1 by the values (reversed for loDescending); values that are not
  // finite sort after every finite value.
  int CompareValues(int a, int b) const;
  // Sorts the points of the owner by this list when Order is not loNone.
  void Sort();

  bool DateTime() const { return dateTime_; }
  void SetDateTime(bool v);
  const std::string& Name() const { return name_; }
  void SetName(const std::string& v) { name_ = v; }
  TChartListOrder Order() const { return order_; }
  void SetOrder(TChartListOrder v) { order_ = v; }
  const std::string& ValueSource() const { return valueSource_; }
  void SetValueSource(const std::string& v);
  TChartSeries* Owner() const { return owner_; }

  // Reads the obsolete "Multiplier" stream property: any value but 1 shows
  // the obsolete-property message through ShowMessageHook (once per call).
  void ReadMultiplier(double value);
  // One per process: the program's message box, set once by the GUI.
  static std::function<void(const std::string&)> ShowMessageHook;

  // The value the next added point takes in this list.
  double PendingValue = 0;

 private:
  friend class TChartSeries;
  void Grow();
  void Recalc();
  TChartSeries* owner_;
  std::string name_;
  bool dateTime_ = false;
  TChartListOrder order_ = loNone;
  std::string valueSource_;
  std::vector<double> values_;
  int count_ = 0;
  int growthStep_ = DefaultGrowthStep;
  bool dirty_ = true;
  double min_ = 0, max_ = 0, sum_ = 0, absSum_ = 0;
  bool nonFinite_ = false;
};

// ---- mark positions -----------------------------------------------------------------

// Where the mark of one point stands; a custom position was placed by the
// user and is kept (and stored with the point data).
struct TSeriesMarkPosition {
  TPoint ArrowStart;
  bool ArrowFixed = false;
  TPoint ArrowEnd;
  bool IsCustom = false;
  int Height = 0;
  TPoint TopLeft;
  int Width = 0;
  TRect BoundsRect() const {
    return Rect(TopLeft.X, TopLeft.Y, TopLeft.X + Width, TopLeft.Y + Height);
  }
};

// The mark positions of a series, indexed by point index; entries may be
// empty (no position recorded for that point).
class TSeriesMarksPositions {
 public:
  int Count() const { return int(items_.size()); }
  // The entry at Index, or null when there is none.
  TSeriesMarkPosition* Position(int index) const {
    return index >= 0 && index < Count() ? items_[index].get() : nullptr;
  }
  void Append(std::unique_ptr<TSeriesMarkPosition> p) { items_.push_back(std::move(p)); }
  // The entry at Index, created (with any empty entries before it) on demand.
  TSeriesMarkPosition& Ensure(int index);
  // Index outside the list changes nothing.
  void Delete(int index);
  void DeleteRange(int start, int quantity);
  void Clear() { items_.clear(); }
  // Whether some entry is a custom position.
  bool HasCustom() const;

 private:
  std::vector<std::unique_ptr<TSeriesMarkPosition>> items_;
};

// ---- marks ------------------------------------------------------------------------

enum TSeriesMarksStyle {
  smsValue,
  smsPercent,
  smsLabel,
  smsLabelPercent,
  smsLabelValue,
  smsLegend,
  smsPercentTotal,
  smsLabelPercentTotal,
  smsXValue,
  smsXY
};

// The gradient of marks: silver to white, right to left.
class TSeriesMarksGradient : public TPlotGradient {
 public:
  explicit TSeriesMarksGradient(TPlotChangeEvent onChange = {});
};

// The small framed text boxes a series draws at its points, with an
// optional arrow from the point to the box. The series builds each mark's
// text and position (TChartSeries::DrawMarks); the marks keep the settings,
// remember where every mark was drawn (the series' mark positions, where
// a position the user placed stays custom) and draw one mark. Owned by its
// series; its parent chart follows the series'.
class TSeriesMarks : public TPlotCustomShape {
 public:
  explicit TSeriesMarks(TChartSeries* series);

  // Angle, arrow pen, arrow length, clip, draw-every, style, multi-line,
  // then the shape settings.
  void Assign(const TPlotCustomShapeBrushPen& source) override;

  int Angle() const { return angle_; }
  void SetAngle(int v);
  TChartArrowPen& Arrow() { return arrow_; }
  void SetArrow(const TChartPen& v) { arrow_.Assign(v); }
  int ArrowLength() const { return arrowLength_; }
  void SetArrowLength(int v);
  // The box colour (the same as Color).
  TColor BackColor() const { return Color(); }
  void SetBackColor(TColor v) { SetColor(v); }
  bool Clip() const { return clip_; }
  void SetClip(bool v);
  // Marks are drawn at every DrawEvery-th point (indices divisible by it).
  int DrawEvery() const { return drawEvery_; }
  void SetDrawEvery(int v);
  bool MultiLine() const { return multiLine_; }
  void SetMultiLine(bool v);
  TSeriesMarksStyle Style() const { return style_; }
  void SetStyle(TSeriesMarksStyle v);

  TChartSeries* ParentSeries() const { return series_; }
  // The series' mark positions, indexed by point.
  TSeriesMarksPositions& Positions();
  // The depth the marks are drawn at (the series' middle depth, set by
  // the chart before drawing).
  int ZPosition = 0;

  // Moves TopLeft and ArrowEnd up by ArrowLength pixels.
  void ApplyArrowLength(TSeriesMarkPosition& position) const;
  // Records where mark Index stands. A custom position stored there wins:
  // Position becomes a copy of it (keeping Position's arrow start when
  // Position has ArrowFixed); otherwise the stored entry takes Position.
  void StorePosition(int index, TSeriesMarkPosition& position);
  // The index of the first drawn mark (index divisible by DrawEvery) whose
  // stored box holds (X, Y), the point mapped back from the marks' depth;
  // -1 for none.
  int Clicked(int x, int y);
  // Draws mark Index: stores its position, the arrow from ArrowStart to
  // ArrowEnd (in Color's contrast when the arrow-contrast switch is on),
  // the box and the text lines centred in it.
  void DrawItem(int index, TColor color, TSeriesMarkPosition& position, const std::string& text);

  // Engine-wide switch (off): an arrow in the point's or the chart's
  // background colour is drawn in black (white on black) instead.
  static bool ArrowContrast;

 protected:
  std::unique_ptr<TPlotGradient> NewGradient() const override {
    return std::make_unique<TSeriesMarksGradient>();
  }

 private:
  void Changed();
  TChartSeries* series_;
  TChartArrowPen arrow_;
  int angle_ = 0;
  int arrowLength_ = 8;
  bool clip_ = false;
  int drawEvery_ = 1;
  bool multiLine_ = false;
  TSeriesMarksStyle style_ = smsLabel;
};

// Bits of the flags byte that starts a series' point data.
constexpr unsigned char pdXValues = 1, pdColors = 2, pdLabels = 4, pdMarkPositions = 8;

// ---- series ----------------------------------------------------------------------

enum THorizAxis { aTopAxis, aBottomAxis, aBothHorizAxis, aCustomHorizAxis };
enum TVertAxis { aLeftAxis, aRightAxis, aBothVertAxis, aCustomVertAxis };

class TCustomChartSeries;

// What happened to a series of a chart, as the chart tells its listeners.
enum class TSeriesEventKind {
  Added = 0,
  Removed = 1,
  TitleChanged = 2,
  ColorChanged = 3,
  ActiveChanged = 5,
  DataChanged = 6
};

// The event a chart broadcasts to its listeners when a series changes.
class TPlotSeriesEvent : public TPlotEvent {
 public:
  TCustomChartSeries* Series = nullptr;
  TSeriesEventKind Kind = TSeriesEventKind::Added;
};

// Kinds of NotifyValue.
enum TValueEvent { veClear = 0, veAdd = 1, veDelete = 2, veRefresh = 3, veModify = 4 };
// Source events a linked series reacts to.
constexpr unsigned seOnDelete = 1, seOnModify = 2, seOnInsert = 4, seOnClear = 8;

enum TLegendTextStyle {
  ltsPlain,
  ltsLeftValue,
  ltsRightValue,
  ltsLeftPercent,
  ltsRightPercent,
  ltsXValue,
  ltsValue,
  ltsPercent,
  ltsXAndValue,
  ltsXAndPercent
};

// The chart's own random generator for sample values (a 32-bit linear
// congruential generator); the engine's generator is never used by charts.
class TChartRandom {
 public:
  explicit TChartRandom(std::uint32_t seed = 0) : seed_(seed) {}
  void SetSeed(std::uint32_t s) { seed_ = s; }
  std::uint32_t Seed() const { return seed_; }
  // Integer in [0, n); 0 when n <= 0.
  int Next(int n);

 private:
  std::uint32_t seed_;
};
// One per process: every chart's sample values draw from the same sequence,
// so two charts filled one after the other show different samples, and a
// test can seed it to get a known sample. Charts live on the GUI thread.
TChartRandom& ChartRandom();

// ---- chart elements -------------------------------------------------------------

// The base of everything a chart holds as a component of its own (series):
// an active flag, a brush and a pen, the chart it belongs to, and the
// component's name and tag. A change of the brush or pen repaints the chart.
class TCustomChartElement {
 public:
  TCustomChartElement();
  virtual ~TCustomChartElement() = default;
  TCustomChartElement(const TCustomChartElement&) = delete;
  TCustomChartElement& operator=(const TCustomChartElement&) = delete;

  // Copies Active, the brush, the pen and Tag.
  virtual void Assign(const TCustomChartElement& source);
  // The name of the element's editor form (none here).
  virtual std::string GetEditorClassName() const { return {}; }

  bool Active() const { return active_; }
  // Stores a changed value and repaints.
  virtual void SetActive(bool v);
  TChartBrush& Brush() { return brush_; }
  const TChartBrush& Brush() const { return brush_; }
  void SetBrush(const TChartBrush& v) { brush_.Assign(v); }
  TChartPen& Pen() { return pen_; }
  const TChartPen& Pen() const { return pen_; }
  // Assigns into the element's own pen.
  virtual void SetPen(const TChartPen& v) { pen_.Assign(v); }
  TCustomAxisPanel* ParentChart() const { return parentChart_; }
  // Stores the chart (a series also moves between the charts' lists).
  virtual void SetParentChart(TCustomAxisPanel* chart) { parentChart_ = chart; }
  const std::string& Name() const { return name_; }
  void SetName(const std::string& v) { name_ = v; }
  int Tag = 0;

  // Repaints the chart when there is one (and it is not being destroyed).
  void Repaint();

 protected:
  // The change notification of the brush and pen: repaints the chart.
  virtual void Changed() { Repaint(); }

  bool active_ = true;
  TChartBrush brush_;
  TChartPen pen_;
  TCustomAxisPanel* parentChart_ = nullptr;
  std::string name_;
};

// A chart element that the chart lists as a series: title, legend flag, an
// identifier string and a style byte, and the hooks the chart calls before
// it draws.
class TCustomChartSeries : public TCustomChartElement {
 public:
  // Besides storing and repainting, sends the chart the series event
  // ActiveChanged and then calls the chart's series-change hook.
  void SetActive(bool v) override;
  const std::string& Title() const { return title_; }
  // Stores a changed title, repaints, sends the chart the series event
  // TitleChanged and calls the series-change hook.
  void SetTitle(const std::string& v);
  bool ShowInLegend() const { return showInLegend_; }
  void SetShowInLegend(bool v);
  // Free text kept with the series ("Identifier" in the component stream).
  const std::string& Identifier() const { return identifier_; }
  void SetIdentifier(const std::string& v) { identifier_ = v; }
  // Six flag bits (1, 2, 4, 8, 16, 32); higher bits are dropped, so the
  // integer read back from a stream ("Style") keeps only these.
  static constexpr int StyleMask = 0x3F;
  int Style() const { return style_; }
  void SetStyle(int v) { style_ = static_cast<unsigned char>(v & StyleMask); }

  // Room the series needs beyond the axis ends, in pixels (none here).
  virtual void CalcHorizMargins(int& leftMargin, int& rightMargin) { leftMargin = rightMargin = 0; }
  virtual void CalcVerticalMargins(int& topMargin, int& bottomMargin) {
    topMargin = bottomMargin = 0;
  }
  // Called by the chart for every active series before a draw (nothing here).
  virtual void BeforeDrawChart() {}

 protected:
  // Series event Kind to the chart, then its series-change hook.
  void NotifySeriesChange(TSeriesEventKind kind);

  std::string title_;
  bool showInLegend_ = true;
  std::string identifier_;
  unsigned char style_ = 0;
};

class TChartSeries : public TCustomChartSeries {
 public:
  TChartSeries();
  ~TChartSeries() override;

  // From another series: the published settings (colours, formats, axes,
  // depth, source names, cursor, title, legend flag, identifier, style and
  // the value lists' settings), then Active, brush, pen and Tag. Points,
  // data sources, the function and event handlers are not copied.
  void Assign(const TCustomChartElement& source) override;

  // -- chart and axes
  // Moves the series to another chart's series list (null: no chart). A
  // series with the automatic colour then takes the chart's next free
  // series colour; on a chart being designed (not loading) a series without
  // points, source or function is filled with sample values.
  void SetParentChart(TCustomAxisPanel* chart) override;
  THorizAxis HorizAxis() const { return horizAxis_; }
  void SetHorizAxis(THorizAxis v);
  TVertAxis VertAxis() const { return vertAxis_; }
  void SetVertAxis(TVertAxis v);
  TChartAxis* CustomHorizAxis() const { return customHorizAxis_; }
  void SetCustomHorizAxis(TChartAxis* axis);
  TChartAxis* CustomVertAxis() const { return customVertAxis_; }
  void SetCustomVertAxis(TChartAxis* axis);
  TChartAxis* HorizAxisObject() const { return horizAxisObject_; }
  TChartAxis* VertAxisObject() const { return vertAxisObject_; }
  // Recomputes the axis objects from the settings and the chart.
  void RecalcGetAxis();
  virtual bool UsesAxes() const { return true; }
  virtual bool AssociatedToAxis(const TChartAxis* axis) const;

  // -- value lists
  TChartValueList& XValues() { return *valueLists_[0]; }
  TChartValueList& YValues() { return *valueLists_[1]; }
  const std::vector<TChartValueList*>& ValueLists() const { return valueLists_; }
  TChartValueList& MandatoryValueList() { return *mandatory_; }
  TChartValueList& NotMandatoryValueList() { return *notMandatory_; }
  bool YMandatory() const { return yMandatory_; }
  // Further list (index 2 on) named Name (case-insensitive), else Y.
  TChartValueList& ValueListByName(const std::string& name);

  // -- points
  virtual int AddXY(double x, double y, const std::string& label = "", TColor color = clDefault);
  virtual int Add(double value, const std::string& label = "", TColor color = clDefault);
  int AddY(double value, const std::string& label = "", TColor color = clDefault);
  virtual int AddNull(const std::string& label = "");
  virtual int AddNullXY(double x, double y, const std::string& label = "");
  virtual int Count() const { return valueLists_[0]->Count(); }
  virtual void Delete(int index);
  virtual void DeleteRange(int start, int quantity);
  virtual void Clear();
  void SwapPoints(int a, int b);

  virtual double GetXValue(int index) const { return valueLists_[0]->Value(index); }
  virtual double GetYValue(int index) const { return valueLists_[1]->Value(index); }
  double MarkValue(int index) const { return mandatory_->Value(index); }
  // |MarkValue| as a percentage of the mandatory list's absolute sum (100
  // when the sum is 0).
  double MarkPercent(int index) const;
  virtual std::string GetLabel(int index) const;
  void SetLabel(int index, const std::string& label);
  bool HasLabels() const { return !labels_.empty(); }
  virtual TColor GetValueColor(int index) const;
  TColor ValueColor(int index) const { return GetValueColor(index); }
  void SetValueColor(int index, TColor color);
  bool HasPointColors() const { return pointColors_ != nullptr; }
  // Null point: its colour is clNone, or one of its X or Y values is not finite.
  bool IsNull(int index) const;

  virtual double MinXValue() { return valueLists_[0]->MinimumValue(); }
  virtual double MaxXValue() { return valueLists_[0]->MaximumValue(); }
  virtual double MinYValue() { return valueLists_[1]->MinimumValue(); }
  virtual double MaxYValue() { return valueLists_[1]->MaximumValue(); }
  virtual double MinZValue() const { return DepthIndex(); }
  virtual double MaxZValue() const { return MinZValue(); }
  // The depth index the series stands at (its ZOrder, or the one the chart
  // gave it); series with Z values of their own keep it apart from them.
  int DepthIndex() const { return zOrder_ >= 0 ? zOrder_ : autoZ_; }
  // Whether the series keeps Z values of its own (3-D grid series).
  virtual bool HasZValues() const { return false; }

  // Pixel positions through the axes (the plot origin without axes).
  virtual int CalcXPosValue(double value) const;
  virtual int CalcYPosValue(double value) const;
  virtual int CalcXPos(int index) const { return CalcXPosValue(GetXValue(index)); }
  virtual int CalcYPos(int index) const { return CalcYPosValue(GetYValue(index)); }

  // -- colours and formats
  TColor SeriesColor() const { return seriesColor_; }
  virtual void SetSeriesColor(TColor v);
  bool ColorEachPoint() const { return colorEachPoint_; }
  virtual void SetColorEachPoint(bool v);
  const std::string& ValueFormat() const { return valueFormat_; }
  void SetValueFormat(const std::string& v);
  const std::string& PercentFormat() const { return percentFormat_; }
  void SetPercentFormat(const std::string& v);
  int Depth() const { return depth_; }
  void SetDepth(int v);
  // The series' own depth index, -1 for automatic.
  int ZOrder() const { return zOrder_; }
  void SetZOrder(int v) { zOrder_ = v; }
  // The depth index given to an automatic series by CalcZOrder.
  void SetAutoZ(int v) { autoZ_ = v; }
  // One step of the chart's depth ordering (run for each active series
  // with the chart's MaxZOrder starting at -1): a series with its own
  // ZOrder raises MaxZOrder to at least that value, an automatic one
  // increments it and takes the new value as its depth index.
  virtual void CalcZOrder();
  // Whether the chart applies the depth order and another active series of
  // it stands at the same depth index. Series with Z values of their own
  // draw as a whole and never share a depth index with another.
  virtual bool MoreSameZOrder() const;
  TCursor Cursor = crDefault;

  // The mandatory value: as a date-time (default format for the value) for
  // a date-time list, else with ValueFormat.
  std::string ValueText(int index) const;
  // 100 x value / absolute sum of the mandatory list with PercentFormat
  // (100 when the sum is 0).
  std::string PercentText(int index) const;
  // The X value as the horizontal axis labels it (FormatLabel) when the
  // series has that axis, else with ValueFormat.
  std::string XText(int index) const;
  // Label, value, percent and X texts combined by Style; two columns are
  // separated by the character 6. Series whose legend lists something else
  // than their points (palettes, levels) give that item's text instead.
  virtual std::string LegendString(int index, TLegendTextStyle style) const;
  // The number of items a values legend lists for the series (its points).
  virtual int CountLegendItems() const { return Count(); }
  // The symbol colour of item Index of a values legend (its point colour).
  virtual TColor LegendItemColor(int index) const { return GetValueColor(index); }

  // -- updates and notifications
  void BeginUpdate() { ++updateCount_; }
  void EndUpdate();
  int UpdateCount() const { return updateCount_; }
  virtual void NotifyValue(TValueEvent event, int index);

  // -- visible range and drawing
  int FirstVisibleIndex() const { return firstVisible_; }
  int LastVisibleIndex() const { return lastVisible_; }
  void CalcFirstLastVisible();
  bool CalcVisiblePoints = true;
  bool DrawBetweenPoints = false;
  // Points are drawn from first to last unless the axis along which they
  // are ordered is inverted (the horizontal axis for a Y-mandatory series,
  // else the vertical one); for a Y-mandatory series a 3-D view from the
  // other side flips the order again.
  virtual bool DrawValuesForward() const;
  // Draws the visible points in drawing order (BeginDrawValues first).
  virtual void DrawAllValues();
  // Resets what the drawing of points carries from one point to the next
  // (the chart calls it before drawing points of several series in turn).
  virtual void BeginDrawValues() {}
  virtual void DrawValue(int /*index*/) {}
  // Around the drawing of the points: BeforeDrawValues / AfterDrawValues.
  virtual void DoBeforeDrawValues() {
    if (BeforeDrawValues) BeforeDrawValues(this);
  }
  virtual void DoAfterDrawValues() {
    if (AfterDrawValues) AfterDrawValues(this);
  }
  // The index of the point at pixel (X, Y), -1 for none (no point is hit
  // here; drawing series override it).
  virtual int Clicked(int /*x*/, int /*y*/) { return -1; }

  // -- data sources
  // The series source (first of DataSources), or null.
  TChartSeries* DataSource() const { return dataSources_.empty() ? nullptr : dataSources_[0]; }
  const std::vector<TChartSeries*>& DataSources() const { return dataSources_; }
  // The series-source component feeding this series, or null.
  TPlotSeriesSource* SeriesSource() const { return seriesSource_; }
  bool HasDataSource() const { return !dataSources_.empty() || seriesSource_ != nullptr; }
  // Null detaches every source; then, unless the chart is loading, a
  // series of a designed chart without a function is filled with sample
  // values, any other is checked by the chart (repaint).
  void SetDataSource(std::nullptr_t);
  // Another series becomes the (only) source and the points are rebuilt
  // from it (through the function when there is one). Raises
  // ChartException "No ParentChart to validate DataSource" without a chart,
  // "No valid DataSource: %s" for the series itself or a series of another
  // chart, and the circular-dependence error for a cycle.
  void SetDataSource(TChartSeries* source);
  // A series-source component becomes the source: it is linked to this
  // series and asked to load when active. Same chart checks as above; a
  // component linked to another series is not valid.
  void SetDataSource(TPlotSeriesSource* source);
  const std::vector<TChartSeries*>& LinkedSeries() const { return linkedSeries_; }
  unsigned SourceEvents = seOnDelete | seOnModify | seOnInsert | seOnClear;
  // Rebuilds the points from Source inside BeginUpdate/EndUpdate: through
  // the function when one is set, else by clearing and copying every point.
  virtual void AddValuesFromSource(TChartSeries& source);
  // Whether Source may feed this series (any series here; series with
  // values of their own kind accept only sources that have them).
  virtual bool IsValidSourceOf(const TChartSeries& /*source*/) const { return true; }
  // Appends point Index of Source (values, same-index further lists, label
  // and colour; X and Y swap when the mandatory lists differ).
  virtual void CopyPointFromSource(TChartSeries& source, int index);
  // Names of sources read from a stream, resolved by Loaded.
  std::vector<std::string> DataSourceNames;
  // After reading: resolves DataSourceNames through FindSeries (unknown
  // names are skipped), adds them as sources and lets the chart check them.
  void Loaded(const std::function<TChartSeries*(const std::string&)>& findSeries);
  const std::string& ColorSource() const { return colorSource_; }
  void SetColorSource(const std::string& v);
  const std::string& XLabelsSource() const { return xLabelsSource_; }
  void SetXLabelsSource(const std::string& v);

  // -- calculation function (owned)
  TChartSeriesFunction* SourceFunction() const { return function_.get(); }
  // Replaces (and frees) the current function; a new one recalculates
  // from the data source.
  virtual void SetFunction(std::unique_ptr<TChartSeriesFunction> function);
  // Hands the function over to the caller without freeing it.
  std::unique_ptr<TChartSeriesFunction> ReleaseFunction();

  // -- legend symbol
  // Draws the legend symbol of point ValueIndex (-1: the whole series) in
  // Rect on the chart's surface: nothing for -1 with ColorEachPoint or for
  // a null colour; else the series pen, the point colour over the legend's
  // colour with the series brush style, and DrawLegendShape.
  virtual void DrawLegend(int valueIndex, const TRect& rect);
  // A rectangle; when the fill equals the legend's colour the outline is
  // drawn again unfilled, white on a black fill, else in the pen colour.
  virtual void DrawLegendShape(int valueIndex, const TRect& rect);

  // -- marks
  TSeriesMarks& Marks() { return *marks_; }
  const TSeriesMarks& Marks() const { return *marks_; }
  // The text of point Index's mark by the marks' style (value, percent,
  // label and combinations; two parts joined by a blank, or a line break
  // with MultiLine), then OnGetMarkText.
  virtual std::string GetMarkText(int index);
  // The widest line of any mark text of the series (0 without a canvas).
  int MaxMarkWidth();
  // Draws the marks of the visible points that are not null, every
  // DrawEvery-th, each box sized to its text and standing above its point.
  void DrawMarks();
  // Draws one mark at Position (series types may move it first).
  virtual void DrawMark(int index, const std::string& text, TSeriesMarkPosition& position);

  // -- clicks and depth band
  // Called by the chart when a point of the series is clicked (double
  // click: OnDblClick), with the point index, button, shift and position.
  using TSeriesClickEvent =
      std::function<void(TChartSeries*, int valueIndex, TMouseButton, TShiftState, int x, int y)>;
  TSeriesClickEvent OnClick;
  TSeriesClickEvent OnDblClick;
  // The point shown as item LegendIndex of a values legend.
  virtual int LegendToValueIndex(int legendIndex) const { return legendIndex; }
  // The series' depth band, set by the chart before drawing: start, middle
  // and end depth in pixels.
  int StartZ = 0, MiddleZ = 0, EndZ = 0;

  // -- point data stream
  // The mark positions of the points (the marks' position list).
  TSeriesMarksPositions& MarkPositions() { return markPositions_; }
  // The flags byte of the point data (pdXValues, pdColors, pdLabels,
  // pdMarkPositions) for the current points.
  unsigned char PointDataFlags() const;
  // Writes the point data block: flags byte, int32 count, then per point
  // the not-mandatory value (with pdXValues), the mandatory value, the
  // colour (pdColors), the label as a length byte and 8-bit characters
  // (pdLabels), each further list's value, the 34-byte mark position
  // (pdMarkPositions). Numbers little-endian, reals float64.
  void WriteData(TStream& stream) const;
  // Reads a block written by WriteData and replaces the points with it,
  // then sets DesignData. The whole block is read and checked before the
  // series changes: truncated or malformed data raises EReadError and
  // leaves the points as they were.
  void ReadData(TStream& stream);
  // Whether the point data belongs in the component stream: points entered
  // at design time on a designed chart, with no source and no function.
  bool IsDataStored() const;

  // -- sample values
  virtual int NumSampleValues() const { return 25; }
  void FillSampleValues(int numValues = 0);
  bool DesignData = false;

  // -- events
  std::function<bool(TChartSeries*)> OnBeforeAdd;
  std::function<void(TChartSeries*, int)> OnAfterAdd;
  std::function<void(TChartSeries*)> OnClearValues;
  std::function<void(TChartSeries*, int, std::string&)> OnGetMarkText;
  std::function<void(TChartSeries*)> BeforeDrawValues;
  std::function<void(TChartSeries*)> AfterDrawValues;

 protected:
  // Lists created by descendants register themselves here.
  friend class TChartValueList;
  void RegisterValueList(TChartValueList* list) { valueLists_.push_back(list); }
  void UnregisterValueList(TChartValueList* list);
  void SetMandatory(bool yMandatory);
  virtual void AddSampleValues(int numValues);
  virtual void ClearLists();
  // After a point was added: OnAfterAdd, the linked series, a repaint.
  virtual void NotifyNewValue(int index);
  // Changes the series colour without telling anyone (a drawing that
  // borrows another colour for a moment).
  void StoreSeriesColor(TColor c) { seriesColor_ = c; }

 private:
  void DropSource(TChartSeries* source);
  // Unlinks every source without the follow-up of SetDataSource(nullptr).
  void DetachSources();
  // The colour a legend symbol is filled with, and the legend's colour.
  TColor LegendFillColor(int valueIndex) const;
  TColor LegendBackColor() const;
  friend class TPlotSeriesSource;
  friend class TChartSeriesFunction;
  THorizAxis horizAxis_ = aBottomAxis;
  TVertAxis vertAxis_ = aLeftAxis;
  TChartAxis* customHorizAxis_ = nullptr;
  TChartAxis* customVertAxis_ = nullptr;
  TChartAxis* horizAxisObject_ = nullptr;
  TChartAxis* vertAxisObject_ = nullptr;
  std::vector<TChartValueList*> valueLists_;
  std::unique_ptr<TChartValueList> xValues_, yValues_;
  TChartValueList* mandatory_ = nullptr;
  TChartValueList* notMandatory_ = nullptr;
  bool yMandatory_ = true;
  std::unique_ptr<std::vector<TColor>> pointColors_;
  std::vector<std::string> labels_;
  TColor seriesColor_ = clDefault;
  bool colorEachPoint_ = false;
  std::string valueFormat_, percentFormat_;
  int depth_ = -1;
  int zOrder_ = -1;
  int autoZ_ = 0;
  int updateCount_ = 0;
  int firstVisible_ = -1, lastVisible_ = -1;
  std::vector<TChartSeries*> dataSources_;
  std::vector<TChartSeries*> linkedSeries_;
  TPlotSeriesSource* seriesSource_ = nullptr;
  std::unique_ptr<TChartSeriesFunction> function_;
  std::string colorSource_, xLabelsSource_;
  TSeriesMarksPositions markPositions_;
  std::unique_ptr<TSeriesMarks> marks_;
};

// Writes the point data block of Series (as TChartSeries::WriteData).
void WriteSeriesPoints(const TChartSeries& series, TStream& stream);

// A calculation that computes its series' points from the data source
// (owned by the series it belongs to).
class TChartSeriesFunction {
 public:
  TChartSeriesFunction() = default;
  virtual ~TChartSeriesFunction() = default;
  TChartSeriesFunction(const TChartSeriesFunction&) = delete;
  TChartSeriesFunction& operator=(const TChartSeriesFunction&) = delete;
  TChartSeries* ParentSeries() const { return series_; }
  // Moves the function from its series to Series, which takes it over; the
  // former series is left without a function. A function that belongs to
  // no series yet must have been created with new: Series adopts it.
  void SetParentSeries(TChartSeries& series);
  // Computes the parent series' points from Source. Called inside the
  // series' BeginUpdate/EndUpdate; the function clears what it replaces.
  virtual void AddPoints(TChartSeries& source) = 0;

 private:
  friend class TChartSeries;
  TChartSeries* series_ = nullptr;
};

// A component that feeds one series from outside data. Linking it to a
// series makes it that series' data source; activating it loads the data
// through Load (the descendant's), deactivating it clears the series.
// Neither the component nor the series owns the other: whichever goes
// first unlinks itself.
class TPlotSeriesSource {
 public:
  TPlotSeriesSource() = default;
  // Closes, then detaches from the series (its data source becomes null).
  virtual ~TPlotSeriesSource();
  TPlotSeriesSource(const TPlotSeriesSource&) = delete;
  TPlotSeriesSource& operator=(const TPlotSeriesSource&) = delete;

  bool Active() const { return active_; }
  // On: loads (not while loading, and only with a series). Off: clears the
  // series (not while the component is being destroyed).
  void SetActive(bool v);
  void Open() { SetActive(true); }
  // Deactivates unless loading or being destroyed.
  void Close();
  TChartSeries* Series() const { return series_; }
  // Detaches the former series (its data source becomes null) and makes
  // this component the data source of Series (which may raise the series'
  // data-source errors; the link is then not made).
  void SetSeries(TChartSeries* series);
  // Reloads when active (after reading, and when the chart checks sources).
  virtual void Loaded();
  void Refresh();

  std::string Name;
  bool Loading = false;
  bool Destroying = false;

 protected:
  // Fills Series() from the outside data (called only with a series).
  virtual void Load() = 0;

 private:
  friend class TChartSeries;
  bool active_ = false;
  TChartSeries* series_ = nullptr;
};

// ---- axes ---------------------------------------------------------------------------

enum TAxisLabelAlign { alDefault, alOpposite };
enum TAxisLabelStyle { talAuto, talNone, talValue, talMark, talText };

// The largest pixel coordinate a computation may produce (either sign).
constexpr int MaxPixel = 67108863;
int ClampPixel(double v);

// The axis title: a framed shape with a rotation angle and a caption.
class TChartAxisTitle : public TPlotCustomShape {
 public:
  explicit TChartAxisTitle(TCustomPlotPanel* parent = nullptr) : TPlotCustomShape(parent) {}
  int Angle() const { return angle_; }
  void SetAngle(int v) { angle_ = ((v % 360) + 360) % 360; }
  const std::string& Caption() const { return caption_; }
  void SetCaption(const std::string& v) { caption_ = v; }
  int DefaultAngle = 0;
  bool IsAngleStored() const { return angle_ != DefaultAngle; }
  // Angle and caption, then the shape settings.
  void Assign(const TPlotCustomShapeBrushPen& source) override {
    if (auto* t = dynamic_cast<const TChartAxisTitle*>(&source)) {
      angle_ = t->angle_;
      caption_ = t->caption_;
    }
    TPlotCustomShape::Assign(source);
  }

 private:
  int angle_ = 0;
  std::string caption_;
};

class TChartAxis {
 public:
  // Appends itself to the panel's axis list (panel may be null).
  explicit TChartAxis(TCustomAxisPanel* panel);
  virtual ~TChartAxis();
  TChartAxis(const TChartAxis&) = delete;
  TChartAxis& operator=(const TChartAxis&) = delete;

  virtual void Assign(const TChartAxis& source);
  // The label style talAuto stands for: talNone when no active series of
  // the chart is associated with the axis; talText when an associated
  // active series draws its labels along this axis (horizontal axes for
  // Y-mandatory series, vertical ones otherwise) and its first label is
  // set; else talValue.
  virtual TAxisLabelStyle AutoLabelStyle() const;
  // LabelStyle, with talAuto resolved.
  TAxisLabelStyle EffectiveLabelStyle() const {
    return labelStyle_ == talAuto ? AutoLabelStyle() : labelStyle_;
  }

  // -- settings
  bool Automatic() const { return automatic_; }
  void SetAutomatic(bool v);
  bool AutomaticMaximum() const { return automaticMaximum_; }
  void SetAutomaticMaximum(bool v);
  bool AutomaticMinimum() const { return automaticMinimum_; }
  void SetAutomaticMinimum(bool v);
  double Minimum() const { return minimum_; }
  void SetMinimum(double v);
  double Maximum() const { return maximum_; }
  void SetMaximum(double v);
  double Increment() const { return increment_; }
  void SetIncrement(double v);
  bool Inverted() const { return inverted_; }
  void SetInverted(bool v);
  bool Logarithmic() const { return logarithmic_; }
  void SetLogarithmic(bool v);
  int LogarithmicBase() const { return logarithmicBase_; }
  void SetLogarithmicBase(int v);
  int LabelsSeparation() const { return labelsSeparation_; }
  void SetLabelsSeparation(int v);
  int LabelsAngle() const { return labelsAngle_; }
  void SetLabelsAngle(int v);
  TAxisLabelAlign LabelsAlign() const { return labelsAlign_; }
  void SetLabelsAlign(TAxisLabelAlign v);
  TAxisLabelStyle LabelStyle() const { return labelStyle_; }
  void SetLabelStyle(TAxisLabelStyle v);
  double StartPosition() const { return startPosition_; }
  void SetStartPosition(double v);
  double EndPosition() const { return endPosition_; }
  void SetEndPosition(double v);
  double PositionPercent() const { return positionPercent_; }
  void SetPositionPercent(double v);
  bool Visible() const { return visible_; }
  void SetVisible(bool v);
  bool Horizontal() const { return horizontal_; }
  void SetHorizontal(bool v) { horizontal_ = v; }
  bool OtherSide() const { return otherSide_; }
  void SetOtherSide(bool v) { otherSide_ = v; }
  bool IsDepthAxis() const { return isDepthAxis_; }

  // Further settings used by label drawing, stored as given.
  std::string AxisValuesFormat;
  std::string DateTimeFormat;
  bool ExactDateTime = true;
  bool GridCentered = false;
  bool Labels = true;
  bool LabelsExponent = false;
  bool LabelsMultiLine = false;
  bool LabelsOnAxis = true;
  int LabelsSize = 0;
  int MinorTickCount = 3;
  int MinorTickLength = 2;
  bool RoundFirstLabel = true;
  int TickInnerLength = 0;
  int TickLength = 4;
  bool TickOnLabelsOnly = true;
  int TitleSize = 0;
  TChartAxisPen AxisPen;
  TDottedGrayPen Grid;
  TChartHiddenPen MinorGrid;
  TDarkGrayPen MinorTicks;
  TDarkGrayPen Ticks;
  TDarkGrayPen TicksInner;
  TPlotFont LabelsFont;
  TChartAxisTitle Title;

  bool IsMinimumStored() const { return !automatic_ && !automaticMinimum_; }
  bool IsMaximumStored() const { return !automatic_ && !automaticMaximum_; }

  // -- scale
  void AutoRange();
  void RecalculateScale();
  void SetRange(double aMin, double aMax);
  void ScrollBy(double offset, bool checkLimits);
  void ShrinkToRectangle(const TRect& rect);
  void ComputePixelEnds();
  // Sets the pixel ends directly (the panel normally derives them).
  void SetPixelEnds(int startPixel, int endPixel);
  int OffsetByPercent(int position, const TRect& rect) const;

  int ValueToPixel(double value) const;
  int ValueToPixelX(double value) const;
  int ValueToPixelY(double value) const;
  // The pixel position before rounding (within the largest pixel range),
  // for drawings that interpolate between positions.
  double ValueToPixelExact(double value) const;
  double PixelToValue(int pixel) const;

  // The text of a label at Value. A date-time scale (ShowsDateTime) gives
  // an empty text below 0, else Value in DateTimeFormat or, when that is
  // empty, in the default date-time format for RangeSpan; otherwise Value
  // in AxisValuesFormat. The chart's OnGetAxisLabel may then change the
  // text (no series, index -1); with LabelsMultiLine every blank becomes a
  // line break (character 13).
  std::string FormatLabel(double value);

  // -- labels and drawing (need the chart's surface with a canvas)
  // The size of the label of Value in the labels font: across (width) and
  // along the text lines (height); a label turned by 90 or 270 degrees
  // measures its lines' heights across and its text width along.
  int LabelWidth(double value);
  int LabelHeight(double value);
  // The room the labels need across a vertical axis: by the effective
  // style, the wider label of the range ends plus a blank (value labels,
  // measured without OnGetAxisLabel), the widest mark text or label text
  // of the chart's series; 0 otherwise.
  int MaxLabelsWidth();
  // Lays the axis out in Rect. Inflating (standard axes): the title, the
  // labels, the ticks and the wall beside the axis take their room from
  // Rect's edge on the axis' side, and TitlePosition and LabelsPosition
  // become the inner edges of their bands. Not inflating (custom axes):
  // AxisPosition is Rect's edge and the bands are placed outward from it.
  void ReserveSpace(TRect& rect, bool inflate);
  // Whether (X, Y) lies within 3 pixels of the axis line (mapped back from
  // the axis' depth in 3-D); false when the chart does not show the axis.
  bool Clicked(int x, int y);
  // Draws the axis: title, labels by the effective style, then the axis
  // line, ticks, grid, inner ticks, minor ticks and minor grid. With
  // CalcPosition the axis first stands at the chart rectangle's edge.
  void Draw(bool calcPosition);
  // Set while the axis is drawn again in front of a wall: its grid is
  // left out (it belongs behind).
  bool InFront = false;
  // The pixels that had ticks in the last drawing, in labelling order.
  const std::vector<int>& TickPositions() const { return ticks_; }
  // The label texts drawn in the last drawing, in drawing order.
  const std::vector<std::string>& DrawnLabels() const { return drawnLabels_; }
  // The depth the axis stands at in a 3-D chart: the chart depth for an
  // axis on the other side, else 0.
  int AxisDepth() const;

  double ComputeIncrement(int maxLabels) const;
  double LabelsIncrement(int maxLabelSize) const;
  static double NextIncrementStep(double step);
  // Whether the scale shows date-times (set before drawing).
  bool ShowsDateTime = false;

  // -- working fields
  TCustomAxisPanel* ParentChart() const { return panel_; }
  double RangeMaximum = 0, RangeMinimum = 0, RangeSpan = 0;
  bool RangeIsZero = true;
  double PixelsPerUnit = 0;
  double LogMaximum = 0, LogMinimum = 0, LogSpan = 0, PixelsPerLogUnit = 0;
  int StartPixel = 0, EndPixel = 0, SizePixels = 0, CenterPixel = 0;
  int AxisPosition = 0, LabelsPosition = 0, TitlePosition = 0;

 protected:
  bool isDepthAxis_ = false;
  bool visible_ = true;

 private:
  void Changed();
  bool Loading() const;
  // Drawing steps.
  int OuterLength() const;
  int TitleSizeAcross();
  int LabelsSizeAcross();
  bool FirstSeriesIsDateTime() const;
  void AddTick(int pixel, double value);
  void AddValueLabel(double value);
  void DrawValueLabels();
  void DrawCustomValueLabels();
  void DrawTextLabels(bool marks);
  void DrawDepthTitleLabels();
  void DrawLabel(int pixel, const std::string& text, double value);
  void DrawLabelText(int x, int y, int z, const std::string& text, int angle);
  void DrawTitle();
  void DrawLines();
  void DrawTickMarks(const std::vector<int>& ticks, const TChartPen& pen, int from, int to);
  void DrawGridLines(const std::vector<int>& ticks, const TChartPen& pen, bool centered);
  std::vector<int> MinorTickPositions() const;
  TCustomAxisPanel* panel_;
  std::vector<int> ticks_;
  std::vector<double> tickValues_;
  std::vector<std::string> drawnLabels_;
  bool automatic_ = true, automaticMaximum_ = true, automaticMinimum_ = true;
  double minimum_ = 0, maximum_ = 0, increment_ = 0;
  bool inverted_ = false, logarithmic_ = false;
  int logarithmicBase_ = 10;
  int labelsSeparation_ = 10;
  int labelsAngle_ = 0;
  TAxisLabelAlign labelsAlign_ = alDefault;
  TAxisLabelStyle labelStyle_ = talAuto;
  double startPosition_ = 0, endPosition_ = 100, positionPercent_ = 0;
  bool horizontal_ = false, otherSide_ = false;
};

class TChartDepthAxis : public TChartAxis {
 public:
  explicit TChartDepthAxis(TCustomAxisPanel* panel);
  // talValue when an active series has Z values of its own or a Z extent,
  // else talText (the series titles).
  TAxisLabelStyle AutoLabelStyle() const override;
};

// ---- series type registry --------------------------------------------------------------

// A series class as the registry knows it: a name and a factory.
struct TSeriesClass {
  std::string Name;
  std::function<std::unique_ptr<TChartSeries>()> Create;
  friend bool operator==(const TSeriesClass& a, const TSeriesClass& b) { return a.Name == b.Name; }
};

class TPlotSeriesType {
 public:
  const TSeriesClass* SeriesClass = nullptr;
  const TSeriesClass* FunctionClass = nullptr;
  // Texts of the chart's text table.
  std::string_view Description;
  std::string_view GalleryPage;
  int NumGallerySeries = 1;
};

class TPlotSeriesTypes {
 public:
  int Count() const { return int(items_.size()); }
  TPlotSeriesType& Items(int index) { return *items_.at(index); }
  void Append(std::unique_ptr<TPlotSeriesType> t) { items_.push_back(std::move(t)); }
  void Delete(int index) { items_.erase(items_.begin() + index); }
  void Clear() { items_.clear(); }

 private:
  std::vector<std::unique_ptr<TPlotSeriesType>> items_;
};

// The process-wide lists of series types and tool types: types register
// once at start-up and every gallery of every chart offers the same ones.
TPlotSeriesTypes& PlotSeriesTypes();
std::vector<std::string>& PlotToolTypes();
// Classes known to the component streaming (by name).
bool IsSeriesClassRegistered(const std::string& name);
const TSeriesClass* FindSeriesClass(const std::string& name);

void RegisterSeriesTypeFunction(const TSeriesClass* seriesClass, const TSeriesClass* functionClass,
                                std::string_view description, std::string_view galleryPage,
                                int numGallerySeries);
void RegisterSeriesType(const TSeriesClass* seriesClass, std::string_view description,
                        std::string_view galleryPage, int numGallerySeries);
void RemoveSeriesTypes(bool bySeriesClass, const TSeriesClass* cls);
void UnregisterSeriesTypes(std::initializer_list<const TSeriesClass*> classes);

}  // namespace qv
