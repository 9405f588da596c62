// Pixel tests of the QPainter canvas: the Windows drawing conventions, raster
// modes, text placement, clipping, and the picture writers (PNG, BMP, WMF).
#include <gtest/gtest.h>

#include <QFile>
#include <QFontInfo>
#include <QImage>
#include <QProcess>
#include <cstdio>
#include <fstream>
#include <functional>
#include <map>
#include <vector>

#include "PixelTestSupport.h"
#include "platform/core/BmpWriter.h"
#include "platform/core/Image.h"
#include "platform/core/WmfWriter.h"
#include "platform/gui/QtCanvas.h"

using namespace qv;
using qv::pixeltest::Ink;
using qv::pixeltest::InkBox;

namespace {

class QtCanvasTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { InstallQtGraphics(); }
};

}  // namespace

TEST_F(QtCanvasTest, ShapesExcludeRightAndBottomEdge) {
  TImage img(24, 24);
  TCanvas& c = img.Canvas();
  c.Pen.SetColor(clBlack);
  c.Brush.SetColor(clRed);
  c.Rectangle(0, 0, 10, 10);
  for (int i = 0; i < 10; ++i) {
    EXPECT_EQ(img.Pixel(i, 0), clBlack) << i;
    EXPECT_EQ(img.Pixel(i, 9), clBlack) << i;
    EXPECT_EQ(img.Pixel(0, i), clBlack) << i;
    EXPECT_EQ(img.Pixel(9, i), clBlack) << i;
  }
  EXPECT_EQ(img.Pixel(10, 0), clWhite);
  EXPECT_EQ(img.Pixel(0, 10), clWhite);
  EXPECT_EQ(img.Pixel(5, 5), clRed);

  // Fill, ellipse and a rectangle without pen stay inside their boxes.
  struct Case {
    const char* name;
    std::function<void(TCanvas&)> draw;
    TRect box;
  };
  const Case cases[] = {
      {"FillRect", [](TCanvas& k) { k.FillRect(Rect(2, 3, 7, 9)); }, Rect(2, 3, 7, 9)},
      {"Ellipse", [](TCanvas& k) { k.Ellipse(2, 3, 14, 11); }, Rect(2, 3, 14, 11)},
      {"RectangleNoPen",
       [](TCanvas& k) {
         k.Pen.SetStyle(psClear);
         k.Rectangle(2, 3, 12, 13);
       },
       Rect(2, 3, 11, 12)},
      {"RoundRect", [](TCanvas& k) { k.RoundRect(1, 1, 15, 12, 6, 6); }, Rect(1, 1, 15, 12)},
  };
  for (const Case& k : cases) {
    TImage im(24, 24);
    im.Canvas().Brush.SetColor(clBlue);
    k.draw(im.Canvas());
    EXPECT_EQ(InkBox(im), k.box) << k.name;
  }
}

TEST_F(QtCanvasTest, LinesLeaveOutTheirLastPixel) {
  struct Case {
    TPoint a, b, lastSet, end;
  };
  const Case cases[] = {
      {{0, 0}, {5, 0}, {4, 0}, {5, 0}},
      {{3, 8}, {3, 2}, {3, 3}, {3, 2}},
      {{0, 0}, {6, 6}, {5, 5}, {6, 6}},
      {{9, 1}, {2, 1}, {3, 1}, {2, 1}},
  };
  for (const Case& k : cases) {
    TImage img(12, 12);
    TCanvas& c = img.Canvas();
    c.MoveTo(k.a.X, k.a.Y);
    c.LineTo(k.b.X, k.b.Y);
    EXPECT_EQ(img.Pixel(k.a.X, k.a.Y), clBlack) << "start " << k.a.X << "," << k.a.Y;
    EXPECT_EQ(img.Pixel(k.lastSet.X, k.lastSet.Y), clBlack)
        << "before end " << k.b.X << "," << k.b.Y;
    EXPECT_EQ(img.Pixel(k.end.X, k.end.Y), clWhite) << "end " << k.b.X << "," << k.b.Y;
    EXPECT_EQ(c.PenPos(), k.b);
  }
  // Thin lines are not antialiased: only black and white pixels.
  TImage img(40, 40);
  img.Canvas().MoveTo(1, 2);
  img.Canvas().LineTo(37, 29);
  for (int y = 0; y < 40; ++y)
    for (int x = 0; x < 40; ++x)
      ASSERT_TRUE(img.Pixel(x, y) == clWhite || img.Pixel(x, y) == clBlack);
}

