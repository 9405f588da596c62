// The names of the main window's setting controls that the engine reads and
// writes back (engine/FitSettings.h holds their values). A setting is named in code only by one of
// the constants below: the constructor is private, and no text converts to a name, so a misspelt
// name does not compile. The window, which binds its controls by their object names, and the test
// driver, which takes names on its command line, find the constant for a text with Find.
#pragma once

#include <array>
#include <optional>
#include <string>
#include <string_view>

namespace qv {

class TSettingName {
 public:
  constexpr std::string_view Text() const { return text_; }
  std::string String() const { return std::string(text_); }
  friend constexpr bool operator==(TSettingName a, TSettingName b) { return a.Text() == b.Text(); }
  friend constexpr bool operator<(TSettingName a, TSettingName b) { return a.Text() < b.Text(); }

  // The constant whose text is Text (the control's object name), if any.
  static std::optional<TSettingName> Find(std::string_view Text);

  static const TSettingName RadioGroup2;   // algorithm family (TAlgorithm)
  static const TSettingName SizeBox1;      // Zedovev Avedezo Rezividorodo: population size
  static const TSettingName ZUDSchemeBox;  // its scheme
  static const TSettingName SearchOption;  // its search: global, or global and local
  static const TSettingName NSizeBox2;     // its neighbourhood size (kept for the window; not read)
  static const TSettingName PopulationBox2;  // genetic algorithm: population size
  static const TSettingName PCBox2;          // its crossover rate
  static const TSettingName PMBox2;          // its mutation rate
  static const TSettingName BinCheckBox;     // real-value or encode-decode mode
  static const TSettingName CTGroup2;        // crossover type, real-value mode
  static const TSettingName CTGroup3;        // crossover type, encode-decode mode
  static const TSettingName ComboBox2;       // gene fraction digits
  static const TSettingName BinBox;          // gene base
  static const TSettingName STGroup2;        // selection type
  static const TSettingName TSBox2;          // truncation selection on
  static const TSettingName TSEdit2;         // truncation threshold
  static const TSettingName MGACheckBox;     // "MGA" (kept for the window; not read)
  static const TSettingName SizeBox;         // particle swarm: population size
  static const TSettingName ComboBox3;       // velocity formula
  static const TSettingName InterBox;        // inertia weight
  static const TSettingName C1Box;           // learning factor C1
  static const TSettingName C2Box;           // learning factor C2
  static const TSettingName NSizeBox;        // neighbourhood size
  static const TSettingName VmaCheckBox;     // use Vmax
  static const TSettingName ComboBox6;       // Vmax
  static const TSettingName DESizeBox;       // differential evolution: population size
  static const TSettingName PMBox3;          // factor F
  static const TSettingName PCBox3;          // crossover rate
  static const TSettingName SchemeBox;       // scheme
  static const TSettingName DEGroup;         // route
  static const TSettingName DEOptionGroup;   // standard or advanced mutation
  static const TSettingName RB1;             // stop criterion: auto-detect
  static const TSettingName RB2;             // maximum iterations
  static const TSettingName RB3;             // RMSE
  static const TSettingName RB4;             // determination coefficient
  static const TSettingName ComboBox1;       // iteration limit
  static const TSettingName SSEEdit;         // target RMSE
  static const TSettingName REdit;           // target DC
  static const TSettingName CBB2;            // update rate of the progress display
  static const TSettingName FileEdit;        // results log name
  static const TSettingName SREdit;          // its save rate
  static const TSettingName FileEdit1;       // parameters log name
  static const TSettingName SREdit1;         // its save rate

