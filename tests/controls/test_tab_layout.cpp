// Tab control geometry: tab sizes per style, outlines, the orientation
// mapping, rows and AlignTabs, the region cache and hit testing.
#include <gtest/gtest.h>

#include "TabTestSupport.h"

using namespace qv;
using qv::tabtest::TTabFixture;

namespace {

struct TSizeCase {
  TUiTabStyle Style;
  TUiTabOrientation Orientation;
  TOrientation Text;
  int Width, Height;
};

}  // namespace

// Caption "ABC" is 24 x 16 with horizontal text and 16 x 24 with vertical
// text; CutCornerSize 6, no fixed sizes.
TEST(TabLayout, TabSizePerStyleOrientationAndTextDirection) {
  const TSizeCase cases[] = {
      {tsSingleSlant, toTop, orHorizontal, 52, 22},    // 2*((16+6) div 2) + 24 + 6, 16 + 6
      {tsSingleSlant, toLeft, orHorizontal, 30, 52},   // 24 + 6, 2*((24+6) div 2) + 16 + 6
      {tsDoubleSlant, toTop, orHorizontal, 66, 22},    // 2*(16+2) + 24 + 6
      {tsDoubleSlant, toRight, orHorizontal, 30, 74},  // 2*(24+2) + 16 + 6
      {tsCutCorner, toTop, orHorizontal, 44, 23},      // 2*6 + 24 + 8, 16 + 7
      {tsCutCorner, toLeft, orHorizontal, 37, 26},     // 24 + 6 + 7, 16 + 10
      {tsCutCorner, toBottom, orVertical, 26, 37},     // 16 + 10, 24 + 6 + 7
      {tsCutCorner, toRight, orVertical, 23, 44},      // 16 + 7, 2*6 + 24 + 8
      {tsRoundCorners, toTop, orHorizontal, 40, 22},   // 24 + 16, 16 + 6
      {tsRoundCorners, toLeft, orVertical, 22, 40},    // 16 + 6, 24 + 16
  };
  for (const TSizeCase& c : cases) {
    TTabFixture f(300, 200);
    f.tabs.Font().SetName("Verdana");  // an outline font: no font switch for vertical text
    f.tabs.SetTabStyle(c.Style);
    f.tabs.SetTabOrientation(c.Orientation);
    f.tabs.SetTextOrientation(c.Text);
    f.Add({"ABC"});
    const TRect r = f.tabs.TabRect(0);
    EXPECT_EQ(r.Width(), c.Width) << "style " << int(c.Style) << " orientation "
                                  << int(c.Orientation);
    EXPECT_EQ(r.Height(), c.Height)
        << "style " << int(c.Style) << " orientation " << int(c.Orientation);
  }
}

TEST(TabLayout, EveryTabTakesTheThickestContentAndFixedSizesWin) {
  TTabFixture f;
  f.Add({"ABC", "A\r\nB"});  // the second caption is two lines: 32 high
  EXPECT_EQ(f.tabs.TabRect(0).Height(), 38);
  EXPECT_EQ(f.tabs.TabRect(1).Height(), 38);
  EXPECT_EQ(f.tabs.FixedDimension(), 38);
  // A one-letter caption still gets the extent of "A" (8 x 11 minimum).
  TTabFixture g;
  g.Add({""});
  EXPECT_EQ(g.tabs.TabRect(0).Width(), 2 * ((16 + 6) / 2) + 8 + 6);
  g.tabs.SetTabWidth(70);
  g.tabs.SetTabHeight(30);
  EXPECT_EQ(g.tabs.TabRect(0).Width(), 70);
  EXPECT_EQ(g.tabs.TabRect(0).Height(), 30);
  g.tabs.SetTabWidth(-4);  // negative sizes are ignored
  EXPECT_EQ(g.tabs.TabWidth(), 70);
}

TEST(TabLayout, MnemonicMarksAreNotMeasured) {
  TTabFixture f;
  f.Add({"&ABC", "A&&C"});
  EXPECT_EQ(f.tabs.TabRect(0).Width(), 52);  // "ABC"
  EXPECT_EQ(f.tabs.TabRect(1).Width(), 52);  // "A&C"
  int pos = 0;
  EXPECT_EQ(TUiCustomTabControl::StripMnemonic("Pro&gram", &pos), "Program");
  EXPECT_EQ(pos, 3);
  EXPECT_TRUE(TUiCustomTabControl::IsAccel(U'G', "Pro&gram"));
  EXPECT_FALSE(TUiCustomTabControl::IsAccel(U'a', "A&&B"));
}

