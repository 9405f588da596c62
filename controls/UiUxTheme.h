// Run-time binding of the visual-styles library.
//
// The framed controls draw their borders and buttons in the desktop's
// visual style when one is available, and classic frames otherwise. The
// style engine is a library that may be missing: here it is a TUxThemeLibrary
// obtained from the installed provider (controls/qt installs one over
// QStyle). Without a provider, or with a provider that declines (the forced
// classic mode of tests), LoadUxTheme fails and every control draws classic
// frames; nothing is reported.
//
// Loading is counted: LoadUxTheme and FreeUxTheme pair up, and the library
// is released when the count returns to 0. The count and the library are
// guarded by one mutex; drawing happens on the UI thread only.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "platform/core/Canvas.h"

namespace qv {

// An open theme of one element class; 0 is no theme.
using HTHEME = std::intptr_t;

// Bit 1 of the theme application properties: themed controls are allowed.
constexpr unsigned STAP_ALLOW_NONCLIENT = 1;
constexpr unsigned STAP_ALLOW_CONTROLS = 2;
constexpr unsigned STAP_ALLOW_WEBCONTENT = 4;

// The entry points of the style library that this program uses. A library
// may offer more (HasEntryPoint names them).
class TUxThemeLibrary {
 public:
  virtual ~TUxThemeLibrary() = default;
  // A theme for an element class ("button", "spin", "window", ...); 0 when
  // the class has none.
  virtual HTHEME OpenThemeData(const std::string& classList) = 0;
  virtual void CloseThemeData(HTHEME theme) = 0;
  // Draws part/state of the theme's class into rect, limited to clip when
  // given.
  virtual void DrawThemeBackground(HTHEME theme, TCanvas& canvas, int part, int state,
                                   const TRect& rect, const TRect* clip) = 0;
  virtual bool IsThemeActive() = 0;
  virtual bool IsAppThemed() = 0;
  virtual unsigned GetThemeAppProperties() = 0;
  // The common-controls version the style engine matches (0x60000 = 6.0).
  virtual unsigned CommonControlsVersion() = 0;
  // Whether the library exports the named entry point (one of
  // UxThemeEntryPointNames). The default answers for the six above.
  virtual bool HasEntryPoint(std::string_view name) const;
};

// Creates the library when it is "present"; returns null when it is not.
using TUxThemeProvider = std::function<std::unique_ptr<TUxThemeLibrary>()>;
// Installs the provider (null: no library on this system). A loaded library
// stays loaded until its count drops to 0.
void SetUxThemeProvider(TUxThemeProvider provider);

// The entry-point names looked up when the library loads, in lookup order.
extern const std::array<const char*, 46> UxThemeEntryPointNames;

// Loads the library (once) and counts the request; true when it is loaded.
bool LoadUxTheme();
// Counts one request down; at 0 the library is released and every entry
// point is unbound.
void FreeUxTheme();
// The library is loaded and both IsAppThemed and IsThemeActive hold.
bool UseThemes();
// The loaded library, or null.
TUxThemeLibrary* UxTheme();
// Whether the named entry point is bound (false while not loaded or when
// the library lacks it).
bool UxThemeEntryPointBound(std::string_view name);
// The outstanding load requests (for tests).
int UxThemeLoadCount();

}  // namespace qv