TEST_F(QtCanvasTest, XorModesDrawnTwiceRestoreTheImage) {
  for (TPenMode mode : {pmNotXor, pmXor}) {
    TImage img(40, 30);
    TCanvas& c = img.Canvas();
    c.Brush.SetColor(RGB(10, 200, 90));
    c.FillRect(Rect(5, 5, 30, 20));
    const TImage before = img;
    c.Pen.SetMode(mode);
    c.Pen.SetColor(RGB(200, 30, 60));
    c.Brush.SetStyle(bsClear);
    c.Rectangle(2, 3, 25, 25);
    EXPECT_NE(img.Pixel(2, 3), before.Pixel(2, 3)) << int(mode);
    c.Rectangle(2, 3, 25, 25);
    for (int y = 0; y < 30; ++y)
      for (int x = 0; x < 40; ++x)
        ASSERT_EQ(img.Pixel(x, y), before.Pixel(x, y)) << int(mode) << " " << x << "," << y;
  }
}

TEST_F(QtCanvasTest, ClipStackPopRestoresTheOuterClip) {
  TImage img(30, 30);
  TCanvas& c = img.Canvas();
  c.IntersectClipRect(Rect(0, 0, 20, 20));
  c.PushClip();
  c.IntersectClipRect(Rect(0, 0, 10, 10));
  c.Brush.SetColor(clRed);
  c.FillRect(Rect(0, 0, 30, 30));
  EXPECT_EQ(img.Pixel(9, 9), clRed);
  EXPECT_EQ(img.Pixel(10, 10), clWhite);
  c.PopClip();
  c.Brush.SetColor(clBlue);
  c.FillRect(Rect(5, 5, 30, 30));
  EXPECT_EQ(img.Pixel(15, 15), clBlue);
  EXPECT_EQ(img.Pixel(19, 19), clBlue);
  EXPECT_EQ(img.Pixel(20, 20), clWhite);
  TRegion r;
  ASSERT_TRUE(c.GetClipRegion(r));
  EXPECT_EQ(r.BoundingBox(), Rect(0, 0, 20, 20));
  EXPECT_EQ(c.ClipBox(), Rect(0, 0, 20, 20));

  // Exclusion and a polygon region.
  TImage im2(30, 30);
  TCanvas& d = im2.Canvas();
  d.ExcludeClipRect(Rect(10, 10, 20, 20));
  d.Brush.SetColor(clBlack);
  d.FillRect(Rect(0, 0, 30, 30));
  EXPECT_EQ(im2.Pixel(15, 15), clWhite);
  EXPECT_EQ(im2.Pixel(9, 15), clBlack);
  const TPoint tri[] = {{0, 0}, {30, 0}, {0, 30}};
  d.SelectClipRegion(TRegion::FromPolygon(tri), RGN_COPY);
  d.Brush.SetColor(clRed);
  d.FillRect(Rect(0, 0, 30, 30));
  EXPECT_EQ(im2.Pixel(3, 3), clRed);
  EXPECT_EQ(im2.Pixel(28, 28), clBlack);
}

TEST_F(QtCanvasTest, TextAlignmentChoosesTheReferencePoint) {
  TFont probe;
  probe.SetName("Arial");
  probe.SetHeight(-20);
  TTextMetric tm = QtFont(probe).TM;
  struct Case {
    unsigned align;
    const char* what;
  };
  const Case cases[] = {{TA_LEFT | TA_TOP, "top"},
                        {TA_LEFT | TA_BASELINE, "baseline"},
                        {TA_LEFT | TA_BOTTOM, "bottom"},
                        {TA_RIGHT | TA_TOP, "right"},
                        {TA_CENTER | TA_TOP, "centre"}};
  for (const Case& k : cases) {
    TImage img(200, 100);
    TCanvas& c = img.Canvas();
    c.Font.SetName("Arial");
    c.Font.SetHeight(-20);
    c.SetBkMode(TRANSPARENT);
    c.SetTextAlign(k.align);
    c.TextOut(100, 50, "HHH");
    TRect ink = InkBox(img);
    int w = c.TextWidth("HHH");
    std::string what = k.what;
    if (what == "top") {
      // Cap height sits below the internal leading; baseline at y + ascent.
      EXPECT_GE(ink.Top, 50) << what;
      EXPECT_NEAR(ink.Bottom, 50 + tm.tmAscent, 1) << what;
      EXPECT_NEAR(ink.Left, 100, 3) << what;
    } else if (what == "baseline") {
      EXPECT_NEAR(ink.Bottom, 50, 1) << what;
    } else if (what == "bottom") {
      EXPECT_NEAR(ink.Bottom, 50 - tm.tmDescent, 1) << what;
    } else if (what == "right") {
      EXPECT_LE(ink.Right, 100) << what;
      EXPECT_NEAR(ink.Left, 100 - w, 3) << what;
    } else {
      EXPECT_NEAR((ink.Left + ink.Right) / 2.0, 100, 2) << what;
    }
  }
}

