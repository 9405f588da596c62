// The section painter on the Qt canvas: real pixels of grid lines around
// coloured cells and merged blocks, text, frames and the hint mark. The
// rendered sheet is kept as sheet.png in the build folder for a look.
#include <gtest/gtest.h>

#include <QImage>

#include "grid/XLPainter.h"
#include "grid/XLRanges.h"
#include "platform/gui/QtCanvas.h"

namespace qv {
namespace {

class GridPixelsTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { InstallQtGraphics(); }
  void SetUp() override {
    FormatSettings() = TFormatSettings::Invariant();
    sheet.BaseClientStyle().SetColor(clWhite);
    sheet.BaseClientStyle().SetLinesColor(clSilver);
  }

  // Paints the four sections as a grid shows them, titles at the top-left.
  TImage Render(int scale = 100, bool hints = true) {
    TXLSizeList lists[2][2];
    for (int axis = 0; axis < 2; ++axis)
      for (int t = 0; t < 2; ++t) lists[axis][t].AssignScaled(sheet.SizeList(axis, t), scale, 100);
    const int tw = static_cast<int>(lists[0][1].PositionOf(sheet.TitleCols()));
    const int th = static_cast<int>(lists[1][1].PositionOf(sheet.TitleRows()));
    const int w = tw + static_cast<int>(lists[0][0].PositionOf(sheet.ColCount()));
    const int h = th + static_cast<int>(lists[1][0].PositionOf(sheet.RowCount()));
    TImage img(w, h, clWhite);
    TCanvas& c = img.Canvas();
    struct TPart {
      int kind;
      bool titleCols, titleRows;
      TPoint origin;
    } parts[] = {{skColTitles, false, true, {tw, 0}},
                 {skRowTitles, true, false, {0, th}},
                 {skCorner, true, true, {0, 0}},
                 {skClient, false, false, {tw, th}}};
    for (const TPart& p : parts) {
      TXLSection& s = sheet.Section(p.kind);
      const TXLSizeList& cols = lists[0][p.titleCols ? 1 : 0];
      const TXLSizeList& rows = lists[1][p.titleRows ? 1 : 0];
      TXLPaintInfo info;
      info.Cols = &cols;
      info.Rows = &rows;
      info.ScaleX = info.ScaleY = scale;
      info.Canvas = &c;
      info.Cells = s.Extent();
      info.Pixels = TRect(p.origin.X, p.origin.Y,
                          p.origin.X + static_cast<int>(cols.PositionOf(s.ColCount())),
                          p.origin.Y + static_cast<int>(rows.PositionOf(s.RowCount())));
      const auto unions = CollectPaintUnions(s, cols, rows, info.Cells, p.origin);
      info.Unions = &unions;
      info.HintMarks = hints;
      info.Background = PaintSheetBackground;
      TPoint origin = p.origin;
      info.BackgroundData = &origin;
      c.PushClip();
      c.IntersectClipRect(info.Pixels);
      PaintSection(s, info);
      c.PopClip();
    }
    img.CloseCanvas();
    return img;
  }
  static void Save(const TImage& img, const char* name) {
    QImage q(reinterpret_cast<const uchar*>(img.Bits()), img.Width(), img.Height(), img.Width() * 4,
             QImage::Format_RGB32);
    q.save(QString(QV_BINARY_DIR) + "/" + name);
  }

