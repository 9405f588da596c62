// Value lists: ordered insertion, growth, lazy statistics, sorting.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

#include "chart/VeZazera.h"

namespace qv {
namespace {

std::vector<double> Values(const TChartValueList& l) {
  return std::vector<double>(l.Data(), l.Data() + l.Count());
}

TEST(ValueList, OrderedAddValueTable) {
  struct Case {
    TChartListOrder order;
    std::vector<double> adds;
    std::vector<int> indexes;
    std::vector<double> result;
  };
  const Case cases[] = {
      {loNone, {3, 1, 2}, {0, 1, 2}, {3, 1, 2}},
      {loAscending, {3, 1, 2}, {0, 0, 1}, {1, 2, 3}},
      {loAscending, {1, 2, 2, 5, 2}, {0, 1, 2, 3, 3}, {1, 2, 2, 2, 5}},  // equal after existing
      {loDescending, {2, 1, 5}, {0, 1, 0}, {5, 2, 1}},                   // larger than all -> 0
      {loDescending, {5, 3, 3}, {0, 1, 2}, {5, 3, 3}},
  };
  for (const Case& c : cases) {
    TChartValueList l(nullptr, "X");
    l.SetOrder(c.order);
    std::vector<int> got;
    for (double v : c.adds) got.push_back(l.AddValue(v));
    EXPECT_EQ(got, c.indexes);
    EXPECT_EQ(Values(l), c.result);
  }
}

TEST(ValueList, GrowsInStepsOfThousand) {
  TChartValueList l(nullptr, "Y");
  EXPECT_EQ(l.Capacity(), 0);
  l.AddValue(1);
  EXPECT_EQ(l.Capacity(), 1000);
  for (int i = 1; i < 1000; ++i) l.AddValue(i);
  EXPECT_EQ(l.Capacity(), 1000);
  l.AddValue(7);  // the 1001st value
  EXPECT_EQ(l.Capacity(), 2000);
  EXPECT_EQ(l.Count(), 1001);
  EXPECT_EQ(l.LastValue(), 7);
}

TEST(ValueList, LazyStatisticsFollowEdits) {
  TChartValueList l(nullptr, "Y");
  EXPECT_EQ(l.MinimumValue(), 0);
  EXPECT_EQ(l.MaximumValue(), 0);
  EXPECT_EQ(l.Sum(), 0);
  EXPECT_EQ(l.ValueRange(), 0);
  for (double v : {4.0, -2.0, 10.0}) l.AddValue(v);
  EXPECT_EQ(l.MinimumValue(), -2);
  EXPECT_EQ(l.MaximumValue(), 10);
  EXPECT_EQ(l.Sum(), 12);
  EXPECT_EQ(l.AbsoluteSum(), 16);
  l.Delete(2);
  EXPECT_EQ(l.MaximumValue(), 4);
  l.InsertValue(0, -7);
  EXPECT_EQ(l.MinimumValue(), -7);
  l.SetValue(1, 100);
  EXPECT_EQ(l.MaximumValue(), 100);
  EXPECT_EQ(l.Sum(), 91);
  l.DeleteRange(0, 2);
  EXPECT_EQ(l.MinimumValue(), -2);
  EXPECT_EQ(l.MaximumValue(), -2);
  l.Clear();
  EXPECT_EQ(l.MaximumValue(), 0);
}

TEST(ValueList, NonFiniteValuesAreLeftOutOfStatistics) {
  TChartValueList l(nullptr, "Y");
  const double inf = std::numeric_limits<double>::infinity();
  for (double v : {std::nan(""), 3.0, inf, -1.0, -inf}) l.AddValue(v);
  EXPECT_EQ(l.MinimumValue(), -1);
  EXPECT_EQ(l.MaximumValue(), 3);
  EXPECT_EQ(l.Sum(), 2);
  TChartValueList only(nullptr, "Y");
  only.AddValue(std::nan(""));
  EXPECT_EQ(only.MaximumValue(), 0);
  // An ordered list keeps a NaN at the end and still orders the rest.
  TChartValueList ordered(nullptr, "X");
  ordered.SetOrder(loAscending);
  for (double v : {2.0, std::nan(""), 1.0}) ordered.AddValue(v);
  EXPECT_EQ(ordered.Value(0), 1);
  EXPECT_EQ(ordered.Count(), 3);
}

TEST(ValueList, DeleteAndDeleteRangeRejectBadIndexes) {
  TChartValueList l(nullptr, "Y");
  for (double v : {1.0, 2.0, 3.0, 4.0}) l.AddValue(v);
  l.Delete(-1);
  l.Delete(4);
  EXPECT_EQ(l.Count(), 4);
  l.DeleteRange(-2, 3);
  l.DeleteRange(1, -1);
  EXPECT_EQ(l.Count(), 4);
  l.DeleteRange(2, 100);  // quantity clamped to what is there
  EXPECT_EQ(Values(l), (std::vector<double>{1, 2}));
}

TEST(ValueList, RotateSwapFillCompare) {
  TChartValueList l(nullptr, "Y");
  for (double v : {5.0, 6.0, 7.0}) l.AddValue(v);
  l.RotateFirstToLast();
  EXPECT_EQ(Values(l), (std::vector<double>{6, 7, 5}));
  l.SwapValues(0, 2);
  EXPECT_EQ(Values(l), (std::vector<double>{5, 7, 6}));
  EXPECT_EQ(l.CompareValues(0, 1), -1);
  l.SetOrder(loDescending);
  EXPECT_EQ(l.CompareValues(0, 1), 1);
  EXPECT_EQ(l.CompareValues(1, 1), 0);
  l.FillWithIndices();
  EXPECT_EQ(Values(l), (std::vector<double>{0, 1, 2}));
  EXPECT_EQ(l.MaximumValue(), 2);
}

TEST(ValueList, SortRespectsOrder) {
  TChartValueList none(nullptr, "Y");
  for (double v : {3.0, 1.0, 2.0}) none.AddValue(v);
  none.Sort();
  EXPECT_EQ(Values(none), (std::vector<double>{3, 1, 2}));

  std::vector<double> data = {9, 3, 7, 3, 1, 8, 2, 2, 6, 0, 5};
  TChartValueList asc(nullptr, "Y");
  for (double v : data) asc.AddValue(v);
  asc.SetOrder(loAscending);
  asc.Sort();
  std::vector<double> sorted = data;
  std::sort(sorted.begin(), sorted.end());
  EXPECT_EQ(Values(asc), sorted);
  asc.SetOrder(loDescending);
  asc.Sort();
  std::reverse(sorted.begin(), sorted.end());
  EXPECT_EQ(Values(asc), sorted);
}

TEST(ValueList, AssignCopiesSettingsNotValues) {
  TChartValueList a(nullptr, "A"), b(nullptr, "B");
  a.SetOrder(loDescending);
  a.SetDateTime(true);
  a.SetValueSource("Field");
  a.AddValue(1);
  b.Assign(a);
  EXPECT_EQ(b.Order(), loDescending);
  EXPECT_TRUE(b.DateTime());
  EXPECT_EQ(b.ValueSource(), "Field");
  EXPECT_EQ(b.Count(), 0);
  EXPECT_EQ(b.Name(), "B");
}

TEST(ValueList, ObsoleteMultiplierShowsMessageUnlessOne) {
  std::vector<std::string> shown;
  TChartValueList::ShowMessageHook = [&](const std::string& s) { shown.push_back(s); };
  TChartValueList l(nullptr, "Y");
  l.ReadMultiplier(1.0);
  EXPECT_TRUE(shown.empty());
  l.ReadMultiplier(2.5);
  ASSERT_EQ(shown.size(), 1u);
  EXPECT_EQ(shown[0],
            "Error: Multiplier property is obsolete.\rModify PlotDefs (enable Multiplier) and "
            "recompile.");
  TChartValueList::ShowMessageHook = nullptr;
}

}  // namespace
}  // namespace qv
