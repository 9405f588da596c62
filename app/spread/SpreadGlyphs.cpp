#include "app/spread/SpreadGlyphs.h"

#include <algorithm>
#include <cstdlib>

#include "platform/core/Graphics.h"

namespace qv {

namespace {

constexpr int kSize = 16;

void Fill(TImage& img, int x1, int y1, int x2, int y2, TColor c) {
  for (int y = y1; y < y2; ++y)
    for (int x = x1; x < x2; ++x) img.SetPixel(x, y, c);
}

void Frame(TImage& img, int x1, int y1, int x2, int y2, TColor c) {
  Fill(img, x1, y1, x2, y1 + 1, c);
  Fill(img, x1, y2 - 1, x2, y2, c);
  Fill(img, x1, y1, x1 + 1, y2, c);
  Fill(img, x2 - 1, y1, x2, y2, c);
}

TImage Blank() { return TImage(kSize, kSize, kGlyphClear); }

}  // namespace

TImage TreeGlyph(int index) {
  TImage img = Blank();
  if (index == 2) {
    // A folder: tab and body.
    Fill(img, 1, 3, 7, 5, 0x00C0E0);
    Fill(img, 1, 5, 15, 14, 0x40D8F8);
    Frame(img, 1, 5, 15, 14, 0x0080A0);
    Fill(img, 1, 3, 7, 4, 0x0080A0);
    return img;
  }
  // A sheet: white page with grid lines; the selected one shows a blue head.
  Fill(img, 2, 1, 14, 15, clWhite);
  Frame(img, 2, 1, 14, 15, 0x808080);
  for (int y = 5; y < 15; y += 3) Fill(img, 3, y, 13, y + 1, 0xC0C0C0);
  Fill(img, 7, 2, 8, 14, 0xC0C0C0);
  Fill(img, 3, 2, 13, 4, index == 1 ? TColor(0xC06020) : TColor(0x70A040));
  return img;
}

TImage AlignGlyph(int tag) {
  TImage img = Blank();
  Fill(img, 0, 0, kSize, kSize, clWhite);
  Frame(img, 0, 0, kSize, kSize, 0x808080);
  const int v = std::clamp(tag, 0, 8) / 3, h = std::clamp(tag, 0, 8) % 3;
  // Three lines of text, short ones placed by the horizontal alignment.
  const int top = v == 2 ? 2 : v == 1 ? 5 : 8;
  for (int i = 0; i < 3; ++i) {
    const int len = i == 1 ? 10 : 7;
    const int x = h == 0 ? 2 : h == 1 ? (kSize - len) / 2 : kSize - 2 - len;
    Fill(img, x, top + i * 2, x + len, top + i * 2 + 1, clBlack);
  }
  return img;
}

TImage BorderGlyph(int tag) {
  TImage img = Blank();
  Fill(img, 0, 0, kSize, kSize, clWhite);
  // Dotted cell lines of a 2 x 2 block.
  for (int i = 1; i < kSize - 1; i += 2) {
    for (int k : {1, 7, 14}) {
      img.SetPixel(i, k, 0xA0A0A0);
      img.SetPixel(k, i, 0xA0A0A0);
    }
  }
  auto left = [&] { Fill(img, 1, 1, 2, 15, clBlack); };
  auto right = [&] { Fill(img, 14, 1, 15, 15, clBlack); };
  auto top = [&] { Fill(img, 1, 1, 15, 2, clBlack); };
  auto bottom = [&] { Fill(img, 1, 14, 15, 15, clBlack); };
  auto inner = [&] {
    Fill(img, 7, 1, 8, 15, clBlack);
    Fill(img, 1, 7, 15, 8, clBlack);
  };
  switch (tag) {
    case 1:
      left(), right(), top(), bottom(), inner();
      break;
    case 2:
      left(), right(), top(), bottom();
      break;
    case 3:
      inner();
      break;
    case 4:
      left();
      break;
    case 5:
      right();
      break;
    case 6:
      top();
      break;
    case 7:
      bottom();
      break;
    case 8:  // sBias2: bottom-left to top-right
      for (int i = 1; i < 15; ++i) img.SetPixel(i, 15 - i, clBlack);
      break;
    case 9:  // sBias1: top-left to bottom-right
      for (int i = 1; i < 15; ++i) img.SetPixel(i, i, clBlack);
      break;
    default:
      break;
  }
  return img;
}

TImage IndicatorGlyph(const TImage& glyph, TColor color, TColor outline) {
  TImage img = glyph;
  const int w = img.Width(), h = img.Height();
  if (w < 3 || h < 4) return img;
  const TColor fill = ColorToRGB(color), line = ColorToRGB(outline);
  Fill(img, 1, h - 4, w - 1, h, fill);
  Frame(img, 1, h - 4, w - 1, h, line);
  return img;
}

TImage FontColorGlyph() {
  TImage img = Blank();
  // An "A": two legs and a bar.
  for (int y = 1; y < 11; ++y) {
    const int dx = (y - 1) / 2;
    img.SetPixel(7 - dx, y, clBlack);
    img.SetPixel(8 + dx, y, clBlack);
  }
  Fill(img, 5, 7, 11, 8, clBlack);
  return img;
}

TImage BackColorGlyph() {
  TImage img = Blank();
  // A tilted bucket.
  for (int y = 2; y < 10; ++y) {
    const int x0 = 3 + (y - 2) / 2, x1 = 12 - std::abs(y - 6) / 2;
    Fill(img, x0, y, x1, y + 1, y == 2 || y == 9 ? TColor(clBlack) : TColor(0xE0E0E0));
    img.SetPixel(x0, y, clBlack);
    img.SetPixel(x1 - 1, y, clBlack);
  }
  Fill(img, 13, 6, 14, 10, clBlack);
  return img;
}

}  // namespace qv
