#pragma once

#include <cstddef>
#include <cstdio>
#include <memory>
#include <string>

namespace voltrim {

// Portfolio folders are written by other programs and may hold anything under a data
// file's name: a FIFO (an open or read would wait for a writer for ever) or a link to a
// device (endless junk). Every portfolio file is opened through these: without blocking,
// and only when it is a regular file (links to one are followed). While memory files are
// in use (memory_files.h), the streams and the question read those instead of the disk.

// A descriptor open for reading, or -1 with errno set (ENOENT when there is no such name,
// EINVAL when the name is not a regular file). With optional set, a missing file is an
// answer rather than a failure and is not noted below (a DOP file, a subfolder's MASTER).
int OpenRegularFile(const std::string& path, bool optional = false);
// The same for a name in the folder open as folderFd (path names the file in failures);
// size, when given, receives the file's size.
int OpenRegularFileIn(int folderFd, const char* name, const std::string& path, bool optional,
                      std::size_t* size);

struct StreamCloser {
  void operator()(std::FILE* file) const { std::fclose(file); }
};
using RegularStream = std::unique_ptr<std::FILE, StreamCloser>;

// The open alone, for a name a listing of the folder has just shown to be a regular file:
// never waiting on a FIFO, but not making sure of the file's type (which costs a system call
// a file, a third of a small file's read).
int OpenFileIn(int folderFd, const char* name, const std::string& path, bool optional);

// Reads up to count bytes from fd into data, in as few reads as the system allows; the
// number read (fewer at the file's end), or -1 with errno set when a read failed.
long ReadUpTo(int fd, void* data, std::size_t count);

// The same as a binary read stream; null with errno set on failure.
RegularStream OpenRegularStream(const std::string& path, bool optional = false);

// A small file read whole: one open, one fstat, one read (through the memory files while
// they are in use). At most limit + 1 bytes are kept, so that a longer file shows as longer
// than limit. False with errno set when the file cannot be opened (ENOENT when there is none)
// or read (EIO).
bool ReadSmallRegularFile(const std::string& path, bool optional, std::size_t limit,
                          std::string& out);

// True when path names a regular file (following links); nothing is opened.
bool IsRegularFile(const std::string& path);

// The last failure to open, read or write a portfolio file in this thread, with the
// system's reason (errno), so that a command can say which file failed and why. Cleared
// by ClearFileFailure; a later failure replaces an earlier one.
struct FileFailure {
  std::string path;    // empty when nothing failed
  std::string reason;  // "No such file or directory", "not a regular file", ...
};
inline constexpr int kNotRegularFile = -1;
// error is an errno value, or kNotRegularFile.
void NoteFileFailure(const std::string& path, int error);
// For failures reported by other means than errno (a library's own error text).
void NoteFileFailure(const std::string& path, const std::string& reason);
void ClearFileFailure();
const FileFailure& LastFileFailure();

// Keeps the last failure as it was across best-effort work whose own failures are never
// reported, so that they cannot stand in for the reason of a later failure.
class FileFailureKept {
 public:
  FileFailureKept() : saved_(LastFileFailure()) {}
  ~FileFailureKept();
  FileFailureKept(const FileFailureKept&) = delete;
  FileFailureKept& operator=(const FileFailureKept&) = delete;

 private:
  FileFailure saved_;
};

}  // namespace voltrim
