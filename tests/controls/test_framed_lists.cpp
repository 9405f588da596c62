// The framed list view and tree view: sorting by column click, header sort
// arrows, the last column filling the width, wheel steps, item context
// menus, check-box events, the frame and the frame controller.
#include <gtest/gtest.h>

#include "controls/UiListVw.h"
#include "controls/UiThemeSrv.h"
#include "controls/UiTreeVw.h"
#include "platform/core/FakeControlHost.h"
#include "platform/core/RecordingCanvas.h"

using namespace qv;

namespace {

struct TRecordingMenu : TPopupMenu {
  int Calls = 0;
  TPoint At;
  TControlCore* Component = nullptr;
  void Popup(TControlHost&, TControlCore& c, int x, int y) override {
    ++Calls;
    At = {x, y};
    Component = &c;
  }
};

struct TListFixture {
  TFakeFontService fonts{8, 16};
  TUiCustomListView list;
  TFakeControlHost host;
  TListFixture() : host(&list, 300, 150, &fonts) {
    SetUxThemeProvider(nullptr);
    FreeThemeServices();
    list.SetViewStyle(vsReport);
    list.Columns().Add().SetWidth(100);
    list.Columns().Add().SetWidth(60);
  }
  void Row(const char* caption, const char* sub) {
    TListItem& it = list.Items().Add();
    it.SetCaption(caption);
    if (sub) it.SetSubItem(0, sub);
  }
  std::vector<std::string> Captions() {
    std::vector<std::string> out;
    for (int i = 0; i < list.Items().Count(); ++i) out.push_back(list.Items()[i].Caption());
    return out;
  }
  void ClickHeader(int x) {
    list.MouseDown(mbLeft, ssLeft, x, 5);
    list.MouseUp(mbLeft, 0, x, 5);
  }
};

}  // namespace

TEST(FramedListView, ColumnClicksSortAscendingDescendingAscending) {
  TListFixture f;
  f.list.SetSortOnColumnClick(true);
  f.Row("b", "2");
  f.Row("", "3");
  f.Row("C", "");
  f.Row("a", "1");
  int clicked = 0;
  f.list.OnColumnClick = [&](TListColumn&) { ++clicked; };
  f.ClickHeader(20);
  // Ignoring case; an empty caption goes after the others.
  EXPECT_EQ(f.Captions(), (std::vector<std::string>{"a", "b", "C", ""}));
  EXPECT_EQ(f.list.SortArrowColumn(), 0);
  EXPECT_FALSE(f.list.SortArrowDescending());
  f.ClickHeader(20);
  EXPECT_EQ(f.Captions(), (std::vector<std::string>{"", "C", "b", "a"}));
  EXPECT_TRUE(f.list.SortArrowDescending());
  f.ClickHeader(20);
  EXPECT_EQ(f.Captions(), (std::vector<std::string>{"a", "b", "C", ""}));
  EXPECT_EQ(clicked, 3);
  // Another column sorts by its sub-items (a missing one is empty).
  f.ClickHeader(120);
  EXPECT_EQ(f.Captions(), (std::vector<std::string>{"a", "b", "", "C"}));
  EXPECT_EQ(f.list.SortArrowColumn(), 1);
}

TEST(FramedListView, HeaderFormatsFollowTheDisplayMode) {
  TListFixture f;
  f.list.Columns()[1].SetAlignment(taRightJustify);
  f.list.SetSortArrow(1, true);
  // hsdmRightOfText: native arrows.
  EXPECT_EQ(f.list.Columns()[0].HeaderFormat(), HDF_STRING);
  EXPECT_EQ(f.list.Columns()[1].HeaderFormat(), HDF_STRING | HDF_RIGHT | HDF_SORTDOWN);
  f.list.SetSortArrow(1, false);
  EXPECT_EQ(f.list.Columns()[1].HeaderFormat(), HDF_STRING | HDF_RIGHT | HDF_SORTUP);
  // The other modes draw the header items themselves.
  f.list.SetHeaderSortDisplayMode(hsdmRightAlign);
  EXPECT_EQ(f.list.Columns()[0].HeaderFormat(), HDF_OWNERDRAW);
  EXPECT_EQ(f.list.Columns()[1].HeaderFormat(), HDF_OWNERDRAW | HDF_RIGHT);
  TRecordingCanvas c(TRect(0, 0, 300, 150), &f.fonts);
  f.list.Paint(c, TRect(0, 0, 300, 150));
  // Ascending: a down-pointing triangle in clBtnShadow at the right edge.
  const TCanvasCall* arrow = c.First("Polygon");
  ASSERT_NE(arrow, nullptr);
  EXPECT_EQ(arrow->State.BrushColor, clBtnShadow);
  ASSERT_EQ(arrow->Points.size(), 3u);
  EXPECT_GT(arrow->Points[0].Y, arrow->Points[1].Y);
  EXPECT_EQ(arrow->Points[2].X, 160 - 2 - 1);  // against the column's right edge
  f.list.SetHeaderSortDisplayMode(hsdmNone);
  EXPECT_EQ(f.list.Columns()[1].HeaderFormat(), HDF_STRING | HDF_RIGHT | HDF_SORTUP);
}

