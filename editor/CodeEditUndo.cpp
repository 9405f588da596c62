#include "editor/CodeEditUndo.h"

namespace qv {

void TCodeEditUndoItem::Assign(const TCodeEditUndoItem& Source) {
  fChangeReason = Source.fChangeReason;
  fChangeSelMode = Source.fChangeSelMode;
  fChangeStartPos = Source.fChangeStartPos;
  fChangeEndPos = Source.fChangeEndPos;
  fChangeStr = Source.fChangeStr;
  fChangeNumber = Source.fChangeNumber;
}

TCodeEditUndoList::TCodeEditUndoList() = default;
TCodeEditUndoList::~TCodeEditUndoList() = default;

void TCodeEditUndoList::AdvanceChangeNumber() {
  // Wraps around like a 32-bit counter; 0 means "no number" and is skipped.
  uint32_t n = static_cast<uint32_t>(fNextChangeNumber) + 1u;
  if (n == 0) n = 1;
  fNextChangeNumber = static_cast<int32_t>(n);
}

void TCodeEditUndoList::AddChange(TCodeChangeReason AReason, TPoint AStart, TPoint AEnd,
                                  const std::string& ChangeText, TCodeSelectionMode SelMode) {
  if (fLockCount > 0) return;
  auto item = std::make_unique<TCodeEditUndoItem>();
  item->fChangeReason = AReason;
  item->fChangeSelMode = SelMode;
  item->fChangeStartPos = AStart;
  item->fChangeEndPos = AEnd;
  item->fChangeStr = ChangeText;
  if (fBlockChangeNumber != 0) {
    item->fChangeNumber = fBlockChangeNumber;
  } else {
    item->fChangeNumber = fNextChangeNumber;
    if (fBlockCount == 0) AdvanceChangeNumber();
  }
  PushItem(std::move(item));
}

void TCodeEditUndoList::BeginBlock() {
  ++fBlockCount;
  fBlockChangeNumber = fNextChangeNumber;
}

void TCodeEditUndoList::EndBlock() {
  if (fBlockCount <= 0) return;
  --fBlockCount;
  if (fBlockCount == 0) {
    fBlockChangeNumber = 0;
    AdvanceChangeNumber();
  }
}

void TCodeEditUndoList::AddGroupBreak() {
  if (fItems.empty() || fItems.back()->fChangeReason == urGroupBreak) return;
  AddChange(urGroupBreak, TPoint(0, 0), TPoint(0, 0), std::string(), smNormal);
}

void TCodeEditUndoList::Clear() {
  fItems.clear();
  fFullUndoImposible = false;
}

void TCodeEditUndoList::Lock() { ++fLockCount; }

void TCodeEditUndoList::Unlock() {
  if (fLockCount > 0) --fLockCount;
}

TCodeEditUndoItem* TCodeEditUndoList::PeekItem() const {
  return fItems.empty() ? nullptr : fItems.back().get();
}

std::unique_ptr<TCodeEditUndoItem> TCodeEditUndoList::PopItem() {
  if (fItems.empty()) return nullptr;
  std::unique_ptr<TCodeEditUndoItem> item = std::move(fItems.back());
  fItems.pop_back();
  return item;
}

void TCodeEditUndoList::PushItem(std::unique_ptr<TCodeEditUndoItem> Item) {
  if (!Item) return;
  const bool isBreak = Item->fChangeReason == urGroupBreak;
  fItems.push_back(std::move(Item));
  EnsureMaxEntries();
  if (!isBreak && OnAdded) OnAdded(this);
}

TCodeChangeReason TCodeEditUndoList::GetLastChangeReason() const {
  return fItems.empty() ? urNothing : fItems.back()->fChangeReason;
}

void TCodeEditUndoList::SetMaxUndoActions(int Value) {
  if (Value < 0) Value = 0;
  if (Value != fMaxUndoActions) {
    fMaxUndoActions = Value;
    EnsureMaxEntries();
  }
}

void TCodeEditUndoList::EnsureMaxEntries() {
  if (static_cast<int>(fItems.size()) <= fMaxUndoActions) return;
  const size_t excess = fItems.size() - static_cast<size_t>(fMaxUndoActions);
  fItems.erase(fItems.begin(), fItems.begin() + static_cast<std::ptrdiff_t>(excess));
  fFullUndoImposible = true;
}

TCodeEditUndoItem* TCodeEditUndoList::Items(int Index) const {
  if (Index < 0 || Index >= static_cast<int>(fItems.size())) return nullptr;
  return fItems[static_cast<size_t>(Index)].get();
}

void TCodeEditUndoList::Assign(const TCodeEditUndoList& Source) {
  if (&Source == this) return;
  fItems.clear();
  fItems.reserve(Source.fItems.size());
  for (const auto& src : Source.fItems) {
    auto item = std::make_unique<TCodeEditUndoItem>();
    item->Assign(*src);
    fItems.push_back(std::move(item));
  }
  fBlockChangeNumber = Source.fBlockChangeNumber;
  fBlockCount = Source.fBlockCount;
  fFullUndoImposible = Source.fFullUndoImposible;
  fLockCount = Source.fLockCount;
  fMaxUndoActions = Source.fMaxUndoActions;
  fNextChangeNumber = Source.fNextChangeNumber;
}

}  // namespace qv
