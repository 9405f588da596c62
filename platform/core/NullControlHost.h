// A control host without a window: it answers every request of a control
// core and does nothing with it. Benchmarks and fuzz targets drive cores
// through it to run the code paths of a visible control without a display.
#pragma once

#include "platform/core/ControlCore.h"

namespace qv {

class TNullControlHost : public TControlHost {
 public:
  // The client area and the font service the core measures with (the
  // process-wide one when null).
  explicit TNullControlHost(const TRect& Client, TFontService* AFonts = nullptr)
      : client_(Client), fonts_(AFonts) {}
  TRect ClientRect() const override { return client_; }
  void Invalidate() override {}
  void InvalidateRect(const TRect&) override {}
  void Update() override {}
  bool Focused() const override { return true; }
  void SetFocus() override {}
  void SetCapture() override { capture_ = true; }
  void ReleaseCapture() override { capture_ = false; }
  bool HasCapture() const override { return capture_; }
  void SetTimer(int, int) override {}
  void KillTimer(int) override {}
  void SetCursor(TCursor) override {}
  void CreateCaret(int, int) override {}
  void SetCaretPos(int, int) override {}
  void ShowCaret() override {}
  void HideCaret() override {}
  void DestroyCaret() override {}
  void SetScrollInfo(TScrollBarKind, const TScrollInfo&) override {}
  TScrollInfo GetScrollInfo(TScrollBarKind) const override { return TScrollInfo(); }
  void PostToSelf(int, std::intptr_t, std::intptr_t) override {}
  TFontService& Fonts() override { return fonts_ ? *fonts_ : FontService(); }

 private:
  TRect client_;
  TFontService* fonts_;
  bool capture_ = false;
};

}  // namespace qv
