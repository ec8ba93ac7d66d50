#pragma once

#include <QObject>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "discovery/discovery_filter.h"

class QThread;

namespace voltrim {

class UserPrompt;

// Walks a drive on a thread of its own, so that the window keeps painting during a long
// scan. The progress and the result come back as queued calls on the thread that started
// the walk: the progress at most every 40 ms (and always its last state), then the result.
class ScanWorker {
 public:
  // The walk itself (WalkDirectory, or a stand-in in tests); it runs on the worker thread
  // and reports through the prompt it is given.
  using Walk = std::function<void(const std::string& root, const SearchFilter& filter,
                                  std::vector<std::string>& results, UserPrompt& prompt)>;
  using Done = std::function<void(std::vector<std::string> found)>;

  // Progress is shown through `prompt`, on the starting thread.
  explicit ScanWorker(UserPrompt& prompt);
  // Waits for a running walk; its result is dropped.
  ~ScanWorker();
  ScanWorker(const ScanWorker&) = delete;
  ScanWorker& operator=(const ScanWorker&) = delete;

  // Starts a walk of root; done runs on this thread once it has ended. Refused (false)
  // while another walk runs.
  bool Start(Walk walk, std::string root, SearchFilter filter, Done done);
  bool Running() const { return thread_ != nullptr; }

 private:
  void Finish(std::vector<std::string> found);

  UserPrompt& prompt_;
  QObject receiver_;  // lives on the starting thread: the queued calls run there
  std::unique_ptr<QThread> thread_;
  Done done_;
};

}  // namespace voltrim
