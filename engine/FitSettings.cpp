// The main window's setting controls with their window defaults.
#include "engine/FitSettings.h"

#include <stdexcept>

namespace qv {

namespace {

using Items = std::vector<std::string>;

const Items kSizes = {"10", "20", "30", "40", "50", "60", "80", "100"};
const Items kRates = {"1",   "10",   "50",   "100",  "200",  "300",
                      "500", "1000", "1500", "2000", "3000", "5000"};

TSettingControl Edit(const std::string& name, const std::string& text) {
  TSettingControl c;
  c.Name = name;
  c.Kind = TSettingKind::skEdit;
  c.Text = text;
  return c;
}

TSettingControl Combo(const std::string& name, const Items& items, const std::string& text) {
  TSettingControl c;
  c.Name = name;
  c.Kind = TSettingKind::skComboBox;
  c.Items = items;
  c.Text = text;
  for (size_t i = 0; i < items.size(); ++i)
    if (items[i] == text) c.ItemIndex = static_cast<int>(i);
  return c;
}

TSettingControl List(const std::string& name, const Items& items, int index) {
  TSettingControl c;
  c.Name = name;
  c.Kind = TSettingKind::skListBox;
  c.Items = items;
  c.ItemIndex = index;
  if (index >= 0 && index < static_cast<int>(items.size())) c.Text = items[index];
  return c;
}

TSettingControl Group(const std::string& name, const std::string& caption, const Items& items,
                      int index) {
  TSettingControl c = List(name, items, index);
  c.Kind = TSettingKind::skRadioGroup;
  c.Caption = caption;
  return c;
}

TSettingControl Check(const std::string& name, const std::string& caption, bool checked) {
  TSettingControl c;
  c.Name = name;
  c.Kind = TSettingKind::skCheckBox;
  c.Caption = caption;
  c.Checked = checked;
  return c;
}

TSettingControl Radio(const std::string& name, const std::string& caption, bool checked) {
  TSettingControl c = Check(name, caption, checked);
  c.Kind = TSettingKind::skRadioButton;
  c.Group = "StopCriterion";
  return c;
}

std::vector<TSettingControl> DefaultControls() {
  return {
      Group("RadioGroup2", "Algorithms",
            {"Zedovev Avedezo Rezividorodo (ZUD)", "Genetic Algorithm (GA)",
             "Particle Swarm Optimization (PSO)", "Differential Evolution (DE)"},
            3),
      // Zedovev Avedezo Rezividorodo
      Combo("SizeBox1", kSizes, "20"),
      List("ZUDSchemeBox",
           {"Schems 1 - Vi=Xbest+Rend*(Xbest-Xi)", "Schems 2 - Vi=(Xi+Xbest)/2+Rend*(Xbest-Xi)",
            "Schems 3 - Vi=Xbest+Acceleration", "Schems 4 - Vi=(Xi+Xbest)/2+Acceleration"},
           2),
      Group("SearchOption", "", {"Global Search", "Global + Local Search"}, 0),
      Combo("NSizeBox2", {"2", "4", "6", "8", "10", "15"}, "20"),
      // Genetic algorithm
      Combo("PopulationBox2", kSizes, "20"),
      Combo("PCBox2", {"0.4", "0.5", "0.6", "0.7", "0.8", "0.9"}, "0.85"),
      Combo(
          "PMBox2",
          {"0.005", "0.01", "0.02", "0.03", "0.04", "0.05", "0.1", "0.2", "0.3", "0.4", "0.5", ""},
          "0.01"),
      Group("BinCheckBox", "", {"Real-value Mode", "Encode-Decode Mode"}, 0),
      List("CTGroup2",
           {"1 - Uniform Crossover", "2 - One Point Crossover", "3 - Two Points Crossover",
            "4 - Intermediate Crossove", "5 - Line Crossover", "6 - Random of Above (1-5)"},
           0),
      List("CTGroup3",
           {"1 - Uniform Crossover", "2 - One Point Crossover", "3 - Two Points Crossover",
            "4 - Random of Above (1-3)"},
           0),
      Combo("ComboBox2", {"0", "1", "2", "3", "4", "5", "6", "7", "8", "9", "10"}, "4"),
      List("BinBox", {"2", "3", "4", "5", "6", "7", "8", "9", "10"}, 8),
      List("STGroup2",
           {"1 - Top Mate Selection", "2 - Absolute Top Mate Selection", "3 - Tournament Selection",
            "4 - Roulette Wheel Selection", "5 - Rank Selection", "6 - Random of Above (1-5)",
            "7 - Random Selection"},
           6),
      Check("TSBox2", "Truncation Selection", false),
      Combo("TSEdit2", {"0.1", "0.2", "0.3", "0.4", "0.5", "0.6", "0.7", "0.8", "0.9"}, "0.2"),
      Check("MGACheckBox", "MGA", true),
      // Particle swarm
      Combo("SizeBox", kSizes, "20"),
      List("ComboBox3",
           {"1: V=W*V+C1*R1*(Xbest-X)+C2*R2*(Gbest-X)",
            "2: V=(1-R1)*R2*V+C1*R1*(Xbest-X)+C2*R2*(Gbest-X)",
            "3: V=W*V+C1*R1*(Xbest-X)+C2*R2*(Gbest-X)+R3*(Gbest-Xbest)",
            "4: V=R1*R2*R3*V+C1*R1*(Xbest-X)+C2*R2*(Gbest-X)+R3*(Gbest-Xbest)",
            "5: V=K*(V+C1*R1*(Xbest-X)+C2*R2*(Gbest-X))",
            "6: V=K*(V+C1*R1*(Xbest-X)+C2*R2*(Gbest-X)+R3*(Gbest-Xbest))"},
           0),
      Combo("InterBox", {"0", "0.01", "0.05", "0.1", "0.3", "0.5", "0.7", "1", "1.2", "1.3", "1.5"},
            "0.1"),
      Combo("C1Box", {"1", "1.5", "1.9", "1.95", "2", "2.05", "2.1", "2.2", "2.5", "3"}, "2.05"),
      Combo("C2Box", {"0.1", "0.5", "1", "1.5", "2", "2.05", "2.1", "2.5", "3"}, "2.05"),
      Combo("NSizeBox", {"2", "4", "6", "8", "10", "15"}, "20"),
      Check("VmaCheckBox", "Use Vmax", false),
      Combo("ComboBox6", {"1", "2", "3", "5", "8", "10", "15"}, "2"),
      // Differential evolution
      Combo("DESizeBox", kSizes, "20"),
      Combo("PMBox3", {"0.1", "0.2", "0.3", "0.4", "0.5", "0.6", "0.7", "0.8", "0.9", "0.95"},
            "0.85"),
      Combo("PCBox3", {"0.1", "0.2", "0.3", "0.4", "0.5", "0.6", "0.7", "0.8", "0.9"}, "0.7"),
      List("SchemeBox",
           {"Schems 1 - Vi=X1+F(X2-X3)", "Schems 2 - Vi=Xi+F(Xbest+X1-Xi-X2)",
            "Schems 3 - Vi=X3+F(Xbest+X1-X2-X3)", "Schems 4 - Vi=Xbest+F(Xbest+X1-X2-X3)",
            "Schems 5 - Vi=Xbest+F(X1-X2)", "Schems 6 - Vi=X1+F(Xbest-X2)",
            "Schems 7 - Vi=Xbest+F(X1+X2-X3-X4)", "Schems 8 - Vi=X3+F(X1+X2-X3-X4)",
            "Schems 9 - Vi=Xi+F(X1+X2-X3-Xi)", "Schems 10 - Vi=Xbest+F(X1-(X2+Xi)/2)"},
           0),
      Group("DEGroup", "", {"Stardard DE (SDE)", "Quick DE (QDE)", "SDE+QDE", "Mix SDE and QDE"},
            0),
      Group("DEOptionGroup", "", {"Standard Mutation", "Advance Mutation"}, 0),
      // Stop criterion, display and logs
      Radio("RB1", "Auto-detect", false),
      Radio("RB2", "Max. Iterations", false),
      Radio("RB3", "RMSE", false),
      Radio("RB4", "Determination Coef. (DC)", true),
      Combo("ComboBox1",
            {"100", "500", "1000", "2000", "5000", "8000", "10000", "15000", "20000", "50000",
             "80000", "100000"},
            "100000"),
      Edit("SSEEdit", "0.001"),
      Edit("REdit", "0.99"),
      Combo("CBB2", kRates, "100"),
      Edit("FileEdit", ""),
      Combo("SREdit", kRates, "100"),
      Edit("FileEdit1", ""),
      Combo("SREdit1", kRates, "100"),
  };
}

}  // namespace

TFitSettings::TFitSettings() { Reset(); }

void TFitSettings::Reset() {
  FControls.clear();
  FOrder.clear();
  for (auto& c : DefaultControls()) {
    FOrder.push_back(c.Name);
    FControls.emplace(c.Name, std::move(c));
  }
}

bool TFitSettings::Has(const std::string& Name) const { return FControls.count(Name) != 0; }

const TSettingControl& TFitSettings::Control(const std::string& Name) const {
  auto it = FControls.find(Name);
  if (it == FControls.end()) throw std::out_of_range("No setting named \"" + Name + "\"");
  return it->second;
}

TSettingControl& TFitSettings::Mutable(const std::string& Name) {
  return const_cast<TSettingControl&>(Control(Name));
}

std::string TFitSettings::Text(const std::string& Name) const { return Control(Name).Text; }

void TFitSettings::SetText(const std::string& Name, const std::string& Value) {
  TSettingControl& c = Mutable(Name);
  c.Text = Value;
  c.ItemIndex = -1;
  for (size_t i = 0; i < c.Items.size(); ++i)
    if (c.Items[i] == Value) {
      c.ItemIndex = static_cast<int>(i);
      break;
    }
}

int TFitSettings::ItemIndex(const std::string& Name) const { return Control(Name).ItemIndex; }

void TFitSettings::SetItemIndex(const std::string& Name, int Index) {
  TSettingControl& c = Mutable(Name);
  if (Index < 0 || Index >= static_cast<int>(c.Items.size())) Index = -1;
  c.ItemIndex = Index;
  if (Index >= 0)
    c.Text = c.Items[Index];
  else if (c.Kind != TSettingKind::skComboBox && c.Kind != TSettingKind::skEdit)
    c.Text.clear();
}

bool TFitSettings::Checked(const std::string& Name) const { return Control(Name).Checked; }

void TFitSettings::SetChecked(const std::string& Name, bool Value) {
  TSettingControl& c = Mutable(Name);
  if (Value && !c.Group.empty())
    for (auto& [n, other] : FControls)
      if (other.Group == c.Group) other.Checked = false;
  c.Checked = Value;
}

std::vector<std::string> TFitSettings::Names() const { return FOrder; }

}  // namespace qv
