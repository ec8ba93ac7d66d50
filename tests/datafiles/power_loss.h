#pragma once

#include <cstddef>
#include <filesystem>
#include <functional>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "datafiles/io/file_ops.h"
#include "fixtures.h"

namespace voltrim::testing {

// What the disk may hold after a power cut at any moment of a recorded run:
//  - data written since a file's last sync may be lost: all of it, none, or the first half;
//  - a creation, rename, link, removal or new folder not followed by a sync of its folder
//    may or may not have happened, each independently (a lost folder takes its files);
//  - whatever was synced stays.
// Combinations no file system can produce (an operation meeting its name holding something
// else than in the run) are left out. Up to kAllSubsets undecided folder operations are
// combined in every way, beyond that every in-order prefix and each prefix with one lost;
// up to kAllDataCombinations files with unsynced data take every combination of their
// outcomes, beyond that all alike and each one alone differing.
class PowerLossModel {
 public:
  static constexpr std::size_t kAllSubsets = 10;
  static constexpr std::size_t kAllDataCombinations = 4;

  // A set of files: (name relative to root, content as an index into Content), sorted by
  // name. Flat rather than a map: a sweep makes millions of them.
  using State = std::vector<std::pair<std::string, int>>;
  // The content of name in state, or nullptr.
  static const int* Find(const State& state, const std::string& name);

  // initial: the files below root before the run, durable; refused operations count only
  // as cut points.
  PowerLossModel(const std::filesystem::path& root, const Snapshot& initial,
                 const std::vector<file_ops::Operation>& operations);

  // Cut points: before the first operation and after each one.
  std::size_t Cuts() const { return operations_.size() + 1; }

  // Walks the cut points in order. view: the files as the program saw them (what its death
  // there leaves); states: every distinct state a power cut there may leave (empty unless
  // needStates).
  using Visit =
      std::function<void(std::size_t cut, const State& view, const std::vector<State>& states)>;
  void ForEachCut(const Visit& visit, const std::function<bool(std::size_t)>& needStates);

  const Bytes& Content(int id) const { return contents_[static_cast<std::size_t>(id)]; }
  Snapshot ToSnapshot(const State& state) const;

  // An operation with its names as indexes into names_ (-1: none), and the folders they are
  // in.
  struct Op {
    file_ops::Operation::Kind kind;
    int path, to, pathFolder, toFolder;
    Bytes data;
    bool refused;
  };
  const std::string& Name(int id) const { return names_[static_cast<std::size_t>(id)]; }

 private:
  int Intern(Bytes bytes);
  int NameId(const std::string& name) const;

  std::vector<std::string> names_;  // every name the run uses, sorted: ids order like names
  std::vector<std::pair<int, Bytes>> initial_;
  std::vector<Op> operations_;
  std::vector<Bytes> contents_;
  std::map<Bytes, int> ids_;
};

}  // namespace voltrim::testing
