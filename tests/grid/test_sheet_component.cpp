// The sheet and the styler as items of the component stream: published
// settings, the "XLData" and "Styles" binary properties, references, and
// byte-identical round trips.
#include <gtest/gtest.h>

#include "GridTestSupport.h"
#include "platform/core/ComponentStream.h"

namespace qv {
namespace {

std::string Saved(const TXLSheet& s) {
  TMemoryStream ms;
  s.SaveToStream(ms);
  return std::string(ms.View());
}

// The (path, value type) pairs of the root component of a stream.
std::vector<std::string> Paths(const std::string& bytes) {
  std::vector<std::string> out;
  TMemoryStream in(bytes);
  TReader r(in);
  r.ReadSignature();
  TComponentVisitor v;
  v.OnComponent = [&](const TComponentHeader& h, int) {
    out.push_back(h.ClassName + " " + h.Name);
    return true;
  };
  v.OnProperty = [&](const std::string& path, const TFilerValue&) { out.push_back(path); };
  r.ReadComponentEvents(v);
  return out;
}

class SheetComponentTest : public ::testing::Test {
 protected:
  void SetUp() override { FormatSettings() = TFormatSettings::Invariant(); }
};

TEST_F(SheetComponentTest, ANewSheetWritesOnlyItsNameAndData) {
  TXLSheet sheet;
  sheet.Name = "Sheet1";
  EXPECT_EQ(Paths(Saved(sheet)), (std::vector<std::string>{"TXLSheet Sheet1", "XLData"}));
}

TEST_F(SheetComponentTest, SettingsThenDataAndAByteIdenticalRoundTrip) {
  TXLSheet sheet;
  sheet.Name = "Sheet3";
  sheet.SetColCount(50);
  sheet.SetRowCount(200);
  sheet.SetColDefWidth(80);
  sheet.SetRowDefHeight(17);
  sheet.SetSize(-1, 0, 30);
  sheet.Title = "Measured";
  sheet.PrintGridLines = true;
  sheet.BaseClientStyle().EditFont().SetSize(10);
  sheet.BaseTitleStyle().EditFont().SetSize(10);
  for (int r = 0; r < 200; ++r) sheet.SetCellInteger(-1, r, r + 1);
  sheet.SetCellText(0, 0, "x");
  sheet.Section(skClient).SetCellClass(TPoint(1, 0), &TXLCDouble::ClassInfo)->SetAsFloat(0.25);
  sheet.GetCell(-1, -1)->SetFormual("0;0;1;1");
  TXLSectionRange(&sheet.Section(skClient), TRect(0, 0, 2, 2)).SetColor(clAqua);
  TImage img(4, 4, clBlue);
  TXLPicture pic;
  pic.SetImage(img);
  sheet.SetBackground(pic);

  const std::string bytes = Saved(sheet);
  EXPECT_EQ(Paths(bytes), (std::vector<std::string>{
                              "TXLSheet Sheet3", "Background.Data", "ColCount", "RowCount",
                              "ColDefWidth", "RowDefHeight", "PrintGridLines", "Title", "XLData"}));
  TXLSheet back;
  back.SetCellText(3, 3, "left over");  // loading replaces everything
  TMemoryStream in(bytes);
  back.LoadFromStream(in);
  EXPECT_EQ(back.Name, "Sheet3");
  EXPECT_EQ(back.ColCount(), 50);
  EXPECT_EQ(back.RowCount(), 200);
  EXPECT_EQ(back.GetSize(-1, 0), 30);
  EXPECT_EQ(back.GetSize(5, 1), 17);
  EXPECT_EQ(back.Title, "Measured");
  EXPECT_TRUE(back.PrintGridLines);
  EXPECT_EQ(back.GetCellText(-1, 199), "200");
  EXPECT_EQ(back.GetCellText(3, 3), "");
  EXPECT_EQ(back.GetCell(-1, -1)->Formual(), "0;0;1;1");
  EXPECT_EQ(back.BaseClientStyle().Font().Size(), 10);
  ASSERT_NE(back.Background().Image(), nullptr);
  EXPECT_EQ(back.Background().Image()->Pixel(3, 3), clBlue);
  EXPECT_FALSE(back.Modified());
  EXPECT_TRUE(back.LastReport().Empty());
  EXPECT_EQ(Saved(back), bytes);
}

TEST_F(SheetComponentTest, EveryValueClassAndLookSurvivesAComponentRoundTrip) {
  TXLSheet sheet;
  FillEveryLook(sheet);
  const std::string bytes = Saved(sheet);
  TXLSheet back;
  TMemoryStream in(bytes);
  back.LoadFromStream(in);
  EXPECT_TRUE(back.LastReport().Empty());
  EXPECT_EQ(back.ColCount(), 8);
  EXPECT_EQ(back.TitleCols(), 2);
  EXPECT_EQ(back.FindCell(1, 1)->Hint(), "a hint");
  EXPECT_EQ(Saved(back), bytes);
}

TEST_F(SheetComponentTest, TheStylerIsAReferenceAndItsStylesABinaryProperty) {
  TXLStyler styler;
  styler.Name = "Styles1";
  TXLStyle* st = styler.Add();
  st->SetAlias("Head");
  st->SetColor(clYellow);
  TXLSheet sheet;
  sheet.Name = "Sheet1";
  sheet.SetStyler(&styler);
  sheet.GetCell(0, 0)->SetStyle(st);

  TMemoryStream stylerBytes;
  TXLSheet::ClassInfo();  // describes the styler too
  TWriter(stylerBytes).WriteRootComponent(MakeObjectRef(&styler));
  EXPECT_EQ(Paths(std::string(stylerBytes.View())),
            (std::vector<std::string>{"TXLStyler Styles1", "Styles"}));
  const std::string sheetBytes = Saved(sheet);
  EXPECT_EQ(Paths(sheetBytes), (std::vector<std::string>{"TXLSheet Sheet1", "Styler", "XLData"}));

  TXLStyler styler2;
  stylerBytes.SetPosition(0);
  TReader(stylerBytes).ReadRootComponent(MakeObjectRef(&styler2));
  EXPECT_EQ(styler2.Name, "Styles1");
  ASSERT_EQ(styler2.Count(), 1);
  EXPECT_EQ(styler2.Styles(0)->Alias(), "Head");
  TXLSheet back;
  TReadOptions options;
  options.FindComponent = [&](const std::string& name) {
    return name == "Styles1" ? MakeObjectRef(&styler2) : TObjectRef();
  };
  TMemoryStream in(sheetBytes);
  back.LoadFromStream(in, options);
  EXPECT_EQ(back.Styler(), &styler2);
  EXPECT_EQ(back.FindCell(0, 0)->Style(), styler2.Styles(0));
  EXPECT_EQ(back.FindCell(0, 0)->Color(), clYellow);
}

TEST_F(SheetComponentTest, UnknownPropertiesAreSkippedAndReported) {
  TMemoryStream ms;
  TWriter w(ms);
  w.WriteSignature();
  w.WriteStr("TXLSheet");
  w.WriteStr("Sheet9");
  w.WriteProperty("ColCount", TFilerValue::Integer(7));
  w.WriteProperty("FutureSetting", TFilerValue::Boolean(true));
  w.WriteProperty("RowCount", TFilerValue::String("many"));
  w.WriteStr("");
  w.WriteStr("");
  ms.SetPosition(0);
  TXLSheet sheet;
  int warnings = 0;
  sheet.OnStreamWarning = [&](TXLSheet&, const TXLStreamReport&) { ++warnings; };
  sheet.LoadFromStream(ms);
  EXPECT_EQ(sheet.ColCount(), 7);
  EXPECT_EQ(sheet.RowCount(), 5);
  EXPECT_EQ(sheet.LastReport().SkippedRecords, 2);
  EXPECT_EQ(warnings, 1);
}

TEST_F(SheetComponentTest, ADamagedDataPropertyFailsTheLoad) {
  TXLSheet sheet;
  sheet.SetCellText(0, 0, "a");
  std::string bytes = Saved(sheet);
  const std::size_t at = bytes.find("XLG\x16");
  ASSERT_NE(at, std::string::npos);
  bytes[at + 2] = 'X';
  TXLSheet back;
  TMemoryStream in(bytes);
  EXPECT_THROW(back.LoadFromStream(in), EXLGridError);
  EXPECT_EQ(back.UpdateCount(), 0);
}

}  // namespace
}  // namespace qv
