#include "support/ColorPickerButton.h"

#include <algorithm>
#include <array>
#include <cmath>

#include "platform/core/Canvas.h"
#include "platform/core/SysUtils.h"

namespace qv {

namespace {

constexpr int kCell = 18;
constexpr int kColumns = 8;
constexpr double kPi = 3.14159265358979323846;
constexpr double kCos30 = 0.86602540378443864676;

// Rounding to the nearest integer, halves to the even neighbour.
int RoundEven(double v) { return int(std::nearbyint(v)); }

constexpr TPaletteEntry kPalette[NamedColorCount + SystemColorCount] = {
    {"Black", 0x000000},
    {"Brown", 0x003399},
    {"Olive Green", 0x003333},
    {"Dark Green", 0x003300},
    {"Dark Teal", 0x663300},
    {"Dark blue", 0x800000},
    {"Indigo", 0x993333},
    {"Gray-80%", 0x333333},
    {"Dark Red", 0x000080},
    {"Orange", 0x0066FF},
    {"Dark Yellow", 0x008080},
    {"Green", 0x008000},
    {"Teal", 0x808000},
    {"Blue", 0xFF0000},
    {"Blue-Gray", 0x996666},
    {"Gray-50%", 0x808080},
    {"Red", 0x0000FF},
    {"Light Orange", 0x0099FF},
    {"Lime", 0x00CC99},
    {"Sea Green", 0x669933},
    {"Aqua", 0xCCCC33},
    {"Light Blue", 0xFF6633},
    {"Violet", 0x800080},
    {"Grey-40%", 0x969696},
    {"Pink", 0xFF00FF},
    {"Gold", 0x00CCFF},
    {"Yellow", 0x00FFFF},
    {"Bright Green", 0x00FF00},
    {"Turquoise", 0xFFFF00},
    {"Sky Blue", 0xFFCC00},
    {"Plum", 0x663399},
    {"Gray-25%", 0xC0C0C0},
    {"Rose", 0xCC99FF},
    {"Tan", 0x99CCFF},
    {"Light Yellow", 0x99FFFF},
    {"Light Green", 0xCCFFCC},
    {"Light Turquoise", 0xFFFFCC},
    {"Pale Blue", 0xFFCC99},
    {"Lavender", 0xFF99CC},
    {"White", 0xFFFFFF},
    {"system color: scroll bar", clSystemColor | 0},
    {"system color: background", clSystemColor | 1},
    {"system color: active caption", clSystemColor | 2},
    {"system color: inactive caption", clSystemColor | 3},
    {"system color: menu", clSystemColor | 4},
    {"system color: window", clSystemColor | 5},
    {"system color: window frame", clSystemColor | 6},
    {"system color: menu text", clSystemColor | 7},
    {"system color: window text", clSystemColor | 8},
    {"system color: caption text", clSystemColor | 9},
    {"system color: active border", clSystemColor | 10},
    {"system color: inactive border", clSystemColor | 11},
    {"system color: application workspace", clSystemColor | 12},
    {"system color: highlight", clSystemColor | 13},
    {"system color: highlight text", clSystemColor | 14},
    {"system color: button face", clSystemColor | 15},
    {"system color: button shadow", clSystemColor | 16},
    {"system color: gray text", clSystemColor | 17},
    {"system color: button text", clSystemColor | 18},
    {"system color: inactive caption text", clSystemColor | 19},
    {"system color: button highlight", clSystemColor | 20},
    {"system color: 3D dark shadow", clSystemColor | 21},
    {"system color: 3D light", clSystemColor | 22},
    {"system color: info text", clSystemColor | 23},
    {"system color: info background", clSystemColor | 24},
};

struct TRgb {
  double R, G, B;
};

TColor ToColor(const TRgb& c) {
  return RGB(RoundEven(255 * c.R), RoundEven(255 * c.G), RoundEven(255 * c.B));
}

TRgb Mix(const TRgb& a, const TRgb& b, double t) {
  return {a.R + (b.R - a.R) * t, a.G + (b.G - a.G) * t, a.B + (b.B - a.B) * t};
}

// A caption as drawn: "&x" marks the accelerator x, "&&" is an ampersand.
std::string DrawnCaption(const std::string& s) {
  std::string out;
  for (std::size_t i = 0; i < s.size(); ++i) {
    if (s[i] == '&' && i + 1 < s.size()) ++i;
    out += s[i];
  }
  return out;
}

// The accelerator character of a caption, 0 for none.
char32_t Accelerator(const std::string& s) {
  for (std::size_t i = 0; i + 1 < s.size(); ++i) {
    if (s[i] != '&') continue;
    if (s[i + 1] == '&') {
      ++i;
      continue;
    }
    const unsigned char ch = static_cast<unsigned char>(s[i + 1]);
    return ch < 0x80 ? char32_t(std::tolower(ch)) : 0;
  }
  return 0;
}

TRect Inset(TRect r, int d) {
  InflateRect(r, -d, -d);
  return r;
}

}  // namespace

const TPaletteEntry& PaletteEntry(int index) {
  return kPalette[std::clamp(index, 0, NamedColorCount + SystemColorCount - 1)];
}

// ---------------------------------------------------------------------------
// TColorPopup

TColorPopup::TColorPopup() {
  BuildComb();
  Layout();
}

void TColorPopup::Invalidate() {
  if (host_) host_->Invalidate();
}

void TColorPopup::SetDefaultText(const std::string& v) {
  if (v == defaultText_) return;
  defaultText_ = v;
  if (v.empty()) {
    if (hoverIndex_ == DefaultCell) hoverIndex_ = NoCell;
    if (selectedIndex_ == DefaultCell) selectedIndex_ = NoCell;
  }
  Layout();
}

void TColorPopup::SetCustomText(const std::string& v) {
  if (v == customText_) return;
  customText_ = v;
  if (v.empty()) {
    if (hoverIndex_ == CustomCell) hoverIndex_ = NoCell;
    if (selectedIndex_ == CustomCell) selectedIndex_ = NoCell;
  }
  Layout();
}

void TColorPopup::SetShowSystemColors(bool v) {
  if (v == showSystemColors_) return;
  showSystemColors_ = v;
  if (hoverIndex_ >= CellCount()) hoverIndex_ = NoCell;
  if (selectedIndex_ >= CellCount()) selectedIndex_ = NoCell;
  Layout();
}

void TColorPopup::SetSpacing(int v) {
  if (v == spacing_ || v < 0) return;
  spacing_ = v;
  Layout();
}

void TColorPopup::SetCustomColor(TColor c) {
  customColor_ = c;
  Invalidate();
}

void TColorPopup::SetHoverIndex(int i) {
  const bool valid = (i >= 0 && i < CellCount()) || (i == DefaultCell && HasDefault()) ||
                     (i == CustomCell && HasCustom());
  if (!valid) i = NoCell;
  if (i == hoverIndex_) return;
  hoverIndex_ = i;
  Invalidate();
}

void TColorPopup::SetSelectedIndex(int i) {
  const bool valid = (i >= 0 && i < CellCount()) || (i == DefaultCell && HasDefault()) ||
                     (i == CustomCell && HasCustom());
  if (!valid) i = NoCell;
  if (i == selectedIndex_) return;
  const bool resize = i == CustomCell || selectedIndex_ == CustomCell;
  selectedIndex_ = i;
  Invalidate();
  if (resize && OnResize) OnResize();
}

void TColorPopup::SelectColor(TColor c) {
  int found = NoCell;
  for (int i = 0; i < CellCount() && found == NoCell; ++i)
    if (PaletteEntry(i).Color == c) found = i;
  if (found == NoCell) customColor_ = c;
  SetSelectedIndex(found);
  hoverIndex_ = found;
}

void TColorPopup::Layout() {
  const int e = edge_, s = spacing_;
  TFont font;
  TFontService& fonts = host_ ? host_->Fonts() : FontService();
  int textW = 0, textH = 0;
  for (const std::string* caption : {&defaultText_, &customText_}) {
    if (caption->empty()) continue;
    const TSize ext = fonts.TextExtent(font, DrawnCaption(*caption));
    textW = std::max(textW, ext.cx);
    textH = std::max(textH, ext.cy);
  }
  const int boxW = textW + 2 * e;
  const int boxH = textH + 4 * e + 2;
  const int rows = (NamedColorCount + kColumns - 1) / kColumns;
  int w = kColumns * kCell + 2 * e + 2 * s;
  int h = rows * kCell + 4 * e;
  gridTop_ = 2 * e;
  defaultRect_ = customRect_ = TRect();
  if (HasDefault()) {
    w = std::max(w, boxW);
    defaultRect_ = Rect(e + s, 2 * e, w - e - s, 2 * e + boxH);
    h += boxH + 2 * e;
    gridTop_ = 2 * e + boxH + 2 * e;
  }
  if (showSystemColors_) h += ((SystemColorCount + kColumns - 1) / kColumns) * kCell + 2 * e;
  if (HasCustom()) {
    w = std::max(w, boxW);
    customRect_ = Rect(e + s, h, w - e - s, h + boxH);
    h += boxH + 2 * e;
  }
  width_ = w;
  height_ = h;
  radius_ = kColumns * kCell * 7 / 16;
  combSize_ = RoundEven(radius_ / 6.0 + 0.5);
  combRect_ = Rect(e + s, h, e + s + 2 * radius_, h + 2 * radius_);
  greyRect_ = Rect(combRect_.Left, combRect_.Bottom - 4,
                   RoundEven(kCos30 * 17 * combSize_ / 2.0) + 6 * combSize_,
                   combRect_.Bottom + 2 * combSize_);
  barRect_ = Rect(combRect_.Right, combRect_.Top + combSize_, combRect_.Right + 20,
                  combRect_.Bottom - combSize_);
  BuildComb();
  Invalidate();
  if (OnResize) OnResize();
}

TSize TColorPopup::WindowSize() const {
  if (CombShown()) return {width_, 2 * edge_ + greyRect_.Bottom};
  return {width_, height_};
}

TRect TColorPopup::CellRect(int index) const {
  const int left = edge_ + spacing_;
  if (index < 0 || index >= CellCount()) return {};
  int top = gridTop_;
  int i = index;
  if (index >= NamedColorCount) {
    top += (NamedColorCount / kColumns) * kCell + 2 * edge_;
    i -= NamedColorCount;
  }
  return Bounds(left + (i % kColumns) * kCell, top + (i / kColumns) * kCell, kCell, kCell);
}

TRect TColorPopup::CustomSwatchRect() const {
  if (!HasCustom()) return {};
  const TRect& r = customRect_;
  const int top = r.Top + (r.Height() - kCell) / 2;
  return Inset(Rect(r.Right - edge_ - kCell, top, r.Right - edge_, top + kCell), edge_ + 1);
}

TPoint TColorPopup::CombOrigin() const {
  return {combRect_.Left + radius_, combRect_.Top + radius_};
}

void TColorPopup::BuildComb() {
  const double i = intensity_;
  const TRgb centre{i, i, i};
  centerColor_ = ToColor(centre);
  static const std::array<TRgb, 6> corners = {
      {{1, 0, 1}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}, {0, 1, 1}, {0, 0, 1}}};
  double cx[6], cy[6];
  const double dist = radius_ * kCos30;
  for (int k = 0; k < 6; ++k) {
    const double a = (90.0 - 60.0 * k) * kPi / 180.0;
    cx[k] = dist * std::cos(a);
    cy[k] = dist * std::sin(a);
  }
  const TPoint o = CombOrigin();
  comb_.clear();
  comb_.push_back({o, centerColor_});
  for (int k = 0; k < 6; ++k) {
    const int k1 = (k + 1) % 6;
    for (int j = 1; j <= 6; ++j) {
      const double sx = cx[k] * j / 6, sy = cy[k] * j / 6;
      const double ex = cx[k1] * j / 6, ey = cy[k1] * j / 6;
      const TRgb cs = Mix(centre, corners[k], j / 6.0);
      const TRgb ce = Mix(centre, corners[k1], j / 6.0);
      for (int n = 0; n < j; ++n) {
        const double t = double(n) / j;
        comb_.push_back({{o.X + RoundEven(sx + (ex - sx) * t), o.Y + RoundEven(sy + (ey - sy) * t)},
                         ToColor(Mix(cs, ce, t))});
      }
    }
  }
  const int c = combSize_;
  const int d = RoundEven(kCos30 * c / 2.0);
  const int lift = RoundEven((0.5 + 1) * c / 2.0);
  grey_.clear();
  grey_.push_back({{c, c}, clWhite});
  for (int m = 1; m <= 15; ++m) {
    const int level = 15 * (16 - m);
    grey_.push_back(
        {{3 * c + (m - 1) * d, 3 * (c / 4) + ((m - 1) % 2 ? lift : 0)}, RGB(level, level, level)});
  }
  grey_.push_back({{16 * d + 3 * c + c, c}, clBlack});
}

