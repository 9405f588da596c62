// Tab control selection, keyboard, mnemonics, mouse, scrolling, hot
// tracking and the close button.
#include <gtest/gtest.h>

#include "TabTestSupport.h"

using namespace qv;
using qv::tabtest::TTabFixture;

TEST(TabSelection, IndexOutsideTheTabsClearsTheSelection) {
  TTabFixture f;
  f.Add({"A", "B", "C"});
  int changes = 0;
  f.tabs.OnChange = [&] { ++changes; };
  f.tabs.SetTabIndex(1);
  EXPECT_EQ(f.tabs.TabIndex(), 1);
  EXPECT_EQ(changes, 1);
  f.tabs.SetTabIndex(3);  // the tab count
  EXPECT_EQ(f.tabs.TabIndex(), -1);
  f.tabs.SetTabIndex(-7);
  EXPECT_EQ(f.tabs.TabIndex(), -1);
  EXPECT_EQ(changes, 1);
}

TEST(TabSelection, OnChangingMayRefuseAndDisabledOrHiddenTabsCannotBeSelected) {
  TTabFixture f;
  f.Add({"A", "B", "C"});
  f.tabs.SetTabIndex(0);
  bool allow = false;
  int asked = -1;
  f.tabs.OnChanging = [&](int index, bool& a) {
    asked = index;
    a = allow;
  };
  f.tabs.SetTabIndex(2);
  EXPECT_EQ(asked, 2);
  EXPECT_EQ(f.tabs.TabIndex(), 0);
  allow = true;
  f.tabs.Tabs()[1].Enabled = false;
  f.tabs.Tabs()[2].Visible = false;
  f.tabs.TabsChanged();
  EXPECT_FALSE(f.tabs.CanSelectTab(1));
  EXPECT_FALSE(f.tabs.CanSelectTab(2));
  f.tabs.SetTabIndex(1);
  EXPECT_EQ(f.tabs.TabIndex(), 0);
}

TEST(TabSelection, LayoutMovesAnInvalidSelectionToTheNearestSelectableTab) {
  TTabFixture f;
  f.Add({"A", "B", "C", "D"});
  f.tabs.SetTabIndex(1);
  f.tabs.Tabs()[1].Enabled = false;
  f.tabs.TabsChanged();
  f.tabs.TabRect(0);  // runs the layout
  EXPECT_EQ(f.tabs.TabIndex(), 2);
  // Past the end: backward from the last tab.
  f.tabs.SetTabIndex(3);
  f.tabs.Tabs().Delete(3);
  f.tabs.Tabs().Delete(2);
  f.tabs.TabsChanged();
  f.tabs.TabRect(0);
  EXPECT_EQ(f.tabs.TabIndex(), 0);
  // No selection stays no selection.
  f.tabs.SetTabIndex(-1);
  f.tabs.TabsChanged();
  f.tabs.TabRect(0);
  EXPECT_EQ(f.tabs.TabIndex(), -1);
}

TEST(TabSelection, ArrowKeysWrapSkipDisabledTabsAndFollowTheSequence) {
  TTabFixture f;
  f.Add({"A", "B", "C", "D"});
  int clicks = 0;
  f.tabs.OnTabClick = [&] { ++clicks; };
  auto press = [&](int vk) {
    int k = vk;
    f.tabs.KeyDown(k, 0);
    return f.tabs.TabIndex();
  };
  f.tabs.SetTabIndex(3);
  EXPECT_EQ(press(VK_RIGHT), 0);  // after the last comes the first
  EXPECT_EQ(press(VK_LEFT), 3);
  f.tabs.Tabs()[1].Enabled = false;
  f.tabs.TabsChanged();
  f.tabs.SetTabIndex(0);
  EXPECT_EQ(press(VK_DOWN), 2);  // the disabled tab is skipped
  EXPECT_EQ(press(VK_HOME), 0);
  EXPECT_EQ(press(VK_END), 3);
  EXPECT_EQ(press(VK_END), 3);  // already there
  EXPECT_EQ(clicks, 5);
  f.tabs.SetTabSequence(tsReverse);
  EXPECT_EQ(press(VK_RIGHT), 2);  // reverse: Right moves to the previous tab
  // OnChanging is asked for each candidate; a refusal moves on.
  f.tabs.OnChanging = [](int index, bool& allow) { allow = index != 0; };
  EXPECT_EQ(press(VK_LEFT), 3);
}

TEST(TabSelection, MnemonicsSelectEnabledVisibleTabs) {
  TTabFixture f;
  f.Add({"&Program", "&Settings", "&Results"});
  EXPECT_TRUE(f.tabs.DialogChar(U's'));
  EXPECT_EQ(f.tabs.TabIndex(), 1);
  EXPECT_TRUE(f.host.Focused());
  f.tabs.Tabs()[2].Enabled = false;
  f.tabs.TabsChanged();
  EXPECT_FALSE(f.tabs.DialogChar(U'r'));
  EXPECT_EQ(f.tabs.TabIndex(), 1);
  EXPECT_FALSE(f.tabs.DialogChar(U'x'));
  // When the focus does not arrive, the character is consumed, nothing selected.
  f.host.TakeFocus();
  f.host.RefuseFocus = true;
  EXPECT_TRUE(f.tabs.DialogChar(U'p'));
  EXPECT_EQ(f.tabs.TabIndex(), 1);
}

