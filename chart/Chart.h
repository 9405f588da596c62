// The chart controls.
//
// TCustomAxisPanel is the chart panel that owns axes and series: the series
// list (not owned), the five standard axes and the custom axes, the chart
// tools, the paging settings, the axes' automatic ranges and one complete
// drawing in a fixed order (background, titles and legend, axes layout,
// walls, axes, series with their marks, legend and titles placed by the
// user, the zoom rectangle).
//
// TCustomChart (and TChart, which the windows place) fills in the walls,
// the titles, the legend and the 3-D depth of that drawing, and the mouse:
// clicks on chart parts, zoom by dragging a rectangle (undone by dragging
// towards the upper left), scrolling by dragging and by the wheel.
#pragma once

#include <functional>
#include <memory>
#include <vector>

#include "chart/DovOrara.h"
#include "chart/VeZazera.h"
#include "platform/core/Classes.h"

namespace qv {

class TCustomAxisPanel;

// ---- tools and panel events ------------------------------------------------------------

// Moments of a drawing told to the chart's tools.
enum TChartToolEvent { cteAfterDraw = 0, cteBeforeDrawSeries = 1, cteBeforeDraw = 2 };
// Mouse messages told to the chart's tools.
enum TChartMouseEventKind { cmeDown = 0, cmeMove = 1, cmeUp = 2 };

// A chart tool: receives the chart's drawing moments and, before the chart
// itself, its mouse messages (setting the chart's MouseTaken stops them).
class TChartTool {
 public:
  virtual ~TChartTool() = default;
  bool Active = true;
  TCustomAxisPanel* ParentChart = nullptr;
  virtual void ChartEvent(TChartToolEvent /*event*/) {}
  virtual void ChartMouseEvent(TChartMouseEventKind /*kind*/, TMouseButton /*button*/,
                               TShiftState /*shift*/, int /*x*/, int /*y*/) {}
};

// The event a chart broadcasts when its page changes.
class TPlotPageChangeEvent : public TPlotEvent {};

// The chart's custom axes (every axis beyond the five standard ones),
// owned here; each is also in the chart's axis list while it lives.
class TChartCustomAxes {
 public:
  explicit TChartCustomAxes(TCustomAxisPanel* panel) : panel_(panel) {}
  int Count() const { return int(items_.size()); }
  TChartAxis& Items(int index) const { return *items_.at(index); }
  TChartAxis& operator[](int index) const { return Items(index); }
  // A new vertical axis of the chart.
  TChartAxis& Add();
  // Index outside the list changes nothing.
  void Delete(int index);
  void Clear();
  int IndexOf(const TChartAxis* axis) const;
  // Replaces the axes with copies of Source's settings.
  void Assign(const TChartCustomAxes& source);

 private:
  TCustomAxisPanel* panel_;
  std::vector<std::unique_ptr<TChartAxis>> items_;
};

// ---- axis panel ---------------------------------------------------------------------------

class TCustomAxisPanel : public TCustomPlotPanelExtended {
 public:
  TCustomAxisPanel();
  ~TCustomAxisPanel() override;

  // Copies the axis settings (the five axes, the custom axes), the axis and
  // paging flags and the wall flag of another axis panel, then the panel's.
  void Assign(const TCustomPlotPanel& source) override;

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
  // The series' title; its name when that is empty; else "Series" and its
  // 1-based position.
  std::string SeriesTitleOrName(const TChartSeries* series) const;

