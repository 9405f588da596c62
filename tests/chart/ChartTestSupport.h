// Shared by the chart drawing tests: a host window that records what the
// chart asks of it, and a chart drawn once on a recording canvas with fixed
// font metrics (8 x 16 pixel cells).
#pragma once

#include <functional>
#include <vector>

#include "chart/Series.h"
#include "platform/core/ControlCore.h"
#include "platform/core/RecordingCanvas.h"

namespace qv::charttest {

// A host of fixed size that counts repaint requests and runs OnUpdate when
// the chart asks to be painted at once.
class TTestHost : public TControlHost {
 public:
  explicit TTestHost(int width = 400, int height = 250) : width_(width), height_(height) {}
  TRect ClientRect() const override { return TRect(0, 0, width_, height_); }
  void Invalidate() override { ++Invalidates; }
  void InvalidateRect(const TRect&) override { ++Invalidates; }
  void Update() override {
    ++Updates;
    if (OnUpdate) OnUpdate();
  }
  bool Focused() const override { return false; }
  void SetFocus() override {}
  void SetCapture() override {}
  void ReleaseCapture() override {}
  bool HasCapture() const override { return false; }
  void SetTimer(int, int) override {}
  void KillTimer(int) override {}
  void SetCursor(TCursor c) override { Cursor = c; }
  void CreateCaret(int, int) override {}
  void SetCaretPos(int, int) override {}
  void ShowCaret() override {}
  void HideCaret() override {}
  void DestroyCaret() override {}
  void SetScrollInfo(TScrollBarKind, const TScrollInfo&) override {}
  TScrollInfo GetScrollInfo(TScrollBarKind) const override { return {}; }
  void PostToSelf(int, std::intptr_t, std::intptr_t) override {}

  int Invalidates = 0;
  int Updates = 0;
  TCursor Cursor = crDefault;
  std::function<void()> OnUpdate;

 private:
  int width_, height_;
};

// A 400 x 250 chart with fixed font metrics that draws on a recording
// canvas (unbuffered, so every call is seen).
struct TDrawnChart {
  TFakeFontService Fonts;
  TRecordingCanvas Canvas{TRect(0, 0, 400, 250), &Fonts};
  TChart Chart;
  TDrawnChart() {
    Chart.SetBounds(400, 250);
    Chart.SetView3D(false);
    Chart.Canvas().SetBufferedDrawing(false);
  }
  // Draws the chart afresh (the canvas forgets earlier calls).
  void Draw() {
    Canvas.Clear();
    Chart.DrawInto(Canvas, TRect(0, 0, 400, 250));
  }
  // The index of the first call of Op whose text is Text (-1 for none).
  int IndexOfText(const std::string& text) const {
    const auto& calls = Canvas.Calls();
    for (std::size_t i = 0; i < calls.size(); ++i)
      if (calls[i].Text == text) return int(i);
    return -1;
  }
};

}  // namespace qv::charttest