void TColorPopup::SetIntensity(double v) {
  v = std::clamp(v, 0.0, 1.0);
  if (v == intensity_) return;
  intensity_ = v;
  BuildComb();
  Invalidate();
}

void TColorPopup::SetIntensityFromY(int y) {
  const int span = barRect_.Bottom - barRect_.Top;
  if (span <= 0) return;
  SetIntensity(1.0 - double(y - barRect_.Top) / span);
}

void TColorPopup::SetSelectedCombCell(int v) {
  if (v > int(comb_.size()) || v < -int(grey_.size())) v = 0;
  if (v == combSelected_) return;
  combSelected_ = v;
  Invalidate();
}

TColor TColorPopup::CustomColor() const {
  if (combSelected_ > 0) return comb_[combSelected_ - 1].Color;
  if (combSelected_ < 0) return grey_[-combSelected_ - 1].Color;
  return customColor_;
}

int TColorPopup::CombCellAt(int x, int y) const {
  const int r = combSize_ / 2;
  for (std::size_t i = 0; i < comb_.size(); ++i) {
    const int dx = x - comb_[i].Position.X, dy = y - comb_[i].Position.Y;
    if (dx * dx + dy * dy <= r * r) return int(i) + 1;
  }
  const int gx = x - greyRect_.Left, gy = y - greyRect_.Top;
  for (std::size_t i = 0; i < grey_.size(); ++i) {
    const int hr = GreyCellSize(int(i)) / 2;
    const int dx = gx - grey_[i].Position.X, dy = gy - grey_[i].Position.Y;
    if (dx * dx + dy * dy <= hr * hr) return -(int(i) + 1);
  }
  return 0;
}

