#include "datafiles/io/regular_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "datafiles/io/memory_files.h"

namespace voltrim {

namespace {

thread_local FileFailure lastFailure;

// A read stream over a file of the memory files; it keeps the file's bytes alive, as an
// open descriptor keeps a file that is renamed over.
struct MemoryStream {
  std::shared_ptr<file_ops::MemoryNode> node;
  std::size_t at = 0;
  // The stream's buffer: small, as the bytes are at hand (the C library's own would be a
  // further allocation of 8 KB for every stream opened).
  char buffer[1024];

  static ssize_t Read(void* cookie, char* buffer, std::size_t size) {
    auto* stream = static_cast<MemoryStream*>(cookie);
    const std::vector<std::uint8_t>& bytes = stream->node->bytes;
    const std::size_t from = std::min(stream->at, bytes.size());
    const std::size_t count = std::min(size, bytes.size() - from);
    if (count > 0) std::memcpy(buffer, bytes.data() + from, count);
    stream->at = from + count;
    return static_cast<ssize_t>(count);
  }
  static int Seek(void* cookie, off64_t* offset, int whence) {
    auto* stream = static_cast<MemoryStream*>(cookie);
    const off64_t base = whence == SEEK_SET   ? 0
                         : whence == SEEK_CUR ? static_cast<off64_t>(stream->at)
                                              : static_cast<off64_t>(stream->node->bytes.size());
    if (whence != SEEK_SET && whence != SEEK_CUR && whence != SEEK_END) return -1;
    if (*offset < -base) return -1;
    stream->at = static_cast<std::size_t>(base + *offset);
    *offset = static_cast<off64_t>(stream->at);
    return 0;
  }
  static int Close(void* cookie) {
    delete static_cast<MemoryStream*>(cookie);
    return 0;
  }
};

RegularStream OpenMemoryStream(const file_ops::MemoryFiles& files, const std::string& path,
                               bool optional) {
  std::shared_ptr<file_ops::MemoryNode> node = files.Find(path);
  const int error = !node ? ENOENT : node->folder ? EINVAL : 0;
  if (error != 0) {
    if (!(optional && error == ENOENT))
      NoteFileFailure(path, error == EINVAL ? kNotRegularFile : error);
    errno = error;
    return nullptr;
  }
  auto* cookie = new MemoryStream{std::move(node), 0, {}};
  std::FILE* file = ::fopencookie(
      cookie, "rb", {MemoryStream::Read, nullptr, MemoryStream::Seek, MemoryStream::Close});
  if (file == nullptr) {
    NoteFileFailure(path, errno);
    delete cookie;
    return nullptr;
  }
  std::setvbuf(file, cookie->buffer, _IOFBF, sizeof cookie->buffer);
  return RegularStream(file);
}

}  // namespace

int OpenRegularFileIn(int folderFd, const char* name, const std::string& path, bool optional,
                      std::size_t* size) {
  // O_NONBLOCK: opening a FIFO for reading would otherwise wait for a writer. It changes
  // nothing for a regular file, whose reads never wait that way, so it stays set.
  const int fd = ::openat(folderFd, name, O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) {
    const int error = errno;
    if (!(optional && error == ENOENT)) NoteFileFailure(path, error);
    errno = error;
    return -1;
  }
  struct stat info {};
  if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
    ::close(fd);
    NoteFileFailure(path, kNotRegularFile);
    errno = EINVAL;
    return -1;
  }
  if (size != nullptr) *size = static_cast<std::size_t>(info.st_size);
  return fd;
}

int OpenRegularFile(const std::string& path, bool optional) {
  return OpenRegularFileIn(AT_FDCWD, path.c_str(), path, optional, nullptr);
}

RegularStream OpenRegularStream(const std::string& path, bool optional) {
  if (const file_ops::MemoryFiles* memory = file_ops::MemoryFilesInUse())
    return OpenMemoryStream(*memory, path, optional);
  const int fd = OpenRegularFile(path, optional);
  if (fd < 0) return nullptr;
  std::FILE* file = ::fdopen(fd, "rb");
  if (file == nullptr) {
    NoteFileFailure(path, errno);
    ::close(fd);
  }
  return RegularStream(file);
}

bool IsRegularFile(const std::string& path) {
  if (const file_ops::MemoryFiles* memory = file_ops::MemoryFilesInUse()) {
    const std::shared_ptr<file_ops::MemoryNode> node = memory->Find(path);
    return node && !node->folder;
  }
  struct stat info {};
  return ::stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode);
}

void NoteFileFailure(const std::string& path, int error) {
  NoteFileFailure(path, error == kNotRegularFile ? "not a regular file" : std::strerror(error));
}

void NoteFileFailure(const std::string& path, const std::string& reason) {
  lastFailure.path = path;
  lastFailure.reason = reason;
}

void ClearFileFailure() { lastFailure = FileFailure{}; }

const FileFailure& LastFileFailure() { return lastFailure; }

FileFailureKept::~FileFailureKept() { lastFailure = saved_; }

}  // namespace voltrim
