// The settings object of the main window and the population set-up that
// reads it.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <stdexcept>

#include "engine/FitSettings.h"
#include "engine/SearchSettings.h"
#include "engine/WorkLines.h"
#include "test_front_support.h"

namespace qv {
namespace {

using fronttest::Lines;

TEST(FrontSettings, WindowDefaults) {
  TFitSettings s;
  struct TextCase {
    TSettingName name;
    const char* text;
  };
  for (const TextCase& c : {TextCase{TSettingName::SizeBox1, "20"},
                            {TSettingName::PopulationBox2, "20"},
                            {TSettingName::SizeBox, "20"},
                            {TSettingName::DESizeBox, "20"},
                            {TSettingName::NSizeBox, "20"},
                            {TSettingName::PCBox2, "0.85"},
                            {TSettingName::PMBox2, "0.01"},
                            {TSettingName::TSEdit2, "0.2"},
                            {TSettingName::ComboBox2, "4"},
                            {TSettingName::BinBox, "10"},
                            {TSettingName::C1Box, "2.05"},
                            {TSettingName::C2Box, "2.05"},
                            {TSettingName::InterBox, "0.1"},
                            {TSettingName::ComboBox6, "2"},
                            {TSettingName::PCBox3, "0.7"},
                            {TSettingName::PMBox3, "0.85"},
                            {TSettingName::CBB2, "100"},
                            {TSettingName::FileEdit, ""},
                            {TSettingName::FileEdit1, ""},
                            {TSettingName::SREdit, "100"},
                            {TSettingName::SREdit1, "100"},
                            {TSettingName::ComboBox1, "100000"},
                            {TSettingName::SSEEdit, "0.001"},
                            {TSettingName::REdit, "0.99"}})
    EXPECT_EQ(s.Text(c.name), c.text) << c.name.Text();
  struct IndexCase {
    TSettingName name;
    int index;
  };
  for (const IndexCase& c : {IndexCase{TSettingName::RadioGroup2, 3},
                             {TSettingName::ZUDSchemeBox, 2},
                             {TSettingName::SearchOption, 0},
                             {TSettingName::BinCheckBox, 0},
                             {TSettingName::CTGroup2, 0},
                             {TSettingName::CTGroup3, 0},
                             {TSettingName::BinBox, 8},
                             {TSettingName::STGroup2, 6},
                             {TSettingName::ComboBox3, 0},
                             {TSettingName::SchemeBox, 0},
                             {TSettingName::DEGroup, 0},
                             {TSettingName::DEOptionGroup, 0}})
    EXPECT_EQ(s.ItemIndex(c.name), c.index) << c.name.Text();
  EXPECT_EQ(s.Text(TSettingName::RadioGroup2), "Differential Evolution (DE)");
  EXPECT_TRUE(s.Checked(TSettingName::RB4));
  EXPECT_TRUE(s.Checked(TSettingName::MGACheckBox));
  for (TSettingName name : {TSettingName::RB1, TSettingName::RB2, TSettingName::RB3,
                            TSettingName::TSBox2, TSettingName::VmaCheckBox})
    EXPECT_FALSE(s.Checked(name)) << name.Text();
}

TEST(FrontSettings, RadioButtonsExcludeEachOtherAndNamesAreChecked) {
  TFitSettings s;
  s.SetChecked(TSettingName::RB2, true);
  EXPECT_TRUE(s.Checked(TSettingName::RB2));
  EXPECT_FALSE(s.Checked(TSettingName::RB4));
  s.SetChecked(TSettingName::RB1, true);
  EXPECT_FALSE(s.Checked(TSettingName::RB2));
  s.SetChecked(TSettingName::VmaCheckBox, true);
  EXPECT_TRUE(s.Checked(TSettingName::RB1));  // check boxes belong to no group
  s.SetItemIndex(TSettingName::BinBox, 0);
  EXPECT_EQ(s.Text(TSettingName::BinBox), "2");
  s.SetText(TSettingName::ComboBox1, "777");
  EXPECT_EQ(s.ItemIndex(TSettingName::ComboBox1), -1);
  // Names come from constants only; a name given as text is looked up.
  static_assert(!std::is_constructible_v<TSettingName, const char*>);
  static_assert(!std::is_convertible_v<std::string, TSettingName>);
  EXPECT_EQ(TFitSettings::Find("RB2"), TSettingName::RB2);
  EXPECT_THROW(TFitSettings::Find("SizeBox9"), std::out_of_range);
  EXPECT_FALSE(TSettingName::Find("RB5").has_value());
  EXPECT_EQ(s.Names().size(), kAllSettingNames.size());
  s.Reset();
  EXPECT_TRUE(s.Checked(TSettingName::RB4));
}

// A value given as text (the console driver's --set) is taken only when the
// control can hold it; a refusal names the box by its caption and changes
// nothing.
TEST(FrontSettings, ValuesGivenAsTextMustFitTheirControl) {
  const struct {
    TSettingName Name;
    const char* Value;
    const char* Refusal;  // nullptr: taken
  } cases[] = {
      {TSettingName::RadioGroup2, "1", nullptr},
      {TSettingName::RadioGroup2, " 0 ", nullptr},
      {TSettingName::RadioGroup2, "4",
       "Wrong value for \"Algorithms\": \"4\" is not an item number from 0 to 3!"},
      {TSettingName::RadioGroup2, "-1",
       "Wrong value for \"Algorithms\": \"-1\" is not an item number from 0 to 3!"},
      {TSettingName::STGroup2, "1.0",
       "Wrong value for \"Selection Type\": \"1.0\" is not an item number from 0 to 6!"},
      {TSettingName::BinBox, "$1",
       "Wrong value for \"Base of Encode\": \"$1\" is not an item number from 0 to 8!"},
      {TSettingName::RB2, "True", nullptr},
      {TSettingName::RB2, "true", nullptr},
      {TSettingName::RB2, "1", nullptr},
      {TSettingName::TSBox2, "FALSE", nullptr},
      {TSettingName::TSBox2, "0", nullptr},
      {TSettingName::RB2, "maybe",
       "Wrong value for \"Max. Iterations\": \"maybe\" is not True or False!"},
      {TSettingName::VmaCheckBox, "", "Wrong value for \"Use Vmax\": \"\" is not True or False!"},
      // Text boxes take any text; a run checks what they hold.
      {TSettingName::ComboBox2, "abc", nullptr},
      {TSettingName::FileEdit, " out file.csv", nullptr},
  };
  for (const auto& c : cases) {
    TFitSettings s;
    const TSettingControl before = s.Control(c.Name);
    const auto refusal = s.Assign(c.Name, c.Value);
    if (c.Refusal) {
      ASSERT_TRUE(refusal.has_value()) << c.Name.Text() << "=" << c.Value;
      EXPECT_EQ(*refusal, c.Refusal);
      EXPECT_EQ(s.Control(c.Name).ItemIndex, before.ItemIndex);
      EXPECT_EQ(s.Control(c.Name).Checked, before.Checked);
      EXPECT_EQ(s.Control(c.Name).Text, before.Text);
    } else {
      EXPECT_FALSE(refusal.has_value()) << c.Name.Text() << "=" << c.Value << ": " << *refusal;
    }
  }
  TFitSettings s;
  ASSERT_FALSE(s.Assign(TSettingName::RadioGroup2, "1"));
  EXPECT_EQ(s.ItemIndex(TSettingName::RadioGroup2), 1);
  ASSERT_FALSE(s.Assign(TSettingName::RB2, "True"));
  EXPECT_TRUE(s.Checked(TSettingName::RB2));
  EXPECT_FALSE(s.Checked(TSettingName::RB4));
  ASSERT_FALSE(s.Assign(TSettingName::ComboBox2, "abc"));
  EXPECT_EQ(s.Text(TSettingName::ComboBox2), "abc");
}

// The number forms of the settings boxes, the same under every locale: "."
// before the fraction, decimal digits only, finite.
TEST(FrontSettings, SettingNumbersHaveOneForm) {
  const struct {
    const char* Text;
    bool Real;
    double Value;
    bool Whole;
    int WholeValue;
  } cases[] = {
      {"0.85", true, 0.85, false, 0},
      {" 12 ", true, 12, true, 12},
      {"-3", true, -3, true, -3},
      {"+7", true, 7, true, 7},
      {"1e-3", true, 0.001, false, 0},
      {"1E+2", true, 100, false, 0},
      {".5", true, 0.5, false, 0},
      {"5.", true, 5, false, 0},
      {"2147483647", true, 2147483647, true, 2147483647},
      {"2147483648", true, 2147483648.0, false, 0},
      {"0,85", false, 0, false, 0},
      {"1.2.3", false, 0, false, 0},
      {"", false, 0, false, 0},
      {"-", false, 0, false, 0},
      {"abc", false, 0, false, 0},
      {"0x10", false, 0, false, 0},
      {"$10", false, 0, false, 0},
      {"inf", false, 0, false, 0},
      {"nan", false, 0, false, 0},
      {"1e999", false, 0, false, 0},
      {"1e", false, 0, false, 0},
      {"1 000", false, 0, false, 0},
  };
  for (const bool comma : {false, true}) {
    FormatSettings() = TFormatSettings::Invariant();
    if (comma) {
      FormatSettings().DecimalSeparator = ',';
      FormatSettings().ThousandSeparator = '.';
    }
    for (const auto& c : cases) {
      double v = -99;
      int w = -99;
      EXPECT_EQ(ReadSettingNumber(c.Text, v), c.Real) << c.Text;
      if (c.Real) {
        EXPECT_EQ(v, c.Value) << c.Text;
      } else {
        EXPECT_EQ(v, -99) << c.Text;  // untouched
      }
      EXPECT_EQ(ReadSettingWholeNumber(c.Text, w), c.Whole) << c.Text;
      if (c.Whole) {
        EXPECT_EQ(w, c.WholeValue) << c.Text;
      }
    }
  }
  FormatSettings() = TFormatSettings::Invariant();
}

// Messages quote at most the start of a long text, never half a character.
TEST(FrontSettings, MessagesQuoteTheStartOfALongText) {
  EXPECT_EQ(QuotedSettingText("abc"), "\"abc\"");
  EXPECT_EQ(QuotedSettingText(std::string(40, 'x')), "\"" + std::string(40, 'x') + "\"");
  EXPECT_EQ(QuotedSettingText(std::string(1000000, '7')), "\"" + std::string(40, '7') + "...\"");
  // "é" is two bytes; the 40th and 41st bytes are one character.
  const std::string accents = std::string(39, 'a') + "\xC3\xA9" + std::string(10, 'b');
  EXPECT_EQ(QuotedSettingText(accents), "\"" + std::string(39, 'a') + "...\"");
}

// Every setting has the caption its messages name it by, and every number
// box says which numbers it holds.
TEST(FrontSettings, EverySettingHasItsCaptionAndNumberKind) {
  const TFitSettings s;
  for (TSettingName n : s.Names()) EXPECT_FALSE(s.Control(n).Label.empty()) << n.Text();
  for (TSettingName n :
       {TSettingName::SizeBox1, TSettingName::PopulationBox2, TSettingName::SizeBox,
        TSettingName::DESizeBox, TSettingName::NSizeBox, TSettingName::ComboBox2,
        TSettingName::ComboBox1, TSettingName::CBB2, TSettingName::SREdit, TSettingName::SREdit1})
    EXPECT_EQ(s.Control(n).Value, TSettingValue::svWhole) << n.Text();
  for (TSettingName n :
       {TSettingName::PCBox2, TSettingName::PMBox2, TSettingName::TSEdit2, TSettingName::C1Box,
        TSettingName::C2Box, TSettingName::InterBox, TSettingName::ComboBox6, TSettingName::PMBox3,
        TSettingName::PCBox3, TSettingName::SSEEdit, TSettingName::REdit})
    EXPECT_EQ(s.Control(n).Value, TSettingValue::svReal) << n.Text();
  for (TSettingName n : {TSettingName::FileEdit, TSettingName::FileEdit1})
    EXPECT_EQ(s.Control(n).Value, TSettingValue::svText) << n.Text();
}

class FrontPopulation : public ::testing::Test {
 protected:
  void SetUp() override {
    fronttest::FixLocale();
    ASSERT_TRUE(ReadModel(
        state, host,
        Lines(
            "variables x, y;\nparameters a [0, 10], b [-1, 1], k [0, 5, 0];\nfunction y=a*x+b+k;\n"
            "data;\n1 2\n2 3\n3 4")));
  }
  // The population from the settings the run reads.
  bool Init() {
    TSearchSettings set;
    return ReadSearchSettings(state, host, set) && InitPopulation(state, host, set);
  }
  TEngineState state;
  TRecordingFitHost host;
};

TEST_F(FrontPopulation, SizesFromTheChosenAlgorithm) {
  struct Case {
    int algorithm;
    TSettingName box;
    const char* size;
    int pop;
    int neighbours;
  };
  const Case cases[] = {{0, TSettingName::SizeBox1, "30", 30, 30},
                        {1, TSettingName::PopulationBox2, "12", 12, -1},
                        {2, TSettingName::SizeBox, "10", 10, 10},
                        {3, TSettingName::DESizeBox, "5", 5, -1}};
  for (const auto& c : cases) {
    host.Options.Reset();
    host.Options.SetItemIndex(TSettingName::RadioGroup2, c.algorithm);
    host.Options.SetText(c.box, c.size);
    ASSERT_TRUE(Init()) << c.box.Text();
    EXPECT_EQ(static_cast<int>(state.Run.Algorithm), c.algorithm);
    EXPECT_EQ(state.Pop.PopSize, c.pop);
    if (c.neighbours >= 0) {
      EXPECT_EQ(state.Pop.NeighbourSize, c.neighbours) << c.box.Text();
    }
    ASSERT_EQ(state.Pop.Population.size(), static_cast<size_t>(c.pop));
    EXPECT_EQ(state.Pop.RandomDimCount, 3);
    for (const auto& member : state.Pop.Population) {
      ASSERT_EQ(member.size(), 3u);
      EXPECT_GE(member[0], 0);
      EXPECT_LE(member[0], 10);
      EXPECT_GE(member[1], -1);
      EXPECT_LE(member[1], 1);
      EXPECT_EQ(member[2], std::round(member[2]));  // integer parameter
    }
    EXPECT_EQ(state.Pop.PersonalBestPosition, state.Pop.Population);
    EXPECT_EQ(state.Pop.Velocity, Double2Array(c.pop, Double1Array(3, 0.0)));
  }
}

TEST_F(FrontPopulation, NeighbourhoodIsClampedAndWrittenBack) {
  host.Options.SetItemIndex(TSettingName::RadioGroup2, 2);
  host.Options.SetText(TSettingName::SizeBox, "10");
  ASSERT_TRUE(Init());
  EXPECT_EQ(state.Pop.NeighbourSize, 10);
  EXPECT_EQ(host.Options.Text(TSettingName::NSizeBox), "10");
  EXPECT_NE(std::find(host.Calls.begin(), host.Calls.end(), "SettingChanged NSizeBox"),
            host.Calls.end());
  host.Options.SetText(TSettingName::NSizeBox, "1");
  ASSERT_TRUE(Init());
  EXPECT_EQ(state.Pop.NeighbourSize, 2);
  EXPECT_EQ(host.Options.Text(TSettingName::NSizeBox), "2");

  host.Options.SetItemIndex(TSettingName::RadioGroup2, 0);
  host.Options.SetItemIndex(TSettingName::SearchOption, 1);
  ASSERT_TRUE(Init());
  EXPECT_EQ(state.Pop.NeighbourSize, 2);
}

TEST_F(FrontPopulation, ResumingKeepsThePopulation) {
  ASSERT_TRUE(Init());
  const Double2Array kept = state.Pop.Population;
  state.Run.Resuming = true;
  host.Options.SetText(TSettingName::DESizeBox, "40");
  ASSERT_TRUE(Init());
  EXPECT_EQ(state.Pop.Population, kept);
}

TEST(FrontEngineState, FreeEngineArraysKeepsTheModeOnly) {
  fronttest::FixLocale();
  TEngineState s;
  TRecordingFitHost host;
  ASSERT_TRUE(ReadModel(
      s, host, Lines("variables x, y;\nparameters a;\nfunction y=a*x;\ndata;\n1 2\n2 3\n3 4")));
  ASSERT_TRUE(CompileFitFunction(s, host));
  s.FreeEngineArrays();
  EXPECT_EQ(s.Model.ModelMode, TModelMode::Function);
  EXPECT_TRUE(s.Model.VariableNames.empty());
  EXPECT_TRUE(s.Model.DataColumns.empty());
  EXPECT_EQ(s.Model.Parser, nullptr);
  EXPECT_EQ(s.Model.WorkLines().Count(), 0);
}

}  // namespace
}  // namespace qv