  // -- axes (every axis, standard ones first: bottom, top, left, right, depth)
  TChartAxis& BottomAxis() { return *bottom_; }
  TChartAxis& TopAxis() { return *top_; }
  TChartAxis& LeftAxis() { return *left_; }
  TChartAxis& RightAxis() { return *right_; }
  TChartDepthAxis& DepthAxis() { return *depth_; }
  const std::vector<TChartAxis*>& Axes() const { return axes_; }
  void RegisterAxis(TChartAxis* axis) { axes_.push_back(axis); }
  void UnregisterAxis(TChartAxis* axis);
  TChartCustomAxes& CustomAxes() { return customAxes_; }
  // Whether the chart shows Axis: a visible axis with an active series
  // that uses axes associated with it (the depth axis: in 3-D).
  bool IsAxisVisible(const TChartAxis& axis) const;
  bool AxisBehind() const { return axisBehind_; }
  void SetAxisBehind(bool v);
  bool AxisVisible() const { return axisVisible_; }
  void SetAxisVisible(bool v);
  bool ClipPoints() const { return clipPoints_; }
  void SetClipPoints(bool v);
  bool View3DWalls() const { return view3DWalls_; }
  void SetView3DWalls(bool v);

  // -- extremes over the series of an axis
  double MinXValue(const TChartAxis& axis) const { return InternalMinMax(axis, true, true); }
  double MaxXValue(const TChartAxis& axis) const { return InternalMinMax(axis, false, true); }
  double MinYValue(const TChartAxis& axis) const { return InternalMinMax(axis, true, false); }
  double MaxYValue(const TChartAxis& axis) const { return InternalMinMax(axis, false, false); }
  // The smallest (IsMin) or largest value on Axis (X values for a
  // horizontal axis, else Y) over the series associated with it; inactive
  // series count only when no active one is associated. 0 without series.
  // With paging, the X direction of the first associated series spans the
  // current page.
  double InternalMinMax(const TChartAxis& axis, bool isMin, bool horizontal) const;
  // Axis' own direction decides X or Y.
  double AxisMinMax(const TChartAxis& axis, bool isMin) const {
    return InternalMinMax(axis, isMin, axis.Horizontal());
  }

  // -- 3-D depth
  // The highest depth index in use (the series' CalcZOrder raise it).
  int MaxZOrder = 0;
  // Total 3-D depth and height in pixels (0 in 2-D), and each series' share.
  int Width3D = 0, Height3D = 0;
  int SeriesWidth3D = 0, SeriesHeight3D = 0;
  // Computes the four sizes from the chart rectangle, Chart3DPercent, the
  // view and the number of depth positions.
  void CalcSize3D();

  // -- paging
  // At most this many points per page along the X direction (0: no paging).
  // Negative: ChartException "MaxPointsPerPage must be >= 0".
  int MaxPointsPerPage() const { return maxPointsPerPage_; }
  void SetMaxPointsPerPage(int v);
  int Page() const { return page_; }
  // Clamped to 1..NumPages; a change repaints, tells the listeners
  // (TPlotPageChangeEvent) and fires OnPageChange.
  void SetPage(int v);
  int NumPages() const;
  bool ScaleLastPage() const { return scaleLastPage_; }
  void SetScaleLastPage(bool v);
  std::function<void(TCustomAxisPanel*)> OnPageChange;

  // -- series changes: a TPlotSeriesEvent to every listener.
  virtual void SeriesEvent(TCustomChartSeries* series, TSeriesEventKind kind);
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

  // -- texts
  // May change the text of an axis label (series null and index -1 for a
  // value label).
  std::function<void(TChartAxis* sender, TChartSeries* series, int valueIndex, std::string& text)>
      OnGetAxisLabel;
  // Gives the value labels of an axis one by one: called with label index
  // 0, 1, ... and the last value; clearing Stop keeps labelling with Value.
  std::function<void(TChartAxis* sender, int labelIndex, double& value, bool& stop)>
      OnGetNextAxisLabel;
  // The width of the widest line of Text (lines split at character 13) in
  // the surface's current font, and the number of lines.
  int MultiLineTextWidth(const std::string& text, int& lines);
  // The widest label text over every point of every series that has
  // labels, and the widest mark text of the active series, in the font
  // the labels are drawn with.
  int MaxTextWidth();
  int MaxMarkWidth();
  // The legend text of point ValueIndex of Series (charts with a legend).
  virtual std::string FormattedValueLegend(TChartSeries* /*series*/, int /*valueIndex*/) {
    return {};
  }

