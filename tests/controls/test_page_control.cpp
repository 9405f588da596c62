// The page control and its pages, without widgets.
#include <gtest/gtest.h>

#include "TabTestSupport.h"

using namespace qv;
using qv::tabtest::TPageFixture;

namespace {

// A page host that records what it was told and can hold the focus.
struct TRecordingSheetHost : TUiTabSheetHost {
  bool Visible = false;
  TRect Bounds;
  bool Destroyed = false;
  bool HasFocus = false;
  bool CanFocus = true;
  int FocusFirstCalls = 0;
  void SheetVisibleChanged(bool v) override { Visible = v; }
  void SheetBoundsChanged(const TRect& b) override { Bounds = b; }
  void SheetDestroyed() override { Destroyed = true; }
  bool SheetContainsFocus() const override { return HasFocus; }
  bool SheetFocusFirst() override {
    ++FocusFirstCalls;
    return CanFocus;
  }
};

}  // namespace

TEST(PageControl, PageIndexOutsideThePagesRaisesTheMessage) {
  TPageFixture f;
  f.Add({"Program", "Settlemetns", "Results"});
  TUiTabSheet* p = f.pages.Pages(0);
  for (int bad : {3, -1}) {
    try {
      p->SetPageIndex(bad);
      ADD_FAILURE() << bad;
    } catch (const EUiPageError& e) {
      EXPECT_EQ(e.Message(),
                Format("%d is an invalid PageIndex value. PageIndex must be between 0 and 2", bad));
    }
  }
  EXPECT_EQ(p->PageIndex(), 0);  // the order is unchanged
  p->SetPageIndex(2);
  EXPECT_EQ(f.pages.Pages(2), p);
  EXPECT_EQ(f.pages.Tabs()[2].Caption, "Program");
  EXPECT_EQ(f.pages.Tabs()[0].Caption, "Settlemetns");
}

TEST(PageControl, PagesCannotBeShownOrHiddenDirectly) {
  TPageFixture f;
  f.Add({"A"});
  try {
    f.pages.Pages(0)->SetVisible(true);
    ADD_FAILURE();
  } catch (const EUiPageError& e) {
    EXPECT_EQ(e.Message(), "You cannot change the Visible property of a page");
  }
}

TEST(PageControl, ActivePageShowsOnePageAndFollowsTheTabs) {
  TPageFixture f;
  f.Add({"A", "B", "C"});
  TRecordingSheetHost h0, h1;
  f.pages.Pages(0)->SetSheetHost(&h0);
  f.pages.Pages(1)->SetSheetHost(&h1);
  EXPECT_EQ(f.pages.ActivePage(), nullptr);
  EXPECT_EQ(f.pages.TabIndex(), -1);
  f.pages.SetActivePage(f.pages.Pages(1));
  EXPECT_EQ(f.pages.TabIndex(), 1);
  EXPECT_TRUE(h1.Visible);
  EXPECT_EQ(h1.Bounds, f.pages.CardRect());
  f.pages.SetTabIndex(0);
  EXPECT_EQ(f.pages.ActivePage(), f.pages.Pages(0));
  EXPECT_TRUE(h0.Visible);
  EXPECT_FALSE(h1.Visible);
  // A refused change keeps the page.
  f.pages.OnChanging = [](int, bool& allow) { allow = false; };
  f.pages.SetActivePage(f.pages.Pages(2));
  EXPECT_EQ(f.pages.ActivePageIndex(), 0);
  f.pages.OnChanging = nullptr;
  // A page of another control is ignored.
  TPageFixture other;
  other.Add({"X"});
  f.pages.SetActivePage(other.pages.Pages(0));
  EXPECT_EQ(f.pages.ActivePageIndex(), 0);
  f.pages.Pages(0)->SetSheetHost(nullptr);
  f.pages.Pages(1)->SetSheetHost(nullptr);
}

TEST(PageControl, HidingTheActiveTabLeavesThePageActiveWithoutATab) {
  TPageFixture f;
  f.Add({"A", "B", "C"});
  f.pages.SetActivePageIndex(1);
  f.pages.Pages(1)->SetTabVisible(false);
  EXPECT_EQ(f.pages.TabIndex(), -1);
  EXPECT_EQ(f.pages.TabCount(), 2);
  EXPECT_EQ(f.pages.ActivePageIndex(), 1);
  EXPECT_EQ(f.pages.Pages(1)->TabIndex(), -1);
  EXPECT_EQ(f.pages.Pages(2)->TabIndex(), 1);
  f.pages.Pages(1)->SetTabVisible(true);
  EXPECT_EQ(f.pages.TabIndex(), 1);
}

