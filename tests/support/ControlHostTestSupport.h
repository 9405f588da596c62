// A host for control cores in tests: a client rectangle, invalidation and
// capture flags, focus, timers and the cursor, all plain fields.
#pragma once

#include <map>

#include "platform/core/ControlCore.h"
#include "platform/core/RecordingCanvas.h"

namespace qv::test {

class TFakeControlHost : public TControlHost {
 public:
  explicit TFakeControlHost(TRect client = Rect(0, 0, 200, 200)) : Client(client) {}

  TRect Client;
  int Invalidations = 0;
  bool Captured = false;
  bool HasFocus = false;
  TCursor Cursor = crDefault;
  std::map<int, int> Timers;
  TScrollInfo Scroll[2];
  TPoint CaretPos;
  bool CaretShown = false;
  TFontService* FontsOverride = nullptr;

  TRect ClientRect() const override { return Client; }
  void Invalidate() override { ++Invalidations; }
  void InvalidateRect(const TRect&) override { ++Invalidations; }
  void Update() override {}
  bool Focused() const override { return HasFocus; }
  void SetFocus() override { HasFocus = true; }
  void SetCapture() override { Captured = true; }
  void ReleaseCapture() override { Captured = false; }
  bool HasCapture() const override { return Captured; }
  void SetTimer(int id, int intervalMs) override { Timers[id] = intervalMs; }
  void KillTimer(int id) override { Timers.erase(id); }
  void SetCursor(TCursor c) override { Cursor = c; }
  void CreateCaret(int, int) override {}
  void SetCaretPos(int x, int y) override { CaretPos = {x, y}; }
  void ShowCaret() override { CaretShown = true; }
  void HideCaret() override { CaretShown = false; }
  void DestroyCaret() override { CaretShown = false; }
  void SetScrollInfo(TScrollBarKind bar, const TScrollInfo& info) override { Scroll[bar] = info; }
  TScrollInfo GetScrollInfo(TScrollBarKind bar) const override { return Scroll[bar]; }
  void PostToSelf(int, std::intptr_t, std::intptr_t) override {}
  TFontService& Fonts() override { return FontsOverride ? *FontsOverride : FontService(); }
};

}  // namespace qv::test
