// The tab control and the page control.
//
// TUiCustomTabControl is an owner-drawn strip of tabs above (or beside) a
// card area. It lays its tabs out in logical coordinates, as if the tabs
// stood on top with the card below (x along the row, y across it, y = 0 at
// the outer edge), and maps them to client pixels by orientation and
// sequence. Tabs are drawn in one of four shapes; tab regions are cached by
// rectangle. When the tabs do not fit on one row it either wraps them into
// rows (MultiLine) or shows a scroller with two arrow buttons; an optional
// close button closes the active tab.
//
// TUiPageControl shows one of its pages (TUiTabSheet) in the card area and
// one tab per page whose TabVisible is set. Pages are owned by their page
// control. Each page is a core of its own; its host (a widget holding the
// page's child controls) is told through TUiTabSheetHost when the page is
// shown, hidden, moved or destroyed.
//
// Everything here runs on the UI thread. The layout runs lazily (at paint,
// hit test or selection) after any change that can move tabs. Exceptions of
// the region cache and of malformed tab shapes abandon the paint in
// progress; the control stays usable.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "controls/UiCommon.h"
#include "platform/core/ControlCore.h"
#include "platform/core/ImageList.h"
#include "platform/core/SysUtils.h"

namespace qv {

QV_DECLARE_EXCEPTION(EUiTabError, Exception)
QV_DECLARE_EXCEPTION(EUiPageError, Exception)

enum TUiTabStyle : std::uint8_t { tsSingleSlant, tsDoubleSlant, tsCutCorner, tsRoundCorners };
enum TUiTabOrientation : std::uint8_t { toTop, toLeft, toBottom, toRight };
enum TUiTabSequence : std::uint8_t { tsStandard, tsReverse };
enum TUiImagePosition : std::uint8_t { ipLeft, ipTop, ipRight, ipBottom, ipBack, ipStretch };
enum TUiHorizontalAlignment : std::uint8_t { haLeft, haCenter, haRight };
enum TUiVerticalAlignment : std::uint8_t { vaTop, vaCenter, vaBottom };
enum TUiHotTrackStyle : std::uint8_t { htsTab, htsText };

// One tab. Rect is its place in logical coordinates and Row the row the
// layout put it in (0 = next to the card); both belong to the layout.
struct TUiTabData {
  std::string Caption;
  TColor Color = clBtnFace;
  int DisabledIndex = -1;
  bool Enabled = true;
  std::string Hint;
  int ImageIndex = -1;
  TRect Rect;
  bool Visible = true;
  int Row = 0;
  // Copies everything but the layout's rectangle and row.
  void Assign(const TUiTabData& source);
};

// An owning list of tabs.
class TUiTabDataList {
 public:
  int Count() const { return int(items_.size()); }
  TUiTabData& operator[](int i) { return *items_[std::size_t(i)]; }
  const TUiTabData& operator[](int i) const { return *items_[std::size_t(i)]; }
  TUiTabData& Add();
  void Delete(int index);
  void Clear() { items_.clear(); }
  // Deep copy of another list.
  void Assign(const TUiTabDataList& source);

 private:
  std::vector<std::unique_ptr<TUiTabData>> items_;
};

// A set of colours whose every change calls OnChange (the owner repaints).
class TUiColorSet {
 public:
  std::function<void()> OnChange;

 protected:
  void Set(TColor& field, TColor value) {
    if (field == value) return;
    field = value;
    if (OnChange) OnChange();
  }
};

class TUiTabColors : public TUiColorSet {
 public:
  TColor HighlightBar() const { return highlightBar_; }
  void SetHighlightBar(TColor v) { Set(highlightBar_, v); }
  TColor Shadow() const { return shadow_; }
  void SetShadow(TColor v) { Set(shadow_, v); }
  TColor Unselected() const { return unselected_; }
  void SetUnselected(TColor v) { Set(unselected_, v); }

 private:
  TColor highlightBar_ = clHighlight;
  TColor shadow_ = clBtnFace;
  TColor unselected_ = clWindow;
};

class TUiTextColors : public TUiColorSet {
 public:
  TColor DisabledHighlight() const { return disabledHighlight_; }
  void SetDisabledHighlight(TColor v) { Set(disabledHighlight_, v); }
  TColor DisabledShadow() const { return disabledShadow_; }
  void SetDisabledShadow(TColor v) { Set(disabledShadow_, v); }
  TColor Selected() const { return selected_; }
  void SetSelected(TColor v) { Set(selected_, v); }
  TColor Unselected() const { return unselected_; }
  void SetUnselected(TColor v) { Set(unselected_, v); }

