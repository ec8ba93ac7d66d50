#include "datafiles/io/replace_file.h"

#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cctype>
#include <utility>

#include "datafiles/format/ascii_case.h"
#include "datafiles/io/change_journal.h"
#include "datafiles/io/portfolio_files.h"
#include "datafiles/io/portfolio_lock.h"
#include "datafiles/io/regular_file.h"
#include "datafiles/io/replace_batch.h"

namespace voltrim {

namespace {

// Clears a temporary name; a stale one may be left by an earlier crash.
Status ClearTemporary(const std::string& path) {
  const Status removed = file_ops::Remove(path);
  return removed == kFileNotFound ? kOk : removed;
}

// Writes a new file's whole content, left open and not yet synced; on failure nothing of it
// remains.
Status WriteUnsynced(const std::string& path, const std::uint8_t* data, std::size_t size,
                     unsigned mode, file_ops::File& file) {
  const Status status = ClearTemporary(path);
  if (status != kOk) return status;
  if (file_ops::CreateForWrite(path, file, mode) != kOk) return kFileWrite;
  if (file_ops::WriteAll(file, data, size) == kOk) return kOk;
  (void)file_ops::Close(file);
  (void)file_ops::Remove(path);
  return kFileWrite;
}

// Writes a complete, synced new file; on failure nothing of it remains.
Status WriteNewFile(const std::string& path, const std::uint8_t* data, std::size_t size,
                    unsigned mode) {
  file_ops::File file;
  Status status = WriteUnsynced(path, data, size, mode, file);
  if (status != kOk) return status;
  status = file_ops::Sync(file);
  const Status closed = file_ops::Close(file);
  if (status == kOk && closed == kOk) return kOk;
  (void)file_ops::Remove(path);
  return kFileWrite;
}

// Stages `source` under `temporary` as a hard link (when allowed and possible) or a copy.
Status StageCopy(const std::string& source, const std::string& temporary, bool allowLink) {
  if (allowLink) {
    Status status = ClearTemporary(temporary);
    if (status != kOk) return status;
    // A drive without hard links gets the copy below instead: no failure to report.
    const FileFailureKept linkFailureIgnored;
    if (file_ops::Link(source, temporary) == kOk) return kOk;
  }
  std::vector<std::uint8_t> bytes;
  const Status read = ReadWholeFile(source, bytes, kMaxPortfolioFileBytes);
  if (read != kOk) return read;
  return WriteNewFile(temporary, bytes.data(), bytes.size(), file_ops::PermissionsOf(source));
}

// Renames the staged file into place; on failure the staged file is removed.
Status CommitStaged(const std::string& temporary, const std::string& destination) {
  if (file_ops::Rename(temporary, destination) != kOk) {
    (void)file_ops::Remove(temporary);
    return kFileWrite;
  }
  return kOk;
}

bool AllDigits(std::string_view text) {
  return !text.empty() &&
         std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

// "<process>-<count>", as WriterTemporaryName makes it.
bool IsWriterTag(std::string_view tag) {
  const std::size_t dash = tag.find('-');
  return dash != std::string_view::npos && AllDigits(tag.substr(0, dash)) &&
         AllDigits(tag.substr(dash + 1));
}

bool IsTemporaryStem(std::string_view stem) {
  return stem == "MASTER" || stem == "EMASTER" || stem == "XMASTER" ||
         (stem.size() > 1 && stem[0] == 'F' && AllDigits(stem.substr(1)));
}

}  // namespace

std::string WriterTemporaryName(std::string_view temporary) {
  static std::atomic<unsigned long> counter{0};
  const std::string tag =
      std::to_string(::getpid()) + "-" + std::to_string(counter.fetch_add(1) + 1);
  const std::size_t dot = temporary.rfind('.');
  if (dot == std::string_view::npos) return std::string(temporary) + "." + tag;
  return std::string(temporary.substr(0, dot)) + "." + tag + std::string(temporary.substr(dot));
}

bool IsWriterTemporaryName(std::string_view name) {
  const std::string upper = UpperAscii(name);
  // The undo's own temporaries (its journal and the files it puts back), plain or a writer's.
  constexpr std::string_view kUndo = ".VOLTRIM-UNDO.";
  if (upper.rfind(kUndo, 0) == 0) {
    const std::string_view rest = std::string_view(upper).substr(kUndo.size());
    return rest == "NEW" || (rest.size() > 4 && rest.substr(rest.size() - 4) == ".NEW" &&
                             IsWriterTag(rest.substr(0, rest.size() - 4)));
  }
  const std::size_t first = upper.find('.');
  const std::size_t last = upper.rfind('.');
  if (first == std::string::npos || !IsTemporaryStem(std::string_view(upper).substr(0, first))) {
    return false;
  }
  const std::string ext = upper.substr(last + 1);
  if (first == last) return ext == "NEW" || ext == "~NU";
  const std::string_view tag = std::string_view(upper).substr(first + 1, last - first - 1);
  return IsWriterTag(tag) && (ext == "NEW" || ext == "~NU" || ext == "BAK");
}

void ClearLeftoverTemporaries(const std::string& directory) {
  std::vector<std::string> leftovers;
  file_ops::ForEachName(directory, [&](std::string_view name) {
    if (IsWriterTemporaryName(name))
      leftovers.push_back(WithTrailingSeparator(directory) + std::string(name));
    return true;
  });
  // Best effort: a leftover that stays does no harm, as no writer reuses its name.
  const FileFailureKept removalsIgnored;
  for (const std::string& path : leftovers) (void)file_ops::Remove(path);
}

namespace {

template <typename Bytes>
Status ReadWholeFileInto(const std::string& path, Bytes& out, std::size_t limit) {
  file_ops::File file;
  if (file_ops::OpenForRead(path, file) != kOk) return kFileOpen;
  const Status status = file_ops::ReadAll(file, out, limit);
  // A failed close of a file only read changes nothing on disk.
  (void)file_ops::Close(file);
  return status;
}

}  // namespace

Status ReadWholeFile(const std::string& path, std::vector<std::uint8_t>& out, std::size_t limit) {
  return ReadWholeFileInto(path, out, limit);
}

Status ReadWholeFile(const std::string& path, file_ops::FileBytes& out, std::size_t limit) {
  return ReadWholeFileInto(path, out, limit);
}

namespace {

// The protocol's start, with the names resolved by resolve: the change noted and a stale
// plain temporary cleared.
template <typename Resolve>
Status BeginReplace(const ReplaceNames& names, Resolve resolve, ResolvedReplace& out) {
  const std::string target = resolve(names.target);
  const std::string plainTemporary = resolve(names.temporary);
  if (target == plainTemporary) return kBadRequest;
  const bool keepBackup = !names.backup.empty() && file_ops::NameExists(target);
  const std::string backup = keepBackup ? resolve(names.backup) : std::string();
  if (keepBackup && (backup == target || backup == plainTemporary)) return kBadRequest;
  out.target = target;
  out.temporary = WithTrailingSeparator(names.directory) + WriterTemporaryName(names.temporary);
  out.backup = backup;
  out.mode = file_ops::PermissionsOf(target);
  NoteFileChange(target);
  if (keepBackup) NoteFileChange(backup);
  // A temporary may share its name with a file of the portfolio (the repair's MASTER.bak).
  if (file_ops::NameExists(plainTemporary)) NoteFileChange(plainTemporary);
  return ClearTemporary(plainTemporary) == kOk ? kOk : kFileWrite;
}

// Keeps the target's current content as its backup (when one is kept), staged under staging.
Status RenewBackup(const ResolvedReplace& replace, const std::string& staging) {
  if (replace.backup.empty()) return kOk;
  Status status = StageCopy(replace.target, staging, true);
  if (status == kOk) status = CommitStaged(staging, replace.backup);
  return status == kOk ? kOk : kFileWrite;
}

}  // namespace

Status ReplaceFileContent(const ReplaceNames& names, const std::vector<std::uint8_t>& content) {
  // Under this thread's lock the plain temporary, a writer's leftover in any case, was
  // removed when the folder was taken.
  const bool temporaryCleared =
      IsWriterTemporaryName(names.temporary) && LeftoversClearedByThisThread(names.directory);
  ResolvedReplace replace;
  Status status = BeginReplace(
      names,
      [&](const std::string& name) {
        return temporaryCleared && name == names.temporary
                   ? WithTrailingSeparator(names.directory) + name
                   : ResolveInDirectory(names.directory, name);
      },
      replace);
  if (status == kOk) status = RenewBackup(replace, replace.temporary);
  if (status != kOk) return status;
  if (WriteNewFile(replace.temporary, content.data(), content.size(), replace.mode) != kOk)
    return kFileWrite;
  if (CommitStaged(replace.temporary, replace.target) != kOk) return kFileWrite;
  // The new content already stands in the target's place; a failed folder sync cannot be
  // undone and does not make the replace untrue, so it is not reported as a failure.
  if (!TakeOverFolderSync(names.directory)) (void)file_ops::SyncDirectory(names.directory);
  return kOk;
}

FolderReplaceBatch::FolderReplaceBatch(const std::string& directory, AfterSync afterSync)
    : directory_(directory), names_(directory), afterSync_(std::move(afterSync)) {}

FolderReplaceBatch::~FolderReplaceBatch() {
  // Whatever was not renamed into place is only a temporary now.
  const FileFailureKept removalsIgnored;
  for (Staged& staged : open_) {
    (void)file_ops::Close(staged.file);
    (void)file_ops::Remove(staged.replace.temporary);
  }
  for (const Staged& staged : synced_) (void)file_ops::Remove(staged.replace.temporary);
}

Status FolderReplaceBatch::Begin(const ReplaceNames& names, ResolvedReplace& replace) {
  if (names.directory != directory_) return kBadRequest;
  return BeginReplace(
      names,
      [&](const std::string& name) {
        const std::string given = WithTrailingSeparator(directory_) + name;
        return file_ops::NameExists(given) ? given : names_.Resolve(name);
      },
      replace);
}

Status FolderReplaceBatch::StageBytes(const ResolvedReplace& replace, const ReplaceNames& names,
                                      const std::uint8_t* data, std::size_t size) {
  Staged staged{replace, names.temporary, {}};
  if (WriteUnsynced(replace.temporary, data, size, replace.mode, staged.file) != kOk)
    return kFileWrite;
  file_ops::StartWriteback(staged.file);
  open_.push_back(std::move(staged));
  // Each staged file holds a descriptor until its sync; a process may have few.
  return open_.size() < kOpenAtMost ? kOk : SyncOpen();
}

Status FolderReplaceBatch::Stage(const ReplaceNames& names,
                                 const std::vector<std::uint8_t>& content) {
  ResolvedReplace replace;
  const Status status = Begin(names, replace);
  if (status != kOk) return status;
  return StageBytes(replace, names, content.data(), content.size());
}

Status FolderReplaceBatch::StageLink(const ReplaceNames& names, const std::string& source) {
  ResolvedReplace replace;
  const Status status = Begin(names, replace);
  if (status != kOk) return status;
  {
    // A drive without hard links gets the copy below instead: no failure to report.
    const FileFailureKept linkFailureIgnored;
    if (file_ops::Link(source, replace.temporary) == kOk) {
      synced_.push_back(Staged{replace, names.temporary, {}});
      return kOk;
    }
  }
  std::vector<std::uint8_t> bytes;
  if (ReadWholeFile(source, bytes, kMaxPortfolioFileBytes) != kOk) return kFileOpen;
  return StageBytes(replace, names, bytes.data(), bytes.size());
}

Status FolderReplaceBatch::SyncOpen() {
  std::vector<file_ops::File*> files;
  for (Staged& staged : open_) files.push_back(&staged.file);
  std::vector<Status> synced;
  file_ops::SyncEach(files, synced);
  for (const Status status : synced) {
    Staged staged = std::move(open_.front());
    open_.pop_front();
    const Status closed = file_ops::Close(staged.file);
    if (status != kOk || closed != kOk) {
      (void)file_ops::Remove(staged.replace.temporary);
      return kFileWrite;
    }
    synced_.push_back(std::move(staged));
    if (afterSync_) {
      const Status step = afterSync_();
      if (step != kOk) return step;
    }
  }
  return kOk;
}

Status FolderReplaceBatch::Commit() {
  const Status status = SyncOpen();
  if (status != kOk) return status;
  // Every new content is durable before any of them takes its target's place, and the
  // backups are renewed only now, so that a batch stopped before here changes nothing.
  while (!synced_.empty()) {
    const Staged& staged = synced_.front();
    const std::string staging =
        WithTrailingSeparator(directory_) + WriterTemporaryName(staged.stagingName);
    if (RenewBackup(staged.replace, staging) != kOk ||
        file_ops::Rename(staged.replace.temporary, staged.replace.target) != kOk)
      return kFileWrite;
    replaced_ = true;
    synced_.pop_front();
  }
  return kOk;
}

Status FolderReplaceBatch::Finish() {
  return file_ops::SyncDirectory(directory_) == kOk ? kOk : kFileWrite;
}

Status PlaceFileCopy(const std::string& source, const std::string& destinationDir,
                     const std::string& destinationName, const std::string& temporary,
                     bool allowLink) {
  const std::string destination = ResolveInDirectory(destinationDir, destinationName);
  const std::string staged = WithTrailingSeparator(destinationDir) + WriterTemporaryName(temporary);
  if (destination == staged || destination == source) return kBadRequest;
  NoteFileChange(destination);
  Status status = StageCopy(source, staged, allowLink);
  if (status != kOk) return status == kFileOpen ? kFileOpen : kFileWrite;
  if (CommitStaged(staged, destination) != kOk) return kFileWrite;
  (void)file_ops::SyncDirectory(destinationDir);
  return kOk;
}

}  // namespace voltrim
