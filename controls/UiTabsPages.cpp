// The page control and its pages.
#include <algorithm>

#include "controls/UiTabs.h"

namespace qv {

// ---- TUiTabSheet ----------------------------------------------------------------

TUiTabSheet::TUiTabSheet(const std::string& caption) : caption_(caption) {}

TUiTabSheet::~TUiTabSheet() {
  if (pageControl_) {
    // Only reached when the page control is not the one freeing the page.
    TUiPageControl* pc = pageControl_;
    pageControl_ = nullptr;
    if (pc->activePage_ == this) pc->activePage_ = nullptr;
    if (pc->activePageDefault_ == this) pc->activePageDefault_ = nullptr;
  }
  if (sheetHost_) sheetHost_->SheetDestroyed();
}

void TUiTabSheet::SetSheetHost(TUiTabSheetHost* host) {
  sheetHost_ = host;
  if (host) {
    host->SheetBoundsChanged(bounds_);
    host->SheetVisibleChanged(visible_);
  }
}

void TUiTabSheet::Changed() {
  if (pageControl_) pageControl_->UpdateTabs();
  if (sheetHost_) sheetHost_->SheetChanged();
}

void TUiTabSheet::SetCaption(const std::string& v) {
  if (v != caption_) caption_ = v, Changed();
}

void TUiTabSheet::SetColor(TColor v) {
  TUiPageControl* pc = pageControl_;
  // A colour of its own switches the page control to coloured tabs.
  if (pc && !pc->UseColoredTabs() && v != pc->Color()) pc->SetUseColoredTabs(true);
  if (v == color_) return;
  color_ = v;
  Changed();
}

void TUiTabSheet::SetDisabledIndex(int v) {
  if (v != disabledIndex_) disabledIndex_ = v, Changed();
}

void TUiTabSheet::SetImageIndex(int v) {
  if (v != imageIndex_) imageIndex_ = v, Changed();
}

void TUiTabSheet::SetHint(const std::string& v) {
  if (v != hint_) hint_ = v, Changed();
}

void TUiTabSheet::SetTabEnabled(bool v) {
  if (v != tabEnabled_) tabEnabled_ = v, Changed();
}

void TUiTabSheet::SetTabVisible(bool v) {
  if (v != tabVisible_) tabVisible_ = v, Changed();
}

int TUiTabSheet::PageIndex() const { return pageControl_ ? pageControl_->IndexOf(this) : -1; }

void TUiTabSheet::SetPageIndex(int value) {
  if (!pageControl_) return;
  const int count = pageControl_->PageCount();
  if (value < 0 || value >= count)
    throw EUiPageError(Format(
        "%d is an invalid PageIndex value. PageIndex must be between 0 and %d", value, count - 1));
  pageControl_->MovePage(*this, value);
}

int TUiTabSheet::TabIndex() const {
  if (!tabVisible_) return -1;
  if (!pageControl_) return 0;
  int n = 0;
  for (int i = 0; i < pageControl_->PageCount(); ++i) {
    const TUiTabSheet* p = pageControl_->Pages(i);
    if (p == this) break;
    if (p->tabVisible_) ++n;
  }
  return n;
}

void TUiTabSheet::SetPageControl(TUiPageControl* value) {
  if (value == pageControl_) return;
  if (!pageControl_)
    throw EUiPageError("A page can only be moved from one page control to another");
  if (!value) throw EUiPageError("A page leaves its page control through RemovePage");
  std::unique_ptr<TUiTabSheet> self = pageControl_->RemovePage(*this);
  value->InsertPage(std::move(self));
}

void TUiTabSheet::SetVisible(bool) {
  throw EUiPageError("You cannot change the Visible property of a page");
}

void TUiTabSheet::Show(bool visible) {
  if (visible) handleAllocated_ = true;
  if (visible == visible_) return;
  visible_ = visible;
  if (sheetHost_) sheetHost_->SheetVisibleChanged(visible);
}

void TUiTabSheet::SetBoundsRect(const TRect& r) {
  if (r == bounds_) return;
  bounds_ = r;
  if (sheetHost_) sheetHost_->SheetBoundsChanged(r);
}

void TUiTabSheet::AssignTo(TUiTabData& d) const {
  d.Caption = caption_;
  d.Color = color_;
  d.Enabled = tabEnabled_;
  d.Visible = tabVisible_;
  d.Hint = hint_;
  d.ImageIndex = imageIndex_;
  d.DisabledIndex = disabledIndex_;
}

void TUiTabSheet::Paint(TCanvas& c, const TRect&) {
  const TRect r(0, 0, bounds_.Width(), bounds_.Height());
  bool handled = false;
  if (OnPaintBackground) OnPaintBackground(c, r, handled);
  if (handled) return;
  c.Brush.SetStyle(bsSolid);
  c.Brush.SetColor(color_);
  c.FillRect(r);
}

// ---- TUiPageControl ---------------------------------------------------------------

TUiPageControl::TUiPageControl() {
  SetSize(300, 150);
  SetUseColoredTabs(false);
}

TUiPageControl::~TUiPageControl() {
  activePage_ = nullptr;
  activePageDefault_ = nullptr;
  std::vector<std::unique_ptr<TUiTabSheet>> pages;
  pages.swap(pages_);
  for (auto& p : pages) p->pageControl_ = nullptr;
  pages.clear();
}

TUiTabSheet* TUiPageControl::Pages(int index) const {
  return index >= 0 && index < PageCount() ? pages_[std::size_t(index)].get() : nullptr;
}

int TUiPageControl::IndexOf(const TUiTabSheet* page) const {
  for (int i = 0; i < PageCount(); ++i)
    if (pages_[std::size_t(i)].get() == page) return i;
  return -1;
}

TUiTabSheet& TUiPageControl::AddPage(const std::string& caption) {
  auto page = std::make_unique<TUiTabSheet>(caption);
  TUiTabSheet& ref = *page;
  InsertPage(std::move(page));
  return ref;
}

void TUiPageControl::InsertPage(std::unique_ptr<TUiTabSheet> page) {
  if (!page) return;
  TUiTabSheet* p = page.get();
  pages_.push_back(std::move(page));
  p->pageControl_ = this;
  p->SetBoundsRect(CardRect());
  UpdateTabs();
  if (p->sheetHost_) p->sheetHost_->SheetMoved(this);
}

std::unique_ptr<TUiTabSheet> TUiPageControl::RemovePage(TUiTabSheet& page) {
  const int i = IndexOf(&page);
  if (i < 0) return nullptr;
  if (activePage_ == &page) SetActivePage(nullptr);
  if (activePageDefault_ == &page) activePageDefault_ = nullptr;
  std::unique_ptr<TUiTabSheet> out = std::move(pages_[std::size_t(i)]);
  pages_.erase(pages_.begin() + i);
  UpdateTabs();
  out->pageControl_ = nullptr;
  if (out->sheetHost_) out->sheetHost_->SheetMoved(nullptr);
  return out;
}

void TUiPageControl::MovePage(TUiTabSheet& page, int index) {
  const int from = IndexOf(&page);
  if (from < 0 || from == index) return;
  auto it = pages_.begin();
  if (from < index)
    std::rotate(it + from, it + from + 1, it + index + 1);
  else
    std::rotate(it + index, it + from, it + from + 1);
  UpdateTabs();
}

void TUiPageControl::UpdateTabs() {
  Tabs().Clear();
  for (auto& p : pages_)
    if (p->tabVisible_) p->AssignTo(Tabs().Add());
  if (activePage_ && !loading_) {
    const int i = activePage_->TabIndex();
    tabIndex_ = i >= 0 ? i : -1;
  } else if (!activePage_) {
    tabIndex_ = -1;
  }
  TabsChanged();
}

void TUiPageControl::SetActivePage(TUiTabSheet* page) {
  if (page && page->pageControl_ != this) return;
  if (loading_) {
    streamedActivePage_ = page;
    return;
  }
  const int i = page ? page->TabIndex() : -1;
  if (i < 0) ChangeActivePage(page);
  SetTabIndex(i);
}

void TUiPageControl::SetActivePageIndex(int index) { SetActivePage(Pages(index)); }

void TUiPageControl::Change() {
  if (tabIndex_ >= 0)
    for (auto& p : pages_)
      if (p->TabIndex() == tabIndex_) {
        ChangeActivePage(p.get());
        break;
      }
  TUiCustomTabControl::Change();
}

void TUiPageControl::ChangeActivePage(TUiTabSheet* page) {
  if (page == activePage_) return;
  TUiTabSheet* old = activePage_;
  const bool focusOnOld = old && old->sheetHost_ && old->sheetHost_->SheetContainsFocus();
  if (page) {
    if (page->sheetHost_) page->sheetHost_->SheetBringToFront();
    page->SetBoundsRect(CardRect());
    page->Show(true);
    // The focus follows to the new page, or to the control itself.
    if (focusOnOld && !(page->sheetHost_ && page->sheetHost_->SheetFocusFirst()) && host_)
      host_->SetFocus();
  } else if (focusOnOld && host_) {
    host_->SetFocus();
  }
  if (old) {
    old->Show(false);
    if (saveResources_) old->handleAllocated_ = false;
  }
  activePage_ = page;
}

void TUiPageControl::SetSaveResources(bool v) {
  saveResources_ = v;
  if (v)
    for (auto& p : pages_)
      if (p.get() != activePage_) p->handleAllocated_ = false;
}

TUiTabSheet* TUiPageControl::FindNextPage(TUiTabSheet* current, bool goForward,
                                          bool checkTabVisible) const {
  const int n = PageCount();
  if (n == 0) return nullptr;
  int start = IndexOf(current);
  if (start < 0) start = goForward ? n - 1 : 0;
  // n steps: the last one comes back to the start page, which is tested too.
  int i = start;
  for (int k = 0; k < n; ++k) {
    i = goForward ? (i + 1) % n : (i + n - 1) % n;
    TUiTabSheet* p = pages_[std::size_t(i)].get();
    if (!checkTabVisible || p->tabVisible_) return p;
  }
  return nullptr;
}

void TUiPageControl::SelectNextPage(bool goForward) {
  TUiTabSheet* p = FindNextPage(activePage_, goForward, true);
  if (p && p != activePage_) SetActivePage(p);
}

void TUiPageControl::HideAllTabs() {
  for (auto& p : pages_) p->SetTabVisible(false);
}

void TUiPageControl::ShowAllTabs() {
  for (auto& p : pages_) p->SetTabVisible(true);
}

void TUiPageControl::ShowControl(TUiTabSheet* page) {
  if (page && page->pageControl_ == this) SetActivePage(page);
}

bool TUiPageControl::DialogKey(int key, TShiftState shift, bool containsFocus) {
  if (!containsFocus || key != VK_TAB || !(shift & ssCtrl)) return false;
  SelectNextPage(!(shift & ssShift));
  return true;
}

void TUiPageControl::SetColor(TColor v) {
  TUiCustomTabControl::SetColor(v);
  if (!UseColoredTabs()) {
    for (auto& p : pages_) p->color_ = v;
    UpdateTabs();
  }
}

void TUiPageControl::SetUseColoredTabs(bool v) {
  TUiCustomTabControl::SetUseColoredTabs(v);
  if (!v) {
    for (auto& p : pages_) p->color_ = Color();
    UpdateTabs();
  }
}

void TUiPageControl::Loaded() {
  TUiCustomTabControl::Loaded();
  UpdateTabs();
  tabIndex_ = -1;
  TUiTabSheet* streamed = streamedActivePage_;
  streamedActivePage_ = nullptr;
  TUiTabSheet* target =
      activePageDefault_ && activePageDefault_ != streamed ? activePageDefault_ : streamed;
  SetActivePage(target);
}

void TUiPageControl::CloseActiveTab() {
  if (!activePage_) return;
  const int index = activePage_->TabIndex();
  { std::unique_ptr<TUiTabSheet> closed = RemovePage(*activePage_); }
  if (TabCount() > 0) SetTabIndex(std::clamp(index - 1, 0, TabCount() - 1));
}

bool TUiPageControl::DoPaintCardBackground(TCanvas& c, const TRect& r) {
  if (TUiCustomTabControl::DoPaintCardBackground(c, r)) return true;
  if (tabIndex_ < 0 || !activePage_) return false;
  c.Brush.SetStyle(bsSolid);
  c.Brush.SetColor(activePage_->Color());
  c.FillRect(r);
  return true;
}

void TUiPageControl::CardRectChanged(const TRect& cardRect) {
  for (auto& p : pages_) p->SetBoundsRect(cardRect);
}

}  // namespace qv
