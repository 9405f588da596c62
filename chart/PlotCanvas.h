// Drawing attributes of chart elements and the chart drawing surface.
//
// The attribute objects (chart pens and brushes, the chart font with its
// shadow, outline and gradient, the gradient, the shadow and the 3-D view
// options) are plain state objects owned by chart elements: a setter that
// changes a value stores it and calls the owner's change notification, so
// the owner repaints. Assign copies every published value. The "stored"
// predicates tell the chart stream writer which values differ from their
// defaults.
//
// TPlotCanvas3D is the one surface every chart part draws through. It wraps
// a platform canvas (TCanvas), optionally draws into an off-screen image
// first, and projects 3-D chart coordinates (x, y in pixels, z as a depth in
// pixels) onto the screen. The platform canvas never sees a z: projection,
// buffering, gradients, blending and the 3-D solids are computed here.
#pragma once

#include <functional>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "platform/core/Canvas.h"
#include "platform/core/Graphics.h"
#include "platform/core/Image.h"

namespace qv {

class TPlotCanvas3D;
class TCustomPlotPanel;

// Change notification of a chart option object.
using TPlotChangeEvent = std::function<void()>;

// ---- pens and brushes -----------------------------------------------------

enum TPenEndStyle { esRound, esSquare, esFlat };

class TChartPen : public TPen {
 public:
  explicit TChartPen(TPlotChangeEvent onChange = {});
  TPenEndStyle EndStyle() const { return endStyle_; }
  void SetEndStyle(TPenEndStyle v);
  bool SmallDots() const { return smallDots_; }
  void SetSmallDots(bool v);
  bool Visible() const { return visible_; }
  void SetVisible(bool v);
  // Shows or hides the pen (the same as SetVisible).
  void Show() { SetVisible(true); }
  void Hide() { SetVisible(false); }
  void Assign(const TPen& src) override;

 protected:
  // Changes a value without notifying (construction defaults).
  void InitVisible(bool v) { visible_ = v; }

 private:
  TPenEndStyle endStyle_ = esRound;
  bool smallDots_ = false;
  bool visible_ = true;
};

class TChartHiddenPen : public TChartPen {
 public:
  explicit TChartHiddenPen(TPlotChangeEvent onChange = {});
};

class TDottedGrayPen : public TChartPen {
 public:
  explicit TDottedGrayPen(TPlotChangeEvent onChange = {});
};

class TDarkGrayPen : public TChartPen {
 public:
  explicit TDarkGrayPen(TPlotChangeEvent onChange = {});
};

class TChartArrowPen : public TChartPen {
 public:
  explicit TChartArrowPen(TPlotChangeEvent onChange = {});
};

class TChartAxisPen : public TChartPen {
 public:
  explicit TChartAxisPen(TPlotChangeEvent onChange = {});
};

// A brush whose colour defaults to the owner's colour (clDefault), with an
// optional picture that fills as a pattern.
class TChartBrush : public TBrush {
 public:
  explicit TChartBrush(TPlotChangeEvent onChange = {});
  // The picture, created on first use; HasImage tells without creating it.
  TImage& Image();
  bool HasImage() const { return image_ != nullptr && !image_->Empty(); }
  // Assigning an empty picture frees it.
  void SetImage(const TImage* image);
  void Assign(const TBrush& src) override;

 private:
  std::shared_ptr<TImage> image_;
};

// ---- shadow and gradients ---------------------------------------------------

class TPlotShadow {
 public:
  explicit TPlotShadow(TPlotChangeEvent onChange = {}) : OnChange(std::move(onChange)) {}
  TColor Color() const { return color_; }
  void SetColor(TColor v);
  int HorizSize() const { return horizSize_; }
  void SetHorizSize(int v);
  int VertSize() const { return vertSize_; }
  void SetVertSize(int v);
  void Assign(const TPlotShadow& src);
  TPlotChangeEvent OnChange;

