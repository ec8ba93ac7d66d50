#include "datafiles/io/file_ops.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <limits>
#include <system_error>
#include <thread>
#include <utility>

#include "datafiles/io/memory_files.h"
#include "datafiles/io/regular_file.h"

namespace voltrim::file_ops {

struct FileAccess {
  static int& Fd(File& file) { return file.fd_; }
  static std::string& Path(File& file) { return file.path_; }
  static std::shared_ptr<MemoryNode>& Node(File& file) { return file.node_; }
  static std::size_t& ReadAt(File& file) { return file.readAt_; }
};

namespace {

struct FaultState {
  long armedAt = 0;  // 0: no fault armed
  FaultKind kind = FaultKind::kFail;
  long count = 0;
  bool hit = false;
  bool crashed = false;
};

FaultState& Faults() {
  static FaultState state;
  return state;
}

struct Recorder {
  bool on = false;
  std::vector<Operation> operations;
  SyncKind omitted = SyncKind::kNone;
  int omittedSync = 0;  // which one, 0: every one
  int syncsSeen = 0;    // of that kind, in this recording
};

Recorder& Record() {
  static Recorder recorder;
  return recorder;
}

void Note(Operation::Kind kind, const std::string& path, const std::string& to = {},
          const std::uint8_t* data = nullptr, std::size_t size = 0, bool refused = false) {
  Recorder& r = Record();
  if (!r.on) return;
  r.operations.push_back({kind, path, to, std::vector<std::uint8_t>(data, data + size), refused});
}

// Whether a sync of this kind is one a test has the run go without.
bool Omitted(SyncKind kind) {
  Recorder& r = Record();
  if (!r.on || r.omitted != kind) return false;
  return ++r.syncsSeen == r.omittedSync || r.omittedSync == 0;
}

// Counts one operation and says whether it may touch the disk.
bool Proceed() {
  FaultState& f = Faults();
  ++f.count;
  if (f.crashed) return false;
  if (f.armedAt != 0 && f.count == f.armedAt) {
    f.hit = true;
    if (f.kind == FaultKind::kCrash) f.crashed = true;
    return false;
  }
  return true;
}

// The same for an operation the record keeps, noting it when refused.
bool Proceed(Operation::Kind kind, const std::string& path, const std::string& to = {}) {
  if (Proceed()) return true;
  if (!Faults().crashed) Note(kind, path, to, nullptr, 0, true);
  return false;
}

// A real failure of the system names its file and reason for the messages that follow
// (an injected fault has no reason to give).
Status Failed(const std::string& path, Status status) {
  NoteFileFailure(path, errno);
  return status;
}

void QuietClose(int& fd) {
  if (fd >= 0) ::close(fd);
  fd = -1;
}

void Forget(File& file) {
  QuietClose(FileAccess::Fd(file));
  FileAccess::Node(file).reset();
  FileAccess::ReadAt(file) = 0;
}

// A failure of the memory files, noted as the system's would be.
Status MemoryFailed(const std::string& path, int error, Status status) {
  NoteFileFailure(path, error);
  return status;
}

}  // namespace

File::~File() { QuietClose(fd_); }

File::File(File&& other) noexcept
    : fd_(other.fd_),
      path_(std::move(other.path_)),
      node_(std::move(other.node_)),
      readAt_(other.readAt_) {
  other.fd_ = -1;
}

File& File::operator=(File&& other) noexcept {
  if (this != &other) {
    QuietClose(fd_);
    fd_ = other.fd_;
    path_ = std::move(other.path_);
    node_ = std::move(other.node_);
    readAt_ = other.readAt_;
    other.fd_ = -1;
  }
  return *this;
}

Status OpenForRead(const std::string& path, File& out) {
  Forget(out);
  if (!Proceed()) return kFileOpen;
  if (MemoryFiles* memory = MemoryFilesInUse()) {
    std::shared_ptr<MemoryNode> node = memory->Find(path);
    if (!node) return MemoryFailed(path, ENOENT, kFileOpen);
    if (node->folder) return MemoryFailed(path, kNotRegularFile, kFileOpen);
    FileAccess::Node(out) = std::move(node);
    FileAccess::Path(out) = path;
    return kOk;
  }
  // Never blocks on a FIFO and refuses anything but a regular file.
  const int fd = OpenRegularFile(path);
  if (fd < 0) return kFileOpen;
  FileAccess::Fd(out) = fd;
  FileAccess::Path(out) = path;
  return kOk;
}

Status CreateForWrite(const std::string& path, File& out, unsigned mode) {
  Forget(out);
  if (!Proceed(Operation::Kind::kCreate, path)) return kFileOpen;
  if (MemoryFiles* memory = MemoryFilesInUse()) {
    const int error = memory->Create(path, FileAccess::Node(out));
    if (error != 0) return MemoryFailed(path, error, kFileOpen);
    Note(Operation::Kind::kCreate, path);
    FileAccess::Path(out) = path;
    return kOk;
  }
  // O_EXCL: never write into an existing file, which may be a hard link left by a crash.
  const int fd =
      ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, static_cast<mode_t>(mode));
  if (fd < 0) return Failed(path, kFileOpen);
  Note(Operation::Kind::kCreate, path);
  FileAccess::Fd(out) = fd;
  FileAccess::Path(out) = path;
  return kOk;
}

