#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "datafiles/io/file_ops.h"
#include "datafiles/io/portfolio_files.h"
#include "datafiles/io/replace_file.h"
#include "datafiles/status.h"

namespace voltrim {

// One replace with its names resolved.
struct ResolvedReplace {
  std::string target;
  std::string temporary;  // the writer's own name
  std::string backup;     // empty: no backup is kept
  unsigned mode = 0;
};

// Many files of one folder replaced as one step of a larger write (a portfolio update's
// thousands of data files). Each Stage is ReplaceFileContent's protocol up to the new content
// written under a temporary name; Commit then syncs every staged file and only after that
// renews the backups and renames the files into place, and Finish makes it all durable with
// one folder sync.
// Written first and synced together, the files share the device's work instead of each
// waiting for its own. The folder is listed once for the names' case variants (names a
// replace creates are found as given). Until Finish returns, a power cut may leave any of
// the files old (never broken), so nothing that names their new content may be written
// before it. A batch destroyed before its Commit has renamed a file removes that file's
// temporary: a failure or a cancel before Commit replaces nothing.
class FolderReplaceBatch {
 public:
  // Called after each staged file is synced; a status other than kOk stops the batch and is
  // returned by the call that made the sync (Stage or Commit).
  using AfterSync = std::function<Status()>;

  explicit FolderReplaceBatch(const std::string& directory, AfterSync afterSync = {});
  ~FolderReplaceBatch();
  FolderReplaceBatch(const FolderReplaceBatch&) = delete;
  FolderReplaceBatch& operator=(const FolderReplaceBatch&) = delete;

  // names.directory must be the batch's folder, and each target staged once. Neither the
  // target nor its backup is changed yet. Syncs the staged files when they hold as many
  // descriptors as a batch keeps open.
  Status Stage(const ReplaceNames& names, const std::vector<std::uint8_t>& content);
  // As Stage, the content being that of the file at source: a second name of it where the
  // file system has hard links (a move, whose source goes afterwards: its content is on the
  // disk already and needs no sync), else a copy of its bytes. kFileOpen when source cannot
  // be read.
  Status StageLink(const ReplaceNames& names, const std::string& source);
  // Syncs the files not yet synced, then, file by file, renews the backup and renames the
  // new content over its target: kOk, a status of afterSync, or kFileWrite (a sync failed
  // and nothing was replaced, or a later step failed and the files before it stand).
  Status Commit();
  // Syncs the folder: kFileWrite when the system refuses.
  Status Finish();
  // Whether a target has been replaced (until then a stop leaves every file as it was, but
  // for the temporaries the destructor removes).
  bool Replaced() const { return replaced_; }

 private:
  struct Staged {
    ResolvedReplace replace;
    std::string stagingName;  // the plain temporary name, for the backup's own staging
    file_ops::File file;      // open until synced
  };
  // Enough to share the device's work, few enough not to crowd a process's open files.
  static constexpr std::size_t kOpenAtMost = 256;

  Status Begin(const ReplaceNames& names, ResolvedReplace& replace);
  Status StageBytes(const ResolvedReplace& replace, const ReplaceNames& names,
                    const std::uint8_t* data, std::size_t size);
  Status SyncOpen();

  std::string directory_;
  FolderNames names_;
  AfterSync afterSync_;
  std::deque<Staged> open_;
  std::deque<Staged> synced_;  // not yet renamed
  bool replaced_ = false;
};

}  // namespace voltrim
