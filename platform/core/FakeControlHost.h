// A control host for tests: no window, a manual clock for timers, and a log
// of what the core asked of its host.
//
//   TFakeControlHost host(&core, 300, 100);   // attaches, sizes the core
//   core.MouseDown(mbLeft, 0, 10, 5);
//   host.Advance(1500);                        // fires the timers due by then
//   EXPECT_TRUE(host.TimerActive(1));
//
// Timers fire only from Advance, in the order they fall due; a timer set or
// killed while another fires is honoured. Posted messages are delivered by
// DeliverPosted. Focus is granted on SetFocus unless RefuseFocus is set.
#pragma once

#include <cstdint>
#include <deque>
#include <tuple>

#include "platform/core/ControlCore.h"
#include "platform/core/ManualClock.h"

namespace qv {

class TFakeControlHost : public TControlHost {
 public:
  explicit TFakeControlHost(TControlCore* core = nullptr, int width = 300, int height = 100,
                            TFontService* fonts = nullptr);
  ~TFakeControlHost() override;
  TFakeControlHost(const TFakeControlHost&) = delete;
  TFakeControlHost& operator=(const TFakeControlHost&) = delete;

  // Attaches a core (detaching the previous one) and tells it its size.
  void Attach(TControlCore* core);
  void SetClientSize(int width, int height);

  // ---- clock ----
  std::int64_t Now() const { return clock_.Now(); }
  // Moves the clock on, firing every timer that falls due meanwhile.
  void Advance(int ms) { clock_.Advance(ms); }
  bool TimerActive(int id) const { return clock_.Active(this, id); }
  int TimerInterval(int id) const { return clock_.Interval(this, id); }
  TManualClock& Clock() { return clock_; }

  // ---- what the core did ----
  int Invalidations() const { return invalidations_; }
  void ResetInvalidations() { invalidations_ = 0; }
  TCursor Cursor() const { return cursor_; }
  void DeliverPosted();
  std::size_t PendingPosts() const { return posted_.size(); }
  bool RefuseFocus = false;
  // Focus given or taken from outside (calls the core's FocusIn/FocusOut).
  void GiveFocus();
  void TakeFocus();

  // ---- TControlHost ----
  TRect ClientRect() const override { return TRect(0, 0, width_, height_); }
  void Invalidate() override { ++invalidations_; }
  void InvalidateRect(const TRect&) override { ++invalidations_; }
  void Update() override {}
  bool Focused() const override { return focused_; }
  void SetFocus() override;
  void SetCapture() override { capture_ = true; }
  void ReleaseCapture() override { capture_ = false; }
  bool HasCapture() const override { return capture_; }
  void SetTimer(int id, int intervalMs) override;
  void KillTimer(int id) override { clock_.Kill(this, id); }
  void SetCursor(TCursor c) override { cursor_ = c; }
  void CreateCaret(int, int) override {}
  void SetCaretPos(int, int) override {}
  void ShowCaret() override {}
  void HideCaret() override {}
  void DestroyCaret() override {}
  void SetScrollInfo(TScrollBarKind bar, const TScrollInfo& info) override { scroll_[bar] = info; }
  TScrollInfo GetScrollInfo(TScrollBarKind bar) const override { return scroll_[bar]; }
  void PostToSelf(int msg, std::intptr_t wParam, std::intptr_t lParam) override {
    posted_.emplace_back(msg, wParam, lParam);
  }
  TFontService& Fonts() override { return fonts_ ? *fonts_ : FontService(); }

 private:
  TControlCore* core_ = nullptr;
  TFontService* fonts_;
  int width_, height_;
  TManualClock clock_;
  int invalidations_ = 0;
  bool focused_ = false;
  bool capture_ = false;
  TCursor cursor_ = crDefault;
  TScrollInfo scroll_[2];
  std::deque<std::tuple<int, std::intptr_t, std::intptr_t>> posted_;
};

}  // namespace qv