 private:
  void Changed() {
    if (OnChange) OnChange();
  }
  TColor color_ = clSilver;
  int horizSize_ = 0;
  int vertSize_ = 0;
};

enum TGradientDirection {
  gdTopBottom,
  gdBottomTop,
  gdLeftRight,
  gdRightLeft,
  gdFromCenter,
  gdFromTopLeft,
  gdFromBottomLeft
};

class TCustomPlotGradient {
 public:
  explicit TCustomPlotGradient(TPlotChangeEvent onChange = {}) : OnChange(std::move(onChange)) {}
  virtual ~TCustomPlotGradient() = default;
  TGradientDirection Direction() const { return direction_; }
  void SetDirection(TGradientDirection v);
  TColor EndColor() const { return endColor_; }
  void SetEndColor(TColor v);
  // clNone while there is no middle colour.
  TColor MidColor() const { return hasMidColor_ ? midColor_ : clNone; }
  bool HasMidColor() const { return hasMidColor_; }
  void SetMidColor(TColor v);
  TColor StartColor() const { return startColor_; }
  void SetStartColor(TColor v);
  bool Visible() const { return visible_; }
  void SetVisible(bool v);
  virtual void Assign(const TCustomPlotGradient& src);

  // Fills Rect on the surface; RoundRadius > 0 clips to a rounded rectangle.
  void PaintInto(TPlotCanvas3D& canvas, const TRect& rect, int roundRadius = 0) const;

  TPlotChangeEvent OnChange;

 protected:
  void Changed() {
    if (OnChange) OnChange();
  }

 private:
  TGradientDirection direction_ = gdTopBottom;
  TColor endColor_ = clYellow;
  TColor midColor_ = clWhite;
  bool hasMidColor_ = false;
  TColor startColor_ = clWhite;
  bool visible_ = false;
};

class TPlotGradient : public TCustomPlotGradient {
 public:
  using TCustomPlotGradient::TCustomPlotGradient;
};

class TPlotFontGradient : public TPlotGradient {
 public:
  using TPlotGradient::TPlotGradient;
  bool Outline() const { return outline_; }
  void SetOutline(bool v);
  void Assign(const TCustomPlotGradient& src) override;

 private:
  bool outline_ = false;
};

// ---- font -------------------------------------------------------------------

// The default chart font name and size, taken from the message texts.
std::string PlotDefaultFontName();
int PlotDefaultFontSize();

class TPlotFont : public TFont {
 public:
  explicit TPlotFont(TPlotChangeEvent onChange = {});
  ~TPlotFont() override;
  TPlotFont(const TPlotFont&) = delete;
  TPlotFont& operator=(const TPlotFont&) = delete;

  int InterCharSize() const { return interCharSize_; }
  void SetInterCharSize(int v);
  // Lazily created parts.
  TPlotFontGradient& Gradient();
  bool HasGradient() const { return gradient_ != nullptr; }
  TChartHiddenPen& OutLine();
  bool HasOutLine() const { return outline_ != nullptr; }
  TPlotShadow& Shadow();
  bool HasShadow() const { return shadow_ != nullptr; }

  void Assign(const TFont& src) override;

  // Defaults an owner may change to declare its own.
  TColor BaseColor = clBlack;
  TFontStyles BaseStyle;

  bool IsColorStored() const { return Color() != BaseColor; }
  bool IsHeightStored() const { return Size() != PlotDefaultFontSize(); }
  bool IsNameStored() const { return Name() != PlotDefaultFontName(); }
  bool IsStyleStored() const { return Style() != BaseStyle; }

  // The surface this font was last applied to (none after construction).
  TPlotCanvas3D* Canvas = nullptr;

 private:
  TPlotChangeEvent notify_;
  int interCharSize_ = 0;
  std::unique_ptr<TPlotFontGradient> gradient_;
  std::unique_ptr<TChartHiddenPen> outline_;
  std::unique_ptr<TPlotShadow> shadow_;
};

// ---- 3-D view options ---------------------------------------------------------

class TView3DOptions {
 public:
  // Panel: repainted after every change (may be null).
  explicit TView3DOptions(TCustomPlotPanel* panel = nullptr) : panel_(panel) {}