 private:
  TColor disabledHighlight_ = clBtnHighlight;
  TColor disabledShadow_ = clBtnShadow;
  TColor selected_ = clBtnText;
  TColor unselected_ = clBtnText;
};

// Tab regions by rectangle, most recently used first. Capacity -1 keeps
// every region; a positive capacity drops the oldest beyond it.
class TUiTabRegionCache {
 public:
  // The region cached for an equal rectangle, or null.
  const TRegion* Find(const TRect& rect) const;
  // Caches a region (an equal rectangle's entry moves to the front instead).
  void Add(const TRect& rect, TRegion region);
  void Clear() { items_.clear(); }
  int Count() const { return int(items_.size()); }
  int Capacity() const { return capacity_; }
  // Raises EUiTabError for 0 and values below -1.
  void SetCapacity(int value);

 private:
  struct TItem {
    TRect Rect{-1, -1, -1, -1};
    TRegion Region;
  };
  std::vector<TItem> items_;
  int capacity_ = 1;
};

class TUiCustomTabControl;

// A part of the tab control that behaves as a child control of its own:
// bounds in the tab control's client pixels, its own paint and mouse
// handling (the tab control routes the mouse to it).
class TUiTabChild {
 public:
  explicit TUiTabChild(TUiCustomTabControl& owner) : owner_(owner) {}
  virtual ~TUiTabChild() = default;
  TUiTabChild(const TUiTabChild&) = delete;
  TUiTabChild& operator=(const TUiTabChild&) = delete;
  const TRect& BoundsRect() const { return bounds_; }
  void SetBounds(const TRect& r) { bounds_ = r; }
  int Width() const { return bounds_.Width(); }
  int Height() const { return bounds_.Height(); }
  TColor FrameColor() const { return frameColor_; }
  void SetFrameColor(TColor v) { frameColor_ = v; }
  // Painted in its own coordinates (0, 0 at its top-left corner).
  virtual void Paint(TCanvas& canvas) = 0;
  // Mouse positions in its own coordinates.
  virtual void MouseDown(int x, int y);
  virtual void MouseMove(int x, int y);
  virtual void MouseUp(int x, int y);
  bool Held() const { return held_; }
  bool ShownPressed() const { return pressed_; }

 protected:
  // Whether a held press is shown pressed at (x, y).
  virtual bool PressedAt(int x, int y) const = 0;
  virtual void Released() = 0;
  TUiCustomTabControl& owner_;
  TRect bounds_;
  TColor frameColor_ = clBtnShadow;
  bool held_ = false;
  bool pressed_ = false;
};

// The pair of arrow buttons shown when the tabs do not fit.
class TUiTabScroller : public TUiTabChild {
 public:
  using TUiTabChild::TUiTabChild;
  TOrientation Orientation() const { return orientation_; }
  void SetOrientation(TOrientation v) { orientation_ = v; }
  // 0 = down/left, 1 = up/right.
  int PressedButton() const { return button_; }
  void MouseDown(int x, int y) override;
  void Paint(TCanvas& canvas) override;
  std::function<void()> OnUpRightClick;
  std::function<void()> OnDownLeftClick;

 protected:
  bool PressedAt(int x, int y) const override;
  void Released() override;

 private:
  TOrientation orientation_ = orHorizontal;
  int button_ = 0;
};

// The small button that closes the active tab.
class TUiTabCloseButton : public TUiTabChild {
 public:
  using TUiTabChild::TUiTabChild;
  void Paint(TCanvas& canvas) override;
  std::function<void()> OnClose;

 protected:
  bool PressedAt(int x, int y) const override;
  void Released() override;
};

// Timer ids of the tab control.
constexpr int UiTabHotTrackTimer = 1;
constexpr int UiTabHotTrackInterval = 60;

class TUiCustomTabControl : public TControlCore {
 public:
  TUiCustomTabControl();
  ~TUiCustomTabControl() override;
  TUiCustomTabControl(const TUiCustomTabControl&) = delete;
  TUiCustomTabControl& operator=(const TUiCustomTabControl&) = delete;

