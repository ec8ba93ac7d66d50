#include "datafiles/io/undo_history.h"

#include <algorithm>
#include <cinttypes>
#include <cstdio>
#include <filesystem>
#include <sstream>

#include "datafiles/io/file_ops.h"
#include "datafiles/io/portfolio_files.h"
#include "datafiles/io/replace_file.h"

namespace voltrim::undo {

namespace {

namespace fs = std::filesystem;

constexpr const char* kHeader = "voltrim undo journal 3";
constexpr const char* kOneLevelHeader = "voltrim undo journal 2";
constexpr std::size_t kMaxJournalBytes = std::size_t{4} << 20;

// The number a name of the history starts with, and the rest after its dot; -1 for a name
// that is not one of a change.
int NumberOf(std::string_view name, std::string_view& rest) {
  const std::size_t dot = name.find('.');
  if (dot == 0 || dot == std::string_view::npos || dot > 9) return -1;
  int number = 0;
  for (const char c : name.substr(0, dot)) {
    if (c < '0' || c > '9') return -1;
    number = number * 10 + (c - '0');
  }
  rest = name.substr(dot + 1);
  return number;
}

// "<bytes>.journal" or "<bytes>.undone".
bool ParseJournalRest(std::string_view rest, EntryNames& entry) {
  const std::size_t dot = rest.find('.');
  if (dot == 0 || dot == std::string_view::npos) return false;
  const std::string_view kind = rest.substr(dot + 1);
  if (kind != "journal" && kind != "undone") return false;
  std::uint64_t bytes = 0;
  for (const char c : rest.substr(0, dot)) {
    if (c < '0' || c > '9' || bytes > (std::uint64_t{1} << 56)) return false;
    bytes = bytes * 10 + static_cast<std::uint64_t>(c - '0');
  }
  entry.bytes = bytes;
  entry.undone = kind == "undone";
  return true;
}

std::string RelativeFolder(const std::string& from, const std::string& to) {
  if (from == to) return ".";
  const fs::path relative = fs::path(to).lexically_relative(from);
  return relative.empty() ? to : relative.string();
}

std::string ResolveFolder(const std::string& folder, const std::string& named) {
  const fs::path relative(named);
  std::string path = relative.is_absolute()
                         ? relative.string()
                         : (fs::path(folder) / relative).lexically_normal().string();
  if (path.size() > 1 && path.back() == '/') path.pop_back();
  return path;
}

bool ReadLine(std::istringstream& in, std::string_view key, std::string& value) {
  std::string line;
  if (!std::getline(in, line) || line.compare(0, key.size(), key) != 0 ||
      line.size() <= key.size() || line[key.size()] != ' ')
    return false;
  value = line.substr(key.size() + 1);
  return true;
}

// "folder <number> <bytes> <path>", or the one-level journal's "folder <path>".
bool ParseFolderLine(const std::string& line, bool oneLevel, const std::string& folder,
                     ParsedJournal& out) {
  int number = 0;
  unsigned long long bytes = 0;
  int used = 0;
  std::string named = line.substr(7);
  if (!oneLevel) {
    if (std::sscanf(named.c_str(), "%d %llu %n", &number, &bytes, &used) != 2 || number < 0)
      return false;
    named = named.substr(static_cast<std::size_t>(used));
  }
  out.plan.folders.push_back(ResolveFolder(folder, named));
  out.folders.numbers.push_back(number);
  out.folders.bytes.push_back(bytes);
  return true;
}

bool ParseFileLine(const std::string& line, ParsedJournal& out) {
  std::size_t index = 0;
  unsigned long long size = 0, hash = 0;
  char existsAfter = 0;
  char copy[64] = {}, name[256] = {};
  if (std::sscanf(line.c_str(), "file %zu %llu %llx %c %63s %255s", &index, &size, &hash,
                  &existsAfter, copy, name) != 6 ||
      index >= out.plan.folders.size() || std::string_view(name).find('/') != std::string::npos ||
      std::string_view(copy).find('/') != std::string::npos)
    return false;
  const std::string& fileFolder = out.plan.folders[index];
  UndoFile file;
  file.path = Join(fileFolder, name);
  const std::string_view kept(copy);
  if (kept != "-") {
    // A content the one-level undo kept stands in the folder itself; the history's in its
    // own folder.
    const bool oneLevelCopy = kept.rfind(kUndoCopyPrefix, 0) == 0;
    std::string_view rest;
    if (!oneLevelCopy && NumberOf(kept, rest) < 0) return false;
    file.copy = Join(oneLevelCopy ? fileFolder : HistoryOf(fileFolder), kept);
  }
  file.existsAfter = existsAfter == '+';
  file.size = size;
  file.hash = hash;
  out.plan.files.push_back(std::move(file));
  return true;
}

// What an undo keeps of each file the change left: in the history of the file's folder
// under that folder's number, or where that is not known (a change of the one-level undo
// taken into the history) in the history it was read from.
void PlaceAfterContents(const std::string& folder, int number, ParsedJournal& out) {
  for (std::size_t i = 0; i < out.plan.files.size(); ++i) {
    UndoFile& file = out.plan.files[i];
    if (!file.existsAfter) continue;
    const std::string fileFolder = fs::path(file.path).parent_path().string();
    const auto at = std::find(out.plan.folders.begin(), out.plan.folders.end(), fileFolder);
    const int own =
        at == out.plan.folders.end()
            ? 0
            : out.folders.numbers[static_cast<std::size_t>(at - out.plan.folders.begin())];
    if (own > 0) {
      file.after = Join(HistoryOf(fileFolder), AfterName(own, i));
    } else if (number > 0) {
      file.after = Join(HistoryOf(folder), AfterName(number, i));
    }
  }
}

}  // namespace

std::string Join(const std::string& folder, std::string_view name) {
  return WithTrailingSeparator(folder) + std::string(name);
}

std::string HistoryOf(const std::string& folder) { return Join(folder, kHistoryFolderName); }

std::string JournalName(int number, std::uint64_t bytes, bool undone) {
  return std::to_string(number) + "." + std::to_string(bytes) + (undone ? ".undone" : ".journal");
}

std::string KeptName(int number, int k) { return std::to_string(number) + "." + std::to_string(k); }

std::string AfterName(int number, std::size_t file) {
  return std::to_string(number) + ".a" + std::to_string(file);
}

int HistoryListing::Highest() const { return entries.empty() ? 0 : entries.rbegin()->first; }

int HistoryListing::NewestDone() const {
  for (auto it = entries.rbegin(); it != entries.rend(); ++it)
    if (!it->second.journal.empty() && !it->second.undone) return it->first;
  return 0;
}

int HistoryListing::NextRedo() const {
  const int newestDone = NewestDone();
  for (auto it = entries.upper_bound(newestDone); it != entries.end(); ++it)
    if (!it->second.journal.empty() && it->second.undone) return it->first;
  return 0;
}

std::string HistoryListing::JournalPath(const std::string& history, int number) const {
  const auto it = entries.find(number);
  return it == entries.end() || it->second.journal.empty() ? std::string()
                                                           : Join(history, it->second.journal);
}

HistoryListing ListHistory(const std::string& history) {
  HistoryListing listing;
  file_ops::ForEachName(history, [&](std::string_view name) {
    std::string_view rest;
    const int number = NumberOf(name, rest);
    if (IsWriterTemporaryName(name)) {
      listing.temporaries.emplace_back(name);
    } else if (number >= 0) {
      EntryNames& entry = listing.entries[number];
      EntryNames parsed;
      if (entry.journal.empty() && ParseJournalRest(rest, parsed)) {
        entry.journal = std::string(name);
        entry.bytes = parsed.bytes;
        entry.undone = parsed.undone;
      } else {
        entry.others.emplace_back(name);
      }
    }
    return true;
  });
  return listing;
}

std::string JournalText(const UndoPlan& plan, const JournalFolders& folders,
                        const std::string& folder, std::uint64_t id) {
  char line[160];
  std::snprintf(line, sizeof line, "when %" PRId64 "\nid %016" PRIx64 "\n", plan.when, id);
  std::string text = std::string(kHeader) + "\nwhat " + plan.what + "\n" + line;
  for (std::size_t i = 0; i < plan.folders.size(); ++i) {
    std::snprintf(line, sizeof line, "folder %d %" PRIu64 " ", folders.numbers[i],
                  folders.bytes[i]);
    text += line + RelativeFolder(folder, plan.folders[i]) + "\n";
  }
  for (const UndoFile& file : plan.files) {
    const fs::path path(file.path);
    const std::string fileFolder = path.parent_path().string();
    const std::size_t index = static_cast<std::size_t>(
        std::find(plan.folders.begin(), plan.folders.end(), fileFolder) - plan.folders.begin());
    std::snprintf(line, sizeof line, "file %zu %" PRIu64 " %016" PRIx64 " %c ", index, file.size,
                  file.hash, file.existsAfter ? '+' : '-');
    text += line +
            (file.copy.empty() ? std::string("-") : fs::path(file.copy).filename().string()) + " " +
            path.filename().string() + "\n";
  }
  return text + "end\n";
}

Status ParseJournal(std::string_view text, const std::string& folder, int number,
                    ParsedJournal& out) {
  out = {};
  std::istringstream in{std::string(text)};
  std::string line, value;
  if (!std::getline(in, line) || (line != kHeader && line != kOneLevelHeader))
    return kNothingToUndo;
  const bool oneLevel = line == kOneLevelHeader;
  bool ok = ReadLine(in, "what", out.plan.what);
  if (ok && !oneLevel) {
    ok = ReadLine(in, "when", value) &&
         std::sscanf(value.c_str(), "%" SCNd64, &out.plan.when) == 1 && ReadLine(in, "id", value) &&
         std::sscanf(value.c_str(), "%" SCNx64, &out.id) == 1;
  }
  while (ok && std::getline(in, line) && line != "end") {
    ok = line.rfind("folder ", 0) == 0 ? ParseFolderLine(line, oneLevel, folder, out)
                                       : ParseFileLine(line, out);
  }
  if (!ok || line != "end" || out.plan.files.empty()) return kNothingToUndo;
  out.plan.number = number;
  PlaceAfterContents(folder, number, out);
  return kOk;
}

Status ReadJournal(const std::string& path, const std::string& folder, int number,
                   ParsedJournal& out) {
  std::vector<std::uint8_t> bytes;
  if (ReadWholeFile(path, bytes, kMaxJournalBytes) != kOk) return kFileRead;
  return ParseJournal(std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()),
                      folder, number, out);
}

Status WriteJournalFile(const std::string& history, const std::string& name,
                        const std::string& text) {
  const std::string staged =
      Join(history, WriterTemporaryName(std::string(kUndoCopyPrefix) + "NEW"));
  file_ops::File file;
  Status status = file_ops::CreateForWrite(staged, file);
  if (status != kOk) return kFileWrite;
  status =
      file_ops::WriteAll(file, reinterpret_cast<const std::uint8_t*>(text.data()), text.size());
  if (status == kOk) status = file_ops::Sync(file);
  const Status closed = file_ops::Close(file);
  if (status == kOk) status = closed;
  if (status == kOk) status = file_ops::Rename(staged, Join(history, name));
  if (status != kOk) (void)file_ops::Remove(staged);
  return status == kOk ? kOk : kFileWrite;
}

Status KeepContent(const std::string& path, const std::string& copy) {
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

}  // namespace voltrim::undo
