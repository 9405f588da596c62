// The object inspector: a two-column list with one row per published
// property of one object, names left of a movable divider (Middle) and
// values right of it. The current row's value is edited in place, picked
// from a drop-down list or edited through the editor's dialog; nested
// properties (fields of a font, members of a set, properties of an owned
// object) open below their row.
//
// Cores (ControlCore.h): TPropInspector paints and handles the list;
// TPropListButton is the small button at the right of the value cell;
// TPropPopupList the drop-down list. TPropInplaceEdit is the model of the
// edit box: its text, selection and the key rules; a TInplaceEditHost (the
// Qt line edit, or a test object) shows it and reports what the user does.
//
// Rows hold property editors (PropEditors.h). A value is applied through
// OnChanging (which may veto), the editor, then OnChange; a value the
// editor refuses is reported in a message box and the old value stays.
// The inspector forgets an object when told that it is destroyed
// (ObjectDestroyed). UI thread only.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/core/ControlCore.h"
#include "platform/core/Forms.h"
#include "platform/core/PublishedProps.h"
#include "support/PropEditors.h"

namespace qv {

class TPropInspector;
class TPropInplaceEdit;

enum TScrollBarStyle : std::uint8_t { ssRegular, ssFlat, ssHotTrack };

// One row: its editor, its level (0 for a top-level property), whether it
// has sub-properties and whether they are shown.
struct TPropEditorRow {
  std::unique_ptr<TPropertyEditor> Editor;
  int Level = 0;
  bool HasSubProps = false;
  bool Expanded = false;
};

// The designer the inspector hands to its editors: no object names and no
// method creation; a modification marks the inspector for a refresh.
class TPropFormDesigner : public TFormDesigner {
 public:
  explicit TPropFormDesigner(TPropInspector& inspector) : inspector_(inspector) {}
  std::string GetMethodName(TObjectRef object, const std::string& method) override;
  std::string GetObjectName(TObjectRef component) override;
  void GetComponentNames(const TClassInfo&, const TGetStrProc&) override {}
  TObjectRef GetComponent(const std::string&) override { return {}; }
  void Modified() override;
  // The name query of the designer interface.
  static std::string Name() { return "IFormDesigner.GetObjectName"; }

 private:
  TPropInspector& inspector_;
};

// What the in-place edit model needs of the widget that shows it.
class TInplaceEditHost {
 public:
  virtual ~TInplaceEditHost() = default;
  // Text, selection, read-only state, maximum length, bounds or visibility
  // changed: show them.
  virtual void EditStateChanged() = 0;
  virtual void FocusEdit() = 0;
  virtual bool EditFocused() const = 0;
  // The drop-down list window: show it at screen bounds, or hide it.
  virtual void ShowList(const TRect& screenBounds) = 0;
  virtual void HideList() = 0;
  // Inspector client coordinates to screen coordinates, and the work area
  // of the screen the inspector is on.
  virtual TPoint ClientToScreen(TPoint p) const = 0;
  virtual TRect ScreenWorkArea() const = 0;
  virtual std::int64_t NowMs() const = 0;
  virtual int DoubleClickTimeMs() const { return 500; }
};

// The drop-down list of values.
class TPropPopupList : public TControlCore {
 public:
  explicit TPropPopupList(TPropInplaceEdit& edit) : edit_(edit) {}
  static constexpr int MaxRows = 8;
  static constexpr int SearchResetMs = 2000;
  static constexpr int MaxSearch = 32;

  // Fills the list from an editor and sizes it: item height, rows, width.
  void Fill(TPropertyEditor& editor, const std::string& current, int minWidth, int maxWidth);
  const std::vector<std::string>& Items() const { return items_; }
  int ItemIndex() const { return itemIndex_; }
  void SetItemIndex(int i);
  int ItemHeight() const { return itemHeight_; }
  int VisibleRows() const { return rows_; }
  TSize ListSize() const { return {width_, rows_ * itemHeight_ + 2}; }
  int TopIndex() const { return topIndex_; }
  const std::string& SearchText() const { return search_; }