void FileBytes::resize(std::size_t size) {
  if (size > room_) {
    // Default-initialised: no zeros written.
    std::unique_ptr<std::uint8_t[]> bigger(new std::uint8_t[size]);
    if (size_ > 0) std::memcpy(bigger.get(), bytes_.get(), size_);
    bytes_ = std::move(bigger);
    room_ = size;
  }
  size_ = size;
}

namespace {

// The whole of ReadAll, for a std::vector or FileBytes as out.
template <typename Bytes>
Status ReadAllInto(File& file, Bytes& out, std::size_t limit) {
  out.resize(0);
  if (!Proceed()) return kFileRead;
  if (const std::shared_ptr<MemoryNode>& node = FileAccess::Node(file)) {
    std::size_t& at = FileAccess::ReadAt(file);
    const std::size_t from = std::min(at, node->bytes.size());
    if (node->bytes.size() - from > limit) return kDamagedFile;
    out.resize(node->bytes.size() - from);
    if (out.size() > 0) std::memcpy(out.data(), node->bytes.data() + from, out.size());
    at = node->bytes.size();
    return kOk;
  }
  const int fd = FileAccess::Fd(file);
  // Read straight into out, sized from fstat with a byte to spare, so the read that finds
  // the end needs no room of its own; a file that grows meanwhile doubles the room.
  std::size_t room = std::size_t{1} << 16;
  struct stat info {};
  if (::fstat(fd, &info) == 0 && info.st_size > 0) {
    const auto size = static_cast<std::size_t>(info.st_size);
    if (size > limit) return kDamagedFile;
    room = size + 1;
  }
  // One byte past the limit tells a file over it.
  const std::size_t most = limit < std::numeric_limits<std::size_t>::max() ? limit + 1 : limit;
  std::size_t have = 0;
  for (;;) {
    if (have == out.size()) {
      if (have > limit) return kDamagedFile;
      out.resize(std::min(std::max(room, 2 * have), most));
    }
    const ssize_t got = ::read(fd, out.data() + have, out.size() - have);
    if (got < 0 && errno == EINTR) continue;
    if (got < 0) {
      out.resize(have);
      return Failed(FileAccess::Path(file), kFileRead);
    }
    if (got == 0) {
      out.resize(have);
      return kOk;
    }
    have += static_cast<std::size_t>(got);
  }
}

}  // namespace

Status ReadAll(File& file, std::vector<std::uint8_t>& out, std::size_t limit) {
  return ReadAllInto(file, out, limit);
}

