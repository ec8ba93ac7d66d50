// Recording a change as it is made, and its journal written once it stands.
#include <algorithm>
#include <atomic>
#include <ctime>
#include <filesystem>
#include <memory>
#include <unordered_set>
#include <utility>

#include "datafiles/format/ascii_case.h"
#include "datafiles/io/change_journal.h"
#include "datafiles/io/file_ops.h"
#include "datafiles/io/regular_file.h"
#include "datafiles/io/undo_fingerprint.h"
#include "datafiles/io/undo_history.h"
#include "datafiles/io/undo_upkeep.h"

namespace voltrim {

namespace {

namespace fs = std::filesystem;
using undo::HistoryOf;
using undo::Join;

struct Touched {
  std::size_t folder = 0;  // in Recording::folders
  std::string name;
  bool existed = false;
  std::string copy;  // name of the kept previous content in the folder's history
};

// A folder the change touched, with its history as the change found it.
struct TouchedFolder {
  std::string path;  // canonical
  int number = 0;    // the change's number in its history
  undo::HistoryListing listing;
  bool usable = true;  // its history could be made ready
};

struct Recording {
  int depth = 0;
  std::string what;
  std::vector<TouchedFolder> folders;  // in the order first touched
  std::vector<Touched> files;
  // The paths of files, canonical folder and name: an update notes thousands of files, and a
  // search of files for each would grow with the square of their number.
  std::unordered_set<std::string> noted;
  std::vector<std::string> owedSyncs;  // canonical folders whose last step is not yet durable
  int copies = 0;
  bool broken = false;  // a previous content could not be kept: nothing will be undoable
  // Folders as the change's steps name them, each with its canonical form: the folders a
  // change touches are held by its lock and stay where they are while it runs.
  std::vector<std::pair<std::string, std::string>> canonicalOf;
  bool noting = false;  // the recording's own file steps are not part of the change
};

thread_local Recording* active = nullptr;
std::atomic<bool> recordingOn{true};
thread_local std::string nextName;
std::atomic<std::int64_t> fixedTime{0};

// The canonical form of folder, found once per change; empty when it cannot be found.
std::string CanonicalOf(Recording& recording, const std::string& folder) {
  for (const auto& [named, canonical] : recording.canonicalOf)
    if (named == folder) return canonical;
  std::string canonical = file_ops::CanonicalFolder(folder);
  if (!canonical.empty()) recording.canonicalOf.emplace_back(folder, canonical);
  return canonical;
}

void SplitPath(const std::string& path, std::string& folder, std::string& name) {
  const fs::path p(path);
  folder = p.parent_path().string();
  if (folder.empty()) folder = ".";
  name = p.filename().string();
}

void Owe(Recording& recording, const std::string& folder) {
  if (std::find(recording.owedSyncs.begin(), recording.owedSyncs.end(), folder) ==
      recording.owedSyncs.end())
    recording.owedSyncs.push_back(folder);
}

// The syncs of the folders a step left to the recording (see TakeOverFolderSync), made before
// the next step touches anything, so that the steps still reach the disk in their order.
void PayOwedSyncs(Recording& recording) {
  const FileFailureKept failureKept;
  for (const std::string& folder : recording.owedSyncs) (void)file_ops::SyncDirectory(folder);
  recording.owedSyncs.clear();
}

// The folder's place in the recording, its history made ready when first touched.
std::size_t FolderIndex(Recording& recording, const std::string& canonical) {
  for (std::size_t i = 0; i < recording.folders.size(); ++i)
    if (recording.folders[i].path == canonical) return i;
  TouchedFolder folder{canonical, 0, {}, true};
  bool madeFolder = false;
  folder.usable = undo::OpenHistory(canonical, folder.listing, madeFolder) == kOk;
  // A new history folder lasts with its parent's sync, made before the journal's.
  if (madeFolder) Owe(recording, canonical);
  folder.number = folder.listing.Highest() + 1;
  recording.folders.push_back(std::move(folder));
  return recording.folders.size() - 1;
}

bool IsBackupName(const std::string& name) {
  const std::string upper = UpperAscii(name);
  return upper.size() > 4 && upper.compare(upper.size() - 4, 4, ".BAK") == 0;
}

// The change as its journals list it: the files it changed, each with what it left, and the
// bytes its kept contents take in each folder (a content kept of a file the change left as
// it was goes with the change). False when a file cannot be compared.
bool DescribeChange(const Recording& recording, UndoPlan& plan, undo::JournalFolders& folders) {
  undo::ReadPieces pieces;
  folders.bytes.assign(recording.folders.size(), 0);
  for (const TouchedFolder& folder : recording.folders) {
    plan.folders.push_back(folder.path);
    folders.numbers.push_back(folder.number);
  }
  for (const Touched& file : recording.files) {
    const std::string& folder = recording.folders[file.folder].path;
    UndoFile described;
    described.path = Join(folder, file.name);
    if (file.existed) described.copy = Join(HistoryOf(folder), file.copy);
    // The contents compared as they are; only what the change left needs its fingerprint.
    undo::FileState now;
    bool same = false;
    if (undo::CompareWithCopy(described.path, described.copy, pieces, now, same) != kOk)
      return false;
    if (same) continue;
    if (file.existed)
      folders.bytes[file.folder] += file_ops::RegularFileSize(described.copy).value_or(0);
    described.existsAfter = now.exists;
    described.size = now.size;
    described.hash = now.hash;
    plan.files.push_back(std::move(described));
  }
  return true;
}

// The journal in the history of each folder the change touched, the changes it ends
// dropped there. A folder whose journal cannot be written keeps no history: an undo there
// would take an older change back under this one.
void WriteJournals(const Recording& recording, const UndoPlan& plan,
                   const undo::JournalFolders& folders) {
  // The change's own words, files and time tell it from any other: its id in every folder.
  const std::string first = undo::JournalText(plan, folders, recording.folders.front().path, 0);
  const std::uint64_t id =
      undo::ContentHash(reinterpret_cast<const std::uint8_t*>(first.data()), first.size());
  for (std::size_t i = 0; i < recording.folders.size(); ++i) {
    const TouchedFolder& folder = recording.folders[i];
    const std::string history = HistoryOf(folder.path);
    const std::vector<int> drop = undo::ChangesToDrop(folder.listing, folders.bytes[i]);
    undo::RemoveJournals(history, folder.listing, drop);
    const std::string text = undo::JournalText(plan, folders, folder.path, id);
    const bool written =
        folder.usable &&
        undo::WriteJournalFile(history, undo::JournalName(folder.number, folders.bytes[i], false),
                               text) == kOk;
    if (!written) {
      std::vector<int> all;
      for (const auto& [number, entry] : folder.listing.entries) all.push_back(number);
      undo::RemoveJournals(history, folder.listing, all);
    }
    // The removals and the new journal last together. What the changes dropped kept goes
    // when the next change finds it named by no journal.
    (void)file_ops::SyncDirectory(history);
  }
}

// Once every step of the change is on the disk but perhaps the last one's folder sync.
// Files the change left as they were (a step that failed cleanly) are not listed; a change
// that changed nothing, or only renewed backups, leaves the history as it was.
void Finish(Recording& recording) {
  const FileFailureKept failureKept;
  UndoPlan plan;
  undo::JournalFolders folders;
  plan.what = recording.what;
  plan.when = fixedTime != 0 ? fixedTime.load() : static_cast<std::int64_t>(std::time(nullptr));
  const bool described =
      !recording.files.empty() && !recording.broken && DescribeChange(recording, plan, folders);
  const bool journal =
      described && !std::all_of(plan.files.begin(), plan.files.end(), [](const UndoFile& file) {
        return IsBackupName(fs::path(file.path).filename().string());
      });
  // The contents kept for a change that leaves no journal go when the next change finds
  // them named by no journal.
  if (journal) WriteJournals(recording, plan, folders);
  // Every folder the change touched is synced at its end, even where a step's own sync
  // failed: what the change left is then on the disk for good, whatever it reports.
  for (const TouchedFolder& folder : recording.folders) Owe(recording, folder.path);
  PayOwedSyncs(recording);
}

}  // namespace

void SetChangeRecording(bool on) { recordingOn = on; }
void SetChangeTime(std::int64_t seconds) { fixedTime = seconds; }

ChangeRecording::ChangeRecording(std::string what) {
  if (!recordingOn) return;
  if (active != nullptr) {
    ++active->depth;
    return;
  }
  active = new Recording();
  active->depth = 1;
  active->what = nextName.empty() ? std::move(what) : nextName;
  // One line in the journal.
  std::replace(active->what.begin(), active->what.end(), '\n', ' ');
}

ChangeRecording::~ChangeRecording() {
  if (active == nullptr || --active->depth > 0) return;
  const std::unique_ptr<Recording> recording(active);
  active = nullptr;
  Finish(*recording);
}

NameNextChange::NameNextChange(std::string what) { nextName = std::move(what); }
NameNextChange::~NameNextChange() { nextName.clear(); }

void NoteFileChange(const std::string& path) {
  Recording* recording = active;
  if (recording == nullptr || recording->noting) return;
  PayOwedSyncs(*recording);
  if (recording->broken) return;
  std::string folder, name;
  SplitPath(path, folder, name);
  const std::string canonical = CanonicalOf(*recording, folder);
  if (canonical.empty()) {
    recording->broken = true;
    return;
  }
  if (!recording->noted.insert(Join(canonical, name)).second) return;
  recording->noting = true;
  const FileFailureKept failureKept;
  const std::size_t index = FolderIndex(*recording, canonical);
  const TouchedFolder& touchedFolder = recording->folders[index];
  Touched touched{index, name, file_ops::NameExists(path), {}};
  if (touched.existed) {
    touched.copy = undo::KeptName(touchedFolder.number, ++recording->copies);
    if (!touchedFolder.usable ||
        undo::KeepContent(path, Join(HistoryOf(canonical), touched.copy)) != kOk)
      recording->broken = true;
  }
  recording->noting = false;
  recording->files.push_back(std::move(touched));
}

bool TakeOverFolderSync(const std::string& folder) {
  Recording* recording = active;
  if (recording == nullptr || recording->noting) return false;
  const std::string canonical = CanonicalOf(*recording, folder);
  if (canonical.empty()) return false;
  Owe(*recording, canonical);
  return true;
}

Status RemovePortfolioFile(const std::string& path) {
  NoteFileChange(path);
  return file_ops::Remove(path);
}

}  // namespace voltrim
