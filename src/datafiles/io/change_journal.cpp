#include "datafiles/io/change_journal.h"

#include <algorithm>
#include <atomic>
#include <bit>
#include <cctype>
#include <chrono>
#include <cinttypes>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>
#include <optional>
#include <sstream>
#include <unordered_set>
#include <utility>

#include "datafiles/format/ascii_case.h"
#include "datafiles/io/file_ops.h"
#include "datafiles/io/portfolio_files.h"
#include "datafiles/io/portfolio_lock.h"
#include "datafiles/io/regular_file.h"
#include "datafiles/io/replace_file.h"

namespace voltrim {

namespace {

namespace fs = std::filesystem;

constexpr const char* kJournalHeader = "voltrim undo journal 2";
constexpr std::size_t kMaxJournalBytes = std::size_t{1} << 20;

struct Touched {
  std::string folder;  // canonical
  std::string name;
  bool existed = false;
  std::string copy;  // name of the kept previous content in folder
};

struct Recording {
  int depth = 0;
  std::string what;
  std::vector<std::string> folders;  // canonical, in the order first touched
  std::vector<int> generations;      // per folder: in the names of the contents kept there
  std::vector<std::vector<std::string>> earlierCopies;  // per folder: kept by earlier changes
  std::vector<Touched> files;
  // The paths of files, canonical folder and name: an update notes thousands of files, and a
  // search of files for each would grow with the square of their number.
  std::unordered_set<std::string> noted;
  std::vector<std::string> owedSyncs;  // canonical folders whose last step is not yet durable
  int copies = 0;
  bool broken = false;     // a previous content could not be kept: nothing will be undoable
  bool unchanged = false;  // every file touched is as it was: the previous journal holds
  // Folders as the change's steps name them, each with its canonical form: the folders a
  // change touches are held by its lock and stay where they are while it runs.
  std::vector<std::pair<std::string, std::string>> canonicalOf;
  bool noting = false;  // the recording's own file steps are not part of the change
};

thread_local Recording* active = nullptr;
std::atomic<bool> recordingOn{true};
thread_local std::string nextName;

// The canonical form of folder, found once per change; empty when it cannot be found.
std::string CanonicalOf(Recording& recording, const std::string& folder) {
  for (const auto& [named, canonical] : recording.canonicalOf)
    if (named == folder) return canonical;
  std::string canonical = file_ops::CanonicalFolder(folder);
  if (!canonical.empty()) recording.canonicalOf.emplace_back(folder, canonical);
  return canonical;
}

// A fingerprint of a file's bytes, to tell whether another program changed the file since:
// eight bytes a step (a byte at a time cost more than the rest of a quote write). Each step
// is a bijection of the running value, so one changed word always changes the result. The
// bytes may come in pieces, each a whole number of words but the last.
class Fingerprint {
 public:
  explicit Fingerprint(std::uint64_t size) : hash_(14695981039346656037ull ^ size) {}
  void Add(const std::uint8_t* bytes, std::size_t size) {
    std::size_t i = 0;
    for (; i + 8 <= size; i += 8) {
      std::uint64_t word = 0;
      std::memcpy(&word, bytes + i, 8);
      Step(word);
    }
    if (i == size) return;
    std::uint64_t tail = 0;
    std::memcpy(&tail, bytes + i, size - i);
    Step(tail);
  }
  std::uint64_t Value() const { return hash_; }

