// The combo box control core (the system combo box as the class library
// wraps it): a list of strings with objects, an edit field (editable styles)
// or a face showing the chosen item (list styles), and a drop-down list.
//
// The host shows the edit field and the drop-down window; the core keeps
// their state. TComboBoxHost is what the core asks of the host beyond the
// control host: the edit field's text and selection, and showing or hiding
// the drop-down list, whose contents the core paints and whose mouse input
// the core handles through ListCore().
//
// Notifications follow the system combo box: OnChange when the text or the
// selection changes, OnSelect when the selection changes, OnDropDown and
// OnCloseUp around the list, OnSelEndOk when an item was picked from the
// list and OnSelEndCancel when the list closed without a pick.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "platform/core/Classes.h"
#include "platform/core/ControlCore.h"

namespace qv {

enum TComboBoxStyle : std::uint8_t {
  csDropDown,
  csSimple,
  csDropDownList,
  csOwnerDrawFixed,
  csOwnerDrawVariable
};

// Owner-draw state bits.
using TOwnerDrawState = unsigned;
constexpr TOwnerDrawState odSelected = 1, odGrayed = 2, odDisabled = 4, odChecked = 8;
constexpr TOwnerDrawState odFocused = 16, odDefault = 32, odComboBoxEdit = 64;

class TComboBoxHost {
 public:
  virtual ~TComboBoxHost() = default;
  // The edit field shows text with the given selection (editable styles).
  virtual void SetEditText(const std::string& text, int selStart, int selLength) = 0;
  virtual void SetEditReadOnly(bool readOnly) = 0;
  // Opens the drop-down list with a size in pixels, or closes it.
  virtual void ShowDropDown(bool show, int width, int height) = 0;
  virtual void InvalidateDropDown() = 0;
  virtual void Beep() {}
  // Moves the focus on as a Tab key would, after the current event.
  virtual void PostTab() {}
};

class TCustomComboBox;

// The string list of a combo box; deletions tell the combo.
class TComboItems : public TStringList {
 public:
  explicit TComboItems(TCustomComboBox& combo) : combo_(combo) {}
  void Delete(int index) override;
  void Clear() override;

 protected:
  void Changed() override;

 private:
  TCustomComboBox& combo_;
};

// Timer ids of the combo box.
constexpr int ComboSearchTimer = 201;

class TCustomComboBox : public TControlCore {
 public:
  TCustomComboBox();
  ~TCustomComboBox() override;
  TCustomComboBox(const TCustomComboBox&) = delete;
  TCustomComboBox& operator=(const TCustomComboBox&) = delete;

  TComboItems& Items() { return items_; }
  void SetComboHost(TComboBoxHost* host);
  TComboBoxHost* ComboHost() const { return comboHost_; }

  // ---- settings ----
  TComboBoxStyle Style() const { return style_; }
  void SetStyle(TComboBoxStyle v);
  // csDropDown and csSimple have an edit field.
  bool Editable() const { return style_ == csDropDown || style_ == csSimple; }
  bool OwnerDraw() const { return style_ == csOwnerDrawFixed || style_ == csOwnerDrawVariable; }
  bool Sorted() const { return items_.Sorted(); }
  void SetSorted(bool v) { items_.SetSorted(v); }
  int DropDownCount() const { return dropDownCount_; }
  void SetDropDownCount(int v) { dropDownCount_ = std::max(v, 1); }
  // 0: as wide as the control.
  int DropDownWidth() const { return dropDownWidth_; }
  virtual void SetDropDownWidth(int v);
  int ItemHeight();
  void SetItemHeight(int v);
  int MaxLength() const { return maxLength_; }
  void SetMaxLength(int v) { maxLength_ = std::max(v, 0); }
  TColor Color() const { return color_; }
  void SetBackColor(TColor v);
  TFont& Font() { return font_; }
  bool Enabled() const { return enabled_; }
  virtual void SetEnabled(bool v);

  // ---- state ----
  int ItemIndex() const { return itemIndex_; }
  // Selects an item (-1: none) without firing events.
  void SetItemIndex(int v);
  std::string Text() const;
  void SetText(const std::string& v);
  int SelStart() const { return selStart_; }
  int SelLength() const { return selLength_; }
  void SetSelection(int start, int length);
  bool DroppedDown() const { return droppedDown_; }
  void SetDroppedDown(bool v);
  bool Focused() const;
  int ClientWidth() const { return width_; }
  int ClientHeight() const { return height_; }
  // The edit field's place, the button's place.
  TRect EditRect() const;
  TRect ButtonRect() const;
  // The first item starting with text, ignoring case (-1: none).
  virtual int FindItem(const std::string& text);
  int FindStringExact(const std::string& text, int start = -1);

