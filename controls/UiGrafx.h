// Colour arithmetic in hue/saturation/luminance and gradient fills, shared
// by every framed control of this library.
//
// Hue, saturation and luminance are bytes on a 0..240 scale (the Windows
// colour dialog's scale). Every routine turns system colours into RGB first.
#pragma once

#include <cstdint>

#include "platform/core/Canvas.h"
#include "platform/core/Image.h"

namespace qv {

// The H, S, L of a colour, each the integer nearest to 240 x the fraction.
void ColorToHSL(TColor color, std::uint8_t& h, std::uint8_t& s, std::uint8_t& l);
// An RGB colour from H, S, L. L may go up to 255 (LighterColor allows it);
// channels above full intensity are clipped.
TColor HSLToColor(int h, int s, int l);
// Luminance moved down (clipped at 0) or up (clipped at 255), H and S kept.
TColor DarkerColor(TColor color, int amount);
TColor LighterColor(TColor color, int amount);
// Negative amounts darken, positive ones lighten, 0 returns the colour.
TColor AdjustColor(TColor color, int amount);
// Each channel the integer nearest to c1 x w + c2 x (1 - w), w = percent / 255.
TColor BlendColors(TColor color1, TColor color2, int percent);
// Hues closer than 20 and luminances closer than 60.
bool ColorsClose(TColor color1, TColor color2);
std::uint8_t ColorHue(TColor color);

// Whether the display shows more than 256 colours. True on every display
// this program runs on; tests may pretend otherwise.
bool HighColorDisplay();
void SetHighColorDisplay(bool value);

// Gradient kinds.
enum TGradientKind : std::uint8_t {
  gkDiagonal = 0,         // top-left to bottom-right
  gkDiagonalReverse = 1,  // top-right to bottom-left
  gkVertical = 2,         // start colour at the bottom, stop colour at the top
  gkVerticalCenter = 3,   // start colour at the middle line, stop at top and bottom
  gkRectangle = 4,        // nested rectangles from the centre outwards
  gkHorizontal = 5,       // start colour at the right, stop colour at the left
  gkHorizontalCenter = 6,
  gkRectangleWide = 7,
  gkRectangleTall = 8,
  gkRectangleSquare = 9
};

// The gradient as an image of width x height (empty when either is below 1).
// colorBands sets how coarse the bands are: up to 8 it is the band length in
// lines, above 8 the length is 255 div colorBands + 1.
TImage MakeGradientImage(int width, int height, TGradientKind kind, int colorBands,
                         TColor startColor, TColor stopColor);
// Fills rect with the gradient; an empty rectangle draws nothing.
void DrawGradient(TCanvas& canvas, const TRect& rect, TGradientKind kind, int colorBands,
                  TColor startColor, TColor stopColor);

}  // namespace qv
