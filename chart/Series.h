// The 2-D series types: the point marker (TSeriesPointer), line, area and
// point series (TCustomSeries, TLineSeries, TPointSeries) with stacking
// and 3-D ribbons, and the fast line series (TFastLineSeries), which draws
// one polyline with the least work per point.
//
// Every series draws through its chart's surface while the chart draws
// (TCustomAxisPanel::InternalDraw): the series' depth band (StartZ..EndZ),
// the axes' pixel mapping and the chart rectangle are those of the drawing
// under way.
#pragma once

#include <string>
#include <vector>

#include "chart/Chart.h"
#include "chart/VeZazera.h"

namespace qv {

// ---- pointer ----------------------------------------------------------------------------------

enum TSeriesPointerStyle {
  psRectangle,
  psCircle,
  psTriangle,
  psDownTriangle,
  psCross,
  psDiagCross,
  psStar,
  psDiamond,
  psSmallDot,
  psNothing
};

// The marker a line or point series draws at each value: flat, or a solid
// in a 3-D chart (Draw3D). Owned by its series; changes repaint it.
class TSeriesPointer : public TPlotCustomShapeBrushPen {
 public:
  explicit TSeriesPointer(TChartSeries* owner);
  // Dark3D, Draw3D, sizes, InflateMargins and Style, then brush, pen and
  // visibility.
  void Assign(const TPlotCustomShapeBrushPen& source) override;

  bool Dark3D() const { return dark3D_; }
  void SetDark3D(bool v);
  bool Draw3D() const { return draw3D_; }
  void SetDraw3D(bool v);
  // Half sizes in pixels; below 1: ChartException "Pointer size must be
  // greater than zero" (the old value stays).
  int HorizSize() const { return horizSize_; }
  void SetHorizSize(int v);
  int VertSize() const { return vertSize_; }
  void SetVertSize(int v);
  bool InflateMargins() const { return inflateMargins_; }
  void SetInflateMargins(bool v);
  TSeriesPointerStyle Style() const { return style_; }
  void SetStyle(TSeriesPointerStyle v);
  TChartSeries* OwnerSeries() const { return owner_; }

  // A visible pointer that inflates margins needs its half size and one
  // pixel beyond the axis ends.
  void CalcHorizMargins(int& leftMargin, int& rightMargin) const;
  void CalcVerticalMargins(int& topMargin, int& bottomMargin) const;
  // Pen and brush for a pointer of Color: the pen (in Color when its own
  // colour is the default), the brush in its colour or, for the default,
  // Color when solid and black otherwise.
  void PrepareCanvas(TPlotCanvas3D& canvas, TColor color);
  // One pointer centred at (X, Y) with half sizes H and V; in a 3-D chart
  // (Is3D) within the owner's depth band.
  void Draw(TPlotCanvas3D& canvas, bool is3D, int x, int y, int h, int v, TColor color,
            TSeriesPointerStyle style);
  // Draw on the chart's surface with the pointer's own sizes.
  void DrawPointer(int x, int y, TColor color, TSeriesPointerStyle style);
  // The pointer inside a legend symbol rectangle (smaller beside a line).
  void DrawLegendShape(TColor color, const TRect& rect, bool lineVisible);

 private:
  void Changed();
  TChartSeries* owner_;
  bool dark3D_ = true;
  bool draw3D_ = true;
  int horizSize_ = 4;
  int vertSize_ = 4;
  bool inflateMargins_ = true;
  TSeriesPointerStyle style_ = psRectangle;
};

// ---- line, area and point series ---------------------------------------------------------------

// A series whose line pen is the element's pen.
class TCustomLineSeries : public TChartSeries {
 public:
  TChartPen& LinePen() { return pen_; }
  const TChartPen& LinePen() const { return pen_; }
  void SetLinePen(const TChartPen& v) { SetPen(v); }
};

enum TCustomSeriesStack { cssNone = 0, cssOverlap = 1, cssStack = 2, cssStack100 = 3 };

class TCustomSeries : public TCustomLineSeries {
 public:
  TCustomSeries();
  ~TCustomSeries() override;