  int Elevation() const { return elevation_; }
  void SetElevation(int v);
  int HorizOffset() const { return horizOffset_; }
  void SetHorizOffset(int v);
  int OrthoAngle() const { return orthoAngle_; }
  void SetOrthoAngle(int v);
  bool Orthogonal() const { return orthogonal_; }
  void SetOrthogonal(bool v);
  int Perspective() const { return perspective_; }
  void SetPerspective(int v);
  int Rotation() const { return rotation_; }
  void SetRotation(int v);
  int Tilt() const { return tilt_; }
  void SetTilt(int v);
  int VertOffset() const { return vertOffset_; }
  void SetVertOffset(int v);
  int Zoom() const { return zoom_; }
  void SetZoom(int v);
  bool ZoomText() const { return zoomText_; }
  void SetZoomText(bool v);

  // tan(OrthoAngle) (of 180 - OrthoAngle above 90 degrees) when orthogonal,
  // else 1.
  double OrthoSlope() const;

  // Copies the ten settings, not the notifications.
  void Assign(const TView3DOptions& src);

  std::function<void(bool horizontal)> ScrollNotify;
  std::function<void(int newZoom)> ZoomNotify;

  TCustomPlotPanel* Panel() const { return panel_; }

 private:
  void Repaint();
  TCustomPlotPanel* panel_;
  int elevation_ = 345;
  int horizOffset_ = 0;
  int orthoAngle_ = 45;
  bool orthogonal_ = true;
  int perspective_ = 15;
  int rotation_ = 345;
  int tilt_ = 0;
  int vertOffset_ = 0;
  int zoom_ = 100;
  bool zoomText_ = true;
};

// ---- drawing surface -----------------------------------------------------------

// Small geometry helpers shared by chart parts.
void RectExtent(const TRect& r, int& width, int& height);
void RectMiddle(const TRect& r, int& x, int& y);
void SineCosine(double angle, double& sinValue, double& cosValue);
inline bool RectContains(const TRect& r, int x, int y) { return r.Contains(x, y); }
// Rounds to the nearest integer, ties to even.
int RoundInt(double v);
// The convex hull of screen points: its corners in clockwise order on the
// screen (y grows downwards), without repeated or collinear points; fewer
// than three distinct points come back sorted, left to right, and points on
// one line give its two ends.
std::vector<TPoint> ConvexHull(std::vector<TPoint> Points);

// A point of the chart's 3-D space: x and y in pixels, z a depth in pixels.
struct TPoint3D {
  int X = 0, Y = 0, Z = 0;
  friend constexpr bool operator==(const TPoint3D&, const TPoint3D&) = default;
};

class TPlotCanvas3D {
 public:
  TPlotCanvas3D();
  ~TPlotCanvas3D();
  TPlotCanvas3D(const TPlotCanvas3D&) = delete;
  TPlotCanvas3D& operator=(const TPlotCanvas3D&) = delete;

  // The canvas drawn on now (the buffer's while buffering); null before the
  // first BeginDrawing unless set.
  TCanvas* ReferenceCanvas() const { return ref_; }
  void SetReferenceCanvas(TCanvas* c) { ref_ = c; }
  TCanvas& Ref() const { return *ref_; }
  // The device the surface draws on now.
  TCanvas* GetHandle() const { return ref_; }

