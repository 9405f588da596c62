// Painting of the tab control, its scroller and its close button.
#include <algorithm>

#include "controls/UiGrafx.h"
#include "controls/UiTabs.h"
#include "controls/UiThemeSrv.h"
#include "platform/core/Image.h"

namespace qv {

namespace {

bool Horizontal(TUiTabOrientation o) { return o == toTop || o == toBottom; }

void Fill(TCanvas& c, const TRect& r, TColor color) {
  c.Brush.SetStyle(bsSolid);
  c.Brush.SetColor(color);
  c.FillRect(r);
}

std::size_t ShapePoints(TUiTabStyle s) {
  switch (s) {
    case tsDoubleSlant:
      return 4;
    case tsRoundCorners:
      return 6;
    default:
      return 5;
  }
}

// Resets a flag when a paint ends, normally or by an exception.
struct TFlagGuard {
  bool& Flag;
  explicit TFlagGuard(bool& f) : Flag(f) { Flag = true; }
  ~TFlagGuard() { Flag = false; }
};

// The classic flat caption close button: face, cross, no 3-D edges.
void DrawCloseGlyph(TCanvas& c, const TRect& r, bool pushed, bool inactive) {
  Fill(c, r, clBtnFace);
  const int size = std::max(r.Width(), r.Height());
  const int inset = std::max(size / 4, 2);
  TRect g(r.Left + inset, r.Top + inset, r.Right - inset, r.Bottom - inset);
  if (pushed) OffsetRect(g, 1, 1);
  auto cross = [&](int dx, int dy, TColor color) {
    const int n = std::min(g.Width(), g.Height());
    for (int k = 0; k < n; ++k) {
      for (int t = 0; t < 2; ++t) {
        if (k + t >= n) continue;
        c.SetPixel(g.Left + k + t + dx, g.Top + k + dy, color);
        c.SetPixel(g.Left + n - 1 - k - t + dx, g.Top + k + dy, color);
      }
    }
  };
  if (inactive) {
    cross(1, 1, clBtnHighlight);
    cross(0, 0, clBtnShadow);
  } else {
    cross(0, 0, clBtnText);
  }
}

void OutlineRect(TCanvas& c, const TRect& r, TColor color) {
  c.Pen.SetStyle(psSolid);
  c.Pen.SetWidth(1);
  c.Pen.SetColor(color);
  c.Brush.SetStyle(bsClear);
  c.Rectangle(r);
  c.Brush.SetStyle(bsSolid);
}

}  // namespace

TColor TUiCustomTabControl::OutlineColor() const {
  return AdjustColor(flatColor_, flatColorAdjustment_);
}

TColor TUiCustomTabControl::HotColor() const {
  if (hotTrackColorType_ == htctActual) return hotTrackColor_;
  const int hue = ColorHue(hotTrackColor_);
  return HSLToColor(hue < 120 ? hue + 120 : hue - 120, 240, 140);
}

void TUiCustomTabControl::Paint(TCanvas& c, const TRect&) { PaintTo(c); }

void TUiCustomTabControl::PaintTo(TCanvas& c) {
  TFlagGuard guard(painting_);
  EnsureLayout();

  // Background, one pixel larger to the right and bottom.
  const TRect all(0, 0, width_ + 1, height_ + 1);
  if (!DoPaintBackground(c, all)) {
    if (transparent_ && ParentPainter)
      DrawParentImage(c, ParentPainter);
    else
      Fill(c, all, backgroundColor_);
  }

  PlaceChildren();

  // Tabs back to front, the selected one last; a nearer row's tabs cover
  // the card edge of the farther row drawn before them.
  const int first = std::max(firstShown_, 0);
  int lastRow = -1;
  for (int i = TabCount() - 1; i >= first; --i) {
    if (i == tabIndex_ || !tabs_[i].Visible || !FullyShown(i)) continue;
    if (multiLine_ && lastRow >= 0 && tabs_[i].Row < lastRow) {
      const int y = RowY(lastRow) + fixedDimension_;
      TPoint a = MapPoint(TPoint(ScrollOffset(), y)),
             b = MapPoint(TPoint(ScrollOffset() + width_ + height_, y));
      const TRect edge = NormalizedRect(TRect(a.X, a.Y, b.X, b.Y));
      c.Pen.SetColor(OutlineColor());
      c.Pen.SetStyle(psSolid);
      c.MoveTo(edge.Left, edge.Top);
      c.LineTo(Horizontal(tabOrientation_) ? edge.Right : edge.Left,
               Horizontal(tabOrientation_) ? edge.Top : edge.Bottom);
    }
    PaintTab(c, i);
    lastRow = tabs_[i].Row;
  }
  PaintCard(c);
  if (tabIndex_ >= 0 && tabIndex_ < TabCount() && FullyShown(tabIndex_)) PaintTab(c, tabIndex_);

  if (scroller_ && scrolling_) PaintChild(c, *scroller_);
  if (closeButton_ && showCloseButton_) PaintChild(c, *closeButton_);
}

void TUiCustomTabControl::PaintChild(TCanvas& c, TUiTabChild& child) {
  const TRect& b = child.BoundsRect();
  if (b.Right <= 0 || b.Bottom <= 0) return;
  const int saved = c.SaveDC();
  const TPoint vp = c.ViewportOrg();
  c.SetViewportOrg(vp.X + b.Left, vp.Y + b.Top);
  c.IntersectClipRect(TRect(0, 0, b.Width(), b.Height()));
  try {
    child.Paint(c);
  } catch (...) {
    c.RestoreDC(saved);
    throw;
  }
  c.RestoreDC(saved);
}

void TUiCustomTabControl::PlaceChildren() {
  if (loading_) return;
  if (scrolling_ || showCloseButton_) EnsureChildren();
  const int s = ButtonSize();
  const TColor frame = OutlineColor();
  const bool hz = Horizontal(tabOrientation_);
  const bool standard = tabSequence_ == tsStandard;
  // Across the row: centred on the front row; for tabs on top one pixel
  // higher with the shadow, one lower without.
  int across = RowY(0) + (fixedDimension_ - s) / 2;
  if (tabOrientation_ == toTop) across += showShadow_ ? -1 : 1;
  const TRect& a = tabArea_;
  auto acrossPos = [&](int size) {
    switch (tabOrientation_) {
      case toTop:
        return a.Top + across;
      case toBottom:
        return a.Bottom - across - size;
      case toLeft:
        return a.Left + across;
      case toRight:
        return a.Right - across - size;
    }
    return 0;
  };
  // Along the row: the buttons sit where the tabs end.
  const bool endAtHigh = hz ? standard : (tabOrientation_ == toLeft) != standard;
  const int lo = hz ? a.Left : a.Top, hi = hz ? a.Right : a.Bottom;
  auto place = [&](int offsetFromEnd, int length) {
    return endAtHigh ? hi - margin_ - offsetFromEnd - length : lo + margin_ + offsetFromEnd;
  };
  if (closeButton_) {
    closeButton_->SetFrameColor(frame);
    const int along = place(0, s);
    const int acr = acrossPos(s);
    closeButton_->SetBounds(hz ? Bounds(along, acr, s, s) : Bounds(acr, along, s, s));
  }
  if (scroller_) {
    scroller_->SetFrameColor(frame);
    scroller_->SetOrientation(hz ? orHorizontal : orVertical);
    const int len = 2 * s - 1;
    const int w = hz ? len : s, h = hz ? s : len;
    if (scrolling_) {
      const int along = place(showCloseButton_ ? s + 2 : 0, len);
      const int acr = acrossPos(s);
      scroller_->SetBounds(hz ? Bounds(along, acr, w, h) : Bounds(acr, along, w, h));
    } else {
      scroller_->SetBounds(Bounds(-w - 1, -h - 1, w, h));
    }
  }
}

void TUiCustomTabControl::PaintTab(TCanvas& c, int index) {
  const TUiTabData& tab = tabs_[index];
  const TRect rect = TabRect(index);
  const TRegion* rgn = TabRegion(index);
  if (!rgn) return;
  const bool selected = index == tabIndex_;
  const std::vector<TPoint> pts = TabPolygon(index);
  if (pts.size() != ShapePoints(tabStyle_))
    throw EUiTabError("Incorrect number of points in tab shape");

  const int saved = c.SaveDC();
  try {
    TRegion clip = *rgn;
    const TPoint origin = c.LPtoDP(TPoint(0, 0));
    clip.Offset(origin.X, origin.Y);
    c.SelectClipRegion(clip, RGN_AND);
    TRect visible;
    if (IntersectRect(visible, c.ClipBox(), rect)) {
      if (!DoPaintTabBackground(c, index, rect)) {
        const TColor base = useColoredTabs_ ? tab.Color : color_;
        const TColor shadow = useColoredTabs_ ? DarkerColor(tab.Color, 30) : tabColors_.Shadow();
        const TColor unselected = useColoredTabs_ ? tab.Color : tabColors_.Unselected();
        if (selected)
          Fill(c, rect, base);
        else if (useGradients_ && HighColorDisplay())
          DrawGradient(c, rect, Horizontal(tabOrientation_) ? gkVertical : gkHorizontal, 1, shadow,
                       unselected);
        else
          Fill(c, rect, unselected);
      }
      PaintTabContents(c, index, TabContentRect(index));
      // The highlight bar on the outer edge.
      TColor bar = clNone;
      if (selected)
        bar = tabColors_.HighlightBar();
      else if (hotTrack_ && hotTrackStyle_ == htsTab && index == hotTab_)
        bar = HotColor();
      if (bar != clNone) {
        TRect b = rect;
        InflateRect(b, 1, 1);
        switch (tabOrientation_) {
          case toTop:
            b.Bottom = b.Top + 6;
            break;
          case toLeft:
            b.Right = b.Left + 6;
            break;
          case toBottom:
            b.Top = b.Bottom - 4;
            break;
          case toRight:
            b.Left = b.Right - 4;
            break;
        }
        Fill(c, b, bar);
      }
    }
  } catch (...) {
    c.RestoreDC(saved);
    throw;
  }
  c.RestoreDC(saved);
  PaintOutline(c, pts);
}

void TUiCustomTabControl::PaintTabContents(TCanvas& c, int index, const TRect& cr) {
  const TUiTabData& tab = tabs_[index];
  const bool selected = index == tabIndex_;
  TRect text = cr;
  // The image on its side of the content rectangle, aligned in its area.
  int image = -1;
  if (images_) image = !tab.Enabled && tab.DisabledIndex != -1 ? tab.DisabledIndex : tab.ImageIndex;
  if (images_ && image >= 0) {
    const int iw = images_->Width(), ih = images_->Height(), gap = imageMargin_;
    TRect area = cr;
    switch (imagePosition_) {
      case ipLeft:
        area.Right = cr.Left + iw;
        text.Left = area.Right + gap;
        break;
      case ipRight:
        area.Left = cr.Right - iw;
        text.Right = area.Left - gap;
        break;
      case ipTop:
        area.Bottom = cr.Top + ih;
        text.Top = area.Bottom + gap;
        break;
      case ipBottom:
        area.Top = cr.Bottom - ih;
        text.Bottom = area.Top - gap;
        break;
      case ipBack:
      case ipStretch:
        break;
    }
    const bool disabledLook = !tab.Enabled && tab.DisabledIndex == -1;
    if (imagePosition_ == ipStretch) {
      c.StretchDraw(cr, images_->Image(image));
    } else {
      int x = area.Left + (area.Width() - iw) / 2, y = area.Top + (area.Height() - ih) / 2;
      if (imageAlignment_ == haLeft) x = area.Left;
      if (imageAlignment_ == haRight) x = area.Right - iw;
      if (imageAlignmentVertical_ == vaTop) y = area.Top;
      if (imageAlignmentVertical_ == vaBottom) y = area.Bottom - ih;
      images_->Draw(c, x, y, image, !disabledLook);
    }
  }
  const bool bold = boldCurrentTab_ && selected;
  if (!tab.Enabled) {
    TRect hl = text;
    OffsetRect(hl, 1, 1);
    PaintCaption(c, index, hl, textColors_.DisabledHighlight(), bold);
    PaintCaption(c, index, text, textColors_.DisabledShadow(), bold);
    return;
  }
  TColor color = GetTextColor(index, selected ? textColors_.Selected() : textColors_.Unselected());
  if (hotTrack_ && hotTrackStyle_ == htsText && index == hotTab_) color = HotColor();
  PaintCaption(c, index, text, color, bold);
}

void TUiCustomTabControl::PaintCaption(TCanvas& c, int index, const TRect& r, TColor color,
                                       bool bold) {
  const std::string& caption = tabs_[index].Caption;
  TFont f = TabFont(bold);
  f.SetColor(color);
  const bool vertical = textOrientation_ == orVertical;
  const int esc = !vertical ? 0 : tabOrientation_ == toRight ? 2700 : 900;
  f.SetEscapement(esc);
  c.Font.Assign(f);
  c.SetTextColor(color);
  c.SetBkMode(TRANSPARENT);
  c.SetTextAlign(TA_LEFT | TA_TOP);
  TFontService& fs = Fonts();
  TFont flat;
  flat.Assign(f);
  flat.SetEscapement(0);

  struct TLine {
    std::string Text;
    int Mark;
    TSize Size;
  };
  std::vector<TLine> lines;
  int along = 0, across = 0;
  const int lineHeight = fs.TextExtent(flat, "A").cy;
  std::string cur;
  auto flush = [&] {
    TLine l;
    l.Text = StripMnemonic(cur, &l.Mark);
    l.Size = l.Text.empty() ? TSize{0, lineHeight} : fs.TextExtent(flat, l.Text);
    along = std::max(along, l.Size.cx);
    across += l.Size.cy;
    lines.push_back(std::move(l));
    cur.clear();
  };
  for (std::size_t i = 0; i < caption.size(); ++i) {
    if (caption[i] == '\r' || caption[i] == '\n') {
      flush();
      if (caption[i] == '\r' && i + 1 < caption.size() && caption[i + 1] == '\n') ++i;
    } else {
      cur.push_back(caption[i]);
    }
  }
  flush();

  auto alignX = [&](int extent) {
    switch (textAlignment_) {
      case haLeft:
        return r.Left;
      case haRight:
        return r.Right - extent;
      default:
        return r.Left + (r.Width() - extent) / 2;
    }
  };
  TRect textRect;
  if (!vertical) {
    int y = r.Top + (r.Height() - across) / 2;
    if (textAlignmentVertical_ == vaTop) y = r.Top;
    if (textAlignmentVertical_ == vaBottom) y = r.Bottom - across;
    textRect = TRect(alignX(along), y, alignX(along) + along, y + across);
    for (const TLine& l : lines) {
      const int x = alignX(l.Size.cx);
      c.TextOut(x, y, l.Text);
      if (l.Mark >= 0) {
        // The mnemonic's underline below the marked character.
        const int x0 = x + fs.TextExtent(flat, l.Text.substr(0, std::size_t(l.Mark))).cx;
        std::u32string u = Utf8ToUtf32(l.Text.substr(std::size_t(l.Mark)));
        const int cw = u.empty() ? 0 : fs.TextExtent(flat, Utf32ToUtf8(u.substr(0, 1))).cx;
        const int base = y + fs.GetTextMetrics(flat).tmAscent + 1;
        c.Pen.SetStyle(psSolid);
        c.Pen.SetColor(color);
        c.MoveTo(x0, base);
        c.LineTo(x0 + cw, base);
      }
      y += l.Size.cy;
    }
  } else {
    // Lines side by side across the tab, each running along it, centred
    // along the tab.
    const int x0 = alignX(across);
    textRect = TRect(x0, r.Top + (r.Height() - along) / 2, x0 + across,
                     r.Top + (r.Height() - along) / 2 + along);
    int x = esc == 900 ? x0 : x0 + across;
    for (const TLine& l : lines) {
      const int start = r.Top + (r.Height() - l.Size.cx) / 2;
      if (esc == 900) {
        c.TextOut(x, start + l.Size.cx, l.Text);
        x += l.Size.cy;
      } else {
        c.TextOut(x, start, l.Text);
        x -= l.Size.cy;
      }
    }
  }
  if (index == tabIndex_ && showFocusRect_ && Focused()) {
    TRect fr = textRect;
    InflateRect(fr, 1, 1);
    c.DrawFocusRect(fr);
  }
}

void TUiCustomTabControl::PaintOutline(TCanvas& c, const std::vector<TPoint>& pts) {
  if (pts.empty()) return;
  const TColor color = OutlineColor();
  c.Pen.SetStyle(psSolid);
  c.Pen.SetWidth(1);
  c.Pen.SetColor(color);
  c.MoveTo(pts[0].X, pts[0].Y);
  for (std::size_t i = 1; i < pts.size(); ++i) c.LineTo(pts[i].X, pts[i].Y);
  c.SetPixel(pts.back().X, pts.back().Y, color);
}

void TUiCustomTabControl::PaintCard(TCanvas& c) {
  if (!showCard_) return;
  const TRect base = CardFrameRect();
  const TRect fill(base.Left, base.Top, base.Right + 1, base.Bottom + 1);
  if (!DoPaintCardBackground(c, fill)) {
    const bool colored = useColoredTabs_ && tabIndex_ >= 0 && tabIndex_ < TabCount();
    Fill(c, fill, colored ? tabs_[tabIndex_].Color : color_);
  }
  if (!showCardFrame_) return;
  const bool shadow = tabOrientation_ == toTop && tabSequence_ == tsStandard && showShadow_;
  TRect f = base;
  if (shadow) {
    f.Right -= 2;
    f.Bottom -= 2;
  }
  // The four corners, starting where the tab-side edge begins.
  TPoint corners[4];
  switch (tabOrientation_) {
    case toTop:
      corners[0] = {f.Left, f.Top}, corners[1] = {f.Right, f.Top};
      corners[2] = {f.Right, f.Bottom}, corners[3] = {f.Left, f.Bottom};
      break;
    case toBottom:
      corners[0] = {f.Left, f.Bottom}, corners[1] = {f.Right, f.Bottom};
      corners[2] = {f.Right, f.Top}, corners[3] = {f.Left, f.Top};
      break;
    case toLeft:
      corners[0] = {f.Left, f.Top}, corners[1] = {f.Left, f.Bottom};
      corners[2] = {f.Right, f.Bottom}, corners[3] = {f.Right, f.Top};
      break;
    case toRight:
      corners[0] = {f.Right, f.Top}, corners[1] = {f.Right, f.Bottom};
      corners[2] = {f.Left, f.Bottom}, corners[3] = {f.Left, f.Top};
      break;
  }
  const TColor color = OutlineColor();
  c.Pen.SetStyle(psSolid);
  c.Pen.SetWidth(1);
  c.Pen.SetColor(color);
  // The tab-side edge, open where the selected tab of the front row meets it.
  const bool hz = Horizontal(tabOrientation_);
  const bool open = tabIndex_ >= 0 && tabIndex_ < TabCount() && tabs_[tabIndex_].Visible &&
                    tabs_[tabIndex_].Row == 0 && FullyShown(tabIndex_);
  const TPoint s = corners[0], e = corners[1];
  if (open) {
    std::vector<TPoint> pts = TabPolygon(tabIndex_);
    int g1 = hz ? pts.front().X : pts.front().Y, g2 = hz ? pts.back().X : pts.back().Y;
    if (g1 > g2) std::swap(g1, g2);
    const int lo = hz ? s.X : s.Y, hi = hz ? e.X : e.Y;
    g1 = std::clamp(g1, lo, hi);
    g2 = std::clamp(g2, lo, hi);
    auto at = [&](int v) { return hz ? TPoint(v, s.Y) : TPoint(s.X, v); };
    if (g1 > lo) {
      c.MoveTo(s.X, s.Y);
      c.LineTo(at(g1).X, at(g1).Y);
    }
    if (g2 < hi) {
      c.MoveTo(at(g2).X, at(g2).Y);
      c.LineTo(e.X, e.Y);
    }
  } else {
    c.MoveTo(s.X, s.Y);
    c.LineTo(e.X, e.Y);
  }
  c.SetPixel(e.X, e.Y, color);
  if (showFullFrame_) {
    c.MoveTo(e.X, e.Y);
    c.LineTo(corners[2].X, corners[2].Y);
    c.LineTo(corners[3].X, corners[3].Y);
    c.LineTo(s.X, s.Y);
  }
  if (shadow) PaintShadow(c, f);
}

void TUiCustomTabControl::PaintShadow(TCanvas& c, const TRect& f) {
  // The parent's background, to darken pixel by pixel.
  TImage back(width_ + 1, height_ + 1, ColorToRGB(backgroundColor_));
  if (transparent_ && ParentPainter) {
    ParentPainter(back.Canvas());
    back.CloseCanvas();
  }
  auto shade = [&](int x, int y, int amount) {
    TColor bg = back.Pixel(x, y);
    if (bg == clNone) bg = ColorToRGB(backgroundColor_);
    c.SetPixel(x, y, BlendColors(clBlack, bg, amount));
  };
  for (int y = f.Top + 1; y <= f.Bottom + 1; ++y) shade(f.Right + 1, y, 30);
  for (int x = f.Left + 1; x <= f.Right; ++x) shade(x, f.Bottom + 1, 30);
  for (int y = f.Top + 2; y <= f.Bottom + 2; ++y) shade(f.Right + 2, y, 15);
  for (int x = f.Left + 2; x <= f.Right + 1; ++x) shade(x, f.Bottom + 2, 15);
}

// ---- scroller and close button ------------------------------------------------

void TUiTabScroller::Paint(TCanvas& c) {
  const int w = Width(), h = Height();
  const bool hz = orientation_ == orHorizontal;
  const int s = hz ? h : w;
  // Button 0 (down/left) and button 1 (up/right), and whether each scrolls
  // towards the last tab.
  const bool swap = (owner_.TabSequence() == tsReverse) != (owner_.TabOrientation() == toRight);
  const TRect rects[2] = {hz ? TRect(0, 0, s, h) : TRect(0, h - s, w, h),
                          hz ? TRect(w - s, 0, w, h) : TRect(0, 0, w, s)};
  for (int b = 0; b < 2; ++b) {
    const bool forward = (b == 1) != swap;
    const bool enabled = forward ? owner_.CanScrollForward() : owner_.CanScrollBackward();
    const bool down = held_ && pressed_ && button_ == b;
    TThemeServices& ts = ThemeServices();
    if (ts.ThemesEnabled()) {
      TThemedSpin kind;
      if (hz)
        kind = b == 1
                   ? (enabled ? (down ? tsUpHorzPressed : tsUpHorzNormal) : tsUpHorzDisabled)
                   : (enabled ? (down ? tsDownHorzPressed : tsDownHorzNormal) : tsDownHorzDisabled);
      else
        kind = b == 1 ? (enabled ? (down ? tsUpPressed : tsUpNormal) : tsUpDisabled)
                      : (enabled ? (down ? tsDownPressed : tsDownNormal) : tsDownDisabled);
      ts.DrawElement(c, TThemeServices::GetElementDetails(kind), rects[b]);
    } else {
      Fill(c, rects[b], clBtnFace);
      const TUiArrowDirection dir = hz ? (b == 1 ? adRight : adLeft) : (b == 1 ? adUp : adDown);
      DrawSpinArrow(c, rects[b], uasClassic, enabled, down, dir);
      OutlineRect(c, rects[b], frameColor_);
    }
  }
}

void TUiTabCloseButton::Paint(TCanvas& c) {
  const TRect r(0, 0, Width(), Height());
  const bool noTab = owner_.TabIndex() < 0;
  const bool down = held_ && pressed_;
  TThemeServices& ts = ThemeServices();
  if (ts.ThemesEnabled()) {
    const TThemedWindow kind = noTab ? twSmallCloseButtonDisabled
                                     : (down ? twSmallCloseButtonPushed : twSmallCloseButtonNormal);
    ts.DrawElement(c, TThemeServices::GetElementDetailsWindow(kind), r);
    return;
  }
  DrawCloseGlyph(c, r, down, noTab);
  OutlineRect(c, r, frameColor_);
}

}  // namespace qv
