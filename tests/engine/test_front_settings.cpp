// The settings object of the main window and the population set-up that
// reads it.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <stdexcept>

#include "engine/FitSettings.h"
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
    ASSERT_TRUE(InitPopulation(state, host)) << c.box.Text();
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
  ASSERT_TRUE(InitPopulation(state, host));
  EXPECT_EQ(state.Pop.NeighbourSize, 10);
  EXPECT_EQ(host.Options.Text(TSettingName::NSizeBox), "10");
  EXPECT_NE(std::find(host.Calls.begin(), host.Calls.end(), "SettingChanged NSizeBox"),
            host.Calls.end());
  host.Options.SetText(TSettingName::NSizeBox, "1");
  ASSERT_TRUE(InitPopulation(state, host));
  EXPECT_EQ(state.Pop.NeighbourSize, 2);
  EXPECT_EQ(host.Options.Text(TSettingName::NSizeBox), "2");

  host.Options.SetItemIndex(TSettingName::RadioGroup2, 0);
  host.Options.SetItemIndex(TSettingName::SearchOption, 1);
  ASSERT_TRUE(InitPopulation(state, host));
  EXPECT_EQ(state.Pop.NeighbourSize, 2);
}

TEST_F(FrontPopulation, ResumingKeepsThePopulation) {
  ASSERT_TRUE(InitPopulation(state, host));
  const Double2Array kept = state.Pop.Population;
  state.Run.Resuming = true;
  host.Options.SetText(TSettingName::DESizeBox, "40");
  ASSERT_TRUE(InitPopulation(state, host));
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