  void Paint(TCanvas& c, const TRect& r) override;
  void MouseDown(TMouseButton b, TShiftState s, int x, int y) override;
  void MouseMove(TShiftState s, int x, int y) override;
  void MouseUp(TMouseButton b, TShiftState s, int x, int y) override;
  bool MouseWheel(TShiftState s, int delta, int x, int y) override;
  void KeyDown(int& key, TShiftState s) override;
  void KeyPress(char32_t& ch) override;
  void Scroll(TScrollBarKind bar, TScrollCode code, int pos) override;

 private:
  int ItemAt(int y) const;
  void UpdateScroll();
  TPropInplaceEdit& edit_;
  TPropertyEditor* editor_ = nullptr;
  std::vector<std::string> items_;
  int itemIndex_ = -1;
  int itemHeight_ = 16;
  int rows_ = 1;
  int width_ = 0;
  int topIndex_ = 0;
  bool tracking_ = false;
  std::string search_;
  std::int64_t lastKey_ = 0;
};

// The button at the right of the value cell: an arrow for a value list
// (kind 2), an ellipsis for a dialog (kind 1).
class TPropListButton : public TControlCore {
 public:
  explicit TPropListButton(TPropInplaceEdit& edit) : edit_(edit) {}
  int Kind() const;
  bool Pressed() const { return pressed_; }

  void Paint(TCanvas& c, const TRect& r) override;
  void MouseDown(TMouseButton b, TShiftState s, int x, int y) override;
  void MouseMove(TShiftState s, int x, int y) override;
  void MouseUp(TMouseButton b, TShiftState s, int x, int y) override;
  void KeyDown(int& key, TShiftState s) override;

 private:
  TPropInplaceEdit& edit_;
  bool pressed_ = false;
  bool tracking_ = false;
};

// The in-place edit box of the current row (its model).
class TPropInplaceEdit {
 public:
  explicit TPropInplaceEdit(TPropInspector& inspector);
  TPropInplaceEdit(const TPropInplaceEdit&) = delete;
  TPropInplaceEdit& operator=(const TPropInplaceEdit&) = delete;

  void SetHost(TInplaceEditHost* host) { host_ = host; }
  TInplaceEditHost* Host() const { return host_; }
  TPropInspector& Inspector() { return inspector_; }
  TPropListButton& Button() { return button_; }
  TPropPopupList& List() { return list_; }

  // ---- state shown by the host ----
  const std::string& Text() const { return text_; }
  // Sets the text as the program does (not a user change).
  void SetText(const std::string& t);
  int SelStart() const { return selStart_; }
  int SelLength() const { return selLength_; }
  void SetSel(int start, int length);
  void SelectAll();
  bool Modified() const { return modified_; }
  void SetModified(bool v) { modified_ = v; }
  int MaxLength() const { return maxLength_; }
  bool ReadOnly() const { return readOnly_; }
  bool AutoUpdate() const { return autoUpdate_; }
  // 0 none, 1 dialog (ellipsis), 2 value list (arrow).
  int ButtonKind() const { return buttonKind_; }
  bool Visible() const { return visible_; }
  // In inspector client coordinates: the edit and its button.
  TRect Bounds() const { return bounds_; }
  TRect ButtonBounds() const { return buttonBounds_; }
  bool DroppedDown() const { return droppedDown_; }

  // ---- from the inspector ----
  // Places the edit in a row's value cell (an empty cell hides it).
  void Move(const TRect& cell, int buttonKind, int buttonWidth);
  void Hide();
  void Configure(int maxLength, bool readOnly, bool autoUpdate);
  void SetRowPressTime(std::int64_t ms) { rowPressTime_ = ms; }

