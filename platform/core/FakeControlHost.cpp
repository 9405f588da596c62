#include "platform/core/FakeControlHost.h"

#include <algorithm>

namespace qv {

TFakeControlHost::TFakeControlHost(TControlCore* core, int width, int height, TFontService* fonts)
    : fonts_(fonts), width_(width), height_(height) {
  Attach(core);
}

TFakeControlHost::~TFakeControlHost() {
  if (core_) core_->SetHost(nullptr);
}

void TFakeControlHost::Attach(TControlCore* core) {
  if (core_) core_->SetHost(nullptr);
  core_ = core;
  if (core_) {
    core_->SetHost(this);
    core_->Resize(width_, height_);
  }
}

void TFakeControlHost::SetClientSize(int width, int height) {
  width_ = width;
  height_ = height;
  if (core_) core_->Resize(width, height);
}

int TFakeControlHost::TimerInterval(int id) const {
  auto it = timers_.find(id);
  return it == timers_.end() ? 0 : it->second.Interval;
}

void TFakeControlHost::SetTimer(int id, int intervalMs) {
  const int interval = std::max(intervalMs, 1);
  timers_[id] = TTimer{interval, now_ + interval, order_++};
}

void TFakeControlHost::Advance(int ms) {
  const std::int64_t end = now_ + std::max(ms, 0);
  for (;;) {
    auto next = timers_.end();
    for (auto it = timers_.begin(); it != timers_.end(); ++it)
      if (it->second.Due <= end &&
          (next == timers_.end() || it->second.Due < next->second.Due ||
           (it->second.Due == next->second.Due && it->second.Order < next->second.Order)))
        next = it;
    if (next == timers_.end()) break;
    now_ = next->second.Due;
    const int id = next->first;
    next->second.Due += next->second.Interval;
    next->second.Order = order_++;
    if (core_) core_->Timer(id);
  }
  now_ = end;
}

void TFakeControlHost::DeliverPosted() {
  while (!posted_.empty()) {
    auto [msg, w, l] = posted_.front();
    posted_.pop_front();
    if (core_) core_->Posted(msg, w, l);
  }
}

void TFakeControlHost::SetFocus() {
  if (RefuseFocus || focused_) return;
  GiveFocus();
}

void TFakeControlHost::GiveFocus() {
  if (focused_) return;
  focused_ = true;
  if (core_) core_->FocusIn();
}

void TFakeControlHost::TakeFocus() {
  if (!focused_) return;
  focused_ = false;
  if (core_) core_->FocusOut();
}

}  // namespace qv
