#include "datafiles/io/memory_files.h"

#include <cerrno>
#include <optional>

namespace voltrim::file_ops {

namespace {

MemoryFiles* inUse = nullptr;

// The path without its leading "/" when that is its normal form already (the common case,
// looked up without making a string), else nothing.
std::optional<std::string_view> NormalView(std::string_view path) {
  if (!path.empty() && path[0] == '/') path.remove_prefix(1);
  for (std::string_view rest = path; !rest.empty();) {
    const std::size_t slash = rest.find('/');
    const std::string_view part = rest.substr(0, slash);
    if (part.empty() || part == "." || part == "..") return std::nullopt;
    if (slash == std::string_view::npos) break;
    rest.remove_prefix(slash + 1);
    if (rest.empty()) return std::nullopt;  // a trailing "/"
  }
  return path;
}

std::string_view ParentOf(std::string_view normal) {
  const std::size_t slash = normal.rfind('/');
  return slash == std::string_view::npos ? std::string_view() : normal.substr(0, slash);
}

}  // namespace

MemoryFiles::MemoryFiles() { Clear(); }

std::string MemoryFiles::Normal(std::string_view path) {
  std::string normal;
  while (!path.empty()) {
    const std::size_t slash = path.find('/');
    const std::string_view part = path.substr(0, slash);
    path = slash == std::string_view::npos ? std::string_view() : path.substr(slash + 1);
    if (part.empty() || part == ".") continue;
    if (part == "..") {
      normal.resize(ParentOf(normal).size());
      continue;
    }
    if (!normal.empty()) normal.push_back('/');
    normal.append(part);
  }
  return normal;
}

void MemoryFiles::Clear() {
  nodes_.clear();
  nodes_[""] = std::make_shared<MemoryNode>(MemoryNode{true, {}});
}

void MemoryFiles::MakeFolder(std::string_view path) {
  std::string normal = Normal(path);
  while (nodes_.find(normal) == nodes_.end()) {
    nodes_[normal] = std::make_shared<MemoryNode>(MemoryNode{true, {}});
    normal = std::string(ParentOf(normal));
  }
}

bool MemoryFiles::PutFile(std::string_view path, const std::uint8_t* data, std::size_t size) {
  std::shared_ptr<MemoryNode> node;
  if (Create(path, node) == EEXIST) {
    if (Remove(path) != 0) return false;
    (void)Create(path, node);
  }
  if (!node) return false;
  node->bytes.assign(data, data + size);
  return true;
}

std::shared_ptr<MemoryNode> MemoryFiles::Find(std::string_view path) const {
  const std::optional<std::string_view> view = NormalView(path);
  const auto it = view ? nodes_.find(*view) : nodes_.find(Normal(path));
  return it == nodes_.end() ? nullptr : it->second;
}

int MemoryFiles::Create(std::string_view path, std::shared_ptr<MemoryNode>& out) {
  const std::string normal = Normal(path);
  const auto parent = nodes_.find(ParentOf(normal));
  if (parent == nodes_.end()) return ENOENT;
  if (!parent->second->folder) return ENOTDIR;
  if (nodes_.count(normal) != 0) return EEXIST;
  out = std::make_shared<MemoryNode>();
  nodes_[normal] = out;
  return 0;
}

int MemoryFiles::Rename(std::string_view from, std::string_view to) {
  const std::string source = Normal(from);
  const std::string target = Normal(to);
  const auto it = nodes_.find(source);
  if (it == nodes_.end() || source.empty()) return ENOENT;
  const auto parent = nodes_.find(ParentOf(target));
  if (parent == nodes_.end() || !parent->second->folder) return ENOENT;
  if (it->second->folder) return EISDIR;  // the writes never rename a folder
  if (const auto existing = nodes_.find(target); existing != nodes_.end()) {
    if (existing->second->folder) return EISDIR;
  }
  std::shared_ptr<MemoryNode> node = it->second;
  nodes_.erase(it);
  nodes_[target] = std::move(node);
  return 0;
}

int MemoryFiles::Link(std::string_view from, std::string_view to) {
  const std::string target = Normal(to);
  const std::shared_ptr<MemoryNode> node = Find(from);
  if (!node) return ENOENT;
  if (node->folder) return EPERM;
  const auto parent = nodes_.find(ParentOf(target));
  if (parent == nodes_.end() || !parent->second->folder) return ENOENT;
  if (nodes_.count(target) != 0) return EEXIST;
  nodes_[target] = node;
  return 0;
}

int MemoryFiles::Remove(std::string_view path) {
  const auto it = nodes_.find(Normal(path));
  if (it == nodes_.end()) return ENOENT;
  if (it->second->folder) return EISDIR;
  nodes_.erase(it);
  return 0;
}

int MemoryFiles::CreateFolder(std::string_view path) {
  const std::string normal = Normal(path);
  const auto parent = nodes_.find(ParentOf(normal));
  if (parent == nodes_.end()) return ENOENT;
  if (!parent->second->folder) return ENOTDIR;
  if (nodes_.count(normal) != 0) return EEXIST;
  nodes_[normal] = std::make_shared<MemoryNode>(MemoryNode{true, {}});
  return 0;
}

bool MemoryFiles::List(std::string_view folder,
                       const std::function<bool(std::string_view)>& visit) const {
  const std::string normal = Normal(folder);
  const auto it = nodes_.find(normal);
  if (it == nodes_.end() || !it->second->folder) return false;
  const std::string prefix = normal.empty() ? std::string() : normal + "/";
  for (auto child = nodes_.lower_bound(prefix); child != nodes_.end(); ++child) {
    const std::string& name = child->first;
    if (name.compare(0, prefix.size(), prefix) != 0) break;
    if (name.size() == prefix.size()) continue;  // the root itself
    const std::string_view rest = std::string_view(name).substr(prefix.size());
    if (rest.find('/') == std::string_view::npos && !visit(rest)) break;
  }
  return true;
}

std::map<std::string, std::vector<std::uint8_t>> MemoryFiles::Files() const {
  std::map<std::string, std::vector<std::uint8_t>> files;
  for (const auto& [path, node] : nodes_)
    if (!node->folder) files[path] = node->bytes;
  return files;
}

void UseMemoryFiles(MemoryFiles* files) { inUse = files; }

MemoryFiles* MemoryFilesInUse() { return inUse; }

}  // namespace voltrim::file_ops
