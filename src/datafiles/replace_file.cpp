#include "datafiles/replace_file.h"

#include <filesystem>
#include <system_error>

#include "datafiles/portfolio_files.h"

namespace voltrim {

namespace {

bool Exists(const std::string& path) {
  std::error_code ec;
  return std::filesystem::exists(std::filesystem::symlink_status(path, ec));
}

// Clears a temporary name; a stale one may be left by an earlier crash.
Status ClearTemporary(const std::string& path) {
  const Status removed = file_ops::Remove(path);
  return removed == kFileNotFound ? kOk : removed;
}

// Writes a complete, synced new file; on failure nothing of it remains.
Status WriteNewFile(const std::string& path, const std::uint8_t* data, std::size_t size,
                    unsigned mode) {
  Status status = ClearTemporary(path);
  if (status != kOk) return status;
  file_ops::File file;
  status = file_ops::CreateForWrite(path, file, mode);
  if (status != kOk) return kFileWrite;
  status = file_ops::WriteAll(file, data, size);
  if (status == kOk) status = file_ops::Sync(file);
  const Status closed = file_ops::Close(file);
  if (status == kOk) status = closed;
  if (status != kOk) {
    (void)file_ops::Remove(path);
    return kFileWrite;
  }
  return kOk;
}

// Stages `source` under `temporary` as a hard link (when allowed and possible) or a copy.
Status StageCopy(const std::string& source, const std::string& temporary, bool allowLink) {
  if (allowLink) {
    Status status = ClearTemporary(temporary);
    if (status != kOk) return status;
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

}  // namespace

Status ReadWholeFile(const std::string& path, std::vector<std::uint8_t>& out, std::size_t limit) {
  file_ops::File file;
  if (file_ops::OpenForRead(path, file) != kOk) return kFileOpen;
  const Status status = file_ops::ReadAll(file, out, limit);
  // A failed close of a file only read changes nothing on disk.
  (void)file_ops::Close(file);
  return status;
}

Status ReplaceFileContent(const ReplaceNames& names, const std::vector<std::uint8_t>& content) {
  const std::string target = ResolveInDirectory(names.directory, names.target);
  const std::string temporary = ResolveInDirectory(names.directory, names.temporary);
  if (target == temporary) return kBadRequest;
  const bool targetExists = Exists(target);
  const unsigned mode = file_ops::PermissionsOf(target);

  if (!names.backup.empty() && targetExists) {
    const std::string backup = ResolveInDirectory(names.directory, names.backup);
    if (backup == target || backup == temporary) return kBadRequest;
    Status status = StageCopy(target, temporary, true);
    if (status == kOk) status = CommitStaged(temporary, backup);
    if (status != kOk) return kFileWrite;
  }

  if (WriteNewFile(temporary, content.data(), content.size(), mode) != kOk) return kFileWrite;
  if (CommitStaged(temporary, target) != kOk) return kFileWrite;
  // The new content already stands in the target's place; a failed folder sync cannot be
  // undone and does not make the replace untrue, so it is not reported as a failure.
  (void)file_ops::SyncDirectory(names.directory);
  return kOk;
}

Status PlaceFileCopy(const std::string& source, const std::string& destinationDir,
                     const std::string& destinationName, const std::string& temporary,
                     bool allowLink) {
  const std::string destination = ResolveInDirectory(destinationDir, destinationName);
  const std::string staged = ResolveInDirectory(destinationDir, temporary);
  if (destination == staged || destination == source) return kBadRequest;
  Status status = StageCopy(source, staged, allowLink);
  if (status != kOk) return status == kFileOpen ? kFileOpen : kFileWrite;
  if (CommitStaged(staged, destination) != kOk) return kFileWrite;
  (void)file_ops::SyncDirectory(destinationDir);
  return kOk;
}

}  // namespace voltrim