Status ReadAll(File& file, FileBytes& out, std::size_t limit) {
  return ReadAllInto(file, out, limit);
}

Status ReadSome(File& file, std::uint8_t* data, std::size_t size, std::size_t& got) {
  got = 0;
  if (!Proceed()) return kFileRead;
  if (const std::shared_ptr<MemoryNode>& node = FileAccess::Node(file)) {
    std::size_t& at = FileAccess::ReadAt(file);
    const std::size_t from = std::min(at, node->bytes.size());
    got = std::min(size, node->bytes.size() - from);
    std::memcpy(data, node->bytes.data() + from, got);
    at = from + got;
    return kOk;
  }
  while (got < size) {
    const ssize_t n = ::read(FileAccess::Fd(file), data + got, size - got);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return Failed(FileAccess::Path(file), kFileRead);
    if (n == 0) break;
    got += static_cast<std::size_t>(n);
  }
  return kOk;
}

Status WriteAll(File& file, const std::uint8_t* data, std::size_t size) {
  const int fd = FileAccess::Fd(file);
  const std::shared_ptr<MemoryNode>& node = FileAccess::Node(file);
  if (!Proceed(Operation::Kind::kWrite, FileAccess::Path(file))) {
    // A refused write behaves like a full disk: part of the data may have reached the file.
    if (!Faults().crashed && size > 1 && node) {
      node->bytes.insert(node->bytes.end(), data, data + size / 2);
      Note(Operation::Kind::kWrite, FileAccess::Path(file), {}, data, size / 2);
    } else if (!Faults().crashed && size > 1) {
      const ssize_t put = ::write(fd, data, size / 2);
      if (put > 0)
        Note(Operation::Kind::kWrite, FileAccess::Path(file), {}, data,
             static_cast<std::size_t>(put));
    }
    return kFileWrite;
  }
  if (node) {
    node->bytes.insert(node->bytes.end(), data, data + size);
    if (size > 0) Note(Operation::Kind::kWrite, FileAccess::Path(file), {}, data, size);
    return kOk;
  }
  std::size_t done = 0;
  Status status = kOk;
  while (done < size) {
    const ssize_t put = ::write(fd, data + done, size - done);
    if (put < 0 && errno == EINTR) continue;
    if (put < 0) {
      status = Failed(FileAccess::Path(file), kFileWrite);
      break;
    }
    if (put == 0) {
      errno = ENOSPC;  // nothing written and no error: the disk takes no more
      status = Failed(FileAccess::Path(file), kFileWrite);
      break;
    }
    done += static_cast<std::size_t>(put);
  }
  if (done > 0) Note(Operation::Kind::kWrite, FileAccess::Path(file), {}, data, done);
  return status;
}

Status Sync(File& file) {
  if (!Proceed(Operation::Kind::kSync, FileAccess::Path(file))) return kFileWrite;
  if (Omitted(SyncKind::kFile)) return kOk;
  if (!FileAccess::Node(file) && ::fsync(FileAccess::Fd(file)) != 0)
    return Failed(FileAccess::Path(file), kFileWrite);
  Note(Operation::Kind::kSync, FileAccess::Path(file));
  return kOk;
}

