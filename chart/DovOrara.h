// The chart panel, framed shapes and the shared chart helpers: the default
// series palette, the date-time step table with its rounding and stepping
// rules, point-on-segment and point-in-polygon tests and an index quicksort.
#pragma once

#include <functional>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "chart/PlotCanvas.h"
#include "platform/core/ControlCore.h"
#include "platform/core/SysUtils.h"

namespace qv {

// Errors of chart classes; each carries one of the chart message texts.
QV_DECLARE_EXCEPTION(ChartException, Exception)
QV_DECLARE_EXCEPTION(AxisException, ChartException)
QV_DECLARE_EXCEPTION(LegendException, ChartException)

// ---- palette -------------------------------------------------------------------

constexpr int DefaultPaletteSize = 20;
// Entry Index mod 20 of the default series palette (negative indexes wrap
// the same way).
TColor DefaultSeriesColor(int index);

// ---- date-time steps -----------------------------------------------------------

constexpr int DateStepCount = 26;  // entries 0..25; 26 stands for "no step"
constexpr int NoDateStep = 26;
constexpr int StepHalfMonth = 19, StepOneMonth = 20, StepTwoMonths = 21, StepThreeMonths = 22,
              StepFourMonths = 23, StepSixMonths = 24, StepOneYear = 25;
// Steps in days, from one millisecond to one year.
extern const double DateStepTable[DateStepCount];

// The system's short time format for steps up to one day, else the short
// date format.
std::string DateLabelFormat(double step);
// The entry after the largest table entry not above Value; a Value below
// one millisecond gives the last entry (one year).
double NextDateStep(double value);
// The table index whose step is within one millisecond of Value, searched
// from the largest; NoDateStep when none.
int DateStepIndex(double value);
// The date rounded down to the start of its step period (half month,
// month, year); dates up to 1900-01-01 are returned unchanged.
TDateTime RoundDateToStep(TDateTime date, int step);
// Moves Value by Amount, or for date-time steps 19..25 by calendar months
// and years (the day clamped to the length of the new month).
void StepDateTime(bool isDateTime, bool increment, double& value, double amount, int step);

// ---- geometry ------------------------------------------------------------------

// True when P lies within about one pixel of the line through A and B and
// inside the segment's bounding box widened by Tolerance.
bool PointNearSegment(const TPoint& p, const TPoint& a, const TPoint& b, int tolerance = 0);
// Even-odd test of P against the polygon Points[0..HighIndex].
bool PointInsidePolygon(const TPoint& p, std::span<const TPoint> points, int highIndex);
inline bool PointInsidePolygon(const TPoint& p, std::span<const TPoint> points) {
  return PointInsidePolygon(p, points, int(points.size()) - 1);
}

// Quicksort over the indexes StartIndex..EndIndex through two callbacks:
// Compare(a, b) < 0 when item a sorts before item b, Swap(a, b) exchanges
// them. The comparison must be a consistent order; the scans are bounded
// to the range in any case.
using TIndexCompare = std::function<int(int, int)>;
using TIndexSwap = std::function<void(int, int)>;
void IndexQuickSort(int startIndex, int endIndex, const TIndexCompare& compare,
                    const TIndexSwap& swap);

// The separators of chart texts: lines of a label, mark or legend text, and
// the two columns of a legend item.
constexpr char ChartLineSeparator = 13;
constexpr char ChartColumnSeparator = 6;
// Text split at Separator (an empty text gives no parts).
std::vector<std::string> SplitChartText(const std::string& text,
                                        char separator = ChartLineSeparator);

// The system check box in the 13 x 13 square at (X, Y): a sunken white box,
// with a tick when Checked.
void DrawCheckMark(int x, int y, TCanvas& canvas, bool checked);

// The chart's hand cursor (the chart widget registers it as the pointing
// hand).
constexpr TCursor crPlotHand = 2020;

// ---- chart panel ----------------------------------------------------------------

class TCustomPlotPanel;
class TWmfCanvas;

// Events broadcast by a chart panel to its listeners.
enum TPlotMouseEventKind { meDown, meUp, meMove };
class TPlotEvent {
 public:
  virtual ~TPlotEvent() = default;
  TCustomPlotPanel* Sender = nullptr;
};
class TPlotMouseEvent : public TPlotEvent {
 public:
  TPlotMouseEventKind Kind = meDown;
  TMouseButton Button = mbLeft;
  TShiftState Shift = 0;
  int X = 0, Y = 0;
};
class TPlotView3DEvent : public TPlotEvent {};

// A listener of a panel's events (chart tools). Listeners are not owned:
// one removes itself from the panel before it goes.
class IPlotEventListener {
 public:
  virtual ~IPlotEventListener() = default;
  virtual void PlotEvent(TPlotEvent& event) = 0;
};
using TPlotEventListeners = std::vector<IPlotEventListener*>;

// The rectangle of a zoom or scroll drag.
struct TZoomPanning {
  bool Active = false;
  int X0 = 0, Y0 = 0, X1 = 0, Y1 = 0;
  // Both corners at (X, Y), active.
  void Activate(int x, int y);
  // Orders the corners: X0 <= X1 and Y0 <= Y1.
  void Check();
};

enum TPanelBevel { bvNone, bvLowered, bvRaised, bvSpace };
enum TPlotBackImageMode { pbmStretch, pbmTile, pbmCenter };
enum TPlotZoomDirection { tzdHorizontal, tzdVertical, tzdBoth };

class TCustomPlotPanel : public TControlCore {
 public:
  TCustomPlotPanel();
  ~TCustomPlotPanel() override;
  TCustomPlotPanel(const TCustomPlotPanel&) = delete;
  TCustomPlotPanel& operator=(const TCustomPlotPanel&) = delete;

