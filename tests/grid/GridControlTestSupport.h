// A grid core on fake hosts: four view hosts sharing one focus owner, a
// panel host that records timers, errors and hints, and editor controls
// that keep their text and selection in plain fields.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "grid/XLEditors.h"
#include "grid/XLGrid.h"
#include "platform/core/Codepage.h"
#include "tests/support/ControlHostTestSupport.h"

namespace qv::test {

// Who has the keyboard focus: a view host, the editor, or nothing.
struct TFocus {
  const void* Owner = nullptr;
};

class TFakeViewHost : public TFakeControlHost {
 public:
  explicit TFakeViewHost(TFocus& focus) : focus_(focus) {}
  bool Focused() const override { return focus_.Owner == this; }
  void SetFocus() override { focus_.Owner = this; }
  std::vector<TRect> Invalid;
  void InvalidateRect(const TRect& r) override {
    ++Invalidations;
    Invalid.push_back(r);
  }
  void Invalidate() override {
    ++Invalidations;
    Invalid.push_back(Client);
  }

 private:
  TFocus& focus_;
};

class TFakeEditorWidget : public TXLEditorWidget {
 public:
  std::u32string Chars;
  int Start = 0, Length = 0;
  THorzAlign Align = haLeft;
  int IndentPx = 0;
  TFont Font;
  TColor Color = clNone;
  int LineHeight = 16;
  std::vector<std::string> Items;
  int Index = -1;
  bool Spinner = false;
  std::string Mask;
  double Value = 0;
  bool DateMode = true;
  std::string Hint;

  std::string Text() const override {
    std::string s;
    for (char32_t c : Chars) Utf8Append(s, c);
    return s;
  }
  void SetText(const std::string& text) override {
    Chars.clear();
    for (std::size_t p = 0; p < text.size();) Chars.push_back(Utf8Next(text, p));
    Start = static_cast<int>(Chars.size());
    Length = 0;
  }
  int SelStart() const override { return Start; }
  int SelLength() const override { return Length; }
  void SetSelection(int start, int length) override {
    const int n = static_cast<int>(Chars.size());
    Start = std::clamp(start, 0, n);
    Length = std::clamp(length, 0, n - Start);
  }
  void ReplaceSelection(const std::string& text) override {
    std::u32string in;
    for (std::size_t p = 0; p < text.size();) in.push_back(Utf8Next(text, p));
    Chars.replace(Start, Length, in);
    Start += static_cast<int>(in.size());
    Length = 0;
  }
  // Typing as a control does: a character replaces the selection,
  // backspace deletes it or the character before the caret.
  void Type(char32_t ch) {
    if (ch == 8) {
      if (Length == 0 && Start > 0) {
        --Start;
        Length = 1;
      }
      ReplaceSelection("");
      return;
    }
    std::string s;
    Utf8Append(s, ch);
    ReplaceSelection(s);
  }
  void SetLook(const TFont& font, TColor color) override {
    Font.Assign(font);
    Color = color;
  }
  void SetAlignment(THorzAlign align, int indent) override {
    Align = align;
    IndentPx = indent;
  }
  int TextHeight() const override { return LineHeight; }
  void SetHint(const std::string& text) override { Hint = text; }
  void SetItems(const std::vector<std::string>& items) override { Items = items; }
  void SetItemIndex(int index) override {
    Index = index >= 0 && index < static_cast<int>(Items.size()) ? index : -1;
    if (Index >= 0) SetText(Items[Index]);
  }
  int ItemIndex() const override { return Index; }
  void SetSpinner(bool on) override { Spinner = on; }
  void SetEditMask(const std::string& mask) override { Mask = mask; }
  void SetDateTime(double value, bool dateMode) override {
    Value = value;
    DateMode = dateMode;
  }
  double DateTime() const override { return Value; }
};

class TFakeGridHost : public TXLGridHost {
 public:
  TFakeGridHost(TXLGrid& grid, int width, int height) : grid_(grid) {
    for (int k = 0; k < 4; ++k) {
      Views[k] = std::make_unique<TFakeViewHost>(Focus);
      grid.View(k).SetHost(Views[k].get());
    }
    grid.SetHost(this);
    grid.Resize(width, height);
  }
  ~TFakeGridHost() override {
    grid_.SetHost(nullptr);
    for (int k = 0; k < 4; ++k) grid_.View(k).SetHost(nullptr);
  }

