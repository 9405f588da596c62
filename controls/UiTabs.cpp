// Tab data, the region cache, the child buttons' shared mouse handling, and
// the tab control's settings.
#include "controls/UiTabs.h"

#include <algorithm>

namespace qv {

// ---- tab data ----------------------------------------------------------------

void TUiTabData::Assign(const TUiTabData& s) {
  Caption = s.Caption;
  Color = s.Color;
  DisabledIndex = s.DisabledIndex;
  Enabled = s.Enabled;
  Visible = s.Visible;
  Hint = s.Hint;
  ImageIndex = s.ImageIndex;
}

TUiTabData& TUiTabDataList::Add() {
  items_.push_back(std::make_unique<TUiTabData>());
  return *items_.back();
}

void TUiTabDataList::Delete(int index) {
  if (index >= 0 && index < Count()) items_.erase(items_.begin() + index);
}

void TUiTabDataList::Assign(const TUiTabDataList& s) {
  if (&s == this) return;
  items_.clear();
  for (const auto& t : s.items_) Add().Assign(*t);
}

// ---- region cache ------------------------------------------------------------

const TRegion* TUiTabRegionCache::Find(const TRect& rect) const {
  for (const TItem& i : items_)
    if (i.Rect == rect) return &i.Region;
  return nullptr;
}

void TUiTabRegionCache::Add(const TRect& rect, TRegion region) {
  auto it =
      std::find_if(items_.begin(), items_.end(), [&](const TItem& i) { return i.Rect == rect; });
  if (it != items_.end()) {
    std::rotate(items_.begin(), it, it + 1);
  } else {
    items_.insert(items_.begin(), TItem{rect, std::move(region)});
  }
  if (capacity_ != -1 && Count() > capacity_) items_.pop_back();
}

void TUiTabRegionCache::SetCapacity(int value) {
  if (value == 0 || value < -1)
    throw EUiTabError("Capacity must be -1 (to cache all regions) or > 0");
  if (value == capacity_) return;
  capacity_ = value;
  if (value != -1)
    while (Count() > capacity_) items_.pop_back();
}

// ---- child buttons -----------------------------------------------------------

void TUiTabChild::MouseDown(int x, int y) {
  held_ = true;
  pressed_ = PressedAt(x, y);
  owner_.Invalidate();
}

void TUiTabChild::MouseMove(int x, int y) {
  if (!held_) return;
  const bool p = PressedAt(x, y);
  if (p != pressed_) {
    pressed_ = p;
    owner_.Invalidate();
  }
}

void TUiTabChild::MouseUp(int, int) {
  if (!held_) return;
  held_ = false;
  const bool fire = pressed_;
  pressed_ = false;
  owner_.Invalidate();
  if (fire) Released();
}

void TUiTabScroller::MouseDown(int x, int y) {
  if (orientation_ == orHorizontal)
    button_ = x >= Width() / 2 ? 1 : 0;
  else
    button_ = y <= Height() / 2 ? 1 : 0;
  TUiTabChild::MouseDown(x, y);
}

bool TUiTabScroller::PressedAt(int x, int y) const {
  if (!TRect(0, 0, Width(), Height()).Contains(x, y)) return false;
  if (orientation_ == orHorizontal) return (x >= Width() / 2) == (button_ == 1);
  return (y <= Height() / 2) == (button_ == 1);
}

void TUiTabScroller::Released() {
  if (button_ == 1) {
    if (OnUpRightClick) OnUpRightClick();
  } else if (OnDownLeftClick) {
    OnDownLeftClick();
  }
}

bool TUiTabCloseButton::PressedAt(int x, int y) const {
  return TRect(0, 0, Width(), Height()).Contains(x, y);
}

void TUiTabCloseButton::Released() {
  if (OnClose) OnClose();
}

// ---- the tab control: construction and settings -------------------------------

TUiCustomTabControl::TUiCustomTabControl() {
  tabColors_.OnChange = [this] { Invalidate(); };
  textColors_.OnChange = [this] { Invalidate(); };
  font_.OnChange = [this](TGraphicsObject*) { LayoutChanged(); };
  imageLink_.OnChange = [this] { LayoutChanged(); };
  imageLink_.OnFree = [this] {
    images_ = nullptr;
    LayoutChanged();
  };
}

TUiCustomTabControl::~TUiCustomTabControl() {
  if (hotTimer_ && host_) host_->KillTimer(UiTabHotTrackTimer);
  font_.OnChange = nullptr;
}

void TUiCustomTabControl::SetHost(TControlHost* host) {
  if (host_ && hotTimer_) host_->KillTimer(UiTabHotTrackTimer);
  hotTimer_ = false;
  TControlCore::SetHost(host);
  if (host) {
    TRect r = host->ClientRect();
    if (!r.IsEmpty()) Resize(r.Width(), r.Height());
  }
}

void TUiCustomTabControl::Invalidate() {
  if (host_) host_->Invalidate();
}

void TUiCustomTabControl::LayoutChanged() {
  needsLayout_ = true;
  Invalidate();
}

void TUiCustomTabControl::TabsChanged() { LayoutChanged(); }

TFontService& TUiCustomTabControl::Fonts() { return host_ ? host_->Fonts() : FontService(); }

bool TUiCustomTabControl::Focused() const { return host_ && host_->Focused(); }

void TUiCustomTabControl::SetSize(int width, int height) { Resize(width, height); }

void TUiCustomTabControl::Resize(int width, int height) {
  if (width == width_ && height == height_) return;
  width_ = std::max(width, 0);
  height_ = std::max(height, 0);
  LayoutChanged();
}

void TUiCustomTabControl::SetColor(TColor v) {
  if (v == color_) return;
  color_ = v;
  Invalidate();
}

void TUiCustomTabControl::SetEnabled(bool v) {
  if (v == enabled_) return;
  enabled_ = v;
  Invalidate();
}

void TUiCustomTabControl::SetHint(const std::string& v) {
  hint_ = v;
  if (hotTab_ < 0 || !tabHints_) shownHint_ = v;
}

void TUiCustomTabControl::ParentColorChanged(TColor parentColor) {
  if (!parentBackgroundColor_) return;
  backgroundColor_ = parentColor;
  Invalidate();
}

void TUiCustomTabControl::SetRegionCacheCapacity(int v) {
  if (v == 0 || v < -1) return;
  regionCache_.SetCapacity(v);
}

void TUiCustomTabControl::SetShowCard(bool v) {
  if (v != showCard_) showCard_ = v, LayoutChanged();
}

namespace {

template <class T>
bool Store(T& field, T value) {
  if (field == value) return false;
  field = value;
  return true;
}

}  // namespace

// Settings that move tabs mark the layout dirty; the others repaint.
#define QV_GEOMETRY_SETTER(Name, Type, field)   \
  void TUiCustomTabControl::Set##Name(Type v) { \
    if (Store(field, v)) LayoutChanged();       \
  }
