// The logic of the input form (TTestForm): the values typed for the test
// files of a program-mode run, and the favourite-folder list.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "grid/XLSheet.h"

namespace qv {

// Reads column 0 of sheet from row 0 on, one row per test file k (0 ..
// testFiles-1) and per-file parameter j (first .. last), test file by test
// file, and stores each value with store(k, j, value). Stops at the first
// row whose trimmed text is empty or no number and returns that row (the
// values stored before it stay stored); -1 when every row was stored.
int StoreTestValues(const TXLSheet& sheet, int testFiles, int first, int last,
                    const std::function<void(int k, int j, double value)>& store);

// The favourite folders of the file browser: a list of folders of which at
// most one is checked (the most used one).
class TFolderList {
 public:
  std::vector<std::string> Items;
  int Checked = -1;
  // Adds a folder unless the list holds it (a trailing "/" makes no
  // difference); whether it was added.
  bool Add(const std::string& folder);
  // Removes item i (nothing outside the list); the check follows its item.
  void Delete(int i);
  // Leaves exactly item i checked.
  void Check(int i);
};

}  // namespace qv
