// In-cell editing on fake hosts: opening and closing the editor host,
// typing, Esc and Enter, modes, the editor of each cell class and its load
// and store, the number editor's limits and steps, the pick list and its
// completion, and the host's place over cells and merged blocks.
#include <gtest/gtest.h>

#include <cmath>

#include "GridControlTestSupport.h"

namespace qv {
namespace {

using test::TFakeEditorWidget;
using test::TGridRig;

class GridEditingTest : public ::testing::Test {
 protected:
  void SetUp() override {
    FormatSettings() = TFormatSettings::Invariant();
    grid.OnEditModeChanged = [&](TXLGrid&) { modes.push_back(grid.EditMode()); };
  }
  TFakeEditorWidget& Editor() {
    TFakeEditorWidget* w = rig.Host->Editor();
    EXPECT_NE(w, nullptr);
    return *w;
  }
  TXLCell* Put(int col, int row, TXLCellClassRef cls) {
    return sheet.Section(skClient).SetCellClass(TPoint(col, row), cls);
  }
  TGridRig rig;
  TXLSheet& sheet = rig.Sheet;
  TXLGrid& grid = rig.Grid;
  std::vector<int> modes;
};

TEST_F(GridEditingTest, TypingReplacesTheTextAndEscRestoresIt) {
  sheet.SetCellText(0, 0, "old");
  rig.Char('n');
  EXPECT_EQ(grid.EditMode(), 1);
  EXPECT_TRUE(rig.Host->EditShown);
  EXPECT_TRUE(grid.Edit().Cell()->State() & xsEditing);
  EXPECT_EQ(Editor().Text(), "n");
  rig.EditType("ew");
  EXPECT_EQ(Editor().Text(), "new");
  EXPECT_EQ(sheet.GetCellText(0, 0), "old");
  rig.EditKey(VK_ESCAPE);
  EXPECT_EQ(grid.EditMode(), 0);
  EXPECT_FALSE(rig.Host->EditShown);
  EXPECT_EQ(sheet.GetCellText(0, 0), "old");
  EXPECT_FALSE(sheet.FindCell(0, 0)->State() & xsEditing);
  EXPECT_EQ(modes, (std::vector<int>{1, 0}));
  // The focus went back to the view.
  EXPECT_TRUE(rig.Host->Views[skClient]->Focused());
  // Backspace also opens the editor, emptying the text.
  rig.Char(8);
  EXPECT_EQ(Editor().Text(), "");
}

TEST_F(GridEditingTest, EnterStoresAndMovesShiftEnterMovesUp) {
  sheet.SetCellText(0, 1, "top");
  grid.SetCurCell(0, 1);
  rig.Char('a');
  rig.EditKey(VK_RETURN);
  EXPECT_EQ(sheet.GetCellText(0, 1), "a");
  EXPECT_EQ(grid.GetCurCell(), TPoint(0, 2));  // dAuto with no move yet: down
  EXPECT_EQ(grid.EditMode(), 0);
  rig.Char('b');
  rig.EditKey(VK_RETURN, ssShift);
  EXPECT_EQ(sheet.GetCellText(0, 2), "b");
  EXPECT_EQ(grid.GetCurCell(), TPoint(0, 1));
  // At the edge Enter closes the editor (storing) without moving.
  grid.SetCurCell(0, 4);
  rig.Char('z');
  rig.EditKey(VK_RETURN);
  EXPECT_EQ(grid.GetCurCell(), TPoint(0, 4));
  EXPECT_EQ(grid.EditMode(), 0);
  EXPECT_EQ(sheet.GetCellText(0, 4), "z");
}

TEST_F(GridEditingTest, PermanentEditingFollowsTheCursor) {
  grid.SetOptions(grid.Options() + TXLOptions{oPermEdit});
  sheet.SetCellText(0, 1, "next");
  rig.Char('x');
  rig.EditKey(VK_RETURN);
  EXPECT_EQ(sheet.GetCellText(0, 0), "x");
  EXPECT_EQ(grid.GetCurCell(), TPoint(0, 1));
  EXPECT_EQ(grid.EditMode(), 1);
  EXPECT_EQ(grid.Edit().Cell(), sheet.FindCell(0, 1));
  EXPECT_EQ(Editor().Text(), "next");
  // At the last row Enter cannot move and the editor stays.
  grid.SetCurCell(0, 4);
  EXPECT_EQ(grid.EditMode(), 1);
  rig.EditKey(VK_RETURN);
  EXPECT_EQ(grid.EditMode(), 1);
}

TEST_F(GridEditingTest, F2SwitchesModesAndModifiedArrowsGoToTheGrid) {
  sheet.SetCellText(0, 0, "text");
  rig.Key(VK_F1 + 1);
  EXPECT_EQ(grid.EditMode(), 2);
  EXPECT_EQ(Editor().Text(), "text");
  EXPECT_EQ(Editor().SelStart(), 4);  // the caret at the end
  // In mode 2 Shift+Right stays in the editor.
  rig.EditKey(VK_RIGHT, ssShift);
  EXPECT_EQ(grid.EditMode(), 2);
  rig.EditKey(VK_F1 + 1);
  EXPECT_EQ(grid.EditMode(), 1);
  // In mode 1 it extends the selection and leaves the editor.
  rig.EditKey(VK_RIGHT, ssShift);
  EXPECT_EQ(grid.EditMode(), 0);
  EXPECT_EQ(rig.Client().SelRect(), TRect(0, 0, 2, 1));
  EXPECT_EQ(modes, (std::vector<int>{2, 1, 0}));
}

TEST_F(GridEditingTest, TheMaskEditorPassesArrowsAtItsEnds) {
  TXLCell* c = sheet.GetCell(1, 1);
  c->SetAsString("ab");
  c->SetEditor(2);
  grid.SetCurCell(1, 1);
  rig.Key(VK_F1 + 1);
  ASSERT_EQ(grid.Edit().Editor()->Kind(), ekMaskEdit);
  rig.EditKey(VK_RIGHT);  // at the end: the next cell
  EXPECT_EQ(grid.GetCurCell(), TPoint(2, 1));
  EXPECT_EQ(grid.EditMode(), 0);
  grid.SetCurCell(1, 1);
  rig.Key(VK_F1 + 1);
  Editor().SetSelection(1, 0);
  rig.EditKey(VK_LEFT);  // inside the text: the editor's own
  EXPECT_EQ(grid.EditMode(), 2);
  Editor().SetSelection(0, 0);
  rig.EditKey(VK_LEFT);
  EXPECT_EQ(grid.GetCurCell(), TPoint(0, 1));
  // Up and Down always leave a one-line field.
  grid.SetCurCell(1, 1);
  rig.Key(VK_F1 + 1);
  rig.EditKey(VK_DOWN);
  EXPECT_EQ(grid.GetCurCell(), TPoint(1, 2));
}

TEST_F(GridEditingTest, TheEditorOfEachClass) {
  struct {
    TXLCellClassRef cls;
    int editor;
    TXLEditorKind kind;
  } cases[] = {
      {&TXLCString::ClassInfo, 0, ekPickEdit},   {&TXLCString::ClassInfo, 1, ekMemo},
      {&TXLCString::ClassInfo, 2, ekMaskEdit},   {&TXLCStrings::ClassInfo, 0, ekMemo},
      {&TXLCStrings::ClassInfo, 2, ekComboBox},  {&TXLCInteger::ClassInfo, 0, ekNumEdit},
      {&TXLCDouble::ClassInfo, 0, ekNumEdit},    {&TXLCCurrency::ClassInfo, 0, ekNumEdit},
      {&TXLCDateTime::ClassInfo, 1, ekDateEdit}, {&TXLCDateTime::ClassInfo, 2, ekTimeEdit}};
  for (const auto& c : cases) {
    TXLCell* cell = Put(2, 2, c.cls);
    cell->SetEditor(c.editor);
    grid.SetCurCell(2, 2);
    grid.SetEditMode(2);
    ASSERT_NE(grid.Edit().Editor(), nullptr) << c.cls->Name;
    EXPECT_EQ(grid.Edit().Editor()->Kind(), c.kind) << c.cls->Name << " " << c.editor;
    rig.EditKey(VK_ESCAPE);
  }
  // One control at a time: a new kind replaces the old control.
  EXPECT_EQ(rig.Host->Widgets.size(), 1u);
  // Classes without editors are not edited.
  for (TXLCellClassRef cls :
       {&TXLCBoolean::ClassInfo, &TXLCPicture::ClassInfo, &TXLCUrl::ClassInfo}) {
    Put(3, 3, cls);
    grid.SetCurCell(3, 3);
    grid.SetEditMode(2);
    EXPECT_EQ(grid.EditMode(), 0) << cls->Name;
    rig.Char('x');
    EXPECT_EQ(grid.EditMode(), 0) << cls->Name;
  }
}

TEST_F(GridEditingTest, WhatMayBeEdited) {
  const TXLSection& client = sheet.Section(skClient);
  EXPECT_TRUE(grid.CanEdit(client, 0, 0));  // no cell yet: the base style's class
  EXPECT_FALSE(grid.CanEdit(client, 5, 0));
  TXLSectionRange(&sheet.Section(skClient), TRect(1, 0, 2, 1)).SetStyles(CellStyleBit(csReadOnly));
  EXPECT_FALSE(grid.CanEdit(client, 1, 0));
  grid.SetOptions(grid.Options() + TXLOptions{oReadOnly});
  EXPECT_FALSE(grid.CanEdit(client, 0, 0));
  grid.SetOptions(kXLDefaultOptions);
  sheet.ReadOnly = true;
  EXPECT_FALSE(grid.CanEdit(client, 0, 0));
  rig.Char('x');
  EXPECT_EQ(sheet.FindCell(0, 0), nullptr);
}

TEST_F(GridEditingTest, TheSpinEditorKeepsWholeNumbersWithinItsLimits) {
  TXLCell* cell = Put(0, 0, &TXLCInteger::ClassInfo);
  cell->SetAsInteger(5);
  cell->SetFormat("0|spin");
  EXPECT_EQ(cell->GetText(), "5");
  rig.Key(VK_F1 + 1);
  auto* num = dynamic_cast<TXLNumEdit*>(grid.Edit().Editor());
  ASSERT_NE(num, nullptr);
  EXPECT_TRUE(num->Spinner());
  EXPECT_TRUE(Editor().Spinner);
  EXPECT_TRUE(num->IntegerMode());
  EXPECT_EQ(Editor().Text(), "5");
  num->SetMinValue(0);
  num->SetMaxValue(10);
  // Only digits and signs in integer mode.
  Editor().SelectAll();
  rig.EditType("1.5e");
  EXPECT_EQ(Editor().Text(), "15");
  rig.EditKey(VK_RETURN);
  EXPECT_EQ(rig.Host->Errors, (std::vector<std::string>{"Value out of range!"}));
  EXPECT_EQ(grid.EditMode(), 2);  // still open, text unchanged
  EXPECT_EQ(Editor().Text(), "15");
  EXPECT_EQ(cell->GetAsInteger(), 5);
  EXPECT_EQ(grid.GetCurCell(), TPoint(0, 0));
  EXPECT_TRUE(rig.Host->EditorFocused());
  // A character that reaches the view meanwhile goes on in the editor.
  rig.Host->Focus.Owner = rig.Host->Views[skClient].get();
  rig.Char('0');
  EXPECT_EQ(Editor().Text(), "150");
  EXPECT_TRUE(rig.Host->EditorFocused());
  Editor().SetText("15");
  // Programmatic leaving raises.
  EXPECT_THROW(grid.SetEditMode(0), EXLGridError);
  // Shift+Up and Down step by one and stop at the limits.
  Editor().SetText("9");
  rig.EditKey(VK_UP, ssShift);
  EXPECT_EQ(Editor().Text(), "10");
  rig.EditKey(VK_UP, ssShift);
  EXPECT_EQ(Editor().Text(), "10");
  num->Step(-3);
  EXPECT_EQ(Editor().Text(), "7");
  rig.EditKey(VK_RETURN);
  EXPECT_EQ(cell->GetAsInteger(), 7);
  EXPECT_EQ(grid.GetCurCell(), TPoint(0, 1));
  // Setting the value clamps it.
  num->SetValue(-4);
  EXPECT_EQ(num->Value(), 0);
}

TEST_F(GridEditingTest, NumberTextsAndFormats) {
  TXLNumEdit num;
  struct {
    const char* format;
    double value;
    const char* text;
    bool integer;
  } cases[] = {{"0.00", 1234.5, "1234.50", false},
               {"#,##0.00|spin", 1234.5, "1234.50", false},
               {"0", 2.6, "3", true},
               {"0.00%", 0.125, "12.50%", false},
               {"0.00;(0.00)", -1.5, "-1.50", false},
               {"", 3.25, "3.25", false}};
  for (const auto& c : cases) {
    num.SetFormat(c.format);
    EXPECT_EQ(num.IntegerMode(), c.integer) << c.format;
    EXPECT_EQ(num.FormatValue(c.value), c.text) << c.format;
    EXPECT_DOUBLE_EQ(num.ParseText(c.text), c.integer ? std::round(c.value) : c.value) << c.format;
  }
  num.SetFormat("0.00");
  EXPECT_DOUBLE_EQ(num.ParseText(""), 0);
  EXPECT_THROW(num.ParseText("1-2"), EConvertError);
  EXPECT_THROW(num.ParseText("abc"), EConvertError);
  // Limits are in force only while MinValue < MaxValue.
  num.SetMinValue(5);
  num.SetMaxValue(5);
  EXPECT_DOUBLE_EQ(num.ParseText("100"), 100);
  num.SetMaxValue(6);
  EXPECT_THROW(num.ParseText("100"), EXLGridError);
}

TEST_F(GridEditingTest, AnUnchangedEditorLeavesTheValueAlone) {
  TXLCell* cell = Put(0, 0, &TXLCDouble::ClassInfo);
  cell->SetAsFloat(3.7);
  cell->SetFormat("0");
  rig.Key(VK_F1 + 1);
  EXPECT_EQ(Editor().Text(), "4");
  rig.EditKey(VK_RETURN);
  EXPECT_DOUBLE_EQ(cell->GetAsFloat(), 3.7);
  // An empty format is no integer format: decimals can be typed.
  TXLCell* plain = Put(0, 1, &TXLCDouble::ClassInfo);
  plain->SetAsFloat(1);
  rig.Char('2');
  rig.EditType(".5");
  rig.EditKey(VK_RETURN);
  EXPECT_DOUBLE_EQ(plain->GetAsFloat(), 2.5);
}

TEST_F(GridEditingTest, ThePickListOffersTheColumnsOtherTexts) {
  const char* texts[] = {"banana", "apple", "banana", "Blueberry", ""};
  for (int r = 0; r < 5; ++r) sheet.SetCellText(0, r, texts[r]);
  sheet.SetCellText(1, 1, "other column");
  grid.SetCurCell(0, 4);
  rig.Char('b');
  ASSERT_EQ(grid.Edit().Editor()->Kind(), ekPickEdit);
  EXPECT_EQ(Editor().Items, (std::vector<std::string>{"apple", "banana", "Blueberry"}));
  // "b" completes to the first item starting with it, the tail selected.
  EXPECT_EQ(Editor().Text(), "banana");
  EXPECT_EQ(Editor().SelStart(), 1);
  EXPECT_EQ(Editor().SelLength(), 5);
  rig.EditType("l");
  EXPECT_EQ(Editor().Text(), "Blueberry");
  EXPECT_EQ(Editor().SelStart(), 2);
  rig.EditType("x");  // replaces the completed tail
  EXPECT_EQ(Editor().Text(), "Blx");
  rig.EditKey(VK_RETURN);
  EXPECT_EQ(sheet.GetCellText(0, 4), "Blx");
  // The cell's own text is not offered.
  grid.SetCurCell(0, 1);
  rig.Key(VK_F1 + 1);
  EXPECT_EQ(Editor().Items, (std::vector<std::string>{"banana", "Blueberry", "Blx"}));
}

TEST_F(GridEditingTest, ListCellsChooseFromTheirItems) {
  auto* list = static_cast<TXLCStrings*>(Put(1, 1, &TXLCStrings::ClassInfo));
  list->SetAsString("one\r\ntwo\r\nthree");
  list->SetItemIndex(1);
  list->SetEditor(2);
  grid.SetCurCell(1, 1);
  rig.Key(VK_F1 + 1);
  ASSERT_EQ(grid.Edit().Editor()->Kind(), ekComboBox);
  EXPECT_EQ(Editor().Items, (std::vector<std::string>{"one", "two", "three"}));
  EXPECT_EQ(Editor().Index, 1);
  Editor().SetItemIndex(2);
  rig.EditKey(VK_RETURN);
  EXPECT_EQ(list->ItemIndex(), 2);
  EXPECT_EQ(list->GetText(), "three");
  // The memo edits the items as lines.
  list->SetEditor(0);
  grid.SetCurCell(1, 1);
  rig.Key(VK_F1 + 1);
  ASSERT_EQ(grid.Edit().Editor()->Kind(), ekMemo);
  EXPECT_EQ(Editor().Text(), "one\ntwo\nthree");
  EXPECT_EQ(grid.Edit().EditorRect().Height(), 15);  // three lines, held to the cell
  Editor().SetText("a\nb");
  rig.EditKey(VK_RETURN);
  EXPECT_EQ(list->Items().GetCount(), 2);
  EXPECT_EQ(list->Items().Get(1), "b");
}

TEST_F(GridEditingTest, DateAndTimePickers) {
  TXLCell* cell = Put(0, 0, &TXLCDateTime::ClassInfo);
  cell->SetAsDateTime(45000.25);
  cell->SetEditor(1);
  rig.Key(VK_F1 + 1);
  EXPECT_TRUE(Editor().DateMode);
  EXPECT_DOUBLE_EQ(Editor().Value, 45000.25);
  // The picker fills the host.
  EXPECT_EQ(grid.Edit().EditorRect(), TRect(2, 2, 2 + 60, 2 + 15));
  Editor().Value = 45001.5;
  rig.EditKey(VK_RETURN);
  EXPECT_DOUBLE_EQ(cell->GetAsDateTime(), 45001.5);
  cell->SetEditor(2);
  grid.SetCurCell(0, 0);
  rig.Key(VK_F1 + 1);
  EXPECT_FALSE(Editor().DateMode);
}

TEST_F(GridEditingTest, TheHostCoversTheCellOrTheMergedBlock) {
  sheet.SetCellText(1, 1, "block");
  sheet.Section(skClient).Merge(TRect(1, 1, 3, 4));
  grid.SetCurCell(1, 1);
  rig.Key(VK_F1 + 1);
  // Cells (1,1)-(2,3) lie at (60,15)-(180,60) in the client; no frame, so
  // the host is that rectangle grown by 2 (its client edge).
  EXPECT_EQ(rig.Host->EditView, skClient);
  EXPECT_EQ(rig.Host->EditHost, TRect(58, 13, 182, 62));
  // The editor keeps its height, placed by the vertical alignment (the
  // base style's vaBottom).
  EXPECT_EQ(grid.Edit().EditorRect(), TRect(2, 2 + 45 - 16, 2 + 120, 2 + 45));
  // Scrolling moves it along; zooming scales it.
  rig.EditKey(VK_ESCAPE);
  sheet.SetColCount(30);
  grid.SetCurCell(1, 1);
  rig.Key(VK_F1 + 1);
  rig.Client().Scroll(sbHorizontal, scLineDown, 0);
  EXPECT_EQ(rig.Host->EditHost, TRect(-2, 13, 122, 62));
  grid.SetScale(200);
  EXPECT_EQ(rig.Host->EditHost.Width(), 244);
  EXPECT_EQ(Editor().Font.Height(), sheet.FindCell(1, 1)->Font().Height() * 2);
  // A framed cell: the frame's width is left out.
  rig.EditKey(VK_ESCAPE);
  grid.SetScale(100);
  rig.Client().Scroll(sbHorizontal, scTop, 0);
  sheet.GetCell(0, 0)->SetFrame(frDeepDown);
  grid.SetCurCell(0, 0);
  rig.Key(VK_F1 + 1);
  EXPECT_EQ(rig.Host->EditHost, TRect(0, 0, 60, 15));
}

TEST_F(GridEditingTest, TheHostTakesTheCellsLook) {
  TXLCell* cell = sheet.GetCell(0, 0);
  cell->SetColor(clYellow);
  cell->SetHorzAlign(haRight);
  cell->SetIndent(3);
  cell->EditFont().SetColor(clRed);
  rig.Key(VK_F1 + 1);
  EXPECT_EQ(rig.Host->EditColor, clYellow);
  EXPECT_EQ(Editor().Color, clYellow);
  EXPECT_EQ(Editor().Font.Color(), clRed);
  EXPECT_EQ(Editor().Align, haRight);
  EXPECT_EQ(Editor().IndentPx, 3);
  // A look changed while editing reaches the editor.
  cell->SetHorzAlign(haCenter);
  EXPECT_EQ(Editor().Align, haCenter);
  rig.EditKey(VK_ESCAPE);
  // A cell without a colour of its own: the base colour.
  grid.SetCurCell(1, 0);
  rig.Key(VK_F1 + 1);
  EXPECT_EQ(rig.Host->EditColor, clWindow);
}

TEST_F(GridEditingTest, DoubleClickEditsAndTheEditorGoesWithItsCell) {
  sheet.SetCellText(1, 0, "x");
  rig.DoubleClick(rig.Client(), 70, 5);
  EXPECT_EQ(grid.EditMode(), 2);
  // On an empty position the double click edits in mode 1.
  rig.EditKey(VK_ESCAPE);
  rig.DoubleClick(rig.Client(), 130, 5);
  EXPECT_EQ(grid.EditMode(), 1);
  // The edited cell freed: the editor closes.
  sheet.Section(skClient).ClearRect(TRect(0, 0, 5, 5));
  EXPECT_EQ(grid.EditMode(), 0);
  EXPECT_FALSE(rig.Host->EditShown);
  // A press on the open editor's area starts nothing.
  rig.Key(VK_F1 + 1);
  const TRect h = rig.Host->EditHost;
  rig.Client().MouseDown(mbLeft, ssLeft, h.Left + 5, h.Top + 5);
  EXPECT_EQ(grid.TrackState(), tsIdle);
  // The control freed from outside: the host forgets it and the cell.
  TXLCell* edited = grid.Edit().Cell();
  grid.Edit().EditorDestroyed();
  EXPECT_EQ(grid.EditMode(), 0);
  EXPECT_FALSE(edited->State() & xsEditing);
  rig.Char('q');
  EXPECT_EQ(Editor().Text(), "q");
}

TEST_F(GridEditingTest, ASheetGoingWhileEditingIsDropped) {
  auto other = std::make_unique<TXLSheet>();
  grid.SetSheet(other.get());
  rig.Char('a');
  EXPECT_EQ(grid.EditMode(), 1);
  other.reset();
  EXPECT_EQ(grid.EditMode(), 0);
  EXPECT_EQ(grid.Sheet(), nullptr);
  grid.SetSheet(&sheet);
  // A new sheet stores what was typed into the old one.
  rig.Char('k');
  TXLSheet third;
  grid.SetSheet(&third);
  EXPECT_EQ(sheet.GetCellText(0, 0), "k");
  grid.SetSheet(&sheet);
}

TEST_F(GridEditingTest, TypingIntoATitleView) {
  rig.Click(rig.ColTitles(), 70, 5);
  rig.Char('T', &rig.ColTitles());
  EXPECT_EQ(rig.Host->EditView, skColTitles);
  rig.EditKey(VK_RETURN);
  EXPECT_EQ(sheet.GetCellText(1, -1), "T");
}

TEST_F(GridEditingTest, InputMethodTextOpensTheEditor) {
  sheet.SetCellText(0, 0, "old");
  rig.Client().InputText("日本");
  EXPECT_EQ(grid.EditMode(), 1);
  EXPECT_EQ(Editor().Text(), "日本");
  rig.EditKey(VK_RETURN);
  EXPECT_EQ(sheet.GetCellText(0, 0), "日本");
}

}  // namespace
}  // namespace qv