  // Copies buffering, print settings, margins, monochrome, 3-D settings and
  // the colour of another panel.
  virtual void Assign(const TCustomPlotPanel& source);

  // -- bounds and look
  int Width() const { return width_; }
  int Height() const { return height_; }
  void SetBounds(int width, int height);
  int BorderWidth() const { return borderWidth_; }
  void SetBorderWidth(int v);
  TPanelBevel BevelInner() const { return bevelInner_; }
  void SetBevelInner(TPanelBevel v);
  TPanelBevel BevelOuter() const { return bevelOuter_; }
  void SetBevelOuter(TPanelBevel v);
  int BevelWidth() const { return bevelWidth_; }
  void SetBevelWidth(int v);
  TColor Color() const { return color_; }
  void SetColor(TColor v);
  // The colour the chart's background is drawn in.
  virtual TColor PanelBackColor() const { return color_; }
  const std::string& Name() const { return name_; }
  void SetName(const std::string& v) { name_ = v; }
  TCursor Cursor() const { return cursor_; }
  void SetCursor(TCursor c);
  // The cursor restored after zooming (the one at construction or loading).
  TCursor SavedCursor = crDefault;
  // After reading from a stream: the saved cursor follows the loaded one.
  virtual void Loaded() { SavedCursor = cursor_; }

  // -- settings
  int Chart3DPercent() const { return chart3DPercent_; }
  void SetChart3DPercent(int v);
  int MarginLeft() const { return marginLeft_; }
  void SetMarginLeft(int v);
  int MarginTop() const { return marginTop_; }
  void SetMarginTop(int v);
  int MarginRight() const { return marginRight_; }
  void SetMarginRight(int v);
  int MarginBottom() const { return marginBottom_; }
  void SetMarginBottom(int v);
  bool Monochrome() const { return canvas_.Monochrome(); }
  void SetMonochrome(bool v) { canvas_.SetMonochrome(v); }
  bool View3D() const { return view3D_; }
  // Stores, repaints and tells the listeners (TPlotView3DEvent).
  void SetView3D(bool v);
  TView3DOptions& View3DOptions() { return *view3DOptions_; }
  bool AutoRepaint = true;

  // -- layout of the last drawing
  TRect ChartBounds;
  TRect ChartRect;
  int ChartWidth = 0, ChartHeight = 0, ChartXCenter = 0, ChartYCenter = 0;
  void RecalcWidthHeight();
  // The whole drawing rectangle: the host's client rectangle, or
  // (0, 0, Width, Height) without a host window.
  virtual TRect ChartExtent() const;
  TRect GetRectangle() const { return ChartExtent(); }

