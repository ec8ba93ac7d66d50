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

long ReadUpTo(int fd, void* data, std::size_t count) {
  std::size_t got = 0;
  while (got < count) {
    const ssize_t read = ::read(fd, static_cast<char*>(data) + got, count - got);
    if (read == 0) break;
    if (read < 0 && errno == EINTR) continue;
    if (read < 0) return -1;
    got += static_cast<std::size_t>(read);
  }
  return static_cast<long>(got);
}

int OpenFileIn(int folderFd, const char* name, const std::string& path, bool optional) {
  // O_NONBLOCK: opening a FIFO for reading would otherwise wait for a writer. It changes
  // nothing for a regular file, whose reads never wait that way, so it stays set.
  const int fd = ::openat(folderFd, name, O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) {
    const int error = errno;
    if (!(optional && error == ENOENT)) NoteFileFailure(path, error);
    errno = error;
  }
  return fd;
}

int OpenRegularFileIn(int folderFd, const char* name, const std::string& path, bool optional,
                      std::size_t* size) {
  const int fd = OpenFileIn(folderFd, name, path, optional);
  if (fd < 0) return -1;
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

bool ReadSmallRegularFile(const std::string& path, bool optional, std::size_t limit,
                          std::string& out) {
  if (file_ops::MemoryFilesInUse() != nullptr) {
    out.clear();
    const RegularStream file = OpenRegularStream(path, optional);
    if (!file) return false;
    char chunk[4096];
    for (std::size_t got;
         out.size() <= limit && (got = std::fread(chunk, 1, sizeof chunk, file.get())) > 0;)
      out.append(chunk, got);
    if (std::ferror(file.get())) errno = EIO;
    return !std::ferror(file.get());
  }
  std::size_t size = 0;
  const int fd = OpenRegularFileIn(AT_FDCWD, path.c_str(), path, optional, &size);
  if (fd < 0) {
    out.clear();
    return false;
  }
  // What the file held when it was opened (its size then), and a byte more when it is longer.
  // Not cleared first: a buffer kept between reads of files of one size is not filled anew.
  out.resize(std::min(size, limit + 1));
  const long got = ReadUpTo(fd, out.data(), out.size());
  const int error = errno;
  ::close(fd);
  if (got < 0) {
    NoteFileFailure(path, error);
    out.clear();
    errno = EIO;
    return false;
  }
  out.resize(static_cast<std::size_t>(got));
  return true;
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