int TColorPopup::EntryAt(int x, int y) const {
  if (HasDefault() && defaultRect_.Contains(x, y)) return DefaultCell;
  if (HasCustom() && customRect_.Contains(x, y)) return CustomCell;
  for (int i = 0; i < CellCount(); ++i)
    if (CellRect(i).Contains(x, y)) return i;
  return NoCell;
}

bool TColorPopup::HintAt(int x, int y, std::string& hint) const {
  const int entry = EntryAt(x, y);
  if (entry >= 0) {
    hint = PaletteEntry(entry).Name;
    return true;
  }
  if (entry == DefaultCell || entry == CustomCell) {
    hint.clear();
    if (OnEntryHint) OnEntryHint(entry, hint);
    return !hint.empty();
  }
  if (!CombShown()) return false;
  if (barRect_.Contains(x, y)) {
    hint = Format("Intensity: %d%%", RoundEven(100 * intensity_));
    return true;
  }
  const int cell = CombCellAt(x, y);
  if (cell == 0) return false;
  const TColor c = cell > 0 ? comb_[cell - 1].Color : grey_[-cell - 1].Color;
  hint = Format("red: %d, green: %d, blue: %d", GetRValue(c), GetGValue(c), GetBValue(c));
  return true;
}

void TColorPopup::Choose(int index) {
  if (index == CustomCell && HasCustom() && !CombShown()) {
    SetSelectedIndex(CustomCell);
    hoverIndex_ = CustomCell;
    return;
  }
  const bool valid = (index >= 0 && index < CellCount()) ||
                     (index == DefaultCell && HasDefault()) || (index == CustomCell && HasCustom());
  if (valid && OnClose) OnClose(index);
}

