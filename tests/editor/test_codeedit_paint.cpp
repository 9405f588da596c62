// Painting of the editor control on the recording canvas (8 x 16 cells,
// gutter 30 pixels, text from x = 32): token merging, selection splitting,
// special characters, special lines, hidden selections, the right edge, the
// gutter with its numbers and marks, and painting only what is invalid.
#include <gtest/gtest.h>

#include "EditorTestSupport.h"
#include "platform/core/ImageList.h"

namespace qv {
namespace {

using test::TEditorFixture;

// A highlighter for painting tests. Words are tokens whose look depends on
// their first letter: k bold navy, r red, u underlined, b on a yellow
// background, anything else the default look; runs of blanks (spaces, or
// TABs) are tokens of the space look; any other character is a token of
// its own.
class TWordSyn : public TCodeCustomHighlighter {
 public:
  TWordSyn() {
    key = AddAttribute("Key", {fsBold}, clNavy, clNone);
    red = AddAttribute("Red", {}, clRed, clNone);
    under = AddAttribute("Under", {fsUnderline}, clNone, clNone);
    back = AddAttribute("Back", {}, clNone, clYellow);
    word = AddAttribute("Word", {}, clNone, clNone);
    space = AddAttribute("Space", {}, clNone, clNone);
    symbol = AddAttribute("Symbol", {}, clGreen, clNone);
  }
  TCodeHighlighterAttributes* GetDefaultAttribute(int Index) const override {
    return Index == 4 ? space : Index == 1 ? word : nullptr;
  }
  bool GetEol() const override { return pos_ >= line_.size(); }
  std::string GetToken() const override { return Utf32ToUtf8(line_.substr(pos_, len_)); }
  TCodeHighlighterAttributes* GetTokenAttribute() const override { return attr_; }
  int GetTokenKind() const override { return 0; }
  int GetTokenPos() const override { return int(pos_); }
  void Next() override {
    pos_ += len_;
    Scan();
  }
  void SetLine(const std::string& NewValue, int) override {
    line_ = Utf8ToUtf32(NewValue);
    pos_ = len_ = 0;
    Scan();
  }

  TCodeHighlighterAttributes *key, *red, *under, *back, *word, *space, *symbol;

 private:
  static bool Letter(char32_t c) { return (c >= U'a' && c <= U'z') || (c >= U'0' && c <= U'9'); }
  void Scan() {
    len_ = 0;
    if (pos_ >= line_.size()) return;
    const char32_t c = line_[pos_];
    size_t e = pos_ + 1;
    if (Letter(c)) {
      while (e < line_.size() && Letter(line_[e])) ++e;
      attr_ = c == U'k' ? key : c == U'r' ? red : c == U'u' ? under : c == U'b' ? back : word;
    } else if (c == U' ' || c == U'\t') {
      while (e < line_.size() && line_[e] == c) ++e;
      attr_ = space;
    } else {
      attr_ = symbol;
    }
    len_ = e - pos_;
  }
  std::u32string line_;
  size_t pos_ = 0, len_ = 0;
  TCodeHighlighterAttributes* attr_ = nullptr;
};

constexpr int kLeft = 32;  // x of column 1
int X(int Col) { return kLeft + (Col - 1) * 8; }

// One text output of a row: the text, its rectangle's left and right, and
// the colours and style it was written in.
struct TOut {
  std::string Text;
  int Left = 0, Right = 0;
  TColor Fore = clNone, Back = clNone;
  bool Bold = false;
};

struct PaintTest : ::testing::Test {
  TEditorFixture f;
  TWordSyn syn;
  TRecordingCanvas c{Rect(0, 0, 400, 320), &f.fonts};

  PaintTest() { f.edit.SetRightEdge(0); }
  ~PaintTest() override { f.edit.SetHighlighter(nullptr); }

