// The abstract canvas every subsystem draws through.
//
// A TCanvas is stateful like a Windows device context seen through the
// class library's canvas: it owns a Pen, a Brush and a Font (public members,
// set before drawing), a text colour, a background colour and mode, text
// alignment flags, a pen position, a clip region with a push/pop stack,
// a logical-to-device mapping, and an open path.
//
// Pixel conventions (kept by every implementation and pinned by tests):
// - Rectangle, Ellipse, RoundRect, FillRect and the bounding boxes of Arc,
//   Pie and Chord exclude the right and bottom edge: Rectangle(0,0,10,10)
//   covers pixels 0..9 with its frame.
// - LineTo excludes its last pixel: a line from (0,0) to (5,0) sets 0..4.
// - 1-pixel lines are not antialiased.
// - A negative font height is the character height; a positive one the
//   cell height.
// - Text alignment flags choose the reference point of text output
//   (left/centre/right by top/baseline/bottom); with an escapement the text
//   rotates around that point.
// - Polygons are filled with the even-odd rule.
// - Changing the brush sets the background as the class library's canvas
//   does: a solid brush makes the background opaque in the brush colour,
//   any other style transparent. Changing the font sets the text colour to
//   the font colour. SetBkColor/SetBkMode/SetTextColor change them directly.
// - While a path is open (BeginPath .. EndPath) the line, shape and text
//   operations add to the path instead of drawing.
//
// Coordinates are logical; the mapping (SetMapMode, window and viewport)
// turns them into device pixels. Clip regions (TRegion) are in device pixels,
// as in Windows; IntersectClipRect and ExcludeClipRect take logical values.
//
// Implementations: TQtCanvas (platform/gui: widgets, images, printers),
// TRecordingCanvas (tests), TWmfCanvas (metafile files).
#pragma once

#include <memory>
#include <span>
#include <string>
#include <vector>

#include "platform/core/Graphics.h"

namespace qv {

class TImage;

// A clip region: an ordered list of shapes, each combined with what came
// before by its mode. An empty list is the null region (no clipping when
// selected as clip; no pixels as a region). Device coordinates.
class TRegion {
 public:
  enum TShape : std::uint8_t { shRect, shPolygon, shEllipse, shRoundRect, shRegion };
  struct TPart {
    TRegionMode Mode = RGN_OR;
    TShape Shape = shRect;
    TRect Bounds;                               // rect, ellipse, round rect
    std::vector<std::vector<TPoint>> Polygons;  // polygon: one or more rings, even-odd
    int EllipseWidth = 0, EllipseHeight = 0;    // round rect corners
    std::shared_ptr<const TRegion> Sub;         // shRegion: a nested region
  };

  TRegion() = default;
  static TRegion FromRect(const TRect& r);
  static TRegion FromPolygon(std::span<const TPoint> pts);
  static TRegion FromPolygons(const std::vector<std::vector<TPoint>>& rings);
  static TRegion FromEllipse(const TRect& r);
  static TRegion FromRoundRect(const TRect& r, int ellipseWidth, int ellipseHeight);

  // this := this (mode) other; RGN_COPY replaces.
  void Combine(const TRegion& other, TRegionMode mode);
  void Offset(int dx, int dy);
  bool Empty() const { return parts_.empty(); }
  const std::vector<TPart>& Parts() const { return parts_; }
  // Whether pixel (x, y) (its centre) lies inside; for tests and hit tests.
  bool Contains(int x, int y) const;
  // A rectangle holding every pixel of the region (may be larger).
  TRect BoundingBox() const;
  friend bool operator==(const TRegion& a, const TRegion& b);

 private:
  std::vector<TPart> parts_;
};

class TCanvas {
 public:
  TCanvas();
  virtual ~TCanvas() = default;
  TCanvas(const TCanvas&) = delete;
  TCanvas& operator=(const TCanvas&) = delete;

