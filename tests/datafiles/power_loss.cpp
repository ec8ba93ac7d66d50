#include "power_loss.h"

#include <algorithm>
#include <array>
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

// The folder of a relative path as its sync names it ("." for the top).
std::string FolderOf(const std::string& path) {
  const std::string parent = fs::path(path).parent_path().string();
  return parent.empty() ? "." : parent;
}

struct Inode {
  Bytes durable;
  std::vector<Bytes> pending;  // written since the last sync, in order
  // Content ids of the three outcomes (durable, first half, all), -1 until asked for.
  std::array<int, 3> ids = {-1, -1, -1};

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

// A creation, rename, link, removal or new folder, and the folders whose sync it still waits
// for.
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

PowerLossModel::PowerLossModel(const fs::path& root, const Snapshot& initial,
                               const std::vector<file_ops::Operation>& operations)
    : initial_(initial) {
  for (const file_ops::Operation& op : operations) {
    operations_.push_back({op.kind, Relative(root, op.path),
                           op.to.empty() ? std::string() : Relative(root, op.to), op.data,
                           op.refused});
  }
}

namespace {

Replay Start(const Snapshot& initial) {
  Replay r;
  for (const auto& [path, bytes] : initial) {
    r.initial[path] = static_cast<int>(r.inodes.size());
    r.inodes.push_back({bytes, {}});
  }
  r.view = r.initial;
  return r;
}

void Advance(Replay& r, const PowerLossModel::Op& op) {
  if (op.refused) return;
  switch (op.kind) {
    case Kind::kCreate: {
      const int inode = static_cast<int>(r.inodes.size());
      r.inodes.push_back({});
      r.view[op.path] = inode;
      r.folderOps.push_back({op.kind, op.path, {}, inode, {FolderOf(op.path)}});
      break;
    }
    case Kind::kWrite: {
      Inode& inode = r.inodes[static_cast<std::size_t>(r.view.at(op.path))];
      inode.pending.push_back(op.data);
      inode.ids = {inode.ids[0], -1, -1};
      break;
    }
    case Kind::kSync: {
      Inode& inode = r.inodes[static_cast<std::size_t>(r.view.at(op.path))];
      inode.durable = inode.All();
      inode.pending.clear();
      inode.ids = {inode.ids[2], inode.ids[2], inode.ids[2]};
      break;
    }
    case Kind::kRename: {
      const int inode = r.view.at(op.path);
      r.view.erase(op.path);
      r.view[op.to] = inode;
      r.folderOps.push_back({op.kind, op.path, op.to, inode, {FolderOf(op.path), FolderOf(op.to)}});
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
    case Kind::kMakeFolder:
      r.folderOps.push_back({op.kind, op.path, {}, -1, {FolderOf(op.path)}});
      break;
  }
}

// The names after the durable folder operations and those chosen of the undecided ones;
// false when the choice is one no file system can produce.
bool Apply(const Replay& r, const std::vector<bool>& chosen, Entries& entries) {
  entries = r.initial;
  std::size_t undecided = 0;
  // Folders whose creation was lost: whatever was put in them cannot be reached.
  std::vector<std::string> lostFolders;
  for (const FolderOp& op : r.folderOps) {
    if (!op.unsynced.empty() && !chosen[undecided++]) {
      if (op.kind == Kind::kMakeFolder) lostFolders.push_back(op.path + "/");
      continue;
    }
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
  std::erase_if(entries, [&](const auto& entry) {
    return std::any_of(lostFolders.begin(), lostFolders.end(), [&](const std::string& folder) {
      return entry.first.compare(0, folder.size(), folder) == 0;
    });
  });
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

int PowerLossModel::Intern(Bytes bytes) {
  const auto [at, added] = ids_.try_emplace(std::move(bytes), static_cast<int>(contents_.size()));
  if (added) contents_.push_back(at->first);
  return at->second;
}

Snapshot PowerLossModel::ToSnapshot(const State& state) const {
  Snapshot snapshot;
  for (const auto& [path, id] : state) snapshot[path] = Content(id);
  return snapshot;
}

void PowerLossModel::ForEachCut(const Visit& visit,
                                const std::function<bool(std::size_t)>& needStates) {
  Replay r = Start(initial_);
  // The content id of one outcome of an inode, interned once per change of the inode.
  const auto idOf = [&](Inode& inode, Data outcome) {
    const auto which = static_cast<std::size_t>(outcome);
    if (inode.ids[which] < 0) {
      inode.ids[which] = Intern(outcome == Data::kAll    ? inode.All()
                                : outcome == Data::kHalf ? inode.HalfOfPending()
                                                         : inode.durable);
    }
    return inode.ids[which];
  };
  for (std::size_t cut = 0;; ++cut) {
    State view;
    for (const auto& [path, inode] : r.view)
      view[path] = idOf(r.inodes[static_cast<std::size_t>(inode)], Data::kAll);
    std::set<State> states;
    if (needStates(cut)) {
      std::size_t undecided = 0;
      for (const FolderOp& op : r.folderOps)
        if (!op.unsynced.empty()) ++undecided;
      for (const std::vector<bool>& chosen : Choices(undecided, kAllSubsets)) {
        Entries entries;
        if (!Apply(r, chosen, entries)) continue;
        std::vector<int> unsynced;
        for (const auto& [path, inode] : entries) {
          if (!r.inodes[static_cast<std::size_t>(inode)].pending.empty() &&
              std::find(unsynced.begin(), unsynced.end(), inode) == unsynced.end())
            unsynced.push_back(inode);
        }
        for (const std::vector<Data>& outcomes :
             DataChoices(unsynced.size(), kAllDataCombinations)) {
          State state;
          for (const auto& [path, inode] : entries) {
            Inode& node = r.inodes[static_cast<std::size_t>(inode)];
            const auto which =
                std::find(unsynced.begin(), unsynced.end(), inode) - unsynced.begin();
            state[path] =
                idOf(node,
                     node.pending.empty() ? Data::kAll : outcomes[static_cast<std::size_t>(which)]);
          }
          states.insert(std::move(state));
        }
      }
    }
    visit(cut, view, {states.begin(), states.end()});
    if (cut == operations_.size()) return;
    Advance(r, operations_[cut]);
  }
}

}  // namespace voltrim::testing
