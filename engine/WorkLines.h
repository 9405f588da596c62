// The prepared model text the parsers read (TEngineModel::WorkLines): one
// line per entry, kept packed. A model with a million data rows would
// otherwise hold a string and a list entry per row, more than its numbers
// take once read; here the characters of every line stand one after another
// in one buffer, with where each line ends. A line replaced later (the
// program block of a Basic model is translated in place) is kept aside.
#pragma once

#include <cstddef>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "platform/core/Classes.h"

namespace qv {

class TWorkLines final : public TStrings {
 public:
  TWorkLines() = default;
  explicit TWorkLines(const std::vector<std::string>& lines) { Pack(lines); }

  std::string Get(int index) const override;
  // The line without a copy, valid until the list changes.
  std::string_view StringAt(int index) const;
  int GetCount() const override { return static_cast<int>(ends_.size()); }
  void Put(int index, const std::string& s) override;
  // Inserting or deleting a line packs the whole text again.
  void Insert(int index, const std::string& s) override;
  void Delete(int index) override;
  void Clear() override;

 private:
  void Pack(const std::vector<std::string>& lines);
  void CheckIndex(int index) const;

  std::string text_;                     // every line's characters in order
  std::vector<size_t> ends_;             // where each line ends in text_
  std::map<int, std::string> replaced_;  // lines put after packing
};

}  // namespace qv
