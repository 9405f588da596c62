// The main window's setting controls with their window defaults.
#include "engine/FitSettings.h"

#include <cmath>
#include <stdexcept>

#include "engine/ModelTools.h"
#include "engine/ParseExpr.h"
#include "platform/core/SysUtils.h"

namespace qv {

namespace {

using Items = std::vector<std::string>;

const Items kSizes = {"10", "20", "30", "40", "50", "60", "80", "100"};
const Items kRates = {"1",   "10",   "50",   "100",  "200",  "300",
                      "500", "1000", "1500", "2000", "3000", "5000"};

TSettingControl Edit(TSettingName name, const std::string& label, TSettingValue value,
                     const std::string& text) {
  TSettingControl c{name};
  c.Kind = TSettingKind::skEdit;
  c.Value = value;
  c.Label = label;
  c.Text = text;
  return c;
}

TSettingControl Combo(TSettingName name, const std::string& label, TSettingValue value,
                      const Items& items, const std::string& text) {
  TSettingControl c{name};
  c.Kind = TSettingKind::skComboBox;
  c.Value = value;
  c.Label = label;
  c.Items = items;
  c.Text = text;
  for (size_t i = 0; i < items.size(); ++i)
    if (items[i] == text) c.ItemIndex = static_cast<int>(i);
  return c;
}

TSettingControl List(TSettingName name, const std::string& label, const Items& items, int index) {
  TSettingControl c{name};
  c.Kind = TSettingKind::skListBox;
  c.Label = label;
  c.Items = items;
  c.ItemIndex = index;
  if (index >= 0 && index < static_cast<int>(items.size())) c.Text = items[index];
  return c;
}

TSettingControl Group(TSettingName name, const std::string& label, const std::string& caption,
                      const Items& items, int index) {
  TSettingControl c = List(name, label, items, index);
  c.Kind = TSettingKind::skRadioGroup;
  c.Caption = caption;
  return c;
}

TSettingControl Check(TSettingName name, const std::string& caption, bool checked) {
  TSettingControl c{name};
  c.Kind = TSettingKind::skCheckBox;
  c.Label = caption;
  c.Caption = caption;
  c.Checked = checked;
  return c;
}

TSettingControl Radio(TSettingName name, const std::string& caption, bool checked) {
  TSettingControl c = Check(name, caption, checked);
  c.Kind = TSettingKind::skRadioButton;
  c.Group = "StopCriterion";
  return c;
}

constexpr TSettingValue kWhole = TSettingValue::svWhole;
constexpr TSettingValue kReal = TSettingValue::svReal;
constexpr TSettingValue kText = TSettingValue::svText;

std::vector<TSettingControl> DefaultControls() {
  return {
      Group(TSettingName::RadioGroup2, "Algorithms", "Algorithms",
            {"Zedovev Avedezo Rezividorodo (ZUD)", "Genetic Algorithm (GA)",
             "Particle Swarm Optimization (PSO)", "Differential Evolution (DE)"},
            3),
      // Zedovev Avedezo Rezividorodo
      Combo(TSettingName::SizeBox1, "Population Size", kWhole, kSizes, "20"),
      List(TSettingName::ZUDSchemeBox, "Scheme",
           {"Schems 1 - Vi=Xbest+Rend*(Xbest-Xi)", "Schems 2 - Vi=(Xi+Xbest)/2+Rend*(Xbest-Xi)",
            "Schems 3 - Vi=Xbest+Acceleration", "Schems 4 - Vi=(Xi+Xbest)/2+Acceleration"},
           2),
      Group(TSettingName::SearchOption, "Search Option", "",
            {"Global Search", "Global + Local Search"}, 0),
      Combo(TSettingName::NSizeBox2, "Sub-population Size", kWhole,
            {"2", "4", "6", "8", "10", "15"}, "20"),
      // Genetic algorithm
      Combo(TSettingName::PopulationBox2, "Population Size", kWhole, kSizes, "20"),
      Combo(TSettingName::PCBox2, "Crossover Rate", kReal,
            {"0.4", "0.5", "0.6", "0.7", "0.8", "0.9"}, "0.85"),
      Combo(
          TSettingName::PMBox2, "Mutation Rate", kReal,
          {"0.005", "0.01", "0.02", "0.03", "0.04", "0.05", "0.1", "0.2", "0.3", "0.4", "0.5", ""},
          "0.01"),
      Group(TSettingName::BinCheckBox, "GA Mode", "", {"Real-value Mode", "Encode-Decode Mode"}, 0),
      List(TSettingName::CTGroup2, "Crossover Type",
           {"1 - Uniform Crossover", "2 - One Point Crossover", "3 - Two Points Crossover",
            "4 - Intermediate Crossove", "5 - Line Crossover", "6 - Random of Above (1-5)"},
           0),
      List(TSettingName::CTGroup3, "Crossover Type",
           {"1 - Uniform Crossover", "2 - One Point Crossover", "3 - Two Points Crossover",
            "4 - Random of Above (1-3)"},
           0),
      Combo(TSettingName::ComboBox2, "Decimal No", kWhole,
            {"0", "1", "2", "3", "4", "5", "6", "7", "8", "9", "10"}, "4"),
      List(TSettingName::BinBox, "Base of Encode", {"2", "3", "4", "5", "6", "7", "8", "9", "10"},
           8),
      List(TSettingName::STGroup2, "Selection Type",
           {"1 - Top Mate Selection", "2 - Absolute Top Mate Selection", "3 - Tournament Selection",
            "4 - Roulette Wheel Selection", "5 - Rank Selection", "6 - Random of Above (1-5)",
            "7 - Random Selection"},
           6),
      Check(TSettingName::TSBox2, "Truncation Selection", false),
      Combo(TSettingName::TSEdit2, "Truncation Threshold", kReal,
            {"0.1", "0.2", "0.3", "0.4", "0.5", "0.6", "0.7", "0.8", "0.9"}, "0.2"),
      Check(TSettingName::MGACheckBox, "MGA", true),
      // Particle swarm
      Combo(TSettingName::SizeBox, "Population Size", kWhole, kSizes, "20"),
      List(TSettingName::ComboBox3, "Velocity Formula",
           {"1: V=W*V+C1*R1*(Xbest-X)+C2*R2*(Gbest-X)",
            "2: V=(1-R1)*R2*V+C1*R1*(Xbest-X)+C2*R2*(Gbest-X)",
            "3: V=W*V+C1*R1*(Xbest-X)+C2*R2*(Gbest-X)+R3*(Gbest-Xbest)",
            "4: V=R1*R2*R3*V+C1*R1*(Xbest-X)+C2*R2*(Gbest-X)+R3*(Gbest-Xbest)",
            "5: V=K*(V+C1*R1*(Xbest-X)+C2*R2*(Gbest-X))",
            "6: V=K*(V+C1*R1*(Xbest-X)+C2*R2*(Gbest-X)+R3*(Gbest-Xbest))"},
           0),
      Combo(TSettingName::InterBox, "Inertia Weight W", kReal,
            {"0", "0.01", "0.05", "0.1", "0.3", "0.5", "0.7", "1", "1.2", "1.3", "1.5"}, "0.1"),
      Combo(TSettingName::C1Box, "Learning Factor C1", kReal,
            {"1", "1.5", "1.9", "1.95", "2", "2.05", "2.1", "2.2", "2.5", "3"}, "2.05"),
      Combo(TSettingName::C2Box, "Learning Factor C2", kReal,
            {"0.1", "0.5", "1", "1.5", "2", "2.05", "2.1", "2.5", "3"}, "2.05"),
      Combo(TSettingName::NSizeBox, "Neighbourhood Size", kWhole, {"2", "4", "6", "8", "10", "15"},
            "20"),
      Check(TSettingName::VmaCheckBox, "Use Vmax", false),
      Combo(TSettingName::ComboBox6, "Vmax", kReal, {"1", "2", "3", "5", "8", "10", "15"}, "2"),
      // Differential evolution
      Combo(TSettingName::DESizeBox, "Population Size", kWhole, kSizes, "20"),
      Combo(TSettingName::PMBox3, "Mutation Rate F", kReal,
            {"0.1", "0.2", "0.3", "0.4", "0.5", "0.6", "0.7", "0.8", "0.9", "0.95"}, "0.85"),
      Combo(TSettingName::PCBox3, "Crossover Rate", kReal,
            {"0.1", "0.2", "0.3", "0.4", "0.5", "0.6", "0.7", "0.8", "0.9"}, "0.7"),
      List(TSettingName::SchemeBox, "Scheme",
           {"Schems 1 - Vi=X1+F(X2-X3)", "Schems 2 - Vi=Xi+F(Xbest+X1-Xi-X2)",
            "Schems 3 - Vi=X3+F(Xbest+X1-X2-X3)", "Schems 4 - Vi=Xbest+F(Xbest+X1-X2-X3)",
            "Schems 5 - Vi=Xbest+F(X1-X2)", "Schems 6 - Vi=X1+F(Xbest-X2)",
            "Schems 7 - Vi=Xbest+F(X1+X2-X3-X4)", "Schems 8 - Vi=X3+F(X1+X2-X3-X4)",
            "Schems 9 - Vi=Xi+F(X1+X2-X3-Xi)", "Schems 10 - Vi=Xbest+F(X1-(X2+Xi)/2)"},
           0),
      Group(TSettingName::DEGroup, "DE Route", "",
            {"Stardard DE (SDE)", "Quick DE (QDE)", "SDE+QDE", "Mix SDE and QDE"}, 0),
      Group(TSettingName::DEOptionGroup, "Mutation Option", "",
            {"Standard Mutation", "Advance Mutation"}, 0),
      // Stop criterion, display and logs
      Radio(TSettingName::RB1, "Auto-detect", false),
      Radio(TSettingName::RB2, "Max. Iterations", false),
      Radio(TSettingName::RB3, "RMSE", false),
      Radio(TSettingName::RB4, "Determination Coef. (DC)", true),
      Combo(TSettingName::ComboBox1, "Max. Iterations", kWhole,
            {"100", "500", "1000", "2000", "5000", "8000", "10000", "15000", "20000", "50000",
             "80000", "100000"},
            "100000"),
      Edit(TSettingName::SSEEdit, "RMSE", kReal, "0.001"),
      Edit(TSettingName::REdit, "Determination Coef. (DC)", kReal, "0.99"),
      Combo(TSettingName::CBB2, "Update Rate", kWhole, kRates, "100"),
      Edit(TSettingName::FileEdit, "Results File", kText, ""),
      Combo(TSettingName::SREdit, "Results Save Rate", kWhole, kRates, "100"),
      Edit(TSettingName::FileEdit1, "Parameters File", kText, ""),
      Combo(TSettingName::SREdit1, "Parameters Save Rate", kWhole, kRates, "100"),
  };
}

}  // namespace

TFitSettings::TFitSettings() { Reset(); }

void TFitSettings::Reset() {
  controls_.clear();
  for (auto& c : DefaultControls()) controls_.emplace(c.Name, std::move(c));
}

std::optional<TSettingName> TSettingName::Find(std::string_view Text) {
  for (const TSettingName& name : kAllSettingNames)
    if (name.Text() == Text) return name;
  return std::nullopt;
}

TSettingName TFitSettings::Find(std::string_view Text) {
  if (const auto name = TSettingName::Find(Text)) return *name;
  throw std::out_of_range("No setting named \"" + std::string(Text) + "\"");
}

const TSettingControl& TFitSettings::Control(TSettingName Name) const {
  // Every name has its control (Reset makes one per name).
  return controls_.at(Name);
}

TSettingControl& TFitSettings::Mutable(TSettingName Name) { return controls_.at(Name); }

std::string TFitSettings::Text(TSettingName Name) const { return Control(Name).Text; }

void TFitSettings::SetText(TSettingName Name, const std::string& Value) {
  TSettingControl& c = Mutable(Name);
  c.Text = Value;
  c.ItemIndex = -1;
  for (size_t i = 0; i < c.Items.size(); ++i)
    if (c.Items[i] == Value) {
      c.ItemIndex = static_cast<int>(i);
      break;
    }
}

int TFitSettings::ItemIndex(TSettingName Name) const { return Control(Name).ItemIndex; }

void TFitSettings::SetItemIndex(TSettingName Name, int Index) {
  TSettingControl& c = Mutable(Name);
  if (Index < 0 || Index >= static_cast<int>(c.Items.size())) Index = -1;
  c.ItemIndex = Index;
  if (Index >= 0)
    c.Text = c.Items[Index];
  else if (c.Kind != TSettingKind::skComboBox && c.Kind != TSettingKind::skEdit)
    c.Text.clear();
}

bool TFitSettings::Checked(TSettingName Name) const { return Control(Name).Checked; }

void TFitSettings::SetChecked(TSettingName Name, bool Value) {
  TSettingControl& c = Mutable(Name);
  if (Value && !c.Group.empty())
    for (auto& [n, other] : controls_)
      if (other.Group == c.Group) other.Checked = false;
  c.Checked = Value;
}

std::optional<std::string> TFitSettings::Assign(TSettingName Name, const std::string& Value) {
  const TSettingControl& c = Control(Name);
  const std::string wrong = "Wrong value for \"" + c.Label + "\": " + QuotedSettingText(Value);
  switch (c.Kind) {
    case TSettingKind::skListBox:
    case TSettingKind::skRadioGroup: {
      int index = 0;
      const int last = static_cast<int>(c.Items.size()) - 1;
      if (!ReadSettingWholeNumber(Value, index) || index < 0 || index > last)
        return wrong + " is not an item number from 0 to " + std::to_string(last) + "!";
      SetItemIndex(Name, index);
      return std::nullopt;
    }
    case TSettingKind::skCheckBox:
    case TSettingKind::skRadioButton: {
      const std::string v = Trim(Value);
      if (SameText(v, "True") || v == "1") {
        SetChecked(Name, true);
      } else if (SameText(v, "False") || v == "0") {
        SetChecked(Name, false);
      } else {
        return wrong + " is not True or False!";
      }
      return std::nullopt;
    }
    default:
      SetText(Name, Value);
      return std::nullopt;
  }
}

bool ReadSettingNumber(std::string_view Text, double& Value) {
  const std::string t = Trim(Text);
  // Only the plain decimal form: no hexadecimal, no "inf" or "nan".
  for (const char c : t)
    if (!((c >= '0' && c <= '9') || c == '.' || c == '+' || c == '-' || c == 'e' || c == 'E'))
      return false;
  double v = 0;
  if (!TryStrToFloat(t, v, ModelNumberForm()) || !std::isfinite(v)) return false;
  Value = v;
  return true;
}

bool ReadSettingWholeNumber(std::string_view Text, int& Value) {
  const std::string t = Trim(Text);
  size_t i = t.empty() || (t[0] != '+' && t[0] != '-') ? 0 : 1;
  if (i == t.size()) return false;
  for (size_t k = i; k < t.size(); ++k)
    if (t[k] < '0' || t[k] > '9') return false;
  return TryStrToInt(t, Value);
}

std::string QuotedSettingText(std::string_view Text) {
  return "\"" + modeltools::TextStart(Text, 40) + "\"";
}

std::vector<TSettingName> TFitSettings::Names() const {
  return std::vector<TSettingName>(kAllSettingNames.begin(), kAllSettingNames.end());
}

}  // namespace qv
