#include "controls/UiUxTheme.h"

#include <algorithm>
#include <mutex>
#include <vector>

namespace qv {

const std::array<const char*, 46> UxThemeEntryPointNames = {
    "OpenThemeData",
    "CloseThemeData",
    "DrawThemeBackground",
    "DrawThemeText",
    "GetThemeBackgroundContentRect",
    "GetThemePartSize",
    "GetThemeTextExtent",
    "GetThemeTextMetrics",
    "GetThemeBackgroundRegion",
    "HitTestThemeBackground",
    "DrawThemeEdge",
    "DrawThemeIcon",
    "IsThemePartDefined",
    "IsThemeBackgroundPartiallyTransparent",
    "GetThemeColor",
    "GetThemeMetric",
    "GetThemeString",
    "GetThemeBool",
    "GetThemeInt",
    "GetThemeEnumValue",
    "GetThemePosition",
    "GetThemeFont",
    "GetThemeRect",
    "GetThemeMargins",
    "GetThemeIntList",
    "GetThemePropertyOrigin",
    "SetWindowTheme",
    "GetThemeFilename",
    "GetThemeSysColor",
    "GetThemeSysColorBrush",
    "GetThemeSysBool",
    "GetThemeSysSize",
    "GetThemeSysFont",
    "GetThemeSysString",
    "GetThemeSysInt",
    "IsThemeActive",
    "IsAppThemed",
    "GetWindowTheme",
    "EnableThemeDialogTexture",
    "IsThemeDialogTextureEnabled",
    "GetThemeAppProperties",
    "SetThemeAppProperties",
    "GetCurrentThemeName",
    "GetThemeDocumentationProperty",
    "DrawThemeParentBackground",
    "EnableTheming",
};

bool TUxThemeLibrary::HasEntryPoint(std::string_view name) const {
  static constexpr std::string_view used[] = {"OpenThemeData",       "CloseThemeData",
                                              "DrawThemeBackground", "IsThemeActive",
                                              "IsAppThemed",         "GetThemeAppProperties"};
  return std::find(std::begin(used), std::end(used), name) != std::end(used);
}

namespace {

struct TBinding {
  std::mutex Lock;
  TUxThemeProvider Provider;
  std::unique_ptr<TUxThemeLibrary> Library;
  int LoadCount = 0;
  std::vector<bool> Bound;  // per entry-point name, while loaded
};

TBinding& Binding() {
  static TBinding b;
  return b;
}

void UnbindLocked(TBinding& b) {
  b.Library.reset();
  b.Bound.assign(UxThemeEntryPointNames.size(), false);
}

}  // namespace

void SetUxThemeProvider(TUxThemeProvider provider) {
  TBinding& b = Binding();
  std::lock_guard<std::mutex> lock(b.Lock);
  b.Provider = std::move(provider);
}

bool LoadUxTheme() {
  TBinding& b = Binding();
  std::lock_guard<std::mutex> lock(b.Lock);
  ++b.LoadCount;
  if (!b.Library && b.Provider) {
    b.Library = b.Provider();
    b.Bound.assign(UxThemeEntryPointNames.size(), false);
    if (b.Library)
      for (std::size_t i = 0; i < UxThemeEntryPointNames.size(); ++i)
        b.Bound[i] = b.Library->HasEntryPoint(UxThemeEntryPointNames[i]);
  }
  return b.Library != nullptr;
}

void FreeUxTheme() {
  TBinding& b = Binding();
  std::lock_guard<std::mutex> lock(b.Lock);
  if (b.LoadCount > 0) --b.LoadCount;
  if (b.Library && b.LoadCount == 0) UnbindLocked(b);
}

TUxThemeLibrary* UxTheme() {
  TBinding& b = Binding();
  std::lock_guard<std::mutex> lock(b.Lock);
  return b.Library.get();
}

bool UseThemes() {
  TUxThemeLibrary* lib = UxTheme();
  return lib && lib->IsAppThemed() && lib->IsThemeActive();
}

bool UxThemeEntryPointBound(std::string_view name) {
  TBinding& b = Binding();
  std::lock_guard<std::mutex> lock(b.Lock);
  if (!b.Library) return false;
  for (std::size_t i = 0; i < UxThemeEntryPointNames.size(); ++i)
    if (name == UxThemeEntryPointNames[i]) return b.Bound[i];
  return false;
}

int UxThemeLoadCount() {
  TBinding& b = Binding();
  std::lock_guard<std::mutex> lock(b.Lock);
  return b.LoadCount;
}

}  // namespace qv
