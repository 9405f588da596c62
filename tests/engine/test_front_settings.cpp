// The settings object of the main window and the population set-up that
// reads it.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <stdexcept>

#include "engine/FitSettings.h"
#include "test_front_support.h"

namespace qv {
namespace {

using fronttest::Lines;

TEST(FrontSettings, WindowDefaults) {
  TFitSettings s;
  struct TextCase {
    const char* name;
    const char* text;
  };
  for (const TextCase& c :
       {TextCase{"SizeBox1", "20"}, {"PopulationBox2", "20"}, {"SizeBox", "20"},
        {"DESizeBox", "20"},        {"NSizeBox", "20"},       {"PCBox2", "0.85"},
        {"PMBox2", "0.01"},         {"TSEdit2", "0.2"},       {"ComboBox2", "4"},
        {"BinBox", "10"},           {"C1Box", "2.05"},        {"C2Box", "2.05"},
        {"InterBox", "0.1"},        {"ComboBox6", "2"},       {"PCBox3", "0.7"},
        {"PMBox3", "0.85"},         {"CBB2", "100"},          {"FileEdit", ""},
        {"FileEdit1", ""},          {"SREdit", "100"},        {"SREdit1", "100"},
        {"ComboBox1", "100000"},    {"SSEEdit", "0.001"},     {"REdit", "0.99"}})
    EXPECT_EQ(s.Text(c.name), c.text) << c.name;
  struct IndexCase {
    const char* name;
    int index;
  };
  for (const IndexCase& c : {IndexCase{"RadioGroup2", 3},
                             {"ZUDSchemeBox", 2},
                             {"SearchOption", 0},
                             {"BinCheckBox", 0},
                             {"CTGroup2", 0},
                             {"CTGroup3", 0},
                             {"BinBox", 8},
                             {"STGroup2", 6},
                             {"ComboBox3", 0},
                             {"SchemeBox", 0},
                             {"DEGroup", 0},
                             {"DEOptionGroup", 0}})
    EXPECT_EQ(s.ItemIndex(c.name), c.index) << c.name;
  EXPECT_EQ(s.Text("RadioGroup2"), "Differential Evolution (DE)");
  EXPECT_TRUE(s.Checked("RB4"));
  EXPECT_TRUE(s.Checked("MGACheckBox"));
  for (const char* name : {"RB1", "RB2", "RB3", "TSBox2", "VmaCheckBox"})
    EXPECT_FALSE(s.Checked(name)) << name;
}

TEST(FrontSettings, RadioButtonsExcludeEachOtherAndNamesAreChecked) {
  TFitSettings s;
  s.SetChecked("RB2", true);
  EXPECT_TRUE(s.Checked("RB2"));
  EXPECT_FALSE(s.Checked("RB4"));
  s.SetChecked("RB1", true);
  EXPECT_FALSE(s.Checked("RB2"));
  s.SetChecked("VmaCheckBox", true);
  EXPECT_TRUE(s.Checked("RB1"));  // check boxes belong to no group
  s.SetItemIndex("BinBox", 0);
  EXPECT_EQ(s.Text("BinBox"), "2");
  s.SetText("ComboBox1", "777");
  EXPECT_EQ(s.ItemIndex("ComboBox1"), -1);
  EXPECT_THROW(s.Text("SizeBox9"), std::out_of_range);
  EXPECT_THROW(s.SetChecked("RB5", true), std::out_of_range);
  s.Reset();
  EXPECT_TRUE(s.Checked("RB4"));
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
    const char* box;
    const char* size;
    int pop;
    int neighbours;
  };
  const Case cases[] = {{0, "SizeBox1", "30", 30, 30},
                        {1, "PopulationBox2", "12", 12, -1},
                        {2, "SizeBox", "10", 10, 10},
                        {3, "DESizeBox", "5", 5, -1}};
  for (const auto& c : cases) {
    host.Options.Reset();
    host.Options.SetItemIndex("RadioGroup2", c.algorithm);
    host.Options.SetText(c.box, c.size);
    ASSERT_TRUE(InitPopulation(state, host)) << c.box;
    EXPECT_EQ(static_cast<int>(state.Run.Algorithm), c.algorithm);
    EXPECT_EQ(state.Pop.PopSize, c.pop);
    if (c.neighbours >= 0) {
      EXPECT_EQ(state.Pop.NeighbourSize, c.neighbours) << c.box;
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
  host.Options.SetItemIndex("RadioGroup2", 2);
  host.Options.SetText("SizeBox", "10");
  ASSERT_TRUE(InitPopulation(state, host));
  EXPECT_EQ(state.Pop.NeighbourSize, 10);
  EXPECT_EQ(host.Options.Text("NSizeBox"), "10");
  EXPECT_NE(std::find(host.Calls.begin(), host.Calls.end(), "SettingChanged NSizeBox"),
            host.Calls.end());
  host.Options.SetText("NSizeBox", "1");
  ASSERT_TRUE(InitPopulation(state, host));
  EXPECT_EQ(state.Pop.NeighbourSize, 2);
  EXPECT_EQ(host.Options.Text("NSizeBox"), "2");

  host.Options.SetItemIndex("RadioGroup2", 0);
  host.Options.SetItemIndex("SearchOption", 1);
  ASSERT_TRUE(InitPopulation(state, host));
  EXPECT_EQ(state.Pop.NeighbourSize, 2);
}

TEST_F(FrontPopulation, ResumingKeepsThePopulation) {
  ASSERT_TRUE(InitPopulation(state, host));
  const Double2Array kept = state.Pop.Population;
  state.Run.Resuming = true;
  host.Options.SetText("DESizeBox", "40");
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
