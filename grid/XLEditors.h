// In-cell editing: the editor host TXLEdit that a grid owns, and the
// editor cores that it lays over the cell being edited.
//
// The manager (TXLManager) lists the editor kinds of each cell class; the
// cell's Editor property picks one by index. Each kind has a core here
// (TXLMaskEdit, TXLNumEdit, TXLMemo, TXLPickEdit, TXLComboBox,
// TXLDateEdit, TXLTimeEdit) that knows how to load a cell's value, store
// it back, take the cell's layout and filter keys; the control itself (the
// text field, list or picker) is a TXLEditorWidget that the grid's host
// makes: a Qt widget (grid/qt), or a fake in tests.
//
// The editor protocol of the cell's value:
//   Load(cell)       the editor takes the cell's value, format and lists
//   Store(cell)      the editor writes its value into the cell
//   SetLayout(l)     the editor adopts alignment and indent
// Store writes only what the user changed: an editor whose text is still
// the loaded one leaves the cell as it is, so opening and closing an
// editor never rounds or reformats a value.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "grid/XLCellClasses.h"
#include "platform/core/ControlCore.h"

namespace qv {

class TXLGrid;
class TXLView;

// The control of an in-cell editor, as its host offers it. Positions and
// lengths count characters (code points). Optional parts do nothing by
// default.
class TXLEditorWidget {
 public:
  virtual ~TXLEditorWidget() = default;
  virtual std::string Text() const = 0;
  virtual void SetText(const std::string& text) = 0;
  virtual int SelStart() const = 0;
  virtual int SelLength() const = 0;
  virtual void SetSelection(int start, int length) = 0;
  void SelectAll() { SetSelection(0, TextLength()); }
  int TextLength() const;
  // Replaces the selection by text, as typing does (empty: deletes it).
  virtual void ReplaceSelection(const std::string& text) = 0;
  // The font (already scaled) and the background colour.
  virtual void SetLook(const TFont& font, TColor color) = 0;
  virtual void SetAlignment(THorzAlign align, int indent) {
    (void)align;
    (void)indent;
  }
  // The height of one line ("Aj") in the control's font.
  virtual int TextHeight() const = 0;
  virtual void SetHint(const std::string& text) { (void)text; }
  // Lists.
  virtual void SetItems(const std::vector<std::string>& items) { (void)items; }
  virtual void SetItemIndex(int index) { (void)index; }
  virtual int ItemIndex() const { return -1; }
  // The number editor's spinner.
  virtual void SetSpinner(bool on) { (void)on; }
  // An edit mask ("mask;save;blank"), empty for none.
  virtual void SetEditMask(const std::string& mask) { (void)mask; }
  // The most characters the text takes; 0 for no limit.
  virtual void SetMaxLength(int n) { (void)n; }
  // Date and time pickers: the value (days since 30 Dec 1899) and whether
  // the picker shows the date (else the time).
  virtual void SetDateTime(double value, bool dateMode) {
    (void)value;
    (void)dateMode;
  }
  virtual double DateTime() const { return 0; }
};

// Where a navigation key goes.
enum TXLKeyRoute : std::uint8_t { krEditor, krGrid };

// The core of an editor of one kind.
class TXLInplaceEditor {
 public:
  explicit TXLInplaceEditor(TXLEditorKind kind) : kind_(kind) {}
  virtual ~TXLInplaceEditor() = default;
  TXLInplaceEditor(const TXLInplaceEditor&) = delete;
  TXLInplaceEditor& operator=(const TXLInplaceEditor&) = delete;

  TXLEditorKind Kind() const { return kind_; }
  // The control (owned by the host); null until the host made it.
  TXLEditorWidget* Widget() const { return widget_; }
  void SetWidget(TXLEditorWidget* w) { widget_ = w; }

  virtual void Load(TXLCell& cell) = 0;
  virtual void Store(TXLCell& cell) = 0;
  virtual void SetLayout(const TXLLayout& layout);
  // The editor's own height; the host places it by the vertical alignment.
  virtual int EditorHeight() const;
  // Pickers fill their host.
  virtual bool FillsHost() const { return false; }
  // Where a navigation key without Shift, Ctrl or Alt goes.
  virtual TXLKeyRoute RouteKey(int key, TShiftState s) const;
  // Keys the editor handles itself (the number editor's steps); true when
  // handled.
  virtual bool HandleKey(int key, TShiftState s) {
    (void)key;
    (void)s;
    return false;
  }
  // A typed character; 0 refuses it.
  virtual void FilterChar(char32_t& ch) { (void)ch; }
  // After a typed character reached the control.
  virtual void AfterChar(char32_t ch) { (void)ch; }
  // Puts the caret after loading (at the end of the text).
  virtual void AfterLoad();

  // The state the user sees, to tell whether it changed since loading.
  virtual std::string Snapshot() const;
  void MarkLoaded() { loaded_ = Snapshot(); }
  bool Modified() const { return Snapshot() != loaded_; }

