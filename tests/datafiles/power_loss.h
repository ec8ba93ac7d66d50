#pragma once

#include <cstddef>
#include <filesystem>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "datafiles/io/file_ops.h"
#include "fixtures.h"

namespace voltrim::testing {

// What the disk may hold after a power cut at any moment of a recorded run, under the
// usual rules of a file system that keeps the page cache and the directory updates apart:
//  - file data written since the file's last sync may be lost: all of it, none of it, or
//    the first half of it (a prefix of the unsynced writes, in order);
//  - a creation, rename, link, removal or new folder not followed by a sync of its folder
//    may or may not have happened, each independently of the others (the files of a new
//    folder whose creation was lost are lost with it);
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

  // A set of files: name (relative to root) -> content, as an index into Content.
  using State = std::map<std::string, int>;

  // initial: the files below root before the run, all on the disk for good (relative
  // paths, as TakeSnapshot gives them); operations: the record of the run (refused ones
  // changed nothing and count only as cut points).
  PowerLossModel(const std::filesystem::path& root, const Snapshot& initial,
                 const std::vector<file_ops::Operation>& operations);

  // Cut points: before the first operation and after each one.
  std::size_t Cuts() const { return operations_.size() + 1; }

  // Walks the cut points in order. view: the files as the program saw them there (what the
  // death of the process at that point would leave); states: every distinct state the disk
  // may hold after a power cut there. With needStates false, states is left empty.
  using Visit =
      std::function<void(std::size_t cut, const State& view, const std::vector<State>& states)>;
  void ForEachCut(const Visit& visit, const std::function<bool(std::size_t)>& needStates);

  const Bytes& Content(int id) const { return contents_[static_cast<std::size_t>(id)]; }
  Snapshot ToSnapshot(const State& state) const;
  // Combinations tried so far, repeats included.
  std::size_t Combinations() const { return combinations_; }

  struct Op {
    file_ops::Operation::Kind kind;
    std::string path;  // relative to root
    std::string to;
    Bytes data;
    bool refused;
  };

 private:
  int Intern(Bytes bytes);

  Snapshot initial_;
  std::vector<Op> operations_;
  std::vector<Bytes> contents_;
  std::map<Bytes, int> ids_;
  std::size_t combinations_ = 0;
};

}  // namespace voltrim::testing
