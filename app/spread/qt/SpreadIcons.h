// The pictures of the data sheet window's tool bars as Qt icons: the
// glyphs of SpreadGlyphs.h, and small drawings for the other tool buttons.
#pragma once

#include <QIcon>
#include <QImage>

#include "platform/core/Image.h"

namespace qv {

// A glyph with its transparent colour cleared.
QImage GlyphQImage(const TImage& img);
QIcon GlyphIcon(const TImage& img);
// Insert (green) or delete (red) rows or columns.
QIcon GridIcon(bool rows, bool insert);
QIcon SortIcon(bool ascending);
QIcon ChartIcon();
// 0 cut, 1 copy, 2 paste.
QIcon ClipboardIcon(int kind);
QIcon ScaleIcon();
// 0 merge, 1 line merge, 2 row merge, 3 split.
QIcon MergeIcon(int kind);

}  // namespace qv
