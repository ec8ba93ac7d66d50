#include "power_loss.h"

#include <algorithm>
#include <array>
#include <climits>
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
// for (names by id).
struct FolderOp {
  Kind kind;
  int path, to;
  int inode;
  std::vector<int> unsynced;
};

// name -> inode (or content), sorted by name id.
using Entries = std::vector<std::pair<int, int>>;

const int* Find(const Entries& entries, int name) {
  const auto at = std::lower_bound(entries.begin(), entries.end(), std::pair<int, int>{name, INT_MIN});
  return at != entries.end() && at->first == name ? &at->second : nullptr;
}
int Named(const Entries& entries, int name) {
  const int* inode = Find(entries, name);
  if (inode == nullptr) throw std::out_of_range("no such file in the run");
  return *inode;
}
void PutEntry(Entries& entries, int name, int inode) {
  const auto at = std::lower_bound(entries.begin(), entries.end(), std::pair<int, int>{name, INT_MIN});
  if (at != entries.end() && at->first == name) {
    at->second = inode;
  } else {
    entries.insert(at, {name, inode});
  }
}
void Erase(Entries& entries, int name) {
  std::erase_if(entries, [&](const auto& entry) { return entry.first == name; });
}

// The run up to a cut: inodes with their durable and pending data, the names as the
// program saw them, and every folder operation in order.
struct Replay {
  std::vector<Inode> inodes;
  Entries initial;
  Entries view;
  std::vector<FolderOp> folderOps;
};

}  // namespace

const int* PowerLossModel::Find(const State& state, const std::string& name) {
  const auto at = std::lower_bound(state.begin(), state.end(), name,
                                   [](const auto& entry, const std::string& n) { return entry.first < n; });
  return at != state.end() && at->first == name ? &at->second : nullptr;
}

int PowerLossModel::NameId(const std::string& name) const {
  return static_cast<int>(std::lower_bound(names_.begin(), names_.end(), name) - names_.begin());
}

PowerLossModel::PowerLossModel(const fs::path& root, const Snapshot& initial,
                               const std::vector<file_ops::Operation>& operations) {
  struct Named {
    std::string path, to;
  };
  std::vector<Named> relative;
  for (const file_ops::Operation& op : operations)
    relative.push_back({Relative(root, op.path), op.to.empty() ? std::string() : Relative(root, op.to)});
  for (const auto& [path, bytes] : initial) names_.push_back(path);
  for (const Named& op : relative) {
    for (const std::string& name : {op.path, op.to}) {
      if (name.empty()) continue;
      names_.push_back(name);
      names_.push_back(FolderOf(name));
    }
  }
  std::sort(names_.begin(), names_.end());
  names_.erase(std::unique(names_.begin(), names_.end()), names_.end());
  for (const auto& [path, bytes] : initial) initial_.emplace_back(NameId(path), bytes);
  for (std::size_t i = 0; i < operations.size(); ++i) {
    const Named& op = relative[i];
    const bool hasTo = !op.to.empty();
    operations_.push_back({operations[i].kind, NameId(op.path), hasTo ? NameId(op.to) : -1,
                           NameId(FolderOf(op.path)), hasTo ? NameId(FolderOf(op.to)) : -1,
                           operations[i].data, operations[i].refused});
  }
}

namespace {

Replay Start(const std::vector<std::pair<int, Bytes>>& initial) {
  Replay r;
  for (const auto& [name, bytes] : initial) {
    r.initial.emplace_back(name, static_cast<int>(r.inodes.size()));
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
      PutEntry(r.view, op.path, inode);
      r.folderOps.push_back({op.kind, op.path, -1, inode, {op.pathFolder}});
      break;
    }
    case Kind::kWrite: {
      Inode& inode = r.inodes[static_cast<std::size_t>(Named(r.view, op.path))];
      inode.pending.push_back(op.data);
      inode.ids = {inode.ids[0], -1, -1};
      break;
    }
    case Kind::kSync: {
      Inode& inode = r.inodes[static_cast<std::size_t>(Named(r.view, op.path))];
      inode.durable = inode.All();
      inode.pending.clear();
      inode.ids = {inode.ids[2], inode.ids[2], inode.ids[2]};
      break;
    }
    case Kind::kRename: {
      const int inode = Named(r.view, op.path);
      Erase(r.view, op.path);
      PutEntry(r.view, op.to, inode);
      r.folderOps.push_back({op.kind, op.path, op.to, inode, {op.pathFolder, op.toFolder}});
      break;
    }
    case Kind::kLink: {
      const int inode = Named(r.view, op.path);
      PutEntry(r.view, op.to, inode);
      r.folderOps.push_back({op.kind, op.path, op.to, inode, {op.toFolder}});
      break;
    }
    case Kind::kRemove: {
      const int inode = Named(r.view, op.path);
      Erase(r.view, op.path);
      r.folderOps.push_back({op.kind, op.path, -1, inode, {op.pathFolder}});
      break;
    }
    case Kind::kSyncDirectory:
      for (FolderOp& done : r.folderOps) std::erase(done.unsynced, op.path);
      break;
    case Kind::kMakeFolder:
      r.folderOps.push_back({op.kind, op.path, -1, -1, {op.pathFolder}});
      break;
  }
}

