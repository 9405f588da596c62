// The frame controller, the settings-store component, and the frame and
// colour state of framed controls.
#include <gtest/gtest.h>

#include "controls/UiCommon.h"
#include "platform/core/RecordingCanvas.h"

using namespace qv;

namespace {

// A framed control that records what reaches it.
class TProbe : public TUiFramedControl {
 public:
  bool Focused = false, Enabled = true;
  int Repaints = 0;
  std::vector<std::string> Written;
  bool SetFrameProperty(std::string_view name, const TUiFrameValue& v) override {
    if (TUiFramedControl::SetFrameProperty(name, v)) {
      Written.emplace_back(name);
      return true;
    }
    return false;
  }

 protected:
  bool FrameFocused() const override { return Focused; }
  bool FrameEnabled() const override { return Enabled; }
  void RepaintFrame() override { ++Repaints; }
  void ApplyColor(TColor) override {}
};

// A client that publishes nothing but FlatButtons.
class TButtonsOnly : public TUiFrameClient {
 public:
  std::vector<std::string> Written;
  bool Flat = false;
  bool SetFrameProperty(std::string_view name, const TUiFrameValue& v) override {
    if (name != "FlatButtons") return false;
    Flat = v.Value != 0;
    Written.emplace_back(name);
    return true;
  }
  void FrameControllerFreed() override {}
};

}  // namespace

TEST(FrameController, LinkingPushesEverySettingOnce) {
  TUiFrameController fc;
  TProbe p;
  p.SetFrameController(&fc);
  // Every property the control publishes (not FlatButtons or FlatButtonColor).
  const std::vector<std::string> expect = {"ParentColor",   "Color",         "DisabledColor",
                                           "FocusColor",    "FrameColor",    "FrameHotColor",
                                           "FrameHotTrack", "FrameHotStyle", "FrameSides",
                                           "FrameStyle",    "FrameVisible",  "FramingPreference"};
  EXPECT_EQ(p.Written, expect);
  p.Written.clear();
  fc.AddControl(&p);  // already linked
  EXPECT_TRUE(p.Written.empty());
  EXPECT_EQ(fc.ControlCount(), 1);
  // A single setter pushes its own property only.
  fc.SetFrameStyle(fsGroove);
  EXPECT_EQ(p.Written, std::vector<std::string>{"FrameStyle"});
  EXPECT_EQ(p.FrameStyle(), fsGroove);
  // A control without the property is skipped without error.
  TButtonsOnly b;
  fc.AddControl(&b);
  EXPECT_EQ(b.Written, std::vector<std::string>{"FlatButtons"});
  fc.SetFlatButtons(false);
  EXPECT_FALSE(b.Flat);
  fc.RemoveControl(&b);
}

TEST(FrameController, ColourMovesTheFocusColourAlongWhenTheyWereEqual) {
  TUiFrameController fc;
  fc.SetColor(clYellow);
  EXPECT_EQ(fc.FocusColor(), clYellow);
  fc.SetFocusColor(clAqua);
  fc.SetColor(clLime);
  EXPECT_EQ(fc.FocusColor(), clAqua);
  fc.SetParentColor(true);
  fc.SetColor(clRed);
  EXPECT_FALSE(fc.ParentColor());
}

TEST(FrameController, UpdatesWaitForTheLastEndUpdate) {
  TUiFrameController fc;
  TProbe p;
  p.SetFrameController(&fc);
  p.Written.clear();
  fc.BeginUpdate();
  fc.BeginUpdate();
  fc.SetFrameColor(clRed);
  fc.SetFrameVisible(true);
  fc.EndUpdate();
  EXPECT_TRUE(p.Written.empty());
  fc.EndUpdate();
  EXPECT_EQ(p.Written.size(), 12u);  // everything, once
  EXPECT_EQ(p.FrameColor(), clRed);
  EXPECT_TRUE(p.FrameVisible());
  fc.EndUpdate();  // unbalanced: clamps at 0 and pushes again
  EXPECT_EQ(p.Written.size(), 24u);
}

TEST(FrameController, HotTrackingTurnsTheFrameOnAndAssignCopies) {
  TUiFrameController fc;
  fc.SetFrameSides(SideBit(sdTop));
  fc.SetFrameHotTrack(true);
  EXPECT_TRUE(fc.FrameVisible());
  EXPECT_EQ(fc.FrameSides(), sdAll);
  TUiFrameController copy;
  TProbe p;
  p.SetFrameController(&copy);
  p.Written.clear();
  copy.Assign(fc);
  EXPECT_TRUE(copy.FrameHotTrack());
  EXPECT_EQ(p.Written.size(), 12u);
  EXPECT_TRUE(p.FrameHotTrack());
}