  // ---- tabs ----
  // The tabs; call TabsChanged() after changing them directly.
  TUiTabDataList& Tabs() { return tabs_; }
  const TUiTabDataList& Tabs() const { return tabs_; }
  int TabCount() const { return tabs_.Count(); }
  virtual void TabsChanged();
  int TabIndex() const { return tabIndex_; }
  virtual void SetTabIndex(int value);
  // There are tabs, the tab is visible and enabled, and OnChanging allows
  // leaving the current tab for it.
  bool CanSelectTab(int index);
  // The tab under a client point, or -1.
  int TabAtPos(int x, int y);
  // The tab's rectangle and outline in client pixels (after the layout).
  TRect TabRect(int index);
  std::vector<TPoint> TabPolygon(int index);
  // The area for the tab's image and caption, client pixels.
  TRect TabContentRect(int index);
  // The card's client area (where pages go).
  TRect CardRect();
  // The strip holding the rows of tabs, client pixels.
  TRect TabArea();
  bool FullyShown(int index);
  int FirstShown() const { return firstShown_; }
  bool Scrolling();
  int RowCount();
  // The thickness of a row of tabs (streamed as "FixedDimension").
  int FixedDimension();
  void SetFixedDimension(int v);
  int HotTab() const { return hotTab_; }
  // The row length the layout used (along the row, logical pixels).
  int RowLength();
  // Scroll one step towards the last or the first tab.
  void ScrollForward();
  void ScrollBackward();
  bool CanScrollForward();
  bool CanScrollBackward();
  TUiTabScroller* Scroller() const { return scroller_.get(); }
  TUiTabCloseButton* CloseButton() const { return closeButton_.get(); }
  TUiTabRegionCache& RegionCache() { return regionCache_; }
  int RegionCacheCapacity() const { return regionCache_.Capacity(); }
  // 0 and values below -1 are ignored.
  void SetRegionCacheCapacity(int v);
  bool ShowCard() const { return showCard_; }
  void SetShowCard(bool v);

  // Repaints the control (through the host).
  void Invalidate();

  // ---- size, font, colours, state ----
  int Width() const { return width_; }
  int Height() const { return height_; }
  // The client size when no host gives one (tests, off-screen rendering).
  void SetSize(int width, int height);
  TFont& Font() { return font_; }
  TColor Color() const { return color_; }
  virtual void SetColor(TColor v);
  bool Enabled() const { return enabled_; }
  void SetEnabled(bool v);
  bool Focused() const;
  const std::string& Hint() const { return hint_; }
  void SetHint(const std::string& v);
  // The hint shown now: a tab's hint while TabHints shows one, else Hint.
  const std::string& CurrentHint() const { return shownHint_; }
  // The parent's colour changed (BackgroundColor follows it while
  // ParentBackgroundColor is set).
  virtual void ParentColorChanged(TColor parentColor);
  // Paints what lies under the control, for Transparent and the shadow.
  TParentPainter ParentPainter;
  // The mouse pointer in client pixels, read by the hot-tracking timer.
  std::function<TPoint()> PointerPos;