// ---- input ----

void TColorPopup::MouseDown(TMouseButton b, TShiftState, int x, int y) {
  if (b != mbLeft || !CombShown()) return;
  if (barRect_.Contains(x, y)) {
    trackingBar_ = true;
    SetIntensityFromY(y);
    return;
  }
  if (const int cell = CombCellAt(x, y)) SetSelectedCombCell(cell);
}

void TColorPopup::MouseMove(TShiftState s, int x, int y) {
  if (trackingBar_ && (s & ssLeft)) {
    if (x >= barRect_.Left && x < barRect_.Right) SetIntensityFromY(y);
    return;
  }
  SetHoverIndex(EntryAt(x, y));
}

void TColorPopup::MouseUp(TMouseButton b, TShiftState, int x, int y) {
  if (b != mbLeft) return;
  if (trackingBar_) {
    trackingBar_ = false;
    return;
  }
  const int entry = EntryAt(x, y);
  if (entry != NoCell) Choose(entry);
}

void TColorPopup::MouseLeave() { SetHoverIndex(NoCell); }

int TColorPopup::NextIndex(int key) const {
  const int h = hoverIndex_;
  const int last = CellCount() - 1;
  if (h == NoCell) return 0;
  switch (key) {
    case VK_LEFT:
      if (h > 0) return h - 1;
      if (h == 0) return HasDefault() ? DefaultCell : HasCustom() ? CustomCell : last;
      if (h == DefaultCell) return HasCustom() ? CustomCell : last;
      return last;
    case VK_RIGHT:
      if (h >= 0 && h < last) return h + 1;
      if (h == last) return HasCustom() ? CustomCell : HasDefault() ? DefaultCell : 0;
      if (h == DefaultCell) return 0;
      return HasDefault() ? DefaultCell : 0;
    case VK_UP:
      if (h >= kColumns) return h - kColumns;
      if (h >= 0) return HasDefault() ? DefaultCell : HasCustom() ? CustomCell : last;
      if (h == DefaultCell) return HasCustom() ? CustomCell : last;
      return last;
    case VK_DOWN:
      if (h >= 0 && h + kColumns <= last) return h + kColumns;
      if (h >= 0) return HasCustom() ? CustomCell : HasDefault() ? DefaultCell : 0;
      if (h == DefaultCell) return 0;
      return HasDefault() ? DefaultCell : 0;
    default:
      return h;
  }
}