TEST(TabSelection, MouseSelectsEnabledTabsAndFocusesOnTheSelectedOne) {
  TTabFixture f;
  f.Add({"ABC", "ABC", "ABC"});
  int clicks = 0;
  f.tabs.OnTabClick = [&] { ++clicks; };
  f.tabs.MouseDown(mbLeft, ssLeft, 60, 10);
  EXPECT_EQ(f.tabs.TabIndex(), 1);
  EXPECT_EQ(clicks, 1);
  EXPECT_FALSE(f.host.Focused());
  f.tabs.MouseDown(mbLeft, ssLeft, 60, 10);  // the selected tab: focus first
  EXPECT_TRUE(f.host.Focused());
  EXPECT_EQ(clicks, 2);
  f.tabs.Tabs()[2].Enabled = false;
  f.tabs.TabsChanged();
  f.tabs.MouseDown(mbLeft, ssLeft, 110, 10);
  EXPECT_EQ(f.tabs.TabIndex(), 1);
  f.tabs.MouseDown(mbRight, ssRight, 10, 10);
  EXPECT_EQ(f.tabs.TabIndex(), 1);
}

namespace {

// Ten "ABC" tabs in a 200-pixel control: they need scrolling.
struct TScrollFixture : TTabFixture {
  TScrollFixture() : TTabFixture(200, 100) {
    Add({"ABC", "ABC", "ABC", "ABC", "ABC", "ABC", "ABC", "ABC", "ABC", "ABC"});
  }
};

}  // namespace

TEST(TabSelection, SelectingBeyondTheStripScrollsUntilTheTabIsFullyShown) {
  TScrollFixture f;
  ASSERT_TRUE(f.tabs.Scrolling());
  EXPECT_EQ(f.tabs.FirstShown(), 0);
  EXPECT_FALSE(f.tabs.FullyShown(6));
  f.tabs.SetTabIndex(6);
  EXPECT_TRUE(f.tabs.FullyShown(6));
  const int first = f.tabs.FirstShown();
  EXPECT_GT(first, 0);
  EXPECT_FALSE(f.tabs.FullyShown(first - 1));
  f.tabs.SetTabIndex(1);  // left of the strip: becomes the first shown
  EXPECT_EQ(f.tabs.FirstShown(), 1);
}

TEST(TabSelection, ScrollerStepsOncePerReleaseAndNotWhenReleasedOutside) {
  TScrollFixture f;
  TRecordingCanvas c(TRect(0, 0, 200, 100), &f.fonts);
  f.tabs.PaintTo(c);  // places the scroller
  TUiTabScroller* s = f.tabs.Scroller();
  ASSERT_NE(s, nullptr);
  const TRect b = s->BoundsRect();
  EXPECT_GT(b.Left, 0);
  EXPECT_FALSE(f.tabs.CanScrollBackward());
  EXPECT_TRUE(f.tabs.CanScrollForward());
  // Press the right (forward) half, release inside: one step.
  const int rx = b.Right - 2, y = b.Top + 2;
  f.tabs.MouseDown(mbLeft, ssLeft, rx, y);
  EXPECT_TRUE(f.host.HasCapture());
  f.tabs.MouseUp(mbLeft, 0, rx, y);
  EXPECT_FALSE(f.host.HasCapture());
  EXPECT_EQ(f.tabs.FirstShown(), 1);
  // Press, drag out of the button, release: nothing.
  f.tabs.MouseDown(mbLeft, ssLeft, rx, y);
  f.tabs.MouseMove(ssLeft, b.Left - 30, y);
  EXPECT_FALSE(s->ShownPressed());
  f.tabs.MouseUp(mbLeft, 0, b.Left - 30, y);
  EXPECT_EQ(f.tabs.FirstShown(), 1);
  // The left half scrolls back.
  f.tabs.MouseDown(mbLeft, ssLeft, b.Left + 1, y);
  f.tabs.MouseUp(mbLeft, 0, b.Left + 1, y);
  EXPECT_EQ(f.tabs.FirstShown(), 0);
  // Forward up to the end, then no further.
  for (int i = 0; i < 20; ++i) f.tabs.ScrollForward();
  EXPECT_TRUE(f.tabs.FullyShown(9));
  const int last = f.tabs.FirstShown();
  f.tabs.ScrollForward();
  EXPECT_EQ(f.tabs.FirstShown(), last);
}

