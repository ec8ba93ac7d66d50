#include "datafiles/format/master.h"

#include <sys/stat.h>

#include <algorithm>
#include <bit>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <deque>
#include <memory>
#include <set>
#include <vector>

#include "datafiles/format/ascii_case.h"
#include "datafiles/format/encodings.h"
#include "datafiles/io/file_ops.h"
#include "datafiles/io/memory_files.h"
#include "datafiles/io/portfolio_files.h"
#include "datafiles/io/regular_file.h"

namespace voltrim {

namespace {

// Past the counted records a MASTER may hold unused space; more than this is not that.
constexpr std::size_t kMaxTrailingBytes = kMasterRecordSize * kMaxSymbols;

// Reads what follows the counted records, a bounded amount, and notes how many whole
// records it holds and whether any of them is in use.
void ExamineTrailingRecords(std::FILE* file, MasterFile& out) {
  std::uint8_t chunk[kMasterRecordSize * 64];
  std::size_t total = 0;
  bool inUse = false;
  std::size_t got = 0;
  while (total <= kMaxTrailingBytes && (got = std::fread(chunk, 1, sizeof chunk, file)) > 0) {
    // Chunks hold whole records, so only the last, shorter one can end in a piece.
    const std::size_t whole = got - got % kMasterRecordSize;
    inUse = inUse || std::any_of(chunk, chunk + whole, [](std::uint8_t b) { return b != 0; });
    total += got;
  }
  out.trailingRecords = total / kMasterRecordSize;
  // More unused space than any program leaves is not unused space.
  out.trailingInUse = inUse || total > kMaxTrailingBytes;
}

void PutInt16(std::uint8_t* at, std::int16_t value) {
  const auto bits = static_cast<std::uint16_t>(value);
  at[0] = static_cast<std::uint8_t>(bits & 0xFFu);
  at[1] = static_cast<std::uint8_t>(bits >> 8);
}

std::string FieldText(const MasterBytes& bytes, std::size_t offset, std::size_t width) {
  return std::string(reinterpret_cast<const char*>(bytes.data() + offset), width);
}

void SetFieldText(MasterBytes& bytes, std::size_t offset, std::size_t width,
                  std::string_view text) {
  for (std::size_t i = 0; i < width; ++i)
    bytes[offset + i] = static_cast<std::uint8_t>(i < text.size() ? text[i] : ' ');
}

std::string TrimTrailingBlanks(std::string text) {
  const auto end = text.find_last_not_of(' ');
  text.erase(end == std::string::npos ? 0 : end + 1);
  return text;
}

// Whether field starts with text, without case; a NUL in the field ends its text.
bool StartsWithText(const char* field, std::string_view text) {
  for (std::size_t i = 0; i < text.size(); ++i)
    if (field[i] == '\0' || LowerAscii(field[i]) != LowerAscii(text[i])) return false;
  return true;
}

// The record's name (its field without trailing blanks) is text, without case.
bool NameFieldMatches(const std::uint8_t* record, std::string_view text) {
  const char* field = reinterpret_cast<const char*>(record + master_offset::kName);
  if (text.size() > kNameFieldSize || (!text.empty() && text.back() == ' ')) return false;
  if (!std::equal(text.begin(), text.end(), field,
                  [](char a, char b) { return LowerAscii(a) == LowerAscii(b); }))
    return false;
  return std::all_of(field + text.size(), field + kNameFieldSize, [](char c) { return c == ' '; });
}

// The symbol field's text (up to a NUL, cut before its (n + 1)-th blank where text holds n
// blanks) is text, without case: the field starts with text and ends there, at its end, a
// NUL or a blank.
bool SymbolFieldMatches(const std::uint8_t* record, std::string_view text) {
  const char* field = reinterpret_cast<const char*>(record + master_offset::kSymbol);
  if (text.size() > kSymbolFieldSize || !StartsWithText(field, text)) return false;
  return text.size() == kSymbolFieldSize || field[text.size()] == '\0' || field[text.size()] == ' ';
}

// The first four bytes at at, each with bit 5 set: two letters that differ only in case
// give the same, so two texts equal without regard to case are equal here too.
std::uint32_t FoldedWord(const void* at) {
  std::uint32_t word = 0;
  std::memcpy(&word, at, sizeof word);
  return word | 0x20202020u;
}

// The matching rule with the text looked at once: nearly every record of a lookup differs
// from the text within its first four letters, and is passed over on that alone.
class RecordMatcher {
 public:
  explicit RecordMatcher(std::string_view text) : text_(text) {
    const std::size_t head = std::min<std::size_t>(text.size(), sizeof head_);
    std::memcpy(&head_, text.data(), head);
    head_ |= 0x20202020u;
    // The bytes of the word the text does not reach are not compared.
    mask_ = head == sizeof head_ ? ~0u : (1u << (8 * head)) - 1u;
    if constexpr (std::endian::native == std::endian::big) mask_ = __builtin_bswap32(mask_);
    head_ &= mask_;
  }