TEST(TabLayout, OutlineHasTheStylesPointCount) {
  const std::pair<TUiTabStyle, std::size_t> cases[] = {
      {tsSingleSlant, 5}, {tsDoubleSlant, 4}, {tsCutCorner, 5}, {tsRoundCorners, 6}};
  for (auto [style, count] : cases) {
    TTabFixture f;
    f.tabs.SetTabStyle(style);
    f.Add({"ABC"});
    EXPECT_EQ(f.tabs.TabPolygon(0).size(), count) << int(style);
  }
  // The single slant on top: (L,B) (L,T+2) (L+2,T) (R-h,T) (R,B).
  TTabFixture f;
  f.Add({"ABC"});
  const std::vector<TPoint> expect = {{0, 22}, {0, 2}, {2, 0}, {30, 0}, {52, 22}};
  EXPECT_EQ(f.tabs.TabPolygon(0), expect);
}

// One single-slant tab "ABC" (52 long, 22 thick on top and bottom, 30 x 52
// on the sides) in a 200 x 100 control.
TEST(TabLayout, OrientationAndSequenceMapping) {
  struct TCase {
    TUiTabOrientation Orientation;
    TUiTabSequence Sequence;
    TRect Expect;
  };
  const TCase cases[] = {
      {toTop, tsStandard, {0, 0, 52, 22}},      {toTop, tsReverse, {145, 0, 197, 22}},
      {toBottom, tsStandard, {0, 77, 52, 99}},  {toBottom, tsReverse, {147, 77, 199, 99}},
      {toLeft, tsStandard, {0, 47, 30, 99}},    {toLeft, tsReverse, {0, 0, 30, 52}},
      {toRight, tsStandard, {169, 0, 199, 52}}, {toRight, tsReverse, {169, 47, 199, 99}},
  };
  for (const TCase& c : cases) {
    TTabFixture f(200, 100);
    f.tabs.SetTabOrientation(c.Orientation);
    f.tabs.SetTabSequence(c.Sequence);
    f.Add({"ABC"});
    EXPECT_EQ(f.tabs.TabRect(0), c.Expect)
        << "orientation " << int(c.Orientation) << " sequence " << int(c.Sequence);
  }
}

TEST(TabLayout, CardRectFollowsTheFrameSettings) {
  TTabFixture f(200, 100);
  f.Add({"ABC"});
  // Full frame with the shadow on top: the frame lines lie 2 inside.
  EXPECT_EQ(f.tabs.CardRect(), TRect(1, 23, 197, 97));
  f.tabs.SetShowShadow(false);
  EXPECT_EQ(f.tabs.CardRect(), TRect(1, 23, 199, 99));
  f.tabs.SetShowFullFrame(false);
  EXPECT_EQ(f.tabs.CardRect(), TRect(0, 23, 200, 100));
  f.tabs.SetShowCardFrame(false);
  EXPECT_EQ(f.tabs.CardRect(), TRect(0, 22, 200, 100));
  f.tabs.SetShowCard(false);
  EXPECT_EQ(f.tabs.CardRect(), TRect(-2, -2, -1, -1));
}

// Four "ABC" tabs (52 long, overlapping by 10) in rows: width 121 leaves
// 118 along the row without the shadow's 2 pixels; two rows, 113 each.
TEST(TabLayout, MultiLineRowsAndAlignTabsRemainders) {
  TTabFixture f(121, 100);
  f.tabs.SetMultiLine(true);
  f.Add({"ABC", "ABC", "ABC", "ABC"});
  EXPECT_EQ(f.tabs.RowCount(), 2);
  EXPECT_EQ(f.tabs.RowLength(), 113);
  // Row 0 lies next to the card (y = 39 - 22), row 1 above it, indented.
  EXPECT_EQ(f.tabs.TabRect(0), TRect(0, 17, 52, 39));
  EXPECT_EQ(f.tabs.TabRect(1), TRect(42, 17, 94, 39));
  EXPECT_EQ(f.tabs.TabRect(2), TRect(5, 0, 57, 22));
  // AlignTabs shares the 19 pixels left in a row: 10 to the first, 9 to
  // the second, each shifted by the growth before it.
  f.tabs.SetAlignTabs(true);
  EXPECT_EQ(f.tabs.TabRect(0), TRect(0, 17, 62, 39));
  EXPECT_EQ(f.tabs.TabRect(1), TRect(52, 17, 113, 39));
  // A fixed length along the row turns AlignTabs off.
  f.tabs.SetTabWidth(52);
  EXPECT_EQ(f.tabs.TabRect(0), TRect(0, 17, 52, 39));
}

TEST(TabLayout, SelectingATabRotatesItsRowToTheCard) {
  TTabFixture f(121, 100);
  f.tabs.SetMultiLine(true);
  f.Add({"ABC", "ABC", "ABC", "ABC"});
  f.tabs.SetTabIndex(2);
  EXPECT_EQ(f.tabs.Tabs()[2].Row, 0);
  EXPECT_EQ(f.tabs.Tabs()[0].Row, 1);
  EXPECT_EQ(f.tabs.TabRect(2), TRect(0, 17, 52, 39));
  EXPECT_EQ(f.tabs.TabRect(0), TRect(5, 0, 57, 22));
}