  // ---- published settings ----
  bool AlignTabs() const { return alignTabs_; }
  void SetAlignTabs(bool v);
  TColor BackgroundColor() const { return backgroundColor_; }
  void SetBackgroundColor(TColor v);
  bool ParentBackgroundColor() const { return parentBackgroundColor_; }
  void SetParentBackgroundColor(bool v);
  bool BoldCurrentTab() const { return boldCurrentTab_; }
  void SetBoldCurrentTab(bool v);
  bool UseColoredTabs() const { return useColoredTabs_; }
  virtual void SetUseColoredTabs(bool v);
  int CutCornerSize() const { return cutCornerSize_; }
  void SetCutCornerSize(int v);
  TColor FlatColor() const { return flatColor_; }
  void SetFlatColor(TColor v);
  int FlatColorAdjustment() const { return flatColorAdjustment_; }
  void SetFlatColorAdjustment(int v);
  TUiImagePosition ImagePosition() const { return imagePosition_; }
  void SetImagePosition(TUiImagePosition v);
  TUiHorizontalAlignment ImageAlignment() const { return imageAlignment_; }
  void SetImageAlignment(TUiHorizontalAlignment v);
  TUiVerticalAlignment ImageAlignmentVertical() const { return imageAlignmentVertical_; }
  void SetImageAlignmentVertical(TUiVerticalAlignment v);
  int ImageMargin() const { return imageMargin_; }
  void SetImageMargin(int v);
  TCustomImageList* Images() const { return images_; }
  void SetImages(TCustomImageList* v);
  bool HotTrack() const { return hotTrack_; }
  void SetHotTrack(bool v);
  TColor HotTrackColor() const { return hotTrackColor_; }
  void SetHotTrackColor(TColor v);
  TUiHotTrackColorType HotTrackColorType() const { return hotTrackColorType_; }
  void SetHotTrackColorType(TUiHotTrackColorType v);
  TUiHotTrackStyle HotTrackStyle() const { return hotTrackStyle_; }
  void SetHotTrackStyle(TUiHotTrackStyle v);
  int Margin() const { return margin_; }
  void SetMargin(int v);
  bool MultiLine() const { return multiLine_; }
  void SetMultiLine(bool v);
  int RowIndent() const { return rowIndent_; }
  void SetRowIndent(int v);
  int RowOverlap() const { return rowOverlap_; }
  void SetRowOverlap(int v);
  bool ShowCardFrame() const { return showCardFrame_; }
  void SetShowCardFrame(bool v);
  bool ShowFullFrame() const { return showFullFrame_; }
  void SetShowFullFrame(bool v);
  bool ShowShadow() const { return showShadow_; }
  void SetShowShadow(bool v);
  bool ShowFocusRect() const { return showFocusRect_; }
  void SetShowFocusRect(bool v);
  bool ShowCloseButton() const { return showCloseButton_; }
  void SetShowCloseButton(bool v);
  TUiTabColors& TabColors() { return tabColors_; }
  TUiTextColors& TextColors() { return textColors_; }
  int TabHeight() const { return tabHeight_; }
  void SetTabHeight(int v);
  int TabWidth() const { return tabWidth_; }
  void SetTabWidth(int v);
  bool TabHints() const { return tabHints_; }
  void SetTabHints(bool v);
  TUiTabOrientation TabOrientation() const { return tabOrientation_; }
  void SetTabOrientation(TUiTabOrientation v);
  TUiTabSequence TabSequence() const { return tabSequence_; }
  void SetTabSequence(TUiTabSequence v);
  TUiTabStyle TabStyle() const { return tabStyle_; }
  void SetTabStyle(TUiTabStyle v);
  TOrientation TextOrientation() const { return textOrientation_; }
  void SetTextOrientation(TOrientation v);
  TUiHorizontalAlignment TextAlignment() const { return textAlignment_; }
  void SetTextAlignment(TUiHorizontalAlignment v);
  TUiVerticalAlignment TextAlignmentVertical() const { return textAlignmentVertical_; }
  void SetTextAlignmentVertical(TUiVerticalAlignment v);
  bool Transparent() const { return transparent_; }
  void SetTransparent(bool v);
  bool UseGradients() const { return useGradients_; }
  void SetUseGradients(bool v);

  // ---- events ----
  std::function<void()> OnChange;
  std::function<void(int newIndex, bool& allow)> OnChanging;
  std::function<void()> OnClick;
  std::function<void(bool& allowClose)> OnClose;
  std::function<void(int tabIndex, TColor& color)> OnGetTextColor;
  std::function<void(TCanvas&, const TRect&, bool& handled)> OnPaintBackground;
  std::function<void(TCanvas&, const TRect&, bool& handled)> OnPaintCardBackground;
  std::function<void(TCanvas&, int tabIndex, const TRect&, bool& handled)> OnPaintTabBackground;
  std::function<void()> OnTabClick;
  // The host should take down a tooltip that is showing.
  std::function<void()> OnCancelHint;

  // ---- loading ----
  // While loading, TabIndex is held back and geometry is not placed.
  void BeginLoading() { loading_ = true; }
  bool Loading() const { return loading_; }
  virtual void Loaded();

  // ---- TControlCore ----
  void SetHost(TControlHost* host) override;
  void Paint(TCanvas& canvas, const TRect& rect) override;
  // Draws the whole control on a canvas (client coordinates).
  void PaintTo(TCanvas& canvas);
  void MouseDown(TMouseButton button, TShiftState shift, int x, int y) override;
  void MouseMove(TShiftState shift, int x, int y) override;
  void MouseUp(TMouseButton button, TShiftState shift, int x, int y) override;
  void KeyDown(int& key, TShiftState shift) override;
  void FocusIn() override;
  void FocusOut() override;
  void MouseLeave() override;
  void Resize(int width, int height) override;
  void Timer(int id) override;
  // Arrow keys only; Tab moves the focus on.
  bool WantsAllKeys() const override { return false; }
  // A mnemonic (Alt + character): selects the tab whose caption marks it.
  virtual bool DialogChar(char32_t ch);

