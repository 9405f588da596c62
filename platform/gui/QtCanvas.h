// The QPainter canvas: TCanvas on a widget, a QImage (and so a TImage) or a
// printer, keeping the Windows drawing conventions listed in Canvas.h.
//
// Shapes and 1-pixel lines are drawn aliased; text is antialiased unless the
// font asks otherwise. Pen modes other than copy use raster operations,
// which Qt supports on image targets (widgets paint into raster backing
// stores under the usual platforms). Fonts resolve through
// ResolveFontFamily and are cached process-wide.
#pragma once

#include <QFont>
#include <QFontMetrics>
#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <QRawFont>
#include <QRegion>

#include "platform/core/Canvas.h"
#include "platform/core/Image.h"

namespace qv {

// A realised font: the QFont and its measures, shared by canvases and the
// font service. Entries live until program end.
struct TQtFontEntry {
  QFont Font;
  QFontMetrics Metrics;
  QRawFont Raw;
  TTextMetric TM;
  explicit TQtFontEntry(const QFont& f);
};
const TQtFontEntry& QtFont(const TFont& font);
QFont ToQFont(const TFont& font);
QColor ToQColor(TColor c);
QRegion ToQRegion(const TRegion& rgn);

class TQtFontService : public TFontService {
 public:
  TTextMetric GetTextMetrics(const TFont& font) override;
  TSize TextExtent(const TFont& font, const std::string& text) override;
  bool GetCharABCWidths(const TFont& font, char32_t ch, TABC& abc) override;
  bool IsFixedPitch(const TFont& font) override;
  std::string ResolvedFamily(const TFont& font) override;
};

class TQtCanvas : public TCanvas {
 public:
  // Draws with an active painter owned by the caller (paint events,
  // printers). readable: the image behind the painter, for GetPixel, or null.
  TQtCanvas(QPainter& painter, const QRect& deviceBounds, QImage* readable = nullptr, int dpiX = 96,
            int dpiY = 96);
  // Draws on an image, owning its painter.
  explicit TQtCanvas(QImage& image);
  ~TQtCanvas() override;

  QPainter& Painter() { return *p_; }
  // Ends the owned painter early (the canvas must not be used afterwards).
  void End();

  void MoveTo(int x, int y) override;
  void LineTo(int x, int y) override;
  void Polyline(std::span<const TPoint> pts) override;
  void PolyBezier(std::span<const TPoint> pts) override;
  void Polygon(std::span<const TPoint> pts) override;
  void Rectangle(int x1, int y1, int x2, int y2) override;
  using TCanvas::Rectangle;
  void RoundRect(int x1, int y1, int x2, int y2, int w, int h) override;
  void Ellipse(int x1, int y1, int x2, int y2) override;
  using TCanvas::Ellipse;
  void Arc(int x1, int y1, int x2, int y2, int x3, int y3, int x4, int y4) override;
  void Pie(int x1, int y1, int x2, int y2, int x3, int y3, int x4, int y4) override;
  void Chord(int x1, int y1, int x2, int y2, int x3, int y3, int x4, int y4) override;
  void FillRect(const TRect& r) override;
  void FrameRect(const TRect& r) override;
  void DrawFocusRect(const TRect& r) override;
  void SetPixel(int x, int y, TColor c) override;
  TColor GetPixel(int x, int y) override;
  void TextOut(int x, int y, const std::string& text) override;
  void ExtTextOut(int x, int y, unsigned options, const TRect* rect, const std::string& text,
                  const int* dx) override;
  TSize TextExtent(const std::string& text) override;
  TTextMetric GetTextMetrics() override;
  TFontService& Fonts() override;
  void Draw(int x, int y, const TImage& image) override;
  void StretchDraw(const TRect& r, const TImage& image) override;
  void BeginPath() override;
  void EndPath() override;
  void AbortPath() override;
  void CloseFigure() override;
  void StrokePath() override;
  void FillPath() override;
  void StrokeAndFillPath() override;
  void WidenPath() override;
  void SelectClipPath(TRegionMode mode) override;
  void IntersectClipRect(const TRect& r) override;
  void ExcludeClipRect(const TRect& r) override;
  void SelectClipRegion(const TRegion& rgn, TRegionMode mode = RGN_COPY) override;
  bool GetClipRegion(TRegion& rgn) const override;
  TRect ClipBox() const override;
  void PushClip() override;
  void PopClip() override;
  int PixelsPerInchX() const override { return dpiX_; }
  int PixelsPerInchY() const override { return dpiY_; }

 protected:
  void MappingChanged() override;

 private:
  enum TUse { uPen = 1, uBrush = 2 };
  void Init();
  void Prepare(unsigned use);
  void ApplyRop();
  bool PenVisible() const;
  void CombineClip(const QRegion& r, TRegionMode mode);
  void ApplyClip();
  QRectF ShapeRect(int x1, int y1, int x2, int y2) const;
  // A filled and outlined shape in the rectangle: added to the open path,
  // else drawn (nothing for a negative width or height). AddTo(path, rect)
  // and Draw(painter, rect) give the shape.
  template <class TAddTo, class TDraw>
  void RectShape(int x1, int y1, int x2, int y2, TAddTo AddTo, TDraw Draw);
  void ArcAngles(int x1, int y1, int x2, int y2, int x3, int y3, int x4, int y4, double& start,
                 double& span) const;
  void DrawText(int x, int y, unsigned options, const TRect* rect, const std::u32string& text,
                const int* dx);
  QImage Wrap(const TImage& image) const;

  std::unique_ptr<QPainter> owned_;
  QPainter* p_;
  QImage* image_ = nullptr;
  QRect device_;
  int dpiX_ = 96, dpiY_ = 96;
  QPen qpen_;
  QBrush qbrush_;
  bool penSet_ = false;    // the painter holds qpen_ (else no pen)
  bool brushSet_ = false;  // the painter holds qbrush_ (else no brush)
  int rop_ = -1;
  bool hasClip_ = false;
  QRegion clip_;
  std::vector<std::pair<bool, QRegion>> qclipStack_;
  bool inPath_ = false;
  QPainterPath path_;
};

// Installs the Qt font service and the image canvas factory (creating a
// QApplication when none exists). Idempotent.
void InstallQtGraphics();

}  // namespace qv