  // ---- from the host: what the user does ----
  // A key before the edit handles it; key set to 0 when consumed.
  void KeyDown(int& key, TShiftState s);
  // A typed character; 0 when consumed (Enter, Escape).
  void KeyPress(char32_t& ch);
  // The edit's text after the user changed it, with the caret/selection.
  void UserChanged(const std::string& text, int selStart, int selLength);
  // A left press in the edit (a double click when it follows a row press
  // within the double-click time).
  void MouseDown();
  void DblClick();
  void FocusIn();
  // toOwnParts: the focus went to the inspector or the list button.
  void FocusOut(bool toOwnParts);

  // ---- the drop-down list ----
  void DropDown();
  // accept: take the list's selected value.
  void CloseUp(bool accept);

 private:
  void Changed();
  TPropInspector& inspector_;
  TInplaceEditHost* host_ = nullptr;
  TPropListButton button_;
  TPropPopupList list_;
  std::string text_;
  int selStart_ = 0;
  int selLength_ = 0;
  bool modified_ = false;
  int maxLength_ = 0;
  bool readOnly_ = false;
  bool autoUpdate_ = false;
  int buttonKind_ = 0;
  bool visible_ = false;
  TRect bounds_, buttonBounds_;
  bool droppedDown_ = false;
  bool lastKeyDeleted_ = false;
  std::int64_t rowPressTime_ = -1000000;
};

// A value hint: the text, the area it belongs to (client coordinates) and
// where it shows (client coordinates; the host maps them to the screen).
struct THintInfo {
  std::string HintStr;
  TRect CursorRect;
  TPoint HintPos;
};

class TPropInspector : public TControlCore {
 public:
  using TNewObjectEvent =
      std::function<void(TPropInspector& Sender, TObjectRef OldObj, TObjectRef NewObj)>;
  using TChangingEvent =
      std::function<void(TPropInspector& Sender, TPropertyEditor& Prop, bool& CanChange)>;
  using TChangeEvent = std::function<void(TPropInspector& Sender, TPropertyEditor& Prop)>;
  using THintEvent =
      std::function<void(TPropInspector& Sender, TPropertyEditor& Prop, THintInfo& HintInfo)>;

  TPropInspector();
  TPropInspector(const TPropInspector&) = delete;
  TPropInspector& operator=(const TPropInspector&) = delete;
  ~TPropInspector() override;

  // ---- published properties ----
  TColor PropColor() const { return propColor_; }
  void SetPropColor(TColor v);
  bool IntegralHeight() const { return integralHeight_; }
  void SetIntegralHeight(bool v) { integralHeight_ = v; }
  // The height a new height is cut to (with IntegralHeight).
  int AdjustHeight(int height) const;
  TTypeKinds Filter() const { return filter_; }
  void SetFilter(TTypeKinds v);
  bool NewButtons() const { return newButtons_; }
  void SetNewButtons(bool v);
  int Middle() const { return middle_; }
  // Clamped to 32 .. client width - 32.
  void SetMiddle(int v);
  TScrollBarStyle ScrollBarStyle() const { return scrollBarStyle_; }
  void SetScrollBarStyle(TScrollBarStyle v) { scrollBarStyle_ = v; }
  TBorderStyle BorderStyle() const { return borderStyle_; }
  void SetBorderStyle(TBorderStyle v);
  TColor Color() const { return color_; }
  void SetColor(TColor v);
  const TFont& Font() const { return font_; }
  void SetFont(const TFont& f);
  bool ShowHint() const { return showHint_; }
  void SetShowHint(bool v) { showHint_ = v; }
  static constexpr int DefaultWidth = 200;
  static constexpr int DefaultHeight = 200;

  TNewObjectEvent OnNewObject;
  TChangingEvent OnChanging;
  TChangeEvent OnChange;
  THintEvent OnHint;

  // ---- the inspected object ----
  TObjectRef InspectedObject() const { return object_; }
  void SetInspectedObject(TObjectRef obj);
  // An object is being destroyed: when it is the inspected one, the
  // inspector shows none.
  void ObjectDestroyed(const void* object);

