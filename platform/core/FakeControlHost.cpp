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

void TFakeControlHost::SetTimer(int id, int intervalMs) {
  clock_.Set(this, id, intervalMs, [this, id] {
    if (core_) core_->Timer(id);
  });
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
