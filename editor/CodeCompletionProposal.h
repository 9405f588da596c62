// The completion pop-up: a list of words offered next to the caret while
// the user types in an editor.
//
// TCodeBaseCompletionProposalForm is the pop-up window's core (a control
// core: state, keys, mouse, painting through TCanvas). It shows ItemList,
// narrowed to the items that start with the typed text, and reports accept
// and cancel to its owner. TCodeBaseCompletionProposal owns the form and
// shows it at a screen point (ExecuteEx); TCodeCompletionProposal binds it
// to editors: a shortcut key or a trigger character (through a timer) opens
// it at the caret, and accepting replaces the typed text with the chosen
// item, or with its counterpart in InsertList, as one undo step.
//
//   TCodeCompletionProposal p;              // Ctrl+Space opens it
//   p.AddItem("Function \tAbs\t(X: Real): Real;", "Abs()");
//   p.SetOptions(scoLimitToMatchedText | scoUseInsertList | scoUsePrettyText);
//   p.SetEditor(&editor);
//
// The window a form is shown in is a TCompletionWindow (screen placement,
// showing and hiding); the Qt layer installs a factory that gives every new
// form a pop-up window (editor/qt). Without a window the form keeps its
// state and answers Visible() itself, so the behaviour is tested without a
// display; a TFakeControlHost attached to Form() drives the trigger timer.
//
// Item texts may hold the pretty-text codes of PrettyTextOut. Failures:
// AddItemAt outside the lists raises ECompletionProposal.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "editor/CodeEditMiscClasses.h"
#include "platform/core/Classes.h"
#include "platform/core/ControlCore.h"
#include "platform/core/ShortCuts.h"

