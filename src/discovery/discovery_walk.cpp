#include "discovery/discovery_walk.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <set>
#include <utility>

#include "datafiles/format/ascii_case.h"
#include "datafiles/io/portfolio_files.h"
#include "datafiles/io/regular_file.h"
#include "discovery/discovery_drives.h"
#include "prompt/user_prompt.h"

namespace voltrim {

namespace {

char AsciiLower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c; }

bool IsMasterName(const char* name) { return EqualIgnoringAsciiCase(name, "MASTER"); }

// The entry's type without following a link; asks the file system only when the listing
// does not say.
unsigned char EntryType(int folder, const dirent& entry) {
  if (entry.d_type != DT_UNKNOWN) return entry.d_type;
  struct stat info;
  if (fstatat(folder, entry.d_name, &info, AT_SYMLINK_NOFOLLOW) != 0) return DT_UNKNOWN;
  if (S_ISDIR(info.st_mode)) return DT_DIR;
  if (S_ISREG(info.st_mode)) return DT_REG;
  if (S_ISLNK(info.st_mode)) return DT_LNK;
  return DT_UNKNOWN;
}

class DiskWalkFileSystem : public WalkFileSystem {
 public:
  bool List(const std::string& folder, bool isRoot, FolderListing& out) const override {
    // O_NOFOLLOW below the root: a folder swapped for a link since it was listed is not
    // entered.
    const int flags = O_RDONLY | O_DIRECTORY | O_CLOEXEC | (isRoot ? 0 : O_NOFOLLOW);
    const int fd = open(folder.c_str(), flags);
    if (fd < 0) return false;
    struct stat info;
    DIR* listing = fstat(fd, &info) == 0 ? fdopendir(fd) : nullptr;
    if (listing == nullptr) {
      close(fd);
      return false;
    }
    out = FolderListing{info.st_dev, info.st_ino, {}, false};
    while (const dirent* entry = readdir(listing)) {
      if (entry->d_name[0] == '.') continue;
      const unsigned char type = EntryType(dirfd(listing), *entry);
      if (type == DT_DIR) {
        out.subfolders.emplace_back(entry->d_name);
      } else if (IsMasterName(entry->d_name)) {
        out.hasMasterName = true;
      }
    }
    closedir(listing);
    return true;
  }

  // The very file the fill opens (its case variant is chosen the same way), and a pipe or
  // device would hang or feed junk to the reader later. A link to a regular file will do.
  bool HasMasterFile(const std::string& folder) const override {
    return IsRegularFile(ResolveInDirectory(folder, "MASTER"));
  }
};

class Walker {
 public:
  Walker(const WalkFileSystem& files, const SearchFilter& filter, std::vector<std::string>& results,
         UserPrompt& prompt)
      : files_(files), filter_(filter), results_(results), prompt_(prompt) {}

  void Run(const std::string& root) {
    FolderListing listing;
    if (!files_.List(root, true, listing)) {
      Report(root);
      return;
    }
    device_ = listing.device;
    entered_.insert({listing.device, listing.inode});
    Examine(root, listing);
    while (!pending_.empty()) {
      const std::string folder = std::move(pending_.back());
      pending_.pop_back();
      Visit(folder);
    }
  }

 private:
  void Visit(const std::string& folder) {
    FolderListing listing;
    if (!files_.List(folder, false, listing)) {
      Report(folder);
      return;
    }
    if (listing.device != device_) return;
    // A folder met again under another path (a bind mount inside itself) would repeat its
    // subtree until the paths grew too long.
    if (!entered_.insert({listing.device, listing.inode}).second) return;
    Examine(folder, listing);
  }

  // Notes the folder's MASTER and queues its admitted subfolders so that the last listed is
  // visited first.
  void Examine(const std::string& folder, const FolderListing& listing) {
    Report(folder);
    for (const std::string& name : listing.subfolders) {
      std::string path = JoinPath(folder, name);
      // A folder too long to be a portfolio has no portfolio below it either.
      if (path.size() <= kMaxPortfolioDirLength && FilterAdmits(filter_, path))
        pending_.push_back(std::move(path));
    }
    if (listing.hasMasterName && folder.size() <= kMaxPortfolioDirLength &&
        files_.HasMasterFile(folder)) {
      results_.push_back(folder);
      Report(folder);
    }
  }

  void Report(const std::string& folder) {
    prompt_.ScanProgress(folder, static_cast<int>(results_.size()));
  }

  const WalkFileSystem& files_;
  const SearchFilter& filter_;
  std::vector<std::string>& results_;
  UserPrompt& prompt_;
  std::vector<std::string> pending_;  // folders still to visit, the next one last
  std::set<std::pair<dev_t, ino_t>> entered_;
  dev_t device_ = 0;
};

}  // namespace

bool PortfolioOrder(const std::string& a, const std::string& b) {
  const auto lowerLess = [](char x, char y) {
    return static_cast<unsigned char>(AsciiLower(x)) < static_cast<unsigned char>(AsciiLower(y));
  };
  if (std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(), lowerLess)) {
    return true;
  }
  if (std::lexicographical_compare(b.begin(), b.end(), a.begin(), a.end(), lowerLess)) {
    return false;
  }
  return a < b;
}

void SortPortfolioList(std::vector<std::string>& portfolios) {
  std::sort(portfolios.begin(), portfolios.end(), PortfolioOrder);
}

void WalkDirectory(const std::string& root, const SearchFilter& filter,
                   std::vector<std::string>& results, UserPrompt& prompt) {
  static const DiskWalkFileSystem kDisk;
  WalkDirectoryIn(kDisk, root, filter, results, prompt);
}

void WalkDirectoryIn(const WalkFileSystem& files, const std::string& root,
                     const SearchFilter& filter, std::vector<std::string>& results,
                     UserPrompt& prompt) {
  Walker(files, filter, results, prompt).Run(root);
}

std::string NoPortfoliosMessage(std::string_view drive) {
  return "No master files found on drive " + std::string(drive) +
         "\n\n(Is your Portfolio Search Filter setting correct?)";
}

std::vector<std::string> FindPortfolios(const std::string& drive, const SearchFilter& filter,
                                        UserPrompt& prompt) {
  std::vector<std::string> portfolios;
  if (!drive.empty() && drive.front() == '/') WalkDirectory(drive, filter, portfolios, prompt);
  ConcludeScan(portfolios, drive, prompt);
  return portfolios;
}

void ConcludeScan(std::vector<std::string>& found, std::string_view drive, UserPrompt& prompt,
                  const std::function<void()>& beforeMessage) {
  prompt.Beep(BeepKind::Information);
  if (beforeMessage) beforeMessage();
  if (found.empty()) prompt.ShowMessage(NoPortfoliosMessage(drive));
  SortPortfolioList(found);
}

}  // namespace voltrim