  // -- data sources
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

  // -- tools (owned)
  void AddTool(std::unique_ptr<TChartTool> tool);
  const std::vector<std::unique_ptr<TChartTool>>& Tools() const { return tools_; }
  // Tells every active tool; mouse messages stop once MouseTaken is set.
  void NotifyTools(TChartToolEvent event);
  void NotifyToolsMouse(TChartMouseEventKind kind, TMouseButton button, TShiftState shift, int x,
                        int y);

  // -- drawing
  // The whole chart in its fixed order (see the file comment).
  void InternalDraw(const TRect& rect) override;
  std::function<void(TCustomAxisPanel*)> OnBeforeDrawAxes;
  std::function<void(TCustomAxisPanel*)> OnBeforeDrawChart;
  std::function<void(TCustomAxisPanel*)> OnBeforeDrawSeries;
  std::function<void(TCustomAxisPanel*)> OnAfterDraw;
  // Drawing steps a chart fills in (nothing here).
  virtual void CalcDepth3D() { CalcSize3D(); }
  virtual int CalcWallSize(const TChartAxis& /*axis*/) const { return 0; }
  virtual void DrawTitlesAndLegend(bool /*beforeSeries*/) {}
  virtual void DrawWalls() {}
  // Draws every axis the chart shows (when AxisVisible).
  void DrawAxes();

 protected:
  int BackImageDepth() const override { return Width3D; }

 private:
  void DrawOneSeries(TChartSeries& series, std::vector<TChartSeries*>& done);
  void ClipSeries();
  // The first and last point of the current page among N points.
  void PageRange(int n, int& first, int& last) const;

  std::vector<TChartSeries*> series_;
  std::vector<TChartAxis*> axes_;
  std::unique_ptr<TChartAxis> bottom_, top_, left_, right_;
  std::unique_ptr<TChartDepthAxis> depth_;
  TChartCustomAxes customAxes_{this};
  std::vector<std::unique_ptr<TChartTool>> tools_;
  bool axisBehind_ = true, axisVisible_ = true, clipPoints_ = true, view3DWalls_ = true;
  int maxPointsPerPage_ = 0;
  int page_ = 1;
  bool scaleLastPage_ = true;
};

// ---- walls ------------------------------------------------------------------------------

// A wall of the chart: flat (Size 0) or a slab Size pixels thick whose
// sides are drawn darker (Dark3D). Its colour is stored only when it
// differs from the colour the wall was created with.
class TCustomChartWall : public TPlotCustomShape {
 public:
  explicit TCustomChartWall(TCustomPlotPanel* parent, TColor color);
  void Assign(const TPlotCustomShapeBrushPen& source) override;
  bool Dark3D() const { return dark3D_; }
  void SetDark3D(bool v);
  int Size() const { return size_; }
  void SetSize(int v);
  TColor DefaultColor() const { return defaultColor_; }
  bool IsColorStored() const { return Color() != defaultColor_; }
  // Sides drawn dark: a brush that is not clear, has no picture, Dark3D.
  bool DarkSides();
  bool GradientVisible() { return HasGradient() && Gradient().Visible(); }

 private:
  bool dark3D_ = true;
  int size_ = 0;
  TColor defaultColor_;
};

class TChartWall : public TCustomChartWall {
 public:
  using TCustomChartWall::TCustomChartWall;
};
class TChartBackWall : public TChartWall {
 public:
  explicit TChartBackWall(TCustomPlotPanel* parent);
};
class TChartRightWall : public TChartWall {
 public:
  explicit TChartRightWall(TCustomPlotPanel* parent);
};

// ---- titles -------------------------------------------------------------------------------

// A framed shape that may stand where the user put it (CustomPosition,
// Left and Top) instead of where its owner lays it out.
class TPlotCustomShapePosition : public TPlotCustomShape {
 public:
  using TPlotCustomShape::TPlotCustomShape;
  void Assign(const TPlotCustomShapeBrushPen& source) override;
  bool CustomPosition() const { return customPosition_; }
  void SetCustomPosition(bool v);
  int Left() const { return ShapeBounds.Left; }
  int Top() const { return ShapeBounds.Top; }
  // Moves the shape and makes its position custom.
  void SetLeft(int v);
  void SetTop(int v);