TEST(PageControl, ActivePageDefaultWinsAfterLoading) {
  TPageFixture f;
  f.pages.BeginLoading();
  f.Add({"A", "B"});
  f.pages.SetActivePageDefault(f.pages.Pages(0));
  f.pages.SetActivePage(f.pages.Pages(1));
  f.pages.SetTabIndex(1);
  EXPECT_EQ(f.pages.ActivePage(), nullptr);  // held back while loading
  f.pages.Loaded();
  EXPECT_EQ(f.pages.ActivePageIndex(), 0);
  EXPECT_EQ(f.pages.TabIndex(), 0);
  EXPECT_TRUE(f.pages.Pages(0)->Visible());
  EXPECT_FALSE(f.pages.Pages(1)->Visible());
  // Without a default the streamed page shows.
  TPageFixture g;
  g.pages.BeginLoading();
  g.Add({"A", "B"});
  g.pages.SetActivePage(g.pages.Pages(1));
  g.pages.Loaded();
  EXPECT_EQ(g.pages.ActivePageIndex(), 1);
}

TEST(PageControl, CtrlTabGoesToTheNextPageWithAVisibleTabAndWraps) {
  TPageFixture f;
  f.Add({"A", "B", "C", "D"});
  f.pages.Pages(0)->SetTabVisible(false);
  f.pages.SetActivePageIndex(3);
  EXPECT_FALSE(f.pages.DialogKey(VK_TAB, ssCtrl, false));  // focus elsewhere
  EXPECT_TRUE(f.pages.DialogKey(VK_TAB, ssCtrl, true));
  EXPECT_EQ(f.pages.ActivePageIndex(), 1);  // the first page's tab is hidden
  EXPECT_TRUE(f.pages.DialogKey(VK_TAB, ssCtrl | ssShift, true));
  EXPECT_EQ(f.pages.ActivePageIndex(), 3);
  EXPECT_FALSE(f.pages.DialogKey(VK_TAB, 0, true));
}

TEST(PageControl, FindNextPageTestsItsStartPage) {
  TPageFixture f;
  f.Add({"A", "B", "C"});
  EXPECT_EQ(f.pages.FindNextPage(f.pages.Pages(2), true, true), f.pages.Pages(0));
  EXPECT_EQ(f.pages.FindNextPage(f.pages.Pages(0), false, true), f.pages.Pages(2));
  EXPECT_EQ(f.pages.FindNextPage(nullptr, true, true), f.pages.Pages(0));
  EXPECT_EQ(f.pages.FindNextPage(nullptr, false, true), f.pages.Pages(2));
  // Only the last page has a visible tab: starting from no page (the walk
  // starts at the last page) still finds it.
  f.pages.Pages(0)->SetTabVisible(false);
  f.pages.Pages(1)->SetTabVisible(false);
  EXPECT_EQ(f.pages.FindNextPage(nullptr, true, true), f.pages.Pages(2));
  EXPECT_EQ(f.pages.FindNextPage(f.pages.Pages(2), true, true), f.pages.Pages(2));
  f.pages.HideAllTabs();
  EXPECT_EQ(f.pages.FindNextPage(nullptr, true, true), nullptr);
  EXPECT_EQ(f.pages.FindNextPage(nullptr, true, false), f.pages.Pages(0));
  f.pages.ShowAllTabs();
  EXPECT_EQ(f.pages.TabCount(), 3);
  TPageFixture empty;
  EXPECT_EQ(empty.pages.FindNextPage(nullptr, true, false), nullptr);
}

TEST(PageControl, ClosingTheActiveTabSelectsTheTabBeforeIt) {
  TPageFixture f;
  f.Add({"A", "B", "C"});
  TRecordingSheetHost h;
  f.pages.Pages(2)->SetSheetHost(&h);
  f.pages.SetActivePageIndex(2);
  f.pages.CloseActiveTab();
  EXPECT_TRUE(h.Destroyed);
  EXPECT_EQ(f.pages.PageCount(), 2);
  EXPECT_EQ(f.pages.ActivePageIndex(), 1);
  EXPECT_EQ(f.pages.TabIndex(), 1);
  f.pages.SetActivePageIndex(0);
  f.pages.CloseActiveTab();
  EXPECT_EQ(f.pages.PageCount(), 1);
  EXPECT_EQ(f.pages.TabIndex(), 0);
  EXPECT_EQ(f.pages.ActivePage()->Caption(), "B");
  f.pages.CloseActiveTab();
  EXPECT_EQ(f.pages.PageCount(), 0);
  EXPECT_EQ(f.pages.TabIndex(), -1);
  f.pages.CloseActiveTab();  // nothing active: nothing happens
}