  bool Matches(const std::uint8_t* record) const {
    if ((FoldedWord(record + master_offset::kName) & mask_) != head_ &&
        (FoldedWord(record + master_offset::kSymbol) & mask_) != head_)
      return false;
    return NameFieldMatches(record, text_) || SymbolFieldMatches(record, text_);
  }

 private:
  std::string_view text_;
  std::uint32_t head_ = 0;
  std::uint32_t mask_ = 0;
};

// "<DIR>" at name characters 11-15 after a first character that is not blank.
bool IsSubdirectoryRecord(const std::uint8_t* record) {
  return record[master_offset::kName] != ' ' &&
         std::memcmp(record + master_offset::kName + 11, "<DIR>", 5) == 0;
}

class FileMasterSource : public MasterSource {
 public:
  Status Load(const std::string& directory, MasterFile& out) const override {
    return ReadMasterIn(directory, out);
  }

  // The folder's device and inode: one stat, where resolving the whole path would look
  // at every component; a folder reached through a link or a bind mount is the same one.
  std::string Identity(const std::string& directory) const override {
    if (file_ops::MemoryFilesInUse() != nullptr) {
      const std::string canonical = file_ops::CanonicalFolder(directory);
      return canonical.empty() ? directory : canonical;
    }
    struct stat info {};
    if (::stat(directory.empty() ? "." : directory.c_str(), &info) != 0) return directory;
    return std::to_string(info.st_dev) + ':' + std::to_string(info.st_ino);
  }

  std::string SubdirectoryPath(const std::string& directory,
                               const std::string& name) const override {
    return ResolveInDirectory(directory, name);
  }
};

// Depth-first search state shared by every level of one lookup.
class Lookup {
 public:
  Lookup(const MasterSource& source, std::string_view text, FoundSymbol& out)
      : source_(source), matcher_(text), out_(out) {}
  ~Lookup() {
    constexpr std::size_t kLevelsKept = 8;
    if (Levels().size() > kLevelsKept) Levels().resize(kLevelsKept);
  }
  Lookup(const Lookup&) = delete;
  Lookup& operator=(const Lookup&) = delete;

  // kOk when found in this level or below, kFileNotFound otherwise; loaded, when given,
  // says whether the level's MASTER could be read at all.
  Status SearchLevel(const std::string& directory, int depth, bool* loaded = nullptr) {
    // The level's MASTER is read into memory kept from lookup to lookup; only the names of
    // its subdirectories outlive the deeper levels' reads.
    std::vector<std::string> subdirectories;
    bool hasSubdirectories = false;
    {
      MasterFile& master = LevelMaster(depth);
      const bool read = source_.Load(directory, master) == kOk;
      if (loaded != nullptr) *loaded = read;
      if (!read) return kFileNotFound;

      // One pass: the first matching series of this level wins over anything below it.
      for (const MasterRecord& record : master.records) {
        const bool subdirectory = IsSubdirectoryRecord(record.bytes.data());
        hasSubdirectories = hasSubdirectories || subdirectory;
        if (subdirectory || !matcher_.Matches(record.bytes.data())) continue;
        out_.record = record;
        out_.directory = directory;
        return kOk;
      }
      // A level whose records could not all be read has no subdirectories left to follow.
      if (static_cast<int>(master.records.size()) < master.header.RecordCount())
        return kFileNotFound;
      if (depth >= kMaxSubdirectoryDepth || !hasSubdirectories) return kFileNotFound;
      for (const MasterRecord& record : master.records)
        if (record.IsSubdirectory()) subdirectories.push_back(record.SubdirectoryName());
    }
    // A folder reached a second time (two entries naming it, or a link) leads nowhere new.
    if (!visited_.insert(source_.Identity(directory)).second) return kFileNotFound;

    for (const std::string& name : subdirectories) {
      // Names that would lead out of the portfolio tree are never followed.
      if (!IsSafeSubdirectoryName(name)) continue;
      if (SearchSubdirectory(directory, name, depth + 1) == kOk) return kOk;
    }
    return kFileNotFound;
  }

  // The subdirectory under its name as the entry writes it, without a look before; under
  // its spelling in the folder (names match without regard to case) only when the name as
  // written holds no MASTER.
  Status SearchSubdirectory(const std::string& directory, const std::string& name, int depth) {
    const std::string asWritten = WithTrailingSeparator(directory + name);
    if (asWritten.size() > kMaxLookupPath) return kFileNotFound;
    bool loaded = false;
    const Status found = SearchLevel(asWritten, depth, &loaded);
    if (found == kOk || loaded) return found;
    const std::string spelled = WithTrailingSeparator(source_.SubdirectoryPath(directory, name));
    if (spelled == asWritten || spelled.size() > kMaxLookupPath) return kFileNotFound;
    return SearchLevel(spelled, depth);
  }

