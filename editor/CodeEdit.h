// The code editor control: TCustomCodeEdit holds the whole state and
// behaviour of the syntax-highlighting editor (text, caret, selection in
// three modes, scrolling, undo and redo, commands, search and replace,
// marks and bookmarks, clipboard, keyboard and mouse input) without any
// toolkit. TCodeEdit is the class the program places on its windows.
//
// The editor is a TControlCore: a host (the Qt widget, or a test host)
// gives it the client size, focus, timers, scroll bars, caret and cursor
// services, and forwards input to it. View quantities come from there and
// from the font service: the character cell of the font ("M" advance and
// text height) and the client rectangle. Without a host the editor is a
// plain buffer of lines with the full editing behaviour (the engine uses
// hidden editors that way); nothing is scrolled or invalidated then.
//
// Positions are (column, line) TPoints, both 1-based; a column counts
// characters (Unicode code points, a TAB being one). Display columns expand
// TABs to TabWidth stops and serve painting, vertical moves and column
// selections. Line indexes of Lines() are 0-based.
//
// Every editing action is an editor command (CodeEditKeyCmds.h) run by
// ExecuteCommand inside a paint lock: caret, scroll-bar and status work is
// collected and done once when the lock is released, also when a command
// fails. Text changes are recorded on the undo list (CodeEditUndo.h).
//
// Failures: clipboard faults raise ECodeEditError; bad line indexes of the
// line list raise ECodeEditStringList. Commands on a read-only editor that
// would change the text do nothing.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "editor/CodeEditHighlighter.h"
#include "editor/CodeEditKeyCmds.h"
#include "editor/CodeEditMiscClasses.h"
#include "editor/CodeEditMiscProcs.h"
#include "editor/CodeEditSearch.h"
#include "editor/CodeEditTextBuffer.h"
#include "editor/CodeEditTextDrawer.h"
#include "editor/CodeEditUndo.h"
#include "platform/core/ControlCore.h"
#include "platform/core/Forms.h"
#include "platform/core/Services.h"

namespace qv {

class TCustomCodeEdit;

class ECodeEditError : public Exception {
 public:
  using Exception::Exception;
};

// ---- options and small types -------------------------------------------------

using TCodeEditorOptions = uint32_t;
// clang-format off
constexpr TCodeEditorOptions
  eoAltSetsColumnMode = 1u << 0, eoAutoIndent = 1u << 1, eoAutoSizeMaxLeftChar = 1u << 2,
  eoDisableScrollArrows = 1u << 3, eoDragDropEditing = 1u << 4, eoDropFiles = 1u << 5,
  eoEnhanceHomeKey = 1u << 6, eoGroupUndo = 1u << 7, eoHalfPageScroll = 1u << 8,
  eoHideShowScrollbars = 1u << 9, eoKeepCaretX = 1u << 10, eoNoCaret = 1u << 11,
  eoNoSelection = 1u << 12, eoRightMouseMovesCursor = 1u << 13, eoScrollByOneLess = 1u << 14,
  eoScrollHintFollows = 1u << 15, eoScrollPastEof = 1u << 16, eoScrollPastEol = 1u << 17,
  eoShowScrollHint = 1u << 18, eoShowSpecialChars = 1u << 19, eoSmartTabDelete = 1u << 20,
  eoSmartTabs = 1u << 21, eoSpecialLineDefaultFg = 1u << 22, eoTabIndent = 1u << 23,
  eoTabsToSpaces = 1u << 24, eoTrimTrailingSpaces = 1u << 25;
// clang-format on
// eoAutoIndent, eoDragDropEditing, eoGroupUndo, eoScrollPastEol,
// eoShowScrollHint, eoSmartTabDelete, eoSmartTabs, eoTabsToSpaces,
// eoTrimTrailingSpaces.
constexpr TCodeEditorOptions CODE_DEFAULT_OPTIONS = 0x3360092;

enum TCodeEditCaretType : uint8_t { ctVerticalLine, ctHorizontalLine, ctHalfBlock, ctBlock };
enum TScrollHintFormat : uint8_t { shfTopLineOnly, shfTopToBottom };
enum TScrollStyle : uint8_t { ssNone, ssHorizontal, ssVertical, ssBoth };
// The border: bsNone or bsSingle of the platform's border styles.

// Pending status changes, reported once through OnStatusChange.
using TCodeStatusChanges = uint16_t;
// clang-format off
constexpr TCodeStatusChanges scAll = 1, scCaretX = 2, scCaretY = 4, scLeftChar = 8,
  scTopLine = 16, scInsertMode = 32, scModified = 64, scSelection = 128, scReadOnly = 256;
// clang-format on

// Search options of SearchReplace.
using TCodeSearchOptions = uint8_t;
// clang-format off
constexpr TCodeSearchOptions ssoMatchCase = 1, ssoWholeWord = 2, ssoBackwards = 4,
  ssoEntireScope = 8, ssoSelectedOnly = 16, ssoReplace = 32, ssoReplaceAll = 64, ssoPrompt = 128;
// clang-format on

// The answer to "replace this occurrence?".
enum TCodeReplaceAction : uint8_t { raCancel = 0, raSkip = 1, raReplace = 2, raReplaceAll = 3 };

// Paint-transient notifications: before and after a caret or text change.
enum TTransientType : uint8_t { ttBefore = 0, ttAfter = 1 };

// Commands without a name: the focus came and went.
constexpr TCodeEditorCommand ecGotFocus = 700, ecLostFocus = 701;

// Word-wrap width used while the editor has no window.
constexpr int CODE_DEFAULT_WRAP_WIDTH = 80;

// ---- marks -------------------------------------------------------------------

// A picture in the gutter beside a line; bookmarks are marks numbered 0..9.
// A mark belongs to the editor given at creation; it asks that editor to
// repaint its gutter row when it changes while visible.
class TCodeEditMark {
 public:
  explicit TCodeEditMark(TCustomCodeEdit* AOwner) : edit_(AOwner) {}
  virtual ~TCodeEditMark() = default;
  TCodeEditMark(const TCodeEditMark&) = delete;
  TCodeEditMark& operator=(const TCodeEditMark&) = delete;

