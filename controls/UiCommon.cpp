#include "controls/UiCommon.h"

#include <algorithm>
#include <array>
#include <cctype>

#include "controls/UiGrafx.h"
#include "controls/UiThemeSrv.h"
#include "platform/core/Image.h"
#include "platform/core/SysUtils.h"

namespace qv {

namespace {

constexpr std::array<const char*, 11> frameStyleNames = {
    "fsNone",   "fsFlat",     "fsGroove", "fsBump",  "fsLowered", "fsButtonDown",
    "fsRaised", "fsButtonUp", "fsStatus", "fsPopup", "fsFlatBold"};

// The colours of the one-line styles, and of the two-line styles (outer
// left/top, outer right/bottom, inner left/top, inner right/bottom).
struct TOneLine {
  TColor First, Second;
};
struct TTwoLine {
  TColor OuterUL, OuterLR, InnerUL, InnerLR;
};

TOneLine OneLineColors(TFrameStyle s) {
  switch (s) {
    case fsFlat:
      return {cl3DDkShadow, cl3DDkShadow};
    case fsGroove:
    case fsStatus:
      return {clBtnShadow, clBtnHighlight};
    case fsBump:
    case fsPopup:
      return {clBtnHighlight, clBtnShadow};
    case fsFlatBold:
      return {clBtnShadow, clBtnShadow};
    default:
      return {clBtnShadow, clBtnShadow};
  }
}

TTwoLine TwoLineColors(TFrameStyle s) {
  switch (s) {
    case fsRaised:
      return {cl3DLight, cl3DDkShadow, clBtnHighlight, clBtnShadow};
    case fsLowered:
      return {clBtnShadow, clBtnHighlight, cl3DDkShadow, cl3DLight};
    case fsButtonUp:
      return {clBtnHighlight, cl3DDkShadow, cl3DLight, clBtnShadow};
    default:  // fsButtonDown
      return {clBtnText, clBtnText, clBtnShadow, clBtnShadow};
  }
}

// The etched styles (groove, bump): corner pixels, then the two offset
// one-line frames.
TRect DrawEtched(TCanvas& c, TRect r, TColor c1, TColor c2, TSides sides) {
  const int L = r.Left, T = r.Top, R = r.Right, B = r.Bottom;
  const bool left = HasSide(sides, sdLeft), top = HasSide(sides, sdTop);
  const bool right = HasSide(sides, sdRight), bottom = HasSide(sides, sdBottom);
  if (right)
    c.SetPixel(R - 1, T, c2);
  else if (top)
    c.SetPixel(R - 1, T, c1);
  if (bottom)
    c.SetPixel(L, B - 1, c2);
  else if (left)
    c.SetPixel(L, B - 1, c1);
  if (top && !left) c.SetPixel(L, T + 1, c2);
  if (left && !top) c.SetPixel(L + 1, T, c2);
  if (bottom && !right) c.SetPixel(R - 1, B - 2, c1);
  if (right && !bottom) c.SetPixel(R - 2, B - 1, c1);
  TRect inner = r;
  ++inner.Left;
  ++inner.Top;
  DrawSides(c, inner, c2, c2, sides);
  OffsetRect(inner, -1, -1);
  DrawSides(c, inner, c1, c1, sides);
  if (left) r.Left += 2;
  if (top) r.Top += 2;
  if (right) r.Right -= 2;
  if (bottom) r.Bottom -= 2;
  return r;
}

TRect DrawTwoLines(TCanvas& c, TRect r, const TTwoLine& t, TSides sides) {
  r = DrawSides(c, r, t.OuterUL, t.OuterLR, sides);
  return DrawSides(c, r, t.InnerUL, t.InnerLR, sides);
}

void FillArrow(TCanvas& c, std::span<const TPoint> pts, TColor fill) {
  const TColor saved = c.Brush.Color();
  const TBrushStyle savedStyle = c.Brush.Style();
  c.Brush.SetColor(fill);
  c.Brush.SetStyle(bsSolid);
  c.Pen.SetStyle(psClear);
  c.Polygon(pts);
  c.Pen.SetStyle(psSolid);
  c.Brush.SetColor(saved);
  c.Brush.SetStyle(savedStyle);
}

TColor ArrowFill(TUiArrowStyle style, bool enabled) {
  if (!enabled) return clBtnShadow;
  return style == uasClassic ? clBlack : ThemedArrowColor();
}

// The arrow's centre: the middle of the rectangle, one up for an even height.
TPoint ArrowCenter(const TRect& r) {
  int x = r.Left + (r.Right - r.Left) / 2;
  int y = r.Top + (r.Bottom - r.Top) / 2;
  if ((r.Bottom - r.Top) % 2 == 0) --y;
  return {x, y};
}

}  // namespace

const char* FrameStyleName(TFrameStyle style) {
  return frameStyleNames[style < frameStyleNames.size() ? style : 0];
}

bool FrameStyleFromName(std::string_view name, TFrameStyle& style) {
  for (std::size_t i = 0; i < frameStyleNames.size(); ++i)
    if (SameText(name, frameStyleNames[i])) {
      style = TFrameStyle(i);
      return true;
    }
  return false;
}

TRect DrawSides(TCanvas& c, TRect r, TColor ulColor, TColor lrColor, TSides sides) {
  c.Pen.SetWidth(1);
  c.Pen.SetStyle(psSolid);
  if (HasSide(sides, sdLeft) || HasSide(sides, sdTop)) c.Pen.SetColor(ulColor);
  if (HasSide(sides, sdLeft)) {
    c.MoveTo(r.Left, r.Top);
    c.LineTo(r.Left, r.Bottom);
  }
  if (HasSide(sides, sdTop)) {
    c.MoveTo(r.Left, r.Top);
    c.LineTo(r.Right, r.Top);
  }
  if (HasSide(sides, sdRight) || HasSide(sides, sdBottom)) c.Pen.SetColor(lrColor);
  if (HasSide(sides, sdRight)) {
    c.MoveTo(r.Right - 1, r.Top);
    c.LineTo(r.Right - 1, r.Bottom);
  }
  if (HasSide(sides, sdBottom)) {
    c.MoveTo(r.Left, r.Bottom - 1);
    c.LineTo(r.Right, r.Bottom - 1);
  }
  if (HasSide(sides, sdLeft)) ++r.Left;
  if (HasSide(sides, sdTop)) ++r.Top;
  if (HasSide(sides, sdRight)) --r.Right;
  if (HasSide(sides, sdBottom)) --r.Bottom;
  return r;
}

TRect DrawBevel(TCanvas& c, TRect r, TColor ulColor, TColor lrColor, int width, TSides sides) {
  c.Pen.SetWidth(1);
  for (int i = 0; i < width; ++i) r = DrawSides(c, r, ulColor, lrColor, sides);
  return r;
}

TRect DrawBorderSides(TCanvas& c, TRect r, TFrameStyle style, TSides sides) {
  switch (style) {
    case fsNone:
      return r;
    case fsFlat:
    case fsStatus:
    case fsPopup: {
      TOneLine o = OneLineColors(style);
      return DrawSides(c, r, o.First, o.Second, sides);
    }
    case fsFlatBold: {
      TOneLine o = OneLineColors(style);
      return DrawBevel(c, r, o.First, o.Second, 2, sides);
    }
    case fsRaised:
    case fsLowered:
    case fsButtonUp:
    case fsButtonDown:
      return DrawTwoLines(c, r, TwoLineColors(style), sides);
    case fsGroove:
    case fsBump: {
      TOneLine o = OneLineColors(style);
      return DrawEtched(c, r, o.First, o.Second, sides);
    }
  }
  return r;
}

TRect DrawColorBorderSides(TCanvas& c, TRect r, TColor color, TFrameStyle style, TSides sides) {
  auto D = [color](int n) { return DarkerColor(color, n); };
  auto Lt = [color](int n) { return LighterColor(color, n); };
  switch (style) {
    case fsNone:
      return r;
    case fsFlat:
      return DrawSides(c, r, D(50), D(50), sides);
    case fsStatus:
      return DrawSides(c, r, D(50), Lt(100), sides);
    case fsPopup:
      return DrawSides(c, r, Lt(100), D(50), sides);
    case fsFlatBold:
      r = DrawSides(c, r, D(50), D(50), sides);
      return DrawSides(c, r, D(50), D(50), sides);
    case fsLowered:
      return DrawTwoLines(c, r, {D(50), Lt(100), D(100), Lt(50)}, sides);
    case fsRaised:
      return DrawTwoLines(c, r, {Lt(50), D(100), Lt(100), D(50)}, sides);
    case fsButtonUp:
      return DrawTwoLines(c, r, {Lt(100), D(100), Lt(40), D(50)}, sides);
    case fsButtonDown:
      return DrawTwoLines(c, r, {D(100), D(100), D(50), D(50)}, sides);
    case fsGroove:
      return DrawEtched(c, r, D(50), Lt(100), sides);
    case fsBump:
      return DrawEtched(c, r, Lt(100), D(50), sides);
  }
  return r;
}

void DrawFrame(TCanvas& c, int width, int height, TFrameStyle style, TColor frameColor,
               TColor backColor, TSides sides, bool flat) {
  const TRect r(0, 0, width, height);
  if (!flat) DrawBevel(c, r, backColor, backColor, 2, sdAll);
  if (style == fsFlat)
    DrawSides(c, r, frameColor, frameColor, sides);
  else if (style == fsFlatBold)
    DrawBevel(c, r, frameColor, frameColor, 2, sides);
  else if (backColor != clWindow)
    DrawColorBorderSides(c, r, backColor, style, sides);
  else
    DrawBorderSides(c, r, style, sides);
}

TRect DrawFocusBorder(TCanvas& c, TRect r) {
  for (int x = r.Left + 1; x < r.Right - 1; x += 2) {
    c.SetPixel(x, r.Top, clBlack);
    c.SetPixel(x, r.Bottom - 1, clBlack);
  }
  for (int y = r.Top + 1; y < r.Bottom - 1; y += 2) {
    c.SetPixel(r.Left, y, clBlack);
    c.SetPixel(r.Right - 1, y, clBlack);
  }
  InflateRect(r, -1, -1);
  return r;
}

TColor ThemedArrowColor() {
  TThemeServices& ts = ThemeServices();
  if (!ts.ThemesEnabled()) return clBlack;
  TImage img(16, 20, ColorToRGB(clWindow));
  ts.DrawElement(img.Canvas(), TThemeServices::GetElementDetails(tcDropDownButtonNormal),
                 TRect(0, 0, 16, 20));
  img.CloseCanvas();
  const TColor c = img.Pixel(8, 10);
  if (c == clNone) return clBlack;
  return ColorsClose(c, clWindow) ? cl3DDkShadow : c;
}

void DrawDropDownArrow(TCanvas& c, const TRect& rect, TUiArrowStyle style, bool enabled,
                       bool down) {
  TPoint p = ArrowCenter(rect);
  int x = p.X, y = p.Y + (style == uasClassic ? 2 : 4);
  if (down) ++x, ++y;
  const TColor fill = ArrowFill(style, enabled);
  if (style == uasClassic) {
    const TPoint pts[] = {{x, y}, {x - 3, y - 4}, {x + 4, y - 4}};
    FillArrow(c, pts, fill);
  } else {
    const TPoint pts[] = {{x, y},     {x - 4, y - 5}, {x - 3, y - 7},
                          {x, y - 3}, {x + 3, y - 7}, {x + 5, y - 5}};
    FillArrow(c, pts, fill);
  }
}

void DrawSpinArrow(TCanvas& c, const TRect& rect, TUiArrowStyle style, bool enabled, bool down,
                   TUiArrowDirection direction) {
  TPoint p = ArrowCenter(rect);
  int x = p.X, y = p.Y;
  const bool classic = style == uasClassic;
  switch (direction) {
    case adUp:
      y += classic ? 2 : 4;
      break;
    case adDown:
      y += 2;
      break;
    case adLeft:
      x -= classic ? 2 : 1;
      break;
    case adRight:
      x -= classic ? 2 : 3;
      break;
  }
  if (down && enabled) ++x, ++y;
  const TColor fill = ArrowFill(style, enabled);
  std::vector<TPoint> pts;
  if (classic) {
    switch (direction) {
      case adUp:
        pts = {{x, y - 5}, {x + 4, y}, {x - 4, y}};
        break;
      case adDown:
        pts = {{x, y + 1}, {x - 3, y - 3}, {x + 4, y - 3}};
        break;
      case adLeft:
        pts = {{x, y}, {x + 4, y - 4}, {x + 4, y + 4}};
        break;
      case adRight:
        pts = {{x + 4, y}, {x, y + 4}, {x, y - 4}};
        break;
    }
  } else {
    switch (direction) {
      case adUp:
        pts = {{x, y - 5}, {x + 4, y}, {x + 1, y}, {x, y - 2}, {x - 1, y}, {x - 4, y}};
        break;
      case adDown:
        pts = {{x, y}, {x - 3, y - 4}, {x, y - 4}, {x, y - 3}, {x + 1, y - 4}, {x + 4, y - 4}};
        break;
      case adLeft:
        pts = {{x, y}, {x + 4, y - 4}, {x + 4, y - 1}, {x + 3, y}, {x + 4, y + 1}, {x + 4, y + 4}};
        break;
      case adRight:
        pts = {{x + 4, y}, {x, y + 4}, {x, y + 1}, {x + 1, y}, {x, y - 1}, {x, y - 4}};
        break;
    }
  }
  FillArrow(c, pts, fill);
}

bool IsTrueTypeFont(const TFont& font) {
  static constexpr std::string_view raster[] = {
      "MS Sans Serif", "MS Serif",    "System", "Terminal", "Fixedsys",
      "Courier",       "Small Fonts", "Modern", "Roman",    "Script"};
  for (std::string_view r : raster)
    if (SameText(font.Name(), r)) return false;
  return true;
}

void DrawParentImage(TCanvas& c, const TParentPainter& painter) {
  if (!painter) return;
  const int saved = c.SaveDC();
  try {
    painter(c);
  } catch (...) {
    c.RestoreDC(saved);
    throw;
  }
  c.RestoreDC(saved);
}

// ---- TUiFrameController ----------------------------------------------------

namespace {

// The settings' update indices.
enum : int {
  uiAll = 0,
  uiColor = 1,
  uiFocusColor = 2,
  uiDisabledColor = 3,
  uiParentColor = 4,
  uiFlatButtonColor = 5,
  uiFlatButtons = 6,
  uiFrameColor = 7,
  uiFrameHotColor = 8,
  uiFrameHotTrack = 9,
  uiFrameHotStyle = 10,
  uiFrameSides = 11,
  uiFrameStyle = 12,
  uiFrameVisible = 13,
  uiFramingPreference = 14
};

TUiFrameValue BoolValue(bool v) { return {TUiFrameValue::vkBoolean, v ? 1 : 0}; }

// The old streamed properties: "FrameFlat" (Boolean) turns hot tracking on
// with the status and lowered styles, "FrameFocusStyle" (a style name) is
// the hot style, "FrameFlatStyle" is read and ignored.
template <class T>
bool ReadObsoleteFrameProperty(T& target, std::string_view name,
                               const std::variant<bool, std::string>& value) {
  if (SameText(name, "FrameFlat")) {
    const bool* b = std::get_if<bool>(&value);
    const bool on = b && *b;
    target.SetFrameHotTrack(on);
    if (on) {
      target.SetFrameStyle(fsStatus);
      target.SetFrameHotStyle(fsLowered);
    }
    return true;
  }
  if (SameText(name, "FrameFocusStyle")) {
    TFrameStyle s;
    if (const std::string* id = std::get_if<std::string>(&value); id && FrameStyleFromName(*id, s))
      target.SetFrameHotStyle(s);
    return true;
  }
  return SameText(name, "FrameFlatStyle");
}
TUiFrameValue ColorValue(TColor v) { return {TUiFrameValue::vkColor, int(v)}; }
TUiFrameValue EnumValue(int v) { return {TUiFrameValue::vkEnum, v}; }

}  // namespace

TUiFrameController::TUiFrameController()
    : color_(clWindow),
      disabledColor_(clBtnFace),
      flatButtonColor_(clBtnFace),
      focusColor_(clWindow),
      frameColor_(clBtnShadow),
      frameHotColor_(clBtnShadow) {}

TUiFrameController::~TUiFrameController() {
  SetRegIniFile(nullptr);
  std::vector<TUiFrameClient*> linked;
  linked.swap(controls_);
  for (TUiFrameClient* c : linked) c->FrameControllerFreed();
}

void TUiFrameController::AddControl(TUiFrameClient* control) {
  if (!control) return;
  if (std::find(controls_.begin(), controls_.end(), control) != controls_.end()) return;
  controls_.push_back(control);
  UpdateControl(control, uiAll);
}

void TUiFrameController::RemoveControl(TUiFrameClient* control) {
  controls_.erase(std::remove(controls_.begin(), controls_.end(), control), controls_.end());
  if (controls_.empty()) controls_.shrink_to_fit();
}

void TUiFrameController::BeginUpdate() { ++updateCount_; }

void TUiFrameController::EndUpdate() {
  --updateCount_;
  if (updateCount_ < 1) {
    updateCount_ = 0;
    UpdateControls(uiAll);
  }
}

void TUiFrameController::UpdateControl(TUiFrameClient* c, int index) {
  if (!c) return;
  auto write = [&](int i, const char* name, const TUiFrameValue& v) {
    if (index == uiAll || index == i) c->SetFrameProperty(name, v);
  };
  write(uiParentColor, "ParentColor", BoolValue(parentColor_));
  if (!parentColor_) write(uiColor, "Color", ColorValue(color_));
  write(uiDisabledColor, "DisabledColor", ColorValue(disabledColor_));
  write(uiFocusColor, "FocusColor", ColorValue(focusColor_));
  write(uiFlatButtonColor, "FlatButtonColor", ColorValue(flatButtonColor_));
  write(uiFlatButtons, "FlatButtons", BoolValue(flatButtons_));
  write(uiFrameColor, "FrameColor", ColorValue(frameColor_));
  write(uiFrameHotColor, "FrameHotColor", ColorValue(frameHotColor_));
  write(uiFrameHotTrack, "FrameHotTrack", BoolValue(frameHotTrack_));
  write(uiFrameHotStyle, "FrameHotStyle", EnumValue(frameHotStyle_));
  write(uiFrameSides, "FrameSides", {TUiFrameValue::vkSet, frameSides_});
  write(uiFrameStyle, "FrameStyle", EnumValue(frameStyle_));
  write(uiFrameVisible, "FrameVisible", BoolValue(frameVisible_));
  write(uiFramingPreference, "FramingPreference", EnumValue(framingPreference_));
}

void TUiFrameController::UpdateControls(int index) {
  if (updateCount_ >= 1) return;
  // A control may unlink itself while it is updated; walk a copy.
  std::vector<TUiFrameClient*> linked = controls_;
  for (TUiFrameClient* c : linked)
    if (std::find(controls_.begin(), controls_.end(), c) != controls_.end())
      UpdateControl(c, index);
}

void TUiFrameController::Assign(const TUiFrameController& s) {
  if (&s == this) return;
  BeginUpdate();
  color_ = s.color_;
  disabledColor_ = s.disabledColor_;
  flatButtonColor_ = s.flatButtonColor_;
  flatButtons_ = s.flatButtons_;
  focusColor_ = s.focusColor_;
  frameColor_ = s.frameColor_;
  frameHotColor_ = s.frameHotColor_;
  frameHotStyle_ = s.frameHotStyle_;
  frameHotTrack_ = s.frameHotTrack_;
  frameSides_ = s.frameSides_;
  frameStyle_ = s.frameStyle_;
  frameVisible_ = s.frameVisible_;
  framingPreference_ = s.framingPreference_;
  parentColor_ = s.parentColor_;
  SetRegIniFile(s.regIniFile_);
  EndUpdate();
}

void TUiFrameController::Loaded() {
  loading_ = false;
  UpdateControls(uiAll);
}

bool TUiFrameController::ReadObsoleteProperty(std::string_view name,
                                              const std::variant<bool, std::string>& value) {
  return ReadObsoleteFrameProperty(*this, name, value);
}

template <class T>
void TUiFrameController::Set(T& field, T value, int index) {
  if (field == value) return;
  field = value;
  UpdateControls(index);
}

void TUiFrameController::SetColor(TColor v) {
  if (v == color_) return;
  if (focusColor_ == color_) focusColor_ = v;
  color_ = v;
  parentColor_ = false;
  UpdateControls(uiColor);
}

void TUiFrameController::SetDisabledColor(TColor v) { Set(disabledColor_, v, uiDisabledColor); }
void TUiFrameController::SetFlatButtonColor(TColor v) {
  Set(flatButtonColor_, v, uiFlatButtonColor);
}
void TUiFrameController::SetFlatButtons(bool v) { Set(flatButtons_, v, uiFlatButtons); }
void TUiFrameController::SetFocusColor(TColor v) { Set(focusColor_, v, uiFocusColor); }
void TUiFrameController::SetFrameColor(TColor v) { Set(frameColor_, v, uiFrameColor); }
void TUiFrameController::SetFrameHotColor(TColor v) { Set(frameHotColor_, v, uiFrameHotColor); }
void TUiFrameController::SetFrameHotStyle(TFrameStyle v) {
  Set(frameHotStyle_, v, uiFrameHotStyle);
}

void TUiFrameController::SetFrameHotTrack(bool v) {
  if (v == frameHotTrack_) return;
  frameHotTrack_ = v;
  if (v) {
    frameVisible_ = true;
    if (!loading_) frameSides_ = sdAll;
  }
  UpdateControls(uiFrameHotTrack);
}

void TUiFrameController::SetFrameSides(TSides v) {
  Set(frameSides_, TSides(v & sdAll), uiFrameSides);
}
void TUiFrameController::SetFrameStyle(TFrameStyle v) { Set(frameStyle_, v, uiFrameStyle); }
void TUiFrameController::SetFrameVisible(bool v) { Set(frameVisible_, v, uiFrameVisible); }
void TUiFrameController::SetFramingPreference(TFramingPreference v) {
  Set(framingPreference_, v, uiFramingPreference);
}

void TUiFrameController::SetParentColor(bool v) {
  if (v == parentColor_) return;
  parentColor_ = v;
  UpdateControls(uiParentColor);
  if (!v) UpdateControls(uiColor);
}

void TUiFrameController::SetRegIniFile(TUiRegIniFile* v) {
  if (v == regIniFile_) return;
  if (regIniFile_) {
    auto& u = regIniFile_->users_;
    u.erase(std::remove(u.begin(), u.end(), this), u.end());
  }
  regIniFile_ = v;
  if (v) v->users_.push_back(this);
}

// ---- TUiRegIniFile -----------------------------------------------------------

TUiRegIniFile::TUiRegIniFile() = default;

TUiRegIniFile::~TUiRegIniFile() {
  std::vector<TUiFrameController*> users;
  users.swap(users_);
  for (TUiFrameController* c : users) c->regIniFile_ = nullptr;
}

void TUiRegIniFile::SetPath(const std::string& v) {
  if (v != path_) path_ = v, reopen_ = true;
}
void TUiRegIniFile::SetPathType(TUiPathType v) {
  if (v != pathType_) pathType_ = v, reopen_ = true;
}
void TUiRegIniFile::SetRegKey(TUiRegKey v) {
  if (v != regKey_) regKey_ = v, reopen_ = true;
}
void TUiRegIniFile::SetRegAccess(TUiRegAccess v) {
  if (v != regAccess_) regAccess_ = v, reopen_ = true;
}

void TUiRegIniFile::Reopen() {
  ini_.reset();
  registry_.reset();
  reopen_ = false;
}

TIniFile& TUiRegIniFile::IniFile() {
  if (reopen_) Reopen();
  if (!ini_) {
    std::string name = path_.empty() ? std::string("Quorvane.INI") : path_;
    if (name.front() != '/') name = SettingsDir() + name;
    ini_ = std::make_unique<TIniFile>(name);
  }
  return *ini_;
}

TRegistryStore& TUiRegIniFile::Registry() {
  if (reopen_) Reopen();
  if (!registry_) {
    registry_ = std::make_unique<TRegistryStore>();
    switch (regKey_) {
      case hkeyClassesRoot:
        registry_->RootKey = TRootKey::HKEY_CLASSES_ROOT;
        break;
      case hkeyLocalMachine:
        registry_->RootKey = TRootKey::HKEY_LOCAL_MACHINE;
        break;
      case hkeyUsers:
        registry_->RootKey = TRootKey::HKEY_USERS;
        break;
      default:
        registry_->RootKey = TRootKey::HKEY_CURRENT_USER;
        break;
    }
    const bool canWrite =
        (regAccess_ & ((1u << keyAllAccess) | (1u << keyWrite) | (1u << keyCreateSubKey))) != 0;
    registry_->OpenKey(path_, canWrite);
  }
  return *registry_;
}

// ---- TUiFramedControl ---------------------------------------------------------

TUiFramedControl::TUiFramedControl()
    : color_(clWindow),
      normalColor_(clWindow),
      disabledColor_(clBtnFace),
      focusColor_(clWindow),
      frameColor_(clBtnShadow),
      frameHotColor_(clBtnShadow) {}

TUiFramedControl::~TUiFramedControl() {
  if (controller_) controller_->RemoveControl(this);
}

void TUiFramedControl::SetColor(TColor v) {
  if (v == color_) return;
  color_ = v;
  if (!settingColor_) {
    if (focusColor_ == normalColor_) focusColor_ = v;
    normalColor_ = v;
  }
  ApplyColor(v);
  if (frameVisible_ && !UseThemedFrame()) RepaintFrame();
}

void TUiFramedControl::SetDisabledColor(TColor v) {
  disabledColor_ = v;
  if (!FrameEnabled()) UpdateColors();
}

void TUiFramedControl::SetFocusColor(TColor v) {
  focusColor_ = v;
  if (FrameFocused()) UpdateColors();
}

void TUiFramedControl::SetParentColor(bool v) {
  parentColor_ = v;
  if (v) {
    const TColor pc = ParentColorValue();
    if (pc != clNone) SetColor(pc);
  }
}

void TUiFramedControl::UpdateColors() {
  if (FrameLoading()) return;
  settingColor_ = true;
  try {
    if (!FrameEnabled())
      SetColor(disabledColor_);
    else if (FrameFocused())
      SetColor(focusColor_);
    else
      SetColor(normalColor_);
  } catch (...) {
    settingColor_ = false;
    throw;
  }
  settingColor_ = false;
}

void TUiFramedControl::SetFrameColor(TColor v) {
  if (v != frameColor_) frameColor_ = v, RepaintFrame();
}
void TUiFramedControl::SetFrameHotColor(TColor v) {
  if (v != frameHotColor_) frameHotColor_ = v, RepaintFrame();
}
void TUiFramedControl::SetFrameHotStyle(TFrameStyle v) {
  if (v != frameHotStyle_) frameHotStyle_ = v, RepaintFrame();
}

void TUiFramedControl::SetFrameHotTrack(bool v) {
  if (v == frameHotTrack_) return;
  frameHotTrack_ = v;
  if (v) {
    frameVisible_ = true;
    if (!FrameLoading()) frameSides_ = sdAll;
  }
  RepaintFrame();
}

void TUiFramedControl::SetFrameSides(TSides v) {
  v &= sdAll;
  if (v != frameSides_) frameSides_ = v, RepaintFrame();
}
void TUiFramedControl::SetFrameStyle(TFrameStyle v) {
  if (v != frameStyle_) frameStyle_ = v, RepaintFrame();
}
void TUiFramedControl::SetFrameVisible(bool v) {
  if (v != frameVisible_) frameVisible_ = v, RepaintFrame();
}

void TUiFramedControl::SetFramingPreference(TFramingPreference v) {
  if (v == framingPreference_) return;
  framingPreference_ = v;
  if (v == fpCustomFraming) RepaintFrame();
}

void TUiFramedControl::SetFrameController(TUiFrameController* v) {
  if (v == controller_) return;
  if (controller_) controller_->RemoveControl(this);
  controller_ = v;
  if (v) v->AddControl(this);
}

void TUiFramedControl::UpdateFrame(bool viaMouse, bool inFocus) {
  if (viaMouse) mouseOver_ = inFocus;
  if (frameHotTrack_) RepaintFrame();
  UpdateColors();
}

bool TUiFramedControl::UseThemedFrame() const {
  return framingPreference_ == fpXPThemes && ThemeServices().ThemesEnabled();
}

bool TUiFramedControl::FrameHot() const { return frameHotTrack_ && (FrameFocused() || mouseOver_); }

void TUiFramedControl::PaintFrame(TCanvas& c, int width, int height) {
  if (frameVisible_ && !UseThemedFrame()) {
    const bool hot = FrameHot();
    DrawFrame(c, width, height, hot ? frameHotStyle_ : frameStyle_,
              hot ? frameHotColor_ : frameColor_, color_, frameSides_, false);
    return;
  }
  // The standard border: the visual style's list frame, else a sunken edge.
  TRect r(0, 0, width, height);
  if (UseThemedFrame()) {
    ThemeServices().DrawElement(c, {teListView, 0, 1}, r);
    return;
  }
  c.DrawEdge(r, EDGE_SUNKEN, BF_RECT);
}

bool TUiFramedControl::SetFrameProperty(std::string_view name, const TUiFrameValue& v) {
  const bool b = v.Value != 0;
  const TColor col = TColor(v.Value);
  const bool isBool = v.Kind == TUiFrameValue::vkBoolean;
  const bool isColor = v.Kind == TUiFrameValue::vkColor;
  const bool isEnum = v.Kind == TUiFrameValue::vkEnum;
  if (name == "ParentColor" && isBool) {
    SetParentColor(b);
  } else if (name == "Color" && isColor) {
    SetColor(col);
  } else if (name == "DisabledColor" && isColor) {
    SetDisabledColor(col);
  } else if (name == "FocusColor" && isColor) {
    SetFocusColor(col);
  } else if (name == "FrameColor" && isColor) {
    SetFrameColor(col);
  } else if (name == "FrameHotColor" && isColor) {
    SetFrameHotColor(col);
  } else if (name == "FrameHotTrack" && isBool) {
    SetFrameHotTrack(b);
  } else if (name == "FrameHotStyle" && isEnum) {
    SetFrameHotStyle(TFrameStyle(std::clamp(v.Value, 0, int(fsFlatBold))));
  } else if (name == "FrameSides" && v.Kind == TUiFrameValue::vkSet) {
    SetFrameSides(TSides(v.Value));
  } else if (name == "FrameStyle" && isEnum) {
    SetFrameStyle(TFrameStyle(std::clamp(v.Value, 0, int(fsFlatBold))));
  } else if (name == "FrameVisible" && isBool) {
    SetFrameVisible(b);
  } else if (name == "FramingPreference" && isEnum) {
    SetFramingPreference(v.Value ? fpXPThemes : fpCustomFraming);
  } else {
    return false;
  }
  return true;
}

bool TUiFramedControl::ReadObsoleteProperty(std::string_view name,
                                            const std::variant<bool, std::string>& value) {
  return ReadObsoleteFrameProperty(*this, name, value);
}

}  // namespace qv
