// Form placement: the keys written, the restore rules (screen-suffixed keys
// first, pixel density, version), state handling, size limits, and the
// behaviour at close.
#include <gtest/gtest.h>

#include <filesystem>

#include "FormWindowTestSupport.h"
#include "SettingsTestSupport.h"
#include "platform/core/IniFiles.h"
#include "platform/core/Services.h"
#include "platform/core/SysUtils.h"
#include "support/Placemnt.h"

namespace qv {
namespace {

using test::TFakeFormWindow;

using test::ReadText;
using test::WriteText;

class PlacementTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ini = test::TestIniPath("placement");
    DeleteFile(ini);
    SetDialogService(&dialogs);
  }
  void TearDown() override { SetDialogService(nullptr); }

  std::unique_ptr<TFormPlacement> MakePlacement(TFakeFormWindow& form) {
    auto p = std::make_unique<TFormPlacement>(&form);
    p->SetIniFileName(ini);
    p->Loaded();
    return p;
  }
  std::string Value(const std::string& section, const std::string& key) {
    TIniFile f(ini);
    return f.ReadString(section, key, "<none>");
  }

  std::string ini;
  TScriptedDialogs dialogs;
};

TEST_F(PlacementTest, SaveWritesPlacementKeysInOrder) {
  TFakeFormWindow form;
  form.MaxPosition = {-4, -4};
  auto p = MakePlacement(form);
  form.Show();
  form.Bounds_ = Rect(120, 60, 620, 460);
  ASSERT_TRUE(form.CloseQuery());
  EXPECT_EQ(ReadText(ini),
            "[TTestForm]\r\n"
            "FormVersion=0\r\n"
            "Flags=0\r\n"
            "ShowCmd=1\r\n"
            "PixelsPerInch=96\r\n"
            "MinMaxPos(1024x768)=-1,-1,-4,-4\r\n"
            "MinMaxPos=-1,-1,-4,-4\r\n"
            "NormPos(1024x768)=120,60,620,460\r\n"
            "NormPos=120,60,620,460\r\n"
            "Visible=0\r\n");
}

TEST_F(PlacementTest, NeverShownFormWritesNothing) {
  WriteText(ini, "[TTestForm]\r\nNormPos=1,2,3,4\r\n");
  {
    TFakeFormWindow form;
    auto p = MakePlacement(form);
    form.Destroy();
  }
  EXPECT_EQ(ReadText(ini), "[TTestForm]\r\nNormPos=1,2,3,4\r\n");
}

TEST_F(PlacementTest, DestroyWithoutCloseSavesWithVisibleSet) {
  TFakeFormWindow form;
  auto p = MakePlacement(form);
  form.Show();
  form.Destroy();
  EXPECT_EQ(Value("TTestForm", "Visible"), "1");
  EXPECT_TRUE(p->Saved());
}

TEST_F(PlacementTest, RestoreReadsSuffixedKeyFirstThenPlainKey) {
  struct Case {
    const char* text;
    TRect expected;
  };
  const Case cases[] = {
      {"NormPos(1024x768)=10,20,410,320\r\nNormPos=1,2,301,202\r\n", Rect(10, 20, 410, 320)},
      {"NormPos(1920x1080)=10,20,410,320\r\nNormPos=1,2,301,202\r\n", Rect(1, 2, 301, 202)},
      // missing or bad parts default to the form's own rectangle
      {"NormPos=30,x\r\n", Rect(30, 50, 500, 350)},
      {"NormPos=30 40 , 330 240\r\n", Rect(30, 40, 330, 240)},
  };
  for (const Case& c : cases) {
    WriteText(ini, std::string("[TTestForm]\r\n") + c.text);
    TFakeFormWindow form;
    auto p = MakePlacement(form);
    form.Show();
    EXPECT_EQ(form.Bounds_, c.expected) << c.text;
  }
}