 private:
  TXLEditorKind kind_;
  TXLEditorWidget* widget_ = nullptr;
  std::string loaded_;
};

// A text field: the text is the cell's display text, laid into the cell's
// Format as an edit mask when it has one; storing sets the text as a
// variant. Left at the start and Right at the end of the text, and Up and
// Down, pass to the grid.
class TXLMaskEdit : public TXLInplaceEditor {
 public:
  TXLMaskEdit() : TXLInplaceEditor(ekMaskEdit) {}
  void Load(TXLCell& cell) override;
  void Store(TXLCell& cell) override;
  TXLKeyRoute RouteKey(int key, TShiftState s) const override;
  THorzAlign Alignment() const { return align_; }
  int Indent() const { return indent_; }
  void SetLayout(const TXLLayout& layout) override;
  const std::string& EditMask() const { return mask_; }

 protected:
  explicit TXLMaskEdit(TXLEditorKind kind) : TXLInplaceEditor(kind) {}
  std::string mask_;

 private:
  THorzAlign align_ = haLeft;
  int indent_ = 0;
};

// A number field. Format is cut at "|" and ";"; a format without "."
// (and a TXLCInteger cell) puts it in integer mode, where values are whole.
// The limits hold while MinValue < MaxValue: Value is clamped to them, and
// a typed value outside them raises EXLGridError "Value out of range!"
// when stored. Typed characters are limited to digits, signs and, outside
// integer mode, the decimal separator and the exponent.
class TXLNumEdit : public TXLMaskEdit {
 public:
  TXLNumEdit() : TXLMaskEdit(ekNumEdit) {}
  void Load(TXLCell& cell) override;
  void Store(TXLCell& cell) override;
  bool HandleKey(int key, TShiftState s) override;
  void FilterChar(char32_t& ch) override;
  TXLKeyRoute RouteKey(int key, TShiftState s) const override;

  double Value() const { return value_; }
  // Clamped to the limits in force; the text shows the value.
  void SetValue(double v);
  double MinValue() const { return min_; }
  void SetMinValue(double v) { min_ = v; }
  double MaxValue() const { return max_; }
  void SetMaxValue(double v) { max_ = v; }
  bool LimitsInForce() const { return min_ < max_; }
  const std::string& Format() const { return format_; }
  // Sets the display format (the part before "|" and ";") and the integer
  // mode it implies.
  void SetFormat(const std::string& format);
  bool IntegerMode() const { return integer_; }
  void SetIntegerMode(bool v);
  bool Spinner() const { return spinner_; }
  void SetSpinner(bool v);
  // The step of the spinner and of Shift+Up/Down.
  double Increment() const;
  // Adds n increments to the value of the text.
  void Step(int n);

  // The text of a value: the first section of the display format, without
  // thousands separators (so it reads back).
  std::string FormatValue(double v) const;
  // The value of a text: an empty text is 0; literals of the format are
  // ignored. EConvertError for a text that is no number, EXLGridError
  // "Value out of range!" outside the limits in force.
  double ParseText(const std::string& text) const;

 private:
  double value_ = 0;
  double min_ = 0;
  double max_ = 0;
  std::string format_;
  bool integer_ = false;
  bool integerSet_ = false;
  bool spinner_ = false;
};

// A multi-line text: a list cell's items, one per line, or the cell's
// text; storing sets the whole text (a list cell's items).
class TXLMemo : public TXLInplaceEditor {
 public:
  TXLMemo() : TXLInplaceEditor(ekMemo) {}
  void Load(TXLCell& cell) override;
  void Store(TXLCell& cell) override;
  int EditorHeight() const override;
  int Indent() const { return indent_; }
  void SetLayout(const TXLLayout& layout) override;

 private:
  int indent_ = 0;
};

// A text with a drop-down list. A list cell (TXLCStrings) offers its items
// and stores the chosen index; any other cell offers the distinct texts of
// the other cells of its column, sorted, and stores the text. Typing a
// printable character completes the text from the list and selects the
// completed tail.
class TXLPickEdit : public TXLInplaceEditor {
 public:
  TXLPickEdit() : TXLInplaceEditor(ekPickEdit) {}
  void Load(TXLCell& cell) override;
  void Store(TXLCell& cell) override;
  void AfterChar(char32_t ch) override;
  std::string Snapshot() const override;

  const std::vector<std::string>& Items() const { return items_; }
  void SetItems(const std::vector<std::string>& items);
  int ItemIndex() const;
  void SetItemIndex(int index);
  int MaxLength() const { return maxLength_; }
  void SetMaxLength(int v);
  bool Sorted() const { return sorted_; }
  void SetSorted(bool v) { sorted_ = v; }
  // Whether the cell being edited keeps a list (stores ItemIndex).
  bool ListCell() const { return listCell_; }
  // The first item that starts with text (ignoring case), or -1.
  int FindPrefix(const std::string& text) const;
  // After a typed printable character: the text becomes the first item
  // starting with it and the untyped tail is selected.
  void Complete();