namespace qv {

class TCustomCodeEdit;
class TCodeBaseCompletionProposalForm;

class ECompletionProposal : public Exception {
 public:
  using Exception::Exception;
};

enum CodeCompletionType : uint8_t { ctCode = 0, ctHint = 1, ctParams = 2 };

using TCodeCompletionOptions = uint8_t;
// clang-format off
constexpr TCodeCompletionOptions scoAnsiStrings = 1, scoCaseSensitive = 2,
  scoLimitToMatchedText = 4, scoTitleIsCentered = 8, scoUseInsertList = 16,
  scoUsePrettyText = 32, scoUseBuiltInTimer = 64, scoEndCharCompletion = 128;
// clang-format on

// ---- events ---------------------------------------------------------------------

using TCompletionChange = std::function<void(void* Sender, int AIndex)>;
// May draw the item itself (setting aCustomDraw).
using TCodeBaseCompletionProposalPaintItem =
    std::function<void(int Index, TCanvas& ACanvas, const TRect& Rect, bool& aCustomDraw)>;
using TCompletionParameter =
    std::function<void(void* Sender, int CurrentIndex, int& Level, int& IndexToDisplay,
                       char32_t Key, std::string& DisplayString)>;
// May change the text and the point, or veto (CanExecute false).
using TCompletionExecute = std::function<void(
    CodeCompletionType Kind, void* Sender, std::string& AString, int& x, int& y, bool& CanExecute)>;
using TCodeCompletionEvent =
    std::function<void(std::string& Value, TShiftState Shift, int Index, char32_t EndToken)>;
using TAfterCodeCompletionEvent =
    std::function<void(const std::string& Value, TShiftState Shift, int Index, char32_t EndToken)>;
using TCompletionNotify = std::function<void(void* Sender)>;

// ---- the window -----------------------------------------------------------------

// A borderless top-level window, placed in screen pixels. It hosts the form
// (as its TControlHost) and owns the vertical scroll bar.
class TCompletionWindow {
 public:
  virtual ~TCompletionWindow() = default;
  virtual void SetBounds(const TRect& ScreenRect) = 0;
  // Activate: the window takes the keyboard (the code list); otherwise it
  // shows without taking the focus (the hints).
  virtual void ShowWindow(bool Activate) = 0;
  // Hides without reporting a close.
  virtual void HideWindow() = 0;
  // The screen's work area around a point.
  virtual TRect WorkArea(TPoint ScreenPoint) const = 0;
  // The vertical scroll bar's place in client pixels.
  virtual void SetScrollBarBounds(const TRect& Bounds, bool Visible) = 0;
  virtual int ScrollBarWidth() const { return 16; }
  virtual bool ApplicationActive() const { return true; }
  // Lines per wheel notch (-1: a page).
  virtual int WheelScrollLines() const { return 3; }
};

using TCompletionWindowFactory =
    std::function<std::unique_ptr<TCompletionWindow>(TCodeBaseCompletionProposalForm& Form)>;
// Forms created after this get a window from the factory (null: none).
void SetCompletionWindowFactory(TCompletionWindowFactory Factory);

// ---- pretty text ---------------------------------------------------------------

// Draws Text from (X, Y) character by character. In-line codes: byte 1 and
// three bytes r, g, b set the font colour (ignored when Selected); byte 2
// and "B"/"b", "I"/"i", "U"/"u" switch bold, italic, underline on/off; TAB
// toggles bold, the first one moving to the name column (the width of
// BiggestWord + 1) when Aligned, and leaving bold adds one pixel. Before
// the first TAB, when Aligned, characters beyond the width of BiggestWord
// are not drawn. A code cut off by the end of the text ends the drawing.
// The canvas's font and brush are restored afterwards.
void PrettyTextOut(TCanvas& ACanvas, int X, int Y, const std::string& Text, bool Selected,
                   bool Aligned, const std::string& BiggestWord);

// The comma-separated list joined with ", ", the entry at Index enclosed
// in TABs (drawn bold by PrettyTextOut).
std::string FormatParameterList(const std::string& List, int Index);

// ---- the form -------------------------------------------------------------------

class TCodeBaseCompletionProposalForm : public TControlCore {
 public:
  TCodeBaseCompletionProposalForm();
  ~TCodeBaseCompletionProposalForm() override;
  TCodeBaseCompletionProposalForm(const TCodeBaseCompletionProposalForm&) = delete;
  TCodeBaseCompletionProposalForm& operator=(const TCodeBaseCompletionProposalForm&) = delete;

  // ---- window ----
  // The window (not owned; null: none). AdoptWindow takes ownership.
  void SetWindow(TCompletionWindow* Value) { window_ = Value; }
  void AdoptWindow(std::unique_ptr<TCompletionWindow> Value);
  TCompletionWindow* Window() const { return window_; }
  bool Visible() const { return visible_; }
  // Screen rectangle of the window.
  const TRect& Bounds() const { return bounds_; }
  // Sizes the window for the display type and places its top-left corner
  // at (X, Y), kept inside the work area: moved left by its width when it
  // would leave the right edge, above the caret line when it would leave
  // the bottom.
  void PlaceAt(int X, int Y);
  void SetBoundsRect(const TRect& R);
  // Shows the window; a code list registers in the current editor's focus
  // list and keeps its caret shown.
  void Show(bool Activate);
  void Hide();
  // The window system closed the window (a click elsewhere): a cancel.
  void WindowClosed();

  // ---- TControlCore ----
  void Paint(TCanvas& C, const TRect& R) override;
  void KeyDown(int& Key, TShiftState Shift) override;
  void KeyPress(char32_t& Key) override;
  void MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) override;
  bool MouseWheel(TShiftState Shift, int WheelDelta, int X, int Y) override;
  void Scroll(TScrollBarKind Bar, TScrollCode Code, int Pos) override;
  void Timer(int Id) override;
  bool WantsAllKeys() const override { return true; }

