#pragma once

// The history folder of a portfolio and the journals in it (see change_journal.h):
//   <n>.<bytes>.journal   change n, not undone; bytes: what its kept contents here take
//   <n>.<bytes>.undone    change n, undone and kept for a redo
//   <n>.<k>               the k-th previous content kept for change n
//   <n>.a<i>              what change n left in its i-th file, kept by its undo
// A name of change n without its journal is left from a change cut short, and unused.
#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "datafiles/io/change_journal.h"
#include "datafiles/status.h"

namespace voltrim::undo {

std::string Join(const std::string& folder, std::string_view name);
std::string HistoryOf(const std::string& folder);

std::string JournalName(int number, std::uint64_t bytes, bool undone);
std::string KeptName(int number, int k);
std::string AfterName(int number, std::size_t file);

// One change's names in a history folder.
struct EntryNames {
  std::string journal;  // empty: none (left from a change cut short)
  std::uint64_t bytes = 0;
  bool undone = false;
  std::vector<std::string> others;  // its kept contents
};

struct HistoryListing {
  std::map<int, EntryNames> entries;  // by number
  std::vector<std::string> temporaries;
  int Highest() const;
  // The newest change not undone; 0 when there is none.
  int NewestDone() const;
  // The oldest undone change newer than every one not undone; 0 when there is none.
  int NextRedo() const;
  // The journal's path of change number in the history folder history ("" when none).
  std::string JournalPath(const std::string& history, int number) const;
};
HistoryListing ListHistory(const std::string& history);

// The journal's text, with its folders named relative to the folder it is written into;
// numbers and bytes per folder of plan.folders.
struct JournalFolders {
  std::vector<int> numbers;  // each folder's number for the change; 0: not known
  std::vector<std::uint64_t> bytes;
};
std::string JournalText(const UndoPlan& plan, const JournalFolders& folders,
                        const std::string& folder, std::uint64_t id);

// A journal's text parsed, its folders resolved against folder, the one it was read from
// (number: its number there). Journals of the one-level undo parse too (number 0).
struct ParsedJournal {
  UndoPlan plan;
  JournalFolders folders;
  std::uint64_t id = 0;
};
Status ParseJournal(std::string_view text, const std::string& folder, int number,
                    ParsedJournal& out);
Status ReadJournal(const std::string& path, const std::string& folder, int number,
                   ParsedJournal& out);

// Writes a journal under name in history: staged, synced and renamed into place (the
// history folder's own sync is the caller's).
Status WriteJournalFile(const std::string& history, const std::string& name,
                        const std::string& text);

// Keeps the content of path at copy: a second name of the file (which every write replaces
// by a rename, never in place), or a synced copy where the file system has no links.
Status KeepContent(const std::string& path, const std::string& copy);

}  // namespace voltrim::undo
