#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "datafiles/io/file_ops.h"
#include "datafiles/status.h"

namespace voltrim {

// Names of one file replacement inside one directory. Names are matched without regard to
// case: an existing case variant is used (and replaced); a new file gets the name as given.
struct ReplaceNames {
  std::string directory;  // the folder holding all three names
  std::string target;     // e.g. "F3.DAT", "MASTER"
  std::string temporary;  // e.g. "F3.NEW", "MASTER.~NU"
  std::string backup;     // e.g. "F3.BAK"; empty: no backup is kept
};

// Replaces the target's content in a way that survives a crash at any point (the new
// content and a backup are staged under this writer's own name for the temporary, see
// WriterTemporaryName; a leftover under the plain temporary name is removed first):
//  1. (with a backup) the current target becomes the backup: a hard link of it, or a copy
//     when the file system cannot link, staged under the temporary name and renamed over
//     the old backup in one step;
//  2. the new content is written completely under the temporary name and synced;
//  3. the temporary file is renamed over the target in one step and the folder is synced
//     (in a recorded change, before its next step or with its journal: TakeOverFolderSync).
// Any failure before step 3 leaves the target byte for byte as it was, removes the
// temporary file and returns a failure status. kOk means the new content stands in the
// target's place. The target need not exist (a new file is created then, no backup).
Status ReplaceFileContent(const ReplaceNames& names, const std::vector<std::uint8_t>& content);

// Puts a copy of `source` at destinationDir/destinationName (replacing a file of that
// name in one step), staged under `temporary`. With allowLink a hard link is tried first
// (for a move, where the source is removed afterwards); otherwise the bytes are copied.
Status PlaceFileCopy(const std::string& source, const std::string& destinationDir,
                     const std::string& destinationName, const std::string& temporary,
                     bool allowLink);

// The name a writer actually writes `temporary` under: its own, so that no two writers (or
// threads) ever share a temporary file: "F3.NEW" becomes "F3.<process>-<count>.NEW".
std::string WriterTemporaryName(std::string_view temporary);

// Whether name (any case) is a temporary file of a write: F<n>.NEW, MASTER.NEW,
// MASTER.~NU, EMASTER.NEW, XMASTER.NEW and .voltrim-undo.NEW, or a writer's own name for any
// temporary. Plain MASTER.bak is not counted, as it cannot be told from the backup MASTER.BAK.
bool IsWriterTemporaryName(std::string_view name);

// Removes every temporary file in directory, as a crashed writer may have left them. Call
// only while holding the folder's lock (no other writer can be using them then).
void ClearLeftoverTemporaries(const std::string& directory);

// Largest file a write path reads into memory; a sound DAT file of 32,767 records of
// 19 fields is under 2.5 MB, so anything near this is damaged or not a portfolio file.
inline constexpr std::size_t kMaxPortfolioFileBytes = std::size_t{64} << 20;

// Reads a whole file through the file-operation seam, refusing files above limit bytes.
Status ReadWholeFile(const std::string& path, std::vector<std::uint8_t>& out, std::size_t limit);
Status ReadWholeFile(const std::string& path, file_ops::FileBytes& out, std::size_t limit);

}  // namespace voltrim