TEST(FramedListView, LastColumnFillsTheWidthButNotBelowFivePixels) {
  TListFixture f;
  // An empty list leaves room for a vertical scroll bar.
  f.list.DoFillLastColumn();
  EXPECT_EQ(f.list.Columns()[1].Width(), 300 - 17 - 100);
  f.Row("a", nullptr);
  f.host.SetClientSize(250, 150);
  EXPECT_EQ(f.list.Columns()[1].Width(), 150);
  f.host.SetClientSize(100, 150);
  EXPECT_EQ(f.list.Columns()[1].Width(), 150);  // no wider than the others: unchanged
  f.host.SetClientSize(103, 150);
  EXPECT_EQ(f.list.Columns()[1].Width(), 5);
  f.list.SetFillLastColumn(false);
  f.host.SetClientSize(400, 150);
  EXPECT_EQ(f.list.Columns()[1].Width(), 5);
}

TEST(FramedListView, WheelScrollsThreeLinesOfSixteenOrThirtyTwoPixels) {
  TListFixture f;
  for (int i = 0; i < 100; ++i) f.Row("x", nullptr);
  EXPECT_TRUE(f.list.MouseWheel(0, -120, 5, 5));
  EXPECT_EQ(f.list.ScrollPos().Y, 48);
  f.list.SetViewStyle(vsIcon);
  f.list.Scroll(0, -1000);
  f.list.MouseWheel(0, -120, 5, 5);
  EXPECT_EQ(f.list.ScrollPos().Y, 96);
}

TEST(FramedListView, ContextMenusForTheSelectedItem) {
  TListFixture f;
  f.Row("a", nullptr);
  f.Row("b", nullptr);
  auto own = std::make_shared<TRecordingMenu>();
  auto item = std::make_shared<TRecordingMenu>();
  f.list.PopupMenu = own;
  // Without a selected item the control's own menu shows.
  f.list.MouseDown(mbRight, ssRight, 250, 140);
  f.list.MouseUp(mbRight, 0, 250, 140);
  EXPECT_EQ(own->Calls, 1);
  // On an item: the item event may choose another menu and move the point.
  f.list.OnItemContextMenu = [&](TListItem& it, TPoint& pt, TPopupMenuRef& menu) {
    EXPECT_EQ(it.Caption(), "b");
    pt.X += 1;
    menu = item;
  };
  const int y = 22 + 18 + 5;
  f.list.MouseDown(mbRight, ssRight, 5, y);
  f.list.MouseUp(mbRight, 0, 5, y);
  EXPECT_EQ(item->Calls, 1);
  EXPECT_EQ(item->At, TPoint(6, y));
  EXPECT_EQ(item->Component, &f.list);
  EXPECT_EQ(own->Calls, 1);  // not shown again
  // From the keyboard: the middle of the item's icon rectangle.
  int k = VK_APPS;
  f.list.KeyDown(k, 0);
  EXPECT_EQ(item->Calls, 2);
  const TRect icon = f.list.Items()[1].DisplayRect(drIcon);
  EXPECT_EQ(item->At, TPoint((icon.Left + icon.Right) / 2 + 1, (icon.Top + icon.Bottom) / 2));
}

TEST(FramedListView, CheckBoxChangesAskFirstAndReportAfter) {
  TListFixture f;
  f.list.SetCheckboxes(true);
  f.Row("a", nullptr);
  bool allow = false;
  int after = 0;
  f.list.OnItemChecking = [&](TListItem&, bool& a) { a = allow; };
  f.list.OnItemChecked = [&](TListItem&) { ++after; };
  f.list.Items()[0].SetChecked(true);
  EXPECT_FALSE(f.list.Items()[0].Checked());
  allow = true;
  f.list.Items()[0].SetChecked(true);
  EXPECT_TRUE(f.list.Items()[0].Checked());
  EXPECT_EQ(after, 1);
}