  // -- state
  TColor GetBackColor() const { return ref_->BkColor(); }
  void SetBackColor(TColor c) { ref_->SetBkColor(ColorToRGB(c)); }
  int GetBackMode() const { return ref_->BkMode(); }
  void SetBackMode(int mode) { ref_->SetBkMode(mode); }
  bool Monochrome() const { return monochrome_; }
  void SetMonochrome(bool v);
  unsigned GetTextAlign() const { return ref_->TextAlign(); }
  void SetTextAlign(unsigned flags) { ref_->SetTextAlign(flags); }
  bool BufferedDrawing() const { return buffered_; }
  void SetBufferedDrawing(bool v);
  // Takes Monochrome from another surface.
  void CopySettings(const TPlotCanvas3D& source) { SetMonochrome(source.Monochrome()); }
  // Drawing into the buffer outside a full drawing (a live segment added
  // to a picture already shown): when the buffer holds the current
  // picture, the buffer becomes the reference canvas and the answer is
  // true; EndBufferedUpdate closes it again (the window then shows the
  // buffer). With no valid buffer nothing changes and the answer is false.
  bool BeginBufferedUpdate();
  void EndBufferedUpdate();
  // Set while drawing into a printer or metafile: blending degrades to
  // plain drawing there.
  bool Metafiling = false;
  bool BufferStale = true;
  // Answer False: the surface does not rotate whole scenes or draw whole
  // surfaces itself.
  static constexpr bool SupportsFullRotation() { return false; }
  static constexpr bool SupportsWholeSurfaces() { return false; }

  // -- attributes (chart rules)
  void ApplyPen(const TPen& pen) { ApplyPenColor(pen, pen.Color()); }
  void ApplyPenColor(const TPen& pen, TColor color);
  void ApplyBrush(const TBrush& brush, TColor color) {
    ApplyBrushColor(brush, color, brush.Color());
  }
  void ApplyBrushColor(const TBrush& brush, TColor color, TColor backColor);
  void ApplyFont(TPlotFont& font);
  void ResetDrawingState();
  void DarkenBrush(TColor color, int amount);
  TPlotFont* ChartFont = nullptr;

  // -- 2-D drawing
  void SetPixel(int x, int y, TColor c) { ref_->SetPixel(x, y, c); }
  void Arc(int x1, int y1, int x2, int y2, int x3, int y3, int x4, int y4) {
    ref_->Arc(x1, y1, x2, y2, x3, y3, x4, y4);
  }
  void Pie(int x1, int y1, int x2, int y2, int x3, int y3, int x4, int y4) {
    ref_->Pie(x1, y1, x2, y2, x3, y3, x4, y4);
  }
  void Ellipse(int x1, int y1, int x2, int y2) { ref_->Ellipse(x1, y1, x2, y2); }
  void Rectangle(int x0, int y0, int x1, int y1) { ref_->Rectangle(x0, y0, x1, y1); }
  void RoundRect(int x1, int y1, int x2, int y2, int x3, int y3) {
    ref_->RoundRect(x1, y1, x2, y2, x3, y3);
  }
  void FillRect(const TRect& r) { ref_->FillRect(r); }
  void EraseRect(const TRect& r) { ref_->FillRect(r); }
  void RectOutline(const TRect& r) { ref_->Rectangle(r); }
  void MoveTo(int x, int y) { ref_->MoveTo(x, y); }
  void LineTo(int x, int y) { ref_->LineTo(x, y); }
  void Line(int x0, int y0, int x1, int y1) {
    ref_->MoveTo(x0, y0);
    ref_->LineTo(x1, y1);
  }
  void HorizontalLine(int x0, int x1, int y) { Line(x0, y, x1, y); }
  void VerticalLine(int x, int y0, int y1) { Line(x, y0, x, y1); }
  void Polygon(std::span<const TPoint> pts) { ref_->Polygon(pts); }
  void DrawGraphic(int x, int y, const TImage* g) {
    if (g && !g->Empty()) ref_->Draw(x, y, *g);
  }
  void StretchDraw(const TRect& r, const TImage* g) {
    if (g && !g->Empty()) ref_->StretchDraw(r, *g);
  }
  void BevelFrame(const TRect& rect, TColor topColor, TColor bottomColor, int width);
  void RingSector(int xc, int yc, int xr, int yr, double startAngle, double endAngle,
                  double holePercent);
  void FillGradient(const TRect& rect, TColor startColor, TColor endColor,
                    TGradientDirection direction);
  // Text with the chart font's shadow, outline and gradient.
  void TextOut(int x, int y, const std::string& text);
  void TextOutRotated(int x, int y, const std::string& text, int angle);
  int TextWidth(const std::string& text) const;
  int TextHeight(const std::string& text) const;
  // The height of a line of text in the current font ("W" measured).
  int FontHeight() const { return TextHeight("W"); }
  // Clips nest: each ClipToRect pushes the current clip, RemoveClip pops it.
  void ClipToRect(const TRect& r);
  void ClipToRoundRect(const TRect& r, int radius);
  void ClipToPolygon(std::span<const TPoint> pts);
  void RemoveClip();
  int ClipDepth() const { return clipDepth_; }
  void Invalidate() { BufferStale = true; }

