// A combo box host that records what the core asked for.
#pragma once

#include <string>

#include "platform/core/ComboBox.h"

namespace qv::combotest {

struct TRecordingComboHost : TComboBoxHost {
  std::string Text;
  int SelStart = 0, SelLength = 0;
  bool ReadOnly = false;
  bool Shown = false;
  int ShownWidth = 0, ShownHeight = 0;
  int Beeps = 0, Tabs = 0;
  void SetEditText(const std::string& t, int s, int l) override {
    Text = t;
    SelStart = s;
    SelLength = l;
  }
  void SetEditReadOnly(bool r) override { ReadOnly = r; }
  void ShowDropDown(bool show, int w, int h) override {
    Shown = show;
    ShownWidth = w;
    ShownHeight = h;
  }
  void InvalidateDropDown() override {}
  void Beep() override { ++Beeps; }
  void PostTab() override { ++Tabs; }
};

}  // namespace qv::combotest
