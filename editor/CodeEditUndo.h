// Undo and redo list of the code editor.
//
// TCodeEditUndoList is a bounded stack of TCodeEditUndoItem records, oldest
// first. The list stores, numbers, bounds and pops items; what an item means
// when it is undone is the editor's business. Items recorded for one user
// action share a change number so that undo and redo take the action whole.
// The list owns its items; PopItem hands ownership to the caller and
// PushItem takes it back.
#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "editor/CodeEditTypes.h"

namespace qv {

// Why a change was made; the numbers are what is stored.
enum TCodeChangeReason : uint8_t {
  urInsert = 0,
  urPaste = 1,
  urDragDropInsert = 2,
  urDeleteAfterCaret = 3,
  urDelete = 4,
  urLineBreak = 5,
  urIndent = 6,
  urUnindent = 7,
  urSilentDelete = 8,
  urSilentDeleteAfterCaret = 9,
  urBlock1Begin = 10,
  urBlock1End = 11,
  urBlock2Begin = 12,
  urBlock2End = 13,
  urBlock3Begin = 14,
  urBlock3End = 15,
  urNothing = 16,
  urGroupBreak = 17,
  urDeleteAll = 18,
  urWordWrapOn = 19,
  urWordWrapOff = 20,
  urReplace = 21
};

class TCodeEditUndoItem {
 public:
  TCodeChangeReason ChangeReason = urNothing;
  TCodeSelectionMode ChangeSelMode = smNormal;
  TPoint ChangeStartPos;
  TPoint ChangeEndPos;
  std::string ChangeStr;
  int32_t ChangeNumber = 0;

  // Copies all six fields.
  void Assign(const TCodeEditUndoItem& Source);
};

class TCodeEditUndoList {
 public:
  using TNotifyEvent = std::function<void(TCodeEditUndoList* Sender)>;

  TCodeEditUndoList();
  ~TCodeEditUndoList();
  TCodeEditUndoList(const TCodeEditUndoList&) = delete;
  TCodeEditUndoList& operator=(const TCodeEditUndoList&) = delete;

  // Records one change; nothing while locked.
  void AddChange(TCodeChangeReason AReason, TPoint AStart, TPoint AEnd,
                 const std::string& ChangeText, TCodeSelectionMode SelMode);
  void BeginBlock();
  void EndBlock();
  // Records a urGroupBreak unless the list is empty or already ends in one.
  void AddGroupBreak();
  void Clear();
  void Lock();
  void Unlock();

  // Newest item (still owned by the list), or nullptr.
  TCodeEditUndoItem* PeekItem() const;
  // Newest item removed from the list (the caller owns it), or nullptr.
  std::unique_ptr<TCodeEditUndoItem> PopItem();
  // Appends an item (the list takes it), enforces the maximum and fires
  // OnAdded unless the item is a group break.
  void PushItem(std::unique_ptr<TCodeEditUndoItem> Item);

  bool CanUndo() const { return !items_.empty(); }
  int ItemCount() const { return static_cast<int>(items_.size()); }
  TCodeChangeReason GetLastChangeReason() const;
  int MaxUndoActions() const { return maxUndoActions_; }
  // A negative value counts as 0; a new maximum is enforced at once.
  void SetMaxUndoActions(int Value);
  bool FullUndoImpossible() const { return fullUndoImpossible_; }
  int BlockChangeNumber() const { return blockChangeNumber_; }
  // Items recorded while the number is not 0 take it (the editor gives the
  // redo list the number of the action being undone, and back).
  void SetBlockChangeNumber(int32_t Value) { blockChangeNumber_ = Value; }
  int BlockCount() const { return blockCount_; }
  int LockCount() const { return lockCount_; }
  int NextChangeNumber() const { return nextChangeNumber_; }
  // Item by age, 0 = oldest (nullptr outside the list).
  TCodeEditUndoItem* Items(int Index) const;

  // Copies every item and the numbering, block, lock and limit state.
  void Assign(const TCodeEditUndoList& Source);

  TNotifyEvent OnAdded;

 private:
  void EnsureMaxEntries();
  void AdvanceChangeNumber();

  int32_t blockChangeNumber_ = 0;
  int blockCount_ = 0;
  bool fullUndoImpossible_ = false;
  std::deque<std::unique_ptr<TCodeEditUndoItem>> items_;
  int lockCount_ = 0;
  int maxUndoActions_ = 1024;
  int32_t nextChangeNumber_ = 1;
};

}  // namespace qv