  // -- drawing
  TPlotCanvas3D& Canvas() { return canvas_; }
  // The drawing sequence into a canvas: surface set-up, ChartRect from the
  // margins, InternalDraw, then the buffer presented.
  virtual void DrawInto(TCanvas& userCanvas, const TRect& userRect);
  // Draws the chart itself (the axis panel overrides); the base fills the
  // bounds with the panel colour.
  virtual void InternalDraw(const TRect& rect);
  // Paints the window: from the buffer when it is still valid, else a new
  // drawing (nothing while printing).
  void Paint(TCanvas& c, const TRect& r) override;
  // Draws unbuffered into Canvas with the surface's metafile flag set;
  // buffering is restored even when drawing fails.
  void RenderUnbuffered(TCanvas& canvas, const TRect& rect);

  // -- pictures
  // A new image of Rect's size with the chart drawn unbuffered; filled with
  // BackColor first (always, so the picture never shows stale pixels).
  std::unique_ptr<TImage> RenderToBitmap(TColor backColor, const TRect& rect);
  // A new metafile of Rect's size (at least 1 x 1). Only placeable Windows
  // metafiles are written: Enhanced is accepted and ignored.
  std::unique_ptr<TWmfCanvas> RenderToMetafile(bool enhanced, const TRect& rect);
  void SaveToBitmapFile(const std::string& fileName);
  void SaveToMetafile(const std::string& fileName);
  void CopyToClipboardBitmap();

  // -- printing
  int PrintMargins[4] = {15, 15, 15, 15};  // left, top, right, bottom, percent
  bool KeepPrintAspect = true;
  int PrintShrinkPercent = 0;
  bool PrintingNow = false;
  bool IsPrintMarginsStored() const;
  // Recomputes the print margins so that the chart keeps its aspect ratio on
  // a page of PageWidth x PageHeight pixels (pixelRatio = horizontal over
  // vertical printer resolution).
  void CalcProportionalMargins(int pageWidth, int pageHeight, double pixelRatio = 1.0);
  // The page rectangle the chart prints into.
  TRect PrintArea(int pageWidth, int pageHeight, double pixelRatio = 1.0);
  // The same on the installed printer's page.
  TRect ChartPrintRect();
  // Prints one page: the chart in ChartPrintRect. Raises EPrinter "Printer
  // selected is not valid" when no printer is installed or the job cannot
  // start.
  void Print();
  void PrintInto(const TRect& rect);
  // Draws the chart into Rect of another canvas (a printer page), scaled by
  // a logical-to-device mapping; the canvas' mapping is restored afterwards.
  void PrintOnCanvas(TCanvas& canvas, const TRect& rect);
  // Whether drawing may clip (the surface rotates no whole scenes).
  bool ClipAllowed() const { return !TPlotCanvas3D::SupportsFullRotation(); }
  // A hatched brush whose colour equals the background would vanish: black
  // (or white on black) is used instead. Then the brush goes onto the surface.
  void ApplyContrastBrush(TColor color, const TBrush& brush, TColor backColor);
  // While printing, styled pens of width 1 get width 0 so printers draw
  // their pattern.
  void PrinterPenWidth(TPen& pen) const;

  // -- events and mouse
  TPlotEventListeners& EventSinks() { return eventSinks_; }
  void AddListener(IPlotEventListener* l);
  void RemoveListener(IPlotEventListener* l);
  // Broadcasts Event to the listeners in registration order; a mouse event
  // taken by one (MouseTaken) goes no further.
  void NotifySinks(TPlotEvent& event);
  void NotifyMouse(TPlotMouseEventKind kind, TMouseButton button, TShiftState shift, int x, int y);
  bool MouseTaken = false;
  // The scroll drag under way (its second corner: the last position the
  // axes followed).
  TZoomPanning DragRect;
  bool Designing = false;
  void MouseDown(TMouseButton b, TShiftState s, int x, int y) override;
  void MouseUp(TMouseButton b, TShiftState s, int x, int y) override;
  void MouseMove(TShiftState s, int x, int y) override;
  // The mouse left the window: cursor restored, drag ended.
  void MouseLeave() override;
  void Resize(int width, int height) override { SetBounds(width, height); }
  // System colours changed.
  void SysColorChange() { Invalidate(); }