  // ---- the drop-down list ----
  int TopIndex() const { return topIndex_; }
  void SetTopIndex(int v);
  int HotIndex() const { return hotIndex_; }
  int ListVisibleCount();
  int ListWidth();
  int ListHeight();
  // The list's contents, mouse and scrolling, in the list's own pixels.
  TControlCore& ListCore();
  // Closes the list; ok: an item was picked (sel-end-ok), else cancelled.
  virtual void CloseUp(bool ok);

  // ---- the edit field (called by the host) ----
  // The user changed the text (typing, pasting, deleting).
  virtual void EditTextChanged(const std::string& text, int selStart, int selLength);
  // A character typed into the edit field, before the field sees it; set
  // ch to 0 to consume it.
  virtual void EditKeyPress(char32_t& ch);
  // A key pressed in the edit field; set key to 0 to consume it.
  virtual void EditKeyDown(int& key, TShiftState shift);

  // ---- events ----
  std::function<void()> OnChange;
  std::function<void()> OnSelect;
  std::function<void()> OnDropDown;
  std::function<void()> OnCloseUp;
  std::function<void()> OnSelEndOk;
  std::function<void()> OnSelEndCancel;
  std::function<void(int index, const TRect&, TOwnerDrawState)> OnDrawItem;
  std::function<void(int index, int& height)> OnMeasureItem;
  std::function<void(char32_t& ch)> OnKeyPress;
  std::function<void(int& key, TShiftState)> OnKeyDown;
  // The canvas OnDrawItem draws on (valid while it runs).
  TCanvas* DrawCanvas() const { return drawCanvas_; }

  // ---- TControlCore ----
  void SetHost(TControlHost* host) override;
  void Paint(TCanvas& canvas, const TRect& rect) override;
  void MouseDown(TMouseButton button, TShiftState shift, int x, int y) override;
  void KeyDown(int& key, TShiftState shift) override;
  void KeyPress(char32_t& ch) override;
  bool MouseWheel(TShiftState shift, int delta, int x, int y) override;
  void FocusIn() override;
  void FocusOut() override;
  void Resize(int width, int height) override;
  bool WantsAllKeys() const override { return false; }

  void Invalidate();
  // Width of the drop-down button.
  static constexpr int ButtonWidth = 17;

 protected:
  virtual void Change();
  virtual void Select();
  virtual void DropDown();
  // Draws an item of the list (or of the face with odComboBoxEdit).
  virtual void DrawItem(TCanvas& canvas, int index, const TRect& rect, TOwnerDrawState state);
  // The standard drop-down button.
  virtual void PaintButton(TCanvas& canvas, const TRect& rect, bool pressed);
  // An item is about to be deleted (its object still set).
  virtual void ItemDeleting(int index) { (void)index; }
  virtual void ItemsChanged();
  // Selects an item as the user does: events and the edit text follow.
  void SelectByUser(int index);
  void UpdateEditText();
  TFontService& Fonts();
  void PaintListTo(TCanvas& canvas, const TRect& rect);
  void PaintItemAt(TCanvas& c, int index, const TRect& r, TOwnerDrawState state);

  TComboBoxHost* comboHost_ = nullptr;
  TColor color_ = clWindow;
  bool enabled_ = true;
  int width_ = 145;
  int height_ = 21;
  std::string text_;
  int selStart_ = 0, selLength_ = 0;

 private:
  friend class TComboItems;
  class TListCore;
  TComboItems items_;
  TFont font_;
  std::unique_ptr<TListCore> listCore_;
  TComboBoxStyle style_ = csDropDown;
  int dropDownCount_ = 8;
  int dropDownWidth_ = 0;
  int itemHeight_ = 0;  // 0: from the font
  int maxLength_ = 0;
  int itemIndex_ = -1;
  bool droppedDown_ = false;
  int topIndex_ = 0;
  int hotIndex_ = -1;
  TCanvas* drawCanvas_ = nullptr;
};

}  // namespace qv