  // ---- list and selection ----
  // What is shown (narrowed while filtering) and what is inserted.
  TStringList& ItemList() { return itemList_; }
  TStringList& InsertList() { return insertList_; }
  // Replaces the items; the kept full list starts again from them.
  void SetItemList(const TStrings& Value);
  void SetInsertList(const TStrings& Value) { insertList_.Assign(Value); }
  // The full list kept while the visible list is narrowed.
  const std::vector<std::string>& AssignedList() const { return assignedList_; }
  void ResetAssignedList() { assignedList_.clear(); }
  // The full-list index of a visible item (its own index when the list was
  // never narrowed).
  int FullIndex(int VisibleIndex) const;
  const std::string& CurrentString() const { return currentString_; }
  // The typed text: narrows the list (with scoLimitToMatchedText) and
  // selects the first item that matches.
  void SetCurrentString(const std::string& Value);
  // Whether an item starts with the typed text (after the first TAB with
  // pretty text), without regard to case.
  bool Matches(const std::string& Item) const;
  int Position() const { return position_; }
  // 0 to count - 1; scrolls the item into view and fires OnChange.
  void SetPosition(int Value);
  // Moves by Delta lines, clamped to the list.
  void MoveLine(int Delta);
  int ScrollPos() const { return scrollPos_; }
  int ScrollMax() const;
  CodeCompletionType DisplayType() const { return displayType_; }
  void SetDisplayType(CodeCompletionType Value) { displayType_ = Value; }
  int NbLinesInWindow() const { return nbLinesInWindow_; }
  void SetNbLinesInWindow(int Value);

  // ---- look ----
  TFont& Font() { return font_; }
  TFont& TitleFont() { return titleFont_; }
  // After a font change: item and title height.
  void FontChanged();
  int ItemHeight() const { return itemHeight_; }
  int TitleHeight() const { return titleHeight_; }
  // The title band: title height + 2 with a title, else 0.
  int TitleBand() const { return title_.empty() ? 0 : titleHeight_ + 2; }
  const std::string& Title() const { return title_; }
  void SetTitle(const std::string& Value);
  int Width() const { return width_; }
  void SetWidth(int Value) { width_ = Value; }
  const std::string& BiggestWord() const { return biggestWord_; }
  void SetBiggestWord(const std::string& Value) { biggestWord_ = Value; }
  const std::string& EndOfTokenChr() const { return endOfTokenChr_; }
  void SetEndOfTokenChr(const std::string& Value) { endOfTokenChr_ = Value; }
  bool IsEndOfTokenChar(char32_t C) const;
  TColor ClSelect = clHighlight;
  TColor ClSelectedText = clHighlightText;
  TColor ClBackground = clWindow;
  TColor ClTitleBackground = clBtnFace;
  // Options the form follows (set from the component's Options).
  bool AnsiStrings = false;
  bool CaseSensitive = false;
  bool MatchText = false;
  bool CenterTitle = false;
  bool UseInsertList = false;
  bool UsePrettyText = false;
  // Characters that move a parameter hint on (OnParameterToken).
  std::string TriggerChars;
  // The parameter hint's current parameter and nesting level.
  int CurrentIndex = 0;
  int CurrentLevel = 0;

  // ---- the editor served ----
  TCustomCodeEdit* CurrentEditor() const { return currentEditor_; }
  void SetCurrentEditor(TCustomCodeEdit* Value);

  // ---- events towards the owner ----
  // A printable character (or backspace #8) typed into the list: the owner
  // passes it to the editor.
  std::function<void(char32_t Key)> OnKeyPress;
  // Backspace with no typed text.
  std::function<void()> OnKeyDelete;
  std::function<void(TShiftState Shift, char32_t EndToken)> OnValidate;
  std::function<void()> OnCancel;
  std::function<void(int Id)> OnTimer;
  TCompletionChange OnChange;
  TCodeBaseCompletionProposalPaintItem OnPaintItem;
  TCompletionParameter OnParameterToken;

