// The in-cell editor controls on Qt and the host window they live in.
//
// TQtXLEditHost is the borderless child of a view that lies over the cell
// being edited: it fills itself with the cell's colour and draws a sunken
// client edge 2 pixels wide, inside which the editor control sits.
// Each control implements TXLEditorWidget for its editor core:
//
//   TQtXLLineEdit      a frameless line edit (TXLMaskEdit, TXLNumEdit), with
//                      the number editor's spinner: a vertical scroll bar
//                      on the right whose arrows step the value
//   TQtXLMemoEdit      a frameless plain-text edit (TXLMemo)
//   TQtXLComboEdit     an editable combo box with a drop-down list
//                      (TXLPickEdit), or a fixed one (TXLComboBox)
//   TQtXLDateTimeEdit  a date or time field (TXLDateEdit, TXLTimeEdit)
//
// KeyWidget() is the control that receives the keys; the grid filters its
// key events through the editor host core.
#pragma once

#include <QComboBox>
#include <QDateTimeEdit>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QWidget>

#include "grid/XLEditors.h"

namespace qv {

// A code-point position of a text and its UTF-16 position.
int Utf16Pos(const QString& text, int codePoints);
int CodePointPos(const QString& text, int utf16);

// What every editor control offers the grid's Qt host.
class TQtXLEditorControl : public TXLEditorWidget {
 public:
  virtual QWidget* Widget() = 0;
  virtual QWidget* KeyWidget() = 0;
};

class TQtXLEditHost : public QWidget {
  Q_OBJECT
 public:
  explicit TQtXLEditHost(QWidget* parent = nullptr);
  void SetColor(TColor c);
  TColor Color() const { return color_; }

 protected:
  void paintEvent(QPaintEvent* e) override;

 private:
  TColor color_ = clWindow;
};

class TQtXLLineEdit : public QWidget, public TQtXLEditorControl {
  Q_OBJECT
 public:
  TQtXLLineEdit(TXLInplaceEditor& editor, QWidget* parent);
  QWidget* Widget() override { return this; }
  QWidget* KeyWidget() override { return edit_; }
  QLineEdit* Edit() const { return edit_; }
  QScrollBar* SpinnerBar() const { return spin_; }

  std::string Text() const override;
  void SetText(const std::string& text) override;
  int SelStart() const override;
  int SelLength() const override;
  void SetSelection(int start, int length) override;
  void ReplaceSelection(const std::string& text) override;
  void SetLook(const TFont& font, TColor color) override;
  void SetAlignment(THorzAlign align, int indent) override;
  int TextHeight() const override;
  void SetHint(const std::string& text) override;
  void SetSpinner(bool on) override;
  void SetEditMask(const std::string& mask) override;

 protected:
  void resizeEvent(QResizeEvent* e) override;

 private:
  void Layout();
  TXLInplaceEditor& editor_;
  QLineEdit* edit_;
  QScrollBar* spin_ = nullptr;
};

class TQtXLMemoEdit : public QPlainTextEdit, public TQtXLEditorControl {
  Q_OBJECT
 public:
  TQtXLMemoEdit(TXLInplaceEditor& editor, QWidget* parent);
  QWidget* Widget() override { return this; }
  QWidget* KeyWidget() override { return this; }

  std::string Text() const override;
  void SetText(const std::string& text) override;
  int SelStart() const override;
  int SelLength() const override;
  void SetSelection(int start, int length) override;
  void ReplaceSelection(const std::string& text) override;
  void SetLook(const TFont& font, TColor color) override;
  void SetAlignment(THorzAlign align, int indent) override;
  int TextHeight() const override;
  void SetHint(const std::string& text) override;
};

class TQtXLComboEdit : public QComboBox, public TQtXLEditorControl {
  Q_OBJECT
 public:
  // editable: a text with a list (TXLPickEdit); else a fixed list.
  TQtXLComboEdit(TXLPickEdit& editor, bool editable, QWidget* parent);
  QWidget* Widget() override { return this; }
  QWidget* KeyWidget() override;

  std::string Text() const override;
  void SetText(const std::string& text) override;
  int SelStart() const override;
  int SelLength() const override;
  void SetSelection(int start, int length) override;
  void ReplaceSelection(const std::string& text) override;
  void SetLook(const TFont& font, TColor color) override;
  void SetAlignment(THorzAlign align, int indent) override;
  int TextHeight() const override;
  void SetHint(const std::string& text) override;
  void SetItems(const std::vector<std::string>& items) override;
  void SetItemIndex(int index) override;
  int ItemIndex() const override { return currentIndex(); }
  void SetMaxLength(int n) override;

  void showPopup() override;

 private:
  TXLPickEdit& editor_;
};

class TQtXLDateTimeEdit : public QDateTimeEdit, public TQtXLEditorControl {
  Q_OBJECT
 public:
  TQtXLDateTimeEdit(TXLInplaceEditor& editor, QWidget* parent);
  QWidget* Widget() override { return this; }
  QWidget* KeyWidget() override { return this; }

  std::string Text() const override;
  void SetText(const std::string& text) override;
  int SelStart() const override { return 0; }
  int SelLength() const override { return 0; }
  void SetSelection(int, int) override {}
  void ReplaceSelection(const std::string&) override {}
  void SetLook(const TFont& font, TColor color) override;
  int TextHeight() const override;
  void SetHint(const std::string& text) override;
  void SetDateTime(double value, bool dateMode) override;
  double DateTime() const override;
};

// The control of an editor core's kind, a child owned by parent.
TQtXLEditorControl* CreateQtEditorControl(TXLInplaceEditor& editor, QWidget* parent);

}  // namespace qv