TEST_F(QtCanvasTest, RotatedTextLiesWhereGdiPutsIt) {
  TImage img(120, 120);
  TCanvas& c = img.Canvas();
  c.Font.SetName("Arial");
  c.Font.SetHeight(-16);
  c.Font.SetEscapement(900);  // 90 degrees counter-clockwise: reads upwards
  c.SetBkMode(TRANSPARENT);
  int w = c.TextWidth("HHHH");
  TTextMetric tm = c.GetTextMetrics();
  c.TextOut(40, 100, "HHHH");
  TRect ink = InkBox(img);
  // The cell's top edge lies on the vertical through x = 40, the text runs up from y = 100.
  EXPECT_GE(ink.Left, 40);
  EXPECT_LE(ink.Right, 40 + tm.tmHeight);
  EXPECT_LE(ink.Bottom, 101);
  EXPECT_NEAR(ink.Top, 100 - w, 3);
  EXPECT_GT(ink.Height(), ink.Width());
}

TEST_F(QtCanvasTest, FontHeightsAndFamilies) {
  TFont f;
  f.SetName("Arial");
  f.SetHeight(-20);  // character height
  TTextMetric m = QtFont(f).TM;
  EXPECT_EQ(m.tmHeight - m.tmInternalLeading, 20);
  f.SetHeight(20);  // cell height
  m = QtFont(f).TM;
  EXPECT_NEAR(m.tmHeight, 20, 1);
  f.SetSize(12);
  EXPECT_EQ(f.Height(), -16);

  TQtFontService fonts;
  struct Case {
    const char* name;
    const char* family;
    bool fixed;
  };
  const Case cases[] = {{"Arial", "Liberation Sans", false},
                        {"Courier New", "Liberation Mono", true},
                        {"Times New Roman", "Liberation Serif", false},
                        {"Tahoma", "DejaVu Sans", false},
                        {"Terminal", "DejaVu Sans Mono", true}};
  for (const Case& k : cases) {
    TFont g;
    g.SetName(k.name);
    EXPECT_EQ(fonts.ResolvedFamily(g), k.family) << k.name;
    EXPECT_EQ(fonts.IsFixedPitch(g), k.fixed) << k.name;
  }
  TFont mono;
  mono.SetName("Courier New");
  mono.SetHeight(-13);
  TABC a, b;
  ASSERT_TRUE(fonts.GetCharABCWidths(mono, U'M', a));
  ASSERT_TRUE(fonts.GetCharABCWidths(mono, U'i', b));
  EXPECT_EQ(a.abcA + a.abcB + a.abcC, b.abcA + b.abcB + b.abcC);
}

