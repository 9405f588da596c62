// The colour picker: pop-up geometry, the comb and grey row, keyboard
// navigation, the intensity bar, hints, choosing entries, pop-up placement
// and the button's events.
#include <gtest/gtest.h>

#include "ControlHostTestSupport.h"
#include "platform/core/RecordingCanvas.h"
#include "support/ColorPickerButton.h"

namespace qv {
namespace {

using test::TFakeControlHost;

class TFakePresenter : public TColorPopupPresenter {
 public:
  TRect Button = Rect(100, 100, 145, 122);
  TRect Screen = Rect(0, 0, 1024, 740);
  TRect Shown;
  bool Visible = false;
  int Shows = 0;
  TRect ButtonScreenRect() const override { return Button; }
  TRect ScreenWorkArea() const override { return Screen; }
  void ShowPopup(const TRect& b) override {
    Shown = b;
    Visible = true;
    ++Shows;
  }
  void HidePopup() override { Visible = false; }
};

class ColorPickerTest : public ::testing::Test {
 protected:
  void SetUp() override { SetFontService(&fonts); }
  void TearDown() override { SetFontService(nullptr); }
  TFakeFontService fonts{8, 16};
};

// With 8 x 16 text cells, "Default" and "More..." are 56 x 16: the entry
// text boxes are 60 x 26.
TEST_F(ColorPickerTest, PopupGeometry) {
  struct Case {
    const char* defaultText;
    const char* customText;
    bool system;
    TSize size;
    TRect defaultRect, customRect, cell0, cell39, cell40;
  };
  const Case cases[] = {
      {"", "", false, {164, 98}, {}, {}, Rect(10, 4, 28, 22), Rect(136, 76, 154, 94), {}},
      {"Default",
       "More...",
       false,
       {164, 158},
       Rect(10, 4, 154, 30),
       Rect(10, 128, 154, 154),
       Rect(10, 34, 28, 52),
       Rect(136, 106, 154, 124),
       {}},
      {"Default",
       "More...",
       true,
       {164, 234},
       Rect(10, 4, 154, 30),
       Rect(10, 204, 154, 230),
       Rect(10, 34, 28, 52),
       Rect(136, 106, 154, 124),
       Rect(10, 128, 28, 146)},
      {"A much longer default caption",
       "",
       false,
       {236, 128},
       Rect(10, 4, 226, 30),
       {},
       Rect(10, 34, 28, 52),
       Rect(136, 106, 154, 124),
       {}},
  };
  for (const Case& c : cases) {
    TColorPopup p;
    p.SetDefaultText(c.defaultText);
    p.SetCustomText(c.customText);
    p.SetShowSystemColors(c.system);
    SCOPED_TRACE(std::string(c.defaultText) + "/" + c.customText);
    EXPECT_EQ(p.WindowSize(), c.size);
    EXPECT_EQ(p.DefaultEntryRect(), c.defaultRect);
    EXPECT_EQ(p.CustomEntryRect(), c.customRect);
    EXPECT_EQ(p.CellRect(0), c.cell0);
    EXPECT_EQ(p.CellRect(39), c.cell39);
    EXPECT_EQ(p.CellRect(40), c.cell40);
  }
}

TEST_F(ColorPickerTest, CombGeometryAndSwatch) {
  TColorPopup p;
  p.SetDefaultText("Default");
  EXPECT_EQ(p.CombRadius(), 63);
  EXPECT_EQ(p.CombCellSize(), 11);
  EXPECT_EQ(p.CombRect(), Rect(10, 158, 136, 284));
  EXPECT_EQ(p.CombOrigin(), TPoint(73, 221));
  EXPECT_EQ(p.GreyRowRect(), Rect(10, 280, 147, 306));
  EXPECT_EQ(p.IntensityBarRect(), Rect(136, 169, 156, 273));
  // The swatch: an 18-pixel square 2 pixels inside the entry's right end,
  // vertically centred, inset by 3.
  EXPECT_EQ(p.CustomSwatchRect(), Rect(137, 135, 149, 147));
  EXPECT_EQ(p.WindowSize(), (TSize{164, 158}));
  p.SetSelectedIndex(CustomCell);
  EXPECT_EQ(p.WindowSize(), (TSize{164, 310}));
}

TEST_F(ColorPickerTest, CombCellsAndColours) {
  TColorPopup p;
  p.SetDefaultText("Default");
  const auto& comb = p.CombCells();
  ASSERT_EQ(comb.size(), 127u);
  const TPoint o = p.CombOrigin();
  struct Case {
    int index;
    TPoint offset;
    TColor color;
  };
  const Case cases[] = {
      {0, {0, 0}, RGB(255, 255, 255)},      // centre: white times the intensity
      {1, {0, 9}, RGB(255, 212, 255)},      // ring 1 below: 212.5 rounds to even
      {16, {0, 55}, RGB(255, 0, 255)},      // magenta corner straight down
      {19, {24, 41}, RGB(255, 0, 128)},     // half way to red: 127.5 rounds to even
      {37, {47, 27}, RGB(255, 0, 0)},       // red corner, lower right
      {58, {47, -27}, RGB(255, 255, 0)},    // yellow, upper right
      {79, {0, -55}, RGB(0, 255, 0)},       // green at the top
      {100, {-47, -27}, RGB(0, 255, 255)},  // cyan, upper left
      {121, {-47, 27}, RGB(0, 0, 255)},     // blue, lower left
  };
  for (const Case& c : cases) {
    EXPECT_EQ(comb[c.index].Position, TPoint(o.X + c.offset.X, o.Y + c.offset.Y)) << c.index;
    EXPECT_EQ(comb[c.index].Color, c.color) << c.index;
  }
  const auto& grey = p.GreyCells();
  ASSERT_EQ(grey.size(), 17u);
  struct GreyCase {
    int index;
    TPoint pos;
    int level;
    int size;
  };
  const GreyCase greys[] = {{0, {11, 11}, 255, 22}, {1, {33, 6}, 225, 11},  {2, {38, 14}, 210, 11},
                            {3, {43, 6}, 195, 11},  {15, {103, 6}, 15, 11}, {16, {124, 11}, 0, 22}};
  for (const GreyCase& g : greys) {
    EXPECT_EQ(grey[g.index].Position, g.pos) << g.index;
    EXPECT_EQ(grey[g.index].Color, RGB(g.level, g.level, g.level)) << g.index;
    EXPECT_EQ(p.GreyCellSize(g.index), g.size) << g.index;
  }
  // Hit tests: comb cells within c div 2, the big grey cells within c.
  EXPECT_EQ(p.CombCellAt(o.X, o.Y), 1);
  EXPECT_EQ(p.CombCellAt(o.X + 47 + 3, o.Y + 27 + 4), 38);
  EXPECT_EQ(p.CombCellAt(o.X + 47 + 4, o.Y + 27 + 4), 0);
  const TRect g = p.GreyRowRect();
  EXPECT_EQ(p.CombCellAt(g.Left + 11 + 10, g.Top + 11), -1);
  EXPECT_EQ(p.CombCellAt(g.Left + 124, g.Top + 11 + 11), -17);
}

TEST_F(ColorPickerTest, IntensityBar) {
  TColorPopup p;
  TFakeControlHost host;
  p.SetHost(&host);
  p.SetSelectedIndex(CustomCell);
  const TRect bar = p.IntensityBarRect();
  p.MouseDown(mbLeft, ssLeft, bar.Left + 2, bar.Top + bar.Height() / 4);
  EXPECT_DOUBLE_EQ(p.Intensity(), 0.75);
  EXPECT_EQ(p.CenterColor(), RGB(191, 191, 191));  // 191.25
  EXPECT_EQ(p.CombCells()[0].Color, RGB(191, 191, 191));
  EXPECT_EQ(p.CombCells()[16].Color, RGB(255, 0, 255)) << "corners are not scaled";
  p.MouseMove(ssLeft, bar.Left + 5, bar.Bottom + 40);
  EXPECT_DOUBLE_EQ(p.Intensity(), 0.0);
  p.MouseMove(ssLeft, bar.Right + 3, bar.Top);  // outside the bar's extent: ignored
  EXPECT_DOUBLE_EQ(p.Intensity(), 0.0);
  p.MouseMove(ssLeft, bar.Left, bar.Top - 30);
  EXPECT_DOUBLE_EQ(p.Intensity(), 1.0);
  p.MouseUp(mbLeft, 0, bar.Left, bar.Top);
  p.SetIntensity(0.5);
  std::string hint;
  ASSERT_TRUE(p.HintAt(bar.Left + 1, bar.Top + 1, hint));
  EXPECT_EQ(hint, "Intensity: 50%");
  p.SetHost(nullptr);
}

TEST_F(ColorPickerTest, Hints) {
  TColorPopup p;
  p.SetDefaultText("Default");
  p.SetShowSystemColors(true);
  std::string hint;
  const TRect c16 = p.CellRect(16);
  ASSERT_TRUE(p.HintAt(c16.Left + 1, c16.Top + 1, hint));
  EXPECT_EQ(hint, "Red");
  const TRect c52 = p.CellRect(52);
  ASSERT_TRUE(p.HintAt(c52.Left + 1, c52.Top + 1, hint));
  EXPECT_EQ(hint, "system color: application workspace");
  EXPECT_FALSE(p.HintAt(p.DefaultEntryRect().Left + 1, p.DefaultEntryRect().Top + 1, hint));
  p.OnEntryHint = [](int cell, std::string& h) { h = cell == DefaultCell ? "Automatic" : "Pick"; };
  ASSERT_TRUE(p.HintAt(p.DefaultEntryRect().Left + 1, p.DefaultEntryRect().Top + 1, hint));
  EXPECT_EQ(hint, "Automatic");
  p.SetSelectedIndex(CustomCell);
  const TPoint o = p.CombOrigin();
  ASSERT_TRUE(p.HintAt(o.X + 47, o.Y + 27, hint));
  EXPECT_EQ(hint, "red: 255, green: 0, blue: 0");
  EXPECT_FALSE(p.HintAt(1, 1, hint));
}

TEST_F(ColorPickerTest, KeyboardNavigation) {
  struct Case {
    bool def, custom, system;
    int from;
    int key;
    int to;
  };
  const int D = DefaultCell, C = CustomCell;
  const Case cases[] = {
      // Left
      {true, true, false, 9, VK_LEFT, 8},
      {true, true, false, 8, VK_LEFT, 7},  // first of a row to the last of the row above
      {true, true, false, 0, VK_LEFT, D},
      {false, true, false, 0, VK_LEFT, C},
      {false, false, false, 0, VK_LEFT, 39},
      {true, true, false, D, VK_LEFT, C},
      {true, false, false, D, VK_LEFT, 39},
      {true, true, false, C, VK_LEFT, 39},
      // Right
      {true, true, false, 7, VK_RIGHT, 8},
      {true, true, false, 39, VK_RIGHT, C},
      {true, false, false, 39, VK_RIGHT, D},
      {false, false, false, 39, VK_RIGHT, 0},
      {true, true, false, D, VK_RIGHT, 0},
      {true, true, false, C, VK_RIGHT, D},
      {false, true, false, C, VK_RIGHT, 0},
      {true, true, true, 39, VK_RIGHT, 40},
      {true, true, true, 64, VK_RIGHT, C},
      // Up
      {true, true, false, 12, VK_UP, 4},
      {true, true, false, 4, VK_UP, D},
      {false, true, false, 4, VK_UP, C},
      {false, false, false, 4, VK_UP, 39},
      // Down
      {true, true, false, 4, VK_DOWN, 12},
      {true, true, false, 35, VK_DOWN, C},
      {true, false, false, 35, VK_DOWN, D},
      {false, false, false, 35, VK_DOWN, 0},
      {true, true, true, 35, VK_DOWN, 43},
      {true, true, true, 57, VK_DOWN, C},  // no cell below in the last partial row
      {true, true, false, D, VK_DOWN, 0},
      {true, true, false, C, VK_DOWN, D},
      // nothing focused yet
      {true, true, false, NoCell, VK_UP, 0},
  };
  for (const Case& c : cases) {
    TColorPopup p;
    p.SetDefaultText(c.def ? "Default" : "");
    p.SetCustomText(c.custom ? "More..." : "");
    p.SetShowSystemColors(c.system);
    p.SetHoverIndex(c.from);
    int key = c.key;
    p.KeyDown(key, 0);
    EXPECT_EQ(key, 0);
    EXPECT_EQ(p.HoverIndex(), c.to)
        << c.def << c.custom << c.system << " from " << c.from << " key " << c.key;
  }
}

TEST_F(ColorPickerTest, SystemColoursOnlyWhenShown) {
  TColorPopup p;
  p.SetHoverIndex(40);
  EXPECT_EQ(p.HoverIndex(), NoCell);
  p.SetShowSystemColors(true);
  p.SetHoverIndex(64);
  p.SetSelectedIndex(50);
  EXPECT_EQ(p.HoverIndex(), 64);
  p.SetShowSystemColors(false);
  EXPECT_EQ(p.HoverIndex(), NoCell);
  EXPECT_EQ(p.SelectedIndex(), NoCell);
  p.SelectColor(clWindow);
  EXPECT_EQ(p.SelectedIndex(), NoCell);
}

TEST_F(ColorPickerTest, ClearingCustomTextWhileSelectedLeavesNoneSelected) {
  TColorPopup p;
  p.SetSelectedIndex(CustomCell);
  p.SetCustomText("");
  EXPECT_EQ(p.SelectedIndex(), NoCell);
  EXPECT_EQ(p.WindowSize().cy, 98);
}

class ButtonTest : public ColorPickerTest {
 protected:
  void SetUp() override {
    ColorPickerTest::SetUp();
    b.SetHost(&host);
    b.SetPresenter(&presenter);
    b.SetDefaultText("Default");
    b.OnChange = [this] { ++changes; };
    b.OnDefaultSelect = [this] { ++defaults; };
  }
  void TearDown() override {
    b.SetHost(nullptr);
    ColorPickerTest::TearDown();
  }
  void Key(int k) { b.Popup().KeyDown(k, 0); }
  TFakeControlHost host{Rect(0, 0, 45, 22)};
  TFakePresenter presenter;
  TColorPickerButton b;
  int changes = 0, defaults = 0;
};

TEST_F(ButtonTest, ChangeOnlyOnAChange) {
  b.SetSelectionColor(clBlack);
  EXPECT_EQ(changes, 0);
  b.SetSelectionColor(clRed);
  EXPECT_EQ(changes, 1);
  b.SetSelectionColor(clRed);
  EXPECT_EQ(changes, 1);
}

TEST_F(ButtonTest, ArrowStripDropsDownAndMarksTheColour) {
  b.SetSelectionColor(0x0000FF);  // "Red", entry 16
  b.MouseDown(mbLeft, ssLeft, 20, 10);
  EXPECT_FALSE(b.DroppedDown()) << "the face does not drop down";
  b.MouseUp(mbLeft, 0, 20, 10);
  b.MouseDown(mbLeft, ssLeft, 45 - 15, 10);
  ASSERT_TRUE(b.DroppedDown());
  EXPECT_TRUE(presenter.Visible);
  EXPECT_TRUE(host.Captured);
  EXPECT_EQ(b.Popup().SelectedIndex(), 16);
  EXPECT_EQ(presenter.Shown, Rect(99, 122, 99 + 164, 122 + 158));
  Key(VK_RIGHT);  // to 17, "Light Orange"
  Key(VK_RETURN);
  EXPECT_FALSE(b.DroppedDown());
  EXPECT_FALSE(presenter.Visible);
  EXPECT_FALSE(host.Captured);
  EXPECT_EQ(b.SelectionColor(), TColor(0x0099FF));
  EXPECT_EQ(changes, 2);
}

TEST_F(ButtonTest, DefaultEntryFiresDefaultSelectWithoutChangingTheColour) {
  b.SetDroppedDown(true);
  b.Popup().SetHoverIndex(DefaultCell);
  Key(VK_SPACE);
  EXPECT_EQ(defaults, 1);
  EXPECT_EQ(changes, 0);
  EXPECT_EQ(b.SelectionColor(), clBlack);
  EXPECT_FALSE(b.DroppedDown());
}

TEST_F(ButtonTest, EscapeClosesWithoutAChoice) {
  b.SetDroppedDown(true);
  b.Popup().SetHoverIndex(5);
  Key(VK_ESCAPE);
  EXPECT_FALSE(b.DroppedDown());
  EXPECT_EQ(changes, 0);
}

TEST_F(ButtonTest, CustomColourFromTheComb) {
  b.SetDroppedDown(true);
  const int shows = presenter.Shows;
  b.Popup().Choose(CustomCell);  // opens the comb: the pop-up grows
  EXPECT_TRUE(b.DroppedDown());
  EXPECT_EQ(presenter.Shows, shows + 1);
  EXPECT_EQ(presenter.Shown.Height(), 310);
  const TPoint o = b.Popup().CombOrigin();
  b.Popup().MouseDown(mbLeft, ssLeft, o.X + 47, o.Y - 27);  // yellow
  b.Popup().MouseUp(mbLeft, 0, o.X + 47, o.Y - 27);
  EXPECT_EQ(b.Popup().SelectedCombCell(), 59);
  EXPECT_TRUE(b.DroppedDown());
  const TRect entry = b.Popup().CustomEntryRect();
  b.Popup().MouseUp(mbLeft, 0, entry.Left + 2, entry.Top + 2);
  EXPECT_FALSE(b.DroppedDown());
  EXPECT_EQ(b.SelectionColor(), RGB(255, 255, 0));
}

TEST_F(ButtonTest, AcceleratorChoosesItsEntry) {
  b.SetDefaultText("&Automatic");
  b.SetDroppedDown(true);
  char32_t ch = 'a';
  b.Popup().KeyPress(ch);
  EXPECT_EQ(ch, 0u);
  EXPECT_EQ(defaults, 1);
  EXPECT_FALSE(b.DroppedDown());
}

TEST_F(ButtonTest, DropChangingMayVeto) {
  bool allow = false;
  int changed = 0;
  b.OnDropChanging = [&](bool& allowed) { allowed = allow; };
  b.OnDropChanged = [&] { ++changed; };
  b.SetDroppedDown(true);
  EXPECT_FALSE(b.DroppedDown());
  EXPECT_FALSE(presenter.Visible);
  allow = true;
  b.SetDroppedDown(true);
  EXPECT_TRUE(b.DroppedDown());
  EXPECT_EQ(changed, 1);
}

TEST_F(ButtonTest, ClickAndGroupedToggle) {
  int clicks = 0;
  b.OnClick = [&] { ++clicks; };
  b.MouseDown(mbLeft, ssLeft, 10, 10);
  EXPECT_EQ(b.State(), bsDown);
  b.MouseMove(ssLeft, 100, 10);
  EXPECT_EQ(b.State(), bsUp);
  b.MouseUp(mbLeft, 0, 100, 10);
  EXPECT_EQ(clicks, 0) << "released outside";
  b.MouseDown(mbLeft, ssLeft, 10, 10);
  b.MouseUp(mbLeft, 0, 10, 10);
  EXPECT_EQ(clicks, 1);
  b.SetGroupIndex(1);
  b.MouseDown(mbLeft, ssLeft, 10, 10);
  b.MouseUp(mbLeft, 0, 10, 10);
  EXPECT_TRUE(b.Down());
  EXPECT_EQ(b.State(), bsExclusive);
  b.MouseDown(mbLeft, ssLeft, 10, 10);
  b.MouseUp(mbLeft, 0, 10, 10);
  EXPECT_TRUE(b.Down()) << "without AllowAllUp it stays down";
  b.SetAllowAllUp(true);
  b.MouseDown(mbLeft, ssLeft, 10, 10);
  b.MouseUp(mbLeft, 0, 10, 10);
  EXPECT_FALSE(b.Down());
  EXPECT_EQ(clicks, 1);
}

TEST(ColorPickerPlacement, PopupBounds) {
  struct Case {
    TRect button;
    TSize popup;
    TRect expected;
  };
  const TRect screen = Rect(0, 0, 1024, 740);
  const Case cases[] = {
      {Rect(100, 100, 145, 122), {164, 158}, Rect(99, 122, 263, 280)},    // below
      {Rect(100, 650, 145, 672), {164, 158}, Rect(99, 492, 263, 650)},    // above the button
      {Rect(100, 570, 145, 592), {164, 158}, Rect(99, 582, 263, 740)},    // up to the bottom
      {Rect(950, 100, 995, 122), {164, 158}, Rect(860, 122, 1024, 280)},  // moved left
      {Rect(0, 100, 45, 122), {164, 158}, Rect(0, 122, 164, 280)},        // never beyond 0
  };
  for (const Case& c : cases) {
    EXPECT_EQ(TColorPickerButton::PopupBounds(c.button, c.popup, screen), c.expected)
        << c.button.Left << "," << c.button.Top;
  }
}

TEST_F(ColorPickerTest, PaintsCombHexagonsAndTheSelectedOutline) {
  TColorPopup p;
  p.SetSelectedIndex(CustomCell);
  p.SetSelectedCombCell(1);
  TRecordingCanvas c(Rect(0, 0, 200, 400), &fonts);
  p.Paint(c, Rect(0, 0, 200, 400));
  // 127 comb cells, 17 grey cells, the XOR outline and the intensity marker.
  const auto polys = c.Find("Polygon");
  ASSERT_EQ(polys.size(), 127u + 17u + 1u + 1u);
  EXPECT_EQ(polys[0]->Points.size(), 6u);
  EXPECT_EQ(polys[0]->State.BrushColor, clWhite);
  EXPECT_EQ(polys[0]->State.PenStyle, psClear);
  const TCanvasCall* outline = polys[144];
  EXPECT_EQ(outline->State.PenMode, pmXor);
  EXPECT_EQ(outline->State.PenWidth, 2);
  EXPECT_EQ(outline->State.BrushStyle, bsClear);
  const TPoint o = p.CombOrigin();
  // Corners at the centre + 5.5 x (cos a, sin a), a = 90, 30, -30, ...
  EXPECT_EQ(outline->Points[0], TPoint(o.X, o.Y + 6));      // 5.5 rounds to even
  EXPECT_EQ(outline->Points[1], TPoint(o.X + 5, o.Y + 3));  // 2.75
  EXPECT_EQ(polys.back()->Points.size(), 3u);
}

}  // namespace
}  // namespace qv
