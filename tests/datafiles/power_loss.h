#pragma once

#include <cstddef>
#include <filesystem>
#include <string>
#include <vector>

#include "datafiles/io/file_ops.h"
#include "fixtures.h"

namespace voltrim::testing {

// What the disk may hold after a power cut at any moment of a recorded run, under the
// usual rules of a file system that keeps the page cache and the directory updates apart:
//  - file data written since the file's last sync may be lost: all of it, none of it, or
//    the first half of it (a prefix of the unsynced writes, in order);
//  - a creation, rename, link or removal not followed by a sync of its folder may or may
//    not have happened, each independently of the others;
//  - whatever was synced stays.
// A combination no file system can produce is left out: an operation that would meet its
// name holding something else than it met in the run, because an earlier operation on
// that name was lost (a rename of a file whose creation was lost, say).
//
// Enumeration is bounded: up to kAllSubsets undecided folder operations are combined in
// every way; beyond that (only when syncs are missing), every in-order prefix of them
// and every prefix with one of them lost. Up to kAllDataCombinations files with unsynced
// data take every combination of their three outcomes; beyond that, all files alike and
// each one alone differing from the rest.
class PowerLossModel {
 public:
  static constexpr std::size_t kAllSubsets = 10;
  static constexpr std::size_t kAllDataCombinations = 4;

  // initial: the files below root before the run, all on the disk for good (relative
  // paths, as TakeSnapshot gives them); operations: the record of the run (refused ones
  // changed nothing and count only as cut points).
  PowerLossModel(const std::filesystem::path& root, Snapshot initial,
                 const std::vector<file_ops::Operation>& operations);

  // Cut points: before the first operation and after each one.
  std::size_t Cuts() const { return operations_.size() + 1; }
  // The files as the program saw them after the first `cut` operations: what the death of
  // the process at that point would leave.
  Snapshot ViewAt(std::size_t cut) const;
  // Every distinct state the disk may hold after a power cut following the first `cut`
  // operations; `combinations` (when given) counts the combinations tried, repeats included.
  std::vector<Snapshot> StatesAt(std::size_t cut, std::size_t* combinations = nullptr) const;

 private:
  struct Op {
    file_ops::Operation::Kind kind;
    std::string path;  // relative to root
    std::string to;
    Bytes data;
    bool refused;
  };

  Snapshot initial_;
  std::vector<Op> operations_;
};

}  // namespace voltrim::testing