TEST_F(QtCanvasTest, TextWithAdvancesAndOpaqueBackground) {
  TImage img(200, 40);
  TCanvas& c = img.Canvas();
  c.Font.SetName("Arial");
  c.Font.SetHeight(-16);
  c.SetBkColor(clYellow);
  const int dx[] = {40, 40, 40};
  TRect cell = Rect(10, 5, 150, 30);
  c.ExtTextOut(10, 5, ETO_OPAQUE, &cell, "lll", dx);
  EXPECT_EQ(img.Pixel(149, 29), clYellow);
  EXPECT_EQ(img.Pixel(150, 29), clWhite);
  // Each l starts one advance after the previous: ink columns near 10, 50, 90.
  std::vector<int> starts;
  for (int x = 0; x < 200; ++x) {
    bool ink = false, prev = false;
    for (int y = 0; y < 40; ++y) {
      TColor p = img.Pixel(x, y);
      ink = ink || (p != clYellow && p != clWhite);
      if (x > 0) {
        TColor q = img.Pixel(x - 1, y);
        prev = prev || (q != clYellow && q != clWhite);
      }
    }
    if (ink && !prev) starts.push_back(x);
  }
  ASSERT_EQ(starts.size(), 3u);
  EXPECT_EQ(starts[1] - starts[0], 40);
  EXPECT_EQ(starts[2] - starts[1], 40);

  // An opaque background mode fills the text cell with the background colour.
  TImage im2(100, 40);
  TCanvas& d = im2.Canvas();
  d.Font.SetHeight(-16);
  d.SetBkMode(OPAQUE);
  d.SetBkColor(clAqua);
  d.TextOut(10, 10, "x");
  EXPECT_EQ(im2.Pixel(10, 10), clAqua);
  EXPECT_EQ(im2.Pixel(10 + d.TextWidth("x") - 1, 10 + d.TextHeight("x") - 1), clAqua);

  // A styled pen drawn while the background was opaque leaves the text of a
  // transparent background unfilled.
  TImage im3(100, 40);
  TCanvas& e = im3.Canvas();
  e.Font.SetHeight(-16);
  e.SetBkMode(OPAQUE);
  e.SetBkColor(clBlack);
  e.Pen.SetStyle(psDot);
  e.MoveTo(0, 38);
  e.LineTo(90, 38);
  e.SetBkMode(TRANSPARENT);
  e.TextOut(10, 10, "x");
  EXPECT_EQ(im3.Pixel(10, 10), clWhite);
  EXPECT_EQ(im3.Pixel(10 + e.TextWidth("x") - 1, 10 + e.TextHeight("x") - 1), clWhite);

  // Transparent text after a shape drawn without a pen leaves the background.
  TImage im4(100, 40);
  TCanvas& t = im4.Canvas();
  t.Brush.SetColor(clRed);
  t.Pen.SetStyle(psClear);
  const TPoint tri[] = {{0, 0}, {5, 0}, {0, 5}};
  t.Polygon(tri);
  t.Pen.SetStyle(psSolid);
  t.Brush.SetStyle(bsClear);
  t.TextOut(10, 10, "x");
  const TSize ext = t.TextExtent("x");
  im4.CloseCanvas();
  for (int y = 10; y < 10 + ext.cy; ++y)
    for (int x = 10; x < 10 + ext.cx; ++x) ASSERT_NE(im4.Pixel(x, y), clRed) << x << "," << y;
}

TEST_F(QtCanvasTest, PathsAndMapping) {
  TImage img(40, 40);
  TCanvas& c = img.Canvas();
  c.BeginPath();
  c.Rectangle(5, 5, 25, 25);
  c.EndPath();
  c.SelectClipPath(RGN_COPY);
  c.Brush.SetColor(clGreen);
  c.FillRect(Rect(0, 0, 40, 40));
  EXPECT_EQ(img.Pixel(10, 10), clGreen);
  EXPECT_EQ(img.Pixel(30, 30), clWhite);
  c.SelectClipRegion(TRegion());

  // Anisotropic mapping: logical 0..100 onto 0..20 pixels.
  TImage im2(40, 40);
  TCanvas& d = im2.Canvas();
  d.SetMapMode(MM_ANISOTROPIC);
  d.SetWindowExt(100, 100);
  d.SetViewportExt(20, 20);
  EXPECT_EQ(d.LPtoDP(TPoint(50, 100)), TPoint(10, 20));
  d.Brush.SetColor(clRed);
  d.FillRect(Rect(0, 0, 100, 100));
  EXPECT_EQ(im2.Pixel(19, 19), clRed);
  EXPECT_EQ(im2.Pixel(20, 20), clWhite);
}