  // -- state
  // True while the panel is read from a stream (setter checks relax).
  bool Loading = false;
  bool Destroying = false;
  // Marks the drawing dirty and the window invalid when AutoRepaint;
  // counts the requests.
  virtual void Invalidate();
  void Repaint() { Invalidate(); }
  int InvalidateCount() const { return invalidateCount_; }

 protected:
  std::string name_;
  int width_ = 400, height_ = 250;
  int borderWidth_ = 0;
  TPanelBevel bevelInner_ = bvNone, bevelOuter_ = bvRaised;
  int bevelWidth_ = 1;
  TColor color_ = clBtnFace;
  TCursor cursor_ = crDefault;
  int chart3DPercent_ = 15;
  int marginLeft_ = 3, marginTop_ = 4, marginRight_ = 3, marginBottom_ = 4;
  bool view3D_ = true;
  std::unique_ptr<TView3DOptions> view3DOptions_;
  int invalidateCount_ = 0;
  TPlotCanvas3D canvas_;
  TPlotEventListeners eventSinks_;
};

class TPlotZoomBrush : public TChartBrush {
 public:
  explicit TPlotZoomBrush(TPlotChangeEvent onChange = {});
};

class TPlotZoomPen : public TChartPen {
 public:
  explicit TPlotZoomPen(TPlotChangeEvent onChange = {});
  bool IsColorStored() const { return Color() != clWhite; }
};

// Zoom settings of a chart; the rectangle being dragged is its own.
class TPlotZoom : public TZoomPanning {
 public:
  explicit TPlotZoom(TPlotChangeEvent onChange = {}) : onChange_(std::move(onChange)) {}
  bool Allow = true;
  bool Animated = false;
  int AnimatedSteps = 8;
  TPlotZoomDirection Direction = tzdBoth;
  TShiftState KeyShift = 0;
  int MinimumPixels = 16;
  TMouseButton MouseButton = mbLeft;
  // Created on first use: white and clear, and white.
  TPlotZoomBrush& Brush();
  bool HasBrush() const { return brush_ != nullptr; }
  TPlotZoomPen& Pen();
  bool HasPen() const { return pen_ != nullptr; }
  void Assign(const TPlotZoom& source);

 private:
  TPlotChangeEvent onChange_;
  std::unique_ptr<TPlotZoomBrush> brush_;
  std::unique_ptr<TPlotZoomPen> pen_;
};

// A chart panel with a back image, a back gradient and zoom settings.
class TCustomPlotPanelExtended : public TCustomPlotPanel {
 public:
  TCustomPlotPanelExtended();
  ~TCustomPlotPanelExtended() override;

  // The back image, created on first use; HasBackImage tells without.
  TImage& BackImage();
  bool HasBackImage() const { return backImage_ != nullptr && !backImage_->Empty(); }
  // A copy of Image (an empty one or null frees it); repaints.
  void SetBackImage(const TImage* image);
  bool BackImageInside() const { return backImageInside_; }
  void SetBackImageInside(bool v);
  TPlotBackImageMode BackImageMode() const { return backImageMode_; }
  void SetBackImageMode(TPlotBackImageMode v);
  // Transparency of the image's graphic; only with an image.
  bool BackImageTransp() const { return HasBackImage() && backImageTransp_; }
  void SetBackImageTransp(bool v);
  // The back gradient, created on first use (invisible).
  TPlotGradient& Gradient();
  bool HasGradient() const { return gradient_ != nullptr; }
  TPlotZoom& Zoom() { return zoom_; }

  // The background: gradient or panel colour, the back image when it
  // covers the whole panel, then bevels and border.
  virtual void FillBackground(const TRect& rect);
  virtual void DrawPanelBackground(const TRect& rect);
  // Draws the back image into Rect at Depth (0: flat) in the image mode.
  void PaintBackImage(const TRect& rect, int depth);
  // The panel's outer bevel, border and inner bevel (not while printing).
  void DrawBevelsAndBorder(const TRect& rect);
  // The zoom rectangle being dragged (Zoom's corners), in not-XOR mode:
  // drawing it twice restores the picture.
  void PaintDragRect();
  // The extended panel draws its background.
  void InternalDraw(const TRect& rect) override;

