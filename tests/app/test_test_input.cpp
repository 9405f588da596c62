// The input form's logic: the values typed for the test files and the
// favourite-folder list.
#include <gtest/gtest.h>

#include <map>

#include "SpreadTestSupport.h"
#include "app/spread/TestInput.h"

using namespace qv;

TEST(TestInput, RowsGoToTheTestFilesInOrder) {
  FormatSettings() = TFormatSettings::Invariant();
  TXLSheet sheet;
  sheet.SetColCount(1);
  sheet.SetRowCount(5);
  test::Put(sheet, 0, 0, {{"1"}, {" 2.5 "}, {"3"}, {"4e1"}});
  std::map<std::pair<int, int>, double> stored;
  auto store = [&](int k, int j, double v) { stored[{k, j}] = v; };
  // Two test files, per-file parameters 3 and 4.
  EXPECT_EQ(StoreTestValues(sheet, 2, 3, 4, store), -1);
  EXPECT_EQ(stored, (std::map<std::pair<int, int>, double>{
                        {{0, 3}, 1}, {{0, 4}, 2.5}, {{1, 3}, 3}, {{1, 4}, 40}}));
  // An empty or wrong row stops there; what came before stays stored.
  stored.clear();
  sheet.SetCellText(0, 2, "");
  EXPECT_EQ(StoreTestValues(sheet, 2, 3, 4, store), 2);
  EXPECT_EQ(stored.size(), 2u);
  sheet.SetCellText(0, 2, "abc");
  EXPECT_EQ(StoreTestValues(sheet, 2, 3, 4, store), 2);
  // More rows asked for than the sheet has: the first missing row.
  EXPECT_EQ(StoreTestValues(sheet, 3, 0, 1, [](int, int, double) {}), 2);
}

TEST(TestInput, FavouriteFolders) {
  TFolderList list;
  EXPECT_TRUE(list.Add("/home/a"));
  EXPECT_TRUE(list.Add("/home/b"));
  EXPECT_FALSE(list.Add("/home/a"));
  EXPECT_EQ(list.Items.size(), 2u);
  list.Check(1);
  list.Check(0);
  EXPECT_EQ(list.Checked, 0);
  list.Add("/home/c");
  list.Check(2);
  list.Delete(0);
  EXPECT_EQ(list.Checked, 1);
  EXPECT_EQ(list.Items, (std::vector<std::string>{"/home/b", "/home/c"}));
  list.Delete(1);
  EXPECT_EQ(list.Checked, -1);
  list.Delete(5);
  EXPECT_EQ(list.Items.size(), 1u);
}