TEST_F(PlacementTest, PixelDensityMismatchIgnoresPositionButNotState) {
  WriteText(ini, "[TTestForm]\r\nPixelsPerInch=120\r\nShowCmd=3\r\nNormPos=1,2,301,202\r\n");
  TFakeFormWindow form;
  auto p = MakePlacement(form);
  form.Show();
  EXPECT_EQ(form.Bounds_, Rect(100, 50, 500, 350));
  EXPECT_EQ(form.State, wsMaximized);
}

TEST_F(PlacementTest, HigherVersionSkipsRestoreAndNextSaveWritesIt) {
  WriteText(ini, "[TTestForm]\r\nFormVersion=1\r\nNormPos=1,2,301,202\r\n");
  TFakeFormWindow form;
  auto p = MakePlacement(form);
  p->SetVersion(2);
  bool restoredEvent = false;
  p->OnRestorePlacement = [&](TFormPlacement&) { restoredEvent = true; };
  form.Show();
  EXPECT_EQ(form.Bounds_, Rect(100, 50, 500, 350));
  EXPECT_FALSE(restoredEvent);
  EXPECT_TRUE(p->Restored());
  form.CloseQuery();
  EXPECT_EQ(Value("TTestForm", "FormVersion"), "2");
  EXPECT_EQ(Value("TTestForm", "NormPos"), "100,50,500,350");
}

TEST_F(PlacementTest, ShowCommandsGiveStates) {
  struct Case {
    int showCmd;
    bool mainForm;
    TWindowState state;
    bool appMinimized;
  };
  const Case cases[] = {
      {1, false, wsNormal, false},    {5, false, wsNormal, false},
      {9, false, wsNormal, false},    {2, false, wsMinimized, false},
      {6, false, wsMinimized, false}, {7, false, wsMinimized, false},
      {3, false, wsMaximized, false}, {4, false, wsNormal, false},  // other values keep the start
      {2, true, wsNormal, true},  // the main form minimises the application instead
  };
  for (const Case& c : cases) {
    WriteText(ini, "[TTestForm]\r\nShowCmd=" + std::to_string(c.showCmd) + "\r\n");
    TFakeFormWindow form;
    form.MainForm = c.mainForm;
    auto p = MakePlacement(form);
    form.Show();
    EXPECT_EQ(form.State, c.state) << c.showCmd;
    const bool minimized =
        std::find(form.Log.begin(), form.Log.end(), "MinimizeApplication") != form.Log.end();
    EXPECT_EQ(minimized, c.appMinimized) << c.showCmd;
  }
}

TEST_F(PlacementTest, MainFormOfMinimisedApplicationIsStoredMinimised) {
  TFakeFormWindow form;
  form.MainForm = true;
  auto p = MakePlacement(form);
  form.Show();
  form.AppMinimized = true;
  form.CloseQuery();
  EXPECT_EQ(Value("TTestForm", "ShowCmd"), "2");
}

TEST_F(PlacementTest, NonSizeableFormTakesOnlyStoredLeftAndTop) {
  WriteText(ini, "[TTestForm]\r\nNormPos=10,20,110,70\r\n");
  TFakeFormWindow form;
  form.Border = bsDialog;
  auto p = MakePlacement(form);
  form.Show();
  EXPECT_EQ(form.Bounds_, Rect(10, 20, 410, 320));
}

TEST_F(PlacementTest, CentredFormIsSwitchedToDesignedPosition) {
  WriteText(ini, "[TTestForm]\r\nNormPos=10,20,410,320\r\n");
  TFakeFormWindow form;
  form.Position_ = poScreenCenter;
  auto p = MakePlacement(form);
  form.Show();
  EXPECT_EQ(form.Position_, poDesigned);
}