  // The owning editor; forgotten (null) once its mark list no longer holds
  // this mark.
  virtual TCustomCodeEdit* Edit();
  int Line() const { return line_; }
  virtual void SetLine(int Value);
  int Column() const { return column_; }
  virtual void SetColumn(int Value) { column_ = Value; }
  int ImageIndex() const { return imageIndex_; }
  virtual void SetImageIndex(int Value);
  int BookmarkNumber() const { return bookmarkNum_; }
  void SetBookmarkNumber(int Value) { bookmarkNum_ = Value; }
  bool Visible() const { return visible_; }
  void SetVisible(bool Value);
  bool InternalImage() const { return internalImage_; }
  void SetInternalImage(bool Value);
  bool IsBookmark() const { return bookmarkNum_ >= 0; }

 private:
  void RepaintRow(int Line);
  int line_ = 0;
  int column_ = 0;
  int imageIndex_ = 0;
  TCustomCodeEdit* edit_;
  bool visible_ = false;
  bool internalImage_ = false;
  int bookmarkNum_ = -1;
};

// At most this many marks are reported for one line.
constexpr int CODE_MAX_MARKS_PER_LINE = 16;
using TCodeEditMarks = std::array<TCodeEditMark*, CODE_MAX_MARKS_PER_LINE>;

// The editor's marks, in the order they were added. The list owns them.
class TCodeEditMarkList {
 public:
  explicit TCodeEditMarkList(TCustomCodeEdit* AOwner) : edit_(AOwner) {}
  TCodeEditMarkList(const TCodeEditMarkList&) = delete;
  TCodeEditMarkList& operator=(const TCodeEditMarkList&) = delete;

  // Takes the mark; returns its index, then fires OnChange.
  int Add(std::unique_ptr<TCodeEditMark> Mark);
  // Hands the mark back to the caller (null when it is not in the list);
  // fires OnChange when it was.
  std::unique_ptr<TCodeEditMark> Remove(TCodeEditMark* Mark);
  int IndexOf(const TCodeEditMark* Mark) const;
  int Count() const { return static_cast<int>(items_.size()); }
  TCodeEditMark* Items(int Index) const;
  // The marks of Line in list order, at most 16; the rest of the array is
  // null.
  void GetMarksForLine(int Line, TCodeEditMarks& Marks) const;
  TCustomCodeEdit* Edit() const { return edit_; }

  std::function<void(TCodeEditMarkList* Sender)> OnChange;

