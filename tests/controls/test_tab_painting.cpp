// What the tab control paints, on a recording canvas, in classic mode.
#include <gtest/gtest.h>

#include <map>
#include <set>

#include "TabTestSupport.h"
#include "controls/UiGrafx.h"
#include "controls/UiThemeSrv.h"

using namespace qv;
using qv::tabtest::TTabFixture;

namespace {

class TabPainting : public ::testing::Test {
 protected:
  void SetUp() override {
    SetUxThemeProvider(nullptr);
    FreeThemeServices();
  }
};

std::vector<const TCanvasCall*> TextsOf(const TRecordingCanvas& c, const std::string& text) {
  std::vector<const TCanvasCall*> out;
  for (const TCanvasCall& call : c.Calls())
    if (call.Op == "TextOut" && call.Text == text) out.push_back(&call);
  return out;
}

bool HasFill(const TRecordingCanvas& c, const TRect& r, TColor color) {
  for (const TCanvasCall& call : c.Calls())
    if (call.Op == "FillRect" && call.Args == std::vector<int>{r.Left, r.Top, r.Right, r.Bottom} &&
        call.State.BrushColor == color)
      return true;
  return false;
}

}  // namespace

TEST_F(TabPainting, DisabledCaptionsAreDrawnTwiceInTheDisabledColours) {
  TTabFixture f;
  f.Add({"One", "Two"});
  f.tabs.Tabs()[1].Enabled = false;
  f.tabs.TabsChanged();
  TRecordingCanvas c(TRect(0, 0, 300, 100), &f.fonts);
  f.tabs.PaintTo(c);
  auto two = TextsOf(c, "Two");
  ASSERT_EQ(two.size(), 2u);
  EXPECT_EQ(two[0]->State.TextColor, clBtnHighlight);
  EXPECT_EQ(two[1]->State.TextColor, clBtnShadow);
  EXPECT_EQ(two[0]->Args[0], two[1]->Args[0] + 1);
  EXPECT_EQ(two[0]->Args[1], two[1]->Args[1] + 1);
  auto one = TextsOf(c, "One");
  ASSERT_EQ(one.size(), 1u);
  EXPECT_EQ(one[0]->State.TextColor, clBtnText);
}

TEST_F(TabPainting, SelectedTabIsBoldWithAHighlightBarAndOpenToTheCard) {
  TTabFixture f;
  f.Add({"One", "Two", "Three"});
  f.tabs.SetBoldCurrentTab(true);
  f.tabs.TextColors().SetSelected(clActiveCaption);
  f.tabs.SetTabIndex(1);
  TRecordingCanvas c(TRect(0, 0, 300, 100), &f.fonts);
  f.tabs.PaintTo(c);
  auto two = TextsOf(c, "Two");
  ASSERT_EQ(two.size(), 1u);
  EXPECT_TRUE(two[0]->State.FontStyle.Contains(fsBold));
  EXPECT_EQ(two[0]->State.TextColor, clActiveCaption);
  EXPECT_FALSE(TextsOf(c, "One")[0]->State.FontStyle.Contains(fsBold));
  // The bar: the tab rectangle inflated by 1, 6 pixels deep, on the outer edge.
  TRect r = f.tabs.TabRect(1);
  EXPECT_TRUE(HasFill(c, TRect(r.Left - 1, r.Top - 1, r.Right + 1, r.Top + 5), clHighlight));
  // The card's top edge stops at the selected tab and resumes after it.
  const std::vector<TPoint> pts = f.tabs.TabPolygon(1);
  const int top = pts.front().Y;
  std::vector<std::vector<int>> edge;
  for (const TCanvasCall* l : c.Find("LineTo"))
    if (l->Args[1] == top && l->Args[3] == top) edge.push_back(l->Args);
  const std::vector<std::vector<int>> expect = {{0, top, pts.front().X, top},
                                                {pts.back().X, top, 297, top}};
  EXPECT_EQ(edge, expect);
}

TEST_F(TabPainting, HotTrackingColours) {
  TTabFixture f;
  f.Add({"One", "Two"});
  f.tabs.MouseMove(0, 10, 10);
  ASSERT_EQ(f.tabs.HotTab(), 0);
  // The complement of clHighlight (navy, hue 160): hue 40, saturation 240,
  // luminance 140.
  const TColor complement = HSLToColor(40, 240, 140);
  TRecordingCanvas c(TRect(0, 0, 300, 100), &f.fonts);
  f.tabs.PaintTo(c);
  const TRect r = f.tabs.TabRect(0);
  EXPECT_TRUE(HasFill(c, TRect(r.Left - 1, r.Top - 1, r.Right + 1, r.Top + 5), complement));
  f.tabs.SetHotTrackColorType(htctActual);
  f.tabs.SetHotTrackColor(clRed);
  f.tabs.SetHotTrackStyle(htsText);
  c.Clear();
  f.tabs.PaintTo(c);
  EXPECT_EQ(TextsOf(c, "One")[0]->State.TextColor, clRed);
  EXPECT_FALSE(HasFill(c, TRect(r.Left - 1, r.Top - 1, r.Right + 1, r.Top + 5), clRed));
  f.tabs.OnGetTextColor = [](int tab, TColor& color) {
    if (tab == 1) color = clGreen;
  };
  c.Clear();
  f.tabs.PaintTo(c);
  EXPECT_EQ(TextsOf(c, "Two")[0]->State.TextColor, clGreen);
}