 private:
  bool customPosition_ = false;
};

enum TAlignment { taLeftJustify = 0, taRightJustify = 1, taCenter = 2 };

// A title of lines above the chart (Title, SubTitle) or below it (foot
// titles), framed to its text (AdjustFrame) or across the chart.
class TChartTitle : public TPlotCustomShapePosition {
 public:
  explicit TChartTitle(TCustomPlotPanel* parent);
  void Assign(const TPlotCustomShapeBrushPen& source) override;
  bool AdjustFrame() const { return adjustFrame_; }
  void SetAdjustFrame(bool v);
  TAlignment Alignment() const { return alignment_; }
  void SetAlignment(TAlignment v);
  // The lines; changing them repaints the chart.
  TStringList& Text() { return text_; }
  const TStringList& Text() const { return text_; }
  // True for titles above the chart rectangle.
  bool OnTop() const { return onTop_; }
  // Draws the title (nothing when hidden or without lines) and, unless it
  // stands at a custom position, takes its room from the chart rectangle.
  void DrawTitle();
  // Whether a visible title's box holds (X, Y).
  bool Clicked(int x, int y) const { return Visible() && ShapeBounds.Contains(x, y); }

 protected:
  bool onTop_ = true;

 private:
  bool adjustFrame_ = true;
  TAlignment alignment_ = taCenter;
  TStringList text_;
};

class TChartFootTitle : public TChartTitle {
 public:
  explicit TChartFootTitle(TCustomPlotPanel* parent);
};

// ---- legend ---------------------------------------------------------------------------------

enum TLegendAlignment { laLeft = 0, laRight = 1, laTop = 2, laBottom = 3 };
enum TLegendStyle { lsAuto = 0, lsSeries = 1, lsValues = 2, lsLastValues = 3 };
enum TLegendSymbolPosition { spLeft = 0, spRight = 1 };
enum TLegendSymbolSize { lcsPercent = 0, lcsPixels = 1 };

class TChartLegend;

// The colour symbol of legend items.
class TLegendSymbol {
 public:
  explicit TLegendSymbol(TChartLegend* legend) : legend_(legend) {}
  bool Continuous() const { return continuous_; }
  void SetContinuous(bool v);
  TLegendSymbolPosition Position() const { return position_; }
  void SetPosition(TLegendSymbolPosition v);
  int Width() const { return width_; }
  void SetWidth(int v);
  TLegendSymbolSize WidthUnits() const { return widthUnits_; }
  void SetWidthUnits(TLegendSymbolSize v);
  // The width in pixels for a reference width (percent of it, or pixels).
  int CalcWidth(int referenceWidth) const;
  void Assign(const TLegendSymbol& source);

 private:
  void Changed();
  TChartLegend* legend_;
  bool continuous_ = false;
  TLegendSymbolPosition position_ = spLeft;
  int width_ = 20;
  TLegendSymbolSize widthUnits_ = lcsPercent;
};

class TChartLegendGradient : public TPlotGradient {
 public:
  explicit TChartLegendGradient(TPlotChangeEvent onChange = {});
};

class TCustomChart;

// The legend box beside or above the chart rectangle: the chart's series
// (title and symbol, optionally with check boxes that switch them on and
// off) or the values of one series (value text and colour). It sizes
// itself from its texts and takes its room from the chart rectangle.
class TChartLegend : public TPlotCustomShapePosition {
 public:
  explicit TChartLegend(TCustomChart* chart);
  void Assign(const TPlotCustomShapeBrushPen& source) override;

