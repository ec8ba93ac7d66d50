#pragma once

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <string>
#include <vector>

#include "datafiles/format/master.h"
#include "datafiles/io/portfolio_lock.h"
#include "datafiles/io/replace_file.h"
#include "fixtures.h"

namespace voltrim::testing {

// Temporary files of a write anywhere below root.
inline std::vector<std::string> TemporariesBelow(const std::filesystem::path& root) {
  std::vector<std::string> found;
  for (const auto& entry : std::filesystem::recursive_directory_iterator(root)) {
    if (IsWriterTemporaryName(entry.path().filename().string())) {
      found.push_back(entry.path().string());
    }
  }
  return found;
}

// MASTER's header counts exactly the records it holds, no two records share a file number,
// and the data file of every record is there.
inline void ExpectMasterSound(const std::filesystem::path& dir) {
  const Bytes master = ReadFileBytes(dir / "MASTER");
  ASSERT_GE(master.size(), kMasterRecordSize);
  const int records = static_cast<int>(master.size() / kMasterRecordSize) - 1;
  EXPECT_EQ(master.size() % kMasterRecordSize, 0u) << dir;
  EXPECT_EQ(MasterHeaderField(master, 0), records) << dir;
  std::vector<int> numbers;
  for (int i = 0; i < records; ++i) {
    const int number = MasterRecordBytes(master, i)[0];
    EXPECT_EQ(std::count(numbers.begin(), numbers.end(), number), 0) << dir << " F" << number;
    numbers.push_back(number);
    EXPECT_TRUE(std::filesystem::exists(dir / ("F" + std::to_string(number) + ".DAT")))
        << dir << " F" << number;
  }
}

// Whether the folder (or one below it) lists the symbol.
inline bool Holds(const std::string& dir, const std::string& symbol) {
  FoundSymbol found;
  return FindSymbol(dir, symbol, found) == kOk;
}

// What every window says when another program keeps the portfolio past the wait.
inline const std::string kBusyText =
    "The portfolio is being changed by another program.\nTry again when it has "
    "finished.\n\nNothing was changed.";

// Sets how long writers wait for a held portfolio, and restores the wait when it goes.
class LockWait {
 public:
  explicit LockWait(std::chrono::milliseconds wait) : saved_(PortfolioLockWait()) {
    SetPortfolioLockWait(wait);
  }
  ~LockWait() { SetPortfolioLockWait(saved_); }

 private:
  std::chrono::milliseconds saved_;
};

// Holds a folder's lock the way any other program would: flock on the folder itself.
class FolderHolder {
 public:
  explicit FolderHolder(const std::filesystem::path& folder)
      : fd_(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC)) {
    EXPECT_GE(fd_, 0) << folder;
    EXPECT_EQ(::flock(fd_, LOCK_EX | LOCK_NB), 0) << folder;
  }
  ~FolderHolder() {
    if (fd_ >= 0) ::close(fd_);
  }
  FolderHolder(const FolderHolder&) = delete;
  FolderHolder& operator=(const FolderHolder&) = delete;

 private:
  int fd_;
};

}  // namespace voltrim::testing
