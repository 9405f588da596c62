// The list view core: arrangement per view style, hit tests, selection by
// mouse and keyboard, check boxes, label editing, sorting, owner data,
// deletion and scrolling.
#include <gtest/gtest.h>

#include <functional>
#include <map>

#include "platform/core/FakeControlHost.h"
#include "platform/core/ListView.h"
#include "platform/core/RecordingCanvas.h"

using namespace qv;

namespace {

// Characters 8 x 16: rows are 18 high, the header 22.
struct TListFixture {
  TFakeFontService fonts{8, 16};
  TCustomListView list;
  TFakeControlHost host;
  explicit TListFixture(int w = 200, int h = 120) : host(&list, w, h, &fonts) {}
  void Add(std::initializer_list<const char*> captions) {
    for (const char* c : captions) list.Items().Add().SetCaption(c);
  }
  void Report(std::initializer_list<int> widths) {
    list.SetViewStyle(vsReport);
    for (int w : widths) list.Columns().Add().SetWidth(w);
  }
  std::vector<std::string> Order() {
    std::vector<std::string> out;
    for (int i = 0; i < list.Items().Count(); ++i) out.push_back(list.Items()[i].Caption());
    return out;
  }
};

}  // namespace

TEST(ListView, ReportRowsLieUnderTheHeader) {
  TListFixture f;
  f.Report({80, 60});
  f.Add({"One", "Two", "Three"});
  EXPECT_EQ(f.list.HeaderHeight(), 22);
  EXPECT_EQ(f.list.RowHeight(), 18);
  EXPECT_EQ(f.list.Items()[1].DisplayRect(drBounds), TRect(0, 40, 140, 58));
  EXPECT_EQ(f.list.Items()[1].DisplayRect(drLabel), TRect(2, 40, 32, 58));  // "Two" + 6
  EXPECT_EQ(f.list.ItemAt(10, 45), 1);
  EXPECT_EQ(f.list.ItemAt(70, 45), -1);  // beyond the label, without row select
  f.list.SetRowSelect(true);
  EXPECT_EQ(f.list.ItemAt(130, 45), 1);
  EXPECT_EQ(f.list.ItemAt(10, 10), -1);  // the header
  EXPECT_EQ(f.list.HeaderColumnAt(90, 10), 1);
  bool divider = false;
  EXPECT_EQ(f.list.HeaderColumnAt(81, 10, &divider), 0);
  EXPECT_TRUE(divider);
}

TEST(ListView, IconSmallIconAndListArrangements) {
  TListFixture f(200, 120);
  f.Add({"A", "B", "C", "D", "E"});
  // Icons: 75-pixel cells, two per row in 200 pixels.
  EXPECT_EQ(f.list.Items()[3].DisplayRect(drBounds).TopLeft(),
            TPoint(75, f.list.Items()[3].DisplayRect(drBounds).Height()));
  // Small icons: cells as wide as the widest caption (at least 32), rows left to right.
  f.list.SetViewStyle(vsSmallIcon);
  const TRect b0 = f.list.Items()[0].DisplayRect(drBounds);
  EXPECT_EQ(b0, TRect(0, 0, 32, 18));
  EXPECT_EQ(f.list.Items()[1].DisplayRect(drBounds).Left, 32);
  EXPECT_EQ(f.list.Items()[4].DisplayRect(drBounds).Top, 0);  // 6 per row
  // List: columns top to bottom, 6 rows of 18 in 120 pixels.
  f.list.SetViewStyle(vsList);
  f.Add({"F", "G"});
  EXPECT_EQ(f.list.Items()[5].DisplayRect(drBounds), TRect(0, 90, 32, 108));
  EXPECT_EQ(f.list.Items()[6].DisplayRect(drBounds), TRect(32, 0, 64, 18));
  EXPECT_EQ(f.list.ItemAt(40, 5), 6);
}

