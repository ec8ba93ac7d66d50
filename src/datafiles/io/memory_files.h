#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace voltrim::file_ops {

// A file or folder of a MemoryFiles; hard links share one.
struct MemoryNode {
  bool folder = false;
  std::vector<std::uint8_t> bytes;
};

// A file system kept in memory. While one is in use (UseMemoryFiles), every operation of
// the file-operations seam and every read of a portfolio file goes to it instead of the
// disk, through the same code paths: fuzzing reads and writes thousands of portfolios a
// second without a system call, and tests can replay a write many times over.
//
// Paths are compared after dropping empty and "." components (".." drops the one before),
// so "/p/", "/p//" and "p" name one folder; names are compared exactly, as on Linux. The
// root folder always exists. Not for use by two threads at once.
class MemoryFiles {
 public:
  MemoryFiles();

  // Makes the folder and any parents missing.
  void MakeFolder(std::string_view path);
  // Puts a file with these bytes, replacing one of that name; false when its folder is
  // missing or the name is a folder.
  bool PutFile(std::string_view path, const std::uint8_t* data, std::size_t size);
  // Removes everything but the root.
  void Clear();

  // The node a path names, or null.
  std::shared_ptr<MemoryNode> Find(std::string_view path) const;
  // The operations of the seam: 0, or the errno value the system would give.
  int Create(std::string_view path, std::shared_ptr<MemoryNode>& out);
  int Rename(std::string_view from, std::string_view to);
  int Link(std::string_view from, std::string_view to);
  int Remove(std::string_view path);
  // One folder, as mkdir makes it: its parent must be there, its name free.
  int CreateFolder(std::string_view path);
  // Calls visit with each name in a folder, in order, until it returns false; false when
  // there is no such folder.
  bool List(std::string_view folder, const std::function<bool(std::string_view)>& visit) const;
  // Every file below the root, by its normal path.
  std::map<std::string, std::vector<std::uint8_t>> Files() const;

  // The path as this file system compares it: components joined by "/", no leading one.
  static std::string Normal(std::string_view path);

 private:
  std::map<std::string, std::shared_ptr<MemoryNode>, std::less<>> nodes_;
};

// Puts files in use for every later file operation of the process; null: the disk again.
void UseMemoryFiles(MemoryFiles* files);
MemoryFiles* MemoryFilesInUse();

// Uses files for its lifetime, then whatever was in use before.
class MemoryFilesScope {
 public:
  explicit MemoryFilesScope(MemoryFiles& files) : before_(MemoryFilesInUse()) {
    UseMemoryFiles(&files);
  }
  ~MemoryFilesScope() { UseMemoryFiles(before_); }
  MemoryFilesScope(const MemoryFilesScope&) = delete;
  MemoryFilesScope& operator=(const MemoryFilesScope&) = delete;

 private:
  MemoryFiles* before_;
};

}  // namespace voltrim::file_ops
