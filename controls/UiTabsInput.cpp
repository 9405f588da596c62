// The tab control's selection, scrolling, hot tracking, mouse, keyboard and
// mnemonics.
#include <algorithm>

#include "controls/UiTabs.h"

namespace qv {

void TUiCustomTabControl::SetTabIndex(int value) {
  if (loading_) {
    streamedTabIndex_ = value;
    streamedTabIndexSet_ = true;
    return;
  }
  EnsureLayout();
  if (value < 0 || value >= TabCount()) {
    tabIndex_ = -1;
    Invalidate();
    return;
  }
  if (value != tabIndex_ && !forcing_ && !CanSelectTab(value)) return;
  const int oldIndex = tabIndex_, oldFirst = firstShown_;
  tabIndex_ = value;
  if (!scrolling_) {
    RotateRows();
    regionCache_.Clear();
  } else if (value < firstShown_) {
    firstShown_ = value;
  } else {
    while (!FullyShown(value) && firstShown_ < value) {
      const int next = NextVisible(firstShown_, 1);
      if (next < 0) break;
      firstShown_ = next;
    }
  }
  if (oldIndex != tabIndex_ || oldFirst != firstShown_) Invalidate();
  if (oldIndex != tabIndex_) {
    if (tabStyle_ == tsRoundCorners) regionCache_.Clear();  // the selected tab grows
    Change();
  }
}

void TUiCustomTabControl::ForceTabIndex(int value) {
  const bool was = forcing_;
  forcing_ = true;
  try {
    SetTabIndex(value);
  } catch (...) {
    forcing_ = was;
    throw;
  }
  forcing_ = was;
}

bool TUiCustomTabControl::CanScrollForward() {
  EnsureLayout();
  if (!scrolling_) return false;
  const int last = LastVisible();
  return last >= 0 && !FullyShown(last) && NextVisible(firstShown_, 1) >= 0;
}

bool TUiCustomTabControl::CanScrollBackward() {
  EnsureLayout();
  return scrolling_ && NextVisible(firstShown_, -1) >= 0;
}

void TUiCustomTabControl::ScrollForward() {
  if (!CanScrollForward()) return;
  firstShown_ = NextVisible(firstShown_, 1);
  Invalidate();
}

void TUiCustomTabControl::ScrollBackward() {
  if (!CanScrollBackward()) return;
  firstShown_ = NextVisible(firstShown_, -1);
  Invalidate();
}

void TUiCustomTabControl::EnsureChildren() {
  if (!scroller_) {
    scroller_ = std::make_unique<TUiTabScroller>(*this);
    // Down/left scrolls towards the first tab, up/right towards the last;
    // both exchange in reverse sequence, and again for tabs on the right.
    auto swapped = [this] { return (tabSequence_ == tsReverse) != (tabOrientation_ == toRight); };
    scroller_->OnDownLeftClick = [this, swapped] {
      swapped() ? ScrollForward() : ScrollBackward();
    };
    scroller_->OnUpRightClick = [this, swapped] { swapped() ? ScrollBackward() : ScrollForward(); };
  }
  if (!closeButton_) {
    closeButton_ = std::make_unique<TUiTabCloseButton>(*this);
    closeButton_->OnClose = [this] {
      if (tabIndex_ >= 0 && CanClose()) CloseActiveTab();
    };
  }
}

TUiTabChild* TUiCustomTabControl::ChildAt(int x, int y) const {
  if (scroller_ && scrolling_ && scroller_->BoundsRect().Contains(x, y)) return scroller_.get();
  if (closeButton_ && showCloseButton_ && closeButton_->BoundsRect().Contains(x, y))
    return closeButton_.get();
  return nullptr;
}

void TUiCustomTabControl::MouseDown(TMouseButton button, TShiftState, int x, int y) {
  if (button != mbLeft || !enabled_) return;
  EnsureLayout();
  if (TUiTabChild* child = ChildAt(x, y)) {
    mouseChild_ = child;
    if (host_) host_->SetCapture();
    child->MouseDown(x - child->BoundsRect().Left, y - child->BoundsRect().Top);
    return;
  }
  const int i = TabAtPos(x, y);
  if (i < 0 || !tabs_[i].Enabled) return;
  if (i == tabIndex_ && host_) {
    host_->SetFocus();
    if (!host_->Focused()) return;
  }
  SetTabIndex(i);
  if (i == tabIndex_) TabClick();
}

void TUiCustomTabControl::MouseMove(TShiftState, int x, int y) {
  if (mouseChild_) {
    mouseChild_->MouseMove(x - mouseChild_->BoundsRect().Left, y - mouseChild_->BoundsRect().Top);
    return;
  }
  if (!hotTrack_ && !tabHints_) return;
  const int i = TabAtPos(x, y);
  if (i < 0) {
    if (tabHints_ && (hotTab_ >= 0 || TabArea().Contains(x, y)) && OnCancelHint) OnCancelHint();
    ResetHot();
    return;
  }
  if (i == hotTab_) return;
  hotTab_ = i;
  if (hotTrack_ && host_) host_->InvalidateRect(TabArea());
  if (tabHints_) {
    shownHint_ = tabs_[i].Hint;
    if (OnCancelHint) OnCancelHint();
  }
  if (!hotTimer_ && host_) {
    host_->SetTimer(UiTabHotTrackTimer, UiTabHotTrackInterval);
    hotTimer_ = true;
  }
}

void TUiCustomTabControl::MouseUp(TMouseButton button, TShiftState, int x, int y) {
  if (mouseChild_) {
    TUiTabChild* child = mouseChild_;
    mouseChild_ = nullptr;
    if (host_) host_->ReleaseCapture();
    child->MouseUp(x - child->BoundsRect().Left, y - child->BoundsRect().Top);
    return;
  }
  if (button == mbLeft && enabled_ && OnClick) OnClick();
}

void TUiCustomTabControl::ResetHot() {
  if (hotTimer_ && host_) host_->KillTimer(UiTabHotTrackTimer);
  hotTimer_ = false;
  const bool was = hotTab_ >= 0;
  hotTab_ = -1;
  if (was && host_) host_->InvalidateRect(TabArea());
  shownHint_ = hint_;
}

void TUiCustomTabControl::MouseLeave() {
  if (hotTab_ >= 0) ResetHot();
}

void TUiCustomTabControl::Timer(int id) {
  if (id != UiTabHotTrackTimer) return;
  // The pointer left without a move event reaching the control: poll it.
  TPoint p{-1, -1};
  if (host_ && PointerPos) p = PointerPos();
  if (TabAtPos(p.X, p.Y) < 0) ResetHot();
}

void TUiCustomTabControl::SelectByKey(int index) {
  ForceTabIndex(index);
  TabClick();
}

void TUiCustomTabControl::KeyDown(int& key, TShiftState) {
  const int n = TabCount();
  if (n == 0) return;
  const bool reverse = tabSequence_ == tsReverse;
  int step = 0, start = -1;
  switch (key) {
    case VK_HOME:
      step = 1, start = 0;
      break;
    case VK_END:
      step = -1, start = n - 1;
      break;
    case VK_RIGHT:
    case VK_DOWN:
      step = reverse ? -1 : 1;
      break;
    case VK_LEFT:
    case VK_UP:
      step = reverse ? 1 : -1;
      break;
    default:
      return;
  }
  key = 0;
  const int sel = tabIndex_;
  int i = start >= 0 ? start : sel;
  if (start < 0) i = ((i < 0 ? (step > 0 ? -1 : 0) : i) + step + n) % n;
  // Walk to the first tab that may be selected, stopping at the selected one.
  for (int k = 0; k < n; ++k) {
    if (i == sel) return;
    if (CanSelectTab(i)) {
      SelectByKey(i);
      return;
    }
    if (start >= 0) {
      i += step;
      if (i < 0 || i >= n) return;
    } else {
      i = (i + step + n) % n;
    }
  }
}

bool TUiCustomTabControl::DialogChar(char32_t ch) {
  if (!enabled_) return false;
  for (int i = 0; i < TabCount(); ++i) {
    const TUiTabData& t = tabs_[i];
    if (!t.Enabled || !t.Visible || !IsAccel(ch, t.Caption)) continue;
    if (host_) {
      host_->SetFocus();
      if (!host_->Focused()) return true;
    }
    SetTabIndex(i);
    if (tabIndex_ == i) TabClick();
    return true;
  }
  return false;
}

void TUiCustomTabControl::FocusIn() { Invalidate(); }

void TUiCustomTabControl::FocusOut() { Invalidate(); }

}  // namespace qv
