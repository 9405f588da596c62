// The section painter through the recording canvas: what is filled,
// clipped, lined and written where.
#include <gtest/gtest.h>

#include "grid/XLPainter.h"
#include "grid/XLRanges.h"
#include "platform/core/RecordingCanvas.h"

namespace qv {
namespace {

constexpr TColor kLines = clBtnFace;  // the client's default grid-line colour

class PainterTest : public ::testing::Test {
 protected:
  void SetUp() override { FormatSettings() = TFormatSettings::Invariant(); }

  // Paints the whole section as a view at the top-left would.
  void Paint(int kind = skClient, int scale = 100, bool hints = false) {
    canvas.Clear();
    TXLSection& s = sheet.Section(kind);
    const bool titleCols = kind == skRowTitles || kind == skCorner;
    const bool titleRows = kind == skColTitles || kind == skCorner;
    cols.AssignScaled(sheet.SizeList(0, titleCols), scale, 100);
    rows.AssignScaled(sheet.SizeList(1, titleRows), scale, 100);
    info = TXLPaintInfo();
    info.Cols = &cols;
    info.Rows = &rows;
    info.ScaleX = info.ScaleY = scale;
    info.Canvas = &canvas;
    info.Cells = s.Extent();
    info.Pixels = TRect(0, 0, static_cast<int>(cols.PositionOf(s.ColCount())),
                        static_cast<int>(rows.PositionOf(s.RowCount())));
    unions = CollectPaintUnions(s, cols, rows, info.Cells, TPoint(0, 0));
    info.Unions = &unions;
    info.HintMarks = hints;
    info.Background = PaintSheetBackground;
    PaintSection(s, info);
  }
  std::vector<const TCanvasCall*> LinesIn(TColor color) const {
    std::vector<const TCanvasCall*> out;
    for (const TCanvasCall* c : canvas.Find("LineTo"))
      if (c->State.PenColor == color) out.push_back(c);
    return out;
  }
  const TCanvasCall* TextCall(const std::string& text) const {
    for (const TCanvasCall* c : canvas.Find("TextOut"))
      if (c->Text == text) return c;
    return nullptr;
  }
  // The index of the first call matching op and args, -1 when none.
  int IndexOf(const std::string& op, std::vector<int> args) const {
    for (std::size_t i = 0; i < canvas.Calls().size(); ++i)
      if (canvas.Calls()[i].Op == op && canvas.Calls()[i].Args == args) return int(i);
    return -1;
  }