  // Whether the tab's caption marks ch with "&".
  static bool IsAccel(char32_t ch, const std::string& caption);
  // The caption without mnemonic marks ("&&" stays as one "&"); pos gets
  // the index of the marked character (-1 when none).
  static std::string StripMnemonic(const std::string& caption, int* pos = nullptr);

 protected:
  virtual void Change();
  virtual bool Changing(int newIndex);
  virtual void TabClick();
  virtual TColor GetTextColor(int tabIndex, TColor color);
  virtual bool DoPaintBackground(TCanvas& canvas, const TRect& rect);
  virtual bool DoPaintCardBackground(TCanvas& canvas, const TRect& rect);
  virtual bool DoPaintTabBackground(TCanvas& canvas, int tabIndex, const TRect& rect);
  virtual void CloseActiveTab() {}
  // The card rectangle changed: child controls realign.
  virtual void CardRectChanged(const TRect& cardRect) { (void)cardRect; }
  bool CanClose();
  void LayoutChanged();
  void EnsureLayout();
  // Sets the index without asking OnChanging (layout and keyboard).
  void ForceTabIndex(int value);
  TFontService& Fonts();

  int tabIndex_ = -1;
  bool loading_ = false;

 private:
  // geometry (UiTabsLayout.cpp)
  void Layout();
  TSize CaptionExtent(const std::string& caption, const TFont& font) const;
  TSize ContentSize(const TUiTabData& tab, const TFont& font) const;
  TSize TabSize(TSize content) const;
  int SlantWidth(int thickness) const;
  int ExtentAlong() const;
  int ExtentAcross() const;
  int StripThickness() const;
  int RowY(int row) const;
  int ButtonSize() const;
  int CloseRoom() const;
  int ScrollOffset() const;
  TRect LogicalTabRect(int index) const;
  TPoint MapPoint(TPoint p) const;
  TRect MapRect(const TRect& r) const;
  void PlaceTabs();
  void AlignRows();
  void RotateRows();
  const TRegion* TabRegion(int index);
  int FirstVisible() const;
  int LastVisible() const;
  int NextVisible(int from, int step) const;
  TFont TabFont(bool bold) const;
  // painting (UiTabsPaint.cpp)
  void PlaceChildren();
  void PaintBackgroundAt(TCanvas& c);
  void PaintTab(TCanvas& c, int index);
  void PaintTabContents(TCanvas& c, int index, const TRect& content);
  void PaintCaption(TCanvas& c, int index, const TRect& r, TColor color, bool bold);
  void PaintCard(TCanvas& c);
  void PaintOutline(TCanvas& c, const std::vector<TPoint>& pts);
  void PaintShadow(TCanvas& c, const TRect& card);
  void PaintChild(TCanvas& c, TUiTabChild& child);
  TColor OutlineColor() const;
  TColor HotColor() const;
  TRect CardFrameRect();
  // input (UiTabsInput.cpp)
  void ResetHot();
  TUiTabChild* ChildAt(int x, int y) const;
  void SelectByKey(int index);
  void EnsureChildren();

  friend class TUiTabScroller;
  friend class TUiTabCloseButton;

  TUiTabDataList tabs_;
  TUiTabRegionCache regionCache_;
  TUiTabColors tabColors_;
  TUiTextColors textColors_;
  TFont font_;
  std::unique_ptr<TUiTabScroller> scroller_;
  std::unique_ptr<TUiTabCloseButton> closeButton_;
  TUiTabChild* mouseChild_ = nullptr;  // child holding the mouse
  TChangeLink imageLink_;
  TCustomImageList* images_ = nullptr;

  int width_ = 300;
  int height_ = 100;
  TColor color_ = clBtnFace;
  bool enabled_ = true;
  std::string hint_;
  std::string shownHint_;
  bool showCard_ = true;
  int streamedTabIndex_ = -1;
  bool streamedTabIndexSet_ = false;

