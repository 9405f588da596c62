#include "platform/gui/QtThreadPost.h"

#include <QCoreApplication>
#include <QMetaObject>

#include "platform/core/ThreadPost.h"

namespace qv {

namespace {

class TQtUiQueue : public TUiQueue {
 public:
  void Queue(std::function<void()> call) override {
    // A queued invocation with the application as context is safe from any
    // thread; it runs on the application's thread.
    QMetaObject::invokeMethod(
        QCoreApplication::instance(), [call = std::move(call)] { call(); }, Qt::QueuedConnection);
  }
};

}  // namespace

void InstallQtUiQueue() {
  static TQtUiQueue queue;  // lives to the end of the program, past every worker
  SetUiQueue(&queue);
}

}  // namespace qv
