#pragma once

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QThread>

#include <condition_variable>
#include <functional>
#include <mutex>

namespace voltrim::testing {

// Queued calls need an application object; the GUI tests have their own.
inline void EnsureCoreApplication() {
  if (QCoreApplication::instance()) return;
  static int argc = 1;
  static char name[] = "tests";
  static char* argv[] = {name, nullptr};
  static QCoreApplication app(argc, argv);
}

// Runs the event loop until the condition holds; false if it never does within a generous
// bound (a hang guard, not a measure of speed).
inline bool ProcessEventsUntil(const std::function<bool()>& condition) {
  QDeadlineTimer deadline(30000);
  while (!condition()) {
    if (deadline.hasExpired()) return false;
    QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    QThread::msleep(1);
  }
  return true;
}

// Holds a worker thread until the test lets it go.
class Gate {
 public:
  void Wait() {
    std::unique_lock lock(mutex_);
    opened_.wait(lock, [this] { return open_; });
  }
  void Open() {
    {
      const std::lock_guard lock(mutex_);
      open_ = true;
    }
    opened_.notify_all();
  }

 private:
  std::mutex mutex_;
  std::condition_variable opened_;
  bool open_ = false;
};

}  // namespace voltrim::testing