#define QV_LOOK_SETTER(Name, Type, field)       \
  void TUiCustomTabControl::Set##Name(Type v) { \
    if (Store(field, v)) Invalidate();          \
  }

QV_GEOMETRY_SETTER(AlignTabs, bool, alignTabs_)
QV_GEOMETRY_SETTER(BoldCurrentTab, bool, boldCurrentTab_)
QV_GEOMETRY_SETTER(ImagePosition, TUiImagePosition, imagePosition_)
QV_GEOMETRY_SETTER(MultiLine, bool, multiLine_)
QV_GEOMETRY_SETTER(ShowCardFrame, bool, showCardFrame_)
QV_GEOMETRY_SETTER(ShowFullFrame, bool, showFullFrame_)
QV_GEOMETRY_SETTER(ShowShadow, bool, showShadow_)
QV_GEOMETRY_SETTER(ShowCloseButton, bool, showCloseButton_)
QV_GEOMETRY_SETTER(TabOrientation, TUiTabOrientation, tabOrientation_)
QV_GEOMETRY_SETTER(TabSequence, TUiTabSequence, tabSequence_)
QV_GEOMETRY_SETTER(TabStyle, TUiTabStyle, tabStyle_)
QV_LOOK_SETTER(FlatColor, TColor, flatColor_)
QV_LOOK_SETTER(FlatColorAdjustment, int, flatColorAdjustment_)
QV_LOOK_SETTER(ImageAlignment, TUiHorizontalAlignment, imageAlignment_)
QV_LOOK_SETTER(ImageAlignmentVertical, TUiVerticalAlignment, imageAlignmentVertical_)
QV_LOOK_SETTER(HotTrack, bool, hotTrack_)
QV_LOOK_SETTER(HotTrackColor, TColor, hotTrackColor_)
QV_LOOK_SETTER(HotTrackColorType, TUiHotTrackColorType, hotTrackColorType_)
QV_LOOK_SETTER(HotTrackStyle, TUiHotTrackStyle, hotTrackStyle_)
QV_LOOK_SETTER(ShowFocusRect, bool, showFocusRect_)
QV_LOOK_SETTER(TabHints, bool, tabHints_)
QV_LOOK_SETTER(TextAlignment, TUiHorizontalAlignment, textAlignment_)
QV_LOOK_SETTER(TextAlignmentVertical, TUiVerticalAlignment, textAlignmentVertical_)
QV_LOOK_SETTER(Transparent, bool, transparent_)
QV_LOOK_SETTER(UseGradients, bool, useGradients_)

#undef QV_GEOMETRY_SETTER
#undef QV_LOOK_SETTER

void TUiCustomTabControl::SetBackgroundColor(TColor v) {
  parentBackgroundColor_ = false;
  if (Store(backgroundColor_, v)) Invalidate();
}

void TUiCustomTabControl::SetParentBackgroundColor(bool v) { parentBackgroundColor_ = v; }