 private:
  void Step(std::uint64_t word) {
    constexpr std::uint64_t kMultiplier = 0x9E3779B97F4A7C15ull;
    hash_ = std::rotl(hash_ ^ word, 29) * kMultiplier;
  }
  std::uint64_t hash_;
};

std::uint64_t ContentHash(const std::uint8_t* bytes, std::size_t size) {
  Fingerprint fingerprint(size);
  fingerprint.Add(bytes, size);
  return fingerprint.Value();
}

std::uint64_t ContentHash(const std::vector<std::uint8_t>& bytes) {
  return ContentHash(bytes.data(), bytes.size());
}

std::string Join(const std::string& folder, std::string_view name) {
  return WithTrailingSeparator(folder) + std::string(name);
}

void SplitPath(const std::string& path, std::string& folder, std::string& name) {
  const fs::path p(path);
  folder = p.parent_path().string();
  if (folder.empty()) folder = ".";
  name = p.filename().string();
}

// The state of a file: absent, or present with this size and hash.
struct FileState {
  bool exists = false;
  std::uint64_t size = 0;
  std::uint64_t hash = 0;
  bool operator==(const FileState&) const = default;
};

// A file's bytes; exists false (and no bytes) when there is none.
Status ContentOf(const std::string& path, bool& exists, std::vector<std::uint8_t>& bytes) {
  bytes.clear();
  exists = file_ops::NameExists(path);
  return exists ? ReadWholeFile(path, bytes, kMaxPortfolioFileBytes) : kOk;
}

FileState StateOfContent(bool exists, const std::vector<std::uint8_t>& bytes) {
  return exists ? FileState{true, bytes.size(), ContentHash(bytes)} : FileState{};
}

// The pieces a file and its kept previous content are read in, side by side, kept from file
// to file: reading each file whole into new memory faulted in every page of it.
class ReadPieces {
 public:
  // The piece for a file of size bytes: the whole file and a word more, or kMost bytes (a
  // whole number of words, as Fingerprint takes them), with room for it in now (and before).
  std::size_t PieceFor(std::uint64_t size, bool withBefore) {
    const auto piece =
        static_cast<std::size_t>(std::min<std::uint64_t>(kMost, (size + 8) & ~std::uint64_t{7}));
    if (now.size() < piece) now.resize(piece);
    if (withBefore && before.size() < piece) before.resize(piece);
    return piece;
  }
  std::vector<std::uint8_t> now, before;