TEST(ListView, ClicksSelectAndShiftOrCtrlExtendInMultiSelect) {
  TListFixture f;
  f.Report({150});
  f.Add({"a", "b", "c", "d"});
  std::vector<std::pair<int, bool>> events;
  f.list.OnSelectItem = [&](TListItem* item, bool sel) { events.emplace_back(item->Index(), sel); };
  auto click = [&](int index, TShiftState s) {
    const int y = 22 + index * 18 + 5;
    f.list.MouseDown(mbLeft, s | ssLeft, 5, y);
    f.list.MouseUp(mbLeft, s, 5, y);
  };
  click(1, 0);
  EXPECT_EQ(f.list.ItemIndex(), 1);
  EXPECT_EQ(f.list.ItemFocused(), &f.list.Items()[1]);
  click(3, ssShift);  // single select: just moves
  EXPECT_EQ(f.list.SelCount(), 1);
  f.list.SetMultiSelect(true);
  click(1, 0);
  click(3, ssShift);
  EXPECT_EQ(f.list.SelCount(), 3);
  click(2, ssCtrl);
  EXPECT_EQ(f.list.SelCount(), 2);
  EXPECT_FALSE(f.list.Items()[2].Selected());
  // Clicking empty space clears the selection.
  f.list.MouseDown(mbLeft, ssLeft, 5, 110);
  f.list.MouseUp(mbLeft, 0, 5, 110);
  EXPECT_EQ(f.list.SelCount(), 0);
  EXPECT_FALSE(events.empty());
  EXPECT_EQ(events.front(), std::make_pair(1, true));
}

TEST(ListView, KeyboardMovesTheFocusPerViewStyle) {
  TListFixture f(200, 120);
  f.Add({"a", "b", "c", "d", "e", "f", "g", "h"});
  f.list.SetViewStyle(vsSmallIcon);  // 6 per row
  f.list.SetItemIndex(0);
  auto key = [&](int vk, TShiftState s = 0) {
    int k = vk;
    f.list.KeyDown(k, s);
    return f.list.ItemFocused()->Index();
  };
  EXPECT_EQ(key(VK_RIGHT), 1);
  EXPECT_EQ(key(VK_DOWN), 7);
  EXPECT_EQ(key(VK_DOWN), 7);  // no row below
  EXPECT_EQ(key(VK_HOME), 0);
  EXPECT_EQ(key(VK_END), 7);
  f.list.SetViewStyle(vsReport);
  f.list.Columns().Add().SetWidth(100);
  EXPECT_EQ(key(VK_UP), 6);
  EXPECT_EQ(key(VK_PRIOR), 2);  // a page: the 5 rows that fit less one
  f.list.SetMultiSelect(true);
  EXPECT_EQ(key(VK_DOWN, ssShift), 3);
  EXPECT_EQ(f.list.SelCount(), 2);
  EXPECT_EQ(key(VK_DOWN, ssCtrl), 4);  // Ctrl moves the focus only
  EXPECT_EQ(f.list.SelCount(), 2);
}

TEST(ListView, CheckBoxesToggleAndMayBeRefused) {
  TListFixture f;
  f.Report({150});
  f.list.SetCheckboxes(true);
  f.Add({"a", "b"});
  f.list.MouseDown(mbLeft, ssLeft, 5, 22 + 5);  // on the box
  EXPECT_TRUE(f.list.Items()[0].Checked());
  EXPECT_EQ(f.list.SelCount(), 0);
  f.list.SetItemIndex(1);
  int k = VK_SPACE;
  f.list.KeyDown(k, 0);
  EXPECT_TRUE(f.list.Items()[1].Checked());
}

TEST(ListView, LabelEditingThroughTheHostsEditor) {
  TListFixture f;
  f.Report({150});
  f.Add({"old"});
  TRect shownAt;
  std::string shownText;
  f.list.LabelEditor = [&](const TRect& r, const std::string& t) {
    shownAt = r;
    shownText = t;
  };
  f.list.OnEdited = [](TListItem&, std::string& s) { s += "!"; };
  f.list.SetItemIndex(0);
  int k = VK_F1 + 1;  // F2
  f.list.KeyDown(k, 0);
  EXPECT_TRUE(f.list.IsEditing());
  EXPECT_EQ(shownText, "old");
  EXPECT_EQ(shownAt, f.list.Items()[0].DisplayRect(drLabel));
  f.list.EndLabelEdit(true, "new");
  EXPECT_EQ(f.list.Items()[0].Caption(), "new!");
  // A second click on the selected item's label edits after a pause; a
  // double click does not.
  f.list.MouseDown(mbLeft, ssLeft, 5, 27);
  f.list.MouseUp(mbLeft, 0, 5, 27);
  EXPECT_FALSE(f.list.IsEditing());
  f.host.Advance(500);
  EXPECT_TRUE(f.list.IsEditing());
  f.list.EndLabelEdit(false, "ignored");
  EXPECT_EQ(f.list.Items()[0].Caption(), "new!");
  f.list.MouseDown(mbLeft, ssLeft, 5, 27);
  f.list.MouseUp(mbLeft, 0, 5, 27);
  f.list.DblClick();
  f.host.Advance(500);
  EXPECT_FALSE(f.list.IsEditing());
  f.list.SetReadOnly(true);
  EXPECT_FALSE(f.list.Items()[0].EditCaption());
}