namespace {

// Every primitive on one picture, for the PNG, BMP and WMF outputs.
void DrawPrimitives(TCanvas& c) {
  c.Brush.SetColor(clWhite);
  c.FillRect(Rect(0, 0, 320, 200));
  c.Pen.SetColor(clBlack);
  c.Brush.SetColor(clRed);
  c.Rectangle(10, 10, 70, 50);
  c.Brush.SetColor(clLime);
  c.Ellipse(80, 10, 150, 60);
  c.Brush.SetColor(clBlue);
  c.RoundRect(160, 10, 230, 50, 16, 16);
  c.Brush.SetColor(clYellow);
  c.Pie(240, 10, 310, 80, 310, 45, 275, 10);
  const TPoint poly[] = {{20, 80}, {70, 70}, {60, 120}, {30, 110}};
  c.Brush.SetColor(clFuchsia);
  c.Polygon(poly);
  c.Pen.SetWidth(3);
  c.Pen.SetColor(clNavy);
  const TPoint line[] = {{90, 80}, {120, 120}, {150, 80}, {180, 120}};
  c.Polyline(line);
  c.Pen.SetWidth(1);
  c.Pen.SetColor(clMaroon);
  c.Arc(190, 80, 240, 130, 240, 105, 190, 105);
  c.Pen.SetStyle(psDash);
  c.MoveTo(10, 140);
  c.LineTo(150, 140);
  c.Pen.SetStyle(psSolid);
  c.Brush.SetStyle(bsDiagCross);
  c.Brush.SetColor(clTeal);
  c.Rectangle(250, 90, 310, 130);
  for (int i = 0; i < 20; ++i) c.SetPixel(160 + i, 150, clRed);
  c.Font.SetName("Arial");
  c.Font.SetHeight(-18);
  c.Font.SetColor(clBlack);
  c.SetBkMode(TRANSPARENT);
  c.TextOut(10, 160, "Quorvane");
  c.Font.SetEscapement(900);
  c.TextOut(200, 195, "Up");
  c.Font.SetEscapement(0);
  TImage small(8, 8, clGreen);
  for (int i = 0; i < 8; ++i) small.SetPixel(i, i, clBlack);
  c.StretchDraw(Rect(250, 150, 290, 190), small);
}

// The centre of the pixels of one colour (x, y as fractions of the size);
// (-1, -1) when there are none.
QPointF ColourCentre(const QImage& im, QRgb colour) {
  double sx = 0, sy = 0;
  int n = 0;
  for (int y = 0; y < im.height(); ++y)
    for (int x = 0; x < im.width(); ++x) {
      QRgb p = im.pixel(x, y);
      if (std::abs(qRed(p) - qRed(colour)) + std::abs(qGreen(p) - qGreen(colour)) +
              std::abs(qBlue(p) - qBlue(colour)) <
          40) {
        sx += x;
        sy += y;
        ++n;
      }
    }
  if (n == 0) return QPointF(-1, -1);
  return QPointF(sx / n / im.width(), sy / n / im.height());
}

}  // namespace