void TColorPopup::KeyDown(int& key, TShiftState) {
  switch (key) {
    case VK_LEFT:
    case VK_RIGHT:
    case VK_UP:
    case VK_DOWN:
      SetHoverIndex(NextIndex(key));
      key = 0;
      break;
    case VK_RETURN:
    case VK_SPACE:
      key = 0;
      if (hoverIndex_ != NoCell) Choose(hoverIndex_);
      break;
    case VK_ESCAPE:
      key = 0;
      if (OnClose) OnClose(NoCell);
      break;
    default:
      break;
  }
}

void TColorPopup::KeyPress(char32_t& ch) {
  if (ch < 0x80 && ch > ' ') {
    const char32_t lower = char32_t(std::tolower(int(ch)));
    if (HasDefault() && Accelerator(defaultText_) == lower) {
      ch = 0;
      Choose(DefaultCell);
    } else if (HasCustom() && Accelerator(customText_) == lower) {
      ch = 0;
      Choose(CustomCell);
    }
  }
}

// ---- painting ----

void TColorPopup::PaintEntry(TCanvas& c, int index, const TRect& r, const std::string& text) {
  TRect frame = r;
  if (index == selectedIndex_)
    c.DrawEdge(frame, BDR_SUNKENOUTER, BF_RECT);
  else if (index == hoverIndex_)
    c.DrawEdge(frame, BDR_RAISEDINNER, BF_RECT);
  TRect area = r;
  if (index == CustomCell) area.Right = CustomSwatchRect().Left - edge_;
  const std::string caption = DrawnCaption(text);
  const TSize ext = c.TextExtent(caption);
  c.SetBkMode(TRANSPARENT);
  c.SetTextColor(clBtnText);
  c.TextRect(Inset(r, 1), area.Left + (area.Width() - ext.cx) / 2,
             area.Top + (area.Height() - ext.cy) / 2, caption);
}

void TColorPopup::PaintCell(TCanvas& c, int index) {
  TRect r = CellRect(index);
  const TRect swatch = Inset(r, edge_ + 1);
  c.Pen.SetStyle(psSolid);
  c.Pen.SetColor(clBtnShadow);
  c.Pen.SetWidth(1);
  c.Pen.SetMode(pmCopy);
  c.Brush.SetStyle(bsSolid);
  c.Brush.SetColor(ColorToRGB(PaletteEntry(index).Color));
  c.Rectangle(swatch);
  if (index == selectedIndex_)
    c.DrawEdge(r, BDR_SUNKENOUTER, BF_RECT);
  else if (index == hoverIndex_)
    c.DrawEdge(r, BDR_RAISEDINNER, BF_RECT);
}

void TColorPopup::PaintHexagon(TCanvas& c, TPoint centre, int size, TColor color, bool outline) {
  TPoint pts[6];
  for (int k = 0; k < 6; ++k) {
    const double a = (90.0 - 60.0 * k) * kPi / 180.0;
    pts[k] = {centre.X + RoundEven(size / 2.0 * std::cos(a)),
              centre.Y + RoundEven(size / 2.0 * std::sin(a))};
  }
  if (outline) {
    c.Pen.SetStyle(psSolid);
    c.Pen.SetMode(pmXor);
    c.Pen.SetColor(clWhite);
    c.Pen.SetWidth(2);
    c.Brush.SetStyle(bsClear);
  } else {
    c.Pen.SetStyle(psClear);
    c.Pen.SetMode(pmCopy);
    c.Pen.SetWidth(1);
    c.Brush.SetStyle(bsSolid);
    c.Brush.SetColor(color);
  }
  c.Polygon(pts);
  c.Pen.SetMode(pmCopy);
  c.Pen.SetWidth(1);
  c.Pen.SetStyle(psSolid);
  c.Brush.SetStyle(bsSolid);
}

void TColorPopup::PaintIntensityBar(TCanvas& c) {
  const TRect& b = barRect_;
  c.Brush.SetStyle(bsSolid);
  c.Brush.SetColor(clBtnFace);
  c.FillRect(b);
  const int h = b.Height() - 1;
  if (h <= 0) return;
  c.Pen.SetStyle(psSolid);
  c.Pen.SetWidth(1);
  for (int j = 0; j <= h; ++j) {
    const int g = RoundEven(double(h - j) * 255 / h);
    c.Pen.SetColor(RGB(g, g, g));
    c.MoveTo(b.Left, b.Top + j);
    c.LineTo(b.Left + 10, b.Top + j);
  }
  const int x = b.Left + 11, y = b.Top + RoundEven((1 - intensity_) * h);
  const TPoint tri[3] = {{x, y}, {x + 5, y - 3}, {x + 5, y + 3}};
  c.Pen.SetColor(clBlack);
  c.Brush.SetColor(clBlack);
  c.Polygon(tri);
}