 private:
  TCustomCodeEdit* edit_;
  std::vector<std::unique_ptr<TCodeEditMark>> items_;
};

// ---- events ------------------------------------------------------------------

using TCodeEditNotifyEvent = std::function<void(TCustomCodeEdit* Sender)>;
using TProcessCommandEvent = std::function<void(
    TCustomCodeEdit* Sender, TCodeEditorCommand& Command, char32_t& AChar, void* Data)>;
using TContextHelpEvent = std::function<void(TCustomCodeEdit* Sender, const std::string& Word)>;
// Canvas is null outside painting: a handler that wants to draw over the
// text invalidates what it needs and draws in OnPaint.
using TPaintTransient =
    std::function<void(TCustomCodeEdit* Sender, TCanvas* Canvas, TTransientType TransientType)>;
using TPaintEvent = std::function<void(TCustomCodeEdit* Sender, TCanvas& ACanvas)>;
using TReplaceTextEvent = std::function<void(TCustomCodeEdit* Sender, const std::string& ASearch,
                                             const std::string& AReplace, int Line, int Column,
                                             TCodeReplaceAction& Action)>;
using TSpecialLineColorsEvent =
    std::function<void(TCustomCodeEdit* Sender, int Line, bool& Special, TColor& FG, TColor& BG)>;
using TStatusChangeEvent = std::function<void(TCustomCodeEdit* Sender, TCodeStatusChanges Changes)>;
using TGutterClickEvent =
    std::function<void(TCustomCodeEdit* Sender, int X, int Y, int Line, TCodeEditMark* Mark)>;
// May replace the mark or drop it (reset it to null).
using TPlaceMarkEvent =
    std::function<void(TCustomCodeEdit* Sender, std::unique_ptr<TCodeEditMark>& Mark)>;
using TClearMarkEvent = std::function<void(TCustomCodeEdit* Sender, TCodeEditMark& Mark)>;
using TDropFilesEvent = std::function<void(TCustomCodeEdit* Sender, int X, int Y,
                                           const std::vector<std::string>& Files)>;
// May point Engine at a search engine of the caller's own (not owned).
using TSearchEngineEvent = std::function<void(TCustomCodeEdit* Sender, TCodeEditSearch*& Engine)>;
// A hooked command handler: called before (AfterProcessing false) and after
// each command; setting Handled turns the command into ecNone.
using THookedCommandEvent = TCodeEvent<TCustomCodeEdit* /*Sender*/, bool /*AfterProcessing*/,
                                       bool& /*Handled*/, TCodeEditorCommand& /*Command*/,
                                       char32_t& /*AChar*/, void* /*Data*/, void* /*HandlerData*/>;

// One registered command hook: the handler and its own data pointer.
struct THookedCommandHandlerEntry {
  THookedCommandEvent Event;
  void* Data = nullptr;
  bool Equals(const THookedCommandEvent& AEvent, void* AData) const {
    return Event.SameAs(AEvent) && Data == AData;
  }
};

// ---- host services beyond those of every control ----------------------------

// What the editor needs of its window besides TControlHost. The editor's
// widget implements it; without one, drags never start, the pointer is taken
// to be where the last mouse event was, no modifier is held, and screen
// coordinates equal client coordinates.
class TCodeEditHost {
 public:
  virtual ~TCodeEditHost() = default;
  // Starts dragging the selection (the drop arrives through DragDrop of the
  // target editor).
  virtual void BeginDrag() = 0;
  // The mouse pointer in client coordinates and the modifiers held now.
  virtual TPoint CursorPos() const = 0;
  virtual TShiftState KeyboardShift() const = 0;
  virtual TPoint ClientToScreen(TPoint P) const = 0;
  // Minimum pointer travel that starts a drag.
  virtual TSize DragThreshold() const { return TSize{4, 4}; }
  // The input method's composition window goes to this client point.
  virtual void SetCompositionPos(int X, int Y) {
    (void)X;
    (void)Y;
  }
  // The hint shown while the vertical thumb is dragged (screen position of
  // its top-left corner); HideScrollHint removes it.
  virtual void ShowScrollHint(const std::string& Text, TPoint ScreenPos, TColor Color) {
    (void)Text;
    (void)ScreenPos;
    (void)Color;
  }
  virtual void HideScrollHint() {}
  // Lines scrolled per wheel notch (-1: a page).
  virtual int WheelScrollLines() const { return 3; }
  // BorderStyle or the file-drop option (eoDropFiles) changed: the window
  // follows them.
  virtual void WindowStyleChanged() {}
};

// Drag-and-drop states of DragOver.
enum TDragState : uint8_t { dsDragEnter, dsDragLeave, dsDragMove };

// ---- the editor ---------------------------------------------------------------

class TCustomCodeEdit : public TControlCore {
 public:
  TCustomCodeEdit();
  ~TCustomCodeEdit() override;
  TCustomCodeEdit(const TCustomCodeEdit&) = delete;
  TCustomCodeEdit& operator=(const TCustomCodeEdit&) = delete;