  // -- 3-D
  TRect BeginDrawing(TCanvas& canvas, TView3DOptions* options, TColor backColor, bool is3D,
                     const TRect& rect);
  void SetProjectionCentre(int maxDepth, const TRect& rect);
  TPoint ProjectPoint(int x, int y, int z) const;
  TRect ProjectRect(const TRect& r, int z) const;
  void ScreenToWorld(int& x, int& y, int z) const;
  void PresentBuffer(TCanvas& dest, TCanvas* defaultCanvas, const TRect& rect);
  bool RepaintFromBuffer();
  void CopyBufferTo(int x, int y, TCanvas& canvas);
  void FreeBuffer() { bitmap_.reset(); }
  TImage* Buffer() const { return bitmap_.get(); }
  // Between BeginFlat and EndFlat points are not projected (in either
  // projection); the two do not nest.
  void BeginFlat() {
    savedDepthMode_ = DepthMode;
    savedOrthoMode_ = OrthoMode;
    DepthMode = false;
    OrthoMode = false;
  }
  void EndFlat() {
    DepthMode = savedDepthMode_;
    OrthoMode = savedOrthoMode_;
  }

  void PixelAtDepth(int x, int y, int z, TColor color);
  void HorizontalLine3D(int left, int right, int y, int z);
  void VerticalLine3D(int x, int top, int bottom, int z);
  void DepthLine3D(int x, int y, int z0, int z1);
  void LineAtDepth(int x0, int y0, int x1, int y1, int z);
  void MovePen3D(int x, int y, int z);
  void DrawLineTo3D(int x, int y, int z);
  void RectAtDepth(const TRect& r, int z);
  void PolygonAtDepth(std::span<const TPoint> pts, int z);
  void QuadAtDepth(const TPoint& p1, const TPoint& p2, const TPoint& p3, const TPoint& p4, int z);
  void TriangleAtDepth(const TPoint& p1, const TPoint& p2, const TPoint& p3, int z);
  void SlabAcrossDepth(const TPoint& a, const TPoint& b, int z0, int z1);
  // A quadrilateral whose first two points stand at Z0 and last two at Z1.
  void QuadAcrossDepth(std::span<const TPoint, 4> points, int z0, int z1);
  void FloorRect3D(int left, int top, int right, int z0, int z1);
  void SideRect3D(int left, int top, int bottom, int z0, int z1);
  void EllipseAtDepth(int x1, int y1, int x2, int y2, int z);
  void Ball3D(int x, int y, int z, double radius);
  void Box3D(int left, int right, int top, int bottom, int z0, int z1, bool darkSides);
  void TextOutRotated3D(int x, int y, int z, const std::string& text, int angle);
  void TextAtDepth(int x, int y, int z, const std::string& text);

