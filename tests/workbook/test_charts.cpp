// Workbook charts: the chart substream built from its template.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "WorkbookTestSupport.h"
#include "workbook/XLSWorkbook.h"

using namespace qv;

namespace {

std::vector<uint16_t> chartRecords(const TXLSChart& c) {
  std::string out = test::WrittenRecords([&](TXLSStream& s) { c.WriteRecords(s); });
  std::vector<uint16_t> ids;
  for (const auto& r : test::ParseRecords(out)) ids.push_back(r.Id);
  return ids;
}

bool has(const std::vector<uint16_t>& ids, uint16_t id) {
  return std::find(ids.begin(), ids.end(), id) != ids.end();
}

int balance(const std::vector<uint16_t>& ids) {
  int depth = 0;
  for (uint16_t id : ids) {
    if (id == 0x1033) ++depth;
    if (id == 0x1034) --depth;
    if (depth < 0) return -1;
  }
  return depth;
}

}  // namespace

TEST(Charts, TemplateRecords) {
  TXLSWorkbook wb(LocaleSettings::EnUS());
  TXLSChart& bare = wb.Sheets[0].Charts.Add();
  EXPECT_EQ(bare.Name, "Chart 0");
  EXPECT_EQ(bare.Anchor.Col1, 5);
  EXPECT_EQ(bare.Anchor.Row2, 20);
  bare.Legend.Include = false;
  auto ids = chartRecords(bare);
  EXPECT_EQ(balance(ids), 0);
  EXPECT_EQ(ids.front(), 0x0014);
  EXPECT_EQ(ids.back(), 0x1065);
  EXPECT_TRUE(has(ids, 0x1002));   // CHART
  EXPECT_TRUE(has(ids, 0x1017));   // BAR for a column chart
  EXPECT_FALSE(has(ids, 0x1003));  // no SERIES
  EXPECT_FALSE(has(ids, 0x1015));  // no LEGEND
  EXPECT_FALSE(has(ids, 0x1027));  // no title links
  EXPECT_FALSE(has(ids, 0x103A));  // not 3-D

  TXLSChart& full = wb.Sheets[0].Charts.Add();
  full.Style = csLineMark;
  full.Title = "Title";
  full.CategoryTitle = "X";
  TChartSerie& s = full.Series.Add();
  EXPECT_EQ(s.Name, "Serie 0");
  EXPECT_EQ(s.Color, xcAutomatic);
  s.SerieName = "Werte";
  s.Color = xcRed;
  s.SetArea("'Sheet 1'!$B$1:$B$9");
  s.SetCategories("'Sheet 1'!$A$1:$A$9");
  EXPECT_EQ(s.Area(), "'Sheet 1'!$B$1:$B$9");
  EXPECT_EQ(s.Categories(), "'Sheet 1'!$A$1:$A$9");
  ids = chartRecords(full);
  EXPECT_EQ(balance(ids), 0);
  EXPECT_TRUE(has(ids, 0x1017));  // a line chart with marks is a column chart record
  EXPECT_FALSE(has(ids, 0x1018));
  EXPECT_TRUE(has(ids, 0x1003));
  EXPECT_TRUE(has(ids, 0x100D));
  EXPECT_EQ(std::count(ids.begin(), ids.end(), 0x1027), 2);
  EXPECT_TRUE(has(ids, 0x1015));
  full.Style = csPie3d;
  ids = chartRecords(full);
  EXPECT_TRUE(has(ids, 0x1019));
  EXPECT_TRUE(has(ids, 0x103A));
}