  // ---- TControlCore ----
  // Attaching a host is creating the window: sizes, gutter and scroll bars
  // are brought up to date. Detaching leaves the editor a plain buffer.
  void SetHost(TControlHost* AHost) override;
  void SetEditHost(TCodeEditHost* AHost) { editHost_ = AHost; }
  TCodeEditHost* EditHost() const { return editHost_; }
  bool HandleAllocated() const { return host_ != nullptr; }
  void Paint(TCanvas& C, const TRect& R) override;
  void MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) override;
  void MouseMove(TShiftState Shift, int X, int Y) override;
  void MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) override;
  void DblClick() override;
  bool MouseWheel(TShiftState Shift, int WheelDelta, int X, int Y) override;
  void KeyDown(int& Key, TShiftState Shift) override;
  void KeyPress(char32_t& Key) override;
  // Committed input-method text: inserted once as ecImeStr.
  void InputText(const std::string& Text) override;
  void FocusIn() override;
  void FocusOut() override;
  void Resize(int Width, int Height) override;
  void Timer(int Id) override;
  // The window lost the mouse capture to another window (or the mouse was
  // taken away while selecting): the auto-scroll timer stops, so that the
  // selection does not go on growing without the button held.
  void CaptureChanged();
  void Scroll(TScrollBarKind Bar, TScrollCode Code, int Pos) override;
  bool WantsAllKeys() const override { return true; }
  // Whether TAB is wanted while Shift is the state (WM_GETDLGCODE).
  bool WantsTab(TShiftState Shift) const { return wantTabs_ && !(Shift & ssCtrl); }
  // An input-method result string whose characters are also delivered one
  // by one afterwards (KeyPress drops that many).
  void ImeComposition(const std::string& ResultString);
  // The mouse cursor for a client point (the set-cursor message).
  TCursor CursorAt(int X, int Y) const;

  // ---- text ----
  TCodeEditStringList& Lines() { return *lines_; }
  const TCodeEditStringList& Lines() const { return *lines_; }
  void SetLines(const TStrings& Value) { lines_->Assign(Value); }
  std::string Text() const { return lines_->Text(); }
  void SetText(const std::string& Value) { lines_->SetText(Value); }
  // The caret's line (empty when the caret line is outside the text).
  std::string LineText() const;
  void SetLineText(const std::string& Value);
  // Empties the text and both undo lists and clears the modified flag.
  void ClearText();

  // ---- caret and selection ----
  int CaretX() const { return caretX_; }
  int CaretY() const { return caretY_; }
  TPoint CaretXY() const { return TPoint(caretX_, caretY_); }
  void SetCaretX(int Value) { SetCaretXY(TPoint(Value, caretY_)); }
  void SetCaretY(int Value) { SetCaretXY(TPoint(caretX_, Value)); }
  virtual void SetCaretXY(TPoint Value) { SetCaretXYEx(true, Value); }
  virtual void SetCaretXYEx(bool CallEnsureCursorPos, TPoint Value);
  // The remembered display column of vertical moves.
  int LastCaretX() const { return lastCaretX_; }
  // Anchor and moving end as stored.
  TPoint BlockBeginRaw() const { return blockBegin_; }
  TPoint BlockEndRaw() const { return blockEnd_; }
  // The selection in text order.
  TPoint BlockBegin() const;
  TPoint BlockEnd() const;
  void SetBlockBegin(TPoint Value);
  void SetBlockEnd(TPoint Value);
  bool SelAvail() const;
  void SelectAll();
  // Column rows shorter than the block are padded with blanks unless
  // eoTrimTrailingSpaces is set.
  std::string SelText() const { return GetSelTextEx(!HasOption(eoTrimTrailingSpaces)); }
  // Replaces the selection (or inserts at the caret) as one undo block.
  void SetSelText(const std::string& Value);
  // The word around the caret (the selection is left collapsed).
  std::string GetWordAtCursor();
  void SetWordBlock(TPoint Value);
  std::string GetWordAtRowCol(TPoint XY) const;
  bool IsPointInSelection(TPoint Value) const;
  // 1-based offsets in the whole text (line breaks count 2).
  int GetSelStart() const;
  int GetSelEnd() const;
  // Caret, anchor and end in that order, inside a paint lock.
  void PlaceCaretAndSelection(TPoint Caret, TPoint Begin, TPoint End);

  // ---- positions and pixels ----
  TPoint PixelsToRowColumn(int X, int Y) const;
  // Client pixel of a (display column, line) position.
  TPoint RowColumnToPixels(TPoint RowCol) const;
  int CaretXPix() const;
  int CaretYPix() const;
  void ComputeCaret(int X, int Y);
  // Character column <-> display column of a point on its own line; lines
  // outside the text leave the point as it is.
  TPoint CaretToDisplayColumn(TPoint P) const;
  TPoint DisplayToCaretColumn(TPoint P) const;
  // Token under a point: false without a highlighter or outside the text.
  bool TokenAtPosition(TPoint XY, std::string& Token, int& TokenKind, int& Start,
                       TCodeHighlighterAttributes*& Attri);
  bool TokenAtPosition(TPoint XY, std::string& Token, TCodeHighlighterAttributes*& Attri);

  // ---- scrolling and view ----
  int TopLine() const { return topLine_; }
  void SetTopLine(int Value);
  int LeftChar() const { return leftChar_; }
  void SetLeftChar(int Value);
  int LinesInWindow() const { return linesInWindow_; }
  int CharsInWindow() const { return charsInWindow_; }
  int CharWidth() const { return charWidth_; }
  int LineHeight() const { return lineHeight_; }
  int GutterWidth() const { return gutterWidth_; }
  int TextOffset() const { return textOffset_; }
  void EnsureCursorPosVisible() { EnsureCursorPosVisibleEx(false); }
  void EnsureCursorPosVisibleEx(bool ForceToMiddle);
  void UpdateScrollBars();
  // Whether the scroll bar arrows are enabled, as the last update left them
  // (the first: left or up; the second: right or down).
  std::pair<bool, bool> ScrollArrows(TScrollBarKind Bar) const {
    return scrollArrows_[Bar == sbHorizontal ? 0 : 1];
  }
  void InvalidateLines(int FirstLine, int LastLine);
  void InvalidateGutterLines(int FirstLine, int LastLine);
  void InvalidateGutter() { InvalidateGutterLines(-1, -1); }
  void Invalidate();
  void RepaintLine(int Line);
  void IncPaintLock() { ++paintLock_; }
  void DecPaintLock();
  int PaintLock() const { return paintLock_; }
  // Soft word wrap at the window width (CODE_DEFAULT_WRAP_WIDTH without a
  // window).
  bool WordWrap() const { return wordWrap_; }
  void SetWordWrap(bool Value);

  // ---- caret shape ----
  void UpdateCaret();
  void InitializeCaret();
  void HideCaret();
  void ShowCaret();
  // Size of the caret of the type in use and the offset added to the
  // caret's pixel position.
  struct TCaretShape {
    int Width = 0, Height = 0, OffsetX = 0, OffsetY = 0;
  };
  TCaretShape CaretShape() const;
  bool AlwaysShowCaret() const { return alwaysShowCaret_; }
  void SetAlwaysShowCaret(bool Value);

  // ---- commands ----
  void CommandProcessor(TCodeEditorCommand Command, char32_t AChar, void* Data);
  virtual void ExecuteCommand(TCodeEditorCommand Command, char32_t AChar, void* Data);
  // The command bound to a key (two-key bindings through the remembered
  // first key); for the marker commands MarkerPos is set to the caret.
  TCodeEditorCommand TranslateKeyCode(uint16_t Code, TShiftState Shift,
                                      std::unique_ptr<TPoint>& MarkerPos);
  void AddCommandHook(const THookedCommandEvent& Handler, void* HandlerData);
  void RemoveCommandHook(const THookedCommandEvent& Handler, void* HandlerData);
  int CommandHookCount() const { return static_cast<int>(hookedCommandHandlers_.size()); }
  void Undo();
  void Redo();
  bool CanUndo() const { return !readOnly_ && undoList_->CanUndo(); }
  bool CanRedo() const { return !readOnly_ && redoList_->CanUndo(); }
  bool CanPaste();
  void CopyToClipboard();
  void CutToClipboard();
  void PasteFromClipboard();
  // Puts Text on the clipboard as plain text and as the editor's own block
  // (with the selection mode); nothing for an empty text.
  void SetClipboardText(const std::string& Text);
  void RemoveSelectedText();
  // Replaces the selection by Value in Mode (no undo item of its own);
  // nothing on a read-only editor.
  void SetSelTextPrimitive(TCodeSelectionMode Mode, const std::string& Value);
  // Caret and selection BB..BE in column mode, then the primitive.
  void SetSelTextColumn(TPoint BB, TPoint BE, bool AddToUndoList, const std::string& Value);
  int SearchReplace(const std::string& ASearch, const std::string& AReplace,
                    TCodeSearchOptions AOptions);
  TCodeEditSearch* SearchEngine() const { return searchEngine_; }

  // Word positions from the caret.
  virtual TPoint NextWordStart();
  virtual TPoint WordStartAtCaret();
  virtual TPoint WordEndAtCaret();
  virtual TPoint PreviousWordStart();
  bool IsIdentChar(char32_t C) const;
  // Matching bracket of the bracket at P, (0, 0) when none.
  virtual TPoint MatchingBracketAt(TPoint P, bool AdjustForTabs);
  virtual TPoint MatchingBracketAtCaret() { return MatchingBracketAt(CaretXY(), false); }
  virtual void JumpToMatchingBracket();

  // ---- indentation helpers ----
  int LeftSpaces(const std::string& Line) const { return LeftSpacesEx(Line, false); }
  int LeftSpacesEx(const std::string& Line, bool WantTabs) const;
  std::string GetLeftSpacing(int CharCount, bool WantTabs) const;

  // ---- marks and bookmarks ----
  TCodeEditMarkList& Marks() { return *marks_; }
  TCodeEditMark* Bookmark(int Index) const {
    return Index >= 0 && Index < 10 ? bookmarks_[size_t(Index)] : nullptr;
  }
  // The bookmark's position; false when it is not set.
  bool GetBookMark(int BookMark, int& X, int& Y) const;
  bool IsBookmark(int BookMark) const { return Bookmark(BookMark) != nullptr; }
  void SetBookMark(int BookMark, int X, int Y);
  void ClearBookMark(int BookMark);
  void GotoBookMark(int BookMark);
  void ShiftMarksAfterDelete(int First, int Count);
  void ShiftMarksAfterInsert(int First, int Count);

  // ---- state ----
  bool Modified() const { return modified_; }
  void SetModified(bool Value);
  virtual bool GetReadOnly() const { return readOnly_; }
  bool ReadOnly() const { return GetReadOnly(); }
  virtual void SetReadOnly(bool Value);
  TCodeEditorOptions Options() const { return options_; }
  void SetOptions(TCodeEditorOptions Value);
  bool HasOption(TCodeEditorOptions Option) const { return (options_ & Option) != 0; }
  TCodeSelectionMode SelectionMode() const { return selectionMode_; }
  void SetSelectionMode(TCodeSelectionMode Value);
  bool InsertMode() const { return insertMode_; }
  void SetInsertMode(bool Value);
  TCodeEditCaretType InsertCaret() const { return insertCaret_; }
  void SetInsertCaret(TCodeEditCaretType Value);
  TCodeEditCaretType OverwriteCaret() const { return overwriteCaret_; }
  void SetOverwriteCaret(TCodeEditCaretType Value);
  int TabWidth() const { return tabWidth_; }
  void SetTabWidth(int Value);
  bool WantTabs() const { return wantTabs_; }
  void SetWantTabs(bool Value) { wantTabs_ = Value; }
  int ExtraLineSpacing() const { return extraLineSpacing_; }
  void SetExtraLineSpacing(int Value);
  int MaxLeftChar() const { return maxLeftChar_; }
  void SetMaxLeftChar(int Value);
  int MaxUndo() const { return undoList_->MaxUndoActions(); }
  void SetMaxUndo(int Value);
  int RightEdge() const { return rightEdge_; }
  void SetRightEdge(int Value);
  TColor RightEdgeColor() const { return rightEdgeColor_; }
  void SetRightEdgeColor(TColor Value);
  bool HideSelection() const { return hideSelection_; }
  void SetHideSelection(bool Value);
  TScrollStyle ScrollBars() const { return scrollBars_; }
  void SetScrollBars(TScrollStyle Value);
  TBorderStyle BorderStyle() const { return borderStyle_; }
  void SetBorderStyle(TBorderStyle Value);
  TColor ScrollHintColor() const { return scrollHintColor_; }
  void SetScrollHintColor(TColor Value) { scrollHintColor_ = Value; }
  TScrollHintFormat ScrollHintFormat() const { return scrollHintFormat_; }
  void SetScrollHintFormat(TScrollHintFormat Value) { scrollHintFormat_ = Value; }
  TColor Color() const { return color_; }
  void SetColor(TColor Value);
  bool Visible() const { return visible_; }
  void SetVisible(bool Value);
  TCursor Cursor() const { return cursor_; }
  void SetCursor(TCursor Value) { cursor_ = Value; }
  // A proportional font is replaced by "Courier New" with its size, colour
  // and style.
  const TFont& Font() const { return font_; }
  void SetFont(const TFont& Value);
  TCodeGutter& Gutter() { return *gutter_; }
  void SetGutter(const TCodeGutter& Value) { gutter_->Assign(Value); }
  TCodeSelectedColor& SelectedColor() { return *selectedColor_; }
  TCodeBookMarkOpt& BookMarkOptions() { return *bookMarkOpt_; }
  TCodeEditKeyStrokes& Keystrokes() { return *keystrokes_; }
  // Null clears the bindings.
  void SetKeystrokes(const TCodeEditKeyStrokes* Value);
  virtual void SetDefaultKeystrokes() { keystrokes_->ResetDefaults(); }
  TCodeCustomHighlighter* Highlighter() const { return highlighter_; }
  // The highlighter is not owned; it must outlive its use here or be set to
  // null (or reported through HighlighterRemoved) first.
  void SetHighlighter(TCodeCustomHighlighter* Value);
  // The highlighter is being destroyed.
  void HighlighterRemoved();
  TCodeEditUndoList& UndoList() { return *undoList_; }
  TCodeEditUndoList& RedoList() { return *redoList_; }
  void EmptyUndoLists();
  void LockUndoLists();
  void UnlockUndoLists();
  TCodeInternalImage* InternalImages() const { return internalImages_.get(); }
  // All text output of painting goes through the drawer; its cell is the
  // editor's character cell.
  TheTextDrawer& TextDrawer() const { return *textDrawer_; }
  static std::string TrimTrailingSpaces(const std::string& S);
  static int RoundHalfAway(double Value);

  // ---- keyboard chain and focus takers ----
  void AddKeyDownHandler(const TCodeKeyDownHandler& Handler) {
    kbdHandler_->AddKeyDownHandler(Handler);
  }
  void RemoveKeyDownHandler(const TCodeKeyDownHandler& Handler) {
    kbdHandler_->RemoveKeyDownHandler(Handler);
  }
  void AddKeyPressHandler(const TCodeKeyPressHandler& Handler) {
    kbdHandler_->AddKeyPressHandler(Handler);
  }
  void RemoveKeyPressHandler(const TCodeKeyPressHandler& Handler) {
    kbdHandler_->RemoveKeyPressHandler(Handler);
  }
  void SetOnKeyDown(TKeyEvent Value) { kbdHandler_->SetOnKeyDown(std::move(Value)); }
  void SetOnKeyPress(TKeyPressEvent Value) { kbdHandler_->SetOnKeyPress(std::move(Value)); }
  // Controls that take the focus in the editor's place (the completion
  // pop-up); SetFocus gives it to the last one added.
  void AddFocusTaker(void* Control);
  void RemoveFocusTaker(void* Control);
  virtual void SetFocus();
  std::function<void(void* Control)> OnFocusTaker;
  // Told once, with the editor as sender, when the editor is being
  // destroyed: components serving the editor let go of it there.
  void AddDestroyListener(const TCodeNotifyEvent& Listener) { destroyListeners_.Add(Listener); }
  void RemoveDestroyListener(const TCodeNotifyEvent& Listener) {
    destroyListeners_.Remove(Listener);
  }

  // ---- drag and drop between editors ----
  void DragOver(TCustomCodeEdit* Source, int X, int Y, TDragState State, bool& Accept,
                TShiftState Shift);
  void DragDrop(TCustomCodeEdit* Source, int X, int Y, TShiftState Shift);
  TCursor DragCursor() const { return dragCursor_; }
  void DropFiles(int X, int Y, const std::vector<std::string>& Files);

  // ---- events ----
  TCodeEditNotifyEvent OnChange;
  TClearMarkEvent OnClearBookmark;
  TProcessCommandEvent OnCommandProcessed;
  TContextHelpEvent OnContextHelp;
  TDropFilesEvent OnDropFiles;
  TGutterClickEvent OnGutterClick;
  TPaintEvent OnPaint;
  TPlaceMarkEvent OnPlaceBookmark;
  TProcessCommandEvent OnProcessCommand;
  TProcessCommandEvent OnProcessUserCommand;
  TReplaceTextEvent OnReplaceText;
  TSpecialLineColorsEvent OnSpecialLineColors;
  TStatusChangeEvent OnStatusChange;
  TPaintTransient OnPaintTransient;
  TSearchEngineEvent OnSearchEngineOverride;
  TCodeEditNotifyEvent OnDblClick;

  // ---- event operations ----
  bool AskSpecialLineColors(int Line, TColor& Foreground, TColor& Background);
  TCodeReplaceAction AskReplaceText(const std::string& ASearch, const std::string& AReplace,
                                    int Line, int Column);
  void NoteStatusChange(TCodeStatusChanges Changes);
  TCodeStatusChanges PendingStatusChanges() const { return statusChanges_; }
  void FirePaintTransient(TTransientType Type) { FirePaintTransientLocked(Type, false); }
  virtual void FirePaintTransientLocked(TTransientType Type, bool Lock);
  // The gutter's size follows a change of its settings.
  void GutterChanged();

 protected:
  virtual void FirePlaceBookmark(std::unique_ptr<TCodeEditMark>& Mark);
  virtual void FireClearBookmark(TCodeEditMark& Mark);
  virtual void FireProcessCommand(TCodeEditorCommand& Command, char32_t& AChar, void* Data);
  virtual void FireCommandProcessed(TCodeEditorCommand Command, char32_t AChar, void* Data);
  virtual void NotifyCommandHooks(bool AfterProcessing, TCodeEditorCommand& Command,
                                  char32_t& AChar, void* Data);
  virtual void FireStatusChange();
  virtual void FirePaint(TCanvas& C);
  virtual void DoOnGutterClick(int X, int Y);
  // Painting of the two areas; the clip is in client pixels, lines and
  // columns are the ranges the clip covers.
  virtual void PaintGutter(TCanvas& C, const TRect& Clip, int FirstLine, int LastLine);
  virtual void PaintTextLines(TCanvas& C, const TRect& Clip, int FirstLine, int LastLine,
                              int FirstCol, int LastCol);
  // The bookmark and mark pictures of the painted lines.
  void PaintGutterMarks(TCanvas& C, int FirstLine, int LastLine);
  // The highlighter painting uses: none when it is switched off.
  TCodeCustomHighlighter* ActiveHighlighter() const {
    return highlighter_ && highlighter_->Enabled() ? highlighter_ : nullptr;
  }
  // The control's colour, or the background of the highlighter's
  // whitespace attribute when it sets one.
  TColor EditorBackground() const;

 private:
  friend class TCodeEditMark;
  struct TReplayScope;
  // One paint of the text area (CodeEditPaint.cpp).
  class TLinePainter;

  // Line access (1-based lines).
  int LineCount() const { return lines_->Count(); }
  std::string LineStr(int Line) const { return lines_->Get(Line - 1); }
  int LineChars(int Line) const;
  void StoreLineTrimmed(int Index, const std::string& S);

  // Line-list handlers.
  void LinesChanging();
  void LinesChanged();
  void ListAdded(int Index, const std::string& S);
  void ListInserted(int Index, const std::string& S);
  void ListPutted(int Index, const std::string& S);
  void ListDeleted(int Index);
  void ListCleared();
  // After lines were added or deleted at Index: the ranges from the line
  // before it on, until a stored range agrees again.
  void RescanFrom(int Index);
  int ScanFrom(int Index);
  void RescanAll();

  // Invalidates the rows of the lines between Left and Right ((-1, -1): all
  // rows).
  void InvalidateRows(int FirstLine, int LastLine, int Left, int Right);

  // Sizes and fonts.
  void FontChanged();
  void SizeOrFontChanged(bool FontChanged);
  void SetGutterWidth(int Value);
  void RecalcCharExtent();
  TFontService& Fonts() const;

  // Caret movement.
  void MoveCaretByColumns(int DX, bool SelectionCommand);
  void MoveCaretByLines(int DY, bool SelectionCommand);
  void MoveCaretWithSelection(TPoint From, TPoint To, bool SelectionCommand);
  void MoveCaretToLineStart(bool SelectionCommand);
  void ScrollCaretIntoView() { EnsureCursorPosVisible(); }
  void UpdateLastCaretX();
  bool SelectionSpansLines() const;

  // Text primitives.
  // Caret fields, status bits and the remembered column, without clamping
  // or scrolling.
  void SetCaretInternal(TPoint P);
  // Anchor and end as given (lines clamped to the text), repainted.
  void SelectRange(TPoint Begin, TPoint End);
  // The selection shrinks to the point At; the rows it covered are
  // repainted.
  void CollapseSelection(TPoint At);
  // Trailing blanks are trimmed (eoTrimTrailingSpaces) except while undo
  // puts recorded text back, which must come back exactly.
  bool TrimOn() const { return HasOption(eoTrimTrailingSpaces) && !replaying_; }
  void DeleteSelection();
  std::string GetSelTextEx(bool PadColumns) const;
  // The selected text exactly as it stands (column rows never padded): what
  // undo puts back.
  std::string SelTextForUndo() const { return GetSelTextEx(false); }
  // Records the deletion of the selection: one item from the anchor to the
  // moving end (urDeleteAfterCaret from the end to the anchor) holding the
  // text, or for a column block one item per row with that row's exact
  // characters, so undo puts every row back where it was whatever TABs the
  // lines hold.
  void RecordSelectionDeletion(TCodeChangeReason Reason);
  int InsertTextNormal(const std::string& Value);
  // Records one item per row (and one for lines added below the text) when
  // asked or while pasting.
  void InsertTextColumn(const std::string& Value, bool AddToUndoList, TCodeChangeReason Reason);
  int InsertTextLine(const std::string& Value);
  void SetSelTextPrimitiveEx(TCodeSelectionMode Mode, const std::string& Value, bool AddToUndoList,
                             TCodeChangeReason ColumnReason = urPaste);
  // Replaces the selection in the current mode and records the insertion
  // as Reason: one item for normal and line mode (line-mode text is
  // recorded as normal text from column 1, which is exactly what came in),
  // one item per row for column mode.
  void ReplaceSelectionRecorded(const std::string& Value, TCodeChangeReason Reason);
  void DeleteSelectionForCommand();
  // Column-mode character range [First, Last) of a line for the display
  // columns of the selection.
  void ColumnRange(int Line, int DisplayFrom, int DisplayTo, int& First, int& Last) const;
  void ColumnDisplayRange(int& From, int& To) const;

  // Undo execution: one step of Undo or Redo (an action, a group of like
  // changes, or a bracketed block), and one item of it.
  void UndoOrRedo(bool Undoing);
  void UndoItem();
  void RedoItem();
  // Puts the item's text in place of its range (recorded either way round)
  // and records the opposite change on Inverse; returns the end of what was
  // put in.
  TPoint ReplayReplacement(const TCodeEditUndoItem& Item, TCodeEditUndoList& Inverse);

  // Commands.
  void DoBackspace();
  void DoDeleteChar();
  void DoDeleteRange(TCodeEditorCommand Command);
  void DoDeleteLine();
  void DoLineBreak(TCodeEditorCommand Command);
  // Typed text (one character, or an input-method string) at the caret.
  void DoTypeText(const std::u32string& Text);
  void DoScrollLine(TCodeEditorCommand Command);
  void DoPageMove(TCodeEditorCommand Command);
  void DoToggleMarker(int Index, const TPoint* Data);
  // With word wrap on, wraps the caret's paragraph again and keeps the
  // caret on its character.
  void ReflowCaretParagraph();

  // Tab, indent, case.
  void InsertTabAtCaret();
  void RemoveTabBeforeCaret();
  void IndentSelectedLines();
  void UnindentSelectedLines();
  void ChangeCaseOfWord(TCodeEditorCommand Command);

  // Mouse helpers.
  void ComputeScroll(int X, int Y);
  void AutoScrollTick();
  TPoint PointerPos() const;
  TShiftState HeldShift() const;

  // Clipboard block.
  bool ReadPrivateBlock(const std::string& Block, TCodeSelectionMode& Mode, std::string& Text);
  void UndoListItemAdded(TCodeEditUndoList* Sender);
  void ApplyWordWrap(bool Value);

  // ---- state ----
  std::unique_ptr<TCodeEditStringList> lines_;
  std::unique_ptr<TCodeEditUndoList> undoList_;
  std::unique_ptr<TCodeEditUndoList> redoList_;
  std::unique_ptr<TCodeSelectedColor> selectedColor_;
  std::unique_ptr<TCodeBookMarkOpt> bookMarkOpt_;
  std::unique_ptr<TCodeGutter> gutter_;
  std::unique_ptr<TCodeEditKeyStrokes> keystrokes_;
  std::unique_ptr<TCodeEditMarkList> marks_;
  std::unique_ptr<TCodeEditKbdHandler> kbdHandler_;
  std::unique_ptr<TCodeInternalImage> internalImages_;
  std::unique_ptr<TCodeEditSearch> ownSearchEngine_;
  std::unique_ptr<TheTextDrawer> textDrawer_;
  TCanvas* paintCanvas_ = nullptr;  // while painting
  TCodeEditSearch* searchEngine_ = nullptr;
  TCodeCustomHighlighter* highlighter_ = nullptr;
  TCodeEditHost* editHost_ = nullptr;
  TKeyEvent onKeyDownSlot_;
  TKeyPressEvent onKeyPressSlot_;
  std::vector<void*> focusTakers_;
  TCodeNotifyEventChain destroyListeners_{this};
  std::vector<THookedCommandHandlerEntry> hookedCommandHandlers_;
  std::array<TCodeEditMark*, 10> bookmarks_{};

  TFont font_;
  TFont internalFont_;
  TPoint blockBegin_{1, 1};
  TPoint blockEnd_{1, 1};
  int caretX_ = 1;
  int caretY_ = 1;
  int lastCaretX_ = 1;
  int charsInWindow_ = 0;
  int charWidth_ = 8;
  int charHeight_ = 16;
  int lineHeight_ = 16;
  int linesInWindow_ = 0;
  int leftChar_ = 1;
  int topLine_ = 1;
  int gutterWidth_ = 0;
  int textOffset_ = 2;
  int paintLock_ = 0;
  int paintTransientLock_ = 0;
  uint16_t stateFlags_ = 0;
  TCodeStatusChanges statusChanges_ = 0;
  int imeCount_ = 0;
  int mouseDownX_ = 0;
  int mouseDownY_ = 0;
  int scrollDeltaX_ = 0;
  int scrollDeltaY_ = 0;
  int wheelAccumulator_ = 0;
  TPoint lastPointer_;
  TRect invalidateRect_;
  bool wordWrap_ = false;
  bool savedAltColumnMode_ = false;
  bool showSpecialChars_ = false;
  bool pasting_ = false;
  bool alwaysShowCaret_ = false;
  bool autoScrollTimer_ = false;
  bool inRedo_ = false;
  bool replaying_ = false;
  TPoint lastInsertPos_{1, 1};  // where the primitive inserted last
  bool modified_ = false;
  bool readOnly_ = false;
  bool insertMode_ = true;
  bool wantTabs_ = false;
  bool hideSelection_ = false;
  bool visible_ = true;
  bool destroying_ = false;
  uint16_t lastKey_ = 0;
  TShiftState lastShiftState_ = 0;
  TCodeEditorOptions options_ = CODE_DEFAULT_OPTIONS;
  TCodeSelectionMode selectionMode_ = smNormal;
  TCodeEditCaretType insertCaret_ = ctVerticalLine;
  TCodeEditCaretType overwriteCaret_ = ctBlock;
  int tabWidth_ = 8;
  int extraLineSpacing_ = 0;
  int maxLeftChar_ = 1024;
  int rightEdge_ = 80;
  TColor rightEdgeColor_ = clSilver;
  TColor color_ = clWindow;
  TColor scrollHintColor_ = clInfoBk;
  TScrollHintFormat scrollHintFormat_ = shfTopLineOnly;
  TScrollStyle scrollBars_ = ssBoth;
  TBorderStyle borderStyle_ = bsSingle;
  TCursor cursor_ = crIBeam;
  TCursor dragCursor_ = crDrag;
  std::array<std::pair<bool, bool>, 2> scrollArrows_{{{true, true}, {true, true}}};
};

// The editor as the program's windows place it.
class TCodeEdit : public TCustomCodeEdit {
 public:
  TCodeEdit() = default;
};

// The registered name of the editor's private clipboard block.
extern const char* const CODE_EDIT_CLIPBOARD_FORMAT;  // "CodeEdit Control Block Type"

}  // namespace qv
