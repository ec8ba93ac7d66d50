#include "datafiles/format/master.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>
#include <set>

#include "datafiles/format/ascii_case.h"
#include "datafiles/format/encodings.h"
#include "datafiles/io/file_ops.h"
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

// The symbol field as a C string (up to a NUL), cut before its (blanks + 1)-th blank.
std::string_view SymbolText(const MasterRecord& record, std::size_t blanks) {
  std::string_view field(
      reinterpret_cast<const char*>(record.bytes.data() + master_offset::kSymbol),
      kSymbolFieldSize);
  field = field.substr(0, field.find('\0'));
  std::size_t seen = 0;
  for (std::size_t i = 0; i < field.size(); ++i)
    if (field[i] == ' ' && seen++ == blanks) return field.substr(0, i);
  return field;
}

class FileMasterSource : public MasterSource {
 public:
  Status Load(const std::string& directory, MasterFile& out) const override {
    return ReadMasterFile(ResolveInDirectory(directory, "MASTER"), out);
  }

  std::string Identity(const std::string& directory) const override {
    const std::string canonical = file_ops::CanonicalFolder(directory);
    return canonical.empty() ? directory : canonical;
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
      : source_(source), text_(text), out_(out) {}

  // kOk when found in this level or below, kFileNotFound otherwise.
  Status SearchLevel(const std::string& directory, int depth) {
    MasterFile master;
    if (source_.Load(directory, master) != kOk) return kFileNotFound;

    for (const MasterRecord& record : master.records) {
      if (record.IsSubdirectory() || !RecordMatches(record, text_)) continue;
      out_.record = record;
      out_.directory = directory;
      return kOk;
    }
    // A level whose records could not all be read has no subdirectories left to follow.
    if (static_cast<int>(master.records.size()) < master.header.RecordCount()) return kFileNotFound;
    if (depth >= kMaxSubdirectoryDepth) return kFileNotFound;
    const bool hasSubdirectories =
        std::any_of(master.records.begin(), master.records.end(),
                    [](const MasterRecord& r) { return r.IsSubdirectory(); });
    // A folder reached a second time (two entries naming it, or a link) leads nowhere new.
    if (!hasSubdirectories || !visited_.insert(source_.Identity(directory)).second)
      return kFileNotFound;

    for (const MasterRecord& record : master.records) {
      if (!record.IsSubdirectory()) continue;
      const std::string name = record.SubdirectoryName();
      // Names that would lead out of the portfolio tree are never followed.
      if (!IsSafeSubdirectoryName(name)) continue;
      const std::string child = WithTrailingSeparator(source_.SubdirectoryPath(directory, name));
      if (child.size() > kMaxLookupPath) continue;
      if (SearchLevel(child, depth + 1) == kOk) return kOk;
    }
    return kFileNotFound;
  }

 private:
  const MasterSource& source_;
  std::string_view text_;
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

bool MasterRecord::IsSubdirectory() const {
  return bytes[master_offset::kName] != ' ' &&
         std::memcmp(&bytes[master_offset::kName + 11], "<DIR>", 5) == 0;
}

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

Status ParseMasterBytes(const std::uint8_t* data, std::size_t size, MasterFile& out) {
  out = MasterFile{};
  if (size < kMasterRecordSize) return kFileRead;
  std::memcpy(out.header.bytes.data(), data, kMasterRecordSize);
  const int count = out.header.RecordCount();
  if (count < 0) return kDamagedFile;
  const std::size_t present = size / kMasterRecordSize - 1;
  const std::size_t wanted = std::min(static_cast<std::size_t>(count), present);
  out.records.resize(wanted);
  for (std::size_t i = 0; i < wanted; ++i)
    std::memcpy(out.records[i].bytes.data(), data + (i + 1) * kMasterRecordSize, kMasterRecordSize);
  out.trailingRecords = present - wanted;
  const std::uint8_t* tail = data + (wanted + 1) * kMasterRecordSize;
  out.trailingInUse = std::any_of(tail, tail + out.trailingRecords * kMasterRecordSize,
                                  [](std::uint8_t byte) { return byte != 0; });
  return kOk;
}

bool MasterFile::RecordsMatchCount() const {
  return static_cast<int>(records.size()) == header.RecordCount() && !trailingInUse;
}

Status ReadMasterFile(const std::string& path, MasterFile& out) {
  out = MasterFile{};
  const RegularStream file = OpenRegularStream(path, true);
  if (!file) return errno == ENOENT ? kFileNotFound : kFileOpen;
  std::uint8_t header[kMasterRecordSize];
  if (std::fread(header, 1, sizeof header, file.get()) != sizeof header) return kFileRead;
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
    const std::size_t read =
        std::fread(bytes.data() + kMasterRecordSize + got, 1, step, file.get());
    got += read;
    if (read < step) break;
  }
  const Status status = ParseMasterBytes(bytes.data(), kMasterRecordSize + got, out);
  if (status != kOk || std::ferror(file.get())) return status != kOk ? status : kFileRead;
  if (got == wanted) ExamineTrailingRecords(file.get(), out);
  return std::ferror(file.get()) ? kFileRead : kOk;
}

bool RecordMatches(const MasterRecord& record, std::string_view text) {
  // Compared in place, most records turned away by their first letter: a lookup reads every
  // record of every MASTER it passes. A name or symbol text that matches starts with it.
  const char* bytes = reinterpret_cast<const char*>(record.bytes.data());
  if (!text.empty() && LowerAscii(text[0]) != LowerAscii(bytes[master_offset::kName]) &&
      LowerAscii(text[0]) != LowerAscii(bytes[master_offset::kSymbol]))
    return false;
  std::string_view name(bytes + master_offset::kName, kNameFieldSize);
  name = name.substr(0, name.find_last_not_of(' ') + 1);
  if (EqualIgnoringAsciiCase(text, name)) return true;
  const auto blanks = static_cast<std::size_t>(std::count(text.begin(), text.end(), ' '));
  return EqualIgnoringAsciiCase(text, SymbolText(record, blanks));
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
