// The colour picker button: a flat tool-bar button carrying a selected
// colour, whose right-hand strip drops down a palette pop-up with 40 named
// colours, optionally 25 system colours, a "default" entry and a custom
// entry that opens a hexagonal colour comb with a grey row and an
// intensity bar.
//
// Both halves are control cores (ControlCore.h): TColorPickerButton paints
// the button; TColorPopup lays out, paints and handles the pop-up. The
// button shows and places the pop-up through a TColorPopupPresenter, which
// the Qt host implements with a pop-up window (support/qt/QtColorPicker.h)
// and tests with a plain object.
//
// Pop-up entry indices: 0..39 the named colours, 40..64 the system colours
// (with ShowSystemColors), -3 the default entry, -2 the custom entry, -1 none.
// Geometry (client pixels; e = edge width 2, s = PopupSpacing, cell 18):
// the colour grid is 8 x 18 + 2e + 2s wide; the default entry runs from
// (e + s, 2e) across the window, the colour cells follow 2e below it, the
// system colours 2e below the named ones after an etched separator, the
// custom entry below them; while the custom entry is selected the comb
// (radius 63, cells of 11), the grey row and the intensity bar are added
// below. Rounding is to the nearest integer, halves to the even neighbour.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "platform/core/Classes.h"
#include "platform/core/ControlCore.h"
#include "platform/core/Image.h"

namespace qv {

// The 65 palette entries: 40 named colours, then the 25 system colours.
struct TPaletteEntry {
  const char* Name;
  TColor Color;
};
constexpr int NamedColorCount = 40;
constexpr int SystemColorCount = 25;
const TPaletteEntry& PaletteEntry(int index);  // 0..64

constexpr int DefaultCell = -3;
constexpr int CustomCell = -2;
constexpr int NoCell = -1;

// One cell of the comb or the grey row: centre and colour.
struct TCombEntry {
  TPoint Position;
  TColor Color = clBlack;
};

// What the button needs of the window system to show its pop-up.
class TColorPopupPresenter {
 public:
  virtual ~TColorPopupPresenter() = default;
  // The button's client rectangle in screen pixels.
  virtual TRect ButtonScreenRect() const = 0;
  // The work area of the screen the button is on.
  virtual TRect ScreenWorkArea() const = 0;
  // Shows the pop-up (topmost) at bounds, in screen pixels, or moves and
  // resizes it when shown.
  virtual void ShowPopup(const TRect& bounds) = 0;
  virtual void HidePopup() = 0;
};

class TColorPopup : public TControlCore {
 public:
  TColorPopup();

  // ---- what the button sets ----
  void SetDefaultText(const std::string& v);
  void SetCustomText(const std::string& v);
  void SetShowSystemColors(bool v);
  void SetSpacing(int v);
  // The colour of the custom swatch when no comb cell is chosen.
  void SetCustomColor(TColor c);
  const std::string& DefaultText() const { return defaultText_; }
  const std::string& CustomText() const { return customText_; }
  bool ShowSystemColors() const { return showSystemColors_; }

  // ---- entries ----
  int CellCount() const {
    return showSystemColors_ ? NamedColorCount + SystemColorCount : NamedColorCount;
  }
  int HoverIndex() const { return hoverIndex_; }
  void SetHoverIndex(int i);
  int SelectedIndex() const { return selectedIndex_; }
  void SetSelectedIndex(int i);
  // Marks the palette entry of a colour (none when absent).
  void SelectColor(TColor c);

  // ---- geometry ----
  // Recomputed when texts, spacing or the system colours change.
  void Layout();
  int EdgeWidth() const { return edge_; }
  // The window's size: the palette part, or with the comb while the custom
  // entry is selected.
  TSize WindowSize() const;
  int PaletteHeight() const { return height_; }
  TRect CellRect(int index) const;
  TRect DefaultEntryRect() const { return defaultRect_; }
  TRect CustomEntryRect() const { return customRect_; }
  TRect CustomSwatchRect() const;
  TRect CombRect() const { return combRect_; }
  TPoint CombOrigin() const;
  int CombRadius() const { return radius_; }
  int CombCellSize() const { return combSize_; }
  TRect GreyRowRect() const { return greyRect_; }
  TRect IntensityBarRect() const { return barRect_; }
  // Comb cells in table order (127), and the grey row (17) in grey-row
  // coordinates (from the grey row rectangle's top-left corner).
  const std::vector<TCombEntry>& CombCells() const { return comb_; }
  const std::vector<TCombEntry>& GreyCells() const { return grey_; }
  int GreyCellSize(int i) const { return i == 0 || i == 16 ? 2 * combSize_ : combSize_; }

