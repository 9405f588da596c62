#include "app/spread/TestInput.h"

#include <algorithm>

#include "platform/core/SysUtils.h"

namespace qv {

int StoreTestValues(const TXLSheet& sheet, int testFiles, int first, int last,
                    const std::function<void(int k, int j, double value)>& store) {
  int row = 0;
  for (int k = 0; k < testFiles; ++k) {
    for (int j = first; j <= last; ++j, ++row) {
      double v = 0;
      if (!TryStrToFloat(Trim(sheet.GetCellText(0, row)), v)) return row;
      store(k, j, v);
    }
  }
  return -1;
}

bool TFolderList::Add(const std::string& folder) {
  // "/data/runs/" and "/data/runs" are one folder.
  const auto same = [&](const std::string& item) {
    return ExcludeTrailingPathDelimiter(item) == ExcludeTrailingPathDelimiter(folder);
  };
  if (folder.empty() || std::any_of(Items.begin(), Items.end(), same)) return false;
  Items.push_back(folder);
  return true;
}

void TFolderList::Delete(int i) {
  if (i < 0 || i >= static_cast<int>(Items.size())) return;
  Items.erase(Items.begin() + i);
  if (Checked == i)
    Checked = -1;
  else if (Checked > i)
    --Checked;
}

void TFolderList::Check(int i) {
  if (i >= 0 && i < static_cast<int>(Items.size())) Checked = i;
}

}  // namespace qv