// What the window delivers for a double click: press, release, a second
// press carrying ssDouble followed by DblClick, release.
void DoubleClickAt(TCustomListView& l, int x, int y) {
  l.MouseDown(mbLeft, ssLeft, x, y);
  l.MouseUp(mbLeft, 0, x, y);
  l.MouseDown(mbLeft, ssLeft | ssDouble, x, y);
  l.DblClick();
  l.MouseUp(mbLeft, 0, x, y);
}

void ClickAt(TCustomListView& l, int x, int y) {
  l.MouseDown(mbLeft, ssLeft, x, y);
  l.MouseUp(mbLeft, 0, x, y);
}

// Label editing by mouse starts only from a slow second click on the item
// that was already the one selected; never from a double click, from the
// release that follows a double click which replaced the items (a folder
// opened), or after the list lost the focus.
TEST(ListView, OnlyASlowSecondClickEditsALabel) {
  struct TCase {
    const char* name;
    std::function<void(TListFixture&)> act;
    bool editing;
  };
  // Row 0's label is at (5, 27) in the report below.
  auto refillOnDoubleClick = [](TListFixture& f) {
    f.list.OnDblClick = [&f] {
      f.list.Items().Clear();
      f.Add({"inner1", "inner2"});
      f.list.Items()[0].SetFocused(true);
    };
  };
  const TCase cases[] = {
      {"slow second click",
       [](TListFixture& f) {
         ClickAt(f.list, 5, 27);
         f.host.Advance(1000);
         ClickAt(f.list, 5, 27);
       },
       true},
      {"double click on an unselected item", [](TListFixture& f) { DoubleClickAt(f.list, 5, 27); },
       false},
      {"double click on the selected item",
       [](TListFixture& f) {
         f.list.SetItemIndex(0);
         DoubleClickAt(f.list, 5, 27);
       },
       false},
      {"double click after a pause on the selected item",
       [](TListFixture& f) {
         ClickAt(f.list, 5, 27);
         f.host.Advance(1000);
         DoubleClickAt(f.list, 5, 27);
       },
       false},
      {"double click that replaces the items",
       [&](TListFixture& f) {
         refillOnDoubleClick(f);
         f.list.SetItemIndex(0);
         DoubleClickAt(f.list, 5, 27);
       },
       false},
      {"first click after the items were replaced",
       [&](TListFixture& f) {
         refillOnDoubleClick(f);
         DoubleClickAt(f.list, 5, 27);
         f.host.Advance(1000);
         ClickAt(f.list, 5, 27);
       },
       false},
      {"slow second click after the items were replaced",
       [&](TListFixture& f) {
         refillOnDoubleClick(f);
         DoubleClickAt(f.list, 5, 27);
         f.host.Advance(1000);
         ClickAt(f.list, 5, 27);
         f.host.Advance(1000);
         ClickAt(f.list, 5, 27);
       },
       true},
      {"focus lost before the pause ends",
       [](TListFixture& f) {
         ClickAt(f.list, 5, 27);
         f.host.Advance(1000);
         ClickAt(f.list, 5, 27);
         f.host.TakeFocus();
       },
       false},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.name);
    TListFixture f;
    f.Report({150});
    f.Add({"first", "second"});
    std::string shown;
    f.list.LabelEditor = [&](const TRect&, const std::string& t) { shown = t; };
    c.act(f);
    f.host.Advance(2000);
    EXPECT_EQ(f.list.IsEditing(), c.editing);
    EXPECT_EQ(shown.empty(), !c.editing);
  }
}

TEST(ListView, SortingByCaptionOrCompare) {
  TListFixture f;
  f.Add({"pear", "Apple", "fig"});
  TListItem* fig = &f.list.Items()[2];
  f.list.AlphaSort();
  EXPECT_EQ(f.Order(), (std::vector<std::string>{"Apple", "fig", "pear"}));
  EXPECT_EQ(fig->Index(), 1);  // items move, pointers stay
  f.list.OnCompare = [](TListItem& a, TListItem& b, int& r) {
    r = int(b.Caption().size()) - int(a.Caption().size());
  };
  f.list.AlphaSort();
  EXPECT_EQ(f.Order(), (std::vector<std::string>{"Apple", "pear", "fig"}));
  f.list.CustomSort(
      [](TListItem& a, TListItem& b) { return a.Caption().back() - b.Caption().back(); });
  EXPECT_EQ(f.Order(), (std::vector<std::string>{"Apple", "fig", "pear"}));
}

