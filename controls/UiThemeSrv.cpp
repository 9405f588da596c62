#include "controls/UiThemeSrv.h"

#include <memory>

namespace qv {

const char* ThemedElementClassName(TThemedElement element) {
  static constexpr const char* names[ThemedElementCount] = {
      "button",   "clock",      "combobox", "edit",       "explorerbar", "header",
      "listview", "menu",       "page",     "progress",   "rebar",       "scrollbar",
      "spin",     "startpanel", "status",   "tab",        "taskband",    "taskbar",
      "toolbar",  "tooltip",    "trackbar", "traynotify", "treeview",    "window"};
  return names[element < ThemedElementCount ? element : 0];
}

TThemeServices::TThemeServices(bool watchWindow) : watching_(watchWindow) {
  useThemes_ = LoadUxTheme();
  UpdateThemes();
}

TThemeServices::~TThemeServices() {
  watching_ = false;
  UnloadThemeData();
  FreeUxTheme();
}

HTHEME TThemeServices::Theme(TThemedElement element) {
  if (element >= ThemedElementCount) return 0;
  if (themesAvailable_ && themes_[element] == 0)
    if (TUxThemeLibrary* lib = UxTheme())
      themes_[element] = lib->OpenThemeData(ThemedElementClassName(element));
  return themes_[element];
}

namespace {

// "Rest" details: part 0, state = kind + 1.
TThemedElementDetails Rest(TThemedElement e, int kind) { return {e, 0, kind + 1}; }

}  // namespace

TThemedElementDetails TThemeServices::GetElementDetails(TThemedComboBox detail) {
  const int k = detail;
  if (k >= tcDropDownButtonNormal && k <= tcDropDownButtonDisabled) return {teComboBox, 1, k - 1};
  return Rest(teComboBox, k);
}

TThemedElementDetails TThemeServices::GetElementDetails(TThemedSpin detail) {
  const int k = detail;
  if (k >= tsUpNormal && k <= tsDownHorzDisabled) {
    const int group = (k - tsUpNormal) / 4;
    return {teSpin, group + 1, k - (tsUpNormal + 4 * group) + 1};
  }
  return Rest(teSpin, k);
}

TThemedElementDetails TThemeServices::GetElementDetailsWindow(TThemedWindow detail) {
  const int k = detail;
  if (k < 2 || k > 104) return Rest(teWindow, k);
  if (k <= 19) {  // parts 1..6, three kinds each
    const int group = (k - 2) / 3;
    return {teWindow, group + 1, k - (2 + 3 * group) + 1};
  }
  if (k <= 31) {  // parts 7..12, two kinds each
    const int group = (k - 20) / 2;
    return {teWindow, group + 7, k - (20 + 2 * group) + 1};
  }
  if (k <= 95) {  // parts 13..28, four kinds each
    const int group = (k - 32) / 4;
    return {teWindow, group + 13, k - (32 + 4 * group) + 1};
  }
  return {teWindow, k - 96 + 29, 1};  // parts 29..37, one kind each
}

void TThemeServices::DrawElement(TCanvas& canvas, const TThemedElementDetails& details,
                                 const TRect& rect, const TRect* clipRect) {
  const HTHEME theme = Theme(details.Element);
  TUxThemeLibrary* lib = UxTheme();
  if (theme == 0 || !lib) return;
  lib->DrawThemeBackground(theme, canvas, details.Part, details.State, rect, clipRect);
}

void TThemeServices::UpdateThemes() {
  if (themesAvailable_) UnloadThemeData();
  TUxThemeLibrary* lib = useThemes_ ? UxTheme() : nullptr;
  themesAvailable_ = lib && UseThemes() && lib->CommonControlsVersion() >= 0x60000;
  if (!themesAvailable_) {
    controlsEnabled_ = false;
    return;
  }
  controlsEnabled_ = (lib->GetThemeAppProperties() & STAP_ALLOW_CONTROLS) != 0;
}

void TThemeServices::UnloadThemeData() {
  if (windowGone_) return;
  TUxThemeLibrary* lib = UxTheme();
  for (HTHEME& t : themes_) {
    if (t != 0 && lib) lib->CloseThemeData(t);
    t = 0;
  }
}

void TThemeServices::WindowProc(int message) {
  if (!watching_) return;
  if (message == WM_DESTROY) {
    // The window is gone: its theme handles go with it.
    watching_ = false;
    windowGone_ = true;
  } else if (message == WM_THEMECHANGED) {
    UpdateThemes();
    DoOnThemeChange();
  }
}

void TThemeServices::DoOnThemeChange() {
  if (OnThemeChange) OnThemeChange();
}

namespace {

std::unique_ptr<TThemeServices>& Global() {
  static std::unique_ptr<TThemeServices> g;
  return g;
}

}  // namespace

TThemeServices& ThemeServices() {
  auto& g = Global();
  if (!g) g = std::make_unique<TThemeServices>(true);
  return *g;
}

void FreeThemeServices() { Global().reset(); }

}  // namespace qv
