#include "platform/gui/QtCanvas.h"

#include <QApplication>
#include <QFontInfo>
#include <QGlyphRun>
#include <QPainterPathStroker>
#include <QTransform>
#include <cmath>
#include <unordered_map>

namespace qv {

// ---- fonts ---------------------------------------------------------------

QColor ToQColor(TColor c) {
  c = ColorToRGB(c);
  return QColor(int(c & 0xFF), int((c >> 8) & 0xFF), int((c >> 16) & 0xFF));
}

QFont ToQFont(const TFont& font) {
  QFont f(QString::fromStdString(ResolveFontFamily(font.Name())));
  f.setKerning(false);
  f.setBold(font.Style().Contains(fsBold));
  f.setItalic(font.Style().Contains(fsItalic));
  f.setUnderline(font.Style().Contains(fsUnderline));
  f.setStrikeOut(font.Style().Contains(fsStrikeOut));
  if (font.Quality() == fqNonAntialiased) f.setStyleStrategy(QFont::NoAntialias);
  if (font.Pitch() == fpFixed) f.setFixedPitch(true);
  int h = font.Height();
  if (h == 0) h = TFont::DefaultHeight;
  if (h < 0) {
    f.setPixelSize(-h);  // character height
  } else {
    // Cell height: scale the em size so that ascent + descent is h.
    f.setPixelSize(h);
    QFontMetrics m(f);
    int cell = m.ascent() + m.descent();
    if (cell > 0 && cell != h) f.setPixelSize(std::max(1, int(std::lround(double(h) * h / cell))));
  }
  return f;
}

TQtFontEntry::TQtFontEntry(const QFont& f) : Font(f), Metrics(f), Raw(QRawFont::fromFont(f)) {
  TM.tmAscent = Metrics.ascent();
  TM.tmDescent = Metrics.descent();
  TM.tmHeight = TM.tmAscent + TM.tmDescent;
  TM.tmInternalLeading = std::max(0, TM.tmHeight - f.pixelSize());
  TM.tmExternalLeading = std::max(0, Metrics.leading());
  TM.tmAveCharWidth = Metrics.averageCharWidth();
  TM.tmMaxCharWidth = Metrics.maxWidth();
  TM.tmWeight = f.bold() ? 700 : 400;
  TM.tmItalic = f.italic();
  TM.tmUnderlined = f.underline();
  TM.tmStruckOut = f.strikeOut();
  TM.tmFixedPitch = QFontInfo(f).fixedPitch();
}

const TQtFontEntry& QtFont(const TFont& font) {
  static std::unordered_map<std::string, std::unique_ptr<TQtFontEntry>> cache;
  std::string key = font.Name();
  key += '|';
  key += std::to_string(font.Height());
  key += '|';
  key += char('a' + font.Style().Bits());
  key += char('a' + font.Quality());
  key += char('a' + font.Pitch());
  auto it = cache.find(key);
  if (it != cache.end()) return *it->second;
  auto e = std::make_unique<TQtFontEntry>(ToQFont(font));
  e->TM.tmCharSet = font.Charset();
  return *cache.emplace(key, std::move(e)).first->second;
}

TTextMetric TQtFontService::GetTextMetrics(const TFont& font) { return QtFont(font).TM; }

TSize TQtFontService::TextExtent(const TFont& font, const std::string& text) {
  const TQtFontEntry& e = QtFont(font);
  return {e.Metrics.horizontalAdvance(QString::fromStdString(text)), e.TM.tmHeight};
}

bool TQtFontService::GetCharABCWidths(const TFont& font, char32_t ch, TABC& abc) {
  const TQtFontEntry& e = QtFont(font);
  if (!e.Metrics.inFontUcs4(uint(ch))) return false;
  QString s = QString::fromUcs4(&ch, 1);
  int adv = e.Metrics.horizontalAdvance(s);
  abc.abcA = e.Metrics.leftBearing(s.at(0));
  abc.abcC = e.Metrics.rightBearing(s.at(0));
  abc.abcB = adv - abc.abcA - abc.abcC;
  return true;
}

bool TQtFontService::IsFixedPitch(const TFont& font) { return QtFont(font).TM.tmFixedPitch; }

std::string TQtFontService::ResolvedFamily(const TFont& font) {
  return QFontInfo(QtFont(font).Font).family().toStdString();
}

// ---- regions -------------------------------------------------------------

QRegion ToQRegion(const TRegion& rgn) {
  QRegion out;
  for (const TRegion::TPart& p : rgn.Parts()) {
    QRegion r;
    QRect b(p.Bounds.Left, p.Bounds.Top, p.Bounds.Width(), p.Bounds.Height());
    switch (p.Shape) {
      case TRegion::shRect:
        r = QRegion(b);
        break;
      case TRegion::shEllipse:
        r = QRegion(b, QRegion::Ellipse);
        break;
      case TRegion::shRoundRect: {
        QPainterPath path;
        path.addRoundedRect(QRectF(b), p.EllipseWidth / 2.0, p.EllipseHeight / 2.0);
        r = QRegion(path.toFillPolygon().toPolygon());
        break;
      }
      case TRegion::shPolygon:
        for (const auto& ring : p.Polygons) {
          QPolygon poly;
          for (const TPoint& q : ring) poly << QPoint(q.X, q.Y);
          r = r.xored(QRegion(poly, Qt::OddEvenFill));
        }
        break;
      case TRegion::shRegion:
        if (p.Sub) r = ToQRegion(*p.Sub);
        break;
    }
    switch (p.Mode) {
      case RGN_AND:
        out = out.intersected(r);
        break;
      case RGN_OR:
        out = out.united(r);
        break;
      case RGN_XOR:
        out = out.xored(r);
        break;
      case RGN_DIFF:
        out = out.subtracted(r);
        break;
      case RGN_COPY:
        out = r;
        break;
    }
  }
  return out;
}

// ---- canvas --------------------------------------------------------------

TQtCanvas::TQtCanvas(QPainter& painter, const QRect& deviceBounds, QImage* readable, int dpiX,
                     int dpiY)
    : p_(&painter), image_(readable), device_(deviceBounds), dpiX_(dpiX), dpiY_(dpiY) {
  p_->save();
  Init();
}

TQtCanvas::TQtCanvas(QImage& image)
    : owned_(std::make_unique<QPainter>(&image)),
      p_(owned_.get()),
      image_(&image),
      device_(image.rect()) {
  p_->save();
  Init();
}

TQtCanvas::~TQtCanvas() { End(); }

void TQtCanvas::End() {
  if (!p_) return;
  if (p_->isActive()) p_->restore();
  if (owned_) owned_->end();
  owned_.reset();
  p_ = nullptr;
}

void TQtCanvas::Init() {
  p_->setRenderHint(QPainter::Antialiasing, false);
  p_->setRenderHint(QPainter::TextAntialiasing, true);
  p_->setRenderHint(QPainter::SmoothPixmapTransform, false);
  p_->setClipping(false);
  p_->resetTransform();
  p_->setCompositionMode(QPainter::CompositionMode_SourceOver);
  rop_ = pmCopy;
}

bool TQtCanvas::PenVisible() const { return Pen.Style() != psClear && Pen.Color() != clNone; }

void TQtCanvas::ApplyRop() {
  int mode = Pen.Mode();
  if (mode == rop_) return;
  QPainter::CompositionMode cm = QPainter::CompositionMode_SourceOver;
  switch (Pen.Mode()) {
    case pmXor:
      cm = QPainter::RasterOp_SourceXorDestination;
      break;
    case pmNotXor:
      cm = QPainter::RasterOp_NotSourceXorDestination;
      break;
    case pmNot:
      cm = QPainter::RasterOp_NotDestination;
      break;
    case pmNotCopy:
      cm = QPainter::RasterOp_NotSource;
      break;
    case pmMask:
      cm = QPainter::RasterOp_SourceAndDestination;
      break;
    case pmMerge:
      cm = QPainter::RasterOp_SourceOrDestination;
      break;
    case pmNotMask:
      cm = QPainter::RasterOp_NotSourceOrNotDestination;
      break;
    case pmNotMerge:
      cm = QPainter::RasterOp_NotSourceAndNotDestination;
      break;
    case pmMaskPenNot:
      cm = QPainter::RasterOp_SourceAndNotDestination;
      break;
    case pmMaskNotPen:
      cm = QPainter::RasterOp_NotSourceAndDestination;
      break;
    case pmMergePenNot:
      cm = QPainter::RasterOp_SourceOrNotDestination;
      break;
    case pmMergeNotPen:
      cm = QPainter::RasterOp_NotSourceOrDestination;
      break;
    case pmBlack:
      cm = QPainter::RasterOp_ClearDestination;
      break;
    case pmWhite:
      cm = QPainter::RasterOp_SetDestination;
      break;
    case pmNop:
      cm = QPainter::CompositionMode_Destination;
      break;
    default:
      break;
  }
  p_->setCompositionMode(cm);
  rop_ = mode;
}

void TQtCanvas::Prepare(unsigned use) {
  if (penChanged_) {
    penChanged_ = false;
    penSet_ = false;
    qpen_ = QPen(ToQColor(Pen.Color()));
    int w = Pen.Width();
    bool cosmetic = w <= 1;
    qpen_.setWidth(std::max(1, w));
    qpen_.setCosmetic(cosmetic);
    static const Qt::PenCapStyle caps[3] = {Qt::RoundCap, Qt::SquareCap, Qt::FlatCap};
    static const Qt::PenJoinStyle joins[3] = {Qt::RoundJoin, Qt::BevelJoin, Qt::MiterJoin};
    // Thin lines include both ends here; LineTo and Polyline shorten the
    // last segment by its final pixel.
    qpen_.setCapStyle(cosmetic ? Qt::SquareCap : caps[Pen.EndCap()]);
    qpen_.setJoinStyle(cosmetic ? Qt::MiterJoin : joins[Pen.Join()]);
    switch (Pen.Style()) {
      case psDash:
        qpen_.setDashPattern(cosmetic ? QList<qreal>{18, 6} : QList<qreal>{3, 1});
        break;
      case psDot:
        qpen_.setDashPattern(cosmetic ? QList<qreal>{3, 3} : QList<qreal>{1, 1});
        break;
      case psDashDot:
        qpen_.setDashPattern(cosmetic ? QList<qreal>{9, 6, 3, 6} : QList<qreal>{3, 1, 1, 1});
        break;
      case psDashDotDot:
        qpen_.setDashPattern(cosmetic ? QList<qreal>{9, 3, 3, 3, 3, 3}
                                      : QList<qreal>{3, 1, 1, 1, 1, 1});
        break;
      default:
        break;
    }
  }
  if (brushChanged_) {
    brushChanged_ = false;
    brushSet_ = false;
    if (Brush.Bitmap() && !Brush.Bitmap()->Empty()) {
      qbrush_ = QBrush(Wrap(*Brush.Bitmap()).copy());
    } else {
      static const Qt::BrushStyle styles[8] = {
          Qt::SolidPattern, Qt::NoBrush,      Qt::HorPattern,   Qt::VerPattern,
          Qt::FDiagPattern, Qt::BDiagPattern, Qt::CrossPattern, Qt::DiagCrossPattern};
      qbrush_ = QBrush(ToQColor(Brush.Color()), styles[Brush.Style() & 7]);
      if (Brush.Color() == clNone) qbrush_ = QBrush();
    }
  }
  if (use & uPen) {
    if (PenVisible()) {
      if (!penSet_) p_->setPen(qpen_);
      penSet_ = true;
    } else {
      p_->setPen(Qt::NoPen);
      penSet_ = false;
    }
  } else {
    p_->setPen(Qt::NoPen);
    penSet_ = false;
  }
  if (use & uBrush) {
    if (!brushSet_) p_->setBrush(qbrush_);
    brushSet_ = true;
  } else {
    p_->setBrush(Qt::NoBrush);
    brushSet_ = false;
  }
  if ((use & uBrush && qbrush_.style() > Qt::SolidPattern) ||
      (use & uPen && Pen.Style() != psSolid)) {
    p_->setBackgroundMode(BkMode() == OPAQUE ? Qt::OpaqueMode : Qt::TransparentMode);
    p_->setBackground(ToQColor(BkColor()));
  }
  ApplyRop();
}

QRectF TQtCanvas::ShapeRect(int x1, int y1, int x2, int y2) const {
  int l = std::min(x1, x2), r = std::max(x1, x2), t = std::min(y1, y2), b = std::max(y1, y2);
  QRectF rc(l, t, r - l - 1, b - t - 1);
  if (Pen.Style() == psInsideFrame && Pen.Width() > 1) {
    double d = (Pen.Width() - 1) / 2.0;
    rc.adjust(d, d, -d, -d);
  }
  return rc;
}

namespace {

// The end point of a thin line one pixel short of b, along the major axis.
QPoint LastPixelExcluded(QPoint a, QPoint b) {
  int dx = b.x() - a.x(), dy = b.y() - a.y();
  if (std::abs(dx) >= std::abs(dy)) {
    int ex = b.x() - (dx > 0 ? 1 : -1);
    int ey = a.y() + int(std::lround(double(ex - a.x()) * dy / dx));
    return QPoint(ex, ey);
  }
  int ey = b.y() - (dy > 0 ? 1 : -1);
  int ex = a.x() + int(std::lround(double(ey - a.y()) * dx / dy));
  return QPoint(ex, ey);
}

}  // namespace

void TQtCanvas::MoveTo(int x, int y) {
  TCanvas::MoveTo(x, y);
  if (inPath_) path_.moveTo(x, y);
}

void TQtCanvas::LineTo(int x, int y) {
  TPoint from = PenPos();
  SetPenPos({x, y});
  if (inPath_) {
    if (path_.elementCount() == 0) path_.moveTo(from.X, from.Y);
    path_.lineTo(x, y);
    return;
  }
  if (from == TPoint(x, y)) return;
  Prepare(uPen);
  if (!penSet_) return;
  if (qpen_.isCosmetic()) {
    QPoint end = LastPixelExcluded(QPoint(from.X, from.Y), QPoint(x, y));
    if (end == QPoint(from.X, from.Y))
      p_->drawPoint(end);
    else
      p_->drawLine(QPoint(from.X, from.Y), end);
  } else {
    p_->drawLine(QPoint(from.X, from.Y), QPoint(x, y));
  }
}

void TQtCanvas::Polyline(std::span<const TPoint> pts) {
  if (pts.size() < 2) return;
  if (inPath_) {
    path_.moveTo(pts[0].X, pts[0].Y);
    for (std::size_t i = 1; i < pts.size(); ++i) path_.lineTo(pts[i].X, pts[i].Y);
    return;
  }
  Prepare(uPen);
  if (!penSet_) return;
  QVarLengthArray<QPoint, 64> q(qsizetype(pts.size()));
  for (std::size_t i = 0; i < pts.size(); ++i) q[qsizetype(i)] = QPoint(pts[i].X, pts[i].Y);
  if (qpen_.isCosmetic()) {
    qsizetype n = q.size();
    if (q[n - 1] == q[n - 2]) return;
    q[n - 1] = LastPixelExcluded(q[n - 2], q[n - 1]);
    if (n == 2 && q[0] == q[1]) {
      p_->drawPoint(q[0]);
      return;
    }
  }
  p_->drawPolyline(q.data(), int(q.size()));
}

void TQtCanvas::PolyBezier(std::span<const TPoint> pts) {
  if (pts.size() < 4) return;
  QPainterPath path;
  path.moveTo(pts[0].X, pts[0].Y);
  for (std::size_t i = 1; i + 2 < pts.size(); i += 3)
    path.cubicTo(pts[i].X, pts[i].Y, pts[i + 1].X, pts[i + 1].Y, pts[i + 2].X, pts[i + 2].Y);
  if (inPath_) {
    path_.addPath(path);
    return;
  }
  Prepare(uPen);
  if (penSet_) p_->drawPath(path);
}

void TQtCanvas::Polygon(std::span<const TPoint> pts) {
  if (pts.size() < 2) return;
  QVarLengthArray<QPoint, 64> q(qsizetype(pts.size()));
  for (std::size_t i = 0; i < pts.size(); ++i) q[qsizetype(i)] = QPoint(pts[i].X, pts[i].Y);
  if (inPath_) {
    path_.addPolygon(QPolygonF(QPolygon(QList<QPoint>(q.begin(), q.end()))));
    path_.closeSubpath();
    return;
  }
  Prepare(uPen | uBrush);
  p_->drawPolygon(q.data(), int(q.size()), Qt::OddEvenFill);
}

template <class TAddTo, class TDraw>
void TQtCanvas::RectShape(int x1, int y1, int x2, int y2, TAddTo AddTo, TDraw Draw) {
  QRectF rc = ShapeRect(x1, y1, x2, y2);
  if (inPath_) {
    AddTo(path_, rc);
    return;
  }
  if (rc.width() < 0 || rc.height() < 0) return;
  Prepare(uPen | uBrush);
  Draw(*p_, rc);
}

void TQtCanvas::Rectangle(int x1, int y1, int x2, int y2) {
  RectShape(
      x1, y1, x2, y2, [](QPainterPath& path, const QRectF& rc) { path.addRect(rc); },
      [](QPainter& p, const QRectF& rc) { p.drawRect(rc); });
}

namespace {

// The outline of a rounded rectangle as a polygon whose points mirror each
// other about the centre, so the four corners come out alike. (Qt's aliased
// rounded-rect path renders the right and bottom corners one pixel wider
// than the left and top ones, and its fill then leaks past the outline.)
QPolygonF RoundRectPolygon(const QRectF& rc, double rx, double ry) {
  rx = std::min(rx, rc.width() / 2.0);
  ry = std::min(ry, rc.height() / 2.0);
  const int n = std::max(2, int(std::ceil((rx + ry) / 2.0)));  // steps per corner
  // Offsets of the top-left corner from the box's top-left, (0, ry) to (rx, 0).
  std::vector<QPointF> corner;
  for (int i = 0; i <= n; ++i) {
    const double phi = M_PI / 2.0 * i / n;
    QPointF o(std::round(rx - rx * std::cos(phi)), std::round(ry - ry * std::sin(phi)));
    if (corner.empty() || corner.back() != o) corner.push_back(o);
  }
  const double l = rc.left(), t = rc.top(), r = rc.left() + rc.width(), b = rc.top() + rc.height();
  QPolygonF poly;
  for (auto it = corner.begin(); it != corner.end(); ++it)
    poly << QPointF(l + it->x(), t + it->y());
  for (auto it = corner.rbegin(); it != corner.rend(); ++it)
    poly << QPointF(r - it->x(), t + it->y());
  for (auto it = corner.begin(); it != corner.end(); ++it)
    poly << QPointF(r - it->x(), b - it->y());
  for (auto it = corner.rbegin(); it != corner.rend(); ++it)
    poly << QPointF(l + it->x(), b - it->y());
  return poly;
}

}  // namespace

void TQtCanvas::RoundRect(int x1, int y1, int x2, int y2, int w, int h) {
  const double rx = std::abs(w) / 2.0, ry = std::abs(h) / 2.0;
  if (rx < 1 || ry < 1) {
    Rectangle(x1, y1, x2, y2);
    return;
  }
  RectShape(
      x1, y1, x2, y2,
      [&](QPainterPath& path, const QRectF& rc) {
        path.addPolygon(RoundRectPolygon(rc, rx, ry));
        path.closeSubpath();
      },
      [&](QPainter& p, const QRectF& rc) {
        p.drawPolygon(RoundRectPolygon(rc, rx, ry), Qt::OddEvenFill);
      });
}

void TQtCanvas::Ellipse(int x1, int y1, int x2, int y2) {
  RectShape(
      x1, y1, x2, y2, [](QPainterPath& path, const QRectF& rc) { path.addEllipse(rc); },
      [](QPainter& p, const QRectF& rc) { p.drawEllipse(rc); });
}

// Start angle and counter-clockwise span (degrees, Qt's parametric angles)
// of an arc whose ends lie on the rays from the centre to (x3,y3), (x4,y4).
void TQtCanvas::ArcAngles(int x1, int y1, int x2, int y2, int x3, int y3, int x4, int y4,
                          double& start, double& span) const {
  double cx = (x1 + x2) / 2.0, cy = (y1 + y2) / 2.0;
  double rx = std::max(0.5, std::abs(x2 - x1) / 2.0), ry = std::max(0.5, std::abs(y2 - y1) / 2.0);
  auto param = [&](double px, double py) {
    double a = std::atan2(-(py - cy), px - cx);
    return std::atan2(std::sin(a) / ry, std::cos(a) / rx) * 180.0 / M_PI;
  };
  start = param(x3, y3);
  double end = param(x4, y4);
  span = end - start;
  while (span <= 0) span += 360.0;
  while (span > 360.0) span -= 360.0;
}

void TQtCanvas::Arc(int x1, int y1, int x2, int y2, int x3, int y3, int x4, int y4) {
  double a, s;
  ArcAngles(x1, y1, x2, y2, x3, y3, x4, y4, a, s);
  QRectF rc = ShapeRect(x1, y1, x2, y2);
  if (inPath_) {
    path_.arcMoveTo(rc, a);
    path_.arcTo(rc, a, s);
    return;
  }
  Prepare(uPen);
  if (penSet_) p_->drawArc(rc, int(std::lround(a * 16)), int(std::lround(s * 16)));
}

void TQtCanvas::Pie(int x1, int y1, int x2, int y2, int x3, int y3, int x4, int y4) {
  double a, s;
  ArcAngles(x1, y1, x2, y2, x3, y3, x4, y4, a, s);
  QRectF rc = ShapeRect(x1, y1, x2, y2);
  if (inPath_) {
    path_.moveTo(rc.center());
    path_.arcTo(rc, a, s);
    path_.closeSubpath();
    return;
  }
  Prepare(uPen | uBrush);
  p_->drawPie(rc, int(std::lround(a * 16)), int(std::lround(s * 16)));
}

void TQtCanvas::Chord(int x1, int y1, int x2, int y2, int x3, int y3, int x4, int y4) {
  double a, s;
  ArcAngles(x1, y1, x2, y2, x3, y3, x4, y4, a, s);
  QRectF rc = ShapeRect(x1, y1, x2, y2);
  if (inPath_) {
    path_.arcMoveTo(rc, a);
    path_.arcTo(rc, a, s);
    path_.closeSubpath();
    return;
  }
  Prepare(uPen | uBrush);
  p_->drawChord(rc, int(std::lround(a * 16)), int(std::lround(s * 16)));
}

void TQtCanvas::FillRect(const TRect& r) {
  if (r.Right <= r.Left || r.Bottom <= r.Top) return;
  Prepare(0);
  if (qbrush_.style() == Qt::NoBrush) return;
  p_->fillRect(QRect(r.Left, r.Top, r.Width(), r.Height()), qbrush_);
}

void TQtCanvas::FrameRect(const TRect& r) { TCanvas::FrameRect(r); }

void TQtCanvas::DrawFocusRect(const TRect& r) {
  if (r.IsEmpty()) return;
  Prepare(0);
  p_->save();
  p_->setCompositionMode(QPainter::RasterOp_SourceXorDestination);
  QPen pen(Qt::white);
  pen.setCosmetic(true);
  pen.setWidth(1);
  pen.setDashPattern({1, 1});
  pen.setCapStyle(Qt::FlatCap);
  p_->setPen(pen);
  p_->setBrush(Qt::NoBrush);
  p_->drawRect(QRectF(r.Left, r.Top, r.Width() - 1, r.Height() - 1));
  p_->restore();
  penSet_ = brushSet_ = false;
}

void TQtCanvas::SetPixel(int x, int y, TColor c) {
  if (rop_ != pmCopy) {
    p_->setCompositionMode(QPainter::CompositionMode_SourceOver);
    rop_ = pmCopy;
  }
  p_->fillRect(QRect(x, y, 1, 1), ToQColor(c));
}

TColor TQtCanvas::GetPixel(int x, int y) {
  if (!image_) return clNone;
  TPoint d = LPtoDP(TPoint(x, y));
  if (!image_->rect().contains(d.X, d.Y)) return clNone;
  return TImage::FromPixel(image_->pixel(d.X, d.Y));
}

TFontService& TQtCanvas::Fonts() {
  static TQtFontService service;
  return service;
}

TSize TQtCanvas::TextExtent(const std::string& text) {
  const TQtFontEntry& e = QtFont(Font);
  QString s = QString::fromStdString(text);
  const int extra = TextCharacterExtra();
  if (extra == 0) return {e.Metrics.horizontalAdvance(s), e.TM.tmHeight};
  // With extra spacing text is laid out glyph by glyph at whole-pixel
  // advances (DrawText); measure it the same way.
  double w = 0;
  for (const QPointF& a : e.Raw.advancesForGlyphIndexes(e.Raw.glyphIndexesForString(s)))
    w += std::round(a.x()) + extra;
  return {int(std::lround(w)), e.TM.tmHeight};
}

TTextMetric TQtCanvas::GetTextMetrics() { return QtFont(Font).TM; }

void TQtCanvas::TextOut(int x, int y, const std::string& text) {
  DrawText(x, y, 0, nullptr, Utf8ToUtf32(text), nullptr);
}

void TQtCanvas::ExtTextOut(int x, int y, unsigned options, const TRect* rect,
                           const std::string& text, const int* dx) {
  DrawText(x, y, options, rect, Utf8ToUtf32(text), dx);
}

void TQtCanvas::DrawText(int x, int y, unsigned options, const TRect* rect,
                         const std::u32string& text, const int* dx) {
  const TQtFontEntry& e = QtFont(Font);
  const unsigned align = TextAlign();
  if (align & TA_UPDATECP) {
    x = PenPos().X;
    y = PenPos().Y;
  }
  QString s = QString::fromUcs4(text.data(), qsizetype(text.size()));
  const int extra = TextCharacterExtra();
  const bool glyphs = dx != nullptr || extra != 0;
  QList<quint32> indexes;
  QList<QPointF> positions;
  int width = 0;
  if (glyphs) {
    indexes = e.Raw.glyphIndexesForString(s);
    QList<QPointF> natural = e.Raw.advancesForGlyphIndexes(indexes);
    positions.reserve(indexes.size());
    double pos = 0;
    for (qsizetype i = 0; i < indexes.size(); ++i) {
      positions.push_back(QPointF(pos, 0));
      double adv = dx && std::size_t(i) < text.size() ? dx[i] : std::round(natural[i].x()) + extra;
      pos += adv;
    }
    width = int(std::lround(pos));
  } else {
    width = e.Metrics.horizontalAdvance(s);
  }
  // Offset of the start of the base line from the reference point.
  double ox = 0;
  if ((align & TA_CENTER) == TA_CENTER)
    ox = -width / 2;
  else if (align & TA_RIGHT)
    ox = -width;
  double oy;
  if ((align & TA_BASELINE) == TA_BASELINE)
    oy = 0;
  else if (align & TA_BOTTOM)
    oy = -e.TM.tmDescent;
  else
    oy = e.TM.tmAscent;
  if (align & TA_UPDATECP) SetPenPos({x + width, y});

  const double angle = Font.Escapement() / 10.0;
  if (inPath_) {
    QPainterPath sub;
    sub.addText(QPointF(ox, oy), e.Font, s);
    QTransform t;
    t.translate(x, y);
    if (angle != 0) t.rotate(-angle);
    path_.addPath(t.map(sub));
    return;
  }
  if (rop_ != pmCopy) {  // text ignores the raster mode
    p_->setCompositionMode(QPainter::CompositionMode_SourceOver);
    rop_ = pmCopy;
  }
  const bool clipped = rect && (options & ETO_CLIPPED);
  if (clipped) {
    p_->save();
    p_->setClipRect(QRect(rect->Left, rect->Top, rect->Width(), rect->Height()), Qt::IntersectClip);
  }
  if (rect && (options & ETO_OPAQUE))
    p_->fillRect(QRect(rect->Left, rect->Top, rect->Width(), rect->Height()), ToQColor(BkColor()));
  QTransform saved = p_->worldTransform();
  const bool rotated = angle != 0;
  double bx = x + ox, by = y + oy;
  if (rotated) {
    QTransform t;
    t.translate(x, y);
    t.rotate(-angle);
    p_->setWorldTransform(t * saved);
    bx = ox;
    by = oy;
  }
  if (BkMode() == OPAQUE && !(rect && (options & ETO_OPAQUE)) && width > 0)
    p_->fillRect(QRectF(bx, by - e.TM.tmAscent, width, e.TM.tmHeight), ToQColor(BkColor()));
  // The cell was filled above when opaque; the painter's own background
  // mode (left by a styled pen or hatched brush) must not fill it again.
  p_->setBackgroundMode(Qt::TransparentMode);
  p_->setPen(ToQColor(TextColor()));
  penSet_ = false;
  if (glyphs) {
    QGlyphRun run;
    run.setRawFont(e.Raw);
    run.setGlyphIndexes(indexes);
    run.setPositions(positions);
    run.setUnderline(e.Font.underline());
    run.setStrikeOut(e.Font.strikeOut());
    p_->drawGlyphRun(QPointF(bx, by), run);
  } else {
    p_->setFont(e.Font);
    p_->drawText(QPointF(bx, by), s);
  }
  if (rotated) p_->setWorldTransform(saved);
  if (clipped) {
    p_->restore();
    penSet_ = brushSet_ = false;
    rop_ = -1;
    ApplyRop();
  }
}

QImage TQtCanvas::Wrap(const TImage& image) const {
  return QImage(reinterpret_cast<const uchar*>(image.Bits()), image.Width(), image.Height(),
                image.Width() * 4, QImage::Format_RGB32);
}

void TQtCanvas::Draw(int x, int y, const TImage& image) {
  if (image.Empty()) return;
  if (rop_ != pmCopy) {
    p_->setCompositionMode(QPainter::CompositionMode_SourceOver);
    rop_ = pmCopy;
  }
  p_->drawImage(QPoint(x, y), Wrap(image));
}

void TQtCanvas::StretchDraw(const TRect& r, const TImage& image) {
  if (image.Empty()) return;
  if (rop_ != pmCopy) {
    p_->setCompositionMode(QPainter::CompositionMode_SourceOver);
    rop_ = pmCopy;
  }
  p_->drawImage(QRect(r.Left, r.Top, r.Width(), r.Height()), Wrap(image));
}

// ---- paths ---------------------------------------------------------------

void TQtCanvas::BeginPath() {
  path_ = QPainterPath();
  path_.setFillRule(Qt::OddEvenFill);
  inPath_ = true;
}

void TQtCanvas::EndPath() { inPath_ = false; }

void TQtCanvas::AbortPath() {
  inPath_ = false;
  path_ = QPainterPath();
}

void TQtCanvas::CloseFigure() { path_.closeSubpath(); }

void TQtCanvas::StrokePath() {
  Prepare(uPen);
  if (penSet_) p_->strokePath(path_, qpen_);
  path_ = QPainterPath();
}

void TQtCanvas::FillPath() {
  Prepare(uBrush);
  path_.setFillRule(Qt::OddEvenFill);
  p_->fillPath(path_, qbrush_);
  path_ = QPainterPath();
}

void TQtCanvas::StrokeAndFillPath() {
  Prepare(uPen | uBrush);
  path_.setFillRule(Qt::OddEvenFill);
  p_->drawPath(path_);
  path_ = QPainterPath();
}

void TQtCanvas::WidenPath() {
  Prepare(0);
  QPainterPathStroker s(qpen_);
  s.setWidth(std::max(1, Pen.Width()));
  path_ = s.createStroke(path_).simplified();
}

void TQtCanvas::SelectClipPath(TRegionMode mode) {
  QPainterPath dev = p_->worldTransform().map(path_);
  QRegion r;
  for (const QPolygonF& poly : dev.toFillPolygons())
    r = r.xored(QRegion(poly.toPolygon(), Qt::OddEvenFill));
  path_ = QPainterPath();
  CombineClip(r, mode);
}

// ---- clipping ------------------------------------------------------------

void TQtCanvas::ApplyClip() {
  QTransform saved = p_->worldTransform();
  bool identity = saved.isIdentity();
  if (!identity) p_->resetTransform();
  if (hasClip_)
    p_->setClipRegion(clip_);
  else
    p_->setClipping(false);
  if (!identity) p_->setWorldTransform(saved);
}

void TQtCanvas::CombineClip(const QRegion& r, TRegionMode mode) {
  QRegion base = hasClip_ ? clip_ : QRegion(device_);
  switch (mode) {
    case RGN_AND:
      clip_ = base.intersected(r);
      break;
    case RGN_OR:
      clip_ = base.united(r);
      break;
    case RGN_XOR:
      clip_ = base.xored(r);
      break;
    case RGN_DIFF:
      clip_ = base.subtracted(r);
      break;
    case RGN_COPY:
      clip_ = r;
      break;
  }
  hasClip_ = true;
  ApplyClip();
}

void TQtCanvas::IntersectClipRect(const TRect& r) {
  TRect d = NormalizedRect(LPtoDP(r));
  CombineClip(QRegion(d.Left, d.Top, d.Width(), d.Height()), RGN_AND);
}

void TQtCanvas::ExcludeClipRect(const TRect& r) {
  TRect d = NormalizedRect(LPtoDP(r));
  CombineClip(QRegion(d.Left, d.Top, d.Width(), d.Height()), RGN_DIFF);
}

void TQtCanvas::SelectClipRegion(const TRegion& rgn, TRegionMode mode) {
  if (rgn.Empty() && mode == RGN_COPY) {
    hasClip_ = false;
    clip_ = QRegion();
    ApplyClip();
    return;
  }
  CombineClip(ToQRegion(rgn), mode);
}

bool TQtCanvas::GetClipRegion(TRegion& rgn) const {
  if (!hasClip_) return false;
  rgn = TRegion();
  bool first = true;
  for (const QRect& q : clip_) {
    TRegion part = TRegion::FromRect(Bounds(q.x(), q.y(), q.width(), q.height()));
    if (first)
      rgn = part;
    else
      rgn.Combine(part, RGN_OR);
    first = false;
  }
  if (first) rgn = TRegion::FromRect(TRect());  // an empty clip: nothing visible
  return true;
}

TRect TQtCanvas::ClipBox() const {
  QRect b = hasClip_ ? clip_.boundingRect().intersected(device_) : device_;
  TPoint a = DPtoLP(TPoint(b.left(), b.top())),
         c = DPtoLP(TPoint(b.left() + b.width(), b.top() + b.height()));
  return TRect(a.X, a.Y, c.X, c.Y);
}

void TQtCanvas::PushClip() { qclipStack_.emplace_back(hasClip_, clip_); }

void TQtCanvas::PopClip() {
  if (qclipStack_.empty()) return;
  hasClip_ = qclipStack_.back().first;
  clip_ = qclipStack_.back().second;
  qclipStack_.pop_back();
  ApplyClip();
}

void TQtCanvas::MappingChanged() {
  TCanvas::MappingChanged();
  if (IdentityMapping()) {
    p_->resetTransform();
    return;
  }
  TPoint o = LPtoDP(TPoint(0, 0)), a = LPtoDP(TPoint(10000, 10000));
  double sx = (a.X - o.X) / 10000.0, sy = (a.Y - o.Y) / 10000.0;
  p_->setWorldTransform(QTransform(sx, 0, 0, sy, o.X, o.Y));
}

// ---- installation --------------------------------------------------------

namespace {

struct TImageHolder {
  QImage Image;
};

// A canvas drawing straight into a TImage's pixel buffer.
class TQtImageCanvas : private TImageHolder, public TQtCanvas {
 public:
  explicit TQtImageCanvas(TImage& img)
      : TImageHolder{QImage(reinterpret_cast<uchar*>(img.Bits()), img.Width(), img.Height(),
                            img.Width() * 4, QImage::Format_RGB32)},
        TQtCanvas(Image) {}
};

}  // namespace

void InstallQtGraphics() {
  static bool done = false;
  if (done) return;
  done = true;
  if (!QCoreApplication::instance()) {
    static int argc = 1;
    static char name[] = "quorvane";
    static char* argv[] = {name, nullptr};
    new QApplication(argc, argv);
  }
  static TQtFontService fonts;
  SetFontService(&fonts);
  TImage::SetCanvasFactory([](TImage& img) -> std::unique_ptr<TCanvas> {
    if (img.Empty()) return nullptr;
    return std::make_unique<TQtImageCanvas>(img);
  });
}

}  // namespace qv
