// The visual style over QStyle: the theme library that the framed controls
// draw their themed buttons and frames with, and the watch that tells the
// theme services about desktop style changes.
//
// InstallQtTheme() installs the library's provider and the watch (once; it
// makes the QApplication when there is none). In classic mode the library reports no active
// theme, so every control draws its classic frames: tests force it for
// deterministic pixels. Switching the mode at run time is a theme change.
#pragma once

#include <QImage>

#include "controls/UiUxTheme.h"
#include "platform/core/Image.h"

namespace qv {

class TQtStyleTheme : public TUxThemeLibrary {
 public:
  HTHEME OpenThemeData(const std::string& classList) override;
  void CloseThemeData(HTHEME theme) override;
  void DrawThemeBackground(HTHEME theme, TCanvas& canvas, int part, int state, const TRect& rect,
                           const TRect* clip) override;
  bool IsThemeActive() override;
  bool IsAppThemed() override { return true; }
  unsigned GetThemeAppProperties() override { return STAP_ALLOW_NONCLIENT | STAP_ALLOW_CONTROLS; }
  unsigned CommonControlsVersion() override { return 0x60000; }
};

// Installs the QStyle theme and the style-change watch; with classic set,
// controls draw classic frames until SetClassicTheme(false).
void InstallQtTheme(bool classic = false);
// Forces (or ends) the classic mode; the theme services hear of it as a
// theme change.
void SetClassicTheme(bool classic);
bool ClassicTheme();

// A QImage over the pixels of a TImage (no copy; valid while the image is).
QImage WrapImage(TImage& image);
// A TImage copy of a QImage.
TImage ToTImage(const QImage& image);

}  // namespace qv