TEST_F(PlacementTest, RectangleOffEveryScreenIsMovedIntoTheDesktop) {
  struct Case {
    const char* norm;
    TRect expected;
  };
  const Case cases[] = {
      {"5000,3000,5400,3300", Rect(624, 440, 1024, 740)},
      {"-900,-700,-500,-400", Rect(0, 0, 400, 300)},
      {"1000,700,1400,1000", Rect(1000, 700, 1400, 1000)},  // partly visible: kept
      {"1500,100,1900,400", Rect(1500, 100, 1900, 400)},    // on the second screen
  };
  for (const Case& c : cases) {
    WriteText(ini, std::string("[TTestForm]\r\nNormPos=") + c.norm + "\r\n");
    TFakeFormWindow form;
    form.WorkAreas = {Rect(0, 0, 1024, 740), Rect(1024, 0, 2304, 1024)};
    auto p = MakePlacement(form);
    form.Show();
    EXPECT_EQ(form.Bounds_, c.expected) << c.norm;
  }
}

TEST_F(PlacementTest, ActiveControlIsStoredAndFocused) {
  {
    TFakeFormWindow form;
    form.Focused = "Edit1";
    auto p = MakePlacement(form);
    p->SetOptions({fpState, fpPosition, fpActiveControl});
    form.Show();
    form.CloseQuery();
  }
  EXPECT_EQ(Value("TTestForm", "ActiveControl"), "Edit1");
  TFakeFormWindow form;
  form.Focusable = {"Edit1"};
  auto p = MakePlacement(form);
  p->SetOptions({fpActiveControl});
  form.Show();
  EXPECT_EQ(form.Focused, "Edit1");
}

TEST_F(PlacementTest, FormHandlersAreChainedAndPutBack) {
  TFakeFormWindow form;
  std::vector<std::string> calls;
  form.OnShow = [&] { calls.push_back("show"); };
  form.OnCloseQuery = [&](bool& can) {
    calls.push_back("closequery");
    can = false;
  };
  form.OnDestroy = [&] { calls.push_back("destroy"); };
  {
    auto p = MakePlacement(form);
    form.Show();
    EXPECT_FALSE(form.CloseQuery());
    EXPECT_FALSE(FileExists(ini)) << "a refused close saves nothing";
    form.Destroy();
    EXPECT_TRUE(FileExists(ini));
  }
  EXPECT_EQ(calls, (std::vector<std::string>{"show", "closequery", "destroy"}));
  calls.clear();
  form.Show();
  EXPECT_EQ(calls, std::vector<std::string>{"show"});
}

TEST_F(PlacementTest, SaveErrorAtCloseIsReportedOnceAndClosingGoesOn) {
  ForceDirectories(ini);  // a folder where the file should be: it cannot be written
  TFakeFormWindow form;
  auto p = MakePlacement(form);
  form.Show();
  EXPECT_TRUE(form.CloseQuery());
  form.Destroy();
  ASSERT_EQ(dialogs.Log().size(), 1u);
  EXPECT_EQ(dialogs.Log()[0].Type, mtError);
  EXPECT_NE(dialogs.Log()[0].Text.find(ini), std::string::npos) << dialogs.Log()[0].Text;
  EXPECT_THROW(p->SaveFormPlacement(), Exception);  // a direct caller sees the error
  std::error_code ec;
  std::filesystem::remove_all(ini, ec);
}

TEST_F(PlacementTest, SizeLimits) {
  TFakeFormWindow form;
  auto p = MakePlacement(form);
  EXPECT_FALSE(form.OnGetMinMaxInfo) << "no limits: no hook";
  p->MinMaxInfo().SetMinTrackWidth(300);
  ASSERT_TRUE(form.OnGetMinMaxInfo);
  p->MinMaxInfo().SetMaxTrackHeight(600);
  TMinMaxInfo i = form.AskMinMaxInfo();
  EXPECT_EQ(i.ptMinTrackSize, TPoint(300, 27));
  EXPECT_EQ(i.ptMaxTrackSize, TPoint(1036, 600));
  EXPECT_EQ(i.ptMaxSize, TPoint(1024, 768));

  TWinMinMaxInfo none;
  p->SetMinMaxInfo(none);
  EXPECT_FALSE(form.OnGetMinMaxInfo);

  p->SetPreventResize(true);
  EXPECT_FALSE(form.MaximizeButton);
  i = form.AskMinMaxInfo();
  EXPECT_EQ(i.ptMinTrackSize, TPoint(400, 300));
  EXPECT_EQ(i.ptMaxTrackSize, TPoint(400, 300));
  form.Visible_ = false;
  EXPECT_EQ(form.AskMinMaxInfo().ptMinTrackSize, TPoint(112, 27)) << "only while visible";
  p->SetPreventResize(false);
  EXPECT_TRUE(form.MaximizeButton);
  EXPECT_FALSE(form.OnGetMinMaxInfo);

  form.Border = bsDialog;
  p->SetPreventResize(true);
  p->SetPreventResize(false);
  EXPECT_FALSE(form.MaximizeButton) << "a dialog border gets no maximise button back";
}

