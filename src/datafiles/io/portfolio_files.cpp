#include "datafiles/io/portfolio_files.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <charconv>
#include <cstdio>
#include <cstring>

#include "datafiles/format/ascii_case.h"
#include "datafiles/io/deferred_closes.h"
#include "datafiles/io/file_ops.h"
#include "datafiles/io/memory_files.h"
#include "datafiles/io/regular_file.h"

namespace voltrim {

namespace {

// The order of two names by their upper-case spelling, as std::string orders the listing's
// upper-case names, without making an upper-case copy of name: the lookup of every file of
// a folder of thousands of series would otherwise allocate that copy each time.
int CompareUpper(std::string_view upper, std::string_view name) {
  const std::size_t common = std::min(upper.size(), name.size());
  for (std::size_t i = 0; i < common; ++i) {
    const auto a = static_cast<unsigned char>(upper[i]);
    const auto b = static_cast<unsigned char>(UpperAscii(name[i]));
    if (a != b) return a < b ? -1 : 1;
  }
  return upper.size() < name.size() ? -1 : upper.size() > name.size() ? 1 : 0;
}

// The first read of a file of unknown size: a short series' data file whole.
constexpr std::size_t kFirstRead = 8192;

// read() again when a signal cut it short; the count, or -1 with errno set.
ssize_t ReadSome(int fd, void* data, std::size_t count) {
  ssize_t part = 0;
  do {
    part = ::read(fd, data, count);
  } while (part < 0 && errno == EINTR);
  return part;
}

// Sets out aside for wanted bytes. Bytes it held before are overwritten rather than cleared
// first, and a buffer that has to grow is emptied first so that nothing is copied into it.
void MakeRoom(std::vector<std::uint8_t>& out, std::size_t wanted) {
  if (wanted > out.capacity()) out.clear();
  out.resize(wanted);
}

// Fills out from its byte got on, and cuts it to what was read: a file that shrank since it
// was measured gives what it still holds. False with errno set when a read fails.
bool ReadRest(int fd, std::vector<std::uint8_t>& out, std::size_t got) {
  const long read = ReadUpTo(fd, out.data() + got, out.size() - got);
  if (read < 0) return false;
  out.resize(got + static_cast<std::size_t>(read));
  return true;
}

// A file of known size: one read when it is as large as it was when measured.
bool ReadMeasured(int fd, std::size_t size, std::size_t maxBytes, std::vector<std::uint8_t>& out) {
  MakeRoom(out, std::min(size, maxBytes));
  return ReadRest(fd, out, 0);
}

// A file of unknown size: a first read into a small buffer takes a small file whole (a read
// of a regular file comes back short only at its end), which is every file of a folder of
// thousands of short series; a larger one is measured then and read on. size receives the
// file's size.
bool ReadUnmeasured(int fd, std::size_t maxBytes, std::vector<std::uint8_t>& out,
                    std::size_t& size) {
  std::uint8_t first[kFirstRead];
  const std::size_t asked = std::min(sizeof first, maxBytes + 1);
  const ssize_t part = ReadSome(fd, first, asked);
  if (part < 0) return false;
  const auto count = static_cast<std::size_t>(part);
  struct stat info {};
  if (count < asked) {
    size = count;
  } else if (::fstat(fd, &info) == 0) {
    size = std::max(static_cast<std::size_t>(info.st_size), count);
  } else {
    return false;
  }
  MakeRoom(out, std::min(size, maxBytes));
  const std::size_t kept = std::min(count, out.size());
  if (kept > 0) std::memcpy(out.data(), first, kept);  // an empty vector's data may be null
  return kept == count ? ReadRest(fd, out, kept) : true;
}

}  // namespace

std::string NumberedFileName(std::string_view extension, int fileNumber) {
  // Formatted in place, without a formatted print: a read names two files.
  char text[32] = "F";
  char* end = std::to_chars(text + 1, text + 16, fileNumber).ptr;
  const std::size_t length = std::min<std::size_t>(extension.size(), 8);
  std::memcpy(end, extension.data(), length);
  return std::string(text, static_cast<std::size_t>(end - text) + length);
}

std::string WithTrailingSeparator(std::string_view directory) {
  std::string result(directory);
  if (!result.empty() && result.back() != '/') result.push_back('/');
  return result;
}

std::string ResolveInDirectory(std::string_view directory, std::string_view name) {
  const std::string dir = WithTrailingSeparator(directory);
  const std::string exact = dir + std::string(name);
  if (file_ops::NameExists(exact)) return exact;
  std::string found = exact;
  file_ops::ForEachName(dir, [&](std::string_view entry) {
    if (!EqualIgnoringAsciiCase(entry, name)) return true;
    found = dir + std::string(entry);
    return false;
  });
  return found;
}

FolderNames::FolderNames(std::string_view directory) : dir_(WithTrailingSeparator(directory)) {
  const auto add = [&](std::string_view entry, bool regular = false) {
    entries_.push_back({UpperAscii(entry), std::string(entry), regular});
    return true;
  };
  if (file_ops::MemoryFilesInUse() != nullptr) {
    file_ops::ForEachName(dir_, [&](std::string_view entry) { return add(entry); });
  } else {
    fd_ = ::open(dir_.empty() ? "." : dir_.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    // The listing reads a descriptor of its own, which closedir closes.
    DIR* listing = fd_ < 0 ? nullptr : ::fdopendir(::dup(fd_));
    while (const dirent* entry = listing != nullptr ? ::readdir(listing) : nullptr) {
      const std::string_view name(entry->d_name);
      if (name != "." && name != "..") add(name, entry->d_type == DT_REG);
    }
    if (listing != nullptr) ::closedir(listing);
  }
  std::stable_sort(entries_.begin(), entries_.end(),
                   [](const Entry& a, const Entry& b) { return a.upper < b.upper; });
}

FolderNames::~FolderNames() {
  if (fd_ >= 0) ::close(fd_);
}

const FolderNames::Entry* FolderNames::Stored(std::string_view name) const {
  auto variant = std::lower_bound(
      entries_.begin(), entries_.end(), name,
      [](const Entry& e, std::string_view n) { return CompareUpper(e.upper, n) < 0; });
  if (variant == entries_.end() || CompareUpper(variant->upper, name) != 0) return nullptr;
  for (auto same = variant; same != entries_.end() && same->upper == variant->upper; ++same)
    if (same->name == name) return &*same;
  return &*variant;
}

std::string FolderNames::Resolve(std::string_view name) const {
  const Entry* stored = Stored(name);
  return dir_ + (stored != nullptr ? stored->name : std::string(name));
}

Status FolderNames::ReadFile(std::string_view name, std::size_t maxBytes,
                             std::vector<std::uint8_t>& out, bool& cut, bool optional,
                             DeferredCloses* closes, std::string* resolved) const {
  cut = false;
  const Entry* stored = Stored(name);
  std::string local;
  std::string& path = resolved != nullptr ? *resolved : local;
  path = dir_;
  path += stored != nullptr ? std::string_view(stored->name) : name;
  if (stored == nullptr) {
    out.clear();
    if (!optional) NoteFileFailure(path, ENOENT);
    return kFileNotFound;
  }
  if (const file_ops::MemoryFiles* memory = file_ops::MemoryFilesInUse()) {
    const std::shared_ptr<file_ops::MemoryNode> node = memory->Find(path);
    if (!node || node->folder) {
      out.clear();
      NoteFileFailure(path, node ? kNotRegularFile : ENOENT);
      return kFileOpen;
    }
    cut = node->bytes.size() > maxBytes;
    out.assign(node->bytes.begin(), node->bytes.begin() + static_cast<std::ptrdiff_t>(std::min(
                                                              maxBytes, node->bytes.size())));
    return kOk;
  }
  // A file the listing showed regular is opened without making sure of its type again, and
  // read unmeasured unless the files read before into out were larger than a first read:
  // then this one likely is too, and measuring it first saves a read.
  const bool unmeasured = stored->regular && out.capacity() <= kFirstRead;
  std::size_t size = 0;
  const auto open = [&] {
    return unmeasured ? OpenFileIn(fd_, stored->name.c_str(), path, optional)
                      : OpenRegularFileIn(fd_, stored->name.c_str(), path, optional, &size);
  };
  const FileFailure before = closes != nullptr ? LastFileFailure() : FileFailure{};
  int fd = open();
  if (fd < 0 && (errno == EMFILE || errno == ENFILE) && closes != nullptr && !closes->Empty()) {
    // Files still open for closing later take the room: close them and try again, and the
    // failure noted goes back to what it was.
    closes->Flush();
    NoteFileFailure(before.path, before.reason);
    fd = open();
  }
  if (fd < 0) {
    out.clear();
    return errno == ENOENT ? kFileNotFound : kFileOpen;  // gone since the listing
  }
  const bool readOk =
      unmeasured ? ReadUnmeasured(fd, maxBytes, out, size) : ReadMeasured(fd, size, maxBytes, out);
  const int error = errno;
  if (closes != nullptr)
    closes->Add(fd);
  else
    ::close(fd);
  if (!readOk) {
    out.clear();
    NoteFileFailure(path, error);
    return kFileRead;
  }
  cut = size > maxBytes;
  return kOk;
}

std::string DatFileName(int fileNumber) { return NumberedFileName(".DAT", fileNumber); }
std::string DopFileName(int fileNumber) { return NumberedFileName(".DOP", fileNumber); }
std::string BakFileName(int fileNumber) { return NumberedFileName(".BAK", fileNumber); }
std::string NewFileName(int fileNumber) { return NumberedFileName(".NEW", fileNumber); }

bool IsSafeSubdirectoryName(std::string_view name) {
  return !name.empty() && name != "." && name != ".." &&
         name.find_first_of("/\\") == std::string_view::npos &&
         name.find('\0') == std::string_view::npos;
}

}  // namespace voltrim