TEST(TabSelection, HotTrackingFollowsThePointerAndTheTimerResetsIt) {
  TTabFixture f;
  f.Add({"ABC", "ABC"});
  TPoint pointer{10, 10};
  f.tabs.PointerPos = [&] { return pointer; };
  f.tabs.MouseMove(0, 10, 10);
  EXPECT_EQ(f.tabs.HotTab(), 0);
  EXPECT_TRUE(f.host.TimerActive(UiTabHotTrackTimer));
  EXPECT_EQ(f.host.TimerInterval(UiTabHotTrackTimer), 60);
  f.host.Advance(60);  // still over the tab
  EXPECT_EQ(f.tabs.HotTab(), 0);
  pointer = {10, 80};  // left without a move event reaching the control
  f.host.Advance(59);
  EXPECT_EQ(f.tabs.HotTab(), 0);
  f.host.Advance(1);  // within one tick
  EXPECT_EQ(f.tabs.HotTab(), -1);
  EXPECT_FALSE(f.host.TimerActive(UiTabHotTrackTimer));
}

TEST(TabSelection, TabHintsShowTheHotTabsHint) {
  TTabFixture f;
  f.Add({"ABC", "ABC"});
  f.tabs.Tabs()[1].Hint = "second";
  f.tabs.TabsChanged();
  f.tabs.SetHint("control");
  f.tabs.SetHotTrack(false);
  f.tabs.SetTabHints(true);
  int cancelled = 0;
  f.tabs.OnCancelHint = [&] { ++cancelled; };
  f.tabs.MouseMove(0, 60, 10);
  EXPECT_EQ(f.tabs.CurrentHint(), "second");
  f.tabs.MouseMove(0, 150, 60);
  EXPECT_EQ(f.tabs.CurrentHint(), "control");
  EXPECT_GE(cancelled, 2);
}

TEST(TabSelection, CloseButtonDoesNothingWithoutOnClose) {
  TTabFixture f;
  f.Add({"ABC", "ABC"});
  f.tabs.SetShowCloseButton(true);
  f.tabs.SetTabIndex(0);
  TRecordingCanvas c(TRect(0, 0, 300, 100), &f.fonts);
  f.tabs.PaintTo(c);
  TUiTabCloseButton* b = f.tabs.CloseButton();
  ASSERT_NE(b, nullptr);
  const TRect r = b->BoundsRect();
  EXPECT_EQ(r.Right, 300 - 1 - 2);  // at the end of the strip (2 less for the shadow)
  f.tabs.MouseDown(mbLeft, ssLeft, r.Left + 1, r.Top + 1);
  f.tabs.MouseUp(mbLeft, 0, r.Left + 1, r.Top + 1);
  EXPECT_EQ(f.tabs.TabCount(), 2);
  bool asked = false;
  f.tabs.OnClose = [&](bool& allow) {
    asked = true;
    allow = true;
  };
  f.tabs.MouseDown(mbLeft, ssLeft, r.Left + 1, r.Top + 1);
  f.tabs.MouseUp(mbLeft, 0, r.Left + 1, r.Top + 1);
  EXPECT_TRUE(asked);  // the plain tab control closes nothing itself
}

TEST(TabSelection, VerticalTextSwitchesARasterFontToVerdana) {
  TTabFixture f;
  EXPECT_EQ(f.tabs.Font().Name(), "MS Sans Serif");
  f.tabs.SetTextOrientation(orVertical);
  EXPECT_EQ(f.tabs.Font().Name(), "Verdana");
  TTabFixture g;
  g.tabs.Font().SetName("Arial");
  g.tabs.SetTextOrientation(orVertical);
  EXPECT_EQ(g.tabs.Font().Name(), "Arial");
  // While loading the switch waits for Loaded.
  TTabFixture h;
  h.tabs.BeginLoading();
  h.tabs.SetTextOrientation(orVertical);
  h.tabs.SetTabIndex(0);
  EXPECT_EQ(h.tabs.Font().Name(), "MS Sans Serif");
  h.Add({"A", "B"});
  h.tabs.Loaded();
  EXPECT_EQ(h.tabs.Font().Name(), "Verdana");
  EXPECT_EQ(h.tabs.TabIndex(), 0);  // the held-back index applies now
}

TEST(TabSelection, AnExceptionInAPaintHandlerLeavesTheControlUsable) {
  TTabFixture f;
  f.Add({"ABC", "ABC"});
  bool fail = true;
  f.tabs.OnPaintTabBackground = [&](TCanvas&, int, const TRect&, bool&) {
    if (fail) throw Exception("paint handler failed");
  };
  TRecordingCanvas c(TRect(0, 0, 300, 100), &f.fonts);
  EXPECT_THROW(f.tabs.PaintTo(c), Exception);
  // The save of the failing tab was restored.
  int saves = 0, restores = 0;
  for (const TCanvasCall& call : c.Calls()) {
    saves += call.Op == "SaveDC";
    restores += call.Op == "RestoreDC";
  }
  EXPECT_EQ(saves, restores);
  fail = false;
  c.Clear();
  EXPECT_NO_THROW(f.tabs.PaintTo(c));
  EXPECT_GT(c.Count("LineTo"), 0);
}