 private:
  constexpr explicit TSettingName(const char* text) : text_(text) {}
  const char* text_;
};

inline constexpr TSettingName TSettingName::RadioGroup2{"RadioGroup2"};
inline constexpr TSettingName TSettingName::SizeBox1{"SizeBox1"};
inline constexpr TSettingName TSettingName::ZUDSchemeBox{"ZUDSchemeBox"};
inline constexpr TSettingName TSettingName::SearchOption{"SearchOption"};
inline constexpr TSettingName TSettingName::NSizeBox2{"NSizeBox2"};
inline constexpr TSettingName TSettingName::PopulationBox2{"PopulationBox2"};
inline constexpr TSettingName TSettingName::PCBox2{"PCBox2"};
inline constexpr TSettingName TSettingName::PMBox2{"PMBox2"};
inline constexpr TSettingName TSettingName::BinCheckBox{"BinCheckBox"};
inline constexpr TSettingName TSettingName::CTGroup2{"CTGroup2"};
inline constexpr TSettingName TSettingName::CTGroup3{"CTGroup3"};
inline constexpr TSettingName TSettingName::ComboBox2{"ComboBox2"};
inline constexpr TSettingName TSettingName::BinBox{"BinBox"};
inline constexpr TSettingName TSettingName::STGroup2{"STGroup2"};
inline constexpr TSettingName TSettingName::TSBox2{"TSBox2"};
inline constexpr TSettingName TSettingName::TSEdit2{"TSEdit2"};
inline constexpr TSettingName TSettingName::MGACheckBox{"MGACheckBox"};
inline constexpr TSettingName TSettingName::SizeBox{"SizeBox"};
inline constexpr TSettingName TSettingName::ComboBox3{"ComboBox3"};
inline constexpr TSettingName TSettingName::InterBox{"InterBox"};
inline constexpr TSettingName TSettingName::C1Box{"C1Box"};
inline constexpr TSettingName TSettingName::C2Box{"C2Box"};
inline constexpr TSettingName TSettingName::NSizeBox{"NSizeBox"};
inline constexpr TSettingName TSettingName::VmaCheckBox{"VmaCheckBox"};
inline constexpr TSettingName TSettingName::ComboBox6{"ComboBox6"};
inline constexpr TSettingName TSettingName::DESizeBox{"DESizeBox"};
inline constexpr TSettingName TSettingName::PMBox3{"PMBox3"};
inline constexpr TSettingName TSettingName::PCBox3{"PCBox3"};
inline constexpr TSettingName TSettingName::SchemeBox{"SchemeBox"};
inline constexpr TSettingName TSettingName::DEGroup{"DEGroup"};
inline constexpr TSettingName TSettingName::DEOptionGroup{"DEOptionGroup"};
inline constexpr TSettingName TSettingName::RB1{"RB1"};
inline constexpr TSettingName TSettingName::RB2{"RB2"};
inline constexpr TSettingName TSettingName::RB3{"RB3"};
inline constexpr TSettingName TSettingName::RB4{"RB4"};
inline constexpr TSettingName TSettingName::ComboBox1{"ComboBox1"};
inline constexpr TSettingName TSettingName::SSEEdit{"SSEEdit"};
inline constexpr TSettingName TSettingName::REdit{"REdit"};
inline constexpr TSettingName TSettingName::CBB2{"CBB2"};
inline constexpr TSettingName TSettingName::FileEdit{"FileEdit"};
inline constexpr TSettingName TSettingName::SREdit{"SREdit"};
inline constexpr TSettingName TSettingName::FileEdit1{"FileEdit1"};
inline constexpr TSettingName TSettingName::SREdit1{"SREdit1"};

// Every setting name, in the order of the window's settings pages.
inline constexpr std::array kAllSettingNames{
    TSettingName::RadioGroup2,   TSettingName::SizeBox1,    TSettingName::ZUDSchemeBox,
    TSettingName::SearchOption,  TSettingName::NSizeBox2,   TSettingName::PopulationBox2,
    TSettingName::PCBox2,        TSettingName::PMBox2,      TSettingName::BinCheckBox,
    TSettingName::CTGroup2,      TSettingName::CTGroup3,    TSettingName::ComboBox2,
    TSettingName::BinBox,        TSettingName::STGroup2,    TSettingName::TSBox2,
    TSettingName::TSEdit2,       TSettingName::MGACheckBox, TSettingName::SizeBox,
    TSettingName::ComboBox3,     TSettingName::InterBox,    TSettingName::C1Box,
    TSettingName::C2Box,         TSettingName::NSizeBox,    TSettingName::VmaCheckBox,
    TSettingName::ComboBox6,     TSettingName::DESizeBox,   TSettingName::PMBox3,
    TSettingName::PCBox3,        TSettingName::SchemeBox,   TSettingName::DEGroup,
    TSettingName::DEOptionGroup, TSettingName::RB1,         TSettingName::RB2,
    TSettingName::RB3,           TSettingName::RB4,         TSettingName::ComboBox1,
    TSettingName::SSEEdit,       TSettingName::REdit,       TSettingName::CBB2,
    TSettingName::FileEdit,      TSettingName::SREdit,      TSettingName::FileEdit1,
    TSettingName::SREdit1};

}  // namespace qv