  // settings
  bool alignTabs_ = false;
  TColor backgroundColor_ = clBtnFace;
  bool parentBackgroundColor_ = true;
  bool boldCurrentTab_ = false;
  bool useColoredTabs_ = false;
  int cutCornerSize_ = 6;
  TColor flatColor_ = clBtnShadow;
  int flatColorAdjustment_ = 0;
  TUiImagePosition imagePosition_ = ipLeft;
  TUiHorizontalAlignment imageAlignment_ = haCenter;
  TUiVerticalAlignment imageAlignmentVertical_ = vaCenter;
  int imageMargin_ = 2;
  bool hotTrack_ = true;
  TColor hotTrackColor_ = clHighlight;
  TUiHotTrackColorType hotTrackColorType_ = htctComplement;
  TUiHotTrackStyle hotTrackStyle_ = htsTab;
  int margin_ = 0;
  bool multiLine_ = false;
  int rowIndent_ = 5;
  int rowOverlap_ = 5;
  bool showCardFrame_ = true;
  bool showFullFrame_ = true;
  bool showShadow_ = true;
  bool showFocusRect_ = true;
  bool showCloseButton_ = false;
  int tabHeight_ = 0;
  int tabWidth_ = 0;
  bool tabHints_ = false;
  TUiTabOrientation tabOrientation_ = toTop;
  TUiTabSequence tabSequence_ = tsStandard;
  TUiTabStyle tabStyle_ = tsSingleSlant;
  TOrientation textOrientation_ = orHorizontal;
  TUiHorizontalAlignment textAlignment_ = haCenter;
  TUiVerticalAlignment textAlignmentVertical_ = vaCenter;
  bool transparent_ = false;
  bool useGradients_ = true;

  // layout state
  bool needsLayout_ = true;
  bool inLayout_ = false;
  bool painting_ = false;
  bool forcing_ = false;
  int fixedDimension_ = 0;
  int rows_ = 1;
  int rowLength_ = 0;
  bool scrolling_ = false;
  int firstShown_ = 0;
  int hotTab_ = -1;
  bool hotTimer_ = false;
  TRect tabArea_;
  TRect lastCardRect_{-1, -1, -1, -1};
};

class TUiPageControl;

// What a page's host (the widget holding the page's child controls) does
// when the page control shows, hides, places, moves or frees the page.
class TUiTabSheetHost {
 public:
  virtual ~TUiTabSheetHost() = default;
  virtual void SheetVisibleChanged(bool visible) = 0;
  virtual void SheetBoundsChanged(const TRect& bounds) = 0;
  virtual void SheetChanged() {}  // caption, colour or the like: repaint
  virtual void SheetBringToFront() {}
  // The page moved to another page control (null: removed from its control).
  virtual void SheetMoved(TUiPageControl* pageControl) { (void)pageControl; }
  // The page is being destroyed; the host must let go of it.
  virtual void SheetDestroyed() = 0;
  // Whether the focused control lies on the page.
  virtual bool SheetContainsFocus() const { return false; }
  // Focuses the page's first control that takes focus; false when none.
  virtual bool SheetFocusFirst() { return false; }
};

// A page of a page control. Construction leaves it hidden; the page control
// shows the active page and hides the others.
class TUiTabSheet : public TControlCore {
 public:
  explicit TUiTabSheet(const std::string& caption = std::string());
  ~TUiTabSheet() override;
  TUiTabSheet(const TUiTabSheet&) = delete;
  TUiTabSheet& operator=(const TUiTabSheet&) = delete;

  const std::string& Caption() const { return caption_; }
  void SetCaption(const std::string& v);
  TColor Color() const { return color_; }
  void SetColor(TColor v);
  int DisabledIndex() const { return disabledIndex_; }
  void SetDisabledIndex(int v);
  int ImageIndex() const { return imageIndex_; }
  void SetImageIndex(int v);
  const std::string& Hint() const { return hint_; }
  void SetHint(const std::string& v);
  bool TabEnabled() const { return tabEnabled_; }
  void SetTabEnabled(bool v);
  bool TabVisible() const { return tabVisible_; }
  void SetTabVisible(bool v);
  bool Enabled() const { return enabled_; }
  void SetEnabled(bool v) { enabled_ = v; }
  // -1 without a page control, else the place in its control's pages.
  int PageIndex() const;
  // Moves the page; raises EUiPageError outside 0 .. page count - 1.
  void SetPageIndex(int value);
  // -1 when the tab is hidden, else the visible tabs before it.
  int TabIndex() const;
  TUiPageControl* PageControl() const { return pageControl_; }
  // Moves the page (which must belong to a page control) into another.
  void SetPageControl(TUiPageControl* value);
  bool Visible() const { return visible_; }
  // Refused: the page control shows and hides its pages itself.
  void SetVisible(bool value);
  const TRect& BoundsRect() const { return bounds_; }
  // Whether the page holds a window handle (false for hidden pages of a
  // control that saves resources).
  bool HandleAllocated() const { return handleAllocated_; }
  void AssignTo(TUiTabData& data) const;