void TColorPopup::PaintComb(TCanvas& c) {
  for (const TCombEntry& e : comb_) PaintHexagon(c, e.Position, combSize_, e.Color, false);
  const TPoint g0 = greyRect_.TopLeft();
  for (std::size_t i = 0; i < grey_.size(); ++i)
    PaintHexagon(c, {g0.X + grey_[i].Position.X, g0.Y + grey_[i].Position.Y}, GreyCellSize(int(i)),
                 grey_[i].Color, false);
  if (combSelected_ > 0) {
    PaintHexagon(c, comb_[combSelected_ - 1].Position, combSize_, clWhite, true);
  } else if (combSelected_ < 0) {
    const int i = -combSelected_ - 1;
    PaintHexagon(c, {g0.X + grey_[i].Position.X, g0.Y + grey_[i].Position.Y}, GreyCellSize(i),
                 clWhite, true);
  }
  PaintIntensityBar(c);
}

void TColorPopup::Paint(TCanvas& c, const TRect&) {
  const TSize size = WindowSize();
  TRect client = Rect(0, 0, size.cx, size.cy);
  c.Brush.SetStyle(bsSolid);
  c.Brush.SetColor(clBtnFace);
  c.FillRect(client);
  c.DrawEdge(client, EDGE_RAISED, BF_RECT);
  c.Font.Assign(TFont());
  c.Font.SetColor(clBtnText);
  if (HasDefault()) PaintEntry(c, DefaultCell, defaultRect_, defaultText_);
  for (int i = 0; i < CellCount(); ++i) PaintCell(c, i);
  if (showSystemColors_) {
    const int y = gridTop_ + (NamedColorCount / kColumns) * kCell + edge_ - 1;
    TRect line = Rect(edge_ + spacing_, y, width_ - edge_ - spacing_, y + 2);
    c.DrawEdge(line, EDGE_ETCHED, BF_TOP);
  }
  if (HasCustom()) {
    PaintEntry(c, CustomCell, customRect_, customText_);
    c.Pen.SetColor(clBtnShadow);
    c.Brush.SetStyle(bsSolid);
    c.Brush.SetColor(ColorToRGB(CustomColor()));
    c.Rectangle(CustomSwatchRect());
  }
  if (CombShown()) PaintComb(c);
}

// ---------------------------------------------------------------------------
// TColorPickerButton

TColorPickerButton::TColorPickerButton() {
  popup_.OnClose = [this](int cell) { PopupClosed(cell); };
  popup_.OnResize = [this] {
    if (droppedDown_) PlacePopup();
  };
  popup_.OnEntryHint = [this](int cell, std::string& hint) {
    if (OnHint) OnHint(cell, hint);
  };
}

TColorPickerButton::~TColorPickerButton() {
  if (droppedDown_ && presenter_) presenter_->HidePopup();
}

void TColorPickerButton::Invalidate() {
  if (host_) host_->Invalidate();
}

void TColorPickerButton::SetSelectionColor(TColor v) {
  if (v == selectionColor_) return;
  selectionColor_ = v;
  Invalidate();
  if (droppedDown_) popup_.SelectColor(v);
  if (OnChange) OnChange();
}

void TColorPickerButton::SetDropDownWidth(int v) {
  if (v == dropDownWidth_ || v < 0) return;
  dropDownWidth_ = v;
  Invalidate();
}

void TColorPickerButton::SetDropDownArrowColor(TColor v) {
  arrowColor_ = v;
  Invalidate();
}

void TColorPickerButton::SetPopupSpacing(int v) {
  popupSpacing_ = v;
  popup_.SetSpacing(v);
}

void TColorPickerButton::SetIndicatorBorder(TIndicatorBorder v) {
  indicatorBorder_ = v;
  Invalidate();
}

void TColorPickerButton::SetGlyph(const TImage& v) {
  glyph_ = v;
  Invalidate();
}

void TColorPickerButton::SetNumGlyphs(int v) {
  numGlyphs_ = std::clamp(v, 1, 4);
  Invalidate();
}

void TColorPickerButton::SetLayout(TButtonLayout v) {
  layout_ = v;
  Invalidate();
}

void TColorPickerButton::SetMargin(int v) {
  if (v < -1 || v == margin_) return;
  margin_ = v;
  Invalidate();
}

void TColorPickerButton::SetSpacing(int v) {
  spacing_ = v;
  Invalidate();
}

void TColorPickerButton::SetFlat(bool v) {
  flat_ = v;
  Invalidate();
}

void TColorPickerButton::SetTransparent(bool v) {
  transparent_ = v;
  Invalidate();
}

void TColorPickerButton::SetDown(bool v) {
  if (groupIndex_ == 0) v = false;
  if (v == down_) return;
  down_ = v;
  state_ = v ? bsExclusive : bsUp;
  Invalidate();
}

