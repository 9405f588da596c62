#include "app/spread/SheetTree.h"

#include <algorithm>
#include <functional>

#include "platform/core/SysUtils.h"

namespace qv {

TSheetNode::TSheetNode(std::string text, int stateIndex) : Text(std::move(text)) {
  SetNodeKind(*this, stateIndex);
}

int TSheetNode::Level() const {
  int level = 0;
  for (const TSheetNode* p = parent_; p; p = p->parent_) ++level;
  return level;
}

bool TSheetNode::IsWithin(const TSheetNode* other) const {
  for (const TSheetNode* p = this; p; p = p->parent_)
    if (p == other) return true;
  return false;
}

void SetNodeKind(TSheetNode& node, int stateIndex) {
  node.StateIndex = stateIndex > 0 ? stateIndex : -1;
  node.ImageIndex = stateIndex > 0 ? 0 : 2;
  node.SelectedIndex = stateIndex > 0 ? 1 : 2;
}

namespace {

void Walk(const std::vector<std::unique_ptr<TSheetNode>>& level,
          const std::function<bool(TSheetNode*)>& f, bool& stop) {
  for (const auto& n : level) {
    if (stop) return;
    if (!f(n.get())) {
      stop = true;
      return;
    }
    Walk(n->Children(), f, stop);
  }
}

// Visits the nodes in tree order until f answers false.
void ForEachNode(const std::vector<std::unique_ptr<TSheetNode>>& roots,
                 const std::function<bool(TSheetNode*)>& f) {
  bool stop = false;
  Walk(roots, f, stop);
}

int IndexIn(const std::vector<std::unique_ptr<TSheetNode>>& list, const TSheetNode* node) {
  for (size_t i = 0; i < list.size(); ++i)
    if (list[i].get() == node) return static_cast<int>(i);
  return -1;
}

std::string CleanText(std::string_view text) {
  std::string s(text);
  for (char& c : s)
    if (c == '\t' || c == '\r' || c == '\n') c = ' ';
  return s;
}

}  // namespace

std::vector<TSheetNode*> TSheetTree::Items() const {
  std::vector<TSheetNode*> out;
  ForEachNode(roots_, [&](TSheetNode* n) {
    out.push_back(n);
    return true;
  });
  return out;
}

int TSheetTree::Count() const { return static_cast<int>(Items().size()); }

TSheetNode* TSheetTree::Item(int index) const {
  if (index < 0) return nullptr;
  TSheetNode* found = nullptr;
  int i = 0;
  ForEachNode(roots_, [&](TSheetNode* n) {
    if (i++ == index) {
      found = n;
      return false;
    }
    return true;
  });
  return found;
}

int TSheetTree::AbsoluteIndex(const TSheetNode* node) const {
  int i = 0, found = -1;
  ForEachNode(roots_, [&](TSheetNode* n) {
    if (n == node) {
      found = i;
      return false;
    }
    ++i;
    return true;
  });
  return found;
}

std::vector<TSheetNode*> TSheetTree::Worksheets() const {
  std::vector<TSheetNode*> out;
  ForEachNode(roots_, [&](TSheetNode* n) {
    if (n->IsWorksheet()) out.push_back(n);
    return true;
  });
  return out;
}

TSheetNode* TSheetTree::FindWorksheet(int n) const {
  TSheetNode* found = nullptr;
  if (n <= 0) return nullptr;
  ForEachNode(roots_, [&](TSheetNode* node) {
    if (node->StateIndex == n) {
      found = node;
      return false;
    }
    return true;
  });
  return found;
}

void TSheetTree::Clear() {
  Selected = nullptr;
  roots_.clear();
}

TSheetNode* TSheetTree::Add(TSheetNode* parent, std::string text, int stateIndex) {
  auto node = std::make_unique<TSheetNode>(CleanText(text), stateIndex);
  TSheetNode* raw = node.get();
  Place(std::move(node), parent, static_cast<int>(SiblingsOf(parent).size()));
  if (sortType_ != stNone) SortLevel(SiblingsOf(parent));
  return raw;
}

TSheetNode* TSheetTree::InsertAfter(TSheetNode* sibling, std::string text, int stateIndex) {
  if (!sibling) return Add(nullptr, std::move(text), stateIndex);
  auto& list = SiblingsOf(*sibling);
  auto node = std::make_unique<TSheetNode>(CleanText(text), stateIndex);
  TSheetNode* raw = node.get();
  Place(std::move(node), sibling->parent_, IndexIn(list, sibling) + 1);
  if (sortType_ != stNone) SortLevel(list);
  return raw;
}

void TSheetTree::Delete(TSheetNode* node) {
  if (!node) return;
  if (Selected && Selected->IsWithin(node)) Selected = nullptr;
  Detach(node);  // the returned owner frees the subtree
}

void TSheetTree::MoveRootsFrom(TSheetTree& other, TSheetNode* parent) {
  auto& list = SiblingsOf(parent);
  for (auto& n : other.roots_) {
    n->parent_ = parent;
    list.push_back(std::move(n));
  }
  other.roots_.clear();
  other.Selected = nullptr;
  if (sortType_ != stNone) SortLevel(list);
}

void TSheetTree::Swap(TSheetTree& other) {
  std::swap(roots_, other.roots_);
  std::swap(Selected, other.Selected);
}

std::unique_ptr<TSheetNode> TSheetTree::Detach(TSheetNode* node) {
  auto& list = SiblingsOf(*node);
  const int i = IndexIn(list, node);
  if (i < 0) return nullptr;
  std::unique_ptr<TSheetNode> owned = std::move(list[static_cast<size_t>(i)]);
  list.erase(list.begin() + i);
  owned->parent_ = nullptr;
  return owned;
}

void TSheetTree::Place(std::unique_ptr<TSheetNode> node, TSheetNode* parent, int index) {
  auto& list = SiblingsOf(parent);
  index = std::clamp(index, 0, static_cast<int>(list.size()));
  node->parent_ = parent;
  list.insert(list.begin() + index, std::move(node));
}

bool TSheetTree::OneLevelUp(TSheetNode* node) {
  if (!node || !node->parent_) return false;
  TSheetNode* grand = node->parent_->parent_;
  auto owned = Detach(node);
  Place(std::move(owned), grand, static_cast<int>(SiblingsOf(grand).size()));
  return true;
}

bool TSheetTree::MoveUp(TSheetNode* node) {
  if (!node) return false;
  auto& list = SiblingsOf(*node);
  const int i = IndexIn(list, node);
  if (i <= 0) return false;
  std::swap(list[static_cast<size_t>(i) - 1], list[static_cast<size_t>(i)]);
  return true;
}

bool TSheetTree::MoveDown(TSheetNode* node) {
  if (!node) return false;
  auto& list = SiblingsOf(*node);
  const int i = IndexIn(list, node);
  if (i < 0 || i + 1 >= static_cast<int>(list.size())) return false;
  std::swap(list[static_cast<size_t>(i)], list[static_cast<size_t>(i) + 1]);
  return true;
}

bool TSheetTree::Drop(TSheetNode* node, TSheetNode* target, TSheetDrop where) {
  if (!node) return false;
  if (where != sdBelowItems && (!target || target->IsWithin(node))) return false;
  auto owned = Detach(node);
  if (!owned) return false;
  switch (where) {
    case sdOnItem:
      Place(std::move(owned), target, static_cast<int>(target->children_.size()));
      break;
    case sdBeforeItem:
      Place(std::move(owned), target->parent_, IndexIn(SiblingsOf(*target), target));
      break;
    case sdBelowItems:
      Place(std::move(owned), nullptr, static_cast<int>(roots_.size()));
      break;
  }
  return true;
}

void TSheetTree::SetSortType(TSortType type) {
  sortType_ = type;
  if (type != stNone) Resort();
}

void TSheetTree::Rename(TSheetNode* node, std::string_view text) {
  if (!node || Trim(text).empty()) return;
  node->Text = CleanText(text);
  if (sortType_ != stNone) SortLevel(SiblingsOf(*node));
}

void TSheetTree::SortLevel(std::vector<std::unique_ptr<TSheetNode>>& level) {
  std::stable_sort(level.begin(), level.end(), [](const auto& a, const auto& b) {
    return AnsiCompareText(a->Text, b->Text) < 0;
  });
}

void TSheetTree::Resort() {
  std::function<void(std::vector<std::unique_ptr<TSheetNode>>&)> sortAll =
      [&](std::vector<std::unique_ptr<TSheetNode>>& level) {
        SortLevel(level);
        for (auto& n : level) sortAll(n->children_);
      };
  sortAll(roots_);
}

int TSheetTree::WorksheetsLeftAfterDelete(const TSheetNode* node) const {
  int left = 0;
  ForEachNode(roots_, [&](TSheetNode* n) {
    if (n->IsWorksheet() && !n->IsWithin(node)) ++left;
    return true;
  });
  return left;
}

TSheetNode* TSheetTree::WorksheetNear(int from) const {
  const auto items = Items();
  const int n = static_cast<int>(items.size());
  for (int i = std::max(from, 0); i < n; ++i)
    if (items[static_cast<size_t>(i)]->IsWorksheet()) return items[static_cast<size_t>(i)];
  for (int i = std::min(from, n) - 1; i >= 0; --i)
    if (items[static_cast<size_t>(i)]->IsWorksheet()) return items[static_cast<size_t>(i)];
  return nullptr;
}

std::string TSheetTree::SaveText() const {
  std::string out;
  ForEachNode(roots_, [&](TSheetNode* n) {
    out.append(static_cast<size_t>(n->Level()), '\t');
    out += CleanText(n->Text);
    out += "\r\n";
    return true;
  });
  return out;
}

void TSheetTree::LoadText(std::string_view text) {
  Clear();
  TSheetNode* prev = nullptr;
  size_t pos = 0;
  while (pos < text.size()) {
    size_t end = text.find_first_of("\r\n", pos);
    if (end == std::string_view::npos) end = text.size();
    std::string_view line = text.substr(pos, end - pos);
    pos = end;
    if (pos < text.size() && text[pos] == '\r') ++pos;
    if (pos < text.size() && text[pos] == '\n') ++pos;
    size_t tabs = 0;
    while (tabs < line.size() && line[tabs] == '\t') ++tabs;
    int level = static_cast<int>(tabs);
    const int prevLevel = prev ? prev->Level() : -1;
    level = std::min(level, prevLevel + 1);
    // The parent is the ancestor of the previous node one level up.
    TSheetNode* parent = prev;
    for (int l = prevLevel; l >= level && parent; --l) parent = parent->parent_;
    auto node = std::make_unique<TSheetNode>(std::string(line.substr(tabs)), -1);
    prev = node.get();
    Place(std::move(node), parent, static_cast<int>(SiblingsOf(parent).size()));
  }
}

}  // namespace qv
