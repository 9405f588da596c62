// The grid control's logic on fake hosts: layout, zoom, the wheel, links
// between grids, keyboard and mouse state machines, line sizing,
// auto-scroll, cell notifications, hints and what the views paint.
//
// The rig's grid is 400 x 300 pixels over a new sheet: 5 x 5 cells of
// 60 x 15 pixels, one title column and one title row, so the client view
// lies at (60, 15) and is 340 x 285 pixels.
#include <gtest/gtest.h>

#include "GridControlTestSupport.h"
#include "platform/core/RecordingCanvas.h"

namespace qv {
namespace {

using test::TGridRig;

class GridControlTest : public ::testing::Test {
 protected:
  void SetUp() override { FormatSettings() = TFormatSettings::Invariant(); }
  TGridRig rig;
  TXLSheet& sheet = rig.Sheet;
  TXLGrid& grid = rig.Grid;
};

// ---- layout and zoom --------------------------------------------------------

TEST_F(GridControlTest, ViewsLaidOutAroundTheClient) {
  auto& h = *rig.Host;
  EXPECT_EQ(h.Bounds[skCorner], TRect(0, 0, 60, 15));
  EXPECT_EQ(h.Bounds[skColTitles], TRect(60, 0, 400, 15));
  EXPECT_EQ(h.Bounds[skRowTitles], TRect(0, 15, 60, 300));
  EXPECT_EQ(h.Bounds[skClient], TRect(60, 15, 400, 300));
  EXPECT_EQ(rig.Client().Extent(), (TSize{300, 75}));
  // Without title columns the row titles and the corner hide.
  grid.SetOptions(grid.Options() - TXLOptions{oTitleCols});
  EXPECT_FALSE(h.Visible[skRowTitles]);
  EXPECT_FALSE(h.Visible[skCorner]);
  EXPECT_TRUE(h.Visible[skColTitles]);
  EXPECT_EQ(h.Bounds[skClient], TRect(0, 15, 400, 300));
  // Two title columns of 30: the titles widen.
  grid.SetOptions(kXLDefaultOptions);
  sheet.SetTitleCols(2);
  sheet.SetSize(-1, 0, 30);
  EXPECT_EQ(h.Bounds[skClient], TRect(90, 15, 400, 300));
}

TEST_F(GridControlTest, ScaleHeldToRangeAndScalesEverySize) {
  int changes = 0;
  grid.OnScaleChanged = [&](TXLGrid&) { ++changes; };
  grid.SetScale(10);
  EXPECT_EQ(grid.Scale(), 25);
  grid.SetScale(900);
  EXPECT_EQ(grid.Scale(), 500);
  grid.SetScale(200);
  EXPECT_EQ(changes, 3);
  EXPECT_EQ(grid.Sizes(0, false).Get(3), 120);
  EXPECT_EQ(grid.Sizes(1, true).Get(0), 30);
  EXPECT_EQ(rig.Host->Bounds[skClient], TRect(120, 30, 400, 300));
  EXPECT_EQ(grid.ToPixels(61), 122);
  EXPECT_EQ(grid.FromPixels(123), 61);
  // A default too small to scale stays one pixel, so lines can be hit.
  sheet.SetRowDefHeight(2);
  grid.SetScale(25);
  EXPECT_EQ(grid.Sizes(1, false).Default(), 1);
}

// ---- the wheel --------------------------------------------------------------

TEST_F(GridControlTest, CtrlWheelZoomSteps) {
  struct {
    int from, delta, to;
  } cases[] = {{90, 120, 105}, {105, 120, 130}, {100, -120, 85}, {190, 120, 200},
               {30, -120, 25}, {200, 120, 200}, {300, 120, 300}, {300, -120, 200}};
  for (const auto& c : cases) {
    grid.SetScale(c.from);
    rig.Client().MouseWheel(ssCtrl, c.delta, 10, 10);
    EXPECT_EQ(grid.Scale(), c.to) << c.from << " " << c.delta;
  }
  // Ctrl with another modifier scrolls instead.
  grid.SetScale(100);
  rig.Client().MouseWheel(ssCtrl | ssShift, 120, 10, 10);
  EXPECT_EQ(grid.Scale(), 100);
}

TEST_F(GridControlTest, WheelScrollsRowsByTheDefaultHeight) {
  sheet.SetRowCount(200);
  TXLView& c = rig.Client();
  c.MouseWheel(0, -120, 10, 10);
  EXPECT_EQ(c.TopLeft().Y, 5);  // (60 / 15) + 1
  c.MouseWheel(0, 120, 10, 10);
  EXPECT_EQ(c.TopLeft().Y, 0);
  sheet.SetRowDefHeight(100);
  c.MouseWheel(0, -120, 10, 10);
  EXPECT_EQ(c.TopLeft().Y, 1);
  c.MouseWheel(0, 120, 10, 10);
  EXPECT_EQ(c.TopLeft().Y, 0);
  // Half notches add up to one.
  c.MouseWheel(0, -60, 10, 10);
  EXPECT_EQ(c.TopLeft().Y, 0);
  c.MouseWheel(0, -60, 10, 10);
  EXPECT_EQ(c.TopLeft().Y, 1);
  // The title views follow the client.
  EXPECT_EQ(rig.RowTitles().TopLeft().Y, 1);
  EXPECT_EQ(rig.ColTitles().TopLeft().Y, 0);
}

// ---- links ----------------------------------------------------------------------

TEST_F(GridControlTest, LinksAreMutualAndFollowTheScrollPosition) {
  TGridRig b, c;
  for (TXLSheet* s : {&sheet, &b.Sheet, &c.Sheet}) s->SetColCount(40);
  grid.SetHorzLink(&grid);
  EXPECT_EQ(grid.HorzLink(), nullptr);
  grid.SetHorzLink(&b.Grid);
  EXPECT_EQ(b.Grid.HorzLink(), &grid);
  rig.Client().Scroll(sbHorizontal, scLineDown, 0);
  rig.Client().Scroll(sbHorizontal, scLineDown, 0);
  EXPECT_EQ(b.Client().TopLeft().X, 2);
  grid.SetHorzLink(&c.Grid);
  EXPECT_EQ(b.Grid.HorzLink(), nullptr);
  EXPECT_EQ(c.Grid.HorzLink(), &grid);
  EXPECT_EQ(c.Client().TopLeft().X, 2);  // the partner takes over the position
  c.Client().Scroll(sbHorizontal, scLineDown, 0);
  EXPECT_EQ(rig.Client().TopLeft().X, 3);
  EXPECT_EQ(b.Client().TopLeft().X, 2);
  // Only the linked axis follows.
  sheet.SetRowCount(100);
  rig.Client().Scroll(sbVertical, scLineDown, 0);
  EXPECT_EQ(c.Client().TopLeft().Y, 0);
  grid.SetHorzLink(nullptr);
  EXPECT_EQ(c.Grid.HorzLink(), nullptr);
}

// ---- keyboard ------------------------------------------------------------------

TEST_F(GridControlTest, ArrowsMoveAndRememberTheDirection) {
  int cur = 0;
  grid.OnCurChanged = [&](TXLGrid&) { ++cur; };
  EXPECT_EQ(grid.LastDirection(), dDown);
  rig.Key(VK_RIGHT);
  EXPECT_EQ(grid.GetCurCell(), TPoint(1, 0));
  EXPECT_EQ(grid.LastDirection(), dRight);
  rig.Key(VK_DOWN);
  EXPECT_EQ(grid.GetCurCell(), TPoint(1, 1));
  EXPECT_EQ(grid.LastDirection(), dDown);
  rig.Key(VK_UP);
  rig.Key(VK_UP);  // at the edge: stays
  EXPECT_EQ(grid.GetCurCell(), TPoint(1, 0));
  EXPECT_EQ(cur, 3);
  rig.Key(VK_END, ssCtrl);
  EXPECT_EQ(grid.GetCurCell(), TPoint(4, 4));
  rig.Key(VK_HOME);
  EXPECT_EQ(grid.GetCurCell(), TPoint(0, 4));
  // With wrap keys Right at the end of a row goes on in the next one.
  grid.SetCurCell(4, 1);
  rig.Key(VK_RIGHT);
  EXPECT_EQ(grid.GetCurCell(), TPoint(4, 1));
  grid.SetOptions(grid.Options() + TXLOptions{oWrapKeys});
  rig.Key(VK_RIGHT);
  EXPECT_EQ(grid.GetCurCell(), TPoint(0, 2));
  rig.Key(VK_LEFT);
  EXPECT_EQ(grid.GetCurCell(), TPoint(4, 1));
}

TEST_F(GridControlTest, EnterMovesByEnterDir) {
  rig.Key(VK_RETURN);
  EXPECT_EQ(grid.GetCurCell(), TPoint(0, 1));  // dAuto, no move yet: down
  rig.Key(VK_RETURN, ssShift);
  EXPECT_EQ(grid.GetCurCell(), TPoint(0, 0));
  rig.Key(VK_RIGHT);
  rig.Key(VK_RETURN);
  EXPECT_EQ(grid.GetCurCell(), TPoint(2, 0));  // follows the last arrow
  grid.SetEnterDir(dNone);
  rig.Key(VK_RETURN);
  EXPECT_EQ(grid.GetCurCell(), TPoint(2, 0));
  grid.SetEnterDir(dUp);
  rig.Key(VK_RETURN, ssShift);
  EXPECT_EQ(grid.GetCurCell(), TPoint(2, 1));
}

TEST_F(GridControlTest, MovesStepOverMergedBlocks) {
  sheet.Section(skClient).Merge(TRect(1, 0, 3, 2));
  rig.Key(VK_RIGHT);
  EXPECT_EQ(grid.GetCurCell(), TPoint(1, 0));
  EXPECT_EQ(rig.Client().CursorRect(), TRect(1, 0, 3, 2));
  EXPECT_EQ(rig.Client().SelRect(), TRect(1, 0, 3, 2));
  rig.Key(VK_RIGHT);
  EXPECT_EQ(grid.GetCurCell(), TPoint(3, 0));
  rig.Key(VK_LEFT);
  rig.Key(VK_DOWN);
  EXPECT_EQ(grid.GetCurCell(), TPoint(1, 2));
  // A cursor put inside a block goes to its top-left.
  grid.SetCurCell(2, 1);
  EXPECT_EQ(grid.GetCurCell(), TPoint(1, 0));
}

TEST_F(GridControlTest, ShiftExtendsAndCtrlScrolls) {
  sheet.SetRowCount(50);
  int sel = 0;
  grid.OnSelChanged = [&](TXLGrid&) { ++sel; };
  rig.Key(VK_RIGHT, ssShift);
  rig.Key(VK_DOWN, ssShift);
  EXPECT_EQ(rig.Client().SelRect(), TRect(0, 0, 2, 2));
  EXPECT_EQ(grid.GetCurCell(), TPoint(0, 0));
  EXPECT_EQ(sel, 2);
  rig.Key(VK_NEXT, ssShift);
  EXPECT_EQ(rig.Client().SelRect(), TRect(0, 0, 2, 22));
  rig.Key(VK_END, ssShift);
  EXPECT_EQ(rig.Client().SelRect(), TRect(0, 0, 5, 22));
  // Without oRangeSelect Shift moves the cursor.
  grid.SetOptions(grid.Options() - TXLOptions{oRangeSelect});
  rig.Key(VK_RIGHT, ssShift);
  EXPECT_EQ(rig.Client().SelRect(), TRect(1, 0, 2, 1));
  // Ctrl scrolls by a line and keeps the cursor.
  rig.Key(VK_DOWN, ssCtrl);
  EXPECT_EQ(rig.Client().TopLeft().Y, 1);
  EXPECT_EQ(grid.GetCurCell(), TPoint(1, 0));
  // Page Down moves by the client's height (285 pixels: 19 rows).
  rig.Key(VK_NEXT);
  EXPECT_EQ(grid.GetCurCell(), TPoint(1, 19));
  rig.Key(VK_PRIOR, ssCtrl);
  EXPECT_EQ(grid.GetCurCell(), TPoint(1, 0));
  EXPECT_EQ(rig.Client().TopLeft().Y, 0);  // scrolled back into view
}

TEST_F(GridControlTest, RowSelectSpansWholeRows) {
  grid.SetOptions(grid.Options() + TXLOptions{oRowSelect});
  rig.Key(VK_DOWN);
  EXPECT_EQ(rig.Client().SelRect(), TRect(0, 1, 5, 2));
  rig.Key(VK_DOWN, ssShift);
  EXPECT_EQ(rig.Client().SelRect(), TRect(0, 1, 5, 3));
}

TEST_F(GridControlTest, DeleteClearsTheSelectionButNotReadOnlyCells) {
  for (int c = 0; c < 3; ++c) sheet.SetCellText(c, 0, "v" + std::to_string(c));
  TXLSectionRange(&sheet.Section(skClient), TRect(1, 0, 2, 1)).SetStyles(CellStyleBit(csReadOnly));
  grid.SelectRange(0, 0, 3, 1);
  rig.Key(VK_DELETE);
  EXPECT_EQ(sheet.FindCell(0, 0), nullptr);
  EXPECT_EQ(sheet.GetCellText(1, 0), "v1");
  EXPECT_EQ(sheet.FindCell(2, 0), nullptr);
  // On a read-only cursor cell Delete does nothing.
  sheet.SetCellText(2, 0, "v2");
  grid.SetCurCell(1, 0);
  grid.SelectRange(1, 0, 3, 1);
  rig.Key(VK_DELETE);
  EXPECT_EQ(sheet.GetCellText(2, 0), "v2");
  // A read-only sheet keeps everything.
  grid.SetCurCell(2, 0);
  sheet.ReadOnly = true;
  rig.Key(VK_DELETE);
  EXPECT_EQ(sheet.GetCellText(2, 0), "v2");
}

// ---- mouse ------------------------------------------------------------------------

TEST_F(GridControlTest, BordersCountInTitleViewsOnly) {
  grid.SetOptions(grid.Options() + TXLOptions{oColSizing, oRowSizing});
  // The boundary between columns 3 and 4 lies at 240 in the column titles.
  for (int x : {239, 240, 241}) {
    const TXLHit hit = rig.ColTitles().HitTest(x, 7);
    EXPECT_EQ(hit.Kind, TXLHit::hColBorder) << x;
    EXPECT_EQ(hit.Col, 3) << x;
  }
  EXPECT_EQ(rig.ColTitles().HitTest(238, 7).Kind, TXLHit::hCell);
  EXPECT_EQ(rig.ColTitles().HitTest(242, 7).Kind, TXLHit::hCell);
  // The same point in the client is a cell.
  TXLHit hit = rig.Client().HitTest(240, 7);
  EXPECT_EQ(hit.Kind, TXLHit::hCell);
  EXPECT_EQ(hit.Col, 4);
  // Row borders in the row titles; the right edge of the title column.
  hit = rig.RowTitles().HitTest(30, 29);
  EXPECT_EQ(hit.Kind, TXLHit::hRowBorder);
  EXPECT_EQ(hit.Row, 1);
  hit = rig.RowTitles().HitTest(59, 40);
  EXPECT_EQ(hit.Kind, TXLHit::hColBorder);
  EXPECT_EQ(hit.Col, 0);
  // Without the options there are no borders.
  grid.SetOptions(kXLDefaultOptions);
  EXPECT_EQ(rig.ColTitles().HitTest(240, 7).Kind, TXLHit::hCell);
}

TEST_F(GridControlTest, DraggingABorderSizesTheColumnInSheetUnits) {
  grid.SetOptions(grid.Options() + TXLOptions{oColSizing});
  sheet.SetColDefWidth(40);
  grid.SetScale(200);  // columns of 80 pixels
  TXLView& ct = rig.ColTitles();
  ct.MouseDown(mbLeft, ssLeft, 80, 10);
  EXPECT_EQ(grid.Tracking(), tkColSizing);
  EXPECT_EQ(rig.Host->Views[skColTitles]->Cursor, crHSplit);
  ct.MouseMove(ssLeft, 100, 10);
  EXPECT_EQ(grid.Sizes(0, false).Get(0), 100);  // shown at once
  EXPECT_EQ(sheet.GetSize(0, 0), 40);           // stored on release
  ct.MouseMove(ssLeft, 120, 10);
  ct.MouseUp(mbLeft, 0, 120, 10);
  EXPECT_EQ(sheet.GetSize(0, 0), 60);
  EXPECT_EQ(grid.Sizes(0, false).Get(0), 120);
  EXPECT_EQ(grid.TrackState(), tsIdle);
  // Never below 5 sheet units; the sheet's maximum holds.
  sheet.SetColMaxWidth(70);
  ct.MouseDown(mbLeft, ssLeft, 120, 10);
  ct.MouseMove(ssLeft, 2, 10);
  EXPECT_EQ(grid.Sizes(0, false).Get(0), 10);
  ct.MouseMove(ssLeft, 300, 10);
  EXPECT_EQ(grid.Sizes(0, false).Get(0), 140);
  ct.MouseUp(mbLeft, 0, 300, 10);
  EXPECT_EQ(sheet.GetSize(0, 0), 70);
}

TEST_F(GridControlTest, SizingWithoutMoveOrCancelledChangesNothing) {
  grid.SetOptions(grid.Options() + TXLOptions{oColSizing});
  TXLView& ct = rig.ColTitles();
  rig.Click(ct, 60, 5);
  EXPECT_EQ(sheet.GetSize(0, 0), 60);
  ct.MouseDown(mbLeft, ssLeft, 60, 5);
  ct.MouseMove(ssLeft, 90, 5);
  EXPECT_EQ(grid.Sizes(0, false).Get(0), 90);
  rig.Key(VK_ESCAPE, 0, &ct);
  EXPECT_EQ(grid.TrackState(), tsIdle);
  EXPECT_EQ(grid.Sizes(0, false).Get(0), 60);
  ct.MouseUp(mbLeft, 0, 90, 5);
  EXPECT_EQ(sheet.GetSize(0, 0), 60);
  // The wheel does nothing while a line is sized.
  ct.MouseDown(mbLeft, ssLeft, 60, 5);
  rig.Client().MouseWheel(ssCtrl, 120, 0, 0);
  EXPECT_EQ(grid.Scale(), 100);
  ct.MouseUp(mbLeft, 0, 60, 5);
}

TEST_F(GridControlTest, AltSizesEverySelectedLine) {
  grid.SetOptions(grid.Options() + TXLOptions{oColSizing});
  TXLView& ct = rig.ColTitles();
  ct.Selection().SetRect(TRect(1, 0, 4, 1));
  ct.MouseDown(mbLeft, ssLeft, 60, 5);
  ct.MouseMove(ssLeft | ssAlt, 80, 5);
  ct.MouseUp(mbLeft, ssAlt, 80, 5);
  for (int c : {0, 1, 2, 3}) EXPECT_EQ(sheet.GetSize(c, 0), 80) << c;
  EXPECT_EQ(sheet.GetSize(4, 0), 60);
}

TEST_F(GridControlTest, DoubleClickOnABorderReportsTheLine) {
  grid.SetOptions(grid.Options() + TXLOptions{oColSizing, oRowSizing});
  std::vector<TPoint> cols, rows;
  grid.OnColDblClick = [&](TXLGrid&, const TPoint& p) { cols.push_back(p); };
  grid.OnRowDblClick = [&](TXLGrid&, const TPoint& p) { rows.push_back(p); };
  rig.DoubleClick(rig.ColTitles(), 180, 5);      // right of data column 2
  rig.DoubleClick(rig.RowTitles(), 60 - 1, 40);  // the title column next to the data
  rig.DoubleClick(rig.RowTitles(), 20, 30);      // below data row 1
  ASSERT_EQ(cols.size(), 2u);
  EXPECT_EQ(cols[0], TPoint(2, 0));
  EXPECT_EQ(cols[1], TPoint(-1, 0));
  ASSERT_EQ(rows.size(), 1u);
  EXPECT_EQ(rows[0], TPoint(0, 1));
  EXPECT_EQ(sheet.GetSize(2, 0), 60);
  EXPECT_EQ(sheet.GetSize(-1, 0), 60);
  EXPECT_EQ(grid.TrackState(), tsIdle);
}

TEST_F(GridControlTest, DraggingPastTheBottomScrollsEveryTick) {
  sheet.SetRowCount(100);
  TXLView& c = rig.Client();
  c.MouseDown(mbLeft, ssLeft, 10, 5);
  EXPECT_TRUE(rig.Host->Timers.empty());
  c.MouseMove(ssLeft, 70, 400);  // below the client (285 high)
  ASSERT_EQ(rig.Host->Timers.count(kXLAutoScrollTimer), 1u);
  EXPECT_EQ(rig.Host->Timers[kXLAutoScrollTimer], 40);
  EXPECT_EQ(c.SelRect(), TRect(0, 0, 2, 19));
  grid.Timer(kXLAutoScrollTimer);
  EXPECT_EQ(c.TopLeft().Y, 1);
  EXPECT_EQ(c.SelRect(), TRect(0, 0, 2, 20));
  grid.Timer(kXLAutoScrollTimer);
  grid.Timer(kXLAutoScrollTimer);
  EXPECT_EQ(c.TopLeft().Y, 3);
  EXPECT_EQ(c.SelRect(), TRect(0, 0, 2, 22));
  c.MouseUp(mbLeft, 0, 70, 400);
  EXPECT_TRUE(rig.Host->Timers.empty());
  grid.Timer(kXLAutoScrollTimer);
  EXPECT_EQ(c.TopLeft().Y, 3);
  EXPECT_EQ(grid.GetCurCell(), TPoint(0, 0));
}

TEST_F(GridControlTest, ClicksSelectAndNotifyTheCell) {
  std::vector<TPoint> clicks, dbls, sheetClicks;
  grid.OnCellClick = [&](TXLGrid&, const TPoint& p) { clicks.push_back(p); };
  grid.OnCellDblClick = [&](TXLGrid&, const TPoint& p) { dbls.push_back(p); };
  sheet.OnCellClick = [&](TXLSheet&, const TPoint& p) { sheetClicks.push_back(p); };
  rig.Click(rig.Client(), 130, 20);
  EXPECT_EQ(grid.GetCurCell(), TPoint(2, 1));
  rig.Click(rig.Client(), 10, 5, ssShift);
  EXPECT_EQ(rig.Client().SelRect(), TRect(0, 0, 3, 2));
  EXPECT_EQ(grid.GetCurCell(), TPoint(2, 1));
  ASSERT_EQ(clicks.size(), 2u);
  EXPECT_EQ(clicks[0], TPoint(2, 1));
  EXPECT_EQ(sheetClicks, clicks);
  // A title cell reports sheet coordinates.
  rig.Click(rig.ColTitles(), 70, 5);
  EXPECT_EQ(clicks.back(), TPoint(1, -1));
  EXPECT_EQ(&grid.ActiveView(), &rig.ColTitles());
  EXPECT_EQ(grid.GetCurCell(), TPoint(1, -1));
  // A double click toggles a check box and reports the cell.
  TXLCell* check = sheet.Section(skClient).SetCellClass(TPoint(3, 3), &TXLCBoolean::ClassInfo);
  rig.DoubleClick(rig.Client(), 190, 50);
  EXPECT_TRUE(check->GetAsBoolean());
  ASSERT_EQ(dbls.size(), 1u);
  EXPECT_EQ(dbls[0], TPoint(3, 3));
  // Not in a read-only grid, and nothing at all on a read-only sheet.
  grid.SetOptions(grid.Options() + TXLOptions{oReadOnly});
  rig.DoubleClick(rig.Client(), 190, 50);
  EXPECT_TRUE(check->GetAsBoolean());
  sheet.ReadOnly = true;
  const std::size_t n = clicks.size();
  rig.Click(rig.Client(), 10, 5);
  EXPECT_EQ(clicks.size(), n);
  EXPECT_EQ(grid.GetCurCell(), TPoint(3, 3));
}

TEST_F(GridControlTest, MouseEventsInPanelCoordinates) {
  std::vector<TPoint> downs;
  grid.OnMouseDown = [&](TXLGrid&, TMouseButton, TShiftState, int x, int y) {
    downs.emplace_back(x, y);
  };
  rig.Click(rig.Client(), 10, 20);
  rig.Click(rig.RowTitles(), 5, 5);
  ASSERT_EQ(downs.size(), 2u);
  EXPECT_EQ(downs[0], TPoint(70, 35));
  EXPECT_EQ(downs[1], TPoint(5, 20));
}

TEST_F(GridControlTest, ThePopupMenuIsParkedWhileEditing) {
  struct TMenu : TPopupMenu {
    std::vector<TPoint> At;
    void Popup(TControlHost&, TControlCore&, int x, int y) override { At.emplace_back(x, y); }
  };
  auto menu = std::make_shared<TMenu>();
  grid.PopupMenu = menu;
  rig.Client().MouseDown(mbRight, ssRight, 70, 20);
  rig.Client().MouseUp(mbRight, 0, 70, 20);
  grid.SetCurCell(1, 2);
  rig.Key(VK_APPS);
  rig.Key(VK_F1 + 9, ssShift);
  rig.Char('x');
  rig.Key(VK_APPS);
  rig.Client().MouseUp(mbRight, 0, 70, 20);
  EXPECT_EQ(menu->At, (std::vector<TPoint>{{70, 20}, {60, 45}, {60, 45}}));
}

TEST_F(GridControlTest, HintsFromTheCellOrTheSheet) {
  sheet.GetCell(1, 1)->SetHint("own hint");
  TXLSectionRange(&sheet.Section(skClient), TRect(2, 2, 3, 3)).SetStyles(CellStyleBit(csExtHint));
  sheet.OnGetCellHint = [](TXLSheet&, const TPoint& p, std::string& text) {
    text = "asked for " + std::to_string(p.X) + "," + std::to_string(p.Y);
  };
  TXLView& c = rig.Client();
  c.MouseMove(0, 70, 20);
  EXPECT_EQ(c.HintText(), "own hint");
  c.MouseMove(0, 130, 35);
  EXPECT_EQ(c.HintText(), "asked for 2,2");
  c.MouseMove(0, 5, 5);
  EXPECT_EQ(c.HintText(), "");
  EXPECT_EQ(rig.Host->Hints, (std::vector<std::string>{"3:own hint", "3:asked for 2,2", "3:"}));
}

// ---- the sheet's notifications ---------------------------------------------------

TEST_F(GridControlTest, LayoutFollowsTheSheet) {
  int changed = 0;
  grid.OnSheetChanged = [&](TXLGrid&) { ++changed; };
  grid.SetCurCell(4, 4);
  grid.SelectRange(2, 2, 5, 5);
  sheet.SetColCount(3);
  sheet.SetRowCount(2);
  EXPECT_EQ(grid.GetCurCell(), TPoint(2, 1));
  EXPECT_EQ(rig.Client().SelRect(), TRect(2, 1, 3, 2));
  EXPECT_EQ(rig.Client().Extent(), (TSize{180, 30}));
  sheet.SetSize(1, 0, 100);
  EXPECT_EQ(rig.Client().Extent(), (TSize{220, 30}));
  {
    auto other = std::make_unique<TXLSheet>();
    grid.SetSheet(other.get());
    EXPECT_EQ(changed, 1);
    other.reset();  // the grid drops a sheet that goes
    EXPECT_EQ(grid.Sheet(), nullptr);
    EXPECT_EQ(changed, 2);
    EXPECT_EQ(grid.Selection(), nullptr);
    EXPECT_EQ(rig.Client().Extent(), (TSize{0, 0}));
  }
  grid.SetSheet(&sheet);
}

// ---- painting ----------------------------------------------------------------------

TEST_F(GridControlTest, SelectionInvertedAroundTheCursorWithAFocusFrame) {
  TXLView& c = rig.Client();
  grid.SelectRange(0, 0, 2, 2);
  TFakeFontService fonts;
  TRecordingCanvas canvas(TRect(0, 0, 340, 285), &fonts);
  c.Paint(canvas, TRect(0, 0, 340, 285));
  std::vector<TRect> inverted;
  for (const TCanvasCall* call : canvas.Find("FillRect"))
    if (call->State.PenMode == pmNot)
      inverted.emplace_back(call->Args[0], call->Args[1], call->Args[2], call->Args[3]);
  // The 2 x 2 block without the cursor cell (0, 0): the row below it and
  // the cell right of it.
  ASSERT_EQ(inverted.size(), 2u);
  EXPECT_EQ(inverted[0], TRect(0, 15, 120, 30));
  EXPECT_EQ(inverted[1], TRect(60, 0, 120, 15));
  const TCanvasCall* focus = canvas.First("DrawFocusRect");
  ASSERT_NE(focus, nullptr);
  EXPECT_EQ(focus->Args, (std::vector<int>{0, 0, 59, 14}));
  // Unfocused, or without oDrawFocus: no focus frame.
  rig.Host->Focus.Owner = nullptr;
  canvas.Clear();
  c.Paint(canvas, TRect(0, 0, 340, 285));
  EXPECT_EQ(canvas.Count("DrawFocusRect"), 0);
}

TEST_F(GridControlTest, HintMarksFollowShowHint) {
  sheet.GetCell(1, 1)->SetHint("note");
  TFakeFontService fonts;
  TRecordingCanvas canvas(TRect(0, 0, 340, 285), &fonts);
  rig.Client().Paint(canvas, TRect(0, 0, 340, 285));
  ASSERT_EQ(canvas.Count("Polygon"), 1);
  EXPECT_EQ(canvas.First("Polygon")->Points[0], TPoint(115, 15));
  grid.SetShowHint(false);
  canvas.Clear();
  rig.Client().Paint(canvas, TRect(0, 0, 340, 285));
  EXPECT_EQ(canvas.Count("Polygon"), 0);
}

TEST_F(GridControlTest, PrintLayoutDrawsThePrintedAreaAndBreaks) {
  sheet.SetColCount(30);
  sheet.SetRowCount(100);
  grid.SetOptions(grid.Options() + TXLOptions{oPrintLayout});
  const std::vector<int> bx = sheet.PageBreaks(0);
  ASSERT_GE(bx.size(), 2u);
  TFakeFontService fonts;
  TRecordingCanvas canvas(TRect(0, 0, 340, 285), &fonts);
  rig.Client().Paint(canvas, TRect(0, 0, 340, 285));
  const TCanvasCall* frame = canvas.First("Polyline");
  ASSERT_NE(frame, nullptr);
  EXPECT_EQ(frame->State.PenWidth, 2);
  EXPECT_EQ(frame->State.PenColor, clBlack);
  const int x = bx[0] * 60 - 1;
  bool blue = false;
  for (const TCanvasCall* call : canvas.Find("LineTo"))
    if (call->State.PenColor == 0xFF0000 && call->Args[0] == x) blue = true;
  EXPECT_TRUE(blue) << x;
}

}  // namespace
}  // namespace qv
