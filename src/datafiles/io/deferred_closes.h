#pragma once

#include <unistd.h>

#include <algorithm>
#include <array>
#include <cstddef>

namespace voltrim {

// The descriptors of files read one after another, closed together: a folder read whole
// closes its files in runs of consecutive numbers, one system call a run, instead of one
// call a file. What is handed over stays open until the batch is full, Flush is called or
// the batch is destroyed.
class DeferredCloses {
 public:
  DeferredCloses() = default;
  ~DeferredCloses() { Flush(); }
  DeferredCloses(const DeferredCloses&) = delete;
  DeferredCloses& operator=(const DeferredCloses&) = delete;

  void Add(int fd) {
    if (count_ == kHeld) Flush();
    fds_[count_++] = fd;
  }
  bool Empty() const { return count_ == 0; }

  void Flush() {
    std::sort(fds_.begin(), fds_.begin() + static_cast<std::ptrdiff_t>(count_));
    for (std::size_t first = 0; first < count_;) {
      // Every number of a run is one of ours, so a range closes nothing else.
      std::size_t last = first;
      while (last + 1 < count_ && fds_[last + 1] == fds_[last] + 1) ++last;
      const auto low = static_cast<unsigned>(fds_[first]);
      const auto high = static_cast<unsigned>(fds_[last]);
      if (last == first || ::close_range(low, high, 0) != 0) {
        for (std::size_t i = first; i <= last; ++i) ::close(fds_[i]);
      }
      first = last + 1;
    }
    count_ = 0;
  }

 private:
  // Few enough not to crowd a process's limit of open files, enough to make a close rare.
  static constexpr std::size_t kHeld = 64;
  std::array<int, kHeld> fds_{};
  std::size_t count_ = 0;
};

}  // namespace voltrim