 protected:
  // The total 3-D depth of the chart (the axis panel's Width3D).
  virtual int BackImageDepth() const { return 0; }

 private:
  std::unique_ptr<TImage> backImage_;
  bool backImageInside_ = false;
  TPlotBackImageMode backImageMode_ = pbmStretch;
  bool backImageTransp_ = false;
  std::unique_ptr<TPlotGradient> gradient_;
  TPlotZoom zoom_;
};

// ---- framed shapes ----------------------------------------------------------------

// Brush, frame pen and visibility of a chart element; changes repaint the
// parent chart.
class TPlotCustomShapeBrushPen {
 public:
  explicit TPlotCustomShapeBrushPen(TCustomPlotPanel* parent = nullptr);
  virtual ~TPlotCustomShapeBrushPen() = default;
  TPlotCustomShapeBrushPen(const TPlotCustomShapeBrushPen&) = delete;
  TPlotCustomShapeBrushPen& operator=(const TPlotCustomShapeBrushPen&) = delete;
  TChartBrush& Brush() { return brush_; }
  TChartPen& Pen() { return pen_; }
  TChartPen& Frame() { return pen_; }
  bool Visible() const { return visible_; }
  void SetVisible(bool v);
  TCustomPlotPanel* ParentChart() const { return parent_; }
  void SetParentChart(TCustomPlotPanel* p) { parent_ = p; }
  virtual void Assign(const TPlotCustomShapeBrushPen& source);

 protected:
  void Repaint() {
    if (parent_) parent_->Invalidate();
  }
  TCustomPlotPanel* parent_;

 private:
  TChartBrush brush_;
  TChartPen pen_;
  bool visible_ = true;
};

enum TChartObjectShapeStyle { fosRectangle, fosRoundRectangle };

// The framed shape of titles, the legend, marks, axis titles and walls:
// shadow, fill (brush or gradient), frame, optional bevel, rotation and
// transparency.
class TPlotCustomShape : public TPlotCustomShapeBrushPen {
 public:
  explicit TPlotCustomShape(TCustomPlotPanel* parent = nullptr);
  ~TPlotCustomShape() override;

  TPanelBevel Bevel() const { return bevel_; }
  void SetBevel(TPanelBevel v);
  int BevelWidth() const { return bevelWidth_; }
  void SetBevelWidth(int v);
  TColor Color() const { return color_; }
  void SetColor(TColor v);
  TPlotFont& Font() { return font_; }
  // Created on first use.
  TPlotGradient& Gradient();
  bool HasGradient() const { return gradient_ != nullptr; }
  TColor ShadowColor() const { return shadowColor_; }
  void SetShadowColor(TColor v);
  int ShadowSize() const { return shadowSize_; }
  void SetShadowSize(int v);
  TChartObjectShapeStyle ShapeStyle() const { return shapeStyle_; }
  void SetShapeStyle(TChartObjectShapeStyle v);
  // Percent 0..100 (values outside are clamped).
  int Transparency() const { return transparency_; }
  void SetTransparency(int v);
  bool Transparent() const { return transparent_; }
  void SetTransparent(bool v);
  // Where the owner placed the shape last.
  TRect ShapeBounds;

  // Copies everything but Transparency.
  void Assign(const TPlotCustomShapeBrushPen& source) override;

  // Draws the shape at ShapeBounds on the parent chart's surface, blended
  // by Transparency.
  void PaintShape();
  // Draws the shape into Rect rotated by Angle degrees about its centre at
  // depth Z (nothing when Transparent or without a parent chart).
  void DrawShapeRotated(const TRect& rect, int angle, int z);

 protected:
  // The gradient object created on first use (shapes with other gradient
  // defaults give their own).
  virtual std::unique_ptr<TPlotGradient> NewGradient() const {
    return std::make_unique<TPlotGradient>();
  }
  bool transparent_ = false;

 private:
  TPanelBevel bevel_ = bvNone;
  int bevelWidth_ = 2;
  TColor color_ = clWhite;
  TPlotFont font_;
  std::unique_ptr<TPlotGradient> gradient_;
  TColor shadowColor_ = clBlack;
  int shadowSize_ = 3;
  TChartObjectShapeStyle shapeStyle_ = fosRectangle;
  int transparency_ = 0;
};

}  // namespace qv
