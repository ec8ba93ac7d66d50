#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "datafiles/status.h"

namespace voltrim::file_ops {

struct FileAccess;
struct MemoryNode;

// Every file operation of the write paths goes through these functions, so that tests can
// make the k-th operation fail, or stop the "process" there and look at what is on disk.
// While memory files are in use (memory_files.h), they work on those instead of the disk.
// Each call below is one operation. Failures return kFileOpen (open/create), kFileRead
// (read) or kFileWrite (everything that changes the disk), never an exception.

// An open file. Closing through Close() is the checked way; the destructor closes quietly
// (used only on paths that already failed).
class File {
 public:
  File() = default;
  ~File();
  File(File&& other) noexcept;
  File& operator=(File&& other) noexcept;
  File(const File&) = delete;
  File& operator=(const File&) = delete;

  bool IsOpen() const { return fd_ >= 0 || node_ != nullptr; }

 private:
  friend struct FileAccess;
  int fd_ = -1;
  std::string path_;                  // as opened, to name the file when an operation on it fails
  std::shared_ptr<MemoryNode> node_;  // instead of fd_ while memory files are in use
  std::size_t readAt_ = 0;
};

// A file's bytes in room that is not filled with zeros before they are read into it, for
// large files read whole once (a text to import), where the filling costs a pass of its own.
class FileBytes {
 public:
  const std::uint8_t* data() const { return bytes_.get(); }
  std::uint8_t* data() { return bytes_.get(); }
  std::size_t size() const { return size_; }
  // Keeps the bytes below size; bytes beyond the old size hold nothing yet.
  void resize(std::size_t size);

 private:
  std::unique_ptr<std::uint8_t[]> bytes_;
  std::size_t size_ = 0;
  std::size_t room_ = 0;
};

Status OpenForRead(const std::string& path, File& out);
// Creates a new file for writing, with the given permission bits (before umask). Fails
// when the name exists, so a stale name that is a link to a live file is never written into.
Status CreateForWrite(const std::string& path, File& out, unsigned mode = 0666);
// Reads from the current position to the end; kDamagedFile when more than limit bytes.
Status ReadAll(File& file, std::vector<std::uint8_t>& out, std::size_t limit);
Status ReadAll(File& file, FileBytes& out, std::size_t limit);
// Reads from where the last read ended until data's size bytes are read or the file ends:
// got is less than size only at the end.
Status ReadSome(File& file, std::uint8_t* data, std::size_t size, std::size_t& got);
Status WriteAll(File& file, const std::uint8_t* data, std::size_t size);
inline Status WriteAll(File& file, const std::vector<std::uint8_t>& data) {
  return WriteAll(file, data.data(), data.size());
}
// Flushes the file's data to the device (fsync).
Status Sync(File& file);
// Asks the system to start writing the file's data to the device now, without waiting, so
// that the syncs of many files written one after another share the device's work. Only a
// hint: it makes nothing durable, so it is not an operation and cannot fail.
void StartWriteback(File& file);
// Syncs each file as Sync does, one operation a file in the order given, but the system's
// work shared: the syncs run side by side, so the device's cache flushes they ask for are
// made together. statuses[i] is the outcome for files[i].
void SyncEach(const std::vector<File*>& files, std::vector<Status>& statuses);
Status Close(File& file);
// Replaces `to` in one step when it exists.
Status Rename(const std::string& from, const std::string& to);
// kFileNotFound when the file was not there, kFileWrite when it could not be removed.
Status Remove(const std::string& path);
// A second name for the same file; fails when `to` exists or the file system cannot link.
Status Link(const std::string& from, const std::string& to);
// Makes the directory's entries (renames, creations, removals) durable.
Status SyncDirectory(const std::string& directory);
// Creates one folder (its parent must exist); fails when the name exists.
Status MakeFolder(const std::string& path);

// Questions about names. They change nothing and are not counted as operations.
// Permission bits of an existing file, or 0666 when it cannot be examined.
unsigned PermissionsOf(const std::string& path);
// Whether anything is there under the name (a link counts, even one that leads nowhere).
bool NameExists(const std::string& path);
// Whether the path leads to something (links followed).
bool Exists(const std::string& path);
// The size of the regular file under the name (a link is not followed), or nothing.
std::optional<std::uint64_t> RegularFileSize(const std::string& path);
// Whether the path leads to a folder (links followed).
bool IsFolder(const std::string& path);
// Calls visit with each name in the folder ("." and ".." left out), in no set order, until
// it returns false; nothing when the folder cannot be listed.
void ForEachName(const std::string& folder, const std::function<bool(std::string_view)>& visit);
// The folder's path with every link resolved, or empty when it cannot be resolved.
std::string CanonicalFolder(const std::string& folder);

// Test hook. Operation k (1-based, counted from the last Arm/Disarm) and, with kCrash,
// every later one, do nothing and report failure, as if the disk refused (kFail) or the
// process died (kCrash: nothing after that point reaches the disk).
enum class FaultKind { kFail, kCrash };
void ArmFault(long operation, FaultKind kind);
void DisarmFault();
// Operations attempted since the last Arm/Disarm.
long OperationCount();
// True once an armed fault has been hit.
bool FaultHit();

// Test hook for the power-loss simulation: every operation that changed the disk, in order,
// as it was done, and each one an armed fault refused (marked, and changing nothing; a
// refused write that put part of its data down is also recorded with that part).
struct Operation {
  enum class Kind { kCreate, kWrite, kSync, kRename, kLink, kRemove, kSyncDirectory, kMakeFolder };
  Kind kind;
  std::string path;  // the file (kSyncDirectory, kMakeFolder: the folder; kRename, kLink: from)
  std::string to;    // kRename, kLink: the new name
  std::vector<std::uint8_t> data;  // kWrite: the bytes, appended at the end of the file
  bool refused = false;
};
void StartRecording();
// The operations since StartRecording; recording stops.
std::vector<Operation> StopRecording();

// Test hook: in a recorded run, the n-th sync of one kind (counted from StartRecording; 0:
// every one) reports success without reaching the disk and is left out of the record, as
// if the code had never asked for it.
enum class SyncKind { kNone, kFile, kDirectory };
void OmitSync(SyncKind kind, int n = 0);

}  // namespace voltrim::file_ops