void SyncEach(const std::vector<File*>& files, std::vector<Status>& statuses) {
  statuses.assign(files.size(), kOk);
  std::vector<std::size_t> onDisk;  // counted and allowed in order, synced side by side below
  std::size_t descriptors = 0;
  for (std::size_t i = 0; i < files.size(); ++i) {
    File& file = *files[i];
    if (!Proceed(Operation::Kind::kSync, FileAccess::Path(file))) {
      statuses[i] = kFileWrite;
    } else if (!Omitted(SyncKind::kFile)) {
      onDisk.push_back(i);
      if (!FileAccess::Node(file)) ++descriptors;
    }
  }
  std::vector<int> errors(files.size(), 0);
  std::atomic<std::size_t> next{0};
  const auto work = [&] {
    for (std::size_t at = next++; at < onDisk.size(); at = next++) {
      File& file = *files[onDisk[at]];
      if (!FileAccess::Node(file) && ::fsync(FileAccess::Fd(file)) != 0) errors[onDisk[at]] = errno;
    }
  };
  // A few syncs in flight are enough for the system to make their flushes together.
  std::vector<std::thread> workers;
  while (workers.size() < std::min<std::size_t>(descriptors / 2, 8)) {
    try {
      workers.emplace_back(work);
    } catch (const std::system_error&) {
      break;  // fewer side by side: the same syncs, only slower
    }
  }
  work();
  for (std::thread& worker : workers) worker.join();
  for (const std::size_t i : onDisk) {
    if (errors[i] != 0) {
      NoteFileFailure(FileAccess::Path(*files[i]), errors[i]);
      statuses[i] = kFileWrite;
    } else {
      Note(Operation::Kind::kSync, FileAccess::Path(*files[i]));
    }
  }
}

void StartWriteback(File& file) {
  if (FileAccess::Node(file) || FileAccess::Fd(file) < 0) return;
  (void)::sync_file_range(FileAccess::Fd(file), 0, 0, SYNC_FILE_RANGE_WRITE);
}

Status Close(File& file) {
  int& fd = FileAccess::Fd(file);
  const bool memory = FileAccess::Node(file) != nullptr;
  FileAccess::Node(file).reset();
  if (!Proceed()) {
    // The descriptor goes either way; only the outcome is refused.
    QuietClose(fd);
    return kFileWrite;
  }
  if (memory) return kOk;
  const int result = ::close(fd);
  fd = -1;
  return result == 0 ? kOk : Failed(FileAccess::Path(file), kFileWrite);
}

Status Rename(const std::string& from, const std::string& to) {
  if (!Proceed(Operation::Kind::kRename, from, to)) return kFileWrite;
  if (MemoryFiles* memory = MemoryFilesInUse()) {
    if (const int error = memory->Rename(from, to); error != 0)
      return MemoryFailed(to, error, kFileWrite);
  } else if (std::rename(from.c_str(), to.c_str()) != 0) {
    return Failed(to, kFileWrite);
  }
  Note(Operation::Kind::kRename, from, to);
  return kOk;
}

Status Remove(const std::string& path) {
  if (!Proceed(Operation::Kind::kRemove, path)) return kFileWrite;
  if (MemoryFiles* memory = MemoryFilesInUse()) {
    const int error = memory->Remove(path);
    if (error == ENOENT) return kFileNotFound;
    if (error != 0) return MemoryFailed(path, error, kFileWrite);
  } else if (::unlink(path.c_str()) != 0) {
    return errno == ENOENT ? kFileNotFound : Failed(path, kFileWrite);
  }
  Note(Operation::Kind::kRemove, path);
  return kOk;
}

Status Link(const std::string& from, const std::string& to) {
  if (!Proceed(Operation::Kind::kLink, from, to)) return kFileWrite;
  if (MemoryFiles* memory = MemoryFilesInUse()) {
    if (const int error = memory->Link(from, to); error != 0)
      return MemoryFailed(to, error, kFileWrite);
  } else if (::link(from.c_str(), to.c_str()) != 0) {
    return Failed(to, kFileWrite);
  }
  Note(Operation::Kind::kLink, from, to);
  return kOk;
}

