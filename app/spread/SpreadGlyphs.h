// The small pictures of the data sheet window, drawn pixel by pixel (no
// canvas needed): the worksheet tree's images, the images of the alignment
// and border drop-downs, and the colour buttons' indicator bar.
//
// Pictures are 16 x 16. Pixels of kGlyphClear (the bottom-left pixel, as the
// buttons take it) are transparent.
#pragma once

#include "platform/core/Image.h"

namespace qv {

inline constexpr TColor kGlyphClear = 0xFF00FF;

// 0 worksheet, 1 worksheet when selected, 2 folder.
TImage TreeGlyph(int index);
// Tag t of the alignment drop-down: vertical t div 3 (bottom, centre, top),
// horizontal t mod 3 (left, centre, right).
TImage AlignGlyph(int tag);
// Tag 0..9 of the border drop-down: none, all but diagonals, outer, inner,
// left, right, top, bottom, and the two diagonals.
TImage BorderGlyph(int tag);
// The glyph with its bottom four pixel rows made a bar of color, outlined
// in outline; the bar leaves the first and last columns alone, so that the
// bottom-left pixel, and with it the glyph's transparent colour, stays.
TImage IndicatorGlyph(const TImage& glyph, TColor color, TColor outline);
// The glyphs of the font colour ("A") and back colour (a bucket) buttons.
TImage FontColorGlyph();
TImage BackColorGlyph();

}  // namespace qv