 private:
  TFontService& Fonts() const;
  void Rebuild();
  void UpdateScrollBar();
  void ScrollTo(int Value);
  void Repaint();
  void Cancel();
  void PaintCodeList(TCanvas& C);
  void PaintHint(TCanvas& C);

  TCompletionWindow* window_ = nullptr;
  std::unique_ptr<TCompletionWindow> ownedWindow_;
  TStringList itemList_;
  TStringList insertList_;
  std::vector<std::string> assignedList_;
  std::string currentString_;
  CodeCompletionType displayType_ = ctCode;
  int position_ = 0;
  int scrollPos_ = 0;
  int nbLinesInWindow_ = 8;
  int wheelAccumulator_ = 0;
  TFont font_;
  TFont titleFont_;
  int itemHeight_ = 13;
  int titleHeight_ = 13;
  std::string title_;
  int width_ = 262;
  std::string biggestWord_ = "CONSTRUCTOR";
  std::string endOfTokenChr_ = "()[]. ";
  bool visible_ = false;
  bool activated_ = false;
  TRect bounds_;
  TCustomCodeEdit* currentEditor_ = nullptr;
  bool savedAlwaysShowCaret_ = false;
};

// ---- the component ----------------------------------------------------------------

class TCodeBaseCompletionProposal {
 public:
  TCodeBaseCompletionProposal();
  virtual ~TCodeBaseCompletionProposal();
  TCodeBaseCompletionProposal(const TCodeBaseCompletionProposal&) = delete;
  TCodeBaseCompletionProposal& operator=(const TCodeBaseCompletionProposal&) = delete;

  TCodeBaseCompletionProposalForm& Form() { return *form_; }
  // Shows the pop-up of Kind at a screen point with the typed text S.
  virtual void ExecuteEx(const std::string& S, int x, int y, CodeCompletionType Kind);
  void Execute(const std::string& S, int x, int y) { ExecuteEx(S, x, y, defaultType_); }
  // Hides a visible pop-up.
  void Deactivate();
  bool Active() const { return form_->Visible(); }

  void AddItem(const std::string& ADisplayText, const std::string& AInsertText);
  // Raises "Cannot insert item at position <Where>." outside the lists.
  void AddItemAt(int Where, const std::string& ADisplayText, const std::string& AInsertText);
  void ClearList();
  // The two texts of an entry (empty outside the lists).
  std::string DisplayItem(int AIndex) const;
  std::string InsertItem(int AIndex) const;
  void ResetAssignedList() { form_->ResetAssignedList(); }

  // ---- properties ----
  TCodeCompletionOptions Options() const { return options_; }
  virtual void SetOptions(TCodeCompletionOptions Value);
  CodeCompletionType DefaultType() const { return defaultType_; }
  void SetDefaultType(CodeCompletionType Value) { defaultType_ = Value; }
  int Width() const { return form_->Width(); }
  void SetWidth(int Value) { form_->SetWidth(Value); }
  const std::string& BiggestWord() const { return form_->BiggestWord(); }
  void SetBiggestWord(const std::string& Value) { form_->SetBiggestWord(Value); }
  const std::string& EndOfTokenChr() const { return form_->EndOfTokenChr(); }
  void SetEndOfTokenChr(const std::string& Value) { form_->SetEndOfTokenChr(Value); }
  const std::string& TriggerChars() const { return triggerChars_; }
  void SetTriggerChars(const std::string& Value) {
    triggerChars_ = Value;
    form_->TriggerChars = Value;
  }
  const std::string& Title() const { return form_->Title(); }
  void SetTitle(const std::string& Value) { form_->SetTitle(Value); }
  TStringList& ItemList() { return form_->ItemList(); }
  void SetItemList(const TStrings& Value) { form_->SetItemList(Value); }
  TStringList& InsertList() { return form_->InsertList(); }
  void SetInsertList(const TStrings& Value) { form_->SetInsertList(Value); }
  int Position() const { return form_->Position(); }
  void SetPosition(int Value) { form_->SetPosition(Value); }
  int NbLinesInWindow() const { return form_->NbLinesInWindow(); }
  void SetNbLinesInWindow(int Value) { form_->SetNbLinesInWindow(Value); }
  TFont& Font() { return form_->Font(); }
  TFont& TitleFont() { return form_->TitleFont(); }
  bool IsTriggerChar(char32_t C) const;

