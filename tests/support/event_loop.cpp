#include "support/event_loop.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QThread>

namespace voltrim::testing {

void EnsureCoreApplication() {
  if (QCoreApplication::instance()) return;
  static int argc = 1;
  static char name[] = "tests";
  static char* argv[] = {name, nullptr};
  static QCoreApplication app(argc, argv);
}

bool ProcessEventsUntil(const std::function<bool()>& condition) {
  QDeadlineTimer deadline(30000);
  while (!condition()) {
    if (deadline.hasExpired()) return false;
    QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    QThread::msleep(1);
  }
  return true;
}

void Gate::Wait() {
  std::unique_lock lock(mutex_);
  opened_.wait(lock, [this] { return open_; });
}

void Gate::Open() {
  {
    const std::lock_guard lock(mutex_);
    open_ = true;
  }
  opened_.notify_all();
}

}  // namespace voltrim::testing
