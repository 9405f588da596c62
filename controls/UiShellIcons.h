// The system image lists of the shell controls: one of 16 x 16 and one of
// 32 x 32 images, indexed by TShellIcon (UiShellUtils.h), shared by every
// shell list, combo and tree and owned by none of them. The share and link
// images are registered as overlays 1 and 2.
//
// The images start as simple pictures drawn here, so the controls work
// without a desktop icon theme; the Qt layer replaces them with the
// theme's icons (ReplaceSystemIcon).
#pragma once

#include "controls/UiShellUtils.h"
#include "platform/core/Image.h"
#include "platform/core/ImageList.h"

namespace qv {

// small: 16 x 16, else 32 x 32. Created on first use (UI thread).
TCustomImageList& SystemImageList(bool small);
// Replaces an image in both lists (each image sized for its list by the
// caller); pixels of clFuchsia are transparent.
void ReplaceSystemIcon(TShellIcon icon, const TImage& small, const TImage& large);

}  // namespace qv