  TLegendAlignment Alignment() const { return alignment_; }
  void SetAlignment(TLegendAlignment v);
  bool CheckBoxes() const { return checkBoxes_; }
  void SetCheckBoxes(bool v);
  bool CurrentPage() const { return currentPage_; }
  void SetCurrentPage(bool v);
  TChartHiddenPen& DividingLines() { return dividingLines_; }
  int FirstValue() const { return firstValue_; }
  // Negative: LegendException "First Legend Value must be > 0".
  void SetFirstValue(int v);
  bool FontSeriesColor() const { return fontSeriesColor_; }
  void SetFontSeriesColor(bool v);
  int HorizMargin() const { return horizMargin_; }
  void SetHorizMargin(int v);
  bool Inverted() const { return inverted_; }
  void SetInverted(bool v);
  TLegendStyle LegendStyle() const { return legendStyle_; }
  void SetLegendStyle(TLegendStyle v);
  int MaxNumRows() const { return maxNumRows_; }
  void SetMaxNumRows(int v);
  bool ResizeChart() const { return resizeChart_; }
  void SetResizeChart(bool v);
  // The series whose values a values legend lists (null: the first active).
  TChartSeries* Series() const { return series_; }
  void SetSeries(TChartSeries* v);
  TLegendSymbol& Symbol() { return symbol_; }
  int ColorWidth() const { return symbol_.Width(); }
  void SetColorWidth(int v) { symbol_.SetWidth(v); }
  TLegendTextStyle TextStyle() const { return textStyle_; }
  void SetTextStyle(TLegendTextStyle v);
  int TopPos() const { return topPos_; }
  void SetTopPos(int v);
  int VertMargin() const { return vertMargin_; }
  void SetVertMargin(int v);
  int VertSpacing() const { return vertSpacing_; }
  void SetVertSpacing(int v);
  // Text columns sized from the texts (else the stored ColumnWidths).
  bool AutomaticColumnWidths = true;
  int ColumnWidths[2] = {0, 0};

  // LegendStyle with lsAuto resolved: values for fewer than two active
  // series without check boxes, else series.
  TLegendStyle EffectiveStyle() const;
  bool Vertical() const { return alignment_ == laLeft || alignment_ == laRight; }
  bool HasCheckBoxes() const { return checkBoxes_ && EffectiveStyle() != lsValues; }
  // The legend series, else the chart's first active series.
  TChartSeries* LegendSeries() const;
  // The number of items to list (never negative).
  int ItemCount() const;
  // The text of item Index (columns separated by character 6).
  std::string ItemText(int index) const;
  // The Index-th series listed (active ones only, unless with check boxes
  // or ShowActiveOnly is false), or null.
  TChartSeries* ListedSeries(int index, bool activeOnly) const;

  // Lays out and draws the legend, then takes its room from the chart
  // rectangle (the chart calls this).
  void PaintLegend();
  // The item under (X, Y), -1 for none.
  int ItemAtPoint(int x, int y) const;
  // With check boxes: switches the series of the clicked item on or off
  // and answers true; else false.
  bool ToggleCheckBox(int x, int y);

  // Layout of the last drawing.
  int LastValue = -1;
  int Columns = 0, Rows = 0;
  int SymbolWidth = 0;
  int ItemHeight = 0;

 protected:
  std::unique_ptr<TPlotGradient> NewGradient() const override {
    return std::make_unique<TChartLegendGradient>();
  }

