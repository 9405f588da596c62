#include "editor/CodeEditDialogs.h"

#include <algorithm>

#include "platform/core/SysUtils.h"

namespace qv {

void TTextSearchDialog::MoveToTop(std::vector<std::string>& History, const std::string& Text) {
  History.erase(std::remove(History.begin(), History.end(), Text), History.end());
  History.insert(History.begin(), Text);
}

std::string TTextSearchDialog::JoinHistory(const std::vector<std::string>& History) {
  std::string r;
  const size_t n = std::min(History.size(), size_t(HistoryLimit));
  for (size_t i = 0; i < n; ++i) {
    if (i > 0) r += "\r\n";
    r += History[i];
  }
  return r;
}

std::vector<std::string> TTextSearchDialog::SplitHistory(const std::string& Value) {
  std::vector<std::string> items;
  if (Value.empty()) return items;
  size_t start = 0;
  while (true) {
    const size_t brk = Value.find("\r\n", start);
    items.push_back(
        Value.substr(start, brk == std::string::npos ? std::string::npos : brk - start));
    if (brk == std::string::npos) break;
    start = brk + 2;
  }
  return items;
}

void TTextSearchDialog::Closed(bool Ok) {
  if (!Ok || searchText_.empty()) return;
  MoveToTop(searchHistory_, searchText_);
}

void TTextReplaceDialog::Closed(bool Ok) {
  TTextSearchDialog::Closed(Ok);
  if (!Ok || replaceText_.empty()) return;
  MoveToTop(replaceHistory_, replaceText_);
}

void TConfirmReplaceDialog::PrepareShow(const TRect& EditorRect, int X, int Y1, int Y2,
                                        const std::string& AReplaceText) {
  confirmation_ = Format("Replace this occurence of \"%s\"?", AReplaceText);
  const int editorWidth = EditorRect.Width();
  if (editorWidth <= width_) {
    left_ = EditorRect.Left - (width_ - editorWidth) / 2;
  } else {
    left_ = X;
    if (left_ + width_ > EditorRect.Right) left_ = EditorRect.Right - width_;
  }
  if (Y2 > EditorRect.Top + EditorRect.Height() * 2 / 3)
    top_ = Y1 - height_ - 4;
  else
    top_ = Y2 + 4;
}

}  // namespace qv
