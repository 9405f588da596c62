// A tab control on a fake host with fixed font metrics (every character
// 8 x 16 pixels, the control font 11 pixels high), and helpers to fill it.
#pragma once

#include <initializer_list>
#include <string>

#include "controls/UiTabs.h"
#include "platform/core/FakeControlHost.h"
#include "platform/core/RecordingCanvas.h"

namespace qv::tabtest {

struct TTabFixture {
  TFakeFontService fonts{8, 16};
  TUiCustomTabControl tabs;
  TFakeControlHost host;
  explicit TTabFixture(int width = 300, int height = 100) : host(&tabs, width, height, &fonts) {}
  void Add(std::initializer_list<const char*> captions) {
    for (const char* c : captions) tabs.Tabs().Add().Caption = c;
    tabs.TabsChanged();
  }
};

struct TPageFixture {
  TFakeFontService fonts{8, 16};
  TUiPageControl pages;
  TFakeControlHost host;
  explicit TPageFixture(int width = 300, int height = 150) : host(&pages, width, height, &fonts) {}
  void Add(std::initializer_list<const char*> captions) {
    for (const char* c : captions) pages.AddPage(c);
  }
};

}  // namespace qv::tabtest