 private:
  static constexpr std::uint64_t kMost = std::uint64_t{1} << 18;
};

// Whether the files at path and copy, both of size bytes, hold the same bytes; whole when
// the file's every byte is in pieces.now (read in a single piece).
Status SameBytes(const std::string& path, const std::string& copy, std::uint64_t size,
                 ReadPieces& pieces, bool& same, bool& whole) {
  file_ops::File file, previous;
  if (file_ops::OpenForRead(path, file) != kOk || file_ops::OpenForRead(copy, previous) != kOk)
    return kFileRead;
  same = true;
  const std::size_t piece = pieces.PieceFor(size, true);
  std::uint64_t total = 0;
  for (std::size_t got = piece; same && got == piece;) {
    std::size_t gotBefore = 0;
    if (file_ops::ReadSome(file, pieces.now.data(), piece, got) != kOk ||
        file_ops::ReadSome(previous, pieces.before.data(), piece, gotBefore) != kOk)
      return kFileRead;
    same = gotBefore == got && std::memcmp(pieces.now.data(), pieces.before.data(), got) == 0;
    total += got;
  }
  // A file whose size moved meanwhile is a failure.
  if (same && total != size) return kFileRead;
  whole = total == size && total < piece;
  // A failed close of a file only read changes nothing on disk.
  (void)file_ops::Close(file);
  (void)file_ops::Close(previous);
  return kOk;
}

// The state of the regular file at path, of size bytes, read a piece at a time.
Status FingerprintOf(const std::string& path, std::uint64_t size, ReadPieces& pieces,
                     FileState& state) {
  file_ops::File file;
  if (file_ops::OpenForRead(path, file) != kOk) return kFileRead;
  Fingerprint fingerprint(size);
  const std::size_t piece = pieces.PieceFor(size, false);
  std::uint64_t total = 0;
  for (std::size_t got = piece; got == piece;) {
    if (file_ops::ReadSome(file, pieces.now.data(), piece, got) != kOk) return kFileRead;
    fingerprint.Add(pieces.now.data(), got);
    total += got;
  }
  if (total != size) return kFileRead;
  (void)file_ops::Close(file);
  state = FileState{true, size, fingerprint.Value()};
  return kOk;
}

// Whether the file at path holds the same bytes as copy (empty: none) and, when it does not,
// the state path is in. Either that is no regular file, or that cannot be read whole, is a
// failure. A content of another size differs without its copy being read.
Status CompareWithCopy(const std::string& path, const std::string& copy, ReadPieces& pieces,
                       FileState& state, bool& same) {
  state = {};
  // A name is asked whether it exists only when it holds no regular file.
  const std::optional<std::uint64_t> copySize =
      copy.empty() ? std::nullopt : file_ops::RegularFileSize(copy);
  const bool copyExists = copySize || (!copy.empty() && file_ops::NameExists(copy));
  same = !copyExists;
  const std::optional<std::uint64_t> size = file_ops::RegularFileSize(path);
  if (!size && !file_ops::NameExists(path)) return kOk;
  if (!size || *size > kMaxPortfolioFileBytes || (copyExists && !copySize)) return kFileRead;
  same = false;
  if (copyExists && *copySize == *size) {
    bool whole = false;
    const Status status = SameBytes(path, copy, *size, pieces, same, whole);
    if (status != kOk || same) return status;
    // A file compared in a single piece is fingerprinted from it, not read again.
    if (whole) {
      state =
          FileState{true, *size, ContentHash(pieces.now.data(), static_cast<std::size_t>(*size))};
      return kOk;
    }
  }
  return FingerprintOf(path, *size, pieces, state);
}

Status StateOf(const std::string& path, FileState& state) {
  bool exists = false;
  std::vector<std::uint8_t> bytes;
  state = {};
  const Status status = ContentOf(path, exists, bytes);
  if (status == kOk) state = StateOfContent(exists, bytes);
  return status;
}

// The number after kUndoCopyPrefix in name, when it has one: the generation of a kept
// content named "<prefix><generation>.<n>" (0 for the single-number names of old).
int GenerationOf(std::string_view name) {
  if (name.substr(0, std::string_view(kUndoCopyPrefix).size()) != kUndoCopyPrefix) return -1;
  name.remove_prefix(std::string_view(kUndoCopyPrefix).size());
  const std::size_t dot = name.find('.');
  if (dot == std::string_view::npos) return 0;
  int generation = 0;
  for (const char c : name.substr(0, dot)) {
    if (c < '0' || c > '9' || generation > 100000000) return -1;
    generation = generation * 10 + (c - '0');
  }
  return generation;
}

// A generation of kept contents no name in folder and none its journal mentions has, so
// that the previous journal stays whole until the new one replaces it, even where one of
// the contents it names has gone.
// The contents kept by earlier changes are gathered in the same listing, to be removed
// once this change's journal stands.
int FreshGeneration(const std::string& folder, std::vector<std::string>& earlier) {
  int highest = 0;
  file_ops::ForEachName(folder, [&](std::string_view name) {
    const int generation = GenerationOf(name);
    highest = std::max(highest, generation);
    if (generation >= 0 && !IsWriterTemporaryName(name)) earlier.push_back(Join(folder, name));
    return true;
  });
  std::vector<std::uint8_t> journal;
  const std::string path = Join(folder, kJournalName);
  if (file_ops::NameExists(path) && ReadWholeFile(path, journal, kMaxJournalBytes) == kOk) {
    const std::string_view text(reinterpret_cast<const char*>(journal.data()), journal.size());
    for (std::size_t at = text.find(kUndoCopyPrefix); at != std::string_view::npos;
         at = text.find(kUndoCopyPrefix, at + 1)) {
      const std::size_t end = text.find_first_of(" \n", at);
      highest = std::max(highest, GenerationOf(text.substr(at, end - at)));
    }
  }
  return highest + 1;
}

// The syncs of the folders a step left to the recording (see TakeOverFolderSync), made before
// the next step touches anything, so that the steps still reach the disk in their order.
void PayOwedSyncs(Recording& recording) {
  const FileFailureKept failureKept;
  for (const std::string& folder : recording.owedSyncs) (void)file_ops::SyncDirectory(folder);
  recording.owedSyncs.clear();
}

// The previous content under our name: a second name of the file (which every write
// replaces by a rename, never in place), or a synced copy where the file system has no
// links. Its name becomes durable with the folder sync of the change's own step.
Status KeepPrevious(const std::string& path, const std::string& copy) {
  if (file_ops::Link(path, copy) == kOk) return kOk;
  std::vector<std::uint8_t> bytes;
  Status status = ReadWholeFile(path, bytes, kMaxPortfolioFileBytes);
  if (status != kOk) return status;
  // Staged, so that the copy's name never holds part of the content.
  const std::string staged = Join(fs::path(copy).parent_path().string(),
                                  WriterTemporaryName(std::string(kUndoCopyPrefix) + "NEW"));
  file_ops::File file;
  status = file_ops::CreateForWrite(staged, file, file_ops::PermissionsOf(path));
  if (status != kOk) return status;
  status = file_ops::WriteAll(file, bytes);
  if (status == kOk) status = file_ops::Sync(file);
  const Status closed = file_ops::Close(file);
  if (status == kOk) status = closed;
  if (status == kOk) status = file_ops::Rename(staged, copy);
  if (status != kOk) (void)file_ops::Remove(staged);
  return status;
}

std::string RelativeFolder(const std::string& from, const std::string& to) {
  if (from == to) return ".";
  const fs::path relative = fs::path(to).lexically_relative(from);
  return relative.empty() ? to : relative.string();
}

std::string JournalText(const Recording& recording, const std::string& folder,
                        const std::vector<const Touched*>& files,
                        const std::vector<FileState>& after) {
  std::string text = std::string(kJournalHeader) + "\nwhat " + recording.what + "\n";
  for (const std::string& other : recording.folders)
    text += "folder " + RelativeFolder(folder, other) + "\n";
  char line[128];
  for (std::size_t i = 0; i < files.size(); ++i) {
    const Touched& file = *files[i];
    const std::size_t index = static_cast<std::size_t>(
        std::find(recording.folders.begin(), recording.folders.end(), file.folder) -
        recording.folders.begin());
    std::snprintf(line, sizeof line, "%zu %" PRIu64 " %016" PRIx64, index, after[i].size,
                  after[i].hash);
    text += "file " + std::string(line) + " " + (after[i].exists ? "+" : "-") + " " +
            (file.existed ? file.copy : "-") + " " + file.name + "\n";
  }
  return text + "end\n";
}

// The previous contents kept for a change that leaves no journal only take room.
void DropCopies(const Recording& recording) {
  for (const Touched& file : recording.files)
    if (!file.copy.empty()) (void)file_ops::Remove(Join(file.folder, file.copy));
}

// Once the change's journal stands in folder, the contents kept for earlier changes (the
// journal it replaced named them, or a crash left them) only take room. Their removal needs
// no sync: no journal names them, so whether they outlive a power cut changes nothing but
// the room they take, and the next change removes them again.
void DropEarlierCopies(const Recording& recording, std::size_t folder) {
  for (const std::string& path : recording.earlierCopies[folder]) (void)file_ops::Remove(path);
}

bool IsBackupName(const std::string& name) {
  const std::string upper = UpperAscii(name);
  return upper.size() > 4 && upper.compare(upper.size() - 4, 4, ".BAK") == 0;
}

// Once the change is on the disk: the journal, in every folder it touched; the folders where
// it stands in journaled. Files the change left as they were (a step that failed cleanly)
// are not listed, and a write that failed having renewed only a backup leaves nothing to
// undo: it changed no data.
void WriteJournals(Recording& recording, std::vector<std::string>& journaled) {
  if (recording.files.empty()) return;
  if (recording.broken) return DropCopies(recording);
  std::vector<const Touched*> changed;
  std::vector<FileState> after;
  ReadPieces pieces;
  for (const Touched& file : recording.files) {
    // The contents compared as they are; only what the change left needs its fingerprint.
    FileState now;
    bool same = false;
    if (CompareWithCopy(Join(file.folder, file.name),
                        file.existed ? Join(file.folder, file.copy) : std::string(), pieces, now,
                        same) != kOk)
      return DropCopies(recording);
    if (same) continue;
    changed.push_back(&file);
    after.push_back(now);
  }
  recording.unchanged = changed.empty();
  if (std::all_of(changed.begin(), changed.end(),
                  [](const Touched* file) { return IsBackupName(file->name); }))
    return DropCopies(recording);
  for (const std::string& folder : recording.folders) {
    const std::string text = JournalText(recording, folder, changed, after);
    ReplaceNames names;
    names.directory = folder;
    names.target = kJournalName;
    names.temporary = std::string(kUndoCopyPrefix) + "NEW";
    // A journal that cannot be written leaves nothing to undo there, never a wrong one.
    if (ReplaceFileContent(names, std::vector<std::uint8_t>(text.begin(), text.end())) == kOk)
      journaled.push_back(folder);
  }
}

// The journal may stand before the change's last step does: its undo finds that step's file
// still as it was, which counts as done, and puts the rest back. So the last step's folder
// sync is the journal's own, and it is made alone only where no journal was written.
void Finish(Recording& recording) {
  const FileFailureKept failureKept;
  std::vector<std::string> journaled;
  WriteJournals(recording, journaled);
  std::erase_if(recording.owedSyncs, [&](const std::string& folder) {
    return std::find(journaled.begin(), journaled.end(), folder) != journaled.end();
  });
  PayOwedSyncs(recording);
  // A change stopped before it changed anything (a cancel, a clean failure) leaves the
  // previous change's journal and the contents it names: their undo is as true as before.
  if (recording.unchanged) return;
  for (std::size_t i = 0; i < recording.folders.size(); ++i) {
    const std::string& folder = recording.folders[i];
    if (std::find(journaled.begin(), journaled.end(), folder) == journaled.end()) {
      // No journal of this change here: nor may the previous one stay, as an undo would take
      // that change back under this one (a write that failed part way undoes itself so).
      const Status removed = file_ops::Remove(Join(folder, kJournalName));
      if (removed != kOk && removed != kFileNotFound) continue;
      if (removed == kOk && file_ops::SyncDirectory(folder) != kOk) continue;
    }
    DropEarlierCopies(recording, i);
  }
}

std::string ReadLine(std::istringstream& in, std::string_view key, bool& ok) {
  std::string line;
  if (!std::getline(in, line) || line.compare(0, key.size(), key) != 0 ||
      line.size() <= key.size() || line[key.size()] != ' ') {
    ok = false;
    return {};
  }
  return line.substr(key.size() + 1);
}

// The journal of folder, parsed; its folders resolved against folder.
Status ParseJournal(const std::string& folder, UndoPlan& plan, std::string& text) {
  plan = {};
  std::vector<std::uint8_t> bytes;
  const std::string path = Join(folder, kJournalName);
  if (!file_ops::NameExists(path)) return kNothingToUndo;
  // A journal there but unreadable may still name a change: not "nothing to undo".
  if (ReadWholeFile(path, bytes, kMaxJournalBytes) != kOk) return kFileRead;
  text.assign(bytes.begin(), bytes.end());
  std::istringstream in(text);
  std::string line;
  bool ok = std::getline(in, line) && line == kJournalHeader;
  plan.what = ReadLine(in, "what", ok);
  while (ok && std::getline(in, line) && line != "end") {
    if (line.rfind("folder ", 0) == 0) {
      const fs::path relative(line.substr(7));
      plan.folders.push_back(relative.is_absolute()
                                 ? relative.string()
                                 : (fs::path(folder) / relative).lexically_normal().string());
      if (plan.folders.back().size() > 1 && plan.folders.back().back() == '/')
        plan.folders.back().pop_back();
      continue;
    }
    std::size_t index = 0;
    unsigned long long size = 0, hash = 0;
    char existsAfter = 0;
    char copy[64] = {}, name[256] = {};
    if (std::sscanf(line.c_str(), "file %zu %llu %llx %c %63s %255s", &index, &size, &hash,
                    &existsAfter, copy, name) != 6 ||
        index >= plan.folders.size() || std::string_view(name).find('/') != std::string::npos) {
      ok = false;
      break;
    }
    UndoFile file;
    file.path = Join(plan.folders[index], name);
    if (std::string_view(copy) != "-") {
      if (!IsUndoFileName(copy) || std::string_view(copy).find('/') != std::string::npos)
        ok = false;
      file.copy = Join(plan.folders[index], copy);
    }
    file.existsAfter = existsAfter == '+';
    file.size = size;
    file.hash = hash;
    plan.files.push_back(std::move(file));
  }
  if (!ok || line != "end" || plan.files.empty()) return kNothingToUndo;
  return kOk;
}

// The temporary a restore writes through: one the next writer knows to clear.
std::string RestoreTemporary(const std::string& name) {
  const std::string upper = UpperAscii(name);
  const std::string stem = upper.substr(0, upper.find('.'));
  const bool known =
      stem == "MASTER" || stem == "EMASTER" ||
      (stem.size() > 1 && stem[0] == 'F' &&
       std::all_of(stem.begin() + 1, stem.end(), [](char c) { return c >= '0' && c <= '9'; }));
  return known ? stem + ".NEW" : std::string(kUndoCopyPrefix) + "NEW";
}

bool IsMasterName(const std::string& path, const char* which) {
  return UpperAscii(fs::path(path).filename().string()) == which;
}

// The undo goes back through the change's steps in reverse, so each moment of it is a
// moment the change itself passed through; only EMASTER is put back just before its
// MASTER, as the writes replace it first.
std::vector<const UndoFile*> RestoreOrder(const UndoPlan& plan) {
  std::vector<const UndoFile*> order;
  for (auto it = plan.files.rbegin(); it != plan.files.rend(); ++it) order.push_back(&*it);
  for (std::size_t i = 0; i < order.size(); ++i) {
    if (!IsMasterName(order[i]->path, "EMASTER")) continue;
    const std::string folder = fs::path(order[i]->path).parent_path().string();
    for (std::size_t j = 0; j < i; ++j) {
      if (IsMasterName(order[j]->path, "MASTER") &&
          fs::path(order[j]->path).parent_path().string() == folder) {
        std::rotate(order.begin() + static_cast<std::ptrdiff_t>(j),
                    order.begin() + static_cast<std::ptrdiff_t>(i),
                    order.begin() + static_cast<std::ptrdiff_t>(i) + 1);
        break;
      }
    }
  }
  return order;
}

Status Restore(const UndoFile& file) {
  std::string folder, name;
  SplitPath(file.path, folder, name);
  if (file.copy.empty()) {
    const Status removed = file_ops::Remove(file.path);
    if (removed != kOk && removed != kFileNotFound) return kFileWrite;
    return file_ops::SyncDirectory(folder) == kOk || removed == kFileNotFound ? kOk : kFileWrite;
  }
  std::vector<std::uint8_t> before;
  if (ReadWholeFile(file.copy, before, kMaxPortfolioFileBytes) != kOk) return kFileRead;
  ReplaceNames names;
  names.directory = folder;
  names.target = name;
  names.temporary = RestoreTemporary(name);
  return ReplaceFileContent(names, before) == kOk ? kOk : kFileWrite;
}

// Whether other's journal records the same change (each names the folders relative to
// itself, so the parsed lists are compared).
bool SameChange(const std::string& other, const UndoPlan& plan) {
  UndoPlan otherPlan;
  std::string text;
  if (ParseJournal(other, otherPlan, text) != kOk || otherPlan.what != plan.what ||
      otherPlan.files.size() != plan.files.size())
    return false;
  for (std::size_t i = 0; i < plan.files.size(); ++i) {
    const UndoFile& a = plan.files[i];
    const UndoFile& b = otherPlan.files[i];
    if (fs::path(a.path).lexically_normal() != fs::path(b.path).lexically_normal() ||
        a.hash != b.hash || a.existsAfter != b.existsAfter)
      return false;
  }
  return true;
}

Status LockedUndo(const std::string& folder, const UndoPlan& plan, std::string& differing) {
  // Every file must be as the change left it, or already back as it was.
  std::vector<bool> done;
  for (const UndoFile& file : plan.files) {
    FileState now;
    if (StateOf(file.path, now) != kOk) {
      differing = file.path;
      return kFileRead;
    }
    FileState before;
    if (!file.copy.empty()) {
      if (!file_ops::NameExists(file.copy)) {
        differing = file.copy;
        return kDamagedFile;
      }
      if (StateOf(file.copy, before) != kOk) return kFileRead;
    }
    const FileState left{file.existsAfter, file.existsAfter ? file.size : 0,
                         file.existsAfter ? file.hash : 0};
    if (now != left && now != before) {
      differing = file.path;
      return kChangedSince;
    }
    done.push_back(now == before);
  }
  // An EMASTER put back stays as the change left it when its MASTER cannot follow, as a
  // write keeps the two in step.
  std::string emasterPath;
  std::vector<std::uint8_t> emasterLeft;
  for (const UndoFile* file : RestoreOrder(plan)) {
    if (done[static_cast<std::size_t>(file - plan.files.data())]) continue;
    const bool isEmaster = IsMasterName(file->path, "EMASTER") && file_ops::NameExists(file->path);
    if (isEmaster && ReadWholeFile(file->path, emasterLeft, kMaxPortfolioFileBytes) != kOk)
      return kFileRead;
    if (const Status status = Restore(*file); status != kOk) {
      differing = file->path;
      if (!emasterPath.empty() && IsMasterName(file->path, "MASTER") &&
          fs::path(emasterPath).parent_path() == fs::path(file->path).parent_path()) {
        std::string folder, name;
        SplitPath(emasterPath, folder, name);
        (void)ReplaceFileContent({folder, name, "EMASTER.NEW", ""}, emasterLeft);
      }
      return status;
    }
    emasterPath = isEmaster ? file->path : std::string();
  }
  // The journals go before the contents they name, so no journal outlives its copies. A
  // journal another change has replaced since is left alone.
  for (const std::string& other : plan.folders) {
    if (other != folder && !SameChange(other, plan)) continue;
    const FileFailureKept ignored;
    if (file_ops::Remove(Join(other, kJournalName)) == kOk) (void)file_ops::SyncDirectory(other);
  }
  const FileFailureKept ignored;
  std::vector<std::string> synced;
  for (const UndoFile& file : plan.files) {
    if (file.copy.empty() || file_ops::Remove(file.copy) != kOk) continue;
    const std::string copyFolder = fs::path(file.copy).parent_path().string();
    if (std::find(synced.begin(), synced.end(), copyFolder) == synced.end())
      synced.push_back(copyFolder);
  }
  for (const std::string& copyFolder : synced) (void)file_ops::SyncDirectory(copyFolder);
  return kOk;
}

}  // namespace

void SetChangeRecording(bool on) { recordingOn = on; }

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
  auto known = std::find(recording->folders.begin(), recording->folders.end(), canonical);
  if (known == recording->folders.end()) {
    recording->folders.push_back(canonical);
    recording->earlierCopies.emplace_back();
    recording->generations.push_back(FreshGeneration(canonical, recording->earlierCopies.back()));
    known = recording->folders.end() - 1;
  }
  Touched touched{canonical, name, file_ops::NameExists(path), {}};
  if (touched.existed) {
    const int generation =
        recording->generations[static_cast<std::size_t>(known - recording->folders.begin())];
    const std::string prefix = kUndoCopyPrefix + std::to_string(generation) + ".";
    do {
      touched.copy = prefix + std::to_string(++recording->copies);
    } while (file_ops::NameExists(Join(canonical, touched.copy)));
    if (KeepPrevious(path, Join(canonical, touched.copy)) != kOk) recording->broken = true;
  }
  recording->noting = false;
  recording->files.push_back(std::move(touched));
}

