// Chart panel rectangle and print arithmetic, the whole default palette and
// the date-time step helpers, checked against values worked out by hand.
#include <gtest/gtest.h>

#include "chart/DovOrara.h"
#include "platform/core/RecordingCanvas.h"

namespace qv {
namespace {

TEST(PanelReview, ChartRectFromBoundsBorderAndMargins) {
  struct Case {
    int width, height, border;
    TRect userRect;
    bool buffered;
    TRect chartRect;
  };
  const Case cases[] = {
      // MulDiv rounds halves away from zero: 3 % of 450 = 13.5 -> 14;
      // 4 % of 262 = 10.48 -> 10; the border comes off every side.
      {450, 262, 2, TRect(0, 0, 450, 262), false, TRect(16, 12, 434, 250)},
      // Unbuffered drawing keeps the user rectangle's origin.
      {400, 250, 0, TRect(10, 20, 410, 270), false, TRect(22, 30, 398, 260)},
      // Buffered drawing draws into a bitmap at 0, 0.
      {400, 250, 0, TRect(10, 20, 410, 270), true, TRect(12, 10, 388, 240)},
  };
  for (const Case& c : cases) {
    TCustomPlotPanel panel;
    panel.SetBounds(c.width, c.height);
    panel.SetBorderWidth(c.border);
    panel.Canvas().SetBufferedDrawing(c.buffered);
    TFakeFontService fonts;
    TRecordingCanvas rec(TRect(0, 0, 600, 400), &fonts);
    panel.DrawInto(rec, c.userRect);
    EXPECT_EQ(panel.ChartRect, c.chartRect) << c.width << "x" << c.height;
    EXPECT_EQ(panel.ChartWidth, c.chartRect.Width());
    EXPECT_EQ(panel.ChartYCenter, (c.chartRect.Top + c.chartRect.Bottom) / 2);
  }
  // Margins that meet exactly (Left = Right) widen the rectangle by the
  // panel's width, as the recalculation says.
  TCustomPlotPanel panel;
  panel.Canvas().SetBufferedDrawing(false);
  panel.SetMarginLeft(50);
  panel.SetMarginRight(50);
  TFakeFontService fonts;
  TRecordingCanvas rec(TRect(0, 0, 400, 250), &fonts);
  panel.DrawInto(rec, TRect(0, 0, 400, 250));
  EXPECT_EQ(panel.ChartRect.Left, 200);
  EXPECT_EQ(panel.ChartRect.Right, 600);
}

TEST(PanelReview, PrintAreaRoundingAndProportionalMargins) {
  struct Case {
    int width, height;
    bool keepAspect;
    int pageWidth, pageHeight;
    double pixelRatio;
    int margins[4];
    TRect area;
  };
  const Case cases[] = {
      // 15 % of 4830 = 724.5 -> 724 and of 6630 = 994.5 -> 994 (ties to even).
      {400, 250, false, 4830, 6630, 1.0, {15, 15, 15, 15}, TRect(724, 994, 4106, 5636)},
      // Taller than wide: M(6600, 4800, 2/3) = Round(100 * (4800 - 2640) / 4800) div 2 = 22.
      {200, 300, true, 4800, 6600, 1.0, {22, 15, 22, 15}, TRect(1056, 990, 3744, 5610)},
      // Printer pixels twice as wide as high: 100 * (6600 - 3600) / 6600 = 45.45 -> 45 div 2 = 22.
      {400, 250, true, 4800, 6600, 2.0, {15, 22, 15, 22}, TRect(720, 1452, 4080, 5148)},
      // A square chart takes the second form: 100 * (4800 - 3960) / 4800 = 17.5 -> 18 div 2 = 9.
      {300, 300, true, 4800, 6600, 1.0, {9, 15, 9, 15}, TRect(432, 990, 4368, 5610)},
  };
  for (const Case& c : cases) {
    TCustomPlotPanel panel;
    panel.SetBounds(c.width, c.height);
    panel.KeepPrintAspect = c.keepAspect;
    const TRect r = panel.PrintArea(c.pageWidth, c.pageHeight, c.pixelRatio);
    for (int i = 0; i < 4; ++i)
      EXPECT_EQ(panel.PrintMargins[i], c.margins[i]) << c.width << "x" << c.height << " " << i;
    EXPECT_EQ(r, c.area) << c.width << "x" << c.height;
  }
}

TEST(PaletteReview, AllTwentyEntriesAndWrapping) {
  const TColor expected[20] = {0x0000FF, 0x008000, 0x00FFFF, 0xFF0000, 0xFFFFFF, 0x808080, 0xFF00FF,
                               0x808000, 0x800000, 0x000080, 0x00FF00, 0x008080, 0x800080, 0xC0C0C0,
                               0xFFFF00, 0x000000, 0xC0DCC0, 0xF0CAA6, 0xF0FBFF, 0xA4A0A0};
  for (int i = 0; i < 20; ++i) {
    EXPECT_EQ(DefaultSeriesColor(i), expected[i]) << i;
    EXPECT_EQ(DefaultSeriesColor(i + 40), expected[i]) << i + 40;
  }
}

TEST(DateStepReview, LookupsAcrossTheTable) {
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

TEST(DateStepReview, RoundingAndSteppingDropTheTimeOfDay) {
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