  // Drawing state, set directly: canvas.Pen.SetColor(clRed).
  TPen Pen;
  TBrush Brush;
  TFont Font;

  TColor TextColor() const { return textColor_; }
  virtual void SetTextColor(TColor c) { textColor_ = c; }
  TColor BkColor() const { return bkColor_; }
  virtual void SetBkColor(TColor c) { bkColor_ = c; }
  int BkMode() const { return bkMode_; }  // TRANSPARENT or OPAQUE
  virtual void SetBkMode(int mode) { bkMode_ = mode; }
  unsigned TextAlign() const { return textAlign_; }
  virtual void SetTextAlign(unsigned flags) { textAlign_ = flags; }
  // Extra pixels after every character of text output.
  int TextCharacterExtra() const { return charExtra_; }
  virtual void SetTextCharacterExtra(int v) { charExtra_ = v; }
  TPoint PenPos() const { return penPos_; }

  // ---- lines and shapes ----
  virtual void MoveTo(int x, int y) { penPos_ = {x, y}; }
  virtual void LineTo(int x, int y) = 0;
  virtual void Polyline(std::span<const TPoint> pts) = 0;
  virtual void PolyBezier(std::span<const TPoint> pts) = 0;  // 1 + 3n points
  virtual void Polygon(std::span<const TPoint> pts) = 0;
  virtual void Rectangle(int x1, int y1, int x2, int y2) = 0;
  void Rectangle(const TRect& r) { Rectangle(r.Left, r.Top, r.Right, r.Bottom); }
  virtual void RoundRect(int x1, int y1, int x2, int y2, int ellipseW, int ellipseH) = 0;
  virtual void Ellipse(int x1, int y1, int x2, int y2) = 0;
  void Ellipse(const TRect& r) { Ellipse(r.Left, r.Top, r.Right, r.Bottom); }
  // Elliptic arc counter-clockwise from the ray to (x3,y3) to the ray to (x4,y4).
  virtual void Arc(int x1, int y1, int x2, int y2, int x3, int y3, int x4, int y4) = 0;
  virtual void Pie(int x1, int y1, int x2, int y2, int x3, int y3, int x4, int y4) = 0;
  virtual void Chord(int x1, int y1, int x2, int y2, int x3, int y3, int x4, int y4) = 0;
  // Fills with the brush; no outline.
  virtual void FillRect(const TRect& r) = 0;
  // A one-pixel frame in the brush colour.
  virtual void FrameRect(const TRect& r);
  // The dotted focus frame, drawn with XOR (a second call removes it).
  virtual void DrawFocusRect(const TRect& r) = 0;
  virtual void SetPixel(int x, int y, TColor c) = 0;
  // clNone when the target cannot be read back.
  virtual TColor GetPixel(int /*x*/, int /*y*/) { return clNone; }
  // Raised, sunken, etched or bump edges (BDR_*/EDGE_*) on the sides in
  // flags (BF_*), in the button colours; BF_MIDDLE fills the inside with
  // clBtnFace, BF_ADJUST shrinks r by the edge drawn. Drawn through FillRect.
  void DrawEdge(TRect& r, unsigned edge, unsigned flags);

  // ---- text (UTF-8) ----
  virtual void TextOut(int x, int y, const std::string& text) = 0;
  // dx: one advance per character (code point), or null for the font's own.
  // rect: with ETO_OPAQUE filled with the background colour first, with
  // ETO_CLIPPED clipping the text; null for neither.
  virtual void ExtTextOut(int x, int y, unsigned options, const TRect* rect,
                          const std::string& text, const int* dx) = 0;
  // Text clipped to r, at (x, y); opaque when the brush is solid.
  virtual void TextRect(const TRect& r, int x, int y, const std::string& text);
  virtual TSize TextExtent(const std::string& text);
  int TextWidth(const std::string& text) { return TextExtent(text).cx; }
  int TextHeight(const std::string& text) { return TextExtent(text).cy; }
  virtual TTextMetric GetTextMetrics();
  virtual bool GetCharABCWidths(char32_t ch, TABC& abc);
  // The service measuring this canvas's fonts.
  virtual TFontService& Fonts() { return FontService(); }

