// Small helpers shared by the control cores (list view, tree view, combo box).
#pragma once

#include <optional>

#include "platform/core/Canvas.h"
#include "platform/core/ControlCore.h"
#include "platform/core/ImageList.h"

namespace qv {

// Fills a rectangle with a solid brush of the colour.
void FillRectWith(TCanvas& canvas, const TRect& rect, TColor color);

// The scroll position a scroll-bar action asks for: line and page steps
// from the current position, the track position, or either end; nothing
// for codes that move nothing (the end of a scroll).
std::optional<int> ScrollTarget(TScrollCode code, int current, int line, int page, int trackPos,
                                int end);

// Moves a control's image-list field to another list (or none), keeping
// the change link registered with the list in use.
void RelinkImages(TCustomImageList*& field, TCustomImageList* value, TChangeLink& link);

}  // namespace qv
