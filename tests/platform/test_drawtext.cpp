// DrawText: alignment, word breaking, ellipsis, measuring.
#include <gtest/gtest.h>

#include "platform/core/DrawText.h"
#include "platform/core/RecordingCanvas.h"

namespace qv {
namespace {

class DrawTextTest : public ::testing::Test {
 protected:
  std::vector<std::pair<TPoint, std::string>> Lines() const {
    std::vector<std::pair<TPoint, std::string>> out;
    for (const TCanvasCall& call : canvas.Calls())
      if (call.Op == "TextOut" || call.Op == "ExtTextOut")
        out.push_back({{call.Args[0], call.Args[1]}, call.Text});
    return out;
  }
  TFakeFontService fonts{10, 20};
  TRecordingCanvas canvas{Rect(0, 0, 500, 500), &fonts};
};

TEST_F(DrawTextTest, AlignmentOfOneLine) {
  struct {
    unsigned flags;
    int x;
  } cases[] = {{DT_LEFT, 10}, {DT_CENTER, 40}, {DT_RIGHT, 70}};
  for (const auto& c : cases) {
    canvas.Clear();
    TRect r(10, 5, 110, 45);
    EXPECT_EQ(DrawText(canvas, "abcd", r, c.flags | DT_NOCLIP), 20);
    ASSERT_EQ(Lines().size(), 1u);
    EXPECT_EQ(Lines()[0].first, TPoint(c.x, 5));
  }
  canvas.Clear();
  TRect r(0, 0, 100, 40);
  DrawText(canvas, "ab", r, DT_SINGLELINE | DT_VCENTER);
  EXPECT_EQ(Lines()[0].first.Y, 10);
  EXPECT_EQ(canvas.First("ExtTextOut")->Args[2], int(ETO_CLIPPED));
}

TEST_F(DrawTextTest, WordBreakEllipsisAndMeasuring) {
  TRect r(0, 0, 100, 200);
  EXPECT_EQ(DrawText(canvas, "one two three four\r\nfive", r, DT_WORDBREAK | DT_NOCLIP), 60);
  std::vector<std::string> texts;
  for (const auto& l : Lines()) texts.push_back(l.second);
  EXPECT_EQ(texts, (std::vector<std::string>{"one two", "three four", "five"}));
  EXPECT_EQ(Lines()[1].first.Y, 20);
  // A word wider than the box stands alone.
  canvas.Clear();
  DrawText(canvas, "a unbreakablelongword b", r, DT_WORDBREAK | DT_NOCLIP);
  EXPECT_EQ(Lines().size(), 3u);
  canvas.Clear();
  DrawText(canvas, "abcdefghijklmnop", r, DT_END_ELLIPSIS | DT_NOCLIP);
  EXPECT_EQ(Lines()[0].second, "abcdefg...");
  TRect calc(0, 0, 0, 0);
  EXPECT_EQ(DrawText(canvas, "ab\tc\nxyz", calc, DT_CALCRECT | DT_EXPANDTABS), 40);
  EXPECT_EQ(calc, TRect(0, 0, 90, 40));  // "ab" + 6 blanks + "c"
}

}  // namespace
}  // namespace qv
