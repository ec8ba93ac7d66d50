#include "datafiles/io/portfolio_files.h"

#include <dirent.h>
#include <fcntl.h>
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
  const auto add = [&](std::string_view entry) {
    entries_.push_back({UpperAscii(entry), std::string(entry)});
    return true;
  };
  if (file_ops::MemoryFilesInUse() != nullptr) {
    file_ops::ForEachName(dir_, add);
  } else {
    fd_ = ::open(dir_.empty() ? "." : dir_.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    // The listing reads a descriptor of its own, which closedir closes.
    DIR* listing = fd_ < 0 ? nullptr : ::fdopendir(::dup(fd_));
    while (const dirent* entry = listing != nullptr ? ::readdir(listing) : nullptr) {
      const std::string_view name(entry->d_name);
      if (name != "." && name != "..") add(name);
    }
    if (listing != nullptr) ::closedir(listing);
  }
  std::stable_sort(entries_.begin(), entries_.end(),
                   [](const Entry& a, const Entry& b) { return a.upper < b.upper; });
}

FolderNames::~FolderNames() {
  if (fd_ >= 0) ::close(fd_);
}

const std::string* FolderNames::Stored(std::string_view name) const {
  auto variant = std::lower_bound(
      entries_.begin(), entries_.end(), name,
      [](const Entry& e, std::string_view n) { return CompareUpper(e.upper, n) < 0; });
  if (variant == entries_.end() || CompareUpper(variant->upper, name) != 0) return nullptr;
  for (auto same = variant; same != entries_.end() && same->upper == variant->upper; ++same)
    if (same->name == name) return &same->name;
  return &variant->name;
}

std::string FolderNames::Resolve(std::string_view name) const {
  const std::string* stored = Stored(name);
  return dir_ + (stored != nullptr ? *stored : std::string(name));
}

Status FolderNames::ReadFile(std::string_view name, std::size_t maxBytes,
                             std::vector<std::uint8_t>& out, bool& cut, bool optional,
                             DeferredCloses* closes, std::string* resolved) const {
  cut = false;
  const std::string* stored = Stored(name);
  std::string local;
  std::string& path = resolved != nullptr ? *resolved : local;
  path = dir_;
  path += stored != nullptr ? std::string_view(*stored) : name;
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
  std::size_t size = 0;
  const FileFailure before = closes != nullptr ? LastFileFailure() : FileFailure{};
  int fd = OpenRegularFileIn(fd_, stored->c_str(), path, optional, &size);
  if (fd < 0 && (errno == EMFILE || errno == ENFILE) && closes != nullptr && !closes->Empty()) {
    // Files still open for closing later take the room: close them and try again, and the
    // failure noted goes back to what it was.
    closes->Flush();
    NoteFileFailure(before.path, before.reason);
    fd = OpenRegularFileIn(fd_, stored->c_str(), path, optional, &size);
  }
  if (fd < 0) {
    out.clear();
    return errno == ENOENT ? kFileNotFound : kFileOpen;  // gone since the listing
  }
  // One read when the file is as large as it was when opened; more only when it is not.
  // Bytes the buffer held before are overwritten rather than cleared first, and a buffer
  // that has to grow is emptied first so that nothing is copied into it.
  const std::size_t wanted = std::min(size, maxBytes);
  if (wanted > out.capacity()) out.clear();
  out.resize(wanted);
  std::size_t got = 0;
  ssize_t part = 1;
  while (got < out.size() && part != 0) {
    part = ::read(fd, out.data() + got, out.size() - got);
    if (part < 0 && errno == EINTR) continue;
    if (part < 0) break;
    got += static_cast<std::size_t>(part);
  }
  const int error = errno;
  if (closes != nullptr)
    closes->Add(fd);
  else
    ::close(fd);
  if (part < 0) {
    out.clear();
    NoteFileFailure(path, error);
    return kFileRead;
  }
  // A file that shrank since it was opened gives what it still holds.
  out.resize(got);
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
