#include "editor/CodeEditKeyCmds.h"

#include <cstdlib>

#include "platform/core/ShortCuts.h"

namespace qv {

namespace Menus {

TShortCut ShortCut(uint16_t Key, TShiftState Shift) {
  if (Key & 0xF000) return 0;  // not representable
  TShortCut result = Key;
  if (Shift & ssShift) result |= scShift;
  if (Shift & ssCtrl) result |= scCtrl;
  if (Shift & ssAlt) result |= scAlt;
  return result;
}

void ShortCutToKey(TShortCut ShortCut, uint16_t& Key, TShiftState& Shift) {
  Key = ShortCut & 0x0FFF;
  Shift = 0;
  if (ShortCut & scShift) Shift |= ssShift;
  if (ShortCut & scCtrl) Shift |= ssCtrl;
  if (ShortCut & scAlt) Shift |= ssAlt;
}

}  // namespace Menus

// clang-format off
const TIdentMapEntry EditorCommandStrs[96] = {
  {ecNone, "ecNone"}, {ecLeft, "ecLeft"}, {ecRight, "ecRight"}, {ecUp, "ecUp"},
  {ecDown, "ecDown"}, {ecWordLeft, "ecWordLeft"}, {ecWordRight, "ecWordRight"},
  {ecLineStart, "ecLineStart"}, {ecLineEnd, "ecLineEnd"}, {ecPageUp, "ecPageUp"},
  {ecPageDown, "ecPageDown"}, {ecPageLeft, "ecPageLeft"}, {ecPageRight, "ecPageRight"},
  {ecPageTop, "ecPageTop"}, {ecPageBottom, "ecPageBottom"}, {ecEditorTop, "ecEditorTop"},
  {ecEditorBottom, "ecEditorBottom"}, {ecGotoXY, "ecGotoXY"},
  {ecSelLeft, "ecSelLeft"}, {ecSelRight, "ecSelRight"}, {ecSelUp, "ecSelUp"},
  {ecSelDown, "ecSelDown"}, {ecSelWordLeft, "ecSelWordLeft"}, {ecSelWordRight, "ecSelWordRight"},
  {ecSelLineStart, "ecSelLineStart"}, {ecSelLineEnd, "ecSelLineEnd"},
  {ecSelPageUp, "ecSelPageUp"}, {ecSelPageDown, "ecSelPageDown"},
  {ecSelPageLeft, "ecSelPageLeft"}, {ecSelPageRight, "ecSelPageRight"},
  {ecSelPageTop, "ecSelPageTop"}, {ecSelPageBottom, "ecSelPageBottom"},
  {ecSelEditorTop, "ecSelEditorTop"}, {ecSelEditorBottom, "ecSelEditorBottom"},
  {ecSelGotoXY, "ecSelGotoXY"},
  {ecSelectAll, "ecSelectAll"}, {ecCopy, "ecCopy"}, {ecScrollUp, "ecScrollUp"},
  {ecScrollDown, "ecScrollDown"}, {ecScrollLeft, "ecScrollLeft"},
  {ecScrollRight, "ecScrollRight"}, {ecInsertMode, "ecInsertMode"},
  {ecOverwriteMode, "ecOverwriteMode"}, {ecToggleMode, "ecToggleMode"},
  {ecNormalSelect, "ecNormalSelect"}, {ecColumnSelect, "ecColumnSelect"},
  {ecLineSelect, "ecLineSelect"}, {ecMatchBracket, "ecMatchBracket"},
  {301, "ecGotoMarker0"}, {302, "ecGotoMarker1"}, {303, "ecGotoMarker2"},
  {304, "ecGotoMarker3"}, {305, "ecGotoMarker4"}, {306, "ecGotoMarker5"},
  {307, "ecGotoMarker6"}, {308, "ecGotoMarker7"}, {309, "ecGotoMarker8"},
  {310, "ecGotoMarker9"},
  {351, "ecSetMarker0"}, {352, "ecSetMarker1"}, {353, "ecSetMarker2"},
  {354, "ecSetMarker3"}, {355, "ecSetMarker4"}, {356, "ecSetMarker5"},
  {357, "ecSetMarker6"}, {358, "ecSetMarker7"}, {359, "ecSetMarker8"},
  {360, "ecSetMarker9"},
  {ecContextHelp, "ecContextHelp"},
  {ecDeleteLastChar, "ecDeleteLastChar"}, {ecDeleteChar, "ecDeleteChar"},
  {ecDeleteWord, "ecDeleteWord"}, {ecDeleteLastWord, "ecDeleteLastWord"},
  {ecDeleteBOL, "ecDeleteBOL"}, {ecDeleteEOL, "ecDeleteEOL"}, {ecDeleteLine, "ecDeleteLine"},
  {ecClearAll, "ecClearAll"}, {ecLineBreak, "ecLineBreak"}, {ecInsertLine, "ecInsertLine"},
  {ecChar, "ecChar"}, {ecImeStr, "ecImeStr"}, {ecUndo, "ecUndo"}, {ecRedo, "ecRedo"},
  {ecCut, "ecCut"}, {ecPaste, "ecPaste"}, {ecBlockIndent, "ecBlockIndent"},
  {ecBlockUnindent, "ecBlockUnindent"}, {ecTab, "ecTab"}, {ecShiftTab, "ecShiftTab"},
  {ecUpperCase, "ecUpperCase"}, {ecLowerCase, "ecLowerCase"}, {ecToggleCase, "ecToggleCase"},
  {ecTitleCase, "ecTitleCase"}, {ecString, "ecString"}, {ecAutoCompletion, "ecAutoCompletion"},
  {ecUserFirst, "ecUserFirst"},
};
// clang-format on

static bool SameIdent(const std::string& a, const char* b) {
  size_t i = 0;
  for (; i < a.size() && b[i]; ++i) {
    char x = a[i], y = b[i];
    if (x >= 'A' && x <= 'Z') x = char(x + 32);
    if (y >= 'A' && y <= 'Z') y = char(y + 32);
    if (x != y) return false;
  }
  return i == a.size() && b[i] == 0;
}

bool EditorCommandToIdent(int Command, std::string& Ident) {
  for (const auto& e : EditorCommandStrs)
    if (e.Value == Command) {
      Ident = e.Name;
      return true;
    }
  return false;
}

bool IdentToEditorCommand(const std::string& Ident, int& Command) {
  for (const auto& e : EditorCommandStrs)
    if (SameIdent(Ident, e.Name)) {
      Command = e.Value;
      return true;
    }
  return false;
}

std::string EditorCommandToCodeString(TCodeEditorCommand Command) {
  std::string ident;
  if (!EditorCommandToIdent(Command, ident)) ident = std::to_string(Command);
  return ident;
}

// ---------------------------------------------------------------------------

void TCodeEditKeyStroke::Assign(const TCodeEditKeyStroke& Source) {
  command_ = Source.command_;
  key_ = Source.key_;
  shift_ = Source.shift_;
  key2_ = Source.key2_;
  shift2_ = Source.shift2_;
}

std::string TCodeEditKeyStroke::GetDisplayName() const {
  std::string result = EditorCommandToCodeString(command_) + " - " + ShortCutToText(ShortCut());
  if (key2_ != 0) result += " " + ShortCutToText(ShortCut2());
  if (result.empty()) result = "TCodeEditKeyStroke";
  return result;
}

int TCodeEditKeyStroke::Index() const { return collection_ ? collection_->IndexOf(this) : -1; }

void TCodeEditKeyStroke::SetShortCut(TShortCut Value) {
  if (Value != 0 && collection_) {
    const int dup = collection_->FindShortcut2(Value, ShortCut2());
    if (dup >= 0 && collection_->Items(dup) != this) throw ECodeKeyError("Shortcut already exists");
  }
  Menus::ShortCutToKey(Value, key_, shift_);
}

void TCodeEditKeyStroke::SetShortCut2(TShortCut Value) {
  if (Value != 0 && collection_) {
    const int dup = collection_->FindShortcut2(ShortCut(), Value);
    if (dup >= 0 && collection_->Items(dup) != this) throw ECodeKeyError("Shortcut already exists");
  }
  Menus::ShortCutToKey(Value, key2_, shift2_);
}

// ---------------------------------------------------------------------------

TCodeEditKeyStroke* TCodeEditKeyStrokes::Add() {
  items_.push_back(std::make_unique<TCodeEditKeyStroke>(this));
  return items_.back().get();
}

void TCodeEditKeyStrokes::Assign(const TCodeEditKeyStrokes& Source) {
  if (&Source == this) return;
  Clear();
  for (const auto& k : Source.items_) Add()->Assign(*k);
}

void TCodeEditKeyStrokes::Delete(int Index) {
  if (Index < 0 || Index >= Count()) return;
  items_.erase(items_.begin() + Index);
}

TCodeEditKeyStroke* TCodeEditKeyStrokes::Items(int Index) const {
  if (Index < 0 || Index >= Count()) return nullptr;
  return items_[static_cast<size_t>(Index)].get();
}

int TCodeEditKeyStrokes::IndexOf(const TCodeEditKeyStroke* Item) const {
  for (int i = 0; i < Count(); ++i)
    if (items_[static_cast<size_t>(i)].get() == Item) return i;
  return -1;
}

int TCodeEditKeyStrokes::FindKeycode(uint16_t Code, TShiftState SS) const {
  for (int i = 0; i < Count(); ++i) {
    const auto& k = *items_[static_cast<size_t>(i)];
    if (k.Key() == Code && k.Shift() == SS && k.Key2() == 0) return i;
  }
  return -1;
}

int TCodeEditKeyStrokes::FindKeycode2(uint16_t Code1, TShiftState SS1, uint16_t Code2,
                                      TShiftState SS2) const {
  for (int i = 0; i < Count(); ++i) {
    const auto& k = *items_[static_cast<size_t>(i)];
    if (k.Key() == Code1 && k.Shift() == SS1 && k.Key2() == Code2 && k.Shift2() == SS2) return i;
  }
  return -1;
}

int TCodeEditKeyStrokes::FindShortcut2(TShortCut SC, TShortCut SC2) const {
  for (int i = 0; i < Count(); ++i) {
    const auto& k = *items_[static_cast<size_t>(i)];
    if (k.ShortCut() == SC && k.ShortCut2() == SC2) return i;
  }
  return -1;
}

void TCodeEditKeyStrokes::AddKey(TCodeEditorCommand Cmd, uint16_t Key, TShiftState Shift) {
  TCodeEditKeyStroke* k = Add();
  k->SetKey(Key);
  k->SetShift(Shift);
  k->SetCommand(Cmd);
}

void TCodeEditKeyStrokes::ResetDefaults() {
  constexpr TShiftState N = 0, S = ssShift, C = ssCtrl, SC = ssShift | ssCtrl, A = ssAlt,
                        SA = ssShift | ssAlt;
  Clear();
  AddKey(ecUp, VK_UP, N);
  AddKey(ecSelUp, VK_UP, S);
  AddKey(ecScrollUp, VK_UP, C);
  AddKey(ecDown, VK_DOWN, N);
  AddKey(ecSelDown, VK_DOWN, S);
  AddKey(ecScrollDown, VK_DOWN, C);
  struct Row {
    uint16_t key;
    TCodeEditorCommand n, s, c, sc;
  };
  static const Row rows[] = {
      {VK_LEFT, ecLeft, ecSelLeft, ecWordLeft, ecSelWordLeft},
      {VK_RIGHT, ecRight, ecSelRight, ecWordRight, ecSelWordRight},
      {VK_NEXT, ecPageDown, ecSelPageDown, ecPageBottom, ecSelPageBottom},
      {VK_PRIOR, ecPageUp, ecSelPageUp, ecPageTop, ecSelPageTop},
      {VK_HOME, ecLineStart, ecSelLineStart, ecEditorTop, ecSelEditorTop},
      {VK_END, ecLineEnd, ecSelLineEnd, ecEditorBottom, ecSelEditorBottom},
  };
  for (const Row& r : rows) {
    AddKey(r.n, r.key, N);
    AddKey(r.s, r.key, S);
    AddKey(r.c, r.key, C);
    AddKey(r.sc, r.key, SC);
  }
  AddKey(ecToggleMode, VK_INSERT, N);
  AddKey(ecCopy, VK_INSERT, C);
  AddKey(ecCut, VK_DELETE, S);
  AddKey(ecPaste, VK_INSERT, S);
  AddKey(ecDeleteChar, VK_DELETE, N);
  AddKey(ecDeleteLastChar, VK_BACK, N);
  AddKey(ecDeleteLastChar, VK_BACK, S);
  AddKey(ecDeleteLastWord, VK_BACK, C);
  AddKey(ecUndo, VK_BACK, A);
  AddKey(ecRedo, VK_BACK, SA);
  AddKey(ecLineBreak, VK_RETURN, N);
  AddKey(ecLineBreak, VK_RETURN, S);
  AddKey(ecTab, VK_TAB, N);
  AddKey(ecShiftTab, VK_TAB, S);
  AddKey(ecContextHelp, VK_F1, C);
  AddKey(ecSelectAll, 'A', C);
  AddKey(ecCopy, 'C', C);
  AddKey(ecPaste, 'V', C);
  AddKey(ecCut, 'X', C);
  AddKey(ecBlockIndent, 'I', SC);
  AddKey(ecBlockUnindent, 'U', SC);
  AddKey(ecLineBreak, 'M', C);
  AddKey(ecInsertLine, 'N', C);
  AddKey(ecDeleteWord, 'T', C);
  AddKey(ecDeleteLine, 'Y', C);
  AddKey(ecDeleteEOL, 'Y', SC);
  AddKey(ecUndo, 'Z', C);
  AddKey(ecRedo, 'Z', SC);
  for (int i = 0; i <= 9; ++i) AddKey(TCodeEditorCommand(ecGotoMarker0 + i), uint16_t('0' + i), C);
  for (int i = 0; i <= 9; ++i) AddKey(TCodeEditorCommand(ecSetMarker0 + i), uint16_t('0' + i), SC);
  AddKey(ecNormalSelect, 'N', SC);
  AddKey(ecColumnSelect, 'C', SC);
  AddKey(ecLineSelect, 'L', SC);
  AddKey(ecMatchBracket, 'B', SC);
}

}  // namespace qv
