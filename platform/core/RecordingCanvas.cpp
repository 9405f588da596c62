#include "platform/core/RecordingCanvas.h"

#include <cstdio>
#include <cstdlib>

#include "platform/core/Image.h"

namespace qv {

// ---- fake fonts ----------------------------------------------------------

TFakeFontService::TFakeFontService(int cellWidth, int cellHeight, int ascent)
    : cellW_(cellWidth), cellH_(cellHeight), ascent_(ascent >= 0 ? ascent : cellHeight * 13 / 16) {}

int TFakeFontService::Scaled(const TFont& font, int v) const {
  if (!scale_) return v;
  int h = std::abs(font.Height());
  if (h == 0) return v;
  return std::max(1, (v * h + 8) / 16);
}

TTextMetric TFakeFontService::GetTextMetrics(const TFont& font) {
  TTextMetric m;
  m.tmHeight = Scaled(font, cellH_);
  m.tmAscent = Scaled(font, ascent_);
  m.tmDescent = m.tmHeight - m.tmAscent;
  m.tmAveCharWidth = Scaled(font, cellW_);
  int widest = cellW_;
  for (const auto& [ch, w] : widths_) widest = std::max(widest, w);
  m.tmMaxCharWidth = Scaled(font, widest);
  m.tmWeight = font.Style().Contains(fsBold) ? 700 : 400;
  m.tmItalic = font.Style().Contains(fsItalic);
  m.tmUnderlined = font.Style().Contains(fsUnderline);
  m.tmStruckOut = font.Style().Contains(fsStrikeOut);
  m.tmFixedPitch = widths_.empty();
  m.tmCharSet = font.Charset();
  return m;
}

TSize TFakeFontService::TextExtent(const TFont& font, const std::string& text) {
  int w = 0;
  for (char32_t ch : Utf8ToUtf32(text)) {
    auto it = widths_.find(ch);
    w += Scaled(font, it == widths_.end() ? cellW_ : it->second);
  }
  return {w, Scaled(font, cellH_)};
}

bool TFakeFontService::GetCharABCWidths(const TFont& font, char32_t ch, TABC& abc) {
  auto it = widths_.find(ch);
  abc = TABC{0, Scaled(font, it == widths_.end() ? cellW_ : it->second), 0};
  return true;
}

// ---- recording canvas ----------------------------------------------------

namespace {

std::string Hex(TColor c) {
  char b[16];
  std::snprintf(b, sizeof b, "%06X", unsigned(c));
  return b;
}

}  // namespace

std::string TCanvasCall::ToString() const {
  std::string s = Op + "(";
  for (std::size_t i = 0; i < Args.size(); ++i) s += (i ? "," : "") + std::to_string(Args[i]);
  if (!Points.empty()) {
    s += Args.empty() ? "" : ";";
    for (std::size_t i = 0; i < Points.size(); ++i)
      s += (i ? " " : "") + std::to_string(Points[i].X) + ":" + std::to_string(Points[i].Y);
  }
  if (!Text.empty() || Op.find("Text") != std::string::npos)
    s += (Args.empty() ? "\"" : ",\"") + Text + "\"";
  s += ")";
  s += " pen=" + Hex(State.PenColor) + "/" + std::to_string(State.PenWidth) + "/" +
       std::to_string(State.PenStyle) + "/" + std::to_string(State.PenMode);
  s += " brush=" + Hex(State.BrushColor) + "/" + std::to_string(State.BrushStyle);
  s += " font=" + State.FontName + "/" + std::to_string(State.FontHeight) + "/" +
       std::to_string(State.FontStyle.Bits()) + "/" + Hex(State.TextColor);
  if (State.FontEscapement) s += " esc=" + std::to_string(State.FontEscapement);
  s += " bk=" + Hex(State.BkColor) + "/" + std::to_string(State.BkMode);
  if (State.TextAlign) s += " align=" + std::to_string(State.TextAlign);
  if (State.InPath) s += " path";
  return s;
}

TRecordingCanvas::TRecordingCanvas(const TRect& bounds, TFontService* fonts)
    : bounds_(bounds), fonts_(fonts ? fonts : &FontService()) {}

TCanvasState TRecordingCanvas::State() const {
  TCanvasState s;
  s.PenColor = Pen.Color();
  s.PenWidth = Pen.Width();
  s.PenStyle = Pen.Style();
  s.PenMode = Pen.Mode();
  s.PenEndCap = Pen.EndCap();
  s.PenJoin = Pen.Join();
  s.BrushColor = Brush.Color();
  s.BrushStyle = Brush.Style();
  s.BrushBitmap = Brush.Bitmap() != nullptr;
  s.FontName = Font.Name();
  s.FontHeight = Font.Height();
  s.FontStyle = Font.Style();
  s.FontColor = Font.Color();
  s.FontEscapement = Font.Escapement();
  s.TextColor = TextColor();
  s.BkColor = BkColor();
  s.BkMode = BkMode();
  s.TextAlign = TextAlign();
  s.InPath = inPath_;
  return s;
}

TCanvasCall& TRecordingCanvas::Add(const char* op, std::vector<int> args) {
  TCanvasCall c;
  c.Op = op;
  c.Args = std::move(args);
  c.State = State();
  calls_.push_back(std::move(c));
  return calls_.back();
}

std::vector<const TCanvasCall*> TRecordingCanvas::Find(const std::string& op) const {
  std::vector<const TCanvasCall*> r;
  for (const auto& c : calls_)
    if (c.Op == op) r.push_back(&c);
  return r;
}

const TCanvasCall* TRecordingCanvas::First(const std::string& op) const {
  for (const auto& c : calls_)
    if (c.Op == op) return &c;
  return nullptr;
}

int TRecordingCanvas::Count(const std::string& op) const {
  int n = 0;
  for (const auto& c : calls_) n += c.Op == op;
  return n;
}

std::string TRecordingCanvas::Log() const {
  std::string s;
  for (const auto& c : calls_) s += c.ToString() + "\n";
  return s;
}

void TRecordingCanvas::MoveTo(int x, int y) {
  Add("MoveTo", {x, y});
  TCanvas::MoveTo(x, y);
}

void TRecordingCanvas::LineTo(int x, int y) {
  TPoint from = PenPos();
  Add("LineTo", {from.X, from.Y, x, y});
  SetPenPos({x, y});
}

void TRecordingCanvas::Polyline(std::span<const TPoint> pts) {
  Add("Polyline").Points.assign(pts.begin(), pts.end());
}

void TRecordingCanvas::PolyBezier(std::span<const TPoint> pts) {
  Add("PolyBezier").Points.assign(pts.begin(), pts.end());
}

void TRecordingCanvas::Polygon(std::span<const TPoint> pts) {
  Add("Polygon").Points.assign(pts.begin(), pts.end());
}

void TRecordingCanvas::Rectangle(int x1, int y1, int x2, int y2) {
  Add("Rectangle", {x1, y1, x2, y2});
}

void TRecordingCanvas::RoundRect(int x1, int y1, int x2, int y2, int w, int h) {
  Add("RoundRect", {x1, y1, x2, y2, w, h});
}

void TRecordingCanvas::Ellipse(int x1, int y1, int x2, int y2) { Add("Ellipse", {x1, y1, x2, y2}); }

void TRecordingCanvas::Arc(int x1, int y1, int x2, int y2, int x3, int y3, int x4, int y4) {
  Add("Arc", {x1, y1, x2, y2, x3, y3, x4, y4});
}

void TRecordingCanvas::Pie(int x1, int y1, int x2, int y2, int x3, int y3, int x4, int y4) {
  Add("Pie", {x1, y1, x2, y2, x3, y3, x4, y4});
}

void TRecordingCanvas::Chord(int x1, int y1, int x2, int y2, int x3, int y3, int x4, int y4) {
  Add("Chord", {x1, y1, x2, y2, x3, y3, x4, y4});
}

void TRecordingCanvas::FillRect(const TRect& r) {
  Add("FillRect", {r.Left, r.Top, r.Right, r.Bottom});
}

void TRecordingCanvas::FrameRect(const TRect& r) {
  Add("FrameRect", {r.Left, r.Top, r.Right, r.Bottom});
}

void TRecordingCanvas::DrawFocusRect(const TRect& r) {
  Add("DrawFocusRect", {r.Left, r.Top, r.Right, r.Bottom});
}

void TRecordingCanvas::SetPixel(int x, int y, TColor c) { Add("SetPixel", {x, y, int(c)}); }

void TRecordingCanvas::TextOut(int x, int y, const std::string& text) {
  Add("TextOut", {x, y}).Text = text;
  if (TextAlign() & TA_UPDATECP) SetPenPos({PenPos().X + TextExtent(text).cx, PenPos().Y});
}

void TRecordingCanvas::ExtTextOut(int x, int y, unsigned options, const TRect* rect,
                                  const std::string& text, const int* dx) {
  std::vector<int> args{x, y, int(options)};
  if (rect) args.insert(args.end(), {rect->Left, rect->Top, rect->Right, rect->Bottom});
  TCanvasCall& c = Add("ExtTextOut", std::move(args));
  c.Text = text;
  if (dx) c.Dx.assign(dx, dx + Utf8ToUtf32(text).size());
}

void TRecordingCanvas::TextRect(const TRect& r, int x, int y, const std::string& text) {
  Add("TextRect", {r.Left, r.Top, r.Right, r.Bottom, x, y}).Text = text;
}

void TRecordingCanvas::Draw(int x, int y, const TImage& image) {
  Add("Draw", {x, y, image.Width(), image.Height()});
}

void TRecordingCanvas::StretchDraw(const TRect& r, const TImage& image) {
  Add("StretchDraw", {r.Left, r.Top, r.Right, r.Bottom, image.Width(), image.Height()});
}

void TRecordingCanvas::BeginPath() {
  Add("BeginPath");
  inPath_ = true;
}

void TRecordingCanvas::EndPath() {
  inPath_ = false;
  Add("EndPath");
}

void TRecordingCanvas::AbortPath() {
  inPath_ = false;
  Add("AbortPath");
}

void TRecordingCanvas::CloseFigure() { Add("CloseFigure"); }
void TRecordingCanvas::StrokePath() { Add("StrokePath"); }
void TRecordingCanvas::FillPath() { Add("FillPath"); }
void TRecordingCanvas::StrokeAndFillPath() { Add("StrokeAndFillPath"); }
void TRecordingCanvas::WidenPath() { Add("WidenPath"); }
void TRecordingCanvas::SelectClipPath(TRegionMode mode) { Add("SelectClipPath", {int(mode)}); }

void TRecordingCanvas::IntersectClipRect(const TRect& r) {
  Add("IntersectClipRect", {r.Left, r.Top, r.Right, r.Bottom});
  TRegion rr = TRegion::FromRect(LPtoDP(r));
  if (hasClip_) {
    clip_.Combine(rr, RGN_AND);
  } else {
    clip_ = TRegion::FromRect(bounds_);
    clip_.Combine(rr, RGN_AND);
    hasClip_ = true;
  }
}

void TRecordingCanvas::ExcludeClipRect(const TRect& r) {
  Add("ExcludeClipRect", {r.Left, r.Top, r.Right, r.Bottom});
  if (!hasClip_) {
    clip_ = TRegion::FromRect(bounds_);
    hasClip_ = true;
  }
  clip_.Combine(TRegion::FromRect(LPtoDP(r)), RGN_DIFF);
}

void TRecordingCanvas::SelectClipRegion(const TRegion& rgn, TRegionMode mode) {
  TCanvasCall& c = Add("SelectClipRegion", {int(mode)});
  TRect b = rgn.BoundingBox();
  if (!rgn.Empty()) c.Args.insert(c.Args.end(), {b.Left, b.Top, b.Right, b.Bottom});
  if (mode == RGN_COPY) {
    hasClip_ = !rgn.Empty();
    clip_ = rgn;
    return;
  }
  if (!hasClip_) {
    clip_ = TRegion::FromRect(bounds_);
    hasClip_ = true;
  }
  clip_.Combine(rgn, mode);
}

bool TRecordingCanvas::GetClipRegion(TRegion& rgn) const {
  if (!hasClip_) return false;
  rgn = clip_;
  return true;
}

TRect TRecordingCanvas::ClipBox() const {
  TRect b = bounds_;
  if (hasClip_) IntersectRect(b, b, clip_.BoundingBox());
  TPoint a = DPtoLP(b.TopLeft()), c = DPtoLP(b.BottomRight());
  return TRect(a.X, a.Y, c.X, c.Y);
}

void TRecordingCanvas::PushClip() {
  Add("PushClip");
  TCanvas::PushClip();
}

void TRecordingCanvas::PopClip() {
  Add("PopClip");
  if (clipStack_.empty()) return;
  TSavedClip s = std::move(clipStack_.back());
  clipStack_.pop_back();
  hasClip_ = s.Had;
  clip_ = s.Rgn;
}

int TRecordingCanvas::SaveDC() {
  int n = TCanvas::SaveDC();
  Add("SaveDC", {n});
  return n;
}

void TRecordingCanvas::RestoreDC(int saved) {
  Add("RestoreDC", {saved});
  TCanvas::RestoreDC(saved);
  calls_.pop_back();  // the SelectClipRegion made by the restore is part of it
}

void TRecordingCanvas::SetTextColor(TColor c) {
  TCanvas::SetTextColor(c);
  Add("SetTextColor", {int(c)});
}

void TRecordingCanvas::SetBkColor(TColor c) {
  TCanvas::SetBkColor(c);
  Add("SetBkColor", {int(c)});
}

void TRecordingCanvas::SetBkMode(int mode) {
  TCanvas::SetBkMode(mode);
  Add("SetBkMode", {mode});
}

void TRecordingCanvas::SetTextAlign(unsigned flags) {
  TCanvas::SetTextAlign(flags);
  Add("SetTextAlign", {int(flags)});
}

}  // namespace qv