void TColorPickerButton::SetEnabled(bool v) {
  if (v == enabled_) return;
  enabled_ = v;
  if (!v && droppedDown_) SetDroppedDown(false);
  state_ = !v ? bsDisabled : down_ ? bsExclusive : bsUp;
  Invalidate();
}

void TColorPickerButton::SetColor(TColor v) {
  color_ = v;
  Invalidate();
}

void TColorPickerButton::DoDefaultSelect() {
  if (OnDefaultSelect) OnDefaultSelect();
}

TRect TColorPickerButton::PopupBounds(const TRect& button, TSize popup, const TRect& screen) {
  int x = button.Left - 1;
  int y = button.Bottom;
  if (y + popup.cy > screen.Bottom) {
    y = screen.Bottom - popup.cy;
    if (y < button.Top) y = button.Top - popup.cy;
  }
  if (x + popup.cx > screen.Right) x = screen.Right - popup.cx;
  x = std::max(x, screen.Left);
  return Bounds(x, y, popup.cx, popup.cy);
}

void TColorPickerButton::PlacePopup() {
  if (!presenter_) return;
  presenter_->ShowPopup(PopupBounds(presenter_->ButtonScreenRect(), popup_.WindowSize(),
                                    presenter_->ScreenWorkArea()));
}

void TColorPickerButton::SetDroppedDown(bool v) {
  if (v == droppedDown_) return;
  if (v && !enabled_) return;
  bool allowed = true;
  if (OnDropChanging) OnDropChanging(allowed);
  if (!allowed) return;
  droppedDown_ = v;
  if (v) {
    popup_.SelectColor(selectionColor_);
    PlacePopup();
    if (host_) host_->SetCapture();
  } else {
    if (host_) host_->ReleaseCapture();
    if (presenter_) presenter_->HidePopup();
  }
  if (OnDropChanged) OnDropChanged();
  Invalidate();
}

void TColorPickerButton::PopupClosed(int cell) {
  SetDroppedDown(false);
  if (droppedDown_) return;  // the close was vetoed
  if (cell >= 0)
    SetSelectionColor(PaletteEntry(cell).Color);
  else if (cell == CustomCell)
    SetSelectionColor(popup_.CustomColor());
  else if (cell == DefaultCell)
    DoDefaultSelect();
}

// ---- input ----

void TColorPickerButton::MouseDown(TMouseButton b, TShiftState, int x, int) {
  if (b != mbLeft || !enabled_ || !host_) return;
  const TRect client = host_->ClientRect();
  if (x >= client.Right - dropDownWidth_) {
    SetDroppedDown(!droppedDown_);
    return;
  }
  if (!down_) {
    state_ = bsDown;
    Invalidate();
  }
  dragging_ = true;
}

void TColorPickerButton::MouseMove(TShiftState, int x, int y) {
  if (!host_) return;
  const bool inside = host_->ClientRect().Contains(x, y);
  if (inside != mouseInControl_ && enabled_) {
    mouseInControl_ = inside;
    if (flat_) Invalidate();
  }
  if (!dragging_) return;
  const TButtonState s = inside ? bsDown : (down_ ? bsExclusive : bsUp);
  if (s != state_ && !down_) {
    state_ = s;
    Invalidate();
  }
}

void TColorPickerButton::MouseUp(TMouseButton b, TShiftState, int x, int y) {
  if (b != mbLeft || !dragging_ || !host_) return;
  dragging_ = false;
  const bool inside = host_->ClientRect().Contains(x, y);
  if (groupIndex_ != 0) {
    // A grouped button toggles instead of clicking; it goes up only when
    // the group allows all buttons up.
    if (inside && (!down_ || allowAllUp_)) SetDown(!down_);
    state_ = down_ ? bsExclusive : bsUp;
    Invalidate();
    return;
  }
  state_ = bsUp;
  Invalidate();
  if (inside && OnClick) OnClick();
}

void TColorPickerButton::DblClick() {
  if (OnDblClick) OnDblClick();
}

void TColorPickerButton::MouseLeave() {
  if (!mouseInControl_) return;
  mouseInControl_ = false;
  if (flat_) Invalidate();
}

// ---- painting ----

TRect TColorPickerButton::ContentRect(const TRect& client) const {
  TRect r = client;
  r.Right -= dropDownWidth_;
  return Inset(r, 2);
}