TEST_F(QtCanvasTest, PicturesOfEveryPrimitive) {
  const std::string dir = QV_BINARY_DIR;
  TImage img(320, 200);
  DrawPrimitives(img.Canvas());
  img.CloseCanvas();
  QImage png(reinterpret_cast<const uchar*>(img.Bits()), 320, 200, 320 * 4, QImage::Format_RGB32);
  ASSERT_TRUE(png.save(QString::fromStdString(dir + "/primitives.png")));

  // BMP: fixed header bytes and bottom-up rows.
  std::string bmp = EncodeBmp(img);
  const int stride = (320 * 3 + 3) & ~3;
  ASSERT_EQ(bmp.size(), 54u + std::size_t(stride) * 200);
  const unsigned char head[] = {'B', 'M'};
  EXPECT_EQ(0, std::memcmp(bmp.data(), head, 2));
  auto u32 = [&](std::size_t at) {
    return unsigned((unsigned char)bmp[at]) | unsigned((unsigned char)bmp[at + 1]) << 8 |
           unsigned((unsigned char)bmp[at + 2]) << 16 | unsigned((unsigned char)bmp[at + 3]) << 24;
  };
  EXPECT_EQ(u32(2), bmp.size());
  EXPECT_EQ(u32(10), 54u);
  EXPECT_EQ(u32(14), 40u);
  EXPECT_EQ(u32(18), 320u);
  EXPECT_EQ(u32(22), 200u);
  EXPECT_EQ((unsigned char)bmp[28], 24);
  EXPECT_EQ(u32(38), 3780u);
  EXPECT_EQ(u32(42), 3780u);
  // First stored row is the bottom one: pixel (0,199) is white.
  EXPECT_EQ((unsigned char)bmp[54], 0xFF);
  SaveBmpToFile(img, dir + "/primitives.bmp");
  QImage back(QString::fromStdString(dir + "/primitives.bmp"));
  ASSERT_FALSE(back.isNull());
  EXPECT_EQ(back.pixel(40, 30) & 0xFFFFFF, 0xFF0000u);  // inside the red rectangle

  // WMF: the same picture parses and renders with libwmf like the PNG.
  TWmfCanvas wmf(320, 200);
  DrawPrimitives(wmf);
  wmf.SaveToFile(dir + "/primitives.wmf");
  std::string bytes = wmf.Bytes();
  ASSERT_GE(bytes.size(), 40u);
  auto w16 = [&](std::size_t at) {
    return unsigned((unsigned char)bytes[at]) | unsigned((unsigned char)bytes[at + 1]) << 8;
  };
  EXPECT_EQ(w16(0) | w16(2) << 16, 0x9AC6CDD7u);
  unsigned sum = 0;
  for (int i = 0; i < 10; ++i) sum ^= w16(std::size_t(i) * 2);
  EXPECT_EQ(w16(20), sum);
  EXPECT_EQ(w16(10), 320u);
  EXPECT_EQ(w16(12), 200u);
  EXPECT_EQ(w16(14), 96u);
  EXPECT_EQ((w16(22 + 6) | w16(22 + 8) << 16) * 2 + 22, bytes.size());  // size in words

  QProcess svg;
  svg.start("wmf2svg", {"-o", QString::fromStdString(dir + "/primitives.svg"),
                        QString::fromStdString(dir + "/primitives.wmf")});
  ASSERT_TRUE(svg.waitForFinished(30000));
  EXPECT_EQ(svg.exitCode(), 0) << svg.readAllStandardError().toStdString();
  QFile svgFile(QString::fromStdString(dir + "/primitives.svg"));
  ASSERT_TRUE(svgFile.open(QIODevice::ReadOnly));
  QByteArray svgText = svgFile.readAll();
  EXPECT_TRUE(svgText.contains("<rect") || svgText.contains("<path"));
  EXPECT_TRUE(svgText.contains("Quorvane"));

  QProcess gd;
  gd.start("wmf2gd", {"-t", "png", "--maxwidth=320", "--maxheight=200", "-o",
                      QString::fromStdString(dir + "/primitives-wmf.png"),
                      QString::fromStdString(dir + "/primitives.wmf")});
  ASSERT_TRUE(gd.waitForFinished(30000));
  EXPECT_EQ(gd.exitCode(), 0) << gd.readAllStandardError().toStdString();
  QImage rendered(QString::fromStdString(dir + "/primitives-wmf.png"));
  ASSERT_FALSE(rendered.isNull());
  // Same shapes in the same places: the filled areas of each colour have
  // their centres where the canvas put them (libwmf's raster renderer scales
  // to 72 dots per inch and leaves some fills out, so centres are compared).
  for (QRgb colour : {qRgb(255, 0, 0), qRgb(0, 0, 255), qRgb(255, 255, 0)}) {
    QPointF a = ColourCentre(png, colour), b = ColourCentre(rendered, colour);
    ASSERT_GE(b.x(), 0) << std::hex << colour;
    EXPECT_NEAR(a.x(), b.x(), 0.04) << std::hex << colour;
    EXPECT_NEAR(a.y(), b.y(), 0.04) << std::hex << colour;
  }
}

// Shapes whose Windows conventions are easy to get wrong: arc directions,
// rounded corners, pen styles, spaced text, and their metafile records.
namespace {

class QtShapes : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { InstallQtGraphics(); }
};

}  // namespace

TEST_F(QtShapes, ArcsPiesAndChordsRunCounterClockwiseFromStartToEnd) {
  // Box (2,2)-(22,22), centre (12,12). Ink is counted in the four quadrants,
  // leaving out a band around the axes where the radial lines lie.
  enum Kind { kArc, kPie, kChord };
  struct Case {
    const char* name;
    Kind kind;
    TPoint start, end;
    bool ul, ur, ll, lr;
  };
  const Case cases[] = {
      {"arc right to top", kArc, {22, 12}, {12, 2}, false, true, false, false},
      {"arc top to right", kArc, {12, 2}, {22, 12}, true, false, true, true},
      {"arc left to bottom", kArc, {0, 12}, {12, 40}, false, false, true, false},
      {"pie top to right", kPie, {12, 2}, {22, 12}, true, false, true, true},
      {"pie bottom to right", kPie, {12, 30}, {30, 12}, false, false, false, true},
      {"chord right to left", kChord, {22, 12}, {2, 12}, true, true, false, false},
      {"chord left to right", kChord, {2, 12}, {22, 12}, false, false, true, true},
  };
  for (const Case& k : cases) {
    TImage im(24, 24);
    TCanvas& c = im.Canvas();
    c.Brush.SetColor(clRed);
    if (k.kind == kArc) c.Arc(2, 2, 22, 22, k.start.X, k.start.Y, k.end.X, k.end.Y);
    if (k.kind == kPie) c.Pie(2, 2, 22, 22, k.start.X, k.start.Y, k.end.X, k.end.Y);
    if (k.kind == kChord) c.Chord(2, 2, 22, 22, k.start.X, k.start.Y, k.end.X, k.end.Y);
    int q[4] = {0, 0, 0, 0};
    for (int y = 0; y < 24; ++y)
      for (int x = 0; x < 24; ++x)
        if (Ink(im, x, y) && (x < 10 || x > 13) && (y < 10 || y > 13)) ++q[(x > 13) + 2 * (y > 13)];
    EXPECT_EQ(q[0] > 0, k.ul) << k.name;
    EXPECT_EQ(q[1] > 0, k.ur) << k.name;
    EXPECT_EQ(q[2] > 0, k.ll) << k.name;
    EXPECT_EQ(q[3] > 0, k.lr) << k.name;
    const TRect ink = InkBox(im);
    EXPECT_TRUE(ink.Left >= 2 && ink.Top >= 2 && ink.Right <= 22 && ink.Bottom <= 22) << k.name;
  }
}