TEST(FramedListView, AClickEditsWithRowSelectOnlyOnTheLabel) {
  TListFixture f;
  f.list.SetRowSelect(true);
  f.Row("abc", "x");
  int editors = 0;
  f.list.LabelEditor = [&](const TRect&, const std::string&) { ++editors; };
  const int y = 22 + 5;
  f.list.SetItemIndex(0);
  f.list.MouseDown(mbLeft, ssLeft, 130, y);  // the sub-item, still the row
  f.list.MouseUp(mbLeft, 0, 130, y);
  f.host.Advance(500);
  EXPECT_EQ(editors, 0);
  f.list.MouseDown(mbLeft, ssLeft, 5, y);
  f.list.MouseUp(mbLeft, 0, 5, y);
  f.host.Advance(500);
  EXPECT_EQ(editors, 1);
  f.list.EndLabelEdit(false, "");
  int k = VK_F1 + 1;  // F2 does not depend on the pointer
  f.list.KeyDown(k, 0);
  EXPECT_EQ(editors, 2);
}

TEST(FramedListView, ControllerOverridesTheFrameAndAThemedFrameIsNotDrawn) {
  TListFixture f;
  TUiFrameController fc;
  fc.SetFrameVisible(true);
  fc.SetFrameStyle(fsGroove);
  fc.SetFramingPreference(fpCustomFraming);
  f.list.SetFrameStyle(fsRaised);
  f.list.SetFrameController(&fc);
  EXPECT_EQ(f.list.FrameStyle(), fsGroove);
  EXPECT_FALSE(f.list.FramePropertiesStored());
  TRecordingCanvas c;
  f.list.PaintNonClient(c, 300, 150);
  EXPECT_GT(c.Count("SetPixel"), 0);  // the groove's corner pixels
  // Themed framing with themes on: no custom frame.
  f.list.SetFrameController(nullptr);
  f.list.SetFramingPreference(fpXPThemes);
  EXPECT_FALSE(f.list.UseThemedFrame());  // no theme library here
  f.list.SetFrameVisible(true);
  c.Clear();
  f.list.PaintNonClient(c, 300, 150);
  EXPECT_GT(c.Count("LineTo"), 0);
}

TEST(FramedListView, ColoursFollowFocusAndDisabling) {
  TListFixture f;
  f.list.SetFocusColor(clInfoBk);
  f.host.GiveFocus();
  EXPECT_EQ(f.list.TCustomListView::Color(), clInfoBk);
  f.host.TakeFocus();
  EXPECT_EQ(f.list.TCustomListView::Color(), clWindow);
  f.list.SetEnabled(false);
  EXPECT_EQ(f.list.TCustomListView::Color(), clBtnFace);
}

// ---- tree ----------------------------------------------------------------------------

TEST(FramedTreeView, SelectionFrameWhileUnfocusedAndNodeContextMenus) {
  TFakeFontService fonts(8, 16);
  TUiCustomTreeView tree;
  TFakeControlHost host(&tree, 200, 100, &fonts);
  TTreeNode& a = tree.Items().Add(nullptr, "a");
  TTreeNode& b = tree.Items().Add(nullptr, "b");
  tree.SetSelected(&a);
  tree.SetHideSelection(false);
  tree.SelectionFramePen().SetColor(clRed);
  TRecordingCanvas c(TRect(0, 0, 200, 100), &fonts);
  tree.Paint(c, TRect(0, 0, 200, 100));
  const TCanvasCall* frame = c.First("Rectangle");
  ASSERT_NE(frame, nullptr);
  EXPECT_EQ(frame->State.PenColor, clRed);
  EXPECT_EQ(frame->Args, (std::vector<int>{19, 0, 19 + 8 + 4, 18}));
  host.GiveFocus();
  c.Clear();
  tree.Paint(c, TRect(0, 0, 200, 100));
  EXPECT_EQ(c.Count("Rectangle"), 0);
  // The node under the pointer, else the selected node.
  auto menu = std::make_shared<TRecordingMenu>();
  TTreeNode* got = nullptr;
  tree.OnItemContextMenu = [&](TTreeNode& n, TPoint&, TPopupMenuRef& m) {
    got = &n;
    m = menu;
  };
  tree.MouseDown(mbRight, ssRight, 21, 22);
  tree.MouseUp(mbRight, 0, 21, 22);
  EXPECT_EQ(got, &b);
  EXPECT_EQ(tree.Selected(), &a);  // a right click does not select
  tree.MouseUp(mbRight, 0, 150, 90);
  EXPECT_EQ(got, &a);
  EXPECT_EQ(menu->Calls, 2);
  EXPECT_EQ(menu->At, TPoint(150, 90));
  // The wheel moves three rows.
  for (int i = 0; i < 20; ++i) tree.Items().Add(nullptr, "n");
  tree.MouseWheel(0, -120, 0, 0);
  EXPECT_EQ(tree.ScrollPos().Y, 3);
}
