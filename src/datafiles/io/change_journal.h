#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "datafiles/status.h"

namespace voltrim {

// The history of changes to a portfolio, for undo and redo.
//
// A write opens a ChangeRecording under its portfolio lock; each step that replaces,
// creates or removes a file reports the file first (NoteFileChange; ReplaceFileContent,
// PlaceFileCopy and RemovePortfolioFile do this themselves). The previous content of each
// file is kept in the folder's history (the hidden folder kHistoryFolderName beside the
// data) under a name of the change's own number: a hard link where the file system has
// them, else a copy. When the outermost recording ends, every step of the change is on the
// disk but perhaps the last one's folder sync: the journal is then written into the
// history of every folder the change touched, by the replace protocol, naming the change,
// its files and what each held before and after. A crash before that leaves the history as
// it was; a journal that reaches the disk before the last step's rename finds that file as
// it was before the change, and counts it as taken back.
//
// Undo takes back the newest change not yet undone, keeping what the change left beside
// what it replaced, so that a redo can put it back; a new change ends what could be redone.
// The history keeps the newest change always, and older ones while they fit the limits.
// A journal of the one-level undo of earlier versions (kJournalName in the folder itself)
// is read as the newest change, and taken into the history by the next write or undo.

// Nothing is recorded to undo in the folder.
inline constexpr Status kNothingToUndo = -130;
// A file the change touched holds something else now; the undo changed nothing.
inline constexpr Status kChangedSince = -131;

// Nothing undone is left to redo in the folder.
inline constexpr Status kNothingToRedo = -141;

// The history's folder inside a portfolio folder.
inline constexpr const char* kHistoryFolderName = ".voltrim-history";
// The one-level journal of earlier versions, and the prefix of the contents it kept.
inline constexpr const char* kJournalName = ".voltrim-undo";
inline constexpr const char* kUndoCopyPrefix = ".voltrim-undo.";

// How much history a portfolio keeps: the newest change always, then older changes while
// there are at most maxChanges and their kept contents take at most budgetBytes.
struct UndoHistoryLimits {
  std::uint64_t budgetBytes = std::uint64_t{256} << 20;
  int maxChanges = 100;
};
void SetUndoHistoryLimits(const UndoHistoryLimits& limits);
UndoHistoryLimits GetUndoHistoryLimits();

// Records the change made while it lives (outermost one on this thread; nested ones, as
// a write calling another write, join it). Declare it after the write's PortfolioLock, so
// the journal is written while the folders are still held.
class ChangeRecording {
 public:
  // what: the change in words, e.g. "Delete Symbol ACME". A name given with
  // NameNextChange takes its place.
  explicit ChangeRecording(std::string what);
  ~ChangeRecording();
  ChangeRecording(const ChangeRecording&) = delete;
  ChangeRecording& operator=(const ChangeRecording&) = delete;
};

// The words the next outermost ChangeRecording of this thread uses instead of its own
// (the command as the user gave it, e.g. "Split ACME"), for as long as this lives.
class NameNextChange {
 public:
  explicit NameNextChange(std::string what);
  ~NameNextChange();
  NameNextChange(const NameNextChange&) = delete;
  NameNextChange& operator=(const NameNextChange&) = delete;
};

// Test hook: with recording off, writes keep no journal (to look at a write's own file
// steps alone).
void SetChangeRecording(bool on);
// Test hook: the time journals give their changes (seconds since 1970; 0: the clock's), so
// that two runs of one change write the same bytes.
void SetChangeTime(std::int64_t seconds);

// Reports that path is about to be replaced, created or removed by the change being
// recorded on this thread (nothing when none is).
void NoteFileChange(const std::string& path);

// Called by a replace in place of the folder sync that ends it: true when a change is being
// recorded, which then syncs the folder before its next step touches anything, or with its
// journal at its end. False: the caller syncs the folder itself.
bool TakeOverFolderSync(const std::string& folder);

// Removes a portfolio file as a step of the change: reported first, then removed.
// kFileNotFound when it was not there.
Status RemovePortfolioFile(const std::string& path);

// One change of a folder's history, as its journal lists it.
struct UndoFile {
  std::string path;   // the file, in the folder where the change found it
  std::string copy;   // its previous content; empty: it did not exist before
  std::string after;  // where an undo keeps what the change left (when existsAfter)
  bool existsAfter = false;
  std::uint64_t size = 0;  // what the change left (when existsAfter)
  std::uint64_t hash = 0;
};
struct UndoPlan {
  std::string what;
  std::int64_t when = 0;  // seconds since 1970 (UTC); 0: not known (an earlier version's)
  int number = 0;         // in the history of the folder it was read from
  bool undone = false;    // undone, and kept for a redo
  std::vector<std::string> folders;  // every folder the change touched, the journal's first
  std::vector<UndoFile> files;       // in the order the change touched them
};

// The newest change not yet undone: kNothingToUndo when there is none; kFileRead when its
// journal cannot be read.
Status ReadUndoPlan(std::string_view folder, UndoPlan& plan);
// The change a redo would put back: kNothingToRedo when there is none.
Status ReadRedoPlan(std::string_view folder, UndoPlan& plan);
// Every change the folder's history keeps, newest first (a journal that cannot be read is
// left out).
std::vector<UndoPlan> ReadHistory(std::string_view folder);

// Puts back what the newest change not yet undone in folder replaced, created or removed,
// in every folder it touched (all held, in the lock's order), each file through the replace
// protocol, and keeps it for a redo. Refuses with kChangedSince, naming the file in
// differing, when a file holds neither what the change left nor its previous content (a
// file already back as it was counts as done: an undo cut short finishes when run again).
// what gets the change's words. Other failures: kNothingToUndo, kPortfolioBusy,
// kDamagedFile (a kept content is missing), kFileRead, kFileWrite (each file is then as
// the change left it or as before it; running the undo again finishes it).
Status UndoLastChange(std::string_view folder, std::string& what, std::string& differing);
// As UndoLastChange, for a write taking back its own change cut short: nothing is kept to
// redo.
Status TakeBackLastChange(std::string_view folder, std::string& what, std::string& differing);
// Puts back the change undone last (the oldest undone one newer than every change not
// undone), checking first that every file is as the undo left it or already as the change
// left it. The same failures, with kNothingToRedo.
Status RedoLastUndone(std::string_view folder, std::string& what, std::string& differing);

// Messages of an undo, shared by the window and voltrim-cli.
std::string NothingToUndoMessage(std::string_view folder);
// what: the change; file: the file that differs.
std::string ChangedSinceMessage(std::string_view what, std::string_view file);
// what: the change; file: the file that could not be put back.
std::string UndoFailedMessage(std::string_view what, std::string_view file);
std::string NothingToRedoMessage(std::string_view folder);
std::string RedoChangedSinceMessage(std::string_view what, std::string_view file);
std::string RedoFailedMessage(std::string_view what, std::string_view file);

// Whether a name in a portfolio folder is the history's folder, the journal of earlier
// versions or a content that journal kept.
bool IsUndoFileName(std::string_view name);
// Whether a path (below a portfolio folder) is the history's or inside it, or otherwise an
// undo name.
bool IsUndoPath(std::string_view path);

}  // namespace voltrim