  TXLSheet sheet;
};

TEST_F(GridPixelsTest, GridLinesStopAtColouredCellsAndMergedBlocks) {
  TXLSection& client = sheet.Section(skClient);
  TXLSectionRange(&client, TRect(1, 1, 2, 2)).SetColor(clRed);
  sheet.SetCellText(3, 1, "block");
  client.Merge(TRect(3, 1, 5, 3));
  const TImage img = Render(100, false);
  Save(img, "grid-lines.png");
  // Client origin: one 60-pixel title column, one 15-pixel title row.
  const int x0 = 60, y0 = 15;
  // The red cell (60..119, 15..29 in the client) and the pixel row and
  // column before it are red: no grid line on any of its four edges.
  for (int x = x0 + 59; x <= x0 + 119; ++x) {
    EXPECT_EQ(img.Pixel(x, y0 + 14), clRed) << x;  // top grid line
    EXPECT_EQ(img.Pixel(x, y0 + 29), clRed) << x;  // its own bottom line
  }
  for (int y = y0 + 14; y <= y0 + 29; ++y) {
    EXPECT_EQ(img.Pixel(x0 + 59, y), clRed) << y;
    EXPECT_EQ(img.Pixel(x0 + 119, y), clRed) << y;
  }
  // The grid line of a plain neighbour is there, and stops at the cell.
  EXPECT_EQ(img.Pixel(x0 + 30, y0 + 14), clSilver);
  EXPECT_EQ(img.Pixel(x0 + 150, y0 + 44), clSilver);
  // Inside the block (columns 3-4, rows 1-2) there is no grid line; its
  // own right and bottom lines are drawn.
  EXPECT_NE(img.Pixel(x0 + 239, y0 + 22), clSilver);  // inner vertical at column 4
  EXPECT_NE(img.Pixel(x0 + 200, y0 + 29), clSilver);  // inner horizontal at row 2
  EXPECT_EQ(img.Pixel(x0 + 299, y0 + 35), clSilver);  // right edge
  EXPECT_EQ(img.Pixel(x0 + 200, y0 + 44), clSilver);  // bottom edge
}

TEST_F(GridPixelsTest, NoGridLinesAtQuarterScale) {
  const TImage img = Render(25, false);
  // The client starts after a 15-pixel title column and a 3-pixel title row.
  int silver = 0;
  for (int y = 3; y < img.Height(); ++y)
    for (int x = 15; x < img.Width(); ++x) silver += img.Pixel(x, y) == clSilver ? 1 : 0;
  EXPECT_EQ(silver, 0);
  EXPECT_EQ(img.Pixel(15 + 14, 10), clWhite);
}

TEST_F(GridPixelsTest, ASheetWithEveryLook) {
  sheet.SetColCount(6);
  sheet.SetRowCount(8);
  sheet.SetSize(0, 0, 90);
  for (int c = 0; c < 6; ++c) sheet.SetCellText(c, -1, ColumnLetters(c));
  for (int r = 0; r < 8; ++r) sheet.SetCellInteger(-1, r, r + 1);
  TXLSection& client = sheet.Section(skClient);
  sheet.SetCellText(0, 0, "Left text");
  TXLCell* num = client.SetCellClass(TPoint(1, 0), &TXLCDouble::ClassInfo);
  num->SetAsFloat(1234.5);
  num->SetFormat("#,##0.00");
  num->SetHorzAlign(haRight);
  TXLCell* check = client.SetCellClass(TPoint(2, 0), &TXLCBoolean::ClassInfo);
  check->SetAsBoolean(true);
  check->SetHorzAlign(haCenter);
  check->SetVertAlign(vaCenter);
  sheet.SetCellText(0, 2, "Merged and centred");
  TXLSectionRange block(&client, TRect(0, 2, 3, 4));
  block.Merge();
  block.SetHorzAlign(haCenter);
  block.SetVertAlign(vaCenter);
  block.SetColor(clYellow);
  TXLSectionRange box(&client, TRect(4, 1, 6, 5));
  box.SetBorders(15, {2, clBlue});
  box.SetBorder(sBias1, {1, clGreen});
  TXLCell* hinted = sheet.GetCell(4, 6);
  hinted->SetAsString("hint");
  hinted->SetHint("a note");
  hinted->EditFont().SetStyle({fsBold});
  hinted->EditFont().SetColor(clMaroon);
  sheet.GetCell(1, 6)->SetAsString("framed");
  sheet.GetCell(1, 6)->SetFrame(frDeepDown);
  const TImage img = Render();
  Save(img, "sheet.png");
  // The hint triangle: red at the cell's top-right corner (client origin 60, 15).
  const int right = 60 + 90 + 3 * 60 + 60 - 1;  // last pixel column of column 4
  EXPECT_EQ(img.Pixel(right - 1, 15 + 6 * 15 + 1), clRed);
  // Text was drawn in the first cell (dark pixels on white).
  int ink = 0;
  for (int y = 15; y < 30; ++y)
    for (int x = 60; x < 150; ++x) ink += img.Pixel(x, y) != clWhite ? 1 : 0;
  EXPECT_GT(ink, 20);
  // The yellow block is yellow in its middle, away from the text.
  EXPECT_EQ(img.Pixel(60 + 5, 15 + 2 * 15 + 3), clYellow);
}

}  // namespace
}  // namespace qv