bool TakeOverFolderSync(const std::string& folder) {
  Recording* recording = active;
  if (recording == nullptr || recording->noting) return false;
  const std::string canonical = CanonicalOf(*recording, folder);
  if (canonical.empty()) return false;
  if (std::find(recording->owedSyncs.begin(), recording->owedSyncs.end(), canonical) ==
      recording->owedSyncs.end())
    recording->owedSyncs.push_back(canonical);
  return true;
}

Status RemovePortfolioFile(const std::string& path) {
  NoteFileChange(path);
  return file_ops::Remove(path);
}

Status ReadUndoPlan(std::string_view folder, UndoPlan& plan) {
  std::string text;
  return ParseJournal(std::string(folder.empty() ? "." : folder), plan, text);
}

Status UndoLastChange(std::string_view folderView, std::string& what, std::string& differing) {
  const std::string folder(folderView.empty() ? "." : folderView);
  differing.clear();
  UndoPlan plan;
  std::string text;
  // Read once to learn the folders, then again once all of them are held.
  Status status = ParseJournal(folder, plan, text);
  if (status != kOk) return status;
  const std::vector<std::string> folders = plan.folders;
  const PortfolioLock lock(std::vector<std::string_view>(folders.begin(), folders.end()));
  if (lock.status() != kOk) return lock.status();
  if (!lock.Covers(folder)) return kPortfolioBusy;
  status = ParseJournal(folder, plan, text);
  if (status != kOk) return status;
  if (plan.folders != folders) return kPortfolioBusy;
  what = plan.what;
  return LockedUndo(folder, plan, differing);
}

std::string NothingToUndoMessage(std::string_view folder) {
  return "There is nothing to undo in\n" + std::string(folder);
}

std::string ChangedSinceMessage(std::string_view what, std::string_view file) {
  return "\"" + std::string(what) + "\" cannot be undone:\n" + std::string(file) +
         "\nhas been changed since.\n\nNothing was changed.";
}

std::string UndoFailedMessage(std::string_view what, std::string_view file) {
  return "\"" + std::string(what) + "\" could not be undone completely:\n" + std::string(file) +
         "\ncould not be put back. Each file is whole, as the change left it or as before it;\n"
         "undo again to finish.";
}

bool IsUndoFileName(std::string_view name) {
  return name == kJournalName ||
         name.substr(0, std::string_view(kUndoCopyPrefix).size()) == kUndoCopyPrefix;
}

}  // namespace voltrim
