// The tab control's geometry: tab sizes, placing tabs in rows, mapping the
// logical layout to client pixels, tab outlines and regions, hit testing.
#include <algorithm>
#include <cstdlib>

#include "controls/UiTabs.h"

namespace qv {

namespace {

bool Horizontal(TUiTabOrientation o) { return o == toTop || o == toBottom; }

std::vector<std::string> CaptionLines(const std::string& caption) {
  std::vector<std::string> lines;
  std::string cur;
  for (std::size_t i = 0; i < caption.size(); ++i) {
    char ch = caption[i];
    if (ch == '\r' || ch == '\n') {
      lines.push_back(cur);
      cur.clear();
      if (ch == '\r' && i + 1 < caption.size() && caption[i + 1] == '\n') ++i;
    } else {
      cur.push_back(ch);
    }
  }
  lines.push_back(cur);
  return lines;
}

}  // namespace

TFont TUiCustomTabControl::TabFont(bool bold) const {
  TFont f;
  f.Assign(font_);
  if (bold) f.SetStyle(f.Style() + TFontStyles{fsBold});
  return f;
}

TSize TUiCustomTabControl::CaptionExtent(const std::string& caption, const TFont& font) const {
  TFontService& fs = const_cast<TUiCustomTabControl*>(this)->Fonts();
  const int lineHeight = fs.TextExtent(font, "A").cy;
  int along = 0, across = 0;  // widest line, summed line heights
  for (const std::string& line : CaptionLines(caption)) {
    const std::string plain = StripMnemonic(line);
    TSize e = plain.empty() ? TSize{0, lineHeight} : fs.TextExtent(font, plain);
    along = std::max(along, e.cx);
    across += e.cy;
  }
  if (textOrientation_ == orVertical) return {across, along};
  return {along, across};
}

TSize TUiCustomTabControl::ContentSize(const TUiTabData& tab, const TFont& font) const {
  TSize text = CaptionExtent(tab.Caption, font);
  TSize img{0, 0};
  int gap = 0;
  if (images_ && tab.ImageIndex >= 0) {
    img = {images_->Width(), images_->Height()};
    gap = imageMargin_;
  }
  switch (imagePosition_) {
    case ipLeft:
    case ipRight:
      return {gap + img.cx + text.cx, std::max(img.cy, text.cy)};
    case ipTop:
    case ipBottom:
      return {std::max(img.cx, text.cx), gap + img.cy + text.cy};
    case ipBack:
      return {std::max(img.cx, text.cx), std::max(img.cy, text.cy)};
    case ipStretch:
      return text;
  }
  return text;
}

TSize TUiCustomTabControl::TabSize(TSize content) const {
  const int w = content.cx, h = content.cy, tH = tabHeight_, C = cutCornerSize_;
  const bool hz = Horizontal(tabOrientation_);
  const bool vertText = textOrientation_ == orVertical;
  TSize s;
  switch (tabStyle_) {
    case tsSingleSlant:
      s = hz ? TSize{2 * ((h + 6) / 2) + w + 6 + tH / 2, h + 6}
             : TSize{w + 6, 2 * ((w + 6) / 2) + h + 6 + tH / 2};
      break;
    case tsDoubleSlant:
      s = hz ? TSize{2 * (h + 2) + w + 6 + tH, h + 6} : TSize{w + 6, 2 * (w + 2) + h + 6 + tH};
      break;
    case tsCutCorner:
      if (!vertText)
        s = hz ? TSize{2 * C + w + 8, h + 7} : TSize{w + C + 7, h + 10};
      else
        s = hz ? TSize{w + 10, h + C + 7} : TSize{w + 7, 2 * C + h + 8};
      break;
    case tsRoundCorners:
      s = !vertText ? TSize{w + 16, h + 6} : TSize{w + 6, h + 16};
      break;
  }
  if (tabWidth_ > 0) s.cx = tabWidth_;
  if (tabHeight_ > 0) s.cy = tabHeight_;
  return s;
}

int TUiCustomTabControl::SlantWidth(int thickness) const {
  switch (tabStyle_) {
    case tsSingleSlant:
      return thickness / 2;
    case tsDoubleSlant:
      return thickness;
    default:
      return 0;
  }
}

int TUiCustomTabControl::ExtentAlong() const {
  return Horizontal(tabOrientation_) ? tabArea_.Width() : tabArea_.Height();
}

int TUiCustomTabControl::ExtentAcross() const {
  return Horizontal(tabOrientation_) ? std::max(height_ - 1, 0) : std::max(width_ - 1, 0);
}

int TUiCustomTabControl::StripThickness() const {
  const bool round = tabStyle_ == tsRoundCorners;
  if (!showCard_) return ExtentAcross() - (round && Horizontal(tabOrientation_) ? 1 : 0);
  return fixedDimension_ + (rows_ - 1) * (fixedDimension_ - rowOverlap_) + (round ? 3 : 0);
}

int TUiCustomTabControl::RowY(int row) const {
  return StripThickness() - fixedDimension_ - row * (fixedDimension_ - rowOverlap_);
}

int TUiCustomTabControl::ButtonSize() const {
  TFontService& fs = const_cast<TUiCustomTabControl*>(this)->Fonts();
  const int a = fs.TextExtent(TabFont(boldCurrentTab_), "A").cy;
  const int s = a + (textOrientation_ == orHorizontal ? 4 : 2);
  return std::max(1, std::min(s, fixedDimension_ - 2));
}

int TUiCustomTabControl::CloseRoom() const { return showCloseButton_ ? ButtonSize() + 2 : 0; }

int TUiCustomTabControl::FirstVisible() const { return NextVisible(-1, 1); }

int TUiCustomTabControl::LastVisible() const { return NextVisible(TabCount(), -1); }

int TUiCustomTabControl::NextVisible(int from, int step) const {
  for (int i = from + step; i >= 0 && i < TabCount(); i += step)
    if (tabs_[i].Visible) return i;
  return -1;
}

int TUiCustomTabControl::ScrollOffset() const {
  const int lead = margin_ + (tabStyle_ == tsRoundCorners ? 2 : 0);
  if (firstShown_ < 0 || firstShown_ >= TabCount()) return tabSequence_ == tsStandard ? 0 : lead;
  const TRect& r = tabs_[firstShown_].Rect;
  return tabSequence_ == tsStandard ? r.Left - lead : r.Right + lead;
}

TPoint TUiCustomTabControl::MapPoint(TPoint p) const {
  const int off = ScrollOffset();
  const TRect& a = tabArea_;
  if (tabSequence_ == tsStandard) {
    switch (tabOrientation_) {
      case toTop:
        return {p.X - off + a.Left, p.Y + a.Top};
      case toLeft:
        return {p.Y + a.Left, a.Bottom - (p.X - off)};
      case toBottom:
        return {p.X - off + a.Left, a.Bottom - p.Y};
      case toRight:
        return {a.Right - p.Y, p.X - off + a.Top};
    }
  }
  switch (tabOrientation_) {
    case toTop:
      return {a.Right - (off - p.X), p.Y + a.Top};
    case toLeft:
      return {p.Y + a.Left, off - p.X + a.Top};
    case toBottom:
      return {a.Right - (off - p.X), a.Bottom - p.Y};
    case toRight:
      return {a.Right - p.Y, a.Bottom - (off - p.X)};
  }
  return p;
}

TRect TUiCustomTabControl::MapRect(const TRect& r) const {
  TPoint a = MapPoint(r.TopLeft()), b = MapPoint(r.BottomRight());
  return NormalizedRect(TRect(a.X, a.Y, b.X, b.Y));
}

TRect TUiCustomTabControl::LogicalTabRect(int index) const {
  const TUiTabData& t = tabs_[index];
  TRect r = t.Rect;
  const int indent = t.Row * rowIndent_;
  OffsetRect(r, tabSequence_ == tsStandard ? indent : -indent, 0);
  if (tabStyle_ == tsRoundCorners && index == tabIndex_) {
    r.Left -= 2;
    r.Right += 2;
    r.Top -= 2;
  }
  return r;
}

void TUiCustomTabControl::EnsureLayout() {
  if (needsLayout_ && !inLayout_) Layout();
}

TRect TUiCustomTabControl::TabRect(int index) {
  EnsureLayout();
  if (index < 0 || index >= TabCount()) return TRect();
  return MapRect(LogicalTabRect(index));
}

std::vector<TPoint> TUiCustomTabControl::TabPolygon(int index) {
  EnsureLayout();
  if (index < 0 || index >= TabCount()) return {};
  const TRect r = LogicalTabRect(index);
  const int L = r.Left, T = r.Top, R = r.Right, B = r.Bottom, h = B - T;
  const int C = cutCornerSize_;
  std::vector<TPoint> pts;
  switch (tabStyle_) {
    case tsSingleSlant:
      pts = {{L, B}, {L, T + 2}, {L + 2, T}, {R - h, T}, {R, B}};
      break;
    case tsDoubleSlant:
      pts = {{L, B}, {L + h, T}, {R - h, T}, {R, B}};
      break;
    case tsCutCorner:
      pts = {{L, B}, {L, T}, {R - C, T}, {R, T + C}, {R, B}};
      break;
    case tsRoundCorners:
      pts = {{L, B}, {L, T + 2}, {L + 2, T}, {R - 2, T}, {R, T + 2}, {R, B}};
      break;
  }
  for (TPoint& p : pts) p = MapPoint(p);
  return pts;
}

TRect TUiCustomTabControl::TabContentRect(int index) {
  TRect r = TabRect(index);
  if (r.IsEmpty()) return r;
  const int W = r.Width(), H = r.Height(), C = cutCornerSize_;
  const TUiTabOrientation o = tabOrientation_;
  const bool hz = Horizontal(o);
  const bool vertText = textOrientation_ == orVertical;
  auto in = [&r](int dx, int dy) { InflateRect(r, -dx, -dy); };
  auto move = [&r](int dx, int dy) { OffsetRect(r, dx, dy); };
  switch (tabStyle_) {
    case tsSingleSlant:
      in(1, 1);
      if (hz) {
        r.Right -= 2 * (H / 2) + 2;
        move(3, 0);
        if (o == toTop) {
          r.Top += 2;
        } else {
          r.Bottom -= 2;
          move(0, 1);
        }
      } else {
        if (o == toRight) {
          r.Bottom -= 2 * (W / 2) + 2;
          move(0, 2);
        } else {
          r.Top += 2 * (W / 2) + 2;
          move(0, -2);
        }
        move(0, 1);
        if (o == toRight) {
          r.Right -= 2;
          move(1, 0);
        } else {
          r.Left += 2;
        }
      }
      break;
    case tsDoubleSlant:
      if (hz) {
        r.Left -= 1, r.Right += 1, r.Top += 1, r.Bottom -= 1;
        r.Left += H, r.Right -= H;
        move(1, 0);
        if (o == toTop) {
          r.Top += 2;
        } else {
          r.Bottom -= 2;
          move(0, 1);
        }
      } else {
        r.Left += 1, r.Right -= 1, r.Top -= 1, r.Bottom += 1;
        r.Top += W, r.Bottom -= W;
        r.Bottom += 2;
        move(0, 1);
        if (o == toLeft) {
          r.Left += 2;
        } else {
          r.Right -= 2;
          move(1, 0);
        }
      }
      break;
    case tsCutCorner:
      if (hz) {
        if (!vertText) {
          in(C + 3, 1);
          if (o == toTop)
            r.Top += 3;
          else
            r.Bottom -= 3;
        } else {
          in(4, 1);
          if (o == toTop)
            r.Top += C + 3;
          else
            r.Bottom -= C + 3;
        }
        if (o == toBottom) move(0, 1);
      } else {
        if (!vertText) {
          in(1, 4);
          if (o == toLeft)
            r.Left += C + 5;
          else
            r.Right -= C + 5;
        } else {
          in(1, C + 3);
          if (o == toLeft)
            r.Left += 5;
          else
            r.Right -= 5;
        }
        if (o == toRight) move(1, 0);
      }
      break;
    case tsRoundCorners:
      if (!vertText)
        in(4, 2);
      else
        in(2, 4);
      break;
  }
  in(1, 1);
  return r;
}

const TRegion* TUiCustomTabControl::TabRegion(int index) {
  const TRect rect = TabRect(index);
  if (const TRegion* r = regionCache_.Find(rect)) return r;
  std::vector<TPoint> pts = TabPolygon(index);
  if (pts.size() < 3) return nullptr;
  regionCache_.Add(rect, TRegion::FromPolygon(pts));
  const TRegion* r = regionCache_.Find(rect);
  if (!r) throw EUiTabError("Error creating region");
  return r;
}

bool TUiCustomTabControl::Scrolling() {
  EnsureLayout();
  return scrolling_;
}

int TUiCustomTabControl::RowCount() {
  EnsureLayout();
  return rows_;
}

int TUiCustomTabControl::FixedDimension() {
  EnsureLayout();
  return fixedDimension_;
}

int TUiCustomTabControl::RowLength() {
  EnsureLayout();
  return rowLength_;
}

TRect TUiCustomTabControl::TabArea() {
  EnsureLayout();
  return tabArea_;
}

bool TUiCustomTabControl::FullyShown(int index) {
  EnsureLayout();
  if (index < 0 || index >= TabCount() || !tabs_[index].Visible) return false;
  if (!scrolling_) return true;
  const int off = ScrollOffset();
  const TRect& r = tabs_[index].Rect;
  if (tabSequence_ == tsStandard) return r.Left >= off && r.Right <= off + rowLength_;
  return r.Right <= off && r.Left >= off - rowLength_;
}

int TUiCustomTabControl::TabAtPos(int x, int y) {
  EnsureLayout();
  if (TabCount() == 0 || FirstVisible() < 0) return -1;
  auto hit = [&](int i) {
    if (!tabs_[i].Visible || !FullyShown(i)) return false;
    if (!TabRect(i).Contains(x, y)) return false;
    const TRegion* rgn = TabRegion(i);
    return rgn && rgn->Contains(x, y);
  };
  if (tabIndex_ >= 0 && tabIndex_ < TabCount() && hit(tabIndex_)) return tabIndex_;
  const int n = TabCount();
  const int start = std::clamp(firstShown_, 0, n - 1);
  for (int k = 0; k < n; ++k) {
    const int i = (start + k) % n;
    if (i != tabIndex_ && hit(i)) return i;
  }
  return -1;
}

void TUiCustomTabControl::PlaceTabs() {
  const bool round = tabStyle_ == tsRoundCorners;
  const int h = fixedDimension_;
  const int slant = SlantWidth(h);
  const int cap = std::max(rowLength_ - (round ? 4 : 0), 1);
  const bool standard = tabSequence_ == tsStandard;
  int x = standard ? margin_ : -margin_;
  int row = 0;
  bool rowEmpty = true;
  for (int i = 0; i < TabCount(); ++i) {
    TUiTabData& t = tabs_[i];
    if (!t.Visible) {
      t.Rect = TRect();
      t.Row = 0;
      continue;
    }
    const int s = std::clamp(t.Rect.Width(), 1, cap);
    const int used = standard ? x : -x;
    if (multiLine_ && !rowEmpty && used + s >= rowLength_) {
      x = standard ? margin_ : -margin_;
      ++row;
      rowEmpty = true;
    }
    const int y = RowY(row);
    t.Rect = standard ? TRect(x, y, x + s, y + h) : TRect(x - s, y, x, y + h);
    t.Row = row;
    rowEmpty = false;
    x += standard ? s - slant + 1 : -(s - slant + 1);
  }
  if (!standard) {
    const int shift = multiLine_ ? width_ : -x;
    for (int i = 0; i < TabCount(); ++i)
      if (tabs_[i].Visible) OffsetRect(tabs_[i].Rect, shift, 0);
  }
}

void TUiCustomTabControl::AlignRows() {
  const bool fixedAlong = Horizontal(tabOrientation_) ? tabWidth_ > 0 : tabHeight_ > 0;
  if (!multiLine_ || !alignTabs_ || fixedAlong) return;
  const bool standard = tabSequence_ == tsStandard;
  const int extra = tabStyle_ == tsRoundCorners ? 4 : 0;
  for (int row = 0; row < rows_; ++row) {
    std::vector<int> members;
    for (int i = 0; i < TabCount(); ++i)
      if (tabs_[i].Visible && tabs_[i].Row == row) members.push_back(i);
    if (members.empty()) continue;
    const TRect& first = tabs_[members.front()].Rect;
    const TRect& last = tabs_[members.back()].Rect;
    const int span = standard ? last.Right - first.Left : first.Right - last.Left;
    const int room = rowLength_ - (span + extra);
    if (room < 1) continue;
    const int n = int(members.size());
    int shift = 0;
    for (int k = 0; k < n; ++k) {
      const int grow = room / n + (k < room % n ? 1 : 0);
      TRect& r = tabs_[members[std::size_t(k)]].Rect;
      if (standard) {
        r.Left += shift;
        r.Right += shift + grow;
      } else {
        r.Right -= shift;
        r.Left -= shift + grow;
      }
      shift += grow;
    }
  }
}

void TUiCustomTabControl::RotateRows() {
  if (rows_ < 2 || tabIndex_ < 0 || tabIndex_ >= TabCount() || !tabs_[tabIndex_].Visible) return;
  const int selRow = tabs_[tabIndex_].Row;
  if (selRow == 0) return;
  for (int i = 0; i < TabCount(); ++i) {
    TUiTabData& t = tabs_[i];
    if (!t.Visible) continue;
    t.Row = (t.Row + rows_ - selRow) % rows_;
    const int y = RowY(t.Row);
    t.Rect.Top = y;
    t.Rect.Bottom = y + fixedDimension_;
  }
}

void TUiCustomTabControl::Layout() {
  inLayout_ = true;
  needsLayout_ = false;
  struct TGuard {
    bool& flag;
    ~TGuard() { flag = false; }
  } guard{inLayout_};
  regionCache_.Clear();

  const bool hz = Horizontal(tabOrientation_);
  const bool round = tabStyle_ == tsRoundCorners;
  const TFont font = TabFont(boldCurrentTab_);
  TFontService& fs = Fonts();

  // Sizes: content (at least the extent of "A"), the largest across the
  // row for every tab, then the tab size of the style.
  TSize minText = fs.TextExtent(font, round ? "AAA" : "A");
  const int fontHeight = std::abs(font.Height());
  TSize minContent = textOrientation_ == orHorizontal ? TSize{minText.cx, fontHeight}
                                                      : TSize{fontHeight, minText.cy};
  std::vector<TSize> content(static_cast<std::size_t>(TabCount()));
  int acrossMax = hz ? minContent.cy : minContent.cx;
  for (int i = 0; i < TabCount(); ++i) {
    TSize c = ContentSize(tabs_[i], font);
    if (tabWidth_ <= 0) c.cx = std::max(c.cx, minContent.cx);
    if (tabHeight_ <= 0) c.cy = std::max(c.cy, minContent.cy);
    content[std::size_t(i)] = c;
    if (tabs_[i].Visible) acrossMax = std::max(acrossMax, hz ? c.cy : c.cx);
  }
  TSize minTab = TabSize(minContent);
  fixedDimension_ = hz ? minTab.cy : minTab.cx;
  bool anyVisible = false;
  for (int i = 0; i < TabCount(); ++i) {
    TSize c = content[std::size_t(i)];
    (hz ? c.cy : c.cx) = acrossMax;
    TSize s = TabSize(c);
    // Keep the length along the row in Rect's width until the tabs are placed.
    tabs_[i].Rect = TRect(0, 0, std::max(hz ? s.cx : s.cy, 1), 0);
    if (tabs_[i].Visible) {
      const int thick = hz ? s.cy : s.cx;
      fixedDimension_ = anyVisible ? std::max(fixedDimension_, thick) : thick;
      anyVisible = true;
    }
  }
  fixedDimension_ = std::max(fixedDimension_, 1);

  // The strip's extent along the row.
  const int w1 = std::max(width_ - 1, 0), h1 = std::max(height_ - 1, 0);
  const int along = hz ? w1 - (tabOrientation_ == toTop && showShadow_ ? 2 : 0) : h1;
  const int bs = ButtonSize();
  const int base = along - 2 * margin_;

  // Rows: place greedily; while more rows are needed than assumed, assume
  // one more (each further row is indented, so the rows get shorter).
  rows_ = 1;
  if (multiLine_) {
    const int slant = SlantWidth(fixedDimension_);
    for (int k = 1;; ++k) {
      const int len = base - (k - 1) * rowIndent_;
      const int cap = std::max(len - (round ? 4 : 0), 1);
      int needed = 1, x = margin_;
      bool rowEmpty = true;
      for (int i = 0; i < TabCount(); ++i) {
        if (!tabs_[i].Visible) continue;
        const int s = std::clamp(tabs_[i].Rect.Width(), 1, cap);
        if (!rowEmpty && x + s >= len) {
          ++needed;
          x = margin_;
        }
        rowEmpty = false;
        x += s - slant + 1;
      }
      if (needed <= k || k >= TabCount()) {
        rows_ = std::max(1, std::min(needed, std::max(k, 1)));
        rowLength_ = len;
        break;
      }
    }
  } else {
    rowLength_ = base - CloseRoom() - (2 * bs + 2);
  }

  // The strip, at the side of the orientation.
  const int thick = StripThickness();
  switch (tabOrientation_) {
    case toTop:
      tabArea_ = TRect(0, 0, along, thick);
      break;
    case toBottom:
      tabArea_ = TRect(0, h1 - thick, w1, h1);
      break;
    case toLeft:
      tabArea_ = TRect(0, 0, thick, h1);
      break;
    case toRight:
      tabArea_ = TRect(w1 - thick, 0, w1, h1);
      break;
  }

  PlaceTabs();
  AlignRows();

  // Scrolling: one row whose last tab (the first in reverse sequence) ends
  // beyond the room.
  scrolling_ = false;
  if (!multiLine_ && anyVisible) {
    const int end = tabSequence_ == tsStandard ? tabs_[LastVisible()].Rect.Right
                                               : tabs_[FirstVisible()].Rect.Right;
    scrolling_ = end > along - 2 * margin_ - (showCloseButton_ ? bs : 0);
  }
  if (!scrolling_) {
    firstShown_ = std::max(FirstVisible(), 0);
  } else if (!FullyShown(firstShown_)) {
    int f = -1;
    for (int i = std::max(firstShown_, 0); i < TabCount() && f < 0; ++i)
      if (FullyShown(i)) f = i;
    for (int i = std::min(firstShown_, TabCount() - 1); i >= 0 && f < 0; --i)
      if (FullyShown(i)) f = i;
    firstShown_ = f >= 0 ? f : std::max(FirstVisible(), 0);
  }

  // A selection that is no longer valid moves to the nearest selectable tab.
  if (tabIndex_ >= 0 && !(tabIndex_ < TabCount() && CanSelectTab(tabIndex_))) {
    int sel = -1;
    for (int i = tabIndex_; i < TabCount() && sel < 0; ++i)
      if (CanSelectTab(i)) sel = i;
    for (int i = std::min(tabIndex_, TabCount() - 1); i >= 0 && sel < 0; --i)
      if (CanSelectTab(i)) sel = i;
    ForceTabIndex(sel);
  }
  RotateRows();

  const TRect card = CardRect();
  if (card != lastCardRect_) {
    lastCardRect_ = card;
    CardRectChanged(card);
  }
}

TRect TUiCustomTabControl::CardFrameRect() {
  EnsureLayout();
  const int w1 = std::max(width_ - 1, 0), h1 = std::max(height_ - 1, 0);
  const int thick = StripThickness();
  switch (tabOrientation_) {
    case toTop:
      return TRect(0, thick, w1, h1);
    case toBottom:
      return TRect(0, 0, w1, h1 - thick);
    case toLeft:
      return TRect(thick, 0, w1, h1);
    case toRight:
      return TRect(0, 0, w1 - thick, h1);
  }
  return TRect();
}

TRect TUiCustomTabControl::CardRect() {
  EnsureLayout();
  if (!showCard_) return TRect(-2, -2, -1, -1);
  TRect r = CardFrameRect();
  if (!showCardFrame_) {
    ++r.Right;
    ++r.Bottom;
  } else if (showFullFrame_) {
    ++r.Left;
    ++r.Top;
    if (tabOrientation_ == toTop && tabSequence_ == tsStandard && showShadow_) {
      r.Right -= 2;
      r.Bottom -= 2;
    }
  } else {
    // Only the tab-side edge is framed.
    ++r.Right;
    ++r.Bottom;
    switch (tabOrientation_) {
      case toTop:
        ++r.Top;
        break;
      case toLeft:
        ++r.Left;
        break;
      case toBottom:
        --r.Bottom;
        break;
      case toRight:
        --r.Right;
        break;
    }
  }
  return r;
}

}  // namespace qv
