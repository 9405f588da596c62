// The frame vocabulary shared by every framed control of this library:
// frame styles and sides, stateless drawing routines (borders in eleven
// styles from system colours or from one base colour, whole non-client
// frames, the dotted focus border, drop-down and spin arrows), the frame
// controller component that pushes one set of frame settings into linked
// controls, the settings-store component, and TUiFramedControl, the frame
// and colour state that the framed list view, tree view and combo box share.
//
// Drawing routines take rectangles by value and return the rectangle moved
// in by what they drew. Colours may be system colours; canvases resolve them.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "platform/core/Canvas.h"
#include "platform/core/IniFiles.h"

namespace qv {

enum TFrameStyle : std::uint8_t {
  fsNone,
  fsFlat,
  fsGroove,
  fsBump,
  fsLowered,
  fsButtonDown,
  fsRaised,
  fsButtonUp,
  fsStatus,
  fsPopup,
  fsFlatBold
};
const char* FrameStyleName(TFrameStyle style);
// The style named by an identifier ("fsFlat"); false when there is none.
bool FrameStyleFromName(std::string_view name, TFrameStyle& style);

enum TSide : std::uint8_t { sdLeft, sdTop, sdRight, sdBottom };
// A set of sides: bit 1 << side.
using TSides = std::uint8_t;
constexpr TSides sdAll = 15;
constexpr TSides SideBit(TSide s) { return TSides(1u << s); }
constexpr bool HasSide(TSides sides, TSide s) { return (sides & SideBit(s)) != 0; }

enum TOrientation : std::uint8_t { orHorizontal, orVertical };
enum TFramingPreference : std::uint8_t { fpCustomFraming, fpXPThemes };
enum TUiHotTrackColorType : std::uint8_t { htctComplement, htctActual };
// How an arrow is drawn: classic or in the visual style.
enum TUiArrowStyle : std::uint8_t { uasClassic, uasThemed };
enum TUiArrowDirection : std::uint8_t { adUp, adDown, adLeft, adRight };

// ---- drawing ---------------------------------------------------------------

// One-pixel lines: left and top in ulColor, right and bottom in lrColor.
TRect DrawSides(TCanvas& canvas, TRect rect, TColor ulColor, TColor lrColor, TSides sides);
// DrawSides width times, each inside the last.
TRect DrawBevel(TCanvas& canvas, TRect rect, TColor ulColor, TColor lrColor, int width,
                TSides sides);
// A border of the style in the system's 3-D colours.
TRect DrawBorderSides(TCanvas& canvas, TRect rect, TFrameStyle style, TSides sides);
// A border of the style in shades derived from one colour.
TRect DrawColorBorderSides(TCanvas& canvas, TRect rect, TColor color, TFrameStyle style,
                           TSides sides);
inline TRect DrawColorBorder(TCanvas& canvas, TRect rect, TColor color, TFrameStyle style) {
  return DrawColorBorderSides(canvas, rect, color, style, sdAll);
}
// A whole non-client frame of width x height: unless flat, a two-pixel bevel
// in backColor first; then the style (fsFlat in frameColor, fsFlatBold as a
// two-pixel bevel in it, others from backColor or the system colours).
void DrawFrame(TCanvas& canvas, int width, int height, TFrameStyle style, TColor frameColor,
               TColor backColor, TSides sides, bool flat);
// Black dots on every second pixel of the four edges; the rectangle inset by 1.
TRect DrawFocusBorder(TCanvas& canvas, TRect rect);
void DrawDropDownArrow(TCanvas& canvas, const TRect& rect, TUiArrowStyle style, bool enabled,
                       bool down);
void DrawSpinArrow(TCanvas& canvas, const TRect& rect, TUiArrowStyle style, bool enabled, bool down,
                   TUiArrowDirection direction);
// The colour of the visual style's drop-down arrow (sampled from the themed
// button), clBlack when it cannot be drawn.
TColor ThemedArrowColor();

// Whether the font is an outline font that can be drawn rotated. The raster
// faces of the classic desktop ("MS Sans Serif", "System", ...) are not.
bool IsTrueTypeFont(const TFont& font);

// Paints what lies under a control: the parent's background and content,
// with the control's client origin at (0, 0). Set by the control's host.
using TParentPainter = std::function<void(TCanvas&)>;
// Paints the parent under a control (nothing without a painter).
void DrawParentImage(TCanvas& canvas, const TParentPainter& painter);

// ---- frame settings and the frame controller -------------------------------

// A value written into a control's published property by name.
struct TUiFrameValue {
  enum TKind : std::uint8_t { vkBoolean, vkColor, vkEnum, vkSet };
  TKind Kind = vkBoolean;
  int Value = 0;
};

// A control that takes settings from a TUiFrameController.
class TUiFrameClient {
 public:
  virtual ~TUiFrameClient() = default;
  // Writes the published property of that name; false when the control's
  // class publishes none (or one of another kind: sets go only to sets).
  virtual bool SetFrameProperty(std::string_view name, const TUiFrameValue& value) = 0;
  // The linked controller is being destroyed.
  virtual void FrameControllerFreed() = 0;
};

class TUiRegIniFile;

// One set of frame and colour settings pushed into every linked control.
// Setters push only their own property (by its update index); BeginUpdate/
// EndUpdate hold the pushes back and push everything at the end. Linked
// controls are not owned; a control unlinks itself when it goes, and the
// controller tells its controls when it goes.
class TUiFrameController {
 public:
  TUiFrameController();
  virtual ~TUiFrameController();
  TUiFrameController(const TUiFrameController&) = delete;
  TUiFrameController& operator=(const TUiFrameController&) = delete;

