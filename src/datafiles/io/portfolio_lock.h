#pragma once

#include <chrono>
#include <initializer_list>
#include <string>
#include <string_view>
#include <vector>

#include "datafiles/status.h"

namespace voltrim {

// Another writer held the portfolio longer than a writer waits; nothing was changed.
inline constexpr Status kPortfolioBusy = -120;

inline constexpr const char* kPortfolioBusyMessage =
    "The portfolio is being changed by another program.\nTry again when it has "
    "finished.\n\nNothing was changed.";

// Name of the lock file used only where a folder itself cannot be locked.
inline constexpr const char* kLockFileName = ".voltrim-lock";

// Keeps other writers out of the given portfolio folders for its lifetime: an exclusive
// advisory lock (flock) on each folder itself, which no write renames away, so a lock
// taken before a read still covers the file that replaces it. Works across processes and
// across threads; a thread that already holds a folder (an outer write calling an inner
// one) holds it again without waiting. Folders are taken in one fixed order, so two writers
// locking the same pair never wait on each other in a circle. A writer waits up to the
// lock wait and then gives up with kPortfolioBusy, holding nothing.
//
// Where the file system refuses locks on folders, a lock file of ours in the folder is
// locked instead; where it supports no locks at all the write goes ahead unlocked, as
// before locks existed.
//
// While a folder is held, the temporary files a crashed writer left in it are removed.
class PortfolioLock {
 public:
  // A folder as the file system knows it, whatever path names it.
  struct Key {
    unsigned long long device = 0;
    unsigned long long inode = 0;
    auto operator<=>(const Key&) const = default;
  };

  explicit PortfolioLock(std::initializer_list<std::string_view> folders)
      : PortfolioLock(std::vector<std::string_view>(folders)) {}
  explicit PortfolioLock(const std::vector<std::string_view>& folders);
  ~PortfolioLock();
  PortfolioLock(const PortfolioLock&) = delete;
  PortfolioLock& operator=(const PortfolioLock&) = delete;

  // kOk when every folder is held, else kPortfolioBusy.
  Status status() const { return status_; }
  // Whether this lock holds folder (or the folder does not exist, so nothing can be
  // written into it).
  bool Covers(std::string_view folder) const;
  // Takes one more folder, found only after the first ones were held.
  Status Add(std::string_view folder);

 private:
  Status Take(const std::string& folder, Key key);

  std::vector<Key> held_;
  Status status_ = kOk;
};

// Whether this thread holds folder and removed, when it took it, the temporaries crashed
// writers had left there: a writer's temporary name then has no variant in another case to
// look for, which in a folder of thousands of files costs a listing of them all.
bool LeftoversClearedByThisThread(std::string_view folder);

// How long a writer waits for a folder another writer holds (a few seconds by default).
// Tests shorten it.
void SetPortfolioLockWait(std::chrono::milliseconds wait);
std::chrono::milliseconds PortfolioLockWait();

}  // namespace voltrim