TEST_F(QtShapes, RoundRectCornersAreAlike) {
  // The straight part of each side is as long as the opposite one, and the
  // shape fills its box exactly (right and bottom edge excluded). Qt's own
  // aliased rounded rectangle made the right and bottom corners larger.
  struct Case {
    TRect box;
    int w, h;
  };
  const Case cases[] = {
      {Rect(2, 2, 24, 20), 8, 8},  {Rect(2, 2, 24, 20), 16, 16}, {Rect(2, 2, 24, 20), 6, 10},
      {Rect(1, 3, 30, 18), 10, 4}, {Rect(4, 4, 20, 20), 8, 8},
  };
  for (const Case& k : cases) {
    for (bool filled : {false, true}) {
      TImage im(32, 24);
      TCanvas& c = im.Canvas();
      if (filled)
        c.Brush.SetColor(clRed);
      else
        c.Brush.SetStyle(bsClear);
      c.RoundRect(k.box.Left, k.box.Top, k.box.Right, k.box.Bottom, k.w, k.h);
      SCOPED_TRACE(testing::Message() << k.box.Left << "," << k.box.Top << " " << k.w << "x" << k.h
                                      << " filled " << filled);
      EXPECT_EQ(InkBox(im), k.box);
      auto run = [&](int x, int y, int dx, int dy) {
        int n = 0;
        for (; x < 32 && y < 24; x += dx, y += dy) n += im.Pixel(x, y) == clBlack;
        return n;
      };
      // Circular corners mirror exactly; elliptic ones may differ by a pixel
      // where a diagonal step of the outline rounds.
      const int slack = k.w == k.h ? 0 : 2;
      EXPECT_NEAR(run(0, k.box.Top, 1, 0), run(0, k.box.Bottom - 1, 1, 0), slack);
      EXPECT_NEAR(run(k.box.Left, 0, 0, 1), run(k.box.Right - 1, 0, 0, 1), slack);
      if (k.box.Width() == k.box.Height() && k.w == k.h) {
        EXPECT_EQ(run(0, k.box.Top, 1, 0), run(k.box.Left, 0, 0, 1));
      }
      // The fill stays inside the outline: no fill colour on the box's edge rows.
      for (int x = 0; x < 32; ++x) {
        EXPECT_NE(im.Pixel(x, k.box.Top), clRed);
        EXPECT_NE(im.Pixel(x, k.box.Bottom - 1), clRed);
      }
    }
  }
}

TEST_F(QtShapes, PenStylesAndWidths) {
  // Cosmetic dash patterns: runs of ink and gaps along a horizontal line.
  struct Dash {
    TPenStyle style;
    std::vector<int> runs;
  };
  const Dash dashes[] = {
      {psDash, {18, 6, 18, 6}},
      {psDot, {3, 3, 3, 3}},
      {psDashDot, {9, 6, 3, 6, 9}},
      {psDashDotDot, {9, 3, 3, 3, 3, 3, 9}},
  };
  for (const Dash& d : dashes) {
    TImage im(80, 3);
    TCanvas& c = im.Canvas();
    c.Pen.SetStyle(d.style);
    c.MoveTo(0, 1);
    c.LineTo(80, 1);
    std::vector<int> runs;
    int x = 0;
    while (x < 80 && runs.size() < d.runs.size()) {
      bool ink = Ink(im, x, 1);
      int n = 0;
      while (x < 80 && Ink(im, x, 1) == ink) ++n, ++x;
      runs.push_back(n);
    }
    EXPECT_EQ(runs, d.runs) << int(d.style);
  }
  // An inside-frame pen keeps a wide outline inside the shape's box.
  for (int width : {2, 3, 4, 5}) {
    for (int shape = 0; shape < 3; ++shape) {
      TImage im(30, 30);
      TCanvas& c = im.Canvas();
      c.Pen.SetStyle(psInsideFrame);
      c.Pen.SetWidth(width);
      if (shape == 0) c.Rectangle(4, 5, 24, 22);
      if (shape == 1) c.Ellipse(4, 5, 24, 22);
      if (shape == 2) c.RoundRect(4, 5, 24, 22, 8, 8);
      TRect ink = InkBox(im);
      EXPECT_GE(ink.Left, 4) << width << " " << shape;
      EXPECT_GE(ink.Top, 5) << width << " " << shape;
      EXPECT_LE(ink.Right, 24) << width << " " << shape;
      EXPECT_LE(ink.Bottom, 22) << width << " " << shape;
      EXPECT_GE(ink.Right, 23) << width << " " << shape;
    }
  }
}

