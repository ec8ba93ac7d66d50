#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "datafiles/status.h"

namespace voltrim {

// Undo of the last change to a portfolio.
//
// A write opens a ChangeRecording under its portfolio lock; each step that replaces,
// creates or removes a file reports the file first (NoteFileChange; ReplaceFileContent,
// PlaceFileCopy and RemovePortfolioFile do this themselves). The previous content of each
// file is kept under a name of ours that no earlier change used (a hard link where the file
// system has them, else a copy), so the previous journal stays whole, naming only its own,
// until the new one replaces it. When the outermost recording ends, every step of the
// change is on the disk but perhaps the last one's folder sync, which the journal's own
// makes: the journal is written into every folder the change touched, by the same replace
// protocol, and then the contents earlier changes kept there are removed. A crash before
// that leaves the previous journal, whose undo refuses files this change has touched since;
// a journal that reaches the disk before the last step's rename finds that file as it was
// before the change, and counts it as taken back. A
// change that ends without a journal (nothing changed, or it could not be kept) removes the
// previous one: there is nothing to undo then.

// Nothing is recorded to undo in the folder.
inline constexpr Status kNothingToUndo = -130;
// A file the change touched holds something else now; the undo changed nothing.
inline constexpr Status kChangedSince = -131;

// The journal of the last change, and the prefix of the previous contents kept for it.
inline constexpr const char* kJournalName = ".voltrim-undo";
inline constexpr const char* kUndoCopyPrefix = ".voltrim-undo.";

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

// The last change recorded in a folder, as its journal lists it.
struct UndoFile {
  std::string path;  // the file, in the folder where the change found it
  std::string copy;  // its previous content; empty: it did not exist before
  bool existsAfter = false;
  std::uint64_t size = 0;  // what the change left (when existsAfter)
  std::uint64_t hash = 0;
};
struct UndoPlan {
  std::string what;
  std::vector<std::string> folders;  // every folder the change touched, the journal's first
  std::vector<UndoFile> files;       // in the order the change touched them
};

// kNothingToUndo when the folder has no journal (or one that is not whole); kFileRead when
// it cannot be read.
Status ReadUndoPlan(std::string_view folder, UndoPlan& plan);

// Puts back what the last change recorded in folder replaced, created or removed, in every
// folder it touched (all held, in the lock's order), each file through the replace
// protocol, and then drops the journal. Refuses with kChangedSince, naming the file in
// differing, when a file holds neither what the change left nor its previous content (a
// file already back as it was counts as done: an undo cut short finishes when run again).
// what gets the change's words. Other failures: kNothingToUndo, kPortfolioBusy,
// kDamagedFile (a kept previous content is missing), kFileRead, kFileWrite (each file is
// then as the change left it or as before it; running the undo again finishes it).
Status UndoLastChange(std::string_view folder, std::string& what, std::string& differing);

// Messages of an undo, shared by the window and voltrim-cli.
std::string NothingToUndoMessage(std::string_view folder);
// what: the change; file: the file that differs.
std::string ChangedSinceMessage(std::string_view what, std::string_view file);
// what: the change; file: the file that could not be put back.
std::string UndoFailedMessage(std::string_view what, std::string_view file);

// Whether a name in a portfolio folder is the journal or a kept previous content.
bool IsUndoFileName(std::string_view name);

}  // namespace voltrim
