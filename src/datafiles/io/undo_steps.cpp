// Undo and redo: a change of the history taken back, or put back, file by file.
#include <algorithm>
#include <filesystem>

#include "datafiles/format/ascii_case.h"
#include "datafiles/io/change_journal.h"
#include "datafiles/io/file_ops.h"
#include "datafiles/io/portfolio_files.h"
#include "datafiles/io/portfolio_lock.h"
#include "datafiles/io/regular_file.h"
#include "datafiles/io/replace_file.h"
#include "datafiles/io/undo_fingerprint.h"
#include "datafiles/io/undo_history.h"
#include "datafiles/io/undo_upkeep.h"

namespace voltrim {

namespace {

namespace fs = std::filesystem;
using undo::HistoryOf;
using undo::Join;
using undo::ParsedJournal;

enum class Step { kUndo, kTakeBack, kRedo };

std::string FolderOf(const std::string& path) { return fs::path(path).parent_path().string(); }

// How often a step lists a history that other programs' steps keep changing under it.
constexpr int kListingsOfAMovingHistory = 8;

bool IsMasterName(const std::string& path, const char* which) {
  return UpperAscii(fs::path(path).filename().string()) == which;
}

// The change a step takes in folder: the newest one not undone (a one-level journal is
// newer than the history), or the next to redo.
// Read before the lock is taken (to learn the folders to lock), a journal listed may be
// marked or removed by another program's step before it is read: that one is gone, not
// unreadable, and the history is listed again.
Status FindChange(const std::string& folder, Step step, ParsedJournal& out) {
  const std::string oneLevel = Join(folder, kJournalName);
  if (step != Step::kRedo && file_ops::NameExists(oneLevel)) {
    const Status status = undo::ReadJournal(oneLevel, folder, 0, out);
    const bool gone = status == kFileRead && !file_ops::NameExists(oneLevel);
    if (status != kNothingToUndo && !gone) return status;
  }
  const std::string history = HistoryOf(folder);
  for (int listed = 1;; ++listed) {
    const undo::HistoryListing listing = undo::ListHistory(history);
    const int number = step == Step::kRedo ? listing.NextRedo() : listing.NewestDone();
    if (number == 0) return step == Step::kRedo ? kNothingToRedo : kNothingToUndo;
    const std::string path = listing.JournalPath(history, number);
    const Status status = undo::ReadJournal(path, folder, number, out);
    if (status == kFileRead && listed < kListingsOfAMovingHistory && !file_ops::NameExists(path))
      continue;
    return status == kNothingToUndo && step == Step::kRedo ? kNothingToRedo : status;
  }
}

// The temporary a file is put back through: one the next writer knows to clear.
std::string RestoreTemporary(const std::string& name) {
  const std::string upper = UpperAscii(name);
  const std::string stem = upper.substr(0, upper.find('.'));
  const bool known =
      stem == "MASTER" || stem == "EMASTER" ||
      (stem.size() > 1 && stem[0] == 'F' &&
       std::all_of(stem.begin() + 1, stem.end(), [](char c) { return c >= '0' && c <= '9'; }));
  return known ? stem + ".NEW" : std::string(kUndoCopyPrefix) + "NEW";
}

// Puts the content kept at source (empty: none, the file is removed) in the file's place.
Status PutContent(const std::string& path, const std::string& source) {
  const std::string folder = FolderOf(path);
  if (source.empty()) {
    const Status removed = file_ops::Remove(path);
    if (removed != kOk && removed != kFileNotFound) return kFileWrite;
    return file_ops::SyncDirectory(folder) == kOk || removed == kFileNotFound ? kOk : kFileWrite;
  }
  std::vector<std::uint8_t> bytes;
  if (ReadWholeFile(source, bytes, kMaxPortfolioFileBytes) != kOk) return kFileRead;
  const std::string name = fs::path(path).filename().string();
  return ReplaceFileContent({folder, name, RestoreTemporary(name), ""}, bytes) == kOk ? kOk
                                                                                      : kFileWrite;
}

// What the change left, moved back into place by a redo rather than written again: it lasted
// once it was kept, and the next undo keeps the file again (a link) before it puts the earlier
// content back. Where the move fails the content is written as any other.
Status MoveContentBack(const std::string& path, const std::string& after) {
  // Over the name as the folder spells it now, as a replace does.
  const std::string folder = FolderOf(path);
  const std::string target = ResolveInDirectory(folder, fs::path(path).filename().string());
  if (file_ops::Rename(after, target) != kOk) return PutContent(path, after);
  // Both folders synced before the next file, so that the move lasts before anything after
  // it. As in a replace, the content stands in place: a failed sync does not make that untrue.
  (void)file_ops::SyncDirectory(FolderOf(after));
  if (!TakeOverFolderSync(folder)) (void)file_ops::SyncDirectory(folder);
  return kOk;
}

// An undo goes back through the change's steps in reverse, so each moment of it is a moment
// the change itself passed through, and a redo forward; only EMASTER goes just before its
// MASTER, as the writes keep the two in step.
std::vector<const UndoFile*> StepOrder(const UndoPlan& plan, bool backwards) {
  std::vector<const UndoFile*> order;
  for (const UndoFile& file : plan.files) order.push_back(&file);
  if (backwards) std::reverse(order.begin(), order.end());
  for (std::size_t i = 0; i < order.size(); ++i) {
    if (!IsMasterName(order[i]->path, "EMASTER")) continue;
    const UndoFile* emaster = order[i];
    const auto master = std::find_if(order.begin(), order.end(), [&](const UndoFile* file) {
      return IsMasterName(file->path, "MASTER") && FolderOf(file->path) == FolderOf(emaster->path);
    });
    const auto at = order.begin() + static_cast<std::ptrdiff_t>(i);
    if (master == order.end() || master == at + 1) continue;
    if (master < at) {
      std::rotate(master, at, at + 1);
    } else {
      std::rotate(at, at + 1, master);
      --i;  // the file after EMASTER has come to its place
    }
  }
  return order;
}

// Each file as the step finds it: already where the step takes it (done), or where the step
// starts from; anything else is a change made since. Every content the step needs must be
// there.
Status CheckFiles(const UndoPlan& plan, bool undoing, std::vector<bool>& done,
                  std::string& differing) {
  undo::ReadPieces pieces;
  for (const UndoFile& file : plan.files) {
    differing = file.path;
    if (!file.copy.empty() && !file_ops::NameExists(file.copy)) {
      differing = file.copy;
      return kDamagedFile;
    }
    const undo::FileState left{file.existsAfter, file.existsAfter ? file.size : 0,
                               file.existsAfter ? file.hash : 0};
    // The state a step usually finds is asked first: what the change left for an undo,
    // what it replaced for a redo; a file is read once then.
    undo::FileState now;
    bool asBefore = false;
    if (undoing && undo::StateOf(file.path, pieces, now) != kOk) return kFileRead;
    if ((!undoing || now != left) &&
        undo::CompareWithCopy(file.path, file.copy, pieces, now, asBefore) != kOk)
      return kFileRead;
    if (!asBefore && now != left) return kChangedSince;
    const bool isDone = undoing ? asBefore : !asBefore;
    if (!undoing && !isDone && file.existsAfter && !file_ops::NameExists(file.after)) {
      differing = file.after.empty() ? file.path : file.after;
      return kDamagedFile;
    }
    done.push_back(isDone);
  }
  differing.clear();
  return kOk;
}

// What the change left in each file an undo is about to put back, kept for a redo, and
// lasting before any file is put back.
Status KeepWhatTheChangeLeft(const UndoPlan& plan, const std::vector<bool>& done,
                             std::string& differing) {
  std::vector<std::string> histories;
  for (std::size_t i = 0; i < plan.files.size(); ++i) {
    const UndoFile& file = plan.files[i];
    if (done[i] || !file.existsAfter || file.after.empty() || file_ops::NameExists(file.after))
      continue;
    if (undo::KeepContent(file.path, file.after) != kOk) {
      differing = file.path;
      return kFileWrite;
    }
    const std::string history = FolderOf(file.after);
    if (std::find(histories.begin(), histories.end(), history) == histories.end())
      histories.push_back(history);
  }
  for (const std::string& history : histories)
    if (file_ops::SyncDirectory(history) != kOk) return kFileWrite;
  return kOk;
}

// Every file not yet done put where the step takes it. An EMASTER put back stays as it was
// when its MASTER cannot follow, as a write keeps the two in step.
Status PutFiles(const UndoPlan& plan, bool undoing, const std::vector<bool>& done,
                std::string& differing) {
  std::string emasterPath;
  std::vector<std::uint8_t> emasterWas;
  for (const UndoFile* file : StepOrder(plan, undoing)) {
    if (done[static_cast<std::size_t>(file - plan.files.data())]) continue;
    const bool isEmaster = IsMasterName(file->path, "EMASTER") && file_ops::NameExists(file->path);
    if (isEmaster && ReadWholeFile(file->path, emasterWas, kMaxPortfolioFileBytes) != kOk)
      return kFileRead;
    const bool redoing = !undoing && file->existsAfter;
    const std::string source = undoing ? file->copy : redoing ? file->after : "";
    const Status status =
        redoing ? MoveContentBack(file->path, source) : PutContent(file->path, source);
    if (status != kOk) {
      differing = file->path;
      if (!emasterPath.empty() && IsMasterName(file->path, "MASTER") &&
          FolderOf(emasterPath) == FolderOf(file->path)) {
        (void)ReplaceFileContent(
            {FolderOf(emasterPath), fs::path(emasterPath).filename().string(), "EMASTER.NEW", ""},
            emasterWas);
      }
      return status;
    }
    emasterPath = isEmaster ? file->path : std::string();
  }
  return kOk;
}

// The change's journal in each folder it touched marked as the step leaves it (or, taken
// back, removed: what it kept goes when the next change finds it named by no journal); a
// journal of another change under the same number is left alone. A one-level journal of
// the same change in another folder goes.
void MarkJournals(const ParsedJournal& journal, Step step) {
  const FileFailureKept ignored;
  for (std::size_t i = 0; i < journal.plan.folders.size(); ++i) {
    const std::string& folder = journal.plan.folders[i];
    const int number = journal.folders.numbers[i];
    if (number == 0) {
      ParsedJournal other;
      const std::string oneLevel = Join(folder, kJournalName);
      if (undo::ReadJournal(oneLevel, folder, 0, other) == kOk &&
          other.plan.what == journal.plan.what &&
          other.plan.files.size() == journal.plan.files.size() && file_ops::Remove(oneLevel) == kOk)
        (void)file_ops::SyncDirectory(folder);
      continue;
    }
    const std::string history = HistoryOf(folder);
    const undo::HistoryListing listing = undo::ListHistory(history);
    ParsedJournal same;
    const std::string path = listing.JournalPath(history, number);
    if (path.empty() || undo::ReadJournal(path, folder, number, same) != kOk ||
        same.id != journal.id)
      continue;
    const std::uint64_t bytes = listing.entries.at(number).bytes;
    const Status status =
        step == Step::kTakeBack
            ? file_ops::Remove(path)
            : file_ops::Rename(
                  path, Join(history, undo::JournalName(number, bytes, step == Step::kUndo)));
    if (status == kOk) (void)file_ops::SyncDirectory(history);
  }
}

Status LockedStep(const ParsedJournal& journal, Step step, std::string& differing) {
  const bool undoing = step != Step::kRedo;
  std::vector<bool> done;
  Status status = CheckFiles(journal.plan, undoing, done, differing);
  if (status == kOk && step == Step::kUndo)
    status = KeepWhatTheChangeLeft(journal.plan, done, differing);
  if (status == kOk) status = PutFiles(journal.plan, undoing, done, differing);
  if (status != kOk) return status;
  MarkJournals(journal, step);
  return kOk;
}

Status TakeStep(std::string_view folderView, Step step, std::string& what, std::string& differing) {
  const std::string folder(folderView.empty() ? "." : folderView);
  differing.clear();
  ParsedJournal journal;
  // Read once to learn the folders, then again once all of them are held.
  Status status = FindChange(folder, step, journal);
  if (status != kOk) return status;
  const std::vector<std::string> folders = journal.plan.folders;
  const PortfolioLock lock(std::vector<std::string_view>(folders.begin(), folders.end()));
  if (lock.status() != kOk) return lock.status();
  if (!lock.Covers(folder)) return kPortfolioBusy;
  if (file_ops::NameExists(Join(folder, kJournalName))) {
    undo::HistoryListing listing;
    bool madeFolder = false;
    status = undo::OpenHistory(folder, listing, madeFolder);
    if (madeFolder) (void)file_ops::SyncDirectory(folder);
    if (status != kOk) return status;
  }
  status = FindChange(folder, step, journal);
  if (status != kOk) return status;
  if (journal.plan.folders != folders) return kPortfolioBusy;
  what = journal.plan.what;
  return LockedStep(journal, step, differing);
}

// The change a step would take, as its journal lists it.
Status ReadPlan(std::string_view folder, Step step, UndoPlan& plan) {
  ParsedJournal journal;
  const Status status = FindChange(std::string(folder.empty() ? "." : folder), step, journal);
  plan = std::move(journal.plan);
  return status;
}

}  // namespace

Status ReadUndoPlan(std::string_view folder, UndoPlan& plan) {
  return ReadPlan(folder, Step::kUndo, plan);
}

Status ReadRedoPlan(std::string_view folder, UndoPlan& plan) {
  return ReadPlan(folder, Step::kRedo, plan);
}

std::vector<UndoPlan> ReadHistory(std::string_view folderView) {
  const std::string folder(folderView.empty() ? "." : folderView);
  const std::string history = HistoryOf(folder);
  const undo::HistoryListing listing = undo::ListHistory(history);
  std::vector<UndoPlan> plans;
  ParsedJournal journal;
  if (undo::ReadJournal(Join(folder, kJournalName), folder, 0, journal) == kOk) {
    journal.plan.number = listing.Highest() + 1;
    plans.push_back(std::move(journal.plan));
  }
  for (auto it = listing.entries.rbegin(); it != listing.entries.rend(); ++it) {
    if (it->second.journal.empty() ||
        undo::ReadJournal(Join(history, it->second.journal), folder, it->first, journal) != kOk)
      continue;
    journal.plan.undone = it->second.undone;
    plans.push_back(std::move(journal.plan));
  }
  return plans;
}

Status UndoLastChange(std::string_view folder, std::string& what, std::string& differing) {
  return TakeStep(folder, Step::kUndo, what, differing);
}

Status TakeBackLastChange(std::string_view folder, std::string& what, std::string& differing) {
  return TakeStep(folder, Step::kTakeBack, what, differing);
}

Status RedoLastUndone(std::string_view folder, std::string& what, std::string& differing) {
  return TakeStep(folder, Step::kRedo, what, differing);
}

namespace {

std::string NothingToMessage(const char* step, std::string_view folder) {
  return "There is nothing to " + std::string(step) + " in\n" + std::string(folder);
}

std::string RefusedMessage(std::string_view what, const char* done, std::string_view file,
                           const char* since) {
  return "\"" + std::string(what) + "\" cannot be " + done + ":\n" + std::string(file) +
         "\nhas been changed " + since + ".\n\nNothing was changed.";
}

std::string IncompleteMessage(std::string_view what, const char* done, std::string_view file,
                              const char* states, const char* step) {
  return "\"" + std::string(what) + "\" could not be " + done + " completely:\n" +
         std::string(file) + "\ncould not be put back. Each file is whole, " + states + ";\n" +
         step + " again to finish.";
}

}  // namespace

std::string NothingToUndoMessage(std::string_view folder) {
  return NothingToMessage("undo", folder);
}

std::string ChangedSinceMessage(std::string_view what, std::string_view file) {
  return RefusedMessage(what, "undone", file, "since");
}

std::string UndoFailedMessage(std::string_view what, std::string_view file) {
  return IncompleteMessage(what, "undone", file, "as the change left it or as before it", "undo");
}

std::string NothingToRedoMessage(std::string_view folder) {
  return NothingToMessage("redo", folder);
}

std::string RedoChangedSinceMessage(std::string_view what, std::string_view file) {
  return RefusedMessage(what, "redone", file, "since it was undone");
}

std::string RedoFailedMessage(std::string_view what, std::string_view file) {
  return IncompleteMessage(what, "redone", file, "as the undo left it or as the change left it",
                           "redo");
}

bool IsUndoFileName(std::string_view name) {
  return name == kJournalName || name == kHistoryFolderName ||
         name.substr(0, std::string_view(kUndoCopyPrefix).size()) == kUndoCopyPrefix;
}

bool IsUndoPath(std::string_view path) {
  for (const fs::path& part : fs::path(path))
    if (IsUndoFileName(part.string())) return true;
  return false;
}

}  // namespace voltrim