TEST(PageControl, ThePagesOwnColourTurnsColouredTabsOn) {
  TPageFixture f;
  f.Add({"A", "B"});
  EXPECT_FALSE(f.pages.UseColoredTabs());
  f.pages.Pages(0)->SetColor(clBtnFace);  // the control's colour: still off
  EXPECT_FALSE(f.pages.UseColoredTabs());
  f.pages.Pages(1)->SetColor(clYellow);
  EXPECT_TRUE(f.pages.UseColoredTabs());
  EXPECT_EQ(f.pages.Tabs()[1].Color, clYellow);
  // Switching it off gives every page the control's colour again.
  f.pages.SetUseColoredTabs(false);
  EXPECT_EQ(f.pages.Pages(1)->Color(), clBtnFace);
  f.pages.SetColor(clWhite);
  EXPECT_EQ(f.pages.Pages(0)->Color(), clWhite);
}

TEST(PageControl, TheFocusMovesWithThePage) {
  TPageFixture f;
  f.Add({"A", "B", "C"});
  TRecordingSheetHost h0, h1, h2;
  f.pages.Pages(0)->SetSheetHost(&h0);
  f.pages.Pages(1)->SetSheetHost(&h1);
  f.pages.Pages(2)->SetSheetHost(&h2);
  f.pages.SetActivePageIndex(0);
  h0.HasFocus = true;
  f.pages.SetActivePageIndex(1);
  EXPECT_EQ(h1.FocusFirstCalls, 1);
  EXPECT_FALSE(f.host.Focused());
  // A page without focusable controls passes the focus to the control.
  h1.HasFocus = true;
  h2.CanFocus = false;
  f.pages.SetActivePageIndex(2);
  EXPECT_TRUE(f.host.Focused());
  // Without the focus on the old page nothing is focused.
  h2.HasFocus = false;
  f.pages.SetActivePageIndex(0);
  EXPECT_EQ(h0.FocusFirstCalls, 0);
  for (int i = 0; i < 3; ++i) f.pages.Pages(i)->SetSheetHost(nullptr);
}

TEST(PageControl, PagesMoveBetweenControlsAndLeaveThroughRemovePage) {
  TPageFixture a, b;
  a.Add({"A", "B"});
  b.Add({"X"});
  TUiTabSheet* p = a.pages.Pages(1);
  a.pages.SetActivePage(p);
  a.pages.SetActivePageDefault(p);
  p->SetPageControl(&b.pages);
  EXPECT_EQ(a.pages.PageCount(), 1);
  EXPECT_EQ(a.pages.ActivePage(), nullptr);
  EXPECT_EQ(a.pages.ActivePageDefault(), nullptr);
  EXPECT_EQ(b.pages.PageCount(), 2);
  EXPECT_EQ(p->PageIndex(), 1);
  EXPECT_EQ(b.pages.Tabs()[1].Caption, "B");
  std::unique_ptr<TUiTabSheet> out = b.pages.RemovePage(*p);
  EXPECT_EQ(out.get(), p);
  EXPECT_EQ(p->PageControl(), nullptr);
  EXPECT_EQ(p->PageIndex(), -1);
  EXPECT_THROW(p->SetPageControl(&a.pages), EUiPageError);
  a.pages.InsertPage(std::move(out));
  EXPECT_EQ(a.pages.Pages(1), p);
}

TEST(PageControl, CardPaintUsesTheActivePagesColour) {
  TPageFixture f;
  f.Add({"A", "B"});
  f.pages.SetActivePageIndex(0);
  f.pages.Pages(0)->SetColor(clYellow);
  TRecordingCanvas c(TRect(0, 0, 300, 150), &f.fonts);
  f.pages.PaintTo(c);
  const TRect card = f.pages.CardRect();
  bool filled = false;
  for (const TCanvasCall& call : c.Calls())
    if (call.Op == "FillRect" && call.Args[1] == card.Top - 1 && call.State.BrushColor == clYellow)
      filled = true;
  EXPECT_TRUE(filled);
}