TEST(TabLayout, TinyControlsKeepTabsAtLeastOnePixelLong) {
  TTabFixture f(3, 3);
  f.Add({"ABC", "DEF"});
  EXPECT_GE(f.tabs.TabRect(0).Width(), 1);
  f.tabs.SetMultiLine(true);
  EXPECT_GE(f.tabs.TabRect(1).Width(), 1);
  EXPECT_GE(f.tabs.RowCount(), 1);
  TRecordingCanvas c(TRect(0, 0, 3, 3), &f.fonts);
  f.tabs.PaintTo(c);  // no division by zero, no exception
}

TEST(TabLayout, RegionCacheKeepsTheMostRecentlyUsed) {
  TUiTabRegionCache cache;
  EXPECT_EQ(cache.Capacity(), 1);
  cache.Add(TRect(0, 0, 5, 5), TRegion::FromRect(TRect(0, 0, 5, 5)));
  cache.Add(TRect(5, 0, 9, 5), TRegion::FromRect(TRect(5, 0, 9, 5)));
  EXPECT_EQ(cache.Count(), 1);
  EXPECT_EQ(cache.Find(TRect(0, 0, 5, 5)), nullptr);
  EXPECT_NE(cache.Find(TRect(5, 0, 9, 5)), nullptr);
  cache.SetCapacity(-1);
  cache.Add(TRect(0, 0, 5, 5), TRegion());
  cache.Add(TRect(1, 0, 5, 5), TRegion());
  EXPECT_EQ(cache.Count(), 3);
  cache.Add(TRect(5, 0, 9, 5), TRegion());  // known: moves to the front
  EXPECT_EQ(cache.Count(), 3);
  cache.SetCapacity(2);
  EXPECT_EQ(cache.Count(), 2);
  EXPECT_NE(cache.Find(TRect(5, 0, 9, 5)), nullptr);
  EXPECT_EQ(cache.Find(TRect(0, 0, 5, 5)), nullptr);
  for (int bad : {0, -2}) {
    try {
      cache.SetCapacity(bad);
      ADD_FAILURE() << bad;
    } catch (const EUiTabError& e) {
      EXPECT_EQ(e.Message(), "Capacity must be -1 (to cache all regions) or > 0");
    }
  }
  // The control's own property ignores such values.
  TTabFixture f;
  f.tabs.SetRegionCacheCapacity(0);
  EXPECT_EQ(f.tabs.RegionCacheCapacity(), 1);
}

TEST(TabLayout, HitTestingPrefersTheSelectedTabWhereTabsOverlap) {
  TTabFixture f;
  EXPECT_EQ(f.tabs.TabAtPos(10, 10), -1);  // no tabs
  EXPECT_EQ(f.tabs.TabIndex(), -1);
  f.Add({"ABC", "ABC"});
  // Tab 1 starts at 42; tab 0's slant reaches x = 50 at y = 20.
  EXPECT_EQ(f.tabs.TabAtPos(45, 20), 0);
  f.tabs.SetTabIndex(1);
  EXPECT_EQ(f.tabs.TabAtPos(45, 20), 1);
  EXPECT_EQ(f.tabs.TabAtPos(35, 10), 0);  // left of tab 1, inside tab 0's slant
  EXPECT_EQ(f.tabs.TabAtPos(200, 10), -1);
  EXPECT_EQ(f.tabs.TabAtPos(10, 60), -1);  // the card
  // With a capacity of 1, alternating hit tests replace the cached region.
  f.tabs.TabAtPos(10, 10);
  EXPECT_EQ(f.tabs.RegionCache().Count(), 1);
  f.tabs.SetRegionCacheCapacity(-1);
  f.tabs.TabAtPos(10, 10);
  f.tabs.TabAtPos(80, 10);
  EXPECT_EQ(f.tabs.RegionCache().Count(), 2);
  f.tabs.TabsChanged();  // the next layout clears the cache
  f.tabs.TabRect(0);
  EXPECT_EQ(f.tabs.RegionCache().Count(), 0);
}

TEST(TabLayout, HiddenTabsTakeNoPlace) {
  TTabFixture f;
  f.Add({"ABC", "ABC", "ABC"});
  f.tabs.Tabs()[1].Visible = false;
  f.tabs.TabsChanged();
  EXPECT_EQ(f.tabs.TabRect(2), TRect(42, 0, 94, 22));
  EXPECT_TRUE(f.tabs.TabRect(1).IsEmpty() || !f.tabs.FullyShown(1));
  EXPECT_EQ(f.tabs.TabAtPos(45, 10), 2);
}
