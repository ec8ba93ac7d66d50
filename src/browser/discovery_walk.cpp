#include "browser/discovery_walk.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>

#include "browser/discovery_drives.h"
#include "prompt/user_prompt.h"
#include "settings/settings_text.h"

namespace voltrim {

namespace {

char AsciiLower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c; }

bool IsMasterName(const char* name) { return settings_text::EqualsIgnoringCase(name, "MASTER"); }

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

// A MASTER must be a regular file (a link to one will do): a folder of that name is not a
// portfolio, and a pipe or device would hang or feed junk to the reader later.
bool IsMasterFile(int folder, const dirent& entry, unsigned char type) {
  if (type == DT_REG) return true;
  if (type == DT_DIR) return false;
  struct stat info;
  return fstatat(folder, entry.d_name, &info, 0) == 0 && S_ISREG(info.st_mode);
}

class Walker {
 public:
  Walker(const SearchFilter& filter, std::vector<std::string>& results, UserPrompt& prompt)
      : filter_(filter), results_(results), prompt_(prompt) {}

  void Run(const std::string& root) {
    // The root may itself be reached through a link; below it nothing is followed.
    const int fd = open(root.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) {
      Report(root);
      return;
    }
    struct stat info;
    if (fstat(fd, &info) != 0) {
      close(fd);
      return;
    }
    device_ = info.st_dev;
    Examine(root, fd);
    while (!pending_.empty()) {
      const std::string folder = std::move(pending_.back());
      pending_.pop_back();
      Visit(folder);
    }
  }

 private:
  void Visit(const std::string& folder) {
    // O_NOFOLLOW: a folder swapped for a link since it was listed is not entered.
    const int fd = open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0) {
      Report(folder);
      return;
    }
    struct stat info;
    if (fstat(fd, &info) != 0 || info.st_dev != device_) {
      close(fd);
      return;
    }
    Examine(folder, fd);
  }

  // Lists the folder (taking over fd), notes its MASTER and queues its admitted subfolders
  // so that the last listed is visited first.
  void Examine(const std::string& folder, int fd) {
    Report(folder);
    DIR* listing = fdopendir(fd);
    if (listing == nullptr) {
      close(fd);
      return;
    }
    bool hasMaster = false;
    while (const dirent* entry = readdir(listing)) {
      if (entry->d_name[0] == '.') continue;
      const unsigned char type = EntryType(dirfd(listing), *entry);
      if (type == DT_DIR) {
        std::string path = JoinPath(folder, entry->d_name);
        if (FilterAdmits(filter_, path)) pending_.push_back(std::move(path));
      } else if (!hasMaster && IsMasterName(entry->d_name)) {
        hasMaster = IsMasterFile(dirfd(listing), *entry, type);
      }
    }
    closedir(listing);
    if (hasMaster) {
      results_.push_back(folder);
      Report(folder);
    }
  }

  void Report(const std::string& folder) {
    prompt_.ScanProgress(folder, static_cast<int>(results_.size()));
  }

  const SearchFilter& filter_;
  std::vector<std::string>& results_;
  UserPrompt& prompt_;
  std::vector<std::string> pending_;  // folders still to visit, the next one last
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
  Walker(filter, results, prompt).Run(root);
}

std::string NoPortfoliosMessage(std::string_view drive) {
  return "No master files found on drive " + std::string(drive) +
         "\n\n(Is your Portfolio Search Filter setting correct?)";
}

std::vector<std::string> FindPortfolios(const std::string& drive, const SearchFilter& filter,
                                        UserPrompt& prompt) {
  std::vector<std::string> portfolios;
  if (!drive.empty() && drive.front() == '/') WalkDirectory(drive, filter, portfolios, prompt);
  prompt.Beep(BeepKind::Information);
  if (portfolios.empty()) prompt.ShowMessage(NoPortfoliosMessage(drive));
  SortPortfolioList(portfolios);
  return portfolios;
}

}  // namespace voltrim