  // ---- the custom colour ----
  double Intensity() const { return intensity_; }
  void SetIntensity(double v);
  TColor CenterColor() const { return centerColor_; }
  // 0 none; comb cell i as i + 1; grey cell i as -(i + 1).
  int SelectedCombCell() const { return combSelected_; }
  void SetSelectedCombCell(int v);
  // The colour of the chosen comb or grey cell, else the custom colour.
  TColor CustomColor() const;
  // The comb (or grey) cell under a client point: as SelectedCombCell
  // numbers them, 0 for none.
  int CombCellAt(int x, int y) const;
  // The palette entry (or -3, -2) under a client point, -1 for none.
  int EntryAt(int x, int y) const;

  // ---- hints ----
  // The hint of the place under a client point; false when there is none.
  // The default and custom entries ask OnEntryHint.
  bool HintAt(int x, int y, std::string& hint) const;
  static constexpr int HintPause = 5000;
  std::function<void(int Cell, std::string& Hint)> OnEntryHint;

  // ---- outcome ----
  // A choice: a palette index, DefaultCell or CustomCell (its colour is
  // CustomColor()); NoCell closes without a choice.
  std::function<void(int Cell)> OnClose;
  // The window's size changed (the comb was shown or hidden).
  std::function<void()> OnResize;

  // Choosing the entry: palette and default entries close with it; the
  // custom entry opens the comb first, and closes with the comb colour once
  // it is open.
  void Choose(int index);

  // ---- TControlCore ----
  void Paint(TCanvas& c, const TRect& r) override;
  void MouseDown(TMouseButton b, TShiftState s, int x, int y) override;
  void MouseMove(TShiftState s, int x, int y) override;
  void MouseUp(TMouseButton b, TShiftState s, int x, int y) override;
  void MouseLeave() override;
  void KeyDown(int& key, TShiftState s) override;
  void KeyPress(char32_t& ch) override;

 private:
  void BuildComb();
  void Invalidate();
  void SetIntensityFromY(int y);
  void PaintEntry(TCanvas& c, int index, const TRect& r, const std::string& text);
  void PaintCell(TCanvas& c, int index);
  void PaintComb(TCanvas& c);
  void PaintHexagon(TCanvas& c, TPoint centre, int size, TColor color, bool outline);
  void PaintIntensityBar(TCanvas& c);
  int NextIndex(int key) const;
  bool HasDefault() const { return !defaultText_.empty(); }
  bool HasCustom() const { return !customText_.empty(); }
  bool CombShown() const { return selectedIndex_ == CustomCell && HasCustom(); }

  std::string defaultText_;
  std::string customText_ = "More...";
  bool showSystemColors_ = false;
  int spacing_ = 8;
  int edge_ = 2;
  int hoverIndex_ = NoCell;
  int selectedIndex_ = NoCell;
  TColor customColor_ = clBlack;
  // layout
  int width_ = 0;
  int height_ = 0;
  int gridTop_ = 0;
  TRect defaultRect_, customRect_, combRect_, greyRect_, barRect_;
  // comb
  int radius_ = 66;
  int combSize_ = 11;
  double intensity_ = 1.0;
  TColor centerColor_ = clWhite;
  int combSelected_ = 0;
  std::vector<TCombEntry> comb_;
  std::vector<TCombEntry> grey_;
  bool trackingBar_ = false;
};

enum TIndicatorBorder : std::uint8_t { ibEmpty, ibNone, ibFlat, ibSunken, ibRaised };
enum TButtonLayout : std::uint8_t { blGlyphLeft, blGlyphRight, blGlyphTop, blGlyphBottom };
enum TButtonState : std::uint8_t { bsUp, bsDisabled, bsDown, bsExclusive };

class TColorPickerButton : public TControlCore {
 public:
  TColorPickerButton();
  TColorPickerButton(const TColorPickerButton&) = delete;
  TColorPickerButton& operator=(const TColorPickerButton&) = delete;
  ~TColorPickerButton() override;

  // The pop-up presenter (not owned); without one the pop-up opens nowhere.
  void SetPresenter(TColorPopupPresenter* p) { presenter_ = p; }
  TColorPopup& Popup() { return popup_; }