  void Assign(const TCustomChartElement& source) override;
  std::string GetEditorClassName() const override { return "TCustomSeriesEditor"; }
  void SetParentChart(TCustomAxisPanel* chart) override;

  // -- settings
  TChartBrush& AreaBrush() { return areaBrush_; }
  TColor AreaColor() const { return areaColor_; }
  void SetAreaColor(TColor v);
  TChartPen& AreaLinesPen() { return areaLinesPen_; }
  bool ClickableLine() const { return clickableLine_; }
  void SetClickableLine(bool v);
  bool ColorEachLine() const { return colorEachLine_; }
  void SetColorEachLine(bool v);
  bool Dark3D() const { return dark3D_; }
  void SetDark3D(bool v);
  bool DrawArea() const { return drawArea_; }
  void SetDrawArea(bool v);
  bool DrawLine() const { return drawLine_; }
  void SetDrawLine(bool v);
  bool InvertedStairs() const { return invertedStairs_; }
  void SetInvertedStairs(bool v);
  int LineHeight() const { return lineHeight_; }
  void SetLineHeight(int v);
  // A wider pen drawn under the line (hidden by default).
  TChartHiddenPen& OutLine() { return outLine_; }
  void SetOutLine(const TChartPen& v) { outLine_.Assign(v); }
  TSeriesPointer& Pointer() { return pointer_; }
  void SetPointer(const TSeriesPointer& v) { pointer_.Assign(v); }
  TCustomSeriesStack Stacked() const { return stacked_; }
  // Also given to every series of the chart of this kind.
  void SetStacked(TCustomSeriesStack v);
  bool Stairs() const { return stairs_; }
  void SetStairs(bool v);
  int AreaTransparency() const { return areaTransparency_; }
  void SetAreaTransparency(int v);
  TPlotGradient& Gradient() { return gradient_; }
  // The fill style of 3-D ribbons and areas (the element brush's style).
  TBrushStyle LineBrush() const { return brush_.Style(); }
  void SetLineBrush(TBrushStyle v) { brush_.SetStyle(v); }

  std::function<void(TCustomSeries*, int valueIndex, int x, int y)> OnClickPointer;
  std::function<TSeriesPointerStyle(TCustomSeries*, int valueIndex)> OnGetPointerStyle;

  // -- stacking
  // The sum of the positive values at Index of the active series of this
  // kind before this one in the chart's list (all of them with All).
  double PointOrigin(int index, bool all) const;
  // The pixel of the line's origin (the bottom of the vertical axis, or
  // the top of the series stacked below).
  int GetOriginPos(int index) const;
  int CalcYPos(int index) const override;
  double MaxYValue() override;
  double MinYValue() override;
  void CalcZOrder() override;

  // -- drawing
  void CalcHorizMargins(int& leftMargin, int& rightMargin) override;
  void CalcVerticalMargins(int& topMargin, int& bottomMargin) override;
  void DrawAllValues() override;
  void BeginDrawValues() override;
  void DrawValue(int index) override;
  void DrawMark(int index, const std::string& text, TSeriesMarkPosition& position) override;
  void DrawLegendShape(int valueIndex, const TRect& rect) override;
  // Whether the mouse at (X, Y) hits the pointer of point Index at (PX, PY).
  bool ClickedPointer(int index, int px, int py, int x, int y);
  // The pointer of point Index at (X, Y) in Color.
  virtual void DrawPointer(int index, int x, int y, TColor color);
  // The point under (X, Y): its pointer, its pixel, or the line (or area)
  // from the point before it; -1 for none.
  int Clicked(int x, int y) override;

  // -- design-time gallery: captions of the variants and applying one.
  virtual std::vector<std::string> SubGalleryStyles() const { return {}; }
  virtual void ApplySubGalleryStyle(int /*index*/) {}

 protected:
  TSeriesPointerStyle PointerStyleOf(int index);
  bool SameKind(const TChartSeries& other) const;
  void DrawSegment(int index, TColor color, int x, int y, int origin, bool pointers);
  void DrawLegendLine(const TRect& rect);

