// A form for the placement and storage tests: plain fields for everything
// the components ask, and a log of what they do to it.
#pragma once

#include <string>
#include <vector>

#include "support/FormWindow.h"

namespace qv::test {

class TFakeFormWindow : public TFormWindow {
 public:
  std::string Class = "TTestForm";
  TRect Bounds_ = Rect(100, 50, 500, 350);
  bool Visible_ = true;
  bool HandleAllocated_ = true;
  TWindowState State = wsNormal;
  TFormBorderStyle Border = bsSizeable;
  TPosition Position_ = poDesigned;
  bool MainForm = false;
  bool AppMinimized = false;
  TSize Screen{1024, 768};
  int Ppi = 96;
  std::vector<TRect> WorkAreas = std::vector<TRect>(1, TRect(0, 0, 1024, 740));
  std::string Focused;
  std::vector<std::string> Focusable;
  bool MaximizeButton = true;
  TPoint MaxPosition{-1, -1};
  unsigned Flags = 0;
  std::vector<std::string> Log;

  std::string ClassName() const override { return Class; }
  TRect BoundsRect() const override { return Bounds_; }
  bool Visible() const override { return Visible_; }
  bool HandleAllocated() const override { return HandleAllocated_; }
  TWindowPlacement GetWindowPlacement() const override {
    TWindowPlacement wp;
    wp.flags = Flags;
    wp.showCmd = State == wsMinimized   ? SW_SHOWMINIMIZED
                 : State == wsMaximized ? SW_SHOWMAXIMIZED
                                        : SW_SHOWNORMAL;
    wp.ptMaxPosition = MaxPosition;
    wp.rcNormalPosition = Bounds_;
    return wp;
  }
  void SetWindowPlacement(const TWindowPlacement& wp) override {
    Log.push_back("SetWindowPlacement " + std::to_string(wp.showCmd));
    Bounds_ = wp.rcNormalPosition;
    Flags = wp.flags;
  }
  TWindowState WindowState() const override { return State; }
  void SetWindowState(TWindowState s) override {
    Log.push_back("SetWindowState " + std::to_string(int(s)));
    State = s;
  }
  TFormBorderStyle BorderStyle() const override { return Border; }
  TPosition Position() const override { return Position_; }
  void SetPosition(TPosition p) override { Position_ = p; }
  void SetMaxPosition(TPoint p) override { MaxPosition = p; }
  bool IsMainForm() const override { return MainForm; }
  bool ApplicationMinimized() const override { return AppMinimized; }
  void MinimizeApplication() override { Log.push_back("MinimizeApplication"); }
  std::string ActiveControlName() const override { return Focused; }
  bool FocusControl(const std::string& name) override {
    for (const std::string& f : Focusable)
      if (f == name) {
        Focused = name;
        return true;
      }
    return false;
  }
  TSize ScreenSize() const override { return Screen; }
  int ScreenPixelsPerInch() const override { return Ppi; }
  std::vector<TRect> ScreenWorkAreas() const override { return WorkAreas; }
  bool HasMaximizeButton() const override { return MaximizeButton; }
  void SetMaximizeButton(bool on) override { MaximizeButton = on; }
  void SizeLimitsChanged() override { Log.push_back("SizeLimitsChanged"); }

  // What the window system would ask of the size-limit hook.
  TMinMaxInfo AskMinMaxInfo() {
    TMinMaxInfo i{{1024, 768}, {0, 0}, {112, 27}, {1036, 780}};
    if (OnGetMinMaxInfo) OnGetMinMaxInfo(i);
    return i;
  }
  void Show() {
    if (OnShow) OnShow();
  }
  bool CloseQuery() {
    bool can = true;
    if (OnCloseQuery) OnCloseQuery(can);
    return can;
  }
  void Destroy() {
    if (OnDestroy) OnDestroy();
  }
};

}  // namespace qv::test