void TUiCustomTabControl::SetUseColoredTabs(bool v) {
  if (Store(useColoredTabs_, v)) Invalidate();
}

void TUiCustomTabControl::SetCutCornerSize(int v) {
  if (v >= 0 && Store(cutCornerSize_, v)) LayoutChanged();
}

void TUiCustomTabControl::SetImageMargin(int v) {
  if (Store(imageMargin_, v)) LayoutChanged();
}

void TUiCustomTabControl::SetImages(TCustomImageList* v) {
  if (v == images_) return;
  if (images_) images_->UnRegisterChanges(&imageLink_);
  images_ = v;
  if (v) v->RegisterChanges(&imageLink_);
  LayoutChanged();
}

void TUiCustomTabControl::SetMargin(int v) {
  if (Store(margin_, std::max(v, 0))) LayoutChanged();
}

void TUiCustomTabControl::SetRowIndent(int v) {
  if (Store(rowIndent_, std::max(v, 0))) LayoutChanged();
}

void TUiCustomTabControl::SetRowOverlap(int v) {
  if (Store(rowOverlap_, std::max(v, 0))) LayoutChanged();
}

void TUiCustomTabControl::SetTabHeight(int v) {
  if (v >= 0 && Store(tabHeight_, v)) LayoutChanged();
}

void TUiCustomTabControl::SetTabWidth(int v) {
  if (v >= 0 && Store(tabWidth_, v)) LayoutChanged();
}

void TUiCustomTabControl::SetTextOrientation(TOrientation v) {
  if (!Store(textOrientation_, v)) return;
  // Rotated text needs an outline font.
  if (!loading_ && !IsTrueTypeFont(font_)) font_.SetName("Verdana");
  LayoutChanged();
}

void TUiCustomTabControl::SetFixedDimension(int v) {
  // Streamed for compatibility; the layout recomputes it.
  fixedDimension_ = std::max(v, 0);
}

void TUiCustomTabControl::Loaded() {
  loading_ = false;
  if (textOrientation_ == orVertical && !IsTrueTypeFont(font_)) font_.SetName("Verdana");
  shownHint_ = hint_;
  if (streamedTabIndexSet_) {
    streamedTabIndexSet_ = false;
    SetTabIndex(streamedTabIndex_);
  }
  LayoutChanged();
}

// ---- events ------------------------------------------------------------------

void TUiCustomTabControl::Change() {
  if (OnChange) OnChange();
}

bool TUiCustomTabControl::Changing(int newIndex) {
  bool allow = true;
  if (OnChanging) OnChanging(newIndex, allow);
  return allow;
}

void TUiCustomTabControl::TabClick() {
  if (OnTabClick) OnTabClick();
}

TColor TUiCustomTabControl::GetTextColor(int tabIndex, TColor color) {
  if (OnGetTextColor) OnGetTextColor(tabIndex, color);
  return color;
}

bool TUiCustomTabControl::DoPaintBackground(TCanvas& c, const TRect& r) {
  bool handled = false;
  if (OnPaintBackground) OnPaintBackground(c, r, handled);
  return handled;
}

bool TUiCustomTabControl::DoPaintCardBackground(TCanvas& c, const TRect& r) {
  bool handled = false;
  if (OnPaintCardBackground) OnPaintCardBackground(c, r, handled);
  return handled;
}

bool TUiCustomTabControl::DoPaintTabBackground(TCanvas& c, int tabIndex, const TRect& r) {
  bool handled = false;
  if (OnPaintTabBackground) OnPaintTabBackground(c, tabIndex, r, handled);
  return handled;
}

bool TUiCustomTabControl::CanClose() {
  bool allow = false;
  if (OnClose) OnClose(allow);
  return allow;
}

bool TUiCustomTabControl::CanSelectTab(int index) {
  if (index < 0 || index >= TabCount()) return false;
  const TUiTabData& t = tabs_[index];
  if (!t.Visible || !t.Enabled) return false;
  if (index == tabIndex_) return true;
  return Changing(index);
}

bool TUiCustomTabControl::IsAccel(char32_t ch, const std::string& caption) {
  int pos = -1;
  std::string plain = StripMnemonic(caption, &pos);
  if (pos < 0) return false;
  std::u32string u = Utf8ToUtf32(plain.substr(std::size_t(pos)));
  if (u.empty()) return false;
  auto lower = [](char32_t c) { return c < 128 ? char32_t(std::tolower(int(c))) : c; };
  return lower(u[0]) == lower(ch);
}

std::string TUiCustomTabControl::StripMnemonic(const std::string& caption, int* pos) {
  std::string out;
  out.reserve(caption.size());
  if (pos) *pos = -1;
  for (std::size_t i = 0; i < caption.size(); ++i) {
    if (caption[i] == '&' && i + 1 < caption.size()) {
      ++i;
      if (caption[i] != '&' && pos && *pos < 0) *pos = int(out.size());
    }
    out.push_back(caption[i]);
  }
  return out;
}

}  // namespace qv
