#include "controls/UiGrafx.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "platform/core/MathUtils.h"

namespace qv {

namespace {

int NearestByte(double v) { return int(std::clamp<std::int64_t>(Round(v), 0, 255)); }

bool highColor = true;

}  // namespace

void ColorToHSL(TColor color, std::uint8_t& h, std::uint8_t& s, std::uint8_t& l) {
  const TColor rgb = ColorToRGB(color);
  const double r = GetRValue(rgb) / 255.0, g = GetGValue(rgb) / 255.0, b = GetBValue(rgb) / 255.0;
  const double mx = std::max({r, g, b}), mn = std::min({r, g, b});
  const double lum = (mx + mn) / 2;
  double hue = 0, sat = 0;
  if (mx != mn) {
    const double d = mx - mn;
    sat = lum < 0.5 ? d / (mx + mn) : d / (2 - mx - mn);
    if (r == mx)
      hue = (g - b) / d;
    else if (g == mx)
      hue = 2 + (b - r) / d;
    else
      hue = 4 + (r - g) / d;
    hue /= 6;
    if (hue < 0) hue += 1;
  }
  h = std::uint8_t(std::clamp<std::int64_t>(Round(240 * hue), 0, 255));
  s = std::uint8_t(std::clamp<std::int64_t>(Round(240 * sat), 0, 255));
  l = std::uint8_t(std::clamp<std::int64_t>(Round(240 * lum), 0, 255));
}

TColor HSLToColor(int hIn, int sIn, int lIn) {
  // The hue is divided by 239, saturation and luminance by 240; the hue
  // scale is one short so that 239 closes the circle.
  const double h = hIn / 239.0, s = sIn / 240.0, l = lIn / 240.0;
  const double m2 = l < 0.5 ? l * (1 + s) : l + s - l * s;
  if (m2 <= 0) return clBlack;
  const double m1 = 2 * l - m2;
  const int k = int(std::trunc(6 * h));
  const double f = 6 * h - k;
  const double span = m2 * ((m2 - m1) / m2);
  const double rise = m1 + span * f, fall = m2 - span * f;
  double r, g, b;
  switch (k) {
    case 1:
      r = fall, g = m2, b = m1;
      break;
    case 2:
      r = m1, g = m2, b = rise;
      break;
    case 3:
      r = m1, g = fall, b = m2;
      break;
    case 4:
      r = rise, g = m1, b = m2;
      break;
    case 5:
      r = m2, g = m1, b = fall;
      break;
    default:
      r = m2, g = rise, b = m1;
      break;
  }
  return RGB(NearestByte(255 * std::min(r, 1.0)), NearestByte(255 * std::min(g, 1.0)),
             NearestByte(255 * std::min(b, 1.0)));
}

TColor DarkerColor(TColor color, int amount) {
  std::uint8_t h, s, l;
  ColorToHSL(color, h, s, l);
  return HSLToColor(h, s, std::max(int(l) - amount, 0));
}

TColor LighterColor(TColor color, int amount) {
  std::uint8_t h, s, l;
  ColorToHSL(color, h, s, l);
  return HSLToColor(h, s, std::min(int(l) + amount, 255));
}

TColor AdjustColor(TColor color, int amount) {
  if (amount < 0) return DarkerColor(color, -amount);
  if (amount > 0) return LighterColor(color, amount);
  return color;
}

TColor BlendColors(TColor color1, TColor color2, int percent) {
  const TColor a = ColorToRGB(color1), b = ColorToRGB(color2);
  const double w = percent / 255.0;
  auto mix = [w](int c1, int c2) { return NearestByte(c1 * w + c2 * (1 - w)); };
  return RGB(mix(GetRValue(a), GetRValue(b)), mix(GetGValue(a), GetGValue(b)),
             mix(GetBValue(a), GetBValue(b)));
}

bool ColorsClose(TColor color1, TColor color2) {
  std::uint8_t h1, s1, l1, h2, s2, l2;
  ColorToHSL(color1, h1, s1, l1);
  ColorToHSL(color2, h2, s2, l2);
  return std::abs(h1 - h2) < 20 && std::abs(l1 - l2) < 60;
}

std::uint8_t ColorHue(TColor color) {
  std::uint8_t h, s, l;
  ColorToHSL(color, h, s, l);
  return h;
}

bool HighColorDisplay() { return highColor; }
void SetHighColorDisplay(bool value) { highColor = value; }

// ---- gradients -------------------------------------------------------------

namespace {

// A colour stepped line by line in 16.16 fixed point from one colour
// towards another over a number of lines.
class TColorStepper {
 public:
  TColorStepper(TColor from, TColor to, int lines) {
    const int n = std::max(lines, 1);
    const int f[3] = {GetRValue(from), GetGValue(from), GetBValue(from)};
    const int t[3] = {GetRValue(to), GetGValue(to), GetBValue(to)};
    for (int i = 0; i < 3; ++i) {
      value_[i] = f[i] << 16;
      step_[i] = ((t[i] - f[i]) << 16) / n;
    }
  }
  TColor Color() const { return RGB(value_[0] >> 16, value_[1] >> 16, value_[2] >> 16); }
  void Next() {
    for (int i = 0; i < 3; ++i) value_[i] += step_[i];
  }