 private:
  friend class TLegendSymbol;
  void Changed();
  // Items before FirstValue included.
  int TotalItems() const;
  int TextWidthOfItems(const std::vector<std::string>& texts, int blank);
  void DrawItem(int index, int position, const std::string& text, int textX, int symbolX,
                int checkX, int blank, int textWidth);
  TCustomChart* chart_;
  TLegendAlignment alignment_ = laRight;
  bool checkBoxes_ = false;
  bool currentPage_ = true;
  TChartHiddenPen dividingLines_;
  int firstValue_ = 0;
  int itemFirst_ = 0;
  bool fontSeriesColor_ = false;
  int horizMargin_ = 0;
  bool inverted_ = false;
  TLegendStyle legendStyle_ = lsAuto;
  int maxNumRows_ = 10;
  bool resizeChart_ = true;
  TChartSeries* series_ = nullptr;
  TLegendSymbol symbol_{this};
  TLegendTextStyle textStyle_ = ltsLeftValue;
  int topPos_ = 10;
  int vertMargin_ = 0;
  int vertSpacing_ = 0;
};

// ---- the chart ----------------------------------------------------------------------------

// What lies under the mouse.
enum TChartClickedPartStyle {
  cpNone = 0,
  cpLegend = 1,
  cpAxis = 2,
  cpSeries = 3,
  cpTitle = 4,
  cpFoot = 5,
  cpChartRect = 6,
  cpSeriesMarks = 7,
  cpSubTitle = 8,
  cpSubFoot = 9
};
struct TChartClickedPart {
  TChartClickedPartStyle Part = cpNone;
  int PointIndex = -1;
  TChartSeries* ASeries = nullptr;
  TChartAxis* AAxis = nullptr;
};

enum TPanningMode { pmNone = 0, pmHorizontal = 1, pmVertical = 2, pmBoth = 3 };

class TCustomChart : public TCustomAxisPanel {
 public:
  TCustomChart();
  ~TCustomChart() override;

  // Walls, titles, legend and the scroll button of another chart, then
  // the axis panel's settings.
  void Assign(const TCustomPlotPanel& source) override;

  TChartBackWall& BackWall() { return *backWall_; }
  TChartWall& BottomWall() { return *bottomWall_; }
  TChartWall& LeftWall() { return *leftWall_; }
  TChartRightWall& RightWall() { return *rightWall_; }
  TChartTitle& Title() { return *title_; }
  TChartTitle& SubTitle() { return *subTitle_; }
  TChartFootTitle& Foot() { return *foot_; }
  TChartFootTitle& SubFoot() { return *subFoot_; }
  TChartLegend& Legend() { return *legend_; }
  // The back wall's pen.
  TChartPen& Frame() { return backWall_->Pen(); }
  TMouseButton ScrollMouseButton = mbRight;
  TPanningMode AllowPanning = pmBoth;

  // The back wall's colour when it is not transparent, else the panel's.
  TColor PanelBackColor() const override;
  // Also not the panel's or the back wall's colour, with CheckBackground.
  bool IsFreeSeriesColor(TColor color, bool checkBackground) const override;
  // The legend string of the point in the legend's text style, line
  // breaks turned to blanks; empty for no series or index -1.
  std::string FormattedValueLegend(TChartSeries* series, int valueIndex) override;
  // The legend's text for item Index, then OnGetLegendText.
  std::string FormattedLegend(int index);
  // The first active series, or null.
  TChartSeries* ActiveSeriesLegend() const;
  // Also makes the legend forget a series that leaves the chart.
  void SeriesEvent(TCustomChartSeries* series, TSeriesEventKind kind) override;
  // Walls are drawn (and zoom and scroll work) when no series is active or
  // an active series uses axes.
  bool WallsAllowed() const;
  // The old stream property "BackColor": the back wall takes the colour
  // (and a solid brush when the chart stands on a window and is not
  // loading).
  void ReadBackColor(TColor color);

  // -- drawing steps
  void CalcDepth3D() override;
  int CalcWallSize(const TChartAxis& axis) const override;
  void DrawTitlesAndLegend(bool beforeSeries) override;
  void DrawWalls() override;
  bool LeftWallInFront() const;
  bool RightWallInFront();
  // Paints from the buffer when it holds the chart; the zoom rectangle
  // being dragged is drawn over it, never into it.
  void Paint(TCanvas& c, const TRect& r) override;

