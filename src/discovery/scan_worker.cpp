#include "discovery/scan_worker.h"

#include <QElapsedTimer>
#include <QMetaObject>
#include <QThread>

#include <utility>

#include "prompt/user_prompt.h"

namespace voltrim {
namespace {

// Faster updates cannot be read and would flood the window's event queue.
constexpr qint64 kProgressIntervalMs = 40;

// The walk's prompt on the worker thread: forwards the progress to the window's thread,
// throttled. The walk reports nothing else.
class QueuedProgress : public QuietPrompt {
 public:
  QueuedProgress(QObject& receiver, UserPrompt& shown) : receiver_(receiver), shown_(shown) {}

  void ShowMessage(const std::string&, MessageIcon) override {}
  bool AskYesNo(const std::string&) override { return false; }

  void ScanProgress(const std::string& path, int found) override {
    path_ = path;
    found_ = found;
    pending_ = true;
    if (!sincePost_.isValid() || sincePost_.elapsed() >= kProgressIntervalMs) Post();
  }

  // The box ends on what the walk last reported.
  void Flush() {
    if (pending_) Post();
  }

 private:
  void Post() {
    pending_ = false;
    sincePost_.start();
    QMetaObject::invokeMethod(
        &receiver_,
        [&shown = shown_, path = path_, found = found_] { shown.ScanProgress(path, found); },
        Qt::QueuedConnection);
  }

  QObject& receiver_;
  UserPrompt& shown_;
  std::string path_;
  int found_ = 0;
  bool pending_ = false;
  QElapsedTimer sincePost_;
};

}  // namespace

ScanWorker::ScanWorker(UserPrompt& prompt) : prompt_(prompt) {}

ScanWorker::~ScanWorker() {
  // Queued calls still waiting die with the receiver; none can be posted after the wait.
  if (thread_) thread_->wait();
}

bool ScanWorker::Start(Walk walk, std::string root, SearchFilter filter, Done done) {
  if (thread_) return false;
  done_ = std::move(done);
  thread_.reset(QThread::create(
      [this, walk = std::move(walk), root = std::move(root), filter = std::move(filter)] {
        QueuedProgress progress(receiver_, prompt_);
        std::vector<std::string> found;
        walk(root, filter, found, progress);
        progress.Flush();
        QMetaObject::invokeMethod(
            &receiver_, [this, found = std::move(found)]() mutable { Finish(std::move(found)); },
            Qt::QueuedConnection);
      }));
  thread_->start();
  return true;
}

void ScanWorker::Finish(std::vector<std::string> found) {
  thread_->wait();
  thread_.reset();
  // The callback may start the next walk.
  Done done = std::move(done_);
  done(std::move(found));
}

}  // namespace voltrim