  void AddControl(TUiFrameClient* control);
  void RemoveControl(TUiFrameClient* control);
  int ControlCount() const { return int(controls_.size()); }
  void BeginUpdate();
  void EndUpdate();
  // Index 0 writes every setting; 1..14 the one property of that index.
  virtual void UpdateControl(TUiFrameClient* control, int index);
  virtual void UpdateControls(int index);
  // Copies every setting of another controller (one push at the end).
  void Assign(const TUiFrameController& source);
  // Marks the end of loading: pushes everything.
  void Loaded();
  // The old streamed properties "FrameFlat", "FrameFocusStyle" and
  // "FrameFlatStyle"; false for any other name.
  bool ReadObsoleteProperty(std::string_view name, const std::variant<bool, std::string>& value);

  TColor Color() const { return color_; }
  void SetColor(TColor v);
  TColor DisabledColor() const { return disabledColor_; }
  void SetDisabledColor(TColor v);
  TColor FlatButtonColor() const { return flatButtonColor_; }
  void SetFlatButtonColor(TColor v);
  bool FlatButtons() const { return flatButtons_; }
  void SetFlatButtons(bool v);
  TColor FocusColor() const { return focusColor_; }
  void SetFocusColor(TColor v);
  TColor FrameColor() const { return frameColor_; }
  void SetFrameColor(TColor v);
  TColor FrameHotColor() const { return frameHotColor_; }
  void SetFrameHotColor(TColor v);
  TFrameStyle FrameHotStyle() const { return frameHotStyle_; }
  void SetFrameHotStyle(TFrameStyle v);
  bool FrameHotTrack() const { return frameHotTrack_; }
  void SetFrameHotTrack(bool v);
  TSides FrameSides() const { return frameSides_; }
  void SetFrameSides(TSides v);
  TFrameStyle FrameStyle() const { return frameStyle_; }
  void SetFrameStyle(TFrameStyle v);
  bool FrameVisible() const { return frameVisible_; }
  void SetFrameVisible(bool v);
  TFramingPreference FramingPreference() const { return framingPreference_; }
  void SetFramingPreference(TFramingPreference v);
  bool ParentColor() const { return parentColor_; }
  void SetParentColor(bool v);
  // The settings store this controller refers to (not owned; cleared when
  // that component goes).
  TUiRegIniFile* RegIniFile() const { return regIniFile_; }
  void SetRegIniFile(TUiRegIniFile* v);