  std::function<void(TXLPickEdit&)> OnChange;
  std::function<void(TXLPickEdit&)> OnDropDown;

 protected:
  explicit TXLPickEdit(TXLEditorKind kind) : TXLInplaceEditor(kind) {}
  // Loads a list cell; false for any other cell.
  bool LoadList(TXLCell& cell);
  std::vector<std::string> items_;
  bool listCell_ = false;

 private:
  int maxLength_ = 0;
  bool sorted_ = false;
};

// A fixed list: a list cell's items, or the lines of the cell's text; only
// listed items can be chosen.
class TXLComboBox : public TXLPickEdit {
 public:
  TXLComboBox() : TXLPickEdit(ekComboBox) {}
  void Load(TXLCell& cell) override;
  void AfterChar(char32_t) override {}
};

// A date or time picker filling its host; stores the date-time value.
class TXLDateTimePicker : public TXLInplaceEditor {
 public:
  void Store(TXLCell& cell) override;
  bool FillsHost() const override { return true; }
  std::string Snapshot() const override;
  TXLKeyRoute RouteKey(int key, TShiftState s) const override;

 protected:
  explicit TXLDateTimePicker(TXLEditorKind kind) : TXLInplaceEditor(kind) {}
};

class TXLDateEdit : public TXLDateTimePicker {
 public:
  TXLDateEdit() : TXLDateTimePicker(ekDateEdit) {}
  void Load(TXLCell& cell) override;
};

class TXLTimeEdit : public TXLDateTimePicker {
 public:
  TXLTimeEdit() : TXLDateTimePicker(ekTimeEdit) {}
  void Load(TXLCell& cell) override;
};

// The editor core of a kind; null for ekNone.
std::unique_ptr<TXLInplaceEditor> CreateInplaceEditor(TXLEditorKind kind);
// The distinct texts of the cells of a cell's column in its section, other
// than the cell itself, sorted without regard to case; empty texts left out.
std::vector<std::string> ColumnTexts(const TXLCell& cell);

// ---- the editor host -------------------------------------------------------

// The host of the in-cell editor, owned by a grid: attaches a cell, lays
// the editor over it, routes the editor's keys, detaches storing or not.
class TXLEdit {
 public:
  explicit TXLEdit(TXLGrid& grid);
  ~TXLEdit();
  TXLEdit(const TXLEdit&) = delete;
  TXLEdit& operator=(const TXLEdit&) = delete;

  TXLGrid& Grid() const { return grid_; }
  // The view served and the cell attached (null when not editing).
  TXLView* View() const { return view_; }
  TXLCell* Cell() const { return cell_; }
  TXLInplaceEditor* Editor() const { return editor_.get(); }
  bool Attached() const { return cell_ != nullptr; }
  // 0 when not attached, else 1 or 2.
  int Mode() const { return cell_ ? mode_ : 0; }
  // Sets 1 or 2 while attached; fires the grid's OnEditModeChanged.
  void SetMode(int mode);

  // Attaches the cell of a view (a merged block's origin); false, with
  // nothing attached, when the cell's class has no editor. A previous cell
  // is stored first (raising when it cannot be).
  bool Attach(TXLView& view, TXLCell& cell, int mode);
  // With store, the editor's changes are written to the cell first (an
  // exception leaves the editor attached); then the host hides.
  void Detach(bool store);
  // Forgets the cell without storing (the cell or the sheet goes).
  void Drop();

  // Places the host over the cell again (scrolling, zoom, sizes).
  void UpdatePlacement();
  // Takes the cell's look again (colour, scaled font, layout).
  void UpdateLook();
  // The host's rectangle in view pixels and the editor's in host pixels.
  TRect HostRect() const { return hostRect_; }
  TRect EditorRect() const { return editorRect_; }

  // ---- keys of the editor's key-receiving control ----
  // key becomes 0 when the key was handled here (passed to the grid).
  void EditorKeyDown(int& key, TShiftState s);
  // ch becomes 0 when refused or handled here.
  void EditorKeyPress(char32_t& ch);
  // After a character reached the control.
  void EditorAfterChar(char32_t ch);
  // A character typed in the grid: selects the whole text (selectAll) and
  // types ch, so that it replaces the text.
  void TypeChar(char32_t ch, bool selectAll = true);
  // Text committed by an input method while no key reached the control.
  void TypeText(const std::string& text);
  // The control was freed from outside: forget it and the cell.
  void EditorDestroyed();

 private:
  void SetCellEditing(bool on);
  // Frees the editor and its control.
  void FreeEditor();
  void Place();

  TXLGrid& grid_;
  TXLView* view_ = nullptr;
  TXLCell* cell_ = nullptr;
  std::unique_ptr<TXLInplaceEditor> editor_;
  int mode_ = 0;
  TRect hostRect_;
  TRect editorRect_;
  TColor color_ = clWindow;
};

}  // namespace qv
