#pragma once

#include <condition_variable>
#include <functional>
#include <mutex>

namespace voltrim::testing {

// Queued calls need an application object; the GUI tests have their own.
void EnsureCoreApplication();

// Runs the event loop until the condition holds; false if it never does within a generous
// bound (a hang guard, not a measure of speed).
bool ProcessEventsUntil(const std::function<bool()>& condition);

// Holds a worker thread until the test lets it go.
class Gate {
 public:
  void Wait();
  void Open();

 private:
  std::mutex mutex_;
  std::condition_variable opened_;
  bool open_ = false;
};

}  // namespace voltrim::testing
