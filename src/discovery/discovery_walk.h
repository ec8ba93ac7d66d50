#pragma once

#include <sys/types.h>

#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "discovery/discovery_filter.h"

namespace voltrim {

class UserPrompt;

// The portfolio list's order: alphabetical without regard to case (ties in byte order, so
// that the order is total).
bool PortfolioOrder(const std::string& a, const std::string& b);
void SortPortfolioList(std::vector<std::string>& portfolios);

// One folder as the walk sees it.
struct FolderListing {
  dev_t device = 0;
  ino_t inode = 0;
  std::vector<std::string> subfolders;  // names, in listing order; no dot-names, no links
  bool hasMasterName = false;           // some entry other than a folder is named MASTER
};

// What the walk asks of the file system, so that tests can present trees a disk does not
// easily hold (a folder that contains itself).
class WalkFileSystem {
 public:
  virtual ~WalkFileSystem() = default;
  // Lists folder; the root may be reached through a link, a folder below it never. False
  // when it cannot be listed. One listing is open at a time.
  virtual bool List(const std::string& folder, bool isRoot, FolderListing& out) const = 0;
  // True when the MASTER that the symbols fill will open in folder is a regular file.
  virtual bool HasMasterFile(const std::string& folder) const = 0;
};

// Appends to `results` every folder at or below `root` whose MASTER (in any case) the
// symbols fill can open, depth first, the subfolders of each folder visited in the
// reverse of listing order. The root is always examined; the filter decides about
// subfolders. Dot-names are skipped; symbolic links are never followed, other file systems
// never entered and no folder entered twice (a bind mount of a folder inside itself), so
// the walk ends on every loop; folders that cannot be listed contribute nothing, nor do
// paths too long for a portfolio (kMaxPortfolioDirLength). Each folder examined, and each
// MASTER found, is reported through ScanProgress with the number found so far.
void WalkDirectory(const std::string& root, const SearchFilter& filter,
                   std::vector<std::string>& results, UserPrompt& prompt);
void WalkDirectoryIn(const WalkFileSystem& files, const std::string& root,
                     const SearchFilter& filter, std::vector<std::string>& results,
                     UserPrompt& prompt);

std::string NoPortfoliosMessage(std::string_view drive);

// The end of every scan, the desktop program's and the CLI's: sounds the information beep,
// lets the caller close what showed the walk (beforeMessage, may be empty), shows
// NoPortfoliosMessage when nothing was found, and sorts the list.
void ConcludeScan(std::vector<std::string>& found, std::string_view drive, UserPrompt& prompt,
                  const std::function<void()>& beforeMessage = {});

// The scan of a drive: walks it and concludes it as above. kNoDrive finds nothing.
std::vector<std::string> FindPortfolios(const std::string& drive, const SearchFilter& filter,
                                        UserPrompt& prompt);

}  // namespace voltrim
