// Palette, date-time steps, hit tests and the index quicksort.
#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "chart/DovOrara.h"

namespace qv {
namespace {

TEST(ChartHelpers, DefaultSeriesColorTable) {
  const std::pair<int, TColor> cases[] = {{0, 0x0000FF},  {1, 0x008000},  {3, 0xFF0000},
                                          {13, 0xC0C0C0}, {17, 0xF0CAA6}, {19, 0xA4A0A0},
                                          {20, 0x0000FF}, {23, 0xFF0000}};
  for (auto [i, c] : cases) EXPECT_EQ(DefaultSeriesColor(i), c) << i;
}

TEST(ChartHelpers, DateStepLookups) {
  EXPECT_DOUBLE_EQ(NextDateStep(1), 2);
  EXPECT_DOUBLE_EQ(NextDateStep(365), 365);
  EXPECT_DOUBLE_EQ(NextDateStep(0), 365);
  EXPECT_DOUBLE_EQ(NextDateStep(0.3), 0.5);
  EXPECT_EQ(DateStepIndex(7), 18);
  EXPECT_EQ(DateStepIndex(8), NoDateStep);
  EXPECT_EQ(DateStepIndex(1.0 / 24), 11);
}

TEST(ChartHelpers, RoundAndStepDates) {
  const TDateTime d = EncodeDate(1999, 7, 20) + 0.5;
  EXPECT_EQ(RoundDateToStep(d, StepHalfMonth), EncodeDate(1999, 7, 15));
  EXPECT_EQ(RoundDateToStep(d, StepOneYear), EncodeDate(1999, 1, 1));
  EXPECT_EQ(RoundDateToStep(d, StepThreeMonths), EncodeDate(1999, 7, 1));
  EXPECT_EQ(RoundDateToStep(d, 15), EncodeDate(1999, 7, 20));
  const TDateTime early = EncodeDate(1900, 1, 1) - 0.5;  // up to 1900-01-01: unchanged
  EXPECT_EQ(RoundDateToStep(early, StepOneYear), early);

  struct Case {
    TDateTime from;
    bool forward;
    int step;
    TDateTime to;
  };
  const Case cases[] = {
      {EncodeDate(2000, 3, 1), false, StepHalfMonth, EncodeDate(2000, 2, 15)},
      {EncodeDate(2000, 3, 20), false, StepHalfMonth, EncodeDate(2000, 3, 15)},
      {EncodeDate(2000, 3, 9), false, StepHalfMonth, EncodeDate(2000, 3, 1)},
      {EncodeDate(2000, 3, 1), true, StepHalfMonth, EncodeDate(2000, 3, 15)},
      {EncodeDate(2000, 3, 15), true, StepHalfMonth, EncodeDate(2000, 4, 1)},
      {EncodeDate(2000, 1, 15), false, StepOneMonth, EncodeDate(1999, 12, 15)},
      {EncodeDate(2000, 11, 30), true, StepThreeMonths, EncodeDate(2001, 2, 28)},
      {EncodeDate(2000, 2, 29), true, StepOneYear, EncodeDate(2001, 2, 28)},
      {EncodeDate(2000, 2, 29), false, StepOneYear, EncodeDate(1999, 2, 28)},
      {EncodeDate(2000, 3, 31), false, StepOneMonth, EncodeDate(2000, 2, 29)},
      {EncodeDate(2000, 8, 31), true, StepSixMonths, EncodeDate(2001, 2, 28)},
  };
  for (const Case& c : cases) {
    double v = c.from;
    StepDateTime(true, c.forward, v, 99, c.step);
    EXPECT_EQ(v, c.to) << DateToStr(c.from) << " step " << c.step << (c.forward ? " +" : " -");
  }
  double v = 10;
  StepDateTime(false, true, v, 2.5, StepOneYear);
  EXPECT_EQ(v, 12.5);
  StepDateTime(true, false, v, 0.5, 15);
  EXPECT_EQ(v, 12);
}

TEST(ChartHelpers, PointInsidePolygonEvenOdd) {
  // A square with a square hole traced as one ring (even-odd).
  const std::vector<TPoint> square = {{0, 0}, {10, 0}, {10, 10}, {0, 10}};
  EXPECT_TRUE(PointInsidePolygon({5, 5}, square));
  EXPECT_TRUE(PointInsidePolygon({0, 0}, square));
  EXPECT_FALSE(PointInsidePolygon({10, 5}, square));
  EXPECT_FALSE(PointInsidePolygon({5, 10}, square));
  EXPECT_FALSE(PointInsidePolygon({-1, 5}, square));
  const std::vector<TPoint> star = {{0, 0}, {10, 10}, {10, 0}, {0, 10}};  // bow tie
  EXPECT_TRUE(PointInsidePolygon({2, 5}, star));
  EXPECT_FALSE(PointInsidePolygon({5, 2}, star));
  EXPECT_FALSE(PointInsidePolygon({5, 5}, square, -1));
}

TEST(ChartHelpers, PointNearSegment) {
  EXPECT_TRUE(PointNearSegment({5, 5}, {0, 0}, {10, 10}));
  EXPECT_FALSE(PointNearSegment({5, 7}, {0, 0}, {10, 10}));
  EXPECT_FALSE(PointNearSegment({12, 12}, {0, 0}, {10, 10}));
  EXPECT_TRUE(PointNearSegment({12, 12}, {0, 0}, {10, 10}, 2));
}

TEST(ChartHelpers, IndexQuickSortSortsThroughCallbacks) {
  std::vector<int> v = {5, 3, 9, 1, 5, 7, 2, 8, 0, 6, 4, 5};
  IndexQuickSort(
      0, int(v.size()) - 1, [&](int a, int b) { return v[a] < v[b] ? -1 : (v[a] > v[b] ? 1 : 0); },
      [&](int a, int b) { std::swap(v[a], v[b]); });
  EXPECT_TRUE(std::is_sorted(v.begin(), v.end()));
  // An inconsistent comparison never leaves the range: every index handed
  // to the callbacks lies in it, and the items are only permuted.
  std::vector<int> w(50);
  for (int i = 0; i < 50; ++i) w[i] = i;
  bool inside = true;
  IndexQuickSort(
      0, 49,
      [&](int a, int b) {
        inside = inside && a >= 0 && a < 50 && b >= 0 && b < 50;
        return -1;
      },
      [&](int a, int b) {
        inside = inside && a >= 0 && a < 50 && b >= 0 && b < 50;
        if (inside) std::swap(w[a], w[b]);
      });
  EXPECT_TRUE(inside);
  std::sort(w.begin(), w.end());
  for (int i = 0; i < 50; ++i) EXPECT_EQ(w[i], i);
}

// The whole default palette and the date-time steps, worked out by hand.
TEST(DefaultPalette, AllTwentyEntriesAndWrapping) {
  const TColor expected[20] = {0x0000FF, 0x008000, 0x00FFFF, 0xFF0000, 0xFFFFFF, 0x808080, 0xFF00FF,
                               0x808000, 0x800000, 0x000080, 0x00FF00, 0x008080, 0x800080, 0xC0C0C0,
                               0xFFFF00, 0x000000, 0xC0DCC0, 0xF0CAA6, 0xF0FBFF, 0xA4A0A0};
  for (int i = 0; i < 20; ++i) {
    EXPECT_EQ(DefaultSeriesColor(i), expected[i]) << i;
    EXPECT_EQ(DefaultSeriesColor(i + 40), expected[i]) << i + 40;
  }
}

TEST(DateTimeSteps, LookupsAcrossTheTable) {
  const double s = 1.0 / 86400;
  struct NextCase {
    double value, next;
  };
  const NextCase next[] = {
      {s, 5 * s},            // 1 second -> 5 seconds
      {1.0 / 24, 2.0 / 24},  // 1 hour -> 2 hours
      {0.3, 0.5},            // between 6 and 12 hours
      {15, 30},              // half a month -> a month
      {182, 365},
      {400, 365},               // above the last entry: the last
      {0.5 / 86400000.0, 365},  // below 1 ms: the last, not the first
  };
  for (const NextCase& c : next) EXPECT_DOUBLE_EQ(NextDateStep(c.value), c.next) << c.value;
  struct IndexCase {
    double value;
    int index;
  };
  const IndexCase index[] = {
      {1.0 / 86400000.0, 0},
      {s, 1},
      {30 * s, 5},
      {0.25, 13},
      {15, 19},
      {182, 24},
      {365, 25},
      {182.5, NoDateStep},
      {0, NoDateStep},  // 0 is exactly 1 ms from the first entry: not less
  };
  for (const IndexCase& c : index) EXPECT_EQ(DateStepIndex(c.value), c.index) << c.value;
}

TEST(DateTimeSteps, RoundingAndSteppingDropTheTimeOfDay) {
  struct RoundCase {
    TDateTime date;
    int step;
    TDateTime expected;
  };
  const RoundCase rounds[] = {
      {EncodeDate(2001, 5, 15) + 0.75, StepHalfMonth, EncodeDate(2001, 5, 15)},
      {EncodeDate(2001, 5, 14) + 0.75, StepHalfMonth, EncodeDate(2001, 5, 1)},
      {EncodeDate(2001, 12, 31) + 0.1, StepSixMonths, EncodeDate(2001, 12, 1)},
      {EncodeDate(2001, 12, 31) + 0.1, StepOneYear, EncodeDate(2001, 1, 1)},
      {EncodeDate(2001, 12, 31) + 0.1, 11, EncodeDate(2001, 12, 31)},       // hour step: date only
      {EncodeDate(1900, 1, 1) + 0.5, StepOneYear, EncodeDate(1900, 1, 1)},  // after the base date
      {EncodeDate(1900, 1, 1), StepOneYear, EncodeDate(1900, 1, 1)},
  };
  for (const RoundCase& c : rounds)
    EXPECT_EQ(RoundDateToStep(c.date, c.step), c.expected) << c.step;

  struct StepCase {
    TDateTime from;
    bool forward;
    int step;
    double amount;
    TDateTime to;
  };
  const StepCase steps[] = {
      {EncodeDate(2000, 11, 1) + 0.5, true, StepTwoMonths, 60, EncodeDate(2001, 1, 1)},
      {EncodeDate(2000, 3, 1), false, StepSixMonths, 182, EncodeDate(1999, 9, 1)},
      {EncodeDate(2000, 5, 1) + 0.25, true, StepOneYear, 365, EncodeDate(2001, 5, 1)},
      {EncodeDate(2000, 2, 1), false, StepFourMonths, 120, EncodeDate(1999, 10, 1)},
      // A step outside 19..25 adds the amount, time of day kept.
      {EncodeDate(2000, 5, 1) + 0.25, true, 15, 1, EncodeDate(2000, 5, 2) + 0.25},
      {EncodeDate(2000, 5, 1) + 0.25, false, 12, 2.0 / 24,
       EncodeDate(2000, 5, 1) + 0.25 - 2.0 / 24},
  };
  for (const StepCase& c : steps) {
    double v = c.from;
    StepDateTime(true, c.forward, v, c.amount, c.step);
    EXPECT_DOUBLE_EQ(v, c.to) << DateToStr(c.from) << " step " << c.step;
  }
  // Not a date-time axis: month steps are plain additions.
  double v = 100;
  StepDateTime(false, false, v, 30, StepOneMonth);
  EXPECT_EQ(v, 70);
}

}  // namespace
}  // namespace qv