  // Attaches the page's host and tells it the page's bounds and visibility.
  void SetSheetHost(TUiTabSheetHost* host);
  TUiTabSheetHost* SheetHost() const { return sheetHost_; }

  std::function<void(TCanvas&, const TRect&, bool& handled)> OnPaintBackground;
  void Paint(TCanvas& canvas, const TRect& rect) override;

 private:
  friend class TUiPageControl;
  void Show(bool visible);
  void SetBoundsRect(const TRect& r);
  void Changed();
  std::string caption_;
  TColor color_ = clBtnFace;
  int disabledIndex_ = -1;
  int imageIndex_ = -1;
  std::string hint_;
  bool tabEnabled_ = true;
  bool tabVisible_ = true;
  bool enabled_ = true;
  bool visible_ = false;
  bool handleAllocated_ = true;
  TRect bounds_;
  TUiPageControl* pageControl_ = nullptr;
  TUiTabSheetHost* sheetHost_ = nullptr;
};

class TUiPageControl : public TUiCustomTabControl {
 public:
  TUiPageControl();
  ~TUiPageControl() override;

  int PageCount() const { return int(pages_.size()); }
  TUiTabSheet* Pages(int index) const;
  // A new page, owned by the control, appended.
  TUiTabSheet& AddPage(const std::string& caption);
  // Appends a page, taking ownership (a page leaves its former control
  // through RemovePage first).
  void InsertPage(std::unique_ptr<TUiTabSheet> page);
  // Takes a page out; ownership goes to the caller.
  std::unique_ptr<TUiTabSheet> RemovePage(TUiTabSheet& page);
  TUiTabSheet* ActivePage() const { return activePage_; }
  void SetActivePage(TUiTabSheet* page);
  int ActivePageIndex() const { return activePage_ ? activePage_->PageIndex() : -1; }
  void SetActivePageIndex(int index);
  TUiTabSheet* ActivePageDefault() const { return activePageDefault_; }
  void SetActivePageDefault(TUiTabSheet* page) { activePageDefault_ = page; }
  bool SaveResources() const { return saveResources_; }
  void SetSaveResources(bool v);
  // The next page from a page in one direction (wrapping), optionally only
  // pages with a visible tab; null when none qualifies.
  TUiTabSheet* FindNextPage(TUiTabSheet* current, bool goForward, bool checkTabVisible) const;
  void SelectNextPage(bool goForward);
  void HideAllTabs();
  void ShowAllTabs();
  // Makes a page of this control active (a control on it is to be shown).
  void ShowControl(TUiTabSheet* page);
  // Ctrl+Tab and Shift+Ctrl+Tab while the focus is inside the control:
  // the next or previous page with a visible tab. True when consumed.
  bool DialogKey(int key, TShiftState shift, bool containsFocus);

  void SetColor(TColor v) override;
  void SetUseColoredTabs(bool v) override;
  void Loaded() override;
  void CloseActiveTab() override;

 protected:
  void Change() override;
  bool DoPaintCardBackground(TCanvas& canvas, const TRect& rect) override;
  void CardRectChanged(const TRect& cardRect) override;

 private:
  friend class TUiTabSheet;
  void UpdateTabs();
  void ChangeActivePage(TUiTabSheet* page);
  void MovePage(TUiTabSheet& page, int index);
  int IndexOf(const TUiTabSheet* page) const;
  std::vector<std::unique_ptr<TUiTabSheet>> pages_;
  TUiTabSheet* activePage_ = nullptr;
  TUiTabSheet* activePageDefault_ = nullptr;
  TUiTabSheet* streamedActivePage_ = nullptr;  // ActivePage set while loading
  bool saveResources_ = false;
};

}  // namespace qv