  // -- mouse
  TChartClickedPart CalcClickedPart(int x, int y, bool onlyClickable);
  void MouseDown(TMouseButton b, TShiftState s, int x, int y) override;
  void MouseMove(TShiftState s, int x, int y) override;
  void MouseUp(TMouseButton b, TShiftState s, int x, int y) override;
  // Wheel notches scroll the vertical axes by 3 % of their range each.
  bool MouseWheel(TShiftState s, int delta, int x, int y) override;
  bool DoMouseWheelDown(TShiftState s, int x, int y);
  bool DoMouseWheelUp(TShiftState s, int x, int y);
  // Zooms into the dragged rectangle (its corners as pixel values of the
  // four axes).
  void ZoomRect(const TRect& rect);
  // Sets the four axes' ranges (top, bottom, left, right pairs), in
  // animated steps when Zoom.Animated; the axis state is saved first.
  void ZoomValues(double topMin, double topMax, double bottomMin, double bottomMax, double leftMin,
                  double leftMax, double rightMin, double rightMax);
  // Restores the axes saved before the first zoom or scroll.
  void UndoZoom();
  bool Zoomed = false;
  // Switches wheel scrolling off or on for every chart.
  static bool WheelScroll;

  // -- events
  std::function<void(TChartAxis* sender, double& newMin, double& newMax, bool& allow)>
      OnAllowScroll;
  std::function<void(TCustomChart*, TChartAxis*, TMouseButton, TShiftState, int, int)> OnClickAxis;
  std::function<void(TCustomChart*, TMouseButton, TShiftState, int, int)> OnClickBackground;
  std::function<void(TCustomChart*, TMouseButton, TShiftState, int, int)> OnClickLegend;
  std::function<void(TCustomChart*, TChartSeries*, int, TMouseButton, TShiftState, int, int)>
      OnClickSeries;
  std::function<void(TCustomChart*, TChartTitle*, TMouseButton, TShiftState, int, int)>
      OnClickTitle;
  std::function<void(TCustomChart*, int index, int& x, int& y, int& symbolX)> OnGetLegendPos;
  std::function<void(TCustomChart*, TRect& rect)> OnGetLegendRect;
  std::function<void(TCustomChart*, TLegendStyle, int index, std::string& text)> OnGetLegendText;
  std::function<void(TCustomChart*)> OnZoom;
  std::function<void(TCustomChart*)> OnUndoZoom;
  std::function<void(TCustomChart*)> OnScroll;

 private:
  struct TSavedAxis {
    bool Automatic = true, AutomaticMinimum = true, AutomaticMaximum = true;
    double Minimum = 0, Maximum = 0;
  };
  void SaveAxes();
  void DrawWall(TCustomChartWall& wall, const std::function<void()>& draw, const TPoint (&quad)[4]);
  void DrawLeftWall();
  void DrawRightWall();
  void DrawBottomWall();
  void DrawBackWall();
  void BackgroundClick(TMouseButton b, TShiftState s, int x, int y, bool& handled);
  void StartZoomOrScroll(TMouseButton b, TShiftState s, int x, int y);
  // Shows the zoom rectangle's new state.
  void RedrawDragRect();
  bool PanAxes(bool horizontal, int newPixel, int oldPixel);

  std::unique_ptr<TChartBackWall> backWall_;
  std::unique_ptr<TChartWall> bottomWall_, leftWall_;
  std::unique_ptr<TChartRightWall> rightWall_;
  std::unique_ptr<TChartTitle> title_, subTitle_;
  std::unique_ptr<TChartFootTitle> foot_, subFoot_;
  std::unique_ptr<TChartLegend> legend_;
  bool axesNotSaved_ = true;
  TSavedAxis saved_[4];  // top, left, right, bottom
};

// The chart the windows place.
class TChart : public TCustomChart {};

}  // namespace qv