 private:
  int value_[3] = {};
  int step_[3] = {};
};

// The lines' colours of one banded run: a band keeps the colour it started
// with and ends at the first line whose stepped colour differs once it is
// longer than bandLength lines.
std::vector<TColor> BandedRun(int lines, int bandLength, TColor from, TColor to) {
  std::vector<TColor> out;
  if (lines <= 0) return out;
  out.reserve(std::size_t(lines));
  TColorStepper step(from, to, lines);
  TColor band = step.Color();
  int length = 0;
  for (int i = 0; i < lines; ++i) {
    const TColor c = step.Color();
    if (length > bandLength && c != band) {
      band = c;
      length = 0;
    }
    out.push_back(band);
    ++length;
    step.Next();
  }
  return out;
}

int BandLength(int colorBands) {
  int g = colorBands <= 8 ? colorBands : 255 / colorBands + 1;
  return std::max(g - 1, 0);
}

// Colours of `lines` lines, index 0 at the far (stop) end: a whole run from
// the last line (start colour) to the first (stop colour).
std::vector<TColor> LinearLines(int lines, int g, TColor start, TColor stop) {
  std::vector<TColor> run = BandedRun(lines, g, start, stop);
  std::reverse(run.begin(), run.end());
  return run;
}

// Colours of `lines` lines banded from the middle: the first half runs from
// line lines div 2 + 1 up to line 0 (start to stop), the second half from
// the last line up to line lines div 2 + 2 with the colours exchanged.
std::vector<TColor> CenterLines(int lines, int g, TColor start, TColor stop) {
  std::vector<TColor> out(std::size_t(lines), start);
  const int mid = lines / 2 + 1;
  const int upper = std::min(mid, lines - 1);
  std::vector<TColor> up = BandedRun(upper + 1, g, start, stop);
  for (int i = 0; i <= upper; ++i) out[std::size_t(upper - i)] = up[std::size_t(i)];
  const int lowerTop = mid + 1;
  if (lowerTop < lines) {
    std::vector<TColor> low = BandedRun(lines - lowerTop, g, stop, start);
    for (int i = 0; i < lines - lowerTop; ++i)
      out[std::size_t(lines - 1 - i)] = low[std::size_t(i)];
  }
  return out;
}

}  // namespace

TImage MakeGradientImage(int width, int height, TGradientKind kind, int colorBands,
                         TColor startColor, TColor stopColor) {
  if (width <= 0 || height <= 0) return TImage();
  const TColor start = ColorToRGB(startColor), stop = ColorToRGB(stopColor);
  TImage img(width, height, start);
  const int g = BandLength(colorBands);
  auto fillRows = [&](const std::vector<TColor>& rows) {
    for (int y = 0; y < height; ++y) {
      const std::uint32_t p = TImage::ToPixel(rows[std::size_t(y)]);
      std::fill(img.ScanLine(y), img.ScanLine(y) + width, p);
    }
  };
  auto fillColumns = [&](const std::vector<TColor>& cols) {
    for (int y = 0; y < height; ++y) {
      std::uint32_t* line = img.ScanLine(y);
      for (int x = 0; x < width; ++x) line[x] = TImage::ToPixel(cols[std::size_t(x)]);
    }
  };
  switch (kind) {
    case gkVertical:
      fillRows(LinearLines(height, g, start, stop));
      break;
    case gkHorizontal:
      fillColumns(LinearLines(width, g, start, stop));
      break;
    case gkVerticalCenter:
      fillRows(CenterLines(height, g, start, stop));
      break;
    case gkHorizontalCenter:
      fillColumns(CenterLines(width, g, start, stop));
      break;
    case gkRectangle:
    case gkRectangleWide:
    case gkRectangleTall:
    case gkRectangleSquare: {
      // One quarter as nested rectangles from the centre outwards, mirrored
      // into the other three.
      int hw = (width + 1) / 2, hh = (height + 1) / 2;
      if (kind == gkRectangle) hh -= width / 4;
      if (kind == gkRectangleWide) hw -= height / 4;
      if (kind == gkRectangleSquare) hw -= height / 4, hh -= width / 4;
      hw = std::max(hw, 1);
      hh = std::max(hh, 1);
      const int steps = std::max(hw, hh);
      std::vector<TColor> ring = BandedRun(steps, g, start, stop);
      const double cx = (width - 1) / 2.0, cy = (height - 1) / 2.0;
      for (int y = 0; y < height; ++y) {
        std::uint32_t* line = img.ScanLine(y);
        for (int x = 0; x < width; ++x) {
          const double dx = std::abs(x - cx) / hw, dy = std::abs(y - cy) / hh;
          const int i = std::clamp(int(std::max(dx, dy) * steps), 0, steps - 1);
          line[x] = TImage::ToPixel(ring[std::size_t(i)]);
        }
      }
      break;
    }
    case gkDiagonal:
    case gkDiagonalReverse: {
      if (start == stop) break;
      const int steps = int(std::sqrt(double(width) * width + double(height) * height)) + 1;
      std::vector<TColor> diag = BandedRun(steps, g, start, stop);
      const double span = std::max(width + height - 2, 1);
      for (int y = 0; y < height; ++y) {
        std::uint32_t* line = img.ScanLine(y);
        for (int x = 0; x < width; ++x) {
          const int along = kind == gkDiagonal ? x + y : (width - 1 - x) + y;
          const int i = std::clamp(int(along / span * (steps - 1)), 0, steps - 1);
          line[x] = TImage::ToPixel(diag[std::size_t(i)]);
        }
      }
      break;
    }
  }
  return img;
}

void DrawGradient(TCanvas& canvas, const TRect& rect, TGradientKind kind, int colorBands,
                  TColor startColor, TColor stopColor) {
  if (rect.IsEmpty()) return;
  TImage img =
      MakeGradientImage(rect.Width(), rect.Height(), kind, colorBands, startColor, stopColor);
  canvas.Draw(rect.Left, rect.Top, img);
}

}  // namespace qv
