// The process-wide theme services: opens a theme per element class on
// demand, maps element details (class, part, state) and draws elements, and
// follows theme changes of the desktop.
//
// Controls draw in the visual style only when ThemesEnabled() is true (and
// their FramingPreference asks for it); otherwise they draw classic frames.
// The watched application window is represented by WindowProc: the GUI
// layer forwards the application's theme-change and destroy notifications
// to it while the services watch (controls/qt does so for the application).
#pragma once

#include <array>
#include <cstdint>
#include <functional>

#include "controls/UiUxTheme.h"
#include "platform/core/Canvas.h"

namespace qv {

// Element classes, in the order of their theme class names.
enum TThemedElement : std::uint8_t {
  teButton,
  teClock,
  teComboBox,
  teEdit,
  teExplorerBar,
  teHeader,
  teListView,
  teMenu,
  tePage,
  teProgress,
  teRebar,
  teScrollBar,
  teSpin,
  teStartPanel,
  teStatus,
  teTab,
  teTaskBand,
  teTaskBar,
  teToolBar,
  teToolTip,
  teTrackBar,
  teTrayNotify,
  teTreeview,
  teWindow
};
constexpr int ThemedElementCount = 24;
// The theme class name of an element class.
const char* ThemedElementClassName(TThemedElement element);

// One drawable element: class, and the visual-styles part and state numbers.
struct TThemedElementDetails {
  TThemedElement Element = teButton;
  int Part = 0;
  int State = 0;
  friend bool operator==(const TThemedElementDetails&, const TThemedElementDetails&) = default;
};

// Detail kinds of the combo box (class 2).
enum TThemedComboBox : std::uint8_t {
  tcComboBoxDontCare,
  tcComboBoxRoot,
  tcDropDownButtonNormal,
  tcDropDownButtonHot,
  tcDropDownButtonPressed,
  tcDropDownButtonDisabled
};

// Detail kinds of the spin buttons (class 12): up, down, horizontal up
// (pointing right) and horizontal down (pointing left), each normal, hot,
// pressed and disabled.
enum TThemedSpin : std::uint8_t {
  tsSpinDontCare,
  tsSpinRoot,
  tsUpNormal,
  tsUpHot,
  tsUpPressed,
  tsUpDisabled,
  tsDownNormal,
  tsDownHot,
  tsDownPressed,
  tsDownDisabled,
  tsUpHorzNormal,
  tsUpHorzHot,
  tsUpHorzPressed,
  tsUpHorzDisabled,
  tsDownHorzNormal,
  tsDownHorzHot,
  tsDownHorzPressed,
  tsDownHorzDisabled
};

// Detail kinds of the window class (class 23) run from 0 to 104; these are
// the ones this library draws (the small close button, part 19).
using TThemedWindow = int;
constexpr TThemedWindow twSmallCloseButtonNormal = 56;
constexpr TThemedWindow twSmallCloseButtonHot = 57;
constexpr TThemedWindow twSmallCloseButtonPushed = 58;
constexpr TThemedWindow twSmallCloseButtonDisabled = 59;

// Window messages the watched window forwards.
constexpr int WM_DESTROY = 0x0002;
constexpr int WM_THEMECHANGED = 0x031A;

class TThemeServices {
 public:
  // watchWindow: whether an application window is watched for theme changes.
  explicit TThemeServices(bool watchWindow);
  virtual ~TThemeServices();
  TThemeServices(const TThemeServices&) = delete;
  TThemeServices& operator=(const TThemeServices&) = delete;

  // The theme of an element class, opened on first use; 0 while themes are
  // not available.
  HTHEME Theme(TThemedElement element);
  // Themes are loaded, available and allowed for controls.
  bool ThemesEnabled() const { return useThemes_ && themesAvailable_ && controlsEnabled_; }
  bool ThemesAvailable() const { return themesAvailable_; }
  bool ControlsEnabled() const { return controlsEnabled_; }
  bool Watching() const { return watching_; }

  static TThemedElementDetails GetElementDetails(TThemedComboBox detail);
  static TThemedElementDetails GetElementDetails(TThemedSpin detail);
  static TThemedElementDetails GetElementDetailsWindow(TThemedWindow detail);

  // Draws the element's background (nothing while its theme is closed).
  void DrawElement(TCanvas& canvas, const TThemedElementDetails& details, const TRect& rect,
                   const TRect* clipRect = nullptr);
  // Re-reads the availability flags after closing every open theme.
  void UpdateThemes();
  // Closes every open theme (nothing once the watched window is gone).
  void UnloadThemeData();
  // The watched window's messages: WM_DESTROY ends the watch, WM_THEMECHANGED
  // updates the themes and fires OnThemeChange. Ignored when not watching.
  void WindowProc(int message);

  std::function<void()> OnThemeChange;

 protected:
  virtual void DoOnThemeChange();

 private:
  bool useThemes_ = false;
  bool themesAvailable_ = false;
  bool controlsEnabled_ = false;
  bool watching_ = false;
  bool windowGone_ = false;
  std::array<HTHEME, ThemedElementCount> themes_{};
};

// The one global instance, created on first call (watching the application).
TThemeServices& ThemeServices();
// Frees the global instance; the next ThemeServices() call creates a new one
// (after the theme provider changed, e.g. in tests).
void FreeThemeServices();

}  // namespace qv
