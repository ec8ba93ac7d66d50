#include "datafiles/io/regular_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace voltrim {

namespace {

thread_local FileFailure lastFailure;

}  // namespace

int OpenRegularFile(const std::string& path, bool optional) {
  // O_NONBLOCK: opening a FIFO for reading would otherwise wait for a writer.
  const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
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
  // Reads of a regular file never block anyway; clear the flag so they behave as usual.
  const int flags = ::fcntl(fd, F_GETFL);
  if (flags >= 0) (void)::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK);
  return fd;
}

RegularStream OpenRegularStream(const std::string& path, bool optional) {
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