  TChartBrush areaBrush_;
  TColor areaColor_ = clDefault;
  TChartPen areaLinesPen_;
  bool clickableLine_ = true;
  bool colorEachLine_ = true;
  bool dark3D_ = true;
  bool drawArea_ = false;
  bool drawLine_ = false;
  bool invertedStairs_ = false;
  int lineHeight_ = 0;
  TChartHiddenPen outLine_;
  TSeriesPointer pointer_;
  TCustomSeriesStack stacked_ = cssNone;
  bool stairs_ = false;
  int areaTransparency_ = 0;
  TPlotGradient gradient_;

 private:
  // What the drawing carries from one point to the next.
  int prevX_ = 0, prevY_ = 0, prevOrigin_ = 0, prevIndex_ = -1;
  TColor prevColor_ = clNone;
  double slope_ = 1;
  int firstDraw_ = -1, lastDraw_ = -1;
  bool firstSegment_ = true;
};

class TLineSeries : public TCustomSeries {
 public:
  TLineSeries();
  // The custom series' settings; from another kind of series the pointer
  // is hidden; always a line without area.
  void Assign(const TCustomChartElement& source) override;
  std::vector<std::string> SubGalleryStyles() const override;
  void ApplySubGalleryStyle(int index) override;
};

class TPointSeries : public TCustomSeries {
 public:
  TPointSeries();
  // The settings, then a visible pointer and no line, area or line clicks.
  void Assign(const TCustomChartElement& source) override;
  std::string GetEditorClassName() const override { return "TSeriesPointerEditor"; }
  // Coloured points use the point colours: the pointer brush follows.
  void SetColorEachPoint(bool v) override;
  virtual bool HasPointerGallery() const { return true; }
  std::vector<std::string> SubGalleryStyles() const override;
  void ApplySubGalleryStyle(int index) override;
  // A preview in a gallery chart of the given height: pointer half sizes
  // 4 (below 50 pixels) or 6; the second series of the chart triangles.
  void PrepareForGallery(int galleryHeight, bool secondSeries);
};

// ---- fast line ---------------------------------------------------------------------------------

// One polyline through the points: no pointers, areas or point colours.
// Without DrawAllPoints at most one point is drawn per pixel column, so a
// drawing costs in proportion to the plot's width, not the point count.
// Null points break the line. With AutoRepaint off an added point draws
// only its new segment (into the chart's buffered picture) instead of a
// whole new picture.
class TFastLineSeries : public TCustomLineSeries {
 public:
  TFastLineSeries();
  void Assign(const TCustomChartElement& source) override;
  std::string GetEditorClassName() const override { return "TFastLineSeriesEditor"; }
  // The pen's colour becomes the series colour, and back.
  void SetPen(const TChartPen& v) override;
  void SetSeriesColor(TColor v) override;

  bool AutoRepaint = true;
  bool DrawAllPoints() const { return drawAllPoints_; }
  void SetDrawAllPoints(bool v);

  void DrawAllValues() override;
  void BeginDrawValues() override;
  void DrawValue(int index) override;
  void DrawLegendShape(int valueIndex, const TRect& rect) override;
  void DrawMark(int index, const std::string& text, TSeriesMarkPosition& position) override;
  int Clicked(int x, int y) override;
  std::vector<std::string> SubGalleryStyles() const;
  void ApplySubGalleryStyle(int index);

  // The pixel of the last point drawn.
  int LastX = 0, LastY = 0;
  // Line calls of the last drawing (for measurements).
  int LineCalls() const { return lineCalls_; }

 protected:
  void NotifyNewValue(int index) override;

 private:
  void PrepareCanvas();
  void MoveTo(int x, int y);
  void LineTo(int x, int y);
  void Flush();
  // The index after I whose pixel column differs from LastX (ordered X
  // values), or Last + 1.
  int NextColumn(int i, int last) const;
  bool drawAllPoints_ = true;
  bool broken_ = false;
  // Inside DrawAllValues the points collect into one polyline; elsewhere
  // (points drawn one by one) they go straight to the canvas.
  bool batching_ = false;
  std::vector<TPoint> path_;
  int lineCalls_ = 0;
};

}  // namespace qv