  void Paint(const TRect& R = Rect(0, 0, 400, 320)) {
    c.Clear();
    f.edit.Paint(c, R);
  }
  // The opaque outputs of the text area on the row of a line (tab marks,
  // written without ETO_OPAQUE, are left out).
  std::vector<TOut> Row(int Line) const {
    std::vector<TOut> r;
    const int y = (Line - 1) * 16;
    for (const TCanvasCall* call : c.Find("ExtTextOut")) {
      if (call->Args.size() < 7 || call->Args[1] != y || call->Args[3] < 30) continue;
      if (!(call->Args[2] & ETO_OPAQUE)) continue;
      r.push_back({call->Text, call->Args[3], call->Args[5], call->State.TextColor,
                   call->State.BkColor, call->State.FontStyle.Contains(fsBold)});
    }
    return r;
  }
  std::vector<const TCanvasCall*> Marks(const std::string& Text) const {
    std::vector<const TCanvasCall*> r;
    for (const TCanvasCall* call : c.Find("ExtTextOut"))
      if (call->Text == Text && !(call->Args[2] & ETO_OPAQUE)) r.push_back(call);
    return r;
  }
};

TEST_F(PaintTest, NeighbouringTokensOfEqualLookAreMerged) {
  f.SetLines("kw x  ry|ua  b1 x");
  f.edit.SetHighlighter(&syn);
  Paint();
  // "kw" takes the blank after it (blanks only need a fitting style), the
  // word x takes the blanks after it (same look), "ry" stands alone; the
  // last token's rectangle ends at its last column and the fill runs to the
  // end of the row in the editor's colour.
  const std::vector<TOut> row1 = Row(1);
  ASSERT_EQ(row1.size(), 4u);
  EXPECT_EQ(row1[0].Text, "kw ");
  EXPECT_TRUE(row1[0].Bold);
  EXPECT_EQ(row1[0].Fore, clNavy);
  EXPECT_EQ(row1[1].Text, "x  ");
  EXPECT_EQ(row1[1].Left, X(4));
  EXPECT_FALSE(row1[1].Bold);
  EXPECT_EQ(row1[1].Fore, f.edit.Font().Color());
  EXPECT_EQ(row1[2].Text, "ry");
  EXPECT_EQ(row1[2].Fore, clRed);
  EXPECT_EQ(row1[2].Right, X(9));
  EXPECT_EQ(row1[3].Text, "");
  EXPECT_EQ(row1[3].Left, X(9));
  EXPECT_EQ(row1[3].Right, 400);
  EXPECT_EQ(row1[3].Back, clWindow);
  // An underlined token keeps blanks out; a new background starts a token.
  const std::vector<TOut> row2 = Row(2);
  ASSERT_EQ(row2.size(), 5u);
  EXPECT_EQ(row2[0].Text, "ua");
  EXPECT_EQ(row2[1].Text, "  ");
  EXPECT_EQ(row2[2].Text, "b1");
  EXPECT_EQ(row2[2].Back, clYellow);
  EXPECT_EQ(row2[3].Text, " x");
  EXPECT_EQ(row2[3].Back, clWindow);
}

TEST_F(PaintTest, EveryCharacterTakesOneCell) {
  f.fonts.SetCharWidth(U'W', 13);  // a wider W in the font does not matter
  f.SetLines("WiW");
  Paint();
  const TCanvasCall* text = nullptr;
  for (const TCanvasCall* call : c.Find("ExtTextOut"))
    if (call->Text == "WiW") text = call;
  ASSERT_NE(text, nullptr);
  ASSERT_GE(text->Dx.size(), 3u);
  EXPECT_EQ(text->Dx[0], 8);
  EXPECT_EQ(text->Dx[1], 8);
  EXPECT_EQ(text->Dx[2], 8);
}

TEST_F(PaintTest, SelectionSplitsATokenInThreeParts) {
  f.SetLines("abcdef x|abcdef x");
  f.edit.SetHighlighter(&syn);
  f.Select(TPoint(3, 1), TPoint(5, 1));
  Paint();
  const std::vector<TOut> row = Row(1);
  // Each part is clipped to its columns; the parts that would run on are
  // cut by their rectangle.
  ASSERT_EQ(row.size(), 4u);
  EXPECT_EQ(row[0].Left, X(1));
  EXPECT_EQ(row[0].Right, X(3));
  EXPECT_EQ(row[0].Back, clWindow);
  EXPECT_EQ(row[1].Text.substr(0, 2), "cd");
  EXPECT_EQ(row[1].Left, X(3));
  EXPECT_EQ(row[1].Right, X(5));
  EXPECT_EQ(row[1].Back, clHighlight);
  EXPECT_EQ(row[1].Fore, clHighlightText);
  EXPECT_EQ(row[2].Text, "ef x");
  EXPECT_EQ(row[2].Left, X(5));
  EXPECT_EQ(row[2].Right, X(9));
  EXPECT_EQ(row[2].Back, clWindow);
  EXPECT_EQ(row[3].Left, X(9));  // the fill
  EXPECT_EQ(row[3].Back, clWindow);
  // The other line is not touched by the selection.
  for (const TOut& o : Row(2)) EXPECT_EQ(o.Back, clWindow);

  // A selection from the middle of one token into another: each token is
  // split once, and the fill after the text is unselected.
  f.Select(TPoint(4, 1), TPoint(2, 2));
  Paint();
  const std::vector<TOut> first = Row(1);
  EXPECT_EQ(first.front().Right, X(4));
  EXPECT_EQ(first.front().Back, clWindow);
  EXPECT_EQ(first.back().Back, clHighlight);  // the rest of the row is selected
  EXPECT_EQ(first.back().Right, 400);
  const std::vector<TOut> second = Row(2);
  EXPECT_EQ(second[0].Back, clHighlight);
  EXPECT_EQ(second[0].Right, X(2));
  EXPECT_EQ(second[1].Back, clWindow);
  EXPECT_EQ(second.back().Back, clWindow);
}

TEST_F(PaintTest, LineAndColumnSelections) {
  f.SetLines("ab|cdef|gh|ijklmn");
  f.edit.SetSelectionMode(smLine);
  f.edit.SetBlockBegin(TPoint(1, 2));
  f.edit.SetBlockEnd(TPoint(1, 3));
  Paint();
  // A line selected as a whole is selected to the right end of the window.
  for (int line : {2, 3}) {
    const std::vector<TOut> row = Row(line);
    ASSERT_FALSE(row.empty());
    EXPECT_EQ(row.back().Right, 400);
    for (const TOut& o : row) EXPECT_EQ(o.Back, clHighlight) << line;
  }
  for (const TOut& o : Row(1)) EXPECT_EQ(o.Back, clWindow);

  // A column block: columns 2..3 of every line it covers, also past the end
  // of a short line.
  f.edit.SetSelectionMode(smColumn);
  f.edit.SetBlockBegin(TPoint(2, 2));
  f.edit.SetBlockEnd(TPoint(4, 4));
  Paint();
  for (int line : {2, 3, 4}) {
    int selectedFrom = 0, selectedTo = 0;
    for (const TOut& o : Row(line))
      if (o.Back == clHighlight) {
        selectedFrom = o.Left;
        selectedTo = o.Right;
      }
    EXPECT_EQ(selectedFrom, X(2)) << line;
    EXPECT_EQ(selectedTo, X(4)) << line;
  }
}

TEST_F(PaintTest, SpecialCharacters) {
  f.SetLines("a\tb c|\t\tx");
  f.edit.SetOptions(f.edit.Options() | eoShowSpecialChars);
  for (bool highlighted : {false, true}) {
    f.edit.SetHighlighter(highlighted ? &syn : nullptr);
    Paint();
    std::string row1;
    for (const TOut& o : Row(1)) row1 += o.Text;
    // Blanks show as middle dots, the TAB's cells as blanks with one mark
    // in the middle of its stop, and the line ends in a pilcrow.
    EXPECT_EQ(row1, "a       b\u00B7c\u00B6") << highlighted;
    const auto tabs1 = Marks("\u00BB");
    ASSERT_EQ(tabs1.size(), 3u) << highlighted;
    EXPECT_EQ(tabs1[0]->Args[0], X(5));  // TAB in columns 2..8: 7 cells
    EXPECT_EQ(tabs1[0]->Args[1], 0);
    // Two TABs: one mark per stop, each between the 4th and 5th cell.
    EXPECT_EQ(tabs1[1]->Args[0], X(4) + 4);
    EXPECT_EQ(tabs1[2]->Args[0], X(12) + 4);
    EXPECT_EQ(tabs1[2]->Args[1], 16);
  }
  // Without the option: blanks only.
  f.edit.SetOptions(f.edit.Options() & ~eoShowSpecialChars);
  Paint();
  std::string row1;
  for (const TOut& o : Row(1)) row1 += o.Text;
  EXPECT_EQ(row1, "a       b c");
  EXPECT_TRUE(Marks("\u00BB").empty());
}

TEST_F(PaintTest, SpecialLinesAndHiddenSelections) {
  f.SetLines("abc def|ghi");
  f.edit.SetHighlighter(&syn);
  f.edit.OnSpecialLineColors = [](TCustomCodeEdit*, int Line, bool& Special, TColor& FG,
                                  TColor& BG) {
    if (Line != 1) return;
    Special = true;
    FG = clWhite;
    BG = clMaroon;
  };
  f.Select(TPoint(2, 1), TPoint(3, 2));
  Paint();
  // The special line's own colours win over the tokens'; its selection
  // shows them exchanged.
  const std::vector<TOut> row = Row(1);
  ASSERT_GE(row.size(), 2u);
  EXPECT_EQ(row[0].Back, clMaroon);
  EXPECT_EQ(row[0].Fore, clWhite);
  EXPECT_EQ(row[1].Back, clWhite);
  EXPECT_EQ(row[1].Fore, clMaroon);
  EXPECT_EQ(Row(2)[0].Back, clHighlight);

  // With HideSelection, an editor without the focus shows no selection.
  f.edit.SetHideSelection(true);
  f.host.focused = false;
  Paint();
  for (int line : {1, 2})
    for (const TOut& o : Row(line)) EXPECT_NE(o.Back, clHighlight);
  f.host.focused = true;
  Paint();
  EXPECT_EQ(Row(2)[0].Back, clHighlight);
}

TEST_F(PaintTest, WhitespaceBackgroundIsTheEditorBackground) {
  f.SetLines("a b");
  syn.space->SetBackground(clAqua);
  f.edit.SetHighlighter(&syn);
  Paint();
  const std::vector<TOut> row = Row(1);
  EXPECT_EQ(row.back().Back, clAqua);  // the fill after the text
  // The strip between gutter and text and the space below the lines too.
  const TCanvasCall* below = nullptr;
  for (const TCanvasCall* call : c.Find("FillRect"))
    if (call->Args[1] == 16 && call->Args[0] >= 30) below = call;
  ASSERT_NE(below, nullptr);
  EXPECT_EQ(below->State.BrushColor, clAqua);
}

TEST_F(PaintTest, RightEdgeRunsThroughEveryRowAndBelow) {
  f.SetLines("a|b");
  f.edit.SetRightEdge(10);
  f.edit.SetRightEdgeColor(clRed);
  Paint();
  const int x = X(11);
  std::vector<std::pair<int, int>> spans;
  for (const TCanvasCall* call : c.Find("LineTo"))
    if (call->Args[0] == x && call->State.PenColor == clRed)
      spans.emplace_back(call->Args[1], call->Args[3]);
  ASSERT_EQ(spans.size(), 3u);  // two rows and the space below
  EXPECT_EQ(spans[0], std::make_pair(0, 17));
  EXPECT_EQ(spans[1], std::make_pair(16, 33));
  EXPECT_EQ(spans[2], std::make_pair(32, 321));
  // Off the painted area nothing is drawn.
  Paint(Rect(0, 0, 100, 320));
  EXPECT_EQ(c.Count("LineTo"), 2);  // the two gutter edge lines only
}

TEST_F(PaintTest, OnlyTheInvalidRectangleIsPainted) {
  f.SetLines(test::NumberedLines(30, 40));
  // One row, and from column 11 on (the row below the clip's bottom edge
  // is taken in as well; the window clips it).
  Paint(Rect(X(11) + 3, 32, 400, 48));
  for (const TCanvasCall* call : c.Find("ExtTextOut")) {
    EXPECT_TRUE(call->Args[1] == 32 || call->Args[1] == 48);
    EXPECT_GE(call->Args[5], X(11) + 3);
  }
  const std::vector<TOut> row = Row(3);
  ASSERT_FALSE(row.empty());
  EXPECT_EQ(row[0].Left, X(11) + 3);
  EXPECT_EQ(row[0].Text.substr(0, 3), "xxx");
  EXPECT_EQ(c.Count("Draw"), 0);
}

TEST_F(PaintTest, GutterNumbersAndWrappedLines) {
  f.SetLines("one|two|three");
  f.edit.Gutter().SetShowLineNumbers(true);
  const int gw = f.edit.GutterWidth();
  Paint(Rect(0, 0, gw, 320));
  std::vector<std::string> numbers;
  for (const TCanvasCall* call : c.Find("ExtTextOut")) {
    if (call->Text.empty()) continue;
    numbers.push_back(Trim(call->Text));
    // Right-aligned before the right offset and the two edge pixels.
    EXPECT_EQ(call->Args[0] + int(call->Text.size()) * 8, gw - 2 - 2);
    EXPECT_EQ(call->State.BkColor, clBtnFace);
  }
  EXPECT_EQ(numbers, (std::vector<std::string>{"1", "2", "3"}));
  // The gutter's font gives way to the editor's when painting is done.
  EXPECT_EQ(f.edit.TextDrawer().CurrentFont().Name(), f.edit.Font().Name());

  // Continuation rows of a wrapped line carry no number.
  std::string longLine;
  for (int i = 0; i < 14; ++i) longLine += "word ";
  f.SetLines("short|" + longLine + "|end");
  f.edit.SetWordWrap(true);
  ASSERT_EQ(f.edit.Lines().Count(), 4);
  Paint(Rect(0, 16, gw, 320));  // from the second row on
  numbers.clear();
  for (const TCanvasCall* call : c.Find("ExtTextOut"))
    if (!call->Text.empty()) numbers.push_back(Trim(call->Text));
  EXPECT_EQ(numbers, (std::vector<std::string>{"2", "3"}));
}

TEST_F(PaintTest, MarksInTheGutter) {
  f.SetLines("a|b|c");
  TCustomImageList images(10, 10);
  for (int i = 0; i < 3; ++i) images.Add(TImage(10, 10, clRed));
  f.edit.BookMarkOptions().SetBookmarkImages(&images);
  f.edit.SetBookMark(1, 1, 2);
  auto mark = std::make_unique<TCodeEditMark>(&f.edit);
  mark->SetLine(2);
  mark->SetImageIndex(2);
  mark->SetVisible(true);
  TCodeEditMark* plain = mark.get();
  f.edit.Marks().Add(std::move(mark));
  Paint();
  // The bookmark first at the left margin, the plain mark Xoffset beside it,
  // although the plain mark was added later and the order could differ.
  auto draws = c.Find("Draw");
  ASSERT_EQ(draws.size(), 2u);
  EXPECT_EQ(draws[0]->Args[0], 2);
  EXPECT_EQ(draws[0]->Args[1], 16);
  EXPECT_EQ(draws[1]->Args[0], 2 + 12);

  // Plain marks first: the plain one takes the margin.
  f.edit.BookMarkOptions().SetDrawBookmarksFirst(false);
  Paint();
  draws = c.Find("Draw");
  ASSERT_EQ(draws.size(), 2u);
  EXPECT_EQ(draws[0]->Args[0], 2);
  EXPECT_EQ(draws[1]->Args[0], 14);

  // An image beyond the list is left out.
  plain->SetImageIndex(3);
  Paint();
  EXPECT_EQ(c.Count("Draw"), 1);

  // Without an image list only glyphs 0..9 exist, one per row.
  f.edit.BookMarkOptions().SetBookmarkImages(nullptr);
  plain->SetInternalImage(true);
  plain->SetImageIndex(10);
  plain->SetLine(3);
  f.edit.ClearBookMark(1);
  f.edit.SetBookMark(4, 1, 1);
  Paint();
  draws = c.Find("Draw");
  ASSERT_EQ(draws.size(), 1u);
  EXPECT_EQ(draws[0]->Args[1], 0);
  f.edit.ClearBookMark(4);
}

// ---- the text drawer -----------------------------------------------------------------------

TEST(TextDrawer, EqualFontsShareOneCacheEntry) {
  TFakeFontService fonts(8, 16);
  TFont font;
  font.SetName("Courier New");
  font.SetHeight(-13);
  TheFontsInfoManager& cache = GetFontsInfoManager();
  const int before = cache.Count();
  auto a = std::make_unique<TheTextDrawer>(TFontStyles(), font, fonts);
  TFont same;
  same.Assign(font);
  same.SetColor(clRed);       // the colour is not part of the key
  same.SetStyle({fsItalic});  // nor are the variant bits
  TheTextDrawer b(TFontStyles(), same, fonts);
  EXPECT_EQ(cache.Count(), before + 1);
  const TheSharedFontsInfo* info = a->FontStock().FontsInfo();
  EXPECT_EQ(info, b.FontStock().FontsInfo());
  EXPECT_EQ(info->RefCount, 2);
  a.reset();
  EXPECT_EQ(cache.Count(), before + 1);  // the other drawer keeps it
  EXPECT_EQ(info->RefCount, 1);
  EXPECT_TRUE(b.FontStock().FontsInfo()->FontsData[2].Created);  // italic, in use
  // Bold is a different base font.
  TFont bold;
  bold.Assign(font);
  bold.SetStyle({fsBold});
  TheTextDrawer c(TFontStyles(), bold, fonts);
  EXPECT_NE(c.FontStock().FontsInfo(), b.FontStock().FontsInfo());
  EXPECT_EQ(cache.Count(), before + 2);
}

TEST(TextDrawer, AdvancesAndDrawingState) {
  TFakeFontService fonts(8, 16);
  fonts.SetCharWidth(U'i', 3);
  TFont font;
  font.SetName("Arial");
  TheTextDrawer d(TFontStyles(), font, fonts);
  EXPECT_EQ(d.GetCharWidth(), 8);  // the "M"
  EXPECT_EQ(d.GetCharHeight(), 16);
  EXPECT_THROW(d.SetBaseFont(nullptr), EheTextDrawerException);
  try {
    d.SetBaseFont(nullptr);
  } catch (const Exception& e) {
    EXPECT_EQ(e.Message(), "SetBaseFont: 'Value' must be specified.");
  }

  TRecordingCanvas c(Rect(0, 0, 2000, 100), &fonts);
  c.Font.SetName("Before");
  d.SetForeColor(clRed);
  d.SetBackColor(clYellow);
  d.BeginDrawing(c);
  d.BeginDrawing(c);  // nested on the same canvas: counted
  TRecordingCanvas other;
  EXPECT_THROW(d.BeginDrawing(other), EheTextDrawerException);
  const std::u32string hundred(100, U'i');
  d.ExtTextOut(0, 0, ETO_OPAQUE, nullptr, hundred);
  EXPECT_EQ(d.AdvanceCapacity(), 128);
  d.ExtTextOut(0, 20, 0, nullptr, hundred.substr(0, 50));
  EXPECT_EQ(d.AdvanceCapacity(), 128);
  const TCanvasCall* call = c.First("ExtTextOut");
  ASSERT_NE(call, nullptr);
  EXPECT_EQ(call->State.TextColor, clRed);
  EXPECT_EQ(call->State.BkColor, clYellow);
  EXPECT_EQ(call->State.FontName, "Arial");
  for (int i = 0; i < 100; ++i) ASSERT_EQ(call->Dx[size_t(i)], 8);
  // Style changes while drawing select the variant and keep the colour.
  d.SetStyle({fsBold});
  EXPECT_TRUE(c.Font.Style().Contains(fsBold));
  EXPECT_EQ(c.TextColor(), clRed);
  d.SetCharExtra(2);
  EXPECT_EQ(d.GetCharWidth(), 10);
  EXPECT_EQ(d.AdvanceCapacity(), 0);  // the advances are made again
  d.EndDrawing();
  EXPECT_EQ(c.Font.Name(), "Arial");
  d.EndDrawing();  // the last one puts the canvas back
  EXPECT_EQ(c.Font.Name(), "Before");
  EXPECT_FALSE(d.Drawing());
}

TEST(TextDrawer, EditorCellFollowsTheWindowsFonts) {
  TFakeFontService screen(10, 20);
  test::TTestHost host(screen);
  TCodeEdit edit;
  edit.SetHost(&host);
  EXPECT_EQ(edit.CharWidth(), 10);
  EXPECT_EQ(edit.LineHeight(), 20);
  EXPECT_EQ(&edit.TextDrawer().Fonts(), &screen);
  edit.SetHost(nullptr);
}

}  // namespace
}  // namespace qv