  TCompletionExecute OnExecute;
  TCompletionChange OnChange;
  TCodeBaseCompletionProposalPaintItem OnPaintItem;
  TCompletionParameter OnParameterToken;

 protected:
  std::unique_ptr<TCodeBaseCompletionProposalForm> form_;
  TCodeCompletionOptions options_ = 0;
  CodeCompletionType defaultType_ = ctCode;
  std::string triggerChars_;
  // The text and left edge of the last parameter hint.
  std::string lastParamsText_;
  int lastParamsIndent_ = -1;
  int lastParamsLeft_ = 0;
};

class TCodeCompletionProposal : public TCodeBaseCompletionProposal {
 public:
  // The trigger timer's id on the form's host.
  static constexpr int TriggerTimerId = 1;

  TCodeCompletionProposal();
  ~TCodeCompletionProposal() override;

  // The one editor served: every other is detached (null: none).
  void SetEditor(TCustomCodeEdit* Value);
  TCustomCodeEdit* Editor() const;
  // Attaching twice does nothing; an editor is detached when it is
  // destroyed. Detaching stops the trigger timer and hides a pop-up that
  // serves the editor.
  void AttachEditor(TCustomCodeEdit* Value);
  void DetachEditor(TCustomCodeEdit* Value);
  int EditorsCount() const { return static_cast<int>(editors_.size()); }
  TCustomCodeEdit* Editors(int Index) const;
  TCustomCodeEdit* CurrentEditor() const;
  // Opens the pop-up at the caret of an attached, writable editor, with the
  // word before the caret as typed text.
  virtual void ActivateForEditor(TCustomCodeEdit* AEditor);
  // Hides a parameter hint and fires OnCancelled.
  void CancelParameterHint();
  void ExecuteEx(const std::string& S, int x, int y, CodeCompletionType Kind) override;
  void SetOptions(TCodeCompletionOptions Value) override;

  // Shortcut as the class library stores it (key | scShift | scCtrl | scAlt).
  int ShortCut() const { return shortCut_; }
  void SetShortCut(int Value) { shortCut_ = Value; }
  int TimerInterval() const { return timerInterval_; }
  void SetTimerInterval(int Value);
  bool TimerExists() const { return timerExists_; }
  bool TimerEnabled() const { return timerEnabled_; }

  TCodeCompletionEvent OnCodeCompletion;
  TAfterCodeCompletionEvent OnAfterCodeCompletion;
  TCompletionNotify OnCancelled;

 protected:
  // The hooked command handler: follows a parameter hint while typing.
  void EditorCommandHook(TCustomCodeEdit* Sender, bool AfterProcessing, bool& Handled,
                         TCodeEditorCommand& Command, char32_t& AChar, void* Data);

 private:
  void EditorKeyDown(void* Sender, uint16_t& Key, TShiftState Shift);
  void EditorKeyPress(void* Sender, char32_t& Key);
  void FormKeyPress(char32_t Key);
  void FormKeyDelete();
  void FormValidate(TShiftState Shift, char32_t EndToken);
  void FormCancel();
  void TimerFired();
  void StartTimer();
  void StopTimer();
  int IndexOfEditor(const TCustomCodeEdit* E) const;
  std::string WordBeforeCaret(TCustomCodeEdit& E) const;

  std::vector<TCustomCodeEdit*> editors_;
  int currentEditor_ = -1;
  int shortCut_;
  int timerInterval_ = 1000;
  bool timerExists_ = false;
  bool timerEnabled_ = false;
  bool noNextKey_ = false;
};

}  // namespace qv