TEST_F(QtShapes, TextExtentMatchesTheDrawnWidthWithExtraSpacing) {
  for (const char* text : {"Hello world", "iiiiiiiiii", "The quick brown fox", "W"}) {
    for (int extra : {0, 1, 3}) {
      TImage im(400, 30);
      TCanvas& c = im.Canvas();
      c.Font.SetName("Arial");
      c.Font.SetHeight(-13);
      c.SetBkMode(OPAQUE);
      c.SetBkColor(clRed);
      c.SetTextCharacterExtra(extra);
      const TSize ext = c.TextExtent(text);
      c.TextOut(10, 5, text);
      int left = -1, right = -1;
      for (int x = 0; x < 400; ++x)
        if (im.Pixel(x, 10) == clRed || im.Pixel(x, 5) == clRed) {
          if (left < 0) left = x;
          right = x;
        }
      EXPECT_EQ(left, 10) << text << " " << extra;
      EXPECT_EQ(right + 1 - left, ext.cx) << text << " " << extra;
    }
  }
}

TEST(MetafileRecords, ShapeAndTextRecordsHoldTheirParametersInFileOrder) {
  TWmfCanvas w(100, 80);
  w.Pen.SetColor(RGB(1, 2, 3));
  w.Pen.SetWidth(1);
  w.Arc(1, 2, 30, 40, 5, 6, 7, 8);
  w.RoundRect(10, 20, 30, 40, 6, 8);
  w.Chord(11, 12, 13, 14, 15, 16, 17, 18);
  const int dx[] = {7, 8};
  const TRect box = Rect(3, 4, 50, 60);
  w.ExtTextOut(9, 11, ETO_CLIPPED, &box, "Ab", dx);
  const std::string b = w.Bytes();
  auto w16 = [&](std::size_t at) {
    return unsigned((unsigned char)b[at]) | unsigned((unsigned char)b[at + 1]) << 8;
  };
  std::map<unsigned, std::vector<unsigned>>
      rec;  // last record of each function: its parameter words
  for (std::size_t at = 40; at + 6 <= b.size();) {
    const unsigned size = w16(at) | w16(at + 2) << 16, fn = w16(at + 4);
    ASSERT_GE(size, 3u);
    ASSERT_LE(at + size * 2, b.size());
    std::vector<unsigned> p;
    for (unsigned i = 3; i < size; ++i) p.push_back(w16(at + i * 2));
    rec[fn] = p;
    at += size * 2;
  }
  // Pen: style, width (x, y), colour as two words.
  EXPECT_EQ(rec[0x02FA], (std::vector<unsigned>{0, 1, 0, 0x0201, 0x0003}));
  // Arc and chord: end point, start point, then bottom, right, top, left.
  EXPECT_EQ(rec[0x0817], (std::vector<unsigned>{8, 7, 6, 5, 40, 30, 2, 1}));
  EXPECT_EQ(rec[0x0830], (std::vector<unsigned>{18, 17, 16, 15, 14, 13, 12, 11}));
  // Rounded rectangle: corner height, corner width, bottom, right, top, left.
  EXPECT_EQ(rec[0x061C], (std::vector<unsigned>{8, 6, 40, 30, 20, 10}));
  // Text: y, x, length, options, clip rectangle (left, top, right, bottom),
  // the bytes padded to a word, one advance per character.
  EXPECT_EQ(rec[0x0A32],
            (std::vector<unsigned>{11, 9, 2, ETO_CLIPPED, 3, 4, 50, 60, 'A' | 'b' << 8, 7, 8}));
}
