#include "datafiles/io/portfolio_lock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdint>
#include <map>
#include <thread>
#include <utility>

#include "datafiles/io/memory_files.h"
#include "datafiles/io/portfolio_files.h"
#include "datafiles/io/replace_file.h"

namespace voltrim {

namespace {

using Clock = std::chrono::steady_clock;
using Key = PortfolioLock::Key;

std::atomic<long long> lockWaitMs{5000};

// Folders this thread holds: the descriptor carrying the lock (-1 where the file system
// has no locks) and how many PortfolioLocks of this thread hold it.
struct HeldFolder {
  int fd = -1;
  int depth = 0;
  bool leftoversCleared = false;
};
thread_local std::map<Key, HeldFolder> heldByThread;

std::string FolderPath(std::string_view folder) {
  return folder.empty() ? std::string(".") : std::string(folder);
}

bool KeyOf(const std::string& folder, Key& key) {
  if (const file_ops::MemoryFiles* memory = file_ops::MemoryFilesInUse()) {
    const std::shared_ptr<file_ops::MemoryNode> node = memory->Find(folder);
    if (!node || !node->folder) return false;
    key = {0, reinterpret_cast<std::uintptr_t>(node.get())};
    return true;
  }
  struct stat info {};
  if (::stat(folder.c_str(), &info) != 0 || !S_ISDIR(info.st_mode)) return false;
  key = {static_cast<unsigned long long>(info.st_dev),
         static_cast<unsigned long long>(info.st_ino)};
  return true;
}

enum class LockOutcome { kLocked, kBusy, kUnsupported };

// Polls, because a blocking flock cannot be given a deadline.
LockOutcome LockBefore(int fd, Clock::time_point deadline) {
  auto pause = std::chrono::milliseconds(1);
  for (;;) {
    if (::flock(fd, LOCK_EX | LOCK_NB) == 0) return LockOutcome::kLocked;
    if (errno == EINTR) continue;
    if (errno != EWOULDBLOCK) return LockOutcome::kUnsupported;
    if (Clock::now() >= deadline) return LockOutcome::kBusy;
    std::this_thread::sleep_for(pause);
    pause = std::min(pause * 2, std::chrono::milliseconds(40));
  }
}

void CloseQuietly(int& fd) {
  if (fd >= 0) ::close(fd);
  fd = -1;
}

// Locks the folder itself, or failing that our lock file in it. fd gets the descriptor
// holding the lock, or -1 when neither can be locked on this file system.
LockOutcome LockFolder(const std::string& folder, int& fd) {
  // Memory files belong to one process, which holds them by running.
  if (file_ops::MemoryFilesInUse() != nullptr) return LockOutcome::kLocked;
  const Clock::time_point deadline = Clock::now() + PortfolioLockWait();
  fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  LockOutcome outcome = fd >= 0 ? LockBefore(fd, deadline) : LockOutcome::kUnsupported;
  if (outcome == LockOutcome::kUnsupported) {
    CloseQuietly(fd);
    const std::string lockFile = WithTrailingSeparator(folder) + kLockFileName;
    fd = ::open(lockFile.c_str(), O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0666);
    outcome = fd >= 0 ? LockBefore(fd, deadline) : LockOutcome::kUnsupported;
  }
  if (outcome != LockOutcome::kLocked) CloseQuietly(fd);
  return outcome;
}

void Release(const Key& key) {
  const auto it = heldByThread.find(key);
  if (it == heldByThread.end()) return;
  if (--it->second.depth > 0) return;
  CloseQuietly(it->second.fd);  // closing the last descriptor ends the lock
  heldByThread.erase(it);
}

}  // namespace

void SetPortfolioLockWait(std::chrono::milliseconds wait) { lockWaitMs = wait.count(); }

std::chrono::milliseconds PortfolioLockWait() {
  return std::chrono::milliseconds(lockWaitMs.load());
}

PortfolioLock::PortfolioLock(const std::vector<std::string_view>& folders) {
  std::vector<std::pair<Key, std::string>> wanted;
  for (const std::string_view folder : folders) {
    Key key;
    const std::string path = FolderPath(folder);
    if (KeyOf(path, key)) wanted.emplace_back(key, path);
  }
  // One order for every writer, so that two writers never wait on each other in a circle.
  std::sort(wanted.begin(), wanted.end());
  wanted.erase(std::unique(wanted.begin(), wanted.end(),
                           [](const auto& a, const auto& b) { return a.first == b.first; }),
               wanted.end());
  for (const auto& [key, path] : wanted) {
    if (Take(path, key) != kOk) {
      status_ = kPortfolioBusy;
      break;
    }
  }
  if (status_ != kOk) {
    for (const Key& key : held_) Release(key);
    held_.clear();
  }
}

PortfolioLock::~PortfolioLock() {
  for (auto it = held_.rbegin(); it != held_.rend(); ++it) Release(*it);
}

bool PortfolioLock::Covers(std::string_view folder) const {
  Key key;
  if (!KeyOf(FolderPath(folder), key)) return true;
  return std::find(held_.begin(), held_.end(), key) != held_.end();
}

Status PortfolioLock::Add(std::string_view folder) {
  if (status_ != kOk) return status_;
  Key key;
  const std::string path = FolderPath(folder);
  if (!KeyOf(path, key)) return kOk;
  if (std::find(held_.begin(), held_.end(), key) != held_.end()) return kOk;
  return Take(path, key);
}

Status PortfolioLock::Take(const std::string& folder, Key key) {
  const auto it = heldByThread.find(key);
  if (it != heldByThread.end()) {
    ++it->second.depth;
    held_.push_back(key);
    return kOk;
  }
  int fd = -1;
  if (LockFolder(folder, fd) == LockOutcome::kBusy) return kPortfolioBusy;
  // Only a writer that truly holds the folder may take away what another writer left.
  const bool clear = fd >= 0 || file_ops::MemoryFilesInUse() != nullptr;
  heldByThread[key] = HeldFolder{fd, 1, clear};
  held_.push_back(key);
  if (clear) ClearLeftoverTemporaries(folder);
  return kOk;
}

bool LeftoversClearedByThisThread(std::string_view folder) {
  Key key;
  if (heldByThread.empty() || !KeyOf(FolderPath(folder), key)) return false;
  const auto held = heldByThread.find(key);
  return held != heldByThread.end() && held->second.leftoversCleared;
}

}  // namespace voltrim