TEST(ListView, OwnerDataFillsItemsWhenTheyAreUsed) {
  TListFixture f;
  f.Report({150});
  f.list.SetOwnerData(true);
  int filled = 0;
  f.list.OnData = [&](TListItem& item) {
    ++filled;
    item.SetCaption("row " + std::to_string(item.Index()));
  };
  f.list.Items().SetCount(100000);
  EXPECT_EQ(filled, 0);
  TRecordingCanvas c(TRect(0, 0, 200, 120), &f.fonts);
  f.list.Paint(c, TRect(0, 0, 200, 120));
  EXPECT_LE(filled, 6);  // only the rows on screen
  EXPECT_EQ(f.list.Items()[99999].Caption(), "row 99999");
  EXPECT_FALSE(f.list.AlphaSort());
}

TEST(ListView, DeletionEventsAndOwnedData) {
  struct TData : TListItemData {
    int* freed;
    explicit TData(int* f) : freed(f) {}
    ~TData() override { ++*freed; }
  };
  int freed = 0;
  std::vector<std::string> deleted;
  {
    TListFixture f;
    f.list.OnDeletion = [&](TListItem& item) { deleted.push_back(item.Caption()); };
    f.Add({"a", "b", "c"});
    for (int i = 0; i < 3; ++i) f.list.Items()[i].OwnedData = std::make_unique<TData>(&freed);
    f.list.Items().Delete(1);
    EXPECT_EQ(freed, 1);
    EXPECT_EQ(f.list.Items()[1].Caption(), "c");
    EXPECT_EQ(f.list.Items()[1].Index(), 1);
    f.list.Items().Clear();
    EXPECT_EQ(freed, 3);
    f.Add({"d"});
    f.list.OnDeletion = nullptr;
  }
  EXPECT_EQ(deleted, (std::vector<std::string>{"b", "a", "c"}));
}

TEST(ListView, ScrollingKeepsTheFocusedItemVisible) {
  TListFixture f(200, 94);  // header 22 + 4 rows
  f.Report({150});
  for (int i = 0; i < 20; ++i) f.list.Items().Add().SetCaption(std::to_string(i));
  f.list.SetItemIndex(0);
  EXPECT_TRUE(f.host.GetScrollInfo(sbVertical).Visible);
  int k = VK_END;
  f.list.KeyDown(k, 0);
  EXPECT_EQ(f.list.TopItem()->Index(), 16);
  EXPECT_EQ(f.host.GetScrollInfo(sbVertical).Pos, 16 * 18);
  f.list.Scroll(sbVertical, scTop, 0);
  EXPECT_EQ(f.list.TopItem()->Index(), 0);
  EXPECT_TRUE(f.list.MouseWheel(0, -120, 10, 10));
  EXPECT_EQ(f.list.TopItem()->Index(), 3);
  f.list.Items()[10].MakeVisible();
  EXPECT_EQ(f.list.TopItem()->Index(), 7);
}

TEST(ListView, PaintingShowsSelectionAndHeader) {
  TListFixture f;
  f.Report({100, 60});
  f.list.Columns()[0].SetCaption("Name");
  f.list.Columns()[1].SetCaption("Size");
  f.list.Columns()[1].SetAlignment(taRightJustify);
  f.Add({"one"});
  f.list.Items()[0].SetSubItem(0, "12");
  f.list.SetItemIndex(0);
  f.host.GiveFocus();
  TRecordingCanvas c(TRect(0, 0, 200, 120), &f.fonts);
  f.list.Paint(c, TRect(0, 0, 200, 120));
  std::map<std::string, const TCanvasCall*> texts;
  for (const TCanvasCall& call : c.Calls())
    if (call.Op == "ExtTextOut" || call.Op == "TextOut") texts[call.Text] = &call;
  ASSERT_TRUE(texts.count("one") && texts.count("12") && texts.count("Name"));
  EXPECT_EQ(texts["one"]->State.TextColor, clHighlightText);
  EXPECT_EQ(texts["12"]->Args[0], 160 - 2 - 16);  // right-aligned in its column
  // The header's native sort arrow.
  f.list.Columns()[1].SetHeaderFormat(HDF_STRING | HDF_RIGHT | HDF_SORTUP);
  c.Clear();
  f.list.Paint(c, TRect(0, 0, 200, 120));
  EXPECT_EQ(c.Count("Polygon"), 1);
}