  // ---- published properties ----
  TColor SelectionColor() const { return selectionColor_; }
  void SetSelectionColor(TColor v);
  const std::string& CustomText() const { return popup_.CustomText(); }
  void SetCustomText(const std::string& v) { popup_.SetCustomText(v); }
  const std::string& DefaultText() const { return popup_.DefaultText(); }
  void SetDefaultText(const std::string& v) { popup_.SetDefaultText(v); }
  bool ShowSystemColors() const { return popup_.ShowSystemColors(); }
  void SetShowSystemColors(bool v) { popup_.SetShowSystemColors(v); }
  int DropDownWidth() const { return dropDownWidth_; }
  void SetDropDownWidth(int v);
  TColor DropDownArrowColor() const { return arrowColor_; }
  void SetDropDownArrowColor(TColor v);
  int PopupSpacing() const { return popupSpacing_; }
  void SetPopupSpacing(int v);
  TIndicatorBorder IndicatorBorder() const { return indicatorBorder_; }
  void SetIndicatorBorder(TIndicatorBorder v);
  // The glyph: NumGlyphs images side by side (up, disabled, down, held
  // down); drawn with its bottom-left pixel's colour as transparent; with
  // one image the disabled one is derived from it.
  const TImage& Glyph() const { return glyph_; }
  void SetGlyph(const TImage& v);
  int NumGlyphs() const { return numGlyphs_; }
  void SetNumGlyphs(int v);
  TButtonLayout Layout() const { return layout_; }
  void SetLayout(TButtonLayout v);
  int Margin() const { return margin_; }
  void SetMargin(int v);  // -1 centres; values below -1 are ignored
  int Spacing() const { return spacing_; }
  void SetSpacing(int v);
  bool Flat() const { return flat_; }
  void SetFlat(bool v);
  bool Transparent() const { return transparent_; }
  void SetTransparent(bool v);
  bool Down() const { return down_; }
  void SetDown(bool v);
  int GroupIndex() const { return groupIndex_; }
  void SetGroupIndex(int v) { groupIndex_ = v; }
  bool AllowAllUp() const { return allowAllUp_; }
  void SetAllowAllUp(bool v) { allowAllUp_ = v; }
  bool Enabled() const { return enabled_; }
  void SetEnabled(bool v);
  TColor Color() const { return color_; }
  void SetColor(TColor v);
  static constexpr int DefaultWidth = 45;
  static constexpr int DefaultHeight = 22;

  bool DroppedDown() const { return droppedDown_; }
  void SetDroppedDown(bool v);
  TButtonState State() const { return state_; }

  // ---- events ----
  TNotifyEvent OnChange;
  TNotifyEvent OnClick;
  TNotifyEvent OnDblClick;
  TNotifyEvent OnDefaultSelect;
  std::function<void(bool& Allowed)> OnDropChanging;
  TNotifyEvent OnDropChanged;
  // Supplies the hint of the default (-3) and custom (-2) entries.
  using THintEvent = std::function<void(int Cell, std::string& Hint)>;
  THintEvent OnHint;

  // Fires OnDefaultSelect.
  virtual void DoDefaultSelect();

  // Where the pop-up opens for a button (screen rectangle) and a pop-up
  // size on a screen work area.
  static TRect PopupBounds(const TRect& button, TSize popup, const TRect& screen);

  // ---- TControlCore ----
  void Paint(TCanvas& c, const TRect& r) override;
  void MouseDown(TMouseButton b, TShiftState s, int x, int y) override;
  void MouseMove(TShiftState s, int x, int y) override;
  void MouseUp(TMouseButton b, TShiftState s, int x, int y) override;
  void DblClick() override;
  void MouseLeave() override;
  bool WantsAllKeys() const override { return false; }

 private:
  void Invalidate();
  void PopupClosed(int cell);
  void PlacePopup();
  TRect ContentRect(const TRect& client) const;
  void PaintGlyph(TCanvas& c, const TRect& content, bool pressed);
  void PaintIndicator(TCanvas& c, const TRect& content, bool pressed);
  void PaintArrow(TCanvas& c, const TRect& client);
  TImage GlyphImage(TButtonState s) const;

  TColorPopup popup_;
  TColorPopupPresenter* presenter_ = nullptr;
  TColor selectionColor_ = clBlack;
  int dropDownWidth_ = 15;
  TColor arrowColor_ = clBlack;
  int popupSpacing_ = 8;
  TIndicatorBorder indicatorBorder_ = ibFlat;
  TImage glyph_;
  int numGlyphs_ = 1;
  TButtonLayout layout_ = blGlyphLeft;
  int margin_ = -1;
  int spacing_ = 4;
  bool flat_ = false;
  bool transparent_ = true;
  bool down_ = false;
  int groupIndex_ = 0;
  bool allowAllUp_ = false;
  bool enabled_ = true;
  TColor color_ = clBtnFace;
  bool droppedDown_ = false;
  TButtonState state_ = bsUp;
  bool dragging_ = false;  // the left button went down on the face
  bool mouseInControl_ = false;
};

}  // namespace qv