 private:
  // The MASTER read at depth, its records' memory kept between lookups in this thread;
  // only a few levels' worth once the lookup is over, however deep a tree it went through.
  static std::deque<MasterFile>& Levels() {
    thread_local std::deque<MasterFile> levels;
    return levels;
  }
  static MasterFile& LevelMaster(int depth) {
    std::deque<MasterFile>& levels = Levels();
    while (static_cast<int>(levels.size()) <= depth) levels.emplace_back();
    return levels[static_cast<std::size_t>(depth)];
  }

  const MasterSource& source_;
  RecordMatcher matcher_;
  FoundSymbol& out_;
  std::set<std::string> visited_;
};

}  // namespace

std::int16_t MasterHeader::RecordCount() const { return GetInt16(bytes.data()); }
void MasterHeader::SetRecordCount(std::int16_t count) { PutInt16(bytes.data(), count); }
std::int16_t MasterHeader::HighestFileNumber() const { return GetInt16(bytes.data() + 2); }
void MasterHeader::SetHighestFileNumber(std::int16_t number) { PutInt16(bytes.data() + 2, number); }

int MasterRecord::FileNumber() const { return bytes[master_offset::kFileNumber]; }
int MasterRecord::RecordLength() const {
  return static_cast<std::int8_t>(bytes[master_offset::kRecordLength]);
}
int MasterRecord::FieldCount() const { return bytes[master_offset::kFieldCount]; }
std::string MasterRecord::NameField() const {
  return FieldText(bytes, master_offset::kName, kNameFieldSize);
}
std::string MasterRecord::Name() const { return TrimTrailingBlanks(NameField()); }
std::string MasterRecord::SymbolField() const {
  return FieldText(bytes, master_offset::kSymbol, kSymbolFieldSize);
}
float MasterRecord::FirstDate() const { return MbfToIeee(&bytes[master_offset::kFirstDate]); }
float MasterRecord::LastDate() const { return MbfToIeee(&bytes[master_offset::kLastDate]); }
char MasterRecord::Periodicity() const {
  return static_cast<char>(bytes[master_offset::kPeriodicity]);
}
bool MasterRecord::IsIntraday() const { return Periodicity() == 'I'; }

bool MasterRecord::IsSubdirectory() const { return IsSubdirectoryRecord(bytes.data()); }

std::string MasterRecord::SubdirectoryName() const {
  std::string name = TrimTrailingBlanks(FieldText(bytes, master_offset::kName, 8));
  // The stored text ends at a NUL, as a C string would.
  const auto nul = name.find('\0');
  if (nul != std::string::npos) name.erase(nul);
  return name;
}

void MasterRecord::SetFileNumber(int number) {
  bytes[master_offset::kFileNumber] = static_cast<std::uint8_t>(number);
}
void MasterRecord::SetNameField(std::string_view name) {
  SetFieldText(bytes, master_offset::kName, kNameFieldSize, name);
}
void MasterRecord::SetSymbolField(std::string_view symbol) {
  SetFieldText(bytes, master_offset::kSymbol, kSymbolFieldSize, symbol);
}
void MasterRecord::SetFirstDate(const MbfBytes& date) {
  std::memcpy(&bytes[master_offset::kFirstDate], date.data(), date.size());
}
void MasterRecord::SetLastDate(const MbfBytes& date) {
  std::memcpy(&bytes[master_offset::kLastDate], date.data(), date.size());
}

// Records are their stored bytes end to end, as in the file, so that they are copied in one.
static_assert(sizeof(MasterRecord) == kMasterRecordSize);

Status ParseMasterBytes(const std::uint8_t* data, std::size_t size, MasterFile& out) {
  // The records' memory is kept: a lookup parses a MASTER per level into the same one.
  out.header = MasterHeader{};
  out.trailingRecords = 0;
  out.trailingInUse = false;
  if (size < kMasterRecordSize) {
    out.records.clear();
    return kFileRead;
  }
  std::memcpy(out.header.bytes.data(), data, kMasterRecordSize);
  const int count = out.header.RecordCount();
  if (count < 0) {
    out.records.clear();
    return kDamagedFile;
  }
  const std::size_t present = size / kMasterRecordSize - 1;
  const std::size_t wanted = std::min(static_cast<std::size_t>(count), present);
  out.records.resize(wanted);
  if (wanted > 0)
    std::memcpy(out.records.data(), data + kMasterRecordSize, wanted * kMasterRecordSize);
  out.trailingRecords = present - wanted;
  const std::uint8_t* tail = data + (wanted + 1) * kMasterRecordSize;
  out.trailingInUse = std::any_of(tail, tail + out.trailingRecords * kMasterRecordSize,
                                  [](std::uint8_t byte) { return byte != 0; });
  return kOk;
}

bool MasterFile::RecordsMatchCount() const {
  return static_cast<int>(records.size()) == header.RecordCount() && !trailingInUse;
}

namespace {

// A MASTER larger than any sound one: the counted records, then a bounded look at what
// follows them.
Status ReadMasterStream(std::FILE* file, MasterFile& out) {
  out = MasterFile{};
  std::uint8_t header[kMasterRecordSize];
  if (std::fread(header, 1, sizeof header, file) != sizeof header) return kFileRead;
  const int count = GetInt16(header);
  if (count < 0) return kDamagedFile;
  // Header and the counted records: one read for up to 256 records (any sound MASTER);
  // beyond that in steps, so that a count far beyond the file costs no more than the file.
  const std::size_t wanted = kMasterRecordSize * static_cast<std::size_t>(count);
  std::vector<std::uint8_t> bytes(header, header + sizeof header);
  std::size_t got = 0;
  while (got < wanted) {
    const std::size_t step = std::min(wanted - got, kMasterRecordSize * 256);
    bytes.resize(kMasterRecordSize + got + step);
    const std::size_t read = std::fread(bytes.data() + kMasterRecordSize + got, 1, step, file);
    got += read;
    if (read < step) break;
  }
  const Status status = ParseMasterBytes(bytes.data(), kMasterRecordSize + got, out);
  if (status != kOk || std::ferror(file)) return status != kOk ? status : kFileRead;
  if (got == wanted) ExamineTrailingRecords(file, out);
  return std::ferror(file) ? kFileRead : kOk;
}

// The most a sound MASTER holds: the header, every record and the unused space after them.
constexpr std::size_t kMaxSoundMaster = kMasterRecordSize * (kMaxSymbols + 1) + kMaxTrailingBytes;

}  // namespace

Status ReadMasterFile(const std::string& path, MasterFile& out) {
  // A lookup reads a MASTER per level: one open, one fstat, one read, into a buffer kept
  // between reads.
  thread_local std::string bytes;
  if (!ReadSmallRegularFile(path, true, kMaxSoundMaster, bytes)) {
    const int error = errno;
    out = MasterFile{};
    return error == ENOENT ? kFileNotFound : error == EIO ? kFileRead : kFileOpen;
  }
  if (bytes.size() <= kMaxSoundMaster) {
    const Status status =
        ParseMasterBytes(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size(), out);
    // More unused space than any program leaves is judged as the streamed read judges it.
    if (status != kOk || out.trailingRecords * kMasterRecordSize <= kMaxTrailingBytes)
      return status;
  }
  const RegularStream file = OpenRegularStream(path, true);
  if (!file) return errno == ENOENT ? kFileNotFound : kFileOpen;
  return ReadMasterStream(file.get(), out);
}

Status ReadMasterIn(const std::string& directory, MasterFile& out) {
  // The exact name first, without a look before the open; a listing only when it is not
  // there (a MASTER written in lower case).
  const std::string exact = WithTrailingSeparator(directory) + "MASTER";
  const Status status = ReadMasterFile(exact, out);
  if (status != kFileNotFound) return status;
  const std::string resolved = ResolveInDirectory(directory, "MASTER");
  return resolved == exact ? status : ReadMasterFile(resolved, out);
}

bool RecordMatches(const MasterRecord& record, std::string_view text) {
  return RecordMatcher(text).Matches(record.bytes.data());
}

Status FindSymbolIn(const MasterSource& source, std::string_view portfolioDir,
                    std::string_view text, FoundSymbol& out) {
  Lookup lookup(source, text, out);
  return lookup.SearchLevel(WithTrailingSeparator(portfolioDir), 0);
}

Status FindSymbol(std::string_view portfolioDir, std::string_view text, FoundSymbol& out) {
  static const FileMasterSource kFiles;
  return FindSymbolIn(kFiles, portfolioDir, text, out);
}

std::optional<AcceptedMasterPath> AcceptMasterPath(const char* path) {
  if (path == nullptr) return std::nullopt;
  const std::string_view p(path);
  if (p.size() > kMaxPortfolioDirLength + 7 || p.size() < 6 || p.substr(p.size() - 6) != "MASTER")
    return std::nullopt;
  const auto slash = p.rfind('/');
  // Without a folder in front there is no portfolio directory to name.
  if (slash == std::string_view::npos) return std::nullopt;
  AcceptedMasterPath accepted;
  accepted.masterPath = std::string(p);
  // The portfolio at the file system's root is "/" itself.
  accepted.portfolioDir = slash == 0 ? std::string("/") : std::string(p.substr(0, slash));
  return accepted;
}

}  // namespace voltrim
