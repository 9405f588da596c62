#include "editor/CodeEditUndo.h"

namespace qv {

void TCodeEditUndoItem::Assign(const TCodeEditUndoItem& Source) {
  ChangeReason = Source.ChangeReason;
  ChangeSelMode = Source.ChangeSelMode;
  ChangeStartPos = Source.ChangeStartPos;
  ChangeEndPos = Source.ChangeEndPos;
  ChangeStr = Source.ChangeStr;
  ChangeNumber = Source.ChangeNumber;
}

TCodeEditUndoList::TCodeEditUndoList() = default;
TCodeEditUndoList::~TCodeEditUndoList() = default;

void TCodeEditUndoList::AdvanceChangeNumber() {
  // Wraps around like a 32-bit counter; 0 means "no number" and is skipped.
  uint32_t n = static_cast<uint32_t>(nextChangeNumber_) + 1u;
  if (n == 0) n = 1;
  nextChangeNumber_ = static_cast<int32_t>(n);
}

void TCodeEditUndoList::AddChange(TCodeChangeReason AReason, TPoint AStart, TPoint AEnd,
                                  const std::string& ChangeText, TCodeSelectionMode SelMode) {
  if (lockCount_ > 0) return;
  auto item = std::make_unique<TCodeEditUndoItem>();
  item->ChangeReason = AReason;
  item->ChangeSelMode = SelMode;
  item->ChangeStartPos = AStart;
  item->ChangeEndPos = AEnd;
  item->ChangeStr = ChangeText;
  if (blockChangeNumber_ != 0) {
    item->ChangeNumber = blockChangeNumber_;
  } else {
    item->ChangeNumber = nextChangeNumber_;
    if (blockCount_ == 0) AdvanceChangeNumber();
  }
  PushItem(std::move(item));
}

void TCodeEditUndoList::BeginBlock() {
  ++blockCount_;
  blockChangeNumber_ = nextChangeNumber_;
}

void TCodeEditUndoList::EndBlock() {
  if (blockCount_ <= 0) return;
  --blockCount_;
  if (blockCount_ == 0) {
    blockChangeNumber_ = 0;
    AdvanceChangeNumber();
  }
}

void TCodeEditUndoList::AddGroupBreak() {
  if (items_.empty() || items_.back()->ChangeReason == urGroupBreak) return;
  AddChange(urGroupBreak, TPoint(0, 0), TPoint(0, 0), std::string(), smNormal);
}

void TCodeEditUndoList::Clear() {
  items_.clear();
  fullUndoImpossible_ = false;
}

void TCodeEditUndoList::Lock() { ++lockCount_; }

void TCodeEditUndoList::Unlock() {
  if (lockCount_ > 0) --lockCount_;
}

TCodeEditUndoItem* TCodeEditUndoList::PeekItem() const {
  return items_.empty() ? nullptr : items_.back().get();
}

std::unique_ptr<TCodeEditUndoItem> TCodeEditUndoList::PopItem() {
  if (items_.empty()) return nullptr;
  std::unique_ptr<TCodeEditUndoItem> item = std::move(items_.back());
  items_.pop_back();
  return item;
}

void TCodeEditUndoList::PushItem(std::unique_ptr<TCodeEditUndoItem> Item) {
  if (!Item) return;
  const bool isBreak = Item->ChangeReason == urGroupBreak;
  items_.push_back(std::move(Item));
  EnsureMaxEntries();
  if (!isBreak && OnAdded) OnAdded(this);
}

TCodeChangeReason TCodeEditUndoList::GetLastChangeReason() const {
  return items_.empty() ? urNothing : items_.back()->ChangeReason;
}

void TCodeEditUndoList::SetMaxUndoActions(int Value) {
  if (Value < 0) Value = 0;
  if (Value != maxUndoActions_) {
    maxUndoActions_ = Value;
    EnsureMaxEntries();
  }
}

void TCodeEditUndoList::EnsureMaxEntries() {
  if (static_cast<int>(items_.size()) <= maxUndoActions_) return;
  const size_t excess = items_.size() - static_cast<size_t>(maxUndoActions_);
  items_.erase(items_.begin(), items_.begin() + static_cast<std::ptrdiff_t>(excess));
  fullUndoImpossible_ = true;
}

TCodeEditUndoItem* TCodeEditUndoList::Items(int Index) const {
  if (Index < 0 || Index >= static_cast<int>(items_.size())) return nullptr;
  return items_[static_cast<size_t>(Index)].get();
}

void TCodeEditUndoList::Assign(const TCodeEditUndoList& Source) {
  if (&Source == this) return;
  items_.clear();
  for (const auto& src : Source.items_) {
    auto item = std::make_unique<TCodeEditUndoItem>();
    item->Assign(*src);
    items_.push_back(std::move(item));
  }
  blockChangeNumber_ = Source.blockChangeNumber_;
  blockCount_ = Source.blockCount_;
  fullUndoImpossible_ = Source.fullUndoImpossible_;
  lockCount_ = Source.lockCount_;
  maxUndoActions_ = Source.maxUndoActions_;
  nextChangeNumber_ = Source.nextChangeNumber_;
}

}  // namespace qv
