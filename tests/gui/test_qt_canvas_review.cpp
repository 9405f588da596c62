// Pixel and byte checks of shapes whose Windows conventions are easy to get
// wrong: arc directions, rounded corners, pen styles, spaced text, and the
// metafile records of those shapes.
#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <vector>

#include "PixelTestSupport.h"
#include "platform/core/Image.h"
#include "platform/core/WmfWriter.h"
#include "platform/gui/QtCanvas.h"

using namespace qv;
using qv::pixeltest::Ink;
using qv::pixeltest::InkBox;

namespace {

class QtShapesReview : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { InstallQtGraphics(); }
};

}  // namespace

TEST_F(QtShapesReview, ArcsPiesAndChordsRunCounterClockwiseFromStartToEnd) {
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

TEST_F(QtShapesReview, RoundRectCornersAreAlike) {
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

TEST_F(QtShapesReview, PenStylesAndWidths) {
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

TEST_F(QtShapesReview, TextExtentMatchesTheDrawnWidthWithExtraSpacing) {
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

TEST(MetafileRecordsReview, ShapeAndTextRecordsHoldTheirParametersInFileOrder) {
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
