// Editor commands, their names, and the key bindings that map keys to them.
//
// Every action of the editor is a 16-bit command number. A key binding
// (TCodeEditKeyStroke) is one or two successive shortcuts plus the command;
// TCodeEditKeyStrokes holds the bindings in order (the first match wins).
// Keys are the virtual-key numbers and shift states of ControlCore.h; a
// binding stores only the Shift, Alt and Ctrl bits.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/core/ControlCore.h"
#include "platform/core/SysUtils.h"

namespace qv {

using TCodeEditorCommand = uint16_t;
using TShortCut = uint16_t;
// Shortcut composition as menus store it: the key code with Shift 0x2000,
// Ctrl 0x4000 and Alt 0x8000.
namespace Menus {
TShortCut ShortCut(uint16_t Key, TShiftState Shift);
void ShortCutToKey(TShortCut ShortCut, uint16_t& Key, TShiftState& Shift);
}  // namespace Menus
// The texts of shortcuts ("Shift+Ctrl+Alt+" prefixes and the key's name)
// are those of platform/core/ShortCuts.h.

// clang-format off
constexpr TCodeEditorCommand
  ecNone = 0, ecLeft = 1, ecRight = 2, ecUp = 3, ecDown = 4, ecWordLeft = 5, ecWordRight = 6,
  ecLineStart = 7, ecLineEnd = 8, ecPageUp = 9, ecPageDown = 10, ecPageLeft = 11,
  ecPageRight = 12, ecPageTop = 13, ecPageBottom = 14, ecEditorTop = 15, ecEditorBottom = 16,
  ecGotoXY = 17,
  ecSelection = 100,
  ecSelLeft = 101, ecSelRight = 102, ecSelUp = 103, ecSelDown = 104, ecSelWordLeft = 105,
  ecSelWordRight = 106, ecSelLineStart = 107, ecSelLineEnd = 108, ecSelPageUp = 109,
  ecSelPageDown = 110, ecSelPageLeft = 111, ecSelPageRight = 112, ecSelPageTop = 113,
  ecSelPageBottom = 114, ecSelEditorTop = 115, ecSelEditorBottom = 116, ecSelGotoXY = 117,
  ecSelectAll = 199, ecCopy = 201, ecScrollUp = 211, ecScrollDown = 212, ecScrollLeft = 213,
  ecScrollRight = 214, ecInsertMode = 221, ecOverwriteMode = 222, ecToggleMode = 223,
  ecNormalSelect = 231, ecColumnSelect = 232, ecLineSelect = 233, ecMatchBracket = 250,
  ecGotoMarker0 = 301, ecGotoMarker9 = 310, ecSetMarker0 = 351, ecSetMarker9 = 360,
  ecContextHelp = 490,
  ecDeleteLastChar = 501, ecDeleteChar = 502, ecDeleteWord = 503, ecDeleteLastWord = 504,
  ecDeleteBOL = 505, ecDeleteEOL = 506, ecDeleteLine = 507, ecClearAll = 508,
  ecLineBreak = 509, ecInsertLine = 510, ecChar = 511, ecImeStr = 550, ecUndo = 601,
  ecRedo = 602, ecCut = 603, ecPaste = 604, ecBlockIndent = 610, ecBlockUnindent = 611,
  ecTab = 612, ecShiftTab = 613, ecUpperCase = 620, ecLowerCase = 621, ecToggleCase = 622,
  ecTitleCase = 623, ecString = 630, ecAutoCompletion = 650,
  ecUserFirst = 1001;
// clang-format on

struct TIdentMapEntry {
  int Value;
  const char* Name;
};
// The 96 (number, name) pairs, in table order.
extern const TIdentMapEntry EditorCommandStrs[96];

bool EditorCommandToIdent(int Command, std::string& Ident);
bool IdentToEditorCommand(const std::string& Ident, int& Command);
// The command's name, or its decimal number when it has none.
std::string EditorCommandToCodeString(TCodeEditorCommand Command);

class ECodeKeyError : public Exception {
 public:
  using Exception::Exception;
};

class TCodeEditKeyStrokes;

class TCodeEditKeyStroke {
 public:
  explicit TCodeEditKeyStroke(TCodeEditKeyStrokes* Collection) : collection_(Collection) {}

  void Assign(const TCodeEditKeyStroke& Source);
  // "ecUndo - Ctrl+Z"; the second shortcut's text follows after a blank.
  std::string GetDisplayName() const;

  TCodeEditorCommand Command() const { return command_; }
  void SetCommand(TCodeEditorCommand Value) { command_ = Value; }
  uint16_t Key() const { return key_; }
  TShiftState Shift() const { return shift_; }
  uint16_t Key2() const { return key2_; }
  TShiftState Shift2() const { return shift2_; }
  void SetKey(uint16_t Value) { key_ = Value; }
  void SetShift(TShiftState Value) { shift_ = Value; }
  void SetKey2(uint16_t Value) { key2_ = Value; }
  void SetShift2(TShiftState Value) { shift2_ = Value; }

  TShortCut ShortCut() const { return Menus::ShortCut(key_, shift_); }
  TShortCut ShortCut2() const { return Menus::ShortCut(key2_, shift2_); }
  // Raise ECodeKeyError "Shortcut already exists" when another binding has
  // the same pair of shortcuts; the binding then keeps its old keys.
  void SetShortCut(TShortCut Value);
  void SetShortCut2(TShortCut Value);

  int Index() const;

 private:
  TCodeEditKeyStrokes* collection_;
  uint16_t key_ = 0;
  TShiftState shift_ = 0;
  uint16_t key2_ = 0;
  TShiftState shift2_ = 0;
  TCodeEditorCommand command_ = ecNone;
};

class TCodeEditKeyStrokes {
 public:
  // Owner is the editor; it is kept only as the persistent owner.
  explicit TCodeEditKeyStrokes(void* Owner = nullptr) : owner_(Owner) {}
  TCodeEditKeyStrokes(const TCodeEditKeyStrokes&) = delete;
  TCodeEditKeyStrokes& operator=(const TCodeEditKeyStrokes&) = delete;

  TCodeEditKeyStroke* Add();
  void Assign(const TCodeEditKeyStrokes& Source);
  void Clear() { items_.clear(); }
  void Delete(int Index);
  int Count() const { return static_cast<int>(items_.size()); }
  TCodeEditKeyStroke* Items(int Index) const;
  int IndexOf(const TCodeEditKeyStroke* Item) const;
  void* Owner() const { return owner_; }

  // Index of the first matching binding, or -1.
  int FindKeycode(uint16_t Code, TShiftState SS) const;
  int FindKeycode2(uint16_t Code1, TShiftState SS1, uint16_t Code2, TShiftState SS2) const;
  int FindShortcut2(TShortCut SC, TShortCut SC2) const;

  // Clears and adds the 82 default bindings.
  void ResetDefaults();

 private:
  void AddKey(TCodeEditorCommand Cmd, uint16_t Key, TShiftState Shift);

  void* owner_;
  std::vector<std::unique_ptr<TCodeEditKeyStroke>> items_;
};

}  // namespace qv