TImage TColorPickerButton::GlyphImage(TButtonState s) const {
  if (glyph_.Empty()) return {};
  const int n = std::clamp(numGlyphs_, 1, 4);
  const int w = glyph_.Width() / n, h = glyph_.Height();
  if (w <= 0) return {};
  int index = int(s);
  const bool derive = s == bsDisabled && n < 2;
  if (index >= n) index = 0;
  const TColor transparent = glyph_.Pixel(0, h - 1);
  const TColor face = ColorToRGB(color_);
  TImage out(w, h, face);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      const TColor p = glyph_.Pixel(index * w + x, y);
      if (p == transparent) continue;
      if (derive) {
        out.SetPixel(x + 1, y + 1, ColorToRGB(clBtnHighlight));
      } else {
        out.SetPixel(x, y, p);
      }
    }
  if (derive)
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x)
        if (glyph_.Pixel(x, y) != transparent) out.SetPixel(x, y, ColorToRGB(clBtnShadow));
  return out;
}

void TColorPickerButton::PaintGlyph(TCanvas& c, const TRect& content, bool pressed) {
  const TImage img = GlyphImage(enabled_ ? (state_ == bsDisabled ? bsUp : state_) : bsDisabled);
  if (img.Empty()) return;
  const int gw = img.Width(), gh = img.Height();
  int x = content.Left + (content.Width() - gw) / 2;
  int y = content.Top + (content.Height() - gh) / 2;
  if (margin_ >= 0) {
    switch (layout_) {
      case blGlyphLeft:
        x = content.Left + margin_;
        break;
      case blGlyphRight:
        x = content.Right - margin_ - gw;
        break;
      case blGlyphTop:
        y = content.Top + margin_;
        break;
      case blGlyphBottom:
        y = content.Bottom - margin_ - gh;
        break;
    }
  }
  if (pressed) {
    ++x;
    ++y;
  }
  c.Draw(x, y, img);
}

void TColorPickerButton::PaintIndicator(TCanvas& c, const TRect& content, bool pressed) {
  if (indicatorBorder_ == ibEmpty) return;
  TRect r = Inset(content, 2);
  if (pressed) OffsetRect(r, 1, 1);
  switch (indicatorBorder_) {
    case ibFlat:
      c.Brush.SetColor(clBtnShadow);
      c.FrameRect(r);
      r = Inset(r, 1);
      break;
    case ibSunken:
      c.DrawEdge(r, BDR_SUNKENOUTER, BF_RECT | BF_ADJUST);
      break;
    case ibRaised:
      c.DrawEdge(r, BDR_RAISEDINNER, BF_RECT | BF_ADJUST);
      break;
    default:
      break;
  }
  c.Brush.SetStyle(bsSolid);
  c.Brush.SetColor(enabled_ ? ColorToRGB(selectionColor_) : ColorToRGB(clBtnFace));
  c.FillRect(r);
}

void TColorPickerButton::PaintArrow(TCanvas& c, const TRect& client) {
  TRect strip = Rect(client.Right - dropDownWidth_, client.Top, client.Right, client.Bottom);
  if (strip.Width() <= 0) return;
  if (droppedDown_) {
    TRect f = strip;
    c.DrawEdge(f, BDR_SUNKENOUTER, BF_RECT);
  } else if (!flat_ || mouseInControl_) {
    TRect sep = Rect(strip.Left, strip.Top + 2, strip.Left + 2, strip.Bottom - 2);
    c.DrawEdge(sep, EDGE_ETCHED, BF_LEFT);
  }
  int cx = strip.Left + strip.Width() / 2, cy = strip.Top + strip.Height() / 2;
  if (droppedDown_) {
    ++cx;
    ++cy;
  }
  const TColor color = enabled_ ? arrowColor_ : clBtnShadow;
  const TPoint tri[3] = {{cx - 2, cy - 1}, {cx + 2, cy - 1}, {cx, cy + 1}};
  c.Pen.SetStyle(psSolid);
  c.Pen.SetMode(pmCopy);
  c.Pen.SetWidth(1);
  c.Pen.SetColor(color);
  c.Brush.SetStyle(bsSolid);
  c.Brush.SetColor(color);
  c.Polygon(tri);
}

void TColorPickerButton::Paint(TCanvas& c, const TRect&) {
  if (!host_) return;
  TRect client = host_->ClientRect();
  c.Brush.SetStyle(bsSolid);
  c.Brush.SetColor(color_);
  c.FillRect(client);
  const bool pressed = state_ == bsDown || state_ == bsExclusive;
  TRect face = client;
  face.Right -= droppedDown_ ? dropDownWidth_ : 0;
  if (flat_) {
    if (pressed)
      c.DrawEdge(face, BDR_SUNKENOUTER, BF_RECT);
    else if (mouseInControl_ && enabled_)
      c.DrawEdge(face, BDR_RAISEDINNER, BF_RECT);
  } else {
    c.DrawEdge(face, pressed ? EDGE_SUNKEN : EDGE_RAISED, BF_RECT);
  }
  const TRect content = ContentRect(client);
  if (glyph_.Empty())
    PaintIndicator(c, content, pressed);
  else
    PaintGlyph(c, content, pressed);
  PaintArrow(c, client);
}

}  // namespace qv
