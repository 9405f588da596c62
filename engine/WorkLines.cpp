#include "engine/WorkLines.h"

namespace qv {

void TWorkLines::Pack(const std::vector<std::string>& lines) {
  size_t size = 0;
  for (const std::string& l : lines) size += l.size();
  std::string text;
  text.reserve(size);
  std::vector<size_t> ends;
  ends.reserve(lines.size());
  for (const std::string& l : lines) {
    text += l;
    ends.push_back(text.size());
  }
  text_.swap(text);
  ends_.swap(ends);
  replaced_.clear();
}

void TWorkLines::CheckIndex(int index) const {
  if (index < 0 || index >= GetCount()) Error("List index out of bounds (%d)", index);
}

std::string_view TWorkLines::StringAt(int index) const {
  CheckIndex(index);
  if (!replaced_.empty())
    if (const auto it = replaced_.find(index); it != replaced_.end()) return it->second;
  const size_t from = index == 0 ? 0 : ends_[static_cast<size_t>(index) - 1];
  return std::string_view(text_).substr(from, ends_[static_cast<size_t>(index)] - from);
}

std::string TWorkLines::Get(int index) const { return std::string(StringAt(index)); }

void TWorkLines::Put(int index, const std::string& s) {
  CheckIndex(index);
  replaced_[index] = s;
}

void TWorkLines::Insert(int index, const std::string& s) {
  if (index < 0 || index > GetCount()) Error("List index out of bounds (%d)", index);
  std::vector<std::string> lines = ToVector();
  lines.insert(lines.begin() + index, s);
  Pack(lines);
}

void TWorkLines::Delete(int index) {
  CheckIndex(index);
  std::vector<std::string> lines = ToVector();
  lines.erase(lines.begin() + index);
  Pack(lines);
}

void TWorkLines::Clear() {
  text_.clear();
  text_.shrink_to_fit();
  ends_.clear();
  ends_.shrink_to_fit();
  replaced_.clear();
}

}  // namespace qv
