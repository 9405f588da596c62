// Posting from a worker thread to the Qt event loop: calls run on the
// application's thread in order, and a closed target drops what is still
// queued.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QThread>
#include <atomic>
#include <thread>

#include "platform/core/ThreadPost.h"
#include "platform/gui/QtCanvas.h"
#include "platform/gui/QtServices.h"

using namespace qv;

namespace {

class QtThreadPost : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { InstallQtServices(); }
  static void TearDownTestSuite() { SetUiQueue(nullptr); }
};

void pumpUntil(const std::function<bool()>& done) {
  const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(30);
  while (!done() && std::chrono::steady_clock::now() < end) {
    QCoreApplication::processEvents();
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
}

TEST_F(QtThreadPost, CallsRunOnTheApplicationThreadInOrder) {
  std::vector<std::intptr_t> got;
  std::atomic<bool> wrongThread{false};
  QThread* ui = QCoreApplication::instance()->thread();
  auto target = TPostTarget::Create([&](int msg, std::intptr_t w, std::intptr_t) {
    if (QThread::currentThread() != ui || msg != 1125) wrongThread = true;
    got.push_back(w);
  });
  std::thread worker([&] {
    for (int i = 0; i < 100; ++i) target->Post(1125, i, 0);
  });
  worker.join();
  pumpUntil([&] { return got.size() == 100; });
  ASSERT_EQ(got.size(), 100u);
  for (int i = 0; i < 100; ++i) EXPECT_EQ(got[static_cast<std::size_t>(i)], i);
  EXPECT_FALSE(wrongThread);
}

TEST_F(QtThreadPost, AClosedTargetDropsQueuedCalls) {
  int calls = 0;
  auto target = TPostTarget::Create([&](int, std::intptr_t, std::intptr_t) { ++calls; });
  std::thread worker([&] {
    for (int i = 0; i < 10; ++i) target->Post(1125, i, 0);
  });
  worker.join();
  target->Close();  // before the event loop delivers
  for (int i = 0; i < 20; ++i) QCoreApplication::processEvents();
  EXPECT_EQ(calls, 0);
  target->Post(1125, 0, 0);
  QCoreApplication::processEvents();
  EXPECT_EQ(calls, 0);
}

}  // namespace
