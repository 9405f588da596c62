// The sheet: coordinates and sections, counts and sizes, merged blocks,
// changing a cell's class, styles and the styler, links and events.
#include <gtest/gtest.h>

#include "grid/XLRanges.h"
#include "platform/core/RecordingCanvas.h"

namespace qv {
namespace {

class SheetTest : public ::testing::Test {
 protected:
  void SetUp() override { FormatSettings() = TFormatSettings::Invariant(); }
  TXLSheet sheet;
};

TEST_F(SheetTest, NewSheetLayout) {
  EXPECT_EQ(sheet.ColCount(), 5);
  EXPECT_EQ(sheet.RowCount(), 5);
  EXPECT_EQ(sheet.TitleCols(), 1);
  EXPECT_EQ(sheet.TitleRows(), 1);
  EXPECT_EQ(sheet.GetSize(0, 0), 60);
  EXPECT_EQ(sheet.GetSize(-1, 1), 15);
  for (int k = 0; k < 4; ++k) EXPECT_EQ(sheet.Section(k).CellCount(), 0);
  EXPECT_FALSE(sheet.Modified());
}

TEST_F(SheetTest, CellsAreCreatedOnDemandOnly) {
  TXLCell* c = sheet.GetCell(2, 3);
  ASSERT_NE(c, nullptr);
  EXPECT_EQ(c->GetCellClass(), &TXLCString::ClassInfo);
  EXPECT_EQ(sheet.GetCell(2, 3), c);
  EXPECT_EQ(sheet.FindCell(2, 4), nullptr);
  EXPECT_EQ(sheet.Section(skClient).CellCount(), 1);
  EXPECT_TRUE(sheet.Modified());
}

TEST_F(SheetTest, NegativeIndicesAddressTitles) {
  sheet.SetTitleCols(2);
  struct {
    int col, row;
    TXLSectionKind kind;
    TPoint local;
  } cases[] = {
      {-1, -1, skCorner, {1, 0}},   {-2, -1, skCorner, {0, 0}}, {-1, 3, skRowTitles, {1, 3}},
      {4, -1, skColTitles, {4, 0}}, {0, 0, skClient, {0, 0}},
  };
  for (const auto& c : cases) {
    TPoint local;
    TXLSection* s = sheet.FindSection(c.col, c.row, local);
    ASSERT_NE(s, nullptr);
    EXPECT_EQ(s->Kind(), c.kind);
    EXPECT_EQ(local, c.local);
  }
  sheet.SetSize(-1, 0, 44);
  EXPECT_EQ(sheet.SizeList(0, true).Get(0), 44);
  EXPECT_EQ(sheet.GetSize(-1, 0), 44);
}

TEST_F(SheetTest, PointsOutsideEverySectionAreRefused) {
  for (auto [col, row] : {std::pair{-2, 0}, {0, -2}, {5, 0}, {0, 5}, {-2, -2}, {99, -1}}) {
    TPoint local;
    EXPECT_EQ(sheet.FindSection(col, row, local), nullptr) << col << "," << row;
    EXPECT_EQ(sheet.FindCell(col, row), nullptr);
    EXPECT_THROW(sheet.GetCell(col, row), EXLGridError);
    EXPECT_THROW(sheet.SetCellText(col, row, "x"), EXLGridError);
    EXPECT_EQ(sheet.GetCellText(col, row), "");
  }
  try {
    sheet.GetCell(7, 1);
  } catch (const EXLGridError& e) {
    EXPECT_STREQ(e.what(), "Cell [7, 1] lies outside the sheet");
  }
}

TEST_F(SheetTest, ShrinkingFreesCellsAndCutsBlocks) {
  sheet.SetRowCount(10);
  for (int r = 0; r < 10; ++r) {
    sheet.SetCellInteger(-1, r, r + 1);
    sheet.SetCellText(0, r, "v");
  }
  TXLSection& client = sheet.Section(skClient);
  client.Merge(TRect(1, 2, 3, 6));
  client.Merge(TRect(4, 2, 5, 6));
  TXLSectionRange(&client, TRect(0, 8, 1, 9)).SetColor(clRed);
  sheet.SetRowCount(3);
  EXPECT_EQ(client.CellCount(), 3);
  EXPECT_EQ(sheet.Section(skRowTitles).CellCount(), 3);
  EXPECT_EQ(sheet.FindCell(0, 8), nullptr);
  ASSERT_EQ(client.Unions().size(), 1u);  // the one-column block left one cell
  EXPECT_EQ(client.Unions()[0]->Rect, TRect(1, 2, 3, 3));
  // Looks of the dropped rows go too, so growing again shows them plain.
  sheet.SetRowCount(10);
  EXPECT_EQ(client.AttrAt(0, 8, xaColor), PackColor(clWindow));
  sheet.SetRowCount(-4);
  EXPECT_EQ(sheet.RowCount(), 0);
}

TEST_F(SheetTest, SizesDefaultsAndMaximum) {
  sheet.SetSize(2, 0, 90);
  sheet.SetSize(7, 0, 90);  // beyond ColCount: nothing
  EXPECT_EQ(sheet.GetSize(2, 0), 90);
  EXPECT_EQ(sheet.GetSize(7, 0), 60);
  sheet.SetColDefWidth(80);
  EXPECT_EQ(sheet.GetSize(2, 0), 80);
  EXPECT_EQ(sheet.GetSize(-1, 0), 80);
  sheet.SetColMaxWidth(200);
  sheet.SetSize(0, 0, 500);
  EXPECT_EQ(sheet.GetSize(0, 0), 200);
  sheet.SetSize(1, 0, 150);
  sheet.SetColMaxWidth(120);  // cuts larger lines down
  EXPECT_EQ(sheet.GetSize(0, 0), 120);
  EXPECT_EQ(sheet.GetSize(1, 0), 120);
  sheet.SetColMaxWidth(50);  // below the default: becomes the default
  EXPECT_EQ(sheet.ColDefWidth(), 50);
  sheet.SetSize(3, 1, 0);
  EXPECT_EQ(sheet.GetSize(3, 1), 1);
  // OnSizing sees the sheet index and may change the size.
  sheet.OnSizing = [](TXLSheet&, TXLAxis axis, int index, int& value) {
    if (axis == axRows && index == -1) value = 33;
  };
  sheet.SetSize(-1, 1, 20);
  EXPECT_EQ(sheet.GetSize(-1, 1), 33);
}

TEST_F(SheetTest, FitToContents) {
  TFakeFontService fonts(7, 14);
  SetFontService(&fonts);
  sheet.SetSize(1, 0, -1);
  EXPECT_EQ(sheet.GetSize(1, 0), 60);     // nothing to measure
  sheet.SetCellText(1, 0, "1234567890");  // 70 pixels
  sheet.GetCell(1, 0)->SetIndent(4);
  sheet.SetCellText(1, 2, "abc");
  sheet.SetSize(1, 0, -1);
  EXPECT_EQ(sheet.GetSize(1, 0), 76);
  // The origin of a block wider than the column is not measured.
  sheet.SetCellText(2, 0, "a very long text indeed");
  sheet.Section(skClient).Merge(TRect(2, 0, 4, 1));
  sheet.SetSize(2, 0, -1);
  EXPECT_EQ(sheet.GetSize(2, 0), 60);
  sheet.SetSize(0, 1, -1);  // row 0: text height 14 + 2
  EXPECT_EQ(sheet.GetSize(0, 1), 16);
  SetFontService(nullptr);
}

TEST_F(SheetTest, MergedBlocksRedirectAndSpreadTheTopLeftLook) {
  TXLSection& client = sheet.Section(skClient);
  TXLCell* origin = sheet.GetCell(1, 1);
  origin->SetAsString("top");
  origin->SetColor(clRed);
  TXLSectionRange(&client, TRect(2, 1, 3, 2)).SetColor(clBlue);
  ASSERT_NE(client.Merge(TRect(1, 1, 3, 3)), nullptr);
  for (int c = 1; c < 3; ++c)
    for (int r = 1; r < 3; ++r) {
      EXPECT_EQ(client.AttrAt(c, r, xaColor), PackColor(clRed));
      EXPECT_EQ(sheet.FindCell(c, r), origin);
    }
  EXPECT_TRUE(origin->State() & xsUnion);
  EXPECT_EQ(origin->GetRect(), TRect(1, 1, 3, 3));
  EXPECT_EQ(sheet.GetCell(2, 2), origin);
  EXPECT_EQ(client.Merge(TRect(4, 4, 5, 5)), nullptr);  // one cell
  EXPECT_EQ(client.ExpandToUnions(TRect(0, 0, 2, 2)), TRect(0, 0, 3, 3));
  // A colour written into a block covers the whole block.
  TXLSectionRange(&client, TRect(2, 2, 3, 3)).SetColor(clGreen);
  EXPECT_EQ(client.AttrAt(1, 1, xaColor), PackColor(clGreen));
  client.Split(TRect(2, 2, 3, 3));
  EXPECT_TRUE(client.Unions().empty());
  EXPECT_FALSE(origin->State() & xsUnion);
  // SetRect makes a cell the origin of a block of its size.
  origin->SetRect(TRect(0, 0, 2, 3));
  EXPECT_TRUE(client.IsUnion(TRect(1, 1, 3, 4)));
}

TEST_F(SheetTest, SetCellClassKeepsHintFormulaStyleAndFont) {
  TXLStyler styler;
  TXLStyle* st = styler.Add();
  st->SetAlias("S");
  sheet.SetStyler(&styler);
  TXLCell* c = sheet.GetCell(0, 0);
  c->SetAsString("2.5");
  c->SetHint("h");
  c->SetFormual("=A2");
  c->SetStyle(st);
  c->EditFont().SetStyle({fsItalic});
  c->SetHorzAlign(haRight);
  TXLCell* d = sheet.Section(skClient).SetCellClass(TPoint(0, 0), &TXLCDouble::ClassInfo);
  EXPECT_NE(d, c);
  EXPECT_DOUBLE_EQ(d->GetAsFloat(), 2.5);
  EXPECT_EQ(d->Hint(), "h");
  EXPECT_EQ(d->Formual(), "=A2");
  EXPECT_EQ(d->Style(), st);
  EXPECT_TRUE(d->Font().Style().Contains(fsItalic));
  EXPECT_EQ(d->HorzAlign(), haRight);
  // A value the new class cannot hold: nothing changes.
  sheet.SetCellText(1, 0, "abc");
  TXLCell* keep = sheet.FindCell(1, 0);
  EXPECT_THROW(sheet.Section(skClient).SetCellClass(TPoint(1, 0), &TXLCDouble::ClassInfo),
               EVariantTypeCastError);
  EXPECT_EQ(sheet.FindCell(1, 0), keep);
  EXPECT_EQ(sheet.GetCellText(1, 0), "abc");
  // An empty text becomes the new class's empty value.
  sheet.GetCell(2, 0);
  EXPECT_NO_THROW(sheet.Section(skClient).SetCellClass(TPoint(2, 0), &TXLCInteger::ClassInfo));
}

TEST_F(SheetTest, StylesFeedTheirCellsAndTheStylerKeepsAliasesUnique) {
  TXLStyler styler;
  TXLStyle* a = styler.Add();
  a->SetAlias("Alpha");
  TXLStyle* b = styler.Add();
  b->SetAlias("Beta");
  EXPECT_THROW(b->SetAlias("Alpha"), EXLGridError);
  try {
    b->SetAlias("Alpha");
  } catch (const EXLGridError& e) {
    EXPECT_STREQ(e.what(), "Style named Alpha already exists!");
  }
  EXPECT_NO_THROW(a->SetAlias("Alpha"));
  EXPECT_EQ(styler.FindByAlias("Beta"), b);
  EXPECT_EQ(styler.FindByAlias("beta"), nullptr);

  TXLCell* c = sheet.GetCell(0, 0);
  EXPECT_THROW(c->SetStyle(a), EXLGridError);  // the sheet has no styler yet
  sheet.SetStyler(&styler);
  a->SetColor(clYellow);
  a->SetHorzAlign(haCenter);
  c->SetStyle(a);
  EXPECT_EQ(c->Color(), clYellow);
  EXPECT_EQ(c->HorzAlign(), haCenter);
  // A change of the style reaches the cells that do not assign it.
  TXLCell* own = sheet.GetCell(1, 0);
  own->SetStyle(a);
  own->SetColor(clGreen);
  a->SetColor(clAqua);
  EXPECT_EQ(c->Color(), clAqua);
  EXPECT_EQ(own->Color(), clGreen);
  a->EditFont().SetHeight(-30);
  EXPECT_EQ(c->Font().Height(), -30);
  // Another styler with the same alias takes over by name.
  TXLStyler other;
  TXLStyle* a2 = other.Add();
  a2->SetAlias("Alpha");
  a2->SetColor(clFuchsia);
  sheet.SetStyler(&other);
  EXPECT_EQ(c->Style(), a2);
  EXPECT_EQ(c->Color(), clFuchsia);
  // Freeing a style clears it from its cells.
  other.Delete(0);
  EXPECT_EQ(c->Style(), nullptr);
  EXPECT_EQ(c->Color(), clWindow);
}

TEST_F(SheetTest, StylesTravelInTheStylerStream) {
  TXLStyler styler;
  TXLStyle* s = styler.Add();
  s->SetAlias("Money");
  s->SetCellClass(&TXLCCurrency::ClassInfo);
  s->SetFormat("$# ##0.00");
  s->SetBorder(sBottom, {2, clRed});
  TMemoryStream ms;
  styler.WriteStyles(ms);
  ms.SetPosition(0);
  TXLStyler back;
  back.ReadStyles(ms);
  ASSERT_EQ(back.Count(), 1);
  EXPECT_EQ(back.Styles(0)->Alias(), "Money");
  EXPECT_EQ(back.Styles(0)->GetCellClass(), &TXLCCurrency::ClassInfo);
  EXPECT_EQ(back.Styles(0)->Format(), "$# ##0.00");
  EXPECT_EQ(back.Styles(0)->Border(sBottom), (TXLBorder{2, clRed}));
  EXPECT_FALSE(back.Modified());
  TMemoryStream again;
  back.WriteStyles(again);
  EXPECT_EQ(again.View(), ms.View());
}

TEST_F(SheetTest, StyledCellsKeepTheirStyleThroughXLData) {
  TXLStyler styler;
  styler.Add()->SetAlias("A");
  TXLStyle* b = styler.Add();
  b->SetAlias("B");
  b->SetColor(clRed);
  sheet.SetStyler(&styler);
  sheet.GetCell(0, 0)->SetStyle(b);
  TMemoryStream ms;
  sheet.WriteData(ms);
  ms.SetPosition(0);
  TXLSheet back;
  back.SetStyler(&styler);
  back.ReadData(ms);
  EXPECT_EQ(back.FindCell(0, 0)->Style(), b);
  // Without a styler the index is dropped.
  ms.SetPosition(0);
  TXLSheet plain;
  plain.ReadData(ms);
  EXPECT_EQ(plain.FindCell(0, 0)->Style(), nullptr);
  EXPECT_FALSE(HasProp(plain.FindCell(0, 0)->Props(), prBasedOn));
}

struct TRecordingLink : TXLGridLink {
  std::vector<std::string> log;
  void SheetInvalidateRect(TXLSection& s, const TRect& r, bool lines) override {
    log.push_back(Format("rect %d %d,%d,%d,%d%s", int(s.Kind()), r.Left, r.Top, r.Right, r.Bottom,
                         lines ? " lines" : ""));
  }
  void SheetLayoutChanged(int axis) override { log.push_back(Format("layout %d", axis)); }
  void SheetSizeChanged(int axis, int index) override {
    log.push_back(Format("size %d %d", axis, index));
  }
  void SheetRefresh() override { log.push_back("refresh"); }
  void SheetDestroying() override { log.push_back("destroying"); }
};

TEST_F(SheetTest, LinksHearOfChangesAndUpdatesHoldRepaintsBack) {
  TRecordingLink link;
  sheet.AddLink(&link);
  sheet.SetCellText(1, 2, "x");
  ASSERT_FALSE(link.log.empty());
  EXPECT_EQ(link.log.front(), "rect 3 1,2,2,3");
  link.log.clear();
  sheet.BeginUpdate();
  sheet.SetCellText(3, 3, "y");
  EXPECT_TRUE(link.log.empty());
  sheet.EndUpdate();
  EXPECT_EQ(link.log, (std::vector<std::string>{"refresh"}));
  link.log.clear();
  sheet.SetColCount(9);
  sheet.SetSize(2, 1, 40);
  EXPECT_EQ(link.log, (std::vector<std::string>{"layout 0", "size 1 2"}));
  {
    TRecordingLink gone;
    auto temp = std::make_unique<TXLSheet>();
    temp->AddLink(&gone);
    temp.reset();
    EXPECT_EQ(gone.log, (std::vector<std::string>{"destroying"}));
  }
  sheet.RemoveLink(&link);
}

TEST_F(SheetTest, ModifiedAndCellChangedEvents) {
  int modified = 0;
  std::vector<TRect> changed;
  sheet.OnModified = [&](TXLSheet& s) { modified += s.Modified() ? 1 : 0; };
  sheet.OnCellChanged = [&](TXLSheet&, const TRect& r) { changed.push_back(r); };
  sheet.SetCellText(0, 0, "a");
  sheet.SetCellText(1, 0, "b");
  EXPECT_EQ(modified, 1);
  EXPECT_TRUE(changed.empty());  // csNotify not set
  TXLCell* c = sheet.GetCell(-1, 2);
  c->SetStyles(CellStyleBit(csNotify));
  c->SetAsString("row");
  ASSERT_EQ(changed.size(), 1u);
  EXPECT_EQ(changed[0], TRect(-1, 2, 0, 3));
}

TEST_F(SheetTest, ForEachCellVisitsSectionsInSheetCoordinates) {
  sheet.SetCellText(-1, -1, "corner");
  sheet.SetCellText(-1, 1, "row");
  sheet.SetCellText(2, -1, "col");
  sheet.SetCellText(2, 1, "data");
  sheet.SetCellText(4, 4, "far");
  std::vector<std::string> seen;
  const std::int64_t n = sheet.ForEachCell(TRect(-1, -1, 3, 2), [&](TXLCell& c, const TPoint& p) {
    seen.push_back(Format("%d,%d %s", p.X, p.Y, c.GetAsString()));
    return 1;
  });
  EXPECT_EQ(n, 4);
  EXPECT_EQ(seen, (std::vector<std::string>{"2,-1 col", "-1,1 row", "-1,-1 corner", "2,1 data"}));
}

}  // namespace
}  // namespace qv