TEST_F(PlacementTest, MaximisedPositionFollowsBorderStyle) {
  const std::pair<TFormBorderStyle, int> cases[] = {
      {bsNone, 0}, {bsSingle, -1}, {bsSizeable, -4}, {bsDialog, -3}, {bsSizeToolWin, -4}};
  for (auto [style, pos] : cases) {
    TFakeFormWindow form;
    form.Border = style;
    auto p = MakePlacement(form);
    form.Show();
    EXPECT_EQ(form.MaxPosition, TPoint(pos, pos)) << int(style);
  }
}

TEST_F(PlacementTest, SingleValuesAndQuotedStrings) {
  TFakeFormWindow form;
  auto p = MakePlacement(form);
  p->WriteString("Quoted", "\"abc\"");
  p->WriteString("Single", "'x'");
  p->WriteInteger("Count", 42);
  EXPECT_EQ(p->ReadString("Quoted", ""), "\"abc\"");
  EXPECT_EQ(p->ReadString("Single", ""), "'x'");
  EXPECT_EQ(p->ReadInteger("Count", 0), 42);
  EXPECT_EQ(p->ReadInteger("Quoted", 7), 7);
  EXPECT_NE(ReadText(ini).find("Quoted=\"\"abc\"\""), std::string::npos) << ReadText(ini);
}

TEST_F(PlacementTest, RegistryForm) {
  const std::string reg = ini + ".reg";
  DeleteFile(reg);
  TFakeFormWindow form;
  {
    TFormPlacement p(&form);
    p.SetUseRegistry(true);
    p.SetRegistryFile(reg);
    p.Loaded();
    EXPECT_EQ(p.EffectiveIniFileName(), "Software\\Quorvane");
    form.Show();
    form.Bounds_ = Rect(1, 2, 301, 202);
    form.CloseQuery();
  }
  TIniFile f(reg);
  EXPECT_EQ(f.ReadString("Software\\Quorvane\\TTestForm", "NormPos", ""), "1,2,301,202");
  TFakeFormWindow other;
  TFormPlacement p(&other);
  p.SetUseRegistry(true);
  p.SetRegistryFile(reg);
  p.Loaded();
  other.Show();
  EXPECT_EQ(other.Bounds_, Rect(1, 2, 301, 202));
  DeleteFile(reg);
}

TEST(PlacementNames, DefaultSections) {
  EXPECT_EQ(GetDefaultSection(TSectionOwnerKind::Form, "TFitForm", ""), "TFitForm");
  EXPECT_EQ(GetDefaultSection(TSectionOwnerKind::ControlOnForm, "TFitForm", "Splitter1"),
            "TFitFormSplitter1");
  EXPECT_EQ(GetDefaultSection(TSectionOwnerKind::ControlWithoutForm, "Panel1", "Edit1"),
            "Panel1Edit1");
  EXPECT_EQ(GetDefaultSection(TSectionOwnerKind::ComponentOfForm, "TFitForm", "FormStorage1"),
            "TFitForm.FormStorage1");
  EXPECT_EQ(IniFilePath(""), SettingsFileName());
  EXPECT_EQ(IniFilePath("Other.INI"), SettingsDir() + "Other.INI");
  EXPECT_EQ(IniFilePath("/tmp/x.ini"), "/tmp/x.ini");
}

}  // namespace
}  // namespace qv