// The names after the durable folder operations and those chosen of the undecided ones;
// false when the choice is one no file system can produce.
bool Apply(const Replay& r, const std::vector<bool>& chosen, const PowerLossModel& model,
           Entries& entries) {
  entries = r.initial;
  std::size_t undecided = 0;
  // Folders whose creation was lost: whatever was put in them cannot be reached.
  std::vector<std::string> lostFolders;
  for (const FolderOp& op : r.folderOps) {
    if (!op.unsynced.empty() && !chosen[undecided++]) {
      if (op.kind == Kind::kMakeFolder) lostFolders.push_back(model.Name(op.path) + "/");
      continue;
    }
    const int* at = Find(entries, op.path);
    switch (op.kind) {
      case Kind::kCreate:
        if (at != nullptr) return false;
        PutEntry(entries, op.path, op.inode);
        break;
      case Kind::kRename:
        if (at == nullptr || *at != op.inode) return false;
        Erase(entries, op.path);
        PutEntry(entries, op.to, op.inode);
        break;
      case Kind::kLink:
        if (Find(entries, op.to) != nullptr) return false;
        PutEntry(entries, op.to, op.inode);
        break;
      case Kind::kRemove:
        if (at == nullptr || *at != op.inode) return false;
        Erase(entries, op.path);
        break;
      default:
        break;
    }
  }
  if (!lostFolders.empty()) {
    std::erase_if(entries, [&](const auto& entry) {
      const std::string& name = model.Name(entry.first);
      return std::any_of(lostFolders.begin(), lostFolders.end(), [&](const std::string& folder) {
        return name.compare(0, folder.size(), folder) == 0;
      });
    });
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

// The combinations for n, made once: a sweep asks for the same few sizes thousands of times.
template <typename Choice>
const std::vector<std::vector<Choice>>& Remembered(
    std::map<std::size_t, std::vector<std::vector<Choice>>>& made, std::size_t n,
    std::vector<std::vector<Choice>> (*make)(std::size_t, std::size_t), std::size_t allUpTo) {
  auto at = made.find(n);
  if (at == made.end()) at = made.emplace(n, make(n, allUpTo)).first;
  return at->second;
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
  const auto named = [&](const Entries& entries) {
    State state;
    state.reserve(entries.size());
    for (const auto& [name, id] : entries) state.emplace_back(Name(name), id);
    return state;
  };
  std::map<std::size_t, std::vector<std::vector<bool>>> choices;
  std::map<std::size_t, std::vector<std::vector<Data>>> dataChoices;
  Entries entries, state;
  std::vector<int> unsynced;
  for (std::size_t cut = 0;; ++cut) {
    Entries view;
    for (const auto& [name, inode] : r.view)
      view.emplace_back(name, idOf(r.inodes[static_cast<std::size_t>(inode)], Data::kAll));
    std::set<Entries> states;
    if (needStates(cut)) {
      std::size_t undecided = 0;
      for (const FolderOp& op : r.folderOps)
        if (!op.unsynced.empty()) ++undecided;
      for (const std::vector<bool>& chosen :
           Remembered(choices, undecided, &Choices, kAllSubsets)) {
        if (!Apply(r, chosen, *this, entries)) continue;
        unsynced.clear();
        for (const auto& [name, inode] : entries) {
          if (!r.inodes[static_cast<std::size_t>(inode)].pending.empty() &&
              std::find(unsynced.begin(), unsynced.end(), inode) == unsynced.end())
            unsynced.push_back(inode);
        }
        for (const std::vector<Data>& outcomes :
             Remembered(dataChoices, unsynced.size(), &DataChoices, kAllDataCombinations)) {
          state.clear();
          for (const auto& [name, inode] : entries) {
            Inode& node = r.inodes[static_cast<std::size_t>(inode)];
            const auto which =
                std::find(unsynced.begin(), unsynced.end(), inode) - unsynced.begin();
            state.emplace_back(
                name, idOf(node, node.pending.empty() ? Data::kAll
                                                      : outcomes[static_cast<std::size_t>(which)]));
          }
          if (states.find(state) == states.end()) states.insert(state);
        }
      }
    }
    std::vector<State> all;
    all.reserve(states.size());
    for (const Entries& one : states) all.push_back(named(one));
    visit(cut, named(view), all);
    if (cut == operations_.size()) return;
    Advance(r, operations_[cut]);
  }
}

}  // namespace voltrim::testing
