#include "platform/core/WmfWriter.h"

#include <algorithm>
#include <climits>

#include "platform/core/BmpWriter.h"
#include "platform/core/Classes.h"
#include "platform/core/Image.h"

namespace qv {

namespace {

// Record function numbers.
enum : std::uint16_t {
  META_EOF = 0x0000,
  META_SAVEDC = 0x001E,
  META_SETBKMODE = 0x0102,
  META_SETMAPMODE = 0x0103,
  META_SETROP2 = 0x0104,
  META_SETPOLYFILLMODE = 0x0106,
  META_RESTOREDC = 0x0127,
  META_SELECTOBJECT = 0x012D,
  META_SETTEXTALIGN = 0x012E,
  META_DELETEOBJECT = 0x01F0,
  META_SETBKCOLOR = 0x0201,
  META_SETTEXTCOLOR = 0x0209,
  META_SETWINDOWORG = 0x020B,
  META_SETWINDOWEXT = 0x020C,
  META_SETVIEWPORTORG = 0x020D,
  META_SETVIEWPORTEXT = 0x020E,
  META_LINETO = 0x0213,
  META_MOVETO = 0x0214,
  META_CREATEPENINDIRECT = 0x02FA,
  META_CREATEFONTINDIRECT = 0x02FB,
  META_CREATEBRUSHINDIRECT = 0x02FC,
  META_POLYGON = 0x0324,
  META_POLYLINE = 0x0325,
  META_EXCLUDECLIPRECT = 0x0415,
  META_INTERSECTCLIPRECT = 0x0416,
  META_ELLIPSE = 0x0418,
  META_RECTANGLE = 0x041B,
  META_SETPIXEL = 0x041F,
  META_TEXTOUT = 0x0521,
  META_ROUNDRECT = 0x061C,
  META_ARC = 0x0817,
  META_PIE = 0x081A,
  META_CHORD = 0x0830,
  META_EXTTEXTOUT = 0x0A32,
  META_STRETCHDIB = 0x0F43,
};

// Binary raster operation of each pen mode.
constexpr std::uint16_t kRop2[16] = {1, 16, 11, 6, 13, 4, 14, 5, 12, 3, 15, 2, 9, 8, 7, 10};

std::int16_t C16(int v) { return std::int16_t(std::clamp(v, -32768, 32767)); }

// 8-bit text: Windows-1252 where it has the character, else "?".
std::string ToAnsi(const std::string& utf8) {
  static const char32_t k80[32] = {0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                                   0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0,      0x017D, 0,
                                   0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                                   0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};
  std::string out;
  for (char32_t c : Utf8ToUtf32(utf8)) {
    if (c < 0x80 || (c >= 0xA0 && c < 0x100)) {
      out += char(c);
      continue;
    }
    char b = '?';
    for (int i = 0; i < 32; ++i)
      if (k80[i] == c && c != 0) b = char(0x80 + i);
    out += b;
  }
  return out;
}

void PutBytes(std::vector<std::uint16_t>& w, const std::string& bytes) {
  for (std::size_t i = 0; i < bytes.size(); i += 2) {
    unsigned lo = (unsigned char)bytes[i];
    unsigned hi = i + 1 < bytes.size() ? (unsigned char)bytes[i + 1] : 0;
    w.push_back(std::uint16_t(lo | (hi << 8)));
  }
}

void PutColor(std::vector<std::uint16_t>& w, TColor c) {
  c = ColorToRGB(c) & 0xFFFFFF;
  w.push_back(std::uint16_t(c & 0xFFFF));
  w.push_back(std::uint16_t(c >> 16));
}

}  // namespace

struct TWmfCanvas::TEmitted {
  int Pen = -1, Brush = -1, Font = -1, NullPen = -1;
  bool PenSelected = false;
  TPen PenValue;
  TBrush BrushValue;
  TFont FontValue;
  TColor TextColor = clBlack, BkColor = clWhite;
  int BkMode = OPAQUE;
  unsigned TextAlign = 0;
  int Rop2 = 13;
  bool Uses(int index) const {
    return index >= 0 && (index == Pen || index == Brush || index == Font || index == NullPen);
  }
  TEmitted() = default;
  TEmitted(const TEmitted& o)
      : Pen(o.Pen),
        Brush(o.Brush),
        Font(o.Font),
        NullPen(o.NullPen),
        PenSelected(o.PenSelected),
        TextColor(o.TextColor),
        BkColor(o.BkColor),
        BkMode(o.BkMode),
        TextAlign(o.TextAlign),
        Rop2(o.Rop2) {
    PenValue.Assign(o.PenValue);
    BrushValue.Assign(o.BrushValue);
    FontValue.Assign(o.FontValue);
  }
  TEmitted& operator=(const TEmitted& o) {
    Pen = o.Pen;
    Brush = o.Brush;
    Font = o.Font;
    NullPen = o.NullPen;
    PenSelected = o.PenSelected;
    TextColor = o.TextColor;
    BkColor = o.BkColor;
    BkMode = o.BkMode;
    TextAlign = o.TextAlign;
    Rop2 = o.Rop2;
    PenValue.Assign(o.PenValue);
    BrushValue.Assign(o.BrushValue);
    FontValue.Assign(o.FontValue);
    return *this;
  }
};

TWmfCanvas::TWmfCanvas(int width, int height)
    : width_(std::max(1, width)),
      height_(std::max(1, height)),
      emitted_(std::make_unique<TEmitted>()) {
  Record(META_SETWINDOWORG, std::vector<std::int16_t>{0, 0});
  Record(META_SETWINDOWEXT, std::vector<std::int16_t>{C16(height_), C16(width_)});
  Record(META_SETBKMODE, std::vector<std::int16_t>{OPAQUE});
  Record(META_SETPOLYFILLMODE, std::vector<std::int16_t>{1});  // alternate (even-odd)
  emitted_->BkMode = OPAQUE;
  emitted_->BkColor = clWhite;
  emitted_->TextColor = clBlack;
}

TWmfCanvas::~TWmfCanvas() = default;

void TWmfCanvas::Record(std::uint16_t function, const std::vector<std::uint16_t>& params) {
  std::uint32_t size = 3 + std::uint32_t(params.size());
  words_.push_back(std::uint16_t(size & 0xFFFF));
  words_.push_back(std::uint16_t(size >> 16));
  words_.push_back(function);
  words_.insert(words_.end(), params.begin(), params.end());
  maxRecord_ = std::max(maxRecord_, size);
}

void TWmfCanvas::Record(std::uint16_t function, const std::vector<std::int16_t>& params) {
  std::vector<std::uint16_t> u(params.begin(), params.end());
  Record(function, u);
}

int TWmfCanvas::NewObject() {
  for (std::size_t i = 0; i < objects_.size(); ++i)
    if (!objects_[i]) {
      objects_[i] = true;
      return int(i);
    }
  objects_.push_back(true);
  return int(objects_.size() - 1);
}

void TWmfCanvas::FreeObject(int index) {
  if (index < 0) return;
  // An object still selected in a saved state is kept until that state is restored.
  for (const TEmitted& e : emittedStack_)
    if (e.Uses(index)) return;
  if (emitted_->Uses(index)) return;
  Record(META_DELETEOBJECT, std::vector<std::int16_t>{C16(index)});
  objects_[std::size_t(index)] = false;
}

void TWmfCanvas::SelectNullPen() {
  TEmitted& e = *emitted_;
  if (e.NullPen < 0) {
    e.NullPen = NewObject();
    Record(META_CREATEPENINDIRECT, std::vector<std::uint16_t>{5, 0, 0, 0, 0});
  }
  Record(META_SELECTOBJECT, std::vector<std::int16_t>{C16(e.NullPen)});
  e.PenSelected = false;
}

void TWmfCanvas::Sync(bool pen, bool brush, bool font) {
  TEmitted& e = *emitted_;
  if (pen) {
    if (e.Pen < 0 || !e.PenValue.SameAs(Pen)) {
      int old = e.Pen;
      int obj = NewObject();
      std::uint16_t style = std::uint16_t(Pen.Style());
      if (Pen.Width() > 1) {
        static const std::uint16_t caps[3] = {0, 0x100, 0x200};
        static const std::uint16_t joins[3] = {0, 0x1000, 0x2000};
        style |= caps[Pen.EndCap()] | joins[Pen.Join()];
      }
      std::vector<std::uint16_t> p{style, std::uint16_t(Pen.Width()), 0};
      PutColor(p, Pen.Color());
      Record(META_CREATEPENINDIRECT, p);
      Record(META_SELECTOBJECT, std::vector<std::int16_t>{C16(obj)});
      e.Pen = obj;
      e.PenValue.Assign(Pen);
      e.PenSelected = true;
      FreeObject(old);
    } else if (!e.PenSelected) {
      Record(META_SELECTOBJECT, std::vector<std::int16_t>{C16(e.Pen)});
      e.PenSelected = true;
    }
    int rop = kRop2[Pen.Mode() & 15];
    if (rop != e.Rop2) {
      Record(META_SETROP2, std::vector<std::int16_t>{C16(rop)});
      e.Rop2 = rop;
    }
  }
  if (brush && (e.Brush < 0 || !e.BrushValue.SameAs(Brush))) {
    int old = e.Brush;
    int obj = NewObject();
    std::uint16_t style = 0, hatch = 0;
    if (Brush.Style() == bsClear)
      style = 1;
    else if (Brush.Style() >= bsHorizontal) {
      style = 2;
      hatch = std::uint16_t(Brush.Style() - bsHorizontal);
    }
    std::vector<std::uint16_t> p{style};
    PutColor(p, Brush.Color());
    p.push_back(hatch);
    Record(META_CREATEBRUSHINDIRECT, p);
    Record(META_SELECTOBJECT, std::vector<std::int16_t>{C16(obj)});
    e.Brush = obj;
    e.BrushValue.Assign(Brush);
    FreeObject(old);
  }
  if (font) {
    if (e.Font < 0 || !e.FontValue.SameAs(Font)) {
      int old = e.Font;
      int obj = NewObject();
      std::vector<std::uint16_t> p{std::uint16_t(C16(Font.Height())), 0,
                                   std::uint16_t(C16(Font.Escapement())),
                                   std::uint16_t(C16(Font.Escapement())),
                                   std::uint16_t(Font.Style().Contains(fsBold) ? 700 : 400)};
      p.push_back(std::uint16_t((Font.Style().Contains(fsItalic) ? 1 : 0) |
                                ((Font.Style().Contains(fsUnderline) ? 1 : 0) << 8)));
      p.push_back(
          std::uint16_t((Font.Style().Contains(fsStrikeOut) ? 1 : 0) | (Font.Charset() << 8)));
      p.push_back(0);  // output and clip precision
      std::uint8_t pitch = Font.Pitch() == fpFixed ? 1 : Font.Pitch() == fpVariable ? 2 : 0;
      p.push_back(std::uint16_t(0 | (pitch << 8)));  // quality, pitch and family
      std::string face = ToAnsi(Font.Name()).substr(0, 31);
      face.push_back('\0');
      if (face.size() % 2) face.push_back('\0');
      PutBytes(p, face);
      Record(META_CREATEFONTINDIRECT, p);
      Record(META_SELECTOBJECT, std::vector<std::int16_t>{C16(obj)});
      e.Font = obj;
      e.FontValue.Assign(Font);
      FreeObject(old);
    }
    if (TextColor() != e.TextColor) {
      std::vector<std::uint16_t> p;
      PutColor(p, TextColor());
      Record(META_SETTEXTCOLOR, p);
      e.TextColor = TextColor();
    }
    if (TextAlign() != e.TextAlign) {
      Record(META_SETTEXTALIGN, std::vector<std::uint16_t>{std::uint16_t(TextAlign())});
      e.TextAlign = TextAlign();
    }
  }
  if (BkColor() != e.BkColor) {
    std::vector<std::uint16_t> p;
    PutColor(p, BkColor());
    Record(META_SETBKCOLOR, p);
    e.BkColor = BkColor();
  }
  if (BkMode() != e.BkMode) {
    Record(META_SETBKMODE, std::vector<std::int16_t>{C16(BkMode())});
    e.BkMode = BkMode();
  }
}

void TWmfCanvas::MappingChanged() {
  TCanvas::MappingChanged();
  if (MapMode() == MM_TEXT && WindowOrg() == TPoint() && ViewportOrg() == TPoint()) return;
  Record(META_SETWINDOWORG, std::vector<std::int16_t>{C16(WindowOrg().Y), C16(WindowOrg().X)});
  if (MapMode() != MM_TEXT)
    Record(META_SETWINDOWEXT, std::vector<std::int16_t>{C16(WindowExt().cy), C16(WindowExt().cx)});
}

void TWmfCanvas::PathOrDraw(std::function<void()> op) {
  if (inPath_)
    path_.push_back(std::move(op));
  else
    op();
}

#define QV_IN_PATH(call)                  \
  if (inPath_) {                          \
    path_.push_back([=, this] { call; }); \
    return;                               \
  }

void TWmfCanvas::MoveTo(int x, int y) {
  TCanvas::MoveTo(x, y);
  QV_IN_PATH(MoveTo(x, y));
  Record(META_MOVETO, std::vector<std::int16_t>{C16(y), C16(x)});
}

void TWmfCanvas::LineTo(int x, int y) {
  QV_IN_PATH(LineTo(x, y));
  Sync(true, false, false);
  Record(META_LINETO, std::vector<std::int16_t>{C16(y), C16(x)});
  SetPenPos({x, y});
}

void TWmfCanvas::Polyline(std::span<const TPoint> pts) {
  std::vector<TPoint> v(pts.begin(), pts.end());
  QV_IN_PATH(Polyline(v));
  if (v.size() < 2) return;
  Sync(true, false, false);
  std::vector<std::int16_t> p{C16(int(v.size()))};
  for (const TPoint& q : v) {
    p.push_back(C16(q.X));
    p.push_back(C16(q.Y));
  }
  Record(META_POLYLINE, p);
}

void TWmfCanvas::PolyBezier(std::span<const TPoint> pts) {
  // The format has no curves: flatten each segment into 16 steps.
  if (pts.size() < 4) return;
  std::vector<TPoint> v{pts[0]};
  for (std::size_t i = 0; i + 3 < pts.size(); i += 3) {
    for (int s = 1; s <= 16; ++s) {
      double t = s / 16.0, u = 1 - t;
      double x = u * u * u * pts[i].X + 3 * u * u * t * pts[i + 1].X +
                 3 * u * t * t * pts[i + 2].X + t * t * t * pts[i + 3].X;
      double y = u * u * u * pts[i].Y + 3 * u * u * t * pts[i + 1].Y +
                 3 * u * t * t * pts[i + 2].Y + t * t * t * pts[i + 3].Y;
      v.push_back({int(x + (x < 0 ? -0.5 : 0.5)), int(y + (y < 0 ? -0.5 : 0.5))});
    }
  }
  Polyline(v);
}

void TWmfCanvas::Polygon(std::span<const TPoint> pts) {
  std::vector<TPoint> v(pts.begin(), pts.end());
  QV_IN_PATH(Polygon(v));
  if (v.size() < 2) return;
  Sync(true, true, false);
  std::vector<std::int16_t> p{C16(int(v.size()))};
  for (const TPoint& q : v) {
    p.push_back(C16(q.X));
    p.push_back(C16(q.Y));
  }
  Record(META_POLYGON, p);
}

void TWmfCanvas::Rectangle(int x1, int y1, int x2, int y2) {
  QV_IN_PATH(Rectangle(x1, y1, x2, y2));
  Sync(true, true, false);
  Record(META_RECTANGLE, std::vector<std::int16_t>{C16(y2), C16(x2), C16(y1), C16(x1)});
}

void TWmfCanvas::RoundRect(int x1, int y1, int x2, int y2, int w, int h) {
  QV_IN_PATH(RoundRect(x1, y1, x2, y2, w, h));
  Sync(true, true, false);
  Record(META_ROUNDRECT,
         std::vector<std::int16_t>{C16(h), C16(w), C16(y2), C16(x2), C16(y1), C16(x1)});
}

void TWmfCanvas::Ellipse(int x1, int y1, int x2, int y2) {
  QV_IN_PATH(Ellipse(x1, y1, x2, y2));
  Sync(true, true, false);
  Record(META_ELLIPSE, std::vector<std::int16_t>{C16(y2), C16(x2), C16(y1), C16(x1)});
}

void TWmfCanvas::Arc(int x1, int y1, int x2, int y2, int x3, int y3, int x4, int y4) {
  QV_IN_PATH(Arc(x1, y1, x2, y2, x3, y3, x4, y4));
  Sync(true, false, false);
  Record(META_ARC, std::vector<std::int16_t>{C16(y4), C16(x4), C16(y3), C16(x3), C16(y2), C16(x2),
                                             C16(y1), C16(x1)});
}

void TWmfCanvas::Pie(int x1, int y1, int x2, int y2, int x3, int y3, int x4, int y4) {
  QV_IN_PATH(Pie(x1, y1, x2, y2, x3, y3, x4, y4));
  Sync(true, true, false);
  Record(META_PIE, std::vector<std::int16_t>{C16(y4), C16(x4), C16(y3), C16(x3), C16(y2), C16(x2),
                                             C16(y1), C16(x1)});
}

void TWmfCanvas::Chord(int x1, int y1, int x2, int y2, int x3, int y3, int x4, int y4) {
  QV_IN_PATH(Chord(x1, y1, x2, y2, x3, y3, x4, y4));
  Sync(true, true, false);
  Record(META_CHORD, std::vector<std::int16_t>{C16(y4), C16(x4), C16(y3), C16(x3), C16(y2), C16(x2),
                                               C16(y1), C16(x1)});
}

void TWmfCanvas::FillRect(const TRect& r) {
  if (r.IsEmpty()) return;
  Sync(false, true, false);
  SelectNullPen();
  // With the null pen a rectangle fills one pixel less on the right and
  // bottom, so the record is one pixel larger to cover r exactly.
  Record(META_RECTANGLE,
         std::vector<std::int16_t>{C16(r.Bottom + 1), C16(r.Right + 1), C16(r.Top), C16(r.Left)});
}

void TWmfCanvas::DrawFocusRect(const TRect&) {
  // Focus frames belong to screens, not to saved pictures.
}

void TWmfCanvas::SetPixel(int x, int y, TColor c) {
  std::vector<std::uint16_t> p;
  PutColor(p, c);
  p.push_back(std::uint16_t(C16(y)));
  p.push_back(std::uint16_t(C16(x)));
  Record(META_SETPIXEL, p);
}

void TWmfCanvas::TextOut(int x, int y, const std::string& text) {
  QV_IN_PATH(TextOut(x, y, text));
  Sync(false, false, true);
  std::string a = ToAnsi(text);
  std::vector<std::uint16_t> p{std::uint16_t(a.size())};
  PutBytes(p, a);
  p.push_back(std::uint16_t(C16(y)));
  p.push_back(std::uint16_t(C16(x)));
  Record(META_TEXTOUT, p);
}

void TWmfCanvas::ExtTextOut(int x, int y, unsigned options, const TRect* rect,
                            const std::string& text, const int* dx) {
  std::optional<TRect> rc;
  if (rect) rc = *rect;
  std::vector<int> adv;
  std::size_t n = Utf8ToUtf32(text).size();
  if (dx) adv.assign(dx, dx + n);
  if (inPath_) {
    path_.push_back([=, this] {
      ExtTextOut(x, y, options, rc ? &*rc : nullptr, text, adv.empty() ? nullptr : adv.data());
    });
    return;
  }
  Sync(false, false, true);
  std::string a = ToAnsi(text);
  unsigned opts = options & (ETO_OPAQUE | ETO_CLIPPED);
  if (!rc) opts = 0;
  std::vector<std::uint16_t> p{std::uint16_t(C16(y)), std::uint16_t(C16(x)),
                               std::uint16_t(a.size()), std::uint16_t(opts)};
  if (opts) {
    for (int v : {rc->Left, rc->Top, rc->Right, rc->Bottom}) p.push_back(std::uint16_t(C16(v)));
  }
  PutBytes(p, a);
  if (!adv.empty())
    for (std::size_t i = 0; i < a.size(); ++i)
      p.push_back(std::uint16_t(C16(i < adv.size() ? adv[i] : 0)));
  Record(META_EXTTEXTOUT, p);
}

void TWmfCanvas::StretchDib(const TRect& dest, const TImage& image) {
  if (image.Empty()) return;
  std::vector<std::uint16_t> p{0x0020, 0x00CC, 0};  // source copy, RGB colours
  for (int v :
       {image.Height(), image.Width(), 0, 0, dest.Height(), dest.Width(), dest.Top, dest.Left})
    p.push_back(std::uint16_t(C16(v)));
  PutBytes(p, EncodeDib(image));
  Record(META_STRETCHDIB, p);
}

void TWmfCanvas::Draw(int x, int y, const TImage& image) {
  StretchDib(Bounds(x, y, image.Width(), image.Height()), image);
}

void TWmfCanvas::StretchDraw(const TRect& r, const TImage& image) { StretchDib(r, image); }

void TWmfCanvas::BeginPath() {
  path_.clear();
  inPath_ = true;
}

void TWmfCanvas::EndPath() { inPath_ = false; }

void TWmfCanvas::AbortPath() {
  inPath_ = false;
  path_.clear();
}

void TWmfCanvas::StrokePath() {
  TBrush saved;
  saved.Assign(Brush);
  int bkMode = BkMode();
  TColor bk = BkColor();
  Brush.SetStyle(bsClear);
  auto ops = std::move(path_);
  path_.clear();
  for (auto& op : ops) op();
  Brush.Assign(saved);
  SetBkMode(bkMode);
  SetBkColor(bk);
}

void TWmfCanvas::FillPath() {
  TPen saved;
  saved.Assign(Pen);
  Pen.SetStyle(psClear);
  auto ops = std::move(path_);
  path_.clear();
  for (auto& op : ops) op();
  Pen.Assign(saved);
}

void TWmfCanvas::StrokeAndFillPath() {
  auto ops = std::move(path_);
  path_.clear();
  for (auto& op : ops) op();
}

void TWmfCanvas::SelectClipPath(TRegionMode) {
  // The figures' extent is not tracked; a path clip leaves the clip as it is.
  path_.clear();
}

void TWmfCanvas::IntersectClipRect(const TRect& r) {
  Record(META_INTERSECTCLIPRECT,
         std::vector<std::int16_t>{C16(r.Bottom), C16(r.Right), C16(r.Top), C16(r.Left)});
  TRegion rr = TRegion::FromRect(LPtoDP(r));
  if (!hasClip_) {
    clip_ = TRegion::FromRect(Rect(0, 0, width_, height_));
    hasClip_ = true;
  }
  clip_.Combine(rr, RGN_AND);
}

void TWmfCanvas::ExcludeClipRect(const TRect& r) {
  Record(META_EXCLUDECLIPRECT,
         std::vector<std::int16_t>{C16(r.Bottom), C16(r.Right), C16(r.Top), C16(r.Left)});
  if (!hasClip_) {
    clip_ = TRegion::FromRect(Rect(0, 0, width_, height_));
    hasClip_ = true;
  }
  clip_.Combine(TRegion::FromRect(LPtoDP(r)), RGN_DIFF);
}

void TWmfCanvas::SelectClipRegion(const TRegion& rgn, TRegionMode mode) {
  // Only rectangles can be expressed; a region narrows the clip to its box.
  if (rgn.Empty()) {
    if (mode == RGN_COPY) {
      hasClip_ = false;
      clip_ = TRegion();
    }
    return;
  }
  if (mode == RGN_AND || mode == RGN_COPY) {
    TRect b = rgn.BoundingBox();
    TPoint a = DPtoLP(b.TopLeft()), c = DPtoLP(b.BottomRight());
    IntersectClipRect(TRect(a.X, a.Y, c.X, c.Y));
    if (mode == RGN_COPY) clip_ = rgn;
  }
}

bool TWmfCanvas::GetClipRegion(TRegion& rgn) const {
  if (!hasClip_) return false;
  rgn = clip_;
  return true;
}

TRect TWmfCanvas::ClipBox() const {
  TRect b(0, 0, width_, height_);
  if (hasClip_) IntersectRect(b, b, clip_.BoundingBox());
  return b;
}

void TWmfCanvas::PushClip() {
  TCanvas::PushClip();
  Record(META_SAVEDC, std::vector<std::uint16_t>{});
  emittedStack_.push_back(*emitted_);
}

void TWmfCanvas::PopClip() {
  if (clipStack_.empty() || emittedStack_.empty()) return;
  TSavedClip s = std::move(clipStack_.back());
  clipStack_.pop_back();
  hasClip_ = s.Had;
  clip_ = s.Rgn;
  Record(META_RESTOREDC, std::vector<std::int16_t>{-1});
  TEmitted now = *emitted_;
  *emitted_ = emittedStack_.back();
  emittedStack_.pop_back();
  emitted_->NullPen = now.NullPen;
  for (int obj : {now.Pen, now.Brush, now.Font})
    if (obj >= 0 && !emitted_->Uses(obj)) {
      bool stillSaved = false;
      for (const TEmitted& e : emittedStack_) stillSaved = stillSaved || e.Uses(obj);
      if (!stillSaved) {
        Record(META_DELETEOBJECT, std::vector<std::int16_t>{C16(obj)});
        objects_[std::size_t(obj)] = false;
      }
    }
}

int TWmfCanvas::SaveDC() {
  PushClip();
  return TCanvas::SaveDC();
}

void TWmfCanvas::RestoreDC(int saved) {
  TCanvas::RestoreDC(saved);  // state values; the file's DC follows below
  PopClip();
}

std::string TWmfCanvas::Bytes() const {
  std::vector<std::uint16_t> w;
  // Placeable header.
  const std::uint16_t head[10] = {0xCDD7,
                                  0x9AC6,
                                  0,
                                  0,
                                  0,
                                  std::uint16_t(width_),
                                  std::uint16_t(height_),
                                  std::uint16_t(ScreenPixelsPerInch),
                                  0,
                                  0};
  std::uint16_t sum = 0;
  for (std::uint16_t v : head) {
    w.push_back(v);
    sum ^= v;
  }
  w.push_back(sum);
  std::uint32_t total = 9 + std::uint32_t(words_.size()) + 3;
  std::uint32_t maxRec = std::max<std::uint32_t>(maxRecord_, 3);
  const std::uint16_t meta[9] = {1,
                                 9,
                                 0x0300,
                                 std::uint16_t(total & 0xFFFF),
                                 std::uint16_t(total >> 16),
                                 std::uint16_t(objects_.size()),
                                 std::uint16_t(maxRec & 0xFFFF),
                                 std::uint16_t(maxRec >> 16),
                                 0};
  w.insert(w.end(), meta, meta + 9);
  w.insert(w.end(), words_.begin(), words_.end());
  w.insert(w.end(), {3, 0, META_EOF});
  std::string s;
  s.reserve(w.size() * 2);
  for (std::uint16_t v : w) {
    s += char(v & 0xFF);
    s += char(v >> 8);
  }
  return s;
}

void TWmfCanvas::SaveToFile(const std::string& path) const { writeFileAtomic(path, Bytes()); }

}  // namespace qv