  void PlaceView(int kind, const TRect& bounds, bool visible) override {
    Bounds[kind] = bounds;
    Visible[kind] = visible;
    Views[kind]->Client = TRect(0, 0, bounds.Width(), bounds.Height());
    grid_.View(kind).Resize(bounds.Width(), bounds.Height());
  }
  void SetTimer(int id, int intervalMs) override { Timers[id] = intervalMs; }
  void KillTimer(int id) override { Timers.erase(id); }
  void HintChanged(int kind, const std::string& text) override {
    Hints.push_back(std::to_string(kind) + ":" + text);
  }
  void ShowError(const std::string& message) override { Errors.push_back(message); }
  TXLEditorWidget* CreateEditorWidget(TXLInplaceEditor& editor) override {
    Widgets.push_back(std::make_unique<TFakeEditorWidget>());
    Kinds.push_back(editor.Kind());
    return Widgets.back().get();
  }
  void DestroyEditorWidget(TXLEditorWidget* widget) override {
    for (std::size_t i = 0; i < Widgets.size(); ++i) {
      if (Widgets[i].get() == widget) {
        Widgets.erase(Widgets.begin() + static_cast<std::ptrdiff_t>(i));
        Kinds.erase(Kinds.begin() + static_cast<std::ptrdiff_t>(i));
        return;
      }
    }
  }
  void PlaceEditHost(int kind, const TRect& host, const TRect& editor, TColor color) override {
    EditView = kind;
    EditHost = host;
    EditorRect = editor;
    EditColor = color;
  }
  void ShowEditHost(bool show) override { EditShown = show; }
  void FocusEditor() override { Focus.Owner = &EditShown; }
  bool EditorFocused() const override { return Focus.Owner == &EditShown; }

  // The control of the open editor.
  TFakeEditorWidget* Editor() const {
    TXLInplaceEditor* ed = grid_.Edit().Editor();
    return ed ? static_cast<TFakeEditorWidget*>(ed->Widget()) : nullptr;
  }

  TFocus Focus;
  std::unique_ptr<TFakeViewHost> Views[4];
  TRect Bounds[4];
  bool Visible[4] = {};
  std::map<int, int> Timers;
  std::vector<std::string> Hints;
  std::vector<std::string> Errors;
  std::vector<std::unique_ptr<TFakeEditorWidget>> Widgets;
  std::vector<TXLEditorKind> Kinds;
  int EditView = -1;
  TRect EditHost, EditorRect;
  TColor EditColor = clNone;
  bool EditShown = false;

 private:
  TXLGrid& grid_;
};

// A sheet shown in a grid of 400 x 300 pixels on fake hosts.
struct TGridRig {
  TXLSheet Sheet;
  TXLGrid Grid;
  std::unique_ptr<TFakeGridHost> Host;
  explicit TGridRig(int width = 400, int height = 300) {
    Host = std::make_unique<TFakeGridHost>(Grid, width, height);
    Grid.SetSheet(&Sheet);
    Host->Focus.Owner = Host->Views[skClient].get();
  }
  ~TGridRig() {
    Grid.SetSheet(nullptr);
    Host.reset();
  }
  TXLView& Client() { return Grid.View(skClient); }
  TXLView& ColTitles() { return Grid.View(skColTitles); }
  TXLView& RowTitles() { return Grid.View(skRowTitles); }
  // Keys to a view, as a host sends them: the key, then its character.
  void Key(int key, TShiftState s = 0, TXLView* v = nullptr) {
    TXLView& view = v ? *v : Grid.ActiveView();
    int k = key;
    view.KeyDown(k, s);
  }
  void Char(char32_t ch, TXLView* v = nullptr) {
    TXLView& view = v ? *v : Grid.ActiveView();
    view.KeyPress(ch);
  }
  // Keys to the open editor: through the host core, then into the control.
  void EditKey(int key, TShiftState s = 0) {
    int k = key;
    Grid.Edit().EditorKeyDown(k, s);
  }
  void EditType(const std::string& text) {
    for (std::size_t p = 0; p < text.size();) {
      char32_t ch = Utf8Next(text, p);
      Grid.Edit().EditorKeyPress(ch);
      if (!ch) continue;
      if (TFakeEditorWidget* w = Host->Editor()) w->Type(ch);
      Grid.Edit().EditorAfterChar(ch);
    }
  }
  // A click on a view point (press and release).
  void Click(TXLView& v, int x, int y, TShiftState s = 0) {
    v.MouseDown(mbLeft, s | ssLeft, x, y);
    v.MouseUp(mbLeft, s, x, y);
  }
  void DoubleClick(TXLView& v, int x, int y) {
    Click(v, x, y);
    v.MouseDown(mbLeft, ssLeft | ssDouble, x, y);
    v.MouseUp(mbLeft, 0, x, y);
  }
};

}  // namespace qv::test
