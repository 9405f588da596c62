// The style-library binding and the theme services, over a fake library.
#include <gtest/gtest.h>

#include "controls/UiThemeSrv.h"
#include "platform/core/RecordingCanvas.h"

using namespace qv;

namespace {

struct TFakeThemeState {
  bool Active = true;
  unsigned AppProperties = STAP_ALLOW_CONTROLS;
  unsigned Version = 0x60000;
  int Opened = 0, Closed = 0, Drawn = 0, Libraries = 0;
  HTHEME Next = 100;
  std::string LastClass;
  int LastPart = -1, LastState = -1;
};

class TFakeTheme : public TUxThemeLibrary {
 public:
  explicit TFakeTheme(TFakeThemeState& s) : s_(s) { ++s_.Libraries; }
  ~TFakeTheme() override { --s_.Libraries; }
  HTHEME OpenThemeData(const std::string& cls) override {
    ++s_.Opened;
    s_.LastClass = cls;
    return s_.Next++;
  }
  void CloseThemeData(HTHEME) override { ++s_.Closed; }
  void DrawThemeBackground(HTHEME, TCanvas&, int part, int state, const TRect&,
                           const TRect*) override {
    ++s_.Drawn;
    s_.LastPart = part;
    s_.LastState = state;
  }
  bool IsThemeActive() override { return s_.Active; }
  bool IsAppThemed() override { return true; }
  unsigned GetThemeAppProperties() override { return s_.AppProperties; }
  unsigned CommonControlsVersion() override { return s_.Version; }

 private:
  TFakeThemeState& s_;
};

class Theme : public ::testing::Test {
 protected:
  TFakeThemeState state;
  void SetUp() override {
    FreeThemeServices();
    SetUxThemeProvider([this] { return std::make_unique<TFakeTheme>(state); });
  }
  void TearDown() override {
    FreeThemeServices();
    while (UxThemeLoadCount() > 0) FreeUxTheme();
    SetUxThemeProvider(nullptr);
  }
};

}  // namespace

TEST_F(Theme, LoadingIsCountedAndTheLastFreeUnloads) {
  EXPECT_TRUE(LoadUxTheme());
  EXPECT_TRUE(LoadUxTheme());
  EXPECT_EQ(state.Libraries, 1);
  EXPECT_TRUE(UxThemeEntryPointBound("DrawThemeBackground"));
  EXPECT_FALSE(UxThemeEntryPointBound("GetThemeFont"));  // the fake lacks it
  FreeUxTheme();
  EXPECT_NE(UxTheme(), nullptr);
  EXPECT_TRUE(UseThemes());
  FreeUxTheme();
  EXPECT_EQ(UxTheme(), nullptr);
  EXPECT_EQ(state.Libraries, 0);
  EXPECT_FALSE(UxThemeEntryPointBound("DrawThemeBackground"));
  FreeUxTheme();  // below zero is ignored
  EXPECT_EQ(UxThemeLoadCount(), 0);
  EXPECT_EQ(UxThemeEntryPointNames.front(), std::string("OpenThemeData"));
  EXPECT_EQ(UxThemeEntryPointNames.back(), std::string("EnableTheming"));
}

TEST_F(Theme, WithoutALibraryEverythingIsClassic) {
  SetUxThemeProvider(nullptr);
  EXPECT_FALSE(LoadUxTheme());
  FreeUxTheme();
  TThemeServices& ts = ThemeServices();
  EXPECT_FALSE(ts.ThemesEnabled());
  EXPECT_EQ(ts.Theme(teSpin), 0);
  TRecordingCanvas c;
  ts.DrawElement(c, TThemeServices::GetElementDetails(tsUpNormal), TRect(0, 0, 5, 5));
  EXPECT_TRUE(c.Calls().empty());
}

TEST_F(Theme, ThemesSwitchedOffOrControlsNotAllowed) {
  state.Active = false;
  {
    TThemeServices ts(false);
    EXPECT_FALSE(ts.ThemesAvailable());
    EXPECT_FALSE(ts.ThemesEnabled());
    EXPECT_EQ(ts.Theme(teWindow), 0);
  }
  state.Active = true;
  state.AppProperties = STAP_ALLOW_NONCLIENT;
  {
    TThemeServices ts(false);
    EXPECT_TRUE(ts.ThemesAvailable());
    EXPECT_FALSE(ts.ControlsEnabled());
    EXPECT_FALSE(ts.ThemesEnabled());
  }
  state.AppProperties = STAP_ALLOW_CONTROLS;
  state.Version = 0x50081;  // older common controls
  {
    TThemeServices ts(false);
    EXPECT_FALSE(ts.ThemesAvailable());
  }
  EXPECT_EQ(state.Libraries, 0);  // each object held one load
}