  TFakeFontService fonts{8, 16};
  TRecordingCanvas canvas{Rect(0, 0, 1000, 1000), &fonts};
  TXLSheet sheet;
  TXLSizeList cols, rows;
  std::vector<TXLPaintUnion> unions;
  TXLPaintInfo info;
};

TEST_F(PainterTest, GridLinesLieOnePixelBeforeEachLine) {
  Paint();
  const auto lines = LinesIn(kLines);
  ASSERT_EQ(lines.size(), 12u);  // 6 horizontal, then 6 vertical
  // Horizontal first: y = -1, 14, 29, 44, 59, 74 across the whole width.
  for (int j = 0; j < 6; ++j) {
    EXPECT_EQ(lines[j]->Args, (std::vector<int>{-1, 15 * j - 1, 300, 15 * j - 1}));
  }
  for (int i = 0; i < 6; ++i) {
    EXPECT_EQ(lines[6 + i]->Args, (std::vector<int>{60 * i - 1, -1, 60 * i - 1, 75}));
  }
  // The background routine filled the section with the base colour.
  const TCanvasCall* bg = canvas.First("FillRect");
  ASSERT_NE(bg, nullptr);
  EXPECT_EQ(bg->Args, (std::vector<int>{0, 0, 300, 75}));
  EXPECT_EQ(bg->State.BrushColor, clWindow);
}

TEST_F(PainterTest, NoGridLinesAtQuarterScaleOrWhenTheyWouldNotShow) {
  Paint(skClient, 25);
  EXPECT_TRUE(LinesIn(kLines).empty());
  Paint(skClient, 26);
  EXPECT_FALSE(LinesIn(kLines).empty());
  sheet.BaseClientStyle().SetLinesColor(clWindow);
  Paint();
  EXPECT_TRUE(LinesIn(clWindow).empty());
}

TEST_F(PainterTest, AColouredCellCoversTheLinesAroundIt) {
  TXLSectionRange(&sheet.Section(skClient), TRect(1, 1, 2, 2)).SetColor(clRed);
  Paint();
  // Filled from one pixel left of and above the cell to its right and
  // bottom edge, and cut out of the clip before the grid lines.
  const int fill = IndexOf("FillRect", {59, 14, 120, 30});
  ASSERT_GE(fill, 0);
  EXPECT_EQ(canvas.Calls()[fill].State.BrushColor, clRed);
  const int cut = IndexOf("ExcludeClipRect", {59, 14, 120, 30});
  ASSERT_GT(cut, fill);
  EXPECT_LT(cut, IndexOf("LineTo", {-1, -1, 300, -1}));
}

TEST_F(PainterTest, MergedBlockDrawsItsOriginOverTheBlockWithoutInnerLines) {
  sheet.SetCellText(1, 1, "big");
  sheet.Section(skClient).Merge(TRect(1, 1, 3, 3));
  Paint();
  // The block is cut out of the grid lines (right and bottom edge kept)...
  const int cut = IndexOf("ExcludeClipRect", {60, 15, 179, 44});
  ASSERT_GE(cut, 0);
  EXPECT_LT(cut, IndexOf("LineTo", {-1, -1, 300, -1}));
  // ...and the text is placed in the block's content rectangle: bottom
  // aligned over two rows (content bottom 44, text 16 high).
  const TCanvasCall* t = TextCall("big");
  ASSERT_NE(t, nullptr);
  EXPECT_EQ(t->Args, (std::vector<int>{60, 28}));
  EXPECT_EQ(canvas.Count("TextOut"), 1);
}

TEST_F(PainterTest, ContentRectangleFollowsFrameAndIndent) {
  TXLCell* c = sheet.GetCell(0, 0);
  c->SetAsString("x");
  c->SetVertAlign(vaTop);
  Paint();
  EXPECT_GE(IndexOf("IntersectClipRect", {0, 0, 59, 14}), 0);  // frNone: right/bottom in by 1
  c->SetFrame(frFlatUp);
  Paint();
  EXPECT_GE(IndexOf("IntersectClipRect", {1, 1, 59, 14}), 0);
  c->SetFrame(frDeepDown);
  Paint();
  EXPECT_GE(IndexOf("IntersectClipRect", {2, 2, 58, 13}), 0);
  c->SetFrame(frNone);
  c->SetIndent(4);
  c->SetHorzAlign(haRight);
  Paint(skClient, 200);
  // At 200 % the cell is 120 wide; the indent is not scaled.
  const TCanvasCall* t = TextCall("x");
  ASSERT_NE(t, nullptr);
  EXPECT_EQ(t->Args[0], 119 - 4 - 8);   // content right edge, indent, one 8-pixel character
  EXPECT_EQ(t->State.FontHeight, -22);  // -11 x 2
}

TEST_F(PainterTest, HintTriangleOnlyWithHintMarks) {
  sheet.SetCellText(2, 0, "v");
  sheet.GetCell(2, 0)->SetHint("why");
  Paint(skClient, 100, false);
  EXPECT_EQ(canvas.Count("Polygon"), 0);
  Paint(skClient, 100, true);
  const TCanvasCall* tri = canvas.First("Polygon");
  ASSERT_NE(tri, nullptr);
  EXPECT_EQ(tri->Points, (std::vector<TPoint>{{175, 0}, {179, 0}, {179, 4}}));
  EXPECT_EQ(tri->State.BrushColor, clRed);
}

TEST_F(PainterTest, EditedAndHiddenCells) {
  TXLCell* edited = sheet.GetCell(0, 0);
  edited->SetAsString("edited");
  edited->SetFrame(frFlatUp);
  edited->SetStateFlag(xsEditing, true);
  TXLCell* hidden = sheet.GetCell(1, 0);
  hidden->SetAsString("hidden");
  hidden->SetFrame(frFlatUp);
  hidden->SetStyles(CellStyleBit(csHidden));
  Paint();
  EXPECT_EQ(TextCall("edited"), nullptr);
  EXPECT_EQ(TextCall("hidden"), nullptr);
  // The edited cell's frame is drawn (its edge fills lie in its rectangle),
  // the hidden one's is not.
  bool editedFrame = false, hiddenFrame = false;
  for (const TCanvasCall* f : canvas.Find("FillRect")) {
    if (f->Args.size() == 4 && f->Args[2] - f->Args[0] <= 60 && f->Args[1] >= 0 &&
        f->Args[3] <= 15 && !(f->Args[2] - f->Args[0] == 300)) {
      if (f->Args[0] >= 0 && f->Args[2] <= 60) editedFrame = true;
      if (f->Args[0] >= 60 && f->Args[2] <= 120) hiddenFrame = true;
    }
  }
  EXPECT_TRUE(editedFrame);
  EXPECT_FALSE(hiddenFrame);
  EXPECT_FALSE(edited->State() & xsReported);
}

TEST_F(PainterTest, BorderLinesInTheClientOnlyAndAfterTheGridLines) {
  TXLSectionRange(&sheet.Section(skClient), TRect(1, 1, 2, 2)).SetBorders(15, {2, clBlue});
  TXLSectionRange(&sheet.Section(skColTitles), TRect(1, 0, 2, 1)).SetBorders(15, {2, clBlue});
  Paint(skColTitles);
  EXPECT_TRUE(LinesIn(clBlue).empty());
  Paint();
  const auto blue = LinesIn(clBlue);
  ASSERT_EQ(blue.size(), 4u);
  // Left and right edges (vertical first), then top and bottom.
  EXPECT_EQ(blue[0]->Args, (std::vector<int>{59, 29, 59, 14}));
  EXPECT_EQ(blue[1]->Args, (std::vector<int>{119, 29, 119, 14}));
  EXPECT_EQ(blue[2]->Args, (std::vector<int>{119, 14, 59, 14}));
  EXPECT_EQ(blue[3]->Args, (std::vector<int>{119, 29, 59, 29}));
  EXPECT_EQ(blue[0]->State.PenWidth, 2);
  const int lastGrid = IndexOf("LineTo", {239, -1, 239, 75});
  ASSERT_GE(lastGrid, 0);
  EXPECT_GT(IndexOf("LineTo", {59, 29, 59, 14}), lastGrid);
}

TEST_F(PainterTest, ThickDiagonalsStayInsideTheirCell) {
  TXLSectionRange r(&sheet.Section(skClient), TRect(2, 2, 3, 3));
  r.SetBorder(sBias1, {3, clGreen});
  r.SetBorder(sBias2, {1, clGreen});
  Paint();
  const int clip = IndexOf("IntersectClipRect", {120, 30, 180, 45});
  ASSERT_GE(clip, 0);
  const auto diag = LinesIn(clGreen);
  ASSERT_EQ(diag.size(), 2u);
  EXPECT_EQ(diag[0]->Args, (std::vector<int>{120, 30, 179, 44}));
  EXPECT_EQ(diag[1]->Args, (std::vector<int>{179, 30, 120, 44}));
}

TEST_F(PainterTest, CheckBoxScalesWithTheZoom) {
  TXLCell* b = sheet.Section(skClient).SetCellClass(TPoint(0, 0), &TXLCBoolean::ClassInfo);
  b->SetVertAlign(vaTop);
  sheet.SetRowDefHeight(40);
  Paint();
  const TCanvasCall* box = canvas.First("FrameRect");
  ASSERT_NE(box, nullptr);
  EXPECT_EQ(box->Args[2] - box->Args[0], 13);
  Paint(skClient, 200);
  box = canvas.First("FrameRect");
  ASSERT_NE(box, nullptr);
  EXPECT_EQ(box->Args[2] - box->Args[0], 26);
}

TEST_F(PainterTest, HugeSizesAreHeldToDrawableCoordinates) {
  sheet.SetSize(0, 0, 2000000000);
  sheet.SetSize(1, 0, 2000000000);
  sheet.SetSize(2, 1, 2000000000);
  sheet.SetCellText(1, 0, "far");
  Paint();
  for (const TCanvasCall* c : canvas.Find("LineTo"))
    for (int v : c->Args) EXPECT_LE(std::abs(v), kMaxCoord + 1);
}

TEST_F(PainterTest, FrameSourceOverridesTheFrameAttribute) {
  info.FrameSource = nullptr;
  Paint(skColTitles);
  const int flatCount = canvas.Count("FillRect");
  // A source that marks every title deep: more edge strips are drawn.
  TXLPaintInfo deep = info;
  deep.FrameSource = [](void*, const TXLSection&, int, int) { return frDeepUp; };
  canvas.Clear();
  PaintSection(sheet.Section(skColTitles), deep);
  EXPECT_GT(canvas.Count("FillRect"), flatCount);
}

}  // namespace
}  // namespace qv
