// Formatted text output into a rectangle, after the Windows DrawText
// routine: alignment, word breaking, end ellipsis, tab expansion, and a
// measuring mode. Text goes out through the canvas's TextOut/ExtTextOut in
// its current font, colours and background mode.
//
// Lines end at CR LF, LF or CR (with DT_SINGLELINE they are drawn as one
// line). With DT_WORDBREAK a line breaks at blanks so that it fits the
// rectangle's width; a word wider than the rectangle stands alone on its
// line. DT_END_ELLIPSIS shortens a line that does not fit and ends it with
// "...". Each line is TextMetrics().tmHeight high. DT_VCENTER and DT_BOTTOM
// place a single line (DT_SINGLELINE) inside the rectangle; multi-line text
// always starts at the top. Without DT_NOCLIP the output is clipped to the
// rectangle.
#pragma once

#include <string>

#include "platform/core/Canvas.h"

namespace qv {

constexpr unsigned DT_TOP = 0x0;
constexpr unsigned DT_LEFT = 0x0;
constexpr unsigned DT_CENTER = 0x1;
constexpr unsigned DT_RIGHT = 0x2;
constexpr unsigned DT_VCENTER = 0x4;
constexpr unsigned DT_BOTTOM = 0x8;
constexpr unsigned DT_WORDBREAK = 0x10;
constexpr unsigned DT_SINGLELINE = 0x20;
constexpr unsigned DT_EXPANDTABS = 0x40;
constexpr unsigned DT_NOCLIP = 0x100;
constexpr unsigned DT_CALCRECT = 0x400;
constexpr unsigned DT_NOPREFIX = 0x800;
constexpr unsigned DT_END_ELLIPSIS = 0x8000;

// Draws text (UTF-8) into r and returns the height of the text. With
// DT_CALCRECT nothing is drawn: r's bottom becomes top + text height and,
// without DT_WORDBREAK, its right becomes left + the widest line.
int DrawText(TCanvas& canvas, const std::string& text, TRect& r, unsigned flags);

}  // namespace qv