  bool Loading() const { return loading_; }
  void SetLoading(bool v) { loading_ = v; }

 private:
  friend class TUiRegIniFile;
  template <class T>
  void Set(T& field, T value, int index);
  std::vector<TUiFrameClient*> controls_;
  int updateCount_ = 0;
  bool loading_ = false;
  TColor color_;
  TColor disabledColor_;
  TColor flatButtonColor_;
  bool flatButtons_ = true;
  TColor focusColor_;
  TColor frameColor_;
  TColor frameHotColor_;
  TFrameStyle frameHotStyle_ = fsFlatBold;
  bool frameHotTrack_ = false;
  TSides frameSides_ = sdAll;
  TFrameStyle frameStyle_ = fsFlat;
  bool frameVisible_ = false;
  TFramingPreference framingPreference_ = fpXPThemes;
  bool parentColor_ = false;
  TUiRegIniFile* regIniFile_ = nullptr;
};

enum TUiPathType : std::uint8_t { ptIniFile, ptRegistry };
enum TUiRegKey : std::uint8_t {
  hkeyClassesRoot,
  hkeyCurrentUser,
  hkeyLocalMachine,
  hkeyUsers,
  hkeyPerformanceData,
  hkeyCurrentConfig,
  hkeyDynData
};
enum TUiRegAccessKey : std::uint8_t {
  keyQueryValue,
  keySetValue,
  keyCreateSubKey,
  keyEnumerateSubKeys,
  keyNotify,
  keyCreateLink,
  keyRead,
  keyWrite,
  keyExecute,
  keyAllAccess
};
using TUiRegAccess = std::uint16_t;  // bit 1 << TUiRegAccessKey

// Names a settings store: an INI file (Path is the file) or a registry key
// (Path is the key under RegKey). The two store objects are opened on
// demand and reopened after a setting changed.
class TUiRegIniFile {
 public:
  TUiRegIniFile();
  ~TUiRegIniFile();
  TUiRegIniFile(const TUiRegIniFile&) = delete;
  TUiRegIniFile& operator=(const TUiRegIniFile&) = delete;

  const std::string& Path() const { return path_; }
  void SetPath(const std::string& v);
  TUiPathType PathType() const { return pathType_; }
  void SetPathType(TUiPathType v);
  TUiRegKey RegKey() const { return regKey_; }
  void SetRegKey(TUiRegKey v);
  TUiRegAccess RegAccess() const { return regAccess_; }
  void SetRegAccess(TUiRegAccess v);
  bool NeedsReopening() const { return reopen_; }

  // The INI file named by Path (relative names live in the settings folder).
  TIniFile& IniFile();
  // The registry store with the key of Path open (created when missing).
  TRegistryStore& Registry();

 private:
  friend class TUiFrameController;
  void Reopen();
  std::string path_;
  TUiPathType pathType_ = ptIniFile;
  TUiRegKey regKey_ = hkeyCurrentUser;
  TUiRegAccess regAccess_ = TUiRegAccess(1u << keyAllAccess);
  bool reopen_ = true;
  std::unique_ptr<TIniFile> ini_;
  std::unique_ptr<TRegistryStore> registry_;
  std::vector<TUiFrameController*> users_;  // controllers referring to this one
};

// ---- the frame state of a framed control -----------------------------------

// The frame and colour settings of a framed list view, tree view or combo
// box, their setters' rules, and the link to a frame controller. The
// control supplies its state (focused, enabled, loading) and reacts to
// RepaintFrame and ApplyColor.
class TUiFramedControl : public TUiFrameClient {
 public:
  TUiFramedControl();
  ~TUiFramedControl() override;
  TUiFramedControl(const TUiFramedControl&) = delete;
  TUiFramedControl& operator=(const TUiFramedControl&) = delete;

