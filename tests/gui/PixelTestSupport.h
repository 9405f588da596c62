// Helpers shared by the pixel tests of the Qt canvas.
#pragma once

#include <algorithm>

#include "platform/core/Graphics.h"
#include "platform/core/Image.h"

namespace qv::pixeltest {

// A pixel that differs from the white background.
inline bool Ink(const TImage& im, int x, int y) { return im.Pixel(x, y) != clWhite; }

// Bounding box of the pixels differing from white (Right/Bottom exclusive).
inline TRect InkBox(const TImage& img) {
  TRect r(img.Width(), img.Height(), -1, -1);
  for (int y = 0; y < img.Height(); ++y)
    for (int x = 0; x < img.Width(); ++x)
      if (Ink(img, x, y)) {
        r.Left = std::min(r.Left, x);
        r.Top = std::min(r.Top, y);
        r.Right = std::max(r.Right, x + 1);
        r.Bottom = std::max(r.Bottom, y + 1);
      }
  return r;
}

}  // namespace qv::pixeltest
