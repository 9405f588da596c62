#include "support/KitAppUtils.h"

#include <algorithm>

#include "platform/core/SysUtils.h"
#include "support/KitStrUtils.h"

namespace qv {

// ---------------------------------------------------------------------------
// Settings objects

TIniSettings::TIniSettings(const std::string& fileName) : ini_(IniFilePath(fileName)) {}

std::string TIniSettings::ReadString(std::string_view section, std::string_view ident,
                                     std::string_view def) const {
  return ini_.ReadString(section, ident, def);
}

void TIniSettings::WriteString(std::string_view section, std::string_view ident,
                               std::string_view value) {
  ini_.WriteString(section, ident, value);
}

void TIniSettings::EraseSection(std::string_view section) { ini_.EraseSection(section); }

void TIniSettings::ReadSection(std::string_view section, TStrings& keys) const {
  ini_.ReadSection(section, keys);
}

void TIniSettings::Flush() { ini_.UpdateFile(); }

namespace {

// Roots the registry stand-in has no root of its own for are kept as the
// first part of the key path.
std::string rootPrefix(TPlacementRegRoot root) {
  switch (root) {
    case prCurrentConfig:
      return "\\HKEY_CURRENT_CONFIG\\";
    case prDynData:
      return "\\HKEY_DYN_DATA\\";
    default:
      return "\\";
  }
}

TRootKey rootKeyOf(TPlacementRegRoot root) {
  switch (root) {
    case prLocalMachine:
      return TRootKey::HKEY_LOCAL_MACHINE;
    case prClassesRoot:
      return TRootKey::HKEY_CLASSES_ROOT;
    case prUsers:
      return TRootKey::HKEY_USERS;
    default:
      return TRootKey::HKEY_CURRENT_USER;
  }
}

}  // namespace

TRegSettings::TRegSettings(std::string baseKey, TPlacementRegRoot root, bool forWriting,
                           const std::string& registryFile)
    : forWriting_(forWriting),
      reg_(registryFile.empty() ? TRegistryStore() : TRegistryStore(registryFile)) {
  std::string k = Trim(baseKey);
  while (!k.empty() && k.front() == '\\') k.erase(k.begin());
  baseKey_ = rootPrefix(root) + k;
  reg_.RootKey = rootKeyOf(root);
}

std::string TRegSettings::keyOf(std::string_view section) const {
  return section.empty() ? baseKey_ : baseKey_ + "\\" + std::string(section);
}

std::string TRegSettings::ReadString(std::string_view section, std::string_view ident,
                                     std::string_view def) const {
  if (!reg_.OpenKey(keyOf(section), false) || !reg_.ValueExists(ident)) return std::string(def);
  return reg_.ReadString(ident);
}

void TRegSettings::WriteString(std::string_view section, std::string_view ident,
                               std::string_view value) {
  if (!forWriting_) return;
  if (reg_.OpenKey(keyOf(section), true)) reg_.WriteString(ident, value);
}

void TRegSettings::EraseSection(std::string_view section) {
  if (forWriting_) reg_.DeleteKey(keyOf(section));
}

void TRegSettings::ReadSection(std::string_view section, TStrings& keys) const {
  keys.Clear();
  if (reg_.OpenKey(keyOf(section), false)) reg_.GetValueNames(keys);
}

// ---------------------------------------------------------------------------
// Names

std::string GetDefaultIniName() { return SettingsFileName(); }

std::string IniFilePath(std::string_view iniFileName) {
  const std::string name = Trim(iniFileName);
  if (name.empty()) return GetDefaultIniName();
  if (name.find('/') == std::string::npos) return SettingsDir() + name;
  return name;
}

std::string GetDefaultIniRegKey() { return "Software\\Quorvane"; }

std::string GetDefaultSection(TSectionOwnerKind kind, std::string_view outer,
                              std::string_view name) {
  switch (kind) {
    case TSectionOwnerKind::Form:
      return std::string(outer);
    case TSectionOwnerKind::ControlOnForm:
    case TSectionOwnerKind::ControlWithoutForm:
      return std::string(outer) + std::string(name);
    case TSectionOwnerKind::ComponentOfForm:
      return std::string(outer) + "." + std::string(name);
  }
  return std::string(name);
}

// ---------------------------------------------------------------------------
// Single values

std::string IniReadString(const TSettingsObject* ini, std::string_view section,
                          std::string_view ident, std::string_view def) {
  return ini ? ini->ReadString(section, ident, def) : std::string(def);
}

void IniWriteString(TSettingsObject* ini, std::string_view section, std::string_view ident,
                    std::string_view value) {
  if (ini) ini->WriteString(section, ident, value);
}

int IniReadInteger(const TSettingsObject* ini, std::string_view section, std::string_view ident,
                   int def) {
  if (!ini) return def;
  const std::string s = ini->ReadString(section, ident, "");
  int v;
  return TryStrToInt(s, v) ? v : def;
}

void IniWriteInteger(TSettingsObject* ini, std::string_view section, std::string_view ident,
                     int value) {
  if (ini) ini->WriteString(section, ident, IntToStr(value));
}

void IniEraseSection(TSettingsObject* ini, std::string_view section) {
  if (ini) ini->EraseSection(section);
}

// ---------------------------------------------------------------------------
// Placement of a form

namespace {

const TSysCharSet kPosDelims(" ,");

// Integer n (1-based) of a comma or blank separated list; def when the part
// is missing or not a number.
int posPart(const std::string& s, int n, int def) {
  int v;
  return TryStrToInt(ExtractWord(n, s, kPosDelims), v) ? v : def;
}

// The value of the screen-suffixed key, or of the plain key when that is empty.
std::string readPos(const TSettingsObject* ini, std::string_view section, const std::string& key,
                    const std::string& suffix) {
  std::string s = IniReadString(ini, section, key + suffix, "");
  if (s.empty()) s = IniReadString(ini, section, key, "");
  return s;
}

// A rectangle that touches no screen is moved into the primary work area,
// keeping its size where it fits.
TRect keepOnScreen(const TRect& r, const std::vector<TRect>& areas) {
  if (areas.empty()) return r;
  for (const TRect& a : areas) {
    TRect x;
    if (IntersectRect(x, a, r)) return r;
  }
  const TRect& wa = areas.front();
  const int left = std::max(wa.Left, std::min(r.Left, wa.Right - r.Width()));
  const int top = std::max(wa.Top, std::min(r.Top, wa.Bottom - r.Height()));
  return Bounds(left, top, r.Width(), r.Height());
}

bool ownsApplication(const TFormWindow& form) {
  return form.IsMainForm() || !form.MainFormExists();
}

}  // namespace

std::string ScreenSizeSuffix(const TFormWindow& form) {
  const TSize s = form.ScreenSize();
  return Format("(%dx%d)", s.cx, s.cy);
}

void WriteFormPlacement(const TFormWindow& form, TSettingsObject* ini, std::string_view section) {
  TWindowPlacement wp = form.GetWindowPlacement();
  if (form.IsMainForm() && form.ApplicationMinimized()) wp.showCmd = SW_SHOWMINIMIZED;
  if (form.FormStyle() == fsMDIChild && form.WindowState() == wsMinimized)
    wp.flags |= WPF_SETMINPOSITION;
  IniWriteInteger(ini, section, "Flags", int(wp.flags));
  IniWriteInteger(ini, section, "ShowCmd", int(wp.showCmd));
  IniWriteInteger(ini, section, "PixelsPerInch", form.ScreenPixelsPerInch());
  const std::string suffix = ScreenSizeSuffix(form);
  const std::string minMax = Format("%d,%d,%d,%d", wp.ptMinPosition.X, wp.ptMinPosition.Y,
                                    wp.ptMaxPosition.X, wp.ptMaxPosition.Y);
  const TRect& n = wp.rcNormalPosition;
  const std::string norm = Format("%d,%d,%d,%d", n.Left, n.Top, n.Right, n.Bottom);
  IniWriteString(ini, section, "MinMaxPos" + suffix, minMax);
  IniWriteString(ini, section, "MinMaxPos", minMax);
  IniWriteString(ini, section, "NormPos" + suffix, norm);
  IniWriteString(ini, section, "NormPos", norm);
}

void ReadFormPlacement(TFormWindow& form, const TSettingsObject* ini, std::string_view section,
                       bool loadState, bool loadPosition) {
  if (!loadState && !loadPosition) return;
  TWindowPlacement wp = form.GetWindowPlacement();
  if (!form.Visible()) wp.showCmd = SW_HIDE;
  if (loadPosition) {
    const std::string suffix = ScreenSizeSuffix(form);
    bool found = false;
    wp.flags = unsigned(IniReadInteger(ini, section, "Flags", int(wp.flags)));
    const std::string minMax = readPos(ini, section, "MinMaxPos", suffix);
    if (!minMax.empty()) {
      wp.ptMinPosition = {posPart(minMax, 1, 0), posPart(minMax, 2, 0)};
      wp.ptMaxPosition = {posPart(minMax, 3, 0), posPart(minMax, 4, 0)};
      found = true;
    }
    const std::string norm = readPos(ini, section, "NormPos", suffix);
    if (!norm.empty()) {
      const TRect b = form.BoundsRect();
      wp.rcNormalPosition = {posPart(norm, 1, b.Left), posPart(norm, 2, b.Top),
                             posPart(norm, 3, b.Right), posPart(norm, 4, b.Bottom)};
      found = true;
    }
    const int ppi = form.ScreenPixelsPerInch();
    if (IniReadInteger(ini, section, "PixelsPerInch", ppi) != ppi) found = false;
    if (found) {
      TRect& r = wp.rcNormalPosition;
      const TFormBorderStyle bs = form.BorderStyle();
      if (bs != bsSizeable && bs != bsSizeToolWin) {
        const TRect b = form.BoundsRect();
        r = Bounds(r.Left, r.Top, b.Width(), b.Height());
      }
      if (r.Right > r.Left) {
        r = keepOnScreen(r, form.ScreenWorkAreas());
        if (form.Position() == poScreenCenter || form.Position() == poDesktopCenter)
          form.SetPosition(poDesigned);
        form.SetWindowPlacement(wp);
      }
    }
  }
  if (loadState) {
    TWindowState state = wsNormal;
    const TFormStyle style = form.FormStyle();
    if (ownsApplication(form) &&
        (style == fsMDIForm || (style == fsNormal && form.Position() == poDefault)))
      state = wsMaximized;
    switch (IniReadInteger(ini, section, "ShowCmd", SW_HIDE)) {
      case SW_SHOWNORMAL:
      case SW_SHOW:
      case SW_RESTORE:
        state = wsNormal;
        break;
      case SW_SHOWMINIMIZED:
      case SW_MINIMIZE:
      case SW_SHOWMINNOACTIVE:
        state = wsMinimized;
        break;
      case SW_SHOWMAXIMIZED:
        state = wsMaximized;
        break;
      default:
        break;
    }
    if (state == wsMinimized && ownsApplication(form)) {
      form.SetWindowState(wsNormal);
      form.MinimizeApplication();
      return;
    }
    form.SetWindowState(state);
  }
  form.Repaint();
}

}  // namespace qv
