#include "platform/core/ThreadPost.h"

#include <chrono>

namespace qv {

void TManualUiQueue::Queue(std::function<void()> call) {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    calls_.push_back(std::move(call));
  }
  cv_.notify_all();
}

int TManualUiQueue::Drain() {
  std::deque<std::function<void()>> calls;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    calls.swap(calls_);
  }
  // Run with no lock held: a call may queue again.
  for (auto& c : calls) c();
  return static_cast<int>(calls.size());
}

std::size_t TManualUiQueue::Pending() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return calls_.size();
}

bool TManualUiQueue::WaitPending(int timeoutMs) {
  std::unique_lock<std::mutex> lock(mutex_);
  return cv_.wait_for(lock, std::chrono::milliseconds(timeoutMs),
                      [this] { return !calls_.empty(); });
}

namespace {
std::atomic<TUiQueue*>& installedQueue() {
  static std::atomic<TUiQueue*> q{nullptr};
  return q;
}
}  // namespace

TManualUiQueue& ManualUiQueue() {
  static TManualUiQueue q;
  return q;
}

TUiQueue& UiQueue() {
  TUiQueue* q = installedQueue().load();
  return q != nullptr ? *q : ManualUiQueue();
}

void SetUiQueue(TUiQueue* queue) { installedQueue().store(queue); }

std::shared_ptr<TPostTarget> TPostTarget::Create(THandler handler) {
  return std::shared_ptr<TPostTarget>(new TPostTarget(std::move(handler)));
}

void TPostTarget::Post(int msg, std::intptr_t wParam, std::intptr_t lParam) {
  if (closed_.load()) return;
  UiQueue().Queue([self = shared_from_this(), msg, wParam, lParam] {
    if (!self->closed_.load() && self->handler_) self->handler_(msg, wParam, lParam);
  });
}

}  // namespace qv