TEST_F(TabPainting, UnselectedTabsGetAGradientUnlessTheDisplayHasFewColours) {
  TTabFixture f;
  f.Add({"One", "Two"});
  f.tabs.SetTabIndex(0);
  TRecordingCanvas c(TRect(0, 0, 300, 100), &f.fonts);
  f.tabs.PaintTo(c);
  EXPECT_EQ(c.Count("Draw"), 1);  // one gradient for the one unselected tab
  SetHighColorDisplay(false);
  c.Clear();
  f.tabs.PaintTo(c);
  EXPECT_EQ(c.Count("Draw"), 0);
  EXPECT_TRUE(HasFill(c, f.tabs.TabRect(1), clWindow));
  SetHighColorDisplay(true);
}

TEST_F(TabPainting, ScrollerAtTheFirstTabShowsItsBackwardButtonDisabled) {
  TTabFixture f(200, 100);
  f.Add({"ABC", "ABC", "ABC", "ABC", "ABC", "ABC"});
  TRecordingCanvas c(TRect(0, 0, 200, 100), &f.fonts);
  f.tabs.PaintTo(c);
  auto arrows = c.Find("Polygon");
  ASSERT_EQ(arrows.size(), 2u);
  EXPECT_EQ(arrows[0]->State.BrushColor, clBtnShadow);  // left: disabled
  EXPECT_EQ(arrows[1]->State.BrushColor, clBlack);      // right: enabled
  f.tabs.ScrollForward();
  c.Clear();
  f.tabs.PaintTo(c);
  EXPECT_EQ(c.Find("Polygon")[0]->State.BrushColor, clBlack);
}

TEST_F(TabPainting, CloseButtonIsInactiveWithoutASelectedTab) {
  TTabFixture f;
  f.Add({"One"});
  f.tabs.SetShowCloseButton(true);
  TRecordingCanvas c(TRect(0, 0, 300, 100), &f.fonts);
  f.tabs.PaintTo(c);
  auto colours = [&] {
    std::set<TColor> s;
    for (const TCanvasCall* p : c.Find("SetPixel")) s.insert(TColor(p->Args[2]));
    return s;
  };
  std::set<TColor> inactive = colours();
  EXPECT_TRUE(inactive.count(clBtnHighlight) && inactive.count(clBtnShadow));
  EXPECT_FALSE(inactive.count(clBtnText));
  f.tabs.SetTabIndex(0);
  c.Clear();
  f.tabs.PaintTo(c);
  EXPECT_TRUE(colours().count(clBtnText));
}

TEST_F(TabPainting, TransparentControlsPaintTheParentUnderneath) {
  TTabFixture f;
  f.Add({"One"});
  int parentPaints = 0;
  f.tabs.ParentPainter = [&](TCanvas& c) {
    ++parentPaints;
    c.Brush.SetColor(clFuchsia);
    c.FillRect(TRect(0, 0, 1, 1));
  };
  f.tabs.SetBackgroundColor(clYellow);
  TRecordingCanvas c(TRect(0, 0, 300, 100), &f.fonts);
  f.tabs.PaintTo(c);
  EXPECT_EQ(parentPaints, 0);
  EXPECT_TRUE(HasFill(c, TRect(0, 0, 301, 101), clYellow));
  f.tabs.SetTransparent(true);
  c.Clear();
  f.tabs.PaintTo(c);
  EXPECT_GE(parentPaints, 1);
  EXPECT_FALSE(HasFill(c, TRect(0, 0, 301, 101), clYellow));
}

TEST_F(TabPainting, ShadowDarkensTheBackgroundRightAndBelowTheCard) {
  TTabFixture f(100, 60);
  f.Add({"A"});
  f.tabs.SetBackgroundColor(clWhite);
  TRecordingCanvas c(TRect(0, 0, 100, 60), &f.fonts);
  f.tabs.PaintTo(c);
  std::map<std::pair<int, int>, TColor> px;
  for (const TCanvasCall* p : c.Find("SetPixel")) px[{p->Args[0], p->Args[1]}] = TColor(p->Args[2]);
  auto at = [&](int x, int y) { return px[std::make_pair(x, y)]; };
  EXPECT_EQ(at(98, 40), BlendColors(clBlack, clWhite, 30));
  EXPECT_EQ(at(99, 40), BlendColors(clBlack, clWhite, 15));
  EXPECT_EQ(at(50, 58), BlendColors(clBlack, clWhite, 30));
  EXPECT_EQ(at(50, 59), BlendColors(clBlack, clWhite, 15));
  f.tabs.SetShowShadow(false);
  c.Clear();
  f.tabs.PaintTo(c);
  for (const TCanvasCall* p : c.Find("SetPixel"))
    EXPECT_NE(TColor(p->Args[2]), BlendColors(clBlack, clWhite, 30));  // no shadow
}

TEST_F(TabPainting, VerticalTextIsRotated) {
  TTabFixture f(200, 200);
  f.tabs.Font().SetName("Verdana");
  f.tabs.SetTextOrientation(orVertical);
  f.tabs.SetTabOrientation(toLeft);
  f.Add({"One"});
  TRecordingCanvas c(TRect(0, 0, 200, 200), &f.fonts);
  f.tabs.PaintTo(c);
  EXPECT_EQ(TextsOf(c, "One")[0]->State.FontEscapement, 900);
  f.tabs.SetTabOrientation(toRight);
  c.Clear();
  f.tabs.PaintTo(c);
  EXPECT_EQ(TextsOf(c, "One")[0]->State.FontEscapement, 2700);
}
