#pragma once

#include <climits>
#include <cstddef>
#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>

namespace voltrim {

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
// after the listing are not seen: for reading a whole folder at one moment.
class FolderNames {
 public:
  explicit FolderNames(std::string_view directory);
  std::string Resolve(std::string_view name) const;

 private:
  std::string dir_;
  std::unordered_set<std::string> exact_;
  std::unordered_map<std::string, std::string> byUpper_;  // the first entry of each spelling
};

// directory + '/' unless it already ends in one (the portfolio of "/" is "/").
std::string WithTrailingSeparator(std::string_view directory);

std::string DatFileName(int fileNumber);  // "F%i.DAT"
std::string DopFileName(int fileNumber);  // "F%i.DOP"
std::string BakFileName(int fileNumber);  // "F%i.BAK"
std::string NewFileName(int fileNumber);  // "F%i.NEW"

// True for a subdirectory entry name that stays inside the portfolio tree.
bool IsSafeSubdirectoryName(std::string_view name);

}  // namespace voltrim
