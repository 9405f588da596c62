// Look properties, the value classes' display texts and conversions, and
// the class registry.
#include <gtest/gtest.h>

#include "grid/XLMask.h"
#include "grid/XLRanges.h"
#include "platform/core/Services.h"

namespace qv {
namespace {

class CellsTest : public ::testing::Test {
 protected:
  void SetUp() override { FormatSettings() = TFormatSettings::Invariant(); }
  TXLCell* Make(TXLCellClassRef cls, int col = 0, int row = 0) {
    return sheet.Section(skClient).SetCellClass(TPoint(col, row), cls);
  }
  TXLSheet sheet;
};

TEST(Packing, BordersColoursAndLayout) {
  EXPECT_EQ(PackBorder({0, clRed}), 0u);
  EXPECT_EQ(PackBorder({2, clNone}), 0u);
  EXPECT_EQ(UnpackBorder(0), (TXLBorder{0, clNone}));
  EXPECT_EQ(PackBorder({1, clBlack}), 0x20000000u);
  EXPECT_EQ(UnpackBorder(PackBorder({3, clBtnFace})), (TXLBorder{3, clBtnFace}));
  EXPECT_EQ(PackColor(clWindow), 0x80000005u);
  EXPECT_EQ(UnpackColor(0), clNone);
  EXPECT_EQ(UnpackColor(PackColor(clBlack)), clBlack);
  EXPECT_NE(PackColor(clBlack), 0u);
  EXPECT_EQ(PackLayout({haLeft, vaBottom, 0, wmWrapWords}), 0x02100000u);
  EXPECT_EQ(PackLayout({haCenter, vaCenter, 0, wmClip}), 0x00220000u);
  EXPECT_EQ(UnpackLayout(0x02100007u), (TXLLayout{haLeft, vaBottom, 7, wmWrapWords}));
  // Values outside the enumerations (a damaged stream) read as the first.
  EXPECT_EQ(UnpackLayout(0x0FFF0000u), (TXLLayout{haLeft, vaTop, 0, wmClip}));
}

TEST_F(CellsTest, NewCellInheritsItsLookFromTheBaseStyle) {
  TXLCell* c = sheet.GetCell(2, 3);
  EXPECT_EQ(c->GetCellClass(), &TXLCString::ClassInfo);
  EXPECT_EQ(c->Props(), 0);
  EXPECT_EQ(c->HorzAlign(), haLeft);
  EXPECT_EQ(c->VertAlign(), vaBottom);
  EXPECT_EQ(c->WrapMode(), wmWrapWords);
  EXPECT_EQ(c->Color(), clWindow);
  EXPECT_EQ(c->Font().Name(), "Arial");
  sheet.BaseClientStyle().SetHorzAlign(haCenter);
  EXPECT_EQ(c->HorzAlign(), haCenter);
  sheet.BaseClientStyle().EditFont().SetHeight(-20);
  EXPECT_EQ(c->Font().Height(), -20);
}

TEST_F(CellsTest, SettingTheShownValueAddsNothingExceptOnAStyle) {
  TXLCell* c = sheet.GetCell(0, 0);
  c->SetHorzAlign(haLeft);
  EXPECT_FALSE(HasProp(c->Props(), prLayout));
  c->SetHorzAlign(haRight);
  EXPECT_TRUE(HasProp(c->Props(), prLayout));
  EXPECT_EQ(c->HorzAlign(), haRight);
  TXLStyler styler;
  TXLStyle* st = styler.Add();
  st->SetProps(0);
  st->SetHorzAlign(st->HorzAlign());
  EXPECT_TRUE(HasProp(st->Props(), prLayout));
}

TEST_F(CellsTest, EditorIndexOutsideTheListBecomesZero) {
  TXLCell* c = sheet.GetCell(0, 0);  // three editors
  c->SetEditor(5);
  EXPECT_EQ(c->Editor(), 0);
  c->SetEditor(2);
  EXPECT_EQ(c->Editor(), 2);
  c->SetEditor(-1);
  EXPECT_EQ(c->Editor(), 0);
}

TEST_F(CellsTest, HintsAndFormulasLiveInTheSection) {
  TXLCell* c = sheet.GetCell(0, 0);
  c->SetHint("");
  EXPECT_EQ(c->Props(), 0);
  c->SetHint("look here");
  EXPECT_TRUE(HasProp(c->Props(), prHint));
  EXPECT_EQ(c->Hint(), "look here");
  c->SetFormual("=1+2");
  EXPECT_EQ(c->Formual(), "=1+2");
  c->SetHint("");
  EXPECT_FALSE(HasProp(c->Props(), prHint));
  EXPECT_EQ(c->Hint(), "");
  sheet.Section(skClient).FreeCell(c);
  EXPECT_EQ(sheet.Section(skClient).FindFormual(c), nullptr);
}

TEST_F(CellsTest, SidesAndBordersOnARange) {
  TXLSectionRange r(&sheet.Section(skClient), TRect(1, 1, 3, 3));
  r.SetSides(SideBit(sLeft));
  EXPECT_EQ(r.Border(sLeft), (TXLBorder{1, clBlack}));
  EXPECT_EQ(r.Border(sRight), (TXLBorder{}));
  EXPECT_EQ(r.Sides(), SideBit(sLeft));
  // The line lies on column 1's left edge for both rows, nowhere else.
  EXPECT_EQ(sheet.Section(skClient).AttrAt(1, 2, sLeft), PackBorder({1, clBlack}));
  EXPECT_EQ(sheet.Section(skClient).AttrAt(2, 2, sLeft), 0u);
  // The cell to the left sees it as its right edge.
  EXPECT_EQ(sheet.Section(skClient).AttrAt(0, 1, sRight), PackBorder({1, clBlack}));
  r.SetSides(0);
  EXPECT_EQ(r.Sides(), 0);
}

// ---- display texts ---------------------------------------------------------

TEST_F(CellsTest, NumberDisplayTexts) {
  struct {
    double value;
    const char* format;
    const char* text;
  } cases[] = {
      {-1.5, "0.00;(0.00)", "(1.50)"},
      {0, "0.00;(0.00)", "0.00"},
      {2, "0.00;(0.00)", "2.00"},
      {-1.5, "0.00", "-1.50"},
      {-2, "0.0;", "-2.0"},
      {0.125, "0.00%", "12.50%"},
      {-3, "0", "-3"},
      {1234.5, "#,##0.00", "1,234.50"},
      {0.5, "0.##%|spin", "50%"},
      {3.25, "", "3.25"},
  };
  for (const auto& c : cases) {
    TXLCell* cell = Make(&TXLCDouble::ClassInfo);
    cell->SetAsFloat(c.value);
    cell->SetFormat(c.format);
    EXPECT_EQ(cell->GetText(), c.text) << c.value << " " << c.format;
  }
  TXLCell* i = Make(&TXLCInteger::ClassInfo);
  i->SetAsInteger(7);
  i->SetFormat("0|spin");
  EXPECT_EQ(i->GetText(), "7");
  TXLCell* cur = Make(&TXLCCurrency::ClassInfo);
  cur->SetAsFloat(12.5);
  EXPECT_EQ(cur->GetAsCurrency(), 125000);
  EXPECT_EQ(cur->GetAsString(), "12.5");
}

TEST_F(CellsTest, DateAndBooleanDisplayTexts) {
  const TDateTime dt = EncodeDate(2024, 2, 29) + EncodeTime(14, 5, 9, 0);
  struct {
    const char* format;
    const char* text;
  } dates[] = {
      {"DD.MM.YYYY", "29.02.2024"}, {"DD.MM.YY", "29.02.24"}, {"HH.MM.SS", "14.05.09"},
      {"h:nn AM/PM", "2:05 PM"},    {"h:nn:ss", "14:05:09"},  {"", "02/29/2024 14:05:09"},
  };
  for (const auto& d : dates) {
    TXLCell* cell = Make(&TXLCDateTime::ClassInfo);
    cell->SetAsDateTime(dt);
    cell->SetFormat(d.format);
    EXPECT_EQ(cell->GetText(), d.text) << d.format;
  }
  TXLCell* b = Make(&TXLCBoolean::ClassInfo, 1, 0);
  b->SetFormat("True;False");
  EXPECT_EQ(b->GetText(), "False");
  b->SetAsBoolean(true);
  EXPECT_EQ(b->GetText(), "True");
  b->SetFormat("Yes;No|x");
  EXPECT_EQ(b->GetText(), "Yes");
  EXPECT_EQ(b->GetAsString(), "True");
  // Double click and the space key toggle it.
  b->DblClick();
  EXPECT_FALSE(b->GetAsBoolean());
  char32_t key = U' ';
  b->KeyPress(key);
  EXPECT_TRUE(b->GetAsBoolean());
  EXPECT_EQ(key, 0u);
}

TEST_F(CellsTest, DateTimeFromTextTriesDateTimeDateTimeThenNumber) {
  TXLCell* c = Make(&TXLCDateTime::ClassInfo);
  c->SetAsString("10:30");
  EXPECT_DOUBLE_EQ(c->GetAsDateTime(), EncodeTime(10, 30, 0, 0));
  c->SetAsString("03/04/2020");
  EXPECT_DOUBLE_EQ(c->GetAsDateTime(), EncodeDate(2020, 3, 4));
  c->SetAsString("45000.25");
  EXPECT_DOUBLE_EQ(c->GetAsDateTime(), 45000.25);
  EXPECT_THROW(c->SetAsString("soon"), EVariantTypeCastError);
}

TEST_F(CellsTest, TextCellsConvertThroughTheVariantForm) {
  sheet.SetCellFloat(0, 0, 1.5);
  EXPECT_EQ(sheet.FindCell(0, 0)->GetCellClass(), &TXLCString::ClassInfo);
  EXPECT_EQ(sheet.GetCellText(0, 0), "1.5");
  EXPECT_DOUBLE_EQ(sheet.GetCellFloat(0, 0), 1.5);
  sheet.SetCellText(1, 0, "abc");
  EXPECT_THROW(sheet.GetCellFloat(1, 0), EVariantTypeCastError);
  try {
    sheet.GetCellFloat(1, 0);
  } catch (const EVariantTypeCastError& e) {
    EXPECT_STREQ(e.what(), "Could not convert variant of type (String) into type (Double)");
  }
  EXPECT_DOUBLE_EQ(sheet.GetCellFloat(4, 4), 0.0);  // no cell
  sheet.SetCellInteger(2, 0, 12);
  EXPECT_EQ(sheet.GetCellText(2, 0), "12");
}

// A text cell keeps short texts in place and longer ones apart; texts on
// either side of the limit, and one replaced by a text of the other kind,
// read back whole, and travel through the sheet stream unchanged.
TEST_F(CellsTest, TextCellsKeepTextsOfEveryLength) {
  const std::vector<std::string> texts = {
      "",
      "1",
      std::string(14, 'a'),
      std::string(15, 'b'),
      std::string(16, 'c'),
      "a text in caf\xC3\xA9 that is longer than fifteen bytes",
      std::string(70000, 'x'),
      std::string("nul\0inside", 10),
  };
  const int n = static_cast<int>(texts.size());
  sheet.SetRowCount(n);
  for (int i = 0; i < n; ++i) {
    SCOPED_TRACE(i);
    sheet.SetCellText(0, i, texts[i]);
    EXPECT_EQ(sheet.GetCellText(0, i), texts[i]);
    EXPECT_EQ(sheet.FindCell(0, i)->GetText(), texts[i]);
    // Replaced by the next text: short over long and long over short.
    const std::string& next = texts[(i + 1) % n];
    sheet.SetCellText(1, i, texts[i]);
    sheet.SetCellText(1, i, next);
    EXPECT_EQ(sheet.GetCellText(1, i), next);
  }
  TMemoryStream ms;
  sheet.WriteData(ms);
  TXLSheet back;
  back.SetRowCount(n);
  TMemoryStream in(std::string(ms.View()));
  back.ReadData(in);
  for (int i = 0; i < n; ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(back.GetCellText(0, i), texts[i]);
    EXPECT_EQ(back.GetCellText(1, i), texts[(i + 1) % n]);
  }
}

TEST_F(CellsTest, StringListCells) {
  auto* c = static_cast<TXLCStrings*>(Make(&TXLCStrings::ClassInfo));
  c->SetAsString("red\r\ngreen\r\nblue");
  EXPECT_EQ(c->GetAsString(), "red\r\ngreen\r\nblue");
  c->SetAsInteger(2);
  EXPECT_EQ(c->GetText(), "blue");
  c->SetAsInteger(3);
  EXPECT_EQ(c->GetText(), "");
  EXPECT_EQ(c->GetAsStrings()->Count(), 3);
}

TEST_F(CellsTest, TextCellsWithAnEditMask) {
  TXLCell* c = Make(&TXLCString::ClassInfo);
  c->SetAsString("4155551234");
  c->SetFormat("(000) 000-0000;0;_");
  EXPECT_EQ(c->GetText(), "(415) 555-1234");
  c->SetFormat(">LL");
  EXPECT_EQ(c->GetText(), "41");
  EXPECT_EQ(FormatMaskText(">ll-00;0;*", "ab"), "AB-**");
  EXPECT_EQ(FormatMaskText("00/00;1;_", "12/34"), "12/34");
}

TEST(UrlCells, OnlyWebAndMailLinksOpen) {
  struct {
    const char* text;
    bool opens;
  } cases[] = {
      {"https://example.org/a?b=1", true},
      {"HTTP://EXAMPLE.ORG", true},
      {"mailto:someone@example.org", true},
      {"file:///etc/passwd", false},
      {"javascript:alert(1)", false},
      {"-e ls", false},
      {"https://a b", false},
      {"https://", false},
      {"http://x\n-rm", false},
      {"", false},
  };
  for (const auto& c : cases) EXPECT_EQ(TXLCUrl::IsOpenableUrl(c.text), c.opens) << c.text;
}

TEST(CellClasses, IdsAndRegistry) {
  struct {
    TXLCellClassRef cls;
    int id;
    std::vector<TXLEditorKind> editors;
    int formats;
  } table[] = {
      {&TXLCString::ClassInfo, 946, {ekPickEdit, ekMemo, ekMaskEdit}, 1},
      {&TXLCStrings::ClassInfo, 1061, {ekMemo, ekPickEdit, ekComboBox}, 0},
      {&TXLCInteger::ClassInfo, 1033, {ekNumEdit}, 2},
      {&TXLCDouble::ClassInfo, 918, {ekNumEdit}, 12},
      {&TXLCCurrency::ClassInfo, 1158, {ekNumEdit}, 4},
      {&TXLCDateTime::ClassInfo, 1096, {ekPickEdit, ekDateEdit, ekTimeEdit}, 10},
      {&TXLCBoolean::ClassInfo, 1019, {}, 1},
      {&TXLCPicture::ClassInfo, 1047, {}, 0},
      {&TXLCUrl::ClassInfo, 622, {}, 0},
  };
  TXLManager& m = TXLManager::Instance();
  ASSERT_EQ(m.Classes().size(), 9u);
  for (std::size_t i = 0; i < std::size(table); ++i) {
    const auto& t = table[i];
    EXPECT_EQ(m.Classes()[i], t.cls);
    EXPECT_EQ(ClassID(t.cls), t.id) << t.cls->Name;
    EXPECT_EQ(m.FindClass(t.id), t.cls);
    ASSERT_EQ(m.EditorCount(t.cls), static_cast<int>(t.editors.size()));
    for (std::size_t e = 0; e < t.editors.size(); ++e)
      EXPECT_EQ(m.GetEditorClass(t.cls, static_cast<int>(e)), t.editors[e]);
    EXPECT_EQ(m.GetEditorClass(t.cls, static_cast<int>(t.editors.size())), ekNone);
    EXPECT_EQ(m.Formats(t.cls)->Count(), t.formats) << t.cls->Name;
  }
  EXPECT_EQ(m.FindClass(ClassID(&TXLCNumber::ClassInfo)), nullptr);
  EXPECT_EQ(m.FindClass(12345), nullptr);
  EXPECT_EQ(m.Formats(&TXLCDouble::ClassInfo)->Get(2), "0.00");
  EXPECT_EQ(m.Formats(&TXLCDateTime::ClassInfo)->Get(9), "DD.MM.YYYY h:nn");
  EXPECT_EQ(m.Formats(&TXLCNumber::ClassInfo), nullptr);
  EXPECT_EQ(m.EditorCount(&TXLCNumber::ClassInfo), 0);
}

// ---- placement -------------------------------------------------------------

TEST(Placement, ContentPlacementRule) {
  const TRect r(10, 10, 110, 60);  // 100 x 50
  const TXLLayout bottomRight{haRight, vaBottom, 0, wmClip};
  EXPECT_EQ(PlaceContent(r, 20, 10, wmClip, bottomRight), TRect(90, 50, 110, 60));
  EXPECT_EQ(PlaceContent(r, 20, 10, wmClip, {haCenter, vaCenter, 0, wmClip}),
            TRect(50, 30, 70, 40));
  EXPECT_EQ(PlaceContent(r, 20, 10, wmWrapWords, bottomRight), r);
  // Proportional: kx = 5, ky = 5 -> width-bound, centred vertically.
  EXPECT_EQ(PlaceContent(r, 20, 10, wmEllipsis, bottomRight), TRect(10, 10, 110, 60));
  EXPECT_EQ(PlaceContent(r, 10, 10, wmEllipsis, bottomRight), TRect(35, 10, 85, 60));
  EXPECT_EQ(PlaceContent(r, 40, 10, wmEllipsis, bottomRight), TRect(10, 22, 110, 47));
}

}  // namespace
}  // namespace qv