  // ---- rows ----
  int RowCount() const { return int(rows_.size()); }
  const TPropEditorRow& Row(int i) const { return rows_.at(std::size_t(i)); }
  int RowHeight() const { return rowHeight_; }
  int TopRow() const { return topRow_; }
  void SetTopRow(int v);
  int CurrentRow() const { return current_; }
  void SetCurrentRow(int v);
  int VisibleRowCount() const;
  // The names of a row and its ancestors joined by "\".
  std::string RowPath(int row) const;
  int FindPath(const std::string& path);
  // Expands or collapses the current row (a row with sub-properties).
  void ToggleExpansion();
  void Rebuild();
  // Re-reads the values (after the object changed behind the inspector).
  void Refresh();

  TRect NameRect(int row) const;
  TRect ValueRect(int row) const;

  // ---- editing ----
  TPropInplaceEdit& InplaceEdit() { return edit_; }
  TPropFormDesigner& Designer() { return designer_; }
  // Applies a text (or, with dialog, the editor's edit operation) to a
  // row's property; false when vetoed or refused.
  bool ApplyValue(TPropertyEditor& editor, const std::string& text, bool dialog);
  // Applies the in-place editor's pending text; refresh: read the text back.
  bool ApplyPendingEdit(bool refresh);
  // Fills the in-place editor from the current row.
  void RefreshEditor(bool activate);
  // A modification through the designer: values are re-read.
  void MarkModified() { needsRefresh_ = true; }

  // ---- hints ----
  // The value hint at a client point (a value wider than its cell); false
  // when there is none.
  bool ValueHint(int x, int y, THintInfo& info);

  // ---- TControlCore ----
  void SetHost(TControlHost* host) override;
  void Paint(TCanvas& c, const TRect& r) override;
  void MouseDown(TMouseButton b, TShiftState s, int x, int y) override;
  void MouseMove(TShiftState s, int x, int y) override;
  void MouseUp(TMouseButton b, TShiftState s, int x, int y) override;
  void DblClick() override;
  bool MouseWheel(TShiftState s, int delta, int x, int y) override;
  void KeyDown(int& key, TShiftState s) override;
  void Resize(int width, int height) override;
  void Scroll(TScrollBarKind bar, TScrollCode code, int pos) override;
  bool WantsAllKeys() const override { return true; }

  // Clock of the row presses (the edit's double-click rule); tests set it.
  std::function<std::int64_t()> Clock;

 private:
  friend class TPropInplaceEdit;
  void UpdateRowHeight();
  void UpdateScrollBar();
  void Invalidate();
  void InvalidateRow(int row);
  void MoveEditor();
  void ExpandRow(int row);
  void CollapseRow(int row);
  void AddRows(int level, int at, TPropertyEditor& parent, int& count);
  void PaintRow(TCanvas& c, int row, int y);
  int ClientWidth() const;
  int ClientHeight() const;
  std::int64_t Now() const;

  TObjectRef object_;
  std::vector<TPropEditorRow> rows_;
  int topRow_ = 0;
  int current_ = -1;
  int rowHeight_ = 16;
  TPropInplaceEdit edit_;
  TPropFormDesigner designer_;
  TColor propColor_ = clNavy;
  bool integralHeight_ = false;
  TTypeKinds filter_ = tkProperties;
  bool newButtons_ = true;
  int middle_ = 85;
  TScrollBarStyle scrollBarStyle_ = ssRegular;
  TBorderStyle borderStyle_ = bsSingle;
  TColor color_ = clBtnFace;
  TFont font_;
  bool showHint_ = true;
  bool draggingDivider_ = false;
  bool tracking_ = false;
  bool applying_ = false;
  bool destroying_ = false;
  bool needsRefresh_ = false;
};

}  // namespace qv