TEST(FrameController, ObsoleteFrameFlatLoadsAsHotTracking) {
  for (int which = 0; which < 2; ++which) {
    TUiFrameController fc;
    TProbe p;
    if (which == 0) {
      EXPECT_TRUE(fc.ReadObsoleteProperty("FrameFlat", true));
      EXPECT_TRUE(fc.FrameHotTrack());
      EXPECT_EQ(fc.FrameStyle(), fsStatus);
      EXPECT_EQ(fc.FrameHotStyle(), fsLowered);
      EXPECT_TRUE(fc.ReadObsoleteProperty("FrameFocusStyle", std::string("fsRaised")));
      EXPECT_EQ(fc.FrameHotStyle(), fsRaised);
      EXPECT_TRUE(fc.ReadObsoleteProperty("FrameFlatStyle", std::string("fsBump")));
      EXPECT_FALSE(fc.ReadObsoleteProperty("FrameWidth", true));
    } else {
      EXPECT_TRUE(p.ReadObsoleteProperty("FrameFlat", true));
      EXPECT_TRUE(p.FrameHotTrack());
      EXPECT_EQ(p.FrameStyle(), fsStatus);
      EXPECT_EQ(p.FrameHotStyle(), fsLowered);
    }
  }
}

TEST(FrameController, FreeingEitherSideUnlinks) {
  TProbe p;
  {
    TUiFrameController fc;
    p.SetFrameController(&fc);
    EXPECT_FALSE(p.FramePropertiesStored());
  }
  EXPECT_EQ(p.FrameController(), nullptr);
  EXPECT_TRUE(p.FramePropertiesStored());
  TUiFrameController fc;
  {
    TProbe q;
    q.SetFrameController(&fc);
    EXPECT_EQ(fc.ControlCount(), 1);
  }
  EXPECT_EQ(fc.ControlCount(), 0);
  fc.SetFrameColor(clRed);  // no dangling control
  TUiRegIniFile* store = new TUiRegIniFile;
  fc.SetRegIniFile(store);
  delete store;
  EXPECT_EQ(fc.RegIniFile(), nullptr);
}

TEST(FrameController, RegIniFileDefaultsAndReopening) {
  TUiRegIniFile r;
  EXPECT_EQ(r.PathType(), ptIniFile);
  EXPECT_EQ(r.RegKey(), hkeyCurrentUser);
  EXPECT_EQ(r.RegAccess(), TUiRegAccess(1u << keyAllAccess));
  EXPECT_TRUE(r.NeedsReopening());
  r.SetPath("controls-test.ini");
  r.IniFile();
  EXPECT_FALSE(r.NeedsReopening());
  r.SetPath("controls-test.ini");  // unchanged
  EXPECT_FALSE(r.NeedsReopening());
  r.SetPathType(ptRegistry);
  EXPECT_TRUE(r.NeedsReopening());
}

TEST(FramedControl, ColoursFollowFocusAndEnabledState) {
  TProbe p;
  p.SetFocusColor(clYellow);
  p.Focused = true;
  p.UpdateFrame(false, true);
  EXPECT_EQ(p.Color(), clYellow);
  p.Focused = false;
  p.UpdateFrame(false, false);
  EXPECT_EQ(p.Color(), clWindow);
  p.Enabled = false;
  p.UpdateColors();
  EXPECT_EQ(p.Color(), clBtnFace);
  EXPECT_FALSE(p.ColorStored());
  p.Enabled = true;
  p.UpdateColors();
  // A new normal colour takes the focus colour along only when they matched.
  p.SetColor(clAqua);
  EXPECT_EQ(p.FocusColor(), clYellow);
  p.SetFocusColor(clAqua);
  p.SetColor(clLime);
  EXPECT_EQ(p.FocusColor(), clLime);
  EXPECT_FALSE(p.FocusColorStored());
}

TEST(FramedControl, CustomFrameUsesTheHotStyleWhileHot) {
  TProbe p;
  p.SetFramingPreference(fpCustomFraming);
  p.SetFrameVisible(true);
  p.SetFrameHotTrack(true);
  p.SetFrameStyle(fsFlat);
  p.SetFrameHotStyle(fsFlatBold);
  p.SetFrameColor(clRed);
  p.SetFrameHotColor(clBlue);
  TRecordingCanvas c;
  p.PaintFrame(c, 50, 20);
  EXPECT_EQ(c.Count("LineTo"), 8 + 4);  // back-colour bevel, flat ring
  EXPECT_EQ(c.Find("LineTo").back()->State.PenColor, clRed);
  p.UpdateFrame(true, true);  // the mouse enters
  EXPECT_TRUE(p.FrameHot());
  c.Clear();
  p.PaintFrame(c, 50, 20);
  EXPECT_EQ(c.Count("LineTo"), 8 + 8);
  EXPECT_EQ(c.Find("LineTo").back()->State.PenColor, clBlue);
  // Without the custom frame: the standard sunken border.
  p.SetFrameVisible(false);
  c.Clear();
  p.PaintFrame(c, 50, 20);
  EXPECT_EQ(c.Count("LineTo"), 0);
  EXPECT_GT(c.Count("FillRect"), 0);
}
