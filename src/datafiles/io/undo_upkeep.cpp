#include "datafiles/io/undo_upkeep.h"

#include <algorithm>
#include <atomic>
#include <filesystem>

#include "datafiles/io/file_ops.h"
#include "datafiles/io/regular_file.h"
#include "datafiles/io/replace_file.h"
#include "datafiles/io/undo_fingerprint.h"

namespace voltrim {

namespace {
std::atomic<std::uint64_t> budgetBytes{UndoHistoryLimits{}.budgetBytes};
std::atomic<int> maxChanges{UndoHistoryLimits{}.maxChanges};
}  // namespace

void SetUndoHistoryLimits(const UndoHistoryLimits& limits) {
  budgetBytes = limits.budgetBytes;
  maxChanges = std::max(limits.maxChanges, 1);
}

UndoHistoryLimits GetUndoHistoryLimits() { return {budgetBytes, maxChanges}; }

namespace undo {

namespace {

namespace fs = std::filesystem;

constexpr std::size_t kMaxOneLevelJournalBytes = std::size_t{1} << 20;

bool InFolder(const std::string& path, const std::string& folder) {
  return fs::path(path).parent_path() == fs::path(folder);
}

// The one-level journal as change number Highest() + 1 of the history, the contents it kept
// in this folder linked in under the change's own names.
Status TakeIn(const std::string& folder, std::uint64_t id, ParsedJournal& journal,
              HistoryListing& listing) {
  const std::string history = HistoryOf(folder);
  const int number = listing.Highest() + 1;
  int k = 0;
  std::uint64_t kept = 0;
  EntryNames entry;
  for (UndoFile& file : journal.plan.files) {
    if (file.copy.empty() || !InFolder(file.copy, folder)) continue;
    const std::string name = KeptName(number, ++k);
    if (KeepContent(file.copy, Join(history, name)) != kOk) return kFileWrite;
    kept += file_ops::RegularFileSize(file.copy).value_or(0);
    file.copy = Join(history, name);
    entry.others.push_back(name);
  }
  JournalFolders folders;
  for (const std::string& other : journal.plan.folders) {
    const bool here = fs::path(other) == fs::path(folder);
    folders.numbers.push_back(here ? number : 0);
    folders.bytes.push_back(here ? kept : 0);
  }
  entry.journal = JournalName(number, kept, false);
  entry.bytes = kept;
  if (WriteJournalFile(history, entry.journal, JournalText(journal.plan, folders, folder, id)) !=
          kOk ||
      file_ops::SyncDirectory(history) != kOk)
    return kFileWrite;
  listing.entries[number] = std::move(entry);
  return kOk;
}

}  // namespace

Status OpenHistory(const std::string& folder, HistoryListing& listing, bool& madeFolder) {
  const std::string history = HistoryOf(folder);
  madeFolder = !file_ops::IsFolder(history);
  if (madeFolder && file_ops::MakeFolder(history) != kOk) return kFileWrite;
  listing = ListHistory(history);
  // Only a writer holding the folder writes here: what no journal names is left over.
  const FileFailureKept removalsIgnored;
  for (const std::string& name : listing.temporaries) (void)file_ops::Remove(Join(history, name));
  listing.temporaries.clear();
  for (auto it = listing.entries.begin(); it != listing.entries.end();) {
    if (!it->second.journal.empty()) {
      ++it;
      continue;
    }
    for (const std::string& name : it->second.others) (void)file_ops::Remove(Join(history, name));
    it = listing.entries.erase(it);
  }
  return TakeInOneLevelJournal(folder, listing);
}

Status TakeInOneLevelJournal(const std::string& folder, HistoryListing& listing) {
  const std::string path = Join(folder, kJournalName);
  if (!file_ops::NameExists(path)) return kOk;
  std::vector<std::uint8_t> bytes;
  if (ReadWholeFile(path, bytes, kMaxOneLevelJournalBytes) != kOk) return kFileRead;
  const std::uint64_t id = ContentHash(bytes.data(), bytes.size());
  const std::string history = HistoryOf(folder);
  ParsedJournal journal;
  // A journal that does not parse names nothing to undo.
  const bool parsed =
      ParseJournal(std::string(bytes.begin(), bytes.end()), folder, 0, journal) == kOk;
  std::vector<std::string> oneLevelCopies;
  for (const UndoFile& file : journal.plan.files)
    if (!file.copy.empty() && InFolder(file.copy, folder)) oneLevelCopies.push_back(file.copy);
  // Taken in already, when a cut came before the one-level journal went.
  ParsedJournal newest;
  const int highest = listing.Highest();
  const bool takenIn =
      highest > 0 &&
      ReadJournal(listing.JournalPath(history, highest), folder, highest, newest) == kOk &&
      newest.id == id;
  if (parsed && !takenIn) {
    const Status status = TakeIn(folder, id, journal, listing);
    if (status != kOk) return status;
  }
  if (file_ops::Remove(path) != kOk || file_ops::SyncDirectory(folder) != kOk) return kFileWrite;
  const FileFailureKept removalsIgnored;
  for (const std::string& copy : oneLevelCopies) (void)file_ops::Remove(copy);
  return kOk;
}

std::vector<int> ChangesToDrop(const HistoryListing& listing, std::uint64_t newBytes) {
  const UndoHistoryLimits limits = GetUndoHistoryLimits();
  std::vector<int> drop;
  int kept = 1;
  std::uint64_t bytes = newBytes;
  bool full = false;
  for (auto it = listing.entries.rbegin(); it != listing.entries.rend(); ++it) {
    const EntryNames& entry = it->second;
    if (entry.journal.empty()) continue;
    // Once one change does not fit, no older one is kept: the oldest go first.
    full = full || (!entry.undone &&
                    (kept + 1 > limits.maxChanges || bytes + entry.bytes > limits.budgetBytes));
    if (entry.undone || full) {
      drop.push_back(it->first);
      continue;
    }
    ++kept;
    bytes += entry.bytes;
  }
  return drop;
}

void RemoveJournals(const std::string& history, const HistoryListing& listing,
                    const std::vector<int>& numbers) {
  const FileFailureKept removalsIgnored;
  for (const int number : numbers) {
    const auto it = listing.entries.find(number);
    if (it != listing.entries.end() && !it->second.journal.empty())
      (void)file_ops::Remove(Join(history, it->second.journal));
  }
}

}  // namespace undo

}  // namespace voltrim