  // ---- images ----
  virtual void Draw(int x, int y, const TImage& image) = 0;
  virtual void StretchDraw(const TRect& r, const TImage& image) = 0;

  // ---- paths ----
  virtual void BeginPath() = 0;
  virtual void EndPath() = 0;
  virtual void AbortPath() = 0;
  virtual void CloseFigure() = 0;
  virtual void StrokePath() = 0;
  virtual void FillPath() = 0;
  virtual void StrokeAndFillPath() = 0;
  // Replaces the path by the area the current pen would paint along it.
  virtual void WidenPath() = 0;
  // Combines the path with the clip region and discards the path.
  virtual void SelectClipPath(TRegionMode mode) = 0;

  // ---- clipping ----
  virtual void IntersectClipRect(const TRect& r) = 0;
  virtual void ExcludeClipRect(const TRect& r) = 0;
  // Null region with RGN_COPY removes clipping.
  virtual void SelectClipRegion(const TRegion& rgn, TRegionMode mode = RGN_COPY) = 0;
  // False when there is no clip region.
  virtual bool GetClipRegion(TRegion& rgn) const = 0;
  // The bounding box of what can be drawn, logical coordinates.
  virtual TRect ClipBox() const = 0;
  // A clip stack: PopClip restores the clip region that PushClip saved.
  virtual void PushClip();
  virtual void PopClip();

  // Saves pen, brush, font, colours, alignment, pen position, mapping and
  // clip; RestoreDC(-1) restores the last save, RestoreDC(n) the n-th.
  virtual int SaveDC();
  virtual void RestoreDC(int saved);

  // ---- mapping ----
  TMapMode MapMode() const { return mapMode_; }
  virtual void SetMapMode(TMapMode m);
  virtual void SetWindowOrg(int x, int y);
  virtual void SetWindowExt(int cx, int cy);
  virtual void SetViewportOrg(int x, int y);
  virtual void SetViewportExt(int cx, int cy);
  TPoint WindowOrg() const { return winOrg_; }
  TSize WindowExt() const { return winExt_; }
  TPoint ViewportOrg() const { return vpOrg_; }
  TSize ViewportExt() const { return vpExt_; }
  TPoint LPtoDP(TPoint p) const;
  TPoint DPtoLP(TPoint p) const;
  TRect LPtoDP(const TRect& r) const;
  bool IdentityMapping() const;

  // Device resolution (96 for screens and images).
  virtual int PixelsPerInchX() const { return ScreenPixelsPerInch; }
  virtual int PixelsPerInchY() const { return ScreenPixelsPerInch; }

 protected:
  // Implementations react to state changes lazily through these flags.
  bool penChanged_ = true;
  bool brushChanged_ = true;
  bool fontChanged_ = true;
  bool mappingChanged_ = true;
  virtual void MappingChanged() { mappingChanged_ = true; }
  void SetPenPos(TPoint p) { penPos_ = p; }
  // Saved clips of PushClip: (had clip, region).
  struct TSavedClip {
    bool Had;
    TRegion Rgn;
  };
  std::vector<TSavedClip> clipStack_;

 private:
  struct TSavedState;
  TColor textColor_ = clBlack;
  TColor bkColor_ = clWhite;
  int bkMode_ = OPAQUE;
  unsigned textAlign_ = TA_LEFT | TA_TOP;
  int charExtra_ = 0;
  TPoint penPos_;
  TMapMode mapMode_ = MM_TEXT;
  TPoint winOrg_, vpOrg_;
  TSize winExt_{1, 1}, vpExt_{1, 1};
  std::vector<std::shared_ptr<TSavedState>> saved_;
};

}  // namespace qv
