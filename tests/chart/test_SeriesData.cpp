// Series point data stream: flags, layout, round trips and bad input.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "chart/Chart.h"
#include "chart/VeZazera.h"
#include "platform/core/Classes.h"

namespace qv {
namespace {

// A series with one further value list, as three-dimensional series have.
class TZSeries : public TChartSeries {
 public:
  TChartValueList ZValues{this, "Z"};
};

std::string Bytes(const TChartSeries& s) {
  TMemoryStream m;
  s.WriteData(m);
  return m.Bytes();
}

std::string Le32(int32_t v) {
  std::string b(4, '\0');
  std::memcpy(b.data(), &v, 4);
  return b;
}
std::string Le64(double v) {
  std::string b(8, '\0');
  std::memcpy(b.data(), &v, 8);
  return b;
}

TEST(SeriesData, FlagsFollowThePoints) {
  struct Case {
    const char* name;
    std::vector<double> xs;
    bool unordered;
    unsigned char flags;
  };
  const Case cases[] = {
      {"empty", {}, false, 0},
      {"indices", {0, 1, 2, 3}, false, 0},
      {"gap", {0, 1, 5, 3}, true, pdXValues},
      {"same ends, inner differs", {0, 2, 1, 3}, true, pdXValues},
      {"starts at one", {1, 2, 3}, false, pdXValues},
      {"single point at zero", {0}, false, 0},
  };
  for (const Case& c : cases) {
    TChartSeries s;
    if (c.unordered) s.XValues().SetOrder(loNone);
    for (double x : c.xs) s.AddXY(x, 7);
    EXPECT_EQ(s.PointDataFlags(), c.flags) << c.name;
  }
}

TEST(SeriesData, FlagsLookAtEveryPoint) {
  TChartSeries s;
  s.SetSeriesColor(clRed);
  s.AddY(1);
  s.AddY(2, "", clRed);  // the series colour alone sets nothing
  EXPECT_EQ(s.PointDataFlags(), 0);
  s.AddY(3, "", clBlue);
  EXPECT_EQ(s.PointDataFlags(), pdColors);

  // A label far down the series still counts.
  TChartSeries late;
  for (int i = 0; i < 101; ++i) late.AddY(i);
  EXPECT_EQ(late.PointDataFlags(), 0);
  late.AddY(101, "late");
  EXPECT_EQ(late.PointDataFlags(), pdLabels);

  // So does an X value that is not its index beyond the first 10000, and a
  // colour there.
  TChartSeries many;
  for (int i = 0; i < 10003; ++i) many.AddY(1);
  EXPECT_EQ(many.PointDataFlags(), 0);
  many.XValues().SetValue(10001, 5);
  EXPECT_EQ(many.PointDataFlags(), pdXValues);
  many.XValues().SetValue(10001, 10001);
  many.SetValueColor(10002, clGreen);
  EXPECT_EQ(many.PointDataFlags(), pdColors);

  TChartSeries marked;
  marked.AddY(1);
  marked.MarkPositions().Ensure(0);
  EXPECT_EQ(marked.PointDataFlags(), 0);
  marked.MarkPositions().Ensure(0).IsCustom = true;
  EXPECT_EQ(marked.PointDataFlags(), pdMarkPositions);
}

TEST(SeriesData, LayoutOfPlainAndFullRecords) {
  TChartSeries plain;
  plain.AddY(1.5);
  plain.AddY(-2);
  EXPECT_EQ(Bytes(plain), std::string(1, '\0') + Le32(2) + Le64(1.5) + Le64(-2));
  EXPECT_EQ(Bytes(TChartSeries()), std::string(1, '\0') + Le32(0));

  TChartSeries full;
  full.AddXY(3, 4, std::string(300, 'a'), clBlue);
  TSeriesMarkPosition& m = full.MarkPositions().Ensure(0);
  m = {{1, 2}, true, {3, 4}, true, 5, {6, 7}, 8};
  std::string expect(1, char(pdXValues | pdColors | pdLabels | pdMarkPositions));
  expect += Le32(1) + Le64(3) + Le64(4) + Le32(int32_t(clBlue));
  expect += char(255) + std::string(255, 'a');  // cut to 255 characters
  expect += Le32(1) + Le32(2) + char(1) + Le32(3) + Le32(4) + char(1) + Le32(5) + Le32(6) +
            Le32(7) + Le32(8);
  EXPECT_EQ(Bytes(full), expect);
}

TEST(SeriesData, RoundTripKeepsEveryPart) {
  TZSeries src;
  src.SetSeriesColor(clGreen);
  src.ZValues.PendingValue = 10;
  src.AddXY(5, 50, "caf\xC3\xA9", clRed);  // label stored as 8-bit characters
  src.ZValues.PendingValue = 20;
  src.AddXY(1, 10);
  src.ZValues.PendingValue = 30;
  src.AddXY(3, 30, "", clNone);
  src.MarkPositions().Ensure(2).IsCustom = true;
  src.MarkPositions().Ensure(2).Width = 42;

  TMemoryStream m;
  src.WriteData(m);
  m.SetPosition(0);
  TZSeries dst;
  dst.AddY(99);
  dst.ReadData(m);
  EXPECT_EQ(m.Remaining(), 0);
  EXPECT_TRUE(dst.DesignData);
  ASSERT_EQ(dst.Count(), 3);
  const double xs[] = {1, 3, 5}, ys[] = {10, 30, 50}, zs[] = {20, 30, 10};
  const char* labels[] = {"", "", "caf\xC3\xA9"};
  // Colours come back as the series reported them (the series colour too).
  const TColor colors[] = {clGreen, clNone, clRed};
  for (int i = 0; i < 3; ++i) {
    EXPECT_EQ(dst.GetXValue(i), xs[i]);
    EXPECT_EQ(dst.GetYValue(i), ys[i]);
    EXPECT_EQ(dst.ZValues.Value(i), zs[i]);
    EXPECT_EQ(dst.GetLabel(i), labels[i]);
    EXPECT_EQ(dst.ValueColor(i), colors[i]);
  }
  EXPECT_TRUE(dst.IsNull(1));
  ASSERT_EQ(dst.MarkPositions().Count(), 3);
  EXPECT_TRUE(dst.MarkPositions().Position(2)->IsCustom);
  EXPECT_EQ(dst.MarkPositions().Position(2)->Width, 42);
  EXPECT_FALSE(dst.MarkPositions().Position(0)->IsCustom);
  // Deleting a point takes its mark position along.
  dst.Delete(0);
  EXPECT_EQ(dst.MarkPositions().Count(), 2);
  EXPECT_TRUE(dst.MarkPositions().Position(1)->IsCustom);
}

// A series whose X list is the mandatory one (a horizontal series).
class THorizSeries : public TChartSeries {
 public:
  THorizSeries() {
    SetMandatory(false);
    XValues().SetOrder(loNone);
    YValues().SetOrder(loAscending);
  }
};

TEST(SeriesData, MandatoryXSwapsTheRoles) {
  THorizSeries src;
  src.Add(7);
  src.Add(8);
  // Y holds 0, 1: the indices, so only the mandatory X values are stored.
  EXPECT_EQ(Bytes(src), std::string(1, '\0') + Le32(2) + Le64(7) + Le64(8));
  TMemoryStream m(Bytes(src));
  THorizSeries dst;
  dst.ReadData(m);
  ASSERT_EQ(dst.Count(), 2);
  EXPECT_EQ(dst.GetXValue(1), 8);
  EXPECT_EQ(dst.GetYValue(1), 1);
}

TEST(SeriesData, BadDataIsRefusedAndChangesNothing) {
  TZSeries src;
  src.AddXY(2, 1, "label", clRed);
  src.AddXY(4, 3);
  src.MarkPositions().Ensure(1).IsCustom = true;
  const std::string good = Bytes(src);
  auto expectRefused = [](const std::string& bytes, const std::string& what) {
    TZSeries dst;
    dst.AddXY(1, 1, "keep");
    TMemoryStream m(bytes);
    EXPECT_THROW(dst.ReadData(m), EReadError) << what;
    ASSERT_EQ(dst.Count(), 1) << what;
    EXPECT_EQ(dst.GetLabel(0), "keep") << what;
    EXPECT_FALSE(dst.DesignData) << what;
  };
  for (std::size_t n = 0; n < good.size(); ++n)
    expectRefused(good.substr(0, n), "prefix " + std::to_string(n));
  expectRefused(std::string(1, char(0x10)) + Le32(0), "unknown flag");
  expectRefused(std::string(1, '\0') + Le32(-1), "negative count");
  expectRefused(std::string(1, '\0') + Le32(0x7FFFFFFF) + Le64(1), "huge count");
  try {
    TChartSeries dst;
    TMemoryStream m(std::string(1, '\0') + Le32(3) + Le64(1));
    dst.ReadData(m);
    FAIL();
  } catch (const EReadError& e) {
    EXPECT_EQ(e.Message(), "Invalid series point data: 3 points need more bytes than remain");
  }
}

TEST(SeriesData, StoredOnlyForDesignDataWithoutSource) {
  TCustomAxisPanel chart;
  TChartSeries a, b;
  a.SetParentChart(&chart);
  b.SetParentChart(&chart);
  a.AddY(1);
  TMemoryStream m(Bytes(a));
  b.ReadData(m);
  EXPECT_TRUE(b.DesignData);
  EXPECT_FALSE(b.IsDataStored());  // the chart is not being designed
  chart.Designing = true;
  EXPECT_TRUE(b.IsDataStored());
  b.SetDataSource(&a);
  EXPECT_FALSE(b.IsDataStored());
}

}  // namespace
}  // namespace qv