  // The colour shown now (normal, focused or disabled).
  TColor Color() const { return color_; }
  virtual void SetColor(TColor v);
  TColor DisabledColor() const { return disabledColor_; }
  void SetDisabledColor(TColor v);
  TColor FocusColor() const { return focusColor_; }
  void SetFocusColor(TColor v);
  // The colour while neither focused nor disabled.
  TColor NormalColor() const { return normalColor_; }
  bool ParentColor() const { return parentColor_; }
  void SetParentColor(bool v);
  TColor FrameColor() const { return frameColor_; }
  void SetFrameColor(TColor v);
  TColor FrameHotColor() const { return frameHotColor_; }
  void SetFrameHotColor(TColor v);
  TFrameStyle FrameHotStyle() const { return frameHotStyle_; }
  void SetFrameHotStyle(TFrameStyle v);
  bool FrameHotTrack() const { return frameHotTrack_; }
  void SetFrameHotTrack(bool v);
  TSides FrameSides() const { return frameSides_; }
  void SetFrameSides(TSides v);
  TFrameStyle FrameStyle() const { return frameStyle_; }
  void SetFrameStyle(TFrameStyle v);
  bool FrameVisible() const { return frameVisible_; }
  virtual void SetFrameVisible(bool v);
  TFramingPreference FramingPreference() const { return framingPreference_; }
  void SetFramingPreference(TFramingPreference v);
  TUiFrameController* FrameController() const { return controller_; }
  void SetFrameController(TUiFrameController* v);
  bool MouseOver() const { return mouseOver_; }

  // Sets the shown colour from the state: DisabledColor when disabled,
  // FocusColor when focused, else the normal colour.
  virtual void UpdateColors();
  // Enter (false, true), exit (false, false), mouse enter (true, true) and
  // mouse leave (true, false).
  virtual void UpdateFrame(bool viaMouse, bool inFocus);
  // The visual style draws the frame: FramingPreference fpXPThemes and
  // themes enabled.
  bool UseThemedFrame() const;
  // Whether the frame is drawn hot now (hot tracking while focused or
  // under the mouse).
  bool FrameHot() const;
  // Paints the whole non-client frame of width x height: the custom frame
  // when FrameVisible and not themed, else the standard sunken border
  // (themed or classic).
  void PaintFrame(TCanvas& canvas, int width, int height);
  // The width of the non-client frame on each side.
  static constexpr int FrameWidth = 2;
  // Whether the frame properties are written to a stream (not while a
  // controller is linked); the colour likewise, and only while enabled.
  bool FramePropertiesStored() const { return controller_ == nullptr; }
  bool ColorStored() const { return controller_ == nullptr && FrameEnabled(); }
  bool FocusColorStored() const { return controller_ == nullptr && focusColor_ != normalColor_; }

  bool SetFrameProperty(std::string_view name, const TUiFrameValue& value) override;
  void FrameControllerFreed() override { controller_ = nullptr; }
  bool ReadObsoleteProperty(std::string_view name, const std::variant<bool, std::string>& value);

 protected:
  virtual bool FrameFocused() const = 0;
  virtual bool FrameEnabled() const = 0;
  virtual bool FrameLoading() const { return false; }
  // The frame needs repainting (the whole window, frame included).
  virtual void RepaintFrame() = 0;
  // The control shows a new colour.
  virtual void ApplyColor(TColor color) = 0;
  // The parent's colour, for ParentColor; clNone when unknown.
  virtual TColor ParentColorValue() const { return clNone; }

  TColor color_;
  TColor normalColor_;
  TColor disabledColor_;
  TColor focusColor_;
  bool parentColor_ = false;
  TColor frameColor_;
  TColor frameHotColor_;
  TFrameStyle frameHotStyle_ = fsFlatBold;
  bool frameHotTrack_ = false;
  TSides frameSides_ = sdAll;
  TFrameStyle frameStyle_ = fsFlat;
  bool frameVisible_ = false;
  TFramingPreference framingPreference_ = fpXPThemes;
  TUiFrameController* controller_ = nullptr;
  bool mouseOver_ = false;
  bool settingColor_ = false;
};

}  // namespace qv