TEST_F(Theme, ThemeChangeClosesHandlesAndNotifies) {
  TThemeServices& ts = ThemeServices();
  ASSERT_TRUE(ts.ThemesEnabled());
  const HTHEME first = ts.Theme(teSpin);
  EXPECT_EQ(state.LastClass, "spin");
  EXPECT_EQ(ts.Theme(teSpin), first);  // opened once
  EXPECT_EQ(state.Opened, 1);
  int changes = 0;
  ts.OnThemeChange = [&] { ++changes; };
  ts.WindowProc(WM_THEMECHANGED);
  EXPECT_EQ(state.Closed, 1);
  EXPECT_EQ(changes, 1);
  EXPECT_NE(ts.Theme(teSpin), first);  // a fresh handle
  // Themes switched off in the system: the change turns them off here too.
  state.Active = false;
  ts.WindowProc(WM_THEMECHANGED);
  EXPECT_FALSE(ts.ThemesEnabled());
  EXPECT_EQ(ts.Theme(teSpin), 0);
  // After the watched window is gone, changes are no longer followed.
  ts.WindowProc(WM_DESTROY);
  state.Active = true;
  ts.WindowProc(WM_THEMECHANGED);
  EXPECT_FALSE(ts.ThemesEnabled());
  EXPECT_EQ(changes, 2);
}

TEST_F(Theme, DrawElementPassesPartAndState) {
  TThemeServices& ts = ThemeServices();
  TRecordingCanvas c;
  ts.DrawElement(c, TThemeServices::GetElementDetailsWindow(twSmallCloseButtonPushed),
                 TRect(0, 0, 9, 9));
  EXPECT_EQ(state.LastClass, "window");
  EXPECT_EQ(state.LastPart, 19);
  EXPECT_EQ(state.LastState, 3);
}

TEST(ThemeDetails, ElementDetailsMapKindsToPartsAndStates) {
  struct TCase {
    TThemedElementDetails Got, Expect;
  };
  const TCase cases[] = {
      {TThemeServices::GetElementDetails(tcComboBoxDontCare), {teComboBox, 0, 1}},
      {TThemeServices::GetElementDetails(tcComboBoxRoot), {teComboBox, 0, 2}},
      {TThemeServices::GetElementDetails(tcDropDownButtonHot), {teComboBox, 1, 2}},
      {TThemeServices::GetElementDetails(tcDropDownButtonDisabled), {teComboBox, 1, 4}},
      {TThemeServices::GetElementDetails(tsSpinRoot), {teSpin, 0, 2}},
      {TThemeServices::GetElementDetails(tsUpNormal), {teSpin, 1, 1}},
      {TThemeServices::GetElementDetails(tsDownDisabled), {teSpin, 2, 4}},
      {TThemeServices::GetElementDetails(tsUpHorzPressed), {teSpin, 3, 3}},
      {TThemeServices::GetElementDetails(tsDownHorzNormal), {teSpin, 4, 1}},
      {TThemeServices::GetElementDetailsWindow(1), {teWindow, 0, 2}},
      {TThemeServices::GetElementDetailsWindow(2), {teWindow, 1, 1}},
      {TThemeServices::GetElementDetailsWindow(19), {teWindow, 6, 3}},
      {TThemeServices::GetElementDetailsWindow(20), {teWindow, 7, 1}},
      {TThemeServices::GetElementDetailsWindow(31), {teWindow, 12, 2}},
      {TThemeServices::GetElementDetailsWindow(32), {teWindow, 13, 1}},
      {TThemeServices::GetElementDetailsWindow(twSmallCloseButtonNormal), {teWindow, 19, 1}},
      {TThemeServices::GetElementDetailsWindow(twSmallCloseButtonDisabled), {teWindow, 19, 4}},
      {TThemeServices::GetElementDetailsWindow(95), {teWindow, 28, 4}},
      {TThemeServices::GetElementDetailsWindow(96), {teWindow, 29, 1}},
      {TThemeServices::GetElementDetailsWindow(104), {teWindow, 37, 1}},
      {TThemeServices::GetElementDetailsWindow(105), {teWindow, 0, 106}},
  };
  for (const TCase& c : cases) {
    EXPECT_EQ(c.Got.Element, c.Expect.Element);
    EXPECT_EQ(c.Got.Part, c.Expect.Part) << c.Expect.Part;
    EXPECT_EQ(c.Got.State, c.Expect.State) << c.Expect.Part;
  }
}
