#include "power_loss.h"

#include <map>
#include <set>
#include <stdexcept>

namespace voltrim::testing {

namespace {

namespace fs = std::filesystem;
using Kind = file_ops::Operation::Kind;

std::string Relative(const fs::path& root, const std::string& path) {
  std::string normal = fs::path(path).lexically_normal().string();
  while (normal.size() > 1 && normal.back() == '/') normal.pop_back();
  const fs::path relative = fs::path(normal).lexically_relative(root.lexically_normal());
  if (relative.empty() || *relative.begin() == "..")
    throw std::invalid_argument("operation outside the portfolio folders: " + path);
  return relative.string();
}

std::string FolderOf(const std::string& path) { return fs::path(path).parent_path().string(); }

struct Inode {
  Bytes durable;
  std::vector<Bytes> pending;  // written since the last sync, in order

  Bytes All() const {
    Bytes all = durable;
    for (const Bytes& write : pending) all.insert(all.end(), write.begin(), write.end());
    return all;
  }
  Bytes HalfOfPending() const {
    Bytes all = durable;
    std::size_t total = 0;
    for (const Bytes& write : pending) total += write.size();
    std::size_t left = total / 2;
    for (const Bytes& write : pending) {
      const std::size_t take = std::min(left, write.size());
      all.insert(all.end(), write.begin(), write.begin() + static_cast<std::ptrdiff_t>(take));
      left -= take;
    }
    return all;
  }
};

// A creation, rename, link or removal, and the folders whose sync it still waits for.
struct FolderOp {
  Kind kind;
  std::string path, to;
  int inode;
  std::set<std::string> unsynced;
};

using Entries = std::map<std::string, int>;  // name -> inode

// The run up to a cut: inodes with their durable and pending data, the names as the
// program saw them, and every folder operation in order.
struct Replay {
  std::vector<Inode> inodes;
  Entries initial;
  Entries view;
  std::vector<FolderOp> folderOps;
};

}  // namespace

PowerLossModel::PowerLossModel(const fs::path& root, Snapshot initial,
                               const std::vector<file_ops::Operation>& operations)
    : initial_(std::move(initial)) {
  for (const file_ops::Operation& op : operations) {
    operations_.push_back({op.kind, Relative(root, op.path),
                           op.to.empty() ? std::string() : Relative(root, op.to), op.data,
                           op.refused});
  }
}

namespace {

Replay Run(const Snapshot& initial, const auto& operations, std::size_t cut) {
  Replay r;
  for (const auto& [path, bytes] : initial) {
    r.initial[path] = static_cast<int>(r.inodes.size());
    r.inodes.push_back({bytes, {}});
  }
  r.view = r.initial;
  for (std::size_t i = 0; i < cut; ++i) {
    const auto& op = operations[i];
    if (op.refused) continue;
    switch (op.kind) {
      case Kind::kCreate: {
        const int inode = static_cast<int>(r.inodes.size());
        r.inodes.push_back({});
        r.view[op.path] = inode;
        r.folderOps.push_back({op.kind, op.path, {}, inode, {FolderOf(op.path)}});
        break;
      }
      case Kind::kWrite:
        r.inodes[static_cast<std::size_t>(r.view.at(op.path))].pending.push_back(op.data);
        break;
      case Kind::kSync: {
        Inode& inode = r.inodes[static_cast<std::size_t>(r.view.at(op.path))];
        inode.durable = inode.All();
        inode.pending.clear();
        break;
      }
      case Kind::kRename: {
        const int inode = r.view.at(op.path);
        r.view.erase(op.path);
        r.view[op.to] = inode;
        r.folderOps.push_back(
            {op.kind, op.path, op.to, inode, {FolderOf(op.path), FolderOf(op.to)}});
        break;
      }
      case Kind::kLink: {
        const int inode = r.view.at(op.path);
        r.view[op.to] = inode;
        r.folderOps.push_back({op.kind, op.path, op.to, inode, {FolderOf(op.to)}});
        break;
      }
      case Kind::kRemove: {
        const int inode = r.view.at(op.path);
        r.view.erase(op.path);
        r.folderOps.push_back({op.kind, op.path, {}, inode, {FolderOf(op.path)}});
        break;
      }
      case Kind::kSyncDirectory:
        for (FolderOp& done : r.folderOps) done.unsynced.erase(op.path);
        break;
    }
  }
  return r;
}

// The names after the durable folder operations and those chosen of the undecided ones;
// false when the choice is one no file system can produce.
bool Apply(const Replay& r, const std::vector<bool>& chosen, Entries& entries) {
  entries = r.initial;
  std::size_t undecided = 0;
  for (const FolderOp& op : r.folderOps) {
    if (!op.unsynced.empty() && !chosen[undecided++]) continue;
    const auto at = entries.find(op.path);
    switch (op.kind) {
      case Kind::kCreate:
        if (at != entries.end()) return false;
        entries[op.path] = op.inode;
        break;
      case Kind::kRename:
        if (at == entries.end() || at->second != op.inode) return false;
        entries.erase(at);
        entries[op.to] = op.inode;
        break;
      case Kind::kLink:
        if (entries.count(op.to) != 0) return false;
        entries[op.to] = op.inode;
        break;
      case Kind::kRemove:
        if (at == entries.end() || at->second != op.inode) return false;
        entries.erase(at);
        break;
      default:
        break;
    }
  }
  return true;
}

// Which undecided folder operations happened, one vector per combination tried.
std::vector<std::vector<bool>> Choices(std::size_t n, std::size_t allUpTo) {
  std::vector<std::vector<bool>> choices;
  if (n <= allUpTo) {
    for (std::size_t mask = 0; mask < (std::size_t{1} << n); ++mask) {
      std::vector<bool> chosen(n);
      for (std::size_t i = 0; i < n; ++i) chosen[i] = (mask >> i & 1) != 0;
      choices.push_back(std::move(chosen));
    }
    return choices;
  }
  for (std::size_t length = 0; length <= n; ++length) {
    std::vector<bool> prefix(n, false);
    std::fill_n(prefix.begin(), length, true);
    choices.push_back(prefix);
    for (std::size_t lost = 0; lost + 1 < length; ++lost) {
      std::vector<bool> gap = prefix;
      gap[lost] = false;
      choices.push_back(std::move(gap));
    }
  }
  return choices;
}

enum class Data { kNone, kHalf, kAll };

// The outcome of each file with unsynced data, one vector per combination tried.
std::vector<std::vector<Data>> DataChoices(std::size_t n, std::size_t allUpTo) {
  constexpr Data kOutcomes[] = {Data::kNone, Data::kHalf, Data::kAll};
  std::vector<std::vector<Data>> choices;
  if (n <= allUpTo) {
    choices.push_back({});
    for (std::size_t i = 0; i < n; ++i) {
      std::vector<std::vector<Data>> longer;
      for (const auto& choice : choices) {
        for (const Data outcome : kOutcomes) {
          longer.push_back(choice);
          longer.back().push_back(outcome);
        }
      }
      choices = std::move(longer);
    }
    return choices;
  }
  for (const Data all : kOutcomes) {
    choices.emplace_back(n, all);
    for (std::size_t i = 0; i < n; ++i) {
      for (const Data one : {Data::kNone, Data::kHalf}) {
        choices.emplace_back(n, Data::kAll);
        choices.back()[i] = one;
      }
    }
  }
  return choices;
}

}  // namespace

Snapshot PowerLossModel::ViewAt(std::size_t cut) const {
  const Replay r = Run(initial_, operations_, cut);
  Snapshot view;
  for (const auto& [path, inode] : r.view)
    view[path] = r.inodes[static_cast<std::size_t>(inode)].All();
  return view;
}

std::vector<Snapshot> PowerLossModel::StatesAt(std::size_t cut, std::size_t* combinations) const {
  const Replay r = Run(initial_, operations_, cut);
  std::size_t undecided = 0;
  for (const FolderOp& op : r.folderOps)
    if (!op.unsynced.empty()) ++undecided;
  std::set<Snapshot> states;
  std::size_t tried = 0;
  for (const std::vector<bool>& chosen : Choices(undecided, kAllSubsets)) {
    Entries entries;
    if (!Apply(r, chosen, entries)) continue;
    std::vector<int> unsynced;
    for (const auto& [path, inode] : entries) {
      if (!r.inodes[static_cast<std::size_t>(inode)].pending.empty() &&
          std::find(unsynced.begin(), unsynced.end(), inode) == unsynced.end())
        unsynced.push_back(inode);
    }
    for (const std::vector<Data>& outcomes : DataChoices(unsynced.size(), kAllDataCombinations)) {
      ++tried;
      Snapshot state;
      for (const auto& [path, inode] : entries) {
        const Inode& node = r.inodes[static_cast<std::size_t>(inode)];
        const auto which = std::find(unsynced.begin(), unsynced.end(), inode) - unsynced.begin();
        const Data outcome =
            node.pending.empty() ? Data::kAll : outcomes[static_cast<std::size_t>(which)];
        state[path] = outcome == Data::kAll    ? node.All()
                      : outcome == Data::kHalf ? node.HalfOfPending()
                                               : node.durable;
      }
      states.insert(std::move(state));
    }
  }
  if (combinations != nullptr) *combinations += tried;
  return {states.begin(), states.end()};
}

}  // namespace voltrim::testing