Status SyncDirectory(const std::string& directory) {
  if (!Proceed(Operation::Kind::kSyncDirectory, directory)) return kFileWrite;
  if (Omitted(SyncKind::kDirectory)) return kOk;
  if (MemoryFiles* memory = MemoryFilesInUse()) {
    const std::shared_ptr<MemoryNode> folder = memory->Find(directory);
    if (!folder || !folder->folder) return kFileWrite;
    Note(Operation::Kind::kSyncDirectory, directory);
    return kOk;
  }
  const int fd =
      ::open(directory.empty() ? "." : directory.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  // A failure is not noted for messages: callers never report it (the content stands).
  if (fd < 0) return kFileWrite;
  const bool synced = ::fsync(fd) == 0;
  ::close(fd);
  if (synced) Note(Operation::Kind::kSyncDirectory, directory);
  return synced ? kOk : kFileWrite;
}

Status MakeFolder(const std::string& path) {
  if (!Proceed(Operation::Kind::kMakeFolder, path)) return kFileWrite;
  if (MemoryFiles* memory = MemoryFilesInUse()) {
    if (const int error = memory->CreateFolder(path); error != 0)
      return MemoryFailed(path, error, kFileWrite);
  } else if (::mkdir(path.c_str(), 0777) != 0) {
    return Failed(path, kFileWrite);
  }
  Note(Operation::Kind::kMakeFolder, path);
  return kOk;
}

unsigned PermissionsOf(const std::string& path) {
  if (MemoryFilesInUse() != nullptr) return 0666;
  struct stat info {};
  if (::stat(path.c_str(), &info) != 0) return 0666;
  return static_cast<unsigned>(info.st_mode) & 07777u;
}

bool NameExists(const std::string& path) {
  if (const MemoryFiles* memory = MemoryFilesInUse()) return memory->Find(path) != nullptr;
  struct stat info {};
  return ::lstat(path.c_str(), &info) == 0;
}

std::optional<std::uint64_t> RegularFileSize(const std::string& path) {
  if (const MemoryFiles* memory = MemoryFilesInUse()) {
    const std::shared_ptr<MemoryNode> node = memory->Find(path);
    if (node == nullptr || node->folder) return std::nullopt;
    return node->bytes.size();
  }
  struct stat info {};
  if (::lstat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode)) return std::nullopt;
  return static_cast<std::uint64_t>(info.st_size);
}

bool Exists(const std::string& path) {
  if (const MemoryFiles* memory = MemoryFilesInUse()) return memory->Find(path) != nullptr;
  struct stat info {};
  return ::stat(path.c_str(), &info) == 0;
}

bool IsFolder(const std::string& path) {
  if (const MemoryFiles* memory = MemoryFilesInUse()) {
    const std::shared_ptr<MemoryNode> node = memory->Find(path);
    return node && node->folder;
  }
  struct stat info {};
  return ::stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

void ForEachName(const std::string& folder, const std::function<bool(std::string_view)>& visit) {
  if (const MemoryFiles* memory = MemoryFilesInUse()) {
    (void)memory->List(folder, visit);
    return;
  }
  // readdir rather than a directory iterator, which builds a path for every name.
  DIR* listing = ::opendir(folder.empty() ? "." : folder.c_str());
  if (listing == nullptr) return;
  while (const dirent* entry = ::readdir(listing)) {
    const std::string_view name(entry->d_name);
    if (name == "." || name == "..") continue;
    if (!visit(name)) break;
  }
  ::closedir(listing);
}

std::string CanonicalFolder(const std::string& folder) {
  if (MemoryFilesInUse() != nullptr)
    return IsFolder(folder) ? "/" + MemoryFiles::Normal(folder) : std::string();
  std::error_code ec;
  const auto canonical = std::filesystem::canonical(folder.empty() ? "." : folder, ec);
  return ec ? std::string() : canonical.string();
}

void ArmFault(long operation, FaultKind kind) {
  Faults() = FaultState{operation, kind, 0, false, false};
}

void DisarmFault() { Faults() = FaultState{}; }

long OperationCount() { return Faults().count; }

bool FaultHit() { return Faults().hit; }

void StartRecording() {
  Record().syncsSeen = 0;
  Record().operations.clear();
  Record().on = true;
}

std::vector<Operation> StopRecording() {
  Record().on = false;
  return std::move(Record().operations);
}

void OmitSync(SyncKind kind, int n) {
  Record().omitted = kind;
  Record().omittedSync = n;
}

}  // namespace voltrim::file_ops