  // -- solids. Each solid is drawn as the faces that turn towards the
  // viewer (back-face culling of a convex body), so the result is closed
  // and filled from every view. Faces use the current pen and brush;
  // darkened faces change the brush colour (or, for hatched brushes, the
  // background colour) and restore it afterwards.
  //
  // Cone along y (Vertical: base at Bottom, tip at Top) or along x (base at
  // Left, tip at Right), its base an ellipse of half the extent across the
  // axis by half the depth. ConePercent: the tip's size in percent of the
  // base (0 means 10; 100 gives a cylinder).
  void Cone3D(bool vertical, int left, int top, int right, int bottom, int z0, int z1, bool dark3D,
              int conePercent);
  void Cylinder3D(bool vertical, int left, int top, int right, int bottom, int z0, int z1,
                  bool dark3D) {
    Cone3D(vertical, left, top, right, bottom, z0, z1, dark3D, 100);
  }
  // Pyramid with its apex at the middle of the Top end (vertical) or of the
  // Right end (horizontal), halfway through the depth.
  void Pyramid3D(bool vertical, int left, int top, int right, int bottom, int z0, int z1,
                 bool darkSides);
  // Truncated vertical pyramid: the base is Rect's bottom across StartZ..EndZ,
  // the top Rect's top shrunk by TruncX and TruncZ on each side.
  void Frustum3D(const TRect& rect, int startZ, int endZ, int truncX, int truncZ);
  // Pie slice between two depths; angles in radians, counter-clockwise.
  void PieSlice3D(int xCenter, int yCenter, int xRadius, int yRadius, double startAngle,
                  double endAngle, int z0, int z1, bool drawSides, bool dark3D);
  // Arrow from FromPoint to ToPoint at depth Z: one polygon when Filled,
  // else the shaft and the head's outline as one polyline.
  void Arrow3D(bool filled, const TPoint& fromPoint, const TPoint& toPoint, int headWidth,
               int headHeight, int z);
  // Clips to the projected outline of the box Rect x MinZ..MaxZ (only in
  // 3-D; removed with RemoveClip).
  void ClipToBox(const TRect& rect, int minZ, int maxZ);
  // A triangle whose corners have their own depths; Color fills it unless
  // the brush is clear.
  void TriangleFree3D(const TPoint3D (&points)[3], TColor color);
  // Shaded balls are not drawn by this surface.
  void BallShaded3D(int /*x*/, int /*y*/, int /*z*/, double /*radius*/) {}
  // Work buffer of the plane operations, and the polygon through it.
  TPoint Corners[4];
  void FillCorners() { ref_->Polygon(Corners); }

  // -- projection state
  bool OrthoMode = false;
  bool DepthMode = false;
  double PivotShift[3] = {0, 0, 0};
  int PivotX = 0, PivotY = 0, PivotZ = 0;
  int ScreenPivotX = 0, ScreenPivotY = 0;
  double SinElevation = 0;
  double kXx = 1, kXy = 0, kXz = 0, kYx = 0, kYy = 1, kYz = 0, kPx = 0, kPz = 0;
  double OrthoXSign = 1, OrthoYFactor = 1;
  double PerspectiveFactor = 0;
  double ZoomFactor = 1;
  bool ZoomText = true;
  TRect DrawBounds;
  TView3DOptions* ViewOptions = nullptr;

 private:
  void ComputeRotation();
  void FillPolygonNoPen(std::span<const TPoint> pts);
  // Draws one face of a convex solid whose inside holds the point Inside,
  // when the face turns towards the viewer; Darken > 0 darkens the brush
  // for it. Answers whether it was drawn.
  bool SolidFace(std::span<const TPoint3D> face, const double (&inside)[3], int darken);
  TCanvas* ref_ = nullptr;
  std::unique_ptr<TImage> bitmap_;
  bool buffered_ = true;
  bool monochrome_ = false;
  bool savedDepthMode_ = false;
  bool savedOrthoMode_ = false;
  int clipDepth_ = 0;
};

// Transparency of a shape: saves what is under Rect before the shape is
// drawn, then mixes it back by Transparency percent.
class TPlotBlend {
 public:
  TPlotBlend(TPlotCanvas3D& surface, const TRect& rect);
  bool Valid() const { return valid_; }
  void MixBack(int transparency);

 private:
  TPlotCanvas3D& surface_;
  TRect rect_;
  bool valid_ = false;
  TImage saved_;
};

// ---- colour helpers -----------------------------------------------------------

// Each of red, green and blue lowered by Amount (not below 0), after
// resolving system colours.
TColor DarkenColor(TColor color, int amount);
// The average of red, green and blue in all three channels.
TColor GrayOfColor(TColor color);

}  // namespace qv
