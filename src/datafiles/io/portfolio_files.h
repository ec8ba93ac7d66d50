#pragma once

#include <climits>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "datafiles/status.h"

namespace voltrim {

class DeferredCloses;

// The longest path this system can open (PATH_MAX counts the terminating NUL). The walk,
// the browser, the lookups and the writes share it, so a portfolio that is listed opens.
inline constexpr std::size_t kMaxPathLength = PATH_MAX - 1;
// Room kept after a portfolio folder's path for a separator and the longest name a file of
// the portfolio takes, temporaries included ("MASTER.~NU" and the like, with margin).
inline constexpr std::size_t kPortfolioFileNameRoom = 32;
// The longest portfolio folder path (without trailing separator) that is listed, accepted
// and searched: every file of such a folder can be opened and replaced.
inline constexpr std::size_t kMaxPortfolioDirLength = kMaxPathLength - kPortfolioFileNameRoom;

// Names inside a portfolio match without regard to case: an existing case variant is
// used, otherwise the canonical spelling given.
std::string ResolveInDirectory(std::string_view directory, std::string_view name);

// A folder's names read once, to resolve many names as ResolveInDirectory does without
// listing the folder for each name that is not there as given (a folder with thousands of
// MWD files and no DOP files would otherwise be listed thousands of times). Names created
// after the listing are not seen: for reading a whole folder at one moment. The folder
// stays open, so that its files are opened by name within it, with no path walked again.
class FolderNames {
 public:
  explicit FolderNames(std::string_view directory);
  ~FolderNames();
  FolderNames(const FolderNames&) = delete;
  FolderNames& operator=(const FolderNames&) = delete;

  std::string Resolve(std::string_view name) const;
  // Whether the listing held the name in any case.
  bool Has(std::string_view name) const { return Stored(name) != nullptr; }
  // Reads the file Resolve names, when it is a regular file (never waiting on a FIFO): its
  // first maxBytes bytes at most, with cut set when it holds more. kFileNotFound when the
  // listing has no such name (noted as a failure unless optional), kFileOpen when it cannot
  // be opened or is no regular file, kFileRead when reading fails. With closes given, the
  // file's descriptor is left to it to close. With path given, it receives what Resolve
  // gives for the name, whatever the outcome.
  Status ReadFile(std::string_view name, std::size_t maxBytes, std::vector<std::uint8_t>& out,
                  bool& cut, bool optional = false, DeferredCloses* closes = nullptr,
                  std::string* path = nullptr) const;

 private:
  struct Entry {
    std::string upper;
    std::string name;
    bool regular = false;  // the listing says a regular file (not a link, not unknown)
  };
  // The name as the folder spells it, or null when it has none in any case.
  const Entry* Stored(std::string_view name) const;

  std::string dir_;
  int fd_ = -1;  // the folder, open while it is read; -1 with memory files or when unlistable
  // By upper-case spelling, then in the listing's order: one search finds a name and the
  // first of its case variants, in an array read from front to back rather than scattered.
  std::vector<Entry> entries_;
};

// directory + '/' unless it already ends in one (the portfolio of "/" is "/").
std::string WithTrailingSeparator(std::string_view directory);

// "F" + fileNumber + extension (with its dot, at most four characters).
std::string NumberedFileName(std::string_view extension, int fileNumber);
std::string DatFileName(int fileNumber);  // "F%i.DAT"
std::string DopFileName(int fileNumber);  // "F%i.DOP"
std::string BakFileName(int fileNumber);  // "F%i.BAK"
std::string NewFileName(int fileNumber);  // "F%i.NEW"

// True for a subdirectory entry name that stays inside the portfolio tree.
bool IsSafeSubdirectoryName(std::string_view name);

}  // namespace voltrim
